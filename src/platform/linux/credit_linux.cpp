// The credit window on X11: a fixed-size dialog-type window whose background pixmap is the
// picture. The X server repaints it by itself, so the window needs no drawing events and works
// inside the screen-saver window's SDL loop as well as anywhere else. It never takes the keyboard
// (input hint False, no focus when mapped), and its close box only hides it: the window manager's
// WM_DELETE_WINDOW arrives on the credit windows' own connection, which the application's loop
// reads through an x11::Watch (a window manager kills a client whose window lacks the protocol,
// and a killed connection would end the process). One display connection serves all credit
// windows of the process.
#include "platform/dialogs.h"  // before Xlib, whose macros (Button1 ...) would break its names

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/linux/x11_watch.h"

namespace platform {

namespace {

class X11CreditView;

// The shared connection, opened by the first window and closed with the last, and read by the
// application's loop for the window manager's close requests.
class Connection final : public x11::Watch {
 public:
  Display* Acquire() {
    if (!display_) {
      display_ = XOpenDisplay(nullptr);
      if (!display_) return nullptr;
      protocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
      deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
      x11::AddWatch(this);
    }
    ++users_;
    return display_;
  }
  void Release() {
    if (--users_ == 0 && display_) {
      x11::RemoveWatch(this);
      XCloseDisplay(display_);
      display_ = nullptr;
    }
  }
  Atom DeleteWindowAtom() const { return deleteWindow_; }
  void Add(X11CreditView* v) { views_.push_back(v); }
  void Remove(X11CreditView* v) { views_.erase(std::remove(views_.begin(), views_.end(), v), views_.end()); }

  bool WantsPolling() const override;
  bool HasPendingEvents() override { return display_ && XPending(display_) > 0; }
  bool HandlePendingEvents() override;

 private:
  Display* display_ = nullptr;
  int users_ = 0;
  Atom protocols_ = 0, deleteWindow_ = 0;
  std::vector<X11CreditView*> views_;
};

Connection& Shared() {
  static Connection c;
  return c;
}

unsigned long Pixel(Display* d, std::uint32_t rgb) {
  XColor c{};
  c.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
  c.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
  c.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
  c.flags = DoRed | DoGreen | DoBlue;
  if (!XAllocColor(d, DefaultColormap(d, DefaultScreen(d)), &c))
    return rgb ? WhitePixel(d, DefaultScreen(d)) : BlackPixel(d, DefaultScreen(d));
  return c.pixel;
}

// The X11 window of an SDL window, or 0.
Window OwnerWindow(WindowHandle owner) {
  if (!owner) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(static_cast<SDL_Window*>(owner), &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

class X11CreditView final : public CreditView {
 public:
  X11CreditView(Display* d, WindowHandle owner, const TwoColourPicture& p) : d_(d) {
    const int screen = DefaultScreen(d_);
    const Window root = RootWindow(d_, screen);
    const int depth = DefaultDepth(d_, screen);
    const int w = p.width > 0 ? p.width : 1, h = p.height > 0 ? p.height : 1;

    // The picture as a pixmap of the screen's depth.
    pixmap_ = XCreatePixmap(d_, root, static_cast<unsigned>(w), static_cast<unsigned>(h), static_cast<unsigned>(depth));
    XImage* image = XCreateImage(d_, DefaultVisual(d_, screen), static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
    if (image) {
      image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line) * h, 1));
      const unsigned long colours[2] = {Pixel(d_, p.colour0), Pixel(d_, p.colour1)};
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * w + x;
          const bool index1 = i < p.pixels.size() && p.pixels[i] != 0;
          XPutPixel(image, x, y, colours[index1 ? 1 : 0]);
        }
      }
      GC gc = XCreateGC(d_, pixmap_, 0, nullptr);
      XPutImage(d_, pixmap_, gc, image, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
      XFreeGC(d_, gc);
      XDestroyImage(image);  // frees the pixel data as well
    }

    XSetWindowAttributes a{};
    a.background_pixmap = pixmap_;
    const int x = (DisplayWidth(d_, screen) - w) / 2, y = (DisplayHeight(d_, screen) - h) / 2;
    window_ = XCreateWindow(d_, root, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, depth, InputOutput,
                            DefaultVisual(d_, screen), CWBackPixmap, &a);

    // Caption, a fixed size at the centre, a dialog of the owner.
    XStoreName(d_, window_, "copyright");
    XChangeProperty(d_, window_, XInternAtom(d_, "_NET_WM_NAME", False), XInternAtom(d_, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>("copyright"), 9);
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PPosition | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->min_width = hints->max_width = w;
    hints->min_height = hints->max_height = h;
    XSetWMNormalHints(d_, window_, hints);
    XFree(hints);
    const Atom dialog = XInternAtom(d_, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(d_, window_, XInternAtom(d_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog), 1);
    if (const Window o = OwnerWindow(owner)) XSetTransientForHint(d_, window_, o);

    // No keyboard: the input hint says so, and a user time of 0 asks for no focus when mapped.
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = False;
    wm->initial_state = NormalState;
    XSetWMHints(d_, window_, wm);
    XFree(wm);
    const long userTime = 0;
    XChangeProperty(d_, window_, XInternAtom(d_, "_NET_WM_USER_TIME", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&userTime), 1);
    // The close box asks rather than kills.
    Atom deleteWindow = Shared().DeleteWindowAtom();
    XSetWMProtocols(d_, window_, &deleteWindow, 1);
    XFlush(d_);
    Shared().Add(this);
  }

  ~X11CreditView() override {
    Shared().Remove(this);
    XDestroyWindow(d_, window_);
    XFreePixmap(d_, pixmap_);
    XFlush(d_);
    Shared().Release();
  }

  Window Id() const { return window_; }

  void Show(bool stayOnTop) override {
    const Atom above = XInternAtom(d_, "_NET_WM_STATE_ABOVE", False);
    const Atom state = XInternAtom(d_, "_NET_WM_STATE", False);
    if (stayOnTop) {
      XChangeProperty(d_, window_, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&above),
                      1);
    } else {
      XDeleteProperty(d_, window_, state);
    }
    XMapRaised(d_, window_);
    XFlush(d_);
    visible_ = true;
  }

  void Hide() override {
    XUnmapWindow(d_, window_);
    XFlush(d_);
    visible_ = false;
  }

  bool Visible() const override { return visible_; }

 private:
  Display* d_;
  Pixmap pixmap_ = 0;
  Window window_ = 0;
  bool visible_ = false;
};

bool Connection::WantsPolling() const {
  return std::any_of(views_.begin(), views_.end(), [](const X11CreditView* v) { return v->Visible(); });
}

bool Connection::HandlePendingEvents() {
  bool handled = false;
  while (display_ && XPending(display_) > 0) {
    XEvent e;
    XNextEvent(display_, &e);
    if (e.type != ClientMessage || e.xclient.message_type != protocols_ || e.xclient.format != 32 ||
        static_cast<Atom>(e.xclient.data.l[0]) != deleteWindow_)
      continue;
    // The close box: the window hides, and the owner's timer finds it hidden.
    for (X11CreditView* v : views_) {
      if (v->Id() == e.xclient.window && v->Visible()) {
        v->Hide();
        handled = true;
      }
    }
  }
  return handled;
}

}  // namespace

std::unique_ptr<CreditView> CreateCreditView(WindowHandle owner, const TwoColourPicture& picture) {
  Display* d = Shared().Acquire();
  if (!d) {
    std::fprintf(stderr, "corvane_kestor: the credit window needs an X11 display\n");
    return nullptr;
  }
  return std::make_unique<X11CreditView>(d, owner, picture);
}

}  // namespace platform
