// Normals under a singular world matrix (the planar shadows flatten their meshes with a matrix
// whose y row is zero), on the real Direct3D 9 of each target. Such a matrix has no inverse
// transpose; Wine's d3d9.dll then takes the world-view matrix itself for the normals (what
// Direct3D 3 and older did, for lack of one consistent answer on later drivers), and the Linux
// layer must give the same light, or the shadows of the two builds differ.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "dg/carad.h"
#include "gl/dg/dg_window.h"
#include "unit/dg/log_helper.h"

namespace {

class SingularNormals : public ::testing::Test {
 protected:
  void SetUp() override {
    testlog::Begin();
    window_ = std::make_unique<testwin::Window>(64, 64);
    ASSERT_TRUE(window_->Ok());
    carad_ = std::make_unique<dg::TDGCarad>(*window_);
    carad_->SetDebugOption(0);
    carad_->Initialize();
    ASSERT_NE(carad_->Device(), nullptr);
    carad_->SetWindowMode(64, 64, {D3DFMT_D16}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
    ASSERT_NE(carad_->Device(), nullptr);
  }
  void TearDown() override {
    carad_.reset();
    window_.reset();
    testlog::End();
  }

  // One lit point at (x, 0, z) with the given normal, which the world matrix takes to (0, 0, 2) in
  // front of the camera; white material, a white directional light shining along -z (towards the
  // camera): the red of the centre pixel is 255 x the normal's z after the normal transform
  // (256: the point was not drawn there).
  int Red(const D3DMATRIX& world, float x, float z, D3DVECTOR normal) {
    IDirect3DDevice9* d = carad_->Device();
    D3DMATRIX id = {}, proj = {};
    id._11 = id._22 = id._33 = id._44 = 1.0f;
    const float zn = 0.01f, zf = 100.0f;
    proj._11 = proj._22 = 1.0f, proj._33 = zf / (zf - zn), proj._34 = 1.0f, proj._43 = -zn * zf / (zf - zn);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTransform(D3DTS_VIEW, &id);
    d->SetTransform(D3DTS_PROJECTION, &proj);
    D3DMATERIAL9 m = {};
    m.Diffuse = {1, 1, 1, 1};
    d->SetMaterial(&m);
    D3DLIGHT9 l = {};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 1};
    l.Direction = {0, 0, -1};
    d->SetLight(0, &l);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, 0);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    struct V {
      float x, y, z, nx, ny, nz;
    } point = {x, 0, z, normal.x, normal.y, normal.z};
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    d->BeginScene();
    d->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    d->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof point);
    d->EndScene();
    int red = -1;
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(d->CreateOffscreenPlainSurface(64, 64, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr))) {
      D3DLOCKED_RECT lr{};
      if (SUCCEEDED(d->GetRenderTargetData(carad_->BackBuffers(0), copy)) &&
          SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        const std::uint32_t c = static_cast<const std::uint32_t*>(lr.pBits)[32 * (lr.Pitch / 4) + 32];
        red = (c & 0xFF) == 0xFF && (c >> 16 & 0xFF) == 0 ? 256 : static_cast<int>(c >> 16 & 0xFF);
        copy->UnlockRect();
      }
      copy->Release();
    }
    return red;
  }

  std::unique_ptr<testwin::Window> window_;
  std::unique_ptr<dg::TDGCarad> carad_;
};

TEST_F(SingularNormals, AnInvertibleWorldMatrixTurnsTheNormalByItsInverseTranspose) {
  D3DMATRIX id = {};
  id._11 = id._22 = id._33 = id._44 = 1.0f;
  EXPECT_EQ(Red(id, 0.0f, 2.0f, {0.6f, 0.8f, 0.0f}), 0) << "a normal without z gets no light";
  EXPECT_NEAR(Red(id, 0.0f, 2.0f, {0.6f, 0.0f, 0.8f}), 204, 2);
  // z stretched twice: the point (0, 0, 1) goes to (0, 0, 2), the normal (0.6, 0, 0.8) through
  // the inverse transpose to (0.6, 0, 0.4): red 102 (the matrix itself would give 1.6: 255).
  D3DMATRIX stretch = id;
  stretch._33 = 2.0f;
  EXPECT_NEAR(Red(stretch, 0.0f, 1.0f, {0.6f, 0.0f, 0.8f}), 102, 2);
}

TEST_F(SingularNormals, AFlatteningMatrixLightsTheNormalThroughTheMatrixItself) {
  // Rows (1, 0, 0), (0, 0, 0), (0.5, 0, 1): y flattened, z sheared into x. The point (-1, 0, 2)
  // goes to (0, 0, 2). Through the matrix itself (as a column transform) the normal becomes
  // (0.6, 0, 0.3): red 0.3 x 255 = 77. (Through its transpose it would get no z and stay dark;
  // a zero matrix would leave it dark too.)
  D3DMATRIX flat = {};
  flat._11 = 1.0f, flat._31 = 0.5f, flat._33 = 1.0f, flat._44 = 1.0f;
  EXPECT_NEAR(Red(flat, -1.0f, 2.0f, {0.6f, 0.8f, 0.0f}), 77, 2);
}

}  // namespace
