// Display mode: the car on its turntable with the bonnet, the doors and the trunk lid that the
// keyboard opens and closes, the skeleton view with its 30-second timeout, and the viewpoint keys.
//
// The state is plain data (DisplayState); the frames it moves are reached through DisplayParts,
// so that the rules can run against the real frames or a recording stand-in. Angles are AngleUnit
// (4096 a turn); times are timeGetTime readings (ms, compared as elapsed time modulo 2^32).
//
// Each hinge is a state machine: 0 closed -> key -> 1 opening -> 50 frames -> 100 open -> key ->
// 101 closing -> 50 frames -> 0 closed; keys while it moves are ignored.
#pragma once

#include <cstdint>

#include "scene/blend_rows.h"
#include "sx/mathpack.h"

namespace scene {

constexpr std::int32_t kHingeClosed = 0, kHingeOpening = 1, kHingeOpen = 100, kHingeClosing = 101;

enum class Hinge { Bonnet, TrunkLid, RightDoor, LeftDoor };

// One moving part: the key (virtual-key letter), the angle step per frame, the angle at which it is
// fully open, and whether it turns about the car's x axis (else its y axis).
struct HingeMotion {
  std::uint8_t key;
  std::int32_t step;
  std::int32_t openAt;
  bool aboutX;
};
const HingeMotion& MotionOf(Hinge hinge);

constexpr std::uint32_t kSkeletonTimeoutMs = 30000;
// The skeleton set multiplied while the skeleton view is on, opaque otherwise.
constexpr std::int32_t kSkeletonBlend = kBlendMultiply, kBodyBlend = kBlendOpaque;
constexpr float kViewpointStep = 0.02f;

struct DisplayState {
  std::int32_t turnAngle = 0;  // the turntable, 0..4095
  std::int32_t bonnetState = 0, trunkState = 0, leftDoorState = 0, rightDoorState = 0;
  std::int32_t bonnetAngle = 0, trunkAngle = 0, leftDoorAngle = 0, rightDoorAngle = 0;
  bool skeletonRequested = false;
  std::uint32_t skeletonStartTime = 0;
  bool skeletonOn = false;  // white background

  std::int32_t& StateOf(Hinge hinge);
  std::int32_t& AngleOf(Hinge hinge);
};

// The frames display mode moves.
class DisplayParts {
 public:
  virtual ~DisplayParts() = default;
  // SetOrientation of the hinge's frame relative to carFrame.
  virtual void OrientHinge(Hinge hinge, const sx::Vec3& direction, const sx::Vec3& up) = 0;
  // BlendModeIndex of the ten frames of the skeleton set.
  virtual void SetSkeletonBlend(std::int32_t blendModeIndex) = 0;
  // SetOrientation of carFrame relative to rootFrame.
  virtual void OrientCar(const sx::Vec3& direction, const sx::Vec3& up) = 0;
};

// Whether `key` is one of display mode's keys: B, T, L, R, S (compared on the low byte), the four
// arrows, numeric-keypad 8 and 2.
bool IsDisplayKey(std::uint16_t key);

// FormKeyDown in display mode: changes the state, the viewpoint `carPos` or (S) the skeleton
// blend; `now` is the clock for the skeleton's start. False, with nothing changed, for a key that
// is not a display key.
bool DisplayKeyDown(DisplayState& state, sx::Vec3& carPos, std::uint16_t key, std::uint32_t now, DisplayParts& parts);

// S: the skeleton view on (multiplied, white background, timer from `now`) or off at once.
void ToggleSkeleton(DisplayState& state, std::uint32_t now, DisplayParts& parts);

// The display-mode step of one processed frame: the four hinges in the order bonnet, trunk lid,
// right door, left door; the skeleton timeout; the turntable.
void DisplayStep(DisplayState& state, std::uint32_t now, DisplayParts& parts);

// The orientation of a hinge at `angle`: about x, direction (0, sin a, cos a) and up
// (0, cos a, -sin a); about y, direction (-sin a, 0, cos a) and up (0, 1, 0).
void HingeOrientation(Hinge hinge, std::int32_t angle, sx::Vec3& direction, sx::Vec3& up);

}  // namespace scene
