// Pixel packing between 32-bit ARGB (0xAARRGGBB, 8 bits a channel) and the surface formats.
//
// Formats are D3DFORMAT values as plain numbers. Packing drops the low bits of each channel that
// the format has no room for; unpacking widens an n-bit field x to x * 255 / (2^n - 1). A pixel is
// the format's FormatBits() / 8 low bytes of a little-endian number; higher bits are ignored when
// unpacking. Formats outside the table pack and unpack to 0.
//
// Two choices of this implementation:
// - V16U16 unpacks as the inverse of its packing (G << 24 | B << 8): G from bits 24-31, B from
//   bits 8-15, A and R 0, like the other signed formats.
// - 16-bit BMP pixels are X1R5G5B5 words (the BI_RGB 16-bit layout): BMP16ToARGB widens each 5-bit
//   field with x * 255 / 31, ignores the top bit and gives alpha 255. LoadBMP packs the result
//   with PackARGB.
#pragma once

#include <cstdint>

namespace dg {

std::uint32_t PackColor(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint32_t format);
std::uint32_t PackARGB(std::uint32_t argb, std::uint32_t format);
std::uint32_t UnpackARGB(std::uint32_t pixel, std::uint32_t format);

// Bits per pixel of a format: 8, 16, 24 or 32; 0 for formats outside the table (DXT, YUV, ...).
std::uint32_t FormatBits(std::uint32_t format);

// One 16-bit BMP pixel as ARGB.
std::uint32_t BMP16ToARGB(std::uint16_t word);

}  // namespace dg
