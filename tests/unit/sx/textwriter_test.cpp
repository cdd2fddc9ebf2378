// TSXTextWriter against the recording Direct3D of tests/support: which rectangles it locks and how often,
// clipping to level 0 when the surface is larger than the image, and the texture CreateTextTexture
// asks Direct3D for.
#include "sx/textwriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dg/texture.h"
#include "unit/dg/device_fixture.h"
#include "unit/sx/fake_glyphs.h"

namespace {

using fakeglyphs::FakeGlyphs;
using fakeglyphs::Make;

class TextWriterLocks : public testdev::RecordingDevice {
 protected:
  std::unique_ptr<sx::TSXTextWriter> Writer() {
    auto glyphs = std::make_unique<FakeGlyphs>();
    fake_ = glyphs.get();
    auto w = std::make_unique<sx::TSXTextWriter>(*carad_, D3DFMT_A8R8G8B8, 16, std::move(glyphs));
    platform::FontDesc f;
    f.name = "fake";
    w->SetFont(f);
    return w;
  }
  std::unique_ptr<dg::TDGTexture> Texture(UINT w, UINT h) {
    auto t =
        std::make_unique<dg::TDGTexture>(*carad_, std::vector<D3DFORMAT>{D3DFMT_A8R8G8B8}, 0, D3DPOOL_MANAGED, 1, "t");
    t->SetSize(w, h);
    rec_.Take();
    return t;
  }
  FakeGlyphs* fake_ = nullptr;
};

TEST_F(TextWriterLocks, OneLockPerVisibleGlyphWithItsClippedBox) {
  auto writer = Writer();
  fake_->glyphs['a'] = Make(0, 4, 3, -2, 1, 3);
  fake_->glyphs['b'] = Make(1, 4, 4, 1, 2, 4);
  FakeGlyphs::Glyph space = Make(0, 1, 1, 0, 0, 2);
  space.blank = true;
  fake_->glyphs[' '] = space;
  auto t = Texture(10, 4);
  // 'a' at pen 0 (box -2..1), a space (no pixels), 'b' at pen 5 (box 6..9, rows 2..5), 'a' again at
  // pen 9 (box 7..10), then the pen is past the width.
  writer->DrawText(0, 0, *t, "a ba");
  EXPECT_EQ(rec_.Take(),
            (testdev::Calls{"Texture::LockRect(texture0, 0, 0, 1, 2, 4, 0)", "Texture::UnlockRect(texture0, 0)",
                            "Texture::LockRect(texture0, 0, 6, 2, 10, 4, 0)", "Texture::UnlockRect(texture0, 0)",
                            "Texture::LockRect(texture0, 0, 7, 1, 10, 4, 0)", "Texture::UnlockRect(texture0, 0)"}));
  // Invisible boxes lock nothing.
  writer->DrawText(-9, 0, *t, "a");
  writer->DrawText(0, -6, *t, "b");
  EXPECT_TRUE(rec_.Take().empty());
}

TEST_F(TextWriterLocks, ClipsToTheLevelWhileThePenStopsAtTheImageWidth) {
  rec_.ChangeCaps([](D3DCAPS9& c) { c.TextureCaps |= D3DPTEXTURECAPS_POW2; });  // a 5 x 3 image on an 8 x 4 surface
  auto writer = Writer();
  fake_->glyphs['a'] = Make(0, 4, 2, 2, 1, 4);
  auto t = Texture(5, 3);
  ASSERT_EQ(t->SurfaceWidth(), 8u);
  writer->DrawText(0, 2, *t, "aaa");
  // Pen 0: columns 2..5 (past the image, inside the level), rows 3..3; pen 4: columns 6..8, cut
  // at the level's 8; pen 8 is past the image width: no third glyph.
  EXPECT_EQ(rec_.Matching("Texture::LockRect"),
            (std::vector<std::string>{"Texture::LockRect(texture0, 0, 2, 3, 6, 4, 0)",
                                      "Texture::LockRect(texture0, 0, 6, 3, 8, 4, 0)"}));
  const d3d9rec::Level surface = d3d9rec::LevelOf(t->Texture());
  EXPECT_EQ(surface.Pixel(5, 3), 0x10FFFFFFu);  // glyph pixel (3, 0): level 4
  EXPECT_EQ(surface.Pixel(7, 3), 0x08FFFFFFu);  // second glyph's pixel (1, 0): level 2
}

TEST_F(TextWriterLocks, CreateTextTextureAsksForAManagedSingleLevelTextureOfTheExtent) {
  auto writer = Writer();
  fake_->glyphs['a'] = Make(0, 2, 2, 0, 0, 5);
  rec_.Take();
  auto t = writer->CreateTextTexture("aa", {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}, "");
  const std::vector<std::string> created = rec_.Matching("CreateTexture");
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0], "CreateTexture(10, 13, 1, 0, 21, 1)");
  // The clear of the new texture, then one lock per glyph.
  EXPECT_EQ(rec_.Matching("Texture::LockRect").size(), 3u);
}

}  // namespace
