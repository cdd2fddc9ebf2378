#include "sx/fontcache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

using platform::FontDesc;
using platform::GlyphFormat;
using platform::GlyphMetrics;
using sx::TSXFontCache;
using sx::TSXFontCacheData;

constexpr std::uint32_t kA8R8G8B8 = 21;
constexpr std::uint32_t kA4R4G4B4 = 26;
constexpr std::uint32_t kR8G8B8 = 20;

// A glyph source that makes up glyphs and counts how often it is asked for each.
class FakeGlyphs : public platform::GlyphContext {
 public:
  struct Made {
    std::uint32_t result = 0;
    GlyphMetrics gm;
    std::vector<std::uint8_t> bits;
  };

  bool SelectFont(const FontDesc& f) override {
    font = f;
    return true;
  }
  platform::TextMetrics Metrics() override {
    platform::TextMetrics tm;
    tm.ascent = ascent;
    tm.height = ascent + 3;
    return tm;
  }
  bool TextExtent(std::string_view, int* cx, int* cy) override {
    *cx = *cy = 0;
    return true;
  }
  std::uint32_t GlyphOutline(unsigned code, GlyphFormat format, GlyphMetrics* metrics, std::uint32_t bufferSize,
                             void* buffer) override {
    lastFormat = format;
    const Made m = Make(code);
    if (!buffer || bufferSize == 0) {
      ++rasterised[code];
      if (m.result != platform::kGlyphError) *metrics = m.gm;
      return m.result;
    }
    if (m.result == platform::kGlyphError || m.result == 0 || bufferSize < m.result) return platform::kGlyphError;
    std::copy(m.bits.begin(), m.bits.end(), static_cast<std::uint8_t*>(buffer));
    *metrics = m.gm;
    return m.result;
  }

  // Default glyph: a 2 x 1 grey box at (1, 10), advance 7, levels 64 and 32.
  Made Make(unsigned code) const {
    auto it = special.find(code);
    if (it != special.end()) return it->second;
    Made m;
    m.gm.blackBoxX = 2;
    m.gm.blackBoxY = 1;
    m.gm.originX = 1;
    m.gm.originY = 10;
    m.gm.cellIncX = 7;
    m.bits = {64, 32, 0, 0};
    m.result = 4;
    return m;
  }

  FontDesc font;
  int ascent = 14;
  GlyphFormat lastFormat = GlyphFormat::Gray8;
  std::map<unsigned, int> rasterised;  // size queries per code
  std::map<unsigned, Made> special;
};

FontDesc Font(const std::string& name = "ＭＳ ゴシック", int size = 12, unsigned style = 0) {
  FontDesc f;
  f.name = name;
  f.size = size;
  f.style = style;
  return f;
}

std::uint32_t PixelAt(const TSXFontCacheData& g, int x, int y, int bpp) {
  std::uint32_t v = 0;
  for (int i = 0; i < bpp; ++i) v |= static_cast<std::uint32_t>((*g.pixels)[y * g.pitch + x * bpp + i]) << (8 * i);
  return v;
}

TEST(FontCache, SecondLookUpIsAHitThatSharesThePixels) {
  FakeGlyphs src;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  EXPECT_TRUE(cache.AntiAliased());
  TSXFontCacheData a, b;
  cache.GetGlyph('A', Font(), a);
  cache.GetGlyph('A', Font(), b);
  EXPECT_EQ(src.rasterised['A'], 1);
  EXPECT_EQ(cache.Count('A'), 1);
  ASSERT_NE(a.pixels, nullptr);
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(b.code, 0x41u);
  EXPECT_EQ(b.fontName, "ＭＳ ゴシック");
  EXPECT_EQ(b.fontHeight, -16);
}

TEST(FontCache, HitMovesTheEntryToTheFrontOfItsBucket) {
  FakeGlyphs src;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  TSXFontCacheData g;
  // Three codes of bucket 0x41, then the oldest again.
  for (std::uint32_t c : {0x41u, 0x8141u, 0x8241u}) cache.GetGlyph(c, Font(), g);
  ASSERT_EQ(cache.Count(0x41), 3);
  EXPECT_EQ(cache.Entry(0x41, 0).code, 0x8241u);
  EXPECT_EQ(cache.Entry(0x41, 2).code, 0x41u);
  cache.GetGlyph(0x41, Font(), g);
  EXPECT_EQ(cache.Entry(0x41, 0).code, 0x41u);
  EXPECT_EQ(cache.Entry(0x41, 1).code, 0x8241u);
  EXPECT_EQ(cache.Entry(0x41, 2).code, 0x8141u);
  EXPECT_EQ(src.rasterised[0x41], 1);
  EXPECT_EQ(cache.Count(0x42), 0);
}

TEST(FontCache, SeventeenthGlyphOfABucketEvictsItsLeastRecentlyUsedOnly) {
  FakeGlyphs src;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  TSXFontCacheData g;
  cache.GetGlyph('B', Font(), g);  // another bucket
  std::vector<std::uint32_t> codes;
  for (std::uint32_t lead = 0x81; lead < 0x81 + 16; ++lead) codes.push_back(lead * 256 + 0x41);
  for (std::uint32_t c : codes) cache.GetGlyph(c, Font(), g);
  ASSERT_EQ(cache.Count(0x41), 16);
  cache.GetGlyph(codes[0], Font(), g);  // the first is now the most recent; codes[1] the least
  cache.GetGlyph(0x41, Font(), g);      // the 17th
  EXPECT_EQ(cache.Count(0x41), 16);
  EXPECT_EQ(cache.Entry(0x41, 0).code, 0x41u);
  EXPECT_EQ(cache.Entry(0x41, 1).code, codes[0]);
  for (int i = 0; i < 16; ++i) EXPECT_NE(cache.Entry(0x41, i).code, codes[1]) << i;
  // Everything but the evicted glyph is still a hit; the evicted one is made again.
  for (std::uint32_t c : codes) {
    if (c != codes[1]) cache.GetGlyph(c, Font(), g);
  }
  cache.GetGlyph('B', Font(), g);
  for (std::uint32_t c : codes) {
    if (c != codes[1]) {
      EXPECT_EQ(src.rasterised[c], 1) << std::hex << c;
    }
  }
  EXPECT_EQ(src.rasterised['B'], 1);
  EXPECT_EQ(cache.Count('B'), 1);
  cache.GetGlyph(codes[1], Font(), g);
  EXPECT_EQ(src.rasterised[codes[1]], 2);
}

TEST(FontCache, OneEntryPerFontHeightAndStyle) {
  FakeGlyphs src;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  TSXFontCacheData g;
  const FontDesc fonts[] = {Font(), Font("ＭＳ Ｐゴシック"), Font("ＭＳ ゴシック", 16),
                            Font("ＭＳ ゴシック", 12, platform::kFontBold),
                            Font("ＭＳ ゴシック", 12, platform::kFontUnderline)};
  for (int round = 0; round < 2; ++round) {
    for (const FontDesc& f : fonts) {
      cache.GetGlyph(0x8ABF, f, g);
      EXPECT_EQ(g.fontName, f.name);
      EXPECT_EQ(g.fontHeight, f.Height());
      EXPECT_EQ(g.fontStyle, f.style);
    }
  }
  EXPECT_EQ(cache.Count(0xBF), 5);
  EXPECT_EQ(src.rasterised[0x8ABF], 5);
  // Colour and character set are not part of the key.
  FontDesc red = Font();
  red.color = 0x0000FF;
  red.charset = 1;
  cache.GetGlyph(0x8ABF, red, g);
  EXPECT_EQ(src.rasterised[0x8ABF], 5);
}

TEST(FontCache, GreyLevelsBecomeWhitePixelsWithCoverageAlpha) {
  FakeGlyphs src;
  FakeGlyphs::Made m;
  m.gm.blackBoxX = 5;  // source rows 8 bytes apart
  m.gm.blackBoxY = 2;
  m.gm.originX = -1;
  m.gm.originY = 12;
  m.gm.cellIncX = 9;
  m.bits = {64, 32, 0,  1, 63, 9, 9, 9,  //
            16, 48, 64, 0, 2,  9, 9, 9};
  m.result = 16;
  src.special[0x8341] = m;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  TSXFontCacheData g;
  cache.GetGlyph(0x8341, Font(), g);
  EXPECT_EQ(src.lastFormat, GlyphFormat::Gray8);
  EXPECT_EQ(g.width, 5);
  EXPECT_EQ(g.height, 2);
  EXPECT_EQ(g.pitch, 20);
  EXPECT_EQ(g.left, -1);
  EXPECT_EQ(g.top, 14 - 12);
  EXPECT_EQ(g.advanceX, 9);
  EXPECT_EQ(g.advanceY, 0);
  ASSERT_NE(g.pixels, nullptr);
  ASSERT_EQ(g.pixels->size(), 40u);
  const std::uint32_t want[2][5] = {{0xFFFFFFFF, 0x80FFFFFF, 0x00FFFFFF, 0x04FFFFFF, 0xFCFFFFFF},
                                    {0x40FFFFFF, 0xC0FFFFFF, 0xFFFFFFFF, 0x00FFFFFF, 0x08FFFFFF}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(g, x, y, 4), want[y][x]) << x << "," << y;
  }
}

TEST(FontCache, SixteenAndTwentyFourBitFormatsPadRowsToFourBytes) {
  FakeGlyphs src;
  FakeGlyphs::Made m;
  m.gm.blackBoxX = 3;
  m.gm.blackBoxY = 2;
  m.bits = {64, 32, 0, 0, 0, 64, 16, 0};
  m.result = 8;
  src.special['x'] = m;
  {
    TSXFontCache cache(&src, kA4R4G4B4, 16);
    TSXFontCacheData g;
    cache.GetGlyph('x', Font(), g);
    EXPECT_EQ(g.pitch, 8);  // 3 pixels * 2 bytes, rounded up
    ASSERT_EQ(g.pixels->size(), 16u);
    EXPECT_EQ(PixelAt(g, 0, 0, 2), 0xFFFFu);
    EXPECT_EQ(PixelAt(g, 1, 0, 2), 0x8FFFu);
    EXPECT_EQ(PixelAt(g, 1, 1, 2), 0xFFFFu);
    EXPECT_EQ(PixelAt(g, 2, 1, 2), 0x4FFFu);
    EXPECT_EQ((*g.pixels)[6], 0);  // padding stays zero
  }
  {
    TSXFontCache cache(&src, kR8G8B8, 16);
    TSXFontCacheData g;
    cache.GetGlyph('x', Font(), g);
    EXPECT_EQ(g.pitch, 12);                     // 9 bytes rounded up
    EXPECT_EQ(PixelAt(g, 2, 1, 3), 0xFFFFFFu);  // no alpha channel
  }
}

TEST(FontCache, MonochromeGlyphsUseOneBitRows) {
  FakeGlyphs src;
  FakeGlyphs::Made m;
  m.gm.blackBoxX = 10;  // two bytes of bits, rows 4 bytes apart
  m.gm.blackBoxY = 2;
  m.gm.cellIncX = 11;
  m.bits = {0x81, 0x40, 0xFF, 0xFF,  //
            0x00, 0x80, 0x00, 0x00};
  m.result = 8;
  src.special['m'] = m;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  cache.SetAntiAliased(false);
  TSXFontCacheData g;
  cache.GetGlyph('m', Font(), g);
  EXPECT_EQ(src.lastFormat, GlyphFormat::Bitmap);
  ASSERT_NE(g.pixels, nullptr);
  const char* rows[2] = {"#......#.#", "........#."};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(PixelAt(g, x, y, 4), rows[y][x] == '#' ? 0xFFFFFFFFu : 0x00FFFFFFu) << x << "," << y;
    }
  }
}

TEST(FontCache, SpaceHasMetricsAndNoPixels) {
  FakeGlyphs src;
  FakeGlyphs::Made space;
  space.gm.blackBoxX = 1;
  space.gm.blackBoxY = 1;
  space.gm.cellIncX = 8;
  space.result = 0;
  src.special[' '] = space;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  TSXFontCacheData g;
  cache.GetGlyph(' ', Font(), g);
  EXPECT_EQ(g.pixels, nullptr);
  EXPECT_EQ(g.advanceX, 8);
  EXPECT_EQ(g.width, 1);
  EXPECT_EQ(g.top, 14);
}

TEST(FontCache, FailedOrInconsistentGlyphsAreEmpty) {
  FakeGlyphs src;
  FakeGlyphs::Made failed;
  failed.result = platform::kGlyphError;
  src.special[0x8181] = failed;
  FakeGlyphs::Made shortBits;  // claims a 9 x 9 box but brings 4 bytes
  shortBits.gm.blackBoxX = 9;
  shortBits.gm.blackBoxY = 9;
  shortBits.gm.cellIncX = 5;
  shortBits.bits = {64, 64, 64, 64};
  shortBits.result = 4;
  src.special[0x8282] = shortBits;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  for (std::uint32_t code : {0x8181u, 0x8282u}) {
    TSXFontCacheData g;
    g.advanceX = 99;
    cache.GetGlyph(code, Font(), g);
    EXPECT_EQ(g.code, code);
    EXPECT_EQ(g.pixels, nullptr) << code;
    EXPECT_EQ(g.advanceX, 0) << code;
    EXPECT_EQ(g.width, 0) << code;
    cache.GetGlyph(code, Font(), g);  // kept: asked once
    EXPECT_EQ(src.rasterised[code], 1);
  }
}

TEST(FontCache, SetCapacityReleasesEverything) {
  FakeGlyphs src;
  TSXFontCache cache(&src, kA8R8G8B8, 16);
  TSXFontCacheData g;
  cache.GetGlyph('A', Font(), g);
  cache.SetCapacity(2);
  EXPECT_EQ(cache.Capacity(), 2);
  EXPECT_EQ(cache.Count('A'), 0);
  ASSERT_NE(g.pixels, nullptr);  // the caller's copy keeps its pixels
  EXPECT_EQ((*g.pixels)[3], 0xFF);
  for (std::uint32_t c : {0x41u, 0x8141u, 0x8241u}) cache.GetGlyph(c, Font(), g);
  EXPECT_EQ(cache.Count(0x41), 2);
  EXPECT_EQ(src.rasterised['A'], 2);
}

TEST(FontCache, ZeroCapacityKeepsNothingButStillAnswers) {
  FakeGlyphs src;
  TSXFontCache cache(&src, kA8R8G8B8, -3);
  EXPECT_EQ(cache.Capacity(), 0);
  TSXFontCacheData g;
  cache.GetGlyph('A', Font(), g);
  cache.GetGlyph('A', Font(), g);
  EXPECT_EQ(src.rasterised['A'], 2);
  EXPECT_EQ(cache.Count('A'), 0);
  EXPECT_EQ(g.advanceX, 7);
  ASSERT_NE(g.pixels, nullptr);
}

TEST(FontCache, RealGlyphsFromThePlatform) {
  // "ＭＳ ゴシック" 12 pt through the platform's rasteriser: the numbers GDI gives (see the glyph tests).
  auto ctx = platform::CreateGlyphContext();
  const FontDesc font = Font();
  ASSERT_TRUE(ctx->SelectFont(font));
  TSXFontCache cache(ctx.get(), kA8R8G8B8, 16);
  TSXFontCacheData a, space, kan;
  cache.GetGlyph('A', font, a);
  cache.GetGlyph(' ', font, space);
  cache.GetGlyph(0x8ABF, font, kan);
  EXPECT_EQ(a.width, 8);
  EXPECT_EQ(a.height, 11);
  EXPECT_EQ(a.top, 2);  // ascent 14, origin 12
  EXPECT_EQ(a.advanceX, 8);
  ASSERT_NE(a.pixels, nullptr);
  EXPECT_EQ(PixelAt(a, 3, 0, 4), 0xECFFFFFFu);  // level 59
  EXPECT_EQ(PixelAt(a, 2, 6, 4), 0xFFFFFFFFu);  // level 64
  EXPECT_EQ(PixelAt(a, 0, 0, 4), 0x00FFFFFFu);
  EXPECT_EQ(space.pixels, nullptr);
  EXPECT_EQ(space.advanceX, 8);
  EXPECT_EQ(kan.width, 16);
  EXPECT_EQ(kan.top, 1);
  EXPECT_EQ(kan.advanceX, 16);
  EXPECT_EQ(PixelAt(kan, 1, 0, 4), 0x48FFFFFFu);  // level 18
}

}  // namespace
