// The timing log's clocks on Win32: the performance counter and GetProcessTimes.
#include <windows.h>

#include "platform/process_clock.h"

namespace platform {

std::uint64_t MonotonicMicros() {
  LARGE_INTEGER frequency, count;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !QueryPerformanceCounter(&count)) return 0;
  const auto f = static_cast<std::uint64_t>(frequency.QuadPart), c = static_cast<std::uint64_t>(count.QuadPart);
  return c / f * 1000000u + c % f * 1000000u / f;
}

std::uint64_t ProcessCpuMicros() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return (ticks(kernel) + ticks(user)) / 10u;  // 100 ns units
}

}  // namespace platform
