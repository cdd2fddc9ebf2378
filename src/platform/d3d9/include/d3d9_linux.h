// Linux-only hooks of the Direct3D 9 layer (d3d9gl), for tests, benchmarks and the saver's
// automation options. Nothing here exists on Windows; callers guard with #ifndef _WIN32.
#pragma once

#include "d3d9.h"

// Device loss on demand: the next TestCooperativeLevel answers D3DERR_DEVICELOST, every later
// one D3DERR_DEVICENOTRESET until Reset succeeds. While lost, drawing is skipped, Present answers
// D3DERR_DEVICELOST and Reset answers D3DERR_DEVICELOST until the loss has been reported once.
// Reset then follows Direct3D's rules (D3DERR_INVALIDCALL while D3DPOOL_DEFAULT resources or
// back-buffer / depth-surface references are held). A null device is ignored.
extern "C" void D3D9Linux_ForceDeviceLost(IDirect3DDevice9* device);

// Failed resets on demand: the next `count` calls of Reset that would succeed fail instead, as
// when the device is lost again while it is being reset: Reset answers D3DERR_DEVICELOST and
// the device is lost once more (TestCooperativeLevel: D3DERR_DEVICELOST once, then
// D3DERR_DEVICENOTRESET). 0 cancels what is left. A null device is ignored.
extern "C" void D3D9Linux_FailResets(IDirect3DDevice9* device, UINT count);

// The swap interval the layer asked SDL for at the last CreateDevice/Reset: 1 for
// D3DPRESENT_INTERVAL_DEFAULT and _ONE (wait for vertical sync), 0 for _IMMEDIATE. The second
// value tells whether the driver accepted it (the offscreen driver and Xvfb do not pace).
// Returns FALSE for a null device.
extern "C" BOOL D3D9Linux_GetSwapInterval(IDirect3DDevice9* device, int* requested, BOOL* accepted);

// Counters since device creation, for tests of the state cache and the benchmark.
typedef struct _D3D9LINUX_STATS {
  ULONGLONG drawCalls;       // GL draw calls issued
  ULONGLONG programBinds;    // glUseProgram calls
  ULONGLONG programsBuilt;   // fixed-function programs generated and linked
  ULONGLONG stateChanges;    // GL render-state calls (blend, depth, cull, ... ) actually sent
  ULONGLONG textureBinds;    // glBindTexture calls
  ULONGLONG bufferUploads;   // glBufferSubData calls for buffer Unlock
  ULONGLONG textureUploads;  // glTexSubImage2D calls for texture UnlockRect
  ULONGLONG upBytes;         // bytes streamed for DrawPrimitiveUP / DrawIndexedPrimitiveUP
} D3D9LINUX_STATS;
extern "C" BOOL D3D9Linux_GetStats(IDirect3DDevice9* device, D3D9LINUX_STATS* stats);

// Kill switch of the GL state cache: with FALSE every draw re-sends all GL state, to tell a cache
// fault from a translation fault. Default TRUE.
extern "C" void D3D9Linux_SetStateCache(IDirect3DDevice9* device, BOOL enabled);
