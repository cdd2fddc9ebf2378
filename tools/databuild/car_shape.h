// The car's outer shape as smooth parametric surfaces, and the fixed points the saver's frame
// tree puts the hinged parts and wheels on.
//
// Car frame space: front toward -z, left side on +x, y up, origin 0.319 above the ground. The
// lower body is a loft S(u, v): u in [0, 1] from the nose tip to the tail tip, v in [0, 1] around
// the half section (x >= 0) from the floor centre (0) through the rocker, the widest point and the
// shoulder to the top centre (1); control point k of the section sits at v = k / 8. In the cabin
// zone the lower body ends at the belt line (v = 6 / 8) and the greenhouse G(z, w) continues from
// there: w = 0 on the belt line, w = 1 on the roof centre line.
#pragma once

#include "geom.h"

namespace databuild {

namespace car {

// Pivots and axles, relative to the car frame (wheels relative to the chassis frame, which
// coincides with the car frame).
constexpr V3 kLeftDoorPivot{0.53992, 0, -0.24084};
constexpr V3 kRightDoorPivot{-0.53992, 0, -0.24084};
constexpr V3 kBonnetPivot{0, 0.2548, -0.3753};
constexpr V3 kTrunkPivot{0, 0.3, 0.8697};
constexpr V3 kWheelFrontLeft{0.53015, -0.09867, -0.91109};
constexpr V3 kWheelFrontRight{-0.53015, -0.09867, -0.91109};
constexpr V3 kWheelRear{0, -0.09867, 0.82547};
constexpr double kGroundY = -0.319;
constexpr double kTyreRadius = 0.319 - 0.09867;  // touches the ground
constexpr double kTrack = 0.53015;
constexpr double kFrontAxleZ = -0.91109, kRearAxleZ = 0.82547, kAxleY = -0.09867;
constexpr double kArchRadius = 0.250;

// Opening angles of the display mode, in 4096ths of a turn.
constexpr int kBonnetOpen = -500, kTrunkOpen = 1000, kRightDoorOpen = 750, kLeftDoorOpen = -750;
inline double AngleRad(int units) { return 2 * kPi * units / 4096.0; }

// Panel break lines.
constexpr double kGap = 0.006;  // shut-line gap
constexpr double kDoorFrontZ = -0.24084 + 0.004;
constexpr double kDoorRearZ = 0.472;
constexpr double kBonnetRearZ = -0.3793;    // bonnet trailing edge (just ahead of its hinge)
constexpr double kBonnetFrontZ = -1.335;    // bonnet leading edge
constexpr double kScreenBaseZ = -0.366;     // windscreen base (start of the greenhouse)
constexpr double kRearScreenBaseZ = 0.862;  // rear window base (end of the greenhouse)
constexpr double kTrunkFrontZ = 0.8747;     // trunk lid leading edge
constexpr double kBeltV = 6.0 / 8;          // belt line on the lower body
constexpr double kBonnetSideV = 6.55 / 8;   // bonnet and trunk lid side shut lines
constexpr double kDoorBottomV = 2.62 / 8;   // door bottom edge (top of the side skirt)
constexpr double kFloorEdgeV = 2.0 / 8;

// Lower body.
V3 Body(double u, double v);
V3 BodyNormal(double u, double v);
// u of a z in the straight middle part (exact there), found by bisection near the ends.
double BodyU(double z);
// Height-based v on the body side at u (between the floor edge and the belt), for cut lines.
double BodyVAtHeight(double u, double y);
// v of the point where the side reaches half-width x, on the upper part (shoulder), at u.
double BodyVAtWidthUpper(double u, double x);

// Greenhouse (z in [kScreenBaseZ, kRearScreenBaseZ], w in [0, 1]).
V3 Glasshouse(double z, double w);
V3 GlasshouseNormal(double z, double w);
double RoofHeight(double z);  // roof centre line height

// Wheel arch opening: height of the arch edge at z, or a large negative number outside it.
double ArchHeight(double z);
// Half length of the arch opening where it meets the floor edge.
double ArchHalfWidth();

}  // namespace car

}  // namespace databuild
