#include "resources.h"

#include "device.h"

#include <algorithm>
#include <cstring>

namespace d3d9gl {

// ---- Resource ------------------------------------------------------------------------------------

Resource::Resource(DeviceImpl* device, D3DPOOL pool, D3DRESOURCETYPE type, std::uint64_t videoBytes, bool implicit)
    : device_(device), ref_(implicit ? 0 : 1), pool_(pool), type_(type), videoBytes_(videoBytes), implicit_(implicit) {
  if (!implicit) device_->AddRef();
  device_->Register(this);
}

Resource::~Resource() { device_->Unregister(this); }

ULONG Resource::DoAddRef() {
  if (ref_ == 0) device_->AddRef();
  return ++ref_;
}

ULONG Resource::DoRelease() {
  if (!LastRelease(&ref_)) return ref_;
  DeviceImpl* device = device_;
  if (!implicit_ && bind_ == 0) delete this;
  // May destroy the device, which destroys what it still binds, this object included: nothing
  // of this object is touched afterwards.
  device->Release();
  return 0;
}

HRESULT Resource::DeviceOut(IDirect3DDevice9** out) const {
  if (!out) return D3DERR_INVALIDCALL;
  return HandOut(device_, out);
}

void Resource::Unbind() {
  if (bind_ > 0) --bind_;
  if (bind_ == 0 && ref_ == 0 && !implicit_) delete this;
}

namespace {

bool RectInside(const RECT& r, UINT width, UINT height) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && static_cast<UINT>(r.right) <= width &&
         static_cast<UINT>(r.bottom) <= height;
}

void Unite(RECT& acc, bool& has, const RECT& r) {
  if (!has) {
    acc = r;
    has = true;
    return;
  }
  acc.left = std::min(acc.left, r.left);
  acc.top = std::min(acc.top, r.top);
  acc.right = std::max(acc.right, r.right);
  acc.bottom = std::max(acc.bottom, r.bottom);
}

}  // namespace

// ---- TextureImpl ---------------------------------------------------------------------------------

TextureImpl::TextureImpl(DeviceImpl* device, const FormatInfo& format, UINT width, UINT height, UINT levels,
                         DWORD usage, D3DPOOL pool, std::uint64_t videoBytes)
    : Resource(device, pool, D3DRTYPE_TEXTURE, videoBytes, false), format_(&format), usage_(usage) {
  std::size_t offset = 0;
  levels_.resize(levels);
  for (UINT i = 0; i < levels; ++i) {
    Level& l = levels_[i];
    l.width = MipSize(width, i);
    l.height = MipSize(height, i);
    l.pitch = FormatPitch(format, l.width);
    l.rows = FormatRows(format, l.height);
    l.offset = offset;
    offset += static_cast<std::size_t>(l.pitch) * l.rows;
  }
  const bool lockable = (usage & D3DUSAGE_RENDERTARGET) == 0 && (pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC));
  if (lockable) memory_.assign(offset, 0);
  if (pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH) return;

  const Gl& gl = device->gl();
  gl.GenTextures(1, &glTexture_);
  device->BindUploadTexture(glTexture_);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
  gl.TexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
  gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  for (UINT i = 0; i < levels; ++i) {
    const Level& l = levels_[i];
    const void* data = memory_.empty() ? nullptr : memory_.data() + l.offset;
    if (format.blockBytes) {
      gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
      gl.CompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), format.internalFormat,
                              static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height), 0,
                              static_cast<GLsizei>(l.pitch * l.rows), data);
    } else {
      gl.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(l.pitch / format.bytesPerPixel));
      gl.TexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), static_cast<GLint>(format.internalFormat),
                    static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height), 0,
                    format.uploadFormat ? format.uploadFormat : GL_RGBA,
                    format.uploadType ? format.uploadType : GL_UNSIGNED_BYTE, data);
    }
  }
  gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

TextureImpl::~TextureImpl() {
  for (Level& l : levels_) {
    if (l.surface) {
      device_->ForgetSurface(l.surface);
      delete l.surface;
      l.surface = nullptr;
    }
  }
  if (glTexture_) {
    device_->MakeCurrent();
    device_->ForgetTexture(glTexture_);
    device_->gl().DeleteTextures(1, &glTexture_);
  }
}

HRESULT TextureImpl::QueryInterface(REFIID, void** ppv) { return NoInterface(ppv); }

HRESULT TextureImpl::GetDevice(IDirect3DDevice9** out) { return DeviceOut(out); }

DWORD TextureImpl::SetPriority(DWORD p) { return pool() == D3DPOOL_MANAGED ? SwapPriority(p) : priority_; }

DWORD TextureImpl::SetLOD(DWORD lod) {
  const DWORD old = lod_;
  if (pool() != D3DPOOL_MANAGED) return 0;
  lod_ = std::min<DWORD>(lod, static_cast<DWORD>(levels_.size() - 1));
  return old;
}

HRESULT TextureImpl::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
  desc->Format = format_->format;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = usage_;
  desc->Pool = pool();
  desc->MultiSampleType = D3DMULTISAMPLE_NONE;
  desc->MultiSampleQuality = 0;
  desc->Width = levels_[level].width;
  desc->Height = levels_[level].height;
  return D3D_OK;
}

SurfaceImpl* TextureImpl::LevelSurface(UINT level) {
  Level& l = levels_[level];
  if (!l.surface) l.surface = new SurfaceImpl(device_, this, level);
  return l.surface;
}

HRESULT TextureImpl::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  SurfaceImpl* s = LevelSurface(level);
  DoAddRef();
  *surface = s;
  return D3D_OK;
}

HRESULT TextureImpl::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (!locked || level >= levels_.size() || memory_.empty()) return D3DERR_INVALIDCALL;
  Level& l = levels_[level];
  if (l.locks > 0) return D3DERR_INVALIDCALL;
  RECT r = {0, 0, static_cast<LONG>(l.width), static_cast<LONG>(l.height)};
  if (rect) {
    if (!RectInside(*rect, l.width, l.height)) return D3DERR_INVALIDCALL;
    r = *rect;
  }
  UINT x = static_cast<UINT>(r.left), y = static_cast<UINT>(r.top);
  if (format_->blockBytes) {
    x /= 4;
    y /= 4;
  }
  const UINT unit = format_->blockBytes ? format_->blockBytes : format_->bytesPerPixel;
  locked->Pitch = static_cast<INT>(l.pitch);
  locked->pBits =
      memory_.data() + l.offset + static_cast<std::size_t>(y) * l.pitch + static_cast<std::size_t>(x) * unit;
  ++l.locks;
  if (!(flags & D3DLOCK_READONLY) && !(flags & D3DLOCK_NO_DIRTY_UPDATE)) {
    bool has = l.dirty;
    Unite(l.dirtyRect, has, r);
    l.dirty = true;
  }
  return D3D_OK;
}

HRESULT TextureImpl::UnlockRect(UINT level) {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  Level& l = levels_[level];
  if (l.locks == 0) return D3DERR_INVALIDCALL;
  --l.locks;
  if (l.dirty && glTexture_) {
    device_->MakeCurrent();
    Upload(level, l.dirtyRect);
  }
  l.dirty = false;
  return D3D_OK;
}

void TextureImpl::Upload(UINT level, const RECT& rect) {
  const Gl& gl = device_->gl();
  const Level& l = levels_[level];
  device_->BindUploadTexture(glTexture_);
  gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (format_->blockBytes) {
    // Whole block rows: compressed updates must cover complete blocks.
    const UINT y0 = static_cast<UINT>(rect.top) / 4 * 4;
    const UINT y1 = std::min<UINT>((static_cast<UINT>(rect.bottom) + 3) / 4 * 4, l.height);
    const std::uint8_t* src = memory_.data() + l.offset + static_cast<std::size_t>(y0 / 4) * l.pitch;
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    gl.CompressedTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, static_cast<GLint>(y0),
                               static_cast<GLsizei>(l.width), static_cast<GLsizei>(y1 - y0), format_->internalFormat,
                               static_cast<GLsizei>(l.pitch * ((y1 - y0 + 3) / 4)), src);
  } else {
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(l.pitch / format_->bytesPerPixel));
    gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, rect.left);
    gl.PixelStorei(GL_UNPACK_SKIP_ROWS, rect.top);
    gl.TexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, format_->uploadFormat, format_->uploadType, memory_.data() + l.offset);
    gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  }
  gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  ++device_->stats().textureUploads;
}

// ---- SurfaceImpl ---------------------------------------------------------------------------------

SurfaceImpl::SurfaceImpl(DeviceImpl* device, TextureImpl* container, UINT level)
    : Resource(device, container->pool(), D3DRTYPE_SURFACE, 0, true),
      kind_(Kind::kTextureLevel),
      container_(container),
      level_(level),
      format_(&container->format()),
      width_(container->level(level).width),
      height_(container->level(level).height) {}

SurfaceImpl::SurfaceImpl(DeviceImpl* device, Kind kind, const FormatInfo& format, UINT width, UINT height, D3DPOOL pool,
                         bool lockable, bool implicit, std::uint64_t videoBytes)
    : Resource(device, pool, D3DRTYPE_SURFACE, videoBytes, implicit),
      kind_(kind),
      format_(&format),
      width_(width),
      height_(height),
      lockable_(lockable) {
  CreateStorage();
}

SurfaceImpl::~SurfaceImpl() {
  if (kind_ != Kind::kTextureLevel) DestroyStorage();
}

void SurfaceImpl::CreateStorage() {
  const Gl& gl = device_->gl();
  if (kind_ == Kind::kPlain) {
    memory_.assign(static_cast<std::size_t>(FormatPitch(*format_, width_)) * FormatRows(*format_, height_), 0);
  } else if (kind_ == Kind::kRenderTarget) {
    gl.GenTextures(1, &glTexture_);
    device_->BindUploadTexture(glTexture_);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.TexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format_->swizzle);
    gl.TexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format_->internalFormat), static_cast<GLsizei>(width_),
                  static_cast<GLsizei>(height_), 0, format_->uploadFormat, format_->uploadType, nullptr);
  } else if (kind_ == Kind::kDepthStencil) {
    gl.GenRenderbuffers(1, &glRenderbuffer_);
    gl.BindRenderbuffer(GL_RENDERBUFFER, glRenderbuffer_);
    gl.RenderbufferStorage(GL_RENDERBUFFER, format_->internalFormat, static_cast<GLsizei>(width_),
                           static_cast<GLsizei>(height_));
    gl.BindRenderbuffer(GL_RENDERBUFFER, 0);
  }
}

void SurfaceImpl::DestroyStorage() {
  device_->MakeCurrent();
  device_->ForgetSurface(this);
  const Gl& gl = device_->gl();
  if (glTexture_) {
    device_->ForgetTexture(glTexture_);
    gl.DeleteTextures(1, &glTexture_);
    glTexture_ = 0;
  }
  if (glRenderbuffer_) {
    gl.DeleteRenderbuffers(1, &glRenderbuffer_);
    glRenderbuffer_ = 0;
  }
  memory_.clear();
}

HRESULT SurfaceImpl::QueryInterface(REFIID, void** ppv) { return NoInterface(ppv); }

ULONG SurfaceImpl::AddRef() { return container_ ? container_->AddRef() : DoAddRef(); }
ULONG SurfaceImpl::Release() { return container_ ? container_->Release() : DoRelease(); }

HRESULT SurfaceImpl::GetDevice(IDirect3DDevice9** out) { return DeviceOut(out); }

DWORD SurfaceImpl::SetPriority(DWORD p) { return SwapPriority(p); }

D3DPOOL SurfaceImpl::surfacePool() const { return container_ ? container_->pool() : pool(); }

bool SurfaceImpl::isRenderTarget() const {
  return kind_ == Kind::kRenderTarget || (container_ && (container_->usage() & D3DUSAGE_RENDERTARGET));
}

GLuint SurfaceImpl::glTexture() const { return container_ ? container_->glTexture() : glTexture_; }

std::uint8_t* SurfaceImpl::memory() {
  if (container_) return container_->levelMemory(level_);
  return memory_.empty() ? nullptr : memory_.data();
}

UINT SurfaceImpl::pitch() const { return FormatPitch(*format_, width_); }

void SurfaceImpl::BindSurface() {
  if (container_)
    container_->Bind();
  else
    Bind();
}

void SurfaceImpl::UnbindSurface() {
  if (container_)
    container_->Unbind();
  else
    Unbind();
}

HRESULT SurfaceImpl::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  desc->Format = format_->format;
  desc->Type = D3DRTYPE_SURFACE;
  switch (kind_) {
    case Kind::kTextureLevel: desc->Usage = container_->usage(); break;
    case Kind::kRenderTarget: desc->Usage = D3DUSAGE_RENDERTARGET; break;
    case Kind::kDepthStencil: desc->Usage = D3DUSAGE_DEPTHSTENCIL; break;
    case Kind::kPlain: desc->Usage = 0; break;
  }
  desc->Pool = surfacePool();
  desc->MultiSampleType = D3DMULTISAMPLE_NONE;
  desc->MultiSampleQuality = 0;
  desc->Width = width_;
  desc->Height = height_;
  return D3D_OK;
}

HRESULT SurfaceImpl::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (container_) return container_->LockRect(level_, locked, rect, flags);
  if (!locked) return D3DERR_INVALIDCALL;
  if (kind_ == Kind::kDepthStencil || (kind_ == Kind::kRenderTarget && !lockable_)) return D3DERR_INVALIDCALL;
  if (locks_ > 0) return D3DERR_INVALIDCALL;
  RECT r = {0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
  if (rect) {
    if (!RectInside(*rect, width_, height_)) return D3DERR_INVALIDCALL;
    r = *rect;
  }
  const UINT p = pitch();
  if (kind_ == Kind::kRenderTarget) {
    memory_.resize(static_cast<std::size_t>(p) * height_);
    device_->MakeCurrent();
    device_->ReadRenderTarget(this, memory_.data(), p);
  }
  locked->Pitch = static_cast<INT>(p);
  locked->pBits =
      memory_.data() + static_cast<std::size_t>(r.top) * p + static_cast<std::size_t>(r.left) * format_->bytesPerPixel;
  ++locks_;
  lockWrite_ = !(flags & D3DLOCK_READONLY);
  return D3D_OK;
}

HRESULT SurfaceImpl::UnlockRect() {
  if (container_) return container_->UnlockRect(level_);
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  --locks_;
  if (kind_ == Kind::kRenderTarget && lockWrite_) {
    device_->MakeCurrent();
    device_->WriteRenderTarget(this, memory_.data(), pitch());
  }
  return D3D_OK;
}

// ---- buffers -------------------------------------------------------------------------------------

BufferCore::BufferCore(DeviceImpl* device, UINT size, DWORD usage) : device_(device), size_(size), usage_(usage) {
  data_.assign(size, 0);
  const Gl& gl = device->gl();
  gl.GenBuffers(1, &glBuffer_);
  gl.BindBuffer(GL_COPY_WRITE_BUFFER, glBuffer_);
  gl.BufferData(GL_COPY_WRITE_BUFFER, size, data_.data(),
                (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
}

BufferCore::~BufferCore() {
  device_->MakeCurrent();
  device_->ForgetBuffer(glBuffer_);
  device_->gl().DeleteBuffers(1, &glBuffer_);
}

HRESULT BufferCore::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = nullptr;
  // Ranges outside the buffer are refused rather than handing out memory past its end.
  if (offset > size_ || (size != 0 && size > size_ - offset)) return D3DERR_INVALIDCALL;
  const UINT end = size == 0 ? size_ : offset + size;
  *data = data_.data() + offset;
  if (!(flags & D3DLOCK_READONLY) && end > offset) {
    if (dirtyEnd_ <= dirtyBegin_) {
      dirtyBegin_ = offset;
      dirtyEnd_ = end;
    } else {
      dirtyBegin_ = std::min(dirtyBegin_, offset);
      dirtyEnd_ = std::max(dirtyEnd_, end);
    }
    if ((flags & D3DLOCK_DISCARD) && (usage_ & D3DUSAGE_DYNAMIC)) discard_ = true;
    rangeValid_ = false;
  }
  ++locks_;
  return D3D_OK;
}

HRESULT BufferCore::Unlock() {
  if (locks_ == 0) return D3D_OK;
  if (--locks_ > 0) return D3D_OK;
  if (dirtyEnd_ > dirtyBegin_) {
    device_->MakeCurrent();
    const Gl& gl = device_->gl();
    gl.BindBuffer(GL_COPY_WRITE_BUFFER, glBuffer_);
    if (discard_) gl.BufferData(GL_COPY_WRITE_BUFFER, size_, nullptr, GL_DYNAMIC_DRAW);
    gl.BufferSubData(GL_COPY_WRITE_BUFFER, dirtyBegin_, dirtyEnd_ - dirtyBegin_, data_.data() + dirtyBegin_);
    ++device_->stats().bufferUploads;
  }
  dirtyBegin_ = dirtyEnd_ = 0;
  discard_ = false;
  return D3D_OK;
}

void ScanIndices(const void* indices, UINT indexSize, UINT count, UINT* lo, UINT* hi) {
  // Byte copies: index data handed to the UP draws need not be aligned.
  const auto* p = static_cast<const std::uint8_t*>(indices);
  UINT mn = ~0u, mx = 0;
  for (UINT i = 0; i < count; ++i) {
    UINT v;
    if (indexSize == 2) {
      std::uint16_t w;
      std::memcpy(&w, p + static_cast<std::size_t>(i) * 2, 2);
      v = w;
    } else {
      std::memcpy(&v, p + static_cast<std::size_t>(i) * 4, 4);
    }
    mn = std::min(mn, v);
    mx = std::max(mx, v);
  }
  *lo = count ? mn : 0;
  *hi = mx;
}

void BufferCore::WholeIndexRange(UINT indexSize, UINT* lo, UINT* hi) {
  if (!rangeValid_) {
    ScanIndices(data_.data(), indexSize, size_ / indexSize, &rangeLo_, &rangeHi_);
    rangeValid_ = true;
  }
  *lo = rangeLo_;
  *hi = rangeHi_;
}

}  // namespace d3d9gl
