// Blending, alpha test, texture sampling and formats, against Direct3D's values.
#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Blend : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_EQ(dev_->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt_, nullptr),
              D3D_OK);
    dev_->SetRenderTarget(0, rt_);
    dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }
  void TearDown() override {
    IDirect3DSurface9* bb = nullptr;
    dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    dev_->SetRenderTarget(0, bb);
    bb->Release();
    EXPECT_EQ(rt_->Release(), 0u);
    DeviceTest::TearDown();
  }
  std::uint32_t Draw(D3DCOLOR src, D3DCOLOR background = 0x804080C0) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
    Quad(0, 0, 16, 16, src);
    return At(ReadBack(), 8, 8);
  }
  IDirect3DSurface9* rt_ = nullptr;
};

TEST_F(Blend, FactorsAndOperationsMatchDirect3D) {
  struct Case {
    DWORD src, dst, op;
    std::uint32_t want[3];  // for sources 0x80FF8000, 0x40C0A020, 0xC0336699
  } cases[] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, {0x80A08060, 0x70608898, 0xB1366DA2}},
      {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, {0xC0C0C0C0, 0x9070A8C8, 0xFF66CDFF}},
      {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, {0x40404000, 0x20305018, 0x600D3373}},
      {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, {0x400040C0, 0x601030A8, 0x20334D4D}},
      {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, {0xFFFFFFC0, 0xC0FFFFE0, 0xFF73E6FF}},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, {0x40404000, 0x20305018, 0x600D3373}},
      {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, {0x000000C0, 0x400000A0, 0x000D1A27}},
      {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX, {0x80FF80C0, 0x80C0A0C0, 0xC04080C0}},
  };
  const D3DCOLOR sources[3] = {0x80FF8000, 0x40C0A020, 0xC0336699};
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  for (const Case& c : cases) {
    dev_->SetRenderState(D3DRS_SRCBLEND, c.src);
    dev_->SetRenderState(D3DRS_DESTBLEND, c.dst);
    dev_->SetRenderState(D3DRS_BLENDOP, c.op);
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(NearColor(Draw(sources[i]), c.want[i], 1)) << c.src << "/" << c.dst << " op " << c.op << " src " << i;
  }
}

TEST_F(Blend, XChannelTargetReadsDestinationAlphaAsOne) {
  IDirect3DSurface9* bb = nullptr;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
  dev_->SetRenderTarget(0, bb);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  EXPECT_TRUE(NearColor(Draw(0x80FF8000), 0xFFA08060, 1));  // same colour, stored alpha 255
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
  dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTALPHA);
  EXPECT_TRUE(NearColor(Draw(0x80FF8000), 0xFF4080C0, 1));  // DESTALPHA = 1
  dev_->SetRenderTarget(0, rt_);
  bb->Release();
}

TEST_F(Blend, SixBlendModeRows) {
  // Rows of the scene's blend-mode table applied as the rendering queue applies them.
  struct Row {
    bool blend;
    DWORD src, dst;
    std::uint32_t want;
  } rows[] = {{false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x80FF8000},
              {true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xC0C0C0C0},
              {true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x80A08060},
              {true, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, 0x400040C0},
              {true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 0x40404000}};
  for (const Row& r : rows) {
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, r.blend);
    dev_->SetRenderState(D3DRS_SRCBLEND, r.src);
    dev_->SetRenderState(D3DRS_DESTBLEND, r.dst);
    dev_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    EXPECT_TRUE(NearColor(Draw(0x80FF8000), r.want, 1)) << r.src << "/" << r.dst;
  }
  // Row 5: alpha test GREATER 0 without blending drops alpha 0 only.
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  EXPECT_EQ(Draw(0x00FFFFFF, 0), 0u);
  EXPECT_EQ(Draw(0x01FFFFFF, 0), 0x01FFFFFFu);
}

TEST_F(Blend, AlphaTestComparesEightBitAlpha) {
  struct Case {
    DWORD func, ref;
    const char* pass;  // for alpha 0, 1, 2, 127, 128, 129, 254, 255
  } cases[] = {{D3DCMP_GREATER, 0, "nYYYYYYY"},         {D3DCMP_GREATER, 0x80, "nnnnnYYY"},
               {D3DCMP_GREATEREQUAL, 0x80, "nnnnYYYY"}, {D3DCMP_LESS, 0x80, "YYYYnnnn"},
               {D3DCMP_EQUAL, 0x80, "nnnnYnnn"},        {D3DCMP_GREATER, 0x1FF, "nnnnnnnn"},
               {D3DCMP_ALWAYS, 0, "YYYYYYYY"},          {D3DCMP_NEVER, 0, "nnnnnnnn"}};
  const int alphas[8] = {0, 1, 2, 127, 128, 129, 254, 255};
  dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  for (const Case& c : cases) {
    dev_->SetRenderState(D3DRS_ALPHAFUNC, c.func);
    dev_->SetRenderState(D3DRS_ALPHAREF, c.ref);
    for (int i = 0; i < 8; ++i) {
      const D3DCOLOR src = static_cast<D3DCOLOR>(alphas[i]) << 24 | 0xffffff;
      const bool drawn = (Draw(src, 0) & 0xffffff) != 0;
      EXPECT_EQ(drawn, c.pass[i] == 'Y') << "func " << c.func << " ref " << c.ref << " alpha " << alphas[i];
    }
  }
  DWORD ref = 0;
  dev_->GetRenderState(D3DRS_ALPHAREF, &ref);
  EXPECT_EQ(ref, 0u);
}

// ---- sampling ------------------------------------------------------------------------------------

class Sampling : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }
  // A texture whose levels are filled with one colour each.
  IDirect3DTexture9* Levels(UINT size, const std::uint32_t* colours, UINT count) {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(dev_->CreateTexture(size, size, count, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    for (UINT l = 0; l < count; ++l) {
      D3DLOCKED_RECT lr;
      t->LockRect(l, &lr, nullptr, 0);
      const UINT s = std::max(1u, size >> l);
      for (UINT y = 0; y < s; ++y)
        for (UINT x = 0; x < s; ++x) static_cast<std::uint32_t*>(lr.pBits)[y * lr.Pitch / 4 + x] = colours[l];
      t->UnlockRect(l);
    }
    return t;
  }
  std::uint32_t QuadColour(float size) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    Quad(-0.5f, -0.5f, size - 0.5f, size - 0.5f, 0xffffffff);
    return At(ReadBack(), 2, 2) & 0xffffff;
  }
};

TEST_F(Sampling, MipLevelsAreUsedOnlyWithAMipFilter) {
  const std::uint32_t c[4] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffff00};
  IDirect3DTexture9* t = Levels(64, c, 4);
  dev_->SetTexture(0, t);
  for (DWORD minf : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
    dev_->SetSamplerState(0, D3DSAMP_MINFILTER, minf);
    EXPECT_EQ(QuadColour(32), 0xff0000u);
    EXPECT_EQ(QuadColour(16), 0xff0000u);
    EXPECT_EQ(QuadColour(8), 0xff0000u);
  }
  dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  dev_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  EXPECT_EQ(QuadColour(64), 0xff0000u);
  EXPECT_EQ(QuadColour(32), 0x00ff00u);
  EXPECT_EQ(QuadColour(16), 0x0000ffu);
  EXPECT_EQ(QuadColour(8), 0xffff00u);
  EXPECT_EQ(QuadColour(46), 0xff0000u);  // nearest level, threshold at .5
  EXPECT_EQ(QuadColour(44), 0x00ff00u);
  EXPECT_EQ(QuadColour(24), 0x00ff00u);
  EXPECT_EQ(QuadColour(22), 0x0000ffu);
  dev_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  EXPECT_EQ(QuadColour(16), 0x0000ffu);  // an exact LOD gives the pure level
  dev_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  dev_->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 2);
  EXPECT_EQ(QuadColour(64), 0x0000ffu);  // most detailed level allowed
  dev_->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
  EXPECT_EQ(t->SetLOD(1), 0u);
  EXPECT_EQ(QuadColour(64), 0x00ff00u);
  dev_->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(Sampling, FormatsReadAsDirect3DDefinesThem) {
  struct Case {
    D3DFORMAT format;
    std::uint32_t texel;  // as stored, low bytes used
    std::uint32_t argb;   // expected colour through SELECTARG1(TEXTURE)
  } cases[] = {{D3DFMT_A8R8G8B8, 0x80102030, 0x80102030},
               {D3DFMT_X8R8G8B8, 0x00102030, 0xFF102030},
               {D3DFMT_R5G6B5, 0xF800, 0xFFFF0000},
               {D3DFMT_R5G6B5, 0x07E0, 0xFF00FF00},
               {D3DFMT_X1R5G5B5, 0x001F, 0xFF0000FF},
               {D3DFMT_A1R5G5B5, 0x7C00, 0x00FF0000},
               {D3DFMT_A4R4G4B4, 0x8F00, 0x88FF0000},
               {D3DFMT_L8, 0x40, 0xFF404040},
               {D3DFMT_A8, 0x40, 0x40000000},
               {D3DFMT_A8L8, 0x8020, 0x80202020}};
  IDirect3DSurface9* rt = nullptr;
  ASSERT_EQ(dev_->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr),
            D3D_OK);
  dev_->SetRenderTarget(0, rt);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  for (const Case& c : cases) {
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(dev_->CreateTexture(4, 4, 1, 0, c.format, D3DPOOL_MANAGED, &t, nullptr), D3D_OK) << c.format;
    D3DLOCKED_RECT lr;
    t->LockRect(0, &lr, nullptr, 0);
    D3DSURFACE_DESC d;
    t->GetLevelDesc(0, &d);
    const int bpp = lr.Pitch / 4;  // 4-wide levels: pitch is 4 x bytes per pixel
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        std::memcpy(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * bpp, &c.texel, bpp);
    t->UnlockRect(0);
    dev_->SetTexture(0, t);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    Quad(0, 0, 8, 8, 0xffffffff);
    EXPECT_TRUE(NearColor(At(ReadBack(), 4, 4), c.argb, 2)) << "format " << c.format;
    dev_->SetTexture(0, nullptr);
    t->Release();
  }
  IDirect3DSurface9* bb = nullptr;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
  dev_->SetRenderTarget(0, bb);
  bb->Release();
  rt->Release();
}

TEST_F(Sampling, AddressModesAndWrapRenderState) {
  // A 4x1 texture red, green, blue, white; point sampled.
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(dev_->CreateTexture(4, 1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  t->LockRect(0, &lr, nullptr, 0);
  const std::uint32_t texels[4] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
  std::memcpy(lr.pBits, texels, sizeof texels);
  t->UnlockRect(0);
  dev_->SetTexture(0, t);
  auto draw = [&](float u0, float u1) {
    const TlVertex v[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xffffffff, 0, u0, 0.5f},
                           {39.5f, -0.5f, 0.5f, 1, 0xffffffff, 0, u1, 0.5f},
                           {-0.5f, 9.5f, 0.5f, 1, 0xffffffff, 0, u0, 0.5f},
                           {39.5f, 9.5f, 0.5f, 1, 0xffffffff, 0, u1, 0.5f}};
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev_->SetFVF(kTlFvf);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TlVertex));
    return ReadBack();
  };
  auto px = draw(0.75f, 1.25f);
  EXPECT_EQ(At(px, 5, 5) & 0xffffff, 0xffffffu);   // u 0.82: the last texel
  EXPECT_EQ(At(px, 35, 5) & 0xffffff, 0xff0000u);  // u 1.19 wraps to the first
  dev_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  px = draw(0.75f, 1.25f);
  EXPECT_EQ(At(px, 35, 5) & 0xffffff, 0xffffffu);
  dev_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  px = draw(0.75f, 1.25f);
  EXPECT_EQ(At(px, 35, 5) & 0xffffff, 0xffffffu);  // 1.19 mirrors to 0.81
  dev_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER);
  dev_->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xff00ff00);
  px = draw(0.75f, 1.25f);
  EXPECT_EQ(At(px, 35, 5) & 0xffffff, 0x00ff00u);
  dev_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  // D3DRS_WRAP0 makes 0.9 .. 0.1 take the short way through 1.0, as 0.9 .. 1.1 does.
  const auto shortWay = draw(0.9f, 1.1f);
  px = draw(0.9f, 0.1f);
  EXPECT_EQ(At(px, 20, 5) & 0xffffff, 0x00ff00u);  // the long way passes u 0.49
  EXPECT_EQ(At(shortWay, 20, 5) & 0xffffff, 0xff0000u);
  dev_->SetRenderState(D3DRS_WRAP0, D3DWRAP_U);
  px = draw(0.9f, 0.1f);
  for (int x : {2, 10, 20, 30, 37}) EXPECT_EQ(At(px, x, 5), At(shortWay, x, 5)) << x;
  dev_->SetTexture(0, nullptr);
  t->Release();
}

}  // namespace
}  // namespace d3d9test
