// The application framework on Win32: the application's own hidden top-level window (owner of
// the form and of the timers), one form window and a PeekMessage loop that raises the idle event
// whenever the queue is empty.
#include <windows.h>
#include <windowsx.h>
#include <imm.h>
#include <mmsystem.h>

#include <cstdio>
#include <map>

#include "platform/app.h"
#include "platform/form_close.h"
#include "platform/form_loop.h"

namespace platform {

namespace {

constexpr char kAppClass[] = "KestorApplication";
constexpr char kFormClass[] = "KestorForm";
constexpr char kPreviewClass[] = "KestorPreviewForm";
constexpr UINT_PTR kHostWatchTimer = 1;
constexpr UINT kHostWatchMs = 100;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

unsigned ShiftNow() {
  unsigned s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= kShiftKey;
  if (GetKeyState(VK_MENU) < 0) s |= kAltKey;
  if (GetKeyState(VK_CONTROL) < 0) s |= kCtrlKey;
  if (GetKeyState(VK_LBUTTON) < 0) s |= kLeftButton;
  if (GetKeyState(VK_RBUTTON) < 0) s |= kRightButton;
  if (GetKeyState(VK_MBUTTON) < 0) s |= kMiddleButton;
  return s;
}

class Win32Application;

class Win32Timer final : public Timer {
 public:
  Win32Timer(Win32Application& app, UINT_PTR id, std::uint32_t intervalMs, std::function<void()> onTimer)
      : app_(app), id_(id), interval_(intervalMs), onTimer_(std::move(onTimer)) {}
  ~Win32Timer() override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  void Fire() {
    if (onTimer_) onTimer_();
  }

 private:
  Win32Application& app_;
  UINT_PTR id_;
  std::uint32_t interval_;
  std::function<void()> onTimer_;
  bool enabled_ = false;
};

class Win32Form final : public Form {
 public:
  Win32Form(FormEvents& events, bool preview) : events_(events), preview_(preview) {}

  bool Create(const FormParams& params, HWND owner) {
    const char* cls = preview_ ? kPreviewClass : kFormClass;
    if (preview_) {
      parent_ = reinterpret_cast<HWND>(params.previewParent);
      RECT r{};
      if (!IsWindow(parent_) || !GetWindowRect(parent_, &r)) {
        std::fprintf(stderr, "corvane_kestor: no window %lu for the preview\n",
                     static_cast<unsigned long>(params.previewParent));
        return false;
      }
      const int width = r.right - r.left, height = r.bottom - r.top;
      if (RunningUnderWine()) {
        // Under Wine nothing drawn into a child of another process's window reaches the screen,
        // neither Direct3D nor GDI: the child's pixels belong to that process's window surface.
        // The preview is then a window of its own over the host's client area, owned by the
        // host's window, so that it stays above it; WatchHost keeps it in place.
        POINT at{0, 0};
        ClientToScreen(parent_, &at);
        overHost_ = true;
        hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kFormClass, params.caption.c_str(),
                                WS_POPUP | WS_DISABLED, at.x, at.y, width, height, parent_, nullptr, Instance(), this);
        if (hwnd_) {
          ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
          SetTimer(hwnd_, kHostWatchTimer, kHostWatchMs, nullptr);
        }
      } else {
        hwnd_ = CreateWindowExA(0, cls, params.caption.c_str(), WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, width,
                                height, parent_, nullptr, Instance(), this);
      }
    } else {
      hwnd_ = CreateWindowExA(WS_EX_TOPMOST, cls, params.caption.c_str(), WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), owner, nullptr,
                              Instance(), this);
    }
    if (!hwnd_) std::fprintf(stderr, "corvane_kestor: CreateWindowEx failed (%lu)\n", GetLastError());
    return hwnd_ != nullptr;
  }

  WindowHandle Handle() const override { return hwnd_; }
  bool IsPreview() const override { return preview_; }
  void Close() override { close_.Request(*this, events_); }
  bool Closed() const override { return close_.Closed(); }

  void SetBounds(int left, int top, int width, int height) override {
    if (!hwnd_) return;
    POINT at{left, top};  // a preview's bounds are in its host's client coordinates
    if (overHost_) {
      inHost_ = at;
      ClientToScreen(parent_, &at);
    }
    SetWindowPos(hwnd_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  Rect BoundsRect() const override {
    RECT r{};
    if (!hwnd_ || !GetWindowRect(hwnd_, &r)) return {};
    if (preview_) MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
  }

  Size ClientSize() const override {
    RECT r{};
    if (!hwnd_ || !GetClientRect(hwnd_, &r)) return {};
    return Size{r.right - r.left, r.bottom - r.top};
  }

  bool ParentScreenRect(Rect& out) const override {
    RECT r{};
    if (!preview_ || !GetWindowRect(parent_, &r)) return false;
    out = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }

  void DisableInputMethod() override {
    if (hwnd_) ImmAssociateContext(hwnd_, nullptr);
  }

  std::intptr_t SendSysCommand(std::uint32_t command) override {
    if (!hwnd_) return 0;
    return static_cast<std::intptr_t>(SendMessageA(hwnd_, WM_SYSCOMMAND, command, 0));
  }

  void InjectKeyDown(std::uint16_t key, unsigned shift) override {
    if (AcceptsInput()) events_.FormKeyDown(*this, key, shift);
  }
  void InjectMouseMove(int x, int y) override {
    if (AcceptsInput()) events_.FormMouseMove(*this, ShiftNow(), x, y);
  }

  // Loop side.
  void Show() {
    if (!preview_) {
      ShowWindow(hwnd_, SW_SHOW);
      SetForegroundWindow(hwnd_);
      SetFocus(hwnd_);
    }
    events_.FormShow(*this);
  }

  // A quit message: the run ends without a query.
  void ForceClose() { close_.Force(*this, events_); }

  void Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    events_.FormDestroy(*this);
    if (hwnd_) {
      ownDestroy_ = true;
      DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->OnMessage(hwnd, msg, wp, lp);
  }

 private:
  bool AcceptsInput() const { return !preview_ && !Closed(); }

  // A preview over its host's window follows that window, hides with it and ends when it goes:
  // Wine does not destroy an owned window of another process with its owner.
  void WatchHost() {
    if (!IsWindow(parent_)) {
      close_.Force(*this, events_);
      return;
    }
    POINT at = inHost_;
    ClientToScreen(parent_, &at);
    RECT r{};
    if (GetWindowRect(hwnd_, &r) && (r.left != at.x || r.top != at.y))
      SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const bool shown = IsWindowVisible(parent_) != FALSE;
    if (shown != (IsWindowVisible(hwnd_) != FALSE)) ShowWindow(hwnd_, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
  }

  MouseButton ButtonOf(UINT msg, WPARAM wp) const {
    switch (msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: return MouseButton::Left;
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK: return MouseButton::Right;
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK: return MouseButton::Middle;
      default: return GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? MouseButton::X1 : MouseButton::X2;
    }
  }

  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_KEYDOWN:
        if (AcceptsInput()) events_.FormKeyDown(*this, static_cast<std::uint16_t>(wp), ShiftNow());
        return 0;
      case WM_SYSKEYDOWN:  // Alt and F10 arrive here; the default handling follows (Alt+F4)
        if (AcceptsInput())
          events_.FormKeyDown(*this, static_cast<std::uint16_t>(wp), ShiftNow() | kAltKey * ((lp >> 29) & 1));
        break;
      case WM_MOUSEMOVE:
        if (AcceptsInput()) events_.FormMouseMove(*this, ShiftNow(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_XBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDBLCLK:
      case WM_XBUTTONDBLCLK:
        if (AcceptsInput())
          events_.FormMouseDown(*this, ButtonOf(msg, wp), ShiftNow(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return msg == WM_XBUTTONDOWN || msg == WM_XBUTTONDBLCLK ? TRUE : 0;
      case WM_SYSCOMMAND: {
        std::intptr_t result = 0;
        if (events_.FormSysCommand(*this, static_cast<std::uint32_t>(wp) & 0xFFF0u, result))
          return static_cast<LRESULT>(result);
        break;
      }
      case WM_TIMER:
        if (wp != kHostWatchTimer) break;
        WatchHost();
        return 0;
      case WM_CLOSE: Close(); return 0;
      case WM_DESTROY:
        // Destroyed by someone else (the preview's parent went away): the run ends.
        if (!ownDestroy_) {
          close_.Force(*this, events_);
          hwnd_ = nullptr;
        }
        return 0;
      case WM_NCDESTROY: SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0); break;
      default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  FormEvents& events_;
  bool preview_;
  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
  bool overHost_ = false;  // a preview laid over its host's window, not inside it (Wine)
  POINT inHost_{0, 0};     // where, in the host's client coordinates
  CloseState close_;
  bool destroyed_ = false, ownDestroy_ = false;
};

class Win32Application final : public Application {
 public:
  Win32Application() {
    timeBeginPeriod(1);  // waits for the next frame wake up on time
    WNDCLASSA app{};
    app.lpfnWndProc = AppProc;
    app.hInstance = Instance();
    app.lpszClassName = kAppClass;
    RegisterClassA(&app);
    WNDCLASSA form{};
    form.style = CS_DBLCLKS;
    form.lpfnWndProc = Win32Form::Proc;
    form.hInstance = Instance();
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    form.lpszClassName = kFormClass;
    RegisterClassA(&form);
    form.style = CS_PARENTDC;
    form.lpszClassName = kPreviewClass;
    RegisterClassA(&form);
    appWnd_ = CreateWindowExA(0, kAppClass, "", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              0, 0, 0, 0, nullptr, nullptr, Instance(), this);
  }

  ~Win32Application() override {
    if (form_) form_->Destroy();
    form_.reset();
    if (appWnd_) DestroyWindow(appWnd_);
    timeEndPeriod(1);
  }

  void SetTitle(const std::string& title) override {
    if (appWnd_) SetWindowTextA(appWnd_, title.c_str());
  }
  void HideApplicationWindow() override {
    if (appWnd_) ShowWindow(appWnd_, SW_HIDE);
  }

  Form* CreateMainForm(const FormParams& params, FormEvents& events) override {
    if (form_) {
      std::fprintf(stderr, "corvane_kestor: the application has a main form already\n");
      return nullptr;
    }
    auto form = std::make_unique<Win32Form>(events, params.previewParent != 0);
    if (!form->Create(params, appWnd_)) return nullptr;
    form_ = std::move(form);
    events.FormCreate(*form_);
    return form_.get();
  }

  void SetIdleHandler(IdleHandler handler) override { idle_ = std::move(handler); }

  int Run() override {
    // A quit message closes the form without a query, which ends the loop.
    const auto handleOneMessage = [this] {
      MSG msg;
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
      if (msg.message == WM_QUIT) {
        form_->ForceClose();
        return true;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      return true;
    };
    return RunFormLoop(form_.get(), idle_, handleOneMessage, [] { WaitMessage(); });
  }

  void WaitForInput(std::uint32_t timeoutMs) override {
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }

  std::unique_ptr<Timer> CreateTimer(std::uint32_t intervalMs, bool enabled, std::function<void()> onTimer) override {
    const UINT_PTR id = nextTimerId_++;
    auto t = std::make_unique<Win32Timer>(*this, id, intervalMs, std::move(onTimer));
    timers_[id] = t.get();
    t->SetEnabled(enabled);
    return t;
  }

  HWND AppWindow() const { return appWnd_; }
  void Forget(UINT_PTR id) { timers_.erase(id); }

 private:
  static LRESULT CALLBACK AppProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* self = static_cast<Win32Application*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Application*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_TIMER) {
      const auto it = self->timers_.find(static_cast<UINT_PTR>(wp));
      if (it != self->timers_.end()) it->second->Fire();
      return 0;
    }
    if (self && msg == WM_CLOSE) {  // closing the application window closes the main form
      if (self->form_) self->form_->Close();
      return 0;
    }
    if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  HWND appWnd_ = nullptr;
  std::unique_ptr<Win32Form> form_;
  IdleHandler idle_;
  std::map<UINT_PTR, Win32Timer*> timers_;
  UINT_PTR nextTimerId_ = 1;
};

Win32Timer::~Win32Timer() {
  if (enabled_) KillTimer(app_.AppWindow(), id_);
  app_.Forget(id_);
}

void Win32Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (enabled) {
    SetTimer(app_.AppWindow(), id_, interval_, nullptr);  // (re)starts the interval
  } else {
    KillTimer(app_.AppWindow(), id_);
  }
}

}  // namespace

std::unique_ptr<Application> CreateApplication(const AppOptions&) { return std::make_unique<Win32Application>(); }

}  // namespace platform
