// X connections of their own beside SDL's (the credit windows' one), which the application's loop
// reads along with SDL's events: SDL never reads them, and a window manager's request sent there
// would otherwise wait unanswered. Internal to the Linux platform; GUI thread only. A watch is
// removed before it goes.
#pragma once

namespace platform::x11 {

class Watch {
 public:
  virtual ~Watch() = default;
  virtual bool WantsPolling() const = 0;  // while true the loop waits in short slices
  virtual bool HasPendingEvents() = 0;
  virtual bool HandlePendingEvents() = 0;  // reads what waits; true when an event was acted on
};

void AddWatch(Watch* watch);
void RemoveWatch(Watch* watch);

}  // namespace platform::x11
