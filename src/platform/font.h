// A font description as the system's settings, dialogs and text writer pass it around: face name,
// size in points, character set, colour and style set (the framework's font object).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Style set: any combination of these bits.
enum FontStyle : unsigned {
  kFontBold = 1u << 0,
  kFontItalic = 1u << 1,
  kFontUnderline = 1u << 2,
  kFontStrikeOut = 1u << 3,
};

constexpr int kScreenDpi = 96;  // the logical resolution fonts are sized for

struct FontDesc {
  std::string name;         // face name, Shift-JIS
  int size = 12;            // points
  unsigned charset = 128;   // character set; only the low byte is used (128 = Shift-JIS)
  std::uint32_t color = 0;  // Windows colour 0x00BBGGRR
  unsigned style = 0;       // FontStyle bits

  // Height in pixels as the framework gives it: negative, the character height (12 pt -> -16).
  int Height() const {
    const long long v = static_cast<long long>(size) * kScreenDpi;
    const long long h = (v >= 0 ? v + 36 : v - 36) / 72;  // MulDiv rounding
    return static_cast<int>(-h);
  }
  bool operator==(const FontDesc& o) const {
    return name == o.name && size == o.size && charset == o.charset && color == o.color && style == o.style;
  }
  bool operator!=(const FontDesc& o) const { return !(*this == o); }
};

}  // namespace platform
