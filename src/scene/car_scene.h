// The car scene of a run: the device component DG on the screen-saver window, the scene with its
// projection, the world root and the camera, the car's frames, meshes and textures, the title
// image, the four lights; the frame loop (ApplicationEvents1Idle) with the title quad, the clears,
// the render and the present, then display mode's step and the car and camera placement; the
// release of everything in its order at the end of the run.
//
// Frames, meshes and textures are held per data file (index n for crmd_n): every part carries the
// mesh of exactly one file, so the file number names the part. One table of parts in
// car_scene.cpp gives each part's run modes, parent, pivot, blend row, switches and picture and
// its places in the creation, loading and release orders; set-up and Shutdown follow it. The
// named frames (CarFrame, ChassisFrame, the hinges, the wheels) are parts of that table.
// Everything is owned here and freed by Shutdown children first, the device component last (in
// the destructor).
//
// Driving mode builds the car (its own chassis, the crmd_6 part, the flattened shadow), the
// eighteen scenery frames under the root frame (each at the world origin, named by its mesh's file like
// the car's parts; three of them flattened shadows), the roadside table and the three billboard
// pictures with their four shapes, and runs the driving step after each frame. The billboards the
// step queues are drawn by the next frame's render; a frame that is not drawn (device lost) drops
// them, so that at most one frame's worth is ever queued.
//
// The text overlay (scene/overlay.h) is set up after the clocks and stepped before each render
// once the title phase is over; its text writer and textures are OverlayTextures.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dg/carad.h"
#include "dg/texture.h"
#include "platform/device_loss.h"
#include "scene/driving_mode.h"
#include "scene/form_window.h"
#include "scene/overlay.h"
#include "scene/run_mode.h"
#include "scene/run_state.h"
#include "scene/saver_run.h"
#include "sx/frame.h"
#include "sx/light.h"
#include "sx/mesh.h"
#include "sx/scene.h"

namespace scene {

constexpr int kDataFileSlots = 51;  // crmd_0 .. crmd_50

// The depth formats tried for the device, in order.
const std::vector<D3DFORMAT>& DepthFormats();
// The texture format lists: opaque pictures and pictures with alpha.
const std::vector<D3DFORMAT>& OpaqueFormats();
const std::vector<D3DFORMAT>& AlphaFormats();

// Full path of data file crmd_n in `folder` (which ends in its separator).
std::string DataFilePath(const std::string& folder, int n);

// The four vertices of the screen quad of a w x h image with texture extents umax, vmax.
std::array<sx::SpriteVertex, 4> ScreenQuad(float w, float h, float umax, float vmax, std::uint32_t colour);

// The clear colour of a frame: white in display mode's skeleton view, black otherwise, the sky in
// driving mode.
std::uint32_t ClearColour(scene::RunMode runMode, bool skeletonOn);

// The scenery frames of driving mode in creation (drawing) order, by the data file of their mesh
// (the table of parts in car_scene.cpp lists them with the car's).
const std::array<int, 18>& SceneryFiles();

class CarScene : public SaverRun, private DisplayParts, private DrivingParts {
 public:
  // `direct3D` gives the device component its Direct3D object (a stand-in in tests).
  CarScene(platform::Form& form, platform::System& system, dg::TDGDirect3DFactory direct3D = &Direct3DCreate9);
  ~CarScene() override;
  CarScene(const CarScene&) = delete;
  CarScene& operator=(const CarScene&) = delete;

  void SetUp(const SetupInput& input) override;
  scene::RunMode RunMode() const override { return state.runMode; }
  sx::Vec3 CarPos() const override { return state.carPos; }
  void FormKeyDown(std::uint16_t key) override;
  bool Idle(FrameHooks& hooks) override;
  std::uint32_t LastFrameTime() const override { return state.lastFrameTime; }
  std::int32_t FrameInterval() const override { return state.frameInterval; }
  bool ForceDeviceLoss() override;
  bool FailResets(std::uint32_t count) override;
  void Resize(int width, int height) override;
  void Shutdown() override;

  RunState state;

  // The device component and the scene objects (null before SetUp and after Shutdown).
  dg::TDGCarad& DG() { return *dg_; }
  sx::TSXScene* Scene() const { return scene_.get(); }
  sx::TSXFrame* RootFrame() const { return rootFrame_.get(); }
  sx::TSXFrame* CameraFrame() const { return cameraFrame_.get(); }
  // The frames of light 2 (high above the scene) and of lights 0 and 1 (beside the car).
  sx::TSXFrame* LightFrameTop() const { return lightFrameTop_.get(); }
  sx::TSXFrame* LightFrameA() const { return lightFrameA_.get(); }
  sx::TSXFrame* LightFrameB() const { return lightFrameB_.get(); }
  sx::TSXLightGroup* Lights() const { return lights_.get(); }
  dg::TDGTexture* TitleTexture() const { return titleTexture_.get(); }
  // The car's named parts: the body (the car's own frame), the run mode's chassis, the hinged
  // parts, the wheels, and in driving mode the flattened shadow (null in display mode).
  sx::TSXFrame* CarFrame() const;
  sx::TSXFrame* ChassisFrame() const;
  sx::TSXFrame* HingeFrame(Hinge hinge) const;
  sx::TSXFrame* WheelFrame(Wheel wheel) const;
  sx::TSXFrame* CarShadowFrame() const;
  // The frame and mesh carrying data file n, and the texture of the part that carries file n.
  sx::TSXFrame* PartFrame(int n) const { return frames_[static_cast<std::size_t>(n)].get(); }
  sx::TSXMesh* Mesh(int n) const { return meshes_[static_cast<std::size_t>(n)].get(); }
  dg::TDGTexture* PartTexture(int n) const { return textures_[static_cast<std::size_t>(n)].get(); }
  std::vector<sx::TSXFrame*> SkeletonSet() const;
  // Driving mode: the ground frame the billboards stand on, the pictures of kinds 0..2, the shapes.
  sx::TSXFrame* GroundFrame() const { return PartFrame(scenery::kGround); }
  dg::TDGTexture* BillboardTexture(int kind) const;
  const std::array<BillboardQuad, kBillboardQuads>& BillboardShapes() const { return billboardQuads_; }
  // The overlay's text writer and textures (null before set-up and after shutdown).
  OverlayTextures* Overlay() const { return overlay_.get(); }

 private:
  // DisplayParts.
  void OrientHinge(Hinge hinge, const sx::Vec3& direction, const sx::Vec3& up) override;
  void SetSkeletonBlend(std::int32_t blendModeIndex) override;
  void OrientCar(const sx::Vec3& direction, const sx::Vec3& up) override;
  // DrivingParts.
  void QueueBillboard(std::int32_t kind, int quad, const sx::Vec3& position) override;
  void TurnWheel(Wheel wheel, const sx::Vec3& direction, const sx::Vec3& up) override;
  void PlaceCar(const sx::Vec3& carPos) override;
  bool Shown(int file) const override;
  void Show(int file, bool shown) override;
  void SetPartBlend(std::int32_t blendModeIndex) override;
  void SetTopLightEnabled(bool enabled) override;
  void SetTopLightAmbient(float grey) override;

  std::uint32_t Now() { return system_.TimeGetTime(); }
  bool Driving() const { return state.runMode == scene::RunMode::kDriving; }
  void TakeInput(const SetupInput& input);
  void SetUpDevice();
  void PlaceAtStart();
  sx::TSXFrame* NewFrame(int n, sx::TSXFrame* parent);
  void NewMesh(int n);
  void LoadMesh(int n);
  dg::TDGTexture* NewTexture(const std::vector<D3DFORMAT>& formats);
  // The frames of the scenery's parts or of the car's, from the table of parts.
  void BuildFrames(bool scenery);
  void LoadCar();
  void LoadScenery();
  void LoadBillboards();
  void LoadSky();
  // Creates and loads the meshes of `files` one after the other, then their pictures, then puts
  // them on their frames.
  void LoadEachMesh(const std::vector<int>& files);
  // The parts' pictures: texture objects in table order on their frames, then loaded in order.
  void AddPictures(const std::vector<int>& files);
  // Mesh, blend row, Specular and visibility of the parts' frames, as the table has them.
  void AttachParts(const std::vector<int>& files);
  void QueueTitle();
  void SetUpLights();
  void SetUpOverlay();
  // Projection (aspect = height / width) and viewport of the window's client area.
  void FitViewToWindow();
  void FreeFrame(int n);
  void FreeMesh(int n);

  platform::System& system_;
  FormWindow window_;
  std::unique_ptr<dg::TDGCarad> dg_;
  platform::ResetFailure resetFailure_;  // --fail-reset; let go of before the device
  std::unique_ptr<sx::TSXScene> scene_;
  std::unique_ptr<sx::TSXFrame> rootFrame_, cameraFrame_, lightFrameTop_, lightFrameA_, lightFrameB_;
  std::unique_ptr<sx::TSXLightGroup> lights_;
  std::unique_ptr<dg::TDGTexture> titleTexture_;
  std::array<std::unique_ptr<sx::TSXFrame>, kDataFileSlots> frames_;
  std::array<std::unique_ptr<sx::TSXMesh>, kDataFileSlots> meshes_;
  std::array<std::unique_ptr<dg::TDGTexture>, kDataFileSlots> textures_;
  std::array<std::unique_ptr<dg::TDGTexture>, kBillboardKinds> billboardTextures_;
  std::array<BillboardQuad, kBillboardQuads> billboardQuads_{};
  std::unique_ptr<OverlayTextures> overlay_;
  bool setUp_ = false, shutDown_ = false;
};

}  // namespace scene
