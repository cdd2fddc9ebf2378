#include "dg/buffers.h"

#include <algorithm>
#include <cstring>

#include "dg/carad.h"
#include "dg/diagnostics.h"

namespace dg {

namespace {

HRESULT CreateBuffer(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                     IDirect3DVertexBuffer9** buffer) {
  return device->CreateVertexBuffer(length, usage, fvf, pool, buffer, nullptr);
}

HRESULT CreateBuffer(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD /*fvf*/, D3DPOOL pool,
                     IDirect3DIndexBuffer9** buffer) {
  return device->CreateIndexBuffer(length, usage, D3DFMT_INDEX16, pool, buffer, nullptr);
}

}  // namespace

template <class Interface>
TDGBufferBase<Interface>::TDGBufferBase(TDGCarad& carad, UINT count, UINT elementSize, DWORD usage, DWORD fvf,
                                        D3DPOOL pool, const std::string& name, const char* className, const char* word)
    : carad_(carad),
      elementSize_(elementSize),
      name_(name),
      pool_(pool),
      usage_(usage),
      fvf_(fvf),
      className_(className),
      word_(word) {
  SetCount(count);
  // The buffer exists before it is registered.
  id_ = carad_.RegisterResource(
      this, name_, [this] { DeviceRelease(); }, [this] { DeviceRebuild(); }, [this] { DeviceLost(); },
      [this] { DeviceReset(); });
}

template <class Interface>
TDGBufferBase<Interface>::~TDGBufferBase() {
  savedCopy_.reset();
  if (buffer_) {
    CheckResult(static_cast<std::int32_t>(buffer_->Release()), Message("の解放に失敗しました"));
    buffer_ = nullptr;
  }
  carad_.UnregisterResource(id_);
}

template <class Interface>
HRESULT TDGBufferBase<Interface>::SetCount(UINT count) {
  if (buffer_) {
    CheckResult(static_cast<std::int32_t>(buffer_->Release()), Message("の解放に失敗しました"));
    buffer_ = nullptr;
  }
  if (savedCopy_ && count != count_) savedCopy_.reset();
  count_ = count;
  const std::uint64_t length = static_cast<std::uint64_t>(elementSize_) * count;
  IDirect3DDevice9* device = carad_.Device();
  HRESULT result;
  if (!device || length > 0xFFFFFFFFu) {
    result = 1;  // no device to create it on, or a length Direct3D cannot express
  } else {
    Interface* buffer = nullptr;
    result = CreateBuffer(device, static_cast<UINT>(length), usage_, fvf_, pool_, &buffer);
    if (result == D3D_OK) {
      buffer_ = buffer;
    } else if (buffer) {
      buffer->Release();
    }
  }
  return CheckResult(result, Message("の生成に失敗しました"));
}

template <class Interface>
void* TDGBufferBase<Interface>::Lock(UINT first, UINT count, DWORD flags) {
  const std::uint64_t offset = static_cast<std::uint64_t>(first) * elementSize_;
  const std::uint64_t size = static_cast<std::uint64_t>(count) * elementSize_;
  const std::uint64_t total = static_cast<std::uint64_t>(count_) * elementSize_;
  void* data = nullptr;
  HRESULT result;
  if (!buffer_) {
    result = 1;
  } else if (offset + size > total) {
    result = D3DERR_INVALIDCALL;  // outside the buffer: refused before Direct3D sees it
  } else {
    result = buffer_->Lock(static_cast<UINT>(offset), static_cast<UINT>(size), &data, flags);
  }
  CheckResult(result, Message("のロックに失敗しました"));
  data_ = result == D3D_OK ? data : nullptr;
  locked_ = true;
  lockFirst_ = static_cast<std::int32_t>(first);
  lockLast_ = static_cast<std::int32_t>(first + count - 1u);
  return data_;
}

template <class Interface>
HRESULT TDGBufferBase<Interface>::Unlock() {
  const HRESULT result = buffer_ ? buffer_->Unlock() : 1;
  CheckResult(result, Message("のアンロックに失敗しました"));
  locked_ = false;
  return result;
}

template <class Interface>
void TDGBufferBase<Interface>::MakeCopy() {
  if (pool_ == D3DPOOL_DEFAULT) return;
  savedCopy_.reset();
  if (!buffer_) return;
  auto copy = std::make_unique<std::vector<std::uint8_t>>(static_cast<std::size_t>(elementSize_) * count_);
  if (const void* data = Lock(0, 0, D3DLOCK_READONLY)) {
    if (!copy->empty()) std::memcpy(copy->data(), data, copy->size());
    Unlock();
    savedCopy_ = std::move(copy);
  } else {
    locked_ = false;
  }
}

template <class Interface>
void TDGBufferBase<Interface>::DeviceRelease() {
  if (keepContents_) MakeCopy();
  if (buffer_) {
    CheckResult(static_cast<std::int32_t>(buffer_->Release()), Message("の解放に失敗しました"));
    buffer_ = nullptr;
  }
}

template <class Interface>
void TDGBufferBase<Interface>::DeviceRebuild() {
  SetCount(count_);
  if (savedCopy_ && pool_ != D3DPOOL_DEFAULT && buffer_) {
    if (void* data = Lock(0, 0, 0)) {
      const std::size_t bytes = std::min(savedCopy_->size(), static_cast<std::size_t>(elementSize_) * count_);
      if (bytes) std::memcpy(data, savedCopy_->data(), bytes);
      Unlock();
    } else {
      locked_ = false;
    }
  }
}

template <class Interface>
void TDGBufferBase<Interface>::DeviceLost() {
  if (pool_ == D3DPOOL_DEFAULT) DeviceRelease();
}

template <class Interface>
void TDGBufferBase<Interface>::DeviceReset() {
  if (pool_ == D3DPOOL_DEFAULT) DeviceRebuild();
}

template class TDGBufferBase<IDirect3DVertexBuffer9>;
template class TDGBufferBase<IDirect3DIndexBuffer9>;

TDGVertexBuffer::TDGVertexBuffer(TDGCarad& carad, UINT count, UINT vertexSize, DWORD usage, DWORD fvf, D3DPOOL pool,
                                 const std::string& name)
    : TDGBufferBase(carad, count, vertexSize, usage, fvf, pool, name, "TDGVertexBuffer", "VertexBuffer") {}

TDGIndexBuffer::TDGIndexBuffer(TDGCarad& carad, UINT count, DWORD usage, D3DPOOL pool, const std::string& name)
    : TDGBufferBase(carad, count, 2, usage, 0, pool, name, "TDGIndexBuffer", "IndexBuffer") {}

}  // namespace dg
