// Texts rendered by TSXTextWriter::CreateTextTexture on the target's real Direct3D 9 and glyph
// rasteriser, written as a text dump that the Linux test compares with the Windows build's dump
// (GDI and d3d9.dll under Wine): texture sizes, the glyph records the cache made, every pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/font.h"

namespace dg {
class TDGCarad;
}

namespace twcases {

struct Case {
  std::string label;  // file-name friendly
  platform::FontDesc font;
  std::string text;  // Shift-JIS
};

// What one case gave: the texture's image area as A8R8G8B8 values (top row first) and the dump
// lines of the case.
struct Rendered {
  std::string label;
  unsigned width = 0, height = 0;
  std::vector<std::uint32_t> argb;
  std::vector<std::string> lines;
};

// The cases: lines of the car's data sheet and mixed Latin / Japanese / half-width texts
// in "ＭＳ ゴシック" and "ＭＳ Ｐゴシック", 12 pt and 16 pt, regular and bold.
std::vector<Case> Cases();

// Renders every case with one writer (D3DFMT_A8R8G8B8, capacity 16) on `carad`, which must have a
// device.
std::vector<Rendered> RenderAll(dg::TDGCarad& carad);

// All dump lines of `rendered`, '\n' after each.
std::string DumpText(const std::vector<Rendered>& rendered);

// The image composited over a dark blue background (white text), scaled by `zoom`, as a PNG file.
bool WritePicture(const std::string& path, const Rendered& r, int zoom);

// A minimal PNG writer: 8-bit RGB, stored (uncompressed) deflate blocks. `rgb` holds
// width * height * 3 bytes, rows top to bottom. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace twcases
