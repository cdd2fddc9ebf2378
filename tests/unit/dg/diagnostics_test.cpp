#include "dg/diagnostics.h"

#include "dg/format.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/paths.h"
#include "unit/dg/scratch.h"

namespace {

// Each test starts like a fresh process with its own log file.
class Diagnostics : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = scratch::Path(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".txt");
    scratch::Remove(path_);
    dg::ResetDiagnostics();
    dg::SetLogFilePathOverride(path_);
  }
  void TearDown() override {
    dg::ResetDiagnostics();
    dg::SetLogFilePathOverride("");
  }
  std::string Log() const { return scratch::ReadAll(path_); }

  std::string path_;
};

// The children of a death test run SetUp again, so this one keeps the file of an earlier child.
class DiagnosticsDeathTest : public Diagnostics {
 protected:
  void SetUp() override {
    Diagnostics::SetUp();
    dg::SetLogFilePathOverride(path_ = scratch::Path("death_" + path_.substr(path_.rfind('/') + 1)));
  }
};

}  // namespace

TEST_F(Diagnostics, LinesAreNumberedIndentedAndEndInCrLf) {
  dg::AssignDebugOption(dg::dgoDebugMessage);
  dg::DebugLog("起動します");
  dg::IndentLog();
  dg::IndentLog();
  dg::DebugLog("二段");
  dg::DebugLog("");
  dg::SetLogIndent(-3);
  dg::DebugLog("x");
  EXPECT_EQ(Log(), "#00001 | 起動します\r\n#00002 |     二段\r\n#00003 |     \r\n#00004 | x\r\n");
  EXPECT_EQ(dg::LogLineCount(), 4);
  // Shift-JIS bytes reach the file unchanged: "起" is 8B 4E.
  EXPECT_EQ(Log().substr(9, 2), "\x8B\x4E");
}

TEST_F(Diagnostics, SwitchesComeFromTheOptionBits) {
  const struct {
    dg::TDGDebugOption options;
    bool halt, log, detail;
  } cases[] = {{0, false, false, false},
               {dg::dgoHaltOnError, true, false, false},
               {dg::dgoDebugMessage, false, true, false},
               {dg::dgoDetailedLog, false, false, true},
               {dg::dgoHaltOnError | dg::dgoDetailedLog, true, false, true},
               {0xFF, true, true, true}};
  for (const auto& c : cases) {
    dg::AssignDebugOption(c.options);
    EXPECT_EQ(dg::HaltSwitch(), c.halt) << int(c.options);
    EXPECT_EQ(dg::LogSwitch(), c.log) << int(c.options);
    EXPECT_EQ(dg::DetailSwitch(), c.detail) << int(c.options);
  }
}

TEST_F(Diagnostics, DetailLinesNeedBothSwitches) {
  dg::AssignDebugOption(dg::dgoDetailedLog);  // the window's stored options, without the halt bit
  dg::DetailLog("detail");
  dg::DebugLog("plain");
  EXPECT_FALSE(platform::FileExists(path_));
  EXPECT_EQ(dg::LogLineCount(), 0);
  dg::AssignDebugOption(dg::dgoDebugMessage);
  dg::DetailLog("detail");
  dg::DebugLog("plain");
  dg::AssignDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
  dg::DetailLog("detail");
  EXPECT_EQ(Log(), "#00001 | plain\r\n#00002 | detail\r\n");
}

TEST_F(Diagnostics, CheckResultLogsTheNameAndReturnsTheCode) {
  dg::AssignDebugOption(dg::dgoDebugMessage | dg::dgoDetailedLog);
  EXPECT_EQ(dg::CheckResult(0, "never"), 0);
  EXPECT_EQ(dg::CheckResult(1, "読み込みエラー"), 1);
  EXPECT_EQ(dg::CheckResult(static_cast<std::int32_t>(0x8876086Cu), "LockRectに失敗しました"),
            static_cast<std::int32_t>(0x8876086Cu));
  EXPECT_EQ(dg::CheckResult(2, "残り参照"), 2);
  EXPECT_EQ(Log(),
            "#00001 | 読み込みエラー(Error Code = UNKNOWN ERROR ... $00000001)\r\n"
            "#00002 | LockRectに失敗しました(Error Code = D3DERR_INVALIDCALL )\r\n"
            "#00003 | 残り参照(Error Code = UNKNOWN ERROR ... $00000002)\r\n");
}

TEST_F(Diagnostics, CodeZeroNeverHaltsOrWrites) {
  dg::AssignDebugOption(0xFF);
  EXPECT_EQ(dg::CheckResult(0, "ok"), 0);
  EXPECT_FALSE(platform::FileExists(path_));
}

TEST(DiagnosticNames, ErrorNamesKeepTheirTrailingSpaces) {
  const struct {
    std::uint32_t code;
    const char* name;
  } cases[] = {{0, "D3D_OK"},
               {0x8876017C, "D3DERR_OUTOFVIDEOMEMORY"},
               {0x88760819, "D3DERR_UNSUPPORTEDCOLOROPERATION "},
               {0x8876081D, "D3DERR_TOOMANYOPERATIONS "},
               {0x8876081E, "D3DERR_CONFLICTINGTEXTUREFILTER"},
               {0x88760826, "D3DERR_CONFLICTINGTEXTUREPALETTE "},
               {0x88760827, "D3DERR_DRIVERINTERNALERROR "},
               {0x88760868, "D3DERR_DEVICELOST"},
               {0x88760869, "D3DERR_DEVICENOTRESET"},
               {0x8876086B, "D3DERR_INVALIDDEVICE "},
               {0x8876086C, "D3DERR_INVALIDCALL "},
               {0x8876086D, "D3DERR_DRIVERINVALIDCALL "},
               {0x88760820, "UNKNOWN ERROR ... $88760820"},
               {0x8007000E, "UNKNOWN ERROR ... $8007000E"},
               {0xFFFFFFFF, "UNKNOWN ERROR ... $FFFFFFFF"}};
  for (const auto& c : cases) EXPECT_EQ(dg::ErrorName(static_cast<std::int32_t>(c.code)), c.name);
}

TEST(DiagnosticNames, FormatNamesIncludingFourCharacterCodes) {
  const struct {
    std::uint32_t format;
    const char* name;
  } cases[] = {{20, "R8G8B8"},       {21, "A8R8G8B8"},     {30, "X4R4G4B4"},     {40, "A8P8"},
               {41, "P8"},           {52, "A4L4"},         {64, "V16U16"},       {70, "D16_LOCKABLE"},
               {79, "D24X4S4"},      {80, "D16"},          {100, "VERTEXDATA"},  {102, "INDEX32"},
               {0x31545844, "DXT1"}, {0x35545844, "DXT5"}, {0x59565955, "UYVY"}, {0x32595559, "YUY2"},
               {0, "UNKNOWN"},       {31, "UNKNOWN"},      {72, "UNKNOWN"},      {0x36545844, "UNKNOWN"}};
  for (const auto& c : cases) EXPECT_EQ(dg::FormatName(c.format), c.name) << c.format;
}

TEST(DiagnosticFormat, LongTextsAndTheSystemsConversions) {
  const std::string path(1000, 'p');  // longer than any fixed buffer
  const std::string text = dg::Format("ID %d(%s) のテクスチャに、%s を読み込みます", 7, "tex", path.c_str());
  EXPECT_EQ(text, "ID 7(tex) のテクスチャに、" + path + " を読み込みます");
  EXPECT_EQ(dg::Format("%.8X|%.5d|%.2f", 0xABCDEFu, -42, 3.14159), "00ABCDEF|-00042|3.14");
}

TEST_F(Diagnostics, FirstLineOfARunRecreatesTheFile) {
  scratch::WriteAll(path_, std::string("#00001 | an older run\r\n#00002 | more\r\n"));
  dg::AssignDebugOption(dg::dgoDebugMessage);
  dg::DebugLog("new");
  dg::DebugLog("again");
  EXPECT_EQ(Log(), "#00001 | new\r\n#00002 | again\r\n");
}

TEST_F(Diagnostics, UnwritableLogDropsLinesAndGoesOn) {
  dg::AssignDebugOption(dg::dgoDebugMessage);
  for (const std::string& bad : {scratch::Path("no_such_folder/log.txt"), scratch::Path("")}) {  // a folder
    dg::SetLogFilePathOverride(bad);
    dg::DebugLog("lost");
    EXPECT_EQ(dg::CheckResult(5, "lost too"), 5);
    EXPECT_EQ(dg::LogLineCount(), 0) << bad;
  }
#ifndef _WIN32
  dg::SetLogFilePathOverride("/dev/full");  // opens, but every write fails
  dg::DebugLog("lost");
  EXPECT_EQ(dg::LogLineCount(), 0);
#endif
  // Once the file can be written, the run's log starts afresh at line 1.
  scratch::WriteAll(path_, std::string("stale\r\n"));
  dg::SetLogFilePathOverride(path_);
  dg::DebugLog("kept");
  EXPECT_EQ(Log(), "#00001 | kept\r\n");
}

TEST_F(Diagnostics, NumbersWidenPastFiveDigits) {
#ifdef _WIN32
  GTEST_SKIP() << "100000 opens of the file take half a minute under Wine; the line code is shared";
#endif
  dg::AssignDebugOption(dg::dgoDebugMessage);
  for (int i = 0; i < 100000; ++i) dg::DebugLog("");
  const std::string log = Log();
  EXPECT_EQ(dg::LogLineCount(), 100000);
  ASSERT_EQ(log.size(), 99999u * 11 + 12);  // "#00001 | " CR LF, then one digit more
  EXPECT_EQ(log.substr(0, 11), "#00001 | \r\n");
  EXPECT_EQ(log.substr(99998 * 11, 11), "#99999 | \r\n");
  EXPECT_EQ(log.substr(99999 * 11), "#100000 | \r\n");
}

TEST_F(Diagnostics, DefaultLogLivesInTheSettingsFolder) {
  dg::SetLogFilePathOverride("");
  EXPECT_EQ(dg::LogFilePath(), platform::SettingsFolder() + "DGCarad_DebugLog.txt");
#ifndef _WIN32
  // On Linux the settings folder follows XDG_CONFIG_HOME and is made when needed.
  const std::string home = std::filesystem::absolute(scratch::Path("xdg")).string();
  scratch::Remove(home);
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string old = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  EXPECT_EQ(dg::LogFilePath(), home + "/corvane_kestor/DGCarad_DebugLog.txt");
  EXPECT_FALSE(std::filesystem::exists(home)) << "finding the log makes no folder";
  dg::AssignDebugOption(dg::dgoDebugMessage);
  dg::DebugLog("here");
  EXPECT_EQ(scratch::ReadAll(home + "/corvane_kestor/DGCarad_DebugLog.txt"), "#00001 | here\r\n");
  if (saved) {
    setenv("XDG_CONFIG_HOME", old.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
#endif
}

// Halting and separate runs need real processes: each death test below runs in a child process
// started afresh (re-executed, not forked), so its diagnostics state is that of a new program.
TEST_F(DiagnosticsDeathTest, HaltEndsTheProgramAsAFailureAfterTheLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        dg::AssignDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage);
        dg::CheckResult(static_cast<std::int32_t>(0x88760868u), "リセットに失敗しました");
        dg::DebugLog("never written");
        std::exit(3);
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ");
  EXPECT_EQ(Log(), "#00001 | リセットに失敗しました(Error Code = D3DERR_DEVICELOST)\r\n");
}

TEST_F(DiagnosticsDeathTest, HaltWithoutLogWritesNoFileButSaysWhyOnStderr) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  scratch::Remove(path_);
  EXPECT_EXIT(
      {
        dg::AssignDebugOption(dg::dgoHaltOnError | dg::dgoDetailedLog);
        dg::CheckResult(1, "x");
        std::exit(3);
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ");
  EXPECT_FALSE(platform::FileExists(path_));
}

TEST_F(DiagnosticsDeathTest, ASecondRunLeavesOnlyItsOwnLines) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        dg::AssignDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage);
        dg::DebugLog("first run");
        dg::DebugLog("first run, line 2");
        dg::CheckResult(1, "end");
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ");
  EXPECT_EQ(Log(),
            "#00001 | first run\r\n#00002 | first run, line 2\r\n"
            "#00003 | end(Error Code = UNKNOWN ERROR ... $00000001)\r\n");
  EXPECT_EXIT(
      {
        dg::AssignDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage);
        dg::DebugLog("second run");
        dg::CheckResult(1, "end");
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ");
  EXPECT_EQ(Log(), "#00001 | second run\r\n#00002 | end(Error Code = UNKNOWN ERROR ... $00000001)\r\n");
}

namespace {
struct Halted {};
int g_hookCalls = 0;
[[noreturn]] void ThrowingHook() {
  ++g_hookCalls;
  throw Halted{};
}
void ReturningHook() { ++g_hookCalls; }
}  // namespace

// A harness's hook replaces the exit: the halting call unwinds to the caller, after its line.
TEST_F(Diagnostics, AHaltHookThatThrowsTurnsTheHaltIntoAnException) {
  g_hookCalls = 0;
  dg::SetHaltHook(&ThrowingHook);
  dg::AssignDebugOption(dg::dgoHaltOnError | dg::dgoDebugMessage);
  bool reached = false;
  EXPECT_THROW(
      {
        dg::CheckResult(1, "end");
        reached = true;
      },
      Halted);
  EXPECT_FALSE(reached);
  EXPECT_THROW(dg::HaltProgram("test"), Halted);
  EXPECT_EQ(g_hookCalls, 2);
  EXPECT_EQ(Log(), "#00001 | end(Error Code = UNKNOWN ERROR ... $00000001)\r\n");
  // Without the halt switch the hook is never reached.
  dg::AssignDebugOption(dg::dgoDebugMessage);
  EXPECT_EQ(dg::CheckResult(5, "goes on"), 5);
  EXPECT_EQ(g_hookCalls, 2);
  dg::SetHaltHook(nullptr);
}

// A hook that returns cannot keep the program going, and removing the hook restores the exit.
TEST_F(DiagnosticsDeathTest, AHookThatReturnsStillEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        dg::SetHaltHook(&ReturningHook);
        dg::AssignDebugOption(dg::dgoHaltOnError);
        dg::CheckResult(1, "x");
        std::exit(3);
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ");
  EXPECT_EXIT(
      {
        dg::SetHaltHook(&ThrowingHook);
        dg::SetHaltHook(nullptr);
        dg::AssignDebugOption(dg::dgoHaltOnError);
        try {
          dg::CheckResult(1, "x");
        } catch (const Halted&) {
          std::exit(4);
        }
        std::exit(3);
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ");
}
