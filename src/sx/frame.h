// TSXFrame, the node of the scene graph, and TSXFrameList, the list of frame references it keeps
// its children and ancestors in.
//
// A frame has a local matrix relative to its parent (Mat4, row 3 the position, rows 0..2 its x, y,
// z axes), optionally a mesh with the material, texture and render settings to draw it with, and
// its children in creation order (the drawing order). The root is the frame without a parent; its
// own Matrix is meant to stay the identity, and GetWorldMatrix never includes it.
//
// Ownership: a frame owns its children and destroys them with itself (and removes itself from its
// parent's Children), never its mesh or its textures. Make frames with `new` and destroy the top of
// a subtree only; a child destroyed on its own leaves its parent's list by itself. The parent is
// fixed at creation. Single-threaded.
//
// World matrices: GetWorldMatrix computes on demand from the local matrices. WorldMatrix and
// MeshWorldMatrix are written by the scene's traversal (TSXScene::Render) and by UpdateWorldMatrix;
// WorldValid says that they belong to the current pass (cleared when the traversal reaches the
// frame, set when they are computed; a frame the traversal does not reach keeps an earlier pass's).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "dg/fwd.h"
#include "dg/object.h"
#include "sx/fwd.h"
#include "sx/mathpack.h"

namespace sx {

// An ordered list of frame references; owns nothing.
class TSXFrameList {
 public:
  std::size_t Count() const { return items_.size(); }
  TSXFrame* Items(std::size_t index) const { return items_[index]; }  // index < Count()
  TSXFrame* First() const { return items_.empty() ? nullptr : items_.front(); }
  TSXFrame* Last() const { return items_.empty() ? nullptr : items_.back(); }
  void Add(TSXFrame* frame) { items_.push_back(frame); }
  // The index of the first occurrence, or -1.
  std::ptrdiff_t IndexOf(const TSXFrame* frame) const;
  // Removes the first occurrence; the others keep their order. Nothing happens when it is absent.
  void Remove(const TSXFrame* frame);
  void Clear() { items_.clear(); }
  // Clear, then append every item of `other` in order.
  void Assign(const TSXFrameList& other);

  std::vector<TSXFrame*>::const_iterator begin() const { return items_.begin(); }
  std::vector<TSXFrame*>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<TSXFrame*> items_;
};

// The frame's events. Each gets the frame, the scene of the pass and the device component.
// OnRender draws the frame in place of its mesh; OnGetDepth writes its sort key (view depth);
// OnCheckVisibility writes 0, 1 or 2 for this pass and then replaces Visibility and the Cull test.
using TSXRenderEvent = std::function<void(TSXFrame& frame, TSXScene& scene, dg::TDGCarad& device)>;
using TSXDepthEvent = std::function<void(TSXFrame& frame, TSXScene& scene, float& key, dg::TDGCarad& device)>;
using TSXVisibilityEvent =
    std::function<void(TSXFrame& frame, TSXScene& scene, std::uint8_t& visibility, dg::TDGCarad& device)>;

// A sphere in a frame's own space.
struct TSXSphere {
  Vec3 Center;
  float Radius;
};

constexpr std::size_t kFrameTextureSlots = 8;

// Visibility values.
constexpr std::uint8_t kVisible = 0;       // drawn, children visited
constexpr std::uint8_t kHidden = 1;        // frame and subtree skipped
constexpr std::uint8_t kChildrenOnly = 2;  // frame not drawn, children visited

// DepthMode values: the point of the mesh's box that gives the sort key.
constexpr std::uint8_t kDepthCenter = 0, kDepthFarEnd = 1, kDepthNearEnd = 2;

class TSXFrame : public dg::TObject {
 public:
  // A frame under `parent` (none: a root) with the defaults below, appended to parent's Children.
  explicit TSXFrame(TSXFrame* parent);
  // Destroys every child (each removes itself from Children), then leaves the parent's Children.
  ~TSXFrame() override;
  const char* ClassName() const override { return "TSXFrame"; }

  TSXFrame* Parent() const { return parent_; }
  // Root first, parent last; fixed at creation.
  const TSXFrameList& Ancestors() const { return ancestors_; }
  const TSXFrameList& Children() const { return children_; }

  // The transform to the root's space (the root's own Matrix left out; frames with IgnoreMatrix
  // count as the identity). Does not use or change WorldMatrix.
  Mat4 GetWorldMatrix() const;
  // MatInverseRigid(GetWorldMatrix()): valid when the world matrix has no scale.
  Mat4 GetInverseWorldMatrix() const;
  Vec3 LocalToWorld(const Vec3& point) const;
  Vec3 WorldToLocal(const Vec3& point) const;

  // Makes the frame's transform equal to m expressed in ref's space: ref this frame: m applied in
  // the frame's own space before its current transform; ref the parent (none for a root): Matrix
  // = m; any other frame (none: the world): through ref's and the parent's world matrices (the
  // parent's without scale).
  void SetTransform(const TSXFrame* ref, const Mat4& m);
  // Moves the origin to `position` in ref's space; the orientation stays.
  void SetPosition(const TSXFrame* ref, const Vec3& position);
  // Turns the frame so that its z axis is `direction` and its y axis `up` in ref's space (unit
  // vectors at right angles; stored unchanged when ref is the parent); the position stays.
  void SetOrientation(const TSXFrame* ref, const Vec3& direction, const Vec3& up);
  // Points the z axis at `target` (a point in ref's space; none: the world), the y axis as close as
  // possible to upFrame's y axis (none: the world's), then rolls by `roll` AngleUnits about the new
  // z axis. With the target straight along upFrame's y axis, upFrame's x axis gives the sideways
  // direction. A target at the frame's own origin has no direction: the orientation is kept.
  void LookAt(const TSXFrame* ref, const Vec3& target, AngleUnit roll, const TSXFrame* upFrame);

  // Texture slot 0, the one used when drawing; not owned.
  dg::TDGTexture* Texture() const { return Textures[0]; }
  void SetTexture(dg::TDGTexture* texture) { Textures[0] = texture; }
  // index 0..7; other indices are ignored.
  void SetTextureSlot(std::size_t index, dg::TDGTexture* texture);

  // Brings WorldMatrix, MeshWorldMatrix and WorldValid up to date for a frame the traversal did
  // not reach in this pass, from the topmost ancestor whose matrices are valid (the whole chain
  // from the root when none is), treating IgnoreMatrix as the traversal does.
  void UpdateWorldMatrix();

  // ---- fields, with a new frame's values ----
  Mat4 Matrix = MatIdentity;      // local transform relative to the parent
  Mat4 MeshMatrix = MatIdentity;  // extra transform of the frame's own mesh; children do not inherit it
  std::array<dg::TDGTexture*, kFrameTextureSlots> Textures{};  // not owned
  std::uint8_t Visibility = kVisible;
  bool UseMeshMatrix = true;
  bool IgnoreMatrix = false;  // the frame's own Matrix counts as the identity
  bool WorldValid = false;
  Mat4 WorldMatrix{};       // Matrix combined with the ancestors, written by the traversal
  Mat4 MeshWorldMatrix{};   // MeshMatrix x WorldMatrix (or WorldMatrix): the WORLD transform of the mesh
  bool Cull = false;        // test BoundingSphere against the view volume before visiting
  TSXMesh* Mesh = nullptr;  // not owned
  D3DMATERIAL9 Material = MakeMaterial(1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 10);
  std::int32_t BlendModeIndex = 0;         // row of the scene's blend-mode table; also picks the queue
  bool Lighting = true;                    // D3DRS_LIGHTING while drawing
  bool Specular = true;                    // D3DRS_SPECULARENABLE while drawing
  std::uint32_t Wrap = 0;                  // D3DRS_WRAP0 while drawing
  std::uint32_t FillMode = D3DFILL_SOLID;  // D3DRS_FILLMODE while drawing
  TSXRenderEvent OnRender;
  TSXDepthEvent OnGetDepth;
  TSXVisibilityEvent OnCheckVisibility;
  TSXSphere BoundingSphere{{0, 0, 0}, 1};  // frame space; used only with Cull
  std::uint8_t DepthMode = kDepthCenter;

 private:
  TSXFrame* parent_;
  TSXFrameList ancestors_;
  TSXFrameList children_;
};

}  // namespace sx
