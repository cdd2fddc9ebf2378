#include "shell/pacing.h"

namespace shell {

std::uint32_t FrameWaitMs(std::uint32_t now, std::uint32_t lastFrameTime, std::int32_t frameInterval) {
  if (frameInterval <= 0) return 0;
  const std::uint32_t elapsed = now - lastFrameTime;
  const auto interval = static_cast<std::uint32_t>(frameInterval);
  return elapsed >= interval ? 0 : interval - elapsed;
}

void WaitForNextFrame(platform::Application& app, platform::System& system, std::uint32_t lastFrameTime,
                      std::int32_t frameInterval) {
  if (system.ClockIsVirtual()) return;
  const std::uint32_t wait = FrameWaitMs(system.TimeGetTime(), lastFrameTime, frameInterval);
  if (wait > 0) app.WaitForInput(wait);
}

}  // namespace shell
