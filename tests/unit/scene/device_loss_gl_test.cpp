// The car scene on the real Direct3D 9 layer (OpenGL, headless) with the real data set: a device
// lost in the middle of a run freezes the picture for the lost frames while the car keeps turning,
// the reset brings the meshes and textures back, and the picture then is exactly that of a run
// that never lost its device.
#include <SDL.h>
#include <d3d9_linux.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "fakes/platform_fakes.h"
#include "scene/capture.h"
#include "scene/car_scene.h"

namespace {

// A fake form whose handle is a real SDL window on the offscreen driver.
class SdlForm : public fakes::Form {
 public:
  SdlForm() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    window_ = SDL_CreateWindow("scene test", 0, 0, 320, 180, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    handle = window_;
    SetBounds(0, 0, 320, 180);
  }
  ~SdlForm() override {
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  bool Ok() const { return window_ != nullptr; }

 private:
  SDL_Window* window_ = nullptr;
};

class Capturing : public scene::FrameHooks {
 public:
  int frame = 0, drawn = 0, captureAt = 0;
  scene::CapturedImage image;
  void FrameDue() override { ++frame; }
  void BeforePresent(IDirect3DDevice9* device) override {
    ++drawn;
    if (frame == captureAt) {
      EXPECT_TRUE(scene::CaptureBackBuffer(device, image));
    }
  }
};

// Runs `frames` frames of display mode, losing the device before frame `lose` (0: never), and
// returns the picture of the last frame.
scene::CapturedImage RunFrames(int frames, int lose, int& drawn, std::int32_t& turnAngle) {
  SdlForm form;
  EXPECT_TRUE(form.Ok());
  fakes::System system;
  system.screen = {320, 180};
  system.UseVirtualClock(0, 50);
  scene::CarScene car(form, system);
  scene::SetupInput in;
  in.runMode = 0;
  in.overlayOn = false;
  in.dataFolder = KESTOR_DATA_DIR "/";
  car.SetUp(in);
  Capturing hooks;
  hooks.captureAt = frames;
  for (int i = 1; i <= frames; ++i) {
    if (i == lose) D3D9Linux_ForceDeviceLost(car.DG().Device());
    EXPECT_TRUE(car.Idle(hooks));
    system.EndIdleCall();
  }
  drawn = hooks.drawn;
  turnAngle = car.state.display.turnAngle;
  return hooks.image;
}

TEST(SceneOnTheRealDevice, ADeviceLossFreezesThePictureAndTheResetRestoresEverything) {
  int drawnA = 0, drawnB = 0;
  std::int32_t angleA = 0, angleB = 0;
  const scene::CapturedImage a = RunFrames(120, 0, drawnA, angleA);
  const scene::CapturedImage b = RunFrames(120, 110, drawnB, angleB);
  EXPECT_EQ(drawnA, 120);
  EXPECT_EQ(drawnB, 118);  // lost, then reset: two frames not drawn
  EXPECT_EQ(angleA, 1200);
  EXPECT_EQ(angleB, 1200);  // the animation went on
  ASSERT_EQ(a.width, 320);
  ASSERT_EQ(b.width, 320);
  std::size_t lit = 0;
  for (std::uint8_t v : a.rgb) lit += v != 0;
  EXPECT_GT(lit, a.rgb.size() / 20);  // the car is there
  EXPECT_TRUE(a.rgb == b.rgb);
}

}  // namespace
