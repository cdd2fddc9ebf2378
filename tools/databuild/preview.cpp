#include "preview.h"

#include <algorithm>
#include <cmath>

namespace databuild {

namespace {

constexpr double kNear = 0.01, kFar = 10000.0, kFov = 1.5707964;

struct Rgba {
  double r, g, b, a;
};
Rgba Unpack(uint32_t c) {
  return {((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0, (c >> 24) / 255.0};
}

Rgba SampleTexture(const Image& t, double u, double v, bool linear) {
  auto texel = [&t](int x, int y) {
    x %= t.width;
    y %= t.height;
    if (x < 0) x += t.width;
    if (y < 0) y += t.height;
    const uint8_t* p = t.At(x, y);
    return Rgba{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0};
  };
  if (!linear) return texel(static_cast<int>(std::floor(u * t.width)), static_cast<int>(std::floor(v * t.height)));
  double fx = u * t.width - 0.5, fy = v * t.height - 0.5;
  int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  double ax = fx - x0, ay = fy - y0;
  Rgba a = texel(x0, y0), b = texel(x0 + 1, y0), c = texel(x0, y0 + 1), d = texel(x0 + 1, y0 + 1);
  auto mix = [](Rgba p, Rgba q, double s) {
    return Rgba{p.r + (q.r - p.r) * s, p.g + (q.g - p.g) * s, p.b + (q.b - p.b) * s, p.a + (q.a - p.a) * s};
  };
  return mix(mix(a, b, ax), mix(c, d, ax), ay);
}

V3 TransformNormalFor(V3 n, const M4& m) {
  // Inverse transpose when the matrix can be inverted; a singular matrix is used unchanged.
  double det = Det3(m);
  if (std::fabs(det) < 1e-12) return TransformDir(n, m);
  const auto& a = m.m;
  double c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1], c01 = -(a[1][0] * a[2][2] - a[1][2] * a[2][0]),
         c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0], c10 = -(a[0][1] * a[2][2] - a[0][2] * a[2][1]),
         c11 = a[0][0] * a[2][2] - a[0][2] * a[2][0], c12 = -(a[0][0] * a[2][1] - a[0][1] * a[2][0]),
         c20 = a[0][1] * a[1][2] - a[0][2] * a[1][1], c21 = -(a[0][0] * a[1][2] - a[0][2] * a[1][0]),
         c22 = a[0][0] * a[1][1] - a[0][1] * a[1][0];
  V3 r{n.x * c00 + n.y * c10 + n.z * c20, n.x * c01 + n.y * c11 + n.z * c21, n.x * c02 + n.y * c12 + n.z * c22};
  return r * (1.0 / det);
}

}  // namespace

PreviewRenderer::PreviewRenderer(int width, int height, bool depth16)
    : width_(width),
      height_(height),
      depth16_(depth16),
      colour_(width, height, 0xFF000000),
      depth_(static_cast<size_t>(width) * height, 1.0) {
  double c = std::cos(kFov / 2) / std::sin(kFov / 2), q = kFar / (kFar - kNear);
  double aspect = static_cast<double>(height) / width;
  proj_ = M4{};
  proj_.m[0][0] = aspect * c;
  proj_.m[1][1] = c;
  proj_.m[2][2] = q;
  proj_.m[2][3] = 1;
  proj_.m[3][2] = -kNear * q;
  proj_.m[3][3] = 0;
}

void PreviewRenderer::Clear(uint32_t argb) {
  colour_ = Image(width_, height_, argb);
  std::fill(depth_.begin(), depth_.end(), 1.0);
  blended_.clear();
  drawn = culled = 0;
}

void PreviewRenderer::SetCamera(V3 eye, V3 target) {
  eye_ = eye;
  V3 d = Normalize(target - eye);
  V3 right = Cross(V3{0, 1, 0}, d);
  if (Length(right) < 1e-4) right = {1, 0, 0};
  right = Normalize(right);
  V3 up = Normalize(Cross(d, right));
  // Inverse of the rigid camera frame.
  M4 v;
  const V3 axes[3] = {right, up, d};
  for (int i = 0; i < 3; ++i) {
    v.m[0][i] = axes[i].x;
    v.m[1][i] = axes[i].y;
    v.m[2][i] = axes[i].z;
    v.m[3][i] = -Dot(axes[i], eye);
  }
  view_ = v;
}

V3 PreviewRenderer::Project(V3 world, double& w) const {
  V3 vpos = TransformPoint(world, view_);
  w = vpos.z;
  return vpos;
}

void PreviewRenderer::DrawMesh(const MeshFile& mesh, const M4& world, int blend, bool specular, const Image* texture,
                               bool lighting) {
  Pending p;
  p.mesh = &mesh;
  p.world = world;
  p.blend = blend;
  p.specular = specular;
  p.lighting = lighting;
  p.texture = texture;
  if (blend == 0) {
    Draw(p);
    return;
  }
  // Sort key: view depth of the box centre.
  V3 lo{1e30, 1e30, 1e30}, hi{-1e30, -1e30, -1e30};
  for (const auto& v : mesh.vertices) {
    lo = {std::min<double>(lo.x, v.x), std::min<double>(lo.y, v.y), std::min<double>(lo.z, v.z)};
    hi = {std::max<double>(hi.x, v.x), std::max<double>(hi.y, v.y), std::max<double>(hi.z, v.z)};
  }
  Project(TransformPoint((lo + hi) * 0.5, world), p.key);
  blended_.push_back(p);
}

void PreviewRenderer::AddSprite(V3 worldPos, const SpriteCorner (&quad)[4], const Image* texture, int blend) {
  double w;
  V3 vp = Project(worldPos, w);
  if (w <= 0) return;
  double cx = vp.x * proj_.m[0][0] / w, cy = vp.y * proj_.m[1][1] / w;
  double cz = (vp.z * proj_.m[2][2] + proj_.m[3][2]) / w;
  double sx = width_ / 2.0 + cx * width_ / 2.0, sy = height_ / 2.0 - cy * height_ / 2.0;
  double scale = width_ / 2.0 / w;
  Pending p;
  p.sprite = true;
  p.blend = blend;
  p.texture = texture;
  p.key = w;
  for (int i = 0; i < 4; ++i) {
    ClipVertex& c = p.quad[i];
    // Stored directly in screen space with w = 1.
    c.x = sx + quad[i].x * scale;
    c.y = sy + quad[i].y * scale;
    c.z = cz;
    c.w = 1;
    c.r = c.g = c.b = c.a = 1;
    c.sr = c.sg = c.sb = 0;
    c.u = quad[i].u;
    c.v = quad[i].v;
  }
  blended_.push_back(p);
}

void PreviewRenderer::AddScreenPicture(double x, double y, const Image& texture, uint32_t tint) {
  Pending p;
  p.sprite = true;
  p.blend = 2;
  p.texture = &texture;
  p.key = 0;
  Rgba t = Unpack(tint);
  const double xs[4] = {0, 1, 0, 1}, ys[4] = {0, 0, 1, 1};
  for (int i = 0; i < 4; ++i) {
    ClipVertex& c = p.quad[i];
    c.x = x + xs[i] * texture.width;
    c.y = y + ys[i] * texture.height;
    c.z = 0;
    c.w = 1;
    c.r = t.r;
    c.g = t.g;
    c.b = t.b;
    c.a = t.a;
    c.sr = c.sg = c.sb = 0;
    c.u = xs[i];
    c.v = ys[i];
  }
  blended_.push_back(p);
}

void PreviewRenderer::Flush() {
  std::stable_sort(blended_.begin(), blended_.end(), [](const Pending& a, const Pending& b) { return a.key > b.key; });
  for (const Pending& p : blended_) Draw(p);
  blended_.clear();
}

void PreviewRenderer::Draw(const Pending& item) {
  if (item.sprite) {
    Raster(item.quad[0], item.quad[1], item.quad[2], item.blend, item.texture, false, true, false);
    Raster(item.quad[2], item.quad[1], item.quad[3], item.blend, item.texture, false, true, false);
    return;
  }
  const MeshFile& mesh = *item.mesh;
  const M4 wv = item.world * view_;
  std::vector<ClipVertex> cv(mesh.vertices.size());
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const auto& v = mesh.vertices[i];
    V3 pw = TransformPoint({v.x, v.y, v.z}, item.world);
    V3 nw = TransformNormalFor({v.nx, v.ny, v.nz}, item.world);
    V3 pv = TransformPoint({v.x, v.y, v.z}, wv);
    ClipVertex& c = cv[i];
    c.x = pv.x * proj_.m[0][0];
    c.y = pv.y * proj_.m[1][1];
    c.z = pv.z * proj_.m[2][2] + proj_.m[3][2];
    c.w = pv.z;
    Rgba d = Unpack(v.diffuse), s = Unpack(v.specular);
    if (!item.lighting) {
      c.r = d.r;
      c.g = d.g;
      c.b = d.b;
      c.a = d.a;
      c.sr = s.r;
      c.sg = s.g;
      c.sb = s.b;
    } else {
      V3 amb{0, 0, 0}, dif{0, 0, 0}, spe{0, 0, 0};
      V3 view = Normalize(eye_ - pw);
      for (const PreviewLight& l : lights_) {
        if (!l.enabled) continue;
        amb = amb + l.ambient;
        V3 L = -Normalize(l.direction);
        double nl = Dot(nw, L);
        if (nl <= 0) continue;
        dif = dif + V3{d.r * l.diffuse.x, d.g * l.diffuse.y, d.b * l.diffuse.z} * nl;
        double nh = std::max(0.0, Dot(nw, Normalize(L + view)));
        double f = std::pow(nh, 10.0);
        spe = spe + V3{s.r * l.specular.x, s.g * l.specular.y, s.b * l.specular.z} * f;
      }
      c.r = Clamp(amb.x + dif.x, 0, 1);
      c.g = Clamp(amb.y + dif.y, 0, 1);
      c.b = Clamp(amb.z + dif.z, 0, 1);
      c.a = d.a;
      c.sr = Clamp(spe.x, 0, 1);
      c.sg = Clamp(spe.y, 0, 1);
      c.sb = Clamp(spe.z, 0, 1);
    }
    c.u = v.u;
    c.v = v.v;
  }
  auto lerp = [](const ClipVertex& a, const ClipVertex& b, double t) {
    auto f = [t](double p, double q) { return p + (q - p) * t; };
    return ClipVertex{f(a.x, b.x), f(a.y, b.y),   f(a.z, b.z),   f(a.w, b.w),   f(a.r, b.r), f(a.g, b.g), f(a.b, b.b),
                      f(a.a, b.a), f(a.sr, b.sr), f(a.sg, b.sg), f(a.sb, b.sb), f(a.u, b.u), f(a.v, b.v)};
  };
  for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
    std::vector<ClipVertex> poly = {cv[mesh.indices[t]], cv[mesh.indices[t + 1]], cv[mesh.indices[t + 2]]};
    // Clip against z >= 0 (near plane) and z <= w (far plane).
    for (int plane = 0; plane < 2 && !poly.empty(); ++plane) {
      std::vector<ClipVertex> out;
      auto dist = [plane](const ClipVertex& v) { return plane == 0 ? v.z : v.w - v.z; };
      for (size_t i = 0; i < poly.size(); ++i) {
        const ClipVertex& a = poly[i];
        const ClipVertex& b = poly[(i + 1) % poly.size()];
        double da = dist(a), db = dist(b);
        if (da >= 0) out.push_back(a);
        if ((da >= 0) != (db >= 0)) out.push_back(lerp(a, b, da / (da - db)));
      }
      poly.swap(out);
    }
    if (poly.size() < 3) continue;
    // To screen space; keep 1/w for perspective-correct attributes.
    for (ClipVertex& v : poly) {
      double iw = 1.0 / v.w;
      v.x = width_ / 2.0 + v.x * iw * width_ / 2.0;
      v.y = height_ / 2.0 - v.y * iw * height_ / 2.0;
      v.z = v.z * iw;
      v.w = iw;
    }
    for (size_t i = 1; i + 1 < poly.size(); ++i)
      Raster(poly[0], poly[i], poly[i + 1], item.blend, item.texture, item.specular, false, true);
  }
}

void PreviewRenderer::Raster(const ClipVertex& a0, const ClipVertex& b0, const ClipVertex& c0, int blend,
                             const Image* texture, bool specular, bool linear, bool cull) {
  ClipVertex a = a0, b = b0, c = c0;
  double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  if (area == 0) return;
  if (area < 0) {
    // Counter-clockwise on screen: a back face under the default cull mode.
    if (cull) {
      ++culled;
      return;
    }
    std::swap(b, c);
    area = -area;
  }
  ++drawn;
  int x0 = std::max(0, static_cast<int>(std::ceil(std::min({a.x, b.x, c.x}))));
  int x1 = std::min(width_ - 1, static_cast<int>(std::floor(std::max({a.x, b.x, c.x}))));
  int y0 = std::max(0, static_cast<int>(std::ceil(std::min({a.y, b.y, c.y}))));
  int y1 = std::min(height_ - 1, static_cast<int>(std::floor(std::max({a.y, b.y, c.y}))));
  auto topLeft = [](const ClipVertex& p, const ClipVertex& q) {
    double dx = q.x - p.x, dy = q.y - p.y;
    return dy < 0 || (dy == 0 && dx > 0);
  };
  const bool tl0 = topLeft(b, c), tl1 = topLeft(c, a), tl2 = topLeft(a, b);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double e0 = (c.x - b.x) * (y - b.y) - (c.y - b.y) * (x - b.x);
      double e1 = (a.x - c.x) * (y - c.y) - (a.y - c.y) * (x - c.x);
      double e2 = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
      if (e0 < 0 || e1 < 0 || e2 < 0) continue;
      if ((e0 == 0 && !tl0) || (e1 == 0 && !tl1) || (e2 == 0 && !tl2)) continue;
      double l0 = e0 / area, l1 = e1 / area, l2 = e2 / area;
      double z = l0 * a.z + l1 * b.z + l2 * c.z;
      if (depth16_) z = std::floor(Clamp(z, 0, 1) * 65535.0 + 0.5) / 65535.0;
      size_t di = static_cast<size_t>(y) * width_ + x;
      if (z > depth_[di]) continue;
      double iw = l0 * a.w + l1 * b.w + l2 * c.w;
      auto attr = [&](double ClipVertex::*f) { return (l0 * a.*f * a.w + l1 * b.*f * b.w + l2 * c.*f * c.w) / iw; };
      Rgba col{attr(&ClipVertex::r), attr(&ClipVertex::g), attr(&ClipVertex::b), attr(&ClipVertex::a)};
      if (texture) {
        Rgba t = SampleTexture(*texture, attr(&ClipVertex::u), attr(&ClipVertex::v), linear);
        col = {col.r * t.r, col.g * t.g, col.b * t.b, col.a * t.a};
      }
      if (specular) {
        col.r = std::min(1.0, col.r + attr(&ClipVertex::sr));
        col.g = std::min(1.0, col.g + attr(&ClipVertex::sg));
        col.b = std::min(1.0, col.b + attr(&ClipVertex::sb));
      }
      uint8_t* px = colour_.At(x, y);
      double dst[3] = {px[0] / 255.0, px[1] / 255.0, px[2] / 255.0};
      double src[3] = {col.r, col.g, col.b};
      double out[3];
      for (int k = 0; k < 3; ++k) {
        switch (blend) {
          case 1: out[k] = dst[k] + src[k] * col.a; break;
          case 2: out[k] = src[k] * col.a + dst[k] * (1 - col.a); break;
          case 4: out[k] = dst[k] * src[k]; break;
          default: out[k] = src[k]; break;
        }
        px[k] = static_cast<uint8_t>(std::lround(Clamp(out[k], 0, 1) * 255));
      }
      if (blend == 0) depth_[di] = z;
    }
}

Image Downsample(const Image& img, int f) {
  Image r(img.width / f, img.height / f);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      for (int k = 0; k < 4; ++k) {
        int s = 0;
        for (int j = 0; j < f; ++j)
          for (int i = 0; i < f; ++i) s += img.At(x * f + i, y * f + j)[k];
        r.At(x, y)[k] = static_cast<uint8_t>((s + f * f / 2) / (f * f));
      }
  return r;
}

void Blit(Image& dst, const Image& src, int x, int y) {
  for (int j = 0; j < src.height; ++j)
    for (int i = 0; i < src.width; ++i) {
      int dx = x + i, dy = y + j;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
      std::copy(src.At(i, j), src.At(i, j) + 4, dst.At(dx, dy));
    }
}

}  // namespace databuild
