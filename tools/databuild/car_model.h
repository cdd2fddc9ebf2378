// The car's meshes, each in its own frame's space (hinged parts relative to their pivot, wheels
// relative to their axle), and the colours they are painted in.
//
// Every function builds a fresh Mesh; nothing is cached between calls, so the result depends only
// on the code (the same bytes on every run).
#pragma once

#include <functional>

#include "mesh.h"

namespace databuild {

namespace car {

// Paint and trim colours (vertex diffuse / specular).
Material Paint(V3 n);
Material InteriorPaint();  // body colour, darkened, for jambs and inner walls
extern const Material kBlackTrim, kRubberSeal, kChrome, kSatinBlack, kDarkMetal, kLeather, kLeatherDark, kCarpet, kTyre,
    kRim, kRedCaliper, kGlassEdge;
Material Chrome(V3 n);  // chrome with a baked horizon
// Glass tint for the multiply parts: `tint` is the colour the glass multiplies by (0..1), the
// returned normal is the one that keeps that tint under the saver's lights whatever the turn.
Material GlassTint(double r, double g, double b);
V3 GlassNormal();

// Body shell and the parts cut from it.
Mesh BuildBody();                // crmd_2: shell, wheel wells, jambs, engine bay and boot walls
Mesh BuildBonnetSkin();          // crmd_3, relative to the bonnet pivot
Mesh BuildBonnetInner();         // crmd_4
Mesh BuildTrunkSkin();           // crmd_30, relative to the trunk pivot
Mesh BuildTrunkInner();          // crmd_32
Mesh BuildTrunkGlass();          // crmd_31: smoked tail panel on the lid
Mesh BuildDoorSkin(bool left);   // crmd_21 / crmd_27, relative to the door pivot
Mesh BuildDoorInner(bool left);  // crmd_23 / crmd_29
Mesh BuildDoorGlass(bool left);  // crmd_22 / crmd_28
Mesh BuildRoof();                // crmd_16: roof, pillars, window trims
Mesh BuildGlass();               // crmd_1: windscreen, quarter windows, rear window
Mesh BuildLenses();              // crmd_0: head and tail lamp lenses

// Mechanical parts and the cabin.
Mesh BuildWheel(bool left);        // crmd_24 / crmd_36, relative to the axle
Mesh BuildRearWheels();            // crmd_25: both rear wheels about the rear axle
Mesh BuildSpareWheel();            // crmd_44: the spare wheel (never shown)
Mesh BuildChassis(bool detailed);  // crmd_7 (display) / crmd_5 (driving)
Mesh BuildInterior();              // crmd_40
Mesh BuildFrontDetails();          // crmd_9: grille, badge, front plate (textured)
Mesh BuildRearDetails();           // crmd_34: rear panel, rear plate, gauges (textured)
Mesh BuildShadow();                // crmd_37: footprint, flattened by the saver
Mesh BuildDriver();                // crmd_6: the driver (driving mode)

// Texture atlas regions of crmd_10 (u0, v0, u1, v1) shared by the textured parts and the
// texture painter.
struct UvRect {
  double u0, v0, u1, v1;
};
constexpr UvRect kUvGrille{0.0, 0.0, 0.5, 0.25};
constexpr UvRect kUvBadge{0.5, 0.0, 0.75, 0.25};
constexpr UvRect kUvFrontPlate{0.0, 0.25, 0.5, 0.5};
constexpr UvRect kUvRearPlate{0.5, 0.25, 1.0, 0.5};
constexpr UvRect kUvRearPanel{0.0, 0.5, 1.0, 0.625};
constexpr UvRect kUvGauges{0.0, 0.625, 1.0, 0.875};
constexpr UvRect kUvCarbon{0.0, 0.875, 0.5, 1.0};
constexpr UvRect kUvVent{0.5, 0.875, 1.0, 1.0};

}  // namespace car

}  // namespace databuild
