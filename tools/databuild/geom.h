// Small double-precision vector and matrix helpers for modelling the data set.
//
// Conventions are Direct3D's: left-handed, y up, row vectors (p' = p * M), translation in row 3.
// Lengths are in model units (the car is about 2.8 units long); angles are radians unless a name
// says otherwise.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace databuild {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
  double x = 0, y = 0, z = 0;
};

inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator-(V3 a) { return {-a.x, -a.y, -a.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 operator*(double s, V3 a) { return a * s; }
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Length(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Normalize(V3 a) {
  double l = Length(a);
  return l > 0 ? a * (1.0 / l) : V3{0, 1, 0};
}
inline V3 Lerp(V3 a, V3 b, double t) { return a + (b - a) * t; }

inline double Clamp(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }
inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }
inline double Smoothstep(double e0, double e1, double x) {
  double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}
// Smooth bump: 1 at c, falling to 0 at c +- w (cosine shaped).
inline double Bump(double x, double c, double w) {
  double t = (x - c) / w;
  return std::fabs(t) >= 1 ? 0.0 : 0.5 + 0.5 * std::cos(t * kPi);
}
// Signed power that keeps the sign: used for superellipse sections.
inline double SPow(double v, double e) { return v < 0 ? -std::pow(-v, e) : std::pow(v, e); }

// 4x4 row-major matrix, m[r][c]; points are row vectors.
struct M4 {
  double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  static M4 Identity() { return {}; }
  static M4 Translation(V3 t) {
    M4 r;
    r.m[3][0] = t.x;
    r.m[3][1] = t.y;
    r.m[3][2] = t.z;
    return r;
  }
  static M4 Scale(V3 s) {
    M4 r;
    r.m[0][0] = s.x;
    r.m[1][1] = s.y;
    r.m[2][2] = s.z;
    return r;
  }
  // Rotation about x by the math pack's rule: y' = y c + z s, z' = -y s + z c.
  static M4 RotX(double a) {
    M4 r;
    double c = std::cos(a), s = std::sin(a);
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
  }
  // Rotation about y: x' = x c - z s, z' = x s + z c.
  static M4 RotY(double a) {
    M4 r;
    double c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c;
    r.m[0][2] = s;
    r.m[2][0] = -s;
    r.m[2][2] = c;
    return r;
  }
  // Rotation about z: rows (c, s), (-s, c).
  static M4 RotZ(double a) {
    M4 r;
    double c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
  }
  // Frame matrix from its axes and origin (rows x, y, z, origin).
  static M4 Frame(V3 x, V3 y, V3 z, V3 o) {
    M4 r;
    double rows[4][3] = {{x.x, x.y, x.z}, {y.x, y.y, y.z}, {z.x, z.y, z.z}, {o.x, o.y, o.z}};
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 3; ++j) r.m[i][j] = rows[i][j];
    return r;
  }
};

inline M4 operator*(const M4& a, const M4& b) {
  M4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

inline V3 TransformPoint(V3 p, const M4& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
inline V3 TransformDir(V3 p, const M4& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0], p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2]};
}
inline double Det3(const M4& m) {
  return m.m[0][0] * (m.m[1][1] * m.m[2][2] - m.m[2][1] * m.m[1][2]) -
         m.m[0][1] * (m.m[2][2] * m.m[1][0] - m.m[1][2] * m.m[2][0]) +
         m.m[0][2] * (m.m[2][1] * m.m[1][0] - m.m[1][1] * m.m[2][0]);
}

// Fixed-sequence pseudo-random generator (SplitMix64): the same start value gives the same
// sequence on every run and every machine.
class Rng {
 public:
  explicit Rng(uint64_t start) : state_(start) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Int(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

 private:
  uint64_t state_;
};

// Integer lattice hash in [0, 1), for value noise in textures and colour variation.
inline double Hash01(int64_t x, int64_t y, uint64_t salt = 0) {
  uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B185EBCA87ull ^ static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^
               (salt + 0x165667B19E3779F9ull);
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace databuild
