// The configuration windows in a real program through the real entry: /c (and no argument) opens
// the settings dialog as the saver does; /s opens a black full-screen stand-in for the
// screen-saver window that follows the credit rule (Alt opens the credit window, which hides
// itself after ten seconds; Escape ends). The credit's state changes are printed on stdout.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"
#include "shell/entry.h"
#include "ui/credit.h"
#include "ui/sssetdlg.h"

namespace {

void Log(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

class CreditForm : public platform::FormEvents {
 public:
  CreditForm(platform::Application& app, platform::System& system) : app_(app), system_(system) {}

  void FormCreate(platform::Form& form) override {
    credit_ = ui::CreditWindows::ForWindow(app_, system_, form.Handle());
    app_.SetIdleHandler([this](bool& done) {
      done = true;  // wait for input or a timer tick
      if (credit_->creditShown() != shown_) {
        shown_ = credit_->creditShown();
        std::printf("credit %s windows=%u\n", shown_ ? "shown" : "hidden",
                    static_cast<unsigned>(credit_->WindowCount()));
        std::fflush(stdout);
      }
    });
    Log("create");
  }
  void FormShow(platform::Form&) override { Log("show"); }
  void FormKeyDown(platform::Form& form, std::uint16_t key, unsigned) override {
    if (key == platform::vk::kMenu) {
      credit_->OpenOnAlt();
    } else if (key == platform::vk::kEscape) {
      form.Close();
    }
  }
  void FormDestroy(platform::Form&) override {
    credit_.reset();  // the credit windows go with their owner
    Log("destroy");
  }

 private:
  platform::Application& app_;
  platform::System& system_;
  std::unique_ptr<ui::CreditWindows> credit_;
  bool shown_ = false;
};

class Hooks : public shell::EntryHooks {
 public:
  bool RunSettingsDialog(platform::Application&, platform::System& system, const shell::CommandLine&) override {
    const bool shown = ui::RunSetupDialog(system);
    Log(shown ? "dialog closed" : "no dialog");
    return shown;
  }
  platform::FormEvents& SaverForm(platform::Application& app, platform::System& system,
                                  const shell::CommandLine&) override {
    form_ = std::make_unique<CreditForm>(app, system);
    return *form_;
  }

 private:
  std::unique_ptr<CreditForm> form_;
};

}  // namespace

int main(int argc, char** argv) {
  Hooks hooks;
  return shell::Main(std::vector<std::string>(argv + 1, argv + argc), hooks);
}
