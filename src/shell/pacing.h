// Frame pacing: the idle handler keeps asking to be called again (Done = false) and processes a
// frame once `frameInterval` ms have passed since the last one; instead of spinning until then, it
// sleeps until the frame is due or input arrives. Frames and timing stay those of the busy loop.
#pragma once

#include <cstdint>

#include "platform/app.h"
#include "platform/system.h"

namespace shell {

// Milliseconds until the next frame is due (0 = due now): elapsed = now - last modulo 2^32,
// compared with the interval (ms, 0..500 from the settings; negative counts as 0).
std::uint32_t FrameWaitMs(std::uint32_t now, std::uint32_t lastFrameTime, std::int32_t frameInterval);

// Waits in `app` for input or the due time. Returns at once on the virtual clock, which only
// advances per idle call.
void WaitForNextFrame(platform::Application& app, platform::System& system, std::uint32_t lastFrameTime,
                      std::int32_t frameInterval);

}  // namespace shell
