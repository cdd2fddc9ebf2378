// The glyph seam against GDI's numbers: the same test runs natively (FreeType) and under Wine (GDI).
#include "platform/glyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "unit/platform/glyph_reference.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using platform::CreateGlyphContext;
using platform::FontDesc;
using platform::GlyphContext;
using platform::GlyphFormat;
using platform::GlyphMetrics;
using platform::kGlyphError;

const char* const kFaces[2] = {"ＭＳ ゴシック", "ＭＳ Ｐゴシック"};

FontDesc Font(const std::string& name, int points, unsigned style = 0) {
  FontDesc f;
  f.name = name;
  f.size = points;
  f.style = style;
  f.charset = 128;
  return f;
}

std::string Describe(int face, int points, unsigned style, unsigned format, unsigned code) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "face %d, %d pt, style %u, format %u, code 0x%X", face, points, style, format, code);
  return buf;
}

struct Glyph {
  std::uint32_t result = 0;
  GlyphMetrics gm;
  std::vector<std::uint8_t> bytes;
};

// Size query, then the bitmap in a buffer of exactly that size.
Glyph Fetch(GlyphContext& ctx, unsigned code, GlyphFormat format) {
  Glyph g;
  g.result = ctx.GlyphOutline(code, format, &g.gm, 0, nullptr);
  if (g.result != kGlyphError && g.result > 0) {
    g.bytes.assign(g.result, 0xEE);
    GlyphMetrics again;
    EXPECT_EQ(ctx.GlyphOutline(code, format, &again, g.result, g.bytes.data()), g.result);
    EXPECT_EQ(again.blackBoxX, g.gm.blackBoxX);
    EXPECT_EQ(again.cellIncX, g.gm.cellIncX);
  }
  return g;
}

// Sum of the advances of a Shift-JIS string, walked as GDI does.
int AdvanceSum(GlyphContext& ctx, const std::string& text) {
  int sum = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    unsigned code = b;
    if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < text.size()) {
      code = b * 256u + static_cast<unsigned char>(text[i + 1]);
      i += 2;
    } else {
      i += 1;
    }
    GlyphMetrics gm;
    EXPECT_NE(ctx.GlyphOutline(code, GlyphFormat::Gray8, &gm, 0, nullptr), kGlyphError) << code;
    sum += gm.cellIncX;
  }
  return sum;
}

class Glyphs : public ::testing::Test {
 protected:
  void Select(const FontDesc& f) { ASSERT_TRUE(ctx_->SelectFont(f)) << f.name << " " << f.size; }
  std::unique_ptr<GlyphContext> ctx_ = CreateGlyphContext();
};

#ifdef _WIN32
TEST(GlyphEnvironment, AnsiCodePageIsJapanese) {
  // The reference numbers assume a Japanese system (tools/wine-run sets the locale).
  EXPECT_EQ(GetACP(), 932u);
}
#endif

TEST_F(Glyphs, TextMetricsMatchGdi) {
  for (const auto& r : glyphref::kMetrics) {
    Select(Font(kFaces[r.face], r.points, r.style));
    const auto tm = ctx_->Metrics();
    const std::string at = Describe(r.face, r.points, r.style, 0, 0);
    EXPECT_EQ(tm.height, r.height) << at;
    EXPECT_EQ(tm.ascent, r.ascent) << at;
    EXPECT_EQ(tm.descent, r.descent) << at;
    EXPECT_EQ(tm.internalLeading, r.internalLeading) << at;
    EXPECT_EQ(tm.aveCharWidth, r.aveCharWidth) << at;
    EXPECT_EQ(tm.maxCharWidth, r.maxCharWidth) << at;
    EXPECT_EQ(tm.weight, r.weight) << at;
    EXPECT_EQ(tm.italic, r.italic) << at;
  }
}

TEST_F(Glyphs, GlyphBoxesSizesAndAdvancesMatchGdi) {
  for (const auto& row : glyphref::kGlyphs) {
    Select(Font(kFaces[row.face], row.points, row.style));
    for (int i = 0; i < 6; ++i) {
      const auto& want = row.boxes[i];
      const unsigned code = glyphref::kCodes[i];
      GlyphMetrics gm;
      const std::uint32_t size = ctx_->GlyphOutline(code, static_cast<GlyphFormat>(row.format), &gm, 0, nullptr);
      const std::string at = Describe(row.face, row.points, row.style, row.format, code);
      EXPECT_EQ(size, want.size) << at;
      EXPECT_EQ(gm.blackBoxX, want.blackBoxX) << at;
      EXPECT_EQ(gm.blackBoxY, want.blackBoxY) << at;
      EXPECT_EQ(gm.originX, want.originX) << at;
      EXPECT_EQ(gm.originY, want.originY) << at;
      EXPECT_EQ(gm.cellIncX, want.cellIncX) << at;
      EXPECT_EQ(gm.cellIncY, 0) << at;
    }
  }
}

TEST_F(Glyphs, GlyphBitmapsMatchGdiByteForByte) {
  for (const auto& d : glyphref::kDumps) {
    Select(Font(kFaces[d.face], 12));
    const std::string at = Describe(d.face, 12, 0, d.format, d.code);
    const Glyph g = Fetch(*ctx_, d.code, static_cast<GlyphFormat>(d.format));
    ASSERT_EQ(g.result, d.box.size) << at;
    EXPECT_EQ(g.gm.blackBoxX, d.box.blackBoxX) << at;
    EXPECT_EQ(g.gm.blackBoxY, d.box.blackBoxY) << at;
    EXPECT_EQ(g.gm.originX, d.box.originX) << at;
    EXPECT_EQ(g.gm.originY, d.box.originY) << at;
    const std::vector<std::uint8_t> want(d.bytes, d.bytes + d.box.size);
    EXPECT_EQ(g.bytes, want) << at;
  }
}

TEST_F(Glyphs, GrayLevelsRunFromZeroToSixtyFour) {
  Select(Font(kFaces[0], 12));
  for (unsigned code : {0x41u, 0x67u, 0x8341u, 0x8ABFu, 0x8EA9u /* 自 */}) {
    const Glyph g = Fetch(*ctx_, code, GlyphFormat::Gray8);
    ASSERT_GT(g.result, 0u) << code;
    std::uint8_t top = 0;
    for (std::uint8_t v : g.bytes) top = std::max(top, v);
    EXPECT_EQ(top, 64) << code;
  }
}

TEST_F(Glyphs, TextExtentsMatchGdi) {
  for (const auto& r : glyphref::kExtents) {
    Select(Font(kFaces[r.face], r.points, r.style));
    for (int i = 0; i < 10; ++i) {
      const std::string text = glyphref::kExtentTexts[i];
      int cx = -1, cy = -1;
      ASSERT_TRUE(ctx_->TextExtent(text, &cx, &cy));
      const std::string at = Describe(r.face, r.points, r.style, 0, 0) + " text #" + std::to_string(i);
      EXPECT_EQ(cx, r.cx[i]) << at;
      EXPECT_EQ(cy, text.empty() ? 0 : r.cy) << at;
    }
  }
}

TEST_F(Glyphs, TextExtentIsTheSumOfTheAdvances) {
  const std::string line = "ボディサイズ：全長4,450mm×全幅1,850mm (Type-R) ｶﾀｶﾅ";
  for (int face = 0; face < 2; ++face) {
    for (unsigned style : {0u, 1u, 3u}) {
      Select(Font(kFaces[face], 12, style));
      int cx = 0, cy = 0;
      ASSERT_TRUE(ctx_->TextExtent(line, &cx, &cy));
      EXPECT_EQ(cx, AdvanceSum(*ctx_, line)) << face << " " << style;
      EXPECT_EQ(cy, ctx_->Metrics().height);
    }
  }
}

TEST_F(Glyphs, SpaceHasMetricsButNoPixels) {
  Select(Font(kFaces[0], 12));
  for (GlyphFormat format : {GlyphFormat::Gray8, GlyphFormat::Bitmap}) {
    GlyphMetrics gm;
    EXPECT_EQ(ctx_->GlyphOutline(' ', format, &gm, 0, nullptr), 0u);
    EXPECT_EQ(gm.blackBoxX, 1u);
    EXPECT_EQ(gm.blackBoxY, 1u);
    EXPECT_EQ(gm.cellIncX, 8);
    // Asking for the pixels of a glyph without any is an error and leaves the metrics alone.
    std::uint8_t buf[16];
    GlyphMetrics untouched;
    untouched.cellIncX = 12345;
    EXPECT_EQ(ctx_->GlyphOutline(' ', format, &untouched, sizeof buf, buf), kGlyphError);
    EXPECT_EQ(untouched.cellIncX, 12345);
  }
}

TEST_F(Glyphs, ShortBufferIsAnError) {
  Select(Font(kFaces[0], 12));
  GlyphMetrics gm;
  const std::uint32_t size = ctx_->GlyphOutline(0x8ABF, GlyphFormat::Gray8, &gm, 0, nullptr);
  ASSERT_EQ(size, 240u);
  std::vector<std::uint8_t> buf(size + 8, 0xEE);
  GlyphMetrics untouched;
  untouched.blackBoxX = 999;
  EXPECT_EQ(ctx_->GlyphOutline(0x8ABF, GlyphFormat::Gray8, &untouched, size - 1, buf.data()), kGlyphError);
  EXPECT_EQ(untouched.blackBoxX, 999u);
  // A larger buffer is fine; GDI (as Wine has it) clears the bytes past the bitmap.
  EXPECT_EQ(ctx_->GlyphOutline(0x8ABF, GlyphFormat::Gray8, &gm, size + 8, buf.data()), size);
  EXPECT_EQ(buf[1], 18);  // the second pixel of the first row
  EXPECT_EQ(buf[size], 0);
  EXPECT_EQ(buf[size + 7], 0);
}

TEST_F(Glyphs, UnderlineAndStrikeOutDoNotChangeGlyphs) {
  Select(Font(kFaces[0], 12));
  const auto plainTm = ctx_->Metrics();
  std::vector<Glyph> plain;
  for (unsigned code : glyphref::kCodes) plain.push_back(Fetch(*ctx_, code, GlyphFormat::Gray8));
  Select(Font(kFaces[0], 12, platform::kFontUnderline | platform::kFontStrikeOut));
  EXPECT_EQ(ctx_->Metrics().height, plainTm.height);
  EXPECT_EQ(ctx_->Metrics().ascent, plainTm.ascent);
  for (int i = 0; i < 6; ++i) {
    const Glyph g = Fetch(*ctx_, glyphref::kCodes[i], GlyphFormat::Gray8);
    EXPECT_EQ(g.result, plain[i].result) << i;
    EXPECT_EQ(g.gm.originY, plain[i].gm.originY) << i;
    EXPECT_EQ(g.bytes, plain[i].bytes) << i;
  }
}

TEST_F(Glyphs, BadCodesShowTheMiddleDot) {
  // A lone lead byte and a pair that code page 932 does not map both give U+30FB (0x8145).
  Select(Font(kFaces[0], 12));
  const Glyph dot = Fetch(*ctx_, 0x8145, GlyphFormat::Gray8);
  ASSERT_GT(dot.result, 0u);
  EXPECT_EQ(dot.gm.cellIncX, 16);
  for (unsigned code : {0x82u, 0xEFBCu}) {
    const Glyph g = Fetch(*ctx_, code, GlyphFormat::Gray8);
    EXPECT_EQ(g.result, dot.result) << code;
    EXPECT_EQ(g.gm.blackBoxX, dot.gm.blackBoxX) << code;
    EXPECT_EQ(g.gm.cellIncX, dot.gm.cellIncX) << code;
    EXPECT_EQ(g.bytes, dot.bytes) << code;
  }
}

TEST_F(Glyphs, UnknownFaceFallsBackToAJapaneseFont) {
  Select(Font(kFaces[0], 12));
  const Glyph want = Fetch(*ctx_, 0x8ABF, GlyphFormat::Gray8);
  Select(Font("存在しない書体", 12));
  const Glyph got = Fetch(*ctx_, 0x8ABF, GlyphFormat::Gray8);
  EXPECT_EQ(got.result, want.result);
  EXPECT_EQ(got.bytes, want.bytes);
  EXPECT_EQ(ctx_->Metrics().ascent, 14);
}

TEST_F(Glyphs, PositiveAndZeroHeightsAreCellHeights) {
  // -12 pt gives Height() +16: a cell of 16 pixels (ppem 15); height 0 is GDI's default, the same.
  for (int points : {-12, 0}) {
    FontDesc f = Font(kFaces[0], points);
    Select(f);
    const auto tm = ctx_->Metrics();
    EXPECT_EQ(tm.height, 16) << points;
    EXPECT_EQ(tm.ascent, 13) << points;
    int cx = 0, cy = 0;
    ASSERT_TRUE(ctx_->TextExtent("漢A", &cx, &cy));
    EXPECT_EQ(cy, 16);
    EXPECT_EQ(cx, AdvanceSum(*ctx_, "漢A"));
  }
}

TEST_F(Glyphs, FaceWithoutJapaneseGivesWayToTheJapaneseFontForShiftJis) {
  Select(Font(kFaces[0], 12));
  const Glyph wantA = Fetch(*ctx_, 'A', GlyphFormat::Gray8);
  const Glyph wantKan = Fetch(*ctx_, 0x8ABF, GlyphFormat::Gray8);
  Select(Font("DejaVu Sans", 12));  // installed or not: charset 128 needs a Japanese face
  EXPECT_EQ(ctx_->Metrics().height, 17);
  EXPECT_EQ(Fetch(*ctx_, 'A', GlyphFormat::Gray8).bytes, wantA.bytes);
  EXPECT_EQ(Fetch(*ctx_, 0x8ABF, GlyphFormat::Gray8).bytes, wantKan.bytes);
}

#ifndef _WIN32
TEST_F(Glyphs, LinuxTakesMissingCharactersFromTheJapaneseFont) {
  // With the default charset a Latin face stays selected; GDI would decode the code in the face's
  // code page, Linux draws the Japanese character from the Japanese font instead of a box.
  Select(Font(kFaces[0], 12));
  const Glyph want = Fetch(*ctx_, 0x8ABF, GlyphFormat::Gray8);
  FontDesc latin = Font("DejaVu Sans", 12);
  latin.charset = 1;
  Select(latin);
  const Glyph got = Fetch(*ctx_, 0x8ABF, GlyphFormat::Gray8);
  EXPECT_EQ(got.bytes, want.bytes);
  EXPECT_EQ(got.gm.cellIncX, 16);
}
#endif

TEST_F(Glyphs, HugeSizesAreBounded) {
  Select(Font(kFaces[0], 1000000));
  const auto tm = ctx_->Metrics();
  EXPECT_GE(tm.height, 2048);
  EXPECT_LE(tm.height, 2300);
  GlyphMetrics gm;
  const std::uint32_t size = ctx_->GlyphOutline('A', GlyphFormat::Gray8, &gm, 0, nullptr);
  EXPECT_NE(size, kGlyphError);
  EXPECT_LE(gm.blackBoxY, 2300u);
}

// Every glyph of a data-sheet line in both faces, three sizes, four styles and both formats,
// recorded from GDI under Wine (the Windows run of this test). Metrics, sizes and 1-bit bitmaps go
// into a checksum that must match exactly. Grey levels are compared by their sum: Wine runs a
// 32-bit FreeType whose curve rasterising differs from the 64-bit one by one level on a few pixels.
const char kSampleLine[] =
    "車両型式：ＫＥＳＴＯＲ　最高出力280PS/6800rpm、全長4,450mm×全幅1,850mm。"
    "ｶﾀｶﾅ ﾃﾞｽ!?@#$%&*()[]{}~^_|<>;:'\"+-=Wjqy";
constexpr long kLevelSumTolerance = 16;

struct SetRecord {
  int face, points;
  unsigned style, format;
  std::uint64_t checksum;
  long levelSum;  // grey sets only
};
constexpr SetRecord kSampleSets[] = {
    {0, 10, 0, 6, 0x6bb5d3200bb360bbull, 116575}, {0, 10, 0, 1, 0x2abcd2109ff0e51full, 0},
    {0, 10, 1, 6, 0xf69e233641f2b8a5ull, 181237}, {0, 10, 1, 1, 0x2a53e427a291bcb0ull, 0},
    {0, 10, 2, 6, 0xb6cc1a8df602f56eull, 116455}, {0, 10, 2, 1, 0x4387c064cbaa78e5ull, 0},
    {0, 10, 3, 6, 0xa1ba8aa8b814910bull, 181318}, {0, 10, 3, 1, 0x863fd67c7e0e19f1ull, 0},
    {0, 12, 0, 6, 0x5072685f288c3161ull, 163862}, {0, 12, 0, 1, 0x4e2eea926edefc65ull, 0},
    {0, 12, 1, 6, 0xcb7c819fc208d5c7ull, 266567}, {0, 12, 1, 1, 0x78ebfe3a405488dcull, 0},
    {0, 12, 2, 6, 0xb86094882595ed31ull, 163746}, {0, 12, 2, 1, 0xc410416fdf9ee1e5ull, 0},
    {0, 12, 3, 6, 0x47ea3fce8171963aull, 266542}, {0, 12, 3, 1, 0x97c1cc26940e8750ull, 0},
    {0, 16, 0, 6, 0x7942b72208fba112ull, 273952}, {0, 16, 0, 1, 0x270bcf46ab2ba444ull, 0},
    {0, 16, 1, 6, 0x2dbf54913119d1cbull, 457347}, {0, 16, 1, 1, 0x43b523729ac93a56ull, 0},
    {0, 16, 2, 6, 0x1469182cd49e6058ull, 273922}, {0, 16, 2, 1, 0xc52f2c6c8c7aeb50ull, 0},
    {0, 16, 3, 6, 0xca1585b186e7dcbbull, 457192}, {0, 16, 3, 1, 0x204b8531ff3affa5ull, 0},
    {1, 10, 0, 6, 0x32dc02ef6166c827ull, 123499}, {1, 10, 0, 1, 0x41d908797b801965ull, 0},
    {1, 10, 1, 6, 0xa96367dd301ccfcbull, 190823}, {1, 10, 1, 1, 0xde27673a2e86e640ull, 0},
    {1, 10, 2, 6, 0x4dd868dcdaa4d7baull, 123426}, {1, 10, 2, 1, 0xc20bc9fd7388a7fcull, 0},
    {1, 10, 3, 6, 0x30c960ceabc29f0eull, 190739}, {1, 10, 3, 1, 0x588eb0ace100a8aeull, 0},
    {1, 12, 0, 6, 0xfc6d11ae47b05309ull, 177270}, {1, 12, 0, 1, 0x6064e390f58401ecull, 0},
    {1, 12, 1, 6, 0xa94d4f1ab9a7bc23ull, 284470}, {1, 12, 1, 1, 0x4fb81ec29ba310a2ull, 0},
    {1, 12, 2, 6, 0x2d988cf3c052332dull, 177215}, {1, 12, 2, 1, 0x4cac4e8291f01425ull, 0},
    {1, 12, 3, 6, 0x5e7ae5afaf0db539ull, 284514}, {1, 12, 3, 1, 0x793983521256564cull, 0},
    {1, 16, 0, 6, 0xf605d216f0f8f7d3ull, 297431}, {1, 16, 0, 1, 0xe0c1a2796b587760ull, 0},
    {1, 16, 1, 6, 0x45be06e6f238f494ull, 485480}, {1, 16, 1, 1, 0x3b3a5d90cf05255dull, 0},
    {1, 16, 2, 6, 0x7e5c8ecf0bc3cea2ull, 297479}, {1, 16, 2, 1, 0xc411cf1272c23b1ull, 0},
    {1, 16, 3, 6, 0x62819e3cd07f30b1ull, 485415}, {1, 16, 3, 1, 0xfb20520a8d69afc6ull, 0},
};

std::uint64_t Mix(std::uint64_t h, std::int64_t v) {
  for (int i = 0; i < 8; ++i) {
    h ^= static_cast<std::uint8_t>(v >> (8 * i));
    h *= 1099511628211ull;  // FNV-1a
  }
  return h;
}

TEST_F(Glyphs, SampleLineMatchesGdi) {
  const std::string line = kSampleLine;
  std::size_t checked = 0;
  for (int face = 0; face < 2; ++face) {
    for (int points : {10, 12, 16}) {
      for (unsigned style = 0; style < 4; ++style) {
        Select(Font(kFaces[face], points, style));
        for (unsigned format : {6u, 1u}) {
          std::uint64_t h = 14695981039346656037ull;
          long levels = 0;
          for (std::size_t i = 0; i < line.size();) {
            const unsigned char b = static_cast<unsigned char>(line[i]);
            const bool dbcs = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < line.size();
            const unsigned code = dbcs ? b * 256u + static_cast<unsigned char>(line[i + 1]) : b;
            i += dbcs ? 2 : 1;
            const Glyph g = Fetch(*ctx_, code, static_cast<GlyphFormat>(format));
            for (std::int64_t v : {std::int64_t{code}, std::int64_t{g.result}, std::int64_t{g.gm.blackBoxX},
                                   std::int64_t{g.gm.blackBoxY}, std::int64_t{g.gm.originX}, std::int64_t{g.gm.originY},
                                   std::int64_t{g.gm.cellIncX}}) {
              h = Mix(h, v);
            }
            for (std::uint8_t v : g.bytes) {
              if (format == 1) h = Mix(h, v);
              levels += v;
            }
          }
          if (format == 1) levels = 0;
          bool found = false;
          for (const auto& r : kSampleSets) {
            if (r.face == face && r.points == points && r.style == style && r.format == format) {
              found = true;
              ++checked;
              EXPECT_EQ(h, r.checksum) << Describe(face, points, style, format, 0);
              EXPECT_NEAR(levels, r.levelSum, kLevelSumTolerance) << Describe(face, points, style, format, 0);
            }
          }
          if (!found) {
            ADD_FAILURE() << "not recorded:    {" << face << ", " << points << ", " << style << ", " << format << ", 0x"
                          << std::hex << h << std::dec << "ull, " << levels << "},";
          }
        }
      }
    }
  }
  EXPECT_EQ(checked, 48u);
}

}  // namespace
