// The data set as the saver sees it: the 52 names in the order it checks them, every file within
// what its loader accepts, the pictures in the formats their format lists expect, the text in
// Shift-JIS with CR LF, and the same bytes on every build.
#include <gtest/gtest.h>

#include <cmath>

#include "dataset.h"

namespace databuild {
namespace {

const std::vector<DataFile>& Files() {
  static const std::vector<DataFile> files = [] {
    std::vector<DataFile> f;
    std::string err;
    EXPECT_TRUE(BuildDataSet(f, err)) << err;
    return f;
  }();
  return files;
}

TEST(DataSet, HasTheFiftyTwoNamesInCheckOrder) {
  std::vector<std::string> names = DataFileNames();
  ASSERT_EQ(names.size(), 52u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(names[i], "crmd_" + std::to_string(i));
  EXPECT_EQ(names[50], "kestor.txt");
  EXPECT_EQ(names[51], "crmd_50");
  ASSERT_EQ(Files().size(), 52u);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(Files()[i].name, names[i]);
}

TEST(DataSet, PicturesAreTheTextureFilesAndEverythingElseIsAMesh) {
  const std::vector<std::string> opaque = {"crmd_10", "crmd_15"};
  const std::vector<std::string> alpha = {"crmd_39", "crmd_41", "crmd_47", "crmd_48", "crmd_49"};
  for (const DataFile& f : Files()) {
    FileKind want = FileKind::Mesh;
    if (f.name == "kestor.txt") want = FileKind::Text;
    for (const auto& n : opaque)
      if (f.name == n) want = FileKind::Bitmap24;
    for (const auto& n : alpha)
      if (f.name == n) want = FileKind::Bitmap32;
    EXPECT_EQ(static_cast<int>(f.kind), static_cast<int>(want)) << f.name;
  }
}

TEST(DataSet, EveryMeshLoadsWithinTheLoadersLimits) {
  for (const DataFile& f : Files()) {
    if (f.kind != FileKind::Mesh) continue;
    MeshFile m;
    std::string err;
    ASSERT_TRUE(DecodeMesh(f.bytes, m, err)) << f.name << ": " << err;
    EXPECT_GT(m.vertexCount, 0) << f.name;
    EXPECT_GE(m.indexCount, 3) << f.name;
    EXPECT_EQ(m.indexCount % 3, 0) << f.name;
    for (const auto& v : m.vertices) {
      ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) << f.name;
      double len = std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz);
      ASSERT_NEAR(len, 1.0, 1e-3) << f.name;
    }
    // No zero-area triangles.
    for (size_t t = 0; t < m.indices.size(); t += 3) {
      const auto &a = m.vertices[m.indices[t]], &b = m.vertices[m.indices[t + 1]], &c = m.vertices[m.indices[t + 2]];
      double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
      double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
      ASSERT_GT(cx * cx + cy * cy + cz * cz, 0.0) << f.name << " triangle " << t / 3;
    }
  }
}

TEST(DataSet, PicturesLoadAndSuitTheirUse) {
  for (const DataFile& f : Files()) {
    if (f.kind != FileKind::Bitmap24 && f.kind != FileKind::Bitmap32) continue;
    Image img;
    BmpInfo info;
    std::string err;
    ASSERT_TRUE(DecodeBmp(f.bytes, img, info, err)) << f.name << ": " << err;
    EXPECT_EQ(info.pixelOffset, 54u) << f.name;
    EXPECT_EQ(info.fileSize, f.bytes.size()) << f.name;
    EXPECT_EQ(info.bitsPerPixel, f.kind == FileKind::Bitmap24 ? 24 : 32) << f.name;
    if (f.name == "crmd_10" || f.name == "crmd_15" || f.name == "crmd_39") {
      // Mapped by texture coordinates up to 1 (and tiled): square powers of two keep them whole
      // on devices that round texture sizes up.
      EXPECT_EQ(img.width, img.height) << f.name;
      EXPECT_EQ(img.width & (img.width - 1), 0) << f.name;
    }
    if (f.kind == FileKind::Bitmap32) {
      size_t clear = 0, solid = 0;
      for (size_t i = 3; i < img.rgba.size(); i += 4) {
        clear += img.rgba[i] == 0;
        solid += img.rgba[i] == 255;
      }
      EXPECT_GT(clear, 0u) << f.name << " has no transparent pixels";
      EXPECT_GT(solid + (f.name == "crmd_39" ? 1 : 0), 0u) << f.name << " has no opaque pixels";
    }
    if (f.name == "crmd_41") {
      // The title is white lettering: the saver's vertex colour makes it blue.
      for (size_t i = 0; i < img.rgba.size(); i += 4)
        if (img.rgba[i + 3] > 0) {
          ASSERT_TRUE(img.rgba[i] == 255 && img.rgba[i + 1] == 255 && img.rgba[i + 2] == 255);
        }
    }
  }
}

// Splits into lines, checking CR LF endings and Shift-JIS structure on the way.
std::vector<std::string> SjisLines(const Bytes& b, bool& doubleByte, bool& singleByte) {
  std::vector<std::string> lines;
  std::string cur;
  doubleByte = singleByte = false;
  for (size_t i = 0; i < b.size(); ++i) {
    uint8_t c = b[i];
    if (c == '\r') {
      EXPECT_TRUE(i + 1 < b.size() && b[i + 1] == '\n') << "CR without LF at " << i;
      lines.push_back(cur);
      cur.clear();
      ++i;
      continue;
    }
    EXPECT_NE(c, '\n') << "LF without CR at " << i;
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      EXPECT_TRUE(i + 1 < b.size()) << "lead byte at the end";
      uint8_t t = i + 1 < b.size() ? b[i + 1] : 0;
      EXPECT_TRUE((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) << "bad trail byte at " << i + 1;
      cur += static_cast<char>(c);
      cur += static_cast<char>(t);
      ++i;
      doubleByte = true;
    } else {
      EXPECT_TRUE((c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF)) << "byte " << int(c) << " at " << i;
      cur += static_cast<char>(c);
      singleByte = true;
    }
  }
  EXPECT_TRUE(cur.empty()) << "the last line has no CR LF";
  return lines;
}

TEST(DataSet, DataSheetIsShiftJisWithCrLf) {
  const DataFile* f = Find(Files(), "kestor.txt");
  ASSERT_NE(f, nullptr);
  bool dbcs = false, sbcs = false;
  std::vector<std::string> lines = SjisLines(f->bytes, dbcs, sbcs);
  EXPECT_GE(lines.size(), 20u);
  EXPECT_LE(lines.size(), 40u);
  EXPECT_TRUE(dbcs);
  EXPECT_TRUE(sbcs);
  for (const std::string& l : lines) {
    EXPECT_FALSE(l.empty());
    EXPECT_LE(l.size(), 48u) << "too long for the overlay: " << l.size() << " bytes";
  }
  // The first line: the product name, a full-width space, then "主要諸元" in code page 932.
  const std::string want = std::string("corvane KESTOR") + "\x81\x40" + "\x8E\xE5\x97\x76\x8F\x94\x8C\xB3";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], want);
}

TEST(DataSet, BuildingTwiceGivesTheSameBytes) {
  std::vector<DataFile> again;
  std::string err;
  ASSERT_TRUE(BuildDataSet(again, err)) << err;
  ASSERT_EQ(again.size(), Files().size());
  for (size_t i = 0; i < again.size(); ++i) EXPECT_TRUE(again[i].bytes == Files()[i].bytes) << again[i].name;
}

}  // namespace
}  // namespace databuild
