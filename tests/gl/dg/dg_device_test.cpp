// The device layer on the real Direct3D 9 of each target: the project's OpenGL layer on Linux
// (headless) and Wine's d3d9.dll in the Windows build. Both runs check the same log text and the
// same pixels, so the two implementations agree where these tests look.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dg/buffers.h"
#include "dg/carad.h"
#include "dg/texture.h"
#include "gl/dg/dg_window.h"
#include "support/golden.h"
#include "unit/dg/bmp_files.h"
#include "unit/dg/log_helper.h"
#include "unit/dg/scratch.h"

#ifndef _WIN32
#include <d3d9_linux.h>
#endif

namespace {

const std::vector<D3DFORMAT> kDepthFormats = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D32};
const std::vector<D3DFORMAT> kOpaqueFormats = {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
const std::vector<D3DFORMAT> kAlphaFormats = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 16 bytes a vertex

class RealDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    window_ = std::make_unique<testwin::Window>(160, 120);
    ASSERT_TRUE(window_->Ok());
  }
  void TearDown() override {
    carad_.reset();
    window_.reset();
    testlog::End();
  }

  // The component as the saver sets it up, without the halt switch.
  void Open() {
    carad_ = std::make_unique<dg::TDGCarad>(*window_);
    carad_->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    carad_->Initialize();
    ASSERT_NE(carad_->Device(), nullptr);
    SetMode(200, 150);
  }
  void SetMode(UINT width, UINT height) {
    carad_->SetWindowMode(width, height, kDepthFormats, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
    ASSERT_NE(carad_->Device(), nullptr);
  }

  // Linux: a forced loss, reported as Direct3D reports it; Windows: a reset of a working device.
  void LoseAndReset() {
    IDirect3DDevice9* device = carad_->Device();
#ifndef _WIN32
    D3D9Linux_ForceDeviceLost(device);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
#endif
    carad_->ResetDevice();
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  }

  // Level 0 of the image area as pixel values (the format's low bytes), top row first.
  static std::vector<std::uint32_t> Read(dg::TDGTexture& t) {
    std::vector<std::uint32_t> px;
    const RECT all = {0, 0, static_cast<LONG>(t.Width()), static_cast<LONG>(t.Height())};
    const D3DLOCKED_RECT lr = t.LockRect(0, &all, D3DLOCK_READONLY);
    if (!lr.pBits) return px;
    for (UINT y = 0; y < t.Height(); ++y)
      for (UINT x = 0; x < t.Width(); ++x) {
        const auto* p = static_cast<const std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * t.BytesPerPixel();
        std::uint32_t v = 0;
        for (UINT i = 0; i < t.BytesPerPixel(); ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
        px.push_back(v);
      }
    t.UnlockRect();
    return px;
  }
  static void Write(dg::TDGTexture& t, const std::vector<std::uint32_t>& px) {
    const RECT all = {0, 0, static_cast<LONG>(t.Width()), static_cast<LONG>(t.Height())};
    const D3DLOCKED_RECT lr = t.LockRect(0, &all, 0);
    ASSERT_NE(lr.pBits, nullptr);
    for (UINT y = 0; y < t.Height(); ++y)
      for (UINT x = 0; x < t.Width(); ++x) {
        auto* p = static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * t.BytesPerPixel();
        for (UINT i = 0; i < t.BytesPerPixel(); ++i) p[i] = static_cast<std::uint8_t>(px[y * t.Width() + x] >> (8 * i));
      }
    t.UnlockRect();
  }
  template <class B>
  static std::vector<std::uint8_t> Read(B& buffer, std::size_t size) {
    std::vector<std::uint8_t> bytes;
    if (const void* data = buffer.Lock(0, 0, D3DLOCK_READONLY)) {
      bytes.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
      buffer.Unlock();
    }
    return bytes;
  }
  template <class B>
  static void Write(B& buffer, const std::vector<std::uint8_t>& bytes) {
    void* data = buffer.Lock(0, 0, 0);
    ASSERT_NE(data, nullptr);
    std::memcpy(data, bytes.data(), bytes.size());
    buffer.Unlock();
  }
  static std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t start) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(start + 7 * i);
    return bytes;
  }
  bool LogReportsFailures() const {
    for (const std::string& line : testlog::Lines(log_))
      if (line.find("(Error Code = ") != std::string::npos) return true;
    return false;
  }

  std::unique_ptr<testwin::Window> window_;
  std::unique_ptr<dg::TDGCarad> carad_;
  std::string log_;
};

}  // namespace

TEST_F(RealDevice, TheSaversSetUpGivesADepthBufferOfTheWantedSizeAndMovesTheWindow) {
  Open();
  EXPECT_EQ(carad_->BackBufferWidth(), 200u);
  EXPECT_EQ(carad_->BackBufferHeight(), 150u);
  EXPECT_EQ(carad_->BackBufferCount(), 1);
  EXPECT_TRUE(carad_->Windowed());
  EXPECT_EQ(carad_->PresentParams().AutoDepthStencilFormat, D3DFMT_D16);  // D16 first, whatever else matches
  ASSERT_NE(carad_->DepthStencil(), nullptr);
  ASSERT_NE(carad_->BackBuffers(0), nullptr);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(carad_->BackBuffers(0)->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 200u);
  EXPECT_EQ(window_->ClientWidth(), 200);
  EXPECT_EQ(window_->ClientHeight(), 150);
  // Another size keeps the window where it is.
  const int left = window_->Left(), top = window_->Top();
  SetMode(240, 180);
  EXPECT_EQ(window_->ClientWidth(), 240);
  EXPECT_EQ(window_->ClientHeight(), 180);
  EXPECT_EQ(window_->Left(), left);
  EXPECT_EQ(window_->Top(), top);
  EXPECT_FALSE(LogReportsFailures());
}

TEST_F(RealDevice, ContentsSurviveARecreationAndAResetWhereTheirPoolKeepsThem) {
  Open();
  dg::TDGTexture painted(*carad_, kAlphaFormats, 0, D3DPOOL_MANAGED, 1, "painted");
  painted.SetSize(4, 3);
  const std::vector<std::uint32_t> argb = {0x01020304, 0xFF000000, 0x80FF8000, 0x00000000, 0x7F7F7F7F, 0xFFFFFFFF,
                                           0x10203040, 0x50607080, 0x90A0B0C0, 0xD0E0F000, 0x11111111, 0xEEEEEEEE};
  Write(painted, argb);

  dg::TDGTexture shaded(*carad_, {D3DFMT_R5G6B5}, 0, D3DPOOL_MANAGED, 0, "shaded");
  shaded.SetSize(3, 2);
  const std::vector<std::uint32_t> words = {0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x1234};
  Write(shaded, words);

  const std::string file = scratch::Path("real_file.bmp");
  scratch::WriteAll(file, testbmp::Make(2, 2, 24, testbmp::Picture(false)));
  dg::TDGTexture loaded(*carad_, kOpaqueFormats, 0, D3DPOOL_MANAGED, 0, "loaded");
  loaded.LoadFromFile(file);

  dg::TDGVertexBuffer vertices(*carad_, 4, 16, 0, kFvf, D3DPOOL_MANAGED, "quad");
  dg::TDGIndexBuffer indices(*carad_, 6, 0, D3DPOOL_MANAGED, "faces");
  const std::vector<std::uint8_t> vertexBytes = Pattern(64, 3), indexBytes = Pattern(12, 200);
  Write(vertices, vertexBytes);
  Write(indices, indexBytes);

  dg::TDGVertexBuffer scratchVertices(*carad_, 4, 16, 0, kFvf, D3DPOOL_DEFAULT, "scratch");
  Write(scratchVertices, Pattern(64, 9));
  dg::TDGTexture target(*carad_, kAlphaFormats, D3DUSAGE_DYNAMIC, D3DPOOL_DEFAULT, 1, "target");
  target.SetSize(2, 2);
  Write(target, {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00});

  const std::vector<std::uint32_t> picture = {0x00FF8308, 0x000000FF, 0x000000FF, 0x00FF8308};  // as X8R8G8B8
  ASSERT_EQ(loaded.Format(), D3DFMT_X8R8G8B8);
  ASSERT_EQ(Read(loaded), picture);

  // A new device: managed content comes back, program-made through its snapshot.
  SetMode(240, 180);
  EXPECT_NE(painted.Texture(), nullptr);
  EXPECT_EQ(Read(painted), argb);
  EXPECT_EQ(Read(shaded), words);
  EXPECT_EQ(Read(loaded), picture);
  EXPECT_EQ(Read(vertices, 64), vertexBytes);
  EXPECT_EQ(Read(indices, 12), indexBytes);
  EXPECT_EQ(scratchVertices.SavedCopy(), nullptr);
  EXPECT_NE(Read(scratchVertices, 64), Pattern(64, 9));
  EXPECT_NE(target.Texture(), nullptr);

  // A loss: managed objects stay as they are, default-pool ones come back new and empty.
  Write(scratchVertices, Pattern(64, 9));
  Write(target, {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00});
  IDirect3DTexture9* managed = painted.Texture();
  IDirect3DVertexBuffer9* managedBuffer = vertices.Buffer();
  LoseAndReset();
  EXPECT_EQ(painted.Texture(), managed);
  EXPECT_EQ(vertices.Buffer(), managedBuffer);
  EXPECT_EQ(Read(painted), argb);
  EXPECT_EQ(Read(shaded), words);
  EXPECT_EQ(Read(vertices, 64), vertexBytes);
  EXPECT_EQ(Read(indices, 12), indexBytes);
  ASSERT_NE(target.Texture(), nullptr);
  EXPECT_EQ(target.Width(), 2u);
  EXPECT_NE(Read(target), (std::vector<std::uint32_t>{0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00}));
  EXPECT_NE(Read(scratchVertices, 64), Pattern(64, 9));
  EXPECT_FALSE(LogReportsFailures());
}

TEST_F(RealDevice, TheSaversFormatListsGiveTheSameFormatsOnBothTargets) {
  Open();
  dg::TDGTexture opaque(*carad_, kOpaqueFormats, 0, D3DPOOL_MANAGED, 0, "opaque");
  dg::TDGTexture alpha(*carad_, kAlphaFormats, 0, D3DPOOL_MANAGED, 0, "alpha");
  opaque.SetSize(300, 200);
  alpha.SetSize(300, 200);
  EXPECT_EQ(opaque.Format(), D3DFMT_X8R8G8B8);
  EXPECT_EQ(alpha.Format(), D3DFMT_A8R8G8B8);
  EXPECT_EQ(opaque.SurfaceWidth(), 300u);  // neither layer asks for powers of two
  EXPECT_FLOAT_EQ(opaque.UMax(), 1.0f);
  ASSERT_NE(opaque.Texture(), nullptr);
  EXPECT_EQ(opaque.Texture()->GetLevelCount(), 9u);
  EXPECT_FALSE(LogReportsFailures());
}

TEST_F(RealDevice, BitmapsOfEveryDepthGiveTheSamePixelsInEveryFormat) {
  Open();
  const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                               D3DFMT_A4R4G4B4, D3DFMT_L8,       D3DFMT_A8L8,   D3DFMT_R8G8B8};
  std::string taken;
  for (D3DFORMAT format : formats) {
    for (int bits : {8, 16, 24, 32}) {
      const std::string file = scratch::Path("depth" + std::to_string(bits) + ".bmp");
      scratch::WriteAll(file, testbmp::Make(2, 2, bits, testbmp::Picture(bits == 32)));
      dg::TDGTexture t(*carad_, {format}, 0, D3DPOOL_MANAGED, 0, "depth");
      t.LoadFromFile(file);
      ASSERT_NE(t.Texture(), nullptr) << dg::FormatName(format);
      if (bits == 8) taken += dg::FormatName(format) + "->" + dg::FormatName(t.Format()) + " ";
      const testbmp::Expected& e = testbmp::ExpectedPixels().at(t.Format());
      const std::uint32_t c0 = bits == 32 ? e.c0Alpha : e.c0, c1 = bits == 32 ? e.c1Alpha : e.c1;
      EXPECT_EQ(Read(t), (std::vector<std::uint32_t>{c0, c1, c1, c0}))
          << dg::FormatName(t.Format()) << " from " << bits << " bits";
    }
  }
  // The device's own choice where it refuses a format: the back buffer's.
  RecordProperty("formats", taken);
  EXPECT_FALSE(LogReportsFailures());
}

TEST_F(RealDevice, TheLogOfAWholeDeviceLifeReadsAsPrescribed) {
  Open();
  dg::TDGTexture* title = new dg::TDGTexture(*carad_, kAlphaFormats, 0, D3DPOOL_MANAGED, 1, "title");  // left over
  title->SetSize(4, 4);
  Write(*title, std::vector<std::uint32_t>(16, 0xFF204060));
  auto vertices = std::make_unique<dg::TDGVertexBuffer>(*carad_, 4, 16, 0, kFvf, D3DPOOL_MANAGED, "quad");
  auto indices = std::make_unique<dg::TDGIndexBuffer>(*carad_, 6, 0, D3DPOOL_MANAGED, "faces");
  Write(*vertices, Pattern(64, 1));
  SetMode(240, 180);
  EXPECT_EQ(Read(*title), std::vector<std::uint32_t>(16, 0xFF204060));
  LoseAndReset();
  vertices.reset();
  indices.reset();

  D3DADAPTER_IDENTIFIER9 id;
  std::memset(&id, 0, sizeof id);
  ASSERT_EQ(carad_->D3D()->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  carad_.reset();

  char ids[160];
  std::snprintf(ids, sizeof ids, "VendorID : %.8X, DeviceID : %.8X, SubSysID : %.8X, Revision : %.8X",
                static_cast<unsigned>(id.VendorId), static_cast<unsigned>(id.DeviceId),
                static_cast<unsigned>(id.SubSysId), static_cast<unsigned>(id.Revision));
  // The remaining texture memory is the implementation's estimate: any number with two decimals.
  golden::Fields fields;
  fields.texts = {{"DRIVER", id.Driver}, {"DESCRIPTION", id.Description}, {"IDS", ids}};
  fields.patterns = {{"MEM", "[0-9]+\\.[0-9]{2}"}};
  EXPECT_TRUE(golden::MatchesLog(testlog::Lines(log_), "dg_device_life.txt", fields));
}
