// TDGCarad: the component that owns Direct3D 9 for one window, and its registry of
// device-dependent resources.
//
// It creates the IDirect3D9 object, a windowed device that draws into the owner window, keeps the
// present parameters, the back-buffer and depth-stencil surfaces, and resets the device after a
// loss. Every step goes to the detail log and every Direct3D result through CheckResult
// (diagnostics.h). It does not wrap drawing: callers use Device() and D3D() directly.
//
// Lifecycle: construct with the window (options at their defaults), set the options, call
// Initialize once (creates D3D and a first device of the client size), SetWindowMode any number of
// times, ResetDevice when TestCooperativeLevel answers D3DERR_DEVICENOTRESET, destroy. The
// component owns D3D, the device and the surfaces it fetched; it releases them itself.
//
// The registry: every resource registers in its constructor (RegisterResource, keeping the ID) and
// unregisters in its destructor. The four callbacks run in registration order; an empty one is
// skipped. IDs are 0, 1, 2, ... and never reused in a run. A resource still registered when the
// component is destroyed is deleted by it (one log line each, oldest first): owners must therefore
// be objects made with `new`, and whoever keeps such an owner must destroy it before the
// component; afterwards it is gone.
//
// At most one TDGCarad per window handle in the process: constructing a second for a window that
// has one throws EDGCaradError.
//
// Single-threaded: all calls and all callbacks on the window's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dg/diagnostics.h"
#include "dg/exception.h"
#include "dg/object.h"
#include "dg/window.h"
#include "platform/d3d.h"

namespace dg {

class EDGCaradError : public Exception {
 public:
  using Exception::Exception;
};

// A registry callback ("procedure of object"); an empty function is an unassigned one.
using TDGNotify = std::function<void()>;

// One registered resource. The component owns the record, not the owner.
class TDGResourceDesc {
 public:
  std::int32_t ID = 0;
  std::string Name;          // given by the resource's creator, may be empty
  TObject* Owner = nullptr;  // the resource object; its ClassName goes into log lines
  TDGNotify OnRelease;       // the device is about to be released: release its device objects
  TDGNotify OnRebuild;       // a new device exists: recreate them
  TDGNotify OnLost;          // a reset is about to happen: release default-pool objects
  TDGNotify OnReset;         // the reset is done: recreate those
};

// The floating-point step of Initialize: clears pending exceptions and loads the control word
// 0x133F (every exception masked, 64-bit precision, round to nearest). On x86 that is the x87
// control word itself; on x86-64 the x87 word as well (used for long double) and MXCSR := 0x1F80,
// the SSE state with the same meaning (all exceptions masked, round to nearest, flags cleared, no
// flush-to-zero); elsewhere the C library's rounding mode and exception flags.
void LoadFloatingPointControlWord();

// How Initialize obtains the Direct3D object: Direct3DCreate9 itself, or a stand-in in tests.
using TDGDirect3DFactory = IDirect3D9*(WINAPI*)(UINT sdkVersion);

class TDGCarad {
 public:
  // Options: DebugOption all three, UseREFDevice and UseSoftwareVertexProcessing false. Throws
  // EDGCaradError with the system's message when `window`'s handle already has a component.
  // `factory` gives Initialize its Direct3D object, whose reference then belongs to the component.
  explicit TDGCarad(TDGWindow& window, TDGDirect3DFactory factory = &Direct3DCreate9);
  TDGCarad(const TDGCarad&) = delete;
  TDGCarad& operator=(const TDGCarad&) = delete;
  // Destroys leftover resources, releases the device and D3D.
  ~TDGCarad();

  // Start-up, once (later calls do nothing): assigns DebugOption to the diagnostics, the
  // floating-point step, D3D, and a device of the window's client size without a depth buffer.
  void Initialize();

  // Releases the old device and creates a windowed one of width x height pixels, then sizes the
  // window so that its client area is width x height at its current position. depthFormats are
  // tried in order (empty: no depth buffer); presentInterval is a D3DPRESENT_INTERVAL value.
  void SetWindowMode(UINT width, UINT height, const std::vector<D3DFORMAT>& depthFormats, UINT presentInterval,
                     D3DSWAPEFFECT swapEffect, D3DMULTISAMPLE_TYPE multiSample, UINT adapter);

  // Builds the present parameters for `mode` and creates the device (HAL with hardware or software
  // vertex processing, or REF). Only the windowed form is used by SetWindowMode.
  void InitScreenMode(UINT adapter, bool windowed, const D3DDISPLAYMODE& mode, D3DMULTISAMPLE_TYPE multiSample,
                      const std::vector<D3DFORMAT>& depthFormats, D3DSWAPEFFECT swapEffect, UINT presentInterval);

  // The first of `formats` that CheckDepthStencilMatch accepts for params' back-buffer format,
  // when params asks for an automatic depth buffer; otherwise D3DFMT_UNKNOWN (with a detail line).
  D3DFORMAT ChooseDepthFormat(D3DDEVTYPE deviceType, UINT adapter, const D3DPRESENT_PARAMETERS& params,
                              const std::vector<D3DFORMAT>& formats);

  // Creates the device (releasing an existing one first), fetches its surfaces, stores `params` as
  // Direct3D returned them and rebuilds every resource. A failed creation stops after its check:
  // no device, no surfaces, no rebuild. Returns the CreateDevice result.
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS& params);

  // Every resource releases its device objects, then the surfaces and the device go.
  void ReleaseDevice();
  // OnLost for all, surfaces released, Reset with PresentParams, surfaces fetched, OnReset for all.
  // A failed Reset is logged but never halts the program (the device can be reset again on a later
  // frame); the surfaces and OnReset then wait for the next call. Returns the Reset result.
  HRESULT ResetDevice();
  // The window has a new client size: the back buffer takes it through ResetDevice (a failed
  // reset is retried as after a loss, with the new size). Nothing without a device or when the
  // size is the same.
  void ResizeBackBuffer(UINT width, UINT height);

  // Appends a record and returns its ID.
  std::int32_t RegisterResource(TObject* owner, const std::string& name, TDGNotify onRelease, TDGNotify onRebuild,
                                TDGNotify onLost, TDGNotify onReset);
  // Removes and frees the record with this ID; an unknown ID is a failure (CheckResult code 1).
  void UnregisterResource(std::int32_t id);

  // Properties.
  IDirect3D9* D3D() const { return d3d_; }
  IDirect3DDevice9* Device() const { return device_; }
  // Back buffer i; null when i is out of range (no device).
  IDirect3DSurface9* BackBuffers(std::int32_t i) const;
  IDirect3DSurface9* DepthStencil() const { return depthStencil_; }
  std::int32_t BackBufferCount() const { return backBufferCount_; }
  TDGDebugOption DebugOption() const { return debugOption_; }
  // Stores the set and updates the diagnostics switches at once.
  void SetDebugOption(TDGDebugOption options);
  bool UseREFDevice() const { return useREFDevice_; }
  void SetUseREFDevice(bool value) { useREFDevice_ = value; }
  bool UseSoftwareVertexProcessing() const { return useSoftwareVertexProcessing_; }
  void SetUseSoftwareVertexProcessing(bool value) { useSoftwareVertexProcessing_ = value; }
  bool Windowed() const { return windowed_; }
  D3DFORMAT BackBufferFormat() const { return backBufferFormat_; }
  UINT BackBufferWidth() const { return backBufferWidth_; }
  UINT BackBufferHeight() const { return backBufferHeight_; }
  TDGWindow& Window() const { return window_; }
  const D3DPRESENT_PARAMETERS& PresentParams() const { return presentParams_; }
  UINT Adapter() const { return adapter_; }
  D3DDEVTYPE DeviceType() const { return deviceType_; }
  std::int32_t NextResourceID() const { return nextResourceID_; }
  const std::vector<std::unique_ptr<TDGResourceDesc>>& Resources() const { return resources_; }

 private:
  enum class Callback { Release, Rebuild, Lost, Reset };
  void RunCallbacks(Callback which);
  void FetchSurfaces();

  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  std::vector<IDirect3DSurface9*> backBuffers_;
  IDirect3DSurface9* depthStencil_ = nullptr;
  std::int32_t backBufferCount_ = 0;
  TDGDebugOption debugOption_ = dgoHaltOnError | dgoDebugMessage | dgoDetailedLog;
  bool useREFDevice_ = false;
  bool useSoftwareVertexProcessing_ = false;
  bool windowed_ = false;
  D3DFORMAT backBufferFormat_ = D3DFMT_UNKNOWN;
  UINT backBufferWidth_ = 0;
  UINT backBufferHeight_ = 0;
  TDGWindow& window_;
  D3DPRESENT_PARAMETERS presentParams_{};
  UINT adapter_ = 0;
  D3DDEVTYPE deviceType_ = D3DDEVTYPE_HAL;
  std::int32_t nextResourceID_ = 0;
  std::vector<std::unique_ptr<TDGResourceDesc>> resources_;

  TDGDirect3DFactory factory_ = nullptr;
  HWND handle_ = nullptr;  // the window handle this component is counted for
  bool initialized_ = false;
};

}  // namespace dg
