// Clocks for the automation's timing log (--timing): a monotonic wall clock and the CPU time the
// whole process has used (every thread, user and kernel), both in microseconds. On Linux the wall
// clock is CLOCK_MONOTONIC, so that a parent process can set its own readings beside them; on
// Windows it is the performance counter. Readings only compare with readings of the same process.
#pragma once

#include <cstdint>

namespace platform {

std::uint64_t MonotonicMicros();
std::uint64_t ProcessCpuMicros();

}  // namespace platform
