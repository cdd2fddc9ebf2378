#include "scene/random.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

std::vector<std::uint32_t> Draws(std::uint32_t state, std::uint32_t n, int count) {
  scene::RandomGenerator g;
  g.Reseed(state);
  std::vector<std::uint32_t> out;
  for (int i = 0; i < count; ++i) out.push_back(g.Random(n));
  return out;
}

TEST(RandomGenerator, SameStateGivesSameDrawsAndOtherStatesOthers) {
  EXPECT_EQ(Draws(12345, 1000, 20), Draws(12345, 1000, 20));
  EXPECT_NE(Draws(12345, 1000, 20), Draws(12346, 1000, 20));
  // The state advances by the linear congruential step.
  scene::RandomGenerator g;
  g.Reseed(1);
  g.Random(3);
  EXPECT_EQ(g.State(), 1u * 1664525u + 1013904223u);
}

TEST(RandomGenerator, DrawsStayInRangeAndReachEveryValue) {
  for (std::uint32_t n : {1u, 2u, 3u, 9u, 1280u, 0xFFFFFFFFu}) {
    scene::RandomGenerator g;
    g.Reseed(n * 7u);
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 5000; ++i) {
      const std::uint32_t v = g.Random(n);
      ASSERT_LT(v, n) << "n=" << n;
      seen.insert(v);
    }
    if (n <= 9) {
      EXPECT_EQ(seen.size(), n) << "n=" << n;
    }
  }
  scene::RandomGenerator g;
  EXPECT_EQ(g.Random(0), 0u);
}

TEST(RandomGenerator, FixedModesAreKeptAndTheDrawDependsOnlyOnTheClock) {
  scene::RandomGenerator g;
  g.Reseed(99);
  EXPECT_EQ(scene::DrawRunMode(0, g, 1234), scene::RunMode::kDisplay);
  EXPECT_EQ(scene::DrawRunMode(1, g, 1234), scene::RunMode::kDriving);
  EXPECT_EQ(g.State(), 99u);  // not touched for a fixed mode
  // Whatever was drawn before, the automatic choice is a function of the clock alone.
  scene::RandomGenerator a, b;
  a.Reseed(5);
  a.Random(100);
  for (std::uint32_t clock : {0u, 1u, 4999u, 0xFFFFFFFFu}) {
    EXPECT_EQ(scene::DrawRunMode(2, a, clock), scene::DrawRunMode(2, b, clock));
  }
}

TEST(RandomGenerator, AutomaticModeIsDisplayModeFiveTimesInNine) {
  // Starts at clock readings a millisecond apart, and a second apart.
  for (std::uint32_t spacing : {1u, 1000u}) {
    scene::RandomGenerator g;
    int display = 0;
    const int runs = 9000;
    for (int i = 0; i < runs; ++i)
      if (scene::DrawRunMode(2, g, 40000u + spacing * static_cast<std::uint32_t>(i)) == scene::RunMode::kDisplay)
        ++display;
    EXPECT_NEAR(display, runs * 5 / 9, runs / 50) << "spacing " << spacing;
  }
}

}  // namespace
