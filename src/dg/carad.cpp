#include "dg/carad.h"

#include <algorithm>
#include <cfenv>
#include <cstring>

#include "dg/format.h"

namespace dg {

namespace {

// The windows that have a component, for the one-per-window rule.
std::vector<HWND>& CaradWindows() {
  static std::vector<HWND> windows;
  return windows;
}

// TRUE as the system writes it into the present parameters: all bits set.
constexpr BOOL kAllBitsTrue = static_cast<BOOL>(-1);

std::string Bounded(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

}  // namespace

void LoadFloatingPointControlWord() {
#if defined(__i386__) || defined(__x86_64__)
  const unsigned short controlWord = 0x133F;
  __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(controlWord));
#endif
#if defined(__x86_64__)
  const unsigned int mxcsr = 0x1F80;
  __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr));
#elif !defined(__i386__)
  std::feclearexcept(FE_ALL_EXCEPT);
  std::fesetround(FE_TONEAREST);
#endif
}

TDGCarad::TDGCarad(TDGWindow& window, TDGDirect3DFactory factory)
    : window_(window), factory_(factory), handle_(window.Handle()) {
  std::vector<HWND>& windows = CaradWindows();
  if (std::find(windows.begin(), windows.end(), handle_) != windows.end()) {
    throw EDGCaradError("DGCaradコンポーネントを、同一フォームに2つ以上貼る事はできません");
  }
  windows.push_back(handle_);
}

TDGCarad::~TDGCarad() {
  DetailLog("");
  DetailLog("■■■お別れの時がやってまいりました■■■");
  IndentLog();
  while (!resources_.empty()) {
    TDGResourceDesc* first = resources_.front().get();
    const std::int32_t id = first->ID;
    TObject* owner = first->Owner;
    DetailLog(
        Format("ID %d(%s) のDGCaradリソースは、明示的に解放されていません", static_cast<int>(id), first->Name.c_str()));
    delete owner;  // its destructor unregisters it
    // An owner that did not unregister (or none at all) must not stop the loop, and a second
    // record of the same owner must not delete it twice.
    resources_.erase(std::remove_if(resources_.begin(), resources_.end(),
                                    [&](const std::unique_ptr<TDGResourceDesc>& r) {
                                      return r->ID == id || (owner != nullptr && r->Owner == owner);
                                    }),
                     resources_.end());
  }
  DetailLog("DGCaradオブジェクトの解放に伴い、全ての関連オブジェクトを解放します");
  ReleaseDevice();
  DetailLog("Direct3Dオブジェクトの解放を行います");
  if (d3d_) {
    CheckResult(static_cast<std::int32_t>(d3d_->Release()), "Direct3Dオブジェクトの解放に失敗しました");
    d3d_ = nullptr;
  }
  resources_.clear();
  OutdentLog();
  DetailLog("■■■それではごきげんよう■■■");
  DetailLog("");

  std::vector<HWND>& windows = CaradWindows();
  const auto it = std::find(windows.begin(), windows.end(), handle_);
  if (it != windows.end()) windows.erase(it);
}

void TDGCarad::SetDebugOption(TDGDebugOption options) {
  debugOption_ = options;
  AssignDebugOption(options);
}

IDirect3DSurface9* TDGCarad::BackBuffers(std::int32_t i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= backBuffers_.size()) return nullptr;
  return backBuffers_[static_cast<std::size_t>(i)];
}

void TDGCarad::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  device_ = nullptr;
  depthStencil_ = nullptr;
  backBuffers_.clear();
  backBufferCount_ = 0;
  SetDebugOption(debugOption_);
  LoadFloatingPointControlWord();
  // The registry is empty and the IDs start at 0 from construction; nothing to renew here.

  DetailLog("");
  DetailLog("■■■起動時の初期化をします■■■");
  IndentLog();
  DetailLog("Direct3Dを生成します");
  d3d_ = factory_ ? factory_(31) : nullptr;
  if (!d3d_) {
    CheckResult(1, "Direct3Dオプジェクトすら生成できません、論外");
    return;
  }
  DetailLog("ウィンドウのクライアント領域のサイズに合わせて初期化を開始します");
  SetWindowMode(static_cast<UINT>(window_.ClientWidth()), static_cast<UINT>(window_.ClientHeight()), {},
                D3DPRESENT_INTERVAL_DEFAULT, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  OutdentLog();
  DetailLog("■■■DGCarad 起動しました■■■");
  DetailLog("");
}

void TDGCarad::SetWindowMode(UINT width, UINT height, const std::vector<D3DFORMAT>& depthFormats, UINT presentInterval,
                             D3DSWAPEFFECT swapEffect, D3DMULTISAMPLE_TYPE multiSample, UINT adapter) {
  DetailLog("");
  DetailLog("■■■Windowモードへ移行します■■■");
  IndentLog();
  ReleaseDevice();
  if (!d3d_) {
    // Without the Direct3D object there is nothing to create a device with.
    CheckResult(1, "Direct3Dオプジェクトすら生成できません、論外");
  } else {
    D3DDISPLAYMODE mode{};
    d3d_->GetAdapterDisplayMode(adapter, &mode);
    mode.Width = width;
    mode.Height = height;
    InitScreenMode(adapter, true, mode, multiSample, depthFormats, swapEffect, presentInterval);
    const int frameWidth = window_.Width() - window_.ClientWidth();
    const int frameHeight = window_.Height() - window_.ClientHeight();
    window_.SetWindowPos(window_.Left(), window_.Top(), static_cast<int>(width) + frameWidth,
                         static_cast<int>(height) + frameHeight);
  }
  OutdentLog();
  DetailLog("■■■Windowモードへ移行しました■■■");
  DetailLog("");
}

void TDGCarad::InitScreenMode(UINT adapter, bool windowed, const D3DDISPLAYMODE& mode, D3DMULTISAMPLE_TYPE multiSample,
                              const std::vector<D3DFORMAT>& depthFormats, D3DSWAPEFFECT swapEffect,
                              UINT presentInterval) {
  DetailLog("");
  DetailLog("■■■画面モードを初期化します■■■");
  IndentLog();
  if (!d3d_) {
    CheckResult(1, "Direct3Dオプジェクトすら生成できません、論外");
    OutdentLog();
    DetailLog("■■■画面モードを初期化しました■■■");
    DetailLog("");
    return;
  }

  D3DPRESENT_PARAMETERS params;
  std::memset(&params, 0, sizeof params);
  params.BackBufferWidth = mode.Width;
  params.BackBufferHeight = mode.Height;
  params.BackBufferFormat = mode.Format;
  params.BackBufferCount = 0;
  params.MultiSampleType = multiSample;
  params.MultiSampleQuality = 0;
  params.SwapEffect = swapEffect;
  params.hDeviceWindow = window_.Handle();
  params.Windowed = windowed ? kAllBitsTrue : 0;
  params.EnableAutoDepthStencil = depthFormats.empty() ? 0 : kAllBitsTrue;
  params.Flags = 0;
  params.FullScreen_RefreshRateInHz = windowed ? 0 : mode.RefreshRate;
  params.PresentationInterval = presentInterval;

  D3DADAPTER_IDENTIFIER9 id;
  std::memset(&id, 0, sizeof id);
  d3d_->GetAdapterIdentifier(adapter, 0, &id);
  DetailLog(Format("Driver : %s", Bounded(id.Driver, sizeof id.Driver).c_str()));
  DetailLog(Format("Description : %s", Bounded(id.Description, sizeof id.Description).c_str()));
  DetailLog(Format("VendorID : %.8X, DeviceID : %.8X, SubSysID : %.8X, Revision : %.8X",
                   static_cast<unsigned>(id.VendorId), static_cast<unsigned>(id.DeviceId),
                   static_cast<unsigned>(id.SubSysId), static_cast<unsigned>(id.Revision)));
  if (windowed) {
    DetailLog(
        Format("ウィンドウモード %dx%dで初期化します", static_cast<int>(mode.Width), static_cast<int>(mode.Height)));
  } else {
    DetailLog(Format("フルスクリーンモード %dx%d %dHz %s で初期化します", static_cast<int>(mode.Width),
                     static_cast<int>(mode.Height), static_cast<int>(mode.RefreshRate),
                     FormatName(static_cast<std::uint32_t>(mode.Format)).c_str()));
  }

  D3DCAPS9 caps;
  std::memset(&caps, 0, sizeof caps);
  const HRESULT capsResult = d3d_->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps);
  HWND handle = window_.Handle();
  if (FAILED(capsResult) || useREFDevice_) {
    DetailLog("ソフトウェアエミュレーションを利用します");
    const D3DFORMAT depth = ChooseDepthFormat(D3DDEVTYPE_REF, adapter, params, depthFormats);
    params.AutoDepthStencilFormat = depth;
    DetailLog("デプスステンシルサーフェスのフォーマット..." + FormatName(static_cast<std::uint32_t>(depth)));
    CreateDevice(adapter, D3DDEVTYPE_REF, handle, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params);
  } else {
    DetailLog("ハードウェアアクセラレーションを利用します");
    const D3DFORMAT depth = ChooseDepthFormat(D3DDEVTYPE_HAL, adapter, params, depthFormats);
    params.AutoDepthStencilFormat = depth;
    DetailLog("デプスステンシルサーフェスのフォーマット..." + FormatName(static_cast<std::uint32_t>(depth)));
    if ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0 && !useSoftwareVertexProcessing_) {
      DetailLog("ハードウェアT&Lを利用します");
      CreateDevice(adapter, D3DDEVTYPE_HAL, handle, D3DCREATE_HARDWARE_VERTEXPROCESSING, params);
    } else {
      DetailLog("ソフトウェアT&Lを利用します");
      CreateDevice(adapter, D3DDEVTYPE_HAL, handle, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params);
    }
  }
  OutdentLog();
  DetailLog("■■■画面モードを初期化しました■■■");
  DetailLog("");
}

D3DFORMAT TDGCarad::ChooseDepthFormat(D3DDEVTYPE deviceType, UINT adapter, const D3DPRESENT_PARAMETERS& params,
                                      const std::vector<D3DFORMAT>& formats) {
  if (params.EnableAutoDepthStencil && d3d_) {
    for (const D3DFORMAT candidate : formats) {
      if (d3d_->CheckDepthStencilMatch(adapter, deviceType, params.BackBufferFormat, params.BackBufferFormat,
                                       candidate) == D3D_OK) {
        return candidate;
      }
    }
  }
  DetailLog("希望のデプスステンシルサーフェスのフォーマットが見つかりませんでした");
  return D3DFMT_UNKNOWN;
}

HRESULT TDGCarad::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS& params) {
  if (device_) {
    DetailLog("新しいデバイスの生成の前に、全ての関連オブジェクトを解放します");
    ReleaseDevice();
  }
  DetailLog("Direct3DDeviceオブジェクトの生成を行います");
  IDirect3DDevice9* device = nullptr;
  const HRESULT result =
      d3d_ ? d3d_->CreateDevice(adapter, deviceType, focusWindow, behaviorFlags, &params, &device) : D3DERR_INVALIDCALL;
  CheckResult(result, "Direct3DDeviceオブジェクトの生成に失敗しました");
  if (result != D3D_OK || !device) {
    // Every later step needs the device: stop here.
    if (device) device->Release();
    device_ = nullptr;
    return result != D3D_OK ? result : D3DERR_INVALIDCALL;
  }
  device_ = device;

  backBufferCount_ = static_cast<std::int32_t>(params.BackBufferCount);
  FetchSurfaces();

  presentParams_ = params;
  deviceType_ = deviceType;
  adapter_ = adapter;
  windowed_ = params.Windowed != 0;
  backBufferWidth_ = params.BackBufferWidth;
  backBufferHeight_ = params.BackBufferHeight;
  backBufferFormat_ = params.BackBufferFormat;

  DetailLog("全てのDGCaradリソースを再構築します");
  RunCallbacks(Callback::Rebuild);
  return result;
}

void TDGCarad::FetchSurfaces() {
  const std::size_t count = backBufferCount_ > 0 ? static_cast<std::size_t>(backBufferCount_) : 0;
  backBuffers_.assign(count, nullptr);
  for (std::size_t i = 0; i < count; ++i) {
    IDirect3DSurface9* surface = nullptr;
    if (device_->GetBackBuffer(0, static_cast<UINT>(i), D3DBACKBUFFER_TYPE_MONO, &surface) != D3D_OK) surface = nullptr;
    backBuffers_[i] = surface;
  }
  IDirect3DSurface9* depth = nullptr;
  if (device_->GetDepthStencilSurface(&depth) != D3D_OK) depth = nullptr;
  depthStencil_ = depth;
}

void TDGCarad::ReleaseDevice() {
  DetailLog("");
  DetailLog("■■■Direct3Dデバイスを解放します■■■");
  IndentLog();
  DetailLog("全てのDGCaradリソースを解放します");
  RunCallbacks(Callback::Release);
  if (depthStencil_) {
    DetailLog("デプスステンシルサーフェスを解放します");
    CheckResult(static_cast<std::int32_t>(depthStencil_->Release()), "デプスステンシルサーフェスの解放に失敗しました");
    depthStencil_ = nullptr;
  }
  if (!backBuffers_.empty()) {
    DetailLog("バックバッファを解放します");
    const std::size_t count =
        std::min(backBuffers_.size(), static_cast<std::size_t>(std::max<std::int32_t>(backBufferCount_, 0)));
    for (std::size_t i = 0; i < count; ++i) {
      if (!backBuffers_[i]) continue;
      CheckResult(static_cast<std::int32_t>(backBuffers_[i]->Release()),
                  "バックバッファ #" + std::to_string(i) + "　の解放に失敗しました");
    }
    backBuffers_.clear();
  }
  if (device_) {
    DetailLog("Direct3DDeviceオブジェクトの解放を行います");
    CheckResult(static_cast<std::int32_t>(device_->Release()), "Direct3DDeviceオブジェクトの解放に失敗しました");
    device_ = nullptr;
  }
  OutdentLog();
  DetailLog("■■■Direct3Dデバイスを解放しました■■■");
  DetailLog("");
}

HRESULT TDGCarad::ResetDevice() {
  DetailLog("");
  DetailLog("■■■Direct3DDeviceをリセットします■■■");
  IndentLog();
  RunCallbacks(Callback::Lost);
  for (IDirect3DSurface9*& surface : backBuffers_) {
    if (surface) surface->Release();
    surface = nullptr;
  }
  if (depthStencil_) {
    depthStencil_->Release();
    depthStencil_ = nullptr;
  }
  const HRESULT result = device_ ? device_->Reset(&presentParams_) : D3DERR_INVALIDCALL;
  // Logged, never halted on: the device waits for its reset, and the frame loop tries again.
  LogResult(result, "リセットに失敗しました");
  if (result == D3D_OK) {
    FetchSurfaces();
    RunCallbacks(Callback::Reset);
  } else {
    // A device whose Reset failed takes nothing but Release, TestCooperativeLevel and Reset; the
    // surfaces and the default-pool resources come back after the next successful Reset.
    DetailLog("リセットは次のフレームでやり直します");
  }
  OutdentLog();
  DetailLog(result == D3D_OK ? "■■■Direct3DDeviceをリセットしました■■■"
                             : "■■■Direct3DDeviceをリセットできませんでした■■■");
  DetailLog("");
  return result;
}

void TDGCarad::ResizeBackBuffer(UINT width, UINT height) {
  if (!device_ || width == 0 || height == 0) return;
  if (width == presentParams_.BackBufferWidth && height == presentParams_.BackBufferHeight) return;
  DetailLog(Format("バックバッファを %dx%d に変更します", static_cast<int>(width), static_cast<int>(height)));
  presentParams_.BackBufferWidth = backBufferWidth_ = width;
  presentParams_.BackBufferHeight = backBufferHeight_ = height;
  ResetDevice();
}

void TDGCarad::RunCallbacks(Callback which) {
  // By index and by copy: a callback may register or unregister resources, its own included.
  for (std::size_t i = 0; i < resources_.size(); ++i) {
    const TDGResourceDesc& desc = *resources_[i];
    TDGNotify callback;
    switch (which) {
      case Callback::Release: callback = desc.OnRelease; break;
      case Callback::Rebuild: callback = desc.OnRebuild; break;
      case Callback::Lost: callback = desc.OnLost; break;
      case Callback::Reset: callback = desc.OnReset; break;
    }
    if (callback) callback();
  }
}

std::int32_t TDGCarad::RegisterResource(TObject* owner, const std::string& name, TDGNotify onRelease,
                                        TDGNotify onRebuild, TDGNotify onLost, TDGNotify onReset) {
  const std::int32_t id = nextResourceID_;
  DetailLog(Format("DGCaradリソース(%s)を登録します ID は %d(%s) です", owner ? owner->ClassName() : "",
                   static_cast<int>(id), name.c_str()));
  auto desc = std::make_unique<TDGResourceDesc>();
  desc->ID = id;
  desc->Name = name;
  desc->Owner = owner;
  desc->OnRelease = std::move(onRelease);
  desc->OnRebuild = std::move(onRebuild);
  desc->OnLost = std::move(onLost);
  desc->OnReset = std::move(onReset);
  resources_.push_back(std::move(desc));
  nextResourceID_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(nextResourceID_) + 1u);
  return id;
}

void TDGCarad::UnregisterResource(std::int32_t id) {
  const auto it = std::find_if(resources_.begin(), resources_.end(),
                               [id](const std::unique_ptr<TDGResourceDesc>& r) { return r->ID == id; });
  if (it == resources_.end()) {
    CheckResult(1, Format("リストに入ってないDGCaradリソース(ID:%d)が、UnregisterResource手続きに渡されました",
                          static_cast<int>(id)));
    return;
  }
  const TDGResourceDesc& desc = **it;
  DetailLog(Format("DGCaradリソース(%s) : ID %d(%s) を登録解除します", desc.Owner ? desc.Owner->ClassName() : "",
                   static_cast<int>(desc.ID), desc.Name.c_str()));
  resources_.erase(it);
}

}  // namespace dg
