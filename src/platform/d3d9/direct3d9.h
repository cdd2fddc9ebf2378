// IDirect3D9 of the layer: one adapter (SDL display 0, the OpenGL renderer), its capabilities and
// format answers. Holds a reference on SDL's video subsystem for its lifetime.
#pragma once

#include <d3d9.h>

namespace d3d9gl {

// IUnknown of the layer's objects: QueryInterface answers no interface; a Release counts down
// `ref`, true when it dropped the last reference (the caller then deletes the object). A count
// already at 0 stays there.
inline HRESULT NoInterface(void** ppv) {
  if (ppv) *ppv = nullptr;
  return E_NOINTERFACE;
}
inline bool LastRelease(ULONG* ref) { return *ref != 0 && --*ref == 0; }

// IUnknown of the objects that the application holds alone (the Direct3D object, the device): no
// other interface, and the last Release deletes the object.
template <typename Interface>
class OwnedObject : public Interface {
 public:
  OwnedObject() = default;
  OwnedObject(const OwnedObject&) = delete;
  OwnedObject& operator=(const OwnedObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { return NoInterface(ppv); }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++ref_; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (!LastRelease(&ref_)) return ref_;
    delete this;
    return 0;
  }

 protected:
  virtual ~OwnedObject() = default;

 private:
  ULONG ref_ = 1;
};

class Direct3D9Impl final : public OwnedObject<IDirect3D9> {
 public:
  Direct3D9Impl() = default;
  ~Direct3D9Impl() override;

  UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) override;
  UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
  HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) override;
  HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                            D3DFORMAT backBufferFormat, BOOL windowed) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                              D3DRESOURCETYPE rtype, D3DFORMAT format) override;
  HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                                       D3DMULTISAMPLE_TYPE ms, DWORD* quality) override;
  HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override;
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
  HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

  // The renderer's GL_MAX_TEXTURE_SIZE, asked of a context of its own (ProbeMaxTextureSize) when
  // first needed, once per process and SDL video driver; 0 when there is no OpenGL 3.3 context.
  UINT MaxTextureSize();

 private:
  bool probed_ = false;
  UINT maxTextureSize_ = 0;
};

// The most primitives one draw takes: three vertices each (a triangle list) stay within the
// 0xffffff vertices that MaxVertexIndex names. The caps' MaxPrimitiveCount.
constexpr UINT kMaxPrimitiveCount = 0x555555u;

// What the layer implements, identical for HAL and REF; the largest texture (and back buffer) is
// `maxTextureSize` pixels on a side, the renderer's GL_MAX_TEXTURE_SIZE.
void FillCaps(D3DDEVTYPE type, UINT maxTextureSize, D3DCAPS9* caps);

// Format rules shared with the device.
bool IsBackBufferFormat(D3DFORMAT format);
bool IsDisplayFormat(D3DFORMAT format);

// The desktop format and size of display 0 (X8R8G8B8 for 24- and 32-bit desktops).
D3DDISPLAYMODE DesktopMode();

}  // namespace d3d9gl
