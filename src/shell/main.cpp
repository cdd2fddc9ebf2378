// The program: corvane_kestor (Linux) / corvane_kestor.scr (Windows). The entry picks the mode;
// the screen-saver window gets the car scene and the credit window of the configuration windows.
#include <memory>
#include <string>
#include <vector>

#include "scene/saver_run.h"
#include "shell/entry.h"
#include "shell/ssform.h"

namespace {

class SaverHooks : public shell::EntryHooks {
 public:
  void RunSettingsDialog(platform::Application&, platform::System&, const shell::CommandLine&) override {}

  platform::FormEvents& SaverForm(platform::Application& app, platform::System& system,
                                  const shell::CommandLine& commandLine) override {
    form_ = std::make_unique<shell::TScreenSaverForm>(app, system, commandLine, &scene::CreateSaverScene);
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
