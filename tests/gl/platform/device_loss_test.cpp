// Device loss on demand (platform/device_loss.h) on the real Direct3D 9 of each target: the
// project's layer headless on Linux, Wine's d3d9.dll in the Windows build. The device component
// finds the device waiting for a reset, resets it, and the next frame shows what it showed before,
// with managed contents intact and default-pool ones given back through the lost/reset callbacks.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dg/buffers.h"
#include "dg/carad.h"
#include "dg/texture.h"
#include "gl/dg/dg_window.h"
#include "platform/device_loss.h"
#include "sx/light.h"
#include "unit/dg/log_helper.h"

namespace {

const std::vector<D3DFORMAT> kDepthFormats = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D32};
const std::vector<D3DFORMAT> kAlphaFormats = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};

class DeviceLoss : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    window_ = std::make_unique<testwin::Window>(96, 64);
    ASSERT_TRUE(window_->Ok());
    carad_ = std::make_unique<dg::TDGCarad>(*window_);
    carad_->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    carad_->Initialize();
    ASSERT_NE(carad_->Device(), nullptr);
    carad_->SetWindowMode(96, 64, kDepthFormats, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
    ASSERT_NE(carad_->Device(), nullptr);
  }
  void TearDown() override {
    carad_.reset();
    window_.reset();
    testlog::End();
  }

  // One frame as the saver draws it: clear, the texture on a pre-transformed quad, present; then
  // the back buffer read through a system-memory surface. Empty when the device is not working.
  std::vector<std::uint32_t> Frame(dg::TDGTexture& texture) {
    IDirect3DDevice9* d = carad_->Device();
    if (d->TestCooperativeLevel() != D3D_OK) return {};
    struct V {
      float x, y, z, rhw;
      D3DCOLOR c;
      float u, v;
    };
    const V quad[4] = {{16, 8, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                       {80, 8, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                       {16, 56, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                       {80, 56, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
    d->BeginScene();
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetTexture(0, texture.Texture());
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
    d->SetTexture(0, nullptr);
    d->EndScene();
    std::vector<std::uint32_t> px;
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(d->CreateOffscreenPlainSurface(96, 64, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr))) {
      D3DLOCKED_RECT lr{};
      if (SUCCEEDED(d->GetRenderTargetData(carad_->BackBuffers(0), copy)) &&
          SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        for (int y = 0; y < 64; ++y)
          for (int x = 0; x < 96; ++x)
            px.push_back(static_cast<const std::uint32_t*>(lr.pBits)[y * (lr.Pitch / 4) + x] & 0xFFFFFF);
        copy->UnlockRect();
      }
      copy->Release();
    }
    d->Present(nullptr, nullptr, nullptr, nullptr);
    return px;
  }

  // A quad facing the lights, lit by the enabled ones (each adds a quarter of the material's white
  // diffuse colour), and its centre pixel read back; 0 when the device is not working.
  std::uint32_t LitFrame() {
    IDirect3DDevice9* d = carad_->Device();
    if (d->TestCooperativeLevel() != D3D_OK) return 0;
    struct V {
      float x, y, z, nx, ny, nz;
    };
    const V quad[4] = {
        {-1, -1, 0.5f, 0, 0, -1}, {-1, 1, 0.5f, 0, 0, -1}, {1, -1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}};
    D3DMATERIAL9 m{};
    m.Diffuse = {0.25f, 0.25f, 0.25f, 1};
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    d->BeginScene();
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetMaterial(&m);
    d->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
    d->EndScene();
    std::uint32_t px = 0;
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(d->CreateOffscreenPlainSurface(96, 64, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr))) {
      D3DLOCKED_RECT lr{};
      if (SUCCEEDED(d->GetRenderTargetData(carad_->BackBuffers(0), copy)) &&
          SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        px = static_cast<const std::uint32_t*>(lr.pBits)[32 * (lr.Pitch / 4) + 48] & 0xFFFFFF;
        copy->UnlockRect();
      }
      copy->Release();
    }
    d->Present(nullptr, nullptr, nullptr, nullptr);
    return px;
  }

  // A 2 x 2 checker of four colours, written through a lock.
  static void Paint(dg::TDGTexture& t) {
    const RECT all = {0, 0, 2, 2};
    const D3DLOCKED_RECT lr = t.LockRect(0, &all, 0);
    ASSERT_NE(lr.pBits, nullptr);
    const std::uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x)
        reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = colours[y * 2 + x];
    t.UnlockRect();
  }

  bool LogHas(const std::string& text) const {
    for (const std::string& line : testlog::Lines(log_))
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  std::unique_ptr<testwin::Window> window_;
  std::unique_ptr<dg::TDGCarad> carad_;
  std::string log_;
};

TEST_F(DeviceLoss, TheLostDeviceIsResetByTheComponentAndTheNextFrameEqualsTheOneBefore) {
  dg::TDGTexture texture(*carad_, kAlphaFormats, 0, D3DPOOL_MANAGED, 1, "checker");
  texture.SetSize(2, 2);
  ASSERT_EQ(texture.Format(), D3DFMT_A8R8G8B8);
  Paint(texture);
  // A default-pool buffer of the scene's kind, which must be given back and made again.
  dg::TDGVertexBuffer scratch(*carad_, 4, 16, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_DEFAULT, "scratch");

  const std::vector<std::uint32_t> before = Frame(texture);
  ASSERT_EQ(before.size(), 96u * 64u);
  EXPECT_EQ(before[0], 0x204060u);             // the clear colour outside the quad
  EXPECT_EQ(before[10 * 96 + 20], 0xFF0000u);  // the checker's top-left texel
  EXPECT_EQ(before[50 * 96 + 70], 0xFFFF00u);  // and its bottom-right one

  IDirect3DDevice9* device = carad_->Device();
  ASSERT_TRUE(platform::ForceDeviceLoss(device));
  // As the frame loop sees it: no frame while lost, a reset once the device waits for one.
  int lostChecks = 0;
  HRESULT level = device->TestCooperativeLevel();
  while (level == D3DERR_DEVICELOST && lostChecks < 5) {
    ++lostChecks;
    level = device->TestCooperativeLevel();
  }
  EXPECT_LE(lostChecks, 1);
  ASSERT_EQ(level, D3DERR_DEVICENOTRESET);
  EXPECT_FALSE(platform::ForceDeviceLoss(device)) << "a device that is not working is left alone";
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  carad_->ResetDevice();
  ASSERT_EQ(device->TestCooperativeLevel(), D3D_OK);
  EXPECT_NE(scratch.Buffer(), nullptr) << "the default-pool buffer is made again after the reset";

  const std::vector<std::uint32_t> after = Frame(texture);
  EXPECT_EQ(after, before);
  EXPECT_TRUE(LogHas("■■■Direct3DDeviceをリセットします■■■"));
  EXPECT_FALSE(LogHas("リセットに失敗しました"));
}

// Wine's d3d9.dll keeps an active-light slot for every light enabled at a Reset: three lights went
// dark one by one from the second Reset on, unless they were switched off before it.
TEST_F(DeviceLoss, ThreeLightsLightTheSameAfterEveryLossAndEveryReset) {
  sx::TSXLightGroup lights(*carad_, "lights", 3);
  for (int i = 0; i < 3; ++i) lights.Lights(i)->SetEnabled(true);
  const std::uint32_t lit = LitFrame();
  EXPECT_EQ(lit, 0xBFBFBFu);  // three quarters of white
  for (int loss = 1; loss <= 4; ++loss) {
    ASSERT_TRUE(platform::ForceDeviceLoss(carad_->Device()));
    carad_->Device()->TestCooperativeLevel();
    carad_->ResetDevice();
    EXPECT_EQ(LitFrame(), lit) << "after loss " << loss;
  }
  for (int reset = 1; reset <= 4; ++reset) {
    carad_->ResetDevice();  // a working device, as for a new window size
    EXPECT_EQ(LitFrame(), lit) << "after reset " << reset;
  }
}

TEST_F(DeviceLoss, NoDeviceNothingToLose) { EXPECT_FALSE(platform::ForceDeviceLoss(nullptr)); }

}  // namespace
