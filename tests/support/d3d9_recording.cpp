#include "support/d3d9_recording.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace d3d9rec {

namespace {

std::uint64_t P(const void* p) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p)); }

std::vector<float> Floats(const void* data, std::size_t bytes) {
  std::vector<float> f(bytes / 4);
  if (data) std::memcpy(f.data(), data, f.size() * 4);
  return f;
}

}  // namespace

UINT RecordingBytesPerPixel(D3DFORMAT f) {
  switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8: return 4;
    case D3DFMT_R8G8B8: return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE: return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_P8:
    case D3DFMT_R3G3B2: return 1;
    default: return 4;
  }
}

namespace {

UINT BytesPerPixel(D3DFORMAT f) { return RecordingBytesPerPixel(f); }

D3DMATRIX Identity() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// Reference counting of the recording resources, as in Direct3D (see the header).
class Counted {
 public:
  Counted(RecordingDevice* device, bool implicit, bool defaultPool, std::string label)
      : device_(device),
        ref_(implicit ? 0 : 1),
        implicit_(implicit),
        defaultPool_(defaultPool && !implicit),
        label_(std::move(label)) {
    if (!implicit) {
      device_->Hold();
      device_->ResourceAlive(1);
    }
    if (defaultPool_) device_->DefaultPoolAlive(1);
  }
  virtual ~Counted() {
    if (!implicit_) device_->ResourceAlive(-1);
  }
  ULONG DoAddRef() {
    if (ref_ == 0) device_->Hold();
    return ++ref_;
  }
  ULONG DoRelease() {
    if (device_->recordReleases) device_->Record("Release", {}, {}, label_);
    if (ref_ == 0) return 0;
    if (--ref_ > 0) return ref_;
    RecordingDevice* d = device_;
    if (defaultPool_) d->DefaultPoolAlive(-1);
    if (!implicit_ && bind_ == 0) delete this;
    d->Unhold();
    return 0;
  }
  ULONG Refs() const { return ref_; }
  const std::string& Label() const { return label_; }
  void Bind() { ++bind_; }
  void Unbind() {
    if (bind_ > 0) --bind_;
    if (bind_ == 0 && ref_ == 0 && !implicit_) delete this;
  }
  HRESULT Device(IDirect3DDevice9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *out = device_;
    return D3D_OK;
  }

 protected:
  RecordingDevice* device_;

 private:
  ULONG ref_;
  ULONG bind_ = 0;
  bool implicit_;
  bool defaultPool_;
  std::string label_;
};

// Methods every resource has.
#define REC_RESOURCE_COMMON(TYPE)                                                          \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {                  \
    if (ppv) *ppv = nullptr;                                                               \
    return E_NOINTERFACE;                                                                  \
  }                                                                                        \
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** d) override { return Device(d); } \
  DWORD STDMETHODCALLTYPE SetPriority(DWORD p) override {                                  \
    const DWORD old = priority_;                                                           \
    priority_ = p;                                                                         \
    return old;                                                                            \
  }                                                                                        \
  DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }                     \
  void STDMETHODCALLTYPE PreLoad() override {}                                             \
  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return TYPE; }                    \
  DWORD priority_ = 0;

#ifdef _WIN32
#define REC_PRIVATE_DATA                                                                                               \
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return D3DERR_INVALIDCALL; } \
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override { return D3DERR_NOTFOUND; }                \
  HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override { return D3DERR_NOTFOUND; }
#else
#define REC_PRIVATE_DATA
#endif

class RecTexture;

class RecSurface final : public IDirect3DSurface9, public Counted {
 public:
  // A stand-alone surface (implicit or created).
  RecSurface(RecordingDevice* d, D3DFORMAT format, UINT w, UINT h, DWORD usage, D3DPOOL pool, bool implicit,
             std::string label)
      : Counted(d, implicit, pool == D3DPOOL_DEFAULT, std::move(label)),
        memory_(static_cast<std::size_t>(RecordingPitch(format, w)) * h, d->fill) {
    desc_ = {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, w, h};
  }
  // A texture level: count and storage belong to the texture.
  RecSurface(RecordingDevice* d, RecTexture* container, UINT level);

  REC_RESOURCE_COMMON(D3DRTYPE_SURFACE)
  REC_PRIVATE_DATA
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* lr, const RECT* rect, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UnlockRect() override;
#ifdef _WIN32
  HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetDC(HDC*) override { return D3DERR_INVALIDCALL; }
  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return D3DERR_INVALIDCALL; }
#endif
  std::uint8_t* Memory();
  UINT Pitch() const { return RecordingPitch(desc_.Format, desc_.Width); }
  RecTexture* container() const { return container_; }

 private:
  D3DSURFACE_DESC desc_{};
  std::vector<std::uint8_t> memory_;
  RecTexture* container_ = nullptr;
  UINT level_ = 0;
};

class RecTexture final : public IDirect3DTexture9, public Counted {
 public:
  RecTexture(RecordingDevice* d, UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : Counted(d, false, pool == D3DPOOL_DEFAULT, d->NextLabel("texture")),
        format_(format),
        usage_(usage),
        pool_(pool) {
    for (UINT i = 0; i < levels; ++i) {
      const UINT lw = std::max(1u, w >> i), lh = std::max(1u, h >> i);
      levels_.push_back({lw, lh,
                         std::vector<std::uint8_t>(static_cast<std::size_t>(RecordingPitch(format, lw)) * lh, d->fill),
                         nullptr, false});
    }
  }
  ~RecTexture() override {
    for (Level& l : levels_) delete l.surface;
  }

  REC_RESOURCE_COMMON(D3DRTYPE_TEXTURE)
  REC_PRIVATE_DATA
  ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
  DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) override {
    const DWORD old = lod_;
    lod_ = lod;
    return old;
  }
  DWORD STDMETHODCALLTYPE GetLOD() override { return lod_; }
  DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
#ifdef _WIN32
  HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return D3D_OK; }
  D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override { return D3DTEXF_LINEAR; }
  void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
  HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }
#endif
  HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0, levels_[level].w, levels_[level].h};
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** out) override {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    if (!levels_[level].surface) levels_[level].surface = new RecSurface(device_, this, level);
    DoAddRef();
    *out = levels_[level].surface;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* lr, const RECT* rect, DWORD flags) override {
    // The level and the rectangle (none for the whole level), then the flags.
    if (rect) {
      device_->Record("Texture::LockRect",
                      {level, static_cast<std::uint64_t>(rect->left), static_cast<std::uint64_t>(rect->top),
                       static_cast<std::uint64_t>(rect->right), static_cast<std::uint64_t>(rect->bottom), flags},
                      {}, Label());
    } else {
      device_->Record("Texture::LockRect", {level, flags}, {}, Label());
    }
    if (!lr || level >= levels_.size() || (pool_ == D3DPOOL_DEFAULT && !(usage_ & D3DUSAGE_DYNAMIC)))
      return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    const UINT pitch = RecordingPitch(format_, l.w);
    const UINT x = rect ? static_cast<UINT>(rect->left) : 0, y = rect ? static_cast<UINT>(rect->top) : 0;
    if (rect && (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(l.w) ||
                 rect->bottom > static_cast<LONG>(l.h) || rect->left >= rect->right || rect->top >= rect->bottom))
      return D3DERR_INVALIDCALL;
    lr->Pitch = static_cast<INT>(pitch);
    lr->pBits =
        l.memory.data() + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * BytesPerPixel(format_);
    l.locked = true;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override {
    device_->Record("Texture::UnlockRect", {level}, {}, Label());
    if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
    levels_[level].locked = false;
    return D3D_OK;
  }
  std::uint8_t* LevelMemory(UINT level) { return levels_[level].memory.data(); }
  UINT LevelWidth(UINT level) const { return levels_[level].w; }
  UINT LevelHeight(UINT level) const { return levels_[level].h; }
  D3DFORMAT format() const { return format_; }
  DWORD usage() const { return usage_; }
  D3DPOOL pool() const { return pool_; }

 private:
  struct Level {
    UINT w, h;
    std::vector<std::uint8_t> memory;
    RecSurface* surface;
    bool locked;
  };
  D3DFORMAT format_;
  DWORD usage_;
  D3DPOOL pool_;
  DWORD lod_ = 0;
  std::vector<Level> levels_;
};

RecSurface::RecSurface(RecordingDevice* d, RecTexture* container, UINT level)
    : Counted(d, true, false, container->Label()), container_(container), level_(level) {
  container->GetLevelDesc(level, &desc_);
}
ULONG RecSurface::AddRef() { return container_ ? container_->AddRef() : DoAddRef(); }
ULONG RecSurface::Release() { return container_ ? container_->Release() : DoRelease(); }
std::uint8_t* RecSurface::Memory() { return container_ ? container_->LevelMemory(level_) : memory_.data(); }
HRESULT RecSurface::LockRect(D3DLOCKED_RECT* lr, const RECT* rect, DWORD flags) {
  if (container_) return container_->LockRect(level_, lr, rect, flags);
  device_->Record("Surface::LockRect", {flags}, {}, Label());
  if (!lr) return D3DERR_INVALIDCALL;
  const UINT x = rect ? static_cast<UINT>(rect->left) : 0, y = rect ? static_cast<UINT>(rect->top) : 0;
  lr->Pitch = static_cast<INT>(Pitch());
  lr->pBits = memory_.data() + static_cast<std::size_t>(y) * Pitch() +
              static_cast<std::size_t>(x) * BytesPerPixel(desc_.Format);
  return D3D_OK;
}
HRESULT RecSurface::UnlockRect() {
  if (container_) return container_->UnlockRect(level_);
  device_->Record("Surface::UnlockRect", {}, {}, Label());
  return D3D_OK;
}

template <class Iface, D3DRESOURCETYPE kType, class Desc>
class RecBuffer final : public Iface, public Counted {
 public:
  RecBuffer(RecordingDevice* d, UINT size, DWORD usage, DWORD fvfOrFormat, D3DPOOL pool)
      : Counted(d, false, pool == D3DPOOL_DEFAULT, d->NextLabel(kType == D3DRTYPE_VERTEXBUFFER ? "vb" : "ib")),
        data_(size, d->fill),
        usage_(usage),
        fvfOrFormat_(fvfOrFormat),
        pool_(pool) {}

  REC_RESOURCE_COMMON(kType)
  REC_PRIVATE_DATA
  ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
  HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** out, DWORD flags) override {
    device_->Record(kType == D3DRTYPE_VERTEXBUFFER ? "VertexBuffer::Lock" : "IndexBuffer::Lock", {offset, size, flags},
                    {}, Label());
    if (!out || offset > data_.size() || (size && size > data_.size() - offset)) return D3DERR_INVALIDCALL;
    *out = data_.data() + offset;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE Unlock() override {
    device_->Record(kType == D3DRTYPE_VERTEXBUFFER ? "VertexBuffer::Unlock" : "IndexBuffer::Unlock", {}, {}, Label());
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDesc(Desc* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    Fill(desc);
    return D3D_OK;
  }

 private:
  void Fill(D3DVERTEXBUFFER_DESC* d) const {
    *d = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, static_cast<UINT>(data_.size()), fvfOrFormat_};
  }
  void Fill(D3DINDEXBUFFER_DESC* d) const {
    *d = {static_cast<D3DFORMAT>(fvfOrFormat_), D3DRTYPE_INDEXBUFFER, usage_, pool_, static_cast<UINT>(data_.size())};
  }
  std::vector<std::uint8_t> data_;
  DWORD usage_;
  DWORD fvfOrFormat_;
  D3DPOOL pool_;

 public:
  // For the draw checks (no Lock recorded): the bytes, and the index format of an index buffer.
  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  std::vector<std::uint8_t>& Bytes() { return data_; }
  DWORD FvfOrFormat() const { return fvfOrFormat_; }
};

using RecVertexBuffer = RecBuffer<IDirect3DVertexBuffer9, D3DRTYPE_VERTEXBUFFER, D3DVERTEXBUFFER_DESC>;
using RecIndexBuffer = RecBuffer<IDirect3DIndexBuffer9, D3DRTYPE_INDEXBUFFER, D3DINDEXBUFFER_DESC>;

Counted* AsCounted(IUnknown* u) {
  if (!u) return nullptr;
  // A bound level surface keeps its texture alive.
  if (auto* s = dynamic_cast<RecSurface*>(u); s && s->container()) return s->container();
  return dynamic_cast<Counted*>(u);
}

// Binding helper: the device keeps bound objects alive without changing their public count.
template <class T>
void Rebind(T*& slot, T* value) {
  if (slot == value) return;
  if (Counted* c = AsCounted(value)) c->Bind();
  T* old = slot;
  slot = value;
  if (Counted* c = AsCounted(old)) c->Unbind();
}

}  // namespace

UINT RecordingPitch(D3DFORMAT format, UINT width) {
  if (format == D3DFMT_DXT1) return std::max(1u, (width + 3) / 4) * 8;
  if (format == D3DFMT_DXT3 || format == D3DFMT_DXT5) return std::max(1u, (width + 3) / 4) * 16;
  const UINT b = width * BytesPerPixel(format);
  return (b + 3) & ~3u;
}

std::string Call::Text() const {
  // Arguments print as signed numbers: a negative INT or BOOL (-1) recorded sign-extended reads as such.
  std::string s = method + "(" + on;
  char buf[32];
  bool first = on.empty();
  for (std::size_t i = 0; i < args.size(); ++i, first = false) {
    std::snprintf(buf, sizeof buf, "%s%lld", first ? "" : ", ", static_cast<long long>(args[i]));
    s += buf;
  }
  for (std::size_t i = 0; i < floats.size(); ++i, first = false) {
    std::snprintf(buf, sizeof buf, "%s%g", first ? "" : ", ", static_cast<double>(floats[i]));
    s += buf;
  }
  return s + ")";
}

std::vector<std::string> Texts(const std::vector<Call>& calls, const std::set<std::string>& only) {
  std::vector<std::string> out;
  for (const Call& c : calls)
    if (only.empty() || only.count(c.method)) out.push_back(c.Text());
  return out;
}

std::uint32_t Level::Pixel(UINT x, UINT y) const {
  const UINT bytes = RecordingBytesPerPixel(format);
  const std::uint8_t* p = bits + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * bytes;
  std::uint32_t value = 0;
  for (UINT i = 0; i < bytes && i < 4; ++i) value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return value;
}

void Level::SetPixel(UINT x, UINT y, std::uint32_t value) {
  const UINT bytes = RecordingBytesPerPixel(format);
  std::uint8_t* p = bits + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * bytes;
  for (UINT i = 0; i < bytes && i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Level LevelOf(IDirect3DBaseTexture9* texture, UINT level) {
  Level out;
  auto* t = dynamic_cast<RecTexture*>(texture);
  if (!t || level >= t->GetLevelCount()) return out;
  out.bits = t->LevelMemory(level);
  out.width = t->LevelWidth(level);
  out.height = t->LevelHeight(level);
  out.format = t->format();
  out.pitch = RecordingPitch(out.format, out.width);
  return out;
}

std::vector<std::uint8_t>* BytesOf(IUnknown* buffer) {
  if (auto* v = dynamic_cast<RecVertexBuffer*>(buffer)) return &v->Bytes();
  if (auto* i = dynamic_cast<RecIndexBuffer*>(buffer)) return &i->Bytes();
  return nullptr;
}

std::string LabelOf(IUnknown* resource) {
  const Counted* c = AsCounted(resource);
  return c ? c->Label() : std::string();
}

D3DCAPS9 DefaultCaps() {
  D3DCAPS9 c = {};
  c.DeviceType = D3DDEVTYPE_HAL;
  c.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWRASTERIZATION;
  c.PrimitiveMiscCaps = D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  c.MaxTextureWidth = c.MaxTextureHeight = 8192;
  c.MaxPrimitiveCount = 0x555555;
  c.MaxVertexIndex = 0xffffff;
  c.MaxActiveLights = 8;
  c.MaxTextureBlendStages = c.MaxSimultaneousTextures = 8;
  c.MaxStreams = 1;
  c.MaxStreamStride = 1024;
  return c;
}

// ---- RecordingDirect3D -----------------------------------------------------------------------------

RecordingDirect3D::RecordingDirect3D() : caps(DefaultCaps()) {
  std::snprintf(identifier.Driver, sizeof identifier.Driver, "recording");
  std::snprintf(identifier.Description, sizeof identifier.Description, "Recording Direct3D 9");
  textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                    D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8,     D3DFMT_A8};
  depthFormats = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D24S8, D3DFMT_D24X8};
}

void RecordingDirect3D::Record(const char* method, std::vector<std::uint64_t> args) {
  calls.push_back({method, std::move(args), {}});
  if (journal) journal->push_back(calls.back());
}

HRESULT RecordingDirect3D::QueryInterface(REFIID, void** ppv) {
  if (ppv) *ppv = nullptr;
  return E_NOINTERFACE;
}
ULONG RecordingDirect3D::AddRef() { return ++ref_; }
ULONG RecordingDirect3D::Release() {
  if (recordReleases) {
    calls.push_back({"Release", {}, {}, "d3d"});
    if (journal) journal->push_back(calls.back());
  }
  if (ref_ == 0) return 0;
  if (--ref_ > 0) return ref_;
  delete this;
  return 0;
}
UINT RecordingDirect3D::GetAdapterCount() { return 1; }
HRESULT RecordingDirect3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) {
  Record("GetAdapterIdentifier", {adapter, flags});
  if (!id || adapter != 0) return D3DERR_INVALIDCALL;
  *id = identifier;
  return D3D_OK;
}
UINT RecordingDirect3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  Record("GetAdapterModeCount", {adapter, static_cast<std::uint64_t>(format)});
  return format == displayMode.Format ? 1 : 0;
}
HRESULT RecordingDirect3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) {
  Record("EnumAdapterModes", {adapter, static_cast<std::uint64_t>(format), mode});
  if (!out || format != displayMode.Format || mode != 0) return D3DERR_INVALIDCALL;
  *out = displayMode;
  return D3D_OK;
}
HRESULT RecordingDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  Record("GetAdapterDisplayMode", {adapter});
  if (!mode || adapter != 0) return D3DERR_INVALIDCALL;
  *mode = displayMode;
  return D3D_OK;
}
HRESULT RecordingDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT af, D3DFORMAT bf, BOOL windowed) {
  Record("CheckDeviceType", {adapter, static_cast<std::uint64_t>(type), static_cast<std::uint64_t>(af),
                             static_cast<std::uint64_t>(bf), static_cast<std::uint64_t>(windowed)});
  return D3D_OK;
}
HRESULT RecordingDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT af, DWORD usage,
                                             D3DRESOURCETYPE rtype, D3DFORMAT format) {
  Record("CheckDeviceFormat", {adapter, static_cast<std::uint64_t>(type), static_cast<std::uint64_t>(af), usage,
                               static_cast<std::uint64_t>(rtype), static_cast<std::uint64_t>(format)});
  const auto& set = (usage & D3DUSAGE_DEPTHSTENCIL) ? depthFormats : textureFormats;
  return set.count(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
}
HRESULT RecordingDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, BOOL,
                                                      D3DMULTISAMPLE_TYPE ms, DWORD* quality) {
  Record("CheckDeviceMultiSampleType", {adapter, static_cast<std::uint64_t>(type), static_cast<std::uint64_t>(ms)});
  if (quality) *quality = 1;
  return ms == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}
HRESULT RecordingDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT af, D3DFORMAT rt,
                                                  D3DFORMAT ds) {
  Record("CheckDepthStencilMatch", {adapter, static_cast<std::uint64_t>(type), static_cast<std::uint64_t>(af),
                                    static_cast<std::uint64_t>(rt), static_cast<std::uint64_t>(ds)});
  return depthFormats.count(ds) ? D3D_OK : D3DERR_NOTAVAILABLE;
}
HRESULT RecordingDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* out) {
  Record("GetDeviceCaps", {adapter, static_cast<std::uint64_t>(type)});
  if (!out || adapter != 0) return D3DERR_INVALIDCALL;
  if (type == D3DDEVTYPE_HAL && FAILED(halCapsResult)) {
    *out = {};
    return halCapsResult;
  }
  *out = caps;
  out->DeviceType = type;
  return D3D_OK;
}
HRESULT RecordingDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                        D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** out) {
  Record("CreateDevice", {adapter, static_cast<std::uint64_t>(type), P(focus), flags});
  if (!out || !params) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (FAILED(createDeviceResult)) return createDeviceResult;
  if (params->BackBufferCount == 0) params->BackBufferCount = 1;
  if (params->BackBufferFormat == D3DFMT_UNKNOWN) params->BackBufferFormat = displayMode.Format;
  auto* dev = new RecordingDevice(this, *params);
  Prepare(dev, type);
  *out = dev;
  return D3D_OK;
}

void RecordingDirect3D::Prepare(RecordingDevice* dev, D3DDEVTYPE type) {
  dev->caps = caps;
  dev->caps.DeviceType = type;
  dev->displayMode = displayMode;
  dev->availableTextureMem = availableTextureMem;
  dev->fill = fill;
  dev->resetRule = resetRule;
  dev->recordReleases = recordReleases;
  dev->journal = journal;
  lastDevice = dev;
}
#ifdef _WIN32
HRESULT RecordingDirect3D::RegisterSoftwareDevice(void*) { return D3DERR_INVALIDCALL; }
HMONITOR RecordingDirect3D::GetAdapterMonitor(UINT) { return nullptr; }
HRESULT RecordingDirect3D::CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) { return D3D_OK; }
#endif

// ---- RecordingDevice -------------------------------------------------------------------------------

RecordingDevice::RecordingDevice(RecordingDirect3D* parent, const D3DPRESENT_PARAMETERS& params)
    : caps(DefaultCaps()), label(parent ? parent->NextLabel("device") : "device0"), parent_(parent), params_(params) {
  if (parent_) ++parent_->ref_;
  const UINT w = params.BackBufferWidth ? params.BackBufferWidth : 640;
  const UINT h = params.BackBufferHeight ? params.BackBufferHeight : 480;
  const D3DFORMAT bf = params.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : params.BackBufferFormat;
  backBuffer_ = new RecSurface(this, bf, w, h, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, true, "backbuffer0");
  if (params.EnableAutoDepthStencil) {
    depth_ = new RecSurface(this, params.AutoDepthStencilFormat, w, h, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, true,
                            "depth0");
  }
  SetDefaults();
}

RecordingDevice::~RecordingDevice() {
  for (auto& t : textures_) Rebind<IDirect3DBaseTexture9>(t, nullptr);
  Rebind<IDirect3DVertexBuffer9>(stream_, nullptr);
  Rebind<IDirect3DIndexBuffer9>(indices_, nullptr);
  Rebind<IDirect3DSurface9>(renderTarget_, nullptr);
  delete static_cast<RecSurface*>(backBuffer_);
  delete static_cast<RecSurface*>(depth_);
  if (parent_) {
    if (parent_->lastDevice == this) parent_->lastDevice = nullptr;
    if (--parent_->ref_ == 0) delete parent_;
  }
}

void RecordingDevice::Unhold() {
  if (ref_ > 0 && --ref_ == 0) delete this;
}

void RecordingDevice::SetDefaults() {
  renderStates_.clear();
  stageStates_.clear();
  samplerStates_.clear();
  transforms_.clear();
  lights_.clear();
  lightEnabled_.clear();
  material_ = {};
  fvf_ = 0;
  const DWORD rs[][2] = {{D3DRS_ZENABLE, params_.EnableAutoDepthStencil ? 1u : 0u},
                         {D3DRS_FILLMODE, D3DFILL_SOLID},
                         {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
                         {D3DRS_ZWRITEENABLE, TRUE},
                         {D3DRS_SRCBLEND, D3DBLEND_ONE},
                         {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                         {D3DRS_CULLMODE, D3DCULL_CCW},
                         {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                         {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
                         {D3DRS_LIGHTING, TRUE},
                         {D3DRS_COLORVERTEX, TRUE},
                         {D3DRS_LOCALVIEWER, TRUE},
                         {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
                         {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
                         {D3DRS_TEXTUREFACTOR, 0xffffffffu},
                         {D3DRS_BLENDOP, D3DBLENDOP_ADD},
                         {D3DRS_COLORWRITEENABLE, 0xf}};
  for (const auto& p : rs) renderStates_[p[0]] = p[1];
  for (DWORD s = 0; s < 8; ++s) {
    stageStates_[{s, D3DTSS_COLOROP}] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    stageStates_[{s, D3DTSS_COLORARG1}] = D3DTA_TEXTURE;
    stageStates_[{s, D3DTSS_COLORARG2}] = D3DTA_CURRENT;
    stageStates_[{s, D3DTSS_ALPHAOP}] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    stageStates_[{s, D3DTSS_ALPHAARG1}] = D3DTA_TEXTURE;
    stageStates_[{s, D3DTSS_ALPHAARG2}] = D3DTA_CURRENT;
    stageStates_[{s, D3DTSS_TEXCOORDINDEX}] = s;
    for (DWORD t : {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_ADDRESSW}) samplerStates_[{s, t}] = D3DTADDRESS_WRAP;
    samplerStates_[{s, D3DSAMP_MAGFILTER}] = D3DTEXF_POINT;
    samplerStates_[{s, D3DSAMP_MINFILTER}] = D3DTEXF_POINT;
    samplerStates_[{s, D3DSAMP_MAXANISOTROPY}] = 1;
  }
  D3DSURFACE_DESC d;
  backBuffer_->GetDesc(&d);
  viewport_ = {0, 0, d.Width, d.Height, 0.0f, 1.0f};
  scissor_ = {0, 0, static_cast<LONG>(d.Width), static_cast<LONG>(d.Height)};
  for (auto& t : textures_) Rebind<IDirect3DBaseTexture9>(t, nullptr);
  Rebind<IDirect3DVertexBuffer9>(stream_, nullptr);
  Rebind<IDirect3DIndexBuffer9>(indices_, nullptr);
  Rebind<IDirect3DSurface9>(renderTarget_, backBuffer_);
  streamOffset_ = streamStride_ = 0;
}

void RecordingDevice::Record(const char* method, std::vector<std::uint64_t> args, std::vector<float> floats,
                             const std::string& on) {
  calls.push_back({method, std::move(args), std::move(floats), on});
  if (journal) journal->push_back(calls.back());
}

std::size_t RecordingDevice::Count(const std::string& method) const {
  return static_cast<std::size_t>(
      std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.method == method; }));
}

std::vector<std::string> RecordingDevice::Texts(const std::set<std::string>& only) const {
  return d3d9rec::Texts(calls, only);
}

HRESULT RecordingDevice::QueryInterface(REFIID, void** ppv) {
  if (ppv) *ppv = nullptr;
  return E_NOINTERFACE;
}
ULONG RecordingDevice::AddRef() { return ++ref_; }
ULONG RecordingDevice::Release() {
  if (recordReleases) Record("Release", {}, {}, "device");
  if (ref_ == 0) return 0;
  if (--ref_ > 0) return ref_;
  delete this;
  return 0;
}

HRESULT RecordingDevice::TestCooperativeLevel() {
  Record("TestCooperativeLevel", {});
  if (cooperativeResults.empty()) return D3D_OK;
  const HRESULT hr = cooperativeResults.front();
  cooperativeResults.pop_front();
  return hr;
}
UINT RecordingDevice::GetAvailableTextureMem() {
  Record("GetAvailableTextureMem", {});
  return availableTextureMem;
}
HRESULT RecordingDevice::EvictManagedResources() {
  Record("EvictManagedResources", {});
  return D3D_OK;
}
HRESULT RecordingDevice::GetDirect3D(IDirect3D9** out) {
  Record("GetDirect3D", {});
  if (!out || !parent_) return D3DERR_INVALIDCALL;
  parent_->AddRef();
  *out = parent_;
  return D3D_OK;
}
HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* out) {
  Record("GetDeviceCaps", {});
  if (!out) return D3DERR_INVALIDCALL;
  *out = caps;
  return D3D_OK;
}
HRESULT RecordingDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  Record("GetDisplayMode", {swapChain});
  if (!mode) return D3DERR_INVALIDCALL;
  *mode = displayMode;
  return D3D_OK;
}
HRESULT RecordingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
  Record("GetCreationParameters", {});
  if (!p) return D3DERR_INVALIDCALL;
  *p = {0, D3DDEVTYPE_HAL, params_.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING};
  return D3D_OK;
}
HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* params) {
  if (!params) {
    Record("Reset", {0, 0});
    return D3DERR_INVALIDCALL;
  }
  // Size, format and count of the back buffers, windowed, auto depth and its format.
  Record("Reset",
         {params->BackBufferWidth, params->BackBufferHeight, static_cast<std::uint64_t>(params->BackBufferFormat),
          params->BackBufferCount, static_cast<std::uint64_t>(static_cast<std::int64_t>(params->Windowed)),
          static_cast<std::uint64_t>(static_cast<std::int64_t>(params->EnableAutoDepthStencil)),
          static_cast<std::uint64_t>(params->AutoDepthStencilFormat)});
  if (FAILED(resetResult)) return resetResult;
  if (resetRule && (liveDefaultPool_ > 0 || static_cast<RecSurface*>(backBuffer_)->Refs() > 0 ||
                    (depth_ && static_cast<RecSurface*>(depth_)->Refs() > 0)))
    return D3DERR_INVALIDCALL;
  SetDefaults();
  return resetResult;
}
HRESULT RecordingDevice::Present(const RECT* src, const RECT* dst, HWND window, const RGNDATA* dirty) {
  Record("Present", {P(src), P(dst), P(window), P(dirty)});
  return D3D_OK;
}
HRESULT RecordingDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** out) {
  Record("GetBackBuffer", {swapChain, index, static_cast<std::uint64_t>(type)});
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (swapChain != 0 || index != 0) return D3DERR_INVALIDCALL;
  backBuffer_->AddRef();
  *out = backBuffer_;
  return D3D_OK;
}
HRESULT RecordingDevice::CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                       IDirect3DTexture9** out, HANDLE* shared) {
  Record("CreateTexture", {w, h, levels, usage, static_cast<std::uint64_t>(format), static_cast<std::uint64_t>(pool)});
  if (!out || shared || w == 0 || h == 0) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (w > caps.MaxTextureWidth || h > caps.MaxTextureHeight) return D3DERR_INVALIDCALL;
  if (levels == 0) {
    UINT m = std::max(w, h);
    levels = 1;
    while (m > 1) m >>= 1, ++levels;
  }
  *out = new RecTexture(this, w, h, levels, usage, format, pool);
  return D3D_OK;
}
HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** out, HANDLE* shared) {
  Record("CreateVertexBuffer", {length, usage, fvf, static_cast<std::uint64_t>(pool)});
  if (!out || shared) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (FAILED(createBufferResult)) return createBufferResult;
  if (length == 0) return E_INVALIDARG;
  *out = new RecVertexBuffer(this, length, usage, fvf, pool);
  return D3D_OK;
}
HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** out, HANDLE* shared) {
  Record("CreateIndexBuffer", {length, usage, static_cast<std::uint64_t>(format), static_cast<std::uint64_t>(pool)});
  if (!out || shared) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (FAILED(createBufferResult)) return createBufferResult;
  if (length == 0) return E_INVALIDARG;
  *out = new RecIndexBuffer(this, length, usage, static_cast<DWORD>(format), pool);
  return D3D_OK;
}
HRESULT RecordingDevice::CreateRenderTarget(UINT w, UINT h, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms, DWORD,
                                            BOOL lockable, IDirect3DSurface9** out, HANDLE* shared) {
  Record("CreateRenderTarget", {w, h, static_cast<std::uint64_t>(format), static_cast<std::uint64_t>(ms),
                                static_cast<std::uint64_t>(lockable)});
  if (!out || shared || w == 0 || h == 0) return D3DERR_INVALIDCALL;
  *out = new RecSurface(this, format, w, h, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, false, NextLabel("surface"));
  return D3D_OK;
}
HRESULT RecordingDevice::GetRenderTargetData(IDirect3DSurface9* rt, IDirect3DSurface9* dst) {
  Record("GetRenderTargetData", {P(rt), P(dst)});
  auto* s = dynamic_cast<RecSurface*>(rt);
  auto* d = dynamic_cast<RecSurface*>(dst);
  if (!s || !d) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC sd, dd;
  s->GetDesc(&sd);
  d->GetDesc(&dd);
  if (sd.Width != dd.Width || sd.Height != dd.Height || sd.Format != dd.Format || dd.Pool != D3DPOOL_SYSTEMMEM)
    return D3DERR_INVALIDCALL;
  for (UINT y = 0; y < sd.Height; ++y)
    std::memcpy(d->Memory() + static_cast<std::size_t>(y) * d->Pitch(),
                s->Memory() + static_cast<std::size_t>(y) * s->Pitch(), s->Pitch());
  return D3D_OK;
}
HRESULT RecordingDevice::CreateOffscreenPlainSurface(UINT w, UINT h, D3DFORMAT format, D3DPOOL pool,
                                                     IDirect3DSurface9** out, HANDLE* shared) {
  Record("CreateOffscreenPlainSurface", {w, h, static_cast<std::uint64_t>(format), static_cast<std::uint64_t>(pool)});
  if (!out || shared || w == 0 || h == 0) return D3DERR_INVALIDCALL;
  *out = new RecSurface(this, format, w, h, 0, pool, false, NextLabel("surface"));
  return D3D_OK;
}
HRESULT RecordingDevice::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  Record("SetRenderTarget", {index, P(surface)});
  if (index != 0 || !surface) return D3DERR_INVALIDCALL;
  Rebind(renderTarget_, surface);
  D3DSURFACE_DESC d;
  surface->GetDesc(&d);
  viewport_ = {0, 0, d.Width, d.Height, 0.0f, 1.0f};
  return D3D_OK;
}
HRESULT RecordingDevice::GetRenderTarget(DWORD index, IDirect3DSurface9** out) {
  Record("GetRenderTarget", {index});
  if (!out || index != 0) return D3DERR_INVALIDCALL;
  renderTarget_->AddRef();
  *out = renderTarget_;
  return D3D_OK;
}
HRESULT RecordingDevice::GetDepthStencilSurface(IDirect3DSurface9** out) {
  Record("GetDepthStencilSurface", {});
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!depth_) return D3DERR_NOTFOUND;
  depth_->AddRef();
  *out = depth_;
  return D3D_OK;
}
HRESULT RecordingDevice::BeginScene() {
  Record("BeginScene", {});
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}
HRESULT RecordingDevice::EndScene() {
  Record("EndScene", {});
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}
HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  Record("Clear", {count, P(rects), flags, color, stencil}, {z});
  return count && !rects ? D3DERR_INVALIDCALL : D3D_OK;
}
HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) {
  Record("SetTransform", {static_cast<std::uint64_t>(state)}, Floats(m, sizeof(D3DMATRIX)));
  if (!m) return D3DERR_INVALIDCALL;
  transforms_[static_cast<DWORD>(state)] = *m;
  return D3D_OK;
}
HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* m) {
  Record("GetTransform", {static_cast<std::uint64_t>(state)});
  if (!m) return D3DERR_INVALIDCALL;
  auto it = transforms_.find(static_cast<DWORD>(state));
  *m = it == transforms_.end() ? Identity() : it->second;
  return D3D_OK;
}
HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT9* vp) {
  if (!vp) {
    Record("SetViewport", {0});
    return D3DERR_INVALIDCALL;
  }
  Record("SetViewport", {vp->X, vp->Y, vp->Width, vp->Height}, {vp->MinZ, vp->MaxZ});
  viewport_ = *vp;
  return D3D_OK;
}
HRESULT RecordingDevice::GetViewport(D3DVIEWPORT9* vp) {
  Record("GetViewport", {});
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = viewport_;
  return D3D_OK;
}
HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* m) {
  Record("SetMaterial", {}, Floats(m, sizeof(D3DMATERIAL9)));
  if (!m) return D3DERR_INVALIDCALL;
  material_ = *m;
  return D3D_OK;
}
HRESULT RecordingDevice::GetMaterial(D3DMATERIAL9* m) {
  Record("GetMaterial", {});
  if (!m) return D3DERR_INVALIDCALL;
  *m = material_;
  return D3D_OK;
}
HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* l) {
  Record("SetLight", {index, l ? static_cast<std::uint64_t>(l->Type) : 0},
         l ? Floats(&l->Diffuse, sizeof(D3DLIGHT9) - sizeof(D3DLIGHTTYPE)) : std::vector<float>());
  if (!l) return D3DERR_INVALIDCALL;
  lights_[index] = *l;
  return D3D_OK;
}
HRESULT RecordingDevice::GetLight(DWORD index, D3DLIGHT9* l) {
  Record("GetLight", {index});
  auto it = lights_.find(index);
  if (!l || it == lights_.end()) return D3DERR_INVALIDCALL;
  *l = it->second;
  return D3D_OK;
}
HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
  Record("LightEnable", {index, static_cast<std::uint64_t>(static_cast<std::uint32_t>(enable))});
  lightEnabled_[index] = enable;
  return D3D_OK;
}
HRESULT RecordingDevice::GetLightEnable(DWORD index, BOOL* enable) {
  Record("GetLightEnable", {index});
  auto it = lightEnabled_.find(index);
  if (!enable || it == lightEnabled_.end()) return D3DERR_INVALIDCALL;
  *enable = it->second;
  return D3D_OK;
}
HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  Record("SetRenderState", {static_cast<std::uint64_t>(state), value});
  renderStates_[static_cast<DWORD>(state)] = value;
  return D3D_OK;
}
HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  Record("GetRenderState", {static_cast<std::uint64_t>(state)});
  if (!value) return D3DERR_INVALIDCALL;
  auto it = renderStates_.find(static_cast<DWORD>(state));
  *value = it == renderStates_.end() ? 0 : it->second;
  return D3D_OK;
}
HRESULT RecordingDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** out) {
  Record("GetTexture", {stage});
  if (!out || stage >= 16) return D3DERR_INVALIDCALL;
  *out = textures_[stage];
  if (*out) (*out)->AddRef();
  return D3D_OK;
}
HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  Record("SetTexture", {stage, P(texture)});
  if (stage >= 16) return D3DERR_INVALIDCALL;
  Rebind(textures_[stage], texture);
  return D3D_OK;
}
HRESULT RecordingDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  Record("GetTextureStageState", {stage, static_cast<std::uint64_t>(type)});
  if (!value) return D3DERR_INVALIDCALL;
  auto it = stageStates_.find({stage, static_cast<DWORD>(type)});
  *value = it == stageStates_.end() ? 0 : it->second;
  return D3D_OK;
}
HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  Record("SetTextureStageState", {stage, static_cast<std::uint64_t>(type), value});
  stageStates_[{stage, static_cast<DWORD>(type)}] = value;
  return D3D_OK;
}
HRESULT RecordingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  Record("GetSamplerState", {sampler, static_cast<std::uint64_t>(type)});
  if (!value) return D3DERR_INVALIDCALL;
  auto it = samplerStates_.find({sampler, static_cast<DWORD>(type)});
  *value = it == samplerStates_.end() ? 0 : it->second;
  return D3D_OK;
}
HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  Record("SetSamplerState", {sampler, static_cast<std::uint64_t>(type), value});
  samplerStates_[{sampler, static_cast<DWORD>(type)}] = value;
  return D3D_OK;
}
HRESULT RecordingDevice::SetScissorRect(const RECT* r) {
  Record("SetScissorRect",
         {r ? static_cast<std::uint64_t>(r->left) : 0, r ? static_cast<std::uint64_t>(r->top) : 0,
          r ? static_cast<std::uint64_t>(r->right) : 0, r ? static_cast<std::uint64_t>(r->bottom) : 0});
  if (!r) return D3DERR_INVALIDCALL;
  scissor_ = *r;
  return D3D_OK;
}
HRESULT RecordingDevice::GetScissorRect(RECT* r) {
  Record("GetScissorRect", {});
  if (!r) return D3DERR_INVALIDCALL;
  *r = scissor_;
  return D3D_OK;
}
namespace {

// Vertices (or indices) that `count` primitives of `type` take.
std::int64_t ElementsOf(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return 2 * std::int64_t{count};
    case D3DPT_LINESTRIP: return std::int64_t{count} + 1;
    case D3DPT_TRIANGLELIST: return 3 * std::int64_t{count};
    default: return std::int64_t{count} + 2;
  }
}

}  // namespace

HRESULT RecordingDevice::DrawFault(const char* fault) {
  drawFaults.push_back(calls.back().Text() + ": " + fault);
  return D3DERR_INVALIDCALL;
}

const char* RecordingDevice::VertexRangeFault(std::int64_t first, std::int64_t count) const {
  const auto* vb = dynamic_cast<const RecVertexBuffer*>(stream_);
  if (!vb || streamStride_ == 0) return "no vertex buffer bound";
  const auto size = static_cast<std::int64_t>(vb->Bytes().size());
  const std::int64_t vertices = streamOffset_ >= size ? 0 : (size - streamOffset_) / streamStride_;
  if (first < 0 || first + count > vertices) return "vertices outside the vertex buffer";
  return nullptr;
}

const char* RecordingDevice::IndexedDrawFault(D3DPRIMITIVETYPE type, INT base, UINT minIndex, UINT numVertices,
                                              UINT startIndex, UINT count) const {
  const auto* ib = dynamic_cast<const RecIndexBuffer*>(indices_);
  if (!ib) return "no index buffer bound";
  const std::int64_t width = ib->FvfOrFormat() == D3DFMT_INDEX32 ? 4 : 2;
  const std::int64_t indices = ElementsOf(type, count);
  const std::vector<std::uint8_t>& bytes = ib->Bytes();
  if ((std::int64_t{startIndex} + indices) * width > static_cast<std::int64_t>(bytes.size())) {
    return "indices outside the index buffer";
  }
  if (const char* fault = VertexRangeFault(std::int64_t{base} + minIndex, numVertices)) return fault;
  for (std::int64_t i = startIndex; i < startIndex + indices; ++i) {
    std::uint32_t index = 0;
    std::memcpy(&index, bytes.data() + i * width, static_cast<std::size_t>(width));
    if (index < minIndex || index - minIndex >= numVertices) return "an index outside MinVertexIndex..+NumVertices";
  }
  return nullptr;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
  Record("DrawPrimitive", {static_cast<std::uint64_t>(type), start, count});
  if (const char* fault = VertexRangeFault(start, ElementsOf(type, count))) return DrawFault(fault);
  return D3D_OK;
}
HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base, UINT minIndex, UINT numVertices,
                                              UINT startIndex, UINT count) {
  Record("DrawIndexedPrimitive",
         {static_cast<std::uint64_t>(type), static_cast<std::uint64_t>(static_cast<std::int64_t>(base)), minIndex,
          numVertices, startIndex, count});
  if (const char* fault = IndexedDrawFault(type, base, minIndex, numVertices, startIndex, count)) {
    return DrawFault(fault);
  }
  return D3D_OK;
}
HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
  // The vertices are recorded as floats (colours appear as their bit patterns).
  UINT verts = 0;
  switch (type) {
    case D3DPT_POINTLIST: verts = count; break;
    case D3DPT_LINELIST: verts = 2 * count; break;
    case D3DPT_LINESTRIP: verts = count + 1; break;
    case D3DPT_TRIANGLELIST: verts = 3 * count; break;
    default: verts = count + 2; break;
  }
  Record("DrawPrimitiveUP", {static_cast<std::uint64_t>(type), count, stride},
         Floats(data, data ? static_cast<std::size_t>(verts) * stride : 0));
  Rebind<IDirect3DVertexBuffer9>(stream_, nullptr);
  Rebind<IDirect3DIndexBuffer9>(indices_, nullptr);
  streamOffset_ = streamStride_ = 0;
  return data && stride ? D3D_OK : D3DERR_INVALIDCALL;
}
HRESULT RecordingDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                                const void* indices, D3DFORMAT format, const void*, UINT stride) {
  Record("DrawIndexedPrimitiveUP", {static_cast<std::uint64_t>(type), minIndex, numVertices, count, P(indices),
                                    static_cast<std::uint64_t>(format), stride});
  Rebind<IDirect3DVertexBuffer9>(stream_, nullptr);
  Rebind<IDirect3DIndexBuffer9>(indices_, nullptr);
  streamOffset_ = streamStride_ = 0;
  return D3D_OK;
}
HRESULT RecordingDevice::SetFVF(DWORD fvf) {
  Record("SetFVF", {fvf});
  fvf_ = fvf;
  return D3D_OK;
}
HRESULT RecordingDevice::GetFVF(DWORD* fvf) {
  Record("GetFVF", {});
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = fvf_;
  return D3D_OK;
}
HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* vb, UINT offset, UINT stride) {
  Record("SetStreamSource", {stream, P(vb), offset, stride});
  if (stream != 0) return D3DERR_INVALIDCALL;
  Rebind(stream_, vb);
  streamOffset_ = offset;
  streamStride_ = stride;
  return D3D_OK;
}
HRESULT RecordingDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** vb, UINT* offset, UINT* stride) {
  Record("GetStreamSource", {stream});
  if (!vb || !offset || !stride || stream != 0) return D3DERR_INVALIDCALL;
  *vb = stream_;
  if (stream_) stream_->AddRef();
  *offset = streamOffset_;
  *stride = streamStride_;
  return D3D_OK;
}
HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* ib) {
  Record("SetIndices", {P(ib)});
  Rebind(indices_, ib);
  return D3D_OK;
}
HRESULT RecordingDevice::GetIndices(IDirect3DIndexBuffer9** ib) {
  Record("GetIndices", {});
  if (!ib) return D3DERR_INVALIDCALL;
  *ib = indices_;
  if (indices_) indices_->AddRef();
  return D3D_OK;
}

}  // namespace d3d9rec
