// Chassis (frame, engine, suspension, brakes, exhaust) in a detailed version for display mode
// (crmd_7) and a light one for driving mode (crmd_5), and the textured details: grille, badge,
// number plates, side vents, rear panel and gauges (crmd_9, crmd_34, texture crmd_10).
#include <cmath>

#include "car_model.h"
#include "car_patch.h"

namespace databuild {
namespace car {

namespace {

const Material kCamCover{{0.62, 0.04, 0.03, 1}, {0.6, 0.6, 0.6, 1}};
const Material kAlloy{{0.55, 0.56, 0.58, 1}, {0.8, 0.8, 0.8, 1}};
const Material kSpring{{0.85, 0.62, 0.05, 1}, {0.6, 0.6, 0.6, 1}};
const Material kSteel{{0.32, 0.31, 0.30, 1}, {0.5, 0.5, 0.5, 1}};
const Material kRadiator{{0.10, 0.10, 0.11, 1}, {0.2, 0.2, 0.2, 1}};

void Helix(Mesh& m, V3 a, V3 b, double radius, double wire, int turns, const Material& mat) {
  V3 axis = Normalize(b - a);
  V3 ref = std::fabs(axis.y) < 0.9 ? V3{0, 1, 0} : V3{1, 0, 0};
  V3 e1 = Normalize(Cross(ref, axis)), e2 = Cross(axis, e1);
  std::vector<V3> path;
  const int n = turns * 8;
  for (int i = 0; i <= n; ++i) {
    double t = static_cast<double>(i) / n, ang = 2 * kPi * turns * t;
    path.push_back(Lerp(a, b, t) + (e1 * std::cos(ang) + e2 * std::sin(ang)) * radius);
  }
  AddTube(m, path, wire, 3, mat, false);
}

void CoilOver(Mesh& m, V3 lower, V3 upper, bool detailed) {
  AddCylinder(m, lower, Lerp(lower, upper, 0.55), 0.018, 8, kSteel);
  AddCylinder(m, Lerp(lower, upper, 0.45), upper, 0.011, 6, kChrome);
  if (detailed) Helix(m, Lerp(lower, upper, 0.12), Lerp(lower, upper, 0.86), 0.034, 0.0065, 5, kSpring);
}

// Brake caliper around the disc edge of a wheel at centre c, outer side toward +x when s > 0.
void Caliper(Mesh& m, V3 c, double s, double angle) {
  V3 radial{0, std::sin(angle), std::cos(angle)}, tangent{0, std::cos(angle), -std::sin(angle)};
  V3 mid = c + radial * 0.108;
  V3 xdir{s, 0, 0};
  // Body straddling the disc, with the bridge on the outer side.
  std::vector<V3> arc;
  for (int i = -3; i <= 3; ++i) {
    double a = angle + i * 0.12;
    arc.push_back(c + V3{0, std::sin(a), std::cos(a)} * 0.108 + xdir * -0.008);
  }
  AddTube(m, arc, 0.022, 8, kRedCaliper);
  AddBox(m, mid - tangent * 0.035 + V3{-0.012, -0.012, -0.012}, mid + tangent * 0.035 + V3{0.012, 0.012, 0.012},
         kRedCaliper);
}

// Double wishbone corner at a wheel centre c (left side, s = +1; right side s = -1).
void Corner(Mesh& m, V3 c, double s, bool detailed) {
  const double inner = 0.30 * s, upright = (kTrack - 0.06) * s;
  const double rod = 0.011;
  V3 lowBall{upright, c.y - 0.085, c.z}, upBall{upright - 0.02 * s, c.y + 0.10, c.z};
  AddTube(m, {{inner, -0.205, c.z - 0.09}, lowBall}, rod, 5, kSteel);
  AddTube(m, {{inner, -0.205, c.z + 0.08}, lowBall}, rod, 5, kSteel);
  if (detailed) {
    AddTube(m, {{inner + 0.02 * s, c.y + 0.09, c.z - 0.08}, upBall}, rod * 0.9, 6, kSteel);
    AddTube(m, {{inner + 0.02 * s, c.y + 0.09, c.z + 0.07}, upBall}, rod * 0.9, 6, kSteel);
    AddBox(m, {std::min(lowBall.x, upBall.x) - 0.012, lowBall.y, c.z - 0.02},
           {std::max(lowBall.x, upBall.x) + 0.012, upBall.y, c.z + 0.02}, kAlloy);
  }
  CoilOver(m, {upright - 0.07 * s, c.y - 0.07, c.z + 0.01}, {upright - 0.11 * s, c.y + 0.23, c.z - 0.01}, detailed);
  Caliper(m, {kTrack * s, c.y, c.z}, s, 0.55);
}

void Frame(Mesh& m, bool detailed) {
  for (double s : {-1.0, 1.0}) AddBox(m, {s * 0.30 - 0.025, -0.235, -1.18}, {s * 0.30 + 0.025, -0.185, 1.12}, kSteel);
  for (double z : {-1.12, -0.55, 0.48, 1.05}) AddBox(m, {-0.30, -0.235, z - 0.02}, {0.30, -0.2, z + 0.02}, kSteel);
  if (detailed) {
    // Front subframe and the strut brace across the towers.
    AddTube(m, {{-0.38, 0.16, -0.93}, {0.38, 0.16, -0.93}}, 0.012, 6, kAlloy);
    AddBox(m, {-0.32, -0.2, -1.125}, {0.32, 0.02, -1.095}, kRadiator);
    AddBox(m, {-0.33, 0.02, -1.128}, {0.33, 0.034, -1.092}, kAlloy);
  }
}

void Engine(Mesh& m, bool detailed) {
  // V8 block and heads.
  AddRoundedBox(m, {-0.15, -0.20, -1.05}, {0.15, 0.0, -0.50}, 0.03, 2, kDarkMetal);
  for (double s : {-1.0, 1.0}) {
    // Cam covers on the two banks, leaning out.
    Mesh cover;
    AddRoundedBox(cover, {-0.045, -0.025, -0.27}, {0.045, 0.025, 0.27}, 0.02, 2, kCamCover);
    M4 place = M4::RotZ(-s * 0.5) * M4::Translation({s * 0.115, 0.045, -0.77});
    m.Append(cover, place);
    if (detailed) {
      // Exhaust headers: four pipes down each side into a collector.
      for (int i = 0; i < 4; ++i) {
        double z = -0.98 + i * 0.13;
        AddTube(
            m,
            {{s * 0.155, 0.0, z}, {s * 0.20, -0.04, z}, {s * 0.215, -0.13, z * 0.6 - 0.27}, {s * 0.20, -0.20, -0.56}},
            0.013, 6, kSteel);
      }
    }
  }
  if (detailed) {
    // Intake plenum and runners, air box, oil filler, belt pulleys.
    AddRoundedBox(m, {-0.06, 0.07, -0.98}, {0.06, 0.12, -0.56}, 0.025, 2, kAlloy);
    for (int i = 0; i < 4; ++i)
      for (double s : {-1.0, 1.0}) {
        double z = -0.93 + i * 0.11;
        AddTube(m, {{s * 0.05, 0.09, z}, {s * 0.09, 0.07, z}, {s * 0.11, 0.035, z}}, 0.012, 6, kAlloy);
      }
    AddRoundedBox(m, {-0.36, -0.05, -1.08}, {-0.20, 0.07, -0.90}, 0.03, 2, kSatinBlack);
    AddTube(m, {{-0.28, 0.04, -0.90}, {-0.2, 0.06, -0.86}, {-0.06, 0.10, -0.96}}, 0.03, 8, kSatinBlack);
    AddRoundedBox(m, {0.22, -0.08, -1.08}, {0.36, 0.05, -0.94}, 0.012, 2, kSatinBlack);  // battery
    AddCylinder(m, {0.25, 0.05, -1.03}, {0.25, 0.065, -1.03}, 0.012, 8, kRedCaliper);
    AddCylinder(m, {0.33, 0.05, -1.03}, {0.33, 0.065, -1.03}, 0.012, 8, kSatinBlack);
    AddRoundedBox(m, {0.20, -0.02, -0.62}, {0.32, 0.08, -0.48}, 0.03, 2, {{0.85, 0.82, 0.70, 1}, {0.5, 0.5, 0.5, 1}});
    for (double y : {-0.05, -0.14}) AddCylinder(m, {0, y, -1.075}, {0, y, -1.05}, y > -0.1 ? 0.05 : 0.035, 14, kAlloy);
  }
  // Gearbox, propeller shaft and differential.
  AddRoundedBox(m, {-0.09, -0.21, -0.50}, {0.09, -0.06, -0.12}, 0.04, 2, kAlloy);
  AddCylinder(m, {0, -0.15, -0.12}, {0, -0.15, 0.74}, 0.025, 8, kSteel);
  AddRoundedBox(m, {-0.12, -0.21, 0.74}, {0.12, -0.07, 0.92}, 0.05, 2, kAlloy);
  for (double s : {-1.0, 1.0})
    AddCylinder(m, {s * 0.1, kAxleY - 0.02, kRearAxleZ}, {s * (kTrack - 0.03), kAxleY, kRearAxleZ}, 0.018, 8, kSteel);
}

// z of the tail surface at (x, y), from the body surface's rear part.
double TailSurfaceZ(double x, double y) {
  double best = 0;
  for (double u = BodyU(0.95); u <= 1.0; u += 0.002)
    for (double v = 1.0 / 8; v <= 5.0 / 8; v += 0.005) {
      V3 p = Body(u, v);
      if (std::fabs(std::fabs(p.x) - std::fabs(x)) < 0.015 && std::fabs(p.y - y) < 0.015) best = std::max(best, p.z);
    }
  return best;
}

void Exhaust(Mesh& m, bool detailed) {
  for (double s : {-1.0, 1.0}) {
    AddTube(m, {{s * 0.20, -0.20, -0.56}, {s * 0.17, -0.232, -0.40}, {s * 0.17, -0.232, 0.60}, {s * 0.21, -0.21, 0.93}},
            0.022, 8, kSteel);
    AddRoundedBox(m, {s * 0.21 - 0.09, -0.235, 0.92}, {s * 0.21 + 0.09, -0.12, 1.10}, 0.04, 2, kSteel);
    for (double dx : {-0.045, 0.045}) {
      double x = s * 0.21 + dx;
      V3 b{x, -0.138, TailSurfaceZ(x, -0.138) + 0.012}, a{x, -0.138, b.z - 0.16};
      AddTube(m, {a, b}, 0.026, 12, kChrome, false);
      // Dark inside of the tip.
      AddCylinder(m, b - V3{0, 0, 0.012}, b - V3{0, 0, 0.010}, 0.023, 12, kRubberSeal);
    }
  }
  if (detailed) AddRoundedBox(m, {-0.30, -0.20, 0.56}, {0.30, 0.08, 0.80}, 0.04, 2, kSatinBlack);  // fuel tank
}

// UV-mapped patch on the body surface: (u, v) of the texture from the point's place in the box.
void Decal(Mesh& m, const Hole& h, double offset, const UvRect& uv, double xMax, double yTop, double yBottom,
           bool mirrorU, bool fromBehind = false) {
  Mesh half;
  std::vector<double> us = Within(BodyUSteps(), h.u0, h.u1), vs = Within(BodyVSteps(), h.v0, h.v1);
  half.AddGrid(us, vs, [&](double u, double v) {
    V3 n = BodyNormal(u, v);
    V3 p = Body(u, v) + n * offset;
    double s = mirrorU ? 0.5 + 0.5 * p.x / xMax : p.x / xMax;
    if (fromBehind) s = 1 - s;  // seen from behind, +x is on the viewer's left
    double t = (yTop - p.y) / (yTop - yBottom);
    Sample smp{p,
               n,
               {{1, 1, 1, 1}, {0.4, 0.4, 0.4, 1}},
               Lerp(uv.u0, uv.u1, Clamp(s, 0, 1)),
               Lerp(uv.v0, uv.v1, Clamp(t, 0, 1))};
    return smp;
  });
  Mesh other = half;
  other.MirrorX();
  if (mirrorU)
    for (Vertex& v : other.vertices) v.u = uv.u0 + uv.u1 - v.u;
  m.Append(half);
  m.Append(other);
}

void FlatTextured(Mesh& m, V3 centre, V3 right, V3 up, double hw, double hh, const UvRect& uv, const Material& mat) {
  V3 n = Normalize(Cross(up, right));
  V3 corners[4] = {centre - right * hw + up * hh, centre + right * hw + up * hh, centre + right * hw - up * hh,
                   centre - right * hw - up * hh};
  const double us[4] = {uv.u0, uv.u1, uv.u1, uv.u0}, vs[4] = {uv.v0, uv.v0, uv.v1, uv.v1};
  uint32_t id[4];
  for (int i = 0; i < 4; ++i) id[i] = m.Add(Sample{corners[i], n, mat, us[i], vs[i]});
  m.AddQuad(id[0], id[1], id[2], id[3]);
}

}  // namespace

Mesh BuildChassis(bool detailed) {
  Mesh m;
  Frame(m, detailed);
  Engine(m, detailed);
  Exhaust(m, detailed);
  for (double s : {-1.0, 1.0}) {
    Corner(m, {kTrack * s, kAxleY, kFrontAxleZ}, s, detailed);
    Corner(m, {kTrack * s, kAxleY, kRearAxleZ}, s, detailed);
  }
  return m;
}

Mesh BuildFrontDetails() {
  Mesh m;
  const Material lit{{1, 1, 1, 1}, {0.3, 0.3, 0.3, 1}};
  // Grille: the pocket behind the mouth, textured with the mesh pattern.
  Hole grille{0.0, BodyU(-1.405), 2.75 / 8, 4.15 / 8};
  double xMax = Body(grille.u1, (grille.v0 + grille.v1) / 2).x;
  double yTop = Body(0.0, grille.v1).y, yBottom = Body(0.0, grille.v0).y;
  Decal(m, grille, -0.02, kUvGrille, xMax, yTop, yBottom, true);
  // Side vents behind the front wheels.
  Hole vent{BodyU(-0.585), BodyU(-0.415), 3.75 / 8, 4.85 / 8};
  Mesh v;
  std::vector<double> us = Within(BodyUSteps(), vent.u0, vent.u1), vs = Within(BodyVSteps(), vent.v0, vent.v1);
  v.AddGrid(us, vs, [&](double u, double vv) {
    V3 n = BodyNormal(u, vv);
    return Sample{Body(u, vv) + n * -0.012, n, lit, Lerp(kUvVent.u0, kUvVent.u1, (u - vent.u0) / (vent.u1 - vent.u0)),
                  Lerp(kUvVent.v0, kUvVent.v1, (vent.v1 - vv) / (vent.v1 - vent.v0))};
  });
  m.Append(v);
  v.MirrorX();
  m.Append(v);
  // Badge on the nose and the front number plate.
  V3 nose = Body(0.0, 6.9 / 8), nn = BodyNormal(0.0, 6.9 / 8);
  V3 right{1, 0, 0}, up = Normalize(Cross(right, nn));
  AddCylinder(m, nose - nn * 0.004, nose + nn * 0.003, 0.026, 16, kChrome, false);
  FlatTextured(m, nose + nn * 0.0035, right, up, 0.024, 0.024, kUvBadge, lit);
  V3 plateC{0, -0.105, -1.452};
  FlatTextured(m, plateC, {1, 0, 0}, Normalize(V3{0, 1, 0.12}), 0.105, 0.052, kUvFrontPlate, lit);
  AddBox(m, {-0.11, -0.162, -1.449}, {0.11, -0.048, -1.43}, kSatinBlack);
  return m;
}

Mesh BuildRearDetails() {
  Mesh m;
  const Material lit{{1, 1, 1, 1}, {0.3, 0.3, 0.3, 1}};
  Hole plate{BodyU(1.3065), 1.0, 3.55 / 8, 4.55 / 8};
  double xMax = Body(plate.u0, (plate.v0 + plate.v1) / 2).x;
  Decal(m, plate, -0.004, kUvRearPlate, xMax, Body(1.0, plate.v1).y, Body(1.0, plate.v0).y, true, true);
  Hole panel{BodyU(1.268), 1.0, 4.75 / 8, 5.75 / 8};
  xMax = Body(panel.u0, (panel.v0 + panel.v1) / 2).x;
  Decal(m, panel, -0.003, kUvRearPanel, xMax, Body(1.0, panel.v1).y, Body(1.0, panel.v0).y, true, true);
  // Instrument panel in front of the driver, under the dash hood.
  // Seen by the driver looking toward -z, +x is on the left: the texture runs from +x to -x.
  V3 right{-1, 0, 0}, up = Normalize(V3{0, 1, -0.35});
  FlatTextured(m, {-0.235, 0.148, -0.152}, right, up, 0.095, 0.032, kUvGauges, lit);
  return m;
}

}  // namespace car
}  // namespace databuild
