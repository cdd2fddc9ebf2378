// A stand-in for a preview host on X11 (XScreenSaver's demo pane): a 200 x 150 window at (50, 60)
// on the root window. Prints its id in hex, then keeps it until the process is ended; the window
// goes with the process's connection, as when a real host quits.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "preview_host_x11: no display\n");
    return 1;
  }
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 50, 60, 200, 150, 0, 0, 0x808080);
  XMapWindow(d, w);
  XSync(d, False);
  std::printf("0x%lx\n", static_cast<unsigned long>(w));
  std::fflush(stdout);
  for (;;) pause();
}
