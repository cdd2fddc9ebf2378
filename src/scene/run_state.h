// The run state of the screen-saver window: the values the set-up, the frame loop and the mode
// steps share (the scene objects themselves are held by the car scene). Times are timeGetTime
// readings in ms, compared as elapsed times modulo 2^32; positions are world units.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/font.h"
#include "scene/display_mode.h"
#include "scene/driving_mode.h"
#include "scene/overlay.h"
#include "scene/random.h"
#include "scene/run_mode.h"
#include "sx/mathpack.h"

namespace scene {

constexpr std::uint32_t kSplashMs = 5000, kSplashMissingDataMs = 100;
constexpr std::uint32_t kTitleColour = 0xFF0000FF;                                    // the title quad's vertex colour
constexpr std::uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kSky = 0xFFBBBBFF;  // clear colours

struct RunState {
  RunMode runMode = RunMode::kDisplay;
  bool dataMissing = false;  // the notice screen: nothing loaded, nothing moves, nothing saved
  bool isPreview = false;
  std::string dataFolder;          // with its trailing separator
  std::int32_t frameInterval = 0;  // ms, 0..500
  std::uint32_t lastFrameTime = 0;
  std::uint32_t phaseStartTime = 0;  // start of the title phase (later: of the held overlay block)
  std::uint32_t splashDuration = kSplashMs;
  bool splashDone = false;
  sx::Vec3 carPos{0.0f, -0.6f, -1.3f};
  sx::Vec3 cameraPos{0.0f, 0.0f, 0.0f};
  bool shadowBlend = false;

  // Display mode (Part of the animation the keyboard plays with).
  DisplayState display;

  // Driving mode: the cameras, day and night, the wheels, the roadside table.
  DrivingState driving;

  // The text overlay: switched on, its font, and the typing state (lines per block, colour, the
  // notice, the data sheet's lines, the block being typed, its place).
  bool overlayOn = false;
  platform::FontDesc overlayFont;
  OverlayState overlay;

  RandomGenerator random;  // the one generator of the run
};

}  // namespace scene
