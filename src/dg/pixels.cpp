#include "dg/pixels.h"

namespace dg {

namespace {

enum Fmt : std::uint32_t {
  kR8G8B8 = 20,
  kA8R8G8B8 = 21,
  kX8R8G8B8 = 22,
  kR5G6B5 = 23,
  kX1R5G5B5 = 24,
  kA1R5G5B5 = 25,
  kA4R4G4B4 = 26,
  kR3G3B2 = 27,
  kA8 = 28,
  kA8R3G3B2 = 29,
  kX4R4G4B4 = 30,
  kA8P8 = 40,
  kP8 = 41,
  kL8 = 50,
  kA8L8 = 51,
  kA4L4 = 52,
  kV8U8 = 60,
  kL6V5U5 = 61,
  kX8L8V8U8 = 62,
  kQ8W8V8U8 = 63,
  kV16U16 = 64,
  kD16Lockable = 70,
  kD32 = 71,
  kD15S1 = 73,
  kD24S8 = 75,
  kD24X8 = 77,
  kD24X4S4 = 79,
  kD16 = 80,
};

// Widens the n-bit field of `pixel` that starts at bit `shift`.
constexpr std::uint32_t Widen(std::uint32_t pixel, unsigned shift, unsigned n) {
  const std::uint32_t max = (1u << n) - 1;
  return ((pixel >> shift) & max) * 255u / max;
}

constexpr std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

std::uint32_t PackColor(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint32_t format) {
  const std::uint32_t A = a, R = r, G = g, B = b;
  switch (format) {
    case kR8G8B8:
    case kX8R8G8B8:
    case kX8L8V8U8: return R << 16 | G << 8 | B;
    case kA8R8G8B8:
    case kQ8W8V8U8: return A << 24 | R << 16 | G << 8 | B;
    case kR5G6B5: return (R >> 3) << 11 | (G >> 2) << 5 | B >> 3;
    case kX1R5G5B5: return (R >> 3) << 10 | (G >> 3) << 5 | B >> 3;
    case kA1R5G5B5: return (A >> 7) << 15 | (R >> 3) << 10 | (G >> 3) << 5 | B >> 3;
    case kA4R4G4B4: return (A >> 4) << 12 | (R >> 4) << 8 | (G >> 4) << 4 | B >> 4;
    case kR3G3B2: return (R >> 5) << 5 | (G >> 5) << 2 | B >> 6;
    case kA8: return A;
    case kA8R3G3B2: return A << 8 | (R >> 5) << 5 | (G >> 5) << 2 | B >> 6;
    case kX4R4G4B4: return (R >> 4) << 8 | (G >> 4) << 4 | B >> 4;
    case kL8: return R;
    case kA8L8: return A << 8 | R;
    case kA4L4: return (A >> 4) << 4 | R >> 4;
    case kV8U8: return G << 8 | B;
    case kL6V5U5: return (R >> 2) << 10 | (G >> 3) << 5 | B >> 3;
    case kV16U16: return G << 24 | B << 8;
    default: return 0;
  }
}

std::uint32_t PackARGB(std::uint32_t argb, std::uint32_t format) {
  return PackColor(static_cast<std::uint8_t>(argb >> 24), static_cast<std::uint8_t>(argb >> 16),
                   static_cast<std::uint8_t>(argb >> 8), static_cast<std::uint8_t>(argb), format);
}

std::uint32_t UnpackARGB(std::uint32_t p, std::uint32_t format) {
  switch (format) {
    case kR8G8B8:
    case kX8R8G8B8: return 0xFF000000u | (p & 0x00FFFFFFu);
    case kA8R8G8B8:
    case kX8L8V8U8:
    case kQ8W8V8U8: return p;
    case kR5G6B5: return Argb(255, Widen(p, 11, 5), Widen(p, 5, 6), Widen(p, 0, 5));
    case kX1R5G5B5: return Argb(255, Widen(p, 10, 5), Widen(p, 5, 5), Widen(p, 0, 5));
    case kA1R5G5B5: return Argb(255 * ((p >> 15) & 1), Widen(p, 10, 5), Widen(p, 5, 5), Widen(p, 0, 5));
    case kA4R4G4B4: return Argb(Widen(p, 12, 4), Widen(p, 8, 4), Widen(p, 4, 4), Widen(p, 0, 4));
    case kR3G3B2: return Argb(255, Widen(p, 5, 3), Widen(p, 2, 3), Widen(p, 0, 2));
    case kA8: return Argb(p & 0xFF, 0, 0, 0);
    case kA8R3G3B2: return Argb((p >> 8) & 0xFF, Widen(p, 5, 3), Widen(p, 2, 3), Widen(p, 0, 2));
    case kX4R4G4B4: return Argb(255, Widen(p, 8, 4), Widen(p, 4, 4), Widen(p, 0, 4));
    case kL8: return Argb(0, p & 0xFF, 0, 0);
    case kA8L8: return Argb((p >> 8) & 0xFF, p & 0xFF, 0, 0);
    case kA4L4: return Argb(Widen(p, 4, 4), Widen(p, 0, 4), 0, 0);
    case kV8U8: return p & 0xFFFFu;
    case kL6V5U5: return Argb(0, ((p >> 10) & 0x3F) << 2, ((p >> 5) & 0x1F) << 3, (p & 0x1F) << 3);
    case kV16U16: return Argb(0, 0, p >> 24, (p >> 8) & 0xFF);
    default: return 0;
  }
}

std::uint32_t FormatBits(std::uint32_t format) {
  switch (format) {
    case kR8G8B8: return 24;
    case kA8R8G8B8:
    case kX8R8G8B8:
    case kX8L8V8U8:
    case kQ8W8V8U8:
    case kV16U16:
    case kD32:
    case kD24S8:
    case kD24X8:
    case kD24X4S4: return 32;
    case kR5G6B5:
    case kX1R5G5B5:
    case kA1R5G5B5:
    case kA4R4G4B4:
    case kA8R3G3B2:
    case kX4R4G4B4:
    case kA8P8:
    case kA8L8:
    case kV8U8:
    case kL6V5U5:
    case kD16Lockable:
    case kD15S1:
    case kD16: return 16;
    case kR3G3B2:
    case kA8:
    case kP8:
    case kL8:
    case kA4L4: return 8;
    default: return 0;
  }
}

std::uint32_t BMP16ToARGB(std::uint16_t word) { return UnpackARGB(word, kX1R5G5B5); }

}  // namespace dg
