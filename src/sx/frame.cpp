#include "sx/frame.h"

namespace sx {

// ---- TSXFrameList -----------------------------------------------------------------------------

std::ptrdiff_t TSXFrameList::IndexOf(const TSXFrame* frame) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == frame) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

void TSXFrameList::Remove(const TSXFrame* frame) {
  const std::ptrdiff_t i = IndexOf(frame);
  if (i >= 0) items_.erase(items_.begin() + i);
}

void TSXFrameList::Assign(const TSXFrameList& other) {
  if (&other == this) return;
  items_ = other.items_;
}

// ---- TSXFrame ---------------------------------------------------------------------------------

namespace {

// The 3x3 block and the position row of a matrix, for the operations that change only one of them.
void CopyBlock(const Mat4& from, Mat4& to) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) to.m[r][c] = from.m[r][c];
  }
}

void CopyPosition(const Mat4& from, Mat4& to) {
  for (int c = 0; c < 4; ++c) to.m[3][c] = from.m[3][c];
}

Mat4 WorldOf(const TSXFrame* frame) { return frame ? frame->GetWorldMatrix() : MatIdentity; }

}  // namespace

TSXFrame::TSXFrame(TSXFrame* parent) : parent_(parent) {
  if (parent_) {
    ancestors_.Assign(parent_->ancestors_);
    ancestors_.Add(parent_);
    parent_->children_.Add(this);
  }
}

TSXFrame::~TSXFrame() {
  // Each child's destructor takes it out of children_.
  while (TSXFrame* child = children_.First()) {
    delete child;
    children_.Remove(child);  // in case it did not leave by itself
  }
  if (parent_) parent_->children_.Remove(this);
}

Mat4 TSXFrame::GetWorldMatrix() const {
  Mat4 r = IgnoreMatrix ? MatIdentity : Matrix;
  // Parent up to, not including, the root (index 0).
  for (std::size_t i = ancestors_.Count(); i-- > 1;) {
    const TSXFrame* a = ancestors_.Items(i);
    if (!a->IgnoreMatrix) r = MatMultiply(r, a->Matrix);
  }
  return r;
}

Mat4 TSXFrame::GetInverseWorldMatrix() const { return MatInverseRigid(GetWorldMatrix()); }

Vec3 TSXFrame::LocalToWorld(const Vec3& point) const { return VectorTransform(point, GetWorldMatrix()); }

Vec3 TSXFrame::WorldToLocal(const Vec3& point) const { return VectorTransform(point, GetInverseWorldMatrix()); }

void TSXFrame::SetTransform(const TSXFrame* ref, const Mat4& m) {
  if (ref == this) {
    Matrix = MatMultiply(m, Matrix);
  } else if (ref == parent_) {
    Matrix = m;
  } else if (parent_) {
    Matrix = MatMultiply(MatMultiply(m, WorldOf(ref)), MatInverseRigid(parent_->GetWorldMatrix()));
  } else {
    Matrix = MatMultiply(m, WorldOf(ref));
  }
}

void TSXFrame::SetPosition(const TSXFrame* ref, const Vec3& position) {
  if (ref == parent_) {
    Matrix.m[3][0] = position.x;
    Matrix.m[3][1] = position.y;
    Matrix.m[3][2] = position.z;
    return;
  }
  const Mat4 saved = Matrix;
  Mat4 m = Matrix;
  m.m[3][0] = position.x;
  m.m[3][1] = position.y;
  m.m[3][2] = position.z;
  m.m[3][3] = 1;
  SetTransform(ref, m);
  CopyBlock(saved, Matrix);
}

void TSXFrame::SetOrientation(const TSXFrame* ref, const Vec3& direction, const Vec3& up) {
  const Vec3 right = Vec3Normalize(Vec3Cross(up, direction));
  const Vec3 rows[3] = {right, up, direction};
  if (ref == parent_) {
    for (int r = 0; r < 3; ++r) {
      Matrix.m[r][0] = rows[r].x;
      Matrix.m[r][1] = rows[r].y;
      Matrix.m[r][2] = rows[r].z;
      Matrix.m[r][3] = 0;
    }
    return;
  }
  const Mat4 saved = Matrix;
  Mat4 m = MatIdentity;
  for (int r = 0; r < 3; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  CopyPosition(saved, m);
  m.m[3][3] = 1;
  SetTransform(ref, m);
  CopyPosition(saved, Matrix);
}

void TSXFrame::LookAt(const TSXFrame* ref, const Vec3& target, AngleUnit roll, const TSXFrame* upFrame) {
  const Mat4 toLocal = GetInverseWorldMatrix();
  const Mat4 upWorld = WorldOf(upFrame);
  const Vec3 worldTarget = ref ? ref->LocalToWorld(target) : target;
  const Vec3 d = Vec3Normalize(VectorTransform(worldTarget, toLocal));
  if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) return;  // the target is the frame's own origin

  const Vec3 o = VectorTransform(VectorTransform({0, 0, 0}, upWorld), toLocal);
  const Vec3 y = VectorTransform(VectorTransform({0, 1, 0}, upWorld), toLocal);
  const Vec3 up = Vec3Normalize(Vec3Sub(y, o));
  Vec3 right = Vec3Cross(up, d);
  if (Vec3Length(right) < 0.0001f) {
    const Vec3 x = VectorTransform(VectorTransform({1, 0, 0}, upWorld), toLocal);
    right = Vec3Sub(x, o);
  }
  right = Vec3Normalize(right);
  const Vec3 up2 = Vec3Normalize(Vec3Cross(d, right));
  SetOrientation(this, d, up2);
  if (roll != 0) SetTransform(this, MatRotationZ(roll));
}

void TSXFrame::SetTextureSlot(std::size_t index, dg::TDGTexture* texture) {
  if (index < Textures.size()) Textures[index] = texture;
}

namespace {

// One step of the traversal's matrices for `frame` under a parent world matrix.
void ComputeWorld(TSXFrame& frame, const Mat4& parentWorld) {
  frame.WorldMatrix = frame.IgnoreMatrix ? parentWorld : MatMultiply(frame.Matrix, parentWorld);
  frame.MeshWorldMatrix = frame.UseMeshMatrix ? MatMultiply(frame.MeshMatrix, frame.WorldMatrix) : frame.WorldMatrix;
  frame.WorldValid = true;
}

}  // namespace

void TSXFrame::UpdateWorldMatrix() {
  const std::size_t count = ancestors_.Count();
  // The topmost valid ancestor is trusted; everything below it is computed again.
  std::size_t start = 0;
  bool found = false;
  for (std::size_t i = count; i-- > 0;) {
    if (ancestors_.Items(i)->WorldValid) {
      start = i + 1;
      found = true;
    }
  }
  if (!found && count > 0) {
    // No valid matrices anywhere above: the root as the traversal computes it from the identity.
    ComputeWorld(*ancestors_.Items(0), MatIdentity);
    start = 1;
  }
  for (std::size_t i = start; i < count; ++i) ComputeWorld(*ancestors_.Items(i), ancestors_.Items(i - 1)->WorldMatrix);
  ComputeWorld(*this, parent_ ? parent_->WorldMatrix : MatIdentity);
}

}  // namespace sx
