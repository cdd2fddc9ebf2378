// TDGCarad against the recording Direct3D of tests/support: the calls it makes, in order, and its log.
#include "dg/carad.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/golden.h"
#include "unit/dg/device_fixture.h"
#include "unit/dg/log_helper.h"

namespace {

using Calls = std::vector<std::string>;

// A registered resource that records its callbacks and unregisters itself when destroyed.
class Resource : public dg::TObject {
 public:
  Resource(dg::TDGCarad& carad, testdev::Recorder& rec, std::string name, bool withRelease = true,
           bool unregisters = true)
      : carad_(carad), rec_(rec), name_(std::move(name)), unregisters_(unregisters) {
    id = carad_.RegisterResource(
        this, name_, withRelease ? dg::TDGNotify([this] { rec_.Record("OnRelease", {}, name_); }) : nullptr,
        [this] { rec_.Record("OnRebuild", {}, name_); }, [this] { rec_.Record("OnLost", {}, name_); },
        [this] { rec_.Record("OnReset", {}, name_); });
  }
  ~Resource() override {
    rec_.Record("~Resource", {}, name_);
    if (unregisters_) carad_.UnregisterResource(id);
  }
  const char* ClassName() const override { return "TTestResource"; }
  std::int32_t id = -1;

 private:
  dg::TDGCarad& carad_;
  testdev::Recorder& rec_;
  std::string name_;
  bool unregisters_;
};

class Carad : public ::testing::Test {
 protected:
  void SetUp() override { log_ = testlog::Begin(); }
  void TearDown() override { testlog::End(); }

  // A component with every log line on and without the halt switch.
  std::unique_ptr<dg::TDGCarad> Make(bool initialize = true) {
    auto carad = std::make_unique<dg::TDGCarad>(window_, &testdev::Recorder::Create);
    carad->SetDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
    if (initialize) carad->Initialize();
    return carad;
  }
  std::vector<std::string> Log() const { return testlog::Lines(log_); }
  // A fresh log from here on (indent 0), every line on.
  void Restart(dg::TDGDebugOption options = dg::dgoDebugMessage | dg::dgoDetailedLog) {
    log_ = testlog::Begin();
    dg::AssignDebugOption(options);
  }

  testdev::Recorder rec_;
  testdev::Window window_{rec_, 0x1000};
  std::string log_;
};

}  // namespace

TEST_F(Carad, InitializeCreatesAWindowedDeviceOfTheClientSizeWithoutDepthBuffer) {
  auto carad = Make();
  EXPECT_EQ(rec_.Take(), (Calls{"Direct3DCreate9(31)", "GetAdapterDisplayMode(0)", "GetAdapterIdentifier(0, 0)",
                                "GetDeviceCaps(0, 1)", "CreateDevice(0, 1, 4096, 64)", "GetBackBuffer(0, 0, 0)",
                                "GetDepthStencilSurface()", "SetWindowPos(10, 20, 328, 267)"}));
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_startup.txt"));

  const d3d9rec::RecordingDevice* device = rec_.Device();
  ASSERT_NE(device, nullptr);
  const D3DPRESENT_PARAMETERS& p = device->params();
  EXPECT_EQ(p.BackBufferWidth, 320u);
  EXPECT_EQ(p.BackBufferHeight, 240u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);  // the desktop's
  EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_EQ(p.hDeviceWindow, window_.Handle());
  EXPECT_EQ(p.Windowed, -1);  // TRUE with all bits set
  EXPECT_EQ(p.EnableAutoDepthStencil, 0);
  EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_UNKNOWN);
  EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
  EXPECT_EQ(p.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_DEFAULT));

  // The state as Direct3D returned it.
  EXPECT_EQ(carad->Device(), device);
  EXPECT_EQ(carad->D3D(), rec_.d3d);
  EXPECT_EQ(carad->BackBufferCount(), 1);
  EXPECT_EQ(carad->PresentParams().BackBufferCount, 1u);
  EXPECT_EQ(carad->BackBuffers(0), device->backBuffer());
  EXPECT_EQ(carad->BackBuffers(1), nullptr);
  EXPECT_EQ(carad->DepthStencil(), nullptr);
  EXPECT_TRUE(carad->Windowed());
  EXPECT_EQ(carad->DeviceType(), D3DDEVTYPE_HAL);
  EXPECT_EQ(carad->BackBufferWidth(), 320u);
  EXPECT_EQ(carad->BackBufferFormat(), D3DFMT_X8R8G8B8);
  EXPECT_EQ(carad->NextResourceID(), 0);
}

TEST_F(Carad, InitializeRunsOnce) {
  auto carad = Make();
  rec_.Take();
  carad->Initialize();
  EXPECT_TRUE(rec_.Take().empty());
}

TEST_F(Carad, DepthFormatsAreTriedInTheCallersOrderAndTheFirstMatchWins) {
  const std::vector<D3DFORMAT> wanted = {D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D32};
  const struct {
    std::set<D3DFORMAT> matches;
    std::vector<D3DFORMAT> formats;
    Calls checks;
    D3DFORMAT chosen;
    const char* line;
  } cases[] = {
      {{D3DFMT_D16, D3DFMT_D16_LOCKABLE, D3DFMT_D32},
       wanted,
       {"CheckDepthStencilMatch(0, 1, 22, 22, 80)"},
       D3DFMT_D16,
       "    デプスステンシルサーフェスのフォーマット...D16"},
      {{D3DFMT_D32},
       wanted,
       {"CheckDepthStencilMatch(0, 1, 22, 22, 80)", "CheckDepthStencilMatch(0, 1, 22, 22, 70)",
        "CheckDepthStencilMatch(0, 1, 22, 22, 71)"},
       D3DFMT_D32,
       "    デプスステンシルサーフェスのフォーマット...D32"},
      {{},
       wanted,
       {"CheckDepthStencilMatch(0, 1, 22, 22, 80)", "CheckDepthStencilMatch(0, 1, 22, 22, 70)",
        "CheckDepthStencilMatch(0, 1, 22, 22, 71)"},
       D3DFMT_UNKNOWN,
       "    希望のデプスステンシルサーフェスのフォーマットが見つかりませんでした"},
      {{D3DFMT_D16},
       {},
       {},
       D3DFMT_UNKNOWN,
       "    希望のデプスステンシルサーフェスのフォーマットが見つかりませんでした"},
  };
  for (const auto& c : cases) {
    rec_.setUp = [&](d3d9rec::RecordingDirect3D& d3d) { d3d.depthFormats = c.matches; };
    auto carad = Make();
    rec_.Take();
    Restart();
    carad->SetWindowMode(640, 480, c.formats, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
    EXPECT_EQ(rec_.Matching("CheckDepthStencilMatch"), c.checks);
    const D3DPRESENT_PARAMETERS& p = rec_.Device()->params();
    EXPECT_EQ(p.AutoDepthStencilFormat, c.chosen);
    EXPECT_EQ(p.EnableAutoDepthStencil, c.formats.empty() ? 0 : -1);
    EXPECT_EQ(carad->DepthStencil() != nullptr, !c.formats.empty());
    EXPECT_TRUE(testlog::Contains(Log(), c.line)) << c.line;
    rec_.Take();
  }
}

TEST_F(Carad, SetWindowModeReplacesTheDeviceAndSizesTheClientArea) {
  auto carad = Make();
  const std::string first = rec_.Device()->label;
  rec_.Take();
  carad->SetWindowMode(640, 480, {D3DFMT_D16}, D3DPRESENT_INTERVAL_IMMEDIATE, D3DSWAPEFFECT_DISCARD,
                       D3DMULTISAMPLE_NONE, 0);
  EXPECT_EQ(rec_.Take(),
            (Calls{"Release(backbuffer0)", "Release(device)", "GetAdapterDisplayMode(0)", "GetAdapterIdentifier(0, 0)",
                   "GetDeviceCaps(0, 1)", "CheckDepthStencilMatch(0, 1, 22, 22, 80)", "CreateDevice(0, 1, 4096, 64)",
                   "GetBackBuffer(0, 0, 0)", "GetDepthStencilSurface()", "SetWindowPos(10, 20, 648, 507)"}));
  EXPECT_NE(rec_.Device()->label, first);
  EXPECT_EQ(carad->Device(), rec_.Device());
  EXPECT_EQ(window_.ClientWidth(), 640);
  EXPECT_EQ(window_.ClientHeight(), 480);
  EXPECT_EQ(window_.Left(), 10);
  EXPECT_EQ(rec_.Device()->params().PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));
  EXPECT_EQ(carad->BackBufferWidth(), 640u);
  EXPECT_EQ(carad->BackBufferHeight(), 480u);
}

TEST_F(Carad, DeviceTypeAndVertexProcessingFollowTheCapsAndOptions) {
  const struct {
    bool useRef, softwareVP, capsFail, hardwareTnL;
    const char* create;
    const char* depthCheck;
    const char* line1;
    const char* line2;
  } cases[] = {
      {false, false, false, true, "CreateDevice(0, 1, 4096, 64)", "CheckDepthStencilMatch(0, 1, 22, 22, 80)",
       "    ハードウェアアクセラレーションを利用します", "    ハードウェアT&Lを利用します"},
      {false, true, false, true, "CreateDevice(0, 1, 4096, 32)", "CheckDepthStencilMatch(0, 1, 22, 22, 80)",
       "    ハードウェアアクセラレーションを利用します", "    ソフトウェアT&Lを利用します"},
      {false, false, false, false, "CreateDevice(0, 1, 4096, 32)", "CheckDepthStencilMatch(0, 1, 22, 22, 80)",
       "    ハードウェアアクセラレーションを利用します", "    ソフトウェアT&Lを利用します"},
      {true, false, false, true, "CreateDevice(0, 2, 4096, 32)", "CheckDepthStencilMatch(0, 2, 22, 22, 80)",
       "    ソフトウェアエミュレーションを利用します", nullptr},
      {false, false, true, true, "CreateDevice(0, 2, 4096, 32)", "CheckDepthStencilMatch(0, 2, 22, 22, 80)",
       "    ソフトウェアエミュレーションを利用します", nullptr},
  };
  for (const auto& c : cases) {
    rec_.setUp = [&](d3d9rec::RecordingDirect3D& d3d) {
      d3d.caps.DevCaps = c.hardwareTnL ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
      d3d.halCapsResult = c.capsFail ? D3DERR_NOTAVAILABLE : D3D_OK;
    };
    auto carad = Make(false);
    carad->SetUseREFDevice(c.useRef);
    carad->SetUseSoftwareVertexProcessing(c.softwareVP);
    carad->Initialize();
    rec_.Take();
    Restart();
    carad->SetWindowMode(200, 100, {D3DFMT_D16}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
    EXPECT_EQ(rec_.Matching("CreateDevice"), Calls{c.create});
    EXPECT_EQ(rec_.Matching("CheckDepthStencilMatch"), Calls{c.depthCheck});
    EXPECT_EQ(rec_.Matching("GetDeviceCaps"), Calls{"GetDeviceCaps(0, 1)"});
    const std::vector<std::string> log = Log();
    EXPECT_TRUE(testlog::Contains(log, c.line1)) << c.create;
    if (c.line2) {
      EXPECT_TRUE(testlog::Contains(log, c.line2)) << c.create;
    } else {
      EXPECT_FALSE(testlog::Contains(log, "    ハードウェアT&Lを利用します"));
      EXPECT_FALSE(testlog::Contains(log, "    ソフトウェアT&Lを利用します"));
    }
    EXPECT_EQ(carad->DeviceType(), c.useRef || c.capsFail ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL);
  }
}

TEST_F(Carad, ReleaseDeviceLetsResourcesGoFirstThenSurfacesThenTheDevice) {
  rec_.setUp = [](d3d9rec::RecordingDirect3D& d3d) { d3d.depthFormats = {D3DFMT_D16}; };
  auto carad = Make();
  carad->SetWindowMode(64, 64, {D3DFMT_D16}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  Resource a(*carad, rec_, "a"), b(*carad, rec_, "b", false), c(*carad, rec_, "c");
  rec_.Take();
  Restart();
  carad->ReleaseDevice();
  EXPECT_EQ(rec_.Take(),
            (Calls{"OnRelease(a)", "OnRelease(c)", "Release(depth0)", "Release(backbuffer0)", "Release(device)"}));
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_release_device.txt"));
  EXPECT_EQ(carad->Device(), nullptr);
  EXPECT_EQ(carad->DepthStencil(), nullptr);
  EXPECT_EQ(carad->BackBuffers(0), nullptr);
  EXPECT_EQ(carad->BackBufferCount(), 1);  // keeps its value

  // A second release has nothing left to let go.
  carad->ReleaseDevice();
  EXPECT_EQ(rec_.Take(), (Calls{"OnRelease(a)", "OnRelease(c)"}));
}

TEST_F(Carad, ReferencesLeftAtReleaseAreReportedAsFailures) {
  auto carad = Make();
  // References left when the component lets go: one on the back buffer, two on the device (the
  // back buffer's and one more), three on Direct3D (the device's and two more).
  IDirect3DSurface9* backBuffer = carad->BackBuffers(0);
  IDirect3DDevice9* device = carad->Device();
  IDirect3D9* d3d = carad->D3D();
  backBuffer->AddRef();
  device->AddRef();
  d3d->AddRef();
  d3d->AddRef();
  Restart(dg::dgoDebugMessage);  // failures only
  carad->ReleaseDevice();
  carad.reset();
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_references_left.txt"));
  backBuffer->Release();
  device->Release();
  d3d->Release();
  d3d->Release();
}

TEST_F(Carad, RegistryCallsBackInRegistrationOrderAndNeverReusesIDs) {
  auto carad = Make();
  auto a = std::make_unique<Resource>(*carad, rec_, "a");
  auto b = std::make_unique<Resource>(*carad, rec_, "b");
  auto c = std::make_unique<Resource>(*carad, rec_, "c");
  EXPECT_EQ(a->id, 0);
  EXPECT_EQ(b->id, 1);
  EXPECT_EQ(c->id, 2);
  b.reset();
  auto d = std::make_unique<Resource>(*carad, rec_, "d");
  EXPECT_EQ(d->id, 3);
  EXPECT_EQ(carad->NextResourceID(), 4);
  ASSERT_EQ(carad->Resources().size(), 3u);
  EXPECT_EQ(carad->Resources()[1]->Name, "c");
  EXPECT_EQ(carad->Resources()[1]->Owner, c.get());

  rec_.Take();
  carad->SetWindowMode(64, 64, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  EXPECT_EQ(rec_.Matching("On"),
            (Calls{"OnRelease(a)", "OnRelease(c)", "OnRelease(d)", "OnRebuild(a)", "OnRebuild(c)", "OnRebuild(d)"}));

  const std::vector<std::string> log = Log();
  EXPECT_TRUE(testlog::Contains(log, "DGCaradリソース(TTestResource)を登録します ID は 0(a) です"));
  EXPECT_TRUE(testlog::Contains(log, "DGCaradリソース(TTestResource) : ID 1(b) を登録解除します"));
  EXPECT_TRUE(testlog::Contains(log, "DGCaradリソース(TTestResource)を登録します ID は 3(d) です"));
}

TEST_F(Carad, UnregisteringAnIDTwiceReportsItAsNotInTheRegistry) {
  auto carad = Make();
  const std::int32_t id = carad->RegisterResource(nullptr, "x", nullptr, nullptr, nullptr, nullptr);
  carad->UnregisterResource(id);
  Restart();
  carad->UnregisterResource(id);
  carad->UnregisterResource(77);
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_unregister_twice.txt"));
}

TEST_F(Carad, ADeviceCreatedLaterRebuildsResourcesRegisteredBefore) {
  auto carad = Make(false);
  Resource early(*carad, rec_, "early");
  carad->Initialize();
  EXPECT_EQ(rec_.Matching("On"), (Calls{"OnRelease(early)", "OnRebuild(early)"}));
  EXPECT_EQ(early.id, 0);
}

TEST_F(Carad, DestructionDestroysLeftoverResourcesOldestFirstThenTheDeviceThenD3D) {
  auto carad = Make();
  new Resource(*carad, rec_, "first");
  new Resource(*carad, rec_, "second");
  new Resource(*carad, rec_, "stubborn", true, false);  // does not unregister itself
  rec_.Take();
  Restart();
  carad.reset();
  EXPECT_EQ(rec_.Take(), (Calls{"~Resource(first)", "~Resource(second)", "~Resource(stubborn)", "Release(backbuffer0)",
                                "Release(device)", "Release(d3d)"}));
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_destruction.txt"));
}

TEST_F(Carad, ResetDeviceTellsResourcesAroundTheResetInRegistrationOrder) {
  rec_.setUp = [](d3d9rec::RecordingDirect3D& d3d) { d3d.depthFormats = {D3DFMT_D16}; };
  auto carad = Make();
  carad->SetWindowMode(64, 48, {D3DFMT_D16}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  Resource a(*carad, rec_, "a"), b(*carad, rec_, "b");
  rec_.Take();
  Restart();
  carad->ResetDevice();
  EXPECT_EQ(rec_.Take(), (Calls{"OnLost(a)", "OnLost(b)", "Release(backbuffer0)", "Release(depth0)",
                                "Reset(64, 48, 22, 1, -1, -1, 80)", "GetBackBuffer(0, 0, 0)",
                                "GetDepthStencilSurface()", "OnReset(a)", "OnReset(b)"}));
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_reset.txt"));
  EXPECT_NE(carad->BackBuffers(0), nullptr);
  EXPECT_NE(carad->DepthStencil(), nullptr);
}

TEST_F(Carad, AFailedResetIsReportedAndTheNextResetCompletesTheRecovery) {
  auto carad = Make();
  Resource a(*carad, rec_, "a");
  rec_.Take();
  rec_.Device()->resetResult = D3DERR_DEVICELOST;
  // The saver's halt switch is on: the failure is logged and the program goes on.
  dg::SetHaltHook([] { throw std::runtime_error("halted"); });
  Restart(dg::dgoHaltOnError | dg::dgoDebugMessage | dg::dgoDetailedLog);
  EXPECT_EQ(carad->ResetDevice(), D3DERR_DEVICELOST);
  dg::SetHaltHook(nullptr);
  EXPECT_EQ(rec_.Take(), (Calls{"OnLost(a)", "Release(backbuffer0)", "Reset(320, 240, 22, 1, -1, 0, 0)"}));
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_failed_reset.txt"));
  EXPECT_EQ(carad->BackBuffers(0), nullptr);

  rec_.Device()->resetResult = D3D_OK;
  carad->ResetDevice();
  EXPECT_EQ(rec_.Take(), (Calls{"OnLost(a)", "Reset(320, 240, 22, 1, -1, 0, 0)", "GetBackBuffer(0, 0, 0)",
                                "GetDepthStencilSurface()", "OnReset(a)"}));
  EXPECT_NE(carad->BackBuffers(0), nullptr);
}

TEST_F(Carad, AFailedDeviceCreationStopsBeforeSurfacesAndRebuild) {
  rec_.setUp = [](d3d9rec::RecordingDirect3D& d3d) { d3d.createDeviceResult = D3DERR_NOTAVAILABLE; };
  auto carad = Make(false);
  Resource a(*carad, rec_, "a");
  carad->Initialize();
  EXPECT_EQ(rec_.Take(),
            (Calls{"Direct3DCreate9(31)", "OnRelease(a)", "GetAdapterDisplayMode(0)", "GetAdapterIdentifier(0, 0)",
                   "GetDeviceCaps(0, 1)", "CreateDevice(0, 1, 4096, 64)", "SetWindowPos(10, 20, 328, 267)"}));
  EXPECT_EQ(carad->Device(), nullptr);
  EXPECT_EQ(carad->BackBuffers(0), nullptr);
  const std::vector<std::string> log = Log();
  EXPECT_TRUE(testlog::ContainsRun(
      log, {"      Direct3DDeviceオブジェクトの生成を行います",
            "      Direct3DDeviceオブジェクトの生成に失敗しました(Error Code = D3DERR_NOTAVAILABLE)",
            "    ■■■画面モードを初期化しました■■■"}));
  EXPECT_FALSE(testlog::Contains(log, "      全てのDGCaradリソースを再構築します"));
}

TEST_F(Carad, WithoutDirect3DInitializeStopsAfterItsCheck) {
  rec_.createsD3D = false;
  auto carad = Make();
  EXPECT_EQ(rec_.Take(), Calls{"Direct3DCreate9(31)"});
  EXPECT_EQ(carad->D3D(), nullptr);
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_without_d3d.txt"));
  // Asking for a mode later is refused the same way instead of touching a missing object.
  dg::SetLogIndent(0);
  Restart(dg::dgoDebugMessage);
  carad->SetWindowMode(64, 64, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  EXPECT_TRUE(golden::MatchesLog(Log(), "carad_without_d3d_mode.txt"));
  EXPECT_TRUE(rec_.Take().empty());
}

TEST_F(Carad, DebugOptionIsStoredByTheConstructorAndAssignedByInitialize) {
  dg::TDGCarad carad(window_, &testdev::Recorder::Create);
  EXPECT_EQ(carad.DebugOption(), dg::dgoHaltOnError | dg::dgoDebugMessage | dg::dgoDetailedLog);
  EXPECT_FALSE(carad.UseREFDevice());
  EXPECT_FALSE(carad.UseSoftwareVertexProcessing());
  EXPECT_FALSE(dg::HaltSwitch());  // constructing assigns nothing
  carad.Initialize();
  EXPECT_TRUE(dg::HaltSwitch());
  EXPECT_TRUE(dg::LogSwitch());
  EXPECT_TRUE(dg::DetailSwitch());
  carad.SetDebugOption(dg::dgoDetailedLog);  // takes effect at once
  EXPECT_FALSE(dg::HaltSwitch());
  EXPECT_FALSE(dg::LogSwitch());
  EXPECT_TRUE(dg::DetailSwitch());
}

using CaradDeathTest = Carad;

TEST_F(CaradDeathTest, WithTheHaltSwitchAFailedCreationEndsTheProgramAfterItsLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string path = scratch::Path("carad_halt.log");
  scratch::Remove(path);
  EXPECT_EXIT(
      {
        dg::SetLogFilePathOverride(path);
        rec_.setUp = [](d3d9rec::RecordingDirect3D& d3d) { d3d.createDeviceResult = D3DERR_OUTOFVIDEOMEMORY; };
        dg::TDGCarad carad(window_, &testdev::Recorder::Create);
        carad.SetDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage);
        carad.Initialize();
        std::fputs("went on", stderr);
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: .*D3DERR_OUTOFVIDEOMEMORY");
  EXPECT_EQ(testlog::Lines(path),
            (std::vector<std::string>{"      Direct3DDeviceオブジェクトの生成に失敗しました(Error Code = "
                                      "D3DERR_OUTOFVIDEOMEMORY)"}));
}
