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
//        The enabled lights are switched off before that Reset (see device_loss.cpp).
//
// Returns false, and changes nothing, for a null device or one that is not working (D3D_OK).
// The device stays owned by the caller; nothing is kept.
#pragma once

#include "platform/d3d.h"

namespace platform {

bool ForceDeviceLoss(IDirect3DDevice9* device);

}  // namespace platform
