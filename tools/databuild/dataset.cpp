#include "dataset.h"

#include <functional>
#include <map>

#include "car_model.h"
#include "scenery.h"
#include "spectext.h"
#include "textures.h"

namespace databuild {

namespace {

using MeshMaker = std::function<Mesh()>;

// What each mesh file holds.
const std::map<std::string, MeshMaker>& MeshMakers() {
  using namespace car;
  static const std::map<std::string, MeshMaker> makers = {
      {"crmd_0", BuildLenses},
      {"crmd_1", BuildGlass},
      {"crmd_2", BuildBody},
      {"crmd_3", BuildBonnetSkin},
      {"crmd_4", BuildBonnetInner},
      {"crmd_5", [] { return BuildChassis(false); }},
      {"crmd_6", BuildDriver},
      {"crmd_7", [] { return BuildChassis(true); }},
      {"crmd_8", scenery::BuildFinishBoards},
      {"crmd_9", BuildFrontDetails},
      {"crmd_11", scenery::BuildBackdrop},
      {"crmd_12", scenery::BuildTrees},
      {"crmd_13", scenery::BuildTreeShadows},
      {"crmd_14", scenery::BuildGround},
      {"crmd_16", BuildRoof},
      {"crmd_17", scenery::BuildGrandstand},
      {"crmd_18", scenery::BuildGrandstandShadow},
      {"crmd_19", scenery::BuildPitBuilding},
      {"crmd_20", scenery::BuildPitShadow},
      {"crmd_21", [] { return BuildDoorSkin(true); }},
      {"crmd_22", [] { return BuildDoorGlass(true); }},
      {"crmd_23", [] { return BuildDoorInner(true); }},
      {"crmd_24", [] { return BuildWheel(true); }},
      {"crmd_25", BuildRearWheels},
      {"crmd_26", scenery::BuildStartGantry},
      {"crmd_27", [] { return BuildDoorSkin(false); }},
      {"crmd_28", [] { return BuildDoorGlass(false); }},
      {"crmd_29", [] { return BuildDoorInner(false); }},
      {"crmd_30", BuildTrunkSkin},
      {"crmd_31", BuildTrunkGlass},
      {"crmd_32", BuildTrunkInner},
      {"crmd_33", scenery::BuildRoad},
      {"crmd_34", BuildRearDetails},
      {"crmd_35", scenery::BuildWalls},
      {"crmd_36", [] { return BuildWheel(false); }},
      {"crmd_37", BuildShadow},
      {"crmd_38", scenery::BuildSky},
      {"crmd_40", BuildInterior},
      {"crmd_42", scenery::BuildNightScene},
      {"crmd_43", scenery::BuildSpectators},
      {"crmd_44", BuildSpareWheel},
      {"crmd_45", scenery::BuildParkedCars},
      {"crmd_46", scenery::BuildNightGlow},
      {"crmd_50", scenery::BuildAirship},
  };
  return makers;
}

}  // namespace

std::vector<std::string> DataFileNames() {
  std::vector<std::string> names;
  for (int i = 0; i < 50; ++i) names.push_back("crmd_" + std::to_string(i));
  names.push_back("kestor.txt");
  names.push_back("crmd_50");
  return names;
}

FileKind KindOf(const std::string& name) {
  if (name == "kestor.txt") return FileKind::Text;
  if (name == "crmd_10" || name == "crmd_15") return FileKind::Bitmap24;
  if (name == "crmd_39" || name == "crmd_41" || name == "crmd_47" || name == "crmd_48" || name == "crmd_49")
    return FileKind::Bitmap32;
  return FileKind::Mesh;
}

bool BuildDataSet(std::vector<DataFile>& files, std::string& error) {
  files.clear();
  for (const std::string& name : DataFileNames()) {
    DataFile f{name, KindOf(name), {}};
    switch (f.kind) {
      case FileKind::Text: f.bytes = SpecText(); break;
      case FileKind::Bitmap24:
        f.bytes = EncodeBmp(name == "crmd_10" ? textures::CarDetails() : textures::Ground(), 24);
        break;
      case FileKind::Bitmap32: {
        Image img = name == "crmd_39"   ? textures::SkyGlow()
                    : name == "crmd_41" ? textures::Title()
                    : name == "crmd_47" ? textures::Billboard(0)
                    : name == "crmd_48" ? textures::Billboard(1)
                                        : textures::Billboard(2);
        f.bytes = EncodeBmp(img, 32);
        break;
      }
      case FileKind::Mesh: {
        auto it = MeshMakers().find(name);
        if (it == MeshMakers().end()) {
          error = name + ": no mesh maker";
          return false;
        }
        std::string why;
        if (!EncodeMesh(it->second(), f.bytes, why)) {
          error = name + ": " + why;
          return false;
        }
        break;
      }
    }
    files.push_back(std::move(f));
  }
  return true;
}

bool WriteDataSet(const std::vector<DataFile>& files, const std::string& folder, std::string& error) {
  for (const DataFile& f : files) {
    std::string path = folder + "/" + f.name;
    if (!WriteFile(path, f.bytes)) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

const DataFile* Find(const std::vector<DataFile>& files, const std::string& name) {
  for (const DataFile& f : files)
    if (f.name == name) return &f;
  return nullptr;
}

}  // namespace databuild
