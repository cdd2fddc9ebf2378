// The program's entry: one of the four modes of the command line, then the end of the process.
//
//   A  hide the application window; the password-change service with the handle; end
//   C  hide the application window; the settings dialog (EntryHooks); end
//   P  hide the application window; the preview title; the screen-saver form as a child of the
//      handle's window (full screen when the handle is 0); the message loop
//   S  the screen-saver form full screen; the message loop
//
// The platform objects come in from outside so that tests can pass fakes; Main creates the real
// ones from the automation options (data folder, virtual clock, headless size).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"
#include "shell/command_line.h"

namespace shell {

extern const char kPreviewTitle[];  // the application title of a preview run
extern const char kUsageText[];     // --help (ASCII)

// What the entry leaves to the rest of the program.
class EntryHooks {
 public:
  virtual ~EntryHooks() = default;
  // Mode C: the settings dialog, modal and without owner; returns once it has been closed, false
  // when it could not be shown (no display): the program then ends with exit code 1.
  virtual bool RunSettingsDialog(platform::Application& app, platform::System& system,
                                 const CommandLine& commandLine) = 0;
  // Modes P and S: the events of the screen-saver form, owned by the hooks and alive until the
  // hooks are destroyed. It reads the preview window and the automation from `commandLine`.
  virtual platform::FormEvents& SaverForm(platform::Application& app, platform::System& system,
                                          const CommandLine& commandLine) = 0;
};

// Mode A's steps 2 to 4: PwdChangePasswordA("SCRSAVE", parent, 0, 0) from "MPR.DLL"; nothing
// when the service is absent. True when it was called.
bool RunPasswordChange(platform::System& system, std::uint32_t parent);

// The form parameters of a preview or full-screen run.
platform::FormParams SaverFormParams(const CommandLine& commandLine);

// Runs the parsed command line; returns the exit code: 1 when the form or the settings dialog
// cannot be created, else what the run returns.
int RunEntry(const CommandLine& commandLine, platform::Application& app, platform::System& system, EntryHooks& hooks);

// The whole program: parse `args` (after the program name), print warnings and usage errors on
// stderr (exit code 2 on errors), create the platform objects and run the entry.
int Main(const std::vector<std::string>& args, EntryHooks& hooks);

}  // namespace shell
