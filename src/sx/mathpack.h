// The math pack of the scene graph: vectors, 4x4 matrices in Direct3D's layout, integer-angle
// rotations from precomputed tables, and makers for the small records the renderer passes around.
//
// Conventions (those of Direct3D 9): Mat4 is row-major, element m[r][c] at float 4r + c, the
// layout of D3DMATRIX; points are row vectors, p' = p x M, the translation is row 3, and A x B
// applies A first. Angles are AngleUnit: 4096 units a full turn (1024 = 90 degrees), only the low
// 12 bits count (-1 means 4095). Every operation returns its result by value and allocates nothing.
// The records it makes are Direct3D's (D3DMATERIAL9, D3DLIGHT9, ...), so it brings platform/d3d.h with it.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

#include "platform/d3d.h"

namespace sx {

struct Vec2 {
  float x, y;
};

struct Vec3 {
  float x, y, z;  // the layout of D3DVECTOR
};

struct Vec4 {
  float x, y, z, w;
};

struct Mat4 {
  float m[4][4];
};
static_assert(sizeof(Mat4) == 16 * sizeof(float) && std::is_standard_layout_v<Mat4>,
              "Mat4 must have the layout of D3DMATRIX");

inline constexpr Mat4 MatIdentity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

using AngleUnit = std::int32_t;
constexpr int kAngleSteps = 4096;

// Entry i holds sin(i * pi / 2048) and cos(i * pi / 2048), computed in extended precision and
// rounded to float. Built on first use, read-only afterwards.
const std::array<float, kAngleSteps>& SinTable();
const std::array<float, kAngleSteps>& CosTable();

// One corner of a screen sprite: offsets in pixels, colour 0xAARRGGBB, texture coordinates.
// Four make a sprite, in triangle-strip order.
struct SpriteVertex {
  float x, y;
  std::uint32_t color;
  float tu, tv;
};

// One row of the scene's blend-mode table: `sorted` 1 sends entries to the depth-sorted queue;
// `alphaTest` non-zero enables the alpha test with its low 7 bits; `alphaFunc` a D3DCMPFUNC;
// `blending` enables alpha blending; `srcBlend`, `destBlend` D3DBLEND; `blendOp` D3DBLENDOP.
struct BlendMode {
  std::uint8_t sorted;
  std::uint8_t alphaTest;
  std::uint32_t alphaFunc;
  std::uint8_t blending;
  std::uint32_t srcBlend;
  std::uint32_t destBlend;
  std::uint32_t blendOp;
};

Vec3 Vec3Make(float x, float y, float z);
Vec2 Vec2Make(float x, float y);
Vec3 Vec3Add(const Vec3& a, const Vec3& b);
Vec3 Vec3Sub(const Vec3& a, const Vec3& b);
Vec3 Vec3Cross(const Vec3& a, const Vec3& b);
Vec3 Vec3Scale(const Vec3& v, float s);
// Each square rounded to float, the sum's square root rounded to float.
float Vec3Length(const Vec3& v);
// v / length; (0, 0, 0) only when the length is exactly 0 (no epsilon).
Vec3 Vec3Normalize(const Vec3& v);
// Rotations about x and y: RotateX(0,1,0 by 1024) = (0,0,-1); RotateY(1,0,0 by 1024) = (0,0,1).
Vec3 Vec3RotateX(const Vec3& v, AngleUnit angle);
Vec3 Vec3RotateY(const Vec3& v, AngleUnit angle);
Vec4 Vec3ToVec4(const Vec3& v);  // (x, y, z, 1)
// x, y, z of (v, 1) x M; the matrix's fourth column is not used.
Vec3 VectorTransform(const Vec3& v, const Mat4& m);
Vec4 Vec4Transform(const Vec4& v, const Mat4& m);
// With w != 0 writes (x/w, y/w, z/w, 1/w) to `dest` and returns true; with w = 0 leaves `dest`
// untouched and returns false.
bool Vec4Project(const Vec4& v, Vec4& dest);

Mat4 MatMultiply(const Mat4& a, const Mat4& b);
// Rotation about z: MatRotationZ(1024) maps (1, 0, 0) to (0, 1, 0).
Mat4 MatRotationZ(AngleUnit angle);
// Inverse of a rotation-plus-translation matrix (orthonormal 3x3 block); scale is not undone.
Mat4 MatInverseRigid(const Mat4& m);
// Determinant of the upper-left 3x3 block.
float Mat3Determinant(const Mat4& m);

// A Direct3D material from diffuse, specular, ambient and emissive red, green, blue (in that
// order, 0..1 each) and the specular power; every colour gets alpha 1.
D3DMATERIAL9 MakeMaterial(float diffuseR, float diffuseG, float diffuseB, float specularR, float specularG,
                          float specularB, float ambientR, float ambientG, float ambientB, float emissiveR,
                          float emissiveG, float emissiveB, float power);

SpriteVertex MakeSpriteVertex(float x, float y, std::uint32_t color, float tu, float tv);
BlendMode MakeBlendMode(std::uint8_t sorted, std::uint8_t alphaTest, std::uint32_t alphaFunc, std::uint8_t blending,
                        std::uint32_t srcBlend, std::uint32_t destBlend, std::uint32_t blendOp);

}  // namespace sx
