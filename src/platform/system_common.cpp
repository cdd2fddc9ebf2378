// The parts of the system services that are the same on both targets: the data-folder override
// and the automation's virtual clock with its timers.
#include <algorithm>

#include "platform/paths.h"
#include "platform/system.h"

namespace platform {

class System::VirtualTimer final : public Timer {
 public:
  VirtualTimer(System& system, std::uint32_t intervalMs, std::function<void()> onTimer)
      : system_(system), interval_(intervalMs), onTimer_(std::move(onTimer)) {
    system_.virtualTimers_.push_back(this);
  }
  ~VirtualTimer() override {
    auto& list = system_.virtualTimers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    if (enabled) start_ = system_.virtualNow_;
  }
  bool Enabled() const override { return enabled_; }

  // Elapsed time modulo 2^32, as the system's own timers compare it.
  bool Due(std::uint32_t now) const { return enabled_ && now - start_ >= interval_; }
  void Fire(std::uint32_t now) {
    start_ = now;
    if (onTimer_) onTimer_();  // may destroy this timer: nothing after this line
  }

 private:
  System& system_;
  std::uint32_t interval_;
  std::function<void()> onTimer_;
  bool enabled_ = false;
  std::uint32_t start_ = 0;
};

std::unique_ptr<Timer> System::CreateVirtualTimer(std::uint32_t intervalMs, bool enabled,
                                                  std::function<void()> onTimer) {
  if (!virtualClock_) return nullptr;
  auto timer = std::make_unique<VirtualTimer>(*this, std::max<std::uint32_t>(intervalMs, 1), std::move(onTimer));
  timer->SetEnabled(enabled);
  return timer;
}

std::string System::DataFolder() {
  if (dataFolderOverride_.empty()) return SystemFolder();
  return dataFolderOverride_;
}

void System::SetDataFolderOverride(const std::string& folder) {
  dataFolderOverride_ = folder;
  if (folder.empty()) return;
  const char last = folder.back();
  if (last != '/' && last != kPathSeparator) dataFolderOverride_ += kPathSeparator;
}

std::uint32_t System::TimeGetTime() { return virtualClock_ ? virtualNow_ : PlatformTime(); }

void System::UseVirtualClock(std::uint32_t start, std::uint32_t stepMs) {
  virtualClock_ = true;
  virtualNow_ = start;
  virtualStep_ = stepMs;
}

void System::EndIdleCall() {
  if (!virtualClock_) return;
  virtualNow_ += virtualStep_;  // unsigned: wraps modulo 2^32 like timeGetTime
  // A tick may create or destroy timers: each round looks afresh for one that is due, and each
  // timer ticks at most once per call.
  std::vector<VirtualTimer*> ticked;
  for (;;) {
    auto due = std::find_if(virtualTimers_.begin(), virtualTimers_.end(), [&](VirtualTimer* t) {
      return t->Due(virtualNow_) && std::find(ticked.begin(), ticked.end(), t) == ticked.end();
    });
    if (due == virtualTimers_.end()) return;
    ticked.push_back(*due);
    (*due)->Fire(virtualNow_);
  }
}

}  // namespace platform
