#include "preview_scenes.h"

#include <cmath>

#include "car_shape.h"
#include "preview.h"
#include "raster.h"
#include "scenery.h"

namespace databuild {

bool PreviewData::Load(const std::vector<DataFile>& files, std::string& error) {
  meshes_.clear();
  pictures_.clear();
  for (const DataFile& f : files) {
    std::string why;
    if (f.kind == FileKind::Mesh) {
      MeshFile m;
      if (!DecodeMesh(f.bytes, m, why)) {
        error = f.name + ": " + why;
        return false;
      }
      meshes_.emplace_back(f.name, std::move(m));
    } else if (f.kind == FileKind::Bitmap24 || f.kind == FileKind::Bitmap32) {
      Image img;
      BmpInfo info;
      if (!DecodeBmp(f.bytes, img, info, why)) {
        error = f.name + ": " + why;
        return false;
      }
      pictures_.emplace_back(f.name, std::move(img));
    }
  }
  return true;
}

const MeshFile* PreviewData::Mesh(const std::string& name) const {
  for (const auto& m : meshes_)
    if (m.first == name) return &m.second;
  return nullptr;
}

const Image* PreviewData::Picture(const std::string& name) const {
  for (const auto& p : pictures_)
    if (p.first == name) return &p.second;
  return nullptr;
}

namespace {

M4 Flatten() {
  M4 f;
  f.m[1][1] = 0;
  return f;
}

// The saver's three lights: two opposite directional ones and one from high above toward
// `topTarget`, off at night.
std::vector<PreviewLight> Lights(V3 topTarget, bool night) {
  std::vector<PreviewLight> l(3);
  l[0].direction = Normalize(V3{-5, -10, -5});
  l[0].specular = {0.2, 0.2, 0.3};
  l[1].direction = Normalize(V3{5, 10, 5});
  l[2].direction = Normalize(topTarget - V3{-50, 1000, -50});
  l[2].specular = {0.2, 0.2, 0.3};
  l[2].ambient = night ? V3{0, 0, 0} : V3{0.03, 0.03, 0.03};
  l[2].enabled = !night;
  return l;
}

// Draws the car's frame tree. `car` is the car frame's world matrix.
void DrawCar(PreviewRenderer& r, const PreviewData& d, const M4& car, const CarView& v, double wheelSpin = 0) {
  auto draw = [&](const char* name, const M4& w, int blend, bool spec = true, const Image* tex = nullptr) {
    if (!v.only.empty() && ("," + v.only + ",").find("," + std::string(name) + ",") == std::string::npos) return;
    if (const MeshFile* m = d.Mesh(name)) r.DrawMesh(*m, w, blend, spec, tex);
  };
  const int shell = v.skeleton ? 4 : 0;
  draw("crmd_2", car, shell);
  draw("crmd_0", car, v.night ? 1 : 4);
  draw("crmd_1", car, 4);
  draw("crmd_16", car, shell);
  draw(v.driving ? "crmd_5" : "crmd_7", car, 0);
  const M4 spin = M4::RotX(wheelSpin);
  draw("crmd_24", spin * M4::Translation(car::kWheelFrontLeft) * car, 0);
  draw("crmd_36", spin * M4::Translation(car::kWheelFrontRight) * car, 0);
  draw("crmd_25", spin * M4::Translation(car::kWheelRear) * car, 0);
  draw("crmd_40", car, 0);
  draw("crmd_9", car, 0, true, d.Picture("crmd_10"));
  draw("crmd_34", car, 0, true, d.Picture("crmd_10"));
  const M4 left = M4::RotY(car::AngleRad(v.leftDoor)) * M4::Translation(car::kLeftDoorPivot) * car;
  draw("crmd_21", left, shell);
  draw("crmd_23", left, shell);
  draw("crmd_22", left, 4);
  const M4 right = M4::RotY(car::AngleRad(v.rightDoor)) * M4::Translation(car::kRightDoorPivot) * car;
  draw("crmd_27", right, shell);
  draw("crmd_29", right, shell);
  draw("crmd_28", right, 4);
  const M4 bonnet = M4::RotX(car::AngleRad(v.bonnet)) * M4::Translation(car::kBonnetPivot) * car;
  draw("crmd_3", bonnet, shell);
  if (!v.driving) draw("crmd_4", bonnet, shell);
  const M4 trunk = M4::RotX(car::AngleRad(v.trunk)) * M4::Translation(car::kTrunkPivot) * car;
  draw("crmd_30", trunk, shell);
  draw("crmd_31", trunk, 4);
  if (!v.driving) draw("crmd_32", trunk, shell);
  if (v.driving) {
    M4 shadow = Flatten();
    shadow.m[3][1] = car::kGroundY;
    draw("crmd_37", shadow * car, v.shadowBlend ? 4 : 0, false);
    draw("crmd_6", car, 0, false);
  }
}

}  // namespace

Image RenderCar(const PreviewData& data, const CarView& view, int width, int height, int scale) {
  PreviewRenderer r(width * scale, height * scale);
  r.Clear(view.skeleton ? 0xFFFFFFFF : view.driving ? 0xFFBBBBFF : 0xFF000000);
  M4 car = M4::RotY(car::AngleRad(view.turn)) * M4::Translation(view.carPos);
  std::vector<PreviewLight> lights = Lights(view.carPos, view.night);
  if (view.bright) lights[2].ambient = {0.45, 0.45, 0.45};
  r.SetLights(lights);
  if (view.freeCamera)
    r.SetCamera(view.eye, view.target);
  else
    r.SetCamera({0, 0, 0}, view.carPos);
  DrawCar(r, data, car, view);
  // The title: its pixel size, centred, tinted blue by the vertex colour, alpha blended.
  Image title;
  if (view.title && data.Picture("crmd_41")) {
    const Image& t = *data.Picture("crmd_41");
    title = Image(t.width * scale, t.height * scale);
    for (int y = 0; y < title.height; ++y)
      for (int x = 0; x < title.width; ++x)
        std::copy(t.At(x / scale, y / scale), t.At(x / scale, y / scale) + 4, title.At(x, y));
    // The saver draws it on a screen of the preview's own size; scale it down with the picture.
    Image small(t.width * scale * width / 1024, t.height * scale * width / 1024);
    for (int y = 0; y < small.height; ++y)
      for (int x = 0; x < small.width; ++x)
        std::copy(title.At(x * title.width / small.width, y * title.height / small.height),
                  title.At(x * title.width / small.width, y * title.height / small.height) + 4, small.At(x, y));
    title = small;
    r.AddScreenPicture((width * scale - title.width) / 2, (height * scale - title.height) / 2, title, 0xFF0000FF);
  }
  r.Flush();
  return scale > 1 ? Downsample(r.Result(), scale) : r.Result();
}

Image RenderScenery(const PreviewData& data, const ScenePass& pass, int width, int height, int scale) {
  PreviewRenderer r(width * scale, height * scale);
  r.Clear(0xFFBBBBFF);
  const V3 carPos{4, 0.32, pass.carZ};
  V3 cam;
  double sweep = 0.003 * pass.frame;
  if (pass.phase == 0)
    cam = {4 - 0.01 * pass.frame, 1.2 - 0.002 * pass.frame, 0};
  else if (pass.phase == 1)
    cam = {carPos.x + 1.5 - sweep, carPos.y + 0.8, carPos.z - 1.6 + sweep};
  else
    cam = {carPos.x + 1.5 - sweep, carPos.y + 0.8, carPos.z + 2.0 - sweep};
  r.SetCamera(cam, carPos);
  r.SetLights(Lights({0, 0, 0}, pass.night));
  const M4 id;
  const int shadowBlend = 0;
  auto draw = [&](const char* name, const M4& w, int blend, bool spec, const char* tex = nullptr) {
    if (const MeshFile* m = data.Mesh(name)) r.DrawMesh(*m, w, blend, spec, tex ? data.Picture(tex) : nullptr);
  };
  const bool day = !pass.night;
  if (day) draw("crmd_14", id, 0, false, "crmd_15");
  draw("crmd_33", id, 0, false, "crmd_15");
  draw("crmd_35", id, 0, false);
  if (day) {
    draw("crmd_11", id, 0, false);
    draw("crmd_12", id, 0, false);
    draw("crmd_13", Flatten(), shadowBlend, false);
    if (pass.airship) draw("crmd_50", id, 0, false);
    draw("crmd_19", id, 0, false);
    draw("crmd_20", Flatten(), shadowBlend, false);
    draw("crmd_17", id, 0, false);
    draw("crmd_18", Flatten(), shadowBlend, false);
  } else {
    draw("crmd_42", id, 0, true);
    draw("crmd_46", id, 1, true);
  }
  draw("crmd_38", id, 1, true, "crmd_39");
  if (day && pass.thirdPassObjects) draw("crmd_43", id, 0, false);
  if (pass.firstPassObjects) draw("crmd_45", id, 0, false);
  if (day && pass.thirdPassObjects) draw("crmd_8", id, 0, false, "crmd_15");
  if (pass.firstPassObjects) draw("crmd_26", id, 0, false, "crmd_15");

  CarView v;
  v.driving = true;
  v.night = pass.night;
  DrawCar(r, data, M4::Translation(carPos), v, 0.3 * pass.frame);

  if (day) {
    // Roadside billboards from a fixed layout (the saver draws its own at every start).
    Rng rng(0x5EED0BADull);
    const double hx[3] = {1.25, 1.5, 1.5}, hy[3] = {1.8, 1.5, 1.5};
    const char* tex[3] = {"crmd_47", "crmd_48", "crmd_49"};
    for (int i = 0; i < 20; ++i) {
      int h = rng.Int(3);
      double xs[3] = {h == 1 ? 9.0 : -18.0, h == 1 ? -18.0 : 9.0, h == 1 ? 9.0 : -18.0};
      double z0 = 9.0 * i - 90;
      for (int row = 0; row < 3; ++row) {
        int kind = rng.Int(3);
        SpriteCorner q[4] = {{-hx[kind], -hy[kind], 0, 0},
                             {hx[kind], -hy[kind], 1, 0},
                             {-hx[kind], hy[kind], 0, 1},
                             {hx[kind], hy[kind], 1, 1}};
        r.AddSprite({xs[row], 2, z0 + 3.0 * row}, q, data.Picture(tex[kind]));
      }
      SpriteCorner post[4] = {{-0.5, -0.5, 0, 0}, {0.5, -0.5, 1, 0}, {-0.5, 0.5, 0, 1}, {0.5, 0.5, 1, 1}};
      r.AddSprite({-4.5, 0.6475, z0}, post, data.Picture("crmd_49"));
    }
  }
  r.Flush();
  return scale > 1 ? Downsample(r.Result(), scale) : r.Result();
}

std::vector<CarView> ContactViews() {
  std::vector<CarView> v;
  auto add = [&v](int turn, V3 pos, const std::string& label) {
    CarView c;
    c.turn = turn;
    c.carPos = pos;
    c.label = label;
    v.push_back(c);
    return &v.back();
  };
  add(1536 + 300, {0, -0.55, -1.9}, "FRONT 3/4");
  add(1024, {0, -0.32, -2.15}, "SIDE");
  add(150, {0, -0.5, -1.85}, "REAR");
  add(200, {0, -2.35, -0.2}, "TOP");
  CarView* o = add(1536 + 350, {0, -0.75, -1.95}, "OPEN FRONT 3/4");
  o->bonnet = car::kBonnetOpen;
  o->trunk = car::kTrunkOpen;
  o->leftDoor = car::kLeftDoorOpen;
  o->rightDoor = car::kRightDoorOpen;
  o = add(-380, {0, -0.8, -1.95}, "OPEN REAR 3/4");
  o->bonnet = car::kBonnetOpen;
  o->trunk = car::kTrunkOpen;
  o->leftDoor = car::kLeftDoorOpen;
  o->rightDoor = car::kRightDoorOpen;
  o = add(1536 + 300, {0, -0.75, -1.95}, "SKELETON");
  o->skeleton = true;
  add(0, {0, -0.6, -1.3}, "SAVER START WITH TITLE")->title = true;
  return v;
}

std::vector<ScenePass> SceneryPasses() {
  std::vector<ScenePass> p;
  auto add = [&p](int phase, double carZ, bool night, const std::string& label) {
    ScenePass s;
    s.phase = phase;
    s.carZ = carZ;
    s.frame = static_cast<int>((70 - carZ) / 0.3);
    s.night = night;
    s.label = label;
    p.push_back(s);
    return &p.back();
  };
  add(0, 50, false, "ROADSIDE START")->frame = 0;
  add(0, 3, false, "ROADSIDE PASSING");
  add(0, -69, false, "ROADSIDE END");
  ScenePass* s = add(1, 40, false, "AHEAD");
  s->firstPassObjects = true;
  add(1, -60, false, "AHEAD LATE");
  s = add(2, 30, false, "BEHIND");
  s->thirdPassObjects = true;
  s->airship = true;
  add(2, -50, false, "BEHIND LATE")->thirdPassObjects = true;
  add(0, 20, true, "NIGHT ROADSIDE");
  add(1, 0, true, "NIGHT AHEAD");
  add(2, 10, true, "NIGHT BEHIND");
  return p;
}

Image Sheet(const std::vector<Image>& tiles, const std::vector<std::string>& labels, int columns) {
  if (tiles.empty()) return Image(1, 1);
  const int tw = tiles[0].width, th = tiles[0].height, gap = 4;
  const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
  Image sheet(columns * (tw + gap) + gap, rows * (th + gap) + gap, 0xFF303030);
  for (size_t i = 0; i < tiles.size(); ++i) {
    int x = gap + static_cast<int>(i % columns) * (tw + gap), y = gap + static_cast<int>(i / columns) * (th + gap);
    Blit(sheet, tiles[i], x, y);
    if (i < labels.size()) raster::DrawLabel(sheet, x + 6, y + 6, labels[i], 0xFFFFFF60);
  }
  return sheet;
}

}  // namespace databuild
