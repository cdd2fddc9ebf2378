// TSXMesh: an indexed triangle list in one vertex buffer and one 16-bit index buffer of a
// TDGCarad, loaded from a mesh file, with its bounding box and sphere.
//
// Mesh file (little-endian; offsets from where reading starts: the file's or the archive entry's
// first byte):
//   0   16  magic "Simplified_X00  " (version 00) or "Simplified_X02  " (version 02), no zero
//   16  2   vertex count (1..65535)
//   18  2   index count (1..65535)
//   20  4   version 02: D3DFVF code of the vertices
//   24  4   version 02: vertex size in bytes (at least 12)
//   ... 255 reserved, not read
//   256     vertex count x stride bytes of vertices, then index count x 2 bytes of indices
// Version 00 vertices are FVF 0x1D2 (position, normal, diffuse, specular, one texture coordinate
// pair), 40 bytes. Every vertex begins with its position as three floats; indices are a triangle
// list and each must be below the vertex count.
//
// Failures: a file that cannot be opened, an archive entry that cannot be extracted, a wrong
// magic or a malformed header or index, and data cut short each write one "ZIRer: " line to the
// debug log (when it is on) and end the process at once (dg::HaltProgram, exit code 1). More
// vertices than the device's MaxVertexIndex is logged and loading goes on. Buffer failures are
// reported by the buffer classes.
//
// Ownership: the mesh owns its two buffers (registered with the carad); make it with `new` or on
// the stack and destroy it before the carad. It does not own the device. After a device reset or
// re-creation the buffers restore themselves. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dg/buffers.h"
#include "dg/fwd.h"
#include "dg/object.h"
#include "dg/stream.h"
#include "sx/mathpack.h"

namespace sx {

constexpr DWORD kMeshFVF00 = 0x1D2;  // D3DFVF_XYZ | NORMAL | DIFFUSE | SPECULAR | TEX1
constexpr UINT kMeshStride00 = 40;
constexpr std::size_t kMeshHeaderSize = 256;
constexpr UINT kMeshMinStride = 12;  // the position every vertex starts with

class TSXMesh : public dg::TObject {
 public:
  // Stores the device and the buffers' resource names and keeps MaxPrimitiveCount and
  // MaxVertexIndex of the device's adapter and type (0 when they cannot be queried). No buffers.
  explicit TSXMesh(dg::TDGCarad& device, const std::string& vertexBufferName = std::string(),
                   const std::string& indexBufferName = std::string());
  ~TSXMesh() override;
  const char* ClassName() const override { return "TSXMesh"; }

  // archiveName empty: the plain file `fileName`; otherwise entry `fileName` of that archive.
  void LoadFromFile(const std::string& fileName, const std::string& archiveName = std::string());
  // One mesh from the stream's current position.
  void LoadFromStream(dg::TStream& stream);
  // Replaces the buffers with new ones of these counts (elements, not bytes). TriangleCount =
  // indexCount / 3.
  void CreateBuffers(UINT vertexCount, UINT indexCount, DWORD vertexFormat, UINT stride, D3DPOOL pool);
  // Box, centre and radius from the vertex positions (all zero without vertices).
  void ComputeBounds();
  // Draws every triangle with the device's current state, in calls of at most MaxPrimitiveCount
  // triangles. Nothing without buffers or with fewer than three indices.
  void Draw();

  dg::TDGCarad& Device() const { return device_; }
  dg::TDGVertexBuffer* VertexBuffer() const { return vertexBuffer_.get(); }
  dg::TDGIndexBuffer* IndexBuffer() const { return indexBuffer_.get(); }

  std::string VertexBufferName;
  std::string IndexBufferName;
  std::uint32_t TriangleCount = 0;
  Vec3 BoxMin{0, 0, 0};  // mesh space
  Vec3 BoxMax{0, 0, 0};
  Vec3 Center{0, 0, 0};  // centre of the box
  float Radius = 0;      // half the box diagonal
  std::uint32_t MaxPrimitiveCount = 0;
  std::uint32_t MaxVertexIndex = 0;

 private:
  dg::TDGCarad& device_;
  std::unique_ptr<dg::TDGVertexBuffer> vertexBuffer_;
  std::unique_ptr<dg::TDGIndexBuffer> indexBuffer_;
};

}  // namespace sx
