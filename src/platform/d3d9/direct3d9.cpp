#include "direct3d9.h"

#include <SDL.h>

#include "device.h"
#include "formats.h"
#include "gl_api.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace d3d9gl {

namespace {

bool ValidAdapter(UINT adapter, D3DDEVTYPE type) {
  return adapter == 0 && (type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF);
}

D3DFORMAT FormatOfPixels(Uint32 sdlFormat) {
  switch (SDL_BITSPERPIXEL(sdlFormat)) {
    case 15: return D3DFMT_X1R5G5B5;
    case 16: return D3DFMT_R5G6B5;
    default: return D3DFMT_X8R8G8B8;
  }
}

}  // namespace

bool IsDisplayFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

bool IsBackBufferFormat(D3DFORMAT format) {
  // As Wine's d3d9 answers a windowed device: X1R5G5B5 (a 15-bit screen) yes, A1R5G5B5 no.
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

D3DDISPLAYMODE DesktopMode() {
  D3DDISPLAYMODE m = {640, 480, 0, D3DFMT_X8R8G8B8};
  SDL_DisplayMode dm;
  if (SDL_GetDesktopDisplayMode(0, &dm) == 0) {
    m.Width = static_cast<UINT>(dm.w);
    m.Height = static_cast<UINT>(dm.h);
    m.RefreshRate = static_cast<UINT>(dm.refresh_rate > 0 ? dm.refresh_rate : 0);
    m.Format = FormatOfPixels(dm.format);
  }
  return m;
}

void FillCaps(D3DDEVTYPE type, UINT maxTextureSize, D3DCAPS9* c) {
  std::memset(c, 0, sizeof *c);
  c->DeviceType = type;
  c->AdapterOrdinal = 0;
  c->Caps2 = D3DCAPS2_CANMANAGERESOURCE | D3DCAPS2_DYNAMICTEXTURES;
  c->Caps3 = D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
  c->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
  c->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
               D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX |
               D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
               D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
  c->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                         D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_TSSARGTEMP |
                         D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND;
  c->RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_COLORPERSPECTIVE |
                  D3DPRASTERCAPS_SCISSORTEST;
  c->ZCmpCaps = c->AlphaCmpCaps = 0xff;  // all eight comparisons
  c->SrcBlendCaps = 0x3fff;              // ZERO .. BLENDFACTOR
  c->DestBlendCaps = 0x3fff;
  c->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  // Non-power-of-two sizes are unconditional in OpenGL 3.3: no POW2, no NONPOW2CONDITIONAL.
  c->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  c->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                         D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  c->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                          D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
  c->LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
  c->MaxTextureWidth = c->MaxTextureHeight = maxTextureSize;
  c->MaxTextureRepeat = maxTextureSize;
  c->MaxTextureAspectRatio = maxTextureSize;
  c->MaxAnisotropy = 1;
  c->MaxVertexW = 1e10f;
  c->GuardBandLeft = c->GuardBandTop = -32768.0f;
  c->GuardBandRight = c->GuardBandBottom = 32768.0f;
  c->StencilCaps = D3DSTENCILCAPS_KEEP | D3DSTENCILCAPS_ZERO | D3DSTENCILCAPS_REPLACE | D3DSTENCILCAPS_INCRSAT |
                   D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INVERT | D3DSTENCILCAPS_INCR | D3DSTENCILCAPS_DECR;
  c->FVFCaps = kMaxTexCoords;
  // Every operation except bump mapping and PREMODULATE.
  c->TextureOpCaps =
      0x03ffffffu & ~(D3DTEXOPCAPS_BUMPENVMAP | D3DTEXOPCAPS_BUMPENVMAPLUMINANCE | D3DTEXOPCAPS_PREMODULATE);
  c->MaxTextureBlendStages = kMaxStages;
  c->MaxSimultaneousTextures = kMaxStages;
  c->VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                            D3DVTXPCAPS_LOCALVIEWER;
  c->MaxActiveLights = kMaxLights;
  c->MaxPointSize = 1.0f;
  c->MaxPrimitiveCount = kMaxPrimitiveCount;
  c->MaxVertexIndex = 0xffffff;
  c->MaxStreams = 1;
  c->MaxStreamStride = 1024;
  c->VertexShaderVersion = 0xfffe0000;  // D3DVS_VERSION(0, 0): no shaders
  c->PixelShaderVersion = 0xffff0000;   // D3DPS_VERSION(0, 0)
  c->MasterAdapterOrdinal = 0;
  c->AdapterOrdinalInGroup = 0;
  c->NumberOfAdaptersInGroup = 1;
  c->NumSimultaneousRTs = 1;
}

Direct3D9Impl::~Direct3D9Impl() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

HRESULT Direct3D9Impl::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) {
  if (!id || adapter != 0) return D3DERR_INVALIDCALL;
  std::memset(id, 0, sizeof *id);
  std::snprintf(id->Driver, sizeof id->Driver, "d3d9gl");
  std::snprintf(id->Description, sizeof id->Description, "Direct3D 9 on OpenGL 3.3 (SDL %s)",
                SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "video");
  std::snprintf(id->DeviceName, sizeof id->DeviceName, "DISPLAY0");
  id->DriverVersion.QuadPart = 0x0001000000000000ll;  // 1.0.0.0
  return D3D_OK;
}

UINT Direct3D9Impl::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  if (adapter != 0) return 0;
  const int n = SDL_GetNumDisplayModes(0);
  UINT count = 0;
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode dm;
    if (SDL_GetDisplayMode(0, i, &dm) == 0 && FormatOfPixels(dm.format) == format) ++count;
  }
  return count;
}

HRESULT Direct3D9Impl::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) {
  if (!out || adapter != 0) return D3DERR_INVALIDCALL;
  const int n = SDL_GetNumDisplayModes(0);
  UINT index = 0;
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode dm;
    if (SDL_GetDisplayMode(0, i, &dm) != 0 || FormatOfPixels(dm.format) != format) continue;
    if (index++ == mode) {
      *out = {static_cast<UINT>(dm.w), static_cast<UINT>(dm.h),
              static_cast<UINT>(dm.refresh_rate > 0 ? dm.refresh_rate : 0), format};
      return D3D_OK;
    }
  }
  return D3DERR_INVALIDCALL;
}

HRESULT Direct3D9Impl::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  if (!mode || adapter != 0) return D3DERR_INVALIDCALL;
  *mode = DesktopMode();
  return D3D_OK;
}

HRESULT Direct3D9Impl::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                       D3DFORMAT backBufferFormat, BOOL windowed) {
  if (!ValidAdapter(adapter, type)) return D3DERR_INVALIDCALL;
  if (!windowed || !IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  if (backBufferFormat != D3DFMT_UNKNOWN && !IsBackBufferFormat(backBufferFormat)) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT Direct3D9Impl::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                         D3DRESOURCETYPE rtype, D3DFORMAT format) {
  if (!ValidAdapter(adapter, type)) return D3DERR_INVALIDCALL;
  if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  if (rtype == D3DRTYPE_VERTEXBUFFER) return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (rtype == D3DRTYPE_INDEXBUFFER)
    return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32 ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (rtype != D3DRTYPE_TEXTURE && rtype != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
  const FormatInfo* f = FindFormat(format);
  if (!f) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_DEPTHSTENCIL)
    return (rtype == D3DRTYPE_SURFACE && (f->uses & kUseDepth)) ? D3D_OK : D3DERR_NOTAVAILABLE;
  const unsigned need = (usage & D3DUSAGE_RENDERTARGET) ? kUseRenderTarget : kUseTexture;
  if (!(f->uses & need)) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_AUTOGENMIPMAP) return D3DOK_NOAUTOGEN;
  return D3D_OK;
}

HRESULT Direct3D9Impl::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, BOOL,
                                                  D3DMULTISAMPLE_TYPE ms, DWORD* quality) {
  if (!ValidAdapter(adapter, type)) return D3DERR_INVALIDCALL;
  if (ms != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if (quality) *quality = 1;
  return D3D_OK;
}

HRESULT Direct3D9Impl::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                              D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) {
  if (!ValidAdapter(adapter, type)) return D3DERR_INVALIDCALL;
  if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  const FormatInfo* rt = FindFormat(renderTargetFormat);
  const FormatInfo* ds = FindFormat(depthStencilFormat);
  if (!rt || !(rt->uses & kUseRenderTarget) || !ds || !(ds->uses & kUseDepth)) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

namespace {

// The last probe's answer, by SDL video driver: a process keeps its renderer, and a context made
// only to ask costs some milliseconds.
struct TextureLimit {
  std::string driver;  // empty: none yet
  UINT size = 0;
};
TextureLimit gLastTextureLimit;

}  // namespace

UINT Direct3D9Impl::MaxTextureSize() {
  if (!probed_) {
    probed_ = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && gLastTextureLimit.size > 0 && gLastTextureLimit.driver == driver) {
      maxTextureSize_ = gLastTextureLimit.size;
    } else {
      const GLint size = ProbeMaxTextureSize();
      maxTextureSize_ = size > 0 ? static_cast<UINT>(size) : 0;
      if (driver && maxTextureSize_ > 0) gLastTextureLimit = {driver, maxTextureSize_};
    }
  }
  return maxTextureSize_;
}

HRESULT Direct3D9Impl::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  if (!ValidAdapter(adapter, type)) return D3DERR_INVALIDCALL;
  const UINT maxTexture = MaxTextureSize();
  if (maxTexture == 0) return D3DERR_NOTAVAILABLE;  // no renderer to promise anything of
  FillCaps(type, maxTexture, caps);
  return D3D_OK;
}

HRESULT Direct3D9Impl::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                    D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
  if (device) *device = nullptr;
  if (adapter != 0) return D3DERR_INVALIDCALL;
  return DeviceImpl::Create(this, type, focus, flags, params, device);
}

}  // namespace d3d9gl

extern "C" IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  const UINT v = sdkVersion & 0x7fffffffu;  // the top bit asks for the debug runtime
  if (v != 31 && v != D3D_SDK_VERSION) return nullptr;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "d3d9gl: SDL video does not start: %s\n", SDL_GetError());
    return nullptr;
  }
  return new d3d9gl::Direct3D9Impl();
}
