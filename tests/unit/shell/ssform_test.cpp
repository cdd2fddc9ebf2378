// TScreenSaverForm's rules with fakes of the framework, the services and the scene: the window
// set-up, every exit rule, the close query per platform and password answer, the viewpoint
// write-back, and the idle handler's automation.
#include "shell/ssform.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fakes/platform_fakes.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "shell/entry.h"
#include "shell/datafiles.h"
#include "unit/platform/temp_folder.h"

namespace {

// The scene as the window sees it: records what it is asked, answers what the test sets.
struct FakeSceneLog {
  int created = 0;
  std::vector<scene::SetupInput> setups;
  std::vector<std::uint16_t> keys;
  int idles = 0, shutdowns = 0, destroyed = 0;
  std::vector<int> lostAtIdle;  // the idle calls during which the device was lost on demand
  bool canLose = true;
};

class FakeScene : public scene::SaverRun {
 public:
  FakeScene(FakeSceneLog& log, scene::RunMode mode, sx::Vec3 pos, bool frameDue)
      : log_(log), mode_(mode), pos_(pos), frameDue_(frameDue) {
    ++log_.created;
  }
  ~FakeScene() override { ++log_.destroyed; }
  void SetUp(const scene::SetupInput& input) override { log_.setups.push_back(input); }
  scene::RunMode RunMode() const override { return mode_; }
  sx::Vec3 CarPos() const override { return pos_; }
  void FormKeyDown(std::uint16_t key) override { log_.keys.push_back(key); }
  bool Idle(scene::FrameHooks& hooks) override {
    ++log_.idles;
    if (!frameDue_) return false;
    hooks.FrameDue();
    hooks.BeforePresent(nullptr);
    hooks.FrameDone();
    return true;
  }
  std::uint32_t LastFrameTime() const override { return 0; }
  std::int32_t FrameInterval() const override { return 40; }
  bool ForceDeviceLoss() override {
    log_.lostAtIdle.push_back(log_.idles);
    return log_.canLose;
  }
  void Shutdown() override { ++log_.shutdowns; }

 private:
  FakeSceneLog& log_;
  scene::RunMode mode_;
  sx::Vec3 pos_;
  bool frameDue_;
};

class FakeCredit : public shell::CreditWindow {
 public:
  explicit FakeCredit(int& opens) : opens_(opens) {}
  void OpenOnAlt() override { ++opens_; }

 private:
  int& opens_;
};

class SaverFormTest : public testing::Test {
 protected:
  SaverFormTest() {
    // A complete data set unless a test removes a file.
    data_ = std::make_unique<testutil::TempFolder>();
    for (const std::string& name : shell::DataFileNames()) std::ofstream(data_->Path(name)) << "x";
    system.SetDataFolderOverride(data_->Folder());
    settingsPath = files.Path("corvane_kestor.ini");
  }

  // Runs the entry's part: creates the form (FormCreate runs) as the given command line says.
  void Create(std::vector<std::string> args = {"/s"}) {
    commandLine = shell::ParseCommandLine(args, true);
    ASSERT_TRUE(commandLine.errors.empty());
    saver = std::make_unique<shell::TScreenSaverForm>(
        app, system, commandLine,
        [this](platform::Form&, platform::System&) {
          return std::make_unique<FakeScene>(log, sceneMode, scenePos, frameDue);
        },
        [this](platform::Form&) {
          ++creditsMade;
          return std::make_unique<FakeCredit>(creditOpens);
        },
        settingsPath);
    app.form.preview = shell::SaverFormParams(commandLine).previewParent != 0;
    app.form.SetEvents(saver.get());
    saver->FormCreate(app.form);
  }
  void Destroy() { saver->FormDestroy(app.form); }
  void Key(std::uint16_t key) { saver->FormKeyDown(app.form, key, 0); }
  void Move(int x, int y) { saver->FormMouseMove(app.form, 0, x, y); }
  std::string Ini(const char* key) { return platform::ReadIniValue(settingsPath, "Settings", key, "missing"); }

  fakes::System system;
  fakes::Application app;
  testutil::TempFolder files;
  std::string settingsPath;
  shell::CommandLine commandLine;
  FakeSceneLog log;
  scene::RunMode sceneMode = scene::RunMode::kDisplay;
  sx::Vec3 scenePos{0.0f, -0.6f, -1.3f};
  bool frameDue = true;
  int creditsMade = 0, creditOpens = 0;
  std::unique_ptr<shell::TScreenSaverForm> saver;

 private:
  std::unique_ptr<testutil::TempFolder> data_;

 protected:
  void RemoveDataFile(const std::string& name) { std::remove(data_->Path(name).c_str()); }
};

TEST_F(SaverFormTest, FullScreenSetUpSizesTheWindowHidesThePointerAndHandsTheSettingsToTheScene) {
  system.screen = {800, 600};
  platform::WriteIniValue(settingsPath, "Settings", "mode", "0");
  platform::WriteIniValue(settingsPath, "Settings", "speed", "40");
  platform::WriteIniValue(settingsPath, "Settings", "fx", "12345");
  Create();
  EXPECT_EQ(app.form.bounds.left, 0);
  EXPECT_EQ(app.form.bounds.top, 0);
  EXPECT_EQ(app.form.bounds.right, 800);
  EXPECT_EQ(app.form.bounds.bottom, 600);
  EXPECT_EQ(system.cursorCalls, (std::vector<bool>{false}));
  EXPECT_TRUE(app.form.inputMethodDisabled);
  EXPECT_EQ(saver->platformId, 2u);
  EXPECT_TRUE(system.screenSaverRunning.empty());  // NT family: no flag
  EXPECT_FALSE(saver->isPreview);
  EXPECT_FALSE(saver->dataMissing);
  EXPECT_TRUE(saver->settingsRead);
  ASSERT_EQ(log.setups.size(), 1u);
  const scene::SetupInput& in = log.setups[0];
  EXPECT_EQ(in.runMode, 0);
  EXPECT_EQ(in.frameInterval, 40);
  EXPECT_FLOAT_EQ(in.carPos.x, 1.2345f);
  EXPECT_FLOAT_EQ(in.carPos.y, -0.6f);
  EXPECT_FLOAT_EQ(in.carPos.z, -1.3f);
  EXPECT_TRUE(in.overlayOn);
  EXPECT_EQ(in.overlayColour, 0xFF0000FFu);
  EXPECT_FALSE(in.dataMissing);
  EXPECT_EQ(in.dataFolder, system.DataFolder());
  ASSERT_TRUE(app.idle);  // the frame loop is installed
}

TEST_F(SaverFormTest, Windows9xTellsTheSystemThatASaverRunsAndStopsOnClose) {
  system.platformId = 1;
  Create();
  EXPECT_EQ(system.screenSaverRunning, (std::vector<bool>{true}));
  app.form.Close();  // no password in use: allowed
  EXPECT_TRUE(app.form.closed);
  EXPECT_EQ(system.screenSaverRunning, (std::vector<bool>{true, false}));
  EXPECT_EQ(system.cursorCalls, (std::vector<bool>{false, true}));
}

TEST_F(SaverFormTest, AFailedVersionQueryClosesTheWindowBeforeTheSettingsAndSavesNothing) {
  system.platformId = std::nullopt;
  platform::WriteIniValue(settingsPath, "Settings", "fx", "777");
  Create();
  EXPECT_TRUE(app.form.closed);
  EXPECT_FALSE(saver->settingsRead);
  EXPECT_TRUE(log.setups.empty());
  EXPECT_TRUE(system.screenSaverRunning.empty());
  Destroy();
  EXPECT_EQ(Ini("fx"), "777");
  EXPECT_EQ(Ini("fy"), "missing");
  EXPECT_EQ(log.shutdowns, 1);  // the components still go
  EXPECT_EQ(log.destroyed, 1);
}

TEST_F(SaverFormTest, AnyMissingDataFileSetsTheMissingState) {
  RemoveDataFile("crmd_44");  // never loaded, still checked
  Create();
  EXPECT_TRUE(saver->dataMissing);
  ASSERT_EQ(log.setups.size(), 1u);
  EXPECT_TRUE(log.setups[0].dataMissing);
  EXPECT_TRUE(log.setups[0].overlayOn);
  EXPECT_EQ(log.setups[0].overlayLines, 5);
  EXPECT_EQ(log.setups[0].overlayColour, 0xFFFFFF00u);
  EXPECT_EQ(log.setups[0].overlayText, shell::NoticeLines(false));
  EXPECT_EQ(log.setups[0].overlayFont.size, 12);
}

TEST_F(SaverFormTest, TheNoticeIsShownEvenWithTheOverlaySwitchedOffAndShortInPreview) {
  platform::WriteIniValue(settingsPath, "Settings", "text_out", "2");
  platform::WriteIniValue(settingsPath, "Settings", "font_color", "255");
  RemoveDataFile("crmd_0");
  app.form.parentRect = {0, 0, 152, 112};
  Create({"/p", "77"});
  ASSERT_EQ(log.setups.size(), 1u);
  const scene::SetupInput& in = log.setups[0];
  EXPECT_TRUE(in.overlayOn);
  EXPECT_EQ(in.overlayColour, 0xFFFFFF00u);
  EXPECT_EQ(in.overlayFont.size, 10);
  EXPECT_EQ(in.overlayText[0], "必要なファイルの一部が");
  EXPECT_EQ(in.overlayText[4], "下さい。");
  // With the data present the settings stand.
  EXPECT_TRUE(
      shell::SetupInputFrom(shell::DeriveRunSettings(shell::ReadSettings(shell::SettingsFile(settingsPath)), false),
                            false, true, "")
          .overlayText[0]
          .empty());
  EXPECT_FALSE(
      shell::SetupInputFrom(shell::DeriveRunSettings(shell::ReadSettings(shell::SettingsFile(settingsPath)), false),
                            false, true, "")
          .overlayOn);
}

TEST_F(SaverFormTest, TheFirstMouseMoveIsOnlyRecordedAndAnyLaterMoveAwayCloses) {
  Create();
  Move(500, 400);  // far from anything: only recorded
  EXPECT_FALSE(app.form.closed);
  EXPECT_EQ(saver->mouseStartX, 500);
  EXPECT_EQ(saver->mouseStartY, 400);
  Move(500, 400);
  Move(500, 400);
  EXPECT_FALSE(app.form.closed);
  Move(500, 401);
  EXPECT_TRUE(app.form.closed);

  app.form.closed = false;
  Move(501, 400);
  EXPECT_TRUE(app.form.closed);
}

TEST_F(SaverFormTest, AMouseButtonClosesAtOnce) {
  Create();
  saver->FormMouseDown(app.form, platform::MouseButton::Right, 0, 3, 3);
  EXPECT_TRUE(app.form.closed);
}

TEST_F(SaverFormTest, DisplayModeKeepsItsKeysForTheSceneAndOtherKeysClose) {
  namespace vk = platform::vk;
  Create();
  for (std::uint16_t key : {std::uint16_t{'B'}, std::uint16_t{'T'}, std::uint16_t{'L'}, std::uint16_t{'R'},
                            std::uint16_t{'S'}, vk::kLeft, vk::kUp, vk::kRight, vk::kDown, vk::kNumpad8, vk::kNumpad2})
    Key(key);
  EXPECT_FALSE(app.form.closed);
  EXPECT_EQ(log.keys.size(), 11u);
  Key('A');
  EXPECT_TRUE(app.form.closed);
  EXPECT_EQ(log.keys.size(), 11u);
}

TEST_F(SaverFormTest, DrivingModeClosesOnEveryKeyButAlt) {
  sceneMode = scene::RunMode::kDriving;
  Create();
  Key(platform::vk::kMenu);
  EXPECT_FALSE(app.form.closed);
  Key('B');
  EXPECT_TRUE(app.form.closed);
  EXPECT_TRUE(log.keys.empty());
}

TEST_F(SaverFormTest, AltOpensTheCreditWindowAndNeverCloses) {
  Create();
  Key(platform::vk::kMenu);
  Key(platform::vk::kMenu);
  EXPECT_FALSE(app.form.closed);
  EXPECT_EQ(creditsMade, 1);  // one credit object per run; it decides whether a window shows
  EXPECT_EQ(creditOpens, 2);
  Key(platform::vk::kEscape);
  EXPECT_TRUE(app.form.closed);
}

TEST_F(SaverFormTest, TheCloseQueryPerPlatformAndPasswordAnswer) {
  struct Row {
    std::optional<std::uint32_t> platform;
    std::optional<std::uint32_t> usePassword;
    std::vector<platform::PasswordAnswer> answers;
    bool closes;
    int verifications;
  };
  using A = platform::PasswordAnswer;
  const Row rows[] = {
      {2, 1, {A::Refused}, true, 0},             // NT: the system owns passwords
      {1, std::nullopt, {A::Refused}, true, 0},  // no value: must not keep the window
      {1, 0, {A::Refused}, true, 0},
      {1, 1, {}, true, 1},  // no service
      {1, 1, {A::Accepted}, true, 1},
      {1, 1, {A::Refused}, false, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "platform " << r.platform.value_or(0) << " use " << r.usePassword.value_or(99));
    system = fakes::System();
    system.SetDataFolderOverride(system.DataFolder());
    system.platformId = r.platform;
    system.usePassword = r.usePassword;
    system.passwordAnswers.assign(r.answers.begin(), r.answers.end());
    app.form.closed = false;
    Create();
    Move(10, 10);
    app.form.Close();
    EXPECT_EQ(app.form.closed, r.closes);
    EXPECT_EQ(system.verifiedWindows.size(), static_cast<std::size_t>(r.verifications));
    if (r.verifications) {
      EXPECT_EQ(system.verifiedWindows[0], app.form.handle);
    }
  }
}

TEST_F(SaverFormTest, ARefusedPasswordKeepsTheRunHidesThePointerAgainAndReArmsTheMouseRule) {
  system.platformId = 1;
  system.usePassword = 1;
  system.passwordAnswers = {platform::PasswordAnswer::Refused, platform::PasswordAnswer::Accepted};
  Create();
  Move(10, 10);
  Move(20, 20);  // closes: asks, refused
  EXPECT_FALSE(app.form.closed);
  EXPECT_EQ(system.cursorCalls, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(saver->mouseStartX, -1);
  Move(300, 300);  // only recorded again
  EXPECT_FALSE(app.form.closed);
  EXPECT_EQ(system.verifiedWindows.size(), 1u);
  Move(301, 300);
  EXPECT_TRUE(app.form.closed);
  EXPECT_EQ(system.cursorCalls, (std::vector<bool>{false, true, false, true, true}));
  EXPECT_EQ(system.screenSaverRunning, (std::vector<bool>{true, false}));
}

TEST_F(SaverFormTest, PreviewFillsItsParentAsksNoPasswordAndShowsThePointerOnceOnClose) {
  system.platformId = 1;
  system.usePassword = 1;
  system.passwordAnswers = {platform::PasswordAnswer::Refused};
  app.form.parentRect = {100, 50, 252, 162};
  Create({"/p", "1234"});
  EXPECT_TRUE(saver->isPreview);
  EXPECT_EQ(app.form.bounds.right, 152);
  EXPECT_EQ(app.form.bounds.bottom, 112);
  EXPECT_TRUE(system.cursorCalls.empty());
  EXPECT_EQ(saver->platformId, 0u);  // not asked in preview
  EXPECT_TRUE(system.screenSaverRunning.empty());
  ASSERT_EQ(log.setups.size(), 1u);
  EXPECT_TRUE(log.setups[0].isPreview);
  app.form.Close();
  EXPECT_TRUE(app.form.closed);
  EXPECT_TRUE(system.verifiedWindows.empty());
  EXPECT_EQ(system.cursorCalls, (std::vector<bool>{true}));
}

TEST_F(SaverFormTest, ThePreviewHandleOfAMalformedArgumentRunsFullScreen) {
  app.form.parentRect = {0, 0, 10, 10};
  Create({"/p", "abc"});
  EXPECT_FALSE(saver->isPreview);
  EXPECT_EQ(system.cursorCalls, (std::vector<bool>{false}));
}

TEST_F(SaverFormTest, OnlyTheScreenSaveCommandIsSwallowed) {
  Create();
  EXPECT_EQ(app.form.SendSysCommand(platform::kScScreenSave), 1);
  EXPECT_FALSE(app.form.closed);
  EXPECT_EQ(app.form.SendSysCommand(platform::kScClose), 0);
  EXPECT_TRUE(app.form.closed);
}

TEST_F(SaverFormTest, ShowHidesTheApplicationWindow) {
  Create();
  saver->FormShow(app.form);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"hide"}));
}

TEST_F(SaverFormTest, DisplayModeStoresTheViewpointRoundedToTheNearestKey) {
  scenePos = {0.0f, -0.60000002f, -1.3f};
  Create();
  Destroy();
  EXPECT_EQ(Ini("fx"), "0");
  EXPECT_EQ(Ini("fy"), "-6000");
  EXPECT_EQ(Ini("fz"), "-13000");
  EXPECT_EQ(log.shutdowns, 1);
  EXPECT_EQ(log.destroyed, 1);
  EXPECT_FALSE(app.idle);  // the frame loop is gone with the scene

  scenePos = {1.2345f, 0.00005f, -0.00015f};  // ties go to even
  log = FakeSceneLog();
  Create();
  Destroy();
  EXPECT_EQ(Ini("fx"), "12345");
  EXPECT_EQ(Ini("fy"), "0");
  EXPECT_EQ(Ini("fz"), "-2");
}

TEST_F(SaverFormTest, DrivingModeAndMissingDataWriteNothing) {
  sceneMode = scene::RunMode::kDriving;
  scenePos = {4.0f, 0.32f, 50.0f};
  Create();
  Destroy();
  EXPECT_EQ(Ini("fx"), "missing");
  EXPECT_EQ(log.shutdowns, 1);

  sceneMode = scene::RunMode::kDisplay;
  RemoveDataFile("kestor.txt");
  Create();
  Destroy();
  EXPECT_FALSE(platform::FileExists(settingsPath));
}

TEST_F(SaverFormTest, TheIdleHandlerDeliversKeysBeforeTheirFrameAndClosesAfterTheLastFrame) {
  Create({"/s", "--frames", "3", "--step-ms", "10", "--key", "2:b", "--key", "3:q", "--mouse", "1:5,5"});
  system.UseVirtualClock(0, 10);
  bool done = true;
  app.idle(done);
  EXPECT_FALSE(done);
  EXPECT_EQ(saver->processedFrames, 1u);
  EXPECT_EQ(saver->mouseStartX, 5);  // the move before frame 1 was recorded
  EXPECT_TRUE(log.keys.empty());
  app.idle(done);
  EXPECT_EQ(log.keys, (std::vector<std::uint16_t>{'B'}));
  EXPECT_FALSE(app.form.closed);
  app.idle(done);  // Q before frame 3 closes through the ordinary request
  EXPECT_TRUE(app.form.closed);
  EXPECT_EQ(system.TimeGetTime(), 30u);  // one virtual step per idle call
  EXPECT_TRUE(app.waits.empty());        // the virtual clock never waits
}

TEST_F(SaverFormTest, FramesZeroClosesAtTheFirstIdleCallAndTheRealClockWaitsForTheDueFrame) {
  Create({"/s", "--frames", "0"});
  bool done = true;
  app.idle(done);
  EXPECT_TRUE(app.form.closed);
  EXPECT_EQ(log.idles, 0);

  frameDue = false;  // the frame interval has not passed
  app.form.closed = false;
  log = FakeSceneLog();
  Create({"/s", "--frames", "2"});
  system.now = 15;
  app.idle(done);
  EXPECT_EQ(log.idles, 1);
  EXPECT_EQ(saver->processedFrames, 0u);
  EXPECT_EQ(app.waits, (std::vector<std::uint32_t>{25}));  // 40 ms interval, 15 ms gone
  EXPECT_FALSE(app.form.closed);
}

TEST_F(SaverFormTest, TheDeviceIsLostOnDemandBeforeTheListedFrames) {
  Create({"/s", "--frames", "6", "--lose-device", "2", "--lose-device", "5"});
  bool done = true;
  for (int i = 0; i < 6; ++i) app.idle(done);
  EXPECT_EQ(log.lostAtIdle, (std::vector<int>{2, 5}));
  // Where the platform cannot lose its device the run goes on all the same.
  log = FakeSceneLog();
  log.canLose = false;
  app.form.closed = false;
  Create({"/s", "--frames", "3", "--lose-device", "1"});
  for (int i = 0; i < 3; ++i) app.idle(done);
  EXPECT_EQ(log.lostAtIdle, std::vector<int>{1});
  EXPECT_EQ(saver->processedFrames, 3u);
  EXPECT_TRUE(app.form.closed);
}

}  // namespace

namespace {

struct TimingLine {
  std::string event;
  unsigned frame = 0;
  unsigned long long wall = 0, cpu = 0;
};

std::vector<TimingLine> ReadTiming(const std::string& path) {
  std::vector<TimingLine> lines;
  std::ifstream in(path);
  std::string word;
  while (in >> word) {
    TimingLine t;
    EXPECT_EQ(word, "timing");
    if (!(in >> t.event >> t.frame >> t.wall >> t.cpu)) break;
    lines.push_back(t);
  }
  return lines;
}

TEST_F(SaverFormTest, TheTimingLogMarksTheSetUpTheFirstPresentedFrameAndEveryFiftiethFrame) {
  const std::string path = files.Path("timing.log");
  Create({"/s", "--frames", "120", "--timing", path});
  bool done = true;
  for (int i = 0; i < 121; ++i) app.idle(done);
  EXPECT_TRUE(app.form.closed);
  const std::vector<TimingLine> lines = ReadTiming(path);
  std::vector<std::string> got;
  for (const TimingLine& t : lines) got.push_back(t.event + " " + std::to_string(t.frame));
  EXPECT_EQ(got,
            (std::vector<std::string>{"create 0", "setup 0", "first-present 1", "frame 50", "frame 100", "frame 120"}));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_GE(lines[i].wall, lines[i - 1].wall);
    EXPECT_GE(lines[i].cpu, lines[i - 1].cpu);
  }
}

TEST_F(SaverFormTest, WithoutTheTimingOptionNoFrameIsTimedAndAnUnwritableLogIsNoFault) {
  Create({"/s", "--frames", "3"});
  bool done = true;
  for (int i = 0; i < 4; ++i) app.idle(done);
  EXPECT_TRUE(app.form.closed);
  // A log in a folder that does not exist: the run goes on as without it.
  log = FakeSceneLog();
  app.form.closed = false;
  Create({"/s", "--frames", "2", "--timing", files.Path("no-such-folder/timing.log")});
  for (int i = 0; i < 3; ++i) app.idle(done);
  EXPECT_EQ(saver->processedFrames, 2u);
  EXPECT_TRUE(app.form.closed);
}

}  // namespace
