// What the screen-saver window (shell's TScreenSaverForm) asks of the car scene: the set-up after
// the settings, the key handler of display mode, one idle call of the frame loop, the run values it
// needs for its rules and for the viewpoint write-back, and the release of everything at the end.
//
// The real scene (CreateSaverScene) owns the device component DG and every scene object; tests of
// the window's rules pass a stand-in. Lifecycle: created at the start of the window's create event
// (DG is a component of the window, initialised before the event) -> SetUp once, unless set-up
// stopped before the settings were read -> Idle / FormKeyDown while the window runs -> Shutdown
// once from the destroy event -> destroyed (DG, and with it Direct3D, last). Single-threaded.
#pragma once

#include <cstdint>
#include <array>
#include <memory>
#include <string>

#include "platform/app.h"
#include "platform/d3d.h"
#include "platform/font.h"
#include "platform/system.h"
#include "scene/run_mode.h"
#include "sx/mathpack.h"

namespace scene {

// The values the window hands over after reading the settings and checking the data files.
struct SetupInput {
  std::int32_t runMode = 2;             // as stored: 0 display, 1 driving, 2 drawn at random
  std::int32_t frameInterval = 0;       // ms between processed frames, 0..500
  sx::Vec3 carPos{0.0f, -0.6f, -1.3f};  // display-mode viewpoint
  bool overlayOn = true;
  bool shadowBlend = false;
  std::int32_t overlayLines = 1;  // lines per block, 1..5
  platform::FontDesc overlayFont;
  std::uint32_t overlayColour = 0;         // ARGB
  std::array<std::string, 5> overlayText;  // the missing-data notice (Shift-JIS), empty with the data present
  // (With dataMissing the window has already switched the overlay on with the notice's five
  // yellow lines, and in a preview its 10-point type.)
  bool dataMissing = false;
  bool isPreview = false;
  std::string dataFolder;  // with its trailing separator
};

// Points in the frame loop where the window's automation (keys, captures, the frame count) comes in.
class FrameHooks {
 public:
  virtual ~FrameHooks() = default;
  virtual void FrameDue() {}                                   // the frame interval has passed
  virtual void BeforePresent(IDirect3DDevice9* /*device*/) {}  // drawn, after EndScene, before Present
  virtual void FrameDone() {}                                  // after the car and camera placement
};

class SaverRun {
 public:
  virtual ~SaverRun() = default;
  virtual void SetUp(const SetupInput& input) = 0;
  virtual scene::RunMode RunMode() const = 0;  // display until set up
  virtual sx::Vec3 CarPos() const = 0;
  // A display-mode key (the window has checked that the run is in display mode).
  virtual void FormKeyDown(std::uint16_t key) = 0;
  // ApplicationEvents1Idle: true when this call processed a frame (the frame interval had passed).
  virtual bool Idle(FrameHooks& hooks) = 0;
  virtual std::uint32_t LastFrameTime() const = 0;
  virtual std::int32_t FrameInterval() const = 0;
  // The automation's device loss (--lose-device, platform/device_loss.h): the next check finds
  // the device lost (Linux) or waiting for its reset (the system's d3d9.dll), as after a
  // display-mode change. False, with nothing changed, when the device is not working just then.
  virtual bool ForceDeviceLoss() { return false; }
  // The automation's failing resets (--fail-reset, platform::ResetFailure): the device is lost as
  // by ForceDeviceLoss and the next `count` resets of the frame loop fail. False, with nothing
  // changed, when the device is not working just then.
  virtual bool FailResets(std::uint32_t /*count*/) { return false; }
  // The window got a new client size (its host was resized): the picture follows it, the back
  // buffer through a device reset as after a display-mode change.
  virtual void Resize(int /*width*/, int /*height*/) {}
  // The destroy event's release of the scene objects, textures and meshes in their order; the
  // device component goes with this object.
  virtual void Shutdown() = 0;
};

// The real scene on `form`'s window: DG constructed with its design-time options (no reference
// device, no software vertex processing, halt on error and detailed log) and initialised.
// Timing comes from `system` (the virtual clock included). Both must outlive the scene.
std::unique_ptr<SaverRun> CreateSaverScene(platform::Form& form, platform::System& system);

}  // namespace scene
