// The driving-mode scenery in world space.
//
// Lighting notes: the saver's lights 0 and 1 shine along +-(0.41, 0.82, 0.41) and light 2 almost
// straight down (off at night). A normal along kLitNormal (toward light 0) is lit exactly by its
// diffuse colour at night and by 1.8 times it by day; glowing and night parts use it so that their
// colours are what the vertex colours say. Coplanar layers are avoided: a part that lies on
// another is a little above it and comes later in the drawing order, so it always wins the depth
// test even where the 16-bit depth buffer cannot tell them apart.
#include "scenery.h"

#include <cmath>

namespace databuild {
namespace scenery {

namespace {

const V3 kLitNormal = Normalize(V3{0.41, 0.82, 0.41});
const V3 kShadowDir{-0.5, 0, -0.5};  // where shadows fall per unit of height (away from light 0)
constexpr double kGrassY = -0.02;
constexpr double kExtent = 420;  // half size of the ground
constexpr double kTrackZ = 300;  // the track runs from -300 to 300

Material M(double r, double g, double b, double a = 1) { return {{r, g, b, a}, {0, 0, 0, 1}}; }

struct P2D {
  double x, z;  // a point on the ground
};

// Textured flat strip on the ground, u over the width (one tile column), v along z every `tile`.
void GroundStrip(Mesh& m, double x0, double x1, double y, double z0, double z1, double u0, double u1, double tile,
                 const Material& mat, int zSegments = 24) {
  for (int i = 0; i < zSegments; ++i) {
    double za = Lerp(z0, z1, static_cast<double>(i) / zSegments),
           zb = Lerp(z0, z1, static_cast<double>(i + 1) / zSegments);
    uint32_t a = m.Add(Sample{{x0, y, za}, {0, 1, 0}, mat, u0, za / tile});
    uint32_t b = m.Add(Sample{{x1, y, za}, {0, 1, 0}, mat, u1, za / tile});
    uint32_t c = m.Add(Sample{{x1, y, zb}, {0, 1, 0}, mat, u1, zb / tile});
    uint32_t d = m.Add(Sample{{x0, y, zb}, {0, 1, 0}, mat, u0, zb / tile});
    m.AddQuad(a, b, c, d);
  }
}

// Box with a flat colour per face and faces turned outward.
void Block(Mesh& m, V3 lo, V3 hi, const Material& side, const Material& top) {
  Mesh b;
  AddBox(b, lo, hi, side);
  for (Vertex& v : b.vertices)
    if (v.n.y > 0.5) {
      v.diffuse = PackArgb(top.diffuse);
      v.specular = PackArgb(top.specular);
    }
  m.Append(b);
}

// A flat shape on the ground (for the flattened shadows): normals horizontal, faces up.
void FlatShape(Mesh& m, const std::vector<P2D>& pts, const Material& mat) {
  if (pts.size() < 3) return;
  const V3 n = Normalize(V3{1, 0, 1});
  double cx = 0, cz = 0;
  for (const P2D& p : pts) {
    cx += p.x;
    cz += p.z;
  }
  cx /= pts.size();
  cz /= pts.size();
  uint32_t c = m.Add(Sample{{cx, 0, cz}, n, mat});
  std::vector<uint32_t> ring;
  for (const P2D& p : pts) ring.push_back(m.Add(Sample{{p.x, 0, p.z}, n, mat}));
  for (size_t i = 0; i < ring.size(); ++i) m.AddTriangleFacing(c, ring[i], ring[(i + 1) % ring.size()], {0, 1, 0});
}

std::vector<P2D> Ellipse(double cx, double cz, double rx, double rz, int n = 12) {
  std::vector<P2D> p;
  for (int i = 0; i < n; ++i) {
    double a = 2 * kPi * i / n;
    p.push_back({cx + rx * std::cos(a), cz + rz * std::sin(a)});
  }
  return p;
}

// Shadow footprint of a box standing on the ground, cast along kShadowDir.
std::vector<P2D> BoxShadow(double x0, double z0, double x1, double z1, double h) {
  double dx = kShadowDir.x * h, dz = kShadowDir.z * h;
  // Convex hull of the base and the shifted top (the light comes from +x +z).
  return {{x1, z1}, {x1, z0}, {x1 + dx, z0 + dz}, {x0 + dx, z0 + dz}, {x0 + dx, z1 + dz}, {x0, z1}};
}

struct Tree {
  double x, z, h, r;
};
const std::vector<Tree>& Trees() {
  static const std::vector<Tree> trees = [] {
    std::vector<Tree> t;
    Rng rng(0x7EE5);
    // Right side behind the wall (skipping the pit building), left side behind the armco.
    for (int i = 0; i < 70; ++i) {
      double z = -240 + i * 7.0 + rng.Range(-2, 2);
      bool right = i % 2 == 0;
      double x = right ? rng.Range(13, 30) : rng.Range(-15, -9);
      if (right && z > -70 && z < 0) x += 24;     // around the pit building
      if (!right && z > -50 && z < 50) continue;  // the grandstand stands there
      t.push_back({x, z, rng.Range(5, 9), rng.Range(1.8, 3.0)});
    }
    return t;
  }();
  return trees;
}

struct Stand {
  double x0 = -33, x1 = -21, z0 = -45, z1 = 45, h = 9;
};
struct Pit {
  double x0 = 12, x1 = 20, z0 = -68, z1 = -8, h = 6, towerZ0 = -16, towerZ1 = -8, towerH = 13;
};

}  // namespace

Mesh BuildGround() {
  Mesh m;
  const double tile = 16;
  const Material grass = M(0.55, 0.55, 0.55), gravel = M(0.52, 0.52, 0.52);
  // Grass in strips 4 units wide, each spanning the grass column of the texture once.
  auto grassArea = [&](double xa, double xb) {
    for (double x = xa; x < xb - 1e-9; x += 4.0)
      GroundStrip(m, x, std::min(x + 4.0, xb), kGrassY, -kExtent, kExtent, 0.635, 0.865, tile, grass, 12);
  };
  grassArea(-kExtent, -4.4);
  GroundStrip(m, -4.4, kRoadLeft - 0.6, kGrassY + 0.002, -kTrackZ, kTrackZ, 0.885, 0.995, 8, gravel, 24);
  GroundStrip(m, kRoadRight + 0.6, 8.8, kGrassY + 0.002, -kTrackZ, kTrackZ, 0.885, 0.995, 8, gravel, 24);
  grassArea(8.8, kExtent);
  // Beyond the ends of the track.
  for (double s : {-1.0, 1.0}) {
    double za = s > 0 ? kTrackZ : -kExtent, zb = s > 0 ? kExtent : -kTrackZ;
    for (double x = -4.4; x < 8.8 - 1e-9; x += 4.4)
      GroundStrip(m, x, std::min(x + 4.4, 8.8), kGrassY, za, zb, 0.635, 0.865, tile, grass, 3);
  }
  return m;
}

Mesh BuildRoad() {
  Mesh m;
  const Material asphalt = M(0.56, 0.56, 0.56), kerb = M(0.55, 0.55, 0.55);
  // The asphalt column holds the edge lines at its sides; the track is two columns wide.
  double mid = (kRoadLeft + kRoadRight) / 2;
  GroundStrip(m, kRoadLeft, mid, kRoadY, -kTrackZ, kTrackZ, 0.0, 0.25, 20, asphalt, 60);
  GroundStrip(m, mid, kRoadRight, kRoadY, -kTrackZ, kTrackZ, 0.25, 0.5, 20, asphalt, 60);
  // Kerbs, a little above the road.
  GroundStrip(m, kRoadLeft - 0.6, kRoadLeft, kRoadY + 0.004, -kTrackZ, kTrackZ, 0.51, 0.615, 4, kerb, 60);
  GroundStrip(m, kRoadRight, kRoadRight + 0.6, kRoadY + 0.004, -kTrackZ, kTrackZ, 0.51, 0.615, 4, kerb, 60);
  return m;
}

Mesh BuildWalls() {
  Mesh m;
  const Material concrete = M(0.80, 0.80, 0.78), red = M(0.85, 0.10, 0.08), white = M(0.95, 0.95, 0.95),
                 steel = M(0.70, 0.72, 0.75), post = M(0.35, 0.35, 0.37);
  // Billboard walls: concrete, painted in red and white blocks facing the track.
  for (double wx : {kWallRightX, kWallLeftX}) {
    for (int i = 0; i < 50; ++i) {
      double z0 = -110 + i * 4.4, z1 = z0 + 4.4;
      Block(m, {wx - 0.2, kGrassY, z0}, {wx + 0.2, kWallHeight, z1}, i % 2 ? red : white, concrete);
    }
  }
  // Guard rail on the left: two steel rails on posts.
  const double rx = -6.2;
  for (double y : {0.45, 0.75}) Block(m, {rx - 0.03, y - 0.12, -kTrackZ}, {rx + 0.03, y, kTrackZ}, steel, steel);
  for (double z = -kTrackZ; z <= kTrackZ; z += 4)
    Block(m, {rx + 0.03, kGrassY, z - 0.06}, {rx + 0.15, 0.8, z + 0.06}, post, post);
  // Bases of the marker posts at x = -4.5 (the saver draws the markers on top).
  for (int i = 0; i < 20; ++i) {
    double z = 9.0 * i - 90;
    Block(m, {-4.62, kGrassY, z - 0.12}, {-4.38, 0.15, z + 0.12}, M(0.25, 0.25, 0.26), M(0.4, 0.4, 0.4));
  }
  return m;
}

Mesh BuildBackdrop() {
  Mesh m;
  // A ring of hills: heights from layered sines, hazy blue-green toward the top.
  const int n = 144;
  const double r0 = 300, r1 = 380;
  std::vector<uint32_t> base, ridge, back;
  for (int i = 0; i <= n; ++i) {
    double a = 2 * kPi * i / n;
    double h = 22 + 12 * std::sin(a * 3 + 0.7) + 8 * std::sin(a * 7 + 2.1) + 4 * std::sin(a * 17 + 0.3);
    double c = std::cos(a), s = std::sin(a);
    double rr = Lerp(r0, r1, 0.5 + 0.5 * std::sin(a * 5));
    V3 pBase{2 + c * r0, kGrassY, s * r0}, pTop{2 + c * rr, h, s * rr},
        pBack{2 + c * (rr + 40), kGrassY, s * (rr + 40)};
    V3 slope = Normalize(V3{-c * h, rr - r0, -s * h});
    Material low = M(0.30, 0.42, 0.26), high = M(0.42, 0.52, 0.55);
    base.push_back(m.Add(Sample{pBase, slope, low}));
    ridge.push_back(m.Add(Sample{pTop, Normalize(slope + V3{0, 0.8, 0}), high}));
    back.push_back(m.Add(Sample{pBack, {c, 0.2, s}, high}));
  }
  for (int i = 0; i < n; ++i) {
    m.AddQuad(base[i], base[i + 1], ridge[i + 1], ridge[i]);
    m.AddQuad(ridge[i], ridge[i + 1], back[i + 1], back[i]);
  }
  // A closer tree line: dark green mounds all round, broken where the buildings stand.
  Rng rng(0xB05C);
  for (int i = 0; i < 90; ++i) {
    double a = 2 * kPi * i / 90 + rng.Range(-0.01, 0.01);
    double r = rng.Range(150, 200);
    V3 c{2 + std::cos(a) * r, 0, std::sin(a) * r};
    double h = rng.Range(7, 12), w = rng.Range(10, 18);
    AddEllipsoid(m, c, {w, h, w}, 8, 4, M(0.16 + rng.Range(0, 0.05), 0.30 + rng.Range(0, 0.06), 0.13));
  }
  return m;
}

Mesh BuildTrees() {
  Mesh m;
  Rng rng(0x51A7);
  for (const Tree& t : Trees()) {
    AddCylinder(m, {t.x, kGrassY, t.z}, {t.x, t.h * 0.45, t.z}, 0.22, 6, M(0.35, 0.25, 0.16), false);
    Material leaf = M(0.20 + rng.Range(0, 0.06), 0.38 + rng.Range(0, 0.08), 0.14 + rng.Range(0, 0.04));
    AddEllipsoid(m, {t.x, t.h * 0.62, t.z}, {t.r, t.h * 0.32, t.r}, 9, 5, leaf);
    AddEllipsoid(m, {t.x + t.r * 0.4, t.h * 0.78, t.z - t.r * 0.3}, {t.r * 0.7, t.h * 0.22, t.r * 0.7}, 8, 4, leaf);
  }
  return m;
}

Mesh BuildTreeShadows() {
  Mesh m;
  const Material shade = M(0.16, 0.22, 0.13);
  for (const Tree& t : Trees()) {
    double h = t.h * 0.62;
    FlatShape(m, Ellipse(t.x + kShadowDir.x * h, t.z + kShadowDir.z * h, t.r * 1.05, t.r * 1.15), shade);
  }
  return m;
}

Mesh BuildGrandstand() {
  Mesh m;
  const Stand s;
  const Material concrete = M(0.78, 0.77, 0.74), dark = M(0.30, 0.30, 0.32), roof = M(0.85, 0.86, 0.88),
                 column = M(0.60, 0.60, 0.62);
  // Tiers rising away from the track, seats in blocks of colour.
  const int tiers = 10;
  const Material seats[4] = {M(0.15, 0.25, 0.65), M(0.85, 0.80, 0.15), M(0.80, 0.15, 0.10), M(0.92, 0.92, 0.92)};
  for (int i = 0; i < tiers; ++i) {
    double x1 = s.x1 - i * (s.x1 - s.x0) / tiers, x0 = x1 - (s.x1 - s.x0) / tiers;
    double y = 0.6 + i * 0.65;
    for (int b = 0; b < 9; ++b) {
      double z0 = s.z0 + b * (s.z1 - s.z0) / 9, z1 = z0 + (s.z1 - s.z0) / 9 - 0.3;
      Block(m, {x0, kGrassY, z0}, {x1, y, z1}, concrete, seats[(b + i / 3) % 4]);
    }
  }
  // Back wall, roof on columns, and the end walls.
  Block(m, {s.x0 - 0.4, kGrassY, s.z0}, {s.x0, s.h, s.z1}, dark, dark);
  Block(m, {s.x0 - 0.6, s.h, s.z0 - 1}, {s.x1 + 1.5, s.h + 0.5, s.z1 + 1}, roof, roof);
  for (double z = s.z0; z <= s.z1 + 0.1; z += 15)
    Block(m, {s.x1 + 1.0, kGrassY, z - 0.2}, {s.x1 + 1.4, s.h, z + 0.2}, column, column);
  for (double z : {s.z0 - 0.4, s.z1}) Block(m, {s.x0, kGrassY, z}, {s.x1, s.h * 0.75, z + 0.4}, concrete, concrete);
  return m;
}

Mesh BuildGrandstandShadow() {
  Mesh m;
  const Stand s;
  FlatShape(m, BoxShadow(s.x0 - 0.6, s.z0 - 1, s.x1 + 1.5, s.z1 + 1, s.h), M(0.14, 0.20, 0.12));
  return m;
}

Mesh BuildPitBuilding() {
  Mesh m;
  const Pit p;
  const Material wall = M(0.90, 0.90, 0.88), glass = M(0.10, 0.14, 0.22), trim = M(0.15, 0.25, 0.60),
                 roof = M(0.6, 0.6, 0.6);
  // Two storeys: a glass band on the upper floor, garage doors below, a blue roof trim.
  Block(m, {p.x0, kGrassY, p.z0}, {p.x1, p.h, p.z1}, wall, roof);
  for (int i = 0; i < 8; ++i) {
    double z0 = p.z0 + 1 + i * 6.2, z1 = z0 + 4.8;
    if (z1 > p.towerZ0 - 0.5) break;
    Block(m, {p.x0 - 0.05, kGrassY, z0}, {p.x0, 2.6, z1}, M(0.35, 0.36, 0.38), M(0.35, 0.36, 0.38));
  }
  Block(m, {p.x0 - 0.05, 3.4, p.z0 + 0.5}, {p.x0, 5.2, p.towerZ0 - 0.5}, glass, glass);
  Block(m, {p.x0 - 0.3, p.h, p.z0}, {p.x1, p.h + 0.4, p.z1}, trim, trim);
  // Control tower at the end, with a glazed top.
  Block(m, {p.x0 + 1, kGrassY, p.towerZ0}, {p.x1 - 1, p.towerH, p.towerZ1}, wall, roof);
  Block(m, {p.x0 + 0.6, p.towerH - 3, p.towerZ0 - 0.4}, {p.x1 - 0.6, p.towerH - 0.6, p.towerZ1 + 0.4}, glass, glass);
  Block(m, {p.x0 + 0.4, p.towerH, p.towerZ0 - 0.6}, {p.x1 - 0.4, p.towerH + 0.5, p.towerZ1 + 0.6}, trim, trim);
  return m;
}

Mesh BuildPitShadow() {
  Mesh m;
  const Pit p;
  const Material shade = M(0.14, 0.20, 0.12);
  FlatShape(m, BoxShadow(p.x0, p.z0, p.x1, p.z1, p.h), shade);
  FlatShape(m, BoxShadow(p.x0 + 1, p.towerZ0, p.x1 - 1, p.towerZ1, p.towerH), shade);
  return m;
}

Mesh BuildAirship() {
  Mesh m;
  const V3 c{-60, 38, 90};
  const Material hull = M(0.92, 0.92, 0.94), band = M(0.10, 0.20, 0.60), fin = M(0.85, 0.12, 0.08);
  Mesh ship;
  AddEllipsoid(ship, {0, 0, 0}, {4.2, 4.2, 16}, 16, 10, hull);
  for (Vertex& v : ship.vertices)
    if (std::fabs(v.p.z) < 3.5 && v.p.y < 1.5 && v.p.y > -1.5) v.diffuse = PackArgb(band.diffuse);
  for (int k = 0; k < 4; ++k) {
    Mesh f;
    AddBox(f, {-0.15, 3.0, 11}, {0.15, 6.5, 15.5}, fin);
    ship.Append(f, M4::RotZ(k * kPi / 2));
  }
  AddRoundedBox(ship, {-1.0, -5.6, -2.5}, {1.0, -4.2, 2.5}, 0.5, 2, M(0.3, 0.3, 0.32));
  m.Append(ship, M4::RotY(0.5) * M4::Translation(c));
  return m;
}

Mesh BuildNightScene() {
  Mesh m;
  // Night sky: a dome, darkest at the top; lit exactly by its colours (see kLitNormal).
  const int segs = 32, rings = 8;
  const double R = 520;
  std::vector<std::vector<uint32_t>> id(rings + 1);
  for (int j = 0; j <= rings; ++j) {
    double el = (kPi / 2) * j / rings;
    double t = static_cast<double>(j) / rings;
    Material sky = M(Lerp(0.07, 0.005, t), Lerp(0.08, 0.008, t), Lerp(0.16, 0.03, t));
    for (int i = 0; i <= segs; ++i) {
      double a = 2 * kPi * i / segs;
      V3 p{2 + R * std::cos(el) * std::cos(a), -20 + R * std::sin(el), R * std::cos(el) * std::sin(a)};
      id[j].push_back(m.Add(Sample{p, kLitNormal, sky}));
    }
  }
  for (int j = 0; j < rings; ++j)
    for (int i = 0; i < segs; ++i) {
      // Facing inward, toward the track (the normals are not the geometry's).
      uint32_t a = id[j][i], b = id[j][i + 1], c = id[j + 1][i + 1], d = id[j + 1][i];
      V3 in = V3{2, -20, 0} - (m.vertices[a].p + m.vertices[c].p) * 0.5;
      m.AddTriangleFacing(a, b, c, in);
      m.AddTriangleFacing(a, c, d, in);
    }
  // Dark ground beside the track.
  const Material ground = M(0.02, 0.03, 0.025);
  auto flat = [&](double x0, double x1, double z0, double z1) {
    uint32_t a = m.Add(Sample{{x0, kGrassY, z0}, kLitNormal, ground}),
             b = m.Add(Sample{{x1, kGrassY, z0}, kLitNormal, ground}),
             c = m.Add(Sample{{x1, kGrassY, z1}, kLitNormal, ground}),
             d = m.Add(Sample{{x0, kGrassY, z1}, kLitNormal, ground});
    m.AddTriangleFacing(a, b, c, {0, 1, 0});
    m.AddTriangleFacing(a, c, d, {0, 1, 0});
  };
  flat(-kExtent, kRoadLeft - 0.6, -kExtent, kExtent);
  flat(kRoadRight + 0.6, kExtent, -kExtent, kExtent);
  flat(kRoadLeft - 0.6, kRoadRight + 0.6, kTrackZ, kExtent);
  flat(kRoadLeft - 0.6, kRoadRight + 0.6, -kExtent, -kTrackZ);
  // A town of lit windows: facades made of cells, each a window or a wall, side by side.
  Rng rng(0x0C17);
  for (int b = 0; b < 46; ++b) {
    bool right = b % 2 == 0;
    double z0 = -230 + (b / 2) * 20 + rng.Range(0, 6);
    double depth = rng.Range(10, 18), width = rng.Range(10, 16), floors = 3 + rng.Int(9);
    double x = right ? rng.Range(24, 60) : rng.Range(-70, -30);
    double face = right ? x : x + depth;  // the side toward the track
    double h = floors * 3.2;
    Block(m, {x, kGrassY, z0}, {x + depth, h, z0 + width}, M(0.03, 0.03, 0.04), M(0.02, 0.02, 0.025));
    // Window cells on the facade toward the track, a little in front of it.
    double fx = right ? face - 0.08 : face + 0.08;
    V3 n = right ? V3{-1, 0, 0} : V3{1, 0, 0};
    for (int f = 0; f < floors; ++f)
      for (int c = 0; c < static_cast<int>(width / 2.4); ++c) {
        if (rng.Unit() < 0.45) continue;
        double za = z0 + 0.6 + c * 2.4, zb = za + 1.5, ya = 1.0 + f * 3.2, yb = ya + 1.6;
        double warm = rng.Unit();
        Material lit = M(Lerp(0.85, 1.0, warm), Lerp(0.75, 0.9, warm), Lerp(0.45, 0.75, 1 - warm));
        uint32_t i0 = m.Add(Sample{{fx, ya, za}, kLitNormal, lit}), i1 = m.Add(Sample{{fx, ya, zb}, kLitNormal, lit}),
                 i2 = m.Add(Sample{{fx, yb, zb}, kLitNormal, lit}), i3 = m.Add(Sample{{fx, yb, za}, kLitNormal, lit});
        m.AddTriangleFacing(i0, i1, i2, n);
        m.AddTriangleFacing(i0, i2, i3, n);
      }
  }
  // Street lamps along both sides of the track.
  for (int i = 0; i < 24; ++i) {
    double z = -230 + i * 20;
    for (double s : {-1.0, 1.0}) {
      double x = s < 0 ? kRoadLeft - 1.4 : kRoadRight + 1.0;
      Mesh lamp;
      AddCylinder(lamp, {x, kGrassY, z}, {x, 7.0, z}, 0.09, 6, M(0.10, 0.10, 0.11));
      double hx = x - s * 1.6;
      AddCylinder(lamp, {x, 6.9, z}, {hx, 7.0, z}, 0.05, 5, M(0.10, 0.10, 0.11));
      AddBox(lamp, {hx - 0.35, 6.82, z - 0.18}, {hx + 0.35, 6.98, z + 0.18}, M(0.10, 0.10, 0.11));
      uint32_t base = static_cast<uint32_t>(lamp.vertices.size());
      AddBox(lamp, {hx - 0.3, 6.78, z - 0.14}, {hx + 0.3, 6.82, z + 0.14}, M(1.0, 0.92, 0.7));
      for (uint32_t k = base; k < lamp.vertices.size(); ++k) lamp.vertices[k].n = kLitNormal;
      m.Append(lamp);
    }
  }
  return m;
}

Mesh BuildNightGlow() {
  Mesh m;
  // Additive glows: three crossed discs at each lamp head, and a pool of light on the road.
  auto disc = [&](V3 c, V3 e1, V3 e2, double r, const Colour& col, double alpha) {
    Material centre{{col.r, col.g, col.b, alpha}, {0, 0, 0, 1}}, rim{{col.r, col.g, col.b, 0}, {0, 0, 0, 1}};
    const int n = 12;
    uint32_t ci = m.Add(Sample{c, kLitNormal, centre});
    std::vector<uint32_t> ring;
    for (int i = 0; i <= n; ++i) {
      double a = 2 * kPi * i / n;
      ring.push_back(m.Add(Sample{c + e1 * (r * std::cos(a)) + e2 * (r * std::sin(a)), kLitNormal, rim}));
    }
    // Seen from both sides: each triangle once facing each way.
    V3 axis = Cross(e1, e2);
    for (int i = 0; i < n; ++i) {
      m.AddTriangleFacing(ci, ring[i], ring[i + 1], axis);
      m.AddTriangleFacing(ci, ring[i], ring[i + 1], -axis);
    }
  };
  const Colour warm{1.0, 0.85, 0.55, 1};
  for (int i = 0; i < 24; ++i) {
    double z = -230 + i * 20;
    for (double s : {-1.0, 1.0}) {
      double x = (s < 0 ? kRoadLeft - 1.4 : kRoadRight + 1.0) - s * 1.6;
      V3 head{x, 6.7, z};
      for (int k = 0; k < 3; ++k) {
        double a = k * kPi / 3;
        disc(head, {std::cos(a), 0, std::sin(a)}, {0, 1, 0}, 1.3, warm, 0.55);
      }
      disc(head, {1, 0, 0}, {0, 0, 1}, 1.2, warm, 0.5);
      disc({x, kRoadY + 0.02, z}, {1, 0, 0}, {0, 0, 1}, 5.5, warm, 0.22);
    }
  }
  return m;
}

Mesh BuildSky() {
  Mesh m;
  // Horizon haze: a ring inside the night sky and beyond the hills, the haze column of the
  // texture (v 0 at the top of the band to 0.5 at the bottom).
  const int n = 64;
  const double R = 470, top = 70, bottom = -10;
  const Material white{{0.55, 0.57, 0.60, 1}, {0, 0, 0, 1}};
  std::vector<uint32_t> hi, lo;
  for (int i = 0; i <= n; ++i) {
    double a = 2 * kPi * i / n;
    V3 dir{std::cos(a), 0, std::sin(a)};
    hi.push_back(m.Add(Sample{V3{2, top, 0} + dir * R, kLitNormal, white, i * 0.25, 0.01}));
    lo.push_back(m.Add(Sample{V3{2, bottom, 0} + dir * R, kLitNormal, white, i * 0.25, 0.49}));
  }
  for (int i = 0; i < n; ++i) {
    uint32_t a = hi[i], b = hi[i + 1], c = lo[i + 1], d = lo[i];
    V3 in = V3{2, 0, 0} - m.vertices[a].p;
    in.y = 0;
    m.AddTriangleFacing(a, b, c, in);
    m.AddTriangleFacing(a, c, d, in);
  }
  // The sun (a moon at night): low in the sky toward +z, where the first camera looks.
  V3 centre{-80, 95, 420}, toward = Normalize(V3{2, 1.2, 0} - centre);
  V3 right = Normalize(Cross(V3{0, 1, 0}, toward)), up = Cross(toward, right);
  const Material sun{{0.7, 0.68, 0.62, 1}, {0, 0, 0, 1}};
  const double hw = 70, hh = 35;
  V3 corner[4] = {centre - right * hw + up * hh, centre + right * hw + up * hh, centre + right * hw - up * hh,
                  centre - right * hw - up * hh};
  const double us[4] = {0, 1, 1, 0}, vs[4] = {0.5, 0.5, 1.0, 1.0};
  uint32_t id[4];
  for (int i = 0; i < 4; ++i) id[i] = m.Add(Sample{corner[i], kLitNormal, sun, us[i], vs[i]});
  m.AddTriangleFacing(id[0], id[1], id[2], toward);
  m.AddTriangleFacing(id[0], id[2], id[3], toward);
  return m;
}

Mesh BuildStartGantry() {
  Mesh m;
  const double z = -20;
  const Material steel = M(0.75, 0.76, 0.78), banner = M(0.95, 0.95, 0.95);
  for (double x : {kRoadLeft - 1.0, kRoadRight + 1.0})
    Block(m, {x - 0.3, kGrassY, z - 0.3}, {x + 0.3, 7.0, z + 0.3}, steel, steel);
  Block(m, {kRoadLeft - 1.3, 6.2, z - 0.4}, {kRoadRight + 1.3, 7.2, z + 0.4}, steel, steel);
  // Chequered banner below the beam (the cloth column of the texture), both faces.
  for (double side : {-1.0, 1.0}) {
    double fz = z + side * 0.42;
    V3 n{0, 0, side};
    double x0 = kRoadLeft - 0.6, x1 = kRoadRight + 0.6, y0 = 5.0, y1 = 6.2;
    uint32_t a = m.Add(Sample{{x0, y1, fz}, n, banner, 0.88, 0.55}),
             b = m.Add(Sample{{x1, y1, fz}, n, banner, 0.995, 0.55});
    uint32_t c = m.Add(Sample{{x1, y0, fz}, n, banner, 0.995, 0.62}),
             d = m.Add(Sample{{x0, y0, fz}, n, banner, 0.88, 0.62});
    m.AddQuad(a, b, c, d);
  }
  // Start lights.
  for (int i = 0; i < 5; ++i) {
    double x = 0.8 + i * 0.8;
    Block(m, {x - 0.25, 7.2, z - 0.2}, {x + 0.25, 7.7, z + 0.2}, M(0.08, 0.08, 0.08), M(0.08, 0.08, 0.08));
  }
  return m;
}

Mesh BuildParkedCars() {
  Mesh m;
  Rng rng(0xCA75);
  const Material paints[5] = {M(0.1, 0.2, 0.6), M(0.9, 0.9, 0.9), M(0.85, 0.7, 0.1), M(0.15, 0.15, 0.16),
                              M(0.2, 0.5, 0.3)};
  for (int i = 0; i < 10; ++i) {
    double x = 13 + (i % 2) * 5.5, z = 20 + (i / 2) * 4.2 + rng.Range(-0.3, 0.3);
    const Material& p = paints[rng.Int(5)];
    AddRoundedBox(m, {x - 2.0, 0.25, z - 0.85}, {x + 2.0, 0.85, z + 0.85}, 0.35, 2, p);
    AddRoundedBox(m, {x - 0.9, 0.85, z - 0.72}, {x + 0.8, 1.3, z + 0.72}, 0.3, 2, M(0.08, 0.1, 0.14));
    for (double dx : {-1.3, 1.3})
      for (double dz : {-0.8, 0.8})
        AddCylinder(m, {x + dx, 0.3, z + dz - 0.12}, {x + dx, 0.3, z + dz + 0.12}, 0.3, 8, M(0.05, 0.05, 0.05));
  }
  return m;
}

Mesh BuildFinishBoards() {
  Mesh m;
  // Chequered flags on poles along the guard rail, and a finish board by the wall.
  const Material pole = M(0.8, 0.8, 0.82), cloth = M(0.95, 0.95, 0.95);
  for (int i = 0; i < 12; ++i) {
    double z = -33 + i * 6, x = -6.6;
    AddCylinder(m, {x, kGrassY, z}, {x, 3.2, z}, 0.05, 6, pole);
    for (double side : {-1.0, 1.0}) {
      V3 n{side, 0, 0};
      double fx = x + side * 0.01;
      uint32_t a = m.Add(Sample{{fx, 3.1, z}, n, cloth, 0.88, 0.52}),
               b = m.Add(Sample{{fx, 3.1, z + 1.6}, n, cloth, 0.99, 0.52});
      uint32_t c = m.Add(Sample{{fx, 2.1, z + 1.6}, n, cloth, 0.99, 0.58}),
               d = m.Add(Sample{{fx, 2.1, z}, n, cloth, 0.88, 0.58});
      m.AddQuad(a, b, c, d);
    }
  }
  Block(m, {kRoadRight + 0.9, kGrassY, -21.5}, {kRoadRight + 1.1, 2.5, -18.5}, pole, pole);
  for (double side : {-1.0, 1.0}) {
    double fx = kRoadRight + 1.0 + side * 0.11;
    V3 n{side, 0, 0};
    uint32_t a = m.Add(Sample{{fx, 2.4, -21.4}, n, cloth, 0.88, 0.5}),
             b = m.Add(Sample{{fx, 2.4, -18.6}, n, cloth, 0.99, 0.5});
    uint32_t c = m.Add(Sample{{fx, 1.0, -18.6}, n, cloth, 0.99, 0.6}),
             d = m.Add(Sample{{fx, 1.0, -21.4}, n, cloth, 0.88, 0.6});
    m.AddQuad(a, b, c, d);
  }
  return m;
}

Mesh BuildSpectators() {
  Mesh m;
  Rng rng(0xFA25);
  const Material shirts[6] = {M(0.9, 0.15, 0.1),  M(0.1, 0.2, 0.7),    M(0.95, 0.95, 0.92),
                              M(0.95, 0.8, 0.15), M(0.15, 0.55, 0.25), M(0.2, 0.2, 0.22)};
  const Material skin = M(0.85, 0.65, 0.5), legs = M(0.15, 0.15, 0.2);
  for (int i = 0; i < 140; ++i) {
    double z = rng.Range(-48, 48), x = rng.Range(-8.6, -6.9);
    if (i % 4 == 0) x = rng.Range(9.6, 10.6);  // a few behind the right wall
    double h = rng.Range(0.9, 1.05);
    const Material& shirt = shirts[rng.Int(6)];
    AddBox(m, {x - 0.12, kGrassY, z - 0.1}, {x + 0.12, 0.45 * h, z + 0.1}, legs);
    AddBox(m, {x - 0.16, 0.45 * h, z - 0.12}, {x + 0.16, 0.82 * h, z + 0.12}, shirt);
    AddEllipsoid(m, {x, 0.93 * h, z}, {0.1, 0.12, 0.1}, 6, 4, skin);
    if (rng.Unit() < 0.3) AddBox(m, {x - 0.03, 0.8 * h, z + 0.12}, {x + 0.03, 1.2 * h, z + 0.18}, skin);  // waving
  }
  return m;
}

}  // namespace scenery
}  // namespace databuild
