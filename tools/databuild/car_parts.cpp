// Colours, wheels, the driver and the car's shadow.
#include <cmath>

#include "car_model.h"
#include "car_patch.h"
#include "car_shape.h"

namespace databuild {
namespace car {

const Material kBlackTrim{{0.045, 0.045, 0.05, 1}, {0.55, 0.55, 0.6, 1}};
const Material kRubberSeal{{0.03, 0.03, 0.03, 1}, {0.1, 0.1, 0.1, 1}};
const Material kChrome{{0.80, 0.81, 0.83, 1}, {1, 1, 1, 1}};
const Material kSatinBlack{{0.07, 0.07, 0.075, 1}, {0.15, 0.15, 0.15, 1}};
const Material kDarkMetal{{0.20, 0.20, 0.21, 1}, {0.4, 0.4, 0.4, 1}};
const Material kLeather{{0.50, 0.33, 0.20, 1}, {0.25, 0.22, 0.2, 1}};
const Material kLeatherDark{{0.11, 0.085, 0.07, 1}, {0.2, 0.2, 0.2, 1}};
const Material kCarpet{{0.12, 0.115, 0.11, 1}, {0, 0, 0, 1}};
const Material kTyre{{0.085, 0.085, 0.09, 1}, {0.12, 0.12, 0.12, 1}};
const Material kRim{{0.70, 0.71, 0.73, 1}, {1, 1, 1, 1}};
const Material kRedCaliper{{0.75, 0.05, 0.03, 1}, {0.8, 0.8, 0.8, 1}};
const Material kGlassEdge{{0.05, 0.05, 0.05, 1}, {0, 0, 0, 1}};

Material Paint(V3 n) {
  // Deep red with a baked reflection of the horizon: a darker band where the surface turns from
  // facing the sky to facing the ground, the lower body darker still. It depends on the normal's
  // height only, so it stays right while the car turns.
  const Colour base{0.52, 0.024, 0.03, 1};
  double band = 1.0 - 0.45 * Bump(n.y, -0.035, 0.05);
  double low = 1.0 - 0.30 * Smoothstep(-0.02, -0.5, n.y);
  double sky = 1.0 + 0.18 * Smoothstep(0.0, 0.25, n.y) * (1 - Smoothstep(0.5, 0.9, n.y));
  return {Scale(base, band * low * sky), {1, 1, 1, 1}};
}

Material InteriorPaint() { return {{0.34, 0.02, 0.025, 1}, {0.3, 0.3, 0.3, 1}}; }

Material Chrome(V3 n) {
  double t = Smoothstep(-0.12, 0.10, n.y);
  Colour sky{0.92, 0.93, 0.96, 1}, ground{0.22, 0.20, 0.19, 1};
  return {Mix(ground, sky, t), {1, 1, 1, 1}};
}

Material GlassTint(double r, double g, double b) {
  // Under the saver's lights a downward normal is lit only by the light from below, at
  // N.L = 0.816, plus the 0.03 ambient: lit = 0.816 d + 0.03 for every turn of the car.
  auto d = [](double t) { return Clamp((t - 0.03) / 0.8165, 0.0, 1.0); };
  return {{d(r), d(g), d(b), 1}, {0, 0, 0, 1}};
}

V3 GlassNormal() { return {0, -1, 0}; }

namespace {

// One wheel with its outer face toward +x, centred on the axle (the frame's origin).
Mesh WheelLeft(double width) {
  Mesh m;
  const double R = kTyreRadius, rimR = 0.160, hw = width / 2;
  const int segs = 26;
  // Tyre: inner sidewall, shoulder, tread, shoulder, outer sidewall (h along +x from -hw).
  std::vector<Profile> tyre = {{rimR, 0.004},
                               {rimR + 0.025, -0.004},
                               {R - 0.012, 0.004},
                               {R, 0.04},
                               {R, width - 0.04},
                               {R - 0.012, width - 0.004},
                               {rimR + 0.025, width + 0.004},
                               {rimR, width - 0.004}};
  AddLathe(m, {-hw, 0, 0}, {1, 0, 0}, tyre, segs, kTyre);
  // Rim lip (chrome ring on the outer face), then the barrel seen through the spokes.
  std::vector<Profile> lip = {{rimR, width - 0.004}, {rimR - 0.006, width + 0.004}, {rimR - 0.016, width - 0.006}};
  AddLathe(m, {-hw, 0, 0}, {1, 0, 0}, lip, segs, kRim);
  std::vector<Profile> barrel = {{rimR - 0.016, width - 0.006}, {rimR - 0.018, 0.02}};
  Mesh b;
  AddLathe(b, {-hw, 0, 0}, {1, 0, 0}, barrel, segs, kDarkMetal);
  // The barrel is seen from inside: turn its normals toward the axle.
  for (Vertex& v : b.vertices) v.n = -v.n;
  for (size_t i = 0; i + 2 < b.indices.size(); i += 3) std::swap(b.indices[i + 1], b.indices[i + 2]);
  m.Append(b);
  // Brake disc and hub.
  std::vector<Profile> disc = {{0.03, 0.0}, {0.125, 0.0}, {0.125, 0.022}, {0.03, 0.022}};
  AddLathe(m, {-0.02, 0, 0}, {1, 0, 0}, disc, 20, Material{{0.42, 0.42, 0.43, 1}, {0.5, 0.5, 0.5, 1}}, false);
  std::vector<Profile> hub = {
      {0.0, hw - 0.005}, {0.034, hw - 0.005}, {0.036, hw + 0.002}, {0.024, hw + 0.008}, {0.0, hw + 0.009}};
  AddLathe(m, {0, 0, 0}, {1, 0, 0}, hub, 16, kRim);
  // Five twin spokes from the hub to the lip, slightly dished.
  for (int s = 0; s < 10; ++s) {
    double a = 2 * kPi * (s / 2) / 5 + (s % 2 ? 0.13 : -0.13);
    V3 dir{0, std::cos(a), std::sin(a)}, side{0, -std::sin(a), std::cos(a)};
    const int n = 4;
    std::vector<V3> top, bot;
    for (int i = 0; i <= n; ++i) {
      double t = static_cast<double>(i) / n;
      double r = Lerp(0.030, rimR - 0.012, t);
      double x = hw - 0.002 - 0.018 * t * t;  // dish toward the rim
      double wdt = Lerp(0.017, 0.010, t);
      V3 c = dir * r + V3{x, 0, 0};
      top.push_back(c + side * wdt);
      bot.push_back(c - side * wdt);
    }
    // Face (toward +x), two side walls.
    for (int i = 0; i < n; ++i) {
      V3 fn{1, 0, 0};
      uint32_t a0 = m.Add(Sample{top[i], fn, kRim}), a1 = m.Add(Sample{top[i + 1], fn, kRim}),
               b1 = m.Add(Sample{bot[i + 1], fn, kRim}), b0 = m.Add(Sample{bot[i], fn, kRim});
      m.AddQuad(a0, a1, b1, b0);
      for (int w = 0; w < 2; ++w) {
        const std::vector<V3>& e = w ? bot : top;
        V3 sn = w ? -side : side;
        V3 d{-0.02, 0, 0};
        Material sm = Chrome(sn);
        uint32_t c0 = m.Add(Sample{e[i], sn, sm}), c1 = m.Add(Sample{e[i + 1], sn, sm}),
                 c2 = m.Add(Sample{e[i + 1] + d, sn, sm}), c3 = m.Add(Sample{e[i] + d, sn, sm});
        m.AddQuad(c0, c1, c2, c3);
      }
    }
  }
  return m;
}

}  // namespace

Mesh BuildWheel(bool left) {
  Mesh m = WheelLeft(0.17);
  if (!left) m.MirrorX();
  return m;
}

Mesh BuildRearWheels() {
  Mesh l = WheelLeft(0.19), m;
  m.Append(l, M4::Translation({kTrack, 0, 0}));
  Mesh r = l;
  r.MirrorX();
  m.Append(r, M4::Translation({-kTrack, 0, 0}));
  return m;
}

Mesh BuildSpareWheel() {
  Mesh m = WheelLeft(0.12);
  return m;
}

Mesh BuildShadow() {
  Mesh m;
  // Soft footprint: a rounded rectangle with a dark core fading outward. Normals are horizontal
  // so that the flattening matrix leaves them as they are.
  const int n = 32;
  const V3 nrm = Normalize(V3{1, 0, 1});
  auto shape = [](double a, double grow) {
    double c = std::cos(a), s = std::sin(a);
    double ex = 2.0 / 6.0;
    double x = (0.70 + grow) * (c < 0 ? -std::pow(-c, ex) : std::pow(c, ex));
    double z = (1.52 + grow) * (s < 0 ? -std::pow(-s, ex) : std::pow(s, ex)) - 0.04;
    return V3{x, 0, z};
  };
  Material core{{0.10, 0.10, 0.11, 1}, {0, 0, 0, 1}}, edge{{0.40, 0.40, 0.42, 1}, {0, 0, 0, 1}};
  uint32_t c = m.Add(Sample{{0, 0, -0.04}, nrm, core});
  std::vector<uint32_t> inner, outer;
  for (int i = 0; i < n; ++i) {
    double a = 2 * kPi * i / n;
    inner.push_back(m.Add(Sample{shape(a, -0.06), nrm, core}));
    outer.push_back(m.Add(Sample{shape(a, 0.08), nrm, edge}));
  }
  // Flat shape: it faces up whatever its horizontal normals say.
  auto up = [&m](uint32_t a, uint32_t b, uint32_t cc) { m.AddTriangleFacing(a, b, cc, {0, 1, 0}); };
  for (int i = 0; i < n; ++i) {
    int j = (i + 1) % n;
    up(c, inner[i], inner[j]);
    up(inner[i], outer[i], outer[j]);
    up(inner[i], outer[j], inner[j]);
  }
  return m;
}

}  // namespace car
}  // namespace databuild
