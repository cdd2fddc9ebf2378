// The Linux application framework on a real X server (tools/on-display gives one): the full-screen
// window, the preview as a child window inside a foreign X11 window, XScreenSaver's -root, and a
// preview whose parent goes away while it runs.
#include <gtest/gtest.h>  // before Xlib.h, whose None macro clashes with gtest's
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"

namespace {

class Events : public platform::FormEvents {
 public:
  std::vector<std::string> log;
  void FormCreate(platform::Form&) override { log.push_back("create"); }
  void FormShow(platform::Form&) override { log.push_back("show"); }
  bool FormCloseQuery(platform::Form&) override {
    log.push_back("query");
    return true;
  }
  void FormClose(platform::Form&) override { log.push_back("close"); }
  void FormDestroy(platform::Form&) override { log.push_back("destroy"); }
  void FormKeyDown(platform::Form&, std::uint16_t key, unsigned) override {
    log.push_back("key " + std::to_string(key));
  }
};

// A plain X11 window on the test's own connection, standing in for a preview host.
class Host {
 public:
  Host(int x, int y, unsigned w, unsigned h) {
    display = XOpenDisplay(nullptr);
    if (!display) return;
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, w, h, 0, 0, 0xFFFFFF);
    XMapWindow(display, window);
    XSync(display, False);
  }
  ~Host() {
    if (!display) return;
    if (window) XDestroyWindow(display, window);
    XCloseDisplay(display);
  }
  void Destroy() {
    XDestroyWindow(display, window);
    XFlush(display);
    window = 0;
  }
  std::vector<Window> Children(Window of) const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    std::vector<Window> out;
    if (XQueryTree(display, of, &root, &parent, &children, &n)) out.assign(children, children + n);
    if (children) XFree(children);
    return out;
  }
  Window Parent(Window of) const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    XQueryTree(display, of, &root, &parent, &children, &n);
    if (children) XFree(children);
    return parent;
  }
  Display* display = nullptr;
  Window window = 0;
};

Window XWindowOf(platform::Form* form) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(static_cast<SDL_Window*>(form->Handle()), &info)) return 0;
  return info.info.x11.window;
}

std::uint64_t Ms() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class X11App : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run through tools/on-display)";
    unsetenv("SDL_VIDEODRIVER");
    app = platform::CreateApplication();
  }
  Events events;
  std::unique_ptr<platform::Application> app;
};

TEST_F(X11App, TheFullScreenFormIsABorderlessTopMostDesktopWindowOfTheScreensSize) {
  auto system = platform::CreateSystem();
  platform::Form* form = app->CreateMainForm(platform::FormParams{}, events);
  ASSERT_NE(form, nullptr);
  SDL_Window* w = static_cast<SDL_Window*>(form->Handle());
  const Uint32 flags = SDL_GetWindowFlags(w);
  EXPECT_TRUE(flags & SDL_WINDOW_BORDERLESS);
  EXPECT_TRUE(flags & SDL_WINDOW_ALWAYS_ON_TOP);
  EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));
  EXPECT_TRUE(flags & SDL_WINDOW_OPENGL);
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  const platform::Size screen = system->ScreenSize();
  EXPECT_EQ(screen.width, DisplayWidth(d, DefaultScreen(d)));
  EXPECT_EQ(screen.height, DisplayHeight(d, DefaultScreen(d)));
  XCloseDisplay(d);
  int idles = 0;
  platform::Size shown;
  app->SetIdleHandler([&](bool& done) {
    done = false;
    app->WaitForInput(10);
    if (++idles == 20) {
      shown = form->ClientSize();
      form->Close();
    }
  });
  app->Run();
  EXPECT_EQ(shown.width, screen.width);
  EXPECT_EQ(shown.height, screen.height);
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "query", "close", "destroy"}));
}

TEST_F(X11App, APreviewIsAChildWindowInsideTheForeignWindowAndCanTakeAnOpenGLContext) {
  Host host(30, 40, 200, 150);
  ASSERT_NE(host.window, 0u);
  platform::FormParams params;
  params.previewParent = host.window;
  platform::Form* form = app->CreateMainForm(params, events);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->IsPreview());
  const Window child = XWindowOf(form);
  ASSERT_NE(child, 0u);
  EXPECT_NE(child, host.window);
  EXPECT_EQ(host.Parent(child), host.window);
  const platform::Size client = form->ClientSize();
  EXPECT_EQ(client.width, 200);
  EXPECT_EQ(client.height, 150);
  platform::Rect parent;
  ASSERT_TRUE(form->ParentScreenRect(parent));
  EXPECT_EQ(parent.left, 30);
  EXPECT_EQ(parent.top, 40);
  EXPECT_EQ(parent.right, 230);
  EXPECT_EQ(parent.bottom, 190);

  SDL_GLContext gl = SDL_GL_CreateContext(static_cast<SDL_Window*>(form->Handle()));
  EXPECT_NE(gl, nullptr) << SDL_GetError();
  if (gl) SDL_GL_DeleteContext(gl);

  form->InjectKeyDown(0x42, 0);  // a preview gets no input
  int idles = 0;
  app->SetIdleHandler([&](bool& done) {
    done = false;
    if (++idles == 10) form->Close();
  });
  app->Run();
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "query", "close", "destroy"}));
  EXPECT_TRUE(host.Children(host.window).empty());  // the child went, the host stays
}

TEST_F(X11App, APreviewWhoseParentIsDestroyedEndsWithoutAQuery) {
  Host host(0, 0, 120, 90);
  ASSERT_NE(host.window, 0u);
  platform::FormParams params;
  params.previewParent = host.window;
  platform::Form* form = app->CreateMainForm(params, events);
  ASSERT_NE(form, nullptr);
  int idles = 0;
  const std::uint64_t start = Ms();
  app->SetIdleHandler([&](bool& done) {
    done = false;
    app->WaitForInput(5);
    if (++idles == 5) host.Destroy();
    if (Ms() - start > 10000) form->Close();  // the test fails instead of hanging
  });
  app->Run();
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "close", "destroy"}));
}

TEST_F(X11App, APreviewParentThatIsNoWindowCreatesNothingAndDoesNotEndTheProcess) {
  platform::FormParams params;
  params.previewParent = 0x7FFFFF0;
  EXPECT_EQ(app->CreateMainForm(params, events), nullptr);
  EXPECT_TRUE(events.log.empty());
  EXPECT_EQ(app->Run(), 1);
}

TEST_F(X11App, RootModeDrawsFullScreenInsideXScreenSaversWindow) {
  Host host(0, 0, 160, 100);
  ASSERT_NE(host.window, 0u);
  char id[32];
  std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(host.window));
  setenv("XSCREENSAVER_WINDOW", id, 1);
  platform::FormParams params;
  params.intoRootWindow = true;
  platform::Form* form = app->CreateMainForm(params, events);
  unsetenv("XSCREENSAVER_WINDOW");
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->IsPreview());  // the full-screen rules apply
  EXPECT_EQ(host.Parent(XWindowOf(form)), host.window);
  EXPECT_EQ(form->ClientSize().width, 160);
  form->Close();
  app->Run();
}

TEST_F(X11App, RootModeWithoutXScreenSaverUsesTheRootWindow) {
  setenv("XSCREENSAVER_WINDOW", "not-a-window", 1);
  platform::FormParams params;
  params.intoRootWindow = true;
  platform::Form* form = app->CreateMainForm(params, events);
  unsetenv("XSCREENSAVER_WINDOW");
  ASSERT_NE(form, nullptr);
  Host probe(0, 0, 1, 1);
  EXPECT_EQ(probe.Parent(XWindowOf(form)), DefaultRootWindow(probe.display));
  form->Close();
  app->Run();
}

}  // namespace
