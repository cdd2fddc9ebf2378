// TSXScene: turns a frame tree into Direct3D draw calls. It holds the camera reference, the
// viewport and perspective projection, the blend-mode table every drawn item refers to by index,
// and three rendering queues: opaque (drawn first), blend (second, back to front) and overlay
// (last, with the depth test always passing).
//
// One pass: queue sprites (AddSprite, AddScreenSprite), then Render between the device's
// BeginScene and EndScene. Render sets the view from the camera, walks the tree from the given
// frame computing world matrices, drops meshes outside the view volume, queues the rest and
// flushes the three queues; every flush empties its queue.
//
// Blend-mode rows (index: use): 0 opaque, 1 additive, 2 alpha blending, 3 darken by inverse
// colour, 4 multiply, 5 alpha test; AddBlendMode appends more. An index outside the table is
// treated as row 0 (opaque queue, blending off).
//
// Angles are radians; the projection is left-handed with a vertical field of view and
// aspect = viewport height / width.
//
// Ownership: the scene owns its queues and its state restorer, not the camera, the frames or the
// device. It registers with the device component (rebuild and reset re-send viewport and
// projection): make it with `new` and destroy it before the component. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dg/fwd.h"
#include "dg/object.h"
#include "sx/fwd.h"
#include "sx/mathpack.h"
#include "sx/queue.h"
#include "sx/staterestorer.h"

namespace sx {

class TSXScene : public dg::TObject {
 public:
  // Queues and state restorer, registration, the six built-in blend modes, no camera, the viewport
  // of the device window's client area, projection (1.5707964, height / width, 0.01, 10000), caps.
  TSXScene(dg::TDGCarad& device, const std::string& name = std::string());
  ~TSXScene() override;
  const char* ClassName() const override { return "TSXScene"; }

  TSXFrame* Camera() const { return camera_; }
  void SetCamera(TSXFrame* camera) { camera_ = camera; }  // not owned; none: identity view

  // Viewport X left, Y top, Width right - left, Height bottom - top, depth 0..1; sets ScreenMatrix
  // and the device's viewport.
  void SetViewport(std::uint32_t left, std::uint32_t top, std::uint32_t right, std::uint32_t bottom);
  // fov: vertical field of view (radians); aspect: height / width; near, far: view distances.
  void SetProjection(float fov, float aspect, float nearPlane, float farPlane);
  // IDirect3DDevice9::Clear of the whole target (flags D3DCLEAR_*, colour ARGB, z 0..1).
  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil);
  // One rendering pass from `root` (none: only the queued sprites).
  void Render(TSXFrame* root);
  // Empties the three queues without drawing: the sprites queued for a pass that will not run.
  void DropQueued();

  // A camera-facing sprite for the next Render: position in frame's space (none: the world),
  // vertex offsets in pixels (scaled by (viewport width / 2) / depth with scaleWithDistance).
  void AddSprite(TSXFrame* frame, const Vec3& position, const SpriteVertex vertices[4], dg::TDGTexture* texture,
                 std::int32_t blendModeIndex, bool scaleWithDistance, bool linearFilter, bool overlay);
  // A screen-aligned sprite at `position` pixels with depth z (0..1; below 0 not drawn); in the
  // overlay queue z becomes 0.
  void AddScreenSprite(const Vec2& position, const SpriteVertex vertices[4], dg::TDGTexture* texture,
                       std::int32_t blendModeIndex, bool linearFilter, bool overlay, float z);

  // Whether a sphere (centre in the space that m takes to the world) may be inside the view volume
  // up to distance `farDistance`: the near plane is not tested, the side planes use the horizontal
  // half-angle, top and bottom the vertical one.
  bool IsSphereVisible(const Mat4& m, const TSXSphere& sphere, float farDistance) const;
  // Appends a row; returns its index.
  std::int32_t AddBlendMode(const BlendMode& row);
  // The row for `index`, row 0 for an index outside the table.
  const BlendMode& BlendModeRow(std::int32_t index) const;
  // BlendOpSupported from the device's D3DPMISCCAPS_BLENDOP.
  void CheckCaps();
  // After a new device or a reset: viewport, projection, caps again.
  void DeviceRestored();

  dg::TDGCarad& Device() const { return device_; }
  std::int32_t ResourceID() const { return resourceID_; }
  const std::string& Name() const { return name_; }
  const Mat4& ProjectionMatrix() const { return projection_; }
  const Mat4& ScreenMatrix() const { return screen_; }
  const D3DVIEWPORT9& Viewport() const { return viewport_; }
  float FieldOfView() const { return fieldOfView_; }
  float HalfAngleH() const { return halfAngleH_; }
  float Aspect() const { return aspect_; }
  float NearPlane() const { return nearPlane_; }
  float FarPlane() const { return farPlane_; }
  TSXRenderingQueue& OverlayQueue() const { return *overlayQueue_; }
  TSXRenderingQueue& OpaqueQueue() const { return *opaqueQueue_; }
  TSXRenderingQueue& BlendQueue() const { return *blendQueue_; }
  TSXStateRestorer& StateRestorer() const { return *stateRestorer_; }
  bool BlendOpSupported() const { return blendOpSupported_; }
  const std::vector<BlendMode>& BlendModes() const { return blendModes_; }

  bool SortBlendQueue = true;  // the blend queue is depth-sorted when flushed

 private:
  TSXRenderingQueue& QueueFor(std::int32_t blendModeIndex, bool overlay) const;
  void Visit(TSXFrame& frame, const Mat4& parentWorld);
  Mat4 ViewMatrix() const;

  std::unique_ptr<TSXStateRestorer> stateRestorer_;
  TSXFrame* camera_ = nullptr;
  dg::TDGCarad& device_;
  std::int32_t resourceID_ = 0;
  std::string name_;
  Mat4 projection_ = MatIdentity;
  Mat4 screen_ = MatIdentity;
  D3DVIEWPORT9 viewport_{};
  float fieldOfView_ = 0;
  float halfAngleH_ = 0;
  float aspect_ = 0;
  float nearPlane_ = 0;
  float farPlane_ = 0;
  std::unique_ptr<TSXRenderingQueue> overlayQueue_;
  std::unique_ptr<TSXRenderingQueue> opaqueQueue_;
  std::unique_ptr<TSXRenderingQueue> blendQueue_;
  bool blendOpSupported_ = false;
  std::vector<BlendMode> blendModes_;
};

}  // namespace sx
