// TDGTexture against the recording Direct3D of tests/support: format choice, sizing, locks, fills, the BMP
// snapshot and the four registry callbacks.
#include "dg/texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dg/stream.h"
#include "unit/dg/archive_builder.h"
#include "unit/dg/bmp_files.h"
#include "unit/dg/device_fixture.h"
#include "unit/dg/scratch.h"

namespace {

using testdev::Calls;

const std::vector<D3DFORMAT> kAlphaFormats = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};

class Texture : public testdev::RecordingDevice {
 protected:
  std::unique_ptr<dg::TDGTexture> Make(std::vector<D3DFORMAT> formats = kAlphaFormats, D3DPOOL pool = D3DPOOL_MANAGED,
                                       UINT levels = 1, DWORD usage = 0) {
    return std::make_unique<dg::TDGTexture>(*carad_, std::move(formats), usage, pool, levels, "car");
  }
  // Writes ARGB pixels, top row first, through the texture's own lock.
  static void Paint(dg::TDGTexture& t, const std::vector<std::uint32_t>& argb) {
    const RECT all = {0, 0, static_cast<LONG>(t.Width()), static_cast<LONG>(t.Height())};
    const D3DLOCKED_RECT lr = t.LockRect(0, &all, 0);
    ASSERT_NE(lr.pBits, nullptr);
    for (UINT y = 0; y < t.Height(); ++y)
      for (UINT x = 0; x < t.Width(); ++x) {
        auto* p = static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * t.BytesPerPixel();
        const std::uint32_t v = argb[y * t.Width() + x];
        for (UINT i = 0; i < t.BytesPerPixel(); ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
      }
    t.UnlockRect();
  }
  // Level 0 of a recording texture, read without a call.
  static std::vector<std::uint32_t> Pixels(IDirect3DTexture9* t) {
    const d3d9rec::Level level = d3d9rec::LevelOf(t);
    std::vector<std::uint32_t> px;
    for (UINT y = 0; y < level.height; ++y)
      for (UINT x = 0; x < level.width; ++x) px.push_back(level.Pixel(x, y));
    return px;
  }
};

}  // namespace

TEST_F(Texture, TheFormatIsTheFirstCandidateTheDeviceTakesElseTheBackBuffers) {
  const struct {
    std::vector<D3DFORMAT> formats;
    std::set<D3DFORMAT> accepted;
    DWORD usage;
    Calls checks;
    D3DFORMAT chosen;
  } cases[] = {
      {{D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5},
       {D3DFMT_R5G6B5},
       0,
       {"CheckDeviceFormat(0, 1, 22, 0, 3, 22)", "CheckDeviceFormat(0, 1, 22, 0, 3, 20)",
        "CheckDeviceFormat(0, 1, 22, 0, 3, 23)"},
       D3DFMT_R5G6B5},
      {{D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4},
       {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4},
       D3DUSAGE_DYNAMIC,
       {"CheckDeviceFormat(0, 1, 22, 512, 3, 21)"},
       D3DFMT_A8R8G8B8},
      {{D3DFMT_R8G8B8, D3DFMT_P8},
       {},
       0,
       {"CheckDeviceFormat(0, 1, 22, 0, 3, 20)", "CheckDeviceFormat(0, 1, 22, 0, 3, 41)"},
       D3DFMT_X8R8G8B8},
      {{}, {D3DFMT_A8R8G8B8}, 0, {}, D3DFMT_X8R8G8B8},
  };
  for (const auto& c : cases) {
    rec_.d3d->textureFormats = c.accepted;
    dg::TDGTexture t(*carad_, c.formats, c.usage, D3DPOOL_MANAGED, 1, "t");
    rec_.Take();
    t.SetSize(8, 8);
    EXPECT_EQ(rec_.Matching("CheckDeviceFormat"), c.checks);
    EXPECT_EQ(t.Format(), c.chosen);
    EXPECT_EQ(t.BytesPerPixel(), c.chosen == D3DFMT_R5G6B5 ? 2u : 4u);
    EXPECT_TRUE(testlog::Contains(Log(), "使用されるフォーマットは " + dg::FormatName(c.chosen) + " です"));
  }
}

TEST_F(Texture, SetSizeObeysTheDeviceLimits) {
  const struct {
    DWORD textureCaps;
    UINT width, height, surfaceWidth, surfaceHeight;
  } cases[] = {
      {0, 300, 200, 300, 200},
      {D3DPTEXTURECAPS_POW2, 300, 200, 512, 256},
      {D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 300, 200, 512, 512},
      {D3DPTEXTURECAPS_SQUAREONLY, 300, 200, 300, 300},
      {D3DPTEXTURECAPS_POW2, 256, 256, 256, 256},
      {D3DPTEXTURECAPS_POW2, 0, 1, 1, 1},
  };
  for (const auto& c : cases) {
    rec_.ChangeCaps([&](D3DCAPS9& caps) { caps.TextureCaps = c.textureCaps; });
    auto t = Make(kAlphaFormats, D3DPOOL_MANAGED, 0);
    rec_.Take();
    t->SetSize(c.width, c.height);
    EXPECT_EQ(t->Width(), c.width);
    EXPECT_EQ(t->Height(), c.height);
    EXPECT_EQ(t->SurfaceWidth(), c.surfaceWidth);
    EXPECT_EQ(t->SurfaceHeight(), c.surfaceHeight);
    EXPECT_FLOAT_EQ(t->UMax(), static_cast<float>(c.width) / static_cast<float>(c.surfaceWidth));
    EXPECT_FLOAT_EQ(t->VMax(), static_cast<float>(c.height) / static_cast<float>(c.surfaceHeight));
    EXPECT_EQ(rec_.Matching("CreateTexture"), Calls{"CreateTexture(" + std::to_string(c.surfaceWidth) + ", " +
                                                    std::to_string(c.surfaceHeight) + ", 0, 0, 21, 1)"});
    EXPECT_EQ(rec_.Matching("GetDeviceCaps"), Calls{"GetDeviceCaps(0, 1)"});
  }
}

TEST_F(Texture, ATooLargeSizeIsOnlyReportedAndTheCreationFailure) {
  rec_.ChangeCaps([](D3DCAPS9& caps) {
    caps.MaxTextureWidth = 256;
    caps.MaxTextureHeight = 128;
  });
  auto t = Make();
  Restart();
  t->SetSize(300, 100);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "要求されたテクスチャのサイズは大きすぎます。256 x 128 以内にして下さい",
                       "使用されるフォーマットは A8R8G8B8 です",
                       "テクスチャの生成に失敗しました(Error Code = D3DERR_INVALIDCALL )",
                       "残りテクスチャ容量は、約3.50メガです",
                       "テクスチャが確保されていません。LockRectの前にSetSizeするか、BMPを読み込んでください(Error "
                       "Code = UNKNOWN ERROR ... $00000001)"}));
  EXPECT_EQ(t->Texture(), nullptr);
  EXPECT_EQ(t->SurfaceWidth(), 300u);  // not reduced
}

TEST_F(Texture, ANewTextureIsClearedWithTheFillColourUnlessInTheDefaultPool) {
  auto t = Make({D3DFMT_R5G6B5});
  t->SetFillColor(0x80336699);
  Restart();
  t->SetSize(5, 3);
  EXPECT_EQ(rec_.Take(), (Calls{"GetDeviceCaps(0, 1)", "CheckDeviceFormat(0, 1, 22, 0, 3, 23)",
                                "CreateTexture(5, 3, 1, 0, 23, 1)", "GetAvailableTextureMem()",
                                "Texture::LockRect(texture0, 0, 0, 0, 5, 3, 0)", "Texture::UnlockRect(texture0, 0)"}));
  EXPECT_EQ(Pixels(t->Texture()), std::vector<std::uint32_t>(15, 0x3333));  // 0x336699 as 5-6-5
  EXPECT_EQ(t->Source(), dg::tsProgram);
  EXPECT_EQ(d3d9rec::LabelOf(t->Texture()), "texture0");
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"使用されるフォーマットは R5G6B5 です", "残りテクスチャ容量は、約3.50メガです"}));

  auto d = Make(kAlphaFormats, D3DPOOL_DEFAULT, 1, D3DUSAGE_DYNAMIC);
  rec_.Take();
  d->SetSize(4, 4);
  EXPECT_TRUE(rec_.Matching("Texture::LockRect").empty());
}

TEST_F(Texture, ResizingReleasesTheOldTextureAndReportsAReferenceLeft) {
  auto t = Make();
  t->SetSize(4, 4);
  IDirect3DTexture9* old = t->Texture();
  old->AddRef();  // a reference left at its release
  Restart();
  t->SetSize(8, 8);
  EXPECT_EQ(rec_.Matching("Release"), Calls{"Release(texture0)"});
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "テクスチャの再生成に伴い、以前のテクスチャを解放します");
  EXPECT_EQ(log[1], "テクスチャの解放に失敗しました(Error Code = UNKNOWN ERROR ... $00000001)");
  EXPECT_NE(t->Texture(), old);
  old->Release();
}

TEST_F(Texture, LockRectAddressesTheRectangleAndAWritingLockMakesTheContentProgramMade) {
  auto t = Make({D3DFMT_A8R8G8B8});
  EXPECT_EQ(t->Source(), dg::tsNothing);
  const std::string file = scratch::Path("lock.bmp");
  scratch::WriteAll(file, testbmp::Make(4, 4, 24, std::vector<std::uint32_t>(16, testbmp::kC0)));
  t->LoadFromFile(file);
  EXPECT_EQ(t->Source(), dg::tsFile);

  const RECT part = {1, 2, 3, 4};
  D3DLOCKED_RECT lr = t->LockRect(0, &part, D3DLOCK_READONLY);
  EXPECT_TRUE(t->Locked());
  EXPECT_EQ(t->LockLevel(), 0u);
  EXPECT_EQ(t->LockedRect().left, 1);
  EXPECT_EQ(t->LockedRect().bottom, 4);
  EXPECT_EQ(t->LockedPitch(), 16);
  EXPECT_EQ(t->LockedBits(), lr.pBits);
  t->UnlockRect();
  EXPECT_FALSE(t->Locked());
  EXPECT_EQ(t->Source(), dg::tsFile);  // reading keeps the file as the source

  lr = t->LockRect(0, &part, 0);
  ASSERT_NE(lr.pBits, nullptr);
  *static_cast<std::uint32_t*>(lr.pBits) = 0x12345678;  // the rectangle's top-left pixel
  t->UnlockRect();
  EXPECT_EQ(d3d9rec::LevelOf(t->Texture()).Pixel(1, 2), 0x12345678u);
  EXPECT_EQ(t->Source(), dg::tsProgram);
}

TEST_F(Texture, LocksThatCannotBeGrantedAreReportedAndGiveNoAddress) {
  auto t = Make({D3DFMT_A8R8G8B8});
  Restart(dg::dgoDebugMessage);
  const RECT r = {0, 0, 2, 2};
  D3DLOCKED_RECT lr = t->LockRect(0, &r, 0);
  EXPECT_EQ(lr.pBits, nullptr);
  EXPECT_TRUE(t->Locked());
  t->UnlockRect();

  t->SetSize(4, 4);
  rec_.Take();
  for (const RECT& bad : {RECT{0, 0, 5, 4}, RECT{-1, 0, 2, 2}, RECT{2, 2, 2, 3}, RECT{0, 3, 4, 1}}) {
    lr = t->LockRect(0, &bad, 0);
    EXPECT_EQ(lr.pBits, nullptr);
    EXPECT_EQ(lr.Pitch, 0);
    t->UnlockRect();
  }
  EXPECT_TRUE(rec_.Matching("Texture::LockRect").empty());  // never reaches Direct3D
  lr = t->LockRect(1, nullptr, 0);                          // a level the texture does not have
  EXPECT_EQ(lr.pBits, nullptr);
  t->UnlockRect();

  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 11u);
  EXPECT_EQ(log[0],
            "テクスチャが確保されていません。LockRectの前にSetSizeするか、BMPを読み込んでください(Error Code = "
            "UNKNOWN ERROR ... $00000001)");
  EXPECT_EQ(log[1], "LockRectに失敗しました(Error Code = D3DERR_INVALIDCALL )");
  EXPECT_EQ(log[2], "アンロックに失敗しました(Error Code = D3DERR_INVALIDCALL )");
}

TEST_F(Texture, FillSetsTheRectangleAndKeepAlphaKeepsEachPixelsAlpha) {
  for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}) {
    auto t = Make({format});
    t->SetSize(3, 2);
    if (format == D3DFMT_A8R8G8B8) {
      Paint(*t, {0x10FFFFFF, 0x80FFFFFF, 0xF0FFFFFF, 0x00FFFFFF, 0xFF000000, 0x44000000});
    } else {
      Paint(*t, {0x1FFF, 0x8FFF, 0xFFFF, 0x0FFF, 0xF000, 0x4000});
    }
    t->Fill(RECT{1, 0, 3, 2}, 0x00ABCDEF, true);
    const d3d9rec::Level f = d3d9rec::LevelOf(t->Texture());
    if (format == D3DFMT_A8R8G8B8) {
      EXPECT_EQ(Pixels(t->Texture()),
                (std::vector<std::uint32_t>{0x10FFFFFF, 0x80ABCDEF, 0xF0ABCDEF, 0x00FFFFFF, 0xFFABCDEF, 0x44ABCDEF}));
    } else {
      EXPECT_EQ(Pixels(t->Texture()), (std::vector<std::uint32_t>{0x1FFF, 0x8ACE, 0xFACE, 0x0FFF, 0xFACE, 0x4ACE}));
    }
    t->Fill(RECT{0, 1, 2, 2}, 0x7F102030, false);
    if (format == D3DFMT_A8R8G8B8) {
      EXPECT_EQ(f.Pixel(0, 1), 0x7F102030u);
      EXPECT_EQ(f.Pixel(1, 1), 0x7F102030u);
      EXPECT_EQ(f.Pixel(2, 1), 0x44ABCDEFu);
      EXPECT_EQ(f.Pixel(0, 0), 0x10FFFFFFu);
    } else {
      EXPECT_EQ(f.Pixel(0, 1), 0x7123u);
      EXPECT_EQ(f.Pixel(2, 1), 0x4ACEu);
    }
  }
}

TEST_F(Texture, SaveToStreamWritesTheImageAreaAsA32BitBottomUpBitmap) {
  rec_.ChangeCaps(
      [](D3DCAPS9& caps) { caps.TextureCaps = D3DPTEXTURECAPS_POW2; });  // the surface is larger than the image
  auto t = Make({D3DFMT_R5G6B5});
  t->SetSize(3, 2);
  ASSERT_EQ(t->SurfaceWidth(), 4u);
  d3d9rec::Level f = d3d9rec::LevelOf(t->Texture());
  f.SetPixel(0, 0, 0xF800);  // red
  f.SetPixel(1, 0, 0x07E0);  // green
  f.SetPixel(2, 0, 0x001F);  // blue
  f.SetPixel(0, 1, 0xFFFF);
  f.SetPixel(1, 1, 0x0000);
  f.SetPixel(2, 1, 0x8410);  // 16, 32, 16 widen to 131, 129, 131
  f.SetPixel(3, 0, 0x1234);  // outside the image
  dg::TMemoryStream out;
  t->SaveToStream(out);
  const testbmp::Bytes expected = {'B', 'M', 78,  0,   0,  0,   0, 0,   0,   0,   54,  0,   0, 0,  // file header
                                   40,  0,   0,   0,   3,  0,   0, 0,   2,   0,   0,   0,   1, 0, 32, 0,
                                   0,   0,   0,   0,   24, 0,   0, 0,                                     // info header
                                   0,   0,   0,   0,   0,  0,   0, 0,   0,   0,   0,   0,   0, 0, 0,  0,  //
                                   255, 255, 255, 255, 0,  0,   0, 255, 131, 129, 131, 255,  // bottom row first
                                   0,   0,   255, 255, 0,  255, 0, 255, 255, 0,   0,   255};
  ASSERT_EQ(out.Size(), static_cast<std::int64_t>(expected.size()));
  EXPECT_EQ(testbmp::Bytes(out.Memory(), out.Memory() + out.Size()), expected);
  EXPECT_EQ(rec_.Matching("Texture::LockRect").back(), "Texture::LockRect(texture0, 0, 0, 0, 3, 2, 16)");
  EXPECT_EQ(t->Source(), dg::tsProgram);
}

TEST_F(Texture, ProgramMadeContentComesBackFromItsSnapshotAfterTheDeviceIsRecreated) {
  for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4}) {
    auto t = Make({format});
    t->SetSize(3, 2);
    const std::vector<std::uint32_t> pixels =
        format == D3DFMT_A8R8G8B8
            ? std::vector<std::uint32_t>{0x01020304, 0xFF000000, 0x80FF8000, 0, 0x7F7F7F7F, 0xFFFFFFFF}
            : std::vector<std::uint32_t>{0x1234, 0xFFFF, 0x0000, 0x8421, 0xF00F, 0x0FF0};
    Paint(*t, pixels);
    const std::string before = d3d9rec::LabelOf(t->Texture());
    rec_.Take();
    Recreate();
    // The texture is the one created last: the label after the old one's.
    ASSERT_EQ(d3d9rec::LabelOf(t->Texture()), "texture" + std::to_string(std::stoi(before.substr(7)) + 1));
    EXPECT_EQ(Pixels(t->Texture()), pixels) << dg::FormatName(format);
    EXPECT_EQ(t->Snapshot(), nullptr);  // freed once loaded
    EXPECT_EQ(t->Source(), dg::tsProgram);
    EXPECT_EQ(t->Width(), 3u);
    // The snapshot is read before the texture goes.
    const Calls calls = rec_.Take();
    const auto lock = std::find(calls.begin(), calls.end(), "Texture::LockRect(" + before + ", 0, 0, 0, 3, 2, 16)");
    const auto release = std::find(calls.begin(), calls.end(), "Release(" + before + ")");
    EXPECT_TRUE(lock != calls.end() && lock < release);
  }
}

TEST_F(Texture, FileAndArchiveContentIsLoadedAgainFromItsSource) {
  const std::string file = scratch::Path("reload.bmp");
  scratch::WriteAll(file, testbmp::Make(2, 2, 24, testbmp::Picture(false)));
  auto t = Make({D3DFMT_A8R8G8B8});
  t->LoadFromFile(file);
  EXPECT_EQ(t->FileName(), file);
  // The file changes: a rebuild shows the new picture, so it was read again.
  scratch::WriteAll(file, testbmp::Make(2, 2, 24, std::vector<std::uint32_t>(4, testbmp::kC1)));
  Restart();
  Recreate();
  EXPECT_EQ(Pixels(t->Texture()), std::vector<std::uint32_t>(4, 0xFF0000FF));
  EXPECT_TRUE(testlog::Contains(Log(), "    ID 0(car) のテクスチャに、" + file + " を読み込みます"));
  EXPECT_TRUE(rec_.Matching("Texture::LockRect(texture0, 0, 0, 0, 2, 2, 16)").empty());  // no snapshot of a file

  const std::string archive = scratch::Path("textures.lba");
  const testbmp::Bytes bmp = testbmp::Make(2, 2, 32, testbmp::Picture(true));
  scratch::WriteAll(archive, testarc::BuildArchive(true, {{"other", {1, 2, 3}}, {"Body.bmp", bmp}}));
  auto a = Make({D3DFMT_A8R8G8B8});
  a->LoadFromFile("body.bmp", archive);
  EXPECT_EQ(a->Source(), dg::tsArchive);
  EXPECT_EQ(a->ArchiveFile(), archive);
  EXPECT_EQ(a->ArchiveID(), "body.bmp");
  Restart();
  Recreate();
  EXPECT_EQ(Pixels(a->Texture()),
            (std::vector<std::uint32_t>{testbmp::kC0Alpha, testbmp::kC1Alpha, testbmp::kC1Alpha, testbmp::kC0Alpha}));
  EXPECT_TRUE(testlog::Contains(
      Log(), "    ID 1(car) のテクスチャに、LBAファイル" + archive + " から ID body.bmp を読み込みます"));
}

TEST_F(Texture, DefaultPoolTexturesComeBackFromAResetEmptyAndManagedOnesAreUntouched) {
  auto managed = Make({D3DFMT_A8R8G8B8});
  managed->SetSize(2, 2);
  auto target = Make({D3DFMT_A8R8G8B8}, D3DPOOL_DEFAULT, 1, D3DUSAGE_DYNAMIC);
  target->SetSize(2, 2);
  Paint(*target, {1, 2, 3, 4});
  IDirect3DTexture9* managedTexture = managed->Texture();
  const std::string oldTarget = d3d9rec::LabelOf(target->Texture());
  rec_.Take();
  carad_->ResetDevice();
  EXPECT_EQ(rec_.Take(), (Calls{"Release(texture1)", "Release(backbuffer0)", "Reset(320, 240, 22, 1, -1, 0, 0)",
                                "GetBackBuffer(0, 0, 0)", "GetDepthStencilSurface()", "GetDeviceCaps(0, 1)",
                                "CheckDeviceFormat(0, 1, 22, 512, 3, 21)", "CreateTexture(2, 2, 1, 512, 21, 0)",
                                "GetAvailableTextureMem()"}));
  EXPECT_EQ(managed->Texture(), managedTexture);
  EXPECT_NE(d3d9rec::LabelOf(target->Texture()), oldTarget);
  EXPECT_EQ(Pixels(target->Texture()), std::vector<std::uint32_t>(4, 0xCDCDCDCD));
  EXPECT_EQ(target->Snapshot(), nullptr);
}

TEST_F(Texture, ATextureNeverSizedGetsNoTextureFromARebuild) {
  auto t = Make();
  Restart(dg::dgoDebugMessage);
  Recreate();
  EXPECT_TRUE(rec_.Matching("CreateTexture").empty());
  EXPECT_EQ(t->Texture(), nullptr);
  EXPECT_TRUE(Log().empty());
}

TEST_F(Texture, DestructionReleasesAndUnregisters) {
  auto t = Make();
  t->SetSize(2, 2);
  Restart();
  t.reset();
  EXPECT_EQ(rec_.Take(), Calls{"Release(texture0)"});
  EXPECT_EQ(Log(), (std::vector<std::string>{"テクスチャオブジェクトを解放します",
                                             "DGCaradリソース(TDGTexture) : ID 0(car) を登録解除します"}));
  EXPECT_TRUE(carad_->Resources().empty());
}
