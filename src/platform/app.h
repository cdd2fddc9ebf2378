// Application-framework seam: one application object with a main form, a message loop that raises
// an idle event whenever the queue is empty, the form's events, and a one-second-style timer.
//
// Supported: one main form per application, full screen (top-most, screen size, borderless, black)
// or preview (a disabled child of a given parent window, the size of the parent; under Wine a
// disabled window of its own laid over the parent's, since Wine does not show what another
// process draws into a child); create / show / close query / close / destroy / key down / mouse
// move / mouse button down / host resize events; WM_SYSCOMMAND through a hook; timers with a
// millisecond interval; a wait for input with a time limit.
// Deliberately missing: more than one form, modal loops of our own, key up, wheel, double clicks,
// painting (Direct3D presents into the window), resizing by the user, menus. (Only Linux reports a
// host's resize: a Windows preview pane keeps its size.)
//
// Windows: a Win32 window class and a PeekMessage loop; the application's own hidden top-level
//          window owns the form and the timers. Handle() is the HWND.
// Linux:   SDL2. Handle() is the `SDL_Window*` (created OpenGL-capable: RGB 8-8-8, 24-bit depth,
//          8-bit stencil, double-buffered), which is the HWND the project's <d3d9.h> expects. With no
//          display (or SDL_VIDEODRIVER=offscreen) the form is a headless window of AppOptions' size.
//          A preview parent is an X11 window id; the form is an X11 child window inside it.
//
// Lifecycle: CreateApplication -> CreateMainForm (FormCreate runs inside, the window exists) ->
// Run (FormShow, the loop, then FormDestroy with the window still alive, then the window goes) ->
// the application is destroyed (FormDestroy runs then if Run never did). When the window is
// destroyed from outside (a preview's parent goes away) or a quit message arrives, the run ends
// with FormClose but no query, and FormDestroy finds Handle() null if the window is gone.
// The application owns the form; the caller owns the FormEvents object, which must outlive the
// application, and every Timer, which must go before it. All calls and events are on one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

using WindowHandle = void*;  // HWND on Windows, SDL_Window* on Linux; cast with static_cast<HWND>

// Windows virtual-key codes (16-bit) as delivered by FormKeyDown on both targets.
namespace vk {
constexpr std::uint16_t kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kControl = 0x11, kMenu = 0x12,
                        kPause = 0x13, kCapital = 0x14, kEscape = 0x1B, kSpace = 0x20, kPrior = 0x21, kNext = 0x22,
                        kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28,
                        kInsert = 0x2D, kDelete = 0x2E, kNumpad0 = 0x60, kNumpad2 = 0x62, kNumpad8 = 0x68, kF1 = 0x70,
                        kNumLock = 0x90,
                        kUnknown = 0xFF;  // a key without a Windows code still arrives, as 0xFF
}  // namespace vk

// Shift state bits of key and mouse events (keys held, buttons held).
enum ShiftBits : unsigned {
  kShiftKey = 1,
  kAltKey = 2,
  kCtrlKey = 4,
  kLeftButton = 8,
  kRightButton = 16,
  kMiddleButton = 32
};
enum class MouseButton { Left, Right, Middle, X1, X2 };

constexpr std::uint32_t kScScreenSave = 0xF140, kScClose = 0xF060;  // WM_SYSCOMMAND commands

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct Size {
  int width = 0, height = 0;
};

class Form;

// Event handlers of a form; the defaults do nothing and allow closing.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void FormCreate(Form&) {}
  virtual void FormShow(Form&) {}
  virtual bool FormCloseQuery(Form&) { return true; }  // false keeps the form open
  virtual void FormClose(Form&) {}
  virtual void FormDestroy(Form&) {}
  virtual void FormKeyDown(Form&, std::uint16_t /*key*/, unsigned /*shift*/) {}   // auto-repeat included
  virtual void FormMouseMove(Form&, unsigned /*shift*/, int /*x*/, int /*y*/) {}  // client pixels
  virtual void FormMouseDown(Form&, MouseButton, unsigned /*shift*/, int /*x*/, int /*y*/) {}
  // The host of a window inside another (a preview, XScreenSaver's --root window) was resized; the
  // form has its new client size already.
  virtual void FormResize(Form&, int /*width*/, int /*height*/) {}
  // WM_SYSCOMMAND (command with its low four bits cleared): return true and set result to answer it
  // here; false passes it on to the default handling (kScClose then closes the form).
  virtual bool FormSysCommand(Form&, std::uint32_t /*command*/, std::intptr_t& /*result*/) { return false; }
};

struct FormParams {
  std::uintptr_t previewParent = 0;  // 0: full screen; else the parent (HWND value / X11 window id)
  bool intoRootWindow = false;       // Linux, XScreenSaver's -root: full screen inside $XSCREENSAVER_WINDOW or the root
  std::string caption;               // Shift-JIS
};

class Form {
 public:
  virtual ~Form() = default;
  virtual WindowHandle Handle() const = 0;
  virtual bool IsPreview() const = 0;
  // An ordinary close request: FormCloseQuery; when it allows, FormClose at once, and the loop ends
  // (FormDestroy follows in Run). Ignored while a close query runs or once closed. Called during
  // FormCreate, Run shows nothing and goes straight to FormDestroy.
  virtual void Close() = 0;
  virtual bool Closed() const = 0;
  virtual void SetBounds(int left, int top, int width, int height) = 0;  // like SetWindowPos, outer size
  virtual Rect BoundsRect() const = 0;                                   // outer rectangle
  virtual Size ClientSize() const = 0;
  virtual bool ParentScreenRect(Rect& out) const = 0;  // preview: the parent's screen rectangle (GetWindowRect)
  virtual void DisableInputMethod() = 0;               // ImmAssociateContext(NULL) / SDL_StopTextInput
  // Sends WM_SYSCOMMAND through the hook and the default handling; returns the answer.
  virtual std::intptr_t SendSysCommand(std::uint32_t command) = 0;
  // Deliver input as if from the user (automation): same filter as real input (none in preview).
  virtual void InjectKeyDown(std::uint16_t key, unsigned shift) = 0;
  virtual void InjectMouseMove(int x, int y) = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;                 // stops it
  virtual void SetEnabled(bool enabled) = 0;  // enabling (re)starts the interval from now
  virtual bool Enabled() const = 0;
};

struct AppOptions {
  int headlessWidth = 1280, headlessHeight = 720;  // Linux headless screen (--size); ignored on Windows
};

class Application {
 public:
  using IdleHandler = std::function<void(bool& done)>;  // done starts true; false = call again at once

  virtual ~Application() = default;
  virtual void SetTitle(const std::string& title) = 0;  // Shift-JIS
  virtual void HideApplicationWindow() = 0;             // ShowWindow(application window, SW_HIDE)
  // Creates the main form and runs FormCreate. Null (with a line on stderr) when the window cannot
  // be created, e.g. a preview parent that does not exist. At most one main form.
  virtual Form* CreateMainForm(const FormParams& params, FormEvents& events) = 0;
  virtual void SetIdleHandler(IdleHandler handler) = 0;
  // Shows the main form (FormShow), runs the loop until it closes, then FormDestroy and the window
  // is destroyed. Returns the process exit code (0). Without a main form returns 1 at once.
  virtual int Run() = 0;
  // Blocks until a message is waiting or timeoutMs (real time) has passed; dispatches nothing.
  virtual void WaitForInput(std::uint32_t timeoutMs) = 0;
  // A timer of intervalMs milliseconds whose ticks arrive as messages of the loop, on this thread.
  virtual std::unique_ptr<Timer> CreateTimer(std::uint32_t intervalMs, bool enabled, std::function<void()> onTimer) = 0;
};

std::unique_ptr<Application> CreateApplication(const AppOptions& options = {});

}  // namespace platform
