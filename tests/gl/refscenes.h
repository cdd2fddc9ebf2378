// Reference scenes for comparing the Linux Direct3D 9 layer with Wine's d3d9: lit and
// vertex-coloured meshes, textured quads, each blend-mode row, alpha test, pre-transformed
// sprites, depth tests. The same code renders them on both targets through the common subset.
#pragma once

#include "platform/d3d.h"

#include <cstdint>
#include <string>
#include <vector>

namespace refscenes {

constexpr UINT kSize = 64;  // every scene is 64 x 64 pixels

struct Picture {
  std::string name;
  UINT width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// Renders every scene on `device` (which needs a 64x64 or larger D16 depth buffer) into an
// A8R8G8B8 render target and reads each back. Appends the pictures to `out`; returns false and
// a message in `error` when a Direct3D call fails.
bool RenderAll(IDirect3DDevice9* device, std::vector<Picture>* out, std::string* error);

// The file the Windows program writes: "D3D9REF1", a count, then per picture a 32-byte name,
// width, height and the pixels (all little-endian 32-bit).
bool WritePictures(const std::string& path, const std::vector<Picture>& pictures);
bool ReadPictures(const std::string& path, std::vector<Picture>* pictures);

}  // namespace refscenes
