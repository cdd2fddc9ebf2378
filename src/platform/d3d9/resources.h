// Resource objects of the Direct3D 9 layer: textures, surfaces, vertex and index buffers.
//
// Reference counting follows Direct3D 9. A created resource starts with public count 1 and holds
// one reference on its device while its public count is above 0. Binding it to the device
// (texture stage, stream 0, indices, render target) adds an internal reference that the public
// count does not show; the object is destroyed when both counts are 0. Implicit surfaces (back
// buffer, automatic depth buffer) start at 0, hold a device reference only while their count is
// above 0, and belong to the device. A texture's level surfaces share the texture's count.
#pragma once

#include <d3d9.h>

#include "direct3d9.h"
#include "formats.h"
#include "gl_api.h"

#include <cstdint>
#include <vector>

namespace d3d9gl {

class DeviceImpl;
class SurfaceImpl;

// Bookkeeping common to every resource: counts, pool, the device's list and memory accounting.
class Resource {
 public:
  Resource(DeviceImpl* device, D3DPOOL pool, D3DRESOURCETYPE type, std::uint64_t videoBytes, bool implicit);
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;
  virtual ~Resource();

  DeviceImpl* device() const { return device_; }
  D3DPOOL pool() const { return pool_; }
  D3DRESOURCETYPE type() const { return type_; }
  ULONG publicRefs() const { return ref_; }
  std::uint64_t videoBytes() const { return videoBytes_; }

  // Internal reference of a device binding; Unbind may destroy the object.
  void Bind() { ++bind_; }
  void Unbind();

  // Device list, maintained by DeviceImpl.
  Resource* prevResource = nullptr;
  Resource* nextResource = nullptr;

 protected:
  ULONG DoAddRef();
  ULONG DoRelease();
  HRESULT DeviceOut(IDirect3DDevice9** out) const;  // GetDevice
  // SetPriority: stores `p` and answers the old priority.
  DWORD SwapPriority(DWORD p) {
    const DWORD old = priority_;
    priority_ = p;
    return old;
  }

  DeviceImpl* device_;
  DWORD priority_ = 0;

 private:
  ULONG ref_;
  ULONG bind_ = 0;
  D3DPOOL pool_;
  D3DRESOURCETYPE type_;
  std::uint64_t videoBytes_;
  bool implicit_;
};

class TextureImpl final : public IDirect3DTexture9, public Resource {
 public:
  struct Level {
    UINT width, height, pitch, rows;
    std::size_t offset;  // into memory_
    int locks = 0;
    bool dirty = false;  // written since the last upload
    RECT dirtyRect{};
    SurfaceImpl* surface = nullptr;  // made on first GetSurfaceLevel
  };

  // Checks are done by the device; levels already resolved (0 -> full chain).
  TextureImpl(DeviceImpl* device, const FormatInfo& format, UINT width, UINT height, UINT levels, DWORD usage,
              D3DPOOL pool, std::uint64_t videoBytes);
  ~TextureImpl() override;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
  // IDirect3DResource9
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD STDMETHODCALLTYPE SetPriority(DWORD p) override;
  DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
  void STDMETHODCALLTYPE PreLoad() override {}
  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
  // IDirect3DBaseTexture9
  DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) override;
  DWORD STDMETHODCALLTYPE GetLOD() override { return lod_; }
  DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  // IDirect3DTexture9
  HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
  HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;

  const FormatInfo& format() const { return *format_; }
  DWORD usage() const { return usage_; }
  GLuint glTexture() const { return glTexture_; }  // 0 for system-memory textures
  UINT levelCount() const { return static_cast<UINT>(levels_.size()); }
  const Level& level(UINT i) const { return levels_[i]; }
  std::uint8_t* levelMemory(UINT i) { return memory_.empty() ? nullptr : memory_.data() + levels_[i].offset; }
  bool lockable() const { return !memory_.empty(); }

  // Sends the rectangle of a level from memory to the GL texture (needs the context current).
  void Upload(UINT level, const RECT& rect);
  // Level surface for a render-target texture, created on demand (shares this texture's count).
  SurfaceImpl* LevelSurface(UINT level);

 private:
  const FormatInfo* format_;
  DWORD usage_;
  DWORD lod_ = 0;
  std::vector<Level> levels_;
  std::vector<std::uint8_t> memory_;
  GLuint glTexture_ = 0;
};

class SurfaceImpl final : public IDirect3DSurface9, public Resource {
 public:
  enum class Kind {
    kTextureLevel,  // level of a texture; storage and count belong to the texture
    kRenderTarget,  // back buffer or CreateRenderTarget: a GL texture
    kDepthStencil,  // automatic depth buffer: a GL renderbuffer
    kPlain,         // CreateOffscreenPlainSurface: memory only
  };

  // Level surface.
  SurfaceImpl(DeviceImpl* device, TextureImpl* container, UINT level);
  // Render target, depth-stencil or plain surface.
  SurfaceImpl(DeviceImpl* device, Kind kind, const FormatInfo& format, UINT width, UINT height, D3DPOOL pool,
              bool lockable, bool implicit, std::uint64_t videoBytes);
  ~SurfaceImpl() override;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD STDMETHODCALLTYPE SetPriority(DWORD p) override;
  DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
  void STDMETHODCALLTYPE PreLoad() override {}
  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UnlockRect() override;

  Kind kind() const { return kind_; }
  TextureImpl* container() const { return container_; }
  UINT levelIndex() const { return level_; }
  const FormatInfo& format() const { return *format_; }
  UINT width() const { return width_; }
  UINT height() const { return height_; }
  D3DPOOL surfacePool() const;
  bool isRenderTarget() const;
  // GL storage: colour texture (render targets and render-target texture levels) or depth
  // renderbuffer; memory for plain and system-memory level surfaces.
  GLuint glTexture() const;
  GLuint glRenderbuffer() const { return glRenderbuffer_; }
  std::uint8_t* memory();
  UINT pitch() const;

  // Surfaces bound as render target or depth buffer count through their container, if any.
  void BindSurface();
  void UnbindSurface();

 private:
  void CreateStorage();
  void DestroyStorage();

  Kind kind_;
  TextureImpl* container_ = nullptr;
  UINT level_ = 0;
  const FormatInfo* format_;
  UINT width_ = 0, height_ = 0;
  bool lockable_ = false;
  int locks_ = 0;
  bool lockWrite_ = false;
  std::vector<std::uint8_t> memory_;  // plain surfaces; lock shadow of lockable render targets
  GLuint glTexture_ = 0;
  GLuint glRenderbuffer_ = 0;
};

// Storage and lock rules shared by vertex and index buffers.
class BufferCore {
 public:
  BufferCore(DeviceImpl* device, UINT size, DWORD usage);
  ~BufferCore();
  BufferCore(const BufferCore&) = delete;
  BufferCore& operator=(const BufferCore&) = delete;

  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();

  UINT size() const { return size_; }
  GLuint glBuffer() const { return glBuffer_; }
  const std::uint8_t* data() const { return data_.data(); }
  // Smallest and largest index in the whole buffer (indices of `indexSize` bytes), cached until
  // the next writing lock.
  void WholeIndexRange(UINT indexSize, UINT* lo, UINT* hi);

 private:
  DeviceImpl* device_;
  UINT size_;
  DWORD usage_;
  std::vector<std::uint8_t> data_;  // the buffer's contents; survives Reset for every pool
  GLuint glBuffer_ = 0;
  int locks_ = 0;
  UINT dirtyBegin_ = 0, dirtyEnd_ = 0;
  bool discard_ = false;
  bool rangeValid_ = false;
  UINT rangeLo_ = 0, rangeHi_ = 0;
};

// Smallest and largest of `count` indices of 2 or 4 bytes.
void ScanIndices(const void* indices, UINT indexSize, UINT count, UINT* lo, UINT* hi);

// What vertex and index buffers share: the IUnknown and IDirect3DResource9 methods, the storage,
// its locks and the description. Interface is IDirect3DVertexBuffer9 or IDirect3DIndexBuffer9, Desc
// its description; `layout` is the vertex buffer's FVF code or the index buffer's format.
template <typename Interface, D3DRESOURCETYPE kType, typename Desc>
class BufferResource : public Interface, public Resource {
 public:
  BufferResource(DeviceImpl* device, UINT size, DWORD usage, DWORD layout, D3DPOOL pool)
      : Resource(device, pool, kType, 0, false), core_(device, size, usage), usage_(usage), layout_(layout) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { return NoInterface(ppv); }
  ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** ppDevice) override { return DeviceOut(ppDevice); }
  DWORD STDMETHODCALLTYPE SetPriority(DWORD p) override { return SwapPriority(p); }
  DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
  void STDMETHODCALLTYPE PreLoad() override {}
  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return kType; }
  HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return core_.Lock(offset, size, data, flags);
  }
  HRESULT STDMETHODCALLTYPE Unlock() override { return core_.Unlock(); }
  HRESULT STDMETHODCALLTYPE GetDesc(Desc* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Type = kType;
    desc->Usage = usage_;
    desc->Pool = pool();
    desc->Size = core_.size();
    DescribeLayout(desc);
    return D3D_OK;
  }

  BufferCore& core() { return core_; }

 protected:
  BufferCore core_;
  DWORD usage_;
  DWORD layout_;

 private:
  void DescribeLayout(D3DVERTEXBUFFER_DESC* desc) const {
    desc->Format = D3DFMT_VERTEXDATA;
    desc->FVF = layout_;
  }
  void DescribeLayout(D3DINDEXBUFFER_DESC* desc) const { desc->Format = static_cast<D3DFORMAT>(layout_); }
};

class VertexBufferImpl final
    : public BufferResource<IDirect3DVertexBuffer9, D3DRTYPE_VERTEXBUFFER, D3DVERTEXBUFFER_DESC> {
 public:
  using BufferResource::BufferResource;
};

class IndexBufferImpl final : public BufferResource<IDirect3DIndexBuffer9, D3DRTYPE_INDEXBUFFER, D3DINDEXBUFFER_DESC> {
 public:
  using BufferResource::BufferResource;

  D3DFORMAT format() const { return static_cast<D3DFORMAT>(layout_); }
};

}  // namespace d3d9gl
