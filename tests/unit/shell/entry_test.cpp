// The entry's modes with a fake application and fake services: what each mode calls, in which
// order, with which window parameters; Main's usage errors and its wiring of the automation
// options; and the frame-pacing wait.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/platform_fakes.h"
#include "shell/entry.h"
#include "shell/pacing.h"

namespace {

using shell::CommandLine;
using shell::ParseCommandLine;

using FakeApp = fakes::Application;
using FakeSystem = fakes::System;

class Hooks : public shell::EntryHooks {
 public:
  std::vector<std::string> calls;
  std::string dataFolder;
  std::uint32_t clock = 0;
  bool virtualClock = false;
  platform::FormEvents events;

  bool dialogShown = true;
  bool RunSettingsDialog(platform::Application&, platform::System& system, const CommandLine&) override {
    calls.push_back("settings");
    dataFolder = system.DataFolder();
    clock = system.TimeGetTime();
    virtualClock = system.ClockIsVirtual();
    return dialogShown;
  }
  platform::FormEvents& SaverForm(platform::Application&, platform::System&, const CommandLine& c) override {
    calls.push_back("saver " + std::to_string(c.previewWindow));
    return events;
  }
};

struct EntryRun {
  FakeApp app;
  FakeSystem system;
  Hooks hooks;
  int code = -1;
  explicit EntryRun(const std::vector<std::string>& args, bool xscreensaver = false, bool failCreate = false) {
    app.failCreate = failCreate;
    system.hasPasswordChange = true;
    code = shell::RunEntry(ParseCommandLine(args, xscreensaver), app, system, hooks);
  }
};

TEST(Entry, PasswordChangeHidesTheApplicationWindowCallsTheServiceWithTheHandleAndEnds) {
  EntryRun r({"/a", "4660"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.app.calls, (std::vector<std::string>{"hide"}));
  EXPECT_EQ(r.system.passwordChanges, (std::vector<std::uintptr_t>{4660}));
  EXPECT_TRUE(r.hooks.calls.empty());

  EntryRun none({"/a"});  // no handle: parent 0
  EXPECT_EQ(none.system.passwordChanges, (std::vector<std::uintptr_t>{0}));
}

TEST(Entry, PasswordChangeWithoutTheServiceEndsWithoutEffect) {
  FakeApp app;
  FakeSystem system;  // no MPR.DLL entry point
  Hooks hooks;
  EXPECT_EQ(shell::RunEntry(ParseCommandLine({"/a", "1"}, false), app, system, hooks), 0);
  EXPECT_FALSE(shell::RunPasswordChange(system, 1));
  EXPECT_EQ(app.calls, (std::vector<std::string>{"hide"}));
  EXPECT_TRUE(hooks.calls.empty());
}

TEST(Entry, SettingsHidesTheApplicationWindowAndRunsTheDialogOnly) {
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"/c:1234"}}) {
    EntryRun r(args);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.app.calls, (std::vector<std::string>{"hide"}));
    EXPECT_EQ(r.hooks.calls, (std::vector<std::string>{"settings"}));
    EXPECT_TRUE(r.system.passwordChanges.empty());
  }
  FakeApp app;  // a dialog that cannot be shown (no display) is no success
  FakeSystem system;
  Hooks hooks;
  hooks.dialogShown = false;
  EXPECT_EQ(shell::RunEntry(ParseCommandLine({"/c"}, false), app, system, hooks), 1);
}

TEST(Entry, PreviewSetsTheTitleAndMakesTheFormAChildOfTheHandlesWindow) {
  EntryRun r({"/p", "1234"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.app.calls,
            (std::vector<std::string>{"hide", std::string("title ") + shell::kPreviewTitle, "create", "run"}));
  EXPECT_EQ(r.hooks.calls, (std::vector<std::string>{"saver 1234"}));
  EXPECT_EQ(r.app.params.previewParent, 1234u);
  EXPECT_FALSE(r.app.params.intoRootWindow);
  EXPECT_STREQ(shell::kPreviewTitle, "corvane KESTOR 3Dスクリーンセーバ");
}

TEST(Entry, APreviewWithAMalformedHandleRunsFullScreenWithThePreviewTitle) {
  EntryRun r({"/p", "abc"});
  EXPECT_EQ(r.app.calls,
            (std::vector<std::string>{"hide", std::string("title ") + shell::kPreviewTitle, "create", "run"}));
  EXPECT_EQ(r.app.params.previewParent, 0u);
}

TEST(Entry, FullScreenSetsNoTitleAndHidesNothingBeforeTheForm) {
  for (const auto& args :
       {std::vector<std::string>{"/s"}, std::vector<std::string>{"x"}, std::vector<std::string>{"/Z"}}) {
    EntryRun r(args);
    EXPECT_EQ(r.app.calls, (std::vector<std::string>{"create", "run"})) << args[0];
    EXPECT_EQ(r.app.params.previewParent, 0u);
    EXPECT_FALSE(r.app.params.intoRootWindow);
    EXPECT_EQ(r.hooks.calls, (std::vector<std::string>{"saver 0"}));
  }
}

TEST(Entry, XScreenSaversFormsChooseTheWindow) {
  EntryRun root({"-root"}, true);
  EXPECT_EQ(root.app.calls, (std::vector<std::string>{"create", "run"}));
  EXPECT_TRUE(root.app.params.intoRootWindow);
  EXPECT_EQ(root.app.params.previewParent, 0u);
  EntryRun window({"-window-id", "0x2a"}, true);
  EXPECT_EQ(window.app.params.previewParent, 42u);
  EXPECT_FALSE(window.app.params.intoRootWindow);
}

TEST(Entry, AFormThatCannotBeCreatedEndsWithCode1WithoutRunningTheLoop) {
  EntryRun r({"/p", "77"}, false, true);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.app.calls.back(), "create");
}

TEST(Main, UsageErrorsEndWithCode2BeforeAnythingStarts) {
  Hooks hooks;
  EXPECT_EQ(shell::Main({"/s", "--frames", "x"}, hooks), 2);
  EXPECT_EQ(shell::Main({"/c", "--bogus"}, hooks), 2);
  EXPECT_TRUE(hooks.calls.empty());
}

TEST(Main, TheDataFolderAndTheVirtualClockReachTheServices) {
  Hooks hooks;
  EXPECT_EQ(shell::Main({"/c", "--data-dir", "data", "--step-ms", "10", "--clock-start", "4294967290"}, hooks), 0);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"settings"}));
#ifdef _WIN32
  EXPECT_EQ(hooks.dataFolder, "data\\");
#else
  EXPECT_EQ(hooks.dataFolder, "data/");
#endif
  EXPECT_TRUE(hooks.virtualClock);
  EXPECT_EQ(hooks.clock, 4294967290u);

  Hooks plain;
  EXPECT_EQ(shell::Main({"/c"}, plain), 0);
  EXPECT_FALSE(plain.virtualClock);
  EXPECT_NE(plain.dataFolder, "data/");
}

TEST(Pacing, TheWaitIsWhatRemainsOfTheIntervalModulo2To32) {
  using shell::FrameWaitMs;
  EXPECT_EQ(FrameWaitMs(1000, 1000, 0), 0u);  // speed 0: every idle call is a frame
  EXPECT_EQ(FrameWaitMs(1000, 1000, 500), 500u);
  EXPECT_EQ(FrameWaitMs(1200, 1000, 500), 300u);
  EXPECT_EQ(FrameWaitMs(1500, 1000, 500), 0u);
  EXPECT_EQ(FrameWaitMs(9000, 1000, 500), 0u);
  EXPECT_EQ(FrameWaitMs(100, 4294967196u, 500), 300u);  // 200 ms elapsed across the wrap
  EXPECT_EQ(FrameWaitMs(1000, 1000, -5), 0u);
}

TEST(Pacing, TheRealClockWaitsForTheDueTimeTheVirtualOneNever) {
  FakeApp app;
  FakeSystem system;
  system.now = 1200;
  shell::WaitForNextFrame(app, system, 1000, 500);
  system.now = 1600;
  shell::WaitForNextFrame(app, system, 1000, 500);  // due: no wait
  EXPECT_EQ(app.waits, (std::vector<std::uint32_t>{300}));
  system.UseVirtualClock(1200, 16);
  shell::WaitForNextFrame(app, system, 1000, 500);
  EXPECT_EQ(app.waits.size(), 1u);
}

}  // namespace
