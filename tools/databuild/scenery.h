// The driving-mode scenery, modelled in world space (the scenery frames stay at the origin).
//
// The car drives along x = 4 from z = 70 to z = -70 on a road at y = 0; billboards are sprites at
// x = 9 and x = -18 standing on the walls of crmd_35, marker posts at x = -4.5. Everything lies
// within 400 units of the track, well inside the far plane; the corridor the cameras travel
// (x from -1.5 to 6.5, any z) holds nothing above the road surface.
#pragma once

#include "mesh.h"

namespace databuild {
namespace scenery {

constexpr double kRoadY = -0.006;  // road surface, a little below the tyres and the car shadow
constexpr double kRoadLeft = -3.2, kRoadRight = 7.4;
constexpr double kWallRightX = 9.0, kWallLeftX = -18.0, kWallHeight = 0.5;

Mesh BuildGround();            // crmd_14: grass, run-off and verges (textured crmd_15), by day
Mesh BuildRoad();              // crmd_33: the track surface and kerbs (textured), day and night
Mesh BuildWalls();             // crmd_35: billboard walls, barriers, marker bases, day and night
Mesh BuildBackdrop();          // crmd_11: distant hills and tree line
Mesh BuildTrees();             // crmd_12: roadside trees
Mesh BuildTreeShadows();       // crmd_13: their shadows (flattened)
Mesh BuildGrandstand();        // crmd_17: grandstand on the left
Mesh BuildGrandstandShadow();  // crmd_18
Mesh BuildPitBuilding();       // crmd_19: pit building and tower on the right
Mesh BuildPitShadow();         // crmd_20
Mesh BuildAirship();           // crmd_50: the occasional airship
Mesh BuildNightScene();        // crmd_42: night sky, ground, lit buildings, street lamps
Mesh BuildNightGlow();         // crmd_46: lamp glows (additive)
Mesh BuildSky();               // crmd_38: horizon haze and the sun (additive, textured crmd_39)
Mesh BuildStartGantry();       // crmd_26: start gantry (textured)
Mesh BuildParkedCars();        // crmd_45: cars parked in the paddock
Mesh BuildFinishBoards();      // crmd_8: chequered boards (textured)
Mesh BuildSpectators();        // crmd_43: spectators along the fence

}  // namespace scenery
}  // namespace databuild
