// The rows of the scene's blend-mode table (sx/scene.h) that the car scene draws with, by what
// they do; a frame's BlendModeIndex and a sprite's blend argument take these values.
#pragma once

#include <cstdint>

namespace scene {

constexpr std::int32_t kBlendOpaque = 0;    // the opaque queue, blending off
constexpr std::int32_t kBlendAdditive = 1;  // added to what lies behind
constexpr std::int32_t kBlendAlpha = 2;     // alpha blending
constexpr std::int32_t kBlendMultiply = 4;  // multiplied with what lies behind

}  // namespace scene
