// A recording Direct3D 9 for unit tests, on both targets (Windows: it implements MinGW's real
// interfaces; the methods outside the common subset are recorded and answer D3DERR_INVALIDCALL).
//
// RecordingDevice records every call with its arguments, in order, and answers queries from
// values the test sets (caps, cooperative level, Reset result, texture memory) and from the
// state set on it (render, stage and sampler states, transforms, viewport, material, lights,
// bindings start at Direct3D's defaults). DrawPrimitive and DrawIndexedPrimitive check their
// ranges against the bound buffers (index range, MinVertexIndex..+NumVertices, every index read,
// the vertices past the stream offset): a draw outside them answers D3DERR_INVALIDCALL and is
// kept in drawFaults. Resources it creates are real objects with memory:
// textures (Direct3D pitches), vertex and index buffers, surfaces. Reference counts follow
// Direct3D 9: each live resource holds a device reference, the back buffer and depth surface
// start at 0, Set* calls do not add references, Get* calls do.
//
// RecordingDirect3D is an IDirect3D9 whose CreateDevice returns a RecordingDevice; its format and
// depth answers come from sets the test fills (by default the formats Wine's d3d9 accepts).
//
// For tests of the device layer itself: a journal (one record of the calls of a Direct3D, its
// devices and their resources, in order, where the test adds its own), recorded Release calls,
// failure answers, a fill byte for new resource memory, Direct3D's Reset rule (no default-pool
// resource and no reference to the implicit surfaces may be alive) and labels: every resource has
// one ("texture0", "vb1", "ib0", "backbuffer0", "depth0", numbered per kind and Direct3D) that its
// recorded calls name instead of its address.
//
// Ownership: whoever creates releases; Release() returns the remaining count. A device outlives
// its Recording resources only through their references, as in Direct3D.
#pragma once

#include "platform/d3d.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace d3d9rec {

struct Call {
  std::string method;               // "SetRenderState"
  std::vector<std::uint64_t> args;  // integer arguments in order; pointers as their address
  std::vector<float> floats;        // float arguments and the floats of struct arguments
  std::string on = {};              // the resource's label for its own calls ("texture0"), else empty
  std::string Text() const;         // "SetRenderState(137, 0)", "Texture::UnlockRect(texture0, 0)"
};

// The texts of calls, optionally only those whose method is in `only`.
std::vector<std::string> Texts(const std::vector<Call>& calls, const std::set<std::string>& only = {});

class RecordingDevice;

// Capabilities like those Wine reports on llvmpipe: hardware T&L, BLENDOP, no POW2 limits.
D3DCAPS9 DefaultCaps();

class RecordingDirect3D : public IDirect3D9 {
 public:
  RecordingDirect3D();
  virtual ~RecordingDirect3D() = default;

  // Answers; change before use.
  D3DCAPS9 caps;
  D3DDISPLAYMODE displayMode{640, 480, 60, D3DFMT_X8R8G8B8};
  D3DADAPTER_IDENTIFIER9 identifier{};
  std::set<D3DFORMAT> textureFormats;  // CheckDeviceFormat answers D3D_OK for these (texture/surface)
  std::set<D3DFORMAT> depthFormats;    // CheckDepthStencilMatch / DEPTHSTENCIL usage
  HRESULT createDeviceResult = D3D_OK;
  HRESULT halCapsResult = D3D_OK;  // GetDeviceCaps for D3DDEVTYPE_HAL (REF answers caps)
  std::vector<Call> calls;
  RecordingDevice* lastDevice = nullptr;  // not owned

  // Given to the devices it creates (see RecordingDevice).
  UINT availableTextureMem = 512u << 20;
  std::uint8_t fill = 0;
  bool resetRule = false;
  bool recordReleases = false;  // also its own Release, as "Release(d3d)"
  std::vector<Call>* journal = nullptr;

  // The next label of a kind ("texture" -> "texture0", "texture1", ...).
  std::string NextLabel(const std::string& kind) { return kind + std::to_string(labels_[kind]++); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  UINT STDMETHODCALLTYPE GetAdapterCount() override;
  HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                                 D3DADAPTER_IDENTIFIER9* pIdentifier) override;
  UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
  HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
  HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                            D3DFORMAT BackBufferFormat, BOOL bWindowed) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                                       BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType,
                                                       DWORD* pQualityLevels) override;
  HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
  HRESULT STDMETHODCALLTYPE CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                                         IDirect3DDevice9** ppReturnedDeviceInterface) override;
#ifdef _WIN32
  HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* pInitializeFunction) override;
  HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT Adapter) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SourceFormat,
                                                        D3DFORMAT TargetFormat) override;
#endif

 protected:
  // Copies the answers and settings above into a device it made.
  void Prepare(RecordingDevice* device, D3DDEVTYPE type);

 private:
  friend class RecordingDevice;
  void Record(const char* method, std::vector<std::uint64_t> args);
  ULONG ref_ = 1;
  std::map<std::string, int> labels_;
};

class RecordingDevice : public IDirect3DDevice9 {
 public:
  // parent may be null; when set, the device holds a reference on it.
  RecordingDevice(RecordingDirect3D* parent, const D3DPRESENT_PARAMETERS& params);
  virtual ~RecordingDevice();

  // ---- for the test ----
  std::vector<Call> calls;
  D3DCAPS9 caps;
  std::deque<HRESULT> cooperativeResults;  // answered in order; D3D_OK when empty
  HRESULT resetResult = D3D_OK;
  UINT availableTextureMem = 512u << 20;
  D3DDISPLAYMODE displayMode{640, 480, 60, D3DFMT_X8R8G8B8};
  HRESULT createBufferResult = D3D_OK;   // CreateVertexBuffer and CreateIndexBuffer answer it when failing
  std::uint8_t fill = 0;                 // the byte new textures, buffers and surfaces start with
  bool resetRule = false;                // Reset fails while a default-pool resource or surface reference lives
  bool recordReleases = false;           // Release calls on the device and its resources are recorded
  std::vector<Call>* journal = nullptr;  // every call recorded is appended here too
  const std::string label;               // "device0", "device1", ... per Direct3D

  // Draws that reached outside the bound buffers: the call's text, what was outside.
  std::vector<std::string> drawFaults;

  // Drops the recorded calls and draw faults.
  void ClearCalls() {
    calls.clear();
    drawFaults.clear();
  }
  std::size_t Count(const std::string& method) const;
  // Texts of the calls, optionally only those whose method is in `only`.
  std::vector<std::string> Texts(const std::set<std::string>& only = {}) const;
  ULONG refCount() const { return ref_; }
  const D3DPRESENT_PARAMETERS& params() const { return params_; }  // as CreateDevice received them
  IDirect3DSurface9* backBuffer() const { return backBuffer_; }    // without a reference
  IDirect3DSurface9* depthSurface() const { return depth_; }
  std::string NextLabel(const std::string& kind) {
    return parent_ ? parent_->NextLabel(kind) : kind + std::to_string(labels_[kind]++);
  }

  // ---- IUnknown ----
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ---- the common subset ----
  HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
  UINT STDMETHODCALLTYPE GetAvailableTextureMem() override;
  HRESULT STDMETHODCALLTYPE EvictManagedResources() override;
  HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** ppD3D9) override;
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* pCaps) override;
  HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
  HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
  HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT STDMETHODCALLTYPE Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                                    const RGNDATA* pDirtyRegion) override;
  HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                          IDirect3DSurface9** ppBackBuffer) override;
  HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                          D3DPOOL Pool, IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
  HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
  HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                              IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
  HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                               D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL Lockable,
                                               IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
  HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                                IDirect3DSurface9* pDestSurface) override;
  HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                                        IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
  HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
  HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
  HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
  HRESULT STDMETHODCALLTYPE BeginScene() override;
  HRESULT STDMETHODCALLTYPE EndScene() override;
  HRESULT STDMETHODCALLTYPE Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                                  DWORD Stencil) override;
  HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* pViewport) override;
  HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* pMaterial) override;
  HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* pMaterial) override;
  HRESULT STDMETHODCALLTYPE SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
  HRESULT STDMETHODCALLTYPE GetLight(DWORD Index, D3DLIGHT9* pLight) override;
  HRESULT STDMETHODCALLTYPE LightEnable(DWORD Index, BOOL Enable) override;
  HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD Index, BOOL* pEnable) override;
  HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
  HRESULT STDMETHODCALLTYPE SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
  HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
  HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
  HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT* pRect) override;
  HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* pRect) override;
  HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                          UINT PrimitiveCount) override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                                 UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                                 UINT primCount) override;
  HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                            const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                                   UINT NumVertices, UINT PrimitiveCount, const void* pIndexData,
                                                   D3DFORMAT IndexDataFormat, const void* pVertexStreamZeroData,
                                                   UINT VertexStreamZeroStride) override;
  HRESULT STDMETHODCALLTYPE SetFVF(DWORD FVF) override;
  HRESULT STDMETHODCALLTYPE GetFVF(DWORD* pFVF) override;
  HRESULT STDMETHODCALLTYPE SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                            UINT Stride) override;
  HRESULT STDMETHODCALLTYPE GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                            UINT* pOffsetInBytes, UINT* pStride) override;
  HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
  HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;

#ifdef _WIN32
#include "d3d9_recording_win32.inl"
#endif

  // Used by the recording resources.
  void Record(const char* method, std::vector<std::uint64_t> args, std::vector<float> floats = {},
              const std::string& on = {});
  void ResourceAlive(int delta) { liveResources_ += delta; }
  void DefaultPoolAlive(int delta) { liveDefaultPool_ += delta; }
  // References the device's own objects hold on it (not recorded).
  void Hold() { ++ref_; }
  void Unhold();

 private:
  void SetDefaults();
  // The draw range's fault, or nullptr when it lies inside the bound buffers.
  const char* VertexRangeFault(std::int64_t first, std::int64_t count) const;
  const char* IndexedDrawFault(D3DPRIMITIVETYPE type, INT base, UINT minIndex, UINT numVertices, UINT startIndex,
                               UINT count) const;
  HRESULT DrawFault(const char* fault);

  ULONG ref_ = 1;
  RecordingDirect3D* parent_;
  D3DPRESENT_PARAMETERS params_;
  IDirect3DSurface9* backBuffer_ = nullptr;
  IDirect3DSurface9* depth_ = nullptr;
  IDirect3DSurface9* renderTarget_ = nullptr;
  int liveResources_ = 0;
  int liveDefaultPool_ = 0;
  std::map<std::string, int> labels_;
  std::map<DWORD, DWORD> renderStates_;
  std::map<std::pair<DWORD, DWORD>, DWORD> stageStates_;
  std::map<std::pair<DWORD, DWORD>, DWORD> samplerStates_;
  std::map<DWORD, D3DMATRIX> transforms_;
  std::map<DWORD, D3DLIGHT9> lights_;
  std::map<DWORD, BOOL> lightEnabled_;
  D3DVIEWPORT9 viewport_{};
  RECT scissor_{};
  D3DMATERIAL9 material_{};
  DWORD fvf_ = 0;
  IDirect3DBaseTexture9* textures_[16] = {};
  IDirect3DVertexBuffer9* stream_ = nullptr;
  UINT streamOffset_ = 0, streamStride_ = 0;
  IDirect3DIndexBuffer9* indices_ = nullptr;
  bool inScene_ = false;
};

// Direct3D's pitch for a level of that width (32-bit x4, 16-bit align(x2, 4), 8-bit align(x1, 4)).
UINT RecordingPitch(D3DFORMAT format, UINT width);
UINT RecordingBytesPerPixel(D3DFORMAT format);

// For tests that look inside the recording resources without recording a call: a level's memory
// (null for anything else than a recording texture or a level it lacks), a buffer's bytes, a
// resource's label ("" for anything else).
struct Level {
  std::uint8_t* bits = nullptr;
  UINT pitch = 0, width = 0, height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  std::uint32_t Pixel(UINT x, UINT y) const;  // little-endian, the format's size
  void SetPixel(UINT x, UINT y, std::uint32_t value);
};
Level LevelOf(IDirect3DBaseTexture9* texture, UINT level = 0);
std::vector<std::uint8_t>* BytesOf(IUnknown* buffer);
std::string LabelOf(IUnknown* resource);

}  // namespace d3d9rec
