// The program: corvane_kestor (Linux) / corvane_kestor.scr (Windows). The entry picks the mode;
// the settings dialog and the credit window come from the configuration windows (ui), the car
// scene from scene, so that shell itself never needs ui.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scene/saver_run.h"
#include "shell/entry.h"
#include "shell/ssform.h"
#include "ui/credit.h"
#include "ui/sssetdlg.h"

namespace {

// The screen-saver window's credit window: ui's windows owned by the form, timers of the application.
class Credit : public shell::CreditWindow {
 public:
  explicit Credit(std::unique_ptr<ui::CreditWindows> windows) : windows_(std::move(windows)) {}
  void OpenOnAlt() override { windows_->OpenOnAlt(); }

 private:
  std::unique_ptr<ui::CreditWindows> windows_;
};

class SaverHooks : public shell::EntryHooks {
 public:
  bool RunSettingsDialog(platform::Application&, platform::System& system, const shell::CommandLine&) override {
    return ui::RunSetupDialog(system);
  }

  platform::FormEvents& SaverForm(platform::Application& app, platform::System& system,
                                  const shell::CommandLine& commandLine) override {
    form_ = std::make_unique<shell::TScreenSaverForm>(
        app, system, commandLine, &scene::CreateSaverScene, [&app, &system](platform::Form& form) {
          return std::make_unique<Credit>(ui::CreditWindows::ForWindow(app, system, form.Handle()));
        });
    return *form_;
  }

 private:
  std::unique_ptr<shell::TScreenSaverForm> form_;
};

}  // namespace

int main(int argc, char** argv) {
  SaverHooks hooks;  // outlives the application that Main creates and destroys
  return shell::Main(std::vector<std::string>(argv + 1, argv + argc), hooks);
}
