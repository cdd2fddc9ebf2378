// The car's meshes against the conventions of the saver's frame tree: faces wound clockwise as
// seen from outside (Direct3D's default culling drops the others), every part in its own frame's
// space around the pivots of the frame table, hinged parts that open without running into the
// body, wheels that turn about their axle and touch the ground.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "car_model.h"
#include "car_shape.h"

namespace databuild {
namespace {

using car::AngleRad;

struct Part {
  const char* name;
  std::function<Mesh()> build;
};

// Parts whose normals are the surface's own (glass, lenses and the shadow use chosen normals).
const std::vector<Part>& ShadedParts() {
  static const std::vector<Part> parts = {
      {"crmd_2", car::BuildBody},
      {"crmd_3", car::BuildBonnetSkin},
      {"crmd_4", car::BuildBonnetInner},
      {"crmd_5", [] { return car::BuildChassis(false); }},
      {"crmd_6", car::BuildDriver},
      {"crmd_7", [] { return car::BuildChassis(true); }},
      {"crmd_9", car::BuildFrontDetails},
      {"crmd_16", car::BuildRoof},
      {"crmd_21", [] { return car::BuildDoorSkin(true); }},
      {"crmd_23", [] { return car::BuildDoorInner(true); }},
      {"crmd_24", [] { return car::BuildWheel(true); }},
      {"crmd_25", car::BuildRearWheels},
      {"crmd_27", [] { return car::BuildDoorSkin(false); }},
      {"crmd_29", [] { return car::BuildDoorInner(false); }},
      {"crmd_30", car::BuildTrunkSkin},
      {"crmd_32", car::BuildTrunkInner},
      {"crmd_34", car::BuildRearDetails},
      {"crmd_36", [] { return car::BuildWheel(false); }},
      {"crmd_40", car::BuildInterior},
      {"crmd_44", car::BuildSpareWheel},
  };
  return parts;
}

V3 FaceNormal(const Mesh& m, size_t t) {
  const V3 a = m.vertices[m.indices[t]].p, b = m.vertices[m.indices[t + 1]].p, c = m.vertices[m.indices[t + 2]].p;
  return Cross(b - a, c - a);
}

TEST(CarWinding, FacesTurnTheWayTheirNormalsPoint) {
  // Cross(b - a, c - a) along the normal means clockwise on screen when seen from that side.
  for (const Part& p : ShadedParts()) {
    Mesh m = p.build();
    ASSERT_FALSE(m.indices.empty()) << p.name;
    size_t wrong = 0;
    for (size_t t = 0; t < m.indices.size(); t += 3) {
      V3 n = m.vertices[m.indices[t]].n + m.vertices[m.indices[t + 1]].n + m.vertices[m.indices[t + 2]].n;
      if (Dot(FaceNormal(m, t), n) <= 0) ++wrong;
    }
    EXPECT_EQ(wrong, 0u) << p.name;
  }
}

TEST(CarWinding, BodySurfaceNormalsPointOutOfTheCar) {
  int inward = 0;
  for (double u = 0; u <= 1.0; u += 0.01)
    for (double v = 0; v <= 1.0; v += 0.01) {
      V3 p = car::Body(u, v), n = car::BodyNormal(u, v);
      V3 centre{0, 0.02, Clamp(p.z, -1.0, 1.0)};
      if (Dot(n, p - centre) < 0) ++inward;
    }
  EXPECT_EQ(inward, 0);
  for (double z = car::kScreenBaseZ + 0.01; z < car::kRearScreenBaseZ; z += 0.02)
    for (double w = 0; w <= 1.0; w += 0.05) {
      V3 p = car::Glasshouse(z, w), n = car::GlasshouseNormal(z, w);
      EXPECT_GT(Dot(n, p - V3{0, 0.1, p.z}), 0) << z << " " << w;
    }
}

TEST(CarWinding, GlassAndLensesKeepOneTintAndFaceOutward) {
  const Part glass[] = {{"crmd_0", car::BuildLenses},
                        {"crmd_1", car::BuildGlass},
                        {"crmd_22", [] { return car::BuildDoorGlass(true); }},
                        {"crmd_28", [] { return car::BuildDoorGlass(false); }},
                        {"crmd_31", car::BuildTrunkGlass}};
  const V3 pivots[] = {{}, {}, car::kLeftDoorPivot, car::kRightDoorPivot, car::kTrunkPivot};
  for (size_t i = 0; i < 5; ++i) {
    Mesh m = glass[i].build();
    ASSERT_FALSE(m.indices.empty()) << glass[i].name;
    for (const Vertex& v : m.vertices) ASSERT_NEAR(v.n.y, -1.0, 1e-9) << glass[i].name;
    for (size_t t = 0; t < m.indices.size(); t += 3) {
      V3 c =
          (m.vertices[m.indices[t]].p + m.vertices[m.indices[t + 1]].p + m.vertices[m.indices[t + 2]].p) * (1.0 / 3) +
          pivots[i];
      V3 out = c - V3{0, 0.1, Clamp(c.z, -0.9, 0.9)};
      EXPECT_GT(Dot(FaceNormal(m, t), out), 0) << glass[i].name << " triangle " << t / 3;
    }
  }
  // The multiply tint: lit by the light from below at N.L 0.816 plus the 0.03 ambient.
  Material g = car::GlassTint(0.42, 0.45, 0.48);
  EXPECT_NEAR(g.diffuse.r * 0.8165 + 0.03, 0.42, 1e-3);
  EXPECT_NEAR(g.diffuse.b * 0.8165 + 0.03, 0.48, 1e-3);
}

// Vertex positions in car space once the part is turned about its pivot.
std::vector<V3> Opened(const Mesh& m, V3 pivot, const M4& turn) {
  std::vector<V3> r;
  for (const Vertex& v : m.vertices) r.push_back(TransformPoint(v.p, turn) + pivot);
  return r;
}

TEST(CarHinges, PartsAreModelledAroundTheirPivots) {
  // Closed: doors extend rearward from their hinge, the bonnet forward, the trunk lid rearward.
  for (bool left : {true, false}) {
    for (const Mesh& m : {car::BuildDoorSkin(left), car::BuildDoorInner(left), car::BuildDoorGlass(left)}) {
      V3 lo = m.BoxMin(), hi = m.BoxMax();
      EXPECT_GT(lo.z, -0.01);
      EXPECT_LT(hi.z, 0.75);
      // Below the window line the door stays inside the line from the hinge that opening
      // sweeps forward (x < 0.44 z), so it swings clear of the fender's rear edge.
      for (const Vertex& v : m.vertices) {
        double out = left ? v.p.x : -v.p.x;
        if (v.p.y < 0.24) {
          EXPECT_LT(out, 0.44 * v.p.z + 0.003) << v.p.x << " " << v.p.y << " " << v.p.z;
        }
      }
    }
  }
  for (const Mesh& m : {car::BuildBonnetSkin(), car::BuildBonnetInner()}) {
    EXPECT_LT(m.BoxMax().z, 0.005);
    EXPECT_LT(m.BoxMax().y, 0.005);  // at or below the hinge axis: it does not dig into the screen
  }
  for (const Mesh& m : {car::BuildTrunkSkin(), car::BuildTrunkInner(), car::BuildTrunkGlass()}) {
    EXPECT_GT(m.BoxMin().z, -0.005);
  }
}

TEST(CarHinges, OpenPartsSwingClearOfTheBody) {
  // Left door at -750, right door at +750: the rear of each door swings outward.
  for (bool left : {true, false}) {
    Mesh door = car::BuildDoorSkin(left);
    V3 pivot = left ? car::kLeftDoorPivot : car::kRightDoorPivot;
    int angle = left ? car::kLeftDoorOpen : car::kRightDoorOpen;
    std::vector<V3> open = Opened(door, pivot, M4::RotY(AngleRad(angle)));
    for (size_t i = 0; i < door.vertices.size(); ++i) {
      double along = door.vertices[i].p.z;
      if (along > 0.3) {
        EXPECT_GT(std::fabs(open[i].x), 0.75) << "door vertex " << i;
      }
      if (door.vertices[i].p.y < 0.24) {
        EXPECT_GT(open[i].z, pivot.z - 0.004) << "the door must not dig into the fender";
      }
    }
  }
  // Bonnet at -500: its front rises, nothing moves back into the windscreen.
  Mesh bonnet = car::BuildBonnetSkin();
  std::vector<V3> b = Opened(bonnet, car::kBonnetPivot, M4::RotX(AngleRad(car::kBonnetOpen)));
  double maxY = -1;
  for (const V3& p : b) {
    EXPECT_LT(p.z, car::kBonnetPivot.z + 0.003);
    EXPECT_GT(p.y, car::kBonnetPivot.y - 0.02);
    maxY = std::max(maxY, p.y);
  }
  EXPECT_GT(maxY, 0.6);
  // Trunk lid at +1000: it stands up behind its hinge, clear of the rear window.
  Mesh lid = car::BuildTrunkSkin();
  std::vector<V3> t = Opened(lid, car::kTrunkPivot, M4::RotX(AngleRad(car::kTrunkOpen)));
  for (const V3& p : t) {
    EXPECT_GT(p.z, car::kRearScreenBaseZ - 0.005);
    EXPECT_GT(p.y, car::kTrunkPivot.y - 0.02);
  }
}

TEST(CarHinges, ClosedPanelsSitInTheirOpenings) {
  // The door skin at rest is the body surface between its shut lines.
  Mesh door = car::BuildDoorSkin(true);
  for (const Vertex& v : door.vertices) {
    V3 p = v.p + car::kLeftDoorPivot;
    EXPECT_GE(p.z, car::kDoorFrontZ - 1e-6);
    EXPECT_LE(p.z, car::kDoorRearZ + 1e-6);
  }
  V3 corner = car::Body(car::BodyU(car::kDoorFrontZ), car::kBeltV) - car::kLeftDoorPivot;
  double best = 1e9;
  for (const Vertex& v : door.vertices) best = std::min(best, Length(v.p - corner));
  EXPECT_LT(best, 1e-6);
}

TEST(CarWheels, TurnAboutTheirAxleAndTouchTheGround) {
  for (const Mesh& m : {car::BuildWheel(true), car::BuildWheel(false)}) {
    double rmax = 0;
    for (const Vertex& v : m.vertices) rmax = std::max(rmax, std::hypot(v.p.y, v.p.z));
    EXPECT_NEAR(rmax, car::kTyreRadius, 1e-3);
    EXPECT_LT(std::fabs(m.BoxMin().x + m.BoxMax().x), 0.05);  // centred on the axle
  }
  // Outer faces: the hub cap stands out toward +x on the left wheel, -x on the right one.
  EXPECT_GT(car::BuildWheel(true).BoxMax().x, -car::BuildWheel(true).BoxMin().x);
  EXPECT_GT(-car::BuildWheel(false).BoxMin().x, car::BuildWheel(false).BoxMax().x);
  Mesh rear = car::BuildRearWheels();
  EXPECT_NEAR(rear.BoxMax().x, -rear.BoxMin().x, 1e-9);
  EXPECT_GT(rear.BoxMax().x, car::kTrack);
  // The tyre's lowest point is the ground: 0.319 below the car frame.
  EXPECT_NEAR(car::kAxleY - car::kTyreRadius, car::kGroundY, 1e-9);
}

TEST(CarWheels, WheelsClearTheBody) {
  // No body vertex inside a tyre's space (the wheel wells leave room for them).
  Mesh body = car::BuildBody();
  for (const Vertex& v : body.vertices)
    for (double az : {car::kFrontAxleZ, car::kRearAxleZ}) {
      double r = std::hypot(v.p.y - car::kAxleY, v.p.z - az);
      bool inTyre = r < car::kTyreRadius + 0.005 && std::fabs(std::fabs(v.p.x) - car::kTrack) < 0.09;
      EXPECT_FALSE(inTyre) << "body vertex at " << v.p.x << " " << v.p.y << " " << v.p.z;
    }
}

TEST(CarParts, CabinAndChassisStayInsideTheBody) {
  Mesh body = car::BuildBody();
  V3 lo = body.BoxMin(), hi = body.BoxMax();
  for (const Mesh& m : {car::BuildInterior(), car::BuildChassis(true), car::BuildChassis(false), car::BuildDriver()}) {
    V3 a = m.BoxMin(), b = m.BoxMax();
    EXPECT_GE(a.x, lo.x - 0.01);
    EXPECT_LE(b.x, hi.x + 0.01);
    EXPECT_GE(a.y, car::kGroundY);
    EXPECT_LE(b.y, car::RoofHeight(0.2));
    EXPECT_GE(a.z, lo.z - 0.02);
    EXPECT_LE(b.z, hi.z + 0.02);
  }
  // The shadow is a footprint facing up, a little larger than the car.
  Mesh shadow = car::BuildShadow();
  for (size_t t = 0; t < shadow.indices.size(); t += 3) EXPECT_GT(FaceNormal(shadow, t).y, 0);
  EXPECT_GT(shadow.BoxMax().x, hi.x);
  EXPECT_LT(shadow.BoxMax().x, hi.x + 0.3);
}

TEST(CarParts, DisplayCarStaysWithinTheTriangleBudget) {
  size_t total = 0;
  for (const Part& p : ShadedParts()) {
    if (std::string(p.name) == "crmd_5" || std::string(p.name) == "crmd_6" || std::string(p.name) == "crmd_44")
      continue;
    total += p.build().TriangleCount();
  }
  total += car::BuildGlass().TriangleCount() + car::BuildLenses().TriangleCount() +
           car::BuildTrunkGlass().TriangleCount() + 2 * car::BuildDoorGlass(true).TriangleCount();
  EXPECT_GT(total, 5000u);
  EXPECT_LT(total, 25000u);
}

}  // namespace
}  // namespace databuild
