#include "mesh.h"

#include <algorithm>
#include <cmath>

namespace databuild {

namespace {

uint32_t Channel(double v) { return static_cast<uint32_t>(std::lround(Clamp(v, 0.0, 1.0) * 255.0)); }

// Normal transform for row vectors: n * M^-T, computed from the cofactors of the 3x3 block.
V3 TransformNormal(V3 n, const M4& m) {
  const auto& a = m.m;
  double c[3][3];
  c[0][0] = a[1][1] * a[2][2] - a[1][2] * a[2][1];
  c[0][1] = -(a[1][0] * a[2][2] - a[1][2] * a[2][0]);
  c[0][2] = a[1][0] * a[2][1] - a[1][1] * a[2][0];
  c[1][0] = -(a[0][1] * a[2][2] - a[0][2] * a[2][1]);
  c[1][1] = a[0][0] * a[2][2] - a[0][2] * a[2][0];
  c[1][2] = -(a[0][0] * a[2][1] - a[0][1] * a[2][0]);
  c[2][0] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
  c[2][1] = -(a[0][0] * a[1][2] - a[0][2] * a[1][0]);
  c[2][2] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
  V3 r{n.x * c[0][0] + n.y * c[1][0] + n.z * c[2][0], n.x * c[0][1] + n.y * c[1][1] + n.z * c[2][1],
       n.x * c[0][2] + n.y * c[1][2] + n.z * c[2][2]};
  return Det3(m) < 0 ? Normalize(-r) : Normalize(r);
}

}  // namespace

uint32_t PackArgb(const Colour& c) {
  return Channel(c.a) << 24 | Channel(c.r) << 16 | Channel(c.g) << 8 | Channel(c.b);
}

Colour Mix(const Colour& a, const Colour& b, double t) {
  return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t), Lerp(a.a, b.a, t)};
}

Colour Scale(const Colour& c, double s) { return {c.r * s, c.g * s, c.b * s, c.a}; }

uint32_t Mesh::Add(const Vertex& v) {
  vertices.push_back(v);
  return static_cast<uint32_t>(vertices.size() - 1);
}

uint32_t Mesh::Add(const Sample& s) {
  Vertex v;
  v.p = s.p;
  v.n = Normalize(s.n);
  v.diffuse = PackArgb(s.m.diffuse);
  v.specular = PackArgb(s.m.specular);
  v.u = s.u;
  v.v = s.v;
  return Add(v);
}

void Mesh::AddTriangle(uint32_t a, uint32_t b, uint32_t c) {
  const V3 pa = vertices[a].p, pb = vertices[b].p, pc = vertices[c].p;
  V3 f = Cross(pb - pa, pc - pa);
  double area2 = Length(f);
  double scale = std::max({Length(pb - pa), Length(pc - pa), Length(pc - pb)});
  if (area2 <= 1e-9 * scale * scale || area2 < 1e-14) return;  // degenerate: nothing to draw
  V3 n = vertices[a].n + vertices[b].n + vertices[c].n;
  if (Dot(f, n) < 0) std::swap(b, c);
  indices.push_back(a);
  indices.push_back(b);
  indices.push_back(c);
}

void Mesh::AddTriangleFacing(uint32_t a, uint32_t b, uint32_t c, V3 dir) {
  const V3 pa = vertices[a].p, pb = vertices[b].p, pc = vertices[c].p;
  V3 f = Cross(pb - pa, pc - pa);
  double scale = std::max({Length(pb - pa), Length(pc - pa), Length(pc - pb)});
  if (Length(f) <= 1e-9 * scale * scale || Length(f) < 1e-14) return;
  if (Dot(f, dir) < 0) std::swap(b, c);
  indices.push_back(a);
  indices.push_back(b);
  indices.push_back(c);
}

void Mesh::AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  // Split along the shorter diagonal for better shading.
  double d1 = Length(vertices[a].p - vertices[c].p), d2 = Length(vertices[b].p - vertices[d].p);
  if (d1 <= d2) {
    AddTriangle(a, b, c);
    AddTriangle(a, c, d);
  } else {
    AddTriangle(a, b, d);
    AddTriangle(b, c, d);
  }
}

void Mesh::AddGrid(int nu, int nv, const std::function<Sample(double, double)>& f) {
  AddGrid(Steps(0, 1, nu), Steps(0, 1, nv), f);
}

void Mesh::AddGrid(const std::vector<double>& ss, const std::vector<double>& ts,
                   const std::function<Sample(double, double)>& f) {
  const size_t nu = ss.size(), nv = ts.size();
  if (nu < 2 || nv < 2) return;
  uint32_t base = static_cast<uint32_t>(vertices.size());
  for (size_t i = 0; i < nu; ++i)
    for (size_t j = 0; j < nv; ++j) Add(f(ss[i], ts[j]));
  for (size_t i = 0; i + 1 < nu; ++i)
    for (size_t j = 0; j + 1 < nv; ++j) {
      uint32_t a = base + static_cast<uint32_t>(i * nv + j);
      uint32_t b = base + static_cast<uint32_t>((i + 1) * nv + j);
      uint32_t c = base + static_cast<uint32_t>((i + 1) * nv + j + 1);
      uint32_t d = base + static_cast<uint32_t>(i * nv + j + 1);
      AddQuad(a, b, c, d);
    }
}

void Mesh::Append(const Mesh& other) { Append(other, M4::Identity()); }

void Mesh::Append(const Mesh& other, const M4& m) {
  Mesh copy = other;
  copy.Transform(m);
  uint32_t base = static_cast<uint32_t>(vertices.size());
  vertices.insert(vertices.end(), copy.vertices.begin(), copy.vertices.end());
  for (uint32_t i : copy.indices) indices.push_back(base + i);
}

void Mesh::Transform(const M4& m) {
  for (Vertex& v : vertices) {
    v.p = TransformPoint(v.p, m);
    v.n = TransformNormal(v.n, m);
  }
  if (Det3(m) < 0)
    for (size_t i = 0; i + 2 < indices.size(); i += 3) std::swap(indices[i + 1], indices[i + 2]);
}

void Mesh::MirrorX() { Transform(M4::Scale({-1, 1, 1})); }

void Mesh::AddMirrorX() {
  Mesh copy = *this;
  copy.MirrorX();
  Append(copy);
}

void Mesh::SetMaterial(const Material& mat) {
  for (Vertex& v : vertices) {
    v.diffuse = PackArgb(mat.diffuse);
    v.specular = PackArgb(mat.specular);
  }
}

V3 Mesh::BoxMin() const {
  V3 r{1e30, 1e30, 1e30};
  for (const Vertex& v : vertices) r = {std::min(r.x, v.p.x), std::min(r.y, v.p.y), std::min(r.z, v.p.z)};
  return r;
}

V3 Mesh::BoxMax() const {
  V3 r{-1e30, -1e30, -1e30};
  for (const Vertex& v : vertices) r = {std::max(r.x, v.p.x), std::max(r.y, v.p.y), std::max(r.z, v.p.z)};
  return r;
}

std::vector<double> Steps(double a, double b, int n) {
  std::vector<double> r;
  n = std::max(n, 1);
  for (int i = 0; i <= n; ++i) r.push_back(a + (b - a) * i / n);
  return r;
}

std::vector<double> MergeSteps(std::vector<double> base, const std::vector<double>& extra, double eps) {
  double lo = base.front(), hi = base.back();
  for (double e : extra)
    if (e > lo && e < hi) base.push_back(e);
  std::sort(base.begin(), base.end());
  std::vector<double> r;
  for (double v : base) {
    if (!r.empty() && v - r.back() < eps) {
      // Keep the forced break point rather than the regular step next to it.
      for (double e : extra)
        if (std::fabs(e - v) < eps * 0.5) r.back() = v;
      continue;
    }
    r.push_back(v);
  }
  return r;
}

void AddBox(Mesh& m, V3 lo, V3 hi, const Material& mat) {
  const V3 n[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const V3& nn : n) {
    // Four corners of the face with normal nn.
    V3 c[4];
    int k = 0;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) {
        int jj = i ? 1 - j : j;  // walk around the face
        double a = i ? 1 : 0, b = jj ? 1 : 0;
        V3 p;
        if (nn.x != 0) p = {nn.x > 0 ? hi.x : lo.x, Lerp(lo.y, hi.y, a), Lerp(lo.z, hi.z, b)};
        if (nn.y != 0) p = {Lerp(lo.x, hi.x, a), nn.y > 0 ? hi.y : lo.y, Lerp(lo.z, hi.z, b)};
        if (nn.z != 0) p = {Lerp(lo.x, hi.x, a), Lerp(lo.y, hi.y, b), nn.z > 0 ? hi.z : lo.z};
        c[k++] = p;
      }
    uint32_t id[4];
    for (int i = 0; i < 4; ++i) id[i] = m.Add(Sample{c[i], nn, mat});
    m.AddQuad(id[0], id[1], id[2], id[3]);
  }
}

void AddRoundedBox(Mesh& m, V3 lo, V3 hi, double r, int segs, const Material& mat) {
  r = std::min({r, (hi.x - lo.x) / 2, (hi.z - lo.z) / 2});
  // Outline in the xz plane: four quarter circles.
  std::vector<V3> ring, nrm;
  const double cx[4] = {hi.x - r, lo.x + r, lo.x + r, hi.x - r};
  const double cz[4] = {hi.z - r, hi.z - r, lo.z + r, lo.z + r};
  for (int q = 0; q < 4; ++q)
    for (int i = 0; i <= segs; ++i) {
      double a = (q + static_cast<double>(i) / segs) * kPi / 2;
      ring.push_back({cx[q] + r * std::cos(a), 0, cz[q] + r * std::sin(a)});
      nrm.push_back({std::cos(a), 0, std::sin(a)});
    }
  const size_t n = ring.size();
  for (size_t i = 0; i < n; ++i) {
    size_t j = (i + 1) % n;
    uint32_t a = m.Add(Sample{{ring[i].x, lo.y, ring[i].z}, nrm[i], mat});
    uint32_t b = m.Add(Sample{{ring[j].x, lo.y, ring[j].z}, nrm[j], mat});
    uint32_t c = m.Add(Sample{{ring[j].x, hi.y, ring[j].z}, nrm[j], mat});
    uint32_t d = m.Add(Sample{{ring[i].x, hi.y, ring[i].z}, nrm[i], mat});
    m.AddQuad(a, b, c, d);
  }
  for (int side = 0; side < 2; ++side) {
    double y = side ? hi.y : lo.y;
    V3 nn{0, side ? 1.0 : -1.0, 0};
    uint32_t centre = m.Add(Sample{{(lo.x + hi.x) / 2, y, (lo.z + hi.z) / 2}, nn, mat});
    for (size_t i = 0; i < n; ++i) {
      size_t j = (i + 1) % n;
      uint32_t a = m.Add(Sample{{ring[i].x, y, ring[i].z}, nn, mat});
      uint32_t b = m.Add(Sample{{ring[j].x, y, ring[j].z}, nn, mat});
      m.AddTriangle(centre, a, b);
    }
  }
}

void AddLathe(Mesh& m, V3 base, V3 axis, const std::vector<Profile>& profile, int segs, const Material& mat,
              bool smooth, double a0, double a1) {
  axis = Normalize(axis);
  V3 ref = std::fabs(axis.y) < 0.9 ? V3{0, 1, 0} : V3{1, 0, 0};
  V3 e1 = Normalize(Cross(ref, axis)), e2 = Cross(axis, e1);
  const size_t np = profile.size();
  if (np < 2) return;
  // Profile normals (in the (radial, axial) plane).
  std::vector<double> nr(np), nh(np);
  for (size_t i = 0; i < np; ++i) {
    size_t i0 = i == 0 ? 0 : i - 1, i1 = i + 1 < np ? i + 1 : np - 1;
    double dr = profile[i1].r - profile[i0].r, dh = profile[i1].h - profile[i0].h;
    double l = std::hypot(dr, dh);
    nr[i] = l > 0 ? dh / l : 1;
    nh[i] = l > 0 ? -dr / l : 0;
  }
  auto point = [&](size_t i, double ang) {
    V3 radial = e1 * std::cos(ang) + e2 * std::sin(ang);
    return std::pair<V3, V3>{base + axis * profile[i].h + radial * profile[i].r, radial * nr[i] + axis * nh[i]};
  };
  for (int s = 0; s < segs; ++s) {
    double t0 = a0 + (a1 - a0) * s / segs, t1 = a0 + (a1 - a0) * (s + 1) / segs;
    for (size_t i = 0; i + 1 < np; ++i) {
      auto p00 = point(i, t0), p01 = point(i, t1), p10 = point(i + 1, t0), p11 = point(i + 1, t1);
      if (!smooth) {
        // Flat rings: one normal per band, from the segment's slope.
        double dr = profile[i + 1].r - profile[i].r, dh = profile[i + 1].h - profile[i].h;
        double l = std::hypot(dr, dh);
        double fr = l > 0 ? dh / l : 1, fh = l > 0 ? -dr / l : 0;
        double tm0 = t0, tm1 = t1;
        V3 r0 = e1 * std::cos(tm0) + e2 * std::sin(tm0), r1 = e1 * std::cos(tm1) + e2 * std::sin(tm1);
        p00.second = r0 * fr + axis * fh;
        p10.second = p00.second;
        p01.second = r1 * fr + axis * fh;
        p11.second = p01.second;
      }
      uint32_t a = m.Add(Sample{p00.first, p00.second, mat});
      uint32_t b = m.Add(Sample{p10.first, p10.second, mat});
      uint32_t c = m.Add(Sample{p11.first, p11.second, mat});
      uint32_t d = m.Add(Sample{p01.first, p01.second, mat});
      m.AddQuad(a, b, c, d);
    }
  }
}

void AddCylinder(Mesh& m, V3 a, V3 b, double r, int segs, const Material& mat, bool caps) {
  double len = Length(b - a);
  if (len <= 0) return;
  std::vector<Profile> prof;
  if (caps) prof.push_back({0, 0});
  prof.push_back({r, 0});
  prof.push_back({r, len});
  if (caps) prof.push_back({0, len});
  Mesh part;
  AddLathe(part, a, b - a, prof, segs, mat, false);
  m.Append(part);
}

void AddTube(Mesh& m, const std::vector<V3>& path, double r, int segs, const Material& mat, bool caps) {
  if (path.size() < 2) return;
  const size_t n = path.size();
  std::vector<V3> tangent(n);
  for (size_t i = 0; i < n; ++i) {
    V3 t = path[std::min(i + 1, n - 1)] - path[i == 0 ? 0 : i - 1];
    tangent[i] = Normalize(t);
  }
  // Rotation-minimising frame along the path.
  V3 ref = std::fabs(tangent[0].y) < 0.9 ? V3{0, 1, 0} : V3{1, 0, 0};
  V3 e1 = Normalize(Cross(ref, tangent[0]));
  std::vector<std::vector<uint32_t>> rings(n);
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) {
      e1 = e1 - tangent[i] * Dot(e1, tangent[i]);
      e1 = Normalize(e1);
    }
    V3 e2 = Cross(tangent[i], e1);
    for (int s = 0; s <= segs; ++s) {
      double ang = 2 * kPi * s / segs;
      V3 radial = e1 * std::cos(ang) + e2 * std::sin(ang);
      rings[i].push_back(m.Add(Sample{path[i] + radial * r, radial, mat}));
    }
  }
  for (size_t i = 0; i + 1 < n; ++i)
    for (int s = 0; s < segs; ++s) m.AddQuad(rings[i][s], rings[i + 1][s], rings[i + 1][s + 1], rings[i][s + 1]);
  if (caps) {
    for (int end = 0; end < 2; ++end) {
      size_t i = end ? n - 1 : 0;
      V3 nn = end ? tangent[i] : -tangent[i];
      uint32_t c = m.Add(Sample{path[i], nn, mat});
      std::vector<uint32_t> ring;
      for (int s = 0; s <= segs; ++s) ring.push_back(m.Add(Sample{m.vertices[rings[i][s]].p, nn, mat}));
      for (int s = 0; s < segs; ++s) m.AddTriangle(c, ring[s], ring[s + 1]);
    }
  }
}

void AddEllipsoid(Mesh& m, V3 c, V3 rad, int segs, int rings, const Material& mat) {
  m.AddGrid(segs, rings, [&](double s, double t) {
    double lon = 2 * kPi * s, lat = kPi * (t - 0.5);
    V3 unit{std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
    V3 p{c.x + rad.x * unit.x, c.y + rad.y * unit.y, c.z + rad.z * unit.z};
    V3 n{unit.x / rad.x, unit.y / rad.y, unit.z / rad.z};
    return Sample{p, n, mat};
  });
}

void AddPolygon(Mesh& m, const std::vector<V3>& pts, V3 normal, const Material& mat) {
  if (pts.size() < 3) return;
  std::vector<uint32_t> id;
  for (const V3& p : pts) id.push_back(m.Add(Sample{p, normal, mat}));
  for (size_t i = 1; i + 1 < id.size(); ++i) m.AddTriangle(id[0], id[i], id[i + 1]);
}

}  // namespace databuild
