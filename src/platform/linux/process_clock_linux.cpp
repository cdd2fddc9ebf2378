// The timing log's clocks on Linux: CLOCK_MONOTONIC and the whole process's CPU-time clock.
#include <time.h>

#include "platform/process_clock.h"

namespace platform {

namespace {
std::uint64_t Read(clockid_t id) {
  timespec t{};
  if (clock_gettime(id, &t) != 0) return 0;
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000u + static_cast<std::uint64_t>(t.tv_nsec) / 1000u;
}
}  // namespace

std::uint64_t MonotonicMicros() { return Read(CLOCK_MONOTONIC); }
std::uint64_t ProcessCpuMicros() { return Read(CLOCK_PROCESS_CPUTIME_ID); }

}  // namespace platform
