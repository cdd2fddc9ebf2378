// The text writer's glyph cache: every character is rasterised once per font (name, height, style)
// through the glyph seam, converted to the writer's pixel format and kept.
//
// 256 buckets, a glyph lives in bucket (code AND 0xFF); each bucket holds `capacity` entries, most
// recently used first, and a full bucket reuses its least recently used entry. The cache fills on
// demand and never shrinks. Single-threaded.
//
// Pixels: white (R = G = B = 255) with the glyph's coverage as alpha, packed with dg::PackColor into
// the writer's format (D3DFORMAT value) and stored little-endian, FormatBits / 8 bytes a pixel, rows
// `pitch` bytes apart. Grey level 64 gives alpha 255, any other level L gives L * 4 (32 -> 128);
// a 1-bit glyph gives alpha 255 or 0.
//
// A glyph the seam cannot make (kGlyphError, or a bitmap smaller than its box) is kept as an empty
// glyph: no pixels, zero box and zero advance.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/glyphs.h"

namespace sx {

// One cached glyph. Copies share the pixel array (it is never written after rasterising).
struct TSXFontCacheData {
  std::shared_ptr<const std::vector<std::uint8_t>> pixels;  // pitch * height bytes; null: nothing to draw
  std::uint32_t code = 0;                                   // the byte, or lead byte * 256 + trail byte
  std::string fontName;                                     // face name (Shift-JIS) the glyph was made with
  std::int32_t fontHeight = 0;                              // FontDesc::Height() of that font (negative pixels)
  unsigned fontStyle = 0;                                   // FontStyle bits of that font
  std::int32_t width = 0;                                   // box width in pixels (gmBlackBoxX)
  std::int32_t height = 0;                                  // box height in pixels (gmBlackBoxY)
  std::int32_t pitch = 0;     // bytes per pixel row: bytes per pixel * width rounded up to 4
  std::int32_t left = 0;      // box left from the pen position (gmptGlyphOrigin.x)
  std::int32_t top = 0;       // box top below the top of the text line (tmAscent - gmptGlyphOrigin.y)
  std::int32_t advanceX = 0;  // pen advance (gmCellIncX)
  std::int32_t advanceY = 0;  // gmCellIncY
};

class TSXFontCache {
 public:
  static constexpr int kBucketCount = 256;

  // `source` is the writer's glyph context, which must carry the font passed to GetGlyph whenever
  // a glyph is missing (the writer selects its Font into it); not owned, must outlive the cache.
  // `pixelFormat` is the D3DFORMAT glyphs are converted to. SetCapacity(capacity); AntiAliased on.
  TSXFontCache(platform::GlyphContext* source, std::uint32_t pixelFormat, int capacity);
  ~TSXFontCache();
  TSXFontCache(const TSXFontCache&) = delete;
  TSXFontCache& operator=(const TSXFontCache&) = delete;

  // Releases every entry and gives each bucket n empty entries. n <= 0 keeps nothing: every
  // GetGlyph then rasterises afresh.
  void SetCapacity(int n);
  int Capacity() const { return capacity_; }

  // Finds the glyph of `code` in `font` or makes it, moves it to the front of its bucket and copies
  // its record into `glyph`.
  void GetGlyph(std::uint32_t code, const platform::FontDesc& font, TSXFontCacheData& glyph);

  // true: 8-bit grey glyphs (GGO_GRAY8_BITMAP); false: 1-bit glyphs (GGO_BITMAP). Affects glyphs
  // made afterwards only.
  bool AntiAliased() const { return antiAliased_; }
  void SetAntiAliased(bool on) { antiAliased_ = on; }

  std::uint32_t PixelFormat() const { return pixelFormat_; }

  // Inspection: entries in use in a bucket (0..Capacity()), and entry i of a bucket in use order.
  int Count(int bucket) const;
  const TSXFontCacheData& Entry(int bucket, int index) const;

 private:
  void Rasterise(TSXFontCacheData& entry);

  platform::GlyphContext* source_;
  std::uint32_t pixelFormat_;
  std::array<int, kBucketCount> counts_{};
  std::array<std::vector<TSXFontCacheData>, kBucketCount> buckets_;
  int capacity_ = 0;
  bool antiAliased_ = true;
};

}  // namespace sx
