#include "shell/entry.h"

#include <cstdio>

namespace shell {

const char kPreviewTitle[] = "corvane KESTOR 3Dスクリーンセーバ";

const char kUsageText[] =
    "Usage: corvane_kestor [MODE] [OPTION...]\n"
    "corvane KESTOR, a 3D screen saver: a sports car in display mode or on the road.\n"
    "\n"
    "Modes:\n"
    "  /s                 full screen (any key or mouse move ends it)\n"
    "  /p ID              preview inside X11 window ID\n"
    "  /c                 the settings dialog (also with no argument)\n"
    "  --root             for XScreenSaver: inside $XSCREENSAVER_WINDOW, else the root window\n"
    "  --window-id ID     for XScreenSaver's preview: inside X11 window ID (hex 0x... or decimal)\n"
    "  --help, --version  this text, the version\n"
    "\n"
    "Options for tests and demos (after the mode):\n"
    "  --data-dir DIR     data folder instead of the installed one\n"
    "  --frames N         close after N frames\n"
    "  --step-ms N        virtual clock: N ms per idle call\n"
    "  --clock-start MS   the virtual clock's first reading\n"
    "  --key FRAME:KEY    a key before frame FRAME (repeatable)\n"
    "  --mouse FRAME:X,Y  a mouse move before frame FRAME (repeatable)\n"
    "  --capture DIR --capture-at LIST   PNG pictures of frames (10,200 or every:25)\n"
    "  --size WxH         the headless screen size\n"
    "  --lose-device FRAME   the device is lost before frame FRAME (repeatable)\n"
    "  --fail-reset FRAME:N  the device is lost before frame FRAME and its next N resets fail\n"
    "  --timing FILE      append timing lines to FILE\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/corvane_kestor/corvane_kestor.ini (~/.config/corvane_kestor/).\n"
    "See corvane_kestor(6).\n";

bool RunPasswordChange(platform::System& system, std::uint32_t parent) {
  return system.ChangeScreenSavePassword(parent);
}

platform::FormParams SaverFormParams(const CommandLine& commandLine) {
  platform::FormParams params;
  params.previewParent = commandLine.mode == Mode::Preview ? commandLine.previewWindow : 0;
  params.intoRootWindow = commandLine.mode == Mode::FullScreen && commandLine.intoRootWindow;
  params.caption = "corvane KESTOR";
  return params;
}

int RunEntry(const CommandLine& commandLine, platform::Application& app, platform::System& system, EntryHooks& hooks) {
  switch (commandLine.mode) {
    case Mode::PasswordChange:
      app.HideApplicationWindow();
      RunPasswordChange(system, commandLine.previewWindow);
      return 0;
    case Mode::Settings: app.HideApplicationWindow(); return hooks.RunSettingsDialog(app, system, commandLine) ? 0 : 1;
    case Mode::Preview:
      app.HideApplicationWindow();
      app.SetTitle(kPreviewTitle);
      break;
    case Mode::FullScreen: break;
  }
  platform::FormEvents& events = hooks.SaverForm(app, system, commandLine);
  if (!app.CreateMainForm(SaverFormParams(commandLine), events)) return 1;
  return app.Run();
}

int Main(const std::vector<std::string>& args, EntryHooks& hooks) {
  const CommandLine commandLine = ParseCommandLine(args, platform::TakesXScreenSaverSwitches());
  if (commandLine.showHelp || commandLine.showVersion) {
    if (commandLine.showHelp) {
      std::fputs(kUsageText, stdout);
    } else {
      std::printf("corvane_kestor %s\n", KESTOR_VERSION);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  for (const std::string& w : commandLine.warnings) std::fprintf(stderr, "corvane_kestor: %s\n", w.c_str());
  if (!commandLine.errors.empty()) {
    for (const std::string& e : commandLine.errors) std::fprintf(stderr, "corvane_kestor: %s\n", e.c_str());
    std::fprintf(stderr, "corvane_kestor: nothing started (usage error)\n");
    return 2;
  }
  const Automation& a = commandLine.automation;
  platform::AppOptions options;
  options.headlessWidth = a.width;
  options.headlessHeight = a.height;
  // The hooks outlive both platform objects; the application goes before the services.
  std::unique_ptr<platform::System> system = platform::CreateSystem();
  system->SetDataFolderOverride(a.dataDir);
  if (a.VirtualClock()) system->UseVirtualClock(a.clockStart, *a.stepMs);
  std::unique_ptr<platform::Application> app = platform::CreateApplication(options);
  const int code = RunEntry(commandLine, *app, *system, hooks);
  app.reset();
  return code;
}

}  // namespace shell
