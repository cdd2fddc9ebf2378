// Fakes of the application-framework and system-services seams for unit tests of the shell:
// every answer is a public field to set, every call is recorded.
//
//   fakes::System       clock (`now`, or the virtual clock of platform::System), platform id,
//                       registry value, password answers (consumed in order), pointer count
//   fakes::Form         a form whose Close() runs the events' close query and close like the real
//                       one, and records bounds, input-method and system-command calls
//   fakes::Timer        ticks only when the test calls Tick(), and only while enabled
//   fakes::Application  records its calls; CreateMainForm hands out a fakes::Form and runs FormCreate;
//                       `timers` lists the live timers it made (the caller owns them)
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"

namespace fakes {

class System : public platform::System {
 public:
  platform::Size screen{1024, 768};
  int cursorCount = 0;
  std::vector<bool> cursorCalls;  // the arguments of ShowCursor, in order
  std::optional<std::uint32_t> platformId = 2;
  std::vector<bool> screenSaverRunning;  // SetScreenSaverRunning calls
  std::optional<std::uint32_t> usePassword;
  std::deque<platform::PasswordAnswer> passwordAnswers;  // NoService once empty
  std::vector<platform::WindowHandle> verifiedWindows;
  bool hasPasswordChange = false;
  std::vector<std::uintptr_t> passwordChanges;
  std::string systemFolder = "C:\\WINDOWS\\SYSTEM\\";
  platform::WindowHandle foreground = nullptr;
  std::vector<std::pair<platform::WindowHandle, bool>> enabled;
  std::vector<std::string> messages;  // "caption|text"
  int messageAnswer = platform::kIdOk;
  std::uint32_t now = 0;  // the real clock's reading

  platform::Size ScreenSize() override { return screen; }
  int ShowCursor(bool show) override {
    cursorCalls.push_back(show);
    return cursorCount += show ? 1 : -1;
  }
  std::optional<std::uint32_t> PlatformId() override { return platformId; }
  void SetScreenSaverRunning(bool running) override { screenSaverRunning.push_back(running); }
  std::optional<std::uint32_t> ScreenSaveUsePassword() override { return usePassword; }
  platform::PasswordAnswer VerifyScreenSavePassword(platform::WindowHandle window) override {
    verifiedWindows.push_back(window);
    if (passwordAnswers.empty()) return platform::PasswordAnswer::NoService;
    const platform::PasswordAnswer a = passwordAnswers.front();
    passwordAnswers.pop_front();
    return a;
  }
  bool ChangeScreenSavePassword(std::uintptr_t parent) override {
    passwordChanges.push_back(parent);
    return hasPasswordChange;
  }
  std::string SystemFolder() override { return systemFolder; }
  platform::WindowHandle ForegroundWindow() override { return foreground; }
  void EnableWindow(platform::WindowHandle window, bool enable) override { enabled.emplace_back(window, enable); }
  int ShowMessageBox(platform::WindowHandle, const std::string& text, const std::string& caption, unsigned) override {
    messages.push_back(caption + "|" + text);
    return messageAnswer;
  }

 protected:
  std::uint32_t PlatformTime() override { return now; }
};

class Form : public platform::Form {
 public:
  explicit Form(platform::FormEvents* events = nullptr) : events_(events) {}
  void SetEvents(platform::FormEvents* events) { events_ = events; }

  platform::WindowHandle handle = reinterpret_cast<platform::WindowHandle>(0x1000);
  bool preview = false;
  bool closed = false;
  int closeRequests = 0;
  platform::Rect bounds, parentRect;
  platform::Size client{1024, 768};
  bool inputMethodDisabled = false;
  std::vector<std::uint32_t> sysCommands;

  platform::WindowHandle Handle() const override { return handle; }
  bool IsPreview() const override { return preview; }
  // The real sequence: query, and when it allows, close (once).
  void Close() override {
    ++closeRequests;
    if (closed || querying_) return;
    querying_ = true;
    const bool allowed = !events_ || events_->FormCloseQuery(*this);
    querying_ = false;
    if (!allowed) return;
    closed = true;
    if (events_) events_->FormClose(*this);
  }
  bool Closed() const override { return closed; }
  void SetBounds(int left, int top, int width, int height) override {
    bounds = platform::Rect{left, top, left + width, top + height};
    client = platform::Size{width, height};
  }
  platform::Rect BoundsRect() const override { return bounds; }
  platform::Size ClientSize() const override { return client; }
  bool ParentScreenRect(platform::Rect& out) const override {
    if (preview) out = parentRect;
    return preview;
  }
  void DisableInputMethod() override { inputMethodDisabled = true; }
  std::intptr_t SendSysCommand(std::uint32_t command) override {
    sysCommands.push_back(command);
    std::intptr_t result = 0;
    if (events_ && events_->FormSysCommand(*this, command & 0xFFF0u, result)) return result;
    if ((command & 0xFFF0u) == platform::kScClose) Close();
    return 0;
  }
  void InjectKeyDown(std::uint16_t key, unsigned shift) override {
    if (events_ && !preview && !closed) events_->FormKeyDown(*this, key, shift);
  }
  void InjectMouseMove(int x, int y) override {
    if (events_ && !preview && !closed) events_->FormMouseMove(*this, 0, x, y);
  }

 private:
  platform::FormEvents* events_;
  bool querying_ = false;
};

class Timer : public platform::Timer {
 public:
  Timer(std::vector<Timer*>& list, std::uint32_t intervalMs, std::function<void()> onTimer)
      : interval(intervalMs), list_(list), onTimer_(std::move(onTimer)) {
    list_.push_back(this);
  }
  ~Timer() override { list_.erase(std::remove(list_.begin(), list_.end(), this), list_.end()); }
  void SetEnabled(bool e) override { enabled = e; }
  bool Enabled() const override { return enabled; }
  void Tick() {
    if (enabled && onTimer_) onTimer_();  // may destroy this timer
  }

  const std::uint32_t interval;
  bool enabled = false;

 private:
  std::vector<Timer*>& list_;
  std::function<void()> onTimer_;
};

class Application : public platform::Application {
 public:
  std::vector<std::string> calls;
  platform::FormParams params;
  bool failCreate = false;
  std::vector<std::uint32_t> waits;
  IdleHandler idle;
  Form form;
  std::vector<Timer*> timers;

  void SetTitle(const std::string& title) override { calls.push_back("title " + title); }
  void HideApplicationWindow() override { calls.push_back("hide"); }
  platform::Form* CreateMainForm(const platform::FormParams& p, platform::FormEvents& events) override {
    calls.push_back("create");
    params = p;
    if (failCreate) return nullptr;
    form.SetEvents(&events);
    form.preview = p.previewParent != 0;
    events.FormCreate(form);
    return &form;
  }
  void SetIdleHandler(IdleHandler handler) override { idle = std::move(handler); }
  int Run() override {
    calls.push_back("run");
    return 0;
  }
  void WaitForInput(std::uint32_t ms) override { waits.push_back(ms); }
  std::unique_ptr<platform::Timer> CreateTimer(std::uint32_t intervalMs, bool enabled,
                                               std::function<void()> onTimer) override {
    auto t = std::make_unique<Timer>(timers, intervalMs, std::move(onTimer));
    t->enabled = enabled;
    return t;
  }
};

}  // namespace fakes
