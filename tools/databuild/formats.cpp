#include "formats.h"

#include <cstdio>
#include <cstring>

namespace databuild {

namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutBe32(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 24));
  b.push_back(static_cast<uint8_t>(v >> 16));
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
void PutFloat(Bytes& b, double v) {
  float f = static_cast<float>(v);
  uint32_t u;
  std::memcpy(&u, &f, 4);
  Put32(b, u);
}
uint32_t Get16(const Bytes& b, size_t o) { return b[o] | b[o + 1] << 8; }
uint32_t Get32(const Bytes& b, size_t o) { return Get16(b, o) | Get16(b, o + 2) << 16; }
float GetFloat(const Bytes& b, size_t o) {
  uint32_t u = Get32(b, o);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

const char kMagic00[] = "Simplified_X00  ";
const char kMagic02[] = "Simplified_X02  ";

}  // namespace

bool EncodeMesh(const Mesh& mesh, Bytes& out, std::string& error) {
  if (mesh.vertices.empty()) {
    error = "mesh has no vertices";
    return false;
  }
  if (mesh.vertices.size() > kMaxMeshVertices) {
    error = "too many vertices: " + std::to_string(mesh.vertices.size());
    return false;
  }
  if (mesh.indices.size() > kMaxMeshIndices) {
    error = "too many indices: " + std::to_string(mesh.indices.size());
    return false;
  }
  for (uint32_t i : mesh.indices)
    if (i >= mesh.vertices.size()) {
      error = "index out of range";
      return false;
    }
  out.clear();
  out.reserve(kMeshHeaderSize + mesh.vertices.size() * kMeshStride + mesh.indices.size() * 2);
  out.insert(out.end(), kMagic00, kMagic00 + 16);
  Put16(out, static_cast<uint32_t>(mesh.vertices.size()));
  Put16(out, static_cast<uint32_t>(mesh.indices.size()));
  out.resize(kMeshHeaderSize, 0);
  for (const Vertex& v : mesh.vertices) {
    PutFloat(out, v.p.x);
    PutFloat(out, v.p.y);
    PutFloat(out, v.p.z);
    PutFloat(out, v.n.x);
    PutFloat(out, v.n.y);
    PutFloat(out, v.n.z);
    Put32(out, v.diffuse);
    Put32(out, v.specular);
    PutFloat(out, v.u);
    PutFloat(out, v.v);
  }
  for (uint32_t i : mesh.indices) Put16(out, i);
  return true;
}

bool DecodeMesh(const Bytes& in, MeshFile& out, std::string& error) {
  out = MeshFile{};
  if (in.size() < kMeshHeaderSize) {
    error = "shorter than the 256-byte header";
    return false;
  }
  out.magic.assign(reinterpret_cast<const char*>(in.data()), 16);
  out.vertexCount = static_cast<uint16_t>(Get16(in, 16));
  out.indexCount = static_cast<uint16_t>(Get16(in, 18));
  if (out.magic == kMagic00) {
    out.fvf = kMeshFvf;
    out.stride = kMeshStride;
  } else if (out.magic == kMagic02) {
    out.fvf = Get32(in, 20);
    out.stride = Get32(in, 24);
    if (out.fvf != kMeshFvf || out.stride != kMeshStride) {
      error = "vertex layout other than 0x1D2 / 40";
      return false;
    }
  } else {
    error = "bad magic";
    return false;
  }
  if (out.vertexCount == 0) {
    error = "no vertices";
    return false;
  }
  size_t need = kMeshHeaderSize + static_cast<size_t>(out.vertexCount) * out.stride + out.indexCount * 2u;
  if (in.size() < need) {
    error = "data cut short";
    return false;
  }
  if (in.size() > need) {
    error = "trailing bytes after the indices";
    return false;
  }
  size_t o = kMeshHeaderSize;
  for (uint32_t i = 0; i < out.vertexCount; ++i, o += out.stride) {
    MeshFile::V v;
    v.x = GetFloat(in, o);
    v.y = GetFloat(in, o + 4);
    v.z = GetFloat(in, o + 8);
    v.nx = GetFloat(in, o + 12);
    v.ny = GetFloat(in, o + 16);
    v.nz = GetFloat(in, o + 20);
    v.diffuse = Get32(in, o + 24);
    v.specular = Get32(in, o + 28);
    v.u = GetFloat(in, o + 32);
    v.v = GetFloat(in, o + 36);
    out.vertices.push_back(v);
  }
  for (uint32_t i = 0; i < out.indexCount; ++i, o += 2) {
    uint16_t idx = static_cast<uint16_t>(Get16(in, o));
    if (idx >= out.vertexCount) {
      error = "index " + std::to_string(idx) + " beyond the vertex count";
      return false;
    }
    out.indices.push_back(idx);
  }
  return true;
}

Image::Image(int w, int h, uint32_t argb) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4) {
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = static_cast<uint8_t>(argb >> 16);
    rgba[i + 1] = static_cast<uint8_t>(argb >> 8);
    rgba[i + 2] = static_cast<uint8_t>(argb);
    rgba[i + 3] = static_cast<uint8_t>(argb >> 24);
  }
}

Bytes EncodeBmp(const Image& img, int bitsPerPixel) {
  const int bpp = bitsPerPixel / 8;
  const uint32_t row = (static_cast<uint32_t>(img.width) * bpp + 3) & ~3u;
  const uint32_t imageSize = row * static_cast<uint32_t>(img.height);
  Bytes b;
  b.reserve(54 + imageSize);
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + imageSize);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(img.width));
  Put32(b, static_cast<uint32_t>(img.height));
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bitsPerPixel));
  Put32(b, 0);  // BI_RGB
  Put32(b, imageSize);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = img.height - 1; y >= 0; --y) {
    size_t start = b.size();
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p = img.At(x, y);
      b.push_back(p[2]);
      b.push_back(p[1]);
      b.push_back(p[0]);
      if (bpp == 4) b.push_back(p[3]);
    }
    b.resize(start + row, 0);
  }
  return b;
}

bool DecodeBmp(const Bytes& in, Image& out, BmpInfo& info, std::string& error) {
  info = BmpInfo{};
  if (in.size() < 54) {
    error = "shorter than the 54-byte headers";
    return false;
  }
  if (in[0] != 'B' || in[1] != 'M') {
    error = "no BM signature";
    return false;
  }
  info.fileSize = Get32(in, 2);
  info.pixelOffset = Get32(in, 10);
  uint32_t headerSize = Get32(in, 14);
  int32_t w = static_cast<int32_t>(Get32(in, 18)), h = static_cast<int32_t>(Get32(in, 22));
  uint32_t planes = Get16(in, 26);
  info.bitsPerPixel = static_cast<int>(Get16(in, 28));
  info.compression = Get32(in, 30);
  info.width = w;
  info.height = h;
  if (headerSize != 40 || planes != 1) {
    error = "not a 40-byte info header with one plane";
    return false;
  }
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) {
    error = "width or height not positive (or beyond 16384)";
    return false;
  }
  if (info.compression != 0) {
    error = "compressed";
    return false;
  }
  if (info.bitsPerPixel != 8 && info.bitsPerPixel != 24 && info.bitsPerPixel != 32) {
    error = "bit count other than 8, 24 or 32";
    return false;
  }
  const int bpp = info.bitsPerPixel / 8;
  const size_t row = (static_cast<size_t>(w) * bpp + 3) & ~size_t{3};
  const size_t palette = bpp == 1 ? 1024 : 0;
  if (info.pixelOffset < 54 + palette || info.pixelOffset + row * h > in.size()) {
    error = "pixel data outside the file";
    return false;
  }
  out = Image(w, h);
  for (int y = 0; y < h; ++y) {
    size_t src = info.pixelOffset + row * static_cast<size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      uint8_t* p = out.At(x, y);
      if (bpp == 1) {
        size_t e = 54 + in[src + x] * 4u;
        p[0] = in[e + 2];
        p[1] = in[e + 1];
        p[2] = in[e];
        p[3] = 255;
      } else {
        const uint8_t* s = &in[src + static_cast<size_t>(x) * bpp];
        p[0] = s[2];
        p[1] = s[1];
        p[2] = s[0];
        p[3] = bpp == 4 ? s[3] : 255;
      }
    }
  }
  return true;
}

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

Bytes EncodePng(const Image& img, bool withAlpha) {
  const int channels = withAlpha ? 4 : 3;
  Bytes raw;
  raw.reserve(static_cast<size_t>(img.height) * (img.width * channels + 1));
  for (int y = 0; y < img.height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p = img.At(x, y);
      raw.insert(raw.end(), p, p + channels);
    }
  }
  // zlib stream of stored deflate blocks.
  Bytes z;
  z.push_back(0x78);
  z.push_back(0x01);
  size_t pos = 0;
  do {
    size_t len = std::min<size_t>(65535, raw.size() - pos);
    z.push_back(pos + len == raw.size() ? 1 : 0);
    Put16(z, static_cast<uint32_t>(len));
    Put16(z, static_cast<uint32_t>(~len & 0xFFFF));
    z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + len));
    pos += len;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBe32(z, b << 16 | a);

  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto chunk = [&png](const char* type, const Bytes& data) {
    PutBe32(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBe32(png, Crc32(&png[start], png.size() - start));
  };
  Bytes ihdr;
  PutBe32(ihdr, static_cast<uint32_t>(img.width));
  PutBe32(ihdr, static_cast<uint32_t>(img.height));
  ihdr.push_back(8);
  ihdr.push_back(withAlpha ? 6 : 2);
  ihdr.push_back(0);
  ihdr.push_back(0);
  ihdr.push_back(0);
  chunk("IHDR", ihdr);
  chunk("IDAT", z);
  chunk("IEND", {});
  return png;
}

bool WriteFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

bool ReadFile(const std::string& path, Bytes& data) {
  data.clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace databuild
