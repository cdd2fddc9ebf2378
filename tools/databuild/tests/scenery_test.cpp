// The driving scenery against the driving mode's paths: the car drives along x = 4 and three
// cameras follow it; nothing may stand in their way, everything must lie well inside the far
// plane, the billboards need their walls, and the layers on the ground must not overlap.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "scenery.h"

namespace databuild {
namespace {

using namespace scenery;

struct Piece {
  const char* name;
  std::function<Mesh()> build;
};
const std::vector<Piece>& Pieces() {
  static const std::vector<Piece> p = {
      {"crmd_14", BuildGround},      {"crmd_33", BuildRoad},
      {"crmd_35", BuildWalls},       {"crmd_11", BuildBackdrop},
      {"crmd_12", BuildTrees},       {"crmd_13", BuildTreeShadows},
      {"crmd_17", BuildGrandstand},  {"crmd_18", BuildGrandstandShadow},
      {"crmd_19", BuildPitBuilding}, {"crmd_20", BuildPitShadow},
      {"crmd_50", BuildAirship},     {"crmd_42", BuildNightScene},
      {"crmd_46", BuildNightGlow},   {"crmd_38", BuildSky},
      {"crmd_26", BuildStartGantry}, {"crmd_45", BuildParkedCars},
      {"crmd_8", BuildFinishBoards}, {"crmd_43", BuildSpectators},
  };
  return p;
}

// Camera positions over a whole pass of each phase (the driving step's formulas).
std::vector<V3> CameraPath() {
  std::vector<V3> cams;
  for (int f = 0; f <= 470; f += 5) {
    double carZ = 70 - 0.3 * f, sweep = 0.003 * f;
    cams.push_back({4 - 0.01 * f, 1.2 - 0.002 * f, 0});
    cams.push_back({4 + 1.5 - sweep, 0.32 + 0.8, carZ - 1.6 + sweep});
    cams.push_back({4 + 1.5 - sweep, 0.32 + 0.8, carZ + 2.0 - sweep});
  }
  return cams;
}

// Points on a triangle (corners, edges and inside) for clearance checks.
std::vector<V3> TrianglePoints(const Mesh& m, size_t t) {
  const V3 a = m.vertices[m.indices[t]].p, b = m.vertices[m.indices[t + 1]].p, c = m.vertices[m.indices[t + 2]].p;
  std::vector<V3> p;
  const int n = 6;
  for (int i = 0; i <= n; ++i)
    for (int j = 0; i + j <= n; ++j)
      p.push_back(a + (b - a) * (static_cast<double>(i) / n) + (c - a) * (static_cast<double>(j) / n));
  return p;
}

TEST(Scenery, EverythingLiesWellInsideTheFarPlane) {
  const std::vector<V3> cams = CameraPath();
  for (const Piece& piece : Pieces()) {
    Mesh m = piece.build();
    ASSERT_FALSE(m.indices.empty()) << piece.name;
    double farthest = 0;
    for (const Vertex& v : m.vertices)
      for (const V3& c : {cams.front(), cams[cams.size() / 2], cams.back()})
        farthest = std::max(farthest, Length(v.p - c));
    EXPECT_LT(farthest, 1000) << piece.name << " (the far plane is at 10000)";
  }
}

TEST(Scenery, NothingStandsInTheWayOfTheCarOrTheCameras) {
  const std::vector<V3> cams = CameraPath();
  for (const Piece& piece : Pieces()) {
    Mesh m = piece.build();
    for (size_t t = 0; t < m.indices.size(); t += 3) {
      for (const V3& p : TrianglePoints(m, t)) {
        // The car's path: 0.7 either side of x = 4, up to its roof (decals lying on the road, such
        // as the light pools at night, are lower than 0.03).
        bool inCarPath = std::fabs(p.x - 4) < 0.8 && p.y > 0.03 && p.y < 1.0 && std::fabs(p.z) < 76;
        ASSERT_FALSE(inCarPath) << piece.name << " at " << p.x << " " << p.y << " " << p.z;
        // The corridor the three cameras sweep.
        bool inCorridor = p.x > -1.0 && p.x < 6.0 && p.y > 0.03 && p.y < 2.0 && std::fabs(p.z) < 75;
        ASSERT_FALSE(inCorridor) << piece.name << " at " << p.x << " " << p.y << " " << p.z;
      }
    }
  }
  for (const V3& c : cams) {
    EXPECT_GT(c.y, 0.2);  // every camera stays above the road
    EXPECT_GT(c.x, -1.0);
    EXPECT_LT(c.x, 6.0);
  }
}

TEST(Scenery, BillboardsAndMarkersHaveSomethingToStandOn) {
  Mesh walls = BuildWalls();
  // The billboards stand at x = 9 and x = -18 from z = -90 to 87 (up to 1.5 either side), with
  // their lower edge at y = 0.2 or 0.5; the walls are 0.5 high under all of them.
  for (double wx : {kWallRightX, kWallLeftX}) {
    double zmin = 1e9, zmax = -1e9, top = 0;
    for (const Vertex& v : walls.vertices)
      if (std::fabs(v.p.x - wx) < 0.25) {
        zmin = std::min(zmin, v.p.z);
        zmax = std::max(zmax, v.p.z);
        top = std::max(top, v.p.y);
      }
    EXPECT_LT(zmin, -91.5);
    EXPECT_GT(zmax, 88.5);
    EXPECT_NEAR(top, kWallHeight, 1e-9);
  }
  // A base under each marker post (x = -4.5, z = 9 i - 90, bottom edge of the sprite at 0.1475).
  for (int i = 0; i < 20; ++i) {
    double z = 9.0 * i - 90;
    bool found = false;
    for (const Vertex& v : walls.vertices)
      if (std::fabs(v.p.x + 4.5) < 0.2 && std::fabs(v.p.z - z) < 0.2 && std::fabs(v.p.y - 0.15) < 1e-9) found = true;
    EXPECT_TRUE(found) << "marker base at z " << z;
  }
}

TEST(Scenery, GroundRoadAndNightGroundDoNotOverlap) {
  const double left = kRoadLeft - 0.6, right = kRoadRight + 0.6;  // kerbs included
  for (const Mesh& m : {BuildGround(), BuildNightScene()}) {
    for (size_t t = 0; t < m.indices.size(); t += 3) {
      double x0 = 1e9, x1 = -1e9, z0 = 1e9, z1 = -1e9, y = 0;
      for (int k = 0; k < 3; ++k) {
        const V3& p = m.vertices[m.indices[t + k]].p;
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        z0 = std::min(z0, p.z);
        z1 = std::max(z1, p.z);
        y = std::max(y, p.y);
      }
      if (y > 0.05 || z1 <= -300 || z0 >= 300) continue;  // not ground, or beyond the track's ends
      bool overlaps = x0 < right - 1e-6 && x1 > left + 1e-6;
      // Gravel verges lie beside the kerbs, inside the ground mesh but not on the road.
      bool verge = (x1 <= kRoadLeft - 0.6 + 1e-6) || (x0 >= kRoadRight + 0.6 - 1e-6);
      ASSERT_TRUE(!overlaps || verge) << "ground triangle over the road at x " << x0 << ".." << x1;
    }
  }
  // The road lies above the grass, below the tyres (0.001) and the car's shadow.
  for (const Vertex& v : BuildRoad().vertices) {
    EXPECT_LT(v.p.y, 0.0);
    EXPECT_GT(v.p.y, -0.02);
  }
}

TEST(Scenery, FlattenedShadowsKeepTheirNormalsAndFaceUp) {
  for (const Mesh& m : {BuildTreeShadows(), BuildGrandstandShadow(), BuildPitShadow()}) {
    ASSERT_FALSE(m.indices.empty());
    // The saver flattens them (y := 0): horizontal normals survive that matrix unchanged.
    for (const Vertex& v : m.vertices) ASSERT_EQ(v.n.y, 0.0);
    for (size_t t = 0; t < m.indices.size(); t += 3) {
      const V3 a = m.vertices[m.indices[t]].p, b = m.vertices[m.indices[t + 1]].p, c = m.vertices[m.indices[t + 2]].p;
      EXPECT_GT(Cross(b - a, c - a).y, 0);
    }
  }
}

TEST(Scenery, NightSkyEnclosesTheTrackAndFacesIn) {
  Mesh night = BuildNightScene();
  double reach = 0;
  size_t facingIn = 0, total = 0;
  for (size_t t = 0; t < night.indices.size(); t += 3) {
    const V3 a = night.vertices[night.indices[t]].p, b = night.vertices[night.indices[t + 1]].p,
             c = night.vertices[night.indices[t + 2]].p;
    V3 mid = (a + b + c) * (1.0 / 3);
    if (Length(mid - V3{2, -20, 0}) < 400) continue;  // the dome only
    ++total;
    reach = std::max(reach, Length(mid));
    if (Dot(Cross(b - a, c - a), V3{2, -20, 0} - mid) > 0) ++facingIn;
  }
  EXPECT_GT(total, 100u);
  EXPECT_EQ(facingIn, total);
  EXPECT_LT(reach, 1000);
  for (const V3& cam : CameraPath()) EXPECT_LT(Length(cam - V3{2, -20, 0}), 400);
}

TEST(Scenery, GlowsAreLitByTheirOwnColours) {
  // Normals toward light 0 make the lit colour the vertex colour at night (N.L = 1).
  const V3 toLight = Normalize(V3{0.41, 0.82, 0.41});
  for (const Mesh& m : {BuildNightGlow(), BuildSky()})
    for (const Vertex& v : m.vertices) ASSERT_NEAR(Dot(v.n, toLight), 1.0, 1e-9);
  // Glow discs fade to nothing at their rims (alpha 0 there), so the additive blend leaves no edge.
  Mesh glow = BuildNightGlow();
  size_t clear = 0;
  for (const Vertex& v : glow.vertices) clear += (v.diffuse >> 24) == 0;
  EXPECT_GT(clear, glow.vertices.size() / 2);
}

}  // namespace
}  // namespace databuild
