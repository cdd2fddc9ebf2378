// The entry's command line: the mode table and its edge cases, the handle conversion, XScreenSaver's
// forms, and the automation options with their malformed values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_line.h"

namespace {

using shell::CommandLine;
using shell::Mode;
using shell::ParseCommandLine;
using Args = std::vector<std::string>;

CommandLine Windows(const Args& args) { return ParseCommandLine(args, false); }
CommandLine Linux(const Args& args) { return ParseCommandLine(args, true); }

TEST(ModeTable, TheSecondCharacterOfTheUpperCasedFirstArgumentPicksTheMode) {
  const struct {
    Args args;
    Mode mode;
    std::uint32_t handle;
  } rows[] = {
      {{}, Mode::Settings, 0},  // no argument: "/C"
      {{"/c"}, Mode::Settings, 0},
      {{"/C"}, Mode::Settings, 0},
      {{"/c:1234"}, Mode::Settings, 0},   // the handle part is not read
      {{"-c", "99"}, Mode::Settings, 0},  // nor a second argument
      {{"/p", "1234"}, Mode::Preview, 1234},
      {{"-P", "1234"}, Mode::Preview, 1234},
      {{"/preview", "77"}, Mode::Preview, 77},  // the rest of the argument is ignored
      {{"xp", "5"}, Mode::Preview, 5},          // the first character is never looked at
      {{"/p", "abc"}, Mode::Preview, 0},        // malformed: full screen with the preview title
      {{"/p"}, Mode::Preview, 0},
      {{"/a"}, Mode::PasswordChange, 0},  // no second argument: parent 0
      {{"/A", "4660"}, Mode::PasswordChange, 4660},
      {{"/s"}, Mode::FullScreen, 0},
      {{"/S"}, Mode::FullScreen, 0},
      {{"x"}, Mode::FullScreen, 0},  // shorter than two characters
      {{"/"}, Mode::FullScreen, 0},
      {{""}, Mode::FullScreen, 0},
      {{"/Z"}, Mode::FullScreen, 0},
      {{"/s", "1234"}, Mode::FullScreen, 0},  // no handle in full screen
      {{"/\x82\xa0"}, Mode::FullScreen, 0},   // a double-byte character: its lead byte is no switch
  };
  for (const auto& row : rows) {
    const CommandLine c = Windows(row.args);
    std::string shown;
    for (const auto& a : row.args) shown += "[" + a + "]";
    EXPECT_EQ(c.mode, row.mode) << shown;
    EXPECT_EQ(c.previewWindow, row.handle) << shown;
    EXPECT_FALSE(c.intoRootWindow) << shown;
    EXPECT_TRUE(c.errors.empty()) << shown;
  }
}

TEST(ModeTable, StrayArgumentsAreIgnoredWithAWarning) {
  const CommandLine c = Windows({"/s", "junk"});
  EXPECT_EQ(c.mode, Mode::FullScreen);
  ASSERT_EQ(c.warnings.size(), 1u);
  EXPECT_NE(c.warnings[0].find("junk"), std::string::npos);
  EXPECT_TRUE(c.errors.empty());
  EXPECT_TRUE(Windows({"/p", "12", "extra"}).warnings.size() == 1);
}

TEST(HandleConversion, DecimalHexAndSignedFormsInThe32BitRange) {
  using shell::ParseHandle;
  EXPECT_EQ(ParseHandle("0"), 0u);
  EXPECT_EQ(ParseHandle("1234"), 1234u);
  EXPECT_EQ(ParseHandle("+12"), 12u);
  EXPECT_EQ(ParseHandle("0x1A2b"), 0x1A2Bu);
  EXPECT_EQ(ParseHandle("0X10"), 16u);
  EXPECT_EQ(ParseHandle("$ff"), 255u);
  EXPECT_EQ(ParseHandle("4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHandle("-1"), 0xFFFFFFFFu);  // wraps as a 32-bit handle
  EXPECT_EQ(ParseHandle("-2147483648"), 0x80000000u);
  EXPECT_EQ(ParseHandle("0xFFFFFFFF"), 0xFFFFFFFFu);
}

TEST(HandleConversion, MalformedTextFails) {
  using shell::ParseHandle;
  for (const char* bad : {"", "abc", "12a", " 12", "12 ", "0x", "$", "-", "+", "4294967296", "0x100000000",
                          "-2147483649", "1.5", "0x12g", "99999999999999999999999"}) {
    EXPECT_FALSE(ParseHandle(bad).has_value()) << "[" << bad << "]";
  }
}

TEST(XScreenSaver, WindowIdIsAPreviewAndRootIsAFullScreenRunInItsWindow) {
  // What XScreenSaver 6 passes (--root, and xscreensaver-settings' --window-id), and the older forms.
  for (const Args& args :
       {Args{"--window-id", "0x3a00007"}, Args{"-window-id", "0x3a00007"}, Args{"--window-id=0x3a00007"},
        Args{"--window-id", "60817415"}, Args{"--root", "--window-id", "0x3a00007"},
        Args{"-root", "-window-id", "0x3a00007"}, Args{"--data-dir", "d", "--window-id", "0x3a00007"}}) {
    const CommandLine c = Linux(args);
    EXPECT_EQ(c.mode, Mode::Preview) << args[0];
    EXPECT_EQ(c.previewWindow, 0x3a00007u) << args[0];
    EXPECT_FALSE(c.intoRootWindow);
    EXPECT_TRUE(c.errors.empty()) << args[0];
  }
  for (const Args& args : {Args{"--root"}, Args{"-root"}, Args{"--frames", "3", "--root"}}) {
    const CommandLine c = Linux(args);
    EXPECT_EQ(c.mode, Mode::FullScreen);
    EXPECT_TRUE(c.intoRootWindow);
    EXPECT_TRUE(c.errors.empty());
  }
  CommandLine c = Linux({"-root", "-fps", "--frames", "3"});
  EXPECT_EQ(c.automation.frames, std::optional<std::uint32_t>(3));
  EXPECT_EQ(c.warnings.size(), 1u);  // -fps
  // A preview with no usable window would become a full-screen run over the host: a usage error.
  for (const Args& args : {Args{"--window-id", "bogus"}, Args{"--window-id"}, Args{"--window-id="},
                           Args{"-window-id", "0"}, Args{"--window-id", "--frames", "3"}})
    EXPECT_EQ(Linux(args).errors.size(), 1u) << args.size();
}

TEST(XScreenSaver, HelpAndVersionAreAnsweredBeforeAnythingElse) {
  EXPECT_TRUE(Linux({"--help"}).showHelp);
  EXPECT_TRUE(Linux({"/s", "--frames", "x", "-h"}).showHelp);
  EXPECT_TRUE(Linux({"/s", "--frames", "x", "-h"}).errors.empty());
  EXPECT_TRUE(Linux({"--version"}).showVersion);
  EXPECT_FALSE(Linux({"/s"}).showHelp || Linux({"/s"}).showVersion);
  EXPECT_FALSE(Windows({"--help"}).showHelp);
}

TEST(XScreenSaver, OnWindowsTheFormsFollowTheSecondCharacterRule) {
  EXPECT_EQ(Windows({"-root"}).mode, Mode::FullScreen);
  EXPECT_FALSE(Windows({"-root"}).intoRootWindow);
  const CommandLine c = Windows({"-window-id", "0x42"});
  EXPECT_EQ(c.mode, Mode::FullScreen);
  EXPECT_EQ(c.previewWindow, 0u);
}

TEST(Automation, AllOptionsAfterTheSwitchAndItsHandle) {
  const CommandLine c =
      Windows({"/p",        "1234",          "--data-dir",    "out/data", "--frames", "400",     "--step-ms",
               "16",        "--clock-start", "0xFFFFFF00",    "--key",    "10:b",     "--key",   "20:LEFT",
               "--key",     "30:num8",       "--key",         "30:0x51",  "--mouse",  "40:-5,7", "--capture",
               "out/shots", "--capture-at",  "400,10,200,10", "--size",   "640x480"});
  ASSERT_TRUE(c.errors.empty()) << c.errors[0];
  EXPECT_EQ(c.mode, Mode::Preview);
  EXPECT_EQ(c.previewWindow, 1234u);
  const shell::Automation& a = c.automation;
  EXPECT_EQ(a.dataDir, "out/data");
  EXPECT_EQ(a.frames, std::optional<std::uint32_t>(400));
  EXPECT_TRUE(a.VirtualClock());
  EXPECT_EQ(a.stepMs, std::optional<std::uint32_t>(16));
  EXPECT_EQ(a.clockStart, 0xFFFFFF00u);
  EXPECT_EQ(a.KeysBefore(10), (std::vector<std::uint16_t>{0x42}));
  EXPECT_EQ(a.KeysBefore(20), (std::vector<std::uint16_t>{0x25}));
  EXPECT_EQ(a.KeysBefore(30), (std::vector<std::uint16_t>{0x68, 0x51}));  // command-line order
  EXPECT_TRUE(a.KeysBefore(11).empty());
  ASSERT_EQ(a.MiceBefore(40).size(), 1u);
  EXPECT_EQ(a.MiceBefore(40)[0].x, -5);
  EXPECT_EQ(a.MiceBefore(40)[0].y, 7);
  EXPECT_EQ(a.captureAt, (std::vector<std::uint32_t>{10, 200, 400}));  // sorted, once each
  EXPECT_TRUE(a.Captures(10));
  EXPECT_TRUE(a.Captures(400));
  EXPECT_FALSE(a.Captures(11));
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 480);
  EXPECT_FALSE(a.CloseAfter(399));
  EXPECT_TRUE(a.CloseAfter(400));
}

TEST(Automation, WithoutOptionsNothingChanges) {
  const shell::Automation a = Windows({"/s"}).automation;
  EXPECT_TRUE(a.dataDir.empty());
  EXPECT_FALSE(a.frames.has_value());
  EXPECT_FALSE(a.VirtualClock());
  EXPECT_FALSE(a.CloseAfter(1000000));
  EXPECT_FALSE(a.Captures(1));
  EXPECT_TRUE(a.KeysBefore(1).empty());
  EXPECT_EQ(a.width, 1280);
  EXPECT_EQ(a.height, 720);
}

TEST(Automation, EveryNCapturesMultiplesAndNamesFilesByFrame) {
  const CommandLine c = Windows({"/s", "--capture=shots/", "--capture-at=every:25"});
  ASSERT_TRUE(c.errors.empty());
  const shell::Automation& a = c.automation;
  EXPECT_FALSE(a.Captures(0));
  EXPECT_FALSE(a.Captures(24));
  EXPECT_TRUE(a.Captures(25));
  EXPECT_TRUE(a.Captures(50));
  EXPECT_EQ(a.CapturePath(25), "shots/frame-00025.png");
  const CommandLine d = Windows({"/s", "--capture", "shots", "--capture-at", "10"});
  EXPECT_EQ(d.automation.CapturePath(123456), std::string("shots") +
#ifdef _WIN32
                                                  "\\"
#else
                                                  "/"
#endif
                                                  "frame-123456.png");
}

TEST(Automation, ZeroFramesAndAFrozenClockAreAllowed) {
  const CommandLine c = Windows({"/s", "--frames", "0", "--step-ms", "0"});
  ASSERT_TRUE(c.errors.empty());
  EXPECT_TRUE(c.automation.CloseAfter(0));
  EXPECT_TRUE(c.automation.VirtualClock());
}

TEST(Automation, OptionsWorkInEveryModeAndAfterAMissingHandle) {
  CommandLine c = Windows({"/p", "--frames", "5"});
  EXPECT_EQ(c.mode, Mode::Preview);
  EXPECT_EQ(c.previewWindow, 0u);
  EXPECT_EQ(c.automation.frames, std::optional<std::uint32_t>(5));
  c = Windows({"/c", "--data-dir", "d"});
  EXPECT_EQ(c.automation.dataDir, "d");
  c = Windows({"--frames", "2"});  // the options stand where the switch should: full screen
  EXPECT_EQ(c.mode, Mode::FullScreen);
  EXPECT_EQ(c.automation.frames, std::optional<std::uint32_t>(2));
}

TEST(Automation, KeyNames) {
  using shell::ParseKeyName;
  EXPECT_EQ(ParseKeyName("b"), 0x42);
  EXPECT_EQ(ParseKeyName("B"), 0x42);
  EXPECT_EQ(ParseKeyName("7"), 0x37);
  EXPECT_EQ(ParseKeyName("left"), 0x25);
  EXPECT_EQ(ParseKeyName("Up"), 0x26);
  EXPECT_EQ(ParseKeyName("right"), 0x27);
  EXPECT_EQ(ParseKeyName("down"), 0x28);
  EXPECT_EQ(ParseKeyName("num8"), 0x68);
  EXPECT_EQ(ParseKeyName("num2"), 0x62);
  EXPECT_EQ(ParseKeyName("alt"), 0x12);
  EXPECT_EQ(ParseKeyName("escape"), 0x1B);
  EXPECT_EQ(ParseKeyName("space"), 0x20);
  EXPECT_EQ(ParseKeyName("return"), 0x0D);
  EXPECT_EQ(ParseKeyName("0x1b"), 0x1B);
  EXPECT_EQ(ParseKeyName("0XFFFF"), 0xFFFF);
  for (const char* bad : {"", "!", "bb", "0x", "0x0", "0x10000", "0xZZ", "num5", "lefty"})
    EXPECT_FALSE(ParseKeyName(bad).has_value()) << "[" << bad << "]";
}

TEST(Automation, MalformedValuesAreUsageErrorsNamingTheOption) {
  const struct {
    Args args;
    const char* mention;
  } cases[] = {
      {{"/s", "--frames", "abc"}, "--frames"},
      {{"/s", "--frames", "-1"}, "--frames"},
      {{"/s", "--frames", "4294967296"}, "--frames"},
      {{"/s", "--frames"}, "needs a value"},
      {{"/s", "--frames", "--step-ms", "5"}, "--frames needs a value"},
      {{"/s", "--frames="}, "needs a value"},
      {{"/s", "--step-ms", "2147483648"}, "--step-ms"},
      {{"/s", "--step-ms", "1.5"}, "--step-ms"},
      {{"/s", "--clock-start", "4294967296"}, "--clock-start"},
      {{"/s", "--clock-start", "0xG"}, "--clock-start"},
      {{"/s", "--key", "b"}, "--key"},
      {{"/s", "--key", "0:b"}, "--key"},  // frames count from 1
      {{"/s", "--key", "x:b"}, "--key"},
      {{"/s", "--key", "5:"}, "--key"},
      {{"/s", "--key", "5:nokey"}, "--key"},
      {{"/s", "--mouse", "5:1"}, "--mouse"},
      {{"/s", "--mouse", "5:1,2,3"}, "--mouse"},
      {{"/s", "--mouse", "5:40000,2"}, "--mouse"},
      {{"/s", "--mouse", ":1,2"}, "--mouse"},
      {{"/s", "--capture-at", "1,,2", "--capture", "d"}, "--capture-at"},
      {{"/s", "--capture-at", "every:0", "--capture", "d"}, "--capture-at"},
      {{"/s", "--capture-at", "0", "--capture", "d"}, "--capture-at"},
      {{"/s", "--capture", "d"}, "--capture needs --capture-at"},
      {{"/s", "--capture-at", "5"}, "--capture-at needs --capture"},
      {{"/s", "--size", "640"}, "--size"},
      {{"/s", "--size", "0x480"}, "--size"},
      {{"/s", "--size", "640x99999"}, "--size"},
      {{"/s", "--size", "axb"}, "--size"},
      {{"/s", "--data-dir", ""}, "needs a value"},
      {{"/s", "--lose-device", "0"}, "--lose-device"},
      {{"/s", "--lose-device", "7x"}, "--lose-device"},
      {{"/s", "--fail-reset", "5"}, "--fail-reset"},
      {{"/s", "--fail-reset", "0:2"}, "--fail-reset"},
      {{"/s", "--fail-reset", "5:0"}, "--fail-reset"},
      {{"/s", "--fail-reset", "5:x"}, "--fail-reset"},
      {{"/s", "--verbose"}, "unknown option --verbose"},
      {{"/s", "--"}, "unknown option --"},
  };
  for (const auto& c : cases) {
    const CommandLine r = Windows(c.args);
    std::string shown;
    for (const auto& a : c.args) shown += "[" + a + "]";
    ASSERT_FALSE(r.errors.empty()) << shown;
    EXPECT_NE(r.errors[0].find(c.mention), std::string::npos) << shown << " -> " << r.errors[0];
  }
}

TEST(Automation, TheTimingLogIsAFileAndNeedsAName) {
  EXPECT_EQ(Windows({"/s", "--timing", "t.log"}).automation.timingFile, "t.log");
  EXPECT_EQ(Windows({"/s", "--timing=C:\\t.log"}).automation.timingFile, "C:\\t.log");
  EXPECT_TRUE(Windows({"/s"}).automation.timingFile.empty());
  const CommandLine missing = Windows({"/s", "--timing"});
  ASSERT_FALSE(missing.errors.empty());
  EXPECT_NE(missing.errors[0].find("--timing"), std::string::npos);
}

TEST(Automation, DeviceLossesAreListedFramesInOrder) {
  const CommandLine c = Windows({"/s", "--lose-device", "300", "--lose-device=20", "--lose-device", "300"});
  ASSERT_TRUE(c.errors.empty());
  EXPECT_EQ(c.automation.loseDeviceAt, (std::vector<std::uint32_t>{20, 300}));
  EXPECT_TRUE(c.automation.LosesDeviceBefore(20));
  EXPECT_TRUE(c.automation.LosesDeviceBefore(300));
  EXPECT_FALSE(c.automation.LosesDeviceBefore(21));
  EXPECT_FALSE(Windows({"/s"}).automation.LosesDeviceBefore(1));
}

TEST(Automation, TheLastOfARepeatedSingleOptionWinsAndListsReplaceEachOther) {
  const CommandLine c = Windows(
      {"/s", "--frames", "5", "--frames", "9", "--capture", "a", "--capture-at", "every:5", "--capture-at", "3,4"});
  ASSERT_TRUE(c.errors.empty());
  EXPECT_EQ(c.automation.frames, std::optional<std::uint32_t>(9));
  EXPECT_EQ(c.automation.captureEvery, 0u);
  EXPECT_TRUE(c.automation.Captures(3));
  EXPECT_FALSE(c.automation.Captures(5));
}

}  // namespace
