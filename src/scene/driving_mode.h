// Driving mode: the car drives along x = 4 from z = 70 (the first pass from z = 50) towards -z and
// is seen from one of three cameras in turn (0 roadside, 1 ahead of the car, 2 behind it); after
// every third pass the lighting switches between day and night. By day 80 roadside billboards are
// queued every frame: three rows of twenty boards and twenty marker posts.
//
// The state is plain data (DrivingState); the frames, sprites and the light the step changes are
// reached through DrivingParts, so that the rules run against the real scene or a recording
// stand-in. Positions are world units (the scenery frames sit at the world origin); angles are
// AngleUnit (4096 a turn); times are timeGetTime readings in ms.
#pragma once

#include <array>
#include <cstdint>

#include "scene/blend_rows.h"
#include "scene/random.h"
#include "sx/mathpack.h"

namespace scene {

constexpr int kRoadsideRows = 3, kRoadsideBoards = 20;
constexpr int kBillboardKinds = 3, kBillboardQuads = 4;
constexpr int kPostQuad = 3;  // the marker posts: quad 3 with the kind-2 picture
constexpr int kPostKind = 2;
constexpr float kBillboardHeight = 2.0f;  // y of the boards' centres
constexpr float kPostX = -4.5f, kPostY = 0.6475f;
constexpr float kCarTrackX = 4.0f, kCarY = 0.32f;
constexpr float kFirstPassZ = 50.0f, kPassStartZ = 70.0f, kPassEndZ = -70.0f;
constexpr float kDriveStep = 0.3f;    // z per processed frame
constexpr float kSweepStep = 0.003f;  // the chase cameras' sweep per frame
constexpr std::uint32_t kBillboardColour = 0xFFFFFFFF;
// Blend-mode rows of the car part that carries crmd_0: multiplied by day, added at night.
constexpr std::int32_t kDayPartBlend = kBlendMultiply, kNightPartBlend = kBlendAdditive;
constexpr float kDayAmbient = 0.03f;  // light 2's ambient grey by day (0 at night)

// The scenery frames the step switches, by the data file of their mesh.
namespace scenery {
constexpr int kGround = 14, kRoad = 33, kWalls = 35, kBackdrop = 11, kTrees = 12, kTreeShadows = 13;
constexpr int kAirship = 50, kPits = 19, kPitShadow = 20, kGrandstand = 17, kGrandstandShadow = 18;
constexpr int kNight = 42, kNightGlow = 46, kSky = 38, kSpectators = 43, kParked = 45, kBoards = 8;
constexpr int kGantry = 26;
}  // namespace scenery

// The boards beside the track: rows 0..2, boards 0..19. x is 9 or -18, z runs from -90 to 87.
struct RoadsideTable {
  std::array<std::array<float, kRoadsideBoards>, kRoadsideRows> x{};
  std::array<std::array<float, kRoadsideBoards>, kRoadsideRows> z{};
  std::array<std::array<std::int32_t, kRoadsideBoards>, kRoadsideRows> kind{};  // picture kinds 0..2
};

// The layout: `random` is reset to `clock`, then for each board i one draw h = Random(3) puts
// rows 0 and 2 at x = 9 (h odd) or -18 and row 1 on the other side, z = 9 i - 90 (+3, +6 for rows
// 1 and 2), and three fresh Random(3) give the kinds of rows 0, 1, 2.
RoadsideTable BuildRoadside(RandomGenerator& random, std::uint32_t clock);

using BillboardQuad = std::array<sx::SpriteVertex, 4>;
// The four board shapes (half sizes 1.25 x 1.8, 1.5 x 1.5, 1.5 x 1.5, posts 0.5 x 0.5) in strip
// order, white, with the texture extents of kinds 0, 1, 2 (the posts use kind 2's).
std::array<BillboardQuad, kBillboardQuads> BillboardQuads(const std::array<float, kBillboardKinds>& uMax,
                                                          const std::array<float, kBillboardKinds>& vMax);

enum class Wheel { FrontLeft, FrontRight, Rear };

struct DrivingState {
  std::int32_t cameraPhase = 0;  // 0 roadside, 1 ahead of the car, 2 behind it
  bool nightScene = false;
  std::int32_t turnAngle = 0;  // wheel spin counter, 0..4095
  float cameraSweep = 0.0f;
  RoadsideTable roadside;
};

// What the driving step changes in the scene.
class DrivingParts {
 public:
  virtual ~DrivingParts() = default;
  // AddSprite relative to the ground frame: picture `kind` (0..2) with shape `quad` (0..3) at
  // `position`, alpha-blended, scaled with distance, linear filter, not an overlay.
  virtual void QueueBillboard(std::int32_t kind, int quad, const sx::Vec3& position) = 0;
  // SetOrientation of a wheel frame relative to itself (so the turns add up).
  virtual void TurnWheel(Wheel wheel, const sx::Vec3& direction, const sx::Vec3& up) = 0;
  // SetPosition of carFrame relative to rootFrame.
  virtual void PlaceCar(const sx::Vec3& carPos) = 0;
  // Visibility of the scenery frame carrying data file `file`: shown (0) or hidden (1).
  virtual bool Shown(int file) const = 0;
  virtual void Show(int file, bool shown) = 0;
  // BlendModeIndex of the car part that carries crmd_0.
  virtual void SetPartBlend(std::int32_t blendModeIndex) = 0;
  // Light 2 (the one high above the scene): SetEnabled and SetAmbient (grey level).
  virtual void SetTopLightEnabled(bool enabled) = 0;
  virtual void SetTopLightAmbient(float grey) = 0;
};

// Camera positions: phase 1 ahead of the car, phase 2 behind it, with the sweep already applied.
sx::Vec3 CameraAhead(const sx::Vec3& carPos, float sweep);
sx::Vec3 CameraBehind(const sx::Vec3& carPos, float sweep);

// The driving step of one processed frame: billboards (by day), wheels, drive, camera, and at the
// end of a pass the next camera with the day and night switches. `now` reseeds `random` for the
// airship's coin toss at the switch to day.
void DrivingStep(DrivingState& state, sx::Vec3& carPos, sx::Vec3& cameraPos, RandomGenerator& random, std::uint32_t now,
                 DrivingParts& parts);

}  // namespace scene
