// The application framework on SDL2. One loop iteration handles one message (a due timer tick or
// an SDL event) or, when there is none, raises the idle event, as the Windows loop does.
#include <SDL.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <climits>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/app.h"
#include "platform/form_close.h"
#include "platform/form_loop.h"
#include "platform/linux/keymap.h"
#include "platform/linux/sdl_video.h"
#include "platform/linux/x11_child.h"
#include "platform/linux/x11_watch.h"
#include "platform/sjis.h"

namespace platform {

namespace x11 {

namespace {
std::vector<Watch*>& Watches() {
  static std::vector<Watch*> watches;
  return watches;
}
}  // namespace

void AddWatch(Watch* watch) { Watches().push_back(watch); }
void RemoveWatch(Watch* watch) {
  auto& w = Watches();
  w.erase(std::remove(w.begin(), w.end(), watch), w.end());
}

}  // namespace x11

namespace {

bool WatchesWantPolling() {
  for (const x11::Watch* w : x11::Watches()) {
    if (w->WantsPolling()) return true;
  }
  return false;
}

bool WatchesHavePendingEvents() {
  for (x11::Watch* w : x11::Watches()) {
    if (w->HasPendingEvents()) return true;
  }
  return false;
}

// Handling may add or remove watches: a copy is walked.
bool HandleWatchEvents() {
  bool handled = false;
  const std::vector<x11::Watch*> watches = x11::Watches();
  for (x11::Watch* w : watches) handled = w->HandlePendingEvents() || handled;
  return handled;
}

// Set by the SIGHUP handler, read by the loop.
volatile std::sig_atomic_t g_hangup = 0;

std::uint64_t NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class LinuxApplication;

class LinuxTimer final : public Timer {
 public:
  LinuxTimer(LinuxApplication& app, std::uint32_t intervalMs, std::function<void()> onTimer);
  ~LinuxTimer() override;
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    if (enabled) due_ = NowMs() + interval_;
  }
  bool Enabled() const override { return enabled_; }

  std::uint64_t Due() const { return due_; }
  void Fire(std::uint64_t now) {
    due_ = now + interval_;
    if (onTimer_) onTimer_();  // may destroy this timer: nothing after this line
  }

 private:
  LinuxApplication& app_;
  std::uint64_t interval_;
  std::function<void()> onTimer_;
  bool enabled_ = false;
  std::uint64_t due_ = 0;
};

class LinuxForm final : public Form {
 public:
  LinuxForm(FormEvents& events, SDL_Window* window, std::unique_ptr<x11::ChildWindow> child, bool preview)
      : events_(events), window_(window), child_(std::move(child)), preview_(preview) {}

  WindowHandle Handle() const override { return window_; }
  bool IsPreview() const override { return preview_; }
  void Close() override { close_.Request(*this, events_); }
  bool Closed() const override { return close_.Closed(); }

  void SetBounds(int left, int top, int width, int height) override {
    // A window inside a host (a preview, XScreenSaver's window) keeps the host's place and size.
    if (!window_ || child_) return;
    SDL_SetWindowPosition(window_, left, top);
    if (width > 0 && height > 0) SDL_SetWindowSize(window_, width, height);
  }

  Rect BoundsRect() const override {
    if (!window_) return {};
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    return Rect{x, y, x + w, y + h};
  }

  Size ClientSize() const override {
    Size s;
    if (window_) SDL_GetWindowSize(window_, &s.width, &s.height);
    return s;
  }

  bool ParentScreenRect(Rect& out) const override { return preview_ && child_ && child_->ParentScreenRect(out); }
  void DisableInputMethod() override { SDL_StopTextInput(); }

  std::intptr_t SendSysCommand(std::uint32_t command) override {
    const std::uint32_t cmd = command & 0xFFF0u;
    std::intptr_t result = 0;
    if (events_.FormSysCommand(*this, cmd, result)) return result;
    if (cmd == kScClose) Close();
    return 0;
  }

  void InjectKeyDown(std::uint16_t key, unsigned shift) override {
    if (AcceptsInput()) events_.FormKeyDown(*this, key, shift);
  }
  void InjectMouseMove(int x, int y) override {
    if (AcceptsInput()) events_.FormMouseMove(*this, keymap::ShiftState(SDL_GetModState(), 0), x, y);
  }

  // Loop side.
  void Show() {
    if (window_) SDL_ShowWindow(window_);
    events_.FormShow(*this);
  }

  void Dispatch(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT: Close(); return;
      case SDL_WINDOWEVENT:
        if (Ours(e.window.windowID) && e.window.event == SDL_WINDOWEVENT_CLOSE) Close();
        return;
      case SDL_KEYDOWN:
        if (Ours(e.key.windowID) && AcceptsInput())
          events_.FormKeyDown(*this, keymap::VirtualKey(e.key.keysym),
                              keymap::ShiftState(e.key.keysym.mod, SDL_GetMouseState(nullptr, nullptr)));
        return;
      case SDL_MOUSEMOTION:
        if (Ours(e.motion.windowID) && AcceptsInput() && e.motion.which != SDL_TOUCH_MOUSEID)
          events_.FormMouseMove(*this, keymap::ShiftState(SDL_GetModState(), e.motion.state), e.motion.x, e.motion.y);
        return;
      case SDL_MOUSEBUTTONDOWN:
        if (Ours(e.button.windowID) && AcceptsInput()) {
          MouseButton b = MouseButton::Left;
          switch (e.button.button) {
            case SDL_BUTTON_LEFT: b = MouseButton::Left; break;
            case SDL_BUTTON_RIGHT: b = MouseButton::Right; break;
            case SDL_BUTTON_MIDDLE: b = MouseButton::Middle; break;
            case SDL_BUTTON_X1: b = MouseButton::X1; break;
            default: b = MouseButton::X2; break;
          }
          events_.FormMouseDown(*this, b, keymap::ShiftState(SDL_GetModState(), SDL_GetMouseState(nullptr, nullptr)),
                                e.button.x, e.button.y);
        }
        return;
      default: return;
    }
  }

  bool HasChildEvents() const { return child_ && child_->HasPendingEvents(); }
  bool HasChild() const { return child_ != nullptr; }

  // The child window's own events: destroyed by someone else (or with its parent), the run ends
  // without a query; the host resized, the form follows it and says so.
  bool CheckChild() {
    if (!child_ || Closed()) return false;
    const x11::ChildWindow::Events e = child_->Poll();
    if (e.destroyed) {
      close_.Force(*this, events_);
      return true;
    }
    if (!e.resized) return false;
    if (window_) SDL_SetWindowSize(window_, e.size.width, e.size.height);
    if (!preview_) sdlvideo::SetHostScreen(e.size);
    events_.FormResize(*this, e.size.width, e.size.height);
    return true;
  }

  void Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    events_.FormDestroy(*this);
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    child_.reset();
  }

 private:
  bool Ours(Uint32 windowId) const { return window_ && windowId == SDL_GetWindowID(window_); }
  bool AcceptsInput() const { return !preview_ && !Closed(); }

  FormEvents& events_;
  SDL_Window* window_;
  std::unique_ptr<x11::ChildWindow> child_;
  bool preview_;
  CloseState close_;
  bool destroyed_ = false;
};

class LinuxApplication final : public Application {
 public:
  explicit LinuxApplication(const AppOptions& options) {
    sdlvideo::SetHeadlessSize(options.headlessWidth, options.headlessHeight);
    // A hang-up (the terminal or session goes away) closes the run like SIGTERM does through SDL:
    // the normal close, so that the viewpoint is saved. An ignored SIGHUP (nohup) stays ignored.
    struct sigaction old {};
    if (sigaction(SIGHUP, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
      struct sigaction hup {};
      hup.sa_handler = [](int) { g_hangup = 1; };
      sigemptyset(&hup.sa_mask);
      if (sigaction(SIGHUP, &hup, &oldHangup_) == 0) hangupInstalled_ = true;
    }
  }

  ~LinuxApplication() override {
    if (form_) form_->Destroy();
    form_.reset();
    if (hangupInstalled_) sigaction(SIGHUP, &oldHangup_, nullptr);
  }

  void SetTitle(const std::string& title) override {
    title_ = title;
    if (form_ && form_->Handle() && caption_.empty())
      SDL_SetWindowTitle(static_cast<SDL_Window*>(form_->Handle()), sjis::ToUtf8(title_).c_str());
  }

  void HideApplicationWindow() override {}  // there is no separate application window here

  Form* CreateMainForm(const FormParams& params, FormEvents& events) override {
    if (form_) {
      std::fprintf(stderr, "corvane_kestor: the application has a main form already\n");
      return nullptr;
    }
    if (!sdlvideo::Ensure()) return nullptr;
    video_ = true;
    caption_ = params.caption;
    const std::string title = sjis::ToUtf8(caption_.empty() ? title_ : caption_);

    // The visual is fixed when the window is made; Direct3D's back buffer and depth need these.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    SDL_Window* window = nullptr;
    std::unique_ptr<x11::ChildWindow> child;
    const bool preview = params.previewParent != 0;
    if (preview || params.intoRootWindow) {
      if (sdlvideo::Headless()) {
        std::fprintf(stderr, "corvane_kestor: drawing into another window needs an X11 display\n");
        return nullptr;
      }
      const std::uintptr_t host = preview ? params.previewParent : x11::RootHostWindow();
      std::string error;
      child = x11::ChildWindow::Create(host, error);
      if (!child) {
        std::fprintf(stderr, "corvane_kestor: %s\n", error.c_str());
        return nullptr;
      }
      // The host's size is the screen of a --root run (XScreenSaver gives each monitor a window).
      if (!preview) sdlvideo::SetHostScreen(child->CurrentSize());
      SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
      window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(child->Id()));
      if (window) SDL_SetWindowTitle(window, title.c_str());
    } else {
      Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
      Size size = sdlvideo::ScreenSize();
      if (!sdlvideo::Headless())
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP;
      window = SDL_CreateWindow(title.c_str(), 0, 0, size.width, size.height, flags);
    }
    if (!window) {
      // Without OpenGL there is no Direct3D device to draw with: nothing to start.
      std::fprintf(stderr, "corvane_kestor: cannot start: no OpenGL window on this display (%s)\n", SDL_GetError());
      return nullptr;
    }
    form_ = std::make_unique<LinuxForm>(events, window, std::move(child), preview);
    events.FormCreate(*form_);
    return form_.get();
  }

  void SetIdleHandler(IdleHandler handler) override { idle_ = std::move(handler); }

  int Run() override {
    return RunFormLoop(
        form_.get(), idle_, [this] { return HandleOneMessage(); }, [this] { WaitForInput(UINT32_MAX); });
  }

  void WaitForInput(std::uint32_t timeoutMs) override {
    const std::uint64_t end = NowMs() + timeoutMs;
    for (;;) {
      if (MessageWaiting()) return;
      const std::uint64_t now = NowMs();
      if (now >= end) return;
      std::uint64_t slice = end - now;
      if (const LinuxTimer* t = NextTimer()) slice = std::min(slice, t->Due() > now ? t->Due() - now : 0);
      if ((form_ && form_->HasChild()) || WatchesWantPolling())
        slice = std::min<std::uint64_t>(slice, 50);  // own connections
      const int ms = static_cast<int>(std::min<std::uint64_t>(slice, INT_MAX));
      if (video_) {
        SDL_WaitEventTimeout(nullptr, ms);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      }
    }
  }

  std::unique_ptr<Timer> CreateTimer(std::uint32_t intervalMs, bool enabled, std::function<void()> onTimer) override {
    auto t = std::make_unique<LinuxTimer>(*this, intervalMs, std::move(onTimer));
    t->SetEnabled(enabled);
    return t;
  }

  void Register(LinuxTimer* t) { timers_.push_back(t); }
  void Unregister(LinuxTimer* t) { timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end()); }

 private:
  LinuxTimer* NextTimer() const {
    LinuxTimer* next = nullptr;
    for (LinuxTimer* t : timers_)
      if (t->Enabled() && (!next || t->Due() < next->Due())) next = t;
    return next;
  }

  bool MessageWaiting() {
    if (g_hangup != 0) return true;
    if (const LinuxTimer* t = NextTimer(); t && t->Due() <= NowMs()) return true;
    if (form_ && form_->HasChildEvents()) return true;
    if (WatchesHavePendingEvents()) return true;
    if (!video_) return false;
    SDL_PumpEvents();
    return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE;
  }

  // One message: a due timer tick, the child window's destruction or resize, a request on another
  // connection, a hang-up, or one SDL event.
  bool HandleOneMessage() {
    const std::uint64_t now = NowMs();
    if (LinuxTimer* next = NextTimer(); next && next->Due() <= now) {
      next->Fire(now);
      return true;
    }
    if (form_->CheckChild()) return true;
    if (HandleWatchEvents()) return true;
    if (g_hangup != 0) {
      g_hangup = 0;
      form_->Close();
      return true;
    }
    SDL_Event e;
    if (video_ && SDL_PollEvent(&e)) {
      form_->Dispatch(e);
      return true;
    }
    return false;
  }

  std::unique_ptr<LinuxForm> form_;
  IdleHandler idle_;
  std::vector<LinuxTimer*> timers_;
  std::string title_, caption_;
  bool video_ = false;
  struct sigaction oldHangup_ {};
  bool hangupInstalled_ = false;
};

LinuxTimer::LinuxTimer(LinuxApplication& app, std::uint32_t intervalMs, std::function<void()> onTimer)
    : app_(app),
      interval_(std::max<std::uint32_t>(intervalMs, 10)),
      onTimer_(std::move(onTimer)) {  // USER_TIMER_MINIMUM
  app_.Register(this);
}

LinuxTimer::~LinuxTimer() { app_.Unregister(this); }

}  // namespace

std::unique_ptr<Application> CreateApplication(const AppOptions& options) {
  return std::make_unique<LinuxApplication>(options);
}

}  // namespace platform
