// Test helper: a glyph source with made-up glyphs for the text writer's tests (both targets).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/glyphs.h"

namespace fakeglyphs {

constexpr int kAscent = 10;

// A glyph source with made-up glyphs. Glyph number n (0..3) is at most 4 x 4 pixels, and its pixel
// (c, r) has grey level 1 + 16 n + 4 r + c, so that every texture pixel tells which glyph pixel it
// came from. A glyph may mark pixels as uncovered (level 0).
class FakeGlyphs : public platform::GlyphContext {
 public:
  struct Glyph {
    int number = 0;
    unsigned w = 0, h = 0;
    int left = 0, top = 0;  // box offsets: left from the pen, top below the line's top
    int advance = 0;
    std::string holes;   // "c,r;" pixels with level 0
    bool blank = false;  // no pixels (like a space)
  };

  bool SelectFont(const platform::FontDesc& f) override {
    if (f.name == "none") return false;
    selected = f;
    return true;
  }
  platform::TextMetrics Metrics() override {
    platform::TextMetrics tm;
    tm.ascent = kAscent;
    tm.height = kAscent + 3;
    return tm;
  }
  bool TextExtent(std::string_view text, int* cx, int* cy) override {
    *cx = 0;
    for (char c : text) *cx += Find(static_cast<unsigned char>(c)).advance;
    *cy = text.empty() ? 0 : kAscent + 3;
    return true;
  }
  std::uint32_t GlyphOutline(unsigned code, platform::GlyphFormat format, platform::GlyphMetrics* gm,
                             std::uint32_t size, void* buffer) override {
    EXPECT_EQ(format, platform::GlyphFormat::Gray8);
    const Glyph g = Find(code);
    const std::uint32_t pitch = (g.w + 3) & ~3u;
    const std::uint32_t bytes = g.blank ? 0 : pitch * g.h;
    if (!buffer || size == 0) {
      asked.push_back(code);
      gm->blackBoxX = g.w;
      gm->blackBoxY = g.h;
      gm->originX = g.left;
      gm->originY = kAscent - g.top;
      gm->cellIncX = g.advance;
      gm->cellIncY = 0;
      return bytes;
    }
    if (bytes == 0 || size < bytes) return platform::kGlyphError;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (unsigned r = 0; r < g.h; ++r) {
      for (unsigned c = 0; c < g.w; ++c) {
        const std::string hole = std::to_string(c) + "," + std::to_string(r) + ";";
        out[r * pitch + c] =
            g.holes.find(hole) != std::string::npos ? 0 : static_cast<std::uint8_t>(1 + 16 * g.number + 4 * r + c);
      }
    }
    return bytes;
  }

  Glyph Find(unsigned code) const {
    const auto it = glyphs.find(code);
    if (it != glyphs.end()) return it->second;
    Glyph none;  // 1 x 1, no pixels, advance 1
    none.w = none.h = 1;
    none.advance = 1;
    none.blank = true;
    return none;
  }

  std::map<unsigned, Glyph> glyphs;
  std::vector<unsigned> asked;  // codes rasterised, in order
  platform::FontDesc selected;
};

inline FakeGlyphs::Glyph Make(int number, unsigned w, unsigned h, int left, int top, int advance,
                              std::string holes = "") {
  FakeGlyphs::Glyph g;
  g.number = number;
  g.w = w;
  g.h = h;
  g.left = left;
  g.top = top;
  g.advance = advance;
  g.holes = std::move(holes);
  return g;
}

}  // namespace fakeglyphs
