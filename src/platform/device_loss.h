// Device loss on demand, for the automation (--lose-device) and tests: after ForceDeviceLoss the
// device behaves as after a real loss, so that TestCooperativeLevel, the reset of the device
// component and the resources' lost/reset callbacks run as they would for the user.
//
// Linux: the project's layer marks the device lost (D3D9Linux_ForceDeviceLost): TestCooperativeLevel
//        answers D3DERR_DEVICELOST once, then D3DERR_DEVICENOTRESET until a Reset.
// Windows: the system's d3d9.dll offers no such switch, and Wine never loses a windowed device
//        (deactivation, minimising and display-mode changes leave it working). A Reset that
//        Direct3D refuses, because a default-pool resource is alive, leaves the device in the
//        not-reset state instead: TestCooperativeLevel answers D3DERR_DEVICENOTRESET until a
//        Reset succeeds. Until then only TestCooperativeLevel, Reset and Release may be called
//        (Wine 8 crashes on drawing calls made in that state); the frame loop calls nothing else.
//        The enabled lights are switched off before that Reset (see win32/device_loss_win32.cpp).
//
// Returns false, and changes nothing, for a null device or one that is not working (D3D_OK).
// The device stays owned by the caller; nothing is kept.
#pragma once

#include "platform/d3d.h"

namespace platform {

bool ForceDeviceLoss(IDirect3DDevice9* device);

// A device loss whose next resets fail, for the automation (--fail-reset) and tests: Start loses
// the device as ForceDeviceLoss does, and its owner's next `count` Resets fail before one succeeds.
// Linux: the layer's D3D9Linux_FailResets, as when the device is lost again while it is being
//        reset (Reset answers D3DERR_DEVICELOST, TestCooperativeLevel D3DERR_DEVICELOST once and
//        then D3DERR_DEVICENOTRESET).
// Windows: a default-pool vertex buffer held across the resets, which Direct3D refuses with
//        D3DERR_INVALIDCALL (the device stays waiting for its reset).
// BeforeReset goes just before each Reset of the device (it lets go of the buffer when the count
// is spent), Release before the device is released (a buffer still held would keep the device
// alive); the destructor releases as well. The device stays owned by the caller.
class ResetFailure {
 public:
  ResetFailure() = default;
  ResetFailure(const ResetFailure&) = delete;
  ResetFailure& operator=(const ResetFailure&) = delete;
  ~ResetFailure() { Release(); }

  // False, with nothing changed, for a null device or one that is not working (D3D_OK).
  bool Start(IDirect3DDevice9* device, unsigned count);
  void BeforeReset();
  void Release();

 private:
  // Windows only: Linux's layer keeps the count itself and nothing is held here.
  [[maybe_unused]] IDirect3DVertexBuffer9* pin_ = nullptr;  // the buffer that blocks the resets
  [[maybe_unused]] unsigned left_ = 0;                      // resets still to be refused while it is held
};

}  // namespace platform
