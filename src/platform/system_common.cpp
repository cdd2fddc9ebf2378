// The parts of the system services that are the same on both targets: the data-folder override
// and the automation's virtual clock.
#include "platform/paths.h"
#include "platform/system.h"

namespace platform {

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
  if (virtualClock_) virtualNow_ += virtualStep_;  // unsigned: wraps modulo 2^32 like timeGetTime
}

}  // namespace platform
