// Device loss on demand on the system's d3d9.dll: a Reset that Direct3D refuses while a
// default-pool buffer of ours is alive leaves the device waiting for a Reset of its owner.
#include "platform/device_loss.h"

namespace platform {

bool ForceDeviceLoss(IDirect3DDevice9* device) {
  if (!device || device->TestCooperativeLevel() != D3D_OK) return false;
  // Reset with the device's own present parameters while a default-pool buffer of ours is alive:
  // Direct3D refuses it and the device then waits for a Reset of its owner.
  IDirect3DSwapChain9* chain = nullptr;
  if (FAILED(device->GetSwapChain(0, &chain)) || !chain) return false;
  D3DPRESENT_PARAMETERS params{};
  const HRESULT got = chain->GetPresentParameters(&params);
  chain->Release();
  if (FAILED(got)) return false;
  // Wine's d3d9.dll keeps an active-light slot (eight in all) for every light still enabled at a
  // Reset, refused or not, and lights enabled later go dark once they are used up. The refused
  // Reset sets every state back anyway; the lights are switched off before it so that it leaves
  // no slot taken. Indices 0 .. kLightsLooked - 1 are looked at (the saver's are 0 .. 3).
  constexpr DWORD kLightsLooked = 64;
  for (DWORD i = 0; i < kLightsLooked; ++i) {
    BOOL on = FALSE;
    if (device->GetLightEnable(i, &on) == D3D_OK && on) device->LightEnable(i, FALSE);
  }
  IDirect3DVertexBuffer9* pin = nullptr;
  if (FAILED(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &pin, nullptr)) || !pin) return false;
  const HRESULT reset = device->Reset(&params);
  pin->Release();
  return FAILED(reset) && device->TestCooperativeLevel() == D3DERR_DEVICENOTRESET;
}

bool ResetFailure::Start(IDirect3DDevice9* device, unsigned count) {
  if (!device || device->TestCooperativeLevel() != D3D_OK) return false;
  Release();
  IDirect3DVertexBuffer9* pin = nullptr;
  if (FAILED(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &pin, nullptr)) || !pin) return false;
  if (!ForceDeviceLoss(device)) {
    pin->Release();
    return false;
  }
  pin_ = pin;
  left_ = count;
  return true;
}

void ResetFailure::BeforeReset() {
  if (!pin_) return;
  if (left_ > 0) {
    --left_;
    return;
  }
  Release();
}

void ResetFailure::Release() {
  if (pin_) pin_->Release();
  pin_ = nullptr;
  left_ = 0;
}

}  // namespace platform
