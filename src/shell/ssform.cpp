#include "shell/ssform.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "scene/capture.h"
#include "scene/display_mode.h"
#include "shell/datafiles.h"
#include "shell/entry.h"
#include "platform/process_clock.h"
#include "shell/pacing.h"

namespace shell {

namespace {
constexpr std::uint32_t kTimingEvery = 50;  // --timing: a "frame" line every 50 processed frames
}  // namespace

scene::SetupInput SetupInputFrom(const RunSettings& run, bool dataMissing, bool isPreview,
                                 const std::string& dataFolder) {
  scene::SetupInput in;
  in.runMode = run.runMode;
  in.frameInterval = run.frameInterval;
  in.carPos = sx::Vec3Make(run.carPos.x, run.carPos.y, run.carPos.z);
  in.overlayOn = run.overlayOn;
  in.shadowBlend = run.shadowBlend;
  in.overlayLines = run.overlayLines;
  in.overlayFont = run.overlayFont;
  in.overlayColour = run.overlayColour;
  in.dataMissing = dataMissing;
  in.isPreview = isPreview;
  in.dataFolder = dataFolder;
  if (dataMissing) {
    in.overlayOn = true;
    in.overlayLines = 5;
    in.overlayColour = kMissingDataColour;
    in.overlayText = NoticeLines(isPreview);
    if (isPreview) in.overlayFont.size = kPreviewNoticeFontSize;
  }
  return in;
}

std::array<std::string, 5> NoticeLines(bool preview) {
  if (preview)
    return {"必要なファイルの一部が", "見つかりません。", "配布ファイルを使用して", "再インストールして", "下さい。"};
  return {"corvane KESTOR－３Ｄスクリーン・セーバ", "プログラムの実行に必要なファイルの一部が見つかりません。",
          "正しい配布ファイルを使用して、再インストールして下さい。",
          "不明な点等があれば、以下のアドレスまでメールでお尋ね下さい。", "kestor-support@corvane.example"};
}

TScreenSaverForm::TScreenSaverForm(platform::Application& app, platform::System& system, const CommandLine& commandLine,
                                   SceneFactory scenes, CreditFactory credits, std::string settingsPath)
    : app_(app),
      system_(system),
      commandLine_(commandLine),
      scenes_(std::move(scenes)),
      credits_(std::move(credits)),
      settings_(std::move(settingsPath)),
      previewWindow_(SaverFormParams(commandLine).previewParent) {}

TScreenSaverForm::~TScreenSaverForm() = default;

void TScreenSaverForm::FormCreate(platform::Form& form) {
  form_ = &form;
  Timing("create");
  // The window's components: the device component and the idle event.
  if (scenes_) scene_ = scenes_(form, system_);
  app_.SetIdleHandler([this](bool& done) { ApplicationIdle(done); });

  // The data-file check.
  const std::string dataFolder = system_.DataFolder();
  dataMissing = DataFilesMissing(dataFolder);
  if (dataMissing)
    std::fprintf(stderr, "corvane_kestor: data files missing in %s; the run shows the notice\n", dataFolder.c_str());

  // The window set-up.
  mouseStartX = -1;
  mouseStartY = -1;
  isPreview = false;
  platform::Rect parent;
  if (previewWindow_ != 0 && form.ParentScreenRect(parent)) {
    form.SetBounds(0, 0, parent.right - parent.left, parent.bottom - parent.top);
    isPreview = true;
  } else {
    const platform::Size screen = system_.ScreenSize();
    form.SetBounds(0, 0, screen.width, screen.height);
    system_.ShowCursor(false);
    const std::optional<std::uint32_t> id = system_.PlatformId();
    if (!id) {
      form.Close();  // nothing else is set up
      return;
    }
    platformId = *id;
    if (platformId == 1) system_.SetScreenSaverRunning(true);
  }
  form.DisableInputMethod();

  // The settings, then the scene.
  const StoredSettings stored = ReadSettings(settings_);
  settingsRead = true;
  const RunSettings run = DeriveRunSettings(stored, dataMissing);

  const Automation& a = commandLine_.automation;
  if (!a.captureDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(a.captureDir, ec);
  }
  if (scene_) {
    scene_->SetUp(SetupInputFrom(run, dataMissing, isPreview, dataFolder));
    setUp_ = true;
    Timing("setup");
  }
}

void TScreenSaverForm::FormShow(platform::Form&) { app_.HideApplicationWindow(); }

bool TScreenSaverForm::FormCloseQuery(platform::Form& form) {
  if (previewWindow_ != 0) return true;
  if (platformId == 2) return true;
  // A missing or unreadable value lets the window close: it must never keep the run from ending.
  const std::optional<std::uint32_t> usePassword = system_.ScreenSaveUsePassword();
  if (!usePassword || *usePassword == 0) return true;
  system_.ShowCursor(true);
  const platform::PasswordAnswer answer = system_.VerifyScreenSavePassword(form.Handle());
  if (answer != platform::PasswordAnswer::Refused) return true;
  mouseStartX = -1;
  mouseStartY = -1;
  system_.ShowCursor(false);
  return false;
}

void TScreenSaverForm::FormClose(platform::Form&) {
  if (platformId == 1) system_.SetScreenSaverRunning(false);
  system_.ShowCursor(true);
}

void TScreenSaverForm::FormDestroy(platform::Form&) {
  // The viewpoint: display mode with the data present, and only when the settings were read (a
  // run stopped before them has no position of its own and would overwrite the stored one).
  if (scene_ && setUp_ && settingsRead && !dataMissing && scene_->RunMode() == scene::RunMode::kDisplay) {
    const sx::Vec3 p = scene_->CarPos();
    WriteViewpoint(settings_, CarPosition{p.x, p.y, p.z});
  }
  creditWindow_.reset();
  if (scene_) {
    scene_->Shutdown();
    scene_.reset();
  }
  setUp_ = false;
  app_.SetIdleHandler({});
}

void TScreenSaverForm::FormKeyDown(platform::Form& form, std::uint16_t key, unsigned) {
  if (scene_ && setUp_ && scene_->RunMode() == scene::RunMode::kDisplay && scene::IsDisplayKey(key)) {
    scene_->FormKeyDown(key);
    return;
  }
  if (key == platform::vk::kMenu) {
    if (!creditWindow_ && credits_) creditWindow_ = credits_(form);
    if (creditWindow_) creditWindow_->OpenOnAlt();
    return;
  }
  form.Close();
}

void TScreenSaverForm::FormMouseMove(platform::Form& form, unsigned, int x, int y) {
  if (mouseStartX == -1 && mouseStartY == -1) {
    mouseStartX = x;
    mouseStartY = y;
    return;
  }
  if (x != mouseStartX || y != mouseStartY) form.Close();
}

void TScreenSaverForm::FormMouseDown(platform::Form& form, platform::MouseButton, unsigned, int, int) { form.Close(); }

void TScreenSaverForm::FormResize(platform::Form&, int width, int height) {
  if (scene_ && setUp_) scene_->Resize(width, height);
}

bool TScreenSaverForm::FormSysCommand(platform::Form&, std::uint32_t command, std::intptr_t& result) {
  if (command != platform::kScScreenSave) return false;
  result = 1;  // no second screen saver
  return true;
}

void TScreenSaverForm::ApplicationIdle(bool& done) {
  done = false;
  if (form_ && scene_ && setUp_ && !form_->Closed()) {
    if (commandLine_.automation.CloseAfter(processedFrames)) {
      form_->Close();
    } else if (!scene_->Idle(*this)) {
      WaitForNextFrame(app_, system_, scene_->LastFrameTime(), scene_->FrameInterval());
    }
  }
  system_.EndIdleCall();
}

void TScreenSaverForm::FrameDue() {
  ++processedFrames;
  drawn_ = false;
  const Automation& a = commandLine_.automation;
  for (std::uint16_t key : a.KeysBefore(processedFrames)) form_->InjectKeyDown(key, 0);
  for (const MouseAt& m : a.MiceBefore(processedFrames)) form_->InjectMouseMove(m.x, m.y);
  if (a.LosesDeviceBefore(processedFrames) && !scene_->ForceDeviceLoss())
    std::fprintf(stderr, "corvane_kestor: frame %u: the device could not be lost on demand, the run goes on\n",
                 processedFrames);
  if (const std::uint32_t failures = a.ResetFailuresBefore(processedFrames); failures && !scene_->FailResets(failures))
    std::fprintf(stderr,
                 "corvane_kestor: frame %u: the device could not be lost with failing resets, the run goes on\n",
                 processedFrames);
}

void TScreenSaverForm::BeforePresent(IDirect3DDevice9* device) {
  drawn_ = true;
  const Automation& a = commandLine_.automation;
  if (!a.Captures(processedFrames)) return;
  const std::string path = a.CapturePath(processedFrames);
  if (!scene::CaptureBackBufferToPng(device, path))
    std::fprintf(stderr, "corvane_kestor: frame %u could not be captured to %s\n", processedFrames, path.c_str());
}

void TScreenSaverForm::FrameDone() {
  if (!commandLine_.automation.timingFile.empty()) {
    if (drawn_ && !presented_) Timing("first-present");
    presented_ = presented_ || drawn_;
    if (processedFrames % kTimingEvery == 0 || commandLine_.automation.CloseAfter(processedFrames)) Timing("frame");
  }
  if (commandLine_.automation.Captures(processedFrames) && !drawn_)
    std::fprintf(stderr, "corvane_kestor: frame %u was not drawn (device lost), no capture\n", processedFrames);
  if (commandLine_.automation.CloseAfter(processedFrames)) form_->Close();
}

void TScreenSaverForm::Timing(const char* event) const {
  const std::string& path = commandLine_.automation.timingFile;
  if (path.empty()) return;
  const unsigned long long wall = platform::MonotonicMicros(), cpu = platform::ProcessCpuMicros();
  if (std::FILE* f = std::fopen(path.c_str(), "a")) {
    std::fprintf(f, "timing %s %u %llu %llu\n", event, processedFrames, wall, cpu);
    std::fclose(f);
  }
}

}  // namespace shell
