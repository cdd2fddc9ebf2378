// TSXTextWriter on the real Direct3D 9 of each target (Linux: the OpenGL layer, headless; Windows:
// d3d9.dll under Wine): the walk, clipping and copy with a made-up glyph source, then real glyphs
// of "ＭＳ ゴシック" / "ＭＳ Ｐゴシック" against the numbers GDI gives, and on Linux the whole set of
// rendered cases against the Windows build's (GDI and d3d9.dll under Wine), pixel for pixel.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "dg/texture.h"
#include "gl/dg/dg_window.h"
#include "gl/sx/textwriter_cases.h"
#include "sx/textwriter.h"
#include "unit/dg/log_helper.h"
#include "unit/platform/glyph_reference.h"
#include "unit/sx/fake_glyphs.h"

namespace {

using fakeglyphs::FakeGlyphs;
using fakeglyphs::Make;
using platform::FontDesc;

constexpr std::uint32_t kMarker = 0xFF10A020;  // what the tests paint a texture with first
const std::vector<D3DFORMAT> kAlphaFormats = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};

FontDesc Font(const std::string& name, int points = 12, unsigned style = 0) {
  FontDesc f;
  f.name = name;
  f.size = points;
  f.style = style;
  f.charset = 128;
  return f;
}

class TextWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    window_ = std::make_unique<testwin::Window>(160, 120);
    ASSERT_TRUE(window_->Ok());
    carad_ = std::make_unique<dg::TDGCarad>(*window_);
    carad_->SetDebugOption(dg::dgoDebugMessage);
    carad_->Initialize();
    ASSERT_NE(carad_->Device(), nullptr);
  }
  void TearDown() override {
    carad_.reset();
    window_.reset();
    testlog::End();
  }

  // A writer on a fake glyph source that the test keeps a pointer to.
  std::unique_ptr<sx::TSXTextWriter> FakeWriter(std::uint32_t format = D3DFMT_A8R8G8B8) {
    auto glyphs = std::make_unique<FakeGlyphs>();
    fake_ = glyphs.get();
    auto writer = std::make_unique<sx::TSXTextWriter>(*carad_, format, 16, std::move(glyphs));
    writer->SetFont(Font("fake"));
    return writer;
  }

  // A w x h texture painted with kMarker.
  std::unique_ptr<dg::TDGTexture> Painted(UINT w, UINT h, std::vector<D3DFORMAT> formats = {D3DFMT_A8R8G8B8}) {
    auto t = std::make_unique<dg::TDGTexture>(*carad_, std::move(formats), 0, D3DPOOL_MANAGED, 1, "painted");
    t->SetSize(w, h);
    t->Fill(RECT{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)}, kMarker, false);
    return t;
  }

  // Level 0's image area as A8R8G8B8 values (other formats unpacked), top row first.
  static std::vector<std::uint32_t> Pixels(dg::TDGTexture& t) {
    std::vector<std::uint32_t> px;
    const RECT all = {0, 0, static_cast<LONG>(t.Width()), static_cast<LONG>(t.Height())};
    const D3DLOCKED_RECT lr = t.LockRect(0, &all, D3DLOCK_READONLY);
    if (!lr.pBits) return px;
    for (UINT y = 0; y < t.Height(); ++y) {
      for (UINT x = 0; x < t.Width(); ++x) {
        const auto* p = static_cast<const std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * t.BytesPerPixel();
        std::uint32_t v = 0;
        for (UINT i = 0; i < t.BytesPerPixel(); ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
        px.push_back(v);
      }
    }
    t.UnlockRect();
    return px;
  }

  // The texture as text, three characters a pixel and a space between: "..." the marker, "___" a
  // glyph pixel without coverage (transparent white), "a21" pixel (2, 1) of glyph 0 ("b" glyph 1,
  // ...), "000" transparent black (never written), "???" anything else.
  static std::vector<std::string> Show(dg::TDGTexture& t) {
    const std::vector<std::uint32_t> px = Pixels(t);
    std::vector<std::string> rows;
    for (UINT y = 0; y < t.Height(); ++y) {
      std::string row;
      for (UINT x = 0; x < t.Width(); ++x) {
        const std::uint32_t v = px[y * t.Width() + x];
        std::string cell = "???";
        if (v == kMarker) {
          cell = "...";
        } else if (v == 0) {
          cell = "000";
        } else if (v == 0x00FFFFFF) {
          cell = "___";
        } else if ((v & 0xFFFFFF) == 0xFFFFFF) {
          const unsigned a = v >> 24;
          const unsigned level = a == 255 ? 64 : a / 4;
          if (level >= 1 && (a == 255 || a % 4 == 0)) {
            const unsigned n = (level - 1) / 16, r = (level - 1) % 16 / 4, c = (level - 1) % 4;
            cell = {static_cast<char>('a' + n), static_cast<char>('0' + c), static_cast<char>('0' + r)};
          }
        }
        row += (x ? " " : "") + cell;
      }
      rows.push_back(row);
    }
    return rows;
  }

  bool LogHas(const std::string& start) const {
    for (const std::string& line : testlog::Lines(log_))
      if (line.compare(0, start.size(), start) == 0) return true;
    return false;
  }
  bool LogReportsFailures() const {
    for (const std::string& line : testlog::Lines(log_))
      if (line.find("(Error Code = ") != std::string::npos) return true;
    return false;
  }

  std::unique_ptr<testwin::Window> window_;
  std::unique_ptr<dg::TDGCarad> carad_;
  std::string log_;
  FakeGlyphs* fake_ = nullptr;
};

using Rows = std::vector<std::string>;

// ---- clipping and copy, made-up glyphs ----

TEST_F(TextWriterTest, ANegativeLeftBearingAtXZeroShowsTheGlyphsRightPart) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 4, 3, -2, 1, 3);
  auto t = Painted(5, 4);
  writer->DrawText(0, 0, *t, "a");
  EXPECT_EQ(Show(*t), (Rows{"... ... ... ... ...",  //
                            "a20 a30 ... ... ...",  //
                            "a21 a31 ... ... ...",  //
                            "a22 a32 ... ... ..."}));
}

TEST_F(TextWriterTest, BoxesPastTheRightAndBottomEdgesAreShortened) {
  auto writer = FakeWriter();
  fake_->glyphs['b'] = Make(1, 4, 4, 1, 2, 5);
  auto t = Painted(5, 4);
  writer->DrawText(2, 0, *t, "b");
  EXPECT_EQ(Show(*t), (Rows{"... ... ... ... ...",  //
                            "... ... ... ... ...",  //
                            "... ... ... b00 b10",  //
                            "... ... ... b01 b11"}));
}

TEST_F(TextWriterTest, ANegativePenLosesColumnsAndRowsAndSkipsBoxesOutsideTheTexture) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 2, 2, 0, 0, 3);
  fake_->glyphs['b'] = Make(1, 3, 4, 1, 0, 3);
  auto t = Painted(5, 3);
  // 'a' lies wholly left of x = 0; 'b' starts at x = -1 and y = -2.
  writer->DrawText(-5, -2, *t, "ab");
  EXPECT_EQ(Show(*t), (Rows{"b12 b22 ... ... ...",  //
                            "b13 b23 ... ... ...",  //
                            "... ... ... ... ..."}));
  EXPECT_EQ(fake_->asked, (std::vector<unsigned>{'a', 'b'}));
}

TEST_F(TextWriterTest, APenAtOrPastTheTextureSizeDrawsNothing) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 2, 2, -3, 0, 3);  // would reach back into the texture
  auto t = Painted(5, 3);
  writer->DrawText(5, 0, *t, "a");
  writer->DrawText(0, 3, *t, "a");
  writer->DrawText(7, -1, *t, "a");
  EXPECT_TRUE(fake_->asked.empty());
  EXPECT_EQ(Show(*t), (Rows(3, "... ... ... ... ...")));
  writer->DrawText(4, 2, *t, "a");                  // just inside: drawn, clipped
  EXPECT_EQ(Show(*t), (Rows{"... ... ... ... ...",  //
                            "... ... ... ... ...",  //
                            "... a00 a10 ... ..."}));
}

TEST_F(TextWriterTest, ThePenStopsOnceItReachesTheTextureWidth) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 2, 1, 0, 0, 3);
  fake_->glyphs['b'] = Make(1, 2, 1, 0, 0, 3);
  fake_->glyphs['c'] = Make(2, 3, 1, -6, 1, 3);  // would land at x = 0 if it were drawn
  auto t = Painted(6, 2);
  writer->DrawText(0, 0, *t, "abc");
  EXPECT_EQ(Show(*t), (Rows{"a00 a10 ... b00 b10 ...",  //
                            "... ... ... ... ... ..."}));
  EXPECT_EQ(fake_->asked, (std::vector<unsigned>{'a', 'b'}));
}

TEST_F(TextWriterTest, TheShiftJisWalkTakesLeadBytesByItsOwnRule) {
  auto writer = FakeWriter();
  auto t = Painted(64, 2);
  // 0x80 and 0xA0..0xDF stand alone; 0x81..0x9F and 0xE0..0xFF lead, whatever follows; a lead byte
  // at the very end is a character of its own.
  const std::string text = "A\x80\x81\x40\xA0\xDF\xE0\x41\xFD\x20\x9F\xFF\x82";
  writer->DrawText(0, 0, *t, text);
  EXPECT_EQ(fake_->asked, (std::vector<unsigned>{0x41, 0x80, 0x8140, 0xA0, 0xDF, 0xE041, 0xFD20, 0x9FFF, 0x82}));
  fake_->asked.clear();
  writer->DrawText(0, 0, *t, "\x83\x41\x8A");  // ア, then a lone lead byte
  EXPECT_EQ(fake_->asked, (std::vector<unsigned>{0x8341, 0x8A}));
}

TEST_F(TextWriterTest, GlyphPixelsReplaceTheTexturesAndSpacesCopyNothing) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 3, 2, 0, 0, 4, "1,0;0,1;");
  FakeGlyphs::Glyph space = Make(0, 1, 1, 0, 0, 2);
  space.blank = true;
  fake_->glyphs[' '] = space;
  auto t = Painted(8, 2);
  writer->DrawText(0, 0, *t, " a a");
  writer->DrawText(2, 0, *t, "a");                              // the same place again: still the glyph, no blending
  EXPECT_EQ(Show(*t), (Rows{"... ... a00 ___ a20 ... ... ...",  //
                            "... ... ___ a11 a21 ... ... ..."}));
  EXPECT_EQ(fake_->asked, (std::vector<unsigned>{' ', 'a'}));  // each glyph rasterised once
}

TEST_F(TextWriterTest, SixteenBitGlyphsCopyTwoBytesAPixel) {
  auto writer = FakeWriter(D3DFMT_A4R4G4B4);
  fake_->glyphs['a'] = Make(3, 3, 2, -1, 0, 2, "0,0;");  // levels 49..55
  auto t =
      std::make_unique<dg::TDGTexture>(*carad_, std::vector<D3DFORMAT>{D3DFMT_A4R4G4B4}, 0, D3DPOOL_MANAGED, 1, "");
  t->SetSize(3, 2);
  ASSERT_EQ(t->Format(), D3DFMT_A4R4G4B4);
  writer->DrawText(0, 0, *t, "aa");
  // Alpha (49 + 4r + c) * 4 keeps its top 4 bits: 0xC in row 0, 0xD in row 1. Pen 0 shows columns
  // 1..2 at x 0..1, then pen 2 columns 0..1 at x 1..2, its uncovered (0, 0) over x = 1.
  const std::vector<std::uint32_t> want = {0xCFFF, 0x0FFF, 0xCFFF,  //
                                           0xDFFF, 0xDFFF, 0xDFFF};
  EXPECT_EQ(Pixels(*t), want);
}

TEST_F(TextWriterTest, ATextureOfAnotherFormatIsRefusedAndLogged) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 2, 2, 0, 0, 2);
  auto t = Painted(4, 2, {D3DFMT_A4R4G4B4});
  ASSERT_EQ(t->Format(), D3DFMT_A4R4G4B4);
  const std::vector<std::uint32_t> before = Pixels(*t);
  writer->DrawText(0, 0, *t, "aa");
  EXPECT_EQ(Pixels(*t), before);
  EXPECT_TRUE(LogHas("ZIRer: テクスチャのフォーマット A4R4G4B4 がテキストライタのフォーマット A8R8G8B8 と異なるため"));
}

TEST_F(TextWriterTest, CreateTextTextureSizesToTheExtentAndLeavesSpacesTransparent) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 2, 2, 1, 3, 4);
  FakeGlyphs::Glyph space = Make(0, 1, 1, 0, 0, 3);
  space.blank = true;
  fake_->glyphs[' '] = space;

  auto spaces = writer->CreateTextTexture("   ", kAlphaFormats, "");
  EXPECT_EQ(spaces->Width(), 9u);
  EXPECT_EQ(spaces->Height(), 13u);
  EXPECT_EQ(spaces->Format(), D3DFMT_A8R8G8B8);
  EXPECT_EQ(spaces->Pool(), D3DPOOL_MANAGED);
  EXPECT_EQ(spaces->Levels(), 1u);
  EXPECT_EQ(Pixels(*spaces), std::vector<std::uint32_t>(9 * 13, 0u));

  auto text = writer->CreateTextTexture(" a", kAlphaFormats, "line");
  EXPECT_EQ(text->Name(), "line");
  ASSERT_EQ(text->Width(), 7u);
  const Rows rows = Show(*text);
  EXPECT_EQ(rows[3], "000 000 000 000 a00 a10 000");
  EXPECT_EQ(rows[4], "000 000 000 000 a01 a11 000");
  EXPECT_EQ(rows[5], "000 000 000 000 000 000 000");

  // Nothing to show: one transparent pixel wide and a line high, without a Direct3D failure.
  auto empty = writer->CreateTextTexture("", kAlphaFormats, "");
  EXPECT_NE(empty->Texture(), nullptr);
  EXPECT_EQ(empty->Width(), 1u);
  EXPECT_EQ(empty->Height(), 13u);
  EXPECT_EQ(Pixels(*empty), std::vector<std::uint32_t>(13, 0u));
  EXPECT_FALSE(LogReportsFailures());
}

TEST_F(TextWriterTest, AFontThatCannotBeMadeDrawsNothingUntilOneCan) {
  auto writer = FakeWriter();
  fake_->glyphs['a'] = Make(0, 2, 2, 0, 0, 2);
  writer->SetFont(Font("none"));
  EXPECT_FALSE(writer->FontSelected());
  EXPECT_EQ(writer->Font().name, "none");
  EXPECT_TRUE(LogHas("ZIRer: フォント「none」を選択できません"));
  auto t = Painted(4, 2);
  writer->DrawText(0, 0, *t, "a");
  auto made = writer->CreateTextTexture("aa", kAlphaFormats, "");
  EXPECT_EQ(made->Width(), 1u);
  EXPECT_EQ(made->Height(), 1u);
  EXPECT_TRUE(fake_->asked.empty());  // no glyph of the old font cached under the new name
  EXPECT_EQ(Show(*t), (Rows(2, "... ... ... ...")));

  writer->SetFont(Font("fake", 16));
  EXPECT_TRUE(writer->FontSelected());
  EXPECT_EQ(fake_->selected.size, 16);
  writer->DrawText(0, 0, *t, "a");
  EXPECT_EQ(Show(*t)[0], "a00 a10 ... ...");
}

// ---- real glyphs: the platform's rasteriser, GDI's numbers ----

int ExtentOf(int face, int points, unsigned style, int text) {
  for (const glyphref::ExtentRow& row : glyphref::kExtents)
    if (row.face == face && row.points == points && row.style == style) return row.cx[text];
  return -1;
}

const glyphref::Dump& DumpOf(int face, unsigned code) {
  for (const glyphref::Dump& d : glyphref::kDumps)
    if (d.face == face && d.code == code && d.format == 6) return d;
  return glyphref::kDumps[0];
}

std::uint32_t Expected(unsigned level) { return (level >= 64 ? 255u : level * 4u) << 24 | 0xFFFFFFu; }

// Every pixel of the glyph's box at (x, y) in the texture, columns from `firstColumn` on.
void ExpectGlyphAt(const std::vector<std::uint32_t>& px, unsigned width, int x, int y, const glyphref::Dump& d,
                   unsigned firstColumn = 0, unsigned columns = 0) {
  const unsigned pitch = (d.box.blackBoxX + 3) & ~3u;
  if (columns == 0) columns = d.box.blackBoxX - firstColumn;
  for (unsigned r = 0; r < d.box.blackBoxY; ++r) {
    for (unsigned c = firstColumn; c < firstColumn + columns; ++c) {
      const std::size_t at = static_cast<std::size_t>(y + static_cast<int>(r)) * width + x + (c - firstColumn);
      ASSERT_LT(at, px.size());
      EXPECT_EQ(px[at], Expected(d.bytes[r * pitch + c]))
          << "code " << std::hex << d.code << std::dec << " column " << c << " row " << r;
    }
  }
}

TEST_F(TextWriterTest, MsGothicLatinAndKanjiAsGdiRastersThem) {
  sx::TSXTextWriter writer(*carad_, D3DFMT_A8R8G8B8, 16);
  writer.SetFont(Font("ＭＳ ゴシック"));
  ASSERT_TRUE(writer.FontSelected());
  auto t = writer.CreateTextTexture("ABC 漢字", kAlphaFormats, "");  // glyphref text 0
  ASSERT_EQ(t->Format(), D3DFMT_A8R8G8B8);
  EXPECT_EQ(static_cast<int>(t->Width()), ExtentOf(0, 12, 0, 0));
  EXPECT_EQ(t->Height(), 17u);
  const std::vector<std::uint32_t> px = Pixels(*t);
  ASSERT_EQ(px.size(), 64u * 17u);
  // A at pen 0 (origin (0, 12), ascent 14: two rows down), 漢 at pen 32 (origin (0, 13)).
  ExpectGlyphAt(px, 64, 0, 2, DumpOf(0, 0x41));
  ExpectGlyphAt(px, 64, 32, 1, DumpOf(0, 0x8ABF));
  // The space (pen 24..31) advances without pixels: never written, still transparent black.
  for (unsigned y = 0; y < 17; ++y)
    for (unsigned x = 24; x < 32; ++x) EXPECT_EQ(px[y * 64 + x], 0u) << x << "," << y;
  // The cache holds what the texture shows.
  sx::TSXFontCacheData a, kan;
  writer.FontCache().GetGlyph(0x41, writer.Font(), a);
  writer.FontCache().GetGlyph(0x8ABF, writer.Font(), kan);
  EXPECT_EQ(a.advanceX, 8);
  EXPECT_EQ(kan.advanceX, 16);
  EXPECT_EQ(kan.top, 1);
}

TEST_F(TextWriterTest, AProportionalCapitalAStartsLeftOfTheTextureAndIsClipped) {
  sx::TSXTextWriter writer(*carad_, D3DFMT_A8R8G8B8, 16);
  writer.SetFont(Font("ＭＳ Ｐゴシック"));
  auto t = writer.CreateTextTexture("A", kAlphaFormats, "");
  ASSERT_EQ(static_cast<int>(t->Width()), ExtentOf(1, 12, 0, 3));  // 10: the box is 12 wide from x = -1
  const std::vector<std::uint32_t> px = Pixels(*t);
  ExpectGlyphAt(px, t->Width(), 0, 2, DumpOf(1, 0x41), 1, 10);
}

TEST_F(TextWriterTest, SpacesGiveATextureAsWideAsTheirAdvances) {
  sx::TSXTextWriter writer(*carad_, D3DFMT_A8R8G8B8, 16);
  writer.SetFont(Font("ＭＳ ゴシック", 16));
  auto t = writer.CreateTextTexture("    ", kAlphaFormats, "");
  EXPECT_EQ(static_cast<int>(t->Width()), ExtentOf(0, 16, 0, 1));
  EXPECT_EQ(t->Height(), 22u);
  EXPECT_EQ(Pixels(*t), std::vector<std::uint32_t>(t->Width() * t->Height(), 0u));
}

// Every case renders white glyphs into a texture of its extent; the pictures are kept as PNG files
// (build folder, textwriter-png/) for a look.
TEST_F(TextWriterTest, DataSheetLinesRenderAndAreSavedAsPictures) {
  const std::vector<twcases::Rendered> rendered = twcases::RenderAll(*carad_);
  ASSERT_EQ(rendered.size(), twcases::Cases().size());
  const char* env = std::getenv("KESTOR_BINARY_DIR");
  const std::string dir = std::string(env ? env : ".") + "/textwriter-png";
  std::filesystem::create_directories(dir);
#ifdef _WIN32
  const std::string target = "win32";
#else
  const std::string target = "linux";
#endif
  for (const twcases::Rendered& r : rendered) {
    int cx = 0, cy = 0;
    ASSERT_EQ(std::sscanf(r.lines[1].c_str(), "extent 1 %d %d", &cx, &cy), 2) << r.lines[1];
    EXPECT_EQ(static_cast<int>(r.width), cx) << r.label;
    EXPECT_EQ(static_cast<int>(r.height), cy) << r.label;
    int lit = 0;
    for (std::uint32_t v : r.argb) {
      if (v >> 24) {
        ++lit;
        EXPECT_EQ(v & 0xFFFFFF, 0xFFFFFFu) << r.label;
      }
    }
    EXPECT_GT(lit, static_cast<int>(r.width)) << r.label << " shows hardly anything";
    EXPECT_TRUE(twcases::WritePicture(dir + "/" + target + "-" + r.label + ".png", r, 4)) << dir;
  }
}

#ifndef _WIN32
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The same cases through FreeType + this layer and through GDI + Wine's d3d9.dll: identical dumps.
TEST_F(TextWriterTest, EveryCaseMatchesTheWindowsBuildUnderWine) {
  const std::string exe =
      !Env("KESTOR_TEXTWRITER_DUMP_EXE").empty() ? Env("KESTOR_TEXTWRITER_DUMP_EXE") : KESTOR_TEXTWRITER_DUMP_EXE;
  struct stat st;
  if (stat(exe.c_str(), &st) != 0) GTEST_SKIP() << "no Windows build of sx_textwriter_dump at " << exe;
  const std::string source = Env("KESTOR_SOURCE_DIR");
  ASSERT_FALSE(source.empty());
  const std::string outDir = Env("KESTOR_BINARY_DIR") + "/textwriter-png";
  std::filesystem::create_directories(outDir + "/wine");
  const std::string wineDump = outDir + "/wine/dump.txt";
  std::remove(wineDump.c_str());
  const std::string cmd = "'" + source + "/tools/wine-run' '" + exe + "' '" + wineDump + "' '" + outDir + "/wine' > '" +
                          outDir + "/wine/run.log' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "see " << outDir << "/wine/run.log";
  const std::vector<std::string> wine = SplitLines(scratch::ReadAll(wineDump));
  const std::string mineText = twcases::DumpText(twcases::RenderAll(*carad_));
  scratch::WriteAll(outDir + "/linux-dump.txt", mineText);
  const std::vector<std::string> mine = SplitLines(mineText);
  ASSERT_FALSE(wine.empty());
  int shown = 0;
  for (std::size_t i = 0; i < std::max(mine.size(), wine.size()) && shown < 12; ++i) {
    const std::string a = i < mine.size() ? mine[i] : "(none)";
    const std::string b = i < wine.size() ? wine[i] : "(none)";
    if (a != b) {
      ADD_FAILURE() << "line " << i + 1 << "\n linux: " << a << "\n wine:  " << b;
      ++shown;
    }
  }
  EXPECT_EQ(mine.size(), wine.size());
}
#endif

}  // namespace
