#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/sdl_video.h"

namespace platform::sdlvideo {

namespace {
enum class State { Unknown, Running, Failed };
State g_state = State::Unknown;
Size g_headlessSize{1280, 720};
Size g_hostScreen;  // 0x0: not a --root run
}  // namespace

bool Ensure() {
  if (g_state != State::Unknown) return g_state == State::Running;
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool noDisplay = (!display || !*display) && (!wayland || !*wayland);
  if ((!driver || !*driver) && noDisplay) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (!ok) {
    std::fprintf(stderr, "corvane_kestor: no display (%s); running headless\n", SDL_GetError());
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!ok) std::fprintf(stderr, "corvane_kestor: SDL video failed: %s\n", SDL_GetError());
  }
  // A display without OpenGL is reported when the window is made, where it ends the run.
  if (ok) SDL_GL_LoadLibrary(nullptr);
  g_state = ok ? State::Running : State::Failed;
  return ok;
}

bool Headless() {
  const char* name = SDL_GetCurrentVideoDriver();
  return name && std::strcmp(name, "offscreen") == 0;
}

void SetHeadlessSize(int width, int height) {
  if (width > 0 && height > 0) g_headlessSize = Size{width, height};
}

Size HeadlessSize() { return g_headlessSize; }

void SetHostScreen(Size size) { g_hostScreen = size; }

Size ScreenSize() {
  if (g_hostScreen.width > 0 && g_hostScreen.height > 0) return g_hostScreen;
  SDL_DisplayMode mode;
  if (!Headless() && SDL_GetDesktopDisplayMode(0, &mode) == 0) return Size{mode.w, mode.h};
  return g_headlessSize;
}

}  // namespace platform::sdlvideo
