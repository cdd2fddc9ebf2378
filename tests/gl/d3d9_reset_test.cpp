// Device loss and Reset: the forced loss hook, Direct3D's Reset rules, what survives a Reset.
#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Reset : public DeviceTest {
 protected:
  HRESULT DoReset() {
    D3DPRESENT_PARAMETERS pp = pp_;
    return dev_->Reset(&pp);
  }
};

TEST_F(Reset, ForcedLossReportsLostThenNotResetUntilReset) {
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  D3D9Linux_ForceDeviceLost(dev_);
  EXPECT_EQ(DoReset(), D3DERR_DEVICELOST);  // not before the loss has been seen
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  // While lost: Present reports it, drawing and Clear are accepted and do nothing.
  EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(dev_->BeginScene(), D3D_OK);
  EXPECT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0), D3D_OK);
  EXPECT_EQ(Quad(0, 0, 8, 8, 0xffffffff), D3D_OK);
  EXPECT_EQ(dev_->EndScene(), D3D_OK);
  ASSERT_EQ(DoReset(), D3D_OK);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  D3D9Linux_ForceDeviceLost(nullptr);  // ignored
}

TEST_F(Reset, DefaultPoolResourcesAndHeldSurfacesBlockIt) {
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(dev_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex, nullptr), D3D_OK);
  EXPECT_EQ(DoReset(), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(tex->Release(), 0u);
  ASSERT_EQ(DoReset(), D3D_OK);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);

  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev_->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
  EXPECT_EQ(DoReset(), D3DERR_INVALIDCALL);
  vb->Release();
  IDirect3DSurface9* rt = nullptr;
  ASSERT_EQ(dev_->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr), D3D_OK);
  EXPECT_EQ(DoReset(), D3DERR_INVALIDCALL);
  rt->Release();
  IDirect3DSurface9* bb = nullptr;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
  EXPECT_EQ(DoReset(), D3DERR_INVALIDCALL);
  bb->Release();
  IDirect3DSurface9* ds = nullptr;
  dev_->GetDepthStencilSurface(&ds);
  EXPECT_EQ(DoReset(), D3DERR_INVALIDCALL);
  ds->Release();
  // System-memory and managed resources do not block, even bound ones.
  IDirect3DTexture9 *sys = nullptr, *managed = nullptr;
  ASSERT_EQ(dev_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
  dev_->SetTexture(0, managed);
  EXPECT_EQ(DoReset(), D3D_OK);
  IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
  dev_->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);  // Reset unbinds
  sys->Release();
  EXPECT_EQ(managed->Release(), 0u);
}

TEST_F(Reset, ManagedContentsSurviveAndStateReturnsToDefaults) {
  IDirect3DTexture9* tex = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev_->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateVertexBuffer(4 * sizeof(TlVertex), 0, kTlFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  tex->LockRect(0, &lr, nullptr, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) static_cast<std::uint32_t*>(lr.pBits)[y * lr.Pitch / 4 + x] = 0xff787833;
  tex->UnlockRect(0);
  TlVertex* v = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
  v[0] = {8, 8, 0.5f, 1, 0xffffffff, 0, 0, 0};
  v[1] = {40, 8, 0.5f, 1, 0xffffffff, 0, 1, 0};
  v[2] = {8, 40, 0.5f, 1, 0xffffffff, 0, 0, 1};
  v[3] = {40, 40, 0.5f, 1, 0xffffffff, 0, 1, 1};
  vb->Unlock();
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {0, 0, 1};
  dev_->SetLight(0, &light);
  const D3DVIEWPORT9 small = {4, 4, 16, 16, 0, 1};
  dev_->SetViewport(&small);

  ASSERT_EQ(DoReset(), D3D_OK);
  DWORD value = 0;
  dev_->GetRenderState(D3DRS_LIGHTING, &value);
  EXPECT_EQ(value, 1u);
  dev_->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
  D3DLIGHT9 got;
  EXPECT_EQ(dev_->GetLight(0, &got), D3DERR_INVALIDCALL);
  D3DVIEWPORT9 vp;
  dev_->GetViewport(&vp);
  EXPECT_EQ(vp.Width, static_cast<DWORD>(kWidth));
  DWORD fvf = 1;
  dev_->GetFVF(&fvf);
  EXPECT_EQ(fvf, 0u);

  tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY);
  EXPECT_EQ(static_cast<std::uint32_t*>(lr.pBits)[5], 0xff787833u);
  tex->UnlockRect(0);
  vb->Lock(0, 0, reinterpret_cast<void**>(&v), D3DLOCK_READONLY);
  EXPECT_EQ(v[3].x, 40.0f);
  vb->Unlock();
  // And they still draw: the texture's texel shows through a full-white quad.
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev_->SetTexture(0, tex);
  dev_->SetFVF(kTlFvf);
  dev_->SetStreamSource(0, vb, 0, sizeof(TlVertex));
  ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_TRUE(NearColor(At(ReadBack(), 20, 20), 0xff787833, 0));
  dev_->SetTexture(0, nullptr);
  dev_->SetStreamSource(0, nullptr, 0, 0);
  EXPECT_EQ(tex->Release(), 0u);
  EXPECT_EQ(vb->Release(), 0u);
}

TEST_F(Reset, NewSizeResizesBackBufferDepthAndViewport) {
  D3DPRESENT_PARAMETERS pp = pp_;
  pp.BackBufferWidth = 48;
  pp.BackBufferHeight = 40;
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  IDirect3DSurface9 *bb = nullptr, *ds = nullptr;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
  dev_->GetDepthStencilSurface(&ds);
  D3DSURFACE_DESC d;
  bb->GetDesc(&d);
  EXPECT_EQ(d.Width, 48u);
  EXPECT_EQ(d.Height, 40u);
  ds->GetDesc(&d);
  EXPECT_EQ(d.Width, 48u);
  EXPECT_EQ(d.Format, D3DFMT_D16);
  bb->Release();
  ds->Release();
  D3DVIEWPORT9 vp;
  dev_->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 48u);
  EXPECT_EQ(vp.Height, 40u);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff00ff00, 1.0f, 0);
  width_ = 48;
  const auto px = ReadBack();
  ASSERT_EQ(px.size(), 48u * 40u);
  EXPECT_EQ(px.back(), 0xff00ff00u);
}

TEST_F(Reset, SceneBracketsAreChecked) {
  EXPECT_EQ(dev_->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->BeginScene(), D3D_OK);
  EXPECT_EQ(dev_->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->EndScene(), D3D_OK);
  // Drawing outside a scene is accepted, as Wine does.
  EXPECT_EQ(Quad(0, 0, 4, 4, 0xffffffff), D3D_OK);
}

TEST_F(Reset, PresentIntervalDefaultWaitsForTheRefresh) {
  int requested = -1;
  BOOL accepted = TRUE;
  ASSERT_TRUE(D3D9Linux_GetSwapInterval(dev_, &requested, &accepted));
  EXPECT_EQ(requested, 0);  // the fixture asks for IMMEDIATE
  D3DPRESENT_PARAMETERS pp = pp_;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  ASSERT_TRUE(D3D9Linux_GetSwapInterval(dev_, &requested, &accepted));
  EXPECT_EQ(requested, 1);
  pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  ASSERT_TRUE(D3D9Linux_GetSwapInterval(dev_, &requested, &accepted));
  EXPECT_EQ(requested, 1);
  pp.PresentationInterval = D3DPRESENT_INTERVAL_TWO;  // not offered for windowed devices
  EXPECT_EQ(dev_->Reset(&pp), D3DERR_INVALIDCALL);
  EXPECT_FALSE(D3D9Linux_GetSwapInterval(nullptr, &requested, &accepted));
}

}  // namespace
}  // namespace d3d9test
