// databuild: writes the saver's 52 data files, and renders preview sheets of them.
//
//   databuild FOLDER                      write all 52 files into FOLDER (created if missing)
//   databuild --contact-sheet OUT.png     the car from all sides, opened, and in skeleton view
//   databuild --scenery-sheet OUT.png     the driving scenery from the three camera phases
//   databuild --view N OUT.png            contact view N alone, large
//   databuild --scene N OUT.png           scenery view N alone, large
// The output is the same byte for byte on every run.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dataset.h"
#include "preview_scenes.h"

namespace {

using namespace databuild;

bool MakeFolders(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (i < path.size()) partial += path[i];
  }
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: databuild FOLDER\n"
               "       databuild --contact-sheet OUT.png | --scenery-sheet OUT.png\n"
               "       databuild --view N OUT.png | --scene N OUT.png\n");
  return 2;
}

bool SavePng(const Image& img, const std::string& path) {
  if (!WriteFile(path, EncodePng(img, false))) {
    std::fprintf(stderr, "databuild: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string first = argv[1];
  std::vector<DataFile> files;
  std::string error;
  if (!BuildDataSet(files, error)) {
    std::fprintf(stderr, "databuild: %s\n", error.c_str());
    return 1;
  }
  if (first[0] != '-') {
    if (argc != 2) return Usage();
    if (!MakeFolders(first) || !WriteDataSet(files, first, error)) {
      std::fprintf(stderr, "databuild: %s\n", error.empty() ? ("cannot create " + first).c_str() : error.c_str());
      return 1;
    }
    return 0;
  }
  PreviewData data;
  if (!data.Load(files, error)) {
    std::fprintf(stderr, "databuild: %s\n", error.c_str());
    return 1;
  }
  if ((first == "--contact-sheet" || first == "--scenery-sheet") && argc == 3) {
    std::vector<Image> tiles;
    std::vector<std::string> labels;
    if (first == "--contact-sheet") {
      for (const CarView& v : ContactViews()) {
        tiles.push_back(RenderCar(data, v, 480, 360));
        labels.push_back(v.label);
      }
    } else {
      for (const ScenePass& p : SceneryPasses()) {
        tiles.push_back(RenderScenery(data, p, 480, 360));
        labels.push_back(p.label);
      }
    }
    return SavePng(Sheet(tiles, labels, 4), argv[2]) ? 0 : 1;
  }
  if (first == "--look" && argc >= 7) {
    // --look TURN X Y Z OUT.png [open|skeleton|night|driving]...: a custom display-mode view.
    CarView v;
    v.turn = std::atoi(argv[2]);
    v.carPos = {std::atof(argv[3]), std::atof(argv[4]), std::atof(argv[5])};
    for (int i = 7; i < argc; ++i) {
      std::string o = argv[i];
      if (o == "open") {
        v.bonnet = -500;
        v.trunk = 1000;
        v.leftDoor = -750;
        v.rightDoor = 750;
      }
      if (o == "skeleton") v.skeleton = true;
      if (o == "night") v.night = true;
      if (o == "driving") v.driving = true;
      if (o == "bright") v.bright = true;
      if (o.rfind("only=", 0) == 0) v.only = o.substr(5);
      if (o.rfind("eye=", 0) == 0 || o.rfind("at=", 0) == 0) {
        // eye=X,Y,Z or at=X,Y,Z in car space (the car at the origin, unturned)
        V3 p{};
        std::sscanf(o.c_str() + o.find('=') + 1, "%lf,%lf,%lf", &p.x, &p.y, &p.z);
        v.freeCamera = true;
        (o[0] == 'e' ? v.eye : v.target) = p;
      }
    }
    return SavePng(RenderCar(data, v, 1024, 768), argv[6]) ? 0 : 1;
  }
  if ((first == "--view" || first == "--scene") && argc == 4) {
    size_t n = static_cast<size_t>(std::strtoul(argv[2], nullptr, 10));
    if (first == "--view") {
      std::vector<CarView> views = ContactViews();
      if (n >= views.size()) return Usage();
      return SavePng(RenderCar(data, views[n], 1024, 768), argv[3]) ? 0 : 1;
    }
    std::vector<ScenePass> passes = SceneryPasses();
    if (n >= passes.size()) return Usage();
    return SavePng(RenderScenery(data, passes[n], 1024, 768), argv[3]) ? 0 : 1;
  }
  return Usage();
}
