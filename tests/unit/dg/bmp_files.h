// Test helpers: BMP files written independently of the loader, and the pixels the loader must
// produce from them in each texture format (worked out by hand from the packing table).
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/d3d.h"

namespace testbmp {

using Bytes = std::vector<std::uint8_t>;

// Byte offsets of header fields, for corrupting files.
constexpr std::size_t kPixelOffset = 10, kInfoSize = 14, kWidth = 18, kHeight = 22, kBitCount = 28, kCompression = 30;

inline void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Set16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A bottom-up uncompressed BMP of `bits` (8, 16, 24 or 32) bits per pixel from ARGB pixels given
// top row first. 8 bits: a 256-entry colour table, entry i = the i-th distinct colour, then grey
// ramps (with colorsUsed, only that many entries, as biClrUsed says); 16 bits: X1R5G5B5 words from
// each channel's top five bits; 24 bits: blue, green, red; 32 bits: the ARGB value as it is.
// infoSize 108 or 124 writes a BITMAPV4HEADER or BITMAPV5HEADER as ImageMagick does: channel
// masks, sRGB colour space, no gamma, and for V5 the rendering intent "images" and no profile.
inline Bytes Make(int width, int height, int bits, const std::vector<std::uint32_t>& argb, std::uint32_t infoSize = 40,
                  std::uint32_t colorsUsed = 0) {
  std::vector<std::uint32_t> palette;
  if (bits == 8) {
    for (std::uint32_t c : argb) {
      bool known = false;
      for (std::uint32_t p : palette) known = known || p == (c & 0xFFFFFF);
      if (!known) palette.push_back(c & 0xFFFFFF);
    }
    while (palette.size() < (colorsUsed ? colorsUsed : 256)) {
      palette.push_back(static_cast<std::uint32_t>(palette.size()) * 0x010101u);
    }
  }
  const std::uint32_t row = (static_cast<std::uint32_t>(width) * (bits / 8) + 3) & ~3u;
  const std::uint32_t offset = 14 + infoSize + 4 * static_cast<std::uint32_t>(palette.size());
  Bytes b;
  Put16(b, 0x4D42);
  Put32(b, offset + row * height);
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, infoSize);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bits));
  Put32(b, 0);
  Put32(b, row * height);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, colorsUsed);
  Put32(b, colorsUsed);
  if (infoSize >= 108) {
    for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) Put32(b, mask);
    Put32(b, 0x73524742);                      // LCS_sRGB
    for (int i = 0; i < 12; ++i) Put32(b, 0);  // end points, gamma
    if (infoSize >= 124) {
      Put32(b, 4);                              // LCS_GM_IMAGES
      for (int i = 0; i < 3; ++i) Put32(b, 0);  // profile offset and size, reserved
    }
  }
  for (std::uint32_t p : palette) Put32(b, p);
  for (int y = height - 1; y >= 0; --y) {
    const std::size_t start = b.size();
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = argb[static_cast<std::size_t>(y) * width + x];
      const std::uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, bl = c & 0xFF;
      switch (bits) {
        case 8:
          for (std::size_t i = 0; i < palette.size(); ++i)
            if (palette[i] == (c & 0xFFFFFF)) {
              b.push_back(static_cast<std::uint8_t>(i));
              break;
            }
          break;
        case 16: Put16(b, (r >> 3) << 10 | (g >> 3) << 5 | bl >> 3); break;
        case 24:
          b.push_back(static_cast<std::uint8_t>(bl));
          b.push_back(static_cast<std::uint8_t>(g));
          b.push_back(static_cast<std::uint8_t>(r));
          break;
        default: Put32(b, c); break;
      }
    }
    while (b.size() - start < row) b.push_back(0);
  }
  return b;
}

// Two colours that every source depth carries exactly: C0 = (255, 131, 8) and C1 = (0, 0, 255)
// (131 and 8 are what the 16-bit fields 16 and 1 widen to). The 32-bit files give them alpha 0x40,
// the others are opaque.
constexpr std::uint32_t kC0 = 0xFFFF8308u, kC1 = 0xFF0000FFu;
constexpr std::uint32_t kC0Alpha = 0x40FF8308u, kC1Alpha = 0x400000FFu;

// The 2 x 2 picture: top row C0 C1, bottom row C1 C0.
inline std::vector<std::uint32_t> Picture(bool alpha) {
  const std::uint32_t c0 = alpha ? kC0Alpha : kC0, c1 = alpha ? kC1Alpha : kC1;
  return {c0, c1, c1, c0};
}

struct Expected {
  std::uint32_t c0, c1;            // from an opaque source (8, 16, 24 bits)
  std::uint32_t c0Alpha, c1Alpha;  // from the 32-bit source with alpha 0x40
};

// The texture pixel (its low bytes) for each format.
inline const std::map<int, Expected>& ExpectedPixels() {
  static const std::map<int, Expected> table = {
      {D3DFMT_R8G8B8, {0xFF8308, 0x0000FF, 0xFF8308, 0x0000FF}},
      {D3DFMT_A8R8G8B8, {0xFFFF8308, 0xFF0000FF, 0x40FF8308, 0x400000FF}},
      {D3DFMT_X8R8G8B8, {0x00FF8308, 0x000000FF, 0x00FF8308, 0x000000FF}},
      {D3DFMT_R5G6B5, {0xFC01, 0x001F, 0xFC01, 0x001F}},
      {D3DFMT_X1R5G5B5, {0x7E01, 0x001F, 0x7E01, 0x001F}},
      {D3DFMT_A1R5G5B5, {0xFE01, 0x801F, 0x7E01, 0x001F}},
      {D3DFMT_A4R4G4B4, {0xFF80, 0xF00F, 0x4F80, 0x400F}},
      {D3DFMT_R3G3B2, {0xF0, 0x03, 0xF0, 0x03}},
      {D3DFMT_A8, {0xFF, 0xFF, 0x40, 0x40}},
      {D3DFMT_X4R4G4B4, {0x0F80, 0x000F, 0x0F80, 0x000F}},
      {D3DFMT_L8, {0xFF, 0x00, 0xFF, 0x00}},
      {D3DFMT_A8L8, {0xFFFF, 0xFF00, 0x40FF, 0x4000}},
  };
  return table;
}

}  // namespace testbmp
