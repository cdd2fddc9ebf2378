#include "scene/car_scene.h"

#include <utility>

#include "dg/diagnostics.h"
#include "platform/device_loss.h"

namespace scene {
namespace {

// Parts of the car, by data file, in the order they are created under their parent.
constexpr int kBody = 2, kBonnet = 3, kTrunkLid = 30, kLeftDoor = 21, kRightDoor = 27;
constexpr int kDisplayChassis = 7, kDrivingChassis = 5, kShadow = 37, kDrivingPart = 6;
constexpr int kWheelFrontLeft = 24, kWheelFrontRight = 36, kWheelRear = 25;
constexpr int kBonnetInner = 4, kTrunkInner = 32;
constexpr int kTitlePicture = 41, kPartPicture = 10;
constexpr int kSceneryPicture = 15, kSkyPicture = 39, kFirstBillboardPicture = 47;
constexpr std::int32_t kBillboardBlend = 2;  // alpha blending

sx::Vec3 V(float x, float y, float z) { return sx::Vec3Make(x, y, z); }

// The matrix that sets every y to 0 (the planar shadows).
constexpr sx::Mat4 kFlatten = {{{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

}  // namespace

const std::array<int, 18>& SceneryFiles() {
  namespace n = scenery;
  static const std::array<int, 18> files = {
      n::kGround,           n::kRoad,    n::kWalls,     n::kBackdrop,  n::kTrees,
      n::kTreeShadows,      n::kAirship, n::kPits,      n::kPitShadow, n::kGrandstand,
      n::kGrandstandShadow, n::kNight,   n::kNightGlow, n::kSky,       n::kSpectators,
      n::kParked,           n::kBoards,  n::kGantry};
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

std::uint32_t ClearColour(std::int32_t runMode, bool skeletonOn) {
  if (runMode == 1) return kSky;
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

sx::TSXFrame* CarScene::NewFrame(int n, sx::TSXFrame* parent) {
  frames_[static_cast<std::size_t>(n)] = std::make_unique<sx::TSXFrame>(parent);
  return PartFrame(n);
}

void CarScene::NewMesh(int n) { meshes_[static_cast<std::size_t>(n)] = std::make_unique<sx::TSXMesh>(*dg_, "", ""); }

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

  // 1. The automatic mode draws display mode five times in nine.
  s.runMode = DrawRunMode(in.runMode, s.random, Now());

  // 2. The device on the window's size.
  const UINT width = static_cast<UINT>(window_.Width()), height = static_cast<UINT>(window_.Height());
  dg_->SetWindowMode(width, height, DepthFormats(), D3DPRESENT_INTERVAL_DEFAULT, D3DSWAPEFFECT_DISCARD,
                     D3DMULTISAMPLE_NONE, 0);

  // 3. The scene; all debug options with the data present.
  scene_ = std::make_unique<sx::TSXScene>(*dg_, "");
  scene = scene_.get();
  if (!s.dataMissing) dg_->SetDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage | dg::dgoDetailedLog);

  // 4. Projection (aspect = height / width) and viewport of the client area.
  FitViewToWindow();

  // 5. World root and camera.
  rootFrame_ = std::make_unique<sx::TSXFrame>(nullptr);
  rootFrame = rootFrame_.get();
  cameraFrame_ = std::make_unique<sx::TSXFrame>(rootFrame);
  cameraFrame = cameraFrame_.get();
  scene->SetCamera(cameraFrame);

  // 6. Driving mode: the roadside layout and the scenery frames.
  if (s.runMode == 1) {
    s.driving = DrivingState();
    s.driving.roadside = BuildRoadside(s.random, Now());
    BuildSceneryFrames();
  }

  // 7.
  lightFrameTop_ = std::make_unique<sx::TSXFrame>(rootFrame);
  lightFrameTop = lightFrameTop_.get();

  // 8. The car's frames and pivots; the start of each mode.
  BuildCarFrames();
  if (s.runMode == 1) {
    s.carPos = V(4.0f, 0.32f, 50.0f);
    s.cameraPos = V(4.0f, 1.2f, 0.0f);
    s.driving.cameraSweep = 0.0f;
    s.display = DisplayState();
  } else {
    s.cameraPos = V(0, 0, 0);
  }

  // 9. Camera and car placed, the camera turned to the car.
  cameraFrame->SetPosition(rootFrame, s.cameraPos);
  cameraFrame->SetOrientation(rootFrame, V(0, 0, 1), V(0, 1, 0));
  carFrame->SetPosition(rootFrame, s.carPos);
  carFrame->SetOrientation(rootFrame, V(0, 0, 1), V(0, 1, 0));
  cameraFrame->LookAt(carFrame, V(0, 0, 0), 0, rootFrame);
  if (s.runMode == 1) {
    carShadowFrame->SetTransform(carShadowFrame, kFlatten);
    carShadowFrame->SetPosition(carFrame, V(0.0f, -0.319f, 0.0f));
    for (int n : {scenery::kTreeShadows, scenery::kPitShadow, scenery::kGrandstandShadow})
      PartFrame(n)->SetTransform(PartFrame(n), kFlatten);
  }

  // 10. Meshes and textures, the title image.
  LoadCar();

  // 11. The four lights.
  SetUpLights();

  // 12. The clocks.
  s.lastFrameTime = Now();
  s.phaseStartTime = Now();

  // 13. The text writer, the specification text, the line textures and the place of the block.
  SetUpOverlay();

  // 14. Driving mode: the sky with its picture.
  if (s.runMode == 1) LoadSky();

  // 15.
  s.splashDuration = s.dataMissing ? kSplashMissingDataMs : kSplashMs;
}

void CarScene::BuildCarFrames() {
  const bool driving = state.runMode == 1;
  // 1, 2: the body and its parts, in drawing order.
  carFrame = NewFrame(kBody, rootFrame);
  NewFrame(0, carFrame);
  NewFrame(1, carFrame);
  NewFrame(16, carFrame);
  chassisFrame = NewFrame(driving ? kDrivingChassis : kDisplayChassis, carFrame);
  NewFrame(40, carFrame);
  NewFrame(9, carFrame);
  NewFrame(34, carFrame);
  leftDoorFrame = NewFrame(kLeftDoor, carFrame);
  NewFrame(23, leftDoorFrame);
  NewFrame(22, leftDoorFrame);
  rightDoorFrame = NewFrame(kRightDoor, carFrame);
  NewFrame(29, rightDoorFrame);
  NewFrame(28, rightDoorFrame);
  bonnetFrame = NewFrame(kBonnet, carFrame);
  trunkLidFrame = NewFrame(kTrunkLid, carFrame);
  NewFrame(31, trunkLidFrame);
  // 3: the wheels under the chassis.
  wheelFrontLeftFrame = NewFrame(kWheelFrontLeft, chassisFrame);
  wheelFrontRightFrame = NewFrame(kWheelFrontRight, chassisFrame);
  wheelRearFrame = NewFrame(kWheelRear, chassisFrame);
  // 4: the pivots.
  bonnetFrame->SetPosition(carFrame, V(0.0f, 0.2548f, -0.3753f));
  leftDoorFrame->SetPosition(carFrame, V(0.53992f, 0.0f, -0.24084f));
  rightDoorFrame->SetPosition(carFrame, V(-0.53992f, 0.0f, -0.24084f));
  trunkLidFrame->SetPosition(carFrame, V(0.0f, 0.3f, 0.8697f));
  wheelFrontLeftFrame->SetPosition(chassisFrame, V(0.53015f, -0.09867f, -0.91109f));
  wheelFrontRightFrame->SetPosition(chassisFrame, V(-0.53015f, -0.09867f, -0.91109f));
  wheelRearFrame->SetPosition(chassisFrame, V(0.0f, -0.09867f, 0.82547f));
  // 5: the parts of one mode.
  if (driving) {
    carShadowFrame = NewFrame(kShadow, carFrame);
    NewFrame(kDrivingPart, carFrame);
  } else {
    NewFrame(kBonnetInner, bonnetFrame);
    NewFrame(kTrunkInner, trunkLidFrame);
  }
}

void CarScene::LoadCar() {
  const bool driving = state.runMode == 1;
  // 1, 2: the meshes of the mode, loaded in their order unless data is missing.
  const std::vector<int> first = {kBody, 0, 1, 40, 9, 34};
  const std::vector<int> modeMeshes = driving ? std::vector<int>{kDrivingChassis, kDrivingPart, kShadow}
                                              : std::vector<int>{kDisplayChassis, kBonnetInner, kTrunkInner};
  const std::vector<int> rest = {16, 21, 23, 22, 27, 29, 28, 3, 30, 31, 24, 36, 25};
  for (const std::vector<int>* list : {&first, &modeMeshes, &rest})
    for (int n : *list) NewMesh(n);
  for (int n : first) LoadMesh(n);
  if (driving) LoadScenery();
  for (int n : modeMeshes) LoadMesh(n);
  for (int n : rest) LoadMesh(n);

  // 3: meshes on their frames, the blend modes of the table, Specular off where it belongs.
  for (const std::vector<int>* list : {&first, &modeMeshes, &rest})
    for (int n : *list) PartFrame(n)->Mesh = Mesh(n);
  for (int n : {0, 1, 22, 28, 31}) PartFrame(n)->BlendModeIndex = 4;
  if (driving) {
    carShadowFrame->BlendModeIndex = state.shadowBlend ? 4 : 0;
    carShadowFrame->Specular = false;
    PartFrame(kDrivingPart)->Specular = false;
  }

  // 4: the two pictures of crmd_10, one texture object each.
  for (int n : {9, 34}) {
    textures_[static_cast<std::size_t>(n)].reset(NewTexture(OpaqueFormats()));
    PartFrame(n)->SetTexture(PartTexture(n));
  }
  if (!state.dataMissing)
    for (int n : {9, 34}) PartTexture(n)->LoadFromFile(DataFilePath(state.dataFolder, kPartPicture));

  // 5: the title image.
  titleTexture_.reset(NewTexture(AlphaFormats()));
  titleTexture = titleTexture_.get();
  if (!state.dataMissing) titleTexture->LoadFromFile(DataFilePath(state.dataFolder, kTitlePicture));
  if (driving) LoadBillboards();
}

void CarScene::BuildSceneryFrames() {
  for (int n : SceneryFiles()) NewFrame(n, rootFrame);
}

void CarScene::LoadScenery() {
  namespace n = scenery;
  // 3. The meshes (crmd_38 comes last of all, after the overlay).
  const std::vector<int> order = {n::kGround,           n::kRoad,    n::kWalls,     n::kBackdrop,   n::kTrees,
                                  n::kTreeShadows,      n::kAirship, n::kPits,      n::kPitShadow,  n::kGrandstand,
                                  n::kGrandstandShadow, n::kNight,   n::kNightGlow, n::kSpectators, n::kParked,
                                  n::kBoards,           n::kGantry};
  for (int f : order) {
    NewMesh(f);
    LoadMesh(f);
  }
  // 4. The flattened shadows.
  for (int f : {n::kTreeShadows, n::kPitShadow, n::kGrandstandShadow}) {
    PartFrame(f)->Mesh = Mesh(f);
    PartFrame(f)->BlendModeIndex = state.shadowBlend ? 4 : 0;
    PartFrame(f)->Specular = false;
  }
  // 5. Four texture objects of the one grass and tarmac picture.
  for (int f : {n::kGround, n::kRoad, n::kBoards, n::kGantry}) {
    textures_[static_cast<std::size_t>(f)].reset(NewTexture(OpaqueFormats()));
    PartFrame(f)->SetTexture(PartTexture(f));
  }
  if (!state.dataMissing)
    for (int f : {n::kGround, n::kGantry, n::kBoards, n::kRoad})
      PartTexture(f)->LoadFromFile(DataFilePath(state.dataFolder, kSceneryPicture));
  // 6. The other meshes; what shows at the start, the glow added, Specular only on the night pieces.
  for (int f : {n::kGround, n::kRoad, n::kWalls, n::kBackdrop, n::kTrees, n::kAirship, n::kPits, n::kGrandstand,
                n::kNight, n::kNightGlow, n::kSpectators, n::kParked, n::kBoards, n::kGantry})
    PartFrame(f)->Mesh = Mesh(f);
  for (int f : SceneryFiles()) {
    sx::TSXFrame* frame = PartFrame(f);
    frame->Specular = f == n::kNight || f == n::kNightGlow || f == n::kSky;
    if (f == n::kNightGlow) frame->BlendModeIndex = 1;
  }
  for (int f : {n::kAirship, n::kNight, n::kNightGlow, n::kSpectators, n::kParked, n::kBoards, n::kGantry})
    PartFrame(f)->Visibility = sx::kHidden;
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

void CarScene::LoadSky() {
  NewMesh(scenery::kSky);
  LoadMesh(scenery::kSky);
  std::unique_ptr<dg::TDGTexture>& t = textures_[scenery::kSky];
  t.reset(NewTexture(AlphaFormats()));
  // With a file missing nothing is loaded, this picture included (it may be the missing one).
  if (!state.dataMissing) t->LoadFromFile(DataFilePath(state.dataFolder, kSkyPicture));
  sx::TSXFrame* sky = PartFrame(scenery::kSky);
  sky->Mesh = Mesh(scenery::kSky);
  sky->SetTexture(t.get());
  sky->BlendModeIndex = 1;
}

dg::TDGTexture* CarScene::BillboardTexture(int kind) const {
  if (kind < 0 || kind >= kBillboardKinds) return nullptr;
  return billboardTextures_[static_cast<std::size_t>(kind)].get();
}

void CarScene::SetUpOverlay() {
  RunState& s = state;
  overlay_ = std::make_unique<OverlayTextures>(*dg_, *scene, s.overlayFont);
  if (!s.dataMissing) s.overlay.spec = ReadLines(s.dataFolder + kSpecTextName);
  SetUpOverlayTexts(s.overlay, *overlay_, s.random, Now(), system_.ScreenSize());
}

void CarScene::SetUpLights() {
  lights_ = std::make_unique<sx::TSXLightGroup>(*dg_, "", 4);
  lights = lights_.get();
  lightFrameA_ = std::make_unique<sx::TSXFrame>(carFrame);
  lightFrameA = lightFrameA_.get();
  lightFrameB_ = std::make_unique<sx::TSXFrame>(carFrame);
  lightFrameB = lightFrameB_.get();
  lightFrameA->SetPosition(carFrame, V(5, 10, 5));
  lightFrameB->SetPosition(carFrame, V(-5, -10, -5));
  lightFrameA->LookAt(carFrame, V(0, 0, 0), 0, rootFrame);
  lightFrameB->LookAt(carFrame, V(0, 0, 0), 0, rootFrame);
  lightFrameTop->SetPosition(rootFrame, V(-50, 1000, -50));
  // The top light looks at the car, in driving mode at the ground.
  lightFrameTop->LookAt(state.runMode == 1 ? GroundFrame() : carFrame, V(0, 0, 0), 0, rootFrame);

  sx::TSXLight* top = lights->Lights(2);
  top->SetAmbient(0.03f, 0.03f, 0.03f);
  top->SetSpecular(0.2f, 0.2f, 0.3f);
  top->SetFromFrame(lightFrameTop);
  top->SetEnabled(true);
  sx::TSXLight* a = lights->Lights(0);
  a->SetSpecular(0.2f, 0.2f, 0.3f);
  a->SetEnabled(true);
  a->SetFromFrame(lightFrameA);
  sx::TSXLight* b = lights->Lights(1);
  b->SetEnabled(true);
  b->SetFromFrame(lightFrameB);
}

std::vector<sx::TSXFrame*> CarScene::SkeletonSet() const {
  std::vector<sx::TSXFrame*> set;
  for (int n : {kBody, 16, kLeftDoor, 23, kRightDoor, 29, kBonnet, kBonnetInner, kTrunkLid, kTrunkInner})
    if (sx::TSXFrame* f = PartFrame(n)) set.push_back(f);
  return set;
}

void CarScene::OrientHinge(Hinge hinge, const sx::Vec3& direction, const sx::Vec3& up) {
  sx::TSXFrame* f = nullptr;
  switch (hinge) {
    case Hinge::Bonnet: f = bonnetFrame; break;
    case Hinge::TrunkLid: f = trunkLidFrame; break;
    case Hinge::RightDoor: f = rightDoorFrame; break;
    case Hinge::LeftDoor: f = leftDoorFrame; break;
  }
  if (f) f->SetOrientation(carFrame, direction, up);
}

void CarScene::SetSkeletonBlend(std::int32_t blendModeIndex) {
  for (sx::TSXFrame* f : SkeletonSet()) f->BlendModeIndex = blendModeIndex;
}

void CarScene::OrientCar(const sx::Vec3& direction, const sx::Vec3& up) {
  carFrame->SetOrientation(rootFrame, direction, up);
}

void CarScene::QueueBillboard(std::int32_t kind, int quad, const sx::Vec3& position) {
  if (kind < 0 || kind >= kBillboardKinds || quad < 0 || quad >= kBillboardQuads) return;
  scene->AddSprite(GroundFrame(), position, billboardQuads_[static_cast<std::size_t>(quad)].data(),
                   BillboardTexture(kind), kBillboardBlend, true, true, false);
}

void CarScene::TurnWheel(Wheel wheel, const sx::Vec3& direction, const sx::Vec3& up) {
  sx::TSXFrame* f = wheel == Wheel::FrontLeft    ? wheelFrontLeftFrame
                    : wheel == Wheel::FrontRight ? wheelFrontRightFrame
                                                 : wheelRearFrame;
  f->SetOrientation(f, direction, up);
}

void CarScene::PlaceCar(const sx::Vec3& carPos) { carFrame->SetPosition(rootFrame, carPos); }

bool CarScene::Shown(int file) const {
  const sx::TSXFrame* f = file >= 0 && file < kDataFileSlots ? PartFrame(file) : nullptr;
  return f && f->Visibility == sx::kVisible;
}

void CarScene::Show(int file, bool shown) {
  sx::TSXFrame* f = file >= 0 && file < kDataFileSlots ? PartFrame(file) : nullptr;
  if (f) f->Visibility = shown ? sx::kVisible : sx::kHidden;
}

void CarScene::SetPartBlend(std::int32_t blendModeIndex) { PartFrame(0)->BlendModeIndex = blendModeIndex; }

void CarScene::SetTopLightEnabled(bool enabled) { lights->Lights(2)->SetEnabled(enabled); }

void CarScene::SetTopLightAmbient(float grey) { lights->Lights(2)->SetAmbient(grey, grey, grey); }

bool CarScene::ForceDeviceLoss() {
  if (!setUp_ || shutDown_) return false;
  return platform::ForceDeviceLoss(dg_->Device());
}

bool CarScene::FailResets(std::uint32_t count) {
  if (!setUp_ || shutDown_) return false;
  return resetFailure_.Start(dg_->Device(), count);
}

void CarScene::FormKeyDown(std::uint16_t key) {
  if (!setUp_ || shutDown_ || state.runMode != 0) return;
  DisplayKeyDown(state.display, state.carPos, key, Now(), *this);
}

bool CarScene::Idle(FrameHooks& hooks) {
  if (!setUp_ || shutDown_) return false;
  RunState& s = state;
  // 1. Pacing on the elapsed time.
  if (Now() - s.lastFrameTime < static_cast<std::uint32_t>(s.frameInterval > 0 ? s.frameInterval : 0)) return false;
  hooks.FrameDue();
  // 2.
  s.lastFrameTime = Now();
  // 3, 4. Draw only on a working device; reset one that waits for it.
  IDirect3DDevice9* device = dg_->Device();
  const HRESULT level = device ? device->TestCooperativeLevel() : D3DERR_DEVICELOST;
  if (level == D3DERR_DEVICENOTRESET) {
    // A reset that fails is logged by DG; the device still waits and a later frame tries again.
    resetFailure_.BeforeReset();
    dg_->ResetDevice();
  } else if (level == D3D_OK) {
    // 4.1, 4.2: the title image while its phase lasts.
    if (Now() - s.phaseStartTime < s.splashDuration && !s.splashDone && titleTexture) {
      const float w = static_cast<float>(titleTexture->Width()), h = static_cast<float>(titleTexture->Height());
      const platform::Size screen = system_.ScreenSize();
      const int x = (screen.width - static_cast<int>(titleTexture->Width())) / 2;
      const int y = (screen.height - static_cast<int>(titleTexture->Height())) / 2;
      const std::array<sx::SpriteVertex, 4> quad =
          ScreenQuad(w, h, titleTexture->UMax(), titleTexture->VMax(), kTitleColour);
      scene->AddScreenSprite(sx::Vec2Make(static_cast<float>(x), static_cast<float>(y)), quad.data(), titleTexture, 2,
                             false, false, 0.0f);
    }
    if (Now() - s.phaseStartTime >= s.splashDuration && !s.splashDone) s.splashDone = true;
    // 4.3: the overlay's lines.
    if (s.splashDone && s.overlayOn && overlay_)
      OverlayStep(s.overlay, s.phaseStartTime, Now(), s.random, system_.ScreenSize(), *overlay_);
    // 4.4 - 4.8.
    device->BeginScene();
    const DWORD flags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    scene->Clear(flags, ClearColour(s.runMode, s.display.skeletonOn), 1.0f, 0);
    if (s.dataMissing) scene->Clear(flags, kBlack, 1.0f, 0);
    scene->Render(rootFrame);
    device->EndScene();
    hooks.BeforePresent(device);
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  // Billboards queued by the last step were meant for this frame: while nothing is drawn they
  // would pile up by 80 a frame, so they go.
  if (level != D3D_OK) scene->DropQueued();
  // 5. One step of the run's mode and 6. the car at its position, the camera turned to it; with
  // data missing nothing moves.
  if (!s.dataMissing) {
    if (s.runMode == 0) {
      DisplayStep(s.display, Now(), *this);
    } else {
      DrivingStep(s.driving, s.carPos, s.cameraPos, s.random, Now(), *this);
    }
    carFrame->SetPosition(rootFrame, s.carPos);
    cameraFrame->SetPosition(rootFrame, s.cameraPos);
    cameraFrame->LookAt(carFrame, V(0, 0, 0), 0, rootFrame);
  }
  hooks.FrameDone();
  return true;
}

void CarScene::FitViewToWindow() {
  const int cw = window_.ClientWidth(), ch = window_.ClientHeight();
  if (cw <= 0 || ch <= 0) return;
  scene->SetProjection(1.5707964f, static_cast<float>(ch) / static_cast<float>(cw), 0.01f, 10000.0f);
  scene->SetViewport(0, 0, static_cast<std::uint32_t>(cw), static_cast<std::uint32_t>(ch));
}

void CarScene::Resize(int width, int height) {
  if (!setUp_ || shutDown_ || !scene || width <= 0 || height <= 0) return;
  dg_->ResizeBackBuffer(static_cast<UINT>(width), static_cast<UINT>(height));
  FitViewToWindow();
}

void CarScene::FreeFrame(int n) { frames_[static_cast<std::size_t>(n)].reset(); }
void CarScene::FreeMesh(int n) { meshes_[static_cast<std::size_t>(n)].reset(); }

void CarScene::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  resetFailure_.Release();  // a reset still being refused must not keep the device alive
  if (!setUp_) return;
  const bool driving = state.runMode == 1;
  // (The viewpoint has been written by the window.) 2. The sky's picture. 3. The overlay's line
  // textures, its longest line's, its text writer.
  if (driving) textures_[scenery::kSky].reset();
  overlay_.reset();
  // 4. The light frames, then the lights.
  lightFrameB_.reset();
  lightFrameA_.reset();
  lightFrameA = lightFrameB = nullptr;
  lights_.reset();
  lights = nullptr;
  // 5. Driving mode: the billboard pictures. 6. The title.
  for (std::unique_ptr<dg::TDGTexture>& t : billboardTextures_) t.reset();
  titleTexture_.reset();
  titleTexture = nullptr;
  // 7. Driving mode: the scenery's pictures. 8. The car's.
  if (driving)
    for (int n : {scenery::kBoards, scenery::kGantry, scenery::kRoad, scenery::kGround})
      textures_[static_cast<std::size_t>(n)].reset();
  textures_[9].reset();
  textures_[34].reset();
  // 9. The meshes.
  if (driving) {
    for (int n : {26, 8, 45, 43, 46, 42, 18, 17, 20, 19, 33, 13, 12, 11, 35, 38, 14, kDrivingPart, kShadow, 50})
      FreeMesh(n);
  } else {
    for (int n : {kTrunkInner, kBonnetInner}) FreeMesh(n);
  }
  for (int n : {9, 34, 22, 23, 21, 28, 29, 27, 24, 36, 25, 31, 30, 3, 40}) FreeMesh(n);
  FreeMesh(driving ? kDrivingChassis : kDisplayChassis);
  for (int n : {16, 1, 0, kBody}) FreeMesh(n);
  // 10. The frames, children before parents.
  if (driving) {
    for (int n : {kDrivingPart, kShadow, 50}) FreeFrame(n);
  } else {
    for (int n : {kTrunkInner, kBonnetInner}) FreeFrame(n);
  }
  for (int n : {kWheelFrontLeft, kWheelFrontRight, kWheelRear, 31, kTrunkLid, kBonnet, 28, 29, kRightDoor, 22, 23,
                kLeftDoor, 34, 9, 40})
    FreeFrame(n);
  FreeFrame(driving ? kDrivingChassis : kDisplayChassis);
  for (int n : {16, 1, 0, kBody}) FreeFrame(n);
  lightFrameTop_.reset();
  if (driving)
    for (int n : {26, 8, 45, 43, 38, 46, 42, 18, 17, 20, 19, 13, 12, 11, 35, 33, 14}) FreeFrame(n);
  cameraFrame_.reset();
  rootFrame_.reset();
  carFrame = chassisFrame = leftDoorFrame = rightDoorFrame = bonnetFrame = trunkLidFrame = nullptr;
  wheelFrontLeftFrame = wheelFrontRightFrame = wheelRearFrame = carShadowFrame = nullptr;
  cameraFrame = rootFrame = lightFrameTop = nullptr;
  // 11.
  scene_.reset();
  scene = nullptr;
  // 12. The device component goes with this object.
}

}  // namespace scene
