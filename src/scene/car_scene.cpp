#include "scene/car_scene.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "dg/diagnostics.h"
#include "platform/device_loss.h"

namespace scene {
namespace {

// The car's parts that the code names, by data file.
constexpr int kBody = 2, kBonnet = 3, kTrunkLid = 30, kLeftDoor = 21, kRightDoor = 27;
constexpr int kDisplayChassis = 7, kDrivingChassis = 5, kShadow = 37;
constexpr int kWheelFrontLeft = 24, kWheelFrontRight = 36, kWheelRear = 25;
// Pictures that no part carries (the parts' own pictures are in the table).
constexpr int kTitlePicture = 41, kFirstBillboardPicture = 47;
constexpr int kNone = -1;

// The run modes a part is built in.
enum Modes { kBoth, kDisplay, kDriving };

// The frame a part hangs from: the world root or another part (the chassis is the run mode's).
enum Parent { kOnRoot, kOnBody, kOnChassis, kOnLeftDoor, kOnRightDoor, kOnBonnet, kOnTrunkLid };

// When a part's mesh is created and loaded. The car's meshes are created first, all of them in
// their order; then those of kCarFirst load, driving mode's scenery meshes (each created as it
// loads), those of kCarLate. The sky's mesh comes last, after the overlay's set-up.
enum MeshStep { kCarFirst, kCarLate, kScenery, kSkyLast };

// Switches of a part's frame: Specular off, hidden at the start, one of display mode's skeleton set.
enum Flags { kNoFlags = 0, kMatte = 1, kHidden = 2, kSkeleton = 4 };

// The blend row of a flattened shadow: multiplied with the shadow setting on, else opaque.
constexpr std::int32_t kBlendShadow = -1;

// A part's picture: its data file, its texture formats, its place in the loading of the pictures
// set up with it and its place in the release of all the parts' pictures.
struct Picture {
  int file = kNone;
  const std::vector<D3DFORMAT>& (*formats)() = nullptr;
  int load = 0, release = 0;
};
constexpr Picture Opaque(int file, int load, int release) { return {file, &OpaqueFormats, load, release}; }
constexpr Picture Alpha(int file, int load, int release) { return {file, &AlphaFormats, load, release}; }

// One part: the frame that carries the mesh of data file `file`. The scenery's frames and the
// car's are created in table order, parents first; mesh order, mesh release and frame release are
// places in those sequences (the mode's parts share places with the other mode's).
struct Part {
  int file;
  Modes modes;
  Parent parent;
  MeshStep mesh;
  int meshOrder;     // among the car's meshes or among the scenery's
  int meshRelease;   // among all meshes
  int frameRelease;  // among all frames; kTopLightFrameRelease is the top light's frame's
  std::int32_t blend;
  int flags;
  Picture picture = {};
  std::optional<sx::Vec3> pivot = std::nullopt;  // the part's origin in its parent's space
};

constexpr int kTopLightFrameRelease = 24;

// The pivots: the hinges of the doors, the bonnet and the trunk lid, the wheels' axles.
constexpr sx::Vec3 kLeftDoorHinge = {0.53992f, 0.0f, -0.24084f}, kRightDoorHinge = {-0.53992f, 0.0f, -0.24084f};
constexpr sx::Vec3 kBonnetHinge = {0.0f, 0.2548f, -0.3753f}, kTrunkLidHinge = {0.0f, 0.3f, 0.8697f};
constexpr sx::Vec3 kFrontLeftAxle = {0.53015f, -0.09867f, -0.91109f};
constexpr sx::Vec3 kFrontRightAxle = {-0.53015f, -0.09867f, -0.91109f};
constexpr sx::Vec3 kRearAxle = {0.0f, -0.09867f, 0.82547f};

// The parts, one row per data file with a mesh. Columns: file, modes, parent, mesh step, mesh
// order, mesh release, frame release, blend row, flags, picture, pivot.
// clang-format off
const Part kParts[] = {
    // The scenery of driving mode, under the world root.
    {14, kDriving, kOnRoot, kScenery, 1,  17, 41, kBlendOpaque,   kMatte,           Opaque(15, 1, 5)},  // ground
    {33, kDriving, kOnRoot, kScenery, 2,  11, 40, kBlendOpaque,   kMatte,           Opaque(15, 4, 4)},  // road
    {35, kDriving, kOnRoot, kScenery, 3,  15, 39, kBlendOpaque,   kMatte},                              // walls
    {11, kDriving, kOnRoot, kScenery, 4,  14, 38, kBlendOpaque,   kMatte},                              // backdrop
    {12, kDriving, kOnRoot, kScenery, 5,  13, 37, kBlendOpaque,   kMatte},                              // trees
    {13, kDriving, kOnRoot, kScenery, 6,  12, 36, kBlendShadow,   kMatte},                              // trees' shadows
    {50, kDriving, kOnRoot, kScenery, 7,  20, 3,  kBlendOpaque,   kMatte | kHidden},                    // airship
    {19, kDriving, kOnRoot, kScenery, 8,  10, 35, kBlendOpaque,   kMatte},                              // pits
    {20, kDriving, kOnRoot, kScenery, 9,  9,  34, kBlendShadow,   kMatte},                              // pits' shadow
    {17, kDriving, kOnRoot, kScenery, 10, 8,  33, kBlendOpaque,   kMatte},                              // grandstand
    {18, kDriving, kOnRoot, kScenery, 11, 7,  32, kBlendShadow,   kMatte},                              // grandstand's shadow
    {42, kDriving, kOnRoot, kScenery, 12, 6,  31, kBlendOpaque,   kHidden},                             // night
    {46, kDriving, kOnRoot, kScenery, 13, 5,  30, kBlendAdditive, kHidden},                             // night glow
    {38, kDriving, kOnRoot, kSkyLast, 1,  16, 29, kBlendAdditive, kNoFlags,         Alpha(39, 1, 1)},   // sky
    {43, kDriving, kOnRoot, kScenery, 14, 4,  28, kBlendOpaque,   kMatte | kHidden},                    // spectators
    {45, kDriving, kOnRoot, kScenery, 15, 3,  27, kBlendOpaque,   kMatte | kHidden},                    // parked cars
    {8,  kDriving, kOnRoot, kScenery, 16, 2,  26, kBlendOpaque,   kMatte | kHidden, Opaque(15, 3, 2)},  // boards
    {26, kDriving, kOnRoot, kScenery, 17, 1,  25, kBlendOpaque,   kMatte | kHidden, Opaque(15, 2, 3)},  // gantry
    // The car: the body under the world root, its parts in drawing order, then those of one mode.
    {2,  kBoth,    kOnRoot,      kCarFirst, 1,  40, 23, kBlendOpaque,   kSkeleton},  // body
    {0,  kBoth,    kOnBody,      kCarFirst, 2,  39, 22, kBlendMultiply, kNoFlags},
    {1,  kBoth,    kOnBody,      kCarFirst, 3,  38, 21, kBlendMultiply, kNoFlags},
    {16, kBoth,    kOnBody,      kCarLate,  10, 37, 20, kBlendOpaque,   kSkeleton},
    {5,  kDriving, kOnBody,      kCarLate,  7,  36, 19, kBlendOpaque,   kNoFlags},   // chassis
    {7,  kDisplay, kOnBody,      kCarLate,  7,  36, 19, kBlendOpaque,   kNoFlags},   // chassis
    {40, kBoth,    kOnBody,      kCarFirst, 4,  35, 18, kBlendOpaque,   kNoFlags},
    {9,  kBoth,    kOnBody,      kCarFirst, 5,  21, 17, kBlendOpaque,   kNoFlags,  Opaque(10, 1, 6)},
    {34, kBoth,    kOnBody,      kCarFirst, 6,  22, 16, kBlendOpaque,   kNoFlags,  Opaque(10, 2, 7)},
    {21, kBoth,    kOnBody,      kCarLate,  11, 25, 15, kBlendOpaque,   kSkeleton, {},               kLeftDoorHinge},
    {23, kBoth,    kOnLeftDoor,  kCarLate,  12, 24, 14, kBlendOpaque,   kSkeleton},
    {22, kBoth,    kOnLeftDoor,  kCarLate,  13, 23, 13, kBlendMultiply, kNoFlags},
    {27, kBoth,    kOnBody,      kCarLate,  14, 28, 12, kBlendOpaque,   kSkeleton, {},               kRightDoorHinge},
    {29, kBoth,    kOnRightDoor, kCarLate,  15, 27, 11, kBlendOpaque,   kSkeleton},
    {28, kBoth,    kOnRightDoor, kCarLate,  16, 26, 10, kBlendMultiply, kNoFlags},
    {3,  kBoth,    kOnBody,      kCarLate,  17, 34, 9,  kBlendOpaque,   kSkeleton, {},               kBonnetHinge},
    {30, kBoth,    kOnBody,      kCarLate,  18, 33, 8,  kBlendOpaque,   kSkeleton, {},               kTrunkLidHinge},
    {31, kBoth,    kOnTrunkLid,  kCarLate,  19, 32, 7,  kBlendMultiply, kNoFlags},
    {24, kBoth,    kOnChassis,   kCarLate,  20, 29, 4,  kBlendOpaque,   kNoFlags,  {},               kFrontLeftAxle},
    {36, kBoth,    kOnChassis,   kCarLate,  21, 30, 5,  kBlendOpaque,   kNoFlags,  {},               kFrontRightAxle},
    {25, kBoth,    kOnChassis,   kCarLate,  22, 31, 6,  kBlendOpaque,   kNoFlags,  {},               kRearAxle},
    {37, kDriving, kOnBody,      kCarLate,  9,  19, 2,  kBlendShadow,   kMatte},     // shadow
    {6,  kDriving, kOnBody,      kCarLate,  8,  18, 1,  kBlendOpaque,   kMatte},
    {4,  kDisplay, kOnBonnet,    kCarLate,  8,  19, 2,  kBlendOpaque,   kSkeleton},  // bonnet lining
    {32, kDisplay, kOnTrunkLid,  kCarLate,  9,  18, 1,  kBlendOpaque,   kSkeleton},  // trunk lid lining
};
// clang-format on

bool IsScenery(const Part& p) { return p.mesh == kScenery || p.mesh == kSkyLast; }
bool IsCar(const Part& p) { return !IsScenery(p); }
bool HasPicture(const Part& p) { return p.picture.file != kNone; }
auto InStep(MeshStep step) {
  return [step](const Part& p) { return p.mesh == step; };
}
bool IsSky(const Part& p) { return p.mesh == kSkyLast; }
bool AnyPart(const Part&) { return true; }
bool FreedBeforeTopLight(const Part& p) { return p.frameRelease < kTopLightFrameRelease; }
bool FreedAfterTopLight(const Part& p) { return p.frameRelease > kTopLightFrameRelease; }

int TableOrder(const Part&) { return 0; }
int MeshOrder(const Part& p) { return p.meshOrder; }
int MeshRelease(const Part& p) { return p.meshRelease; }
int FrameRelease(const Part& p) { return p.frameRelease; }
int PictureLoad(const Part& p) { return p.picture.load; }
int PictureRelease(const Part& p) { return p.picture.release; }

bool InMode(const Part& p, RunMode mode) {
  switch (p.modes) {
    case kDisplay: return mode == RunMode::kDisplay;
    case kDriving: return mode == RunMode::kDriving;
    case kBoth: break;
  }
  return true;
}

const Part& RowOf(int file) {
  for (const Part& p : kParts)
    if (p.file == file) return p;
  return kParts[0];  // every caller passes a file from the table
}

// The rows of `mode` that pass `want`, in the order of `key` (table order where it ties).
template <typename Want, typename Key>
std::vector<const Part*> Rows(RunMode mode, Want want, Key key) {
  std::vector<const Part*> rows;
  for (const Part& p : kParts)
    if (InMode(p, mode) && want(p)) rows.push_back(&p);
  std::stable_sort(rows.begin(), rows.end(), [&](const Part* a, const Part* b) { return key(*a) < key(*b); });
  return rows;
}

// The data files of those rows, in that order.
template <typename Want, typename Key>
std::vector<int> Files(RunMode mode, Want want, Key key) {
  std::vector<int> files;
  for (const Part* p : Rows(mode, want, key)) files.push_back(p->file);
  return files;
}

// The data file of a parent part; kNone for the world root.
int ParentFile(Parent parent, RunMode mode) {
  switch (parent) {
    case kOnRoot: break;
    case kOnBody: return kBody;
    case kOnChassis: return mode == RunMode::kDriving ? kDrivingChassis : kDisplayChassis;
    case kOnLeftDoor: return kLeftDoor;
    case kOnRightDoor: return kRightDoor;
    case kOnBonnet: return kBonnet;
    case kOnTrunkLid: return kTrunkLid;
  }
  return kNone;
}

std::size_t Slot(int n) { return static_cast<std::size_t>(n); }
sx::Vec3 V(float x, float y, float z) { return sx::Vec3Make(x, y, z); }

// The matrix that sets every y to 0 (the planar shadows).
constexpr sx::Mat4 kFlatten = {{{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

}  // namespace

const std::array<int, 18>& SceneryFiles() {
  static const std::array<int, 18> files = [] {
    std::array<int, 18> f{};
    std::size_t i = 0;
    for (const Part& p : kParts)
      if (IsScenery(p)) f.at(i++) = p.file;
    return f;
  }();
  return files;
}

const std::vector<D3DFORMAT>& DepthFormats() {
  static const std::vector<D3DFORMAT> f = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D32};
  return f;
}
const std::vector<D3DFORMAT>& OpaqueFormats() {
  static const std::vector<D3DFORMAT> f = {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
  return f;
}
const std::vector<D3DFORMAT>& AlphaFormats() {
  static const std::vector<D3DFORMAT> f = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
  return f;
}

std::string DataFilePath(const std::string& folder, int n) { return folder + "crmd_" + std::to_string(n); }

std::array<sx::SpriteVertex, 4> ScreenQuad(float w, float h, float umax, float vmax, std::uint32_t colour) {
  return {sx::MakeSpriteVertex(0, 0, colour, 0, 0), sx::MakeSpriteVertex(w, 0, colour, umax, 0),
          sx::MakeSpriteVertex(0, h, colour, 0, vmax), sx::MakeSpriteVertex(w, h, colour, umax, vmax)};
}

std::uint32_t ClearColour(RunMode runMode, bool skeletonOn) {
  if (runMode == RunMode::kDriving) return kSky;
  return skeletonOn ? kWhite : kBlack;
}

std::unique_ptr<SaverRun> CreateSaverScene(platform::Form& form, platform::System& system) {
  return std::make_unique<CarScene>(form, system);
}

CarScene::CarScene(platform::Form& form, platform::System& system, dg::TDGDirect3DFactory direct3D)
    : system_(system), window_(form) {
  // The window's device component with its design-time options, initialised as the window loads.
  dg_ = std::make_unique<dg::TDGCarad>(window_, direct3D);
  dg_->SetUseREFDevice(false);
  dg_->SetUseSoftwareVertexProcessing(false);
  dg_->SetDebugOption(dg::dgoHaltOnError | dg::dgoDetailedLog);
  dg_->Initialize();
}

CarScene::~CarScene() {
  Shutdown();
  dg_.reset();  // Direct3D goes last
}

sx::TSXFrame* CarScene::CarFrame() const { return PartFrame(kBody); }

sx::TSXFrame* CarScene::ChassisFrame() const { return PartFrame(ParentFile(kOnChassis, state.runMode)); }

sx::TSXFrame* CarScene::HingeFrame(Hinge hinge) const {
  switch (hinge) {
    case Hinge::Bonnet: return PartFrame(kBonnet);
    case Hinge::TrunkLid: return PartFrame(kTrunkLid);
    case Hinge::RightDoor: return PartFrame(kRightDoor);
    case Hinge::LeftDoor: return PartFrame(kLeftDoor);
  }
  return nullptr;
}

sx::TSXFrame* CarScene::WheelFrame(Wheel wheel) const {
  switch (wheel) {
    case Wheel::FrontLeft: return PartFrame(kWheelFrontLeft);
    case Wheel::FrontRight: return PartFrame(kWheelFrontRight);
    case Wheel::Rear: break;
  }
  return PartFrame(kWheelRear);
}

sx::TSXFrame* CarScene::CarShadowFrame() const { return PartFrame(kShadow); }

sx::TSXFrame* CarScene::NewFrame(int n, sx::TSXFrame* parent) {
  frames_[Slot(n)] = std::make_unique<sx::TSXFrame>(parent);
  return PartFrame(n);
}

void CarScene::NewMesh(int n) { meshes_[Slot(n)] = std::make_unique<sx::TSXMesh>(*dg_, "", ""); }

void CarScene::LoadMesh(int n) {
  if (!state.dataMissing) Mesh(n)->LoadFromFile(DataFilePath(state.dataFolder, n), "");
}

dg::TDGTexture* CarScene::NewTexture(const std::vector<D3DFORMAT>& formats) {
  auto* t = new dg::TDGTexture(*dg_, formats, 0, D3DPOOL_MANAGED, 0, "");
  t->SetFillColor(0);
  return t;
}

void CarScene::SetUp(const SetupInput& in) {
  if (setUp_) return;
  setUp_ = true;
  RunState& s = state;
  TakeInput(in);
  // The automatic mode draws display mode five times in nine.
  s.runMode = DrawRunMode(in.runMode, s.random, Now());
  SetUpDevice();
  if (Driving()) {
    s.driving = DrivingState();
    s.driving.roadside = BuildRoadside(s.random, Now());
    BuildFrames(true);
  }
  lightFrameTop_ = std::make_unique<sx::TSXFrame>(RootFrame());
  BuildFrames(false);
  PlaceAtStart();
  LoadCar();
  SetUpLights();
  s.lastFrameTime = Now();
  s.phaseStartTime = Now();
  SetUpOverlay();
  if (Driving()) LoadSky();
  s.splashDuration = s.dataMissing ? kSplashMissingDataMs : kSplashMs;
}

void CarScene::TakeInput(const SetupInput& in) {
  RunState& s = state;
  s.dataMissing = in.dataMissing;
  s.isPreview = in.isPreview;
  s.dataFolder = in.dataFolder;
  s.frameInterval = in.frameInterval;
  s.carPos = in.carPos;
  s.shadowBlend = in.shadowBlend;
  s.overlayOn = in.overlayOn;
  s.overlayFont = in.overlayFont;
  OverlayState& o = s.overlay;
  o.notice = in.dataMissing;
  o.preview = in.isPreview;
  o.lines = ClampOverlayLines(in.overlayLines);  // five line buffers, whatever was stored
  o.colour = in.overlayColour;
  o.noticeText = in.overlayText;
  o.charPos = o.bytePos = 1;
  o.overlayLine = 0;
  // The overlay's first switches: a preview with the data present shows neither title nor overlay.
  s.splashDone = false;
  if (s.overlayOn && s.isPreview && !s.dataMissing) {
    s.overlayOn = false;
    s.splashDone = true;
  }
}

// The device on the window's size, the scene (all debug options with the data present), its
// projection and viewport, the world root and the camera.
void CarScene::SetUpDevice() {
  const UINT width = static_cast<UINT>(window_.Width()), height = static_cast<UINT>(window_.Height());
  dg_->SetWindowMode(width, height, DepthFormats(), D3DPRESENT_INTERVAL_DEFAULT, D3DSWAPEFFECT_DISCARD,
                     D3DMULTISAMPLE_NONE, 0);
  scene_ = std::make_unique<sx::TSXScene>(*dg_, "");
  if (!state.dataMissing) dg_->SetDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage | dg::dgoDetailedLog);
  FitViewToWindow();
  rootFrame_ = std::make_unique<sx::TSXFrame>(nullptr);
  cameraFrame_ = std::make_unique<sx::TSXFrame>(RootFrame());
  scene_->SetCamera(CameraFrame());
}

// The start of the run's mode: the car and the camera placed, the camera turned to the car, in
// driving mode the shadows flattened and the car's under the car.
void CarScene::PlaceAtStart() {
  RunState& s = state;
  if (Driving()) {
    s.carPos = V(kCarTrackX, kCarY, kFirstPassZ);
    s.cameraPos = V(4.0f, 1.2f, 0.0f);
    s.driving.cameraSweep = 0.0f;
    s.display = DisplayState();
  } else {
    s.cameraPos = V(0, 0, 0);
  }
  sx::TSXFrame* root = RootFrame();
  sx::TSXFrame* camera = CameraFrame();
  sx::TSXFrame* car = CarFrame();
  camera->SetPosition(root, s.cameraPos);
  camera->SetOrientation(root, V(0, 0, 1), V(0, 1, 0));
  car->SetPosition(root, s.carPos);
  car->SetOrientation(root, V(0, 0, 1), V(0, 1, 0));
  camera->LookAt(car, V(0, 0, 0), 0, root);
  if (!Driving()) return;
  sx::TSXFrame* shadow = CarShadowFrame();
  shadow->SetTransform(shadow, kFlatten);
  shadow->SetPosition(car, V(0.0f, -0.319f, 0.0f));
  for (int n : Files(
           s.runMode, [](const Part& p) { return IsScenery(p) && p.blend == kBlendShadow; }, TableOrder))
    PartFrame(n)->SetTransform(PartFrame(n), kFlatten);
}

void CarScene::BuildFrames(bool scenery) {
  const scene::RunMode mode = state.runMode;
  for (const Part* p : Rows(
           mode, [scenery](const Part& r) { return IsScenery(r) == scenery; }, TableOrder)) {
    const int parentFile = ParentFile(p->parent, mode);
    sx::TSXFrame* parent = parentFile == kNone ? RootFrame() : PartFrame(parentFile);
    sx::TSXFrame* frame = NewFrame(p->file, parent);
    if (p->pivot) frame->SetPosition(parent, *p->pivot);
  }
}

// The car's meshes, all created before the first loads, then (after the title image) the
// billboards' pictures; in driving mode the scenery loads amid the car.
void CarScene::LoadCar() {
  const scene::RunMode mode = state.runMode;
  const std::vector<int> car = Files(mode, IsCar, MeshOrder);
  for (int n : car) NewMesh(n);
  for (int n : Files(mode, InStep(kCarFirst), MeshOrder)) LoadMesh(n);
  if (Driving()) LoadScenery();
  for (int n : Files(mode, InStep(kCarLate), MeshOrder)) LoadMesh(n);
  AttachParts(car);
  AddPictures(car);
  titleTexture_.reset(NewTexture(AlphaFormats()));
  if (!state.dataMissing) titleTexture_->LoadFromFile(DataFilePath(state.dataFolder, kTitlePicture));
  if (Driving()) LoadBillboards();
}

void CarScene::LoadScenery() { LoadEachMesh(Files(state.runMode, InStep(kScenery), MeshOrder)); }

// With a file missing nothing is loaded, the sky's picture included (it may be the missing one).
void CarScene::LoadSky() { LoadEachMesh(Files(state.runMode, InStep(kSkyLast), MeshOrder)); }

void CarScene::LoadEachMesh(const std::vector<int>& files) {
  for (int n : files) {
    NewMesh(n);
    LoadMesh(n);
  }
  AddPictures(files);
  AttachParts(files);
}

void CarScene::AddPictures(const std::vector<int>& files) {
  std::vector<const Part*> rows;
  for (const Part& p : kParts)
    if (HasPicture(p) && std::find(files.begin(), files.end(), p.file) != files.end()) rows.push_back(&p);
  for (const Part* p : rows) {
    textures_[Slot(p->file)].reset(NewTexture(p->picture.formats()));
    PartFrame(p->file)->SetTexture(PartTexture(p->file));
  }
  if (state.dataMissing) return;
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Part* a, const Part* b) { return PictureLoad(*a) < PictureLoad(*b); });
  for (const Part* p : rows) PartTexture(p->file)->LoadFromFile(DataFilePath(state.dataFolder, p->picture.file));
}

void CarScene::AttachParts(const std::vector<int>& files) {
  const std::int32_t shadowBlend = state.shadowBlend ? kBlendMultiply : kBlendOpaque;
  for (int n : files) {
    const Part& p = RowOf(n);
    sx::TSXFrame* frame = PartFrame(n);
    frame->Mesh = Mesh(n);
    frame->BlendModeIndex = p.blend == kBlendShadow ? shadowBlend : p.blend;
    frame->Specular = (p.flags & kMatte) == 0;
    if (p.flags & kHidden) frame->Visibility = sx::kHidden;
  }
}

void CarScene::LoadBillboards() {
  std::array<float, kBillboardKinds> uMax{}, vMax{};
  for (int k = 0; k < kBillboardKinds; ++k) {
    std::unique_ptr<dg::TDGTexture>& t = billboardTextures_[static_cast<std::size_t>(k)];
    t.reset(NewTexture(AlphaFormats()));
    if (!state.dataMissing) t->LoadFromFile(DataFilePath(state.dataFolder, kFirstBillboardPicture + k));
    uMax[static_cast<std::size_t>(k)] = t->UMax();
    vMax[static_cast<std::size_t>(k)] = t->VMax();
  }
  billboardQuads_ = BillboardQuads(uMax, vMax);
}

dg::TDGTexture* CarScene::BillboardTexture(int kind) const {
  if (kind < 0 || kind >= kBillboardKinds) return nullptr;
  return billboardTextures_[static_cast<std::size_t>(kind)].get();
}

// The text writer, the data sheet, the line textures and the place of the block.
void CarScene::SetUpOverlay() {
  RunState& s = state;
  overlay_ = std::make_unique<OverlayTextures>(*dg_, *scene_, s.overlayFont);
  if (!s.dataMissing) s.overlay.spec = ReadLines(s.dataFolder + kSpecTextName);
  SetUpOverlayTexts(s.overlay, *overlay_, s.random, Now(), system_.ScreenSize());
}

void CarScene::SetUpLights() {
  sx::TSXFrame* root = RootFrame();
  sx::TSXFrame* car = CarFrame();
  lights_ = std::make_unique<sx::TSXLightGroup>(*dg_, "", 4);
  lightFrameA_ = std::make_unique<sx::TSXFrame>(car);
  lightFrameB_ = std::make_unique<sx::TSXFrame>(car);
  lightFrameA_->SetPosition(car, V(5, 10, 5));
  lightFrameB_->SetPosition(car, V(-5, -10, -5));
  lightFrameA_->LookAt(car, V(0, 0, 0), 0, root);
  lightFrameB_->LookAt(car, V(0, 0, 0), 0, root);
  lightFrameTop_->SetPosition(root, V(-50, 1000, -50));
  // The top light looks at the car, in driving mode at the ground.
  lightFrameTop_->LookAt(Driving() ? GroundFrame() : car, V(0, 0, 0), 0, root);

  sx::TSXLight* top = lights_->Lights(2);
  top->SetAmbient(0.03f, 0.03f, 0.03f);
  top->SetSpecular(0.2f, 0.2f, 0.3f);
  top->SetFromFrame(LightFrameTop());
  top->SetEnabled(true);
  sx::TSXLight* a = lights_->Lights(0);
  a->SetSpecular(0.2f, 0.2f, 0.3f);
  a->SetEnabled(true);
  a->SetFromFrame(LightFrameA());
  sx::TSXLight* b = lights_->Lights(1);
  b->SetEnabled(true);
  b->SetFromFrame(LightFrameB());
}

std::vector<sx::TSXFrame*> CarScene::SkeletonSet() const {
  std::vector<sx::TSXFrame*> set;
  for (const Part& p : kParts)
    if (p.flags & kSkeleton)
      if (sx::TSXFrame* f = PartFrame(p.file)) set.push_back(f);
  return set;
}

void CarScene::OrientHinge(Hinge hinge, const sx::Vec3& direction, const sx::Vec3& up) {
  if (sx::TSXFrame* f = HingeFrame(hinge)) f->SetOrientation(CarFrame(), direction, up);
}

void CarScene::SetSkeletonBlend(std::int32_t blendModeIndex) {
  for (sx::TSXFrame* f : SkeletonSet()) f->BlendModeIndex = blendModeIndex;
}

void CarScene::OrientCar(const sx::Vec3& direction, const sx::Vec3& up) {
  CarFrame()->SetOrientation(RootFrame(), direction, up);
}

void CarScene::QueueBillboard(std::int32_t kind, int quad, const sx::Vec3& position) {
  if (kind < 0 || kind >= kBillboardKinds || quad < 0 || quad >= kBillboardQuads) return;
  scene_->AddSprite(GroundFrame(), position, billboardQuads_[static_cast<std::size_t>(quad)].data(),
                    BillboardTexture(kind), kBlendAlpha, true, true, false);
}

void CarScene::TurnWheel(Wheel wheel, const sx::Vec3& direction, const sx::Vec3& up) {
  sx::TSXFrame* f = WheelFrame(wheel);
  f->SetOrientation(f, direction, up);
}

void CarScene::PlaceCar(const sx::Vec3& carPos) { CarFrame()->SetPosition(RootFrame(), carPos); }

bool CarScene::Shown(int file) const {
  const sx::TSXFrame* f = file >= 0 && file < kDataFileSlots ? PartFrame(file) : nullptr;
  return f && f->Visibility == sx::kVisible;
}

void CarScene::Show(int file, bool shown) {
  sx::TSXFrame* f = file >= 0 && file < kDataFileSlots ? PartFrame(file) : nullptr;
  if (f) f->Visibility = shown ? sx::kVisible : sx::kHidden;
}

void CarScene::SetPartBlend(std::int32_t blendModeIndex) { PartFrame(0)->BlendModeIndex = blendModeIndex; }

void CarScene::SetTopLightEnabled(bool enabled) { lights_->Lights(2)->SetEnabled(enabled); }

void CarScene::SetTopLightAmbient(float grey) { lights_->Lights(2)->SetAmbient(grey, grey, grey); }

bool CarScene::ForceDeviceLoss() {
  if (!setUp_ || shutDown_) return false;
  return platform::ForceDeviceLoss(dg_->Device());
}

bool CarScene::FailResets(std::uint32_t count) {
  if (!setUp_ || shutDown_) return false;
  return resetFailure_.Start(dg_->Device(), count);
}

void CarScene::FormKeyDown(std::uint16_t key) {
  if (!setUp_ || shutDown_ || state.runMode != RunMode::kDisplay) return;
  DisplayKeyDown(state.display, state.carPos, key, Now(), *this);
}

// The title image in the middle of the screen while its phase lasts.
void CarScene::QueueTitle() {
  dg::TDGTexture* title = titleTexture_.get();
  const float w = static_cast<float>(title->Width()), h = static_cast<float>(title->Height());
  const platform::Size screen = system_.ScreenSize();
  const int x = (screen.width - static_cast<int>(title->Width())) / 2;
  const int y = (screen.height - static_cast<int>(title->Height())) / 2;
  const std::array<sx::SpriteVertex, 4> quad = ScreenQuad(w, h, title->UMax(), title->VMax(), kTitleColour);
  scene_->AddScreenSprite(sx::Vec2Make(static_cast<float>(x), static_cast<float>(y)), quad.data(), title, kBlendAlpha,
                          false, false, 0.0f);
}

bool CarScene::Idle(FrameHooks& hooks) {
  if (!setUp_ || shutDown_) return false;
  RunState& s = state;
  // Frames are paced on the elapsed time.
  if (Now() - s.lastFrameTime < static_cast<std::uint32_t>(s.frameInterval > 0 ? s.frameInterval : 0)) return false;
  hooks.FrameDue();
  s.lastFrameTime = Now();
  // Draw only on a working device; reset one that waits for it.
  IDirect3DDevice9* device = dg_->Device();
  const HRESULT level = device ? device->TestCooperativeLevel() : D3DERR_DEVICELOST;
  if (level == D3DERR_DEVICENOTRESET) {
    // A reset that fails is logged by DG; the device still waits and a later frame tries again.
    resetFailure_.BeforeReset();
    dg_->ResetDevice();
  } else if (level == D3D_OK) {
    if (Now() - s.phaseStartTime < s.splashDuration && !s.splashDone && titleTexture_) QueueTitle();
    if (Now() - s.phaseStartTime >= s.splashDuration && !s.splashDone) s.splashDone = true;
    if (s.splashDone && s.overlayOn && overlay_)
      OverlayStep(s.overlay, s.phaseStartTime, Now(), s.random, system_.ScreenSize(), *overlay_);
    // The clears (black over everything with data missing), the scene, the present.
    device->BeginScene();
    const DWORD flags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    scene_->Clear(flags, ClearColour(s.runMode, s.display.skeletonOn), 1.0f, 0);
    if (s.dataMissing) scene_->Clear(flags, kBlack, 1.0f, 0);
    scene_->Render(RootFrame());
    device->EndScene();
    hooks.BeforePresent(device);
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  // Billboards queued by the last step were meant for this frame: while nothing is drawn they
  // would pile up by 80 a frame, so they go.
  if (level != D3D_OK) scene_->DropQueued();
  // One step of the run's mode, then the car at its position and the camera turned to it; with
  // data missing nothing moves.
  if (!s.dataMissing) {
    if (s.runMode == RunMode::kDisplay) {
      DisplayStep(s.display, Now(), *this);
    } else {
      DrivingStep(s.driving, s.carPos, s.cameraPos, s.random, Now(), *this);
    }
    CarFrame()->SetPosition(RootFrame(), s.carPos);
    CameraFrame()->SetPosition(RootFrame(), s.cameraPos);
    CameraFrame()->LookAt(CarFrame(), V(0, 0, 0), 0, RootFrame());
  }
  hooks.FrameDone();
  return true;
}

void CarScene::FitViewToWindow() {
  const int cw = window_.ClientWidth(), ch = window_.ClientHeight();
  if (cw <= 0 || ch <= 0) return;
  scene_->SetProjection(1.5707964f, static_cast<float>(ch) / static_cast<float>(cw), 0.01f, 10000.0f);
  scene_->SetViewport(0, 0, static_cast<std::uint32_t>(cw), static_cast<std::uint32_t>(ch));
}

void CarScene::Resize(int width, int height) {
  if (!setUp_ || shutDown_ || !scene_ || width <= 0 || height <= 0) return;
  dg_->ResizeBackBuffer(static_cast<UINT>(width), static_cast<UINT>(height));
  FitViewToWindow();
}

void CarScene::FreeFrame(int n) { frames_[Slot(n)].reset(); }
void CarScene::FreeMesh(int n) { meshes_[Slot(n)].reset(); }

void CarScene::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  resetFailure_.Release();  // a reset still being refused must not keep the device alive
  if (!setUp_) return;
  const scene::RunMode mode = state.runMode;
  // The viewpoint has been written by the window. The sky's picture goes first, then the overlay's
  // line textures, its longest line's and its text writer.
  for (const Part* p : Rows(
           mode, [](const Part& r) { return HasPicture(r) && IsSky(r); }, PictureRelease))
    textures_[Slot(p->file)].reset();
  overlay_.reset();
  // The light frames, then the lights; the billboards' pictures, the title's, the other parts'.
  lightFrameB_.reset();
  lightFrameA_.reset();
  lights_.reset();
  for (std::unique_ptr<dg::TDGTexture>& t : billboardTextures_) t.reset();
  titleTexture_.reset();
  for (const Part* p : Rows(
           mode, [](const Part& r) { return HasPicture(r) && !IsSky(r); }, PictureRelease))
    textures_[Slot(p->file)].reset();
  for (int n : Files(mode, AnyPart, MeshRelease)) FreeMesh(n);
  // The frames, children before parents; the top light's amid them, the camera and the root last.
  for (int n : Files(mode, FreedBeforeTopLight, FrameRelease)) FreeFrame(n);
  lightFrameTop_.reset();
  for (int n : Files(mode, FreedAfterTopLight, FrameRelease)) FreeFrame(n);
  cameraFrame_.reset();
  rootFrame_.reset();
  scene_.reset();
  // The device component goes with this object.
}

}  // namespace scene
