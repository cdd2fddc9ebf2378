// The painting toolkit and the pictures it paints: antialiased coverage, straight-alpha
// compositing, the stroke font's layout, edge bleeding, and properties the saver relies on
// (the ground columns tile along v, the title is white, billboards stand on their bottom edge).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "car_model.h"
#include "raster.h"
#include "textures.h"

namespace databuild {
namespace {

using raster::Canvas;

double CoverageSum(const Canvas& cv) {
  double s = 0;
  for (const Colour& c : cv.px) s += c.a;
  return s;
}

TEST(Raster, ShapesCoverTheirAreaWithSoftEdges) {
  Canvas cv(64, 64);
  raster::FillRect(cv, 10.5, 10, 20.5, 30, {1, 0, 0, 1});
  EXPECT_NEAR(CoverageSum(cv), 10 * 20, 1e-9);
  EXPECT_NEAR(cv.At(10, 15).a, 0.5, 1e-9);  // half-covered edge pixel
  EXPECT_NEAR(cv.At(15, 15).a, 1.0, 1e-9);
  EXPECT_EQ(cv.At(25, 15).a, 0.0);
  Canvas disc(64, 64);
  raster::FillDisc(disc, 32, 32, 12, {1, 1, 1, 1});
  EXPECT_NEAR(CoverageSum(disc), kPi * 144, 3);
  Canvas ring(64, 64);
  raster::FillRing(ring, 32, 32, 8, 12, {1, 1, 1, 1});
  EXPECT_NEAR(CoverageSum(ring), kPi * (144 - 64), 3);
  EXPECT_EQ(ring.At(32, 32).a, 0.0);
  Canvas tri(64, 64);
  raster::FillPolygon(tri, {{0, 0}, {40, 0}, {0, 40}}, {1, 1, 1, 1});
  EXPECT_NEAR(CoverageSum(tri), 800, 10);
  Canvas line(64, 64);
  raster::StrokeLine(line, 10, 32, 50, 32, 4, {1, 1, 1, 1});
  EXPECT_NEAR(CoverageSum(line), 40 * 4 + kPi * 4, 4);
}

TEST(Raster, PaintsOverWithStraightAlpha) {
  Canvas cv(1, 1, {0, 0, 1, 1});
  raster::Over(cv, 0, 0, {1, 0, 0, 1}, 0.25);
  EXPECT_NEAR(cv.At(0, 0).r, 0.25, 1e-12);
  EXPECT_NEAR(cv.At(0, 0).b, 0.75, 1e-12);
  EXPECT_NEAR(cv.At(0, 0).a, 1.0, 1e-12);
  Canvas clear(1, 1, {0, 0, 0, 0});
  raster::Over(clear, 0, 0, {1, 0.5, 0, 1}, 0.5);
  EXPECT_NEAR(clear.At(0, 0).r, 1.0, 1e-12);  // colour not darkened by the empty background
  EXPECT_NEAR(clear.At(0, 0).a, 0.5, 1e-12);
  raster::Over(clear, 5, 5, {1, 1, 1, 1}, 1);  // outside: ignored
}

TEST(Raster, TextLaysOutFromItsWidthAndFitsItsBox) {
  const double w = raster::TextWidth("KESTOR", 20, 3);
  Canvas cv(200, 40);
  double adv = raster::Text(cv, 5, 10, 20, 3, "KESTOR", {1, 1, 1, 1});
  EXPECT_NEAR(adv, w, 1e-9);
  // Ink lies within the laid-out width and the capital height.
  int minX = 999, maxX = -1, minY = 999, maxY = -1;
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x)
      if (cv.At(x, y).a > 0.5) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
  EXPECT_GE(minX, 4);
  EXPECT_LE(maxX, 5 + w + 1);
  EXPECT_GE(minY, 8);
  EXPECT_LE(maxY, 32);
  EXPECT_GT(raster::TextWidth("WW", 20, 3), raster::TextWidth("II", 20, 3));
  // TextInBox shrinks long texts to fit.
  Canvas box(100, 30);
  raster::TextInBox(box, 10, 5, 90, 25, "SHINAGAWA 300", {1, 1, 1, 1});
  for (int y = 0; y < box.height; ++y) {
    EXPECT_EQ(box.At(5, y).a, 0.0);
    EXPECT_EQ(box.At(95, y).a, 0.0);
  }
  EXPECT_GT(CoverageSum(box), 50);
}

TEST(Raster, BleedGivesClearPixelsTheirNeighboursColour) {
  Canvas cv(8, 1, {0, 0, 0, 0});
  cv.At(3, 0) = {1, 0.5, 0.25, 1};
  raster::BleedEdges(cv, 2);
  EXPECT_NEAR(cv.At(2, 0).r, 1, 1e-9);
  EXPECT_NEAR(cv.At(4, 0).g, 0.5, 1e-9);
  EXPECT_EQ(cv.At(4, 0).a, 0.0);  // still transparent
  Image img = raster::ToImage(cv);
  EXPECT_EQ(img.At(3, 0)[0], 255);
  EXPECT_EQ(img.At(3, 0)[2], 64);
}

TEST(Pictures, GroundColumnsTileAlongTheTrack) {
  Image g = textures::Ground();
  ASSERT_EQ(g.width, 256);
  // The asphalt and grass columns repeat every 256 rows: the join of the last row to the first is
  // like the joins inside the picture (the painted lines are left out; on the grass the wrap is
  // also where a mowing stripe ends, so it is held against the other stripe ends).
  auto join = [&g](int a, int b, int x0, int x1) {
    double d = 0;
    for (int x = x0; x < x1; ++x)
      for (int k = 0; k < 3; ++k) d += std::fabs(g.At(x, a)[k] - g.At(x, b)[k]);
    return d / (x1 - x0);
  };
  for (auto cols : {std::pair<int, int>{8, 58}, std::pair<int, int>{70, 120}, std::pair<int, int>{162, 222}}) {
    const bool grass = cols.first > 128;
    std::vector<double> inside;
    for (int y = 1; y < 256; ++y)
      if ((y % 64 == 0) == grass) inside.push_back(join(y - 1, y, cols.first, cols.second));
    std::sort(inside.begin(), inside.end());
    double typical = grass ? inside.back() : inside[inside.size() * 9 / 10];
    EXPECT_LE(join(255, 0, cols.first, cols.second), typical * 1.2) << cols.first;
  }
  // The kerb column alternates red and white.
  EXPECT_GT(g.At(140, 10)[0], 150);
  EXPECT_LT(g.At(140, 10)[1], 60);
  EXPECT_GT(g.At(140, 40)[1], 200);
}

TEST(Pictures, AtlasRegionsHoldWhatThePartsMapOntoThem) {
  Image d = textures::CarDetails();
  auto at = [&d](const car::UvRect& r, double s, double t) {
    return d.At(static_cast<int>((r.u0 + (r.u1 - r.u0) * s) * d.width),
                static_cast<int>((r.v0 + (r.v1 - r.v0) * t) * d.height));
  };
  EXPECT_GT(at(car::kUvFrontPlate, 0.5, 0.05)[1], 200);  // the plate is light
  EXPECT_LT(at(car::kUvRearPanel, 0.02, 0.5)[0], 30);    // the rear panel is black at its ends
  EXPECT_LT(at(car::kUvGrille, 0.5, 0.5)[0], 120);       // the grille is dark
  // Billboards: transparent corners above the board, legs reaching the bottom edge.
  for (int kind = 0; kind < 3; ++kind) {
    Image b = textures::Billboard(kind);
    EXPECT_EQ(b.At(0, b.height - 1)[3], 0) << kind;
    int solidBottom = 0;
    for (int x = 0; x < b.width; ++x) solidBottom += b.At(x, b.height - 1)[3] == 255;
    EXPECT_GT(solidBottom, 0) << kind;
    EXPECT_GT(b.At(b.width / 2, b.height / 3)[3], 200) << kind;
  }
  // The sun glow: a bright core, fading out to nothing.
  Image sky = textures::SkyGlow();
  EXPECT_GT(sky.At(128, 192)[3], 240);
  EXPECT_EQ(sky.At(2, 254)[3], 0);
  EXPECT_EQ(sky.At(128, 0)[3], 0);
  EXPECT_GT(sky.At(128, 126)[3], 100);
}

}  // namespace
}  // namespace databuild
