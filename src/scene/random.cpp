#include "scene/random.h"

namespace scene {

std::uint32_t RandomGenerator::Random(std::uint32_t n) {
  state_ = state_ * 1664525u + 1013904223u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state_) * n) >> 32);
}

RunMode DrawRunMode(std::int32_t mode, RandomGenerator& random, std::uint32_t clock) {
  if (mode == 0) return RunMode::kDisplay;
  if (mode == 1) return RunMode::kDriving;
  random.Reseed(clock);
  return random.Random(9) <= 4 ? RunMode::kDisplay : RunMode::kDriving;
}

}  // namespace scene
