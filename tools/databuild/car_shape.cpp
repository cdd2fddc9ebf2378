#include "car_shape.h"

#include <cmath>
#include <vector>

#include "curves.h"

namespace databuild {
namespace car {

namespace {

// Plan-view extent before the end rounding: tips of the nose and the tail.
constexpr double kNoseZ = -1.445, kTailZ = 1.318;
constexpr double kFrontRound = 0.40, kRearRound = 0.27;
constexpr double kFrontCornerZ = kNoseZ + kFrontRound, kRearCornerZ = kTailZ - kRearRound;
constexpr double kPlanExp = 2.35;  // superellipse exponent of the plan-view corners
// Share of u spent in each part, proportional to its length (corners weighted a little more).
constexpr double kLf = kFrontRound * 1.45, kLr = kRearRound * 1.45, kLm = kRearCornerZ - kFrontCornerZ;
constexpr double kUf = kLf / (kLf + kLm + kLr), kUr = kLr / (kLf + kLm + kLr);

struct Profiles {
  Profile1D width, shoulderY, topX, topY, centreY, floorY, roof, sideTuck;
  Profiles()
      : width({{-1.445, 0.56},
               {-1.25, 0.592},
               {-1.05, 0.618},
               {-0.91, 0.627},
               {-0.72, 0.615},
               {-0.48, 0.578},
               {-0.236, 0.5395},
               {0.05, 0.547},
               {0.32, 0.57},
               {0.58, 0.615},
               {0.83, 0.645},
               {1.05, 0.640},
               {1.318, 0.605}}),
        shoulderY({{-1.445, -0.04},
                   {-1.2, 0.03},
                   {-0.91, 0.095},
                   {-0.6, 0.085},
                   {-0.2, 0.06},
                   {0.3, 0.07},
                   {0.83, 0.125},
                   {1.1, 0.11},
                   {1.318, 0.06}}),
        // Inset of the shoulder-top line (control point 6) from the widest point; in the cabin
        // this is where the greenhouse stands.
        topX({{-1.445, 0.15},
              {-1.15, 0.135},
              {-0.91, 0.118},
              {-0.6, 0.085},
              {-0.366, 0.058},
              {-0.1, 0.038},
              {0.2, 0.040},
              {0.5, 0.075},
              {0.7, 0.13},
              {0.862, 0.182},
              {1.05, 0.175},
              {1.318, 0.16}}),
        topY({{-1.40, 0.010},
              {-1.25, 0.105},
              {-1.05, 0.178},
              {-0.91, 0.206},
              {-0.62, 0.236},
              {-0.366, 0.256},
              {0.0, 0.262},
              {0.45, 0.276},
              {0.862, 0.300},
              {1.1, 0.303},
              {1.318, 0.285}}),
        // Bonnet and deck centre line (control point 8).
        centreY({{-1.40, 0.022},
                 {-1.30, 0.080},
                 {-1.15, 0.128},
                 {-0.95, 0.178},
                 {-0.65, 0.226},
                 {-0.366, 0.2535},
                 {0.0, 0.262},
                 {0.45, 0.276},
                 {0.862, 0.2985},
                 {1.05, 0.300},
                 {1.24, 0.312},
                 {1.318, 0.312}}),
        floorY({{-1.445, -0.185}, {-1.25, -0.228}, {-0.95, -0.248}, {0.9, -0.248}, {1.12, -0.225}, {1.318, -0.165}}),
        roof({{kScreenBaseZ, 0.256},
              {-0.25, 0.336},
              {-0.12, 0.424},
              {0.0, 0.486},
              {0.12, 0.514},
              {0.25, 0.519},
              {0.38, 0.503},
              {0.56, 0.450},
              {0.72, 0.386},
              {kRearScreenBaseZ, 0.300}}),
        sideTuck({{-1.445, 0.05}, {-0.91, 0.04}, {0.0, 0.045}, {0.83, 0.04}, {1.318, 0.05}}) {}
};

const Profiles& P() {
  static const Profiles p;
  return p;
}

bool InCabin(double z) { return z > kScreenBaseZ && z < kRearScreenBaseZ; }

// Base z and plan envelope for u.
void Station(double u, double& z, double& e) {
  if (u < kUf) {
    double th = (kPi / 2) * (u / kUf);
    e = std::pow(std::sin(th), 2.0 / kPlanExp);
    z = kFrontCornerZ - kFrontRound * std::pow(std::cos(th), 2.0 / kPlanExp);
  } else if (u > 1 - kUr) {
    double th = (kPi / 2) * ((1 - u) / kUr);
    e = std::pow(std::sin(th), 2.0 / kPlanExp);
    z = kRearCornerZ + kRearRound * std::pow(std::cos(th), 2.0 / kPlanExp);
  } else {
    e = 1;
    z = kFrontCornerZ + (u - kUf) / (1 - kUf - kUr) * kLm;
  }
}

// Half section at z (before the plan envelope): nine control points.
std::vector<P2> Section(double z) {
  const Profiles& p = P();
  double w = p.width(z), ysh = p.shoulderY(z), x6 = w - p.topX(z), y6 = p.topY(z), y8 = p.centreY(z);
  double yf = p.floorY(z);
  std::vector<P2> s(9);
  s[0] = {0, yf};
  s[1] = {0.5 * w, yf};
  double inset = 0.085 + 0.07 * Smoothstep(-0.9, -1.3, z) + 0.05 * Smoothstep(1.0, 1.3, z);
  s[2] = {w - inset, yf + 0.018};
  s[3] = {w - p.sideTuck(z), -0.105 + 0.5 * (yf + 0.248)};
  s[4] = {w, ysh};
  s[5] = {w - 0.028, ysh + 0.72 * (y6 - ysh)};
  s[6] = {x6, y6};
  if (InCabin(z)) {
    s[7] = {x6 * 0.55, y6};
    s[8] = {0, y6};
  } else {
    // Bonnet and deck: a gentle crown, slightly below the fender tops near the sides.
    s[7] = {x6 * 0.55, y8 - 0.004 + (y6 - y8) * 0.15};
    s[8] = {0, y8};
  }
  return s;
}

// Slopes the nose and tail faces: the tips lean back above and below the bumper line.
double EndShift(double y, double z) {
  double wf = Smoothstep(-1.05, kNoseZ, z), wr = Smoothstep(1.02, kTailZ, z);
  double df = 0;
  if (y > -0.10)
    df = 0.10 * std::pow((y + 0.10) / 0.15, 2);
  else
    df = 0.06 * std::pow((y + 0.10) / 0.10, 2);
  double dr = 0;
  if (y > 0.05)
    dr = 0.035 * std::pow((y - 0.05) / 0.26, 2);
  else
    dr = 0.10 * std::pow((y - 0.05) / 0.22, 2);
  return df * wf - dr * wr;
}

}  // namespace

V3 Body(double u, double v) {
  u = Clamp(u, 0, 1);
  v = Clamp(v, 0, 1);
  double z, e;
  Station(u, z, e);
  std::vector<P2> s = Section(z);
  P2 q = CatmullRom(s, P2{-s[1].x, s[1].y}, P2{-s[7].x, s[7].y}, v * 8);
  return {q.x * e, q.y, z + EndShift(q.y, z)};
}

V3 BodyNormal(double u, double v) {
  // Cross(dS/dv, dS/du) points out of the body everywhere the parametrisation is regular. At the
  // very tips of the nose and the tail the stations collapse onto one line: there the normal is
  // the one of the station just behind (or ahead), turned toward the centre plane so that the
  // two mirrored halves meet without a crease.
  const double h = 1e-4, edge = 0.02;
  double ue = Clamp(u, edge, 1 - edge);
  V3 su = Body(std::min(ue + h, 1.0), v) - Body(std::max(ue - h, 0.0), v);
  V3 sv = Body(ue, std::min(v + h, 1.0)) - Body(ue, std::max(v - h, 0.0));
  if (Length(su) < 1e-9) su = Body(std::min(ue + 2 * h, 1.0), v) - Body(ue, v);
  V3 n = Normalize(Cross(sv, su));
  double tip = std::min(u, 1 - u);
  if (tip < edge) n = Normalize(V3{n.x * Clamp(tip / edge, 0.0, 1.0), n.y, n.z});
  return n;
}

double BodyU(double z) {
  double lo = 0, hi = 1;
  for (int i = 0; i < 60; ++i) {
    double mid = (lo + hi) / 2, zz, e;
    Station(mid, zz, e);
    (zz < z ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

double BodyVAtHeight(double u, double y) {
  double lo = kFloorEdgeV, hi = 5.0 / 8;
  for (int i = 0; i < 50; ++i) {
    double mid = (lo + hi) / 2;
    (Body(u, mid).y < y ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

double BodyVAtWidthUpper(double u, double x) {
  double lo = 4.0 / 8, hi = 1;
  for (int i = 0; i < 50; ++i) {
    double mid = (lo + hi) / 2;
    (Body(u, mid).x > x ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

double RoofHeight(double z) { return P().roof(z); }

V3 Glasshouse(double z, double w) {
  const Profiles& p = P();
  z = Clamp(z, kScreenBaseZ, kRearScreenBaseZ);
  w = Clamp(w, 0, 1);
  double wb = p.width(z) - p.topX(z), yb = p.topY(z);
  double h = std::max(0.0, p.roof(z) - yb);
  double phi = w * kPi / 2;
  double c = std::pow(std::cos(phi), 2.0 / 3.0), s = std::pow(std::sin(phi), 2.0 / 3.0);
  double y = yb + h * s;
  // Side glass leans in; the roof narrows a little toward the screens.
  double narrow = 1 - 0.10 * s * Smoothstep(0.06, 0.0, h);
  double x = c * (wb * narrow - 0.24 * (y - yb));
  return {std::max(0.0, x), y, z};
}

V3 GlasshouseNormal(double z, double w) {
  const double h = 1e-4;
  V3 sz = Glasshouse(std::min(z + h, kRearScreenBaseZ), w) - Glasshouse(std::max(z - h, kScreenBaseZ), w);
  V3 sw = Glasshouse(z, std::min(w + h, 1.0)) - Glasshouse(z, std::max(w - h, 0.0));
  if (Length(sw) < 1e-10) sw = {-1, 0, 0};
  if (Length(sz) < 1e-10) sz = {0, 0, 1};
  return Normalize(Cross(sw, sz));
}

double ArchHeight(double z) {
  double best = -1e9;
  for (double az : {kFrontAxleZ, kRearAxleZ}) {
    double d = z - az;
    if (std::fabs(d) < kArchRadius) best = std::max(best, kAxleY + std::sqrt(kArchRadius * kArchRadius - d * d));
  }
  return best;
}

}  // namespace car
}  // namespace databuild

namespace databuild {
namespace car {
double ArchHalfWidth() {
  const double floorEdgeY = -0.230;
  double d = kAxleY - floorEdgeY;
  return std::sqrt(kArchRadius * kArchRadius - d * d);
}
}  // namespace car
}  // namespace databuild
