// A small test scene built with the scene graph on a real device component (TDGCarad on the
// OpenGL layer or on d3d9.dll): lit and unlit meshes loaded from mesh files of both versions, a
// textured mesh turned toward a light, additive, alpha and multiply items, a hidden frame, a
// billboard and screen sprites (one in the overlay). It is rendered once, then again after a
// device reset, and both pictures are read back.
//
// Picture: 128 x 96 pixels, 0xFFRRGGBB (alpha forced to 255), top row first. The camera sits at
// (0, 0, -10) looking at the origin with the scene's default projection, so a point (x, y, 0)
// lands on pixel (64 + 4.8 x, 48 - 4.8 y). Where each item lands is listed in scene_cases.cpp.
#pragma once

#include <string>
#include <vector>

#include "dg/carad.h"
#include "gl/refscenes.h"

namespace sxcases {

constexpr unsigned kWidth = 128, kHeight = 96;

// Sets the component's window mode to kWidth x kHeight with a depth buffer, renders "scene" and,
// after a reset (Linux: a forced device loss first), "after-reset". Appends the pictures to `out`;
// false with a message when something could not be made or read back.
bool RenderAll(dg::TDGCarad& carad, std::vector<refscenes::Picture>* out, std::string* error);

}  // namespace sxcases
