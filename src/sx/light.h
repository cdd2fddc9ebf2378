// TSXLight keeps one Direct3D light (a D3DLIGHT9 record and its light index) and sends it to the
// device when it changes; TSXLightGroup owns lights 0 .. n-1 and sends the enabled ones again
// after the device was re-created or reset. Before a reset of a working device it switches its
// enabled lights off on the device: Wine's d3d9.dll (8.0) keeps one of its eight active-light
// slots for every light still enabled at a Reset, so with three lights one stays dark after the
// second Reset and all of them after the third (GetLightEnable still answers TRUE).
//
// A new light is directional along +z with white diffuse colour of alpha 0 (the library never
// changes the diffuse colour), black specular and ambient, everything else 0, disabled, with
// AutoUpdate on. Colours are 0..1 per channel. Nothing is sent at creation or destruction.
//
// Ownership: a group owns its lights; lights and groups do not own the device component. A group
// registers with the component: make it with `new` and destroy it before the component.
// Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dg/fwd.h"
#include "dg/object.h"
#include "sx/fwd.h"
#include "sx/mathpack.h"

namespace sx {

class TSXLight : public dg::TObject {
 public:
  TSXLight(dg::TDGCarad& device, std::uint32_t index);
  const char* ClassName() const override { return "TSXLight"; }

  // Stores the flag and sends the light and its enable state, whatever AutoUpdate says.
  void SetEnabled(bool on);
  // The next four change the record and, with AutoUpdate, send it (SetLight).
  void SetSpecular(float r, float g, float b);  // alpha 1
  void SetAmbient(float r, float g, float b);   // alpha 1
  // Makes the light directional along v (not normalised).
  void SetDirection(const Vec3& v);
  // Direction = the frame's z axis, Position = its origin, both in world space (none: +z at the
  // origin). The type is kept.
  void SetFromFrame(const TSXFrame* frame);

  dg::TDGCarad& Device() const { return device_; }
  std::uint32_t Index() const { return index_; }
  bool Enabled() const { return enabled_; }
  const D3DLIGHT9& Light() const { return light_; }

  bool AutoUpdate = true;

 private:
  void Send();

  dg::TDGCarad& device_;
  std::uint32_t index_;
  bool enabled_ = false;
  D3DLIGHT9 light_;
};

class TSXLightGroup : public dg::TObject {
 public:
  // Registers with the device and creates `count` lights with the indices 0 .. count-1.
  TSXLightGroup(dg::TDGCarad& device, const std::string& name, std::uint32_t count);
  ~TSXLightGroup() override;
  const char* ClassName() const override { return "TSXLightGroup"; }

  // The light with this index; an index outside 0 .. Count()-1 (negative ones included) writes
  // "TSXLightGroup @ ZIRer: ..." to the debug log and gives none.
  TSXLight* Lights(std::int32_t index) const;
  std::uint32_t Count() const { return static_cast<std::uint32_t>(lights_.size()); }
  // Enables again, in index order, every light whose Enabled is set.
  void DeviceRestored();
  // A reset is about to happen: on a working device, LightEnable(FALSE) for every light whose
  // Enabled is set (the flags stay). A lost device is left alone: it takes nothing but
  // TestCooperativeLevel, Reset and Release.
  void DeviceLost();

  dg::TDGCarad& Device() const { return device_; }
  std::int32_t ResourceID() const { return resourceID_; }
  const std::string& Name() const { return name_; }

 private:
  dg::TDGCarad& device_;
  std::int32_t resourceID_ = 0;
  std::string name_;
  std::vector<std::unique_ptr<TSXLight>> lights_;
};

}  // namespace sx
