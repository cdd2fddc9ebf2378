// Device loss on demand on Linux, through the project's layer: it marks the device lost and counts
// the failing resets itself, so a ResetFailure holds nothing here.
#include <d3d9_linux.h>

#include "platform/device_loss.h"

namespace platform {

bool ForceDeviceLoss(IDirect3DDevice9* device) {
  if (!device || device->TestCooperativeLevel() != D3D_OK) return false;
  D3D9Linux_ForceDeviceLost(device);
  return true;
}

bool ResetFailure::Start(IDirect3DDevice9* device, unsigned count) {
  if (!device || device->TestCooperativeLevel() != D3D_OK) return false;
  Release();
  if (!ForceDeviceLoss(device)) return false;
  D3D9Linux_FailResets(device, count);
  return true;
}

void ResetFailure::BeforeReset() {}

void ResetFailure::Release() {}

}  // namespace platform
