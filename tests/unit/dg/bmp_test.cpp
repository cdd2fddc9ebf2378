// LoadBMP and the texture loaders on BMP files: every depth into every format, the rows and columns
// that do not fit, the logged failures, and files that lie about themselves.
#include "dg/bmp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dg/stream.h"
#include "dg/texture.h"
#include "unit/dg/bmp_files.h"
#include "unit/dg/device_fixture.h"
#include "unit/dg/scratch.h"

namespace {

std::unique_ptr<dg::TMemoryStream> StreamOf(const testbmp::Bytes& bytes) {
  auto s = std::make_unique<dg::TMemoryStream>();
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), bytes.size());
  s->SetPosition(0);
  return s;
}

class Bitmap : public testdev::RecordingDevice {
 protected:
  void SetUp() override {
    RecordingDevice::SetUp();
    for (const auto& e : testbmp::ExpectedPixels()) rec_.d3d->textureFormats.insert(static_cast<D3DFORMAT>(e.first));
    rec_.d3d->textureFormats.insert(D3DFMT_P8);
  }
  std::unique_ptr<dg::TDGTexture> Make(D3DFORMAT format, UINT width = 0, UINT height = 0) {
    auto t = std::make_unique<dg::TDGTexture>(*carad_, std::vector<D3DFORMAT>{format}, 0, D3DPOOL_MANAGED, 1, "bmp");
    t->SetFillColor(0xFF00FF00);
    if (width) t->SetSize(width, height);
    return t;
  }
  // Level 0 of the texture, read without a call.
  static d3d9rec::Level Level(const dg::TDGTexture& t) { return d3d9rec::LevelOf(t.Texture()); }
};

}  // namespace

TEST_F(Bitmap, EveryDepthGoesIntoEveryFormat) {
  for (const auto& e : testbmp::ExpectedPixels()) {
    const auto format = static_cast<D3DFORMAT>(e.first);
    for (int bits : {8, 16, 24, 32}) {
      auto t = Make(format);
      auto s = StreamOf(testbmp::Make(2, 2, bits, testbmp::Picture(bits == 32)));
      t->LoadFromStream(*s);
      ASSERT_EQ(t->Format(), format);
      ASSERT_NE(t->Texture(), nullptr);
      const std::uint32_t c0 = bits == 32 ? e.second.c0Alpha : e.second.c0;
      const std::uint32_t c1 = bits == 32 ? e.second.c1Alpha : e.second.c1;
      const d3d9rec::Level f = Level(*t);
      EXPECT_EQ(f.Pixel(0, 0), c0) << dg::FormatName(format) << " from " << bits << " bits";
      EXPECT_EQ(f.Pixel(1, 0), c1) << dg::FormatName(format) << " from " << bits << " bits";
      EXPECT_EQ(f.Pixel(0, 1), c1) << dg::FormatName(format) << " from " << bits << " bits";
      EXPECT_EQ(f.Pixel(1, 1), c0) << dg::FormatName(format) << " from " << bits << " bits";
    }
  }
}

TEST_F(Bitmap, A24BitPictureGetsFullAlphaAndA32BitOneKeepsItsFourthByte) {
  for (int bits : {24, 32}) {
    auto t = Make(D3DFMT_A8R8G8B8);
    auto s = StreamOf(testbmp::Make(1, 1, bits, {0x3C112233}));
    t->LoadFromStream(*s);
    EXPECT_EQ(Level(*t).Pixel(0, 0), bits == 24 ? 0xFF112233u : 0x3C112233u);
  }
}

TEST_F(Bitmap, APalettedTextureTakesTheIndicesOfAn8BitPictureAndRefusesDeeperOnes) {
  auto t = Make(D3DFMT_P8);
  auto s = StreamOf(
      testbmp::Make(3, 2, 8, {testbmp::kC0, testbmp::kC1, 0xFF101010, testbmp::kC1, testbmp::kC0, testbmp::kC0}));
  t->LoadFromStream(*s);
  const d3d9rec::Level f = Level(*t);
  EXPECT_EQ(f.Pixel(0, 0), 0u);
  EXPECT_EQ(f.Pixel(1, 0), 1u);
  EXPECT_EQ(f.Pixel(2, 0), 2u);
  EXPECT_EQ(f.Pixel(0, 1), 1u);
  EXPECT_EQ(f.Pixel(2, 1), 0u);

  auto deep = Make(D3DFMT_P8, 2, 2);
  Restart(dg::dgoDebugMessage);
  auto rgb = StreamOf(testbmp::Make(2, 2, 24, testbmp::Picture(false)));
  dg::LoadBMP(deep->Texture(), *rgb);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"8ビットパレット付きテクスチャに対して16ビット以上のBMPをロードする事は出来ません"
                                      "(Error Code = UNKNOWN ERROR ... $00000001)"}));
  EXPECT_EQ(Level(*deep).Pixel(0, 0), 0u);  // the cleared content stays (green has no P8 packing)
  EXPECT_EQ(rec_.Matching("Texture::UnlockRect").size(), 1u);
}

TEST_F(Bitmap, RowsThatDoNotFitAreDroppedAtTheBottomAndColumnsAtTheRight) {
  // Four rows of one colour each, top to bottom.
  const std::vector<std::uint32_t> rows = {0xFF000001, 0xFF000001, 0xFF000002, 0xFF000002,
                                           0xFF000003, 0xFF000003, 0xFF000004, 0xFF000004};
  auto shorter = Make(D3DFMT_A8R8G8B8, 2, 2);
  auto tall = StreamOf(testbmp::Make(2, 4, 24, rows));
  dg::LoadBMP(shorter->Texture(), *tall);
  EXPECT_EQ(Level(*shorter).Pixel(1, 0), 0xFF000001u);
  EXPECT_EQ(Level(*shorter).Pixel(0, 1), 0xFF000002u);

  auto wider = Make(D3DFMT_A8R8G8B8, 3, 2);
  auto narrow = StreamOf(testbmp::Make(1, 2, 32, {0x11223344, 0x55667788}));
  dg::LoadBMP(wider->Texture(), *narrow);
  const d3d9rec::Level w = Level(*wider);
  EXPECT_EQ(w.Pixel(0, 0), 0x11223344u);
  EXPECT_EQ(w.Pixel(0, 1), 0x55667788u);
  EXPECT_EQ(w.Pixel(1, 0), 0xFF00FF00u);  // the fill colour stays where the picture does not reach
  EXPECT_EQ(w.Pixel(2, 1), 0xFF00FF00u);

  // Neither the zero padding of a 16-bit row nor the padding bytes of an 8-bit one reach the texture.
  auto padded = Make(D3DFMT_R5G6B5, 4, 1);
  auto three = StreamOf(testbmp::Make(3, 1, 24, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF}));
  dg::LoadBMP(padded->Texture(), *three);
  EXPECT_EQ(Level(*padded).Pixel(2, 0), 0x001Fu);
  EXPECT_EQ(Level(*padded).Pixel(3, 0), 0x07E0u);  // green fill colour
  auto indices = Make(D3DFMT_P8, 4, 1);
  testbmp::Bytes paddedRow = testbmp::Make(3, 1, 8, {testbmp::kC0, testbmp::kC1, testbmp::kC0});
  paddedRow.back() = 0x77;
  auto eight = StreamOf(paddedRow);
  dg::LoadBMP(indices->Texture(), *eight);
  EXPECT_EQ(Level(*indices).Pixel(1, 0), 1u);
  EXPECT_EQ(Level(*indices).Pixel(3, 0), 0u);

  auto narrower = Make(D3DFMT_R5G6B5, 2, 1);
  auto broad = StreamOf(testbmp::Make(4, 1, 24, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
  dg::LoadBMP(narrower->Texture(), *broad);
  EXPECT_EQ(Level(*narrower).Pixel(0, 0), 0xF800u);
  EXPECT_EQ(Level(*narrower).Pixel(1, 0), 0x07E0u);
}

TEST_F(Bitmap, ABitmapTheLoaderCannotUseIsReportedAndLeavesTheTextureAsItWas) {
  const testbmp::Bytes good = testbmp::Make(2, 2, 24, testbmp::Picture(false));
  testbmp::Bytes notBmp = good;
  notBmp[0] = 'X';
  testbmp::Bytes fourBit = good;
  testbmp::Set16(fourBit, testbmp::kBitCount, 4);
  testbmp::Bytes thirtySix = good;
  testbmp::Set16(thirtySix, testbmp::kBitCount, 36);
  testbmp::Bytes topDown = good;
  testbmp::Set32(topDown, testbmp::kHeight, static_cast<std::uint32_t>(-2));
  testbmp::Bytes rle = good;
  testbmp::Set32(rle, testbmp::kCompression, 1);
  testbmp::Bytes twelve = good;
  testbmp::Set16(twelve, testbmp::kBitCount, 12);
  testbmp::Bytes cut = good;
  cut.resize(cut.size() - 1);
  const std::string readError = "LoadBMP中に、読み込みエラーが発生しました";
  const std::string code1 = "(Error Code = UNKNOWN ERROR ... $00000001)";
  const struct {
    testbmp::Bytes bytes;
    std::string line;
    bool lastRowRead;
  } cases[] = {
      {testbmp::Bytes(good.begin(), good.begin() + 10), "ビットマップの読みこみ中に、エラーが発生しました", false},
      {notBmp, "不正なBMPファイルです", false},
      {testbmp::Bytes(good.begin(), good.begin() + 40), readError, false},
      {fourBit, "色数が8ビット～32ビットの範囲のビットマップを、LoadBMPには指定してください" + code1, false},
      {thirtySix, "色数が8ビット～32ビットの範囲のビットマップを、LoadBMPには指定してください" + code1, false},
      {topDown, readError + code1, false},
      {rle, readError + code1, false},
      {twelve, readError + code1, false},
      {cut, readError, true},
  };
  for (const auto& c : cases) {
    auto t = Make(D3DFMT_A8R8G8B8, 2, 2);
    Restart(dg::dgoDebugMessage);
    auto s = StreamOf(c.bytes);
    dg::LoadBMP(t->Texture(), *s);
    EXPECT_EQ(Log(), std::vector<std::string>{c.line});
    const d3d9rec::Level f = Level(*t);
    // The bottom row of the file fills the texture's last row before the cut shows.
    EXPECT_EQ(f.Pixel(0, 1), c.lastRowRead ? testbmp::kC1 : 0xFF00FF00u) << c.line;
    EXPECT_EQ(f.Pixel(0, 0), 0xFF00FF00u) << c.line;
    EXPECT_EQ(rec_.Matching("Texture::UnlockRect").size(), 1u) << c.line;
  }
}

TEST_F(Bitmap, LoadBMPWithoutATextureOrWithARefusedLockReportsIt) {
  Restart(dg::dgoDebugMessage);
  auto s = StreamOf(testbmp::Make(2, 2, 24, testbmp::Picture(false)));
  dg::LoadBMP(nullptr, *s);
  auto target = std::make_unique<dg::TDGTexture>(*carad_, std::vector<D3DFORMAT>{D3DFMT_A8R8G8B8}, 0, D3DPOOL_DEFAULT,
                                                 1, "target");
  target->SetSize(2, 2);
  rec_.Take();
  dg::LoadBMP(target->Texture(), *s);  // a default-pool texture without the dynamic usage cannot be locked
  EXPECT_TRUE(rec_.Matching("Texture::UnlockRect").empty());
  const std::string line = "LoadBMP中にサーフェスがロックできませんでした";
  EXPECT_EQ(Log(), (std::vector<std::string>{line + "(Error Code = UNKNOWN ERROR ... $00000001)",
                                             line + "(Error Code = D3DERR_INVALIDCALL )"}));
}

TEST_F(Bitmap, AFileThatLiesAboutItselfTakesTheReadErrorPathWithoutSizingTheTexture) {
  const testbmp::Bytes good = testbmp::Make(4, 4, 8, std::vector<std::uint32_t>(16, testbmp::kC0));
  const auto with32 = [&](std::size_t at, std::uint32_t v) {
    testbmp::Bytes b = good;
    testbmp::Set32(b, at, v);
    return b;
  };
  const auto with16 = [&](std::size_t at, std::uint32_t v) {
    testbmp::Bytes b = good;
    testbmp::Set16(b, at, v);
    return b;
  };
  const auto cut = [&](std::size_t size) {
    return testbmp::Bytes(good.begin(), good.begin() + static_cast<long>(size));
  };
  testbmp::Bytes square4096 = with32(testbmp::kWidth, 4096);  // 16 MiB of rows claimed, 1 KiB held
  testbmp::Set32(square4096, testbmp::kHeight, 4096);
  const struct {
    const char* what;
    testbmp::Bytes bytes;
  } cases[] = {
      {"negative width", with32(testbmp::kWidth, static_cast<std::uint32_t>(-5))},
      {"zero height", with32(testbmp::kHeight, 0)},
      {"top-down", with32(testbmp::kHeight, static_cast<std::uint32_t>(-4))},
      {"huge width", with32(testbmp::kWidth, 100000)},
      {"height of 2^30", with32(testbmp::kHeight, 1u << 30)},
      {"height of 2^31", with32(testbmp::kHeight, 0x80000000u)},
      {"run-length packed", with32(testbmp::kCompression, 1)},
      {"bit fields", with32(testbmp::kCompression, 3)},
      {"12 bits", with16(testbmp::kBitCount, 12)},
      {"core header", with32(testbmp::kInfoSize, 12)},
      {"4096 square", square4096},
      {"headers cut", cut(30)},
      {"empty", {}},
  };
  const std::string file = scratch::Path("liar.bmp");
  for (const auto& c : cases) {
    auto t = Make(D3DFMT_A8R8G8B8, 4, 4);
    IDirect3DTexture9* before = t->Texture();
    scratch::WriteAll(file, c.bytes);
    Restart(dg::dgoDebugMessage);
    t->LoadFromFile(file);
    EXPECT_EQ(Log(),
              std::vector<std::string>{file + "からの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"})
        << c.what;
    EXPECT_TRUE(rec_.Matching("CreateTexture").empty()) << c.what;
    EXPECT_EQ(t->Texture(), before) << c.what;
    EXPECT_EQ(t->Width(), 4u) << c.what;
    EXPECT_EQ(t->Source(), dg::tsFile) << c.what;  // set anyway, as after any failure
    EXPECT_EQ(t->FileName(), file) << c.what;

    auto s = StreamOf(c.bytes);
    Restart(dg::dgoDebugMessage);
    t->LoadFromStream(*s);
    EXPECT_EQ(Log(),
              std::vector<std::string>{"ストリームからの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"})
        << c.what;
    EXPECT_TRUE(rec_.Matching("CreateTexture").empty()) << c.what;
  }

  Restart(dg::dgoDebugMessage);
  auto t = Make(D3DFMT_A8R8G8B8);
  t->LoadFromFile(scratch::Path("no such file.bmp"));
  EXPECT_EQ(Log(), std::vector<std::string>{scratch::Path("no such file.bmp") +
                                            "からの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"});
  Restart(dg::dgoDebugMessage);
  t->LoadFromFile("body.bmp", scratch::Path("no such archive.lba"));
  EXPECT_EQ(Log(), std::vector<std::string>{"body.bmp ＠ " + scratch::Path("no such archive.lba") +
                                            "からの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"});
}

// A file cut short sizes its texture from its header and keeps the rows it holds: LoadBMP's plain
// read-error line is the only one, so the halt switch does not end the run. Rows missing are
// believed up to the larger of 1 MiB and the bytes held (the 4096 square above is not).
TEST_F(Bitmap, AFileCutShortIsLoadedAsFarAsItGoes) {
  const testbmp::Bytes good = testbmp::Make(4, 4, 8, std::vector<std::uint32_t>(16, testbmp::kC0));
  const auto cut = [&](std::size_t size) {
    return testbmp::Bytes(good.begin(), good.begin() + static_cast<long>(size));
  };
  const auto offset = [&](std::uint32_t at) {
    testbmp::Bytes b = good;
    testbmp::Set32(b, testbmp::kPixelOffset, at);
    return b;
  };
  testbmp::Bytes halfHeld = testbmp::Make(2048, 2048, 8, std::vector<std::uint32_t>(2048 * 2048, testbmp::kC0));
  halfHeld.resize(halfHeld.size() / 2 + 600);  // 2 MiB of rows missing
  const struct {
    const char* what;
    testbmp::Bytes bytes;
    UINT width;
    bool bottomRowRead;
  } cases[] = {
      {"colour table cut", cut(54 + 100), 4, false},
      {"rows cut", cut(good.size() - 1), 4, true},
      {"pixel offset one past", offset(static_cast<std::uint32_t>(good.size() - 15)), 4, true},
      {"pixel offset 2^31", offset(0x80000000u), 4, false},
      {"half the rows held", halfHeld, 2048, true},
  };
  const std::string file = scratch::Path("cut.bmp");
  for (const auto& c : cases) {
    scratch::WriteAll(file, c.bytes);
    auto fromFile = Make(D3DFMT_A8R8G8B8);
    auto fromStream = Make(D3DFMT_A8R8G8B8);
    auto s = StreamOf(c.bytes);
    Restart(dg::dgoDebugMessage);
    fromFile->LoadFromFile(file);
    fromStream->LoadFromStream(*s);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Log(), std::vector<std::string>(2, "LoadBMP中に、読み込みエラーが発生しました"));
    for (const dg::TDGTexture* t : {fromFile.get(), fromStream.get()}) {
      ASSERT_NE(t->Texture(), nullptr);
      EXPECT_EQ(t->Width(), c.width);
      EXPECT_EQ(Level(*t).Pixel(0, t->Height() - 1), c.bottomRowRead ? testbmp::kC0 : 0xFF00FF00u);
      EXPECT_EQ(Level(*t).Pixel(0, 0), 0xFF00FF00u);
    }
  }
}

// The colour table follows the info header whatever its length (BITMAPINFOHEADER, V4, V5 as
// ImageMagick writes them) and holds biClrUsed entries when that is set.
TEST_F(Bitmap, An8BitPictureTakesItsColoursFromRightAfterItsInfoHeader) {
  const std::vector<std::uint32_t> picture = {testbmp::kC0, testbmp::kC1, 0xFF102030, testbmp::kC0};
  for (std::uint32_t infoSize : {40u, 108u, 124u}) {
    for (std::uint32_t colorsUsed : {0u, 3u}) {
      SCOPED_TRACE(std::to_string(infoSize) + " " + std::to_string(colorsUsed));
      auto t = Make(D3DFMT_X8R8G8B8);
      auto s = StreamOf(testbmp::Make(2, 2, 8, picture, infoSize, colorsUsed));
      Restart(dg::dgoDebugMessage);
      t->LoadFromStream(*s);
      EXPECT_TRUE(Log().empty());
      ASSERT_NE(t->Texture(), nullptr);
      EXPECT_EQ((std::vector<std::uint32_t>{Level(*t).Pixel(0, 0), Level(*t).Pixel(1, 0), Level(*t).Pixel(0, 1),
                                            Level(*t).Pixel(1, 1)}),
                (std::vector<std::uint32_t>{0x00FF8308u, 0x000000FFu, 0x00102030u, 0x00FF8308u}));
    }
  }
}

TEST_F(Bitmap, SizesClaimedInTheHeadersAreNotTrustedButNotNeededEither) {
  // File size and image size fields claiming 2 GiB are ignored; the real bytes decide.
  testbmp::Bytes b = testbmp::Make(2, 2, 24, testbmp::Picture(false));
  testbmp::Set32(b, 2, 0x80000000u);
  testbmp::Set32(b, 34, 0x80000000u);
  auto t = Make(D3DFMT_A8R8G8B8);
  auto s = StreamOf(b);
  Restart(dg::dgoDebugMessage);
  t->LoadFromStream(*s);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(Level(*t).Pixel(0, 0), testbmp::kC0);
}

TEST_F(Bitmap, AStreamHoldingTheBitmapAfterOtherBytesIsReadFromItsPosition) {
  const testbmp::Bytes bmp = testbmp::Make(2, 2, 24, testbmp::Picture(false));
  dg::TMemoryStream s;
  s.WriteBuffer("prefix", 6);
  s.WriteBuffer(bmp.data(), bmp.size());
  s.SetPosition(6);
  auto t = Make(D3DFMT_X8R8G8B8);
  t->LoadFromStream(s);
  EXPECT_EQ(Level(*t).Pixel(1, 0), 0x000000FFu);
  EXPECT_EQ(Level(*t).Pixel(1, 1), 0x00FF8308u);
  EXPECT_EQ(t->Source(), dg::tsProgram);
}

TEST_F(Bitmap, CheckBitmapStreamPassesWhatLoadBMPReportsItself) {
  testbmp::Bytes other = testbmp::Make(2, 2, 24, testbmp::Picture(false));
  other[1] = 'A';  // not "BM": LoadBMP says so
  auto a = StreamOf(other);
  EXPECT_EQ(dg::CheckBitmapStream(*a).width, 2);
  EXPECT_EQ(a->Position(), 54);
  testbmp::Bytes four = testbmp::Make(2, 2, 24, testbmp::Picture(false));
  testbmp::Set16(four, testbmp::kBitCount, 4);  // LoadBMP names the colour depth
  auto b = StreamOf(four);
  EXPECT_EQ(dg::CheckBitmapStream(*b).bitCount, 4);
  auto c = StreamOf(testbmp::Bytes(20, 0));
  EXPECT_THROW(dg::CheckBitmapStream(*c), dg::EReadError);
}

// A file LoadBMP refuses itself (another type, a colour depth it does not read) sizes the texture
// only when its bytes could hold a picture of that size at one byte per pixel: a damaged header of
// a few bytes claiming 8192 x 8192 never creates a texture of hundreds of megabytes.
TEST_F(Bitmap, ARefusedFileNeverSizesATextureLargerThanItsBytes) {
  const auto liar = [](char second, std::uint32_t bits, std::uint32_t side) {
    testbmp::Bytes b = testbmp::Make(2, 2, 24, testbmp::Picture(false));
    b[1] = second;
    testbmp::Set16(b, testbmp::kBitCount, bits);
    testbmp::Set32(b, testbmp::kWidth, side);
    testbmp::Set32(b, testbmp::kHeight, side);
    b.resize(54 + 300, 0);
    return b;
  };
  const struct {
    const char* what;
    testbmp::Bytes bytes;
    std::vector<std::string> log;
    bool sized;
  } cases[] = {
      {"not BM, 8192 square",
       liar('X', 24, 8192),
       {"ストリームからの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"},
       false},
      {"4 bits, 8192 square",
       liar('M', 4, 8192),
       {"ストリームからの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"},
       false},
      {"not BM, 17 square", liar('X', 24, 17), {"不正なBMPファイルです"}, true},
      {"not BM, 18 square",
       liar('X', 24, 18),
       {"ストリームからの、読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)"},
       false},
      {"4 bits, 17 square",
       liar('M', 4, 17),
       {"色数が8ビット～32ビットの範囲のビットマップを、LoadBMPには指定してください(Error Code = UNKNOWN ERROR ... "
        "$00000001)"},
       true},
  };
  for (const auto& c : cases) {
    auto t = Make(D3DFMT_A8R8G8B8);
    auto s = StreamOf(c.bytes);
    Restart(dg::dgoDebugMessage);
    t->LoadFromStream(*s);
    EXPECT_EQ(Log(), c.log) << c.what;
    EXPECT_EQ(rec_.Matching("CreateTexture").size(), c.sized ? 1u : 0u) << c.what;
    EXPECT_EQ(t->Width(), c.sized ? 17u : 0u) << c.what;
  }
}
