// The system services: the virtual clock and the data-folder override (shared code, through a
// fake), and the real services' answers on this platform.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "fakes/platform_fakes.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace {

using platform::PasswordAnswer;

// The shared parts on top of a platform clock the test sets (`now`).
class FakeSystem : public fakes::System {
 public:
  FakeSystem() { now = 1000; }
};

TEST(VirtualClock, TheRealClockPassesThroughUntilTheVirtualOneIsChosen) {
  FakeSystem s;
  EXPECT_FALSE(s.ClockIsVirtual());
  EXPECT_EQ(s.TimeGetTime(), 1000u);
  s.EndIdleCall();  // no effect on the real clock
  s.now = 1234;
  EXPECT_EQ(s.TimeGetTime(), 1234u);
}

TEST(VirtualClock, ItStartsAtItsFirstReadingAndAdvancesExactlyOneStepPerIdleCall) {
  FakeSystem s;
  s.UseVirtualClock(500, 16);
  EXPECT_TRUE(s.ClockIsVirtual());
  EXPECT_EQ(s.TimeGetTime(), 500u);
  EXPECT_EQ(s.TimeGetTime(), 500u);  // every reading within one idle call is the same
  s.now = 99999;                     // the real clock no longer matters
  s.EndIdleCall();
  EXPECT_EQ(s.TimeGetTime(), 516u);
  for (int i = 0; i < 9; ++i) s.EndIdleCall();
  EXPECT_EQ(s.TimeGetTime(), 660u);
}

TEST(VirtualClock, ItWrapsAt2To32LikeTimeGetTime) {
  FakeSystem s;
  s.UseVirtualClock(4294967000u, 100);
  const std::uint32_t before = s.TimeGetTime();
  for (int i = 0; i < 3; ++i) s.EndIdleCall();
  EXPECT_EQ(s.TimeGetTime(), 4u);             // 4294967000 + 300 - 2^32
  EXPECT_EQ(s.TimeGetTime() - before, 300u);  // elapsed times stay right across the wrap
  FakeSystem frozen;
  frozen.UseVirtualClock(7, 0);
  frozen.EndIdleCall();
  EXPECT_EQ(frozen.TimeGetTime(), 7u);
}

TEST(VirtualClock, ItsTimersTickOnItsTimeAcrossTheWrapAndMayEndThemselves) {
  FakeSystem real;
  EXPECT_EQ(real.CreateVirtualTimer(10, true, [] {}), nullptr);  // the real clock: application timers
  FakeSystem s;
  s.UseVirtualClock(4294967000u, 100);
  std::vector<std::string> ticks;
  std::unique_ptr<platform::Timer> b;
  auto a = s.CreateVirtualTimer(250, true, [&] { ticks.push_back("a"); });
  b = s.CreateVirtualTimer(100, true, [&] {
    ticks.push_back("b");
    b.reset();  // a tick that ends its own timer
  });
  auto off = s.CreateVirtualTimer(100, false, [&] { ticks.push_back("off"); });
  s.now = 999999;  // wall time means nothing to them
  s.EndIdleCall();
  EXPECT_EQ(ticks, (std::vector<std::string>{"b"}));
  s.EndIdleCall();
  s.EndIdleCall();  // 300 ms: across 2^32
  EXPECT_EQ(ticks, (std::vector<std::string>{"b", "a"}));
  a->SetEnabled(true);  // restarts its interval from now
  for (int i = 0; i < 2; ++i) s.EndIdleCall();
  EXPECT_EQ(ticks.size(), 2u);
  s.EndIdleCall();
  EXPECT_EQ(ticks, (std::vector<std::string>{"b", "a", "a"}));
}

TEST(DataFolder, TheOverrideReplacesTheSystemFolderAndEndsInASeparator) {
  FakeSystem s;
  EXPECT_EQ(s.DataFolder(), "C:\\WINDOWS\\SYSTEM\\");
  s.SetDataFolderOverride("out/data");
  EXPECT_EQ(s.DataFolder(), std::string("out/data") + platform::kPathSeparator);
  s.SetDataFolderOverride("out/data/");
  EXPECT_EQ(s.DataFolder(), "out/data/");
  s.SetDataFolderOverride("");
  EXPECT_EQ(s.DataFolder(), "C:\\WINDOWS\\SYSTEM\\");
}

TEST(RealSystem, TheMillisecondClockMoves) {
  auto s = platform::CreateSystem();
  const std::uint32_t a = s->TimeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::uint32_t elapsed = s->TimeGetTime() - a;
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 10000u);
}

TEST(RealSystem, ThePointerCountGoesDownAndUpLikeShowCursor) {
  auto s = platform::CreateSystem();
  const int hidden = s->ShowCursor(false);
  const int shown = s->ShowCursor(true);
  EXPECT_EQ(shown, hidden + 1);
}

TEST(RealSystem, FoldersEndInASeparator) {
  auto s = platform::CreateSystem();
  const std::string folder = s->SystemFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), platform::kPathSeparator);
  EXPECT_EQ(s->DataFolder(), folder);
#ifdef _WIN32
  std::string lower = folder;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(lower.find("system32"), std::string::npos) << folder;
#else
  // <program folder>/../share/corvane_kestor/
  std::string program = platform::ProgramFolder();
  program.pop_back();
  const std::string parent = program.substr(0, program.rfind('/') + 1);
  EXPECT_EQ(folder, parent + "share/corvane_kestor/");
#endif
}

#ifndef _WIN32
TEST(RealSystem, LinuxAnswersAsTheNtFamilyWithoutPasswordServices) {
  auto s = platform::CreateSystem();
  EXPECT_EQ(s->PlatformId(), std::optional<std::uint32_t>(2));
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::nullopt);
  EXPECT_EQ(s->VerifyScreenSavePassword(nullptr), PasswordAnswer::NoService);
  EXPECT_FALSE(s->ChangeScreenSavePassword(0));
  EXPECT_EQ(s->ForegroundWindow(), nullptr);
  s->SetScreenSaverRunning(true);  // nothing to do, nothing to break
  s->EnableWindow(nullptr, true);
}

TEST(RealSystem, LinuxMessageBoxesGiveTheAnswerThatChangesNothing) {
  auto s = platform::CreateSystem();
  EXPECT_EQ(s->ShowMessageBox(nullptr, "テキスト", "題", platform::kMbOk | platform::kMbIconInformation),
            platform::kIdOk);
  EXPECT_EQ(s->ShowMessageBox(nullptr, "削除しますか", "題", platform::kMbYesNo | platform::kMbIconQuestion),
            platform::kIdNo);
  EXPECT_EQ(s->ShowMessageBox(nullptr, "x", "y", platform::kMbOkCancel), platform::kIdCancel);
}
#else
// Sets, reads and restores HKCU\Control Panel\desktop\ScreenSaveUsePassword.
class PasswordValue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key_, nullptr),
              ERROR_SUCCESS);
    savedSize_ = sizeof saved_;
    hadValue_ = RegQueryValueExA(key_, kName, nullptr, &savedType_, saved_, &savedSize_) == ERROR_SUCCESS;
  }
  void TearDown() override {
    if (hadValue_) {
      RegSetValueExA(key_, kName, 0, savedType_, saved_, savedSize_);
    } else {
      RegDeleteValueA(key_, kName);
    }
    RegCloseKey(key_);
  }
  void Set(DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_, kName, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }
  static constexpr const char* kName = "ScreenSaveUsePassword";
  HKEY key_ = nullptr;
  bool hadValue_ = false;
  DWORD savedType_ = 0, savedSize_ = 0;
  BYTE saved_[256] = {};
};

TEST_F(PasswordValue, DwordAndNineXStyleBinaryValuesAreReadOthersCountAsAbsent) {
  auto s = platform::CreateSystem();
  const DWORD one = 1, zero = 0;
  Set(REG_DWORD, &one, sizeof one);
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::optional<std::uint32_t>(1));
  Set(REG_DWORD, &zero, sizeof zero);
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::optional<std::uint32_t>(0));
  const BYTE binary[4] = {1, 0, 0, 0};
  Set(REG_BINARY, binary, sizeof binary);
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::optional<std::uint32_t>(1));
  Set(REG_SZ, "1", 2);
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::nullopt);
  const BYTE shortBinary[2] = {1, 0};
  Set(REG_BINARY, shortBinary, sizeof shortBinary);
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::nullopt);
  RegDeleteValueA(key_, kName);
  EXPECT_EQ(s->ScreenSaveUsePassword(), std::nullopt);
}

TEST(RealSystem, WindowsReportsItsFamilyAndTheServicesItHas) {
  auto s = platform::CreateSystem();
  const auto id = s->PlatformId();
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(*id, 2u);  // Wine reports an NT-family system by default
  // No PASSWORD.CPL in the system folder of an NT-family system.
  EXPECT_EQ(s->VerifyScreenSavePassword(nullptr), PasswordAnswer::NoService);
  EXPECT_TRUE(s->ChangeScreenSavePassword(0));  // MPR.DLL has the entry point (a stub on NT)
  const platform::Size screen = s->ScreenSize();
  EXPECT_EQ(screen.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_GT(screen.height, 0);
}
#endif

}  // namespace
