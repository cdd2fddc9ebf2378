// Fixed-function lighting and texture stages, against the values Direct3D gives for the same
// set-ups (single lit points drawn at the centre of a 64x64 A8R8G8B8 target).
#include "gl_fixture.h"

#include <cmath>

namespace d3d9test {
namespace {

D3DCOLORVALUE Cv(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }

D3DMATRIX Identity() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// Perspective, fovy 90 degrees, aspect 1, near 0.01, far 10000 (left-handed).
D3DMATRIX Projection() {
  D3DMATRIX m = {};
  const float zn = 0.01f, zf = 10000.0f;
  m._11 = m._22 = 1.0f;
  m._33 = zf / (zf - zn);
  m._34 = 1.0f;
  m._43 = -zn * zf / (zf - zn);
  return m;
}

class Lighting : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_EQ(dev_->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt_, nullptr),
              D3D_OK);
    ASSERT_EQ(dev_->SetRenderTarget(0, rt_), D3D_OK);
    const D3DMATRIX id = Identity(), proj = Projection();
    dev_->SetTransform(D3DTS_WORLD, &id);
    dev_->SetTransform(D3DTS_VIEW, &id);
    dev_->SetTransform(D3DTS_PROJECTION, &proj);
    D3DMATERIAL9 m = {};
    m.Diffuse = m.Ambient = m.Specular = Cv(1, 1, 1);
    m.Power = 10.0f;
    dev_->SetMaterial(&m);
    light_ = {};
    light_.Type = D3DLIGHT_DIRECTIONAL;
    light_.Diffuse = Cv(1, 1, 1, 0);
    light_.Direction = {0, 0, 1};
    dev_->SetLight(0, &light_);
    dev_->LightEnable(0, TRUE);
  }
  void TearDown() override {
    IDirect3DSurface9* bb = nullptr;
    dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    dev_->SetRenderTarget(0, bb);
    bb->Release();
    EXPECT_EQ(rt_->Release(), 0u);
    DeviceTest::TearDown();
  }

  // Draws one point at (0, 0, 2) with the given normal and returns the centre pixel.
  std::uint32_t Point(float nx, float ny, float nz, D3DCOLOR diffuse = 0x80C06030, D3DCOLOR specular = 0x40104080,
                      DWORD fvf = kLitFvf) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    if (fvf == kLitFvf) {
      const LitVertex v = {0, 0, 2, nx, ny, nz, diffuse, specular, 0, 0};
      dev_->SetFVF(fvf);
      EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &v, sizeof v), D3D_OK);
    } else {  // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1
      const float v[8] = {0, 0, 2, nx, ny, nz, 0, 0};
      dev_->SetFVF(fvf);
      EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, v, sizeof v), D3D_OK);
    }
    dev_->EndScene();
    return At(ReadBack(), 32, 32);
  }

  IDirect3DSurface9* rt_ = nullptr;
  D3DLIGHT9 light_{};
};

TEST_F(Lighting, VertexDiffuseFeedsTheMaterialAndItsAlpha) {
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // a1: COLORVERTEX with COLOR1
  dev_->SetRenderState(D3DRS_COLORVERTEX, FALSE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0xFFFFFFFF, 1));  // a2: material diffuse, alpha 1
  D3DMATERIAL9 m = {};
  m.Diffuse = Cv(1, 1, 1, 0.25f);
  m.Ambient = m.Specular = Cv(1, 1, 1);
  m.Power = 10;
  dev_->SetMaterial(&m);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x40FFFFFF, 1));  // a14
  dev_->SetRenderState(D3DRS_COLORVERTEX, TRUE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1, 0x00C06030), 0x00C06030, 1));  // a21
}

TEST_F(Lighting, SpecularIsAddedOnlyWhenEnabled) {
  light_.Specular = Cv(1, 1, 1);
  dev_->SetLight(0, &light_);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // a3
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80D0A0B0, 1));  // a4: 192+16, 96+64, 48+128
  light_.Specular = Cv(0.5f, 0.5f, 0.5f);
  dev_->SetLight(0, &light_);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C88070, 1));  // a7
  light_.Specular = Cv(0, 0, 0);
  dev_->SetLight(0, &light_);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // a5
  light_.Specular = Cv(1, 1, 1);
  dev_->SetLight(0, &light_);
  dev_->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  D3DMATERIAL9 m = {};
  m.Diffuse = m.Ambient = Cv(1, 1, 1);
  m.Specular = Cv(0.25f, 0.5f, 0.75f);
  m.Power = 10;
  dev_->SetMaterial(&m);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80FFE0EF, 1));  // a6
}

TEST_F(Lighting, DiffuseFollowsLightColourAndAngle) {
  light_.Diffuse = Cv(0.5f, 0.5f, 0.5f, 0);
  dev_->SetLight(0, &light_);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80603018, 1));  // a8
  light_.Diffuse = Cv(1, 1, 1, 0);
  dev_->SetLight(0, &light_);
  const float s = std::sqrt(3.0f) / 2.0f;
  EXPECT_TRUE(NearColor(Point(s, 0, -0.5f), 0x80603018, 1));      // a9: N.L = 0.5
  EXPECT_TRUE(NearColor(Point(2 * s, 0, -1.0f), 0x80C06030, 1));  // a10: not renormalised
  dev_->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  EXPECT_TRUE(NearColor(Point(2 * s, 0, -1.0f), 0x80603018, 1));  // a11
  dev_->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
  EXPECT_TRUE(NearColor(Point(0, 0, 1), 0x80000000, 1));  // a15: facing away
}

TEST_F(Lighting, AmbientAndEmissiveTerms) {
  dev_->SetRenderState(D3DRS_AMBIENT, 0x00204060);
  EXPECT_TRUE(NearColor(Point(0, 0, 1), 0x80204060, 1));  // a16: Ma (white) x RS_AMBIENT
  dev_->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
  EXPECT_TRUE(NearColor(Point(0, 0, 1), 0x80181812, 1));  // a17: vertex diffuse x RS_AMBIENT
  dev_->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
  dev_->SetRenderState(D3DRS_AMBIENT, 0);
  light_.Ambient = Cv(0.25f, 0.5f, 1.0f);
  dev_->SetLight(0, &light_);
  EXPECT_TRUE(NearColor(Point(0, 0, 1), 0x804080FF, 1));  // a18
  light_.Ambient = Cv(0, 0, 0);
  dev_->SetLight(0, &light_);
  D3DMATERIAL9 m = {};
  m.Diffuse = m.Ambient = m.Specular = Cv(1, 1, 1);
  m.Emissive = Cv(0.1f, 0.2f, 0.3f, 0.9f);
  m.Power = 10;
  dev_->SetMaterial(&m);
  EXPECT_TRUE(NearColor(Point(0, 0, 1), 0x801A334C, 1));  // a19: emissive alpha ignored
}

TEST_F(Lighting, UnlitAndMissingComponents) {
  dev_->LightEnable(0, FALSE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80000000, 1));  // a20: lit, no light
  dev_->LightEnable(0, TRUE);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // a12
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80D0A0B0, 1));  // a13: vertex specular as-is
  dev_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  const DWORD noColours = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
  EXPECT_TRUE(NearColor(Point(0, 0, -1, 0, 0, noColours), 0xFFFFFFFF, 1));  // a24: missing diffuse is white
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1, 0, 0, noColours), 0xFFFFFFFF, 1));  // a22: material used
  D3DMATERIAL9 m = {};
  m.Diffuse = Cv(0.5f, 0.25f, 1.0f, 0.5f);
  m.Power = 10;
  dev_->SetMaterial(&m);
  EXPECT_TRUE(NearColor(Point(0, 0, -1, 0, 0, noColours), 0x808040FF, 1));  // a23
}

TEST_F(Lighting, NoNormalMeansBlack) {
  // XYZ | DIFFUSE with lighting on: N = 0, material ambient 0.
  struct V {
    float x, y, z;
    D3DCOLOR c;
  } v = {0, 0, 2, 0x80FF8040};
  const D3DMATERIAL9 none = {};  // the device's default material
  dev_->SetMaterial(&none);
  dev_->SetRenderState(D3DRS_AMBIENT, 0x404040);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &v, sizeof v);
  EXPECT_TRUE(NearColor(At(ReadBack(), 32, 32), 0x80000000, 1));
}

// Two directional lights and light ambient over 25 normals (a sphere-like cap), both viewer
// models; Direct3D's values for selected points.
TEST_F(Lighting, TwoLightsWithSpecularMatchDirect3D) {
  auto norm = [](D3DVECTOR v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return D3DVECTOR{v.x / l, v.y / l, v.z / l};
  };
  D3DLIGHT9 l0 = {};
  l0.Type = D3DLIGHT_DIRECTIONAL;
  l0.Direction = norm({-1, -1, 1});
  l0.Diffuse = Cv(1, 0.8f, 0.6f);
  l0.Specular = Cv(1, 1, 1);
  l0.Ambient = Cv(0.03f, 0.03f, 0.03f);
  D3DLIGHT9 l1 = {};
  l1.Type = D3DLIGHT_DIRECTIONAL;
  l1.Direction = norm({1, 0.5f, 0.5f});
  l1.Diffuse = Cv(0.2f, 0.4f, 0.6f);
  l1.Specular = Cv(0.5f, 0.5f, 0.5f);
  dev_->SetLight(0, &l0);
  dev_->SetLight(1, &l1);
  dev_->LightEnable(1, TRUE);
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);

  std::vector<LitVertex> pts;
  for (int j = -2; j <= 2; ++j)
    for (int i = -2; i <= 2; ++i) {
      const float nx = 0.35f * i, ny = 0.35f * j;
      pts.push_back({0.5f * i, 0.5f * j, 2, nx, ny, -std::sqrt(1 - nx * nx - ny * ny), 0xffffffff, 0xffffffff, 0, 0});
    }
  auto render = [&] {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->SetFVF(kLitFvf);
    dev_->DrawPrimitiveUP(D3DPT_POINTLIST, static_cast<UINT>(pts.size()), pts.data(), sizeof(LitVertex));
    return ReadBack();
  };
  struct Sample {
    int x, y;
    std::uint32_t rgb;
  };
  const Sample local[] = {{32, 32, 0xFFFFFF}, {16, 48, 0x366594}, {32, 48, 0x284562}, {16, 40, 0x4F80B1},
                          {24, 40, 0xA7CAED}, {40, 40, 0x968879}, {48, 32, 0xE1B88E}, {24, 24, 0xA9A9A9},
                          {48, 24, 0xFFDBAA}, {16, 16, 0x2E3B49}};
  auto px = render();
  for (const Sample& s : local) EXPECT_TRUE(NearColor(At(px, s.x, s.y), 0xFF000000 | s.rgb, 1)) << s.x << "," << s.y;
  dev_->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
  px = render();
  EXPECT_TRUE(NearColor(At(px, 16, 40), 0xFF84B5E7, 1));
  EXPECT_TRUE(NearColor(At(px, 24, 24), 0xFFC4C4C4, 1));
  dev_->SetRenderState(D3DRS_LOCALVIEWER, TRUE);
  dev_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  px = render();
  EXPECT_TRUE(NearColor(At(px, 32, 32), 0xFFB0A79E, 1));
  EXPECT_TRUE(NearColor(At(px, 16, 48), 0xFF366594, 1));
}

TEST_F(Lighting, SpecularNeedsTheLightToFaceTheSurface) {
  // One light from +x; normals just behind, on and just in front of the terminator.
  light_.Direction = {-1, 0, 0};
  light_.Diffuse = Cv(0, 0, 0, 0);
  light_.Specular = Cv(1, 1, 1);
  dev_->SetLight(0, &light_);
  dev_->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  D3DMATERIAL9 m = {};
  m.Specular = Cv(1, 1, 1);
  m.Power = 1;
  dev_->SetMaterial(&m);
  auto at = [&](float nl) { return R(Point(nl, 0, -std::sqrt(1 - nl * nl), 0xff000000, 0xffffffff)); };
  EXPECT_EQ(at(-0.3f), 0);
  EXPECT_EQ(at(-0.05f), 0);
  EXPECT_EQ(at(0.0f), 0);
  EXPECT_NEAR(at(0.05f), 189, 1);
  m.Power = 10;
  dev_->SetMaterial(&m);
  EXPECT_NEAR(at(0.05f), 13, 1);
  m.Power = 0;
  dev_->SetMaterial(&m);
  EXPECT_NEAR(at(0.05f), 255, 1);
}

// ---- texture stages ------------------------------------------------------------------------------

class Stages : public Lighting {
 protected:
  void SetUp() override {
    Lighting::SetUp();
    ASSERT_EQ(dev_->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex_, nullptr), D3D_OK);
    Fill(tex_, 0x8080FF40);
  }
  void TearDown() override {
    dev_->SetTexture(0, nullptr);
    EXPECT_EQ(tex_->Release(), 0u);
    Lighting::TearDown();
  }
  static void Fill(IDirect3DTexture9* t, DWORD texel) {
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) std::memcpy(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &texel, 4);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
  }
  void Modulate() {
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  }
  IDirect3DTexture9* tex_ = nullptr;
};

TEST_F(Stages, WithoutTextureTheStagePassesCurrentOn) {
  Modulate();
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // b1
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // b2
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // b3
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // b4
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // b5
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  dev_->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80808080);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80603018, 1));  // b6: TFACTOR x DIFFUSE works
}

TEST_F(Stages, TextureModulatesAndSpecularComesAfter) {
  dev_->SetTexture(0, tex_);
  Modulate();
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x4060600C, 1));  // c1
  light_.Specular = Cv(1, 1, 1);
  dev_->SetLight(0, &light_);
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x4070A08C, 1));  // c2
  dev_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x8080FF40, 1));  // c6: the raw texel
  Modulate();
  dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x4060600C, 1));  // c7: stage 1 without texture passes
  dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x80C06030, 1));  // c8: DISABLE disables alpha too
}

TEST_F(Stages, DefaultStagesTakeTexelAlphaAndXChannelIsOpaque) {
  dev_->SetTexture(0, tex_);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x8060600C, 1));  // c3
  IDirect3DTexture9* x = nullptr;
  ASSERT_EQ(dev_->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &x, nullptr), D3D_OK);
  Fill(x, 0x0080FF40);
  dev_->SetTexture(0, x);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0xFF60600C, 1));  // c4
  dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  dev_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  EXPECT_TRUE(NearColor(Point(0, 0, -1), 0x8060600C, 1));  // c5
  dev_->SetTexture(0, tex_);
  EXPECT_EQ(x->Release(), 0u);
}

}  // namespace
}  // namespace d3d9test
