// Patch helpers over the car's surfaces: grids on the lower body S(u, v) and the greenhouse
// G(z, w) between parameter bounds, with holes, offsets along the normal and per-vertex colours.
// Shared by the body, the greenhouse parts and the details that follow the body surface.
#pragma once

#include <functional>
#include <vector>

#include "car_shape.h"
#include "mesh.h"

namespace databuild {
namespace car {

using MatFn = std::function<Material(V3 p, V3 n)>;
using Bound = std::function<double(double)>;

inline Bound Const(double v) {
  return [v](double) { return v; };
}
inline MatFn Solid(const Material& m) {
  return [m](V3, V3) { return m; };
}

struct Hole {
  double u0, u1, v0, v1;
};

// Sample lists along the body and the greenhouse (denser where the surface bends).
const std::vector<double>& BodyUSteps();
const std::vector<double>& BodyVSteps();
const std::vector<double>& GlassZSteps();
const std::vector<double>& GlassWSteps();
// Samples of `all` strictly inside (a, b), with a and b themselves and the extra break points.
std::vector<double> Within(const std::vector<double>& all, double a, double b, const std::vector<double>& extra = {});

// Body patch for u in [u0, u1], v from vlo(u) to vhi(u). `offset` moves the surface along its
// normal (negative: inward); `inward` turns the faces to the inside (for inner linings).
void BodyPatch(Mesh& m, double u0, double u1, const Bound& vlo, const Bound& vhi, const MatFn& mat, double offset = 0,
               bool inward = false, const std::vector<double>& extraU = {});
// The same with rectangular holes (each within the patch's v range over its u range).
void BodyPatchHoles(Mesh& m, double u0, double u1, const Bound& vlo, const Bound& vhi, const MatFn& mat,
                    const std::vector<Hole>& holes, const std::vector<double>& extraU = {});
// Greenhouse patch for z in [z0, z1], w in [w0, w1].
void GlassPatch(Mesh& m, double z0, double z1, double w0, double w1, const MatFn& mat, double offset = 0,
                bool inward = false);
// A recessed pocket for a hole: the walls from the surface down to `depth` (inward) and the
// floor of the pocket; `floorMat` may differ from the wall colour.
void BodyPocket(Mesh& m, const Hole& h, double depth, const MatFn& wallMat, const MatFn& floorMat);

// Arch cut on the side: v below which the body side is open at u (the floor edge when no arch).
double ArchCutV(double u);

}  // namespace car
}  // namespace databuild
