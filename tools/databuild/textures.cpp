// The pictures: painted with the raster toolkit, deterministic (noise from a lattice hash).
#include "textures.h"

#include <cmath>
#include <string>

#include "car_model.h"
#include "raster.h"

namespace databuild {
namespace textures {

namespace {

using raster::Canvas;

Colour C(double r, double g, double b, double a = 1) { return {r, g, b, a}; }

// Smooth value noise in [0, 1] with a period of `period` pixels in both directions (tiles).
double Noise(double x, double y, int period, uint64_t salt) {
  double fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto h = [&](int a, int b) {
    return Hash01(((a % period) + period) % period, ((b % period) + period) % period, salt);
  };
  double a = h(ix, iy), b = h(ix + 1, iy), c = h(ix, iy + 1), d = h(ix + 1, iy + 1);
  return Lerp(Lerp(a, b, tx), Lerp(c, d, tx), ty);
}
// Fractal noise that tiles over `size` units of its coordinates.
double Fbm(double x, double y, int size, int octaves, uint64_t salt) {
  double sum = 0, amp = 0.5, norm = 0;
  int period = 4;
  for (int o = 0; o < octaves; ++o) {
    double scale = static_cast<double>(period) / size;
    sum += amp * Noise(x * scale, y * scale, period, salt + o);
    norm += amp;
    amp *= 0.5;
    period *= 2;
  }
  return sum / norm;
}

// Region of a UV rectangle in pixels of a size x size canvas.
struct Px {
  double x0, y0, x1, y1;
};
Px Region(const car::UvRect& r, int size) { return {r.u0 * size, r.v0 * size, r.u1 * size, r.v1 * size}; }

void Grille(Canvas& cv, Px r) {
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y1, C(0.03, 0.03, 0.035));
  // Honeycomb of small hexagons with bright rims.
  const double cell = 7.0;
  for (double y = r.y0 - cell; y < r.y1 + cell; y += cell * 0.866) {
    int row = static_cast<int>((y - r.y0) / (cell * 0.866) + 1);
    for (double x = r.x0 - cell + (row % 2) * cell / 2; x < r.x1 + cell; x += cell) {
      std::vector<P2> hex;
      for (int k = 0; k < 6; ++k) {
        double a = kPi / 6 + k * kPi / 3;
        hex.push_back({x + 0.52 * cell * std::cos(a), y + 0.52 * cell * std::sin(a)});
      }
      std::vector<P2> inner;
      for (const P2& p : hex) inner.push_back({x + (p.x - x) * 0.7, y + (p.y - y) * 0.7});
      raster::FillPolygon(cv, hex, C(0.36, 0.37, 0.39));
      raster::FillPolygon(cv, inner, C(0.02, 0.02, 0.025));
    }
  }
  // Keep the region's border crisp.
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y0 + 1, C(0.02, 0.02, 0.02));
}

void Badge(Canvas& cv, Px r) {
  double cx = (r.x0 + r.x1) / 2, cy = (r.y0 + r.y1) / 2, rad = (r.x1 - r.x0) / 2 - 1;
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y1, C(0.75, 0.76, 0.78));
  raster::FillDisc(cv, cx, cy, rad, C(0.85, 0.86, 0.88));
  raster::FillDisc(cv, cx, cy, rad * 0.86, C(0.05, 0.07, 0.2));
  raster::FillRing(cv, cx, cy, rad * 0.62, rad * 0.70, C(0.85, 0.7, 0.25));
  // A stylised kestrel's wing: a swept chevron in red and gold.
  std::vector<P2> wing = {{cx - rad * 0.55, cy + rad * 0.15},
                          {cx + rad * 0.45, cy - rad * 0.45},
                          {cx + rad * 0.2, cy - rad * 0.05},
                          {cx + rad * 0.5, cy + rad * 0.05},
                          {cx - rad * 0.1, cy + rad * 0.35}};
  raster::FillPolygon(cv, wing, C(0.85, 0.1, 0.08));
  raster::TextInBox(cv, cx - rad * 0.5, cy + rad * 0.36, cx + rad * 0.5, cy + rad * 0.58, "K", C(0.95, 0.95, 0.95));
}

void Plate(Canvas& cv, Px r, const std::string& top, const std::string& big) {
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y1, C(0.2, 0.2, 0.2));
  raster::FillRoundRect(cv, r.x0 + 2, r.y0 + 2, r.x1 - 2, r.y1 - 2, 5, C(0.94, 0.95, 0.92));
  raster::FillRoundRect(cv, r.x0 + 5, r.y0 + 5, r.x1 - 5, r.y1 - 5, 3, C(0.97, 0.98, 0.96));
  const Colour ink = C(0.06, 0.28, 0.12);
  double h = r.y1 - r.y0;
  raster::TextInBox(cv, r.x0 + 20, r.y0 + h * 0.12, r.x1 - 20, r.y0 + h * 0.36, top, ink, 0.2);
  raster::TextInBox(cv, r.x0 + 10, r.y0 + h * 0.42, r.x1 - 10, r.y0 + h * 0.88, big, ink, 0.2);
  raster::FillDisc(cv, r.x0 + 12, r.y0 + h / 2, 3, C(0.6, 0.6, 0.6));
  raster::FillDisc(cv, r.x1 - 12, r.y0 + h / 2, 3, C(0.6, 0.6, 0.6));
}

void RearPanel(Canvas& cv, Px r) {
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y1, C(0.035, 0.035, 0.04));
  raster::FillRect(cv, r.x0, r.y0 + 2, r.x1, r.y0 + 3, C(0.25, 0.25, 0.27));
  double h = r.y1 - r.y0;
  raster::TextInBox(cv, r.x0 + 60, r.y0 + h * 0.22, r.x1 - 60, r.y1 - h * 0.22, "KESTOR", C(0.88, 0.89, 0.92), 0.13);
}

void Dial(Canvas& cv, double cx, double cy, double rad, int marks, const std::string& label, double needle) {
  raster::FillDisc(cv, cx, cy, rad + 2, C(0.55, 0.56, 0.58));
  raster::FillDisc(cv, cx, cy, rad, C(0.03, 0.03, 0.035));
  for (int i = 0; i <= marks; ++i) {
    double a = (135 + 270.0 * i / marks) * kPi / 180;
    double r0 = i % 2 ? rad * 0.82 : rad * 0.72;
    Colour c = i >= marks - 1 ? C(0.9, 0.1, 0.05) : C(0.92, 0.92, 0.9);
    raster::StrokeLine(cv, cx + r0 * std::cos(a), cy + r0 * std::sin(a), cx + rad * 0.92 * std::cos(a),
                       cy + rad * 0.92 * std::sin(a), i % 2 ? 1.0 : 1.8, c);
  }
  double a = (135 + 270.0 * needle) * kPi / 180;
  raster::StrokeLine(cv, cx, cy, cx + rad * 0.8 * std::cos(a), cy + rad * 0.8 * std::sin(a), 2.0, C(1.0, 0.35, 0.1));
  raster::FillDisc(cv, cx, cy, rad * 0.1, C(0.6, 0.6, 0.62));
  raster::TextInBox(cv, cx - rad * 0.5, cy + rad * 0.35, cx + rad * 0.5, cy + rad * 0.55, label, C(0.8, 0.8, 0.8),
                    0.16);
}

void Gauges(Canvas& cv, Px r) {
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y1, C(0.02, 0.02, 0.025));
  double h = r.y1 - r.y0, w = r.x1 - r.x0, cy = r.y0 + h / 2;
  Dial(cv, r.x0 + w * 0.20, cy, h * 0.40, 10, "KM/H", 0.05);
  Dial(cv, r.x0 + w * 0.50, cy, h * 0.46, 16, "RPM", 0.12);
  Dial(cv, r.x0 + w * 0.80, cy, h * 0.40, 8, "OIL", 0.45);
}

void Carbon(Canvas& cv, Px r) {
  for (int y = static_cast<int>(r.y0); y < static_cast<int>(r.y1); ++y)
    for (int x = static_cast<int>(r.x0); x < static_cast<int>(r.x1); ++x) {
      bool weave = ((x / 4) + (y / 4)) % 2 == 0;
      double t = weave ? 0.14 : 0.07;
      raster::Over(cv, x, y, C(t, t, t * 1.08), 1);
    }
}

void Vent(Canvas& cv, Px r) {
  raster::FillRect(cv, r.x0, r.y0, r.x1, r.y1, C(0.02, 0.02, 0.02));
  for (int i = 0; i < 4; ++i) {
    double y = r.y0 + (i + 0.5) * (r.y1 - r.y0) / 4;
    raster::FillRect(cv, r.x0, y - 2, r.x1, y + 2, C(0.45, 0.46, 0.48));
    raster::FillRect(cv, r.x0, y + 2, r.x1, y + 3.5, C(0.12, 0.12, 0.13));
  }
}

// A hedged line of text to a width, for billboards.
void Headline(Canvas& cv, double x0, double y0, double x1, double y1, const std::string& t, Colour c,
              double slant = 0.0) {
  raster::TextInBox(cv, x0, y0, x1, y1, t, c, 0.17, slant);
}

// A signboard drawn on two legs: the board fills the top part, the legs reach the bottom edge.
void Legs(Canvas& cv, double x0, double x1, double top, double bottom) {
  for (double x : {x0, x1}) {
    raster::FillRect(cv, x - 4, top, x + 4, bottom, C(0.30, 0.31, 0.33));
    raster::FillRect(cv, x - 4, top, x - 1, bottom, C(0.55, 0.56, 0.58));
  }
}

}  // namespace

Image CarDetails() {
  const int n = 256;
  Canvas cv(n, n, C(0.5, 0.5, 0.5));
  Grille(cv, Region(car::kUvGrille, n));
  Badge(cv, Region(car::kUvBadge, n));
  Px right = Region({0.75, 0.0, 1.0, 0.25}, n);
  raster::FillRect(cv, right.x0, right.y0, right.x1, right.y1, C(0.05, 0.05, 0.05));
  Plate(cv, Region(car::kUvFrontPlate, n), "SHINAGAWA 300", "KS-2000");
  Plate(cv, Region(car::kUvRearPlate, n), "SHINAGAWA 300", "KS-2000");
  RearPanel(cv, Region(car::kUvRearPanel, n));
  Gauges(cv, Region(car::kUvGauges, n));
  Carbon(cv, Region(car::kUvCarbon, n));
  Vent(cv, Region(car::kUvVent, n));
  return raster::ToImage(cv);
}

Image Ground() {
  // Columns, each tiling vertically: asphalt with the lane line (u 0..0.5), kerb stripes
  // (0.5..0.625), grass (0.625..0.875), gravel and banner cloth (0.875..1).
  const int n = 256;
  Canvas cv(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double u = (x + 0.5) / n;
      Colour c;
      if (u < 0.5) {
        double g = 0.30 + 0.07 * (Fbm(x * 2.0, y, n, 4, 11) - 0.5) + 0.03 * (Hash01(x, y, 3) - 0.5);
        c = C(g, g, g * 1.04);
        // Dashed centre line in the middle of the asphalt column, and a solid edge line.
        // Each half of the track uses 64 texels: an edge line at the outer side, half of the
        // dashed centre line at the inner side.
        int lx = x % 64;
        bool outer = x < 64 ? lx >= 3 && lx < 5 : lx >= 59 && lx < 61;
        bool centre = (x < 64 ? lx >= 63 : lx < 1) && (y % 128) < 72;
        if (outer || centre) c = C(0.86, 0.86, 0.82);
      } else if (u < 0.625) {
        bool red = (y / 32) % 2 == 0;
        c = red ? C(0.72, 0.08, 0.06) : C(0.92, 0.92, 0.9);
      } else if (u < 0.875) {
        double g = Fbm(x * 1.5, y * 1.5, n * 3 / 2, 5, 21);  // the period scales with the coordinates
        double blade = Hash01(x, y, 5);
        c = C(0.20 + 0.10 * g + 0.04 * blade, 0.40 + 0.16 * g + 0.05 * blade, 0.12 + 0.05 * g);
        // Mowing stripes along the track.
        if ((y / 64) % 2) c = Scale(c, 0.9);
      } else {
        bool top = y < n / 2;
        if (top) {
          double g = 0.55 + 0.2 * Hash01(x / 2, y / 2, 7);
          c = C(g, g * 0.93, g * 0.8);  // gravel
        } else {
          bool sq = ((x / 8) + (y / 8)) % 2 == 0;  // chequered cloth
          c = sq ? C(0.95, 0.95, 0.95) : C(0.05, 0.05, 0.05);
        }
      }
      cv.At(x, y) = c;
    }
  return raster::ToImage(cv);
}

Image SkyGlow() {
  // Top half: horizon haze, transparent at the top, brightest toward the bottom of the band.
  // Bottom half: a soft round glow (sun or moon) with a bright core.
  const int n = 256;
  Canvas cv(n, n, C(1, 1, 1, 0));
  for (int y = 0; y < n / 2; ++y)
    for (int x = 0; x < n; ++x) {
      double t = (y + 0.5) / (n / 2);
      double a = std::pow(t, 2.2) * 0.55 * (0.9 + 0.1 * Noise(x / 32.0, 0.5, 8, 31));
      cv.At(x, y) = C(1.0, 0.96, 0.9, a);
    }
  for (int y = n / 2; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double dx = (x + 0.5 - n / 2.0) / (n / 2.0), dy = (y + 0.5 - n * 0.75) / (n / 4.0);
      double d = std::sqrt(dx * dx * 4 + dy * dy);  // the glow region is twice as wide as tall
      double core = Smoothstep(0.16, 0.12, d), halo = std::exp(-d * d * 5.0) * 0.6;
      double a = Clamp(core + halo, 0, 1);
      cv.At(x, y) = C(1.0, 0.95, 0.82, a);
    }
  return raster::ToImage(cv);
}

Image Title() {
  // White lettering on transparency; the saver tints it blue with its vertex colour.
  Canvas cv(512, 128, C(1, 1, 1, 0));
  // "corvane" in lower case above the name (the letters' x-height is the lower 55 % of the box).
  raster::Text(cv, 30, -4, 40, 5, "corvane", C(1, 1, 1, 0.9), 0.1, 0.16);
  raster::TextInBox(cv, 16, 42, 496, 110, "KESTOR", C(1, 1, 1, 1), 0.19, 0.16);
  raster::FillRect(cv, 30, 114, 482, 117, C(1, 1, 1, 0.75));
  for (Colour& c : cv.px) c = C(1, 1, 1, c.a);
  return raster::ToImage(cv);
}

Image Billboard(int kind) {
  if (kind == 0) {
    // Tall board (2.5 x 3.6): the car's poster on two legs.
    Canvas cv(250, 360, C(0, 0, 0, 0));
    Legs(cv, 60, 190, 250, 360);
    raster::FillRoundRect(cv, 4, 4, 246, 262, 6, C(0.95, 0.95, 0.95));
    raster::GradientRect(cv, 12, 12, 238, 254, C(0.06, 0.12, 0.32), C(0.02, 0.03, 0.08));
    // A stylised sports car in profile.
    std::vector<P2> body = {{30, 178},  {44, 160},  {90, 152},  {120, 132}, {160, 128},
                            {196, 146}, {222, 152}, {226, 176}, {30, 182}};
    raster::FillPolygon(cv, body, C(0.80, 0.06, 0.05));
    std::vector<P2> glass = {{118, 138}, {158, 134}, {184, 148}, {112, 150}};
    raster::FillPolygon(cv, glass, C(0.1, 0.12, 0.18));
    raster::FillDisc(cv, 72, 180, 15, C(0.04, 0.04, 0.04));
    raster::FillDisc(cv, 72, 180, 8, C(0.7, 0.7, 0.72));
    raster::FillDisc(cv, 188, 180, 15, C(0.04, 0.04, 0.04));
    raster::FillDisc(cv, 188, 180, 8, C(0.7, 0.7, 0.72));
    Headline(cv, 20, 24, 230, 64, "KESTOR", C(1, 1, 1), 0.18);
    Headline(cv, 30, 70, 220, 88, "PURE DRIVING", C(0.9, 0.75, 0.3));
    Headline(cv, 30, 206, 220, 230, "CORVANE MOTORS", C(0.85, 0.87, 0.95));
    raster::BleedEdges(cv);
    return raster::ToImage(cv);
  }
  Canvas cv(256, 256, C(0, 0, 0, 0));
  if (kind == 1) {
    // Square board: an oil brand in yellow and red on legs.
    Legs(cv, 70, 186, 190, 256);
    raster::FillRoundRect(cv, 6, 20, 250, 196, 8, C(0.98, 0.8, 0.1));
    raster::FillRoundRect(cv, 16, 30, 240, 186, 6, C(0.85, 0.12, 0.08));
    Headline(cv, 26, 46, 230, 112, "TURBOIL", C(1, 0.95, 0.8), 0.15);
    Headline(cv, 36, 122, 220, 150, "RACING OIL", C(1, 0.85, 0.2));
    Headline(cv, 36, 156, 220, 176, "SINCE 1968", C(1, 0.95, 0.85));
  } else {
    // Round sign on a pole (also the small roadside marker): the kestrel roundel.
    raster::FillRect(cv, 122, 180, 134, 256, C(0.35, 0.36, 0.38));
    raster::FillRect(cv, 122, 180, 126, 256, C(0.6, 0.61, 0.63));
    raster::FillDisc(cv, 128, 104, 98, C(0.95, 0.95, 0.95));
    raster::FillDisc(cv, 128, 104, 88, C(0.04, 0.12, 0.40));
    raster::FillRing(cv, 128, 104, 64, 72, C(0.9, 0.75, 0.25));
    std::vector<P2> wing = {{70, 118}, {176, 58}, {150, 100}, {186, 110}, {110, 142}};
    raster::FillPolygon(cv, wing, C(0.9, 0.1, 0.08));
    Headline(cv, 84, 146, 172, 170, "KESTOR", C(1, 1, 1));
  }
  raster::BleedEdges(cv);
  return raster::ToImage(cv);
}

}  // namespace textures
}  // namespace databuild
