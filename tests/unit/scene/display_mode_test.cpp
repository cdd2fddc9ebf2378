#include "scene/display_mode.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/app.h"

namespace {

using scene::Hinge;

struct Orientation {
  Hinge hinge;
  sx::Vec3 direction, up;
};

class RecordingParts : public scene::DisplayParts {
 public:
  std::vector<Orientation> hinges;
  std::vector<std::int32_t> blends;
  std::vector<sx::Vec3> carDirections;

  void OrientHinge(Hinge hinge, const sx::Vec3& direction, const sx::Vec3& up) override {
    hinges.push_back({hinge, direction, up});
  }
  void SetSkeletonBlend(std::int32_t index) override { blends.push_back(index); }
  void OrientCar(const sx::Vec3& direction, const sx::Vec3& up) override {
    EXPECT_EQ(up.x, 0.0f);
    EXPECT_EQ(up.y, 1.0f);
    EXPECT_EQ(up.z, 0.0f);
    carDirections.push_back(direction);
  }
};

struct Case {
  Hinge hinge;
  std::uint16_t key;
  std::int32_t openAngle;
};
const Case kCases[] = {{Hinge::Bonnet, 'B', -500},
                       {Hinge::TrunkLid, 'T', 1000},
                       {Hinge::RightDoor, 'R', 750},
                       {Hinge::LeftDoor, 'L', -750}};

class DisplayModeTest : public testing::Test {
 protected:
  bool Key(std::uint16_t key, std::uint32_t now = 0) { return scene::DisplayKeyDown(state, carPos, key, now, parts); }
  void Step(std::uint32_t now = 0) { scene::DisplayStep(state, now, parts); }
  int HingeWrites(Hinge h) const {
    int n = 0;
    for (const Orientation& o : parts.hinges) n += o.hinge == h;
    return n;
  }

  scene::DisplayState state;
  sx::Vec3 carPos{0.0f, -0.6f, -1.3f};
  RecordingParts parts;
};

TEST_F(DisplayModeTest, EachPartOpensAndClosesInFiftyFramesAndIgnoresKeysWhileMoving) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<char>(c.key));
    state = scene::DisplayState();
    parts.hinges.clear();
    ASSERT_TRUE(Key(c.key));
    EXPECT_EQ(state.StateOf(c.hinge), scene::kHingeOpening);
    EXPECT_EQ(state.AngleOf(c.hinge), 0);  // the key changes no angle
    EXPECT_TRUE(parts.hinges.empty());
    for (int frame = 1; frame <= 50; ++frame) {
      if (frame == 10) Key(c.key);  // ignored while opening
      ASSERT_EQ(state.StateOf(c.hinge), scene::kHingeOpening) << "frame " << frame;
      Step();
    }
    EXPECT_EQ(state.StateOf(c.hinge), scene::kHingeOpen);
    EXPECT_EQ(state.AngleOf(c.hinge), c.openAngle);
    EXPECT_EQ(HingeWrites(c.hinge), 50);  // written in every moving frame, the last one included
    Step();
    Step();
    EXPECT_EQ(HingeWrites(c.hinge), 50);  // an open part keeps its orientation

    Key(c.key);
    EXPECT_EQ(state.StateOf(c.hinge), scene::kHingeClosing);
    for (int frame = 1; frame <= 50; ++frame) {
      if (frame == 25) Key(c.key);  // ignored while closing
      ASSERT_EQ(state.StateOf(c.hinge), scene::kHingeClosing) << "frame " << frame;
      Step();
    }
    EXPECT_EQ(state.StateOf(c.hinge), scene::kHingeClosed);
    EXPECT_EQ(state.AngleOf(c.hinge), 0);
    EXPECT_EQ(HingeWrites(c.hinge), 100);
    const Orientation& last = parts.hinges.back();
    EXPECT_EQ(last.direction.z, 1.0f);  // closed again: straight
    EXPECT_EQ(last.up.y, 1.0f);
    Step();
    EXPECT_EQ(HingeWrites(c.hinge), 100);
  }
}

TEST_F(DisplayModeTest, PartsMoveIndependentlyAndTurnAboutTheirAxes) {
  Key('B');
  Step();
  Key('L');
  for (int i = 0; i < 49; ++i) Step();
  EXPECT_EQ(state.bonnetState, scene::kHingeOpen);
  EXPECT_EQ(state.leftDoorState, scene::kHingeOpening);
  EXPECT_EQ(state.leftDoorAngle, -15 * 49);
  EXPECT_EQ(state.trunkState, scene::kHingeClosed);
  EXPECT_EQ(state.rightDoorState, scene::kHingeClosed);

  const auto& sinT = sx::SinTable();
  const auto& cosT = sx::CosTable();
  // The bonnet's last write, at -500: about x.
  sx::Vec3 d, u;
  scene::HingeOrientation(Hinge::Bonnet, -500, d, u);
  const int a = -500 & 0xFFF;
  EXPECT_FLOAT_EQ(d.x, 0.0f);
  EXPECT_FLOAT_EQ(d.y, sinT[a]);
  EXPECT_FLOAT_EQ(d.z, cosT[a]);
  EXPECT_FLOAT_EQ(u.y, cosT[a]);
  EXPECT_FLOAT_EQ(u.z, -sinT[a]);
  EXPECT_LT(d.y, 0.0f);  // the bonnet's front edge lifts: its z axis turns downwards
  // A door at 750: about y, up unchanged.
  scene::HingeOrientation(Hinge::RightDoor, 750, d, u);
  EXPECT_FLOAT_EQ(d.x, -sinT[750]);
  EXPECT_FLOAT_EQ(d.y, 0.0f);
  EXPECT_FLOAT_EQ(d.z, cosT[750]);
  EXPECT_EQ(u.y, 1.0f);
}

TEST_F(DisplayModeTest, TurntableTurnsTenUnitsAFrameAndWrapsToZero) {
  for (int i = 0; i < 409; ++i) Step();
  EXPECT_EQ(state.turnAngle, 4090);
  Step();
  EXPECT_EQ(state.turnAngle, 0);
  ASSERT_EQ(parts.carDirections.size(), 410u);
  EXPECT_FLOAT_EQ(parts.carDirections[0].x, -sx::SinTable()[10]);
  EXPECT_FLOAT_EQ(parts.carDirections[0].z, sx::CosTable()[10]);
  EXPECT_EQ(parts.carDirections.back().x, 0.0f);
  EXPECT_EQ(parts.carDirections.back().z, 1.0f);
}

TEST_F(DisplayModeTest, SkeletonViewTogglesAndTimesOutAfterThirtySecondsAcrossTheClockWrap) {
  const std::uint32_t start = 0xFFFFC000u;  // 16384 ms before the wrap
  ASSERT_TRUE(Key('S', start));
  EXPECT_TRUE(state.skeletonRequested);
  EXPECT_TRUE(state.skeletonOn);
  EXPECT_EQ(state.skeletonStartTime, start);
  EXPECT_EQ(parts.blends, (std::vector<std::int32_t>{4}));
  Step(start + 29999u);  // wrapped, 29.999 s later
  EXPECT_TRUE(state.skeletonOn);
  Step(start + 30000u);
  EXPECT_FALSE(state.skeletonOn);
  EXPECT_FALSE(state.skeletonRequested);
  EXPECT_EQ(parts.blends, (std::vector<std::int32_t>{4, 0}));
  Step(start + 90000u);
  EXPECT_EQ(parts.blends.size(), 2u);  // no second switch-off

  // S while on switches off at once; the next S starts a fresh period.
  Key('S', 1000);
  Key('S', 2000);
  EXPECT_FALSE(state.skeletonOn);
  Key('S', 5000);
  Step(34999);
  EXPECT_TRUE(state.skeletonOn);
  Step(35000);
  EXPECT_FALSE(state.skeletonOn);
  EXPECT_EQ(parts.blends, (std::vector<std::int32_t>{4, 0, 4, 0, 4, 0}));
}

TEST_F(DisplayModeTest, ArrowAndKeypadKeysMoveTheViewpointWithoutLimit) {
  namespace vk = platform::vk;
  Key(vk::kLeft);
  EXPECT_FLOAT_EQ(carPos.x, 0.02f);
  Key(vk::kRight);
  Key(vk::kRight);
  EXPECT_FLOAT_EQ(carPos.x, -0.02f);
  Key(vk::kUp);
  EXPECT_FLOAT_EQ(carPos.y, -0.62f);
  Key(vk::kDown);
  Key(vk::kDown);
  EXPECT_FLOAT_EQ(carPos.y, -0.58f);
  Key(vk::kNumpad8);
  EXPECT_FLOAT_EQ(carPos.z, -1.32f);
  for (int i = 0; i < 200; ++i) Key(vk::kNumpad2);
  EXPECT_NEAR(carPos.z, 2.68f, 1e-4);  // past the camera at the origin
  EXPECT_TRUE(parts.hinges.empty());
  EXPECT_TRUE(parts.blends.empty());
}

TEST_F(DisplayModeTest, OnlyDisplayKeysAreTakenLettersByTheirLowByte) {
  namespace vk = platform::vk;
  for (std::uint16_t key :
       {std::uint16_t{'B'}, std::uint16_t{'T'}, std::uint16_t{'L'}, std::uint16_t{'R'}, std::uint16_t{'S'}, vk::kLeft,
        vk::kUp, vk::kRight, vk::kDown, vk::kNumpad8, vk::kNumpad2, std::uint16_t{0x142}})
    EXPECT_TRUE(scene::IsDisplayKey(key)) << key;
  for (std::uint16_t key : {std::uint16_t{'A'}, std::uint16_t{'Q'}, vk::kMenu, vk::kEscape, vk::kSpace, vk::kReturn,
                            vk::kNumpad0, std::uint16_t{0x69}, std::uint16_t{0x125}})
    EXPECT_FALSE(scene::IsDisplayKey(key)) << key;

  const scene::DisplayState before = state;
  EXPECT_FALSE(Key('A'));
  EXPECT_FALSE(Key(vk::kEscape));
  EXPECT_EQ(state.bonnetState, before.bonnetState);
  EXPECT_EQ(carPos.x, 0.0f);
  EXPECT_TRUE(Key(0x142));  // a B in the low byte
  EXPECT_EQ(state.bonnetState, scene::kHingeOpening);
}

}  // namespace
