// In-memory triangle meshes for the data set and the builders that make them.
//
// A Mesh holds vertices in the layout of the saver's mesh files (position, normal, diffuse and
// specular ARGB, one texture coordinate pair) and a triangle list of indices. Triangles are
// front faces when they appear clockwise on screen, which with Direct3D's left-handed axes means
// Cross(b - a, c - a) points out of the surface; every builder here derives the winding from the
// vertex normals, so a correct normal is all a caller has to supply.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "geom.h"

namespace databuild {

// A vertex colour pair: diffuse (lit by the lights) and specular (added by the highlights).
struct Colour {
  double r = 1, g = 1, b = 1, a = 1;
};
uint32_t PackArgb(const Colour& c);
Colour Mix(const Colour& a, const Colour& b, double t);
Colour Scale(const Colour& c, double s);  // scales r, g, b; keeps alpha

struct Material {
  Colour diffuse;
  Colour specular{0, 0, 0, 1};
};

struct Vertex {
  V3 p, n;
  uint32_t diffuse = 0xFFFFFFFF;
  uint32_t specular = 0;
  double u = 0, v = 0;
};

// Surface sample handed to the grid builder: position, outward normal, material and texture
// coordinate at one parameter pair.
struct Sample {
  V3 p, n;
  Material m;
  double u = 0, v = 0;
};

class Mesh {
 public:
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;

  size_t TriangleCount() const { return indices.size() / 3; }
  uint32_t Add(const Vertex& v);
  uint32_t Add(const Sample& s);
  // Adds the triangle, turning it so that its face points along the vertices' normals.
  void AddTriangle(uint32_t a, uint32_t b, uint32_t c);
  void AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d);  // a b c d around the edge
  // Adds the triangle facing `dir` whatever its vertices' normals say (for parts whose normals
  // are chosen for their lighting); skips it when it has no area.
  void AddTriangleFacing(uint32_t a, uint32_t b, uint32_t c, V3 dir);

  // A (nu+1) x (nv+1) grid of samples f(s, t), s and t in [0, 1], with nu x nv quads.
  void AddGrid(int nu, int nv, const std::function<Sample(double s, double t)>& f);
  // Same with explicit parameter lists (for columns placed at panel edges or arch ends).
  void AddGrid(const std::vector<double>& ss, const std::vector<double>& ts,
               const std::function<Sample(double s, double t)>& f);

  void Append(const Mesh& other);
  void Append(const Mesh& other, const M4& m);  // m must be rigid or mirroring
  void Transform(const M4& m);                  // keeps the faces outward, also when m mirrors
  void MirrorX();                               // x -> -x, faces kept outward
  // Appends a copy mirrored in x (the other side of a symmetric part).
  void AddMirrorX();
  void SetMaterial(const Material& m);
  V3 BoxMin() const;
  V3 BoxMax() const;
};

// Evenly spaced values from a to b with n steps (n + 1 values).
std::vector<double> Steps(double a, double b, int n);
// Merges sorted value lists and extra break points into one sorted list without near-duplicates.
std::vector<double> MergeSteps(std::vector<double> base, const std::vector<double>& extra, double eps = 1e-6);

// Builders for common solids. All return outward-facing closed or open shells.
// Box from min to max corners, flat-shaded.
void AddBox(Mesh& m, V3 lo, V3 hi, const Material& mat);
// Box with rounded vertical edges (radius r) and flat top and bottom, smooth sides.
void AddRoundedBox(Mesh& m, V3 lo, V3 hi, double r, int segs, const Material& mat);
// Surface of revolution about the axis through `base` along unit `axis`: profile points (radius,
// height) along the axis, `segs` steps around. Normals from the profile (smooth), outward.
struct Profile {
  double r, h;
};
void AddLathe(Mesh& m, V3 base, V3 axis, const std::vector<Profile>& profile, int segs, const Material& mat,
              bool smooth = true, double a0 = 0, double a1 = 2 * kPi);
// Cylinder between two points (open or capped), radius r.
void AddCylinder(Mesh& m, V3 a, V3 b, double r, int segs, const Material& mat, bool caps = true);
// Tube along a polyline path with radius r (round section), with caps.
void AddTube(Mesh& m, const std::vector<V3>& path, double r, int segs, const Material& mat, bool caps = true);
// Sphere or ellipsoid centred at c with radii rad.
void AddEllipsoid(Mesh& m, V3 c, V3 rad, int segs, int rings, const Material& mat);
// Flat polygon (convex, in order) with one normal.
void AddPolygon(Mesh& m, const std::vector<V3>& pts, V3 normal, const Material& mat);

}  // namespace databuild
