#include "curves.h"

#include <algorithm>
#include <cmath>

namespace databuild {

Profile1D::Profile1D(std::vector<std::pair<double, double>> points) {
  std::sort(points.begin(), points.end());
  for (const auto& p : points) {
    xs_.push_back(p.first);
    ys_.push_back(p.second);
  }
  const size_t n = xs_.size();
  ms_.assign(n, 0.0);
  if (n < 2) return;
  std::vector<double> d(n - 1);
  for (size_t i = 0; i + 1 < n; ++i) d[i] = (ys_[i + 1] - ys_[i]) / (xs_[i + 1] - xs_[i]);
  ms_[0] = d[0];
  ms_[n - 1] = d[n - 2];
  for (size_t i = 1; i + 1 < n; ++i) ms_[i] = d[i - 1] * d[i] <= 0 ? 0.0 : (d[i - 1] + d[i]) / 2;
  // Fritsch-Carlson limits keep each piece monotone.
  for (size_t i = 0; i + 1 < n; ++i) {
    if (d[i] == 0) {
      ms_[i] = ms_[i + 1] = 0;
      continue;
    }
    double a = ms_[i] / d[i], b = ms_[i + 1] / d[i];
    double h = a * a + b * b;
    if (h > 9) {
      double t = 3 / std::sqrt(h);
      ms_[i] = t * a * d[i];
      ms_[i + 1] = t * b * d[i];
    }
  }
}

double Profile1D::operator()(double x) const {
  if (xs_.empty()) return 0;
  if (x <= xs_.front()) return ys_.front();
  if (x >= xs_.back()) return ys_.back();
  size_t i = static_cast<size_t>(std::upper_bound(xs_.begin(), xs_.end(), x) - xs_.begin()) - 1;
  double h = xs_[i + 1] - xs_[i], t = (x - xs_[i]) / h;
  double t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * ys_[i] + (t3 - 2 * t2 + t) * h * ms_[i] + (-2 * t3 + 3 * t2) * ys_[i + 1] +
         (t3 - t2) * h * ms_[i + 1];
}

P2 CatmullRom(const std::vector<P2>& pts, P2 before, P2 after, double s) {
  const int n = static_cast<int>(pts.size());
  if (n == 1) return pts[0];
  s = std::min(std::max(s, 0.0), static_cast<double>(n - 1));
  int k = std::min(static_cast<int>(std::floor(s)), n - 2);
  double t = s - k;
  auto at = [&](int i) { return i < 0 ? before : i >= n ? after : pts[i]; };
  P2 p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
  auto knot = [](P2 a, P2 b) { return std::max(std::sqrt(std::hypot(b.x - a.x, b.y - a.y)), 1e-6); };
  double t0 = 0, t1 = t0 + knot(p0, p1), t2 = t1 + knot(p1, p2), t3 = t2 + knot(p2, p3);
  double u = t1 + (t2 - t1) * t;
  auto mix = [](P2 a, P2 b, double ta, double tb, double x) {
    double w = (x - ta) / (tb - ta);
    return P2{a.x + (b.x - a.x) * w, a.y + (b.y - a.y) * w};
  };
  P2 a1 = mix(p0, p1, t0, t1, u), a2 = mix(p1, p2, t1, t2, u), a3 = mix(p2, p3, t2, t3, u);
  P2 b1 = mix(a1, a2, t0, t2, u), b2 = mix(a2, a3, t1, t3, u);
  return mix(b1, b2, t1, t2, u);
}

}  // namespace databuild
