// Writers and readers for the file formats of the data set: the saver's mesh files, BMP
// pictures, and PNG for the preview sheets.
//
// Mesh files: a 256-byte header whose first 16 bytes are "Simplified_X00  " (vertex layout
// 0x1D2, 40 bytes a vertex) followed by the 16-bit vertex and index counts; then the vertices,
// then the 16-bit indices, all little-endian. BMP files: 54-byte headers, BI_RGB, bottom-up rows
// padded to 4 bytes, 24 or 32 bits a pixel (32-bit pixels carry alpha in the fourth byte).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh.h"

namespace databuild {

using Bytes = std::vector<uint8_t>;

// The limits the saver's mesh loader works within.
constexpr size_t kMaxMeshVertices = 65535;
constexpr size_t kMaxMeshIndices = 65535;
constexpr size_t kMeshHeaderSize = 256;
constexpr size_t kMeshStride = 40;
constexpr uint32_t kMeshFvf = 0x1D2;

// Encodes a mesh as a version 00 file. Fails (returns false, with a reason) when the mesh is
// empty or beyond the loader's limits.
bool EncodeMesh(const Mesh& mesh, Bytes& out, std::string& error);

// A decoded mesh file as the saver's loader sees it.
struct MeshFile {
  std::string magic;
  uint32_t fvf = 0, stride = 0;
  uint16_t vertexCount = 0, indexCount = 0;
  struct V {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse, specular;
    float u, v;
  };
  std::vector<V> vertices;
  std::vector<uint16_t> indices;
};
// Decodes a mesh file (version 00 or 02 with the 0x1D2 layout). Returns false with a reason on
// anything the loader would refuse or that would read outside the data: wrong magic, short data,
// zero vertices, an index at or beyond the vertex count, trailing bytes.
bool DecodeMesh(const Bytes& in, MeshFile& out, std::string& error);

// An 8-bit RGBA picture, top row first (the way textures are addressed: v = 0 at the top).
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4, R G B A
  Image() = default;
  Image(int w, int h, uint32_t argb = 0);
  uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// BMP encoding: 24-bit drops alpha, 32-bit keeps it (B, G, R, A bytes).
Bytes EncodeBmp(const Image& img, int bitsPerPixel);
struct BmpInfo {
  int width = 0, height = 0, bitsPerPixel = 0;
  uint32_t compression = 0, pixelOffset = 0, fileSize = 0;
};
// Decodes an 8-, 24- or 32-bit BI_RGB bottom-up BMP the way the texture loader reads it.
bool DecodeBmp(const Bytes& in, Image& out, BmpInfo& info, std::string& error);

// PNG (8-bit RGBA or RGB, uncompressed deflate blocks), for preview pictures.
Bytes EncodePng(const Image& img, bool withAlpha);
uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0);

bool WriteFile(const std::string& path, const Bytes& data);
bool ReadFile(const std::string& path, Bytes& data);

}  // namespace databuild
