// Rasterisation rules of pre-transformed vertices: pixel centres, fill rule, clipping, culling.
#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Raster : public DeviceTest {};

// Covered columns [first, last] of row `y` for colour `c`, or (-1, -1).
std::pair<int, int> Span(const std::vector<std::uint32_t>& px, int w, int y, std::uint32_t c) {
  int first = -1, last = -1;
  for (int x = 0; x < w; ++x)
    if ((px[y * w + x] & 0xffffff) == (c & 0xffffff)) {
      if (first < 0) first = x;
      last = x;
    }
  return {first, last};
}

TEST_F(Raster, IntegerPixelCentresWithTopLeftRule) {
  struct Case {
    float lo, hi;
    int first, last;
  } cases[] = {{10.0f, 20.0f, 10, 19},   {9.5f, 19.5f, 10, 19},   {9.9f, 19.9f, 10, 19},
               {9.49f, 19.49f, 10, 19},  {9.51f, 19.51f, 10, 19}, {10.1f, 20.1f, 11, 20},
               {10.49f, 20.49f, 11, 20}, {10.5f, 20.5f, 11, 20},  {10.51f, 20.51f, 11, 20}};
  for (const Case& c : cases) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    dev_->BeginScene();
    ASSERT_EQ(Quad(c.lo, c.lo, c.hi, c.hi, 0xffffffff), D3D_OK);
    dev_->EndScene();
    const auto px = ReadBack();
    const auto cols = Span(px, kWidth, c.first, 0xffffffff);
    EXPECT_EQ(cols.first, c.first) << c.lo;
    EXPECT_EQ(cols.second, c.last) << c.lo;
    int rowsFirst = -1, rowsLast = -1;
    for (int y = 0; y < kHeight; ++y)
      if ((At(px, c.first, y) & 0xffffff) == 0xffffff) {
        if (rowsFirst < 0) rowsFirst = y;
        rowsLast = y;
      }
    EXPECT_EQ(rowsFirst, c.first) << c.lo;
    EXPECT_EQ(rowsLast, c.last) << c.lo;
  }
}
// The tie rule is measured on the first device and reused by later ones on the same renderer: a
// device made after another one (and after a reset) still covers exactly the top and left edges.
TEST_F(Raster, EveryLaterDeviceKeepsTheTopLeftRuleOfTies) {
  for (int round = 0; round < 3; ++round) {
    if (round == 1) {
      Close();
      ASSERT_TRUE(Open(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DFMT_D16));
    } else if (round == 2) {
      ASSERT_EQ(dev_->Reset(&pp_), D3D_OK);
    }
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    dev_->BeginScene();
    ASSERT_EQ(Quad(8.0f, 8.0f, 16.0f, 16.0f, 0xffffffff), D3D_OK);
    dev_->EndScene();
    const auto px = ReadBack();
    EXPECT_EQ(Span(px, kWidth, 8, 0xffffffff), std::make_pair(8, 15)) << round;
    EXPECT_EQ(Span(px, kWidth, 15, 0xffffffff), std::make_pair(8, 15)) << round;
    EXPECT_EQ(Span(px, kWidth, 7, 0xffffffff), std::make_pair(-1, -1)) << round;
    EXPECT_EQ(Span(px, kWidth, 16, 0xffffffff), std::make_pair(-1, -1)) << round;
  }
}
}  // namespace
}  // namespace d3d9test

namespace d3d9test {
namespace {

class Pipeline : public DeviceTest {
 protected:
  int CountColour(const std::vector<std::uint32_t>& px, std::uint32_t c) const {
    int n = 0;
    for (std::uint32_t p : px) n += (p & 0xffffff) == (c & 0xffffff);
    return n;
  }
};

TEST_F(Pipeline, AttributesAreSampledAtIntegerPositions) {
  // Diffuse red ramps from 0 to 200 over ten pixels.
  auto ramp = [&](float x0) {
    const TlVertex v[4] = {{x0, 10, 0.5f, 1, 0xff000000, 0, 0, 0},
                           {x0 + 10, 10, 0.5f, 1, 0xffc80000, 0, 0, 0},
                           {x0, 20, 0.5f, 1, 0xff000000, 0, 0, 0},
                           {x0 + 10, 20, 0.5f, 1, 0xffc80000, 0, 0, 0}};
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev_->SetFVF(kTlFvf);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TlVertex));
    return ReadBack();
  };
  auto px = ramp(10.0f);
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(R(At(px, 10 + i, 15)), 20 * i, 1) << i;
  px = ramp(9.5f);
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(R(At(px, 10 + i, 15)), 10 + 20 * i, 1) << i;
}

TEST_F(Pipeline, TexelsMapOneToOneAtHalfPixelOffsets) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(dev_->CreateTexture(10, 10, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  t->LockRect(0, &lr, nullptr, 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      static_cast<std::uint32_t*>(lr.pBits)[y * lr.Pitch / 4 + x] =
          0xff000000u | static_cast<std::uint32_t>(20 * x + 10) << 16;
  t->UnlockRect(0);
  dev_->SetTexture(0, t);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
    dev_->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    dev_->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_EQ(Quad(9.5f, 9.5f, 19.5f, 19.5f, 0xffffffff), D3D_OK);
    const auto px = ReadBack();
    for (int i = 0; i < 10; ++i)
      EXPECT_NEAR(R(At(px, 10 + i, 12)), 20 * i + 10, 1) << "filter " << filter << " i " << i;
  }
  // On the texel edges LINEAR blends half and half, wrapping round at the left.
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  ASSERT_EQ(Quad(10, 10, 20, 20, 0xffffffff), D3D_OK);
  const auto px = ReadBack();
  EXPECT_NEAR(R(At(px, 10, 12)), 100, 1);
  EXPECT_NEAR(R(At(px, 11, 12)), 20, 1);
  EXPECT_NEAR(R(At(px, 12, 12)), 40, 1);
  dev_->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(Pipeline, PretransformedDrawingIsUnlitCulledAndClipped) {
  // Never lit; specular added only when enabled.
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  ASSERT_EQ(Quad(0, 0, 8, 8, 0x80402010, 0.5f, 0x7F102030), D3D_OK);
  EXPECT_TRUE(NearColor(At(ReadBack(), 4, 4), 0xff402010, 1, false));
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  ASSERT_EQ(Quad(0, 0, 8, 8, 0x80402010, 0.5f, 0x7F102030), D3D_OK);
  EXPECT_TRUE(NearColor(At(ReadBack(), 4, 4), 0xff504040, 1, false));
  dev_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  // Culling: the default CCW culls screen-counter-clockwise triangles.
  const TlVertex cw[3] = {{20, 20, 0.5f, 1, 0xffff0000, 0, 0, 0},
                          {40, 20, 0.5f, 1, 0xffff0000, 0, 0, 0},
                          {20, 40, 0.5f, 1, 0xffff0000, 0, 0, 0}};
  const TlVertex ccw[3] = {cw[0], cw[2], cw[1]};
  dev_->SetFVF(kTlFvf);
  auto draw = [&](const TlVertex* v) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(TlVertex));
    return R(At(ReadBack(), 24, 24));
  };
  EXPECT_EQ(draw(cw), 255);
  EXPECT_EQ(draw(ccw), 0);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  EXPECT_EQ(draw(cw), 0);
  EXPECT_EQ(draw(ccw), 255);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  EXPECT_EQ(draw(cw), 255);
  EXPECT_EQ(draw(ccw), 255);
  // z outside [0, 1] is clipped; 0 and 1 are drawn.
  dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  for (float z : {-0.1f, 1.1f, 0.0f, 0.999f, 1.0f}) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    Quad(0, 0, 8, 8, 0xffffffff, z);
    EXPECT_EQ(R(At(ReadBack(), 4, 4)), (z < 0 || z > 1) ? 0 : 255) << z;
  }
  // Drawing is clipped to the viewport.
  const D3DVIEWPORT9 vp = {8, 8, 16, 16, 0, 1};
  ASSERT_EQ(dev_->SetViewport(&vp), D3D_OK);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);  // viewport only
  const D3DVIEWPORT9 full = {0, 0, kWidth, kHeight, 0, 1};
  dev_->SetViewport(&full);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->SetViewport(&vp);
  Quad(0, 0, kWidth, kHeight, 0xffffffff);
  EXPECT_EQ(CountColour(ReadBack(), 0xffffff), 256);
}

TEST_F(Pipeline, ClearHonoursViewportRectanglesAndScissor) {
  const D3DVIEWPORT9 vp = {8, 8, 16, 16, 0, 1};
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  ASSERT_EQ(dev_->SetViewport(&vp), D3D_OK);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0);
  auto px = ReadBack();
  EXPECT_EQ(CountColour(px, 0xffffff), 256);
  EXPECT_EQ(At(px, 8, 8) & 0xffffff, 0xffffffu);
  EXPECT_EQ(At(px, 23, 23) & 0xffffff, 0xffffffu);
  EXPECT_EQ(At(px, 24, 23) & 0xffffff, 0u);
  const D3DRECT r = {0, 0, 12, 12};
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->Clear(1, &r, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0);
  EXPECT_EQ(CountColour(ReadBack(), 0xffffff), 16);  // x 8..11, y 8..11
  EXPECT_EQ(dev_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  const D3DVIEWPORT9 full = {0, 0, kWidth, kHeight, 0, 1};
  dev_->SetViewport(&full);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  const RECT sc = {4, 4, 10, 10};
  dev_->SetScissorRect(&sc);
  dev_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0);
  EXPECT_EQ(CountColour(ReadBack(), 0xffffff), 36);
  // The scissor clips drawing too.
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  Quad(0, 0, kWidth, kHeight, 0xffffffff);
  EXPECT_EQ(CountColour(ReadBack(), 0xffffff), 36);
  // The viewport must lie inside the target.
  const D3DVIEWPORT9 big = {60, 0, 8, 8, 0, 1};
  EXPECT_EQ(dev_->SetViewport(&big), D3DERR_INVALIDCALL);
}

TEST_F(Pipeline, ClearIsExactAndSetRenderTargetResetsTheViewport) {
  IDirect3DSurface9 *rt = nullptr, *bb = nullptr;
  ASSERT_EQ(dev_->CreateRenderTarget(32, 32, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr), D3D_OK);
  const D3DVIEWPORT9 vp = {8, 8, 16, 16, 0, 1};
  dev_->SetViewport(&vp);
  ASSERT_EQ(dev_->SetRenderTarget(0, rt), D3D_OK);
  D3DVIEWPORT9 got;
  dev_->GetViewport(&got);
  EXPECT_EQ(got.X, 0u);
  EXPECT_EQ(got.Width, 32u);
  RECT sc;
  dev_->GetScissorRect(&sc);
  EXPECT_EQ(sc.right, 32);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x12345678, 1.0f, 0);
  width_ = 32;
  const auto px = ReadBack();
  EXPECT_EQ(At(px, 31, 31), 0x12345678u);
  EXPECT_EQ(dev_->SetRenderTarget(1, rt), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
  dev_->SetRenderTarget(0, bb);
  bb->Release();
  EXPECT_EQ(rt->Release(), 0u);
}

TEST_F(Pipeline, DepthTestWriteAndFunction) {
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, 16, 16, 0xffff0000, 0.5f);
  Quad(0, 0, 16, 16, 0xff00ff00, 0.7f);  // behind: LESSEQUAL fails
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0xff0000u);
  Quad(0, 0, 16, 16, 0xff0000ff, 0.5f);  // equal depth passes LESSEQUAL
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0x0000ffu);
  dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
  Quad(0, 0, 16, 16, 0xff00ff00, 0.7f);
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0x00ff00u);
  dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  dev_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  Quad(0, 0, 16, 16, 0xffffffff, 0.2f);
  Quad(0, 0, 16, 16, 0xffff0000, 0.6f);  // depth is still 0.7: passes
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0xff0000u);
  dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  Quad(0, 0, 16, 16, 0xff00ffff, 0.99f);
  EXPECT_EQ(At(ReadBack(), 8, 8) & 0xffffff, 0x00ffffu);
}

TEST_F(Pipeline, TransformsUseDirect3DConventions) {
  // A point at (x, y, 2) with a 90-degree left-handed projection lands on (32 + 16x, 32 - 16y).
  D3DMATRIX proj = {};
  const float zn = 0.01f, zf = 10000.0f;
  proj._11 = proj._22 = 1;
  proj._33 = zf / (zf - zn);
  proj._34 = 1;
  proj._43 = -zn * zf / (zf - zn);
  dev_->SetTransform(D3DTS_PROJECTION, &proj);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  struct V {
    float x, y, z;
    D3DCOLOR c;
  } pts[3] = {{0, 0, 2, 0xffffffff}, {1, 0.5f, 2, 0xffff0000}, {-0.5f, -1, 2, 0xff00ff00}};
  dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 3, pts, sizeof(V));
  auto px = ReadBack();
  EXPECT_EQ(At(px, 32, 32) & 0xffffff, 0xffffffu);
  EXPECT_EQ(At(px, 48, 24) & 0xffffff, 0xff0000u);
  EXPECT_EQ(At(px, 24, 48) & 0xffffff, 0x00ff00u);
  EXPECT_EQ(CountColour(px, 0xffffff), 1);  // a point covers exactly one pixel
  // World and view move the point: world translation (1, 0, 0), view translation (0, -0.5, 0).
  D3DMATRIX world = {}, view = {};
  world._11 = world._22 = world._33 = world._44 = 1;
  view = world;
  world._41 = 1;
  view._42 = -0.5f;
  dev_->SetTransform(D3DTS_WORLD, &world);
  dev_->SetTransform(D3DTS_VIEW, &view);
  D3DMATRIX back;
  dev_->GetTransform(D3DTS_WORLDMATRIX(0), &back);
  EXPECT_EQ(back._41, 1.0f);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, pts, sizeof(V));
  px = ReadBack();
  EXPECT_EQ(At(px, 48, 40) & 0xffffff, 0xffffffu);
}

TEST_F(Pipeline, FillModeAndIndexedDrawing) {
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev_->CreateVertexBuffer(8 * sizeof(TlVertex), 0, kTlFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  TlVertex* v;
  vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
  for (int i = 0; i < 4; ++i) v[i] = {0, 0, 0.5f, 1, 0xffff0000, 0, 0, 0};  // unused
  v[4] = {10, 10, 0.5f, 1, 0xffffffff, 0, 0, 0};
  v[5] = {50, 10, 0.5f, 1, 0xffffffff, 0, 0, 0};
  v[6] = {10, 50, 0.5f, 1, 0xffffffff, 0, 0, 0};
  v[7] = {50, 50, 0.5f, 1, 0xffffffff, 0, 0, 0};
  vb->Unlock();
  std::uint16_t* idx;
  ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0);
  const std::uint16_t q[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(idx, q, sizeof q);
  ib->Unlock();
  dev_->SetFVF(kTlFvf);
  dev_->SetStreamSource(0, vb, 0, sizeof(TlVertex));
  dev_->SetIndices(ib);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);  // index i -> vertex 4 + i
  auto px = ReadBack();
  EXPECT_EQ(CountColour(px, 0xffffff), 1600);
  dev_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2);
  px = ReadBack();
  EXPECT_EQ(At(px, 30, 20) & 0xffffff, 0u);   // inside stays empty
  EXPECT_GT(CountColour(px, 0xffffff), 100);  // edges are drawn
  EXPECT_LT(CountColour(px, 0xffffff), 400);
  // Indices that point past the vertex buffer are refused instead of read.
  ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0);
  idx[5] = 60000;
  ib->Unlock();
  EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 1), D3D_OK);  // first triangle is fine
  EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL);  // past the indices
  EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 6, 2), D3DERR_INVALIDCALL);                 // past the vertices
  EXPECT_EQ(dev_->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1), D3DERR_INVALIDCALL);
  dev_->SetStreamSource(0, nullptr, 0, 0);
  dev_->SetIndices(nullptr);
  EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);  // no stream
  vb->Release();
  ib->Release();
}

}  // namespace
}  // namespace d3d9test
