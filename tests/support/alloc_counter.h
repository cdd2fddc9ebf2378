// Heap allocations of a test program, counted by a replaced global operator new (alloc_counter.cpp,
// linked as an object library so that its operators replace the runtime's in that program only).
#pragma once

namespace alloccount {

// Allocations made through operator new (and new[]) while counting is on; counting starts on.
long Count();
void SetCounting(bool on);
void Reset();

}  // namespace alloccount
