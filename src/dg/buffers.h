// TDGVertexBuffer and TDGIndexBuffer: one Direct3D vertex or index buffer of a TDGCarad, whose
// contents survive a re-creation of the device through a copy in memory.
//
// Counts are elements (vertices of VertexSize bytes; 16-bit indices), never bytes. Lock(first, n)
// locks elements first .. first + n - 1 (n = 0: from first to the end) and returns their address,
// null when the lock fails; every Lock is followed by Unlock. A buffer of any pool but the default
// one keeps its bytes through ReleaseDevice and the next device creation (a copy is made when the
// device goes and written back into the new buffer) and is untouched by a reset; a default-pool
// buffer comes back from a reset or a re-creation with its size but empty, and its owner fills it
// again. SetCount with another count drops the copy.
//
// Ownership: the buffer registers with the carad in its constructor (after creating its Direct3D
// buffer) and unregisters in its destructor; make it with `new` and destroy it before the carad
// (see carad.h). It owns its Direct3D buffer and its copy. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dg/object.h"
#include "platform/d3d.h"

namespace dg {

class TDGCarad;

// The part both buffers share; Interface is IDirect3DVertexBuffer9 or IDirect3DIndexBuffer9.
template <class Interface>
class TDGBufferBase : public TObject {
 public:
  ~TDGBufferBase() override;
  const char* ClassName() const override { return className_; }

  // Releases the old buffer and creates one of `count` elements; the CheckResult result.
  HRESULT SetCount(UINT count);
  void* Lock(UINT first, UINT count, DWORD flags);
  HRESULT Unlock();

  // Registry callbacks.
  void DeviceRelease();
  void DeviceRebuild();
  void DeviceLost();
  void DeviceReset();

  // Properties.
  TDGCarad& Carad() const { return carad_; }
  Interface* Buffer() const { return buffer_; }
  bool Locked() const { return locked_; }
  void* Data() const { return data_; }
  UINT Count() const { return count_; }
  std::int32_t LockFirst() const { return lockFirst_; }
  std::int32_t LockLast() const { return lockLast_; }  // -1 after Lock(0, 0, ...)
  std::int32_t ID() const { return id_; }
  const std::string& Name() const { return name_; }
  // The copy kept for the next device (ElementSize x Count bytes), or null.
  const std::vector<std::uint8_t>* SavedCopy() const { return savedCopy_.get(); }
  D3DPOOL Pool() const { return pool_; }
  DWORD Usage() const { return usage_; }
  bool KeepContents() const { return keepContents_; }

 protected:
  TDGBufferBase(TDGCarad& carad, UINT count, UINT elementSize, DWORD usage, DWORD fvf, D3DPOOL pool,
                const std::string& name, const char* className, const char* word);
  UINT ElementSize() const { return elementSize_; }
  DWORD FVFCode() const { return fvf_; }

 private:
  void MakeCopy();
  std::string Message(const char* what) const { return word_ + what; }

  TDGCarad& carad_;
  Interface* buffer_ = nullptr;
  bool locked_ = false;
  void* data_ = nullptr;
  UINT elementSize_ = 0;
  UINT count_ = 0;
  std::int32_t lockFirst_ = 0;
  std::int32_t lockLast_ = 0;
  std::int32_t id_ = 0;
  std::string name_;
  std::unique_ptr<std::vector<std::uint8_t>> savedCopy_;
  D3DPOOL pool_ = D3DPOOL_MANAGED;
  DWORD usage_ = 0;
  DWORD fvf_ = 0;
  bool keepContents_ = true;
  const char* className_;
  std::string word_;  // "VertexBuffer" or "IndexBuffer", as the messages say
};

class TDGVertexBuffer : public TDGBufferBase<IDirect3DVertexBuffer9> {
 public:
  // vertexSize: bytes per vertex; fvf: the D3DFVF code of the vertices.
  TDGVertexBuffer(TDGCarad& carad, UINT count, UINT vertexSize, DWORD usage, DWORD fvf, D3DPOOL pool,
                  const std::string& name);
  UINT VertexSize() const { return ElementSize(); }
  DWORD FVF() const { return FVFCode(); }
};

// 16-bit indices (D3DFMT_INDEX16) only.
class TDGIndexBuffer : public TDGBufferBase<IDirect3DIndexBuffer9> {
 public:
  TDGIndexBuffer(TDGCarad& carad, UINT count, DWORD usage, D3DPOOL pool, const std::string& name);
};

extern template class TDGBufferBase<IDirect3DVertexBuffer9>;
extern template class TDGBufferBase<IDirect3DIndexBuffer9>;

}  // namespace dg
