// TScreenSaverForm: the one window of a preview or full-screen run. Its create event checks the
// data files, sets the window up (size, pointer, version query, screen-saver flag), reads the
// settings and hands over to the car scene; its idle handler runs the scene's frame loop with the
// automation of the command line; its input events carry the rules that end a run; its destroy
// event stores the viewpoint and releases the scene.
//
// Exit rules: the first mouse move only records its position, any later move away from it closes,
// a mouse button closes; in display mode B, T, L, R, S, the arrows and keypad 8 / 2 belong to the
// scene; Alt opens the credit window (never closes); every other key closes. The close query asks
// for the Windows 9x screen-saver password when one is in use; a refusal keeps the run going and
// re-arms the mouse rule.
//
// Ownership: the window owns the scene (created in FormCreate, released in FormDestroy) and the
// credit window it asked its factory for. The application, the services and the command line
// must outlive it. Single-threaded (the GUI thread).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/app.h"
#include "platform/system.h"
#include "scene/saver_run.h"
#include "shell/command_line.h"
#include "shell/settings.h"

namespace shell {

// The credit window of the Alt key (the configuration windows provide it).
class CreditWindow {
 public:
  virtual ~CreditWindow() = default;
  virtual void OpenOnAlt() = 0;  // nothing while one is showing; else a new one, shown
};

class TScreenSaverForm : public platform::FormEvents, private scene::FrameHooks {
 public:
  using SceneFactory = std::function<std::unique_ptr<scene::SaverRun>(platform::Form&, platform::System&)>;
  // Made at the first Alt of a run, owned by the window until its destroy event.
  using CreditFactory = std::function<std::unique_ptr<CreditWindow>(platform::Form&)>;

  // `scenes` makes the run's scene (the program passes scene::CreateSaverScene; empty: no scene, the
  // window only keeps its rules). `credits` empty: Alt does nothing. `settingsPath` is the
  // settings file (the program's by default).
  TScreenSaverForm(platform::Application& app, platform::System& system, const CommandLine& commandLine,
                   SceneFactory scenes, CreditFactory credits = {}, std::string settingsPath = SettingsFilePath());
  ~TScreenSaverForm() override;
  TScreenSaverForm(const TScreenSaverForm&) = delete;
  TScreenSaverForm& operator=(const TScreenSaverForm&) = delete;

  void FormCreate(platform::Form& form) override;
  void FormShow(platform::Form& form) override;
  bool FormCloseQuery(platform::Form& form) override;
  void FormClose(platform::Form& form) override;
  void FormDestroy(platform::Form& form) override;
  void FormKeyDown(platform::Form& form, std::uint16_t key, unsigned shift) override;
  void FormMouseMove(platform::Form& form, unsigned shift, int x, int y) override;
  void FormMouseDown(platform::Form& form, platform::MouseButton button, unsigned shift, int x, int y) override;
  void FormResize(platform::Form& form, int width, int height) override;
  bool FormSysCommand(platform::Form& form, std::uint32_t command, std::intptr_t& result) override;

  // The idle handler the create event installs (ApplicationEvents1Idle with the automation).
  void ApplicationIdle(bool& done);

  // Run state of the window itself.
  bool isPreview = false;
  std::uint32_t platformId = 0;  // 1 Windows 9x family, 2 NT family, 0 not asked (preview)
  std::int32_t mouseStartX = -1, mouseStartY = -1;
  bool dataMissing = false;
  bool settingsRead = false;  // set-up got as far as the settings
  std::uint32_t processedFrames = 0;

  scene::SaverRun* Scene() const { return scene_.get(); }
  const SettingsFile& Settings() const { return settings_; }

 private:
  void FrameDue() override;
  void BeforePresent(IDirect3DDevice9* device) override;
  void FrameDone() override;
  // --timing: one line "timing EVENT FRAME WALL_US CPU_US" appended to the log (platform/process_clock.h).
  void Timing(const char* event) const;

  platform::Application& app_;
  platform::System& system_;
  const CommandLine& commandLine_;
  SceneFactory scenes_;
  CreditFactory credits_;
  SettingsFile settings_;
  std::uintptr_t previewWindow_ = 0;
  platform::Form* form_ = nullptr;
  std::unique_ptr<scene::SaverRun> scene_;
  std::unique_ptr<CreditWindow> creditWindow_;
  bool setUp_ = false;
  bool drawn_ = false;      // the current frame reached Present
  bool presented_ = false;  // a frame has been presented in this run
};

// The scene's input from the settings as read and the window's state. With a data file missing the
// overlay is on whatever the settings say, with five lines of the notice in yellow, and in preview
// the notice's short form in 10-point type.
scene::SetupInput SetupInputFrom(const RunSettings& run, bool dataMissing, bool isPreview,
                                 const std::string& dataFolder);

// The five lines of the missing-data notice (Shift-JIS): the full form, or the short one of a preview.
std::array<std::string, 5> NoticeLines(bool preview);
constexpr int kPreviewNoticeFontSize = 10;  // points

}  // namespace shell
