// What a window manager does when the close box of window ID is clicked: a window that lists
// WM_DELETE_WINDOW in WM_PROTOCOLS gets that message; any other window's client is killed.
// Prints "asked" or "killed"; exit code 1 on a bad argument or without a display.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  const Window window = std::strtoul(argv[1], nullptr, 0);
  Display* d = XOpenDisplay(nullptr);
  if (!d || !window) return 1;
  const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  Atom* list = nullptr;
  int count = 0;
  bool asks = false;
  if (XGetWMProtocols(d, window, &list, &count)) {
    for (int i = 0; i < count; ++i) asks = asks || list[i] == deleteWindow;
    XFree(list);
  }
  if (asks) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(deleteWindow);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &e);
  } else {
    XKillClient(d, window);
  }
  XCloseDisplay(d);
  std::puts(asks ? "asked" : "killed");
  return 0;
}
