// The modelling toolkit: profile curves that pass through their points without overshoot,
// section splines, mesh builders that wind every face along its normals (also after mirroring),
// closed solids, and the fixed-sequence generator.
#include <gtest/gtest.h>

#include <cmath>

#include "curves.h"
#include "geom.h"
#include "mesh.h"

namespace databuild {
namespace {

bool FacesAgreeWithNormals(const Mesh& m) {
  for (size_t t = 0; t < m.indices.size(); t += 3) {
    const Vertex &a = m.vertices[m.indices[t]], &b = m.vertices[m.indices[t + 1]], &c = m.vertices[m.indices[t + 2]];
    if (Dot(Cross(b.p - a.p, c.p - a.p), a.n + b.n + c.n) <= 0) return false;
  }
  return true;
}

// Signed volume of a closed mesh (positive when its faces point outward).
double Volume(const Mesh& m) {
  double v = 0;
  for (size_t t = 0; t < m.indices.size(); t += 3) {
    const V3 a = m.vertices[m.indices[t]].p, b = m.vertices[m.indices[t + 1]].p, c = m.vertices[m.indices[t + 2]].p;
    v += Dot(a, Cross(b, c)) / 6;
  }
  return v;
}

TEST(Profile, PassesThroughItsPointsWithoutOvershoot) {
  Profile1D p({{0, 0}, {1, 1}, {2, 1}, {3, 4}, {5, 4.5}});
  EXPECT_DOUBLE_EQ(p(0), 0);
  EXPECT_DOUBLE_EQ(p(1), 1);
  EXPECT_DOUBLE_EQ(p(3), 4);
  EXPECT_DOUBLE_EQ(p(-7), 0);  // constant beyond the ends
  EXPECT_DOUBLE_EQ(p(9), 4.5);
  // Between two equal values it stays flat; elsewhere it never leaves the range of its neighbours.
  for (double x = 1; x <= 2; x += 0.05) EXPECT_NEAR(p(x), 1, 1e-12);
  for (double x = 2; x <= 3; x += 0.01) {
    EXPECT_GE(p(x), 1 - 1e-12);
    EXPECT_LE(p(x), 4 + 1e-12);
  }
  double prev = -1;
  for (double x = 0; x <= 5; x += 0.01) {
    EXPECT_GE(p(x), prev - 1e-12);  // the points rise, so the curve does too
    prev = p(x);
  }
  // Unsorted input is sorted.
  Profile1D q({{2, 4}, {0, 0}, {1, 2}});
  EXPECT_DOUBLE_EQ(q(1), 2);
}

TEST(Section, SplineHitsItsControlPointsAtWholeParameters) {
  std::vector<P2> pts = {{0, 0}, {1, 0}, {1.5, 0.5}, {1.4, 1.5}, {0, 2}};
  for (size_t i = 0; i < pts.size(); ++i) {
    P2 q = CatmullRom(pts, {-1, 0}, {-1.4, 1.5}, static_cast<double>(i));
    EXPECT_NEAR(q.x, pts[i].x, 1e-9);
    EXPECT_NEAR(q.y, pts[i].y, 1e-9);
  }
  // Smooth: small parameter steps give small moves, and the curve stays near the polygon.
  P2 last = CatmullRom(pts, {-1, 0}, {-1.4, 1.5}, 0);
  for (double s = 0.01; s <= 4; s += 0.01) {
    P2 q = CatmullRom(pts, {-1, 0}, {-1.4, 1.5}, s);
    EXPECT_LT(std::hypot(q.x - last.x, q.y - last.y), 0.05);
    EXPECT_LT(q.x, 1.7);
    last = q;
  }
  // Mirrored phantom points give a tangent across the symmetry line at the ends.
  P2 a = CatmullRom(pts, {-1, 0}, {-1.4, 1.5}, 0.0), b = CatmullRom(pts, {-1, 0}, {-1.4, 1.5}, 0.01);
  EXPECT_NEAR(b.y - a.y, 0, 1e-3);
}

TEST(MeshBuilder, GridFacesFollowTheNormalsWhicheverWayTheyPoint) {
  for (double side : {1.0, -1.0}) {
    Mesh m;
    m.AddGrid(4, 3, [side](double s, double t) { return Sample{{s, t, 0}, {0, 0, side}, {}}; });
    EXPECT_EQ(m.TriangleCount(), 24u);
    EXPECT_TRUE(FacesAgreeWithNormals(m));
  }
  // Degenerate quads (a fan at a pole) are dropped rather than drawn with no area.
  Mesh pole;
  pole.AddGrid(6, 2, [](double s, double t) {
    double r = t, a = 2 * kPi * s;
    return Sample{{r * std::cos(a), r * std::sin(a), 0}, {0, 0, -1}, {}};
  });
  EXPECT_EQ(pole.TriangleCount(), 6u + 12u);
  EXPECT_TRUE(FacesAgreeWithNormals(pole));
}

TEST(MeshBuilder, SolidsAreClosedAndOutward) {
  Mesh box, rounded, sphere, tube, cyl;
  AddBox(box, {0, 0, 0}, {1, 2, 3}, {});
  EXPECT_NEAR(Volume(box), 6, 1e-9);
  AddRoundedBox(rounded, {-1, 0, -1}, {1, 1, 1}, 0.2, 4, {});
  EXPECT_NEAR(Volume(rounded), (4 - (4 - kPi) * 0.04) * 1, 0.01);
  AddEllipsoid(sphere, {1, 1, 1}, {1, 1, 1}, 32, 16, {});
  EXPECT_NEAR(Volume(sphere), 4.0 / 3 * kPi, 0.1);
  AddTube(tube, {{0, 0, 0}, {0, 0, 1}, {0, 1, 2}}, 0.1, 12, {});
  EXPECT_GT(Volume(tube), 0);
  AddCylinder(cyl, {0, 0, 0}, {0, 2, 0}, 0.5, 24, {});
  EXPECT_NEAR(Volume(cyl), kPi * 0.25 * 2, 0.03);
  for (const Mesh* m : {&box, &rounded, &sphere, &tube, &cyl}) EXPECT_TRUE(FacesAgreeWithNormals(*m));
}

TEST(MeshBuilder, MirroringKeepsFacesOutward) {
  Mesh m;
  AddEllipsoid(m, {0.5, 0, 0}, {0.3, 0.2, 0.4}, 12, 8, {});
  double before = Volume(m);
  Mesh mirrored = m;
  mirrored.MirrorX();
  EXPECT_NEAR(Volume(mirrored), before, 1e-9);
  EXPECT_TRUE(FacesAgreeWithNormals(mirrored));
  EXPECT_LT(mirrored.BoxMax().x, 0);
  Mesh both = m;
  both.AddMirrorX();
  EXPECT_EQ(both.TriangleCount(), 2 * m.TriangleCount());
  EXPECT_NEAR(Volume(both), 2 * before, 1e-9);
  // A squashing transform turns the normals with the inverse transpose: still perpendicular.
  Mesh squashed = m;
  squashed.Transform(M4::Scale({1, 0.2, 3}));
  EXPECT_TRUE(FacesAgreeWithNormals(squashed));
  for (const Vertex& v : squashed.vertices) EXPECT_NEAR(Length(v.n), 1, 1e-9);
}

TEST(MeshBuilder, StepsMergeBreakPointsWithoutNearDuplicates) {
  std::vector<double> s = MergeSteps(Steps(0, 1, 4), {0.2501, 0.6, 2.0, -1.0}, 0.01);
  EXPECT_EQ(s, (std::vector<double>{0, 0.2501, 0.5, 0.6, 0.75, 1}));
  EXPECT_EQ(Steps(2, 3, 0).size(), 2u);
}

TEST(Rotations, FollowTheMathPackSenses) {
  // Rotation about y by a quarter turn takes x to z; about x it takes y to -z.
  V3 a = TransformPoint({1, 0, 0}, M4::RotY(kPi / 2));
  EXPECT_NEAR(a.z, 1, 1e-12);
  V3 b = TransformPoint({0, 1, 0}, M4::RotX(kPi / 2));
  EXPECT_NEAR(b.z, -1, 1e-12);
  V3 c = TransformPoint({1, 0, 0}, M4::RotZ(kPi / 2));
  EXPECT_NEAR(c.y, 1, 1e-12);
  EXPECT_NEAR(Det3(M4::RotY(0.3) * M4::RotX(1.1)), 1, 1e-12);
  EXPECT_NEAR(Det3(M4::Scale({-1, 1, 1})), -1, 1e-12);
}

TEST(Generator, RepeatsItsSequenceAndSpreadsEvenly) {
  Rng a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 100; ++i) {
    uint64_t x = a.Next();
    EXPECT_EQ(x, b.Next());
    differs |= x != c.Next();
  }
  EXPECT_TRUE(differs);
  Rng r(7);
  int counts[3] = {0, 0, 0};
  double sum = 0;
  for (int i = 0; i < 30000; ++i) {
    ++counts[r.Int(3)];
    double u = r.Unit();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    sum += u;
  }
  for (int k : counts) EXPECT_NEAR(k, 10000, 400);
  EXPECT_NEAR(sum / 30000, 0.5, 0.01);
  EXPECT_EQ(Hash01(3, 4, 9), Hash01(3, 4, 9));
  EXPECT_NE(Hash01(3, 4, 9), Hash01(4, 3, 9));
}

TEST(Colours, PackIntoArgbWithRounding) {
  EXPECT_EQ(PackArgb({1, 0.5, 0, 1}), 0xFFFF8000u);
  EXPECT_EQ(PackArgb({2, -1, 0.2, 0}), 0x00FF0033u);  // clamped
  Colour m = Mix({0, 0, 0, 0}, {1, 1, 1, 1}, 0.25);
  EXPECT_DOUBLE_EQ(m.r, 0.25);
  Colour s = Scale({0.5, 0.2, 0.1, 0.7}, 2);
  EXPECT_DOUBLE_EQ(s.r, 1.0);
  EXPECT_DOUBLE_EQ(s.a, 0.7);
}

}  // namespace
}  // namespace databuild
