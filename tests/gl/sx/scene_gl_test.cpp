// The scene graph on the real Direct3D 9 of each target (Linux: the OpenGL layer, headless;
// Windows: d3d9.dll under Wine): the test scene of scene_cases.cpp checked at known pixels, the
// same picture after a device reset, and on Linux the pictures against the Windows build's
// (sx_scene_dump.exe under Wine) within the tolerance of the layer's own comparison.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "gl/dg/dg_window.h"
#include "gl/sx/scene_cases.h"
#include "unit/dg/log_helper.h"

namespace {

// The layer comparison's tolerance (tests/gl/d3d9_compare_test.cpp): a channel may differ by 2;
// at most 0.5% of the pixels by more.
constexpr int kChannelTolerance = 2;
constexpr double kOutlierShare = 0.005;
// Pixel checks against the colours worked out by hand: 8-bit rounding of lighting and blending.
constexpr int kColourTolerance = 3;

int Channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

int ChannelDiff(std::uint32_t a, std::uint32_t b) {
  int m = 0;
  for (int shift = 0; shift < 32; shift += 8) m = std::max(m, std::abs(Channel(a, shift) - Channel(b, shift)));
  return m;
}

struct Expected {
  int x, y;
  int r, g, b;
  const char* what;
};

// Worked out from the scene: background (16, 32, 64); light along +z, ambient 0.1 (25.5).
const Expected kPixels[] = {
    {28, 35, 218, 26, 26, "red quad, lit face-on: 192 + ambient"},
    {45, 45, 255, 90, 90, "additive grey 64 over the red quad"},
    {30, 52, 218, 26, 26, "red quad in front of the blue one"},
    {30, 62, 32, 64, 192, "blue unlit quad (version 02 file)"},
    {28, 69, 16, 32, 96, "multiply by 128 over the blue quad"},
    {33, 43, 255, 0, 255, "overlay screen sprite over the red quad"},
    {86, 44, 153, 153, 153, "textured quad, white half, N.L 0.5 + ambient"},
    {101, 42, 153, 153, 0, "textured quad, yellow half"},
    {64, 14, 136, 144, 160, "alpha 128 white quad over the background"},
    {64, 77, 255, 255, 0, "billboard"},
    {117, 86, 136, 144, 160, "alpha 128 screen sprite over the background"},
    {64, 57, 16, 32, 64, "background where the hidden frame would be"},
    {120, 10, 16, 32, 64, "background"},
};

class SceneGraphGl : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    window_ = std::make_unique<testwin::Window>(160, 120);
    ASSERT_TRUE(window_->Ok());
    carad_ = std::make_unique<dg::TDGCarad>(*window_);
    carad_->SetDebugOption(dg::dgoDebugMessage);
    carad_->Initialize();
    ASSERT_NE(carad_->Device(), nullptr);
  }
  void TearDown() override {
    carad_.reset();
    window_.reset();
    testlog::End();
  }

  std::vector<refscenes::Picture> Render() {
    std::vector<refscenes::Picture> pictures;
    std::string error;
    EXPECT_TRUE(sxcases::RenderAll(*carad_, &pictures, &error)) << error;
    return pictures;
  }

  std::string log_;
  std::unique_ptr<testwin::Window> window_;
  std::unique_ptr<dg::TDGCarad> carad_;
};

}  // namespace

TEST_F(SceneGraphGl, TheSceneShowsEachItemWhereItBelongs) {
  const auto pictures = Render();
  ASSERT_EQ(pictures.size(), 2u);
  for (const refscenes::Picture& p : pictures) {
    ASSERT_EQ(p.width, sxcases::kWidth);
    ASSERT_EQ(p.height, sxcases::kHeight);
    for (const Expected& e : kPixels) {
      const std::uint32_t c = p.pixels[static_cast<std::size_t>(e.y) * p.width + static_cast<std::size_t>(e.x)];
      const int got[3] = {Channel(c, 16), Channel(c, 8), Channel(c, 0)};
      const int want[3] = {e.r, e.g, e.b};
      for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(got[k], want[k], kColourTolerance)
            << p.name << " (" << e.x << "," << e.y << ") " << e.what << ": channel "
            << "RGB"[k];
      }
    }
  }
  EXPECT_TRUE(testlog::Lines(log_).empty()) << "the scene logged a failure";
}

TEST_F(SceneGraphGl, AfterAResetTheSceneComesBackTheSame) {
  const auto pictures = Render();
  ASSERT_EQ(pictures.size(), 2u);
  int differing = 0;
  for (std::size_t i = 0; i < pictures[0].pixels.size(); ++i)
    differing += ChannelDiff(pictures[0].pixels[i], pictures[1].pixels[i]) > 0;
  EXPECT_EQ(differing, 0);
}

#ifndef _WIN32
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void WritePpm(const std::string& path, const refscenes::Picture& p) {
  std::ofstream f(path, std::ios::binary);
  f << "P6\n" << p.width << " " << p.height << "\n255\n";
  for (std::uint32_t c : p.pixels) {
    const char rgb[3] = {static_cast<char>(Channel(c, 16)), static_cast<char>(Channel(c, 8)),
                         static_cast<char>(Channel(c, 0))};
    f.write(rgb, 3);
  }
}

}  // namespace

TEST_F(SceneGraphGl, ThePicturesMatchTheWindowsBuildUnderWine) {
  const std::string exe =
      !Env("KESTOR_SX_SCENE_DUMP_EXE").empty() ? Env("KESTOR_SX_SCENE_DUMP_EXE") : KESTOR_SX_SCENE_DUMP_EXE;
  struct stat st;
  if (stat(exe.c_str(), &st) != 0) GTEST_SKIP() << "no Windows build of sx_scene_dump at " << exe;
  const std::string source = Env("KESTOR_SOURCE_DIR");
  ASSERT_FALSE(source.empty());
  const std::string outDir = Env("KESTOR_BINARY_DIR") + "/sx_scene";
  std::filesystem::create_directories(outDir);
  const std::string wineOut = outDir + "/wine.bin";
  std::remove(wineOut.c_str());
  const std::string cmd =
      "'" + source + "/tools/wine-run' '" + exe + "' '" + wineOut + "' > '" + outDir + "/wine.log' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "see " << outDir << "/wine.log";
  std::vector<refscenes::Picture> wine;
  ASSERT_TRUE(refscenes::ReadPictures(wineOut, &wine));
  const auto mine = Render();
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
    std::printf("%-12s largest channel difference %3d, %4d pixels over %d\n", a.name.c_str(), worst, outliers,
                kChannelTolerance);
    const double share = static_cast<double>(outliers) / static_cast<double>(a.pixels.size());
    if (share > kOutlierShare) {
      WritePpm(outDir + "/" + a.name + "-linux.ppm", a);
      WritePpm(outDir + "/" + a.name + "-wine.ppm", b);
    }
    EXPECT_LE(share, kOutlierShare) << a.name << ": " << outliers << " pixels differ by more than " << kChannelTolerance
                                    << " (pictures in " << outDir << ")";
  }
}
#endif
