// A window manager's click on the close box of window ID: a window whose WM_PROTOCOLS list
// WM_DELETE_WINDOW is sent that message, any other window's client is killed. Prints "asked" or
// "killed"; exit code 1 on a bad argument or without a display.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  const Window window = argc == 2 ? std::strtoul(argv[1], nullptr, 0) : 0;
  if (!d || !window) return 1;
  XEvent e{};
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  Atom* list = nullptr;
  int count = 0;
  bool asks = false;
  if (XGetWMProtocols(d, window, &list, &count)) {
    for (int i = 0; i < count; ++i) asks = asks || static_cast<long>(list[i]) == e.xclient.data.l[0];
    XFree(list);
  }
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.format = 32;
  e.xclient.data.l[1] = CurrentTime;
  if (asks)
    XSendEvent(d, window, False, NoEventMask, &e);
  else
    XKillClient(d, window);
  XCloseDisplay(d);
  std::puts(asks ? "asked" : "killed");
  return 0;
}
