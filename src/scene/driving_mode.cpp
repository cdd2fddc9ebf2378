#include "scene/driving_mode.h"

namespace scene {
namespace {

constexpr float kRightSide = 9.0f, kLeftSide = -18.0f;
constexpr float kBoardSpacing = 9.0f, kFirstBoardZ = -90.0f;
constexpr float kRowOffset[kRoadsideRows] = {0.0f, 3.0f, 6.0f};

// Half sizes of the four shapes.
constexpr float kHalfWidth[kBillboardQuads] = {1.25f, 1.5f, 1.5f, 0.5f};
constexpr float kHalfHeight[kBillboardQuads] = {1.8f, 1.5f, 1.5f, 0.5f};

sx::Vec3 V(float x, float y, float z) { return sx::Vec3Make(x, y, z); }

void SwitchToNight(DrivingParts& parts) {
  parts.SetTopLightEnabled(false);
  parts.SetPartBlend(kNightPartBlend);
  parts.SetTopLightAmbient(0.0f);
  parts.Show(scenery::kNight, true);
  parts.Show(scenery::kNightGlow, true);
  for (int n : {scenery::kGround, scenery::kBoards, scenery::kSpectators, scenery::kAirship, scenery::kPits,
                scenery::kPitShadow, scenery::kGrandstand, scenery::kGrandstandShadow, scenery::kBackdrop,
                scenery::kTrees, scenery::kTreeShadows})
    parts.Show(n, false);
}

void SwitchToDay(RandomGenerator& random, std::uint32_t now, DrivingParts& parts) {
  parts.SetTopLightEnabled(true);
  parts.SetPartBlend(kDayPartBlend);
  parts.SetTopLightAmbient(kDayAmbient);
  parts.Show(scenery::kNight, false);
  parts.Show(scenery::kNightGlow, false);
  for (int n :
       {scenery::kGround, scenery::kGantry, scenery::kParked, scenery::kPits, scenery::kPitShadow, scenery::kGrandstand,
        scenery::kGrandstandShadow, scenery::kBackdrop, scenery::kTrees, scenery::kTreeShadows})
    parts.Show(n, true);
  // The airship comes by on about half of the days.
  random.Reseed(now);
  if (random.Random(2) == 0) parts.Show(scenery::kAirship, true);
}

}  // namespace

RoadsideTable BuildRoadside(RandomGenerator& random, std::uint32_t clock) {
  RoadsideTable t;
  random.Reseed(clock);
  for (int i = 0; i < kRoadsideBoards; ++i) {
    const bool odd = random.Random(3) == 1;
    t.x[0][i] = odd ? kRightSide : kLeftSide;
    t.x[1][i] = odd ? kLeftSide : kRightSide;
    t.x[2][i] = odd ? kRightSide : kLeftSide;
    const float z = kBoardSpacing * static_cast<float>(i) + kFirstBoardZ;
    for (int row = 0; row < kRoadsideRows; ++row) t.z[row][i] = z + kRowOffset[row];
    for (int row = 0; row < kRoadsideRows; ++row) t.kind[row][i] = static_cast<std::int32_t>(random.Random(3));
  }
  return t;
}

std::array<BillboardQuad, kBillboardQuads> BillboardQuads(const std::array<float, kBillboardKinds>& uMax,
                                                          const std::array<float, kBillboardKinds>& vMax) {
  std::array<BillboardQuad, kBillboardQuads> quads{};
  for (int q = 0; q < kBillboardQuads; ++q) {
    const int kind = q == kPostQuad ? kPostKind : q;
    const float w = kHalfWidth[q], h = kHalfHeight[q], u = uMax[kind], v = vMax[kind];
    quads[q] = {
        sx::MakeSpriteVertex(-w, -h, kBillboardColour, 0, 0), sx::MakeSpriteVertex(w, -h, kBillboardColour, u, 0),
        sx::MakeSpriteVertex(-w, h, kBillboardColour, 0, v), sx::MakeSpriteVertex(w, h, kBillboardColour, u, v)};
  }
  return quads;
}

sx::Vec3 CameraAhead(const sx::Vec3& carPos, float sweep) {
  return V(carPos.x + 1.5f - sweep, carPos.y + 0.8f, carPos.z - 1.6f + sweep);
}

sx::Vec3 CameraBehind(const sx::Vec3& carPos, float sweep) {
  return V(carPos.x + 1.5f + sweep, carPos.y + 0.8f, carPos.z + 2.0f + sweep);
}

void DrivingStep(DrivingState& s, sx::Vec3& carPos, sx::Vec3& cameraPos, RandomGenerator& random, std::uint32_t now,
                 DrivingParts& parts) {
  // The boards and posts, by day only.
  if (!s.nightScene) {
    const RoadsideTable& t = s.roadside;
    for (int i = 0; i < kRoadsideBoards; ++i) {
      for (int row = 0; row < kRoadsideRows; ++row)
        parts.QueueBillboard(t.kind[row][i], t.kind[row][i], V(t.x[row][i], kBillboardHeight, t.z[row][i]));
      parts.QueueBillboard(kPostKind, kPostQuad, V(kPostX, kPostY, t.z[0][i]));
    }
  }
  // The wheels turn further by the counter each frame.
  if (++s.turnAngle >= sx::kAngleSteps) s.turnAngle = 0;
  const sx::Vec3 direction = sx::Vec3RotateX(V(0, 0, 1), s.turnAngle);
  const sx::Vec3 up = sx::Vec3RotateX(V(0, 1, 0), s.turnAngle);
  for (Wheel w : {Wheel::FrontLeft, Wheel::FrontRight, Wheel::Rear}) parts.TurnWheel(w, direction, up);
  // The drive.
  carPos.z -= kDriveStep;
  // The camera of this pass.
  switch (s.cameraPhase) {
    case 0:
      cameraPos.x -= 0.01f;
      cameraPos.y -= 0.002f;
      break;
    case 1:
      s.cameraSweep += kSweepStep;
      cameraPos = CameraAhead(carPos, s.cameraSweep);
      break;
    case 2:
      s.cameraSweep -= kSweepStep;
      cameraPos = CameraBehind(carPos, s.cameraSweep);
      break;
    default: break;
  }
  // The end of a pass: back to the start, the next camera, every third pass day or night.
  if (carPos.z > kPassEndZ) return;
  carPos = V(kCarTrackX, kCarY, kPassStartZ);
  s.cameraSweep = 0.0f;
  cameraPos = V(4.0f, 1.2f, 0.0f);
  parts.PlaceCar(carPos);
  switch (s.cameraPhase) {
    case 0:
      s.cameraPhase = 1;
      if (!s.nightScene && parts.Shown(scenery::kGantry)) {
        parts.Show(scenery::kGantry, false);
        parts.Show(scenery::kParked, false);
      }
      cameraPos = CameraAhead(carPos, s.cameraSweep);
      break;
    case 1:
      s.cameraPhase = 2;
      if (!s.nightScene && !parts.Shown(scenery::kBoards)) {
        parts.Show(scenery::kBoards, true);
        parts.Show(scenery::kSpectators, true);
      }
      cameraPos = CameraBehind(carPos, s.cameraSweep);
      break;
    default:
      s.cameraPhase = 0;
      s.nightScene = !s.nightScene;
      if (s.nightScene) {
        SwitchToNight(parts);
      } else {
        SwitchToDay(random, now, parts);
      }
      break;
  }
}

}  // namespace scene
