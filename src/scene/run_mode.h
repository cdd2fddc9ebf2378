// The two run modes of the car scene. The settings store the mode as an integer (0 display,
// 1 driving, 2 drawn at random) and SetupInput carries it so; DrawRunMode turns it into a RunMode.
#pragma once

#include <cstdint>

namespace scene {

enum class RunMode : std::int32_t {
  kDisplay = 0,  // the car on its turntable, its doors, bonnet and trunk lid on the keyboard
  kDriving = 1,  // the car along the road through day and night passes
};

}  // namespace scene
