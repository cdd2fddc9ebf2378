// The application framework through its seam, on both targets: the form's event order, the close
// sequence, the idle loop's Done rule, timers, the wait for input, injected input and the
// system-command hook. On Linux the form is a headless window of SDL's offscreen driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"

namespace {

using platform::Application;
using platform::Form;
using platform::FormEvents;
using platform::FormParams;

// Records every event as one word, and lets a test act inside the handlers.
class Recorder : public FormEvents {
 public:
  std::vector<std::string> log;
  std::function<void(Form&)> onCreate, onShow, onClose;
  std::function<bool(Form&)> query;
  int queries = 0;

  void FormCreate(Form& f) override {
    log.push_back("create");
    if (onCreate) onCreate(f);
  }
  void FormShow(Form& f) override {
    log.push_back("show");
    if (onShow) onShow(f);
  }
  bool FormCloseQuery(Form& f) override {
    ++queries;
    log.push_back("query");
    return query ? query(f) : true;
  }
  void FormClose(Form& f) override {
    log.push_back("close");
    if (onClose) onClose(f);
  }
  // The window must still exist while FormDestroy frees what was made for it.
  void FormDestroy(Form& f) override { log.push_back(f.Handle() ? "destroy" : "destroy without window"); }
  void FormKeyDown(Form&, std::uint16_t key, unsigned) override { log.push_back("key " + std::to_string(key)); }
  // Moves only where a test asks: a real display may send pointer moves when the window appears.
  void FormMouseMove(Form&, unsigned, int x, int y) override {
    if (recordMoves) log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
  bool recordMoves = false;
  void FormMouseDown(Form&, platform::MouseButton b, unsigned, int x, int y) override {
    log.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  bool FormSysCommand(Form&, std::uint32_t command, std::intptr_t& result) override {
    log.push_back("syscommand " + std::to_string(command));
    if (command != platform::kScScreenSave) return false;
    result = 1;
    return true;
  }
};

std::uint64_t Ms() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
#endif
    platform::AppOptions options;
    options.headlessWidth = 320;
    options.headlessHeight = 200;
    app = platform::CreateApplication(options);
  }
  Recorder events;  // outlives the application, which may run FormDestroy when it goes
  std::unique_ptr<Application> app;
};

TEST_F(AppTest, AFormRunsItsEventsInOrderAndTheLoopEndsOnClose) {
  int idles = 0;
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  EXPECT_NE(form->Handle(), nullptr);
  EXPECT_FALSE(form->IsPreview());
  EXPECT_EQ(events.log, (std::vector<std::string>{"create"}));
  app->SetIdleHandler([&](bool& done) {
    done = false;
    if (++idles == 5) form->Close();
  });
  EXPECT_EQ(app->Run(), 0);
  EXPECT_EQ(idles, 5);  // no idle call after the close was accepted
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "query", "close", "destroy"}));
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(form->Handle(), nullptr);  // the window went after FormDestroy
}

TEST_F(AppTest, TheFullScreenFormHasTheScreensSize) {
  std::unique_ptr<platform::System> system = platform::CreateSystem();
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  const platform::Size screen = system->ScreenSize();
#ifndef _WIN32
  EXPECT_EQ(screen.width, 320);  // the headless screen of AppOptions
  EXPECT_EQ(screen.height, 200);
#endif
  const platform::Size client = form->ClientSize();
  EXPECT_EQ(client.width, screen.width);
  EXPECT_EQ(client.height, screen.height);
  form->SetBounds(0, 0, screen.width, screen.height);
  const platform::Rect r = form->BoundsRect();
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, screen.width);
  EXPECT_EQ(r.bottom - r.top, screen.height);
  platform::Rect parent;
  EXPECT_FALSE(form->ParentScreenRect(parent));  // only a preview has a parent
  form->DisableInputMethod();
  form->Close();
  EXPECT_EQ(app->Run(), 0);
}

TEST_F(AppTest, ACloseDuringCreateSkipsShowAndIdleAndStillDestroys) {
  int idles = 0;
  events.onCreate = [](Form& f) { f.Close(); };
  app->SetIdleHandler([&](bool& done) {
    ++idles;
    done = false;
  });
  ASSERT_NE(app->CreateMainForm(FormParams{}, events), nullptr);
  EXPECT_EQ(app->Run(), 0);
  EXPECT_EQ(idles, 0);
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "query", "close", "destroy"}));
}

TEST_F(AppTest, ARefusedCloseQueryKeepsTheFormRunning) {
  int idles = 0;
  events.query = [&](Form&) { return events.queries >= 2; };  // refuse the first request only
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  app->SetIdleHandler([&](bool& done) {
    done = false;
    ++idles;
    if (idles == 3 || idles == 6) form->Close();
  });
  app->Run();
  EXPECT_EQ(idles, 6);
  EXPECT_EQ(events.queries, 2);
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "query", "query", "close", "destroy"}));
}

TEST_F(AppTest, CloseRequestsInsideTheCloseSequenceAreIgnored) {
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  events.query = [](Form& f) {
    f.Close();  // e.g. input arriving while a password dialog is open
    return true;
  };
  events.onClose = [](Form& f) { f.Close(); };
  app->SetIdleHandler([&](bool& done) {
    done = false;
    form->Close();
  });
  app->Run();
  EXPECT_EQ(events.queries, 1);
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "query", "close", "destroy"}));
}

TEST_F(AppTest, DoneTrueWaitsForTheNextMessageInsteadOfCallingIdleAgain) {
  int idles = 0, ticks = 0;
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  auto timer = app->CreateTimer(40, true, [&] {
    if (++ticks == 3) form->Close();
  });
  app->SetIdleHandler([&](bool& done) {
    ++idles;
    done = true;
  });
  const std::uint64_t start = Ms();
  app->Run();
  EXPECT_EQ(ticks, 3);
  EXPECT_GE(Ms() - start, 100u);
  // One idle call per message at most (window events, the ticks); a spinning loop makes thousands.
  EXPECT_LT(idles, 40);
  EXPECT_GE(idles, 1);
}

TEST_F(AppTest, TimersTickOnlyWhileEnabledAndMayBeDestroyedInTheirOwnTick) {
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  int aTicks = 0, bTicks = 0, cTicks = 0;
  std::unique_ptr<platform::Timer> a, b, c;
  a = app->CreateTimer(20, true, [&] {
    ++aTicks;
    a.reset();  // destroys itself from its own tick
  });
  b = app->CreateTimer(20, false, [&] { ++bTicks; });
  c = app->CreateTimer(20, true, [&] {
    if (++cTicks == 4) c->SetEnabled(false);
  });
  EXPECT_FALSE(b->Enabled());
  EXPECT_TRUE(c->Enabled());
  const std::uint64_t start = Ms();
  app->SetIdleHandler([&](bool& done) {
    done = false;
    app->WaitForInput(5);
    if (Ms() - start > 400) form->Close();
  });
  app->Run();
  EXPECT_EQ(aTicks, 1);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(bTicks, 0);
  EXPECT_EQ(cTicks, 4);
  EXPECT_FALSE(c->Enabled());
}

TEST_F(AppTest, WaitForInputWaitsForTheTimeoutOrReturnsWhenAMessageIsDue) {
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  // Idle calls come with an empty queue. A message from the window system may still arrive
  // during a wait and end it early, so the longest of a few waits counts.
  std::uint64_t longest = 0, dueWait = 0;
  int idles = 0;
  std::unique_ptr<platform::Timer> soon;
  app->SetIdleHandler([&](bool& done) {
    done = false;
    ++idles;
    if (idles <= 5) {
      const std::uint64_t t0 = Ms();
      app->WaitForInput(120);
      longest = std::max(longest, Ms() - t0);
    } else if (idles == 6) {
      soon = app->CreateTimer(30, true, [] {});
      const std::uint64_t t0 = Ms();
      app->WaitForInput(10000);  // the timer falls due long before
      dueWait = Ms() - t0;
      form->Close();
    }
  });
  app->Run();
  EXPECT_GE(longest, 100u);
  EXPECT_LT(longest, 3000u);
  EXPECT_LT(dueWait, 5000u);
}

TEST_F(AppTest, InjectedInputReachesTheHandlersUntilTheFormCloses) {
  events.recordMoves = true;
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  form->InjectKeyDown(0x42, 0);
  form->InjectKeyDown(platform::vk::kNumpad8, 0);
  form->InjectMouseMove(-3, 700);
  form->Close();
  form->InjectKeyDown(0x43, 0);  // after the close: dropped
  form->InjectMouseMove(1, 1);
  app->Run();
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"create", "key 66", "key 104", "move -3,700", "query", "close", "destroy"}));
}

TEST_F(AppTest, TheSystemCommandHookAnswersAndUnhandledCloseCommandsClose) {
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->SendSysCommand(platform::kScScreenSave), 1);
  EXPECT_EQ(form->SendSysCommand(platform::kScScreenSave | 0x2), 1);  // low four bits are the system's
  EXPECT_FALSE(form->Closed());
  form->SendSysCommand(platform::kScClose);  // not handled by the hook: the default closes
  EXPECT_TRUE(form->Closed());
  app->Run();
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "syscommand 61760", "syscommand 61760", "syscommand 61536",
                                                  "query", "close", "destroy"}));
}

TEST_F(AppTest, ThereIsOneMainFormAndRunWithoutOneFails) {
  EXPECT_EQ(app->Run(), 1);
  ASSERT_NE(app->CreateMainForm(FormParams{}, events), nullptr);
  Recorder other;
  EXPECT_EQ(app->CreateMainForm(FormParams{}, other), nullptr);
  EXPECT_TRUE(other.log.empty());
}

TEST_F(AppTest, AFormNeverRunIsDestroyedWithTheApplication) {
  ASSERT_NE(app->CreateMainForm(FormParams{}, events), nullptr);
  app.reset();
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "destroy"}));
}

TEST_F(AppTest, TitleAndApplicationWindowCallsAreHarmlessAtAnyTime) {
  app->SetTitle("corvane KESTOR 3Dスクリーンセーバ");
  app->HideApplicationWindow();
  Form* form = app->CreateMainForm(FormParams{}, events);
  ASSERT_NE(form, nullptr);
  app->SetTitle("x");
  form->Close();
  EXPECT_EQ(app->Run(), 0);
}

}  // namespace
