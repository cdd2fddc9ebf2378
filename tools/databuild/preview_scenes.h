// Preview scenes put together the way the saver assembles them: the car's frame tree with its
// pivots, blend modes and skeleton set, the four lights aimed as at set-up, the display-mode
// camera at the world origin looking at the car, and the driving-mode scenery with its three
// camera phases. Used by the contact sheets and by tests.
#pragma once

#include <string>
#include <vector>

#include "dataset.h"
#include "formats.h"
#include "geom.h"

namespace databuild {

struct CarView {
  int turn = 0;              // turntable angle, 4096ths of a turn
  V3 carPos{0, -0.6, -1.3};  // car position; the camera sits at the origin
  bool skeleton = false;
  int bonnet = 0, trunk = 0, leftDoor = 0, rightDoor = 0;  // opening angles, 4096ths
  bool driving = false;                                    // driving-mode parts: chassis crmd_5, driver, shadow
  bool night = false;
  bool shadowBlend = false;
  std::string label;
  std::string only;         // draw just these meshes, comma-separated (for looking at parts)
  bool bright = false;      // extra ambient light, for looking into dark corners
  bool title = false;       // the title image over the picture, as in the first seconds
  bool freeCamera = false;  // look from `eye` at `target` instead of from the origin
  V3 eye, target;
};

struct ScenePass {
  int phase = 0;     // camera phase 0, 1, 2
  double carZ = 50;  // car position along the track
  int frame = 0;     // frames into the pass (drives the phase-0 drift and the sweep)
  bool night = false;
  bool firstPassObjects = false;  // crmd_26 and crmd_45 shown
  bool thirdPassObjects = false;  // crmd_8 and crmd_43 shown
  bool airship = false;
  std::string label;
};

class PreviewData {
 public:
  // Decodes the meshes and pictures of a built data set; false with a reason when one does not
  // decode the way the saver's loaders read it.
  bool Load(const std::vector<DataFile>& files, std::string& error);
  const MeshFile* Mesh(const std::string& name) const;
  const Image* Picture(const std::string& name) const;

 private:
  std::vector<std::pair<std::string, MeshFile>> meshes_;
  std::vector<std::pair<std::string, Image>> pictures_;
};

// One display-mode (or driving-mode close-up) picture of the car, `scale` x supersampled.
Image RenderCar(const PreviewData& data, const CarView& view, int width, int height, int scale = 2);
// One driving-mode picture from the camera of the pass.
Image RenderScenery(const PreviewData& data, const ScenePass& pass, int width, int height, int scale = 2);

// The standard sheets.
std::vector<CarView> ContactViews();
std::vector<ScenePass> SceneryPasses();
Image Sheet(const std::vector<Image>& tiles, const std::vector<std::string>& labels, int columns);

}  // namespace databuild
