#include "scene/display_mode.h"

#include "platform/app.h"

namespace scene {
namespace {

constexpr HingeMotion kMotions[] = {
    {'B', -10, -500, true},   // bonnet
    {'T', +20, +1000, true},  // trunk lid
    {'R', +15, +750, false},  // right door
    {'L', -15, -750, false},  // left door
};
constexpr Hinge kHingeOrder[] = {Hinge::Bonnet, Hinge::TrunkLid, Hinge::RightDoor, Hinge::LeftDoor};

bool Reached(std::int32_t angle, std::int32_t limit, std::int32_t step) {
  return step < 0 ? angle <= limit : angle >= limit;
}

void StepHinge(DisplayState& state, Hinge hinge, DisplayParts& parts) {
  const HingeMotion& m = MotionOf(hinge);
  std::int32_t& s = state.StateOf(hinge);
  std::int32_t& angle = state.AngleOf(hinge);
  sx::Vec3 direction, up;
  if (s == kHingeOpening) {
    angle += m.step;
    if (Reached(angle, m.openAt, m.step)) s = kHingeOpen;
    HingeOrientation(hinge, angle, direction, up);
    parts.OrientHinge(hinge, direction, up);
  }
  if (s == kHingeClosing) {
    angle -= m.step;
    if (Reached(angle, 0, -m.step)) {
      s = kHingeClosed;
      angle = 0;
    }
    HingeOrientation(hinge, angle, direction, up);
    parts.OrientHinge(hinge, direction, up);
  }
}

}  // namespace

const HingeMotion& MotionOf(Hinge hinge) { return kMotions[static_cast<int>(hinge)]; }

std::int32_t& DisplayState::StateOf(Hinge hinge) {
  switch (hinge) {
    case Hinge::Bonnet: return bonnetState;
    case Hinge::TrunkLid: return trunkState;
    case Hinge::RightDoor: return rightDoorState;
    case Hinge::LeftDoor: break;
  }
  return leftDoorState;
}

std::int32_t& DisplayState::AngleOf(Hinge hinge) {
  switch (hinge) {
    case Hinge::Bonnet: return bonnetAngle;
    case Hinge::TrunkLid: return trunkAngle;
    case Hinge::RightDoor: return rightDoorAngle;
    case Hinge::LeftDoor: break;
  }
  return leftDoorAngle;
}

bool IsDisplayKey(std::uint16_t key) {
  switch (key & 0xFF) {
    case 'B':
    case 'T':
    case 'L':
    case 'R':
    case 'S': return true;
    default: break;
  }
  namespace vk = platform::vk;
  return key == vk::kLeft || key == vk::kUp || key == vk::kRight || key == vk::kDown || key == vk::kNumpad8 ||
         key == vk::kNumpad2;
}

void ToggleSkeleton(DisplayState& state, std::uint32_t now, DisplayParts& parts) {
  if (!state.skeletonRequested) {
    state.skeletonRequested = true;
    state.skeletonStartTime = now;
    parts.SetSkeletonBlend(kSkeletonBlend);
    state.skeletonOn = true;
  } else {
    state.skeletonRequested = false;
    parts.SetSkeletonBlend(kBodyBlend);
    state.skeletonOn = false;
  }
}

bool DisplayKeyDown(DisplayState& state, sx::Vec3& carPos, std::uint16_t key, std::uint32_t now, DisplayParts& parts) {
  if (!IsDisplayKey(key)) return false;
  namespace vk = platform::vk;
  for (Hinge hinge : kHingeOrder) {
    if ((key & 0xFF) != MotionOf(hinge).key) continue;
    std::int32_t& s = state.StateOf(hinge);
    if (s == kHingeClosed) s = kHingeOpening;
    if (s == kHingeOpen) s = kHingeClosing;
    return true;
  }
  if ((key & 0xFF) == 'S') {
    ToggleSkeleton(state, now, parts);
  } else if (key == vk::kLeft) {
    carPos.x += kViewpointStep;
  } else if (key == vk::kRight) {
    carPos.x -= kViewpointStep;
  } else if (key == vk::kUp) {
    carPos.y -= kViewpointStep;
  } else if (key == vk::kDown) {
    carPos.y += kViewpointStep;
  } else if (key == vk::kNumpad8) {
    carPos.z -= kViewpointStep;
  } else if (key == vk::kNumpad2) {
    carPos.z += kViewpointStep;
  }
  return true;
}

void DisplayStep(DisplayState& state, std::uint32_t now, DisplayParts& parts) {
  for (Hinge hinge : kHingeOrder) StepHinge(state, hinge, parts);
  if (state.skeletonRequested && now - state.skeletonStartTime >= kSkeletonTimeoutMs) ToggleSkeleton(state, now, parts);
  state.turnAngle += 10;
  if (state.turnAngle >= sx::kAngleSteps) state.turnAngle = 0;
  parts.OrientCar(sx::Vec3RotateY(sx::Vec3Make(0, 0, 1), state.turnAngle), sx::Vec3Make(0, 1, 0));
}

void HingeOrientation(Hinge hinge, std::int32_t angle, sx::Vec3& direction, sx::Vec3& up) {
  if (MotionOf(hinge).aboutX) {
    direction = sx::Vec3RotateX(sx::Vec3Make(0, 0, 1), angle);
    up = sx::Vec3RotateX(sx::Vec3Make(0, 1, 0), angle);
  } else {
    direction = sx::Vec3RotateY(sx::Vec3Make(0, 0, 1), angle);
    up = sx::Vec3Make(0, 1, 0);
  }
}

}  // namespace scene
