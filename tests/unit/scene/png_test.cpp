#include "scene/png.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scene/capture.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

struct Chunk {
  std::string type;
  std::vector<std::uint8_t> data;
};

// Splits a PNG file into its chunks, checking every CRC.
std::vector<Chunk> Chunks(const std::vector<std::uint8_t>& file) {
  std::vector<Chunk> out;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t size = U32(file, at);
    EXPECT_LE(at + 12 + size, file.size());
    Chunk c;
    c.type.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                  file.begin() + static_cast<std::ptrdiff_t>(at + 8));
    c.data.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  file.begin() + static_cast<std::ptrdiff_t>(at + 8 + size));
    const uLong crc = crc32(0L, file.data() + at + 4, 4 + size);
    EXPECT_EQ(U32(file, at + 8 + size), static_cast<std::uint32_t>(crc)) << c.type;
    out.push_back(c);
    at += 12 + size;
  }
  EXPECT_EQ(at, file.size());
  return out;
}

TEST(Png, EncodesRgbRowsWithHeaderDataAndEnd) {
  const int w = 3, h = 2;
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < w * h * 3; ++i) rgb.push_back(static_cast<std::uint8_t>(i * 13));
  const std::vector<std::uint8_t> file = scene::EncodePng(w, h, rgb);
  ASSERT_GT(file.size(), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 8),
            (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  const std::vector<Chunk> chunks = Chunks(file);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[1].type, "IDAT");
  EXPECT_EQ(chunks[2].type, "IEND");
  ASSERT_EQ(chunks[0].data.size(), 13u);
  EXPECT_EQ(U32(chunks[0].data, 0), 3u);
  EXPECT_EQ(U32(chunks[0].data, 4), 2u);
  EXPECT_EQ(chunks[0].data[8], 8);  // bit depth
  EXPECT_EQ(chunks[0].data[9], 2);  // RGB
  EXPECT_TRUE(chunks[2].data.empty());

  std::vector<std::uint8_t> raw(static_cast<std::size_t>((w * 3 + 1) * h));
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, chunks[1].data.data(), chunks[1].data.size()), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(raw[static_cast<std::size_t>(y * (w * 3 + 1))], 0) << "filter byte of row " << y;
    for (int i = 0; i < w * 3; ++i)
      EXPECT_EQ(raw[static_cast<std::size_t>(y * (w * 3 + 1) + 1 + i)], rgb[static_cast<std::size_t>(y * w * 3 + i)]);
  }
}

TEST(Png, RefusesMismatchedSizesAndUnwritablePaths) {
  EXPECT_TRUE(scene::EncodePng(2, 2, std::vector<std::uint8_t>(11)).empty());
  EXPECT_TRUE(scene::EncodePng(0, 2, {}).empty());
  EXPECT_TRUE(scene::EncodePng(-1, -1, std::vector<std::uint8_t>(3)).empty());
  const std::vector<std::uint8_t> one = {1, 2, 3};
  EXPECT_FALSE(scene::WritePng("/nonexistent-folder-of-the-test/x.png", 1, 1, one));
  EXPECT_FALSE(scene::WritePng("unused.png", 2, 1, one));  // nothing is written for a bad size
  std::FILE* f = std::fopen("unused.png", "rb");
  EXPECT_EQ(f, nullptr);
  if (f) std::fclose(f);
}

TEST(Png, WritesTheEncodedBytes) {
  const std::vector<std::uint8_t> rgb = {255, 0, 0, 0, 255, 0};
  const std::string path = testing::TempDir() + "scene_png_test.png";
  ASSERT_TRUE(scene::WritePng(path, 2, 1, rgb));
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<std::uint8_t> got(4096);
  got.resize(std::fread(got.data(), 1, got.size(), f));
  std::fclose(f);
  std::remove(path.c_str());
  EXPECT_EQ(got, scene::EncodePng(2, 1, rgb));
}

TEST(Capture, ConvertsTheBackBufferFormatsToRgb) {
  std::uint8_t out[6] = {};
  const std::uint8_t argb[] = {0x30, 0x20, 0x10, 0x00, 0xFF, 0x80, 0x00, 0xFF};  // B G R A in memory
  ASSERT_TRUE(scene::ConvertRow(D3DFMT_X8R8G8B8, argb, 2, out));
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6), (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0x00, 0x80, 0xFF}));
  ASSERT_TRUE(scene::ConvertRow(D3DFMT_A8R8G8B8, argb, 1, out));
  EXPECT_EQ(out[0], 0x10);

  const std::uint8_t r565[] = {0x00, 0xF8, 0x1F, 0x00};  // pure red, pure blue
  ASSERT_TRUE(scene::ConvertRow(D3DFMT_R5G6B5, r565, 2, out));
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6), (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 255}));
  const std::uint8_t g565[] = {0xE0, 0x07};  // pure green: six bits
  ASSERT_TRUE(scene::ConvertRow(D3DFMT_R5G6B5, g565, 1, out));
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 3), (std::vector<std::uint8_t>{0, 255, 0}));

  const std::uint8_t x555[] = {0x00, 0x7C, 0xE0, 0x03};  // red, green
  ASSERT_TRUE(scene::ConvertRow(D3DFMT_X1R5G5B5, x555, 2, out));
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6), (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0}));
  const std::uint8_t a555[] = {0x10, 0x80};  // alpha bit set, blue 16 of 31
  ASSERT_TRUE(scene::ConvertRow(D3DFMT_A1R5G5B5, a555, 1, out));
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 3), (std::vector<std::uint8_t>{0, 0, 0x84}));

  EXPECT_FALSE(scene::ConvertRow(D3DFMT_D16, r565, 1, out));
  scene::CapturedImage untouched;
  untouched.width = 7;
  EXPECT_FALSE(scene::CaptureBackBuffer(nullptr, untouched));
  EXPECT_EQ(untouched.width, 7);
}

}  // namespace
