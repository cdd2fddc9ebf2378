// The reference scenes through this layer and through Wine's d3d9 (the Windows build's
// d3d9_refscenes.exe under tools/wine-run), pixel by pixel.
//
// Tolerance: a channel may differ by up to 2 (8-bit rounding of blending, modulation and
// interpolation); at most 0.5% of a scene's pixels (20 of 4096) may differ by more, for edge
// pixels where a triangle edge falls within rounding of a pixel centre. On Mesa llvmpipe, the
// rasteriser both run on here, the scenes come out identical.
#include "gl_fixture.h"
#include "refscenes.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>

namespace d3d9test {
namespace {

constexpr int kChannelTolerance = 2;
constexpr double kOutlierShare = 0.005;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool Exists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

void WritePpm(const std::string& path, const refscenes::Picture& p) {
  std::ofstream f(path, std::ios::binary);
  f << "P6\n" << p.width << " " << p.height << "\n255\n";
  for (std::uint32_t c : p.pixels) {
    const char rgb[3] = {static_cast<char>(R(c)), static_cast<char>(G(c)), static_cast<char>(B(c))};
    f.write(rgb, 3);
  }
}

int ChannelDiff(std::uint32_t a, std::uint32_t b) {
  int m = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff);
    m = std::max(m, d < 0 ? -d : d);
  }
  return m;
}

class Compare : public DeviceTest {};

TEST_F(Compare, ReferenceScenesRender) {
  std::vector<refscenes::Picture> mine;
  std::string error;
  ASSERT_TRUE(refscenes::RenderAll(dev_, &mine, &error)) << error;
  ASSERT_EQ(mine.size(), 8u);
  for (const auto& p : mine) {
    int lit = 0;
    for (std::uint32_t c : p.pixels) lit += (c & 0xffffff) != (p.pixels[0] & 0xffffff);
    EXPECT_GT(lit, 100) << p.name << " shows hardly anything";
  }
}

TEST_F(Compare, ReferenceScenesMatchWineD3D9) {
  const std::string exe = !Env("KESTOR_REFSCENES_EXE").empty() ? Env("KESTOR_REFSCENES_EXE") : KESTOR_REFSCENES_EXE;
  if (!Exists(exe)) GTEST_SKIP() << "no Windows build of d3d9_refscenes at " << exe;
  const std::string source = Env("KESTOR_SOURCE_DIR");
  ASSERT_FALSE(source.empty());
  const std::string outDir = Env("KESTOR_BINARY_DIR") + "/refscenes";
  mkdir(outDir.c_str(), 0755);
  const std::string wineOut = outDir + "/wine.bin";
  std::remove(wineOut.c_str());
  const std::string cmd =
      "'" + source + "/tools/wine-run' '" + exe + "' '" + wineOut + "' > '" + outDir + "/wine.log' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "see " << outDir << "/wine.log";
  std::vector<refscenes::Picture> wine, mine;
  ASSERT_TRUE(refscenes::ReadPictures(wineOut, &wine));
  std::string error;
  ASSERT_TRUE(refscenes::RenderAll(dev_, &mine, &error)) << error;
  ASSERT_EQ(wine.size(), mine.size());
  for (std::size_t i = 0; i < mine.size(); ++i) {
    const auto& a = mine[i];
    const auto& b = wine[i];
    ASSERT_EQ(a.name, b.name);
    ASSERT_EQ(a.pixels.size(), b.pixels.size());
    int outliers = 0, worst = 0;
    for (std::size_t k = 0; k < a.pixels.size(); ++k) {
      const int d = ChannelDiff(a.pixels[k], b.pixels[k]);
      worst = std::max(worst, d);
      outliers += d > kChannelTolerance;
    }
    const double share = static_cast<double>(outliers) / static_cast<double>(a.pixels.size());
    std::printf("%-16s largest channel difference %3d, %4d pixels over %d\n", a.name.c_str(), worst, outliers,
                kChannelTolerance);
    if (share > kOutlierShare) {
      WritePpm(outDir + "/" + a.name + "-linux.ppm", a);
      WritePpm(outDir + "/" + a.name + "-wine.ppm", b);
    }
    EXPECT_LE(share, kOutlierShare) << a.name << ": " << outliers << " pixels differ by more than " << kChannelTolerance
                                    << " (pictures in " << outDir << ")";
  }
}

}  // namespace
}  // namespace d3d9test
