// The run's random generator: one 32-bit linear congruential generator (x' = 1664525 x +
// 1013904223 mod 2^32) whose state is set from the clock right before each use, so that a run on
// the virtual clock draws the same numbers every time. Random(n) takes the high 32 bits of
// state x n, which spreads the draw evenly over 0 .. n-1.
//
// One generator per run, owned by the run state; single-threaded like everything else.
#pragma once

#include <cstdint>

#include "scene/run_mode.h"

namespace scene {

class RandomGenerator {
 public:
  // Sets the state (the clock reading, ms).
  void Reseed(std::uint32_t state) { state_ = state; }
  // Advances the state and returns a value in 0 .. n-1; 0 when n is 0.
  std::uint32_t Random(std::uint32_t n);
  std::uint32_t State() const { return state_; }

 private:
  std::uint32_t state_ = 0;
};

// The run mode of a run from the stored setting: 0 display and 1 driving as they stand; 2
// (automatic) reseeds `random` with `clock` and draws Random(9): 0..4 display mode, 5..8 driving
// mode, so display mode comes up five times in nine. Any other value is treated as automatic.
RunMode DrawRunMode(std::int32_t mode, RandomGenerator& random, std::uint32_t clock);

}  // namespace scene
