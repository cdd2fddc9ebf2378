// A recording stand-in for Direct3D 9, for the device layer's unit tests (Linux header only: on
// Windows the device tests run against the real d3d9.dll instead).
//
// One fake::World per test owns every fake object; Release() only counts (objects live until the
// World goes), so tests can read an object after the code under test let it go. Every call the
// layer makes is recorded in World::calls, in order, as a short text with its arguments
// ("CreateDevice(0,HAL,0x40)"). The answers come from the World's public knobs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "dg/window.h"
#include "platform/d3d.h"

namespace fake {

class World;

inline std::string DevType(D3DDEVTYPE type) {
  if (type == D3DDEVTYPE_HAL) return "HAL";
  if (type == D3DDEVTYPE_REF) return "REF";
  return std::to_string(static_cast<int>(type));
}

inline std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// Bits per pixel of the formats the fake textures take; its own table.
inline UINT Bits(D3DFORMAT format) {
  switch (static_cast<int>(format)) {
    case 20: return 24;
    case 21:
    case 22:
    case 62:
    case 63:
    case 64: return 32;
    case 23:
    case 24:
    case 25:
    case 26:
    case 29:
    case 30:
    case 51:
    case 60:
    case 61: return 16;
    case 27:
    case 28:
    case 41:
    case 50:
    case 52: return 8;
    default: return 0;
  }
}

// The parts of IDirect3DResource9 nobody here calls.
#define FAKE_RESOURCE_STUBS                                                     \
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }     \
  HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; } \
  DWORD SetPriority(DWORD) override { return 0; }                               \
  DWORD GetPriority() override { return 0; }                                    \
  void PreLoad() override {}

class Surface : public IDirect3DSurface9 {
 public:
  Surface(World& world, std::string name, D3DFORMAT format, UINT width, UINT height);
  FAKE_RESOURCE_STUBS
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT*, const RECT*, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT UnlockRect() override { return D3DERR_INVALIDCALL; }

  World& world;
  std::string name;
  D3DFORMAT format;
  UINT width, height;
  ULONG refs = 0;       // an implicit surface starts at 0
  ULONG extraRefs = 0;  // references held elsewhere, added to what Release answers
};

class Texture : public IDirect3DTexture9 {
 public:
  struct Level {
    UINT width, height;
    INT pitch;
    std::vector<std::uint8_t> bits;
  };
  Texture(World& world, std::string name, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
          D3DPOOL pool);
  FAKE_RESOURCE_STUBS
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD SetLOD(DWORD) override { return 0; }
  DWORD GetLOD() override { return 0; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT, IDirect3DSurface9**) override { return D3DERR_INVALIDCALL; }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  // Pixel (x, y) of a level as a little-endian number of the format's size.
  std::uint32_t Pixel(UINT level, UINT x, UINT y) const;
  void SetPixel(UINT level, UINT x, UINT y, std::uint32_t value);

  World& world;
  std::string name;
  DWORD usage;
  D3DFORMAT format;
  D3DPOOL pool;
  std::vector<Level> levels;
  ULONG refs = 1;
  ULONG extraRefs = 0;
  int lockDepth = 0;
};

template <class Interface, class Desc>
class Buffer : public Interface {
 public:
  Buffer(World& world, std::string name, UINT length, DWORD usage, DWORD fvfOrFormat, D3DPOOL pool);
  FAKE_RESOURCE_STUBS
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;
  D3DRESOURCETYPE GetType() override { return kType; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(Desc*) override { return D3DERR_INVALIDCALL; }

  static constexpr D3DRESOURCETYPE kType =
      std::is_same<Interface, IDirect3DVertexBuffer9>::value ? D3DRTYPE_VERTEXBUFFER : D3DRTYPE_INDEXBUFFER;
  World& world;
  std::string name;
  DWORD usage, fvfOrFormat;
  D3DPOOL pool;
  std::vector<std::uint8_t> bytes;
  ULONG refs = 1;
  ULONG extraRefs = 0;
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

class Device : public IDirect3DDevice9 {
 public:
  Device(World& world, D3DDEVTYPE type, DWORD flags, const D3DPRESENT_PARAMETERS& params);
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;
  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override;
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* shared) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                             HANDLE* shared) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** buffer,
                            HANDLE* shared) override;
  HRESULT EvictManagedResources() override { return D3DERR_INVALIDCALL; }
  HRESULT GetDirect3D(IDirect3D9**) override { return D3DERR_INVALIDCALL; }
  HRESULT GetDisplayMode(UINT, D3DDISPLAYMODE*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return D3DERR_INVALIDCALL; }
  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override { return D3DERR_INVALIDCALL; }
  HRESULT CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**,
                             HANDLE*) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetRenderTargetData(IDirect3DSurface9*, IDirect3DSurface9*) override { return D3DERR_INVALIDCALL; }
  HRESULT CreateOffscreenPlainSurface(UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**, HANDLE*) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetRenderTarget(DWORD, IDirect3DSurface9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetRenderTarget(DWORD, IDirect3DSurface9**) override { return D3DERR_INVALIDCALL; }
  HRESULT BeginScene() override { return D3DERR_INVALIDCALL; }
  HRESULT EndScene() override { return D3DERR_INVALIDCALL; }
  HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetViewport(const D3DVIEWPORT9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetViewport(D3DVIEWPORT9*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetMaterial(const D3DMATERIAL9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetMaterial(D3DMATERIAL9*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetLight(DWORD, D3DLIGHT9*) override { return D3DERR_INVALIDCALL; }
  HRESULT LightEnable(DWORD, BOOL) override { return D3DERR_INVALIDCALL; }
  HRESULT GetLightEnable(DWORD, BOOL*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { return D3DERR_INVALIDCALL; }
  HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT SetScissorRect(const RECT*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetScissorRect(RECT*) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                 UINT) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetFVF(DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT GetFVF(DWORD*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer9**, UINT*, UINT*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetIndices(IDirect3DIndexBuffer9**) override { return D3DERR_INVALIDCALL; }
  World& world;
  D3DDEVTYPE type;
  DWORD flags;
  D3DPRESENT_PARAMETERS params;
  std::vector<Surface*> backBuffers;
  Surface* depth = nullptr;
  ULONG refs = 1;
};

class Direct3D : public IDirect3D9 {
 public:
  explicit Direct3D(World& world) : world(world) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;
  UINT GetAdapterCount() override { return 1; }
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override;
  UINT GetAdapterModeCount(UINT, D3DFORMAT) override { return 0; }
  HRESULT EnumAdapterModes(UINT, D3DFORMAT, UINT, D3DDISPLAYMODE*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
  HRESULT CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override { return D3DERR_INVALIDCALL; }
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE rtype,
                            D3DFORMAT format) override;
  HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE, DWORD*) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT targetFormat,
                                 D3DFORMAT depthFormat) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* params,
                       IDirect3DDevice9** device) override;

  World& world;
  ULONG refs = 1;
};

// The knobs, the record of calls, and the owner of every fake object.
class World {
 public:
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // Direct3DCreate9 for TDGCarad: the current World's Direct3D object (null when createsD3D is off).
  static IDirect3D9* WINAPI Create(UINT sdkVersion);

  // Calls recorded since the last Take(), then forgets them.
  std::vector<std::string> Take();
  // The recorded calls that start with `prefix`.
  std::vector<std::string> Matching(const std::string& prefix) const;
  void Record(const std::string& call) { calls.push_back(call); }

  Device* LastDevice() const { return devices.empty() ? nullptr : devices.back().get(); }
  Texture* LastTexture() const { return textures.empty() ? nullptr : textures.back().get(); }
  VertexBuffer* LastVertexBuffer() const { return vertexBuffers.empty() ? nullptr : vertexBuffers.back().get(); }
  IndexBuffer* LastIndexBuffer() const { return indexBuffers.empty() ? nullptr : indexBuffers.back().get(); }
  int LiveResources() const;  // textures and buffers whose count is above 0

  // Knobs.
  bool createsD3D = true;
  D3DCAPS9 caps;  // HAL and REF answer these
  HRESULT halCapsResult = D3D_OK;
  D3DDISPLAYMODE mode = {1024, 768, 60, D3DFMT_X8R8G8B8};
  D3DADAPTER_IDENTIFIER9 identifier;
  std::set<int> depthMatches = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D24S8};
  std::set<int> textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                                  D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8};
  HRESULT createDeviceResult = D3D_OK;
  HRESULT createTextureResult = D3D_OK;
  HRESULT createBufferResult = D3D_OK;
  HRESULT resetResult = D3D_OK;
  HRESULT cooperativeLevel = D3D_OK;
  UINT textureMem = 3u * 1048576u + 524288u;  // 3.50 MiB
  ULONG d3dExtraRefs = 0;
  ULONG deviceExtraRefs = 0;
  ULONG backBufferExtraRefs = 0;

  std::vector<std::string> calls;
  std::unique_ptr<Direct3D> d3d;
  std::vector<std::unique_ptr<Device>> devices;
  std::vector<std::unique_ptr<Surface>> surfaces;
  std::vector<std::unique_ptr<Texture>> textures;
  std::vector<std::unique_ptr<VertexBuffer>> vertexBuffers;
  std::vector<std::unique_ptr<IndexBuffer>> indexBuffers;

  static World* current;
};

// A window whose SetWindowPos is recorded in the World's calls and changes its sizes.
class Window : public dg::TDGWindow {
 public:
  Window(World& world, std::uintptr_t handle) : world_(world), handle_(handle) {}
  HWND Handle() const override { return reinterpret_cast<HWND>(handle_); }
  int ClientWidth() const override { return clientWidth; }
  int ClientHeight() const override { return clientHeight; }
  int Width() const override { return clientWidth + frameWidth; }
  int Height() const override { return clientHeight + frameHeight; }
  int Left() const override { return left; }
  int Top() const override { return top; }
  void SetWindowPos(int x, int y, int width, int height) override;

  int clientWidth = 320, clientHeight = 240;
  int frameWidth = 8, frameHeight = 27;
  int left = 10, top = 20;

 private:
  World& world_;
  std::uintptr_t handle_;
};

}  // namespace fake
