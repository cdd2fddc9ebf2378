// Textures and buffers: level chains, pitches and LockRect layout, pools, buffer ranges, texture
// memory, and that the data reaches the GPU once per unlock.
#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Resources : public DeviceTest {};

TEST_F(Resources, FullChainLevelsAndExactLevelDescs) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(dev_->CreateTexture(300, 200, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  ASSERT_EQ(t->GetLevelCount(), 9u);
  const UINT w[9] = {300, 150, 75, 37, 18, 9, 4, 2, 1}, h[9] = {200, 100, 50, 25, 12, 6, 3, 1, 1};
  for (UINT i = 0; i < 9; ++i) {
    D3DSURFACE_DESC d;
    ASSERT_EQ(t->GetLevelDesc(i, &d), D3D_OK);
    EXPECT_EQ(d.Width, w[i]);
    EXPECT_EQ(d.Height, h[i]);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(d.Type, D3DRTYPE_SURFACE);
    EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(d.Usage, 0u);
    EXPECT_EQ(d.MultiSampleType, D3DMULTISAMPLE_NONE);
  }
  D3DSURFACE_DESC d;
  EXPECT_EQ(t->GetLevelDesc(9, &d), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->Release(), 0u);
  ASSERT_EQ(dev_->CreateTexture(256, 256, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->GetLevelCount(), 9u);
  EXPECT_EQ(t->Release(), 0u);
  ASSERT_EQ(dev_->CreateTexture(64, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->GetLevelCount(), 7u);
  EXPECT_EQ(t->Release(), 0u);
  EXPECT_EQ(dev_->CreateTexture(64, 64, 8, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Resources, PitchesFollowTheFormat) {
  struct Case {
    D3DFORMAT format;
    INT pitch[9];
  } cases[] = {{D3DFMT_A8R8G8B8, {1200, 600, 300, 148, 72, 36, 16, 8, 4}},
               {D3DFMT_X8R8G8B8, {1200, 600, 300, 148, 72, 36, 16, 8, 4}},
               {D3DFMT_R5G6B5, {600, 300, 152, 76, 36, 20, 8, 4, 4}},
               {D3DFMT_X1R5G5B5, {600, 300, 152, 76, 36, 20, 8, 4, 4}},
               {D3DFMT_A1R5G5B5, {600, 300, 152, 76, 36, 20, 8, 4, 4}},
               {D3DFMT_A4R4G4B4, {600, 300, 152, 76, 36, 20, 8, 4, 4}},
               {D3DFMT_A8L8, {600, 300, 152, 76, 36, 20, 8, 4, 4}},
               {D3DFMT_L8, {300, 152, 76, 40, 20, 12, 4, 4, 4}},
               {D3DFMT_A8, {300, 152, 76, 40, 20, 12, 4, 4, 4}}};
  for (const Case& c : cases) {
    for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM}) {
      IDirect3DTexture9* t = nullptr;
      ASSERT_EQ(dev_->CreateTexture(300, 200, 0, 0, c.format, pool, &t, nullptr), D3D_OK) << c.format;
      for (UINT i = 0; i < 9; ++i) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(t->LockRect(i, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(lr.Pitch, c.pitch[i]) << "format " << c.format << " level " << i;
        t->UnlockRect(i);
      }
      EXPECT_EQ(t->Release(), 0u);
    }
  }
  // Formats Direct3D refuses for textures.
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(dev_->CreateTexture(64, 64, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->CreateTexture(64, 64, 1, 0, D3DFMT_P8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(t, nullptr);
}

TEST_F(Resources, LockRectAddressesTheRectangleAndLocksOnce) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(dev_->CreateTexture(300, 200, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT whole, part;
  ASSERT_EQ(t->LockRect(0, &whole, nullptr, 0), D3D_OK);
  EXPECT_EQ(t->LockRect(0, &part, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  ASSERT_EQ(t->UnlockRect(0), D3D_OK);
  EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);  // not locked
  const RECT r = {10, 20, 30, 40};
  ASSERT_EQ(t->LockRect(0, &part, &r, 0), D3D_OK);
  EXPECT_EQ(part.Pitch, 1200);
  EXPECT_EQ(static_cast<std::uint8_t*>(part.pBits) - static_cast<std::uint8_t*>(whole.pBits), 20 * 1200 + 10 * 4);
  t->UnlockRect(0);
  const RECT outside = {290, 190, 301, 200}, empty = {5, 5, 5, 9};
  EXPECT_EQ(t->LockRect(0, &part, &outside, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->LockRect(0, &part, &empty, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->LockRect(1, &part, nullptr, 0), D3DERR_INVALIDCALL);  // no such level
  EXPECT_EQ(t->Release(), 0u);
}

TEST_F(Resources, DefaultPoolTexturesLockOnlyWhenDynamic) {
  IDirect3DTexture9 *t = nullptr, *dyn = nullptr;
  ASSERT_EQ(dev_->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(dev_->CreateTexture(64, 64, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &dyn, nullptr), D3D_OK);
  ASSERT_EQ(dyn->LockRect(0, &lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 256);
  dyn->UnlockRect(0);
  EXPECT_EQ(t->Release(), 0u);
  EXPECT_EQ(dev_->CreateTexture(64, 64, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  IDirect3DTexture9* keep = t;
  EXPECT_EQ(keep, nullptr);
  EXPECT_EQ(dyn->Release(), 0u);
}

TEST_F(Resources, TextureMemoryShrinksByTheTextureSize) {
  const UINT before = dev_->GetAvailableTextureMem();
  EXPECT_GT(before, 256u << 20);
  IDirect3DTexture9 *a = nullptr, *b = nullptr, *sys = nullptr;
  ASSERT_EQ(dev_->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a, nullptr), D3D_OK);
  EXPECT_EQ(before - dev_->GetAvailableTextureMem(), 4194304u);
  ASSERT_EQ(dev_->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b, nullptr), D3D_OK);
  EXPECT_EQ(before - dev_->GetAvailableTextureMem(), 2 * 4194304u);
  ASSERT_EQ(dev_->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
  EXPECT_EQ(before - dev_->GetAvailableTextureMem(), 2 * 4194304u);  // system memory does not count
  a->Release();
  b->Release();
  sys->Release();
  EXPECT_EQ(dev_->GetAvailableTextureMem(), before);
}

TEST_F(Resources, BufferLocksAreInBytesAndStayInside) {
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev_->CreateVertexBuffer(256, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  D3DVERTEXBUFFER_DESC d;
  ASSERT_EQ(vb->GetDesc(&d), D3D_OK);
  EXPECT_EQ(d.Size, 256u);
  EXPECT_EQ(d.Format, D3DFMT_VERTEXDATA);
  EXPECT_EQ(d.Type, D3DRTYPE_VERTEXBUFFER);
  std::uint8_t *whole = nullptr, *p = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&whole), 0), D3D_OK);
  for (int i = 0; i < 256; ++i) whole[i] = static_cast<std::uint8_t>(i);
  vb->Unlock();
  ASSERT_EQ(vb->Lock(16, 32, reinterpret_cast<void**>(&p), 0), D3D_OK);
  EXPECT_EQ(p, whole + 16);
  EXPECT_EQ(p[0], 16);
  vb->Unlock();
  ASSERT_EQ(vb->Lock(100, 0, reinterpret_cast<void**>(&p), D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(p, whole + 100);
  vb->Unlock();
  // Nested locks and a spare Unlock are accepted.
  ASSERT_EQ(vb->Lock(0, 4, reinterpret_cast<void**>(&p), 0), D3D_OK);
  ASSERT_EQ(vb->Lock(4, 4, reinterpret_cast<void**>(&p), 0), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  // Ranges past the end are refused instead of handing out memory beyond the buffer.
  EXPECT_EQ(vb->Lock(200, 100, reinterpret_cast<void**>(&p), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(300, 4, reinterpret_cast<void**>(&p), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Release(), 0u);

  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev_->CreateIndexBuffer(100, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  std::uint16_t *iw = nullptr, *ip = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&iw), 0), D3D_OK);
  for (int i = 0; i < 50; ++i) iw[i] = static_cast<std::uint16_t>(i);
  ib->Unlock();
  ASSERT_EQ(ib->Lock(10, 6, reinterpret_cast<void**>(&ip), 0), D3D_OK);
  EXPECT_EQ(ip[0], 5);  // byte offset 10 = index #5
  ib->Unlock();
  D3DINDEXBUFFER_DESC id;
  ib->GetDesc(&id);
  EXPECT_EQ(id.Format, D3DFMT_INDEX16);
  EXPECT_EQ(id.Size, 100u);
  EXPECT_EQ(ib->Release(), 0u);

  EXPECT_EQ(dev_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), E_INVALIDARG);
  EXPECT_EQ(dev_->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->CreateVertexBuffer(8, 0, kTlFvf, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);  // < one vertex
}

TEST_F(Resources, OneUploadPerUnlock) {
  D3D9LINUX_STATS s0, s1;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(dev_->CreateVertexBuffer(4096, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  ASSERT_TRUE(D3D9Linux_GetStats(dev_, &s0));
  void* p;
  vb->Lock(0, 64, &p, 0);
  vb->Lock(1024, 64, &p, 0);
  vb->Unlock();
  vb->Unlock();                          // one upload for the nested pair
  vb->Lock(0, 0, &p, D3DLOCK_READONLY);  // reading sends nothing
  vb->Unlock();
  D3DLOCKED_RECT lr;
  t->LockRect(0, &lr, nullptr, 0);
  t->UnlockRect(0);
  t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY);
  t->UnlockRect(0);
  ASSERT_TRUE(D3D9Linux_GetStats(dev_, &s1));
  EXPECT_EQ(s1.bufferUploads - s0.bufferUploads, 1u);
  EXPECT_EQ(s1.textureUploads - s0.textureUploads, 1u);
  vb->Release();
  t->Release();
}

TEST_F(Resources, SurfacesForCaptureAndTheirRules) {
  IDirect3DSurface9 *bb = nullptr, *sys = nullptr, *wrong = nullptr;
  ASSERT_EQ(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  D3DLOCKED_RECT lr;
  EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);  // not a lockable back buffer
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
            D3D_OK);
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(kWidth, 32, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &wrong, nullptr), D3D_OK);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0);
  EXPECT_EQ(dev_->GetRenderTargetData(bb, wrong), D3DERR_INVALIDCALL);  // size differs
  EXPECT_EQ(dev_->GetRenderTargetData(sys, bb), D3DERR_INVALIDCALL);    // wrong direction
  ASSERT_EQ(dev_->GetRenderTargetData(bb, sys), D3D_OK);
  ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(lr.Pitch, kWidth * 4);
  std::uint32_t px;
  std::memcpy(&px, lr.pBits, 4);
  EXPECT_EQ(px, 0xFF336699u);  // X8R8G8B8 reads back with its X byte at 255
  sys->UnlockRect();
  EXPECT_EQ(wrong->Release(), 0u);
  EXPECT_EQ(dev_->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &wrong, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(sys->Release(), 0u);
  bb->Release();
}

}  // namespace
}  // namespace d3d9test
