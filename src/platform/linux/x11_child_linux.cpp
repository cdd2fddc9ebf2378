#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/linux/x11_child.h"

namespace platform::x11 {

namespace {

// Xlib reports errors through one process-wide handler; a trap counts them for one call sequence.
int g_trappedErrors = 0;
int CountError(Display*, XErrorEvent*) {
  ++g_trappedErrors;
  return 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) : display_(d) {
    XSync(display_, False);
    g_trappedErrors = 0;
    old_ = XSetErrorHandler(CountError);
  }
  ~ErrorTrap() { XSetErrorHandler(old_); }
  bool Failed() {
    XSync(display_, False);
    return g_trappedErrors != 0;
  }

 private:
  Display* display_;
  XErrorHandler old_;
};

Display* Dpy(void* p) { return static_cast<Display*>(p); }

std::string Hex(std::uintptr_t id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(id));
  return text;
}

// While a child window lives, drawing into it may race with its parent going away (the preview's
// host quits while a frame is presented through SDL's connection): those errors are ignored
// instead of ending the process through Xlib's default handler; others go to the old handler.
// GLX reports a drawable that went with its window as its own error (GLXBadDrawable on
// glXSwapBuffers): the extension's opcode and first error, read when the child is made, tell it.
XErrorHandler g_beforeChild = nullptr;
int g_glxOpcode = -1, g_glxFirstError = 0;
constexpr int kGlxBadDrawable = 2, kGlxBadCurrentWindow = 5, kGlxBadWindow = 12;  // the GLX protocol's numbers
int IgnoreGoneWindows(Display* d, XErrorEvent* e) {
  if (e->error_code == BadWindow || e->error_code == BadDrawable) return 0;
  if (g_glxOpcode >= 0 && e->request_code == g_glxOpcode &&
      (e->error_code == g_glxFirstError + kGlxBadDrawable || e->error_code == g_glxFirstError + kGlxBadWindow ||
       e->error_code == g_glxFirstError + kGlxBadCurrentWindow))
    return 0;
  return g_beforeChild ? g_beforeChild(d, e) : 0;
}

}  // namespace

std::unique_ptr<ChildWindow> ChildWindow::Create(std::uintptr_t parent, std::string& error) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    error = "cannot open the X display";
    return nullptr;
  }
  std::unique_ptr<ChildWindow> w(new ChildWindow());
  w->display_ = d;
  w->parent_ = parent;
  int firstEvent = 0;
  if (!XQueryExtension(d, "GLX", &g_glxOpcode, &firstEvent, &g_glxFirstError)) g_glxOpcode = -1;
  g_beforeChild = XSetErrorHandler(IgnoreGoneWindows);
  ErrorTrap trap(d);
  XWindowAttributes attr{};
  const Status ok = XGetWindowAttributes(d, static_cast<Window>(parent), &attr);
  if (trap.Failed() || !ok) {
    error = "cannot start: no X11 window " + Hex(parent);
    return nullptr;  // the destructor closes the connection
  }
  XSetWindowAttributes set{};
  set.background_pixel = BlackPixel(d, XScreenNumberOfScreen(attr.screen));
  set.event_mask = StructureNotifyMask;
  const Window child = XCreateWindow(d, static_cast<Window>(parent), 0, 0, static_cast<unsigned>(attr.width),
                                     static_cast<unsigned>(attr.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                     CWBackPixel | CWEventMask, &set);
  if (trap.Failed() || child == 0) {
    error = "cannot start: cannot create a window inside X11 window " + Hex(parent);
    return nullptr;
  }
  w->child_ = child;
  // Structure events of the parent too, so that its destruction ends the run.
  XSelectInput(d, static_cast<Window>(parent), StructureNotifyMask);
  XMapWindow(d, child);
  if (trap.Failed()) {
    error = "cannot start: cannot show a window inside X11 window " + Hex(parent);
    return nullptr;
  }
  w->size_ = Size{attr.width, attr.height};
  return w;
}

ChildWindow::~ChildWindow() {
  Display* d = Dpy(display_);
  if (!d) return;
  {
    ErrorTrap trap(d);
    if (child_ && !destroyed_) XDestroyWindow(d, static_cast<Window>(child_));
    trap.Failed();  // a parent that is already gone took the child with it
  }
  XSetErrorHandler(g_beforeChild);
  XCloseDisplay(d);
}

bool ChildWindow::ParentScreenRect(Rect& out) const {
  Display* d = Dpy(display_);
  ErrorTrap trap(d);
  XWindowAttributes attr{};
  if (!XGetWindowAttributes(d, static_cast<Window>(parent_), &attr) || trap.Failed()) return false;
  int x = 0, y = 0;
  Window unused = 0;
  XTranslateCoordinates(d, static_cast<Window>(parent_), attr.root, 0, 0, &x, &y, &unused);
  if (trap.Failed()) return false;
  out = Rect{x, y, x + attr.width, y + attr.height};
  return true;
}

bool ChildWindow::HasPendingEvents() const { return XPending(Dpy(display_)) > 0; }

ChildWindow::Events ChildWindow::Poll() {
  Display* d = Dpy(display_);
  Events out;
  while (XPending(d) > 0) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == DestroyNotify && (e.xdestroywindow.window == static_cast<Window>(child_) ||
                                    e.xdestroywindow.window == static_cast<Window>(parent_)))
      destroyed_ = true;
    // The host was resized (a preview pane, or XScreenSaver's window after a monitor change).
    if (e.type == ConfigureNotify && e.xconfigure.window == static_cast<Window>(parent_) && e.xconfigure.width > 0 &&
        e.xconfigure.height > 0 && (e.xconfigure.width != size_.width || e.xconfigure.height != size_.height)) {
      size_ = Size{e.xconfigure.width, e.xconfigure.height};
      out.resized = true;
    }
  }
  if (out.resized && !destroyed_) {
    ErrorTrap trap(d);
    XResizeWindow(d, static_cast<Window>(child_), static_cast<unsigned>(size_.width),
                  static_cast<unsigned>(size_.height));
    out.resized = !trap.Failed();
  }
  out.destroyed = destroyed_;
  out.size = size_;
  return out;
}

std::uintptr_t RootHostWindow() {
  if (const char* env = std::getenv("XSCREENSAVER_WINDOW"); env && *env) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long id = std::strtoull(env, &end, 0);
    if (errno == 0 && end != env && *end == '\0' && id != 0 && id <= 0xFFFFFFFFULL)
      return static_cast<std::uintptr_t>(id);
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 0;
  const std::uintptr_t root = static_cast<std::uintptr_t>(DefaultRootWindow(d));
  XCloseDisplay(d);
  return root;
}

}  // namespace platform::x11
