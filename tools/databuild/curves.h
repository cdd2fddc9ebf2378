// Curves used to shape the car: monotone cubic profiles y = f(x) through control points (no
// overshoot between them) and centripetal Catmull-Rom splines through 2D section points, whose
// parameter k + t runs from control point k (t = 0) to k + 1 (t = 1).
#pragma once

#include <utility>
#include <vector>

namespace databuild {

// y = f(x) through points sorted by x; constant beyond the ends.
class Profile1D {
 public:
  Profile1D() = default;
  explicit Profile1D(std::vector<std::pair<double, double>> points);
  double operator()(double x) const;

 private:
  std::vector<double> xs_, ys_, ms_;
};

struct P2 {
  double x, y;
};

// Point on the centripetal Catmull-Rom spline through pts at parameter s in [0, pts.size() - 1].
// `before` and `after` are the phantom points beyond the ends (they set the end tangents).
P2 CatmullRom(const std::vector<P2>& pts, P2 before, P2 after, double s);

}  // namespace databuild
