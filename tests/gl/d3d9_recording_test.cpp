// The recording Direct3D 9 used by the unit tests: calls in order with their arguments, answers
// from the state set on it, Direct3D's reference counts. Built for both targets.
#include "support/d3d9_recording.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using d3d9rec::RecordingDevice;
using d3d9rec::RecordingDirect3D;

D3DPRESENT_PARAMETERS Params() {
  D3DPRESENT_PARAMETERS pp = {};
  pp.BackBufferWidth = 320;
  pp.BackBufferHeight = 240;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  return pp;
}

TEST(RecordingDevice, RecordsCallsInOrderWithArguments) {
  auto* dev = new RecordingDevice(nullptr, Params());
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 30, 300, 100);
  const std::vector<std::string> want = {"SetRenderState(137, 0)", "SetTextureStageState(0, 1, 4)",
                                         "Clear(0, 0, 3, 4278190080, 0, 1)",
                                         "DrawIndexedPrimitive(4, 0, 0, 30, 300, 100)"};
  EXPECT_EQ(dev->Texts(), want);
  EXPECT_EQ(dev->Count("SetRenderState"), 1u);
  EXPECT_EQ(dev->Texts({"DrawIndexedPrimitive"}).size(), 1u);
  dev->ClearCalls();
  EXPECT_TRUE(dev->calls.empty());
  EXPECT_EQ(dev->Release(), 0u);
}

TEST(RecordingDevice, AnswersFromDefaultsAndFromWhatWasSet) {
  auto* dev = new RecordingDevice(nullptr, Params());
  DWORD v = 0;
  dev->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CCW));
  dev->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, 1u);
  dev->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
  dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  dev->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
  D3DMATRIX m = {};
  dev->GetTransform(D3DTS_PROJECTION, &m);
  EXPECT_EQ(m._11, 1.0f);
  m._43 = -0.01f;
  dev->SetTransform(D3DTS_PROJECTION, &m);
  D3DMATRIX back = {};
  dev->GetTransform(D3DTS_PROJECTION, &back);
  EXPECT_EQ(back._43, -0.01f);
  D3DVIEWPORT9 vp = {};
  dev->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 320u);
  EXPECT_EQ(vp.Height, 240u);
  dev->cooperativeResults = {D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET};
  EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
  dev->caps.MaxPrimitiveCount = 100;
  D3DCAPS9 caps = {};
  dev->GetDeviceCaps(&caps);
  EXPECT_EQ(caps.MaxPrimitiveCount, 100u);
  EXPECT_EQ(dev->Release(), 0u);
}

TEST(RecordingDevice, ReferenceCountsFollowDirect3D) {
  auto* dev = new RecordingDevice(nullptr, Params());
  IDirect3DSurface9* bb = nullptr;
  ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  EXPECT_EQ(dev->refCount(), 2u);
  EXPECT_EQ(bb->Release(), 0u);  // implicit surfaces drop to 0 and stay
  EXPECT_EQ(dev->refCount(), 1u);
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(dev->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
  EXPECT_EQ(dev->refCount(), 2u);
  dev->SetTexture(0, tex);
  EXPECT_EQ(tex->Release(), 0u);  // still bound: survives with public count 0
  IDirect3DBaseTexture9* got = nullptr;
  dev->GetTexture(0, &got);
  EXPECT_EQ(got, tex);
  EXPECT_EQ(got->Release(), 0u);
  dev->SetTexture(0, nullptr);
  EXPECT_EQ(dev->refCount(), 1u);
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev->CreateVertexBuffer(400, 0, 0x1D2, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  EXPECT_EQ(dev->Release(), 1u);  // the buffer holds the last reference
  EXPECT_EQ(vb->Release(), 0u);   // and the device goes with it
}

TEST(RecordingDevice, ResourcesHaveDirect3DPitchesAndRanges) {
  auto* dev = new RecordingDevice(nullptr, Params());
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(dev->CreateTexture(300, 200, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
  EXPECT_EQ(tex->GetLevelCount(), 9u);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(tex->LockRect(2, &lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 152);  // align(75 x 2, 4)
  EXPECT_EQ(tex->LockRect(2, &lr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(tex->UnlockRect(2), D3D_OK);
  D3DSURFACE_DESC d;
  ASSERT_EQ(tex->GetLevelDesc(3, &d), D3D_OK);
  EXPECT_EQ(d.Width, 37u);
  EXPECT_EQ(d.Height, 25u);
  EXPECT_EQ(tex->GetLevelDesc(9, &d), D3DERR_INVALIDCALL);
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev->CreateIndexBuffer(100, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  void* p = nullptr;
  EXPECT_EQ(ib->Lock(90, 20, &p, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(ib->Lock(10, 6, &p, 0), D3D_OK);
  ib->Unlock();
  EXPECT_EQ(dev->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, nullptr, nullptr), D3DERR_INVALIDCALL);
  // A UP draw leaves stream 0 and the indices unset.
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  dev->SetStreamSource(0, vb, 0, 32);
  dev->SetIndices(ib);
  const float v[24] = {};
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 1, v, 32);
  IDirect3DVertexBuffer9* s = nullptr;
  UINT off = 1, stride = 1;
  dev->GetStreamSource(0, &s, &off, &stride);
  EXPECT_EQ(s, nullptr);
  EXPECT_EQ(stride, 0u);
  IDirect3DIndexBuffer9* i = nullptr;
  dev->GetIndices(&i);
  EXPECT_EQ(i, nullptr);
  EXPECT_EQ(vb->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
  EXPECT_EQ(tex->Release(), 0u);
  EXPECT_EQ(dev->Release(), 0u);
}

// A draw outside the bound buffers answers D3DERR_INVALIDCALL and is kept in drawFaults. Three
// vertices of 12 bytes, indices 0 1 2 2 1 3.
TEST(RecordingDevice, DrawsOutsideTheBoundBuffersAreFaults) {
  auto* dev = new RecordingDevice(nullptr, Params());
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev->CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(dev->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  void* p = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
  const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(p, indices, sizeof indices);
  ib->Unlock();
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  dev->SetStreamSource(0, vb, 0, 12);
  dev->SetIndices(ib);
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 1, 3, 3, 1), D3D_OK);  // 2 1 3: vertices 1 0 2
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 3, 2), D3DERR_INVALIDCALL);
  dev->SetStreamSource(0, vb, 12, 12);  // two vertices past the offset
  EXPECT_EQ(dev->DrawPrimitive(D3DPT_LINELIST, 0, 1), D3D_OK);
  EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(
      dev->drawFaults,
      (std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 3, 0, 1): no index buffer bound",
                                "DrawIndexedPrimitive(4, 0, 0, 3, 0, 2): an index outside MinVertexIndex..+NumVertices",
                                "DrawIndexedPrimitive(4, 1, 0, 3, 0, 1): vertices outside the vertex buffer",
                                "DrawIndexedPrimitive(4, 0, 0, 3, 3, 2): indices outside the index buffer",
                                "DrawPrimitive(4, 0, 1): vertices outside the vertex buffer"}));
  dev->SetStreamSource(0, nullptr, 0, 0);
  dev->SetIndices(nullptr);
  EXPECT_EQ(vb->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
  EXPECT_EQ(dev->Release(), 0u);
}

TEST(RecordingDirect3D, AnswersFormatsAndMakesDevices) {
  auto* d3d = new RecordingDirect3D();
  d3d->depthFormats = {D3DFMT_D16};
  EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D16), D3D_OK);
  EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D32),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_R8G8B8),
            D3DERR_NOTAVAILABLE);
  D3DPRESENT_PARAMETERS pp = Params();
  pp.BackBufferFormat = D3DFMT_UNKNOWN;
  IDirect3DDevice9* dev = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
  EXPECT_EQ(pp.BackBufferCount, 1u);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(d3d->lastDevice, dev);
  EXPECT_EQ(d3d->Release(), 1u);  // the device holds the adapter object
  ASSERT_EQ(d3d->calls.back().method, "CreateDevice");
  EXPECT_EQ(d3d->calls.back().args[3], static_cast<std::uint64_t>(D3DCREATE_HARDWARE_VERTEXPROCESSING));
  EXPECT_EQ(dev->Release(), 0u);
}

}  // namespace
