// A child X11 window inside a foreign window (the preview parent, or XScreenSaver's window), on a
// connection of its own (internal to platform_linux). The child has the parent's size, visual and
// depth and a black background, and keeps the parent's size when the parent is resized; the form
// renders into it through SDL_CreateWindowFrom. It is destroyed with this object; the parent is
// never changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/app.h"

namespace platform::x11 {

class ChildWindow {
 public:
  // Null with `error` set when there is no display or `parent` is not a window.
  static std::unique_ptr<ChildWindow> Create(std::uintptr_t parent, std::string& error);
  ~ChildWindow();
  ChildWindow(const ChildWindow&) = delete;
  ChildWindow& operator=(const ChildWindow&) = delete;

  std::uintptr_t Id() const { return child_; }
  Size CurrentSize() const { return size_; }
  bool ParentScreenRect(Rect& out) const;  // false when the parent is gone

  // What reading this connection's events found: the child (or its parent) destroyed, and the
  // parent's new size when it changed (the child has been given it already).
  struct Events {
    bool destroyed = false;
    bool resized = false;
    Size size;
  };
  Events Poll();
  bool HasPendingEvents() const;

 private:
  ChildWindow() = default;
  void* display_ = nullptr;  // Display*
  std::uintptr_t parent_ = 0, child_ = 0;
  Size size_;
  bool destroyed_ = false;
};

// The window for XScreenSaver's -root: $XSCREENSAVER_WINDOW (hex or decimal), else the root
// window of the default screen; 0 when there is no display.
std::uintptr_t RootHostWindow();

}  // namespace platform::x11
