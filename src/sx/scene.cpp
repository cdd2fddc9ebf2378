#include "sx/scene.h"

#include <cmath>
#include <cstring>

#include "dg/carad.h"
#include "sx/frame.h"
#include "sx/mesh.h"

namespace sx {

namespace {

D3DMATRIX ToD3D(const Mat4& m) {
  D3DMATRIX d;
  std::memcpy(&d, &m, sizeof d);
  return d;
}

}  // namespace

TSXScene::TSXScene(dg::TDGCarad& device, const std::string& name) : device_(device), name_(name) {
  opaqueQueue_ = std::make_unique<TSXRenderingQueue>(device_, *this);
  blendQueue_ = std::make_unique<TSXRenderingQueue>(device_, *this);
  overlayQueue_ = std::make_unique<TSXRenderingQueue>(device_, *this);
  stateRestorer_ = std::make_unique<TSXStateRestorer>(device_);
  resourceID_ = device_.RegisterResource(
      this, name_, {}, [this] { DeviceRestored(); }, {}, [this] { DeviceRestored(); });
  AddBlendMode(MakeBlendMode(0, 0, D3DCMP_ALWAYS, 0, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD));
  AddBlendMode(MakeBlendMode(1, 0, D3DCMP_ALWAYS, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD));
  AddBlendMode(MakeBlendMode(1, 0, D3DCMP_ALWAYS, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD));
  AddBlendMode(MakeBlendMode(1, 0, D3DCMP_ALWAYS, 1, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD));
  AddBlendMode(MakeBlendMode(1, 0, D3DCMP_ALWAYS, 1, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD));
  AddBlendMode(MakeBlendMode(0, 1, D3DCMP_GREATER, 0, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD));
  camera_ = nullptr;
  SortBlendQueue = true;
  const int width = device_.Window().ClientWidth();
  const int height = device_.Window().ClientHeight();
  SetViewport(0, 0, static_cast<std::uint32_t>(width > 0 ? width : 0),
              static_cast<std::uint32_t>(height > 0 ? height : 0));
  // A window without width has no aspect; 1 keeps the projection finite.
  const float aspect = width > 0 ? static_cast<float>(height) / static_cast<float>(width) : 1.0f;
  SetProjection(1.5707964f, aspect, 0.01f, 10000.0f);
  CheckCaps();
}

TSXScene::~TSXScene() {
  device_.UnregisterResource(resourceID_);
  stateRestorer_.reset();
  blendQueue_.reset();
  opaqueQueue_.reset();
  overlayQueue_.reset();
}

void TSXScene::SetViewport(std::uint32_t left, std::uint32_t top, std::uint32_t right, std::uint32_t bottom) {
  viewport_.X = left;
  viewport_.Y = top;
  viewport_.Width = right - left;
  viewport_.Height = bottom - top;
  viewport_.MinZ = 0;
  viewport_.MaxZ = 1;
  const float w = static_cast<float>(viewport_.Width);
  const float h = static_cast<float>(viewport_.Height);
  screen_ = MatIdentity;
  screen_.m[0][0] = w / 2;
  screen_.m[1][1] = -h / 2;
  screen_.m[2][2] = viewport_.MaxZ - viewport_.MinZ;
  screen_.m[3][0] = static_cast<float>(viewport_.X) + w / 2;
  screen_.m[3][1] = static_cast<float>(viewport_.Y) + h / 2;
  screen_.m[3][2] = viewport_.MinZ;
  if (IDirect3DDevice9* d = device_.Device()) d->SetViewport(&viewport_);
}

void TSXScene::SetProjection(float fov, float aspect, float nearPlane, float farPlane) {
  const double c = std::cos(fov / 2.0) / std::sin(fov / 2.0);
  const double q = static_cast<double>(farPlane) / (static_cast<double>(farPlane) - nearPlane);
  projection_ = MatIdentity;
  projection_.m[0][0] = static_cast<float>(aspect * c);
  projection_.m[1][1] = static_cast<float>(c);
  projection_.m[2][2] = static_cast<float>(q);
  projection_.m[2][3] = 1;
  projection_.m[3][2] = static_cast<float>(-nearPlane * q);
  projection_.m[3][3] = 0;
  if (IDirect3DDevice9* d = device_.Device()) {
    const D3DMATRIX m = ToD3D(projection_);
    d->SetTransform(D3DTS_PROJECTION, &m);
  }
  farPlane_ = farPlane;
  nearPlane_ = nearPlane;
  fieldOfView_ = fov;
  halfAngleH_ = static_cast<float>(std::atan2(1.0 / projection_.m[0][0], 1.0));
  aspect_ = aspect;
}

void TSXScene::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if (IDirect3DDevice9* d = device_.Device()) d->Clear(0, nullptr, flags, color, z, stencil);
}

Mat4 TSXScene::ViewMatrix() const { return camera_ ? camera_->GetInverseWorldMatrix() : MatIdentity; }

void TSXScene::Render(TSXFrame* root) {
  IDirect3DDevice9* d = device_.Device();
  const Mat4 view = ViewMatrix();
  if (d) {
    const D3DMATRIX m = ToD3D(view);
    d->SetTransform(D3DTS_VIEW, &m);
  }
  if (root) Visit(*root, root->Parent() ? root->Parent()->GetWorldMatrix() : MatIdentity);
  opaqueQueue_->Flush(false, view, viewport_);
  blendQueue_->Flush(SortBlendQueue, view, viewport_);
  if (d) {
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  }
  overlayQueue_->Flush(false, view, viewport_);
  if (d) {
    d->SetRenderState(D3DRS_ZENABLE, 1);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    d->SetTexture(0, nullptr);
  }
}

void TSXScene::DropQueued() {
  opaqueQueue_->Drop();
  blendQueue_->Drop();
  overlayQueue_->Drop();
}

void TSXScene::Visit(TSXFrame& f, const Mat4& parentWorld) {
  f.WorldValid = false;
  std::uint8_t v = f.Visibility;
  if (f.OnCheckVisibility) {
    f.OnCheckVisibility(f, *this, v, device_);
  } else if (v != kHidden && f.Cull &&
             !IsSphereVisible(MatMultiply(f.Matrix, parentWorld), f.BoundingSphere, farPlane_)) {
    v = kHidden;
  }
  const bool leaf = f.Children().Count() == 0;
  if (v == kHidden || (leaf && (v == kChildrenOnly || (!f.Mesh && !f.OnRender)))) return;

  f.WorldMatrix = f.IgnoreMatrix ? parentWorld : MatMultiply(f.Matrix, parentWorld);
  f.MeshWorldMatrix = f.UseMeshMatrix ? MatMultiply(f.MeshMatrix, f.WorldMatrix) : f.WorldMatrix;
  f.WorldValid = true;

  if (v == kVisible) {
    if (f.Mesh && !f.OnCheckVisibility) {
      TSXSphere s{f.Mesh->Center, f.Mesh->Radius};
      if (f.UseMeshMatrix) {
        s.Center.x += f.MeshMatrix.m[3][0];
        s.Center.y += f.MeshMatrix.m[3][1];
        s.Center.z += f.MeshMatrix.m[3][2];
        // A mirroring mesh matrix turns the determinant negative; the sphere's size is its magnitude.
        s.Radius *= std::fabs(Mat3Determinant(f.MeshMatrix));
      }
      if (IsSphereVisible(f.WorldMatrix, s, farPlane_)) QueueFor(f.BlendModeIndex, false).AddFrame(&f);
    } else if (f.OnRender && (f.Mesh || f.OnGetDepth)) {
      QueueFor(f.BlendModeIndex, false).AddFrame(&f);
    }
  }
  // Children may be added or removed by handlers: index, not iterator.
  for (std::size_t i = 0; i < f.Children().Count(); ++i) Visit(*f.Children().Items(i), f.WorldMatrix);
}

bool TSXScene::IsSphereVisible(const Mat4& m, const TSXSphere& sphere, float farDistance) const {
  const float r = sphere.Radius;
  if (!(r > 0)) return false;
  const Vec3 c = VectorTransform(sphere.Center, MatMultiply(m, ViewMatrix()));
  if (c.z < -r || c.z > farDistance + r) return false;
  const double a = fieldOfView_ / 2.0;
  const float sa = static_cast<float>(std::sin(a)), ca = static_cast<float>(std::cos(a));
  // Left and right against the horizontal half-angle: a wide viewport sees further sideways.
  const float sh = static_cast<float>(std::sin(static_cast<double>(halfAngleH_)));
  const float ch = static_cast<float>(std::cos(static_cast<double>(halfAngleH_)));
  if (c.x * ch + c.z * sh < -r || -c.x * ch + c.z * sh < -r) return false;
  if (-c.y * ca + c.z * sa < -r || c.y * ca + c.z * sa < -r) return false;
  return true;
}

std::int32_t TSXScene::AddBlendMode(const BlendMode& row) {
  blendModes_.push_back(row);
  return static_cast<std::int32_t>(blendModes_.size() - 1);
}

const BlendMode& TSXScene::BlendModeRow(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= blendModes_.size()) return blendModes_.front();
  return blendModes_[static_cast<std::size_t>(index)];
}

TSXRenderingQueue& TSXScene::QueueFor(std::int32_t blendModeIndex, bool overlay) const {
  if (overlay) return *overlayQueue_;
  return BlendModeRow(blendModeIndex).sorted ? *blendQueue_ : *opaqueQueue_;
}

void TSXScene::AddSprite(TSXFrame* frame, const Vec3& position, const SpriteVertex vertices[4], dg::TDGTexture* texture,
                         std::int32_t blendModeIndex, bool scaleWithDistance, bool linearFilter, bool overlay) {
  QueueFor(blendModeIndex, overlay)
      .AddSprite(scaleWithDistance, linearFilter, vertices, texture, position, frame, blendModeIndex);
}

void TSXScene::AddScreenSprite(const Vec2& position, const SpriteVertex vertices[4], dg::TDGTexture* texture,
                               std::int32_t blendModeIndex, bool linearFilter, bool overlay, float z) {
  QueueFor(blendModeIndex, overlay)
      .AddScreenSprite(linearFilter, blendModeIndex, vertices, texture, position.x, position.y, overlay ? 0.0f : z);
}

void TSXScene::CheckCaps() {
  blendOpSupported_ = false;
  IDirect3D9* d3d = device_.D3D();
  if (!d3d) return;
  D3DCAPS9 caps;
  std::memset(&caps, 0, sizeof caps);
  if (d3d->GetDeviceCaps(device_.Adapter(), device_.DeviceType(), &caps) == D3D_OK) {
    blendOpSupported_ = (caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP) != 0;
  }
}

void TSXScene::DeviceRestored() {
  if (IDirect3DDevice9* d = device_.Device()) {
    d->SetViewport(&viewport_);
    const D3DMATRIX m = ToD3D(projection_);
    d->SetTransform(D3DTS_PROJECTION, &m);
  }
  CheckCaps();
}

}  // namespace sx
