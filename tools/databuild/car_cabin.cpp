// The cabin: floor, bulkhead, dashboard, seats, steering wheel and headliner (crmd_40), and the
// driver (crmd_6). The car is right-hand drive: the driver sits on the -x side.
#include <cmath>

#include "car_model.h"
#include "car_patch.h"
#include "curves.h"

namespace databuild {
namespace car {

namespace {

constexpr double kDriverX = -0.235, kSeatX = 0.235;
constexpr double kFloorY = -0.215;
// Steering wheel centre and its tilt (radians back from vertical).
constexpr V3 kWheelCentre{kDriverX, 0.115, -0.175};
constexpr double kWheelTilt = 0.42;

// A lofted solid: closed sections (in their own plane, x across, y up) placed along a path of
// frames; smooth normals from the surface.
struct Frame2 {
  V3 origin, xAxis, yAxis;  // section plane
};
void Loft(Mesh& m, const std::vector<Frame2>& frames, const std::vector<std::vector<P2>>& sections, const Material& mat,
          bool capStart, bool capEnd) {
  const size_t nf = frames.size(), np = sections[0].size();
  std::vector<std::vector<V3>> pts(nf, std::vector<V3>(np));
  for (size_t i = 0; i < nf; ++i)
    for (size_t j = 0; j < np; ++j)
      pts[i][j] = frames[i].origin + frames[i].xAxis * sections[i][j].x + frames[i].yAxis * sections[i][j].y;
  // Outward: away from each section's centroid.
  std::vector<std::vector<uint32_t>> id(nf, std::vector<uint32_t>(np));
  for (size_t i = 0; i < nf; ++i) {
    V3 c{0, 0, 0};
    for (const V3& p : pts[i]) c = c + p;
    c = c * (1.0 / np);
    for (size_t j = 0; j < np; ++j) {
      V3 along = pts[std::min(i + 1, nf - 1)][j] - pts[i == 0 ? 0 : i - 1][j];
      V3 across = pts[i][(j + 1) % np] - pts[i][(j + np - 1) % np];
      V3 n = Normalize(Cross(across, along));
      if (Dot(n, pts[i][j] - c) < 0) n = -n;
      id[i][j] = m.Add(Sample{pts[i][j], n, mat});
    }
  }
  for (size_t i = 0; i + 1 < nf; ++i)
    for (size_t j = 0; j < np; ++j) m.AddQuad(id[i][j], id[i + 1][j], id[i + 1][(j + 1) % np], id[i][(j + 1) % np]);
  for (int end = 0; end < 2; ++end) {
    if ((end == 0 && !capStart) || (end == 1 && !capEnd)) continue;
    size_t i = end ? nf - 1 : 0;
    V3 c{0, 0, 0};
    for (const V3& p : pts[i]) c = c + p;
    c = c * (1.0 / np);
    V3 n = Normalize(Cross(frames[i].xAxis, frames[i].yAxis));
    if (Dot(n, (end ? 1.0 : -1.0) * (frames[std::min(nf - 1, size_t{1})].origin - frames[0].origin)) < 0) n = -n;
    uint32_t ci = m.Add(Sample{c, n, mat});
    for (size_t j = 0; j < np; ++j) {
      uint32_t a = m.Add(Sample{pts[i][j], n, mat}), b = m.Add(Sample{pts[i][(j + 1) % np], n, mat});
      m.AddTriangle(ci, a, b);
    }
  }
}

// Bucket seat at x, with its cushion's front at z0.
void Seat(Mesh& m, double x) {
  const Material side = kLeatherDark, centre = kLeather;
  // Cushion: a U section (bolsters up at the sides) lofted front to back.
  std::vector<Frame2> fr;
  std::vector<std::vector<P2>> secs;
  for (int i = 0; i <= 4; ++i) {
    double t = i / 4.0, z = Lerp(0.07, 0.36, t);
    fr.push_back({{x, kFloorY + 0.075 + 0.012 * std::sin(t * kPi), z}, {1, 0, 0}, {0, 1, 0}});
    double b = 0.035 + 0.02 * t;  // bolster height grows toward the back
    secs.push_back({{0.13, -0.05},
                    {0.13, b},
                    {0.10, b + 0.012},
                    {0.075, 0.012},
                    {-0.075, 0.012},
                    {-0.10, b + 0.012},
                    {-0.13, b},
                    {-0.13, -0.05}});
  }
  Loft(m, fr, secs, centre, true, true);
  // Backrest: leans back 24 degrees, bolstered, with the head restraint at the top.
  fr.clear();
  secs.clear();
  const double lean = 0.42;
  V3 up{0, std::cos(lean), std::sin(lean)}, fwd{0, -std::sin(lean), std::cos(lean)};
  for (int i = 0; i <= 7; ++i) {
    double t = i / 7.0, h = Lerp(0.0, 0.50, t);
    V3 o = V3{x, kFloorY + 0.07, 0.37} + up * h;
    double hw = t < 0.72 ? 0.135 - 0.02 * t : Lerp(0.115, 0.07, Smoothstep(0.72, 0.80, t));
    double bol = t < 0.7 ? 0.05 : 0.02;
    double depth = t < 0.72 ? 0.045 : 0.035;
    fr.push_back({o, {1, 0, 0}, fwd * -1.0});
    // y of the section points toward the back of the seat (-fwd), so bolsters stand forward (-y).
    secs.push_back({{hw, depth},
                    {hw, -bol},
                    {hw - 0.03, -bol - 0.01},
                    {hw - 0.05, -0.005},
                    {-hw + 0.05, -0.005},
                    {-hw + 0.03, -bol - 0.01},
                    {-hw, -bol},
                    {-hw, depth}});
  }
  Loft(m, fr, secs, side, true, true);
  // Seat base and runners.
  AddBox(m, {x - 0.11, kFloorY, 0.09}, {x + 0.11, kFloorY + 0.03, 0.36}, kSatinBlack);
}

void SteeringWheel(Mesh& m) {
  // Wheel plane: tilted back; axis points from the driver toward the dashboard and down.
  V3 axis = Normalize(V3{0, std::sin(kWheelTilt), -std::cos(kWheelTilt)});
  V3 e1{1, 0, 0}, e2 = Normalize(Cross(axis, e1));
  const double R = 0.082, r = 0.012;
  const int n = 24, k = 6;
  std::vector<std::vector<uint32_t>> ring(n + 1);
  for (int i = 0; i <= n; ++i) {
    double a = 2 * kPi * i / n;
    V3 dir = e1 * std::cos(a) + e2 * std::sin(a);
    for (int j = 0; j <= k; ++j) {
      double b = 2 * kPi * j / k;
      V3 nrm = dir * std::cos(b) + axis * std::sin(b);
      ring[i].push_back(m.Add(Sample{kWheelCentre + dir * R + nrm * r, nrm, kLeatherDark}));
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < k; ++j) m.AddQuad(ring[i][j], ring[i + 1][j], ring[i + 1][j + 1], ring[i][j + 1]);
  // Three spokes and the hub with the boss.
  for (double a : {0.0, kPi, kPi * 1.5}) {
    V3 dir = e1 * std::cos(a) + e2 * std::sin(a);
    AddTube(m, {kWheelCentre + dir * 0.022, kWheelCentre + dir * (R - 0.006)}, 0.008, 6, kDarkMetal);
  }
  AddCylinder(m, kWheelCentre - axis * 0.012, kWheelCentre + axis * 0.02, 0.03, 14, kSatinBlack);
  AddCylinder(m, kWheelCentre - axis * 0.014, kWheelCentre - axis * 0.012, 0.012, 10, kChrome);
  // Column into the dashboard.
  AddCylinder(m, kWheelCentre + axis * 0.02, kWheelCentre + axis * 0.16, 0.018, 8, kSatinBlack);
}

void Dashboard(Mesh& m) {
  // Dash top: lofted across the car; its section (in the yz plane) runs from the windscreen
  // base to the face in front of the occupants and down to the footwell.
  std::vector<Frame2> fr;
  std::vector<std::vector<P2>> secs;
  const int n = 12;
  for (int i = 0; i <= n; ++i) {
    double t = static_cast<double>(i) / n, x = Lerp(-0.46, 0.46, t);
    // Section in (z, y): local x axis = -z (toward the occupants is +z), y up.
    double hood = Bump(x, kDriverX, 0.12) * 0.03;  // instrument hood in front of the driver
    double w = 1 - 0.25 * std::pow(std::fabs(x) / 0.46, 3);
    fr.push_back({{x, 0, 0}, {0, 0, 1}, {0, 1, 0}});
    secs.push_back({{-0.365, 0.238},
                    {-0.30, 0.225 + hood * 0.3},
                    {-0.22, 0.21 + hood},
                    {-0.15 * w, 0.175 + hood},
                    {-0.13 * w, 0.12},
                    {-0.16 * w, 0.03},
                    {-0.22, -0.05},
                    {-0.36, -0.06}});
  }
  Loft(m, fr, secs, kLeatherDark, true, true);
  // Centre console from the dash to between the seats.
  AddRoundedBox(m, {-0.07, kFloorY, -0.25}, {0.07, -0.03, 0.30}, 0.03, 3, kLeatherDark);
  AddRoundedBox(m, {-0.055, -0.03, -0.22}, {0.055, 0.10, -0.13}, 0.02, 3, kSatinBlack);
  // Gear lever with a chrome knob, and the hand brake.
  AddCylinder(m, {0, -0.03, 0.02}, {0, 0.04, 0.0}, 0.007, 6, kSatinBlack);
  AddEllipsoid(m, {0, 0.05, -0.003}, {0.018, 0.016, 0.018}, 10, 6, kChrome);
  AddRoundedBox(m, {-0.02, -0.03, 0.12}, {0.02, 0.0, 0.25}, 0.01, 2, kSatinBlack);
  // Air vents on the dash face.
  for (double x : {-0.40, -0.07, 0.07, 0.40}) AddBox(m, {x - 0.035, 0.10, -0.145}, {x + 0.035, 0.135, -0.135}, kChrome);
}

void CabinShell(Mesh& m) {
  // Carpeted floor and tunnel.
  AddBox(m, {-0.445, kFloorY - 0.01, -0.40}, {0.445, kFloorY, 0.52}, kCarpet);
  AddRoundedBox(m, {-0.085, kFloorY, -0.40}, {0.085, kFloorY + 0.10, 0.45}, 0.04, 3, kCarpet);
  // Footwell toe board under the dash.
  AddPolygon(m, {{-0.445, kFloorY, -0.40}, {0.445, kFloorY, -0.40}, {0.445, -0.05, -0.37}, {-0.445, -0.05, -0.37}},
             Normalize(V3{0, 0.3, 1}), kCarpet);
  // Bulkhead behind the seats and the shelf under the rear window.
  AddBox(m, {-0.455, kFloorY, 0.50}, {0.455, 0.21, 0.53}, kLeatherDark);
  AddBox(m, {-0.47, 0.195, 0.53}, {0.47, 0.21, 0.87}, kCarpet);
  // Side trims behind the doors.
  for (double s : {-1.0, 1.0}) {
    AddPolygon(
        m, {{s * 0.455, kFloorY, 0.47}, {s * 0.455, kFloorY, 0.53}, {s * 0.455, 0.27, 0.53}, {s * 0.455, 0.27, 0.47}},
        {-s, 0, 0}, kLeatherDark);
  }
  // Headliner under the roof.
  Mesh liner;
  GlassPatch(liner, -0.02, 0.40, 0.47, 1.0, Solid(Material{{0.30, 0.29, 0.28, 1}, {0, 0, 0, 1}}), -0.008, true);
  liner.AddMirrorX();
  m.Append(liner);
  // Rear-view mirror at the top of the windscreen.
  V3 top = Glasshouse(-0.02, 1.0);
  AddCylinder(m, top - V3{0, 0.01, 0}, top - V3{0, 0.035, -0.01}, 0.005, 6, kSatinBlack);
  AddRoundedBox(m, top + V3{-0.055, -0.07, -0.005}, top + V3{0.055, -0.035, 0.012}, 0.01, 2, kSatinBlack);
}

}  // namespace

Mesh BuildInterior() {
  Mesh m;
  CabinShell(m);
  Dashboard(m);
  Seat(m, kDriverX);
  Seat(m, kSeatX);
  SteeringWheel(m);
  return m;
}

Mesh BuildDriver() {
  Mesh m;
  const Material shirt{{0.12, 0.16, 0.30, 1}, {0, 0, 0, 1}}, skin{{0.78, 0.58, 0.45, 1}, {0, 0, 0, 1}},
      hair{{0.05, 0.04, 0.035, 1}, {0, 0, 0, 1}}, trousers{{0.13, 0.13, 0.15, 1}, {0, 0, 0, 1}},
      glasses{{0.02, 0.02, 0.03, 1}, {0, 0, 0, 1}};
  const double lean = 0.42;
  V3 up{0, std::cos(lean), std::sin(lean)};
  V3 hip{kDriverX, kFloorY + 0.11, 0.33};
  V3 shoulder = hip + up * 0.31;
  // Torso and head.
  AddTube(m, {hip + up * 0.03, hip + up * 0.17, shoulder - up * 0.02}, 0.085, 10, shirt);
  AddEllipsoid(m, shoulder - up * 0.02, {0.11, 0.05, 0.06}, 10, 6, shirt);
  V3 head = shoulder + up * 0.13 + V3{0, 0, -0.015};
  AddCylinder(m, shoulder, head - up * 0.05, 0.025, 8, skin);
  AddEllipsoid(m, head, {0.052, 0.065, 0.06}, 12, 8, skin);
  AddEllipsoid(m, head + V3{0, 0.018, 0.008}, {0.056, 0.055, 0.062}, 12, 8, hair);
  AddBox(m, head + V3{-0.045, 0.0, -0.066}, head + V3{0.045, 0.018, -0.05}, glasses);
  // Arms to the steering wheel.
  V3 axis = Normalize(V3{0, std::sin(kWheelTilt), -std::cos(kWheelTilt)});
  V3 e2 = Normalize(Cross(axis, {1, 0, 0}));
  for (double s : {-1.0, 1.0}) {
    V3 sh = shoulder + V3{s * 0.1, -0.01, 0};
    V3 hand = kWheelCentre + V3{s * 0.075, 0, 0} + e2 * 0.02;
    V3 elbow = (sh + hand) * 0.5 + V3{s * 0.05, -0.07, 0.03};
    AddTube(m, {sh, elbow}, 0.03, 8, shirt);
    AddTube(m, {elbow, hand}, 0.024, 8, shirt);
    AddEllipsoid(m, hand, {0.018, 0.022, 0.022}, 8, 5, skin);
  }
  // Thighs toward the pedals.
  for (double s : {-1.0, 1.0}) {
    V3 a = hip + V3{s * 0.06, 0.02, 0}, knee = V3{kDriverX + s * 0.07, kFloorY + 0.16, -0.05};
    AddTube(m, {a, knee}, 0.045, 8, trousers);
    AddTube(m, {knee, V3{kDriverX + s * 0.07, kFloorY + 0.04, -0.30}}, 0.035, 8, trousers);
  }
  return m;
}

}  // namespace car
}  // namespace databuild
