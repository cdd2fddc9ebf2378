#include "sx/light.h"

#include <cstring>

#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "sx/frame.h"

namespace sx {

namespace {

// TRUE as the system sends it to LightEnable: all bits set.
constexpr BOOL kAllBitsTrue = static_cast<BOOL>(-1);

}  // namespace

TSXLight::TSXLight(dg::TDGCarad& device, std::uint32_t index) : device_(device), index_(index) {
  std::memset(&light_, 0, sizeof light_);
  light_.Type = D3DLIGHT_DIRECTIONAL;
  light_.Diffuse = {1, 1, 1, 0};
  light_.Direction = {0, 0, 1};
}

void TSXLight::Send() {
  if (IDirect3DDevice9* d = device_.Device()) d->SetLight(index_, &light_);
}

void TSXLight::SetEnabled(bool on) {
  enabled_ = on;
  if (IDirect3DDevice9* d = device_.Device()) {
    d->SetLight(index_, &light_);
    d->LightEnable(index_, on ? kAllBitsTrue : FALSE);
  }
}

void TSXLight::SetSpecular(float r, float g, float b) {
  light_.Specular = {r, g, b, 1};
  if (AutoUpdate) Send();
}

void TSXLight::SetAmbient(float r, float g, float b) {
  light_.Ambient = {r, g, b, 1};
  if (AutoUpdate) Send();
}

void TSXLight::SetDirection(const Vec3& v) {
  light_.Type = D3DLIGHT_DIRECTIONAL;
  light_.Direction = {v.x, v.y, v.z};
  if (AutoUpdate) Send();
}

void TSXLight::SetFromFrame(const TSXFrame* frame) {
  const Mat4 w = frame ? frame->GetWorldMatrix() : MatIdentity;
  light_.Direction = {w.m[2][0], w.m[2][1], w.m[2][2]};
  light_.Position = {w.m[3][0], w.m[3][1], w.m[3][2]};
  if (AutoUpdate) Send();
}

TSXLightGroup::TSXLightGroup(dg::TDGCarad& device, const std::string& name, std::uint32_t count)
    : device_(device), name_(name) {
  resourceID_ = device_.RegisterResource(
      this, name_, {}, [this] { DeviceRestored(); }, [this] { DeviceLost(); }, [this] { DeviceRestored(); });
  lights_.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) lights_.push_back(std::make_unique<TSXLight>(device_, i));
}

TSXLightGroup::~TSXLightGroup() {
  device_.UnregisterResource(resourceID_);
  lights_.clear();
}

TSXLight* TSXLightGroup::Lights(std::int32_t index) const {
  const auto i = static_cast<std::uint32_t>(index);
  if (i < lights_.size()) return lights_[i].get();
  dg::DebugLog("TSXLightGroup @ ZIRer: 範囲外のライトを参照しようとしました");
  return nullptr;
}

void TSXLightGroup::DeviceRestored() {
  for (const auto& light : lights_) {
    if (light->Enabled()) light->SetEnabled(true);
  }
}

void TSXLightGroup::DeviceLost() {
  IDirect3DDevice9* d = device_.Device();
  if (!d || d->TestCooperativeLevel() != D3D_OK) return;
  for (const auto& light : lights_) {
    if (light->Enabled()) d->LightEnable(light->Index(), FALSE);
  }
}

}  // namespace sx
