#include "shell/entry.h"

#include <cstdio>

namespace shell {

const char kPreviewTitle[] = "corvane KESTOR 3Dスクリーンセーバ";

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
    case Mode::Settings:
      app.HideApplicationWindow();
      hooks.RunSettingsDialog(app, system, commandLine);
      return 0;
    case Mode::Preview:
      app.HideApplicationWindow();
      app.SetTitle(kPreviewTitle);
      break;
    case Mode::FullScreen:
      break;
  }
  platform::FormEvents& events = hooks.SaverForm(app, system, commandLine);
  if (!app.CreateMainForm(SaverFormParams(commandLine), events)) return 1;
  return app.Run();
}

int Main(const std::vector<std::string>& args, EntryHooks& hooks) {
  const CommandLine commandLine = ParseCommandLine(args,
#ifdef _WIN32
                                                   false
#else
                                                   true
#endif
  );
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
