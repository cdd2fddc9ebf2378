// TSXFrame and TSXFrameList at the level of matrices: defaults, world matrices, the reference
// cases of SetTransform, SetPosition, SetOrientation, LookAt with its fallback, the lazy update
// and the destruction of subtrees.
#include "sx/frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "unit/sx/sx_fixture.h"

namespace {

using sx::Mat4;
using sx::TSXFrame;
using sx::Vec3;
using sxtest::Translation;

constexpr float kTol = 1e-5f;

void ExpectVec(const Vec3& v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void ExpectMat(const Mat4& a, const Mat4& b, float tol = kTol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tol) << "[" << r << "][" << c << "]";
}

Vec3 Row(const Mat4& m, int r) { return {m.m[r][0], m.m[r][1], m.m[r][2]}; }

// Rotation about y by `a` AngleUnits, rows being the turned axes.
Mat4 RotationY(sx::AngleUnit a) {
  Mat4 m = sx::MatIdentity;
  const Vec3 axes[3] = {sx::Vec3RotateY({1, 0, 0}, a), sx::Vec3RotateY({0, 1, 0}, a), sx::Vec3RotateY({0, 0, 1}, a)};
  for (int r = 0; r < 3; ++r) m.m[r][0] = axes[r].x, m.m[r][1] = axes[r].y, m.m[r][2] = axes[r].z;
  return m;
}

// The 3x3 block is orthonormal and right-handed in Direct3D's sense (x cross y = z for row axes
// of a left-handed frame means z = x x y with this cross product).
void ExpectOrthonormal(const Mat4& m) {
  const Vec3 x = Row(m, 0), y = Row(m, 1), z = Row(m, 2);
  EXPECT_NEAR(sx::Vec3Length(x), 1, kTol);
  EXPECT_NEAR(sx::Vec3Length(y), 1, kTol);
  EXPECT_NEAR(sx::Vec3Length(z), 1, kTol);
  EXPECT_NEAR(x.x * y.x + x.y * y.y + x.z * y.z, 0, kTol);
  EXPECT_NEAR(x.x * z.x + x.y * z.y + x.z * z.z, 0, kTol);
  EXPECT_NEAR(y.x * z.x + y.y * z.y + y.z * z.z, 0, kTol);
  EXPECT_NEAR(sx::Mat3Determinant(m), 1, kTol);
}

class Frames : public ::testing::Test {
 protected:
  std::unique_ptr<TSXFrame> root_ = std::make_unique<TSXFrame>(nullptr);
};

}  // namespace

TEST_F(Frames, ANewFrameHasTheDocumentedDefaults) {
  TSXFrame* f = new TSXFrame(root_.get());
  ExpectMat(f->Matrix, sx::MatIdentity, 0);
  ExpectMat(f->MeshMatrix, sx::MatIdentity, 0);
  ExpectMat(f->WorldMatrix, Mat4{}, 0);
  for (auto* t : f->Textures) EXPECT_EQ(t, nullptr);
  EXPECT_EQ(f->Parent(), root_.get());
  EXPECT_EQ(f->Visibility, 0);
  EXPECT_TRUE(f->UseMeshMatrix);
  EXPECT_FALSE(f->IgnoreMatrix);
  EXPECT_FALSE(f->WorldValid);
  EXPECT_FALSE(f->Cull);
  EXPECT_EQ(f->Mesh, nullptr);
  EXPECT_EQ(f->Material.Diffuse.a, 1);
  EXPECT_EQ(f->Material.Ambient.r, 1);
  EXPECT_EQ(f->Material.Specular.b, 1);
  EXPECT_EQ(f->Material.Emissive.r, 0);
  EXPECT_EQ(f->Material.Emissive.a, 1);
  EXPECT_EQ(f->Material.Power, 10);
  EXPECT_EQ(f->BlendModeIndex, 0);
  EXPECT_TRUE(f->Lighting);
  EXPECT_TRUE(f->Specular);
  EXPECT_EQ(f->Wrap, 0u);
  EXPECT_EQ(f->FillMode, 3u);
  EXPECT_FALSE(f->OnRender);
  ExpectVec(f->BoundingSphere.Center, 0, 0, 0, 0);
  EXPECT_EQ(f->BoundingSphere.Radius, 1);
  EXPECT_EQ(f->DepthMode, 0);
}

TEST_F(Frames, AncestorsRunFromTheRootToTheParentAndChildrenKeepCreationOrder) {
  TSXFrame* a = new TSXFrame(root_.get());
  TSXFrame* b = new TSXFrame(a);
  TSXFrame* c = new TSXFrame(b);
  TSXFrame* a2 = new TSXFrame(root_.get());
  ASSERT_EQ(c->Ancestors().Count(), 3u);
  EXPECT_EQ(c->Ancestors().Items(0), root_.get());
  EXPECT_EQ(c->Ancestors().Items(1), a);
  EXPECT_EQ(c->Ancestors().Items(2), b);
  EXPECT_EQ(root_->Ancestors().Count(), 0u);
  ASSERT_EQ(root_->Children().Count(), 2u);
  EXPECT_EQ(root_->Children().Items(0), a);
  EXPECT_EQ(root_->Children().Items(1), a2);
}

TEST_F(Frames, FrameListAssignCopiesInOrderAndRemoveKeepsTheRest) {
  TSXFrame* a = new TSXFrame(root_.get());
  TSXFrame* b = new TSXFrame(root_.get());
  sx::TSXFrameList list;
  list.Add(b);
  list.Assign(root_->Children());
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.First(), a);
  EXPECT_EQ(list.Last(), b);
  list.Remove(a);
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.IndexOf(b), 0);
  EXPECT_EQ(list.IndexOf(a), -1);
  list.Remove(a);  // absent: nothing happens
  EXPECT_EQ(list.Count(), 1u);
}

TEST_F(Frames, TheWorldMatrixLeavesOutTheRootAndHonoursIgnoreMatrix) {
  root_->Matrix = Translation(100, 100, 100);
  TSXFrame* a = new TSXFrame(root_.get());
  a->Matrix = Translation(1, 2, 3);
  ExpectMat(a->GetWorldMatrix(), Translation(1, 2, 3), 0);

  a->Matrix = RotationY(1024);  // z turns to -x
  TSXFrame* b = new TSXFrame(a);
  b->Matrix = Translation(0, 0, 2);
  ExpectVec(b->LocalToWorld({0, 0, 0}), -2, 0, 0);
  ExpectVec(b->LocalToWorld({0, 0, 1}), -3, 0, 0);
  ExpectVec(b->WorldToLocal({-3, 0, 0}), 0, 0, 1);
  ExpectMat(sx::MatMultiply(b->GetWorldMatrix(), b->GetInverseWorldMatrix()), sx::MatIdentity);

  a->IgnoreMatrix = true;
  ExpectVec(b->LocalToWorld({0, 0, 0}), 0, 0, 2);
  b->IgnoreMatrix = true;
  ExpectMat(b->GetWorldMatrix(), sx::MatIdentity, 0);
}

TEST_F(Frames, SetTransformInEachReferenceCase) {
  TSXFrame* parent = new TSXFrame(root_.get());
  parent->Matrix = sx::MatMultiply(RotationY(1024), Translation(10, 0, 0));
  TSXFrame* f = new TSXFrame(parent);
  TSXFrame* other = new TSXFrame(root_.get());
  other->Matrix = Translation(0, 5, 0);

  // The parent: the matrix as it is.
  f->SetTransform(parent, Translation(1, 2, 3));
  ExpectMat(f->Matrix, Translation(1, 2, 3), 0);
  // The frame itself: applied in its own space first; one unit along its own z axis.
  f->Matrix = RotationY(1024);
  f->SetTransform(f, Translation(0, 0, 1));
  ExpectVec(Row(f->Matrix, 3), -1, 0, 0);
  // Another frame: the result, taken to the world, is m in that frame's space.
  f->SetTransform(other, Translation(1, 0, 0));
  ExpectMat(f->GetWorldMatrix(), Translation(1, 5, 0));
  // None (the world) under a parent.
  f->SetTransform(nullptr, Translation(0, 0, 7));
  ExpectMat(f->GetWorldMatrix(), Translation(0, 0, 7));
  // A root relative to another frame: m x W(ref).
  TSXFrame lone(nullptr);
  lone.SetTransform(other, Translation(1, 1, 1));
  ExpectMat(lone.Matrix, Translation(1, 6, 1), 0);
  // A root relative to none: none is its parent.
  lone.SetTransform(nullptr, Translation(4, 4, 4));
  ExpectMat(lone.Matrix, Translation(4, 4, 4), 0);
}

TEST_F(Frames, SetPositionMovesOnlyTheOrigin) {
  TSXFrame* parent = new TSXFrame(root_.get());
  parent->Matrix = sx::MatMultiply(RotationY(1024), Translation(0, 1, 0));
  TSXFrame* f = new TSXFrame(parent);
  f->Matrix = RotationY(512);
  f->SetPosition(parent, {0, 0, 3});
  ExpectVec(f->LocalToWorld({0, 0, 0}), parent->LocalToWorld({0, 0, 3}).x, 1, parent->LocalToWorld({0, 0, 3}).z);
  ExpectMat(f->Matrix, [] {
    Mat4 m = RotationY(512);
    m.m[3][2] = 3;
    return m;
  }());

  // Relative to a sibling: onto the sibling's origin, orientation kept.
  TSXFrame* sibling = new TSXFrame(parent);
  sibling->Matrix = sx::MatMultiply(RotationY(2048), Translation(5, 6, 7));
  f->SetPosition(sibling, {0, 0, 0});
  ExpectVec(f->LocalToWorld({0, 0, 0}), sibling->LocalToWorld({0, 0, 0}).x, sibling->LocalToWorld({0, 0, 0}).y,
            sibling->LocalToWorld({0, 0, 0}).z);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(f->Matrix.m[r][c], RotationY(512).m[r][c]);
}

TEST_F(Frames, SetOrientationTurnsOnlyTheAxes) {
  TSXFrame* parent = new TSXFrame(root_.get());
  parent->Matrix = RotationY(1024);
  TSXFrame* f = new TSXFrame(parent);
  f->Matrix = Translation(1, 2, 3);
  // Relative to the parent the vectors are stored as given.
  f->SetOrientation(parent, {0, 0, 2}, {0, 3, 0});
  ExpectVec(Row(f->Matrix, 0), 1, 0, 0, 0);
  ExpectVec(Row(f->Matrix, 1), 0, 3, 0, 0);
  ExpectVec(Row(f->Matrix, 2), 0, 0, 2, 0);
  ExpectVec(Row(f->Matrix, 3), 1, 2, 3, 0);
  // Relative to the root: the world axes, whatever the parent's turn; the position stays.
  f->SetOrientation(root_.get(), {0, 0, 1}, {0, 1, 0});
  const Mat4 w = f->GetWorldMatrix();
  ExpectVec(Row(w, 0), 1, 0, 0);
  ExpectVec(Row(w, 2), 0, 0, 1);
  ExpectVec(Row(f->Matrix, 3), 1, 2, 3, 0);
}

TEST_F(Frames, LookAtPointsTheZAxisAtTheTargetAndKeepsThePosition) {
  TSXFrame* cam = new TSXFrame(root_.get());
  cam->SetPosition(root_.get(), {0, 2, -5});
  TSXFrame* car = new TSXFrame(root_.get());
  car->SetPosition(root_.get(), {3, 0, 1});
  cam->LookAt(car, {0, 0, 0}, 0, root_.get());
  const Mat4 w = cam->GetWorldMatrix();
  ExpectOrthonormal(w);
  const Vec3 d = sx::Vec3Normalize({3, -2, 6});
  ExpectVec(Row(w, 2), d.x, d.y, d.z);
  EXPECT_NEAR(w.m[0][1], 0, kTol);  // x stays level: y as close to the world's up as it can be
  EXPECT_GT(w.m[1][1], 0);
  ExpectVec(Row(w, 3), 0, 2, -5);

  // A roll of a quarter turn about the new z axis: the old y axis becomes the x axis.
  const Vec3 oldY = Row(w, 1);
  cam->LookAt(car, {0, 0, 0}, 1024, root_.get());
  const Mat4 rolled = cam->GetWorldMatrix();
  ExpectOrthonormal(rolled);
  ExpectVec(Row(rolled, 2), d.x, d.y, d.z);
  ExpectVec(Row(rolled, 0), oldY.x, oldY.y, oldY.z);
}

TEST_F(Frames, LookAtStraightUpFallsBackToTheUpFramesXAxis) {
  TSXFrame* light = new TSXFrame(root_.get());
  light->Matrix = RotationY(300);
  light->SetPosition(root_.get(), {1, 0, 1});
  light->LookAt(root_.get(), {1, 10, 1}, 0, root_.get());
  const Mat4 w = light->GetWorldMatrix();
  ExpectOrthonormal(w);
  ExpectVec(Row(w, 2), 0, 1, 0);
  ExpectVec(Row(w, 0), 1, 0, 0);  // the root's x axis
  ExpectVec(Row(w, 3), 1, 0, 1);
}

TEST_F(Frames, LookAtItsOwnOriginKeepsTheOrientation) {
  TSXFrame* f = new TSXFrame(root_.get());
  f->Matrix = sx::MatMultiply(RotationY(700), Translation(2, 0, 0));
  const Mat4 before = f->Matrix;
  f->LookAt(root_.get(), {2, 0, 0}, 0, root_.get());
  ExpectMat(f->Matrix, before, 0);
}

TEST_F(Frames, TheLazyUpdateComputesTheChainBelowTheTopmostValidAncestor) {
  TSXFrame* a = new TSXFrame(root_.get());
  a->Matrix = Translation(1, 0, 0);
  TSXFrame* b = new TSXFrame(a);
  b->Matrix = Translation(0, 2, 0);
  b->MeshMatrix = Translation(0, 0, 5);
  TSXFrame* c = new TSXFrame(b);
  c->Matrix = Translation(0, 0, 3);

  // Nothing valid yet: the whole chain from the root.
  c->UpdateWorldMatrix();
  EXPECT_TRUE(c->WorldValid && b->WorldValid && a->WorldValid && root_->WorldValid);
  ExpectMat(c->WorldMatrix, Translation(1, 2, 3), 0);
  ExpectMat(b->MeshWorldMatrix, Translation(1, 2, 5), 0);

  // A stale matrix below a valid root is computed again.
  a->Matrix = Translation(-1, 0, 0);
  c->WorldValid = false;
  c->UpdateWorldMatrix();
  ExpectMat(c->WorldMatrix, Translation(-1, 2, 3), 0);
  ExpectMat(b->WorldMatrix, Translation(-1, 2, 0), 0);

  // UseMeshMatrix off: the mesh's world is the frame's.
  b->UseMeshMatrix = false;
  c->UpdateWorldMatrix();
  ExpectMat(b->MeshWorldMatrix, b->WorldMatrix, 0);
}

TEST_F(Frames, TheLazyUpdateTreatsIgnoreMatrixAsTheTraversalDoes) {
  TSXFrame* a = new TSXFrame(root_.get());
  a->Matrix = Translation(1, 0, 0);
  a->IgnoreMatrix = true;
  TSXFrame* b = new TSXFrame(a);
  b->Matrix = Translation(0, 2, 0);
  b->UpdateWorldMatrix();
  ExpectMat(a->WorldMatrix, sx::MatIdentity, 0);
  ExpectMat(b->WorldMatrix, Translation(0, 2, 0), 0);
  ExpectMat(b->WorldMatrix, b->GetWorldMatrix(), 0);
  TSXFrame lone(nullptr);
  lone.Matrix = Translation(3, 3, 3);
  lone.UpdateWorldMatrix();
  ExpectMat(lone.WorldMatrix, Translation(3, 3, 3), 0);
}

TEST_F(Frames, TextureSlotsOutsideTheEightAreIgnored) {
  TSXFrame f(nullptr);
  auto* t = reinterpret_cast<dg::TDGTexture*>(static_cast<std::uintptr_t>(0x1000));
  f.SetTexture(t);
  EXPECT_EQ(f.Texture(), t);
  f.SetTextureSlot(7, t);
  EXPECT_EQ(f.Textures[7], t);
  f.SetTextureSlot(8, t);  // no slot 8
  f.SetTextureSlot(static_cast<std::size_t>(-1), t);
  EXPECT_EQ(f.Textures[6], nullptr);
}

namespace {

// A frame that counts its destruction.
class CountedFrame : public TSXFrame {
 public:
  CountedFrame(TSXFrame* parent, int& gone) : TSXFrame(parent), gone_(gone) {}
  ~CountedFrame() override { ++gone_; }

 private:
  int& gone_;
};

}  // namespace

TEST_F(Frames, DestroyingAFrameDestroysItsSubtreeAndLeavesItsParent) {
  int gone = 0;
  TSXFrame* first = new CountedFrame(root_.get(), gone);
  TSXFrame* door = new CountedFrame(root_.get(), gone);
  TSXFrame* last = new CountedFrame(root_.get(), gone);
  TSXFrame* handle = new CountedFrame(door, gone);
  new CountedFrame(handle, gone);
  new CountedFrame(door, gone);
  delete door;
  EXPECT_EQ(gone, 4);
  ASSERT_EQ(root_->Children().Count(), 2u);
  EXPECT_EQ(root_->Children().Items(0), first);
  EXPECT_EQ(root_->Children().Items(1), last);
  root_.reset();
  EXPECT_EQ(gone, 6);
}
