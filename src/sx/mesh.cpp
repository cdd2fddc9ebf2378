#include "sx/mesh.h"

#include <cstring>
#include <new>
#include <vector>

#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "dg/format.h"
#include "dg/lbarc.h"

namespace sx {

namespace {

constexpr char kMagic00[] = "Simplified_X00  ";
constexpr char kMagic02[] = "Simplified_X02  ";
constexpr std::size_t kMagicSize = 16;

constexpr const char* kInvalidFileText = "ZIRer: 不正なSXファイルです";
constexpr const char* kReadErrorText = "ZIRer: ストリームからの読み込み中にエラーが発生しました";

// The scene graph's fatal errors: the line (when the log is on), then an orderly end of the process.
[[noreturn]] void Fatal(const std::string& text) {
  dg::DebugLog(text);
  dg::HaltProgram(text);
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Reads exactly `count` bytes into `to`; a short read or a stream error is a read failure.
bool ReadAll(dg::TStream& stream, void* to, std::size_t count) {
  if (count == 0) return true;
  try {
    return stream.Read(to, count) == count;
  } catch (const dg::Exception&) {
    return false;
  }
}

// Locks the whole buffer for writing; when that fails the bytes go to `scratch`, so that reading
// and checking go on the same way.
template <class Buffer>
void* LockForLoad(Buffer& buffer, std::vector<std::uint8_t>& scratch, std::size_t bytes) {
  if (void* data = buffer.Lock(0, 0, 0)) return data;
  scratch.assign(bytes, 0);
  return scratch.data();
}

}  // namespace

TSXMesh::TSXMesh(dg::TDGCarad& device, const std::string& vertexBufferName, const std::string& indexBufferName)
    : VertexBufferName(vertexBufferName), IndexBufferName(indexBufferName), device_(device) {
  D3DCAPS9 caps;
  std::memset(&caps, 0, sizeof caps);
  if (IDirect3D9* d3d = device_.D3D()) {
    if (d3d->GetDeviceCaps(device_.Adapter(), device_.DeviceType(), &caps) == D3D_OK) {
      MaxPrimitiveCount = caps.MaxPrimitiveCount;
      MaxVertexIndex = caps.MaxVertexIndex;
    }
  }
}

TSXMesh::~TSXMesh() {
  vertexBuffer_.reset();
  indexBuffer_.reset();
}

void TSXMesh::LoadFromFile(const std::string& fileName, const std::string& archiveName) {
  if (archiveName.empty()) {
    std::unique_ptr<dg::TFileStream> file;
    try {
      file = std::make_unique<dg::TFileStream>(fileName, dg::FileMode::OpenRead);
    } catch (const dg::Exception&) {
      Fatal("ZIRer: " + fileName + " が、開けません");
    }
    LoadFromStream(*file);
    return;
  }
  std::unique_ptr<dg::TMemoryStream> entry;
  try {
    entry = dg::ReadArchiveFile(archiveName, fileName);
  } catch (const dg::Exception&) {
    entry.reset();
  } catch (const std::bad_alloc&) {
    entry.reset();
  }
  if (!entry) Fatal("ZIRer: " + archiveName + " 内の、" + fileName + "が抽出できません");
  LoadFromStream(*entry);
}

void TSXMesh::LoadFromStream(dg::TStream& stream) {
  std::int64_t start = 0;
  std::int64_t size = 0;
  try {
    start = stream.Position();
    size = stream.Size();
  } catch (const dg::Exception&) {
    Fatal(kReadErrorText);
  }

  std::uint8_t header[28] = {};
  if (!ReadAll(stream, header, kMagicSize)) Fatal(kInvalidFileText);
  DWORD format = 0;
  UINT stride = 0;
  UINT vertexCount = 0, indexCount = 0;
  if (std::memcmp(header, kMagic00, kMagicSize) == 0) {
    if (!ReadAll(stream, header + 16, 4)) Fatal(kReadErrorText);
    format = kMeshFVF00;
    stride = kMeshStride00;
  } else if (std::memcmp(header, kMagic02, kMagicSize) == 0) {
    if (!ReadAll(stream, header + 16, 12)) Fatal(kReadErrorText);
    format = Le32(header + 20);
    stride = Le32(header + 24);
  } else {
    Fatal(kInvalidFileText);
  }
  vertexCount = Le16(header + 16);
  indexCount = Le16(header + 18);
  // No vertices or no indices cannot be given a buffer, and every vertex must hold its position.
  if (vertexCount == 0 || indexCount == 0 || stride < kMeshMinStride) Fatal(kInvalidFileText);

  // The data must be there before buffers of its size are made.
  const std::uint64_t vertexBytes = static_cast<std::uint64_t>(vertexCount) * stride;
  const std::uint64_t indexBytes = static_cast<std::uint64_t>(indexCount) * 2;
  const std::int64_t dataStart = start + static_cast<std::int64_t>(kMeshHeaderSize);
  if (size < dataStart || static_cast<std::uint64_t>(size - dataStart) < vertexBytes + indexBytes) {
    Fatal(kReadErrorText);
  }

  CreateBuffers(vertexCount, indexCount, format, stride, D3DPOOL_MANAGED);

  try {
    stream.SetPosition(dataStart);
  } catch (const dg::Exception&) {
    Fatal(kReadErrorText);
  }
  std::vector<std::uint8_t> scratch;
  void* vertices = LockForLoad(*vertexBuffer_, scratch, static_cast<std::size_t>(vertexBytes));
  const bool vertexRead = ReadAll(stream, vertices, static_cast<std::size_t>(vertexBytes));
  vertexBuffer_->Unlock();
  if (!vertexRead) Fatal(kReadErrorText);

  void* indices = LockForLoad(*indexBuffer_, scratch, static_cast<std::size_t>(indexBytes));
  const bool indexRead = ReadAll(stream, indices, static_cast<std::size_t>(indexBytes));
  bool indicesInRange = true;
  if (indexRead) {
    const auto* p = static_cast<const std::uint8_t*>(indices);
    for (UINT i = 0; i < indexCount && indicesInRange; ++i) indicesInRange = Le16(p + 2 * i) < vertexCount;
  }
  indexBuffer_->Unlock();
  if (!indexRead) Fatal(kReadErrorText);
  // An index past the vertices would make the draw read outside the vertex buffer.
  if (!indicesInRange) Fatal(kInvalidFileText);

  ComputeBounds();
}

void TSXMesh::CreateBuffers(UINT vertexCount, UINT indexCount, DWORD vertexFormat, UINT stride, D3DPOOL pool) {
  TriangleCount = indexCount / 3;
  vertexBuffer_.reset();
  indexBuffer_.reset();
  if (vertexCount > MaxVertexIndex) {
    dg::DebugLog(dg::Format("ZIRer : このハードウェアでは、最大 %d までしか頂点インデクスを振る事ができません",
                            static_cast<int>(MaxVertexIndex)));
  }
  vertexBuffer_ =
      std::make_unique<dg::TDGVertexBuffer>(device_, vertexCount, stride, 0, vertexFormat, pool, VertexBufferName);
  indexBuffer_ = std::make_unique<dg::TDGIndexBuffer>(device_, indexCount, 0, pool, IndexBufferName);
}

void TSXMesh::ComputeBounds() {
  BoxMin = BoxMax = Center = {0, 0, 0};
  Radius = 0;
  if (!vertexBuffer_) return;
  const UINT count = vertexBuffer_->Count();
  const UINT stride = vertexBuffer_->VertexSize();
  const auto* data = static_cast<const std::uint8_t*>(vertexBuffer_->Lock(0, 0, D3DLOCK_READONLY));
  if (data && count > 0 && stride >= kMeshMinStride) {
    float first[3];
    std::memcpy(first, data, sizeof first);
    Vec3 lo = {first[0], first[1], first[2]};
    Vec3 hi = lo;
    for (UINT v = 1; v < count; ++v) {
      float p[3];
      std::memcpy(p, data + static_cast<std::size_t>(v) * stride, sizeof p);
      float* mins[3] = {&lo.x, &lo.y, &lo.z};
      float* maxs[3] = {&hi.x, &hi.y, &hi.z};
      for (int a = 0; a < 3; ++a) {
        if (*mins[a] > p[a]) {
          *mins[a] = p[a];
        } else if (*maxs[a] < p[a]) {
          *maxs[a] = p[a];
        }
      }
    }
    BoxMin = lo;
    BoxMax = hi;
    Center = Vec3Scale(Vec3Add(lo, hi), 0.5f);
    Radius = Vec3Length(Vec3Sub(hi, lo)) * 0.5f;
  }
  vertexBuffer_->Unlock();
}

void TSXMesh::Draw() {
  IDirect3DDevice9* d = device_.Device();
  if (!d || !vertexBuffer_ || !indexBuffer_) return;
  d->SetFVF(vertexBuffer_->FVF());
  d->SetIndices(indexBuffer_->Buffer());
  d->SetStreamSource(0, vertexBuffer_->Buffer(), 0, vertexBuffer_->VertexSize());
  const UINT indexCount = indexBuffer_->Count();
  const UINT vertexCount = vertexBuffer_->Count();
  UINT start = 0;
  while (start + 2 < indexCount) {
    UINT n = (indexCount - start) / 3;
    if (n > MaxPrimitiveCount) n = MaxPrimitiveCount;
    if (n == 0) break;  // a device that accepts no primitives at all
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, start, n);
    start += 3 * n;
  }
}

}  // namespace sx
