// Driving mode's rules against a recording stand-in of the scene: the roadside layout and the
// billboard shapes, the billboards of a day frame, the wheel spin, a whole pass with the camera
// of each phase, and the day and night switches at the end of every pass over two full cycles.
#include "scene/driving_mode.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace n = scene::scenery;

// The scene as the driving step sees it: visibility by file, the last values set, and a log.
class Parts : public scene::DrivingParts {
 public:
  Parts() {
    for (int f : {n::kGround, n::kRoad, n::kWalls, n::kBackdrop, n::kTrees, n::kTreeShadows, n::kPits, n::kPitShadow,
                  n::kGrandstand, n::kGrandstandShadow, n::kSky})
      shown[f] = true;
    for (int f : {n::kAirship, n::kNight, n::kNightGlow, n::kSpectators, n::kParked, n::kBoards, n::kGantry})
      shown[f] = false;
  }
  struct Board {
    std::int32_t kind;
    int quad;
    sx::Vec3 at;
  };
  void QueueBillboard(std::int32_t kind, int quad, const sx::Vec3& position) override {
    boards.push_back({kind, quad, position});
  }
  void TurnWheel(scene::Wheel wheel, const sx::Vec3& direction, const sx::Vec3& up) override {
    wheels.push_back(wheel);
    wheelDirection = direction;
    wheelUp = up;
  }
  void PlaceCar(const sx::Vec3& carPos) override {
    placed.push_back(carPos);
    log.push_back("place");
  }
  bool Shown(int file) const override { return shown.at(file); }
  void Show(int file, bool s) override {
    EXPECT_TRUE(shown.count(file)) << file;
    shown[file] = s;
    log.push_back((s ? "show " : "hide ") + std::to_string(file));
  }
  void SetPartBlend(std::int32_t index) override {
    partBlend = index;
    log.push_back("blend " + std::to_string(index));
  }
  void SetTopLightEnabled(bool enabled) override {
    topLight = enabled;
    log.push_back(enabled ? "light on" : "light off");
  }
  void SetTopLightAmbient(float grey) override {
    ambient = grey;
    log.push_back("ambient " + std::to_string(grey));
  }
  std::set<int> Visible() const {
    std::set<int> v;
    for (const auto& [file, s] : shown)
      if (s) v.insert(file);
    return v;
  }

  std::map<int, bool> shown;
  std::vector<Board> boards;
  std::vector<scene::Wheel> wheels;
  sx::Vec3 wheelDirection{}, wheelUp{};
  std::vector<sx::Vec3> placed;
  std::int32_t partBlend = 4;
  bool topLight = true;
  float ambient = 0.03f;
  std::vector<std::string> log;
};

// A run as set-up leaves it: the car at z = 50, the camera at (4, 1.2, 0).
struct Drive {
  scene::DrivingState state;
  sx::Vec3 carPos = sx::Vec3Make(4.0f, 0.32f, 50.0f);
  sx::Vec3 cameraPos = sx::Vec3Make(4.0f, 1.2f, 0.0f);
  scene::RandomGenerator random;
  std::uint32_t now = 1000;
  Parts parts;

  void Step() {
    scene::DrivingStep(state, carPos, cameraPos, random, now, parts);
    now += 20;
  }
  // Steps to the end of the current pass; returns its number of frames.
  int Pass() {
    const std::size_t before = parts.placed.size();
    int frames = 0;
    while (parts.placed.size() == before) {
      Step();
      ++frames;
      if (frames > 1000) break;
    }
    return frames;
  }
};

// Frames a pass takes from `from` when every frame takes 0.3 off in single precision (volatile:
// rounded to a float at every step, also where the FPU holds more).
int FramesFrom(float from) {
  volatile float z = from;
  int frames = 0;
  do {
    z -= 0.3f;
    ++frames;
  } while (z > -70.0f);
  return frames;
}

TEST(Roadside, BoardsStandInThreeRowsOnBothSidesWithKindsDrawnAfterTheSide) {
  scene::RandomGenerator random;
  const scene::RoadsideTable t = scene::BuildRoadside(random, 12345);
  // The same generator, reset to the same clock, gives the draws in their order: side, three kinds.
  scene::RandomGenerator check;
  check.Reseed(12345);
  int right = 0;
  for (int i = 0; i < scene::kRoadsideBoards; ++i) {
    const bool odd = check.Random(3) == 1;
    right += odd;
    EXPECT_EQ(t.x[0][i], odd ? 9.0f : -18.0f) << i;
    EXPECT_EQ(t.x[1][i], odd ? -18.0f : 9.0f) << i;
    EXPECT_EQ(t.x[2][i], t.x[0][i]) << i;
    EXPECT_EQ(t.z[0][i], 9.0f * static_cast<float>(i) - 90.0f);
    EXPECT_EQ(t.z[1][i], t.z[0][i] + 3.0f);
    EXPECT_EQ(t.z[2][i], t.z[0][i] + 6.0f);
    for (int row = 0; row < scene::kRoadsideRows; ++row)
      EXPECT_EQ(t.kind[row][i], static_cast<std::int32_t>(check.Random(3)));
  }
  EXPECT_EQ(t.z[0][0], -90.0f);
  EXPECT_EQ(t.z[2][19], 87.0f);
  EXPECT_GT(right, 0);
  EXPECT_LT(right, 20);
  // The table is rebuilt from the clock: the same clock, the same table; another, another one.
  EXPECT_EQ(scene::BuildRoadside(random, 12345).kind, t.kind);
  EXPECT_NE(scene::BuildRoadside(random, 54321).kind, t.kind);
}

TEST(Roadside, OneThirdOfTheBoardsOfRowZeroStandOnTheRight) {
  scene::RandomGenerator random;
  int right = 0, total = 0;
  std::map<std::int32_t, int> kinds;
  for (std::uint32_t clock = 0; clock < 300; ++clock) {
    const scene::RoadsideTable t = scene::BuildRoadside(random, clock * 7919u);
    for (int i = 0; i < scene::kRoadsideBoards; ++i, ++total) {
      right += t.x[0][i] == 9.0f;
      for (int row = 0; row < scene::kRoadsideRows; ++row) ++kinds[t.kind[row][i]];
    }
  }
  EXPECT_NEAR(static_cast<double>(right) / total, 1.0 / 3.0, 0.03);
  ASSERT_EQ(kinds.size(), 3u);  // kinds 0, 1, 2 and nothing else
  for (const auto& [kind, count] : kinds) EXPECT_NEAR(count / (3.0 * total), 1.0 / 3.0, 0.03) << kind;
}

TEST(Roadside, TheFourShapesUseTheirPicturesExtents) {
  const auto q = scene::BillboardQuads({0.5f, 0.75f, 1.0f}, {0.25f, 0.5f, 0.875f});
  // Kind 0: 2.5 x 3.6 in strip order, white.
  EXPECT_EQ(q[0][0].x, -1.25f);
  EXPECT_EQ(q[0][0].y, -1.8f);
  EXPECT_EQ(q[0][1].x, 1.25f);
  EXPECT_EQ(q[0][1].tu, 0.5f);
  EXPECT_EQ(q[0][1].tv, 0.0f);
  EXPECT_EQ(q[0][2].y, 1.8f);
  EXPECT_EQ(q[0][2].tv, 0.25f);
  EXPECT_EQ(q[0][3].tu, 0.5f);
  EXPECT_EQ(q[0][3].tv, 0.25f);
  EXPECT_EQ(q[0][0].color, 0xFFFFFFFFu);
  EXPECT_EQ(q[1][3].x, 1.5f);
  EXPECT_EQ(q[1][3].tu, 0.75f);
  EXPECT_EQ(q[2][0].y, -1.5f);
  EXPECT_EQ(q[2][3].tv, 0.875f);
  // The posts: 1 x 1 with the kind-2 picture.
  EXPECT_EQ(q[3][0].x, -0.5f);
  EXPECT_EQ(q[3][3].y, 0.5f);
  EXPECT_EQ(q[3][3].tu, 1.0f);
  EXPECT_EQ(q[3][3].tv, 0.875f);
}

TEST(DrivingStep, ADayFrameQueuesEightyBoardsAndPostsAndANightFrameNone) {
  Drive r;
  r.state.roadside = scene::BuildRoadside(r.random, 99);
  r.Step();
  ASSERT_EQ(r.parts.boards.size(), 80u);
  const scene::RoadsideTable& t = r.state.roadside;
  for (int i = 0; i < scene::kRoadsideBoards; ++i) {
    for (int row = 0; row < 3; ++row) {
      const Parts::Board& b = r.parts.boards[static_cast<std::size_t>(4 * i + row)];
      EXPECT_EQ(b.kind, t.kind[row][i]);
      EXPECT_EQ(b.quad, t.kind[row][i]);
      EXPECT_EQ(b.at.x, t.x[row][i]);
      EXPECT_EQ(b.at.y, 2.0f);
      EXPECT_EQ(b.at.z, t.z[row][i]);
    }
    const Parts::Board& post = r.parts.boards[static_cast<std::size_t>(4 * i + 3)];
    EXPECT_EQ(post.kind, 2);
    EXPECT_EQ(post.quad, 3);
    EXPECT_EQ(post.at.x, -4.5f);
    EXPECT_EQ(post.at.y, 0.6475f);
    EXPECT_EQ(post.at.z, t.z[0][i]);
  }
  r.state.nightScene = true;
  r.parts.boards.clear();
  r.Step();
  EXPECT_TRUE(r.parts.boards.empty());
}

TEST(DrivingStep, TheWheelsTurnFurtherByTheCounterEveryFrameUntilItWraps) {
  Drive r;
  r.Step();
  ASSERT_EQ(r.parts.wheels.size(), 3u);
  EXPECT_EQ(r.parts.wheels[0], scene::Wheel::FrontLeft);
  EXPECT_EQ(r.parts.wheels[1], scene::Wheel::FrontRight);
  EXPECT_EQ(r.parts.wheels[2], scene::Wheel::Rear);
  EXPECT_EQ(r.state.turnAngle, 1);
  for (int i = 0; i < 99; ++i) r.Step();
  EXPECT_EQ(r.state.turnAngle, 100);
  // The turn of this frame is the counter's angle about x: z turns towards +y.
  const sx::Vec3 d = sx::Vec3RotateX(sx::Vec3Make(0, 0, 1), 100);
  EXPECT_EQ(r.parts.wheelDirection.y, d.y);
  EXPECT_EQ(r.parts.wheelDirection.z, d.z);
  EXPECT_EQ(r.parts.wheelUp.y, sx::Vec3RotateX(sx::Vec3Make(0, 1, 0), 100).y);
  r.state.turnAngle = 4094;
  r.Step();
  EXPECT_EQ(r.state.turnAngle, 4095);
  r.Step();
  EXPECT_EQ(r.state.turnAngle, 0);
  EXPECT_EQ(r.parts.wheelDirection.z, 1.0f);  // a wrapped counter adds no turn
}

TEST(DrivingStep, AWholePassEndsOnTheFrameWhoseZReachesMinusSeventy) {
  Drive r;
  // The first pass from z = 50: about 400 frames, the roadside camera drifting all the way.
  int frames = 0;
  while (r.carPos.z > -69.0f) {
    r.Step();
    ++frames;
    EXPECT_TRUE(r.parts.placed.empty());
    EXPECT_EQ(r.state.cameraPhase, 0);
  }
  EXPECT_NEAR(r.cameraPos.x, 4.0f - 0.01f * frames, 1e-3);
  EXPECT_NEAR(r.cameraPos.y, 1.2f - 0.002f * frames, 1e-3);
  EXPECT_EQ(r.cameraPos.z, 0.0f);
  frames += r.Pass();
  EXPECT_EQ(frames, FramesFrom(50.0f));
  EXPECT_GE(frames, 400);
  EXPECT_LE(frames, 401);
  // The end: the car back at z = 70 and placed there, the camera ahead of it with no sweep.
  ASSERT_EQ(r.parts.placed.size(), 1u);
  EXPECT_EQ(r.parts.placed[0].z, 70.0f);
  EXPECT_EQ(r.carPos.x, 4.0f);
  EXPECT_EQ(r.carPos.y, 0.32f);
  EXPECT_EQ(r.carPos.z, 70.0f);
  EXPECT_EQ(r.state.cameraPhase, 1);
  EXPECT_EQ(r.state.cameraSweep, 0.0f);
  EXPECT_FLOAT_EQ(r.cameraPos.x, 5.5f);
  EXPECT_FLOAT_EQ(r.cameraPos.y, 1.12f);
  EXPECT_FLOAT_EQ(r.cameraPos.z, 68.4f);
  EXPECT_FALSE(r.state.nightScene);
}

TEST(DrivingStep, TheCameraAheadAndTheCameraBehindSweepWithTheCar) {
  Drive r;
  r.Pass();
  // Phase 1: the camera ahead of the car, sweeping in and back by 0.003 a frame.
  for (int k = 1; k <= 200; ++k) {
    r.Step();
    const float sweep = r.state.cameraSweep;
    EXPECT_NEAR(sweep, 0.003f * k, 1e-4);
    EXPECT_FLOAT_EQ(r.cameraPos.x, r.carPos.x + 1.5f - sweep);
    EXPECT_FLOAT_EQ(r.cameraPos.y, r.carPos.y + 0.8f);
    EXPECT_FLOAT_EQ(r.cameraPos.z, r.carPos.z - 1.6f + sweep);
  }
  EXPECT_NEAR(r.carPos.z, 70.0f - 0.3f * 200, 1e-3);
  EXPECT_EQ(r.Pass() + 200, FramesFrom(70.0f));
  EXPECT_EQ(r.state.cameraPhase, 2);
  EXPECT_FLOAT_EQ(r.cameraPos.x, 5.5f);
  EXPECT_FLOAT_EQ(r.cameraPos.z, 72.0f);  // behind the car, which faces -z
  // Phase 2: the camera behind the car, the sweep going the other way.
  for (int k = 1; k <= 100; ++k) {
    r.Step();
    const float sweep = r.state.cameraSweep;
    EXPECT_NEAR(sweep, -0.003f * k, 1e-4);
    EXPECT_FLOAT_EQ(r.cameraPos.x, r.carPos.x + 1.5f + sweep);
    EXPECT_FLOAT_EQ(r.cameraPos.y, r.carPos.y + 0.8f);
    EXPECT_FLOAT_EQ(r.cameraPos.z, r.carPos.z + 2.0f + sweep);
  }
  r.Pass();
  // Back to the roadside camera at its start, which then drifts again.
  EXPECT_EQ(r.state.cameraPhase, 0);
  EXPECT_EQ(r.cameraPos.x, 4.0f);
  EXPECT_EQ(r.cameraPos.y, 1.2f);
  EXPECT_EQ(r.cameraPos.z, 0.0f);
  r.Step();
  EXPECT_FLOAT_EQ(r.cameraPos.x, 3.99f);
  EXPECT_FLOAT_EQ(r.cameraPos.y, 1.198f);
}

// The clock of the n-th day switch (n = 1, 2) is chosen so that the airship shows on the first
// later day and stays away on the second.
std::uint32_t ClockWhere(std::uint32_t from, bool airship) {
  scene::RandomGenerator g;
  for (std::uint32_t c = from;; ++c) {
    g.Reseed(c);
    if ((g.Random(2) == 0) == airship) return c;
  }
}

TEST(DrivingStep, TwoFullDayAndNightCyclesSwitchTheSceneryAsListed) {
  Drive r;
  const std::set<int> start = r.parts.Visible();
  const std::set<int> night = {n::kRoad, n::kWalls, n::kSky, n::kNight, n::kNightGlow};
  const std::set<int> dayBase = {n::kGround,      n::kRoad, n::kWalls,     n::kBackdrop,   n::kTrees,
                                 n::kTreeShadows, n::kPits, n::kPitShadow, n::kGrandstand, n::kGrandstandShadow,
                                 n::kSky};
  auto with = [](std::set<int> s, std::initializer_list<int> more) {
    s.insert(more);
    return s;
  };
  EXPECT_EQ(start, dayBase);

  // Day 1: the first day shows neither the gantry nor the parked cars.
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), dayBase);
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), with(dayBase, {n::kBoards, n::kSpectators}));
  EXPECT_TRUE(r.parts.topLight);
  // Night 1.
  r.parts.log.clear();
  r.Pass();
  EXPECT_TRUE(r.state.nightScene);
  EXPECT_EQ(r.parts.Visible(), night);
  const std::vector<std::string> toNight = {"place", "light off", "blend 1", "ambient 0.000000"};
  ASSERT_GE(r.parts.log.size(), toNight.size());
  EXPECT_EQ(std::vector<std::string>(r.parts.log.begin(), r.parts.log.begin() + 4), toNight);
  EXPECT_EQ(r.parts.partBlend, 1);
  EXPECT_FALSE(r.parts.topLight);
  EXPECT_EQ(r.parts.ambient, 0.0f);
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), night);
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), night);
  EXPECT_EQ(r.state.cameraPhase, 2);
  // Day 2: the gantry and the parked cars come back, and the airship on this day.
  r.now = ClockWhere(r.now + 10000, true) - 20 * (FramesFrom(70.0f) - 1);
  r.parts.log.clear();
  r.Pass();
  EXPECT_FALSE(r.state.nightScene);
  EXPECT_EQ(r.parts.Visible(), with(dayBase, {n::kGantry, n::kParked, n::kAirship}));
  EXPECT_EQ(std::vector<std::string>(r.parts.log.begin(), r.parts.log.begin() + 4),
            (std::vector<std::string>{"place", "light on", "blend 4", "ambient 0.030000"}));
  EXPECT_EQ(r.parts.partBlend, 4);
  EXPECT_TRUE(r.parts.topLight);
  EXPECT_EQ(r.parts.ambient, 0.03f);
  r.Pass();  // the first pass of a day cycle takes the gantry and the parked cars away
  EXPECT_EQ(r.parts.Visible(), with(dayBase, {n::kAirship}));
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), with(dayBase, {n::kAirship, n::kBoards, n::kSpectators}));
  // Night 2: the airship goes with the day.
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), night);
  r.Pass();
  r.Pass();
  // Day 3, without the airship this time.
  r.now = ClockWhere(r.now + 10000, false) - 20 * (FramesFrom(70.0f) - 1);
  r.Pass();
  EXPECT_EQ(r.parts.Visible(), with(dayBase, {n::kGantry, n::kParked}));
  EXPECT_EQ(r.state.cameraPhase, 0);
}

TEST(DrivingStep, TheAirshipComesOnAboutHalfOfTheDays) {
  int shown = 0;
  for (std::uint32_t clock = 0; clock < 400; ++clock) {
    Drive r;
    r.state.cameraPhase = 2;
    r.state.nightScene = true;
    r.carPos.z = -69.9f;
    r.now = clock * 104729u;
    r.parts.shown[n::kAirship] = false;
    r.Step();
    ASSERT_FALSE(r.state.nightScene);
    shown += r.parts.shown[n::kAirship];
  }
  EXPECT_NEAR(shown / 400.0, 0.5, 0.08);
}

TEST(DrivingStep, AtTheSwitchToNightTheGantryKeepsWhatItHad) {
  Drive r;
  r.state.cameraPhase = 2;
  r.carPos.z = -69.9f;
  r.parts.shown[n::kGantry] = true;  // shown by hand: the first pass of the day was skipped
  r.parts.shown[n::kParked] = true;
  r.Step();
  EXPECT_TRUE(r.state.nightScene);
  EXPECT_TRUE(r.parts.shown[n::kGantry]);
  EXPECT_TRUE(r.parts.shown[n::kParked]);
  // And at night the end of the first pass leaves it as well.
  r.carPos.z = -69.9f;
  r.Step();
  EXPECT_EQ(r.state.cameraPhase, 1);
  EXPECT_TRUE(r.parts.shown[n::kGantry]);
}

}  // namespace
