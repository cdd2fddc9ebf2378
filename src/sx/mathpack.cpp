#include "sx/mathpack.h"

#include <cmath>

namespace sx {

namespace {

struct TrigTables {
  std::array<float, kAngleSteps> sine;
  std::array<float, kAngleSteps> cosine;
};

TrigTables BuildTrigTables() {
  constexpr long double kPi = 3.141592653589793238462643383279502884L;
  TrigTables t{};
  for (int i = 0; i < kAngleSteps; ++i) {
    const long double a = static_cast<long double>(i) / 2048.0L * kPi;
    t.sine[i] = static_cast<float>(std::sin(a));
    t.cosine[i] = static_cast<float>(std::cos(a));
  }
  return t;
}

const TrigTables& Tables() {
  static const TrigTables tables = BuildTrigTables();
  return tables;
}

// Rounds to a 32-bit float even where the compiler keeps floats in wider registers (x87).
float Single(float value) {
  volatile float stored = value;
  return stored;
}

}  // namespace

const std::array<float, kAngleSteps>& SinTable() { return Tables().sine; }
const std::array<float, kAngleSteps>& CosTable() { return Tables().cosine; }

Vec3 Vec3Make(float x, float y, float z) { return {x, y, z}; }
Vec2 Vec2Make(float x, float y) { return {x, y}; }
Vec3 Vec3Add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Vec3Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 Vec3Scale(const Vec3& v, float s) { return {s * v.x, s * v.y, s * v.z}; }

float Vec3Length(const Vec3& v) {
  const long double sum = static_cast<long double>(Single(v.x * v.x)) + Single(v.y * v.y) + Single(v.z * v.z);
  return Single(static_cast<float>(std::sqrt(sum)));
}

Vec3 Vec3Normalize(const Vec3& v) {
  const float len = Vec3Length(v);
  if (len == 0.0f) return {0, 0, 0};
  return {v.x / len, v.y / len, v.z / len};
}

Vec3 Vec3RotateX(const Vec3& v, AngleUnit angle) {
  const float s = SinTable()[angle & 0xFFF];
  const float c = CosTable()[angle & 0xFFF];
  return {v.x, v.y * c + v.z * s, -v.y * s + v.z * c};
}

Vec3 Vec3RotateY(const Vec3& v, AngleUnit angle) {
  const float s = SinTable()[angle & 0xFFF];
  const float c = CosTable()[angle & 0xFFF];
  return {v.x * c - v.z * s, v.y, v.x * s + v.z * c};
}

Vec4 Vec3ToVec4(const Vec3& v) { return {v.x, v.y, v.z, 1.0f}; }

Vec3 VectorTransform(const Vec3& v, const Mat4& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2]};
}

Vec4 Vec4Transform(const Vec4& v, const Mat4& m) {
  Vec4 r;
  float* out[4] = {&r.x, &r.y, &r.z, &r.w};
  for (int c = 0; c < 4; ++c) {
    *out[c] = v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c] + v.w * m.m[3][c];
  }
  return r;
}

bool Vec4Project(const Vec4& v, Vec4& dest) {
  if (v.w == 0.0f) return false;
  const float r = 1.0f / v.w;
  dest = {v.x * r, v.y * r, v.z * r, r};
  return true;
}

Mat4 MatMultiply(const Mat4& a, const Mat4& b) {
  Mat4 out;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
    }
  }
  return out;
}

Mat4 MatRotationZ(AngleUnit angle) {
  const float s = SinTable()[angle & 0xFFF];
  const float c = CosTable()[angle & 0xFFF];
  return {{{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

Mat4 MatInverseRigid(const Mat4& m) {
  Mat4 out;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) out.m[r][c] = m.m[c][r];
    out.m[r][3] = 0;
  }
  const float tx = m.m[3][0], ty = m.m[3][1], tz = m.m[3][2];
  for (int i = 0; i < 3; ++i) out.m[3][i] = -(m.m[i][0] * tx + m.m[i][1] * ty + m.m[i][2] * tz);
  out.m[3][3] = 1;
  return out;
}

float Mat3Determinant(const Mat4& m) {
  const auto& a = m.m;
  return a[0][0] * (a[1][1] * a[2][2] - a[2][1] * a[1][2]) - a[0][1] * (a[2][2] * a[1][0] - a[1][2] * a[2][0]) +
         a[0][2] * (a[2][1] * a[1][0] - a[1][1] * a[2][0]);
}

D3DMATERIAL9 MakeMaterial(float diffuseR, float diffuseG, float diffuseB, float specularR, float specularG,
                          float specularB, float ambientR, float ambientG, float ambientB, float emissiveR,
                          float emissiveG, float emissiveB, float power) {
  D3DMATERIAL9 m;
  m.Diffuse = {diffuseR, diffuseG, diffuseB, 1.0f};
  m.Specular = {specularR, specularG, specularB, 1.0f};
  m.Ambient = {ambientR, ambientG, ambientB, 1.0f};
  m.Emissive = {emissiveR, emissiveG, emissiveB, 1.0f};
  m.Power = power;
  return m;
}

SpriteVertex MakeSpriteVertex(float x, float y, std::uint32_t color, float tu, float tv) {
  return {x, y, color, tu, tv};
}

BlendMode MakeBlendMode(std::uint8_t sorted, std::uint8_t alphaTest, std::uint32_t alphaFunc, std::uint8_t blending,
                        std::uint32_t srcBlend, std::uint32_t destBlend, std::uint32_t blendOp) {
  return {sorted, alphaTest, alphaFunc, blending, srcBlend, destBlend, blendOp};
}

}  // namespace sx
