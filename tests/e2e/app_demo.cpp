// Demonstration of the application framework and the entry: the screen saver's command line and
// modes with a stand-in form that logs its events on stdout (one line each, flushed), counts idle
// calls, paces "frames" every 20 ms of timeGetTime (sleeping in between, or on the virtual clock
// one frame per two idle calls at --step-ms 10), delivers --key/--mouse before their frame, and
// closes on Escape or after --frames. End-to-end tests drive it with xdotool and Wine.
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"
#include "shell/entry.h"
#include "shell/pacing.h"

namespace {

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

constexpr std::int32_t kFrameInterval = 20;

class DemoForm : public platform::FormEvents {
 public:
  DemoForm(platform::Application& app, platform::System& system, const shell::CommandLine& commandLine)
      : app_(app), system_(system), commandLine_(commandLine) {}

  void FormCreate(platform::Form& form) override {
    form_ = &form;
    const platform::Size client = form.ClientSize();  // as the creation parameters made it
    // The screen saver's window set-up, as far as the framework goes.
    platform::Rect parent;
    if (form.ParentScreenRect(parent)) {
      form.SetBounds(0, 0, parent.right - parent.left, parent.bottom - parent.top);
    } else {
      const platform::Size screen = system_.ScreenSize();
      form.SetBounds(0, 0, screen.width, screen.height);
      system_.ShowCursor(false);
    }
    form.DisableInputMethod();
    Log("create preview=%d client=%dx%d", form.IsPreview() ? 1 : 0, client.width, client.height);
    if (form.IsPreview()) Log("parent %d,%d,%d,%d", parent.left, parent.top, parent.right, parent.bottom);
    timer_ = app_.CreateTimer(1000, true, [this] { Log("timer %d", ++ticks_); });
    lastFrameTime_ = system_.TimeGetTime();
    app_.SetIdleHandler([this](bool& done) { Idle(done); });
  }

  void FormShow(platform::Form& form) override {
    app_.HideApplicationWindow();
    Log("show");
    const std::intptr_t answer = form.SendSysCommand(platform::kScScreenSave);
    Log("syscommand 0xF140 -> %ld", static_cast<long>(answer));
  }

  bool FormSysCommand(platform::Form&, std::uint32_t command, std::intptr_t& result) override {
    if (command != platform::kScScreenSave) return false;
    result = 1;  // no second screen saver
    return true;
  }

  void FormKeyDown(platform::Form& form, std::uint16_t key, unsigned shift) override {
    Log("key 0x%02X shift %u", key, shift);
    if (key == platform::vk::kEscape) form.Close();
  }
  void FormMouseMove(platform::Form&, unsigned, int x, int y) override { Log("mouse %d %d", x, y); }
  void FormMouseDown(platform::Form&, platform::MouseButton button, unsigned, int x, int y) override {
    Log("button %d %d %d", static_cast<int>(button), x, y);
  }
  bool FormCloseQuery(platform::Form&) override {
    Log("closequery");
    return true;
  }
  void FormClose(platform::Form&) override {
    Log("close");
    system_.ShowCursor(true);
  }
  void FormDestroy(platform::Form&) override {
    timer_.reset();
    Log("destroy idle=%u frames=%u clock=%u", idleCalls_, frames_, static_cast<unsigned>(system_.TimeGetTime()));
  }

 private:
  void Idle(bool& done) {
    done = false;
    ++idleCalls_;
    const shell::Automation& a = commandLine_.automation;
    if (a.CloseAfter(frames_)) {
      form_->Close();
    } else if (shell::FrameWaitMs(system_.TimeGetTime(), lastFrameTime_, kFrameInterval) == 0) {
      lastFrameTime_ = system_.TimeGetTime();
      for (std::uint16_t key : a.KeysBefore(frames_ + 1)) form_->InjectKeyDown(key, 0);
      for (const shell::MouseAt& m : a.MiceBefore(frames_ + 1)) form_->InjectMouseMove(m.x, m.y);
      if (!form_->Closed()) ++frames_;
      if (a.CloseAfter(frames_)) form_->Close();
    } else {
      shell::WaitForNextFrame(app_, system_, lastFrameTime_, kFrameInterval);
    }
    system_.EndIdleCall();
  }

  platform::Application& app_;
  platform::System& system_;
  const shell::CommandLine& commandLine_;
  platform::Form* form_ = nullptr;
  std::unique_ptr<platform::Timer> timer_;
  unsigned idleCalls_ = 0, frames_ = 0;
  int ticks_ = 0;
  std::uint32_t lastFrameTime_ = 0;
};

class DemoHooks : public shell::EntryHooks {
 public:
  bool RunSettingsDialog(platform::Application&, platform::System& system, const shell::CommandLine&) override {
    Log("settings data=%s", system.DataFolder().c_str());
    return true;
  }
  platform::FormEvents& SaverForm(platform::Application& app, platform::System& system,
                                  const shell::CommandLine& commandLine) override {
    form_ = std::make_unique<DemoForm>(app, system, commandLine);
    return *form_;
  }

 private:
  std::unique_ptr<DemoForm> form_;
};

}  // namespace

int main(int argc, char** argv) {
  DemoHooks hooks;
  const int code = shell::Main(std::vector<std::string>(argv + 1, argv + argc), hooks);
  Log("exit %d", code);
  return code;
}
