#include "raster.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace databuild {
namespace raster {

namespace {

double Cover(double d) { return Clamp(0.5 - d, 0.0, 1.0); }

struct Glyph {
  double advance;
  std::vector<std::vector<P2>> strokes;
};

// Points of an elliptical arc, angles in degrees, 0 = right, 90 = down (y grows downward).
std::vector<P2> Arc(double cx, double cy, double rx, double ry, double a0, double a1, int n = 14) {
  std::vector<P2> p;
  for (int i = 0; i <= n; ++i) {
    double a = (a0 + (a1 - a0) * i / n) * kPi / 180;
    p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return p;
}
std::vector<P2> Cat(std::vector<P2> a, const std::vector<P2>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::map<char, Glyph>& Font() {
  static const std::map<char, Glyph> font = [] {
    std::map<char, Glyph> f;
    f['A'] = {0.70, {{{0, 1}, {0.35, 0}, {0.70, 1}}, {{0.13, 0.64}, {0.57, 0.64}}}};
    f['B'] = {0.64,
              {Cat(Cat({{0, 1}, {0, 0}, {0.36, 0}}, Arc(0.36, 0.24, 0.24, 0.24, -90, 90, 8)), {{0, 0.48}}),
               Cat(Cat({{0.36, 0.48}}, Arc(0.38, 0.74, 0.26, 0.26, -90, 90, 8)), {{0, 1}})}};
    f['C'] = {0.68, {Arc(0.40, 0.5, 0.40, 0.5, 40, 320, 18)}};
    f['D'] = {0.68, {Cat(Cat({{0, 0}, {0.22, 0}}, Arc(0.22, 0.5, 0.46, 0.5, -90, 90, 14)), {{0, 1}, {0, 0}})}};
    f['E'] = {0.60, {{{0.60, 0}, {0, 0}, {0, 1}, {0.60, 1}}, {{0, 0.5}, {0.50, 0.5}}}};
    f['F'] = {0.58, {{{0.58, 0}, {0, 0}, {0, 1}}, {{0, 0.5}, {0.48, 0.5}}}};
    f['G'] = {0.72, {Cat(Arc(0.40, 0.5, 0.40, 0.5, 320, 40, 18), {{0.80, 0.56}, {0.46, 0.56}})}};
    f['H'] = {0.64, {{{0, 0}, {0, 1}}, {{0.64, 0}, {0.64, 1}}, {{0, 0.5}, {0.64, 0.5}}}};
    f['I'] = {0.0, {{{0, 0}, {0, 1}}}};
    f['J'] = {0.50, {Cat({{0.50, 0}, {0.50, 0.72}}, Arc(0.25, 0.72, 0.25, 0.28, 0, 160, 8))}};
    f['K'] = {0.62, {{{0, 0}, {0, 1}}, {{0.60, 0}, {0, 0.62}}, {{0.20, 0.46}, {0.64, 1}}}};
    f['L'] = {0.54, {{{0, 0}, {0, 1}, {0.54, 1}}}};
    f['M'] = {0.80, {{{0, 1}, {0, 0}, {0.40, 0.72}, {0.80, 0}, {0.80, 1}}}};
    f['N'] = {0.64, {{{0, 1}, {0, 0}, {0.64, 1}, {0.64, 0}}}};
    f['O'] = {0.78, {Arc(0.39, 0.5, 0.39, 0.5, 0, 360, 24)}};
    f['P'] = {0.62, {Cat(Cat({{0, 1}, {0, 0}, {0.36, 0}}, Arc(0.36, 0.26, 0.26, 0.26, -90, 90, 8)), {{0, 0.52}})}};
    f['Q'] = {0.78, {Arc(0.39, 0.5, 0.39, 0.5, 0, 360, 24), {{0.48, 0.70}, {0.80, 1.04}}}};
    f['R'] = {0.64,
              {Cat(Cat({{0, 1}, {0, 0}, {0.36, 0}}, Arc(0.36, 0.26, 0.26, 0.26, -90, 90, 8)), {{0, 0.52}}),
               {{0.34, 0.52}, {0.64, 1}}}};
    f['S'] = {0.60, {Cat(Arc(0.30, 0.25, 0.28, 0.25, -30, -270, 10), Arc(0.30, 0.75, 0.30, 0.25, -90, 150, 10))}};
    f['T'] = {0.66, {{{0, 0}, {0.66, 0}}, {{0.33, 0}, {0.33, 1}}}};
    f['U'] = {0.64, {Cat(Cat({{0, 0}, {0, 0.68}}, Arc(0.32, 0.68, 0.32, 0.32, 180, 0, 10)), {{0.64, 0}})}};
    f['V'] = {0.70, {{{0, 0}, {0.35, 1}, {0.70, 0}}}};
    f['W'] = {0.94, {{{0, 0}, {0.22, 1}, {0.47, 0.22}, {0.72, 1}, {0.94, 0}}}};
    f['X'] = {0.64, {{{0, 0}, {0.64, 1}}, {{0.64, 0}, {0, 1}}}};
    f['Y'] = {0.66, {{{0, 0}, {0.33, 0.52}, {0.66, 0}}, {{0.33, 0.52}, {0.33, 1}}}};
    f['Z'] = {0.62, {{{0, 0}, {0.62, 0}, {0, 1}, {0.62, 1}}}};
    f['0'] = {0.60, {Arc(0.30, 0.5, 0.30, 0.5, 0, 360, 24)}};
    f['1'] = {0.36, {{{0.04, 0.18}, {0.30, 0}, {0.30, 1}}}};
    f['2'] = {0.60, {Cat(Arc(0.30, 0.28, 0.28, 0.28, 200, 380, 10), {{0.58, 0.36}, {0.0, 1}, {0.60, 1}})}};
    f['3'] = {0.60, {Arc(0.28, 0.25, 0.26, 0.25, 210, 450, 10), Arc(0.28, 0.74, 0.30, 0.26, -90, 150, 10)}};
    f['4'] = {0.64, {{{0.48, 1}, {0.48, 0}, {0, 0.70}, {0.64, 0.70}}}};
    f['5'] = {0.60, {Cat({{0.56, 0}, {0.08, 0}, {0.04, 0.45}}, Arc(0.28, 0.68, 0.30, 0.32, -135, 150, 12))}};
    f['6'] = {0.60, {Cat(Arc(0.32, 0.50, 0.30, 0.50, -60, -180, 8), Arc(0.30, 0.70, 0.29, 0.30, 180, 540, 16))}};
    f['7'] = {0.60, {{{0, 0}, {0.60, 0}, {0.18, 1}}}};
    f['8'] = {0.60, {Arc(0.30, 0.25, 0.25, 0.25, 0, 360, 16), Arc(0.30, 0.74, 0.30, 0.26, 0, 360, 18)}};
    f['9'] = {0.60, {Cat(Arc(0.30, 0.30, 0.29, 0.30, 0, 360, 16), Arc(0.28, 0.50, 0.30, 0.50, 0, 120, 8))}};
    f['-'] = {0.40, {{{0.04, 0.56}, {0.38, 0.56}}}};
    f['.'] = {0.06, {{{0.03, 0.97}, {0.03, 0.98}}}};
    f[':'] = {0.06, {{{0.03, 0.35}, {0.03, 0.36}}, {{0.03, 0.97}, {0.03, 0.98}}}};
    f['/'] = {0.46, {{{0.46, 0}, {0, 1}}}};
    f['\''] = {0.06, {{{0.03, 0}, {0.03, 0.25}}}};
    f['!'] = {0.06, {{{0.03, 0}, {0.03, 0.68}}, {{0.03, 0.97}, {0.03, 0.98}}}};
    f['&'] = {0.72,
              {Cat(Cat({{0.72, 1}, {0.16, 0.36}}, Arc(0.30, 0.20, 0.16, 0.20, 150, 390, 10)),
                   Cat({{0.10, 0.58}}, Cat(Arc(0.30, 0.78, 0.26, 0.22, 180, 60, 8), {{0.66, 0.58}})))}};
    // Lower case: x-height 0.55 (from y = 0.45 to 1).
    f['a'] = {0.54, {Arc(0.26, 0.725, 0.26, 0.275, 0, 360, 18), {{0.54, 0.45}, {0.54, 1}}}};
    f['c'] = {0.54, {Arc(0.29, 0.725, 0.29, 0.275, 40, 320, 14)}};
    f['e'] = {0.56, {Cat({{0.02, 0.73}, {0.56, 0.73}}, Arc(0.29, 0.725, 0.27, 0.275, 0, -320, 16))}};
    f['n'] = {0.52, {{{0, 0.45}, {0, 1}}, Cat(Arc(0.26, 0.72, 0.26, 0.27, 180, 360, 8), {{0.52, 1}})}};
    f['o'] = {0.58, {Arc(0.29, 0.725, 0.29, 0.275, 0, 360, 18)}};
    f['r'] = {0.36, {{{0, 0.45}, {0, 1}}, Arc(0.30, 0.78, 0.30, 0.31, 180, 275, 6)}};
    f['v'] = {0.56, {{{0, 0.45}, {0.28, 1}, {0.56, 0.45}}}};
    f['s'] = {0.46, {Cat(Arc(0.23, 0.59, 0.21, 0.14, -30, -270, 8), Arc(0.23, 0.86, 0.23, 0.14, -90, 150, 8))}};
    f['t'] = {0.36, {{{0.14, 0.2}, {0.14, 0.9}, {0.22, 1}, {0.36, 0.98}}, {{0, 0.45}, {0.34, 0.45}}}};
    f['i'] = {0.0, {{{0, 0.45}, {0, 1}}, {{0, 0.22}, {0, 0.23}}}};
    f['l'] = {0.0, {{{0, 0}, {0, 1}}}};
    f[' '] = {0.34, {}};
    return f;
  }();
  return font;
}

double DistToSegment(double px, double py, P2 a, P2 b) {
  double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? Clamp(((px - a.x) * dx + (py - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
  return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

void StrokeSegments(Canvas& cv, const std::vector<std::pair<P2, P2>>& segs, double width, const Colour& c) {
  if (segs.empty()) return;
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (const auto& s : segs) {
    x0 = std::min({x0, s.first.x, s.second.x});
    x1 = std::max({x1, s.first.x, s.second.x});
    y0 = std::min({y0, s.first.y, s.second.y});
    y1 = std::max({y1, s.first.y, s.second.y});
  }
  int ix0 = std::max(0, static_cast<int>(x0 - width)), ix1 = std::min(cv.width - 1, static_cast<int>(x1 + width) + 1);
  int iy0 = std::max(0, static_cast<int>(y0 - width)), iy1 = std::min(cv.height - 1, static_cast<int>(y1 + width) + 1);
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      double d = 1e9;
      for (const auto& s : segs) d = std::min(d, DistToSegment(x + 0.5, y + 0.5, s.first, s.second));
      double cov = Cover(d - width / 2);
      if (cov > 0) Over(cv, x, y, c, cov);
    }
}

}  // namespace

Canvas::Canvas(int w, int h, Colour c) : width(w), height(h), px(static_cast<size_t>(w) * h, c) {}

void Over(Canvas& cv, int x, int y, const Colour& c, double coverage) {
  if (x < 0 || y < 0 || x >= cv.width || y >= cv.height) return;
  Colour& d = cv.At(x, y);
  double a = Clamp(c.a * coverage, 0, 1);
  double outA = a + d.a * (1 - a);
  if (outA <= 0) {
    d = {c.r, c.g, c.b, 0};
    return;
  }
  d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
  d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
  d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
  d.a = outA;
}

void FillRect(Canvas& cv, double x0, double y0, double x1, double y1, const Colour& c) {
  for (int y = std::max(0, static_cast<int>(y0)); y < std::min(cv.height, static_cast<int>(std::ceil(y1))); ++y)
    for (int x = std::max(0, static_cast<int>(x0)); x < std::min(cv.width, static_cast<int>(std::ceil(x1))); ++x) {
      double cx = Clamp(std::min<double>(x + 1, x1) - std::max<double>(x, x0), 0, 1);
      double cy = Clamp(std::min<double>(y + 1, y1) - std::max<double>(y, y0), 0, 1);
      Over(cv, x, y, c, cx * cy);
    }
}

void FillRoundRect(Canvas& cv, double x0, double y0, double x1, double y1, double r, const Colour& c) {
  double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
  r = std::min({r, hx, hy});
  for (int y = std::max(0, static_cast<int>(y0) - 1); y <= std::min(cv.height - 1, static_cast<int>(y1) + 1); ++y)
    for (int x = std::max(0, static_cast<int>(x0) - 1); x <= std::min(cv.width - 1, static_cast<int>(x1) + 1); ++x) {
      double qx = std::fabs(x + 0.5 - cx) - (hx - r), qy = std::fabs(y + 0.5 - cy) - (hy - r);
      double d = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
      double cov = Cover(d);
      if (cov > 0) Over(cv, x, y, c, cov);
    }
}

void FillDisc(Canvas& cv, double cx, double cy, double r, const Colour& c) { FillRing(cv, cx, cy, -1, r, c); }

void FillRing(Canvas& cv, double cx, double cy, double r0, double r1, const Colour& c) {
  for (int y = std::max(0, static_cast<int>(cy - r1) - 1); y <= std::min(cv.height - 1, static_cast<int>(cy + r1) + 1);
       ++y)
    for (int x = std::max(0, static_cast<int>(cx - r1) - 1); x <= std::min(cv.width - 1, static_cast<int>(cx + r1) + 1);
         ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      double cov = std::min(Cover(d - r1), r0 < 0 ? 1.0 : Cover(r0 - d));
      if (cov > 0) Over(cv, x, y, c, cov);
    }
}

void FillPolygon(Canvas& cv, const std::vector<P2>& pts, const Colour& c) {
  if (pts.size() < 3) return;
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (const P2& p : pts) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  const int ss = 4;
  for (int y = std::max(0, static_cast<int>(y0)); y <= std::min(cv.height - 1, static_cast<int>(y1)); ++y)
    for (int x = std::max(0, static_cast<int>(x0)); x <= std::min(cv.width - 1, static_cast<int>(x1)); ++x) {
      int inside = 0;
      for (int j = 0; j < ss; ++j)
        for (int i = 0; i < ss; ++i) {
          double px = x + (i + 0.5) / ss, py = y + (j + 0.5) / ss;
          bool in = false;
          for (size_t k = 0, l = pts.size() - 1; k < pts.size(); l = k++) {
            if ((pts[k].y > py) != (pts[l].y > py) &&
                px < (pts[l].x - pts[k].x) * (py - pts[k].y) / (pts[l].y - pts[k].y) + pts[k].x)
              in = !in;
          }
          inside += in;
        }
      if (inside) Over(cv, x, y, c, static_cast<double>(inside) / (ss * ss));
    }
}

void StrokeLine(Canvas& cv, double x0, double y0, double x1, double y1, double width, const Colour& c) {
  StrokeSegments(cv, {{P2{x0, y0}, P2{x1, y1}}}, width, c);
}

void GradientRect(Canvas& cv, double x0, double y0, double x1, double y1, const Colour& top, const Colour& bottom) {
  for (int y = std::max(0, static_cast<int>(y0)); y < std::min(cv.height, static_cast<int>(std::ceil(y1))); ++y) {
    double t = Clamp((y + 0.5 - y0) / (y1 - y0), 0, 1);
    FillRect(cv, x0, y, x1, y + 1, Mix(top, bottom, t));
  }
}

double TextWidth(const std::string& text, double height, double weight, double tracking) {
  double w = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    auto it = Font().find(text[i]);
    double adv = it == Font().end() ? 0.5 : it->second.advance;
    w += adv * height + (i + 1 < text.size() ? tracking * height + weight : 0);
  }
  return w + weight;
}

double Text(Canvas& cv, double x, double y, double height, double weight, const std::string& text, const Colour& c,
            double slant, double tracking, double grow) {
  std::vector<std::pair<P2, P2>> segs;
  double pen = x + weight / 2;
  for (char ch : text) {
    auto it = Font().find(ch);
    if (it == Font().end()) {
      pen += 0.5 * height + tracking * height + weight;
      continue;
    }
    for (const auto& stroke : it->second.strokes) {
      auto map = [&](P2 p) { return P2{pen + (p.x + slant * (1 - p.y)) * height, y + p.y * height}; };
      for (size_t i = 0; i + 1 < stroke.size(); ++i) segs.push_back({map(stroke[i]), map(stroke[i + 1])});
    }
    pen += it->second.advance * height + tracking * height + weight;
  }
  StrokeSegments(cv, segs, weight + grow, c);
  // The laid-out width (as TextWidth says): no spacing after the last letter.
  return text.empty() ? 0 : pen - x - tracking * height - weight / 2;
}

void TextInBox(Canvas& cv, double x0, double y0, double x1, double y1, const std::string& text, const Colour& c,
               double weightRatio, double slant) {
  double h = y1 - y0;
  for (int i = 0; i < 40; ++i) {
    double w = TextWidth(text, h, h * weightRatio) + slant * h;
    if (w <= x1 - x0) break;
    h *= 0.95;
  }
  double weight = h * weightRatio, w = TextWidth(text, h, weight) + slant * h;
  Text(cv, (x0 + x1 - w) / 2, (y0 + y1 - h) / 2, h, weight, text, c, slant);
}

void BleedEdges(Canvas& cv, int passes) {
  for (int p = 0; p < passes; ++p) {
    Canvas next = cv;
    for (int y = 0; y < cv.height; ++y)
      for (int x = 0; x < cv.width; ++x) {
        if (cv.At(x, y).a > 0.02) continue;
        double r = 0, g = 0, b = 0, wsum = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= cv.width || ny >= cv.height) continue;
            const Colour& n = cv.At(nx, ny);
            double w = n.a > 0.02 ? n.a : (n.r + n.g + n.b > 0 && p > 0 ? 0.001 : 0);
            r += n.r * w;
            g += n.g * w;
            b += n.b * w;
            wsum += w;
          }
        if (wsum > 0) next.At(x, y) = {r / wsum, g / wsum, b / wsum, cv.At(x, y).a};
      }
    cv = next;
  }
}

Image ToImage(const Canvas& cv) {
  Image img(cv.width, cv.height);
  for (int y = 0; y < cv.height; ++y)
    for (int x = 0; x < cv.width; ++x) {
      const Colour& c = cv.At(x, y);
      uint8_t* p = img.At(x, y);
      p[0] = static_cast<uint8_t>(std::lround(Clamp(c.r, 0, 1) * 255));
      p[1] = static_cast<uint8_t>(std::lround(Clamp(c.g, 0, 1) * 255));
      p[2] = static_cast<uint8_t>(std::lround(Clamp(c.b, 0, 1) * 255));
      p[3] = static_cast<uint8_t>(std::lround(Clamp(c.a, 0, 1) * 255));
    }
  return img;
}

void DrawLabel(Image& img, int x, int y, const std::string& text, uint32_t argb) {
  const double h = 12, weight = 2;
  const int w = static_cast<int>(TextWidth(text, h, weight)) + 8;
  Canvas cv(w, static_cast<int>(h) + 8);
  Text(cv, 4, 4, h, weight, text, {0, 0, 0, 0.85}, 0, 0.18, 2.5);
  Colour c{((argb >> 16) & 255) / 255.0, ((argb >> 8) & 255) / 255.0, (argb & 255) / 255.0, 1};
  Text(cv, 4, 4, h, weight, text, c);
  for (int j = 0; j < cv.height; ++j)
    for (int i = 0; i < cv.width; ++i) {
      int dx = x + i, dy = y + j;
      if (dx < 0 || dy < 0 || dx >= img.width || dy >= img.height) continue;
      const Colour& s = cv.At(i, j);
      uint8_t* p = img.At(dx, dy);
      p[0] = static_cast<uint8_t>(std::lround(p[0] * (1 - s.a) + s.r * 255 * s.a));
      p[1] = static_cast<uint8_t>(std::lround(p[1] * (1 - s.a) + s.g * 255 * s.a));
      p[2] = static_cast<uint8_t>(std::lround(p[2] * (1 - s.a) + s.b * 255 * s.a));
    }
}

}  // namespace raster
}  // namespace databuild
