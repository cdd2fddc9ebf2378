// Process-wide SDL video state shared by the Linux application and system services (internal to
// platform_linux).
//
// The video subsystem is started by the first Ensure and kept, with the OpenGL library loaded,
// until the process ends: SDL unloads the GL driver with the last GL window and the video
// subsystem, and the driver's own memory then shows as leaked; nothing needs restoring at exit
// (the saver never changes the display mode).
//
// The driver is chosen at the first Ensure: SDL_VIDEODRIVER=offscreen, or no DISPLAY and no
// WAYLAND_DISPLAY, gives SDL's headless "offscreen" driver; a display that cannot be opened falls
// back to it with a line on stderr.
#pragma once

#include "platform/app.h"

namespace platform::sdlvideo {

bool Ensure();    // false (with a line on stderr) when not even the headless driver starts
bool Headless();  // valid after a successful Ensure

// Screen size of the headless display (pixels, 1..16384), set from AppOptions.
void SetHeadlessSize(int width, int height);
Size HeadlessSize();

// The screen: the host window of a --root run, the headless size, or the desktop mode of the
// first display (SDL's display 0). Needs a successful Ensure.
Size ScreenSize();

// The host window's size of a --root run (XScreenSaver's window for one monitor), which is the
// screen of that run; set when the form is made inside it and again when it is resized.
void SetHostScreen(Size size);

}  // namespace platform::sdlvideo
