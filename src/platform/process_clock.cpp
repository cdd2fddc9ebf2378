#include "platform/process_clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace platform {

#ifdef _WIN32

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

#else

namespace {
std::uint64_t Read(clockid_t id) {
  timespec t{};
  if (clock_gettime(id, &t) != 0) return 0;
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000u + static_cast<std::uint64_t>(t.tv_nsec) / 1000u;
}
}  // namespace

std::uint64_t MonotonicMicros() { return Read(CLOCK_MONOTONIC); }
std::uint64_t ProcessCpuMicros() { return Read(CLOCK_PROCESS_CPUTIME_ID); }

#endif

}  // namespace platform
