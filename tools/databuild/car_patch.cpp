#include "car_patch.h"

#include <algorithm>
#include <cmath>

namespace databuild {
namespace car {

const std::vector<double>& BodyUSteps() {
  static const std::vector<double> steps = [] {
    std::vector<double> s = Steps(0, 1, 46);
    // Extra columns around the wheel arches so their edges are round.
    std::vector<double> extra;
    for (double axle : {kFrontAxleZ, kRearAxleZ})
      for (double f : {-1.05, -1.0, -0.98, -0.93, -0.85, -0.74, -0.6, -0.43, -0.23, 0.0, 0.23, 0.43, 0.6, 0.74, 0.85,
                       0.93, 0.98, 1.0, 1.05})
        extra.push_back(BodyU(axle + f * ArchHalfWidth()));
    return MergeSteps(s, extra, 0.0025);
  }();
  return steps;
}

const std::vector<double>& BodyVSteps() {
  static const std::vector<double> steps = [] {
    const int perSegment[8] = {2, 2, 3, 3, 4, 5, 4, 3};
    std::vector<double> s;
    for (int k = 0; k < 8; ++k)
      for (int i = 0; i < perSegment[k]; ++i) s.push_back((k + static_cast<double>(i) / perSegment[k]) / 8);
    s.push_back(1.0);
    return s;
  }();
  return steps;
}

const std::vector<double>& GlassZSteps() {
  static const std::vector<double> steps = Steps(kScreenBaseZ, kRearScreenBaseZ, 30);
  return steps;
}

const std::vector<double>& GlassWSteps() {
  static const std::vector<double> steps = Steps(0, 1, 20);
  return steps;
}

std::vector<double> Within(const std::vector<double>& all, double a, double b, const std::vector<double>& extra) {
  std::vector<double> r{a};
  double span = b - a, eps = std::fabs(span) * 0.2 / std::max<size_t>(all.size(), 1) + 1e-9;
  for (double v : all)
    if (v > a + eps && v < b - eps) r.push_back(v);
  for (double v : extra)
    if (v > a + 1e-6 && v < b - 1e-6) r.push_back(v);
  r.push_back(b);
  std::sort(r.begin(), r.end());
  r.erase(std::unique(r.begin(), r.end(), [](double x, double y) { return std::fabs(x - y) < 1e-7; }), r.end());
  return r;
}

void BodyPatch(Mesh& m, double u0, double u1, const Bound& vlo, const Bound& vhi, const MatFn& mat, double offset,
               bool inward, const std::vector<double>& extraU) {
  if (u1 <= u0) return;
  std::vector<double> us = Within(BodyUSteps(), u0, u1, extraU);
  double um = (u0 + u1) / 2, a = vlo(um), b = vhi(um);
  if (b <= a) return;
  std::vector<double> ts;
  for (double v : Within(BodyVSteps(), a, b)) ts.push_back((v - a) / (b - a));
  std::vector<double> ss;
  for (double u : us) ss.push_back((u - u0) / (u1 - u0));
  m.AddGrid(ss, ts, [&](double s, double t) {
    double u = u0 + s * (u1 - u0);
    double lo = vlo(u), hi = vhi(u);
    double v = lo + t * (hi - lo);
    V3 n = BodyNormal(u, v);
    V3 p = Body(u, v) + n * offset;
    if (inward) n = -n;
    return Sample{p, n, mat(p, n)};
  });
}

void BodyPatchHoles(Mesh& m, double u0, double u1, const Bound& vlo, const Bound& vhi, const MatFn& mat,
                    const std::vector<Hole>& holes, const std::vector<double>& extraU) {
  if (u1 <= u0) return;
  const double um = (u0 + u1) / 2, lo = vlo(um), hi = vhi(um);
  for (size_t i = 0; i < holes.size(); ++i) {
    const Hole& h = holes[i];
    // Only holes that lie in this piece (in u and in v) cut it.
    if (h.u1 <= u0 || h.u0 >= u1 || h.v1 <= lo || h.v0 >= hi) continue;
    std::vector<Hole> rest(holes.begin() + static_cast<long>(i) + 1, holes.end());
    double a = std::max(u0, h.u0), b = std::min(u1, h.u1);
    BodyPatchHoles(m, u0, a, vlo, vhi, mat, rest, extraU);
    BodyPatchHoles(m, b, u1, vlo, vhi, mat, rest, extraU);
    const double v0 = h.v0, v1 = h.v1;
    BodyPatchHoles(
        m, a, b, vlo, [vhi, v0](double u) { return std::min(vhi(u), v0); }, mat, rest, extraU);
    BodyPatchHoles(
        m, a, b, [vlo, v1](double u) { return std::max(vlo(u), v1); }, vhi, mat, rest, extraU);
    return;
  }
  BodyPatch(m, u0, u1, vlo, vhi, mat, 0, false, extraU);
}

void GlassPatch(Mesh& m, double z0, double z1, double w0, double w1, const MatFn& mat, double offset, bool inward) {
  if (z1 <= z0 || w1 <= w0) return;
  std::vector<double> zs = Within(GlassZSteps(), z0, z1), ws = Within(GlassWSteps(), w0, w1);
  m.AddGrid(zs, ws, [&](double z, double w) {
    V3 n = GlasshouseNormal(z, w);
    V3 p = Glasshouse(z, w) + n * offset;
    if (inward) n = -n;
    return Sample{p, n, mat(p, n)};
  });
}

void BodyPocket(Mesh& m, const Hole& h, double depth, const MatFn& wallMat, const MatFn& floorMat) {
  // Floor of the pocket: the hole's area moved inward.
  BodyPatch(m, h.u0, h.u1, Const(h.v0), Const(h.v1), floorMat, -depth);
  // Walls: ruled strips from the rim down to the floor, facing into the pocket.
  auto wall = [&](const std::vector<std::pair<double, double>>& rim) {
    for (size_t i = 0; i + 1 < rim.size(); ++i) {
      double ua = rim[i].first, va = rim[i].second, ub = rim[i + 1].first, vb = rim[i + 1].second;
      V3 na = BodyNormal(ua, va), nb = BodyNormal(ub, vb);
      V3 pa = Body(ua, va), pb = Body(ub, vb);
      V3 qa = pa - na * depth, qb = pb - nb * depth;
      // The wall faces the pocket centre.
      V3 centre = Body((h.u0 + h.u1) / 2, (h.v0 + h.v1) / 2) - BodyNormal((h.u0 + h.u1) / 2, (h.v0 + h.v1) / 2) * depth;
      V3 mid = (pa + pb + qa + qb) * 0.25;
      V3 wn = Normalize(Cross(pb - pa, qa - pa));
      if (Dot(wn, centre - mid) < 0) wn = -wn;
      Material mat = wallMat(mid, wn);
      uint32_t a = m.Add(Sample{pa, wn, mat}), b = m.Add(Sample{pb, wn, mat}), c = m.Add(Sample{qb, wn, mat}),
               d = m.Add(Sample{qa, wn, mat});
      m.AddQuad(a, b, c, d);
    }
  };
  std::vector<double> us = Within(BodyUSteps(), h.u0, h.u1), vs = Within(BodyVSteps(), h.v0, h.v1);
  std::vector<std::pair<double, double>> bottom, top, left, right;
  for (double u : us) {
    bottom.push_back({u, h.v0});
    top.push_back({u, h.v1});
  }
  for (double v : vs) {
    left.push_back({h.u0, v});
    right.push_back({h.u1, v});
  }
  wall(bottom);
  wall(top);
  wall(left);
  wall(right);
}

double ArchCutV(double u) {
  V3 p = Body(u, 0.5);
  double y = ArchHeight(p.z);
  double floorEdgeY = Body(u, kFloorEdgeV).y;
  if (y <= floorEdgeY) return kFloorEdgeV;
  return BodyVAtHeight(u, y);
}

}  // namespace car
}  // namespace databuild
