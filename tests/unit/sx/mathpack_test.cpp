#include "sx/mathpack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using namespace sx;

namespace {

constexpr float kTol = 1e-6f;

void ExpectNear(const Vec3& v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void ExpectIdentity(const Mat4& m, float tol) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(m.m[r][c], r == c ? 1.0f : 0.0f, tol) << r << "," << c;
  }
}

Mat4 Translation(float x, float y, float z) {
  Mat4 m = MatIdentity;
  m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
  return m;
}

// A rotation about x built from the vector rotation: its rows are the rotated unit axes.
Mat4 RotationX(AngleUnit a) {
  Mat4 m = MatIdentity;
  const Vec3 axes[3] = {Vec3RotateX({1, 0, 0}, a), Vec3RotateX({0, 1, 0}, a), Vec3RotateX({0, 0, 1}, a)};
  for (int r = 0; r < 3; ++r) m.m[r][0] = axes[r].x, m.m[r][1] = axes[r].y, m.m[r][2] = axes[r].z;
  return m;
}

}  // namespace

TEST(TrigTables, HoldTheSinesAndCosinesOfTheAngleSteps) {
  const auto& s = SinTable();
  const auto& c = CosTable();
  EXPECT_EQ(s[0], 0.0f);
  EXPECT_EQ(c[0], 1.0f);
  EXPECT_EQ(s[1024], 1.0f);
  EXPECT_EQ(s[3072], -1.0f);
  EXPECT_EQ(c[2048], -1.0f);
  EXPECT_NEAR(s[2048], 0.0f, 1e-15f);
  EXPECT_NEAR(c[1024], 0.0f, 1e-15f);
  EXPECT_EQ(s[512], static_cast<float>(std::sqrt(0.5L)));
  for (int i = 0; i < kAngleSteps; ++i) {
    // Rounded from an accurate value: within one float step of the double-precision result.
    const double a = i * 3.14159265358979323846 / 2048;
    const float ds = static_cast<float>(std::sin(a)), dc = static_cast<float>(std::cos(a));
    // Near the zeros the double-precision pi itself is off by about 1e-16.
    EXPECT_LE(std::fabs(s[i] - ds), std::max(std::fabs(std::nextafter(ds, 2.0f) - ds), 2e-16f)) << i;
    EXPECT_LE(std::fabs(c[i] - dc), std::max(std::fabs(std::nextafter(dc, 2.0f) - dc), 2e-16f)) << i;
  }
}

TEST(Rotations, QuarterTurnsAndAngleWrapping) {
  ExpectNear(Vec3RotateY({1, 0, 0}, 1024), 0, 0, 1);
  ExpectNear(Vec3RotateX({0, 1, 0}, 1024), 0, 0, -1);
  ExpectNear(VectorTransform({1, 0, 0}, MatRotationZ(1024)), 0, 1, 0);
  ExpectNear(Vec3RotateX({0, 0, 1}, 1024), 0, 1, 0);
  ExpectNear(Vec3RotateY({0, 0, 1}, 1024), -1, 0, 0);
  const Vec3 v{0.3f, -1.5f, 2.25f};
  for (AngleUnit a : {0, 1, 700, 2048, 4095}) {
    for (AngleUnit same : {a + 4096, a - 4096, a + 4096 * 1000}) {
      const Vec3 r1 = Vec3RotateY(v, a), r2 = Vec3RotateY(v, same);
      EXPECT_EQ(r1.x, r2.x);
      EXPECT_EQ(r1.z, r2.z);
      EXPECT_EQ(Vec3RotateX(v, a).y, Vec3RotateX(v, same).y);
    }
  }
  const Vec3 minus = Vec3RotateY(v, -1024), back = Vec3RotateY(v, 3072);
  EXPECT_EQ(minus.x, back.x);
  EXPECT_EQ(minus.z, back.z);
  // A rotation keeps the length; rotating by a and then by -a returns the vector.
  const Vec3 r = Vec3RotateY(Vec3RotateY(v, 333), -333);
  ExpectNear(r, v.x, v.y, v.z, 1e-5f);
  EXPECT_NEAR(Vec3Length(Vec3RotateX(v, 1234)), Vec3Length(v), 1e-5f);
}

TEST(Vectors, ArithmeticAndCross) {
  ExpectNear(Vec3Add({1, 2, 3}, {4, 5, 6}), 5, 7, 9);
  ExpectNear(Vec3Sub({1, 2, 3}, {4, 5, 6}), -3, -3, -3);
  ExpectNear(Vec3Scale({1, -2, 3}, 2), 2, -4, 6);
  ExpectNear(Vec3Cross({1, 0, 0}, {0, 1, 0}), 0, 0, 1);
  ExpectNear(Vec3Cross({0, 1, 0}, {1, 0, 0}), 0, 0, -1);
  ExpectNear(Vec3Cross({2, 3, 4}, {5, 6, 7}), -3, 6, -3);
  const Vec4 h = Vec3ToVec4({1, 2, 3});
  EXPECT_EQ(h.w, 1.0f);
  EXPECT_EQ(Vec2Make(1.5f, -2).y, -2.0f);
}

TEST(Vectors, LengthRoundsEachSquareToFloat) {
  EXPECT_EQ(Vec3Length({3, 4, 0}), 5.0f);
  EXPECT_EQ(Vec3Length({0, 0, 0}), 0.0f);
  EXPECT_EQ(Vec3Length({2, 3, 6}), 7.0f);
  // The squares are floats: 1e20 squared overflows, 1e-30 squared vanishes.
  EXPECT_EQ(Vec3Length({1e20f, 0, 0}), std::numeric_limits<float>::infinity());
  EXPECT_EQ(Vec3Length({1e-30f, 0, 0}), 0.0f);
}

TEST(Vectors, NormalizeHasNoEpsilon) {
  ExpectNear(Vec3Normalize({0, 0, 1e-10f}), 0, 0, 1);
  ExpectNear(Vec3Normalize({3, 0, 4}), 0.6f, 0, 0.8f);
  const Vec3 zero = Vec3Normalize({0, 0, 0});
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
  const Vec3 tiny = Vec3Normalize({0, 0, 1e-30f});  // its length is exactly 0 as a float
  EXPECT_EQ(tiny.z, 0.0f);
}

TEST(Vectors, ProjectLeavesTheDestinationAloneAtWZero) {
  Vec4 dest{7, 8, 9, 10};
  EXPECT_FALSE(Vec4Project({1, 2, 3, 0}, dest));
  EXPECT_EQ(dest.x, 7.0f);
  EXPECT_EQ(dest.w, 10.0f);
  EXPECT_TRUE(Vec4Project({2, 4, -6, 2}, dest));
  EXPECT_EQ(dest.x, 1.0f);
  EXPECT_EQ(dest.y, 2.0f);
  EXPECT_EQ(dest.z, -3.0f);
  EXPECT_EQ(dest.w, 0.5f);
}

TEST(Matrices, LayoutIsThatOfD3DMatrix) {
  const Mat4 t = Translation(1, 2, 3);
  const float* f = &t.m[0][0];
  EXPECT_EQ(f[12], 1.0f);
  EXPECT_EQ(f[13], 2.0f);
  EXPECT_EQ(f[14], 3.0f);
  EXPECT_EQ(f[15], 1.0f);
}

TEST(Matrices, ProductAppliesTheLeftMatrixFirst) {
  const Mat4 rot = MatRotationZ(1024), move = Translation(5, 0, 0);
  // Rotate, then move: (1,0,0) -> (0,1,0) -> (5,1,0). The other order gives (0,6,0).
  ExpectNear(VectorTransform({1, 0, 0}, MatMultiply(rot, move)), 5, 1, 0);
  ExpectNear(VectorTransform({1, 0, 0}, MatMultiply(move, rot)), 0, 6, 0);
  const Mat4 i = MatMultiply(MatIdentity, rot);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(i.m[r][c], rot.m[r][c]);
  }
}

TEST(Matrices, PointTransforms) {
  Mat4 m = MatMultiply(MatRotationZ(512), Translation(1, -2, 3));
  m.m[0][3] = 9, m.m[1][3] = 9, m.m[2][3] = 9, m.m[3][3] = 9;  // not used by VectorTransform
  const Vec3 p = VectorTransform({1, 0, 0}, m);
  const float h = std::sqrt(0.5f);
  ExpectNear(p, h + 1, h - 2, 3);
  const Vec4 q = Vec4Transform({1, 0, 0, 2}, m);
  EXPECT_NEAR(q.x, h + 2, kTol);
  EXPECT_NEAR(q.y, h - 4, kTol);
  EXPECT_NEAR(q.z, 6, kTol);
  EXPECT_NEAR(q.w, 9 + 18, kTol);  // the fourth column counts here
}

TEST(Matrices, RigidInverse) {
  const Mat4 inv = MatInverseRigid(Translation(1, 2, 3));
  ExpectIdentity(MatMultiply(inv, Translation(1, 2, 3)), 0);
  EXPECT_EQ(inv.m[3][0], -1.0f);
  EXPECT_EQ(inv.m[3][1], -2.0f);
  EXPECT_EQ(inv.m[3][2], -3.0f);
  std::mt19937 rng(5);
  for (int k = 0; k < 200; ++k) {
    const Mat4 m =
        MatMultiply(MatMultiply(RotationX(static_cast<AngleUnit>(rng())), MatRotationZ(static_cast<AngleUnit>(rng()))),
                    Translation(float(rng() % 200) - 100, float(rng() % 200) - 100, float(rng() % 200) - 100));
    ExpectIdentity(MatMultiply(m, MatInverseRigid(m)), 1e-4f);
    ExpectIdentity(MatMultiply(MatInverseRigid(m), m), 1e-4f);
  }
  // Scale is not undone: the block is only transposed.
  Mat4 scaled = MatIdentity;
  scaled.m[0][0] = 2;
  EXPECT_EQ(MatInverseRigid(scaled).m[0][0], 2.0f);
}

TEST(Matrices, Determinant) {
  EXPECT_NEAR(Mat3Determinant(MatMultiply(RotationX(300), MatRotationZ(1000))), 1.0f, 1e-5f);
  Mat4 m = MatIdentity;
  m.m[0][0] = 2, m.m[1][1] = 3, m.m[2][2] = 4, m.m[3][3] = 100;
  EXPECT_EQ(Mat3Determinant(m), 24.0f);
  const Mat4 g = {{{2, -3, 1, 0}, {2, 0, -1, 0}, {1, 4, 5, 0}, {7, 7, 7, 1}}};
  EXPECT_EQ(Mat3Determinant(g), 49.0f);
  Mat4 swapped = g;
  std::swap(swapped.m[0], swapped.m[1]);
  EXPECT_EQ(Mat3Determinant(swapped), -49.0f);
}

TEST(Records, MakersKeepTheArgumentOrder) {
  const SpriteVertex v = MakeSpriteVertex(1, 2, 0x80FF0000u, 0.25f, 0.75f);
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.y, 2.0f);
  EXPECT_EQ(v.color, 0x80FF0000u);
  EXPECT_EQ(v.tu, 0.25f);
  EXPECT_EQ(v.tv, 0.75f);
  const BlendMode b = MakeBlendMode(1, 0x85, 7, 1, 5, 6, 2);
  EXPECT_EQ(b.sorted, 1);
  EXPECT_EQ(b.alphaTest, 0x85);
  EXPECT_EQ(b.alphaFunc, 7u);
  EXPECT_EQ(b.blending, 1);
  EXPECT_EQ(b.srcBlend, 5u);
  EXPECT_EQ(b.destBlend, 6u);
  EXPECT_EQ(b.blendOp, 2u);
}

TEST(Records, MakeMaterialTakesDiffuseSpecularAmbientEmissiveAndPowerWithAlphaOne) {
  const D3DMATERIAL9 m = MakeMaterial(0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 0.15f, 0.25f, 0.35f, 12);
  EXPECT_EQ(m.Diffuse.r, 0.1f);
  EXPECT_EQ(m.Diffuse.b, 0.3f);
  EXPECT_EQ(m.Specular.r, 0.4f);
  EXPECT_EQ(m.Specular.b, 0.6f);
  EXPECT_EQ(m.Ambient.g, 0.8f);
  EXPECT_EQ(m.Emissive.r, 0.15f);
  EXPECT_EQ(m.Emissive.b, 0.35f);
  EXPECT_EQ(m.Power, 12.0f);
  for (const D3DCOLORVALUE& c : {m.Diffuse, m.Specular, m.Ambient, m.Emissive}) EXPECT_EQ(c.a, 1.0f);
}
