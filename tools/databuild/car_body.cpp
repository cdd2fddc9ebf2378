// The body shell and the panels cut from it: bonnet, doors, trunk lid, greenhouse and glass.
#include <cmath>

#include "car_model.h"
#include "car_patch.h"

namespace databuild {
namespace car {

namespace {

const double kSeal = 0.0085;  // v width of the seal strips along the shut lines
const double kCabinWallX = 0.445;
const double kBayWallX = 0.405, kBayFloorY = -0.12, kBayFrontZ = -1.13, kFirewallZ = -0.392;
const double kTubWallX = 0.42, kTubFloorY = 0.04, kTubFrontZ = 0.888, kTubRearZ = 1.205;

MatFn PaintFn() {
  return [](V3, V3 n) { return Paint(n); };
}

// Parameter positions of the holes in the body.
struct Holes {
  Hole headlamp, grille, vent, tailLamp, plate, panel;
  Holes() {
    headlamp = {BodyU(-1.385), BodyU(-1.165), 5.15 / 8, 6.3 / 8};
    grille = {0.0, BodyU(-1.405), 2.75 / 8, 4.15 / 8};
    vent = {BodyU(-0.585), BodyU(-0.415), 3.75 / 8, 4.85 / 8};
    tailLamp = {BodyU(1.03), BodyU(1.262), 4.75 / 8, 6.25 / 8};
    plate = {BodyU(1.3065), 1.0, 3.55 / 8, 4.55 / 8};
    panel = {BodyU(1.268), 1.0, 4.75 / 8, 5.75 / 8};
  }
};
const Holes& H() {
  static const Holes h;
  return h;
}

double UOf(double z) { return BodyU(z); }

// v on the floor where the half-width is x (the floor runs from x = 0 outward).
double FloorVAtX(double u, double x) {
  double lo = 0, hi = kFloorEdgeV;
  for (int i = 0; i < 40; ++i) {
    double mid = (lo + hi) / 2;
    (Body(u, mid).x < x ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

bool InArchZone(double u) {
  double z = Body(u, 0.5).z;
  return std::fabs(z - kFrontAxleZ) < ArchHalfWidth() || std::fabs(z - kRearAxleZ) < ArchHalfWidth();
}

void Quad(Mesh& m, V3 a, V3 b, V3 c, V3 d, V3 n, const Material& mat) {
  uint32_t i0 = m.Add(Sample{a, n, mat}), i1 = m.Add(Sample{b, n, mat}), i2 = m.Add(Sample{c, n, mat}),
           i3 = m.Add(Sample{d, n, mat});
  m.AddQuad(i0, i1, i2, i3);
}

// Ruled strip between two polylines of equal length, one normal per quad from its geometry,
// turned toward `towards` (a direction).
void Strip(Mesh& m, const std::vector<V3>& a, const std::vector<V3>& b, V3 towards, const Material& mat) {
  for (size_t i = 0; i + 1 < a.size() && i + 1 < b.size(); ++i) {
    V3 n = Normalize(Cross(a[i + 1] - a[i], b[i] - a[i]));
    if (Length(n) < 0.5) n = Normalize(Cross(b[i + 1] - b[i], b[i] - a[i]));
    if (Dot(n, towards) < 0) n = -n;
    Quad(m, a[i], a[i + 1], b[i + 1], b[i], n, mat);
  }
}

void WheelWell(Mesh& m, double axleZ) {
  std::vector<double> us = Within(BodyUSteps(), UOf(axleZ - ArchHalfWidth()), UOf(axleZ + ArchHalfWidth()));
  std::vector<V3> outer, lip, inner;
  for (double u : us) {
    V3 p = Body(u, ArchCutV(u));
    outer.push_back(p);
    lip.push_back({p.x - 0.022, p.y, p.z});
    inner.push_back({kBayWallX + 0.005, p.y, p.z});
  }
  // Normals toward the axle.
  auto ring = [&](const std::vector<V3>& a, const std::vector<V3>& b, const Material& mat) {
    for (size_t i = 0; i + 1 < a.size(); ++i) {
      auto nrm = [axleZ](V3 p) { return Normalize(V3{0, kAxleY - p.y, axleZ - p.z}); };
      uint32_t i0 = m.Add(Sample{a[i], nrm(a[i]), mat}), i1 = m.Add(Sample{a[i + 1], nrm(a[i + 1]), mat}),
               i2 = m.Add(Sample{b[i + 1], nrm(b[i + 1]), mat}), i3 = m.Add(Sample{b[i], nrm(b[i]), mat});
      m.AddQuad(i0, i1, i2, i3);
    }
  };
  ring(outer, lip, InteriorPaint());
  ring(lip, inner, kSatinBlack);
  // Inner wall: a fan from the middle of the bottom chord.
  V3 c{inner.front().x, (inner.front().y + inner.back().y) / 2, axleZ};
  uint32_t ci = m.Add(Sample{c, {1, 0, 0}, kSatinBlack});
  for (size_t i = 0; i + 1 < inner.size(); ++i) {
    uint32_t a = m.Add(Sample{inner[i], {1, 0, 0}, kSatinBlack}),
             b = m.Add(Sample{inner[i + 1], {1, 0, 0}, kSatinBlack});
    m.AddTriangle(ci, a, b);
  }
}

void DoorJambs(Mesh& m) {
  const double uf = UOf(kDoorFrontZ - kGap), ur = UOf(kDoorRearZ + kGap);
  std::vector<double> vs = Within(BodyVSteps(), kDoorBottomV - kSeal, kBeltV);
  for (int side = 0; side < 2; ++side) {
    double u = side ? ur : uf;
    std::vector<V3> a, b;
    for (double v : vs) {
      V3 p = Body(u, v);
      a.push_back(p);
      b.push_back({kCabinWallX, p.y, p.z});
    }
    Strip(m, a, b, {0, 0, side ? -1.0 : 1.0}, InteriorPaint());
  }
  // Sill top between the jambs.
  std::vector<V3> a, b;
  for (double u : Within(BodyUSteps(), uf, ur)) {
    V3 p = Body(u, kDoorBottomV - kSeal);
    a.push_back(p);
    b.push_back({kCabinWallX, p.y, p.z});
  }
  Strip(m, a, b, {0, 1, 0}, kSatinBlack);
}

// An open compartment under a lid, between two cross sections: a ledge down from the shut line
// along each side, the side wall, the floor, and an end wall at each end.
struct Compartment {
  double frontZ, rearZ, wallX, floorY;
  Material side, floor, ends;   // the ledge is satin black
  double endDrop, endDropHigh;  // how far the end walls start below the body (below v 7/8, above)
};

void AddCompartment(Mesh& m, const Compartment& c) {
  std::vector<V3> edge, ledge, foot, centre;
  for (double u : Within(BodyUSteps(), UOf(c.frontZ), UOf(c.rearZ))) {
    V3 p = Body(u, kBonnetSideV - kSeal);
    edge.push_back({p.x, p.y - 0.002, p.z});
    ledge.push_back({c.wallX, p.y - 0.03, p.z});
    foot.push_back({c.wallX, c.floorY, p.z});
    centre.push_back({0, c.floorY, p.z});
  }
  Strip(m, edge, ledge, {0, 1, 0}, kSatinBlack);
  Strip(m, ledge, foot, {-1, 0, 0}, c.side);
  Strip(m, foot, centre, {0, 1, 0}, c.floor);
  for (int end = 0; end < 2; ++end) {
    double z = end ? c.rearZ : c.frontZ, u = UOf(z);
    std::vector<V3> top, bottom;
    for (double v : Within(BodyVSteps(), BodyVAtWidthUpper(u, c.wallX), 1.0)) {
      V3 p = Body(u, v);
      top.push_back({p.x, p.y - (v < 7.0 / 8 ? c.endDrop : c.endDropHigh), z});
      bottom.push_back({p.x, c.floorY, z});
    }
    Strip(m, top, bottom, {0, 0, end ? -1.0 : 1.0}, c.ends);
  }
}

// Engine bay under the bonnet, from the front wall to the firewall.
void EngineBay(Mesh& m) {
  AddCompartment(m, {kBayFrontZ, kFirewallZ, kBayWallX, kBayFloorY, kSatinBlack, kDarkMetal, kSatinBlack, 0.03, 0.022});
}

// Luggage compartment under the trunk lid, carpeted.
void TrunkTub(Mesh& m) {
  AddCompartment(m, {kTubFrontZ, kTubRearZ, kTubWallX, kTubFloorY, kCarpet, kCarpet, kCarpet, 0.025, 0.025});
}

// Parts that look lit: their normals lean far toward straight up, which the saver's lights turn
// into full brightness whatever the car's turn (and keeps them on the side their faces point to).
void Glowing(Mesh& m, uint32_t from) {
  for (uint32_t i = from; i < m.vertices.size(); ++i) m.vertices[i].n = Normalize(V3{0, 1, 0} + m.vertices[i].n);
}

void LampInternals(Mesh& m, const Hole& head, const Hole& tail) {
  // Headlamp: an LED running light along the lower edge and two projector lenses.
  uint32_t start = static_cast<uint32_t>(m.vertices.size());
  const double dv = head.v1 - head.v0, du = head.u1 - head.u0;
  BodyPatch(m, head.u0 + du * 0.06, head.u1 - du * 0.04, Const(head.v0 + dv * 0.12), Const(head.v0 + dv * 0.24),
            Solid(Material{{1.0, 1.0, 1.0, 1}, {1, 1, 1, 1}}), -0.012);
  Glowing(m, start);
  for (double t : {0.35, 0.68}) {
    double u = head.u0 + du * t, v = head.v0 + dv * 0.62;
    V3 n = BodyNormal(u, v), p = Body(u, v) - n * 0.03;
    std::vector<Profile> cup = {{0.0, 0.014}, {0.013, 0.013}, {0.019, 0.008}, {0.022, 0.0}};
    AddLathe(m, p, n, cup, 14, kChrome);
    uint32_t lens = static_cast<uint32_t>(m.vertices.size());
    AddLathe(m, p + n * 0.0145, n, {{0.010, -0.001}, {0.0, 0.0}}, 12, Material{{0.85, 0.9, 1.0, 1}, {1, 1, 1, 1}});
    Glowing(m, lens);
  }
  // Tail lamp: two bright bars across the lamp.
  const double tv = tail.v1 - tail.v0, tu = tail.u1 - tail.u0;
  start = static_cast<uint32_t>(m.vertices.size());
  for (double a : {0.16, 0.60})
    BodyPatch(m, tail.u0 + tu * 0.04, tail.u1 - tu * 0.03, Const(tail.v0 + tv * a), Const(tail.v0 + tv * (a + 0.22)),
              Solid(Material{{1.0, 0.10, 0.06, 1}, {0.5, 0.5, 0.5, 1}}), -0.01);
  Glowing(m, start);
}

Mesh BodyHalf() {
  Mesh m;
  const Holes& h = H();
  const MatFn paint = PaintFn();
  const MatFn black = Solid(kRubberSeal);
  const double uScreen = UOf(kScreenBaseZ), uBonnetR = UOf(kBonnetRearZ), uDoorF = UOf(kDoorFrontZ - kGap),
               uDoorR = UOf(kDoorRearZ + kGap), uRear = UOf(kRearScreenBaseZ), uTrunk = UOf(kTrunkFrontZ);
  Bound arch = [](double u) { return ArchCutV(u); };
  // Lower rear: the diffuser area is black.
  MatFn rearPaint = [](V3 p, V3 n) {
    if (p.z > 1.15 && p.y < -0.1) return kSatinBlack;
    return Paint(n);
  };
  MatFn frontPaint = [](V3 p, V3 n) {
    if (p.z < -1.30 && p.y < -0.165) return kSatinBlack;  // splitter lip
    return Paint(n);
  };

  // Nose and front fender up to the bonnet seal.
  const double uBonnetF = UOf(kBonnetFrontZ);
  BodyPatchHoles(m, 0, uScreen, arch, Const(kBonnetSideV - kSeal), frontPaint, {h.headlamp, h.grille, h.vent});
  BodyPatch(m, 0, uBonnetF - 0.004, Const(kBonnetSideV - kSeal), Const(1.0), frontPaint);  // nose top
  BodyPatch(m, uBonnetF - 0.004, uScreen, Const(kBonnetSideV - kSeal), Const(kBonnetSideV), black);
  BodyPatch(m, uBonnetF - 0.004, uBonnetF, Const(kBonnetSideV), Const(1.0), black);  // bonnet front shut line
  BodyPatch(m, uBonnetR, uScreen, Const(kBonnetSideV), Const(1.0), black);           // cowl
  // Fender behind the cowl, up to the belt.
  BodyPatch(m, uScreen, uDoorF, arch, Const(kBeltV), paint);
  // Rocker below the doors, with the door seal along its top.
  BodyPatch(m, uDoorF, uDoorR, Const(kFloorEdgeV), Const(kDoorBottomV - kSeal), Solid(kSatinBlack));
  BodyPatch(m, uDoorF, uDoorR, Const(kDoorBottomV - kSeal), Const(kDoorBottomV), black);
  // Rear quarter and tail.
  BodyPatch(m, uDoorR, uRear, arch, Const(kBeltV), paint);
  BodyPatchHoles(m, uRear, 1.0, arch, Const(kBonnetSideV - kSeal), rearPaint, {h.tailLamp, h.plate, h.panel});
  BodyPatch(m, uRear, 1.0, Const(kBonnetSideV - kSeal), Const(kBonnetSideV), black);
  BodyPatch(m, uRear, uTrunk, Const(kBonnetSideV), Const(1.0), black);  // gap below the rear window
  // Floor, cut back at the wheel wells.
  BodyPatch(
      m, 0, 1, Const(0.0), [](double u) { return InArchZone(u) ? FloorVAtX(u, kBayWallX + 0.005) : kFloorEdgeV; },
      Solid(kSatinBlack));

  // Pockets for the lamps, grille, plate and the side vent.
  BodyPocket(m, h.headlamp, 0.035, Solid(kSatinBlack), Solid(Material{{0.16, 0.16, 0.17, 1}, {0.8, 0.8, 0.8, 1}}));
  LampInternals(m, h.headlamp, h.tailLamp);
  BodyPocket(m, h.tailLamp, 0.03, Solid(kSatinBlack), Solid(Material{{0.10, 0.02, 0.02, 1}, {0.8, 0.8, 0.8, 1}}));
  BodyPocket(m, h.grille, 0.04, Solid(kSatinBlack), Solid(kSatinBlack));
  BodyPocket(m, h.vent, 0.03, Solid(kSatinBlack), Solid(kSatinBlack));
  BodyPocket(m, h.plate, 0.008, Solid(kSatinBlack), Solid(kSatinBlack));
  BodyPocket(m, h.panel, 0.008, Solid(kSatinBlack), Solid(kSatinBlack));

  WheelWell(m, kFrontAxleZ);
  WheelWell(m, kRearAxleZ);
  DoorJambs(m);
  EngineBay(m);
  TrunkTub(m);
  return m;
}

const Material kLidLining{{0.16, 0.16, 0.17, 1}, {0.2, 0.2, 0.2, 1}};
enum class LidFace { Skin, Lining };

// One face of a lid between u0 and u1, from its side line to the centre: the skin in paint, or the
// lining (inside the seal, 0.012 under the skin, facing inward). Both halves, placed about the
// lid's hinge `pivot`.
Mesh LidPanel(double u0, double u1, LidFace face, V3 pivot) {
  Mesh m;
  if (face == LidFace::Skin) {
    BodyPatch(m, u0, u1, Const(kBonnetSideV), Const(1.0), PaintFn());
  } else {
    BodyPatch(m, u0, u1, Const(kBonnetSideV + 0.006), Const(1.0), Solid(kLidLining), -0.012, true);
  }
  m.AddMirrorX();
  m.Transform(M4::Translation(-pivot));
  return m;
}

}  // namespace

Mesh BuildBody() {
  Mesh m = BodyHalf();
  m.AddMirrorX();
  return m;
}

Mesh BuildBonnetSkin() { return LidPanel(UOf(kBonnetFrontZ), UOf(kBonnetRearZ), LidFace::Skin, kBonnetPivot); }

Mesh BuildBonnetInner() {
  return LidPanel(UOf(kBonnetFrontZ) + 0.003, UOf(kBonnetRearZ) - 0.002, LidFace::Lining, kBonnetPivot);
}

Mesh BuildTrunkSkin() { return LidPanel(UOf(kTrunkFrontZ), 1.0, LidFace::Skin, kTrunkPivot); }

Mesh BuildTrunkInner() { return LidPanel(UOf(kTrunkFrontZ) + 0.002, UOf(1.27), LidFace::Lining, kTrunkPivot); }

Mesh BuildTrunkGlass() {
  Mesh m;
  BodyPatch(
      m, UOf(1.205), UOf(1.262), Const(7.2 / 8), Const(1.0), [](V3, V3) { return GlassTint(0.95, 0.12, 0.1); }, 0.0015);
  m.AddMirrorX();
  for (Vertex& v : m.vertices) v.n = GlassNormal();
  m.Transform(M4::Translation(-kTrunkPivot));
  return m;
}

Mesh BuildDoorSkin(bool left) {
  Mesh m;
  const double u0 = UOf(kDoorFrontZ), u1 = UOf(kDoorRearZ);
  BodyPatch(m, u0, u1, Const(kDoorBottomV), Const(kBeltV), PaintFn());
  // Flush handle, a little proud of the skin (it comes after the skin, so it wins the depth test).
  BodyPatch(
      m, UOf(0.30), UOf(0.40), Const(5.25 / 8), Const(5.45 / 8), [](V3, V3 n) { return Chrome(n); }, 0.003);
  // Mirror on a stalk at the front of the window line.
  V3 base = Body(UOf(-0.17), kBeltV - 0.01 / 8), n = BodyNormal(UOf(-0.17), kBeltV - 0.01 / 8);
  V3 out = Normalize(V3{n.x, 0, 0});
  V3 head = base + out * 0.085 + V3{0, 0.055, 0.02};
  AddTube(m, {base - out * 0.01, base + out * 0.05 + V3{0, 0.03, 0.01}, head - out * 0.02}, 0.009, 6, kSatinBlack);
  Mesh housing;
  AddEllipsoid(housing, {0, 0, 0}, {0.062, 0.036, 0.03}, 10, 6, Paint({0, 1, 0}));
  for (Vertex& v : housing.vertices) v.diffuse = PackArgb(Paint(v.n).diffuse);
  m.Append(housing, M4::Translation(head));
  // Mirror glass on the rear face.
  Mesh glass;
  AddEllipsoid(glass, {0, 0, 0}, {0.052, 0.028, 0.004}, 8, 3, kChrome);
  m.Append(glass, M4::Translation(head + V3{0, 0, 0.028}));
  if (!left) m.MirrorX();
  m.Transform(M4::Translation(-(left ? kLeftDoorPivot : kRightDoorPivot)));
  return m;
}

Mesh BuildDoorInner(bool left) {
  Mesh m;
  const double u0 = UOf(kDoorFrontZ), u1 = UOf(kDoorRearZ), thick = 0.06;
  // Trim panel facing the cabin, with an armrest.
  BodyPatch(m, u0 + 0.004, u1 - 0.004, Const(kDoorBottomV + 0.01), Const(kBeltV - 0.01), Solid(kLeather), -thick, true);
  BodyPatch(m, UOf(-0.05), UOf(0.34), Const(4.7 / 8), Const(4.95 / 8), Solid(kLeatherDark), -thick - 0.025, true);
  // Shut faces all round, from the skin's edge to the panel's.
  auto edge = [&](const std::vector<std::pair<double, double>>& uv, V3 toward) {
    std::vector<V3> a, b;
    for (const auto& p : uv) {
      V3 q = Body(p.first, p.second), n = BodyNormal(p.first, p.second);
      a.push_back(q);
      b.push_back(q - n * thick);
    }
    Strip(m, a, b, toward, InteriorPaint());
  };
  std::vector<std::pair<double, double>> front, rear, bottom, top;
  for (double v : Within(BodyVSteps(), kDoorBottomV, kBeltV)) {
    front.push_back({u0, v});
    rear.push_back({u1, v});
  }
  for (double u : Within(BodyUSteps(), u0, u1)) {
    bottom.push_back({u, kDoorBottomV});
    top.push_back({u, kBeltV});
  }
  edge(front, {0, 0, -1});
  edge(rear, {0, 0, 1});
  edge(bottom, {0, -1, 0});
  edge(top, {0, 1, 0});
  if (!left) m.MirrorX();
  m.Transform(M4::Translation(-(left ? kLeftDoorPivot : kRightDoorPivot)));
  return m;
}

Mesh BuildDoorGlass(bool left) {
  Mesh m;
  GlassPatch(m, -0.225, 0.455, 0.035, 0.465, [](V3, V3) { return GlassTint(0.42, 0.45, 0.48); });
  if (!left) m.MirrorX();
  for (Vertex& v : m.vertices) v.n = GlassNormal();
  m.Transform(M4::Translation(-(left ? kLeftDoorPivot : kRightDoorPivot)));
  return m;
}

Mesh BuildRoof() {
  Mesh m;
  const MatFn paint = PaintFn();
  GlassPatch(m, kScreenBaseZ, kRearScreenBaseZ, 0.5, 0.575, paint);
  GlassPatch(m, 0.02, 0.36, 0.575, 1.0, paint);
  GlassPatch(m, 0.36, kRearScreenBaseZ, 0.575, 0.66, paint);
  GlassPatch(m, kScreenBaseZ, -0.232, 0.035, 0.5, Solid(kBlackTrim));
  GlassPatch(m, kScreenBaseZ, kRearScreenBaseZ, 0.0, 0.035, Solid(kChrome));
  m.AddMirrorX();
  // Wipers resting on the base of the windscreen (outside the glass).
  for (double x : {-0.38, 0.02}) {
    double z = kScreenBaseZ + 0.022;
    V3 p0{x, Glasshouse(z, 0.9).y + 0.008, z}, p1{x + 0.34, p0.y + 0.01, z + 0.018};
    AddTube(m, {p0, p1}, 0.005, 5, kSatinBlack);
  }
  return m;
}

Mesh BuildGlass() {
  Mesh m;
  MatFn tint = [](V3, V3) { return GlassTint(0.42, 0.45, 0.48); };
  GlassPatch(m, kScreenBaseZ + 0.01, 0.0, 0.575, 1.0, tint);
  GlassPatch(m, 0.37, kRearScreenBaseZ - 0.01, 0.66, 1.0, tint);
  GlassPatch(m, 0.485, 0.745, 0.035, 0.465, tint);
  m.AddMirrorX();
  for (Vertex& v : m.vertices) v.n = GlassNormal();
  return m;
}

Mesh BuildLenses() {
  Mesh m;
  const Holes& h = H();
  BodyPatch(
      m, h.headlamp.u0, h.headlamp.u1, Const(h.headlamp.v0), Const(h.headlamp.v1),
      [](V3, V3) { return GlassTint(0.88, 0.9, 0.92); }, 0.0015);
  BodyPatch(
      m, h.tailLamp.u0, h.tailLamp.u1, Const(h.tailLamp.v0), Const(h.tailLamp.v1),
      [](V3, V3) { return GlassTint(0.9, 0.1, 0.07); }, 0.0015);
  m.AddMirrorX();
  for (Vertex& v : m.vertices) v.n = GlassNormal();
  return m;
}

}  // namespace car
}  // namespace databuild
