// The file writers against independent readings of the formats: the mesh header and layout the
// saver's loader reads, BMP rows bottom-up with 4-byte padding, PNG chunks and checksums.
#include <gtest/gtest.h>

#include <cstring>

#include "formats.h"

namespace databuild {
namespace {

Mesh Triangle() {
  Mesh m;
  for (int i = 0; i < 3; ++i) {
    Vertex v;
    v.p = {static_cast<double>(i), i * 2.0, -1.0 * i};
    v.n = {0, 0, -1};
    v.diffuse = 0x80C06030u + i;
    v.specular = 0x40104080u;
    v.u = 0.25 * i;
    v.v = 0.5;
    m.vertices.push_back(v);
  }
  m.indices = {0, 1, 2};
  return m;
}

uint32_t Le32(const Bytes& b, size_t o) {
  return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24;
}
uint32_t Be32(const Bytes& b, size_t o) {
  return static_cast<uint32_t>(b[o]) << 24 | b[o + 1] << 16 | b[o + 2] << 8 | b[o + 3];
}

TEST(MeshFile, HeaderLayoutAndVertexBytesAreWhatTheLoaderReads) {
  Bytes b;
  std::string err;
  ASSERT_TRUE(EncodeMesh(Triangle(), b, err)) << err;
  ASSERT_EQ(b.size(), 256u + 3 * 40 + 3 * 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 16), "Simplified_X00  ");
  EXPECT_EQ(b[16] | b[17] << 8, 3);
  EXPECT_EQ(b[18] | b[19] << 8, 3);
  // Vertex 1: position floats, normal, diffuse and specular ARGB, tu, tv.
  const size_t v1 = 256 + 40;
  float f;
  std::memcpy(&f, &b[v1 + 4], 4);
  EXPECT_FLOAT_EQ(f, 2.0f);
  std::memcpy(&f, &b[v1 + 20], 4);
  EXPECT_FLOAT_EQ(f, -1.0f);
  EXPECT_EQ(Le32(b, v1 + 24), 0x80C06031u);
  EXPECT_EQ(Le32(b, v1 + 28), 0x40104080u);
  std::memcpy(&f, &b[v1 + 32], 4);
  EXPECT_FLOAT_EQ(f, 0.25f);
  // Indices follow the vertices, 16-bit.
  EXPECT_EQ(b[256 + 120 + 2] | b[256 + 120 + 3] << 8, 1);
}

TEST(MeshFile, RoundTripsThroughTheReader) {
  Bytes b;
  std::string err;
  ASSERT_TRUE(EncodeMesh(Triangle(), b, err));
  MeshFile m;
  ASSERT_TRUE(DecodeMesh(b, m, err)) << err;
  EXPECT_EQ(m.fvf, 0x1D2u);
  EXPECT_EQ(m.stride, 40u);
  ASSERT_EQ(m.vertices.size(), 3u);
  EXPECT_FLOAT_EQ(m.vertices[2].x, 2.0f);
  EXPECT_FLOAT_EQ(m.vertices[2].z, -2.0f);
  EXPECT_EQ(m.vertices[2].diffuse, 0x80C06032u);
  EXPECT_EQ(m.indices, (std::vector<uint16_t>{0, 1, 2}));
}

TEST(MeshFile, EncoderRefusesMeshesTheLoaderCannotTake) {
  Bytes b;
  std::string err;
  Mesh empty;
  EXPECT_FALSE(EncodeMesh(empty, b, err));
  Mesh big;
  big.vertices.resize(65536);
  EXPECT_FALSE(EncodeMesh(big, b, err));
  Mesh many = Triangle();
  many.indices.assign(65536, 0);
  EXPECT_FALSE(EncodeMesh(many, b, err));
  Mesh bad = Triangle();
  bad.indices = {0, 1, 3};
  EXPECT_FALSE(EncodeMesh(bad, b, err));
  Mesh limit;
  limit.vertices.resize(65535);
  limit.indices.assign(65535, 65534);
  EXPECT_TRUE(EncodeMesh(limit, b, err)) << err;
}

TEST(MeshFile, ReaderRejectsDamagedFiles) {
  Bytes good;
  std::string err;
  ASSERT_TRUE(EncodeMesh(Triangle(), good, err));
  MeshFile m;
  Bytes b = good;
  b[13] = '1';  // "Simplified_X01  "
  EXPECT_FALSE(DecodeMesh(b, m, err));
  b = good;
  b.pop_back();
  EXPECT_FALSE(DecodeMesh(b, m, err));
  b = good;
  b.push_back(0);
  EXPECT_FALSE(DecodeMesh(b, m, err));
  b = good;
  b[b.size() - 2] = 3;  // last index = vertex count
  EXPECT_FALSE(DecodeMesh(b, m, err));
  b = good;
  b[16] = b[17] = 0;
  EXPECT_FALSE(DecodeMesh(b, m, err));
  EXPECT_FALSE(DecodeMesh(Bytes(100, 0), m, err));
  // Version 02 with the same layout is read too; bytes 28..255 are not looked at.
  b = good;
  b[13] = '2';
  b[20] = 0xD2;
  b[21] = 0x01;
  b[24] = 40;
  b[200] = 0xFF;
  EXPECT_TRUE(DecodeMesh(b, m, err)) << err;
}

Image Gradient(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = img.At(x, y);
      p[0] = static_cast<uint8_t>(x * 10);
      p[1] = static_cast<uint8_t>(y * 20);
      p[2] = static_cast<uint8_t>(x + y);
      p[3] = static_cast<uint8_t>(255 - x);
    }
  return img;
}

TEST(Bmp, HeadersRowsAndPaddingFollowTheFormat) {
  Image img = Gradient(3, 2);
  Bytes b = EncodeBmp(img, 24);
  // 3 pixels x 3 bytes = 9, padded to 12 per row.
  ASSERT_EQ(b.size(), 54u + 12 * 2);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le32(b, 2), b.size());
  EXPECT_EQ(Le32(b, 10), 54u);
  EXPECT_EQ(Le32(b, 14), 40u);
  EXPECT_EQ(static_cast<int32_t>(Le32(b, 18)), 3);
  EXPECT_EQ(static_cast<int32_t>(Le32(b, 22)), 2);  // positive: bottom-up
  EXPECT_EQ(b[28], 24);
  EXPECT_EQ(Le32(b, 30), 0u);
  // The first stored row is the bottom one (y = 1); pixel bytes are B, G, R.
  EXPECT_EQ(b[54 + 0], img.At(0, 1)[2]);
  EXPECT_EQ(b[54 + 1], img.At(0, 1)[1]);
  EXPECT_EQ(b[54 + 2], img.At(0, 1)[0]);
  EXPECT_EQ(b[54 + 9], 0);  // padding
  EXPECT_EQ(b[54 + 12 + 3 + 2], img.At(1, 0)[0]);
}

TEST(Bmp, ThirtyTwoBitKeepsAlphaAndRoundTrips) {
  Image img = Gradient(5, 4);
  for (int bits : {24, 32}) {
    Bytes b = EncodeBmp(img, bits);
    Image back;
    BmpInfo info;
    std::string err;
    ASSERT_TRUE(DecodeBmp(b, back, info, err)) << err;
    EXPECT_EQ(info.bitsPerPixel, bits);
    ASSERT_EQ(back.width, 5);
    ASSERT_EQ(back.height, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        for (int k = 0; k < 3; ++k) EXPECT_EQ(back.At(x, y)[k], img.At(x, y)[k]);
        EXPECT_EQ(back.At(x, y)[3], bits == 32 ? img.At(x, y)[3] : 255);
      }
  }
}

TEST(Bmp, ReaderRejectsWhatTheLoaderDoesNotHandle) {
  Bytes good = EncodeBmp(Gradient(4, 4), 24);
  Image img;
  BmpInfo info;
  std::string err;
  Bytes b = good;
  b[30] = 1;  // RLE
  EXPECT_FALSE(DecodeBmp(b, img, info, err));
  b = good;
  b[22] = 0xFC;
  b[23] = b[24] = b[25] = 0xFF;  // height -4: top-down
  EXPECT_FALSE(DecodeBmp(b, img, info, err));
  b = good;
  b[28] = 16;
  EXPECT_FALSE(DecodeBmp(b, img, info, err));
  b = good;
  b.resize(b.size() - 1);
  EXPECT_FALSE(DecodeBmp(b, img, info, err));
  b = good;
  b[0] = 'X';
  EXPECT_FALSE(DecodeBmp(b, img, info, err));
}

// Reads back the stored deflate blocks of a PNG's IDAT (the only kind the writer makes).
Bytes Inflate(const Bytes& z) {
  Bytes out;
  size_t p = 2;
  for (;;) {
    uint8_t head = z.at(p);
    size_t len = z.at(p + 1) | z.at(p + 2) << 8;
    size_t nlen = z.at(p + 3) | z.at(p + 4) << 8;
    EXPECT_EQ(len ^ 0xFFFF, nlen);
    out.insert(out.end(), z.begin() + static_cast<long>(p + 5), z.begin() + static_cast<long>(p + 5 + len));
    p += 5 + len;
    if (head & 1) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t c : out) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(Be32(z, p), b << 16 | a);
  return out;
}

TEST(Png, ChunksChecksumsAndPixelsAreValid) {
  const uint8_t iend[] = {'I', 'E', 'N', 'D'};
  EXPECT_EQ(Crc32(iend, 4), 0xAE426082u);
  Image img = Gradient(300, 120);  // more than one 64 KiB stored block
  Bytes png = EncodePng(img, true);
  const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  ASSERT_TRUE(std::equal(sig, sig + 8, png.begin()));
  size_t p = 8;
  Bytes idat;
  std::vector<std::string> names;
  while (p < png.size()) {
    uint32_t len = Be32(png, p);
    std::string type(reinterpret_cast<const char*>(&png[p + 4]), 4);
    names.push_back(type);
    EXPECT_EQ(Be32(png, p + 8 + len), Crc32(&png[p + 4], len + 4)) << type;
    if (type == "IHDR") {
      EXPECT_EQ(Be32(png, p + 8), 300u);
      EXPECT_EQ(Be32(png, p + 12), 120u);
      EXPECT_EQ(png[p + 16], 8);
      EXPECT_EQ(png[p + 17], 6);
    }
    if (type == "IDAT")
      idat.insert(idat.end(), png.begin() + static_cast<long>(p + 8), png.begin() + static_cast<long>(p + 8 + len));
    p += 12 + len;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  Bytes raw = Inflate(idat);
  ASSERT_EQ(raw.size(), 120u * (300 * 4 + 1));
  EXPECT_EQ(raw[0], 0);  // filter byte
  EXPECT_EQ(raw[(300 * 4 + 1) * 7 + 1 + 4 * 13 + 1], img.At(13, 7)[1]);
}

}  // namespace
}  // namespace databuild
