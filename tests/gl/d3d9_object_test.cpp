// IDirect3D9 and device creation: versions, capabilities, format answers, present parameters,
// reference counts of the device and its implicit surfaces.
#include <GL/glcorearb.h>

#include "gl_fixture.h"

namespace d3d9test {
namespace {

class Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d_, nullptr);
  }
  void TearDown() override {
    if (d3d_) {
      EXPECT_EQ(d3d_->Release(), 0u);
    }
  }
  IDirect3D9* d3d_ = nullptr;
};

TEST_F(Adapter, SdkVersionsAndIdentity) {
  IDirect3D9* v31 = Direct3DCreate9(31);
  ASSERT_NE(v31, nullptr);
  EXPECT_EQ(v31->Release(), 0u);
  EXPECT_EQ(Direct3DCreate9(30), nullptr);
  EXPECT_EQ(Direct3DCreate9(0), nullptr);
  EXPECT_EQ(d3d_->GetAdapterCount(), 1u);
  D3DADAPTER_IDENTIFIER9 id;
  ASSERT_EQ(d3d_->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  EXPECT_GT(std::strlen(id.Driver), 0u);
  EXPECT_GT(std::strlen(id.Description), 0u);
  EXPECT_EQ(d3d_->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
  D3DDISPLAYMODE mode;
  ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_GT(mode.Width, 0u);
  EXPECT_EQ(d3d_->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Adapter, CapabilitiesTellWhatTheLayerDoes) {
  D3DCAPS9 caps;
  ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_FALSE(caps.DevCaps & D3DDEVCAPS_PUREDEVICE);
  EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP);
  EXPECT_FALSE(caps.TextureCaps &
               (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY | D3DPTEXTURECAPS_NONPOW2CONDITIONAL));
  EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP);
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  EXPECT_EQ(caps.MaxTextureWidth, caps.MaxTextureHeight);
  EXPECT_EQ(caps.MaxPrimitiveCount, 0x555555u);
  EXPECT_EQ(caps.MaxVertexIndex, 0xffffffu);
  EXPECT_EQ(caps.MaxActiveLights, 8u);
  EXPECT_EQ(caps.MaxTextureBlendStages, 8u);
  EXPECT_EQ(caps.VertexShaderVersion & 0xffff, 0u);  // fixed function only
  D3DCAPS9 ref;
  ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_REF, &ref), D3D_OK);
  EXPECT_EQ(ref.DeviceType, D3DDEVTYPE_REF);
  EXPECT_EQ(ref.DevCaps, caps.DevCaps);
  EXPECT_EQ(d3d_->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
}

TEST_F(Adapter, FormatAnswersForTheListsTheSystemAsksFor) {
  const D3DFORMAT display = D3DFMT_X8R8G8B8;
  auto tex = [&](D3DFORMAT f, DWORD usage = 0) {
    return d3d_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, usage, D3DRTYPE_TEXTURE, f);
  };
  // Opaque list, alpha list.
  EXPECT_EQ(tex(D3DFMT_X8R8G8B8), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_R8G8B8), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(tex(D3DFMT_R5G6B5), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_X1R5G5B5), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_A8R8G8B8), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_A4R4G4B4), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_A1R5G5B5), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_P8), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(tex(D3DFMT_L8), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET), D3D_OK);
  EXPECT_EQ(tex(D3DFMT_A4R4G4B4, D3DUSAGE_RENDERTARGET), D3DERR_NOTAVAILABLE);
  // Depth list: D16, D16_LOCKABLE, D32.
  auto depth = [&](D3DFORMAT f) {
    return d3d_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f);
  };
  EXPECT_EQ(depth(D3DFMT_D16), D3D_OK);
  EXPECT_EQ(depth(D3DFMT_D16_LOCKABLE), D3D_OK);
  EXPECT_EQ(depth(D3DFMT_D32), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(depth(D3DFMT_D24S8), D3D_OK);
  for (D3DFORMAT rt : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5}) {
    EXPECT_EQ(d3d_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, display, rt, D3DFMT_D16), D3D_OK);
    EXPECT_EQ(d3d_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, display, rt, D3DFMT_D16_LOCKABLE), D3D_OK);
    EXPECT_EQ(d3d_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, display, rt, D3DFMT_D32), D3DERR_NOTAVAILABLE);
  }
  EXPECT_EQ(d3d_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_INDEXBUFFER, D3DFMT_INDEX16), D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, display, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, display, D3DFMT_X8R8G8B8, FALSE), D3DERR_NOTAVAILABLE);
  DWORD q = 0;
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, display, TRUE, D3DMULTISAMPLE_NONE, &q), D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, display, TRUE, D3DMULTISAMPLE_4_SAMPLES, &q),
            D3DERR_NOTAVAILABLE);
}

class Creation : public DeviceTest {
  void SetUp() override {}  // each test opens its own device
};

TEST_F(Creation, PresentParametersAreCompletedAndCountsStartRight) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
  window_ = SDL_CreateWindow("t", 0, 0, 104, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  ASSERT_NE(window_, nullptr);
  d3d_ = Direct3DCreate9(31);
  ASSERT_NE(d3d_, nullptr);
  D3DPRESENT_PARAMETERS pp = {};
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = hwnd();
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_), D3D_OK);
  EXPECT_EQ(pp.BackBufferCount, 1u);    // 0 becomes 1
  EXPECT_EQ(pp.BackBufferWidth, 104u);  // 0x0 takes the client size
  EXPECT_EQ(pp.BackBufferHeight, 48u);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);  // UNKNOWN becomes the display format
  // The device holds the adapter object; the app's device count is 1.
  EXPECT_EQ(d3d_->AddRef(), 3u);
  EXPECT_EQ(d3d_->Release(), 2u);
  EXPECT_EQ(dev_->AddRef(), 2u);
  EXPECT_EQ(dev_->Release(), 1u);
  // Implicit surfaces: count 1 while held, 0 after, the device count follows.
  IDirect3DSurface9 *bb = nullptr, *bb2 = nullptr, *rt = nullptr, *ds = nullptr;
  ASSERT_EQ(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  EXPECT_EQ(dev_->AddRef(), 3u);
  EXPECT_EQ(dev_->Release(), 2u);
  ASSERT_EQ(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb2), D3D_OK);
  EXPECT_EQ(bb2, bb);
  ASSERT_EQ(dev_->GetRenderTarget(0, &rt), D3D_OK);
  EXPECT_EQ(rt, bb);
  EXPECT_EQ(rt->Release(), 2u);
  EXPECT_EQ(bb2->Release(), 1u);
  EXPECT_EQ(bb->Release(), 0u);
  EXPECT_EQ(dev_->AddRef(), 2u);
  EXPECT_EQ(dev_->Release(), 1u);
  ASSERT_EQ(dev_->GetDepthStencilSurface(&ds), D3D_OK);
  D3DSURFACE_DESC d;
  ds->GetDesc(&d);
  EXPECT_EQ(d.Format, D3DFMT_D16);
  EXPECT_EQ(d.Usage, static_cast<DWORD>(D3DUSAGE_DEPTHSTENCIL));
  EXPECT_EQ(ds->Release(), 0u);
  // With the application's only reference gone, IDirect3D9::Release answers 1: the device has it.
  IDirect3D9* d3d = d3d_;
  EXPECT_EQ(d3d->AddRef(), 3u);
  EXPECT_EQ(d3d->Release(), 2u);
}

TEST_F(Creation, InvalidRequestsAreRefused) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
  window_ = SDL_CreateWindow("t", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d_, nullptr);
  D3DPRESENT_PARAMETERS pp = {};
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = hwnd();
  pp.Windowed = TRUE;
  IDirect3DDevice9* dev = reinterpret_cast<IDirect3DDevice9*>(1);
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr, &dev),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(dev, nullptr);
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), 0, &pp, &dev), D3DERR_INVALIDCALL);  // no processing mode
  EXPECT_EQ(d3d_->CreateDevice(1, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
            D3DERR_INVALIDCALL);
  D3DPRESENT_PARAMETERS bad = pp;
  bad.hDeviceWindow = nullptr;
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
            D3DERR_INVALIDCALL);
  bad = pp;
  bad.Windowed = FALSE;
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
            D3DERR_NOTAVAILABLE);
  bad = pp;
  bad.EnableAutoDepthStencil = TRUE;
  bad.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
            D3DERR_INVALIDCALL);
  bad = pp;
  bad.BackBufferFormat = D3DFMT_A4R4G4B4;
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
            D3DERR_NOTAVAILABLE);
  bad.BackBufferFormat = D3DFMT_A1R5G5B5;  // as in Wine's d3d9 (X1R5G5B5 is one, below)
  EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
            D3DERR_NOTAVAILABLE);
  // Nothing was left behind: the adapter object has only the test's reference.
  EXPECT_EQ(d3d_->AddRef(), 2u);
  EXPECT_EQ(d3d_->Release(), 1u);
  // A REF device with software vertex processing works like the HAL one.
  ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_REF, hwnd(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev_), D3D_OK);
  D3DCAPS9 caps;
  ASSERT_EQ(dev_->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
  IDirect3DSurface9* ds = reinterpret_cast<IDirect3DSurface9*>(1);
  EXPECT_EQ(dev_->GetDepthStencilSurface(&ds), D3DERR_NOTFOUND);  // no automatic depth buffer
  EXPECT_EQ(ds, nullptr);
  DWORD z = 1;
  dev_->GetRenderState(D3DRS_ZENABLE, &z);
  EXPECT_EQ(z, 0u);
  EXPECT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

// A 15-bit X screen's format, as measured under Wine 8: the device and its back buffer keep it, a
// cleared channel v is stored as round(v * 31 / 255) and the X bit reads back as 1.
TEST_F(Creation, X1R5G5B5BackBuffersAreMadeAsWineMakesThem) {
  ASSERT_TRUE(Open(kWidth, kHeight, D3DFMT_X1R5G5B5, D3DFMT_D16));
  EXPECT_EQ(pp_.BackBufferFormat, D3DFMT_X1R5G5B5);
  IDirect3DSurface9 *bb = nullptr, *copy = nullptr;
  ASSERT_EQ(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X1R5G5B5, D3DPOOL_SYSTEMMEM, &copy, nullptr),
            D3D_OK);
  const std::uint32_t cases[][2] = {{0xFF7F7F7F, 0xBDEF}, {0xFF050505, 0x8421}, {0x00123456, 0x88CA}};
  for (const auto& c : cases) {
    D3DLOCKED_RECT lr;
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, c[0], 1.0f, 0);
    ASSERT_EQ(dev_->GetRenderTargetData(bb, copy), D3D_OK);
    ASSERT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<const std::uint16_t*>(lr.pBits), c[1]) << std::hex << c[0];
    copy->UnlockRect();
  }
  copy->Release();
  bb->Release();
}

// The renderer's GL_MAX_TEXTURE_SIZE bounds textures and, with its other limits, the back buffer:
// an X screen of three 4K monitors is 11520 pixels wide (llvmpipe allows 16384).
TEST_F(DeviceTest, TheLargestSizesAreTheRenderersOwn) {
  GLint max = 0;
  reinterpret_cast<PFNGLGETINTEGERVPROC>(SDL_GL_GetProcAddress("glGetIntegerv"))(GL_MAX_TEXTURE_SIZE, &max);
  D3DCAPS9 caps;
  ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.MaxTextureWidth, static_cast<UINT>(max));
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(dev_->CreateTexture(1, caps.MaxTextureHeight + 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_NOTAVAILABLE);
  D3DPRESENT_PARAMETERS wide = pp_;
  wide.BackBufferWidth = 11520;
  wide.BackBufferHeight = 8;
  ASSERT_EQ(dev_->Reset(&wide), max >= 11520 ? D3D_OK : D3DERR_NOTAVAILABLE);
  wide.BackBufferWidth = caps.MaxTextureWidth + 1;
  EXPECT_EQ(dev_->Reset(&wide), D3DERR_NOTAVAILABLE);
}

TEST_F(DeviceTest, ChildrenKeepTheDeviceAndReleaseReturnsTheirCount) {
  IDirect3DTexture9 *t1 = nullptr, *t2 = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t1, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateTexture(8, 8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t2, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateVertexBuffer(256, 0, kTlFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  EXPECT_EQ(dev_->AddRef(), 6u);
  EXPECT_EQ(dev_->Release(), 5u);
  // Set* does not change public counts; releasing a bound object answers 0 and it lives on.
  dev_->SetTexture(0, t1);
  dev_->SetStreamSource(0, vb, 0, 32);
  dev_->SetIndices(ib);
  EXPECT_EQ(t1->AddRef(), 2u);
  EXPECT_EQ(t1->Release(), 1u);
  EXPECT_EQ(t1->Release(), 0u);
  EXPECT_EQ(dev_->AddRef(), 5u);
  EXPECT_EQ(dev_->Release(), 4u);
  IDirect3DBaseTexture9* got = nullptr;
  ASSERT_EQ(dev_->GetTexture(0, &got), D3D_OK);
  EXPECT_EQ(got, t1);
  D3DSURFACE_DESC d;
  EXPECT_EQ(t1->GetLevelDesc(0, &d), D3D_OK);  // still a live object
  EXPECT_EQ(got->Release(), 0u);
  EXPECT_EQ(vb->Release(), 0u);
  IDirect3DVertexBuffer9* s = nullptr;
  UINT off = 0, stride = 0;
  dev_->GetStreamSource(0, &s, &off, &stride);
  EXPECT_EQ(s, vb);
  EXPECT_EQ(stride, 32u);
  EXPECT_EQ(s->Release(), 0u);
  // The surface of a level shares the texture's count.
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(t2->GetSurfaceLevel(1, &level), D3D_OK);
  EXPECT_EQ(t2->AddRef(), 3u);
  EXPECT_EQ(t2->Release(), 2u);
  level->GetDesc(&d);
  EXPECT_EQ(d.Width, 4u);
  EXPECT_EQ(level->Release(), 1u);
  // The device's own Release answers the children that still hold it: t2 and ib.
  IDirect3DDevice9* dev = dev_;
  dev_ = nullptr;
  EXPECT_EQ(dev->Release(), 2u);
  EXPECT_EQ(t2->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);  // the last child takes the device with it
}

}  // namespace
}  // namespace d3d9test
