// Windows side of the application framework, under Wine: the windows' creation parameters, Win32
// messages reaching the form's handlers, the preview as a disabled child, and a parent destroyed
// while the preview runs.
#include <windows.h>
#include <imm.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/app.h"

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
  void FormKeyDown(platform::Form&, std::uint16_t key, unsigned shift) override {
    log.push_back("key " + std::to_string(key) + ((shift & platform::kAltKey) ? " alt" : ""));
  }
  // Only the test's own move; the display's pointer may send real ones when the window appears.
  void FormMouseMove(platform::Form&, unsigned, int x, int y) override {
    if (x == -2 && y == 33) log.push_back("move -2,33");
  }
  void FormMouseDown(platform::Form&, platform::MouseButton b, unsigned, int x, int y) override {
    log.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  bool FormSysCommand(platform::Form&, std::uint32_t command, std::intptr_t& result) override {
    if (command != platform::kScScreenSave) return false;
    log.push_back("screensave");
    result = 1;
    return true;
  }
};

HWND Hwnd(platform::Form* f) { return static_cast<HWND>(f->Handle()); }

// A plain top-level window standing in for the Display control panel's preview picture.
HWND MakeHost(int w, int h) {
  WNDCLASSA c{};
  c.lpfnWndProc = DefWindowProcA;
  c.hInstance = GetModuleHandleA(nullptr);
  c.lpszClassName = "KestorTestHost";
  RegisterClassA(&c);
  return CreateWindowExA(0, "KestorTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, w, h, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

TEST(Win32App, TheFullScreenFormIsATopMostBorderlessPopupOwnedByTheHiddenApplicationWindow) {
  auto app = platform::CreateApplication();
  Events events;
  platform::Form* form = app->CreateMainForm(platform::FormParams{}, events);
  ASSERT_NE(form, nullptr);
  HWND hwnd = Hwnd(form);
  ASSERT_TRUE(IsWindow(hwnd));
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetClassLongA(hwnd, GCL_HBRBACKGROUND),
            static_cast<LONG>(reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH))));
  RECT r{};
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN));

  HWND owner = GetWindow(hwnd, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  app->SetTitle("corvane KESTOR 3Dスクリーンセーバ");
  char title[64] = {};
  GetWindowTextA(owner, title, sizeof title);
  EXPECT_STREQ(title, "corvane KESTOR 3Dスクリーンセーバ");
  app->HideApplicationWindow();
  EXPECT_FALSE(IsWindowVisible(owner));

  form->DisableInputMethod();
  EXPECT_EQ(ImmGetContext(hwnd), nullptr);
  form->Close();
  app->Run();
}

TEST(Win32App, WindowMessagesBecomeFormEvents) {
  auto app = platform::CreateApplication();
  Events events;
  platform::Form* form = app->CreateMainForm(platform::FormParams{}, events);
  ASSERT_NE(form, nullptr);
  HWND hwnd = Hwnd(form);
  PostMessageA(hwnd, WM_KEYDOWN, 'B', 0x00300001);
  PostMessageA(hwnd, WM_SYSKEYDOWN, VK_MENU, 0x20380001);  // Alt: bit 29 of lParam
  PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-2), 33));
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 5));
  PostMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(6, 7));
  app->SetIdleHandler([&](bool& done) {
    done = false;
    if (events.log.size() >= 8) PostMessageA(hwnd, WM_CLOSE, 0, 0);  // create, screensave, show, the five
  });
  EXPECT_EQ(SendMessageA(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 1);
  app->Run();
  const std::vector<std::string> want = {"create",     "screensave", "show",  "key 66", "key 18 alt", "move -2,33",
                                         "down 0 4,5", "down 1 6,7", "query", "close",  "destroy"};
  EXPECT_EQ(events.log, want);
  EXPECT_FALSE(IsWindow(hwnd));
}

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// On Windows the preview is a disabled child; under Wine, which would not show its picture, a
// disabled pop-up window owned by the parent and laid over its client area, which follows it.
TEST(Win32App, APreviewIsADisabledChildOfItsParentWithTheParentsSize) {
  HWND host = MakeHost(200, 150);
  ASSERT_NE(host, nullptr);
  auto app = platform::CreateApplication();
  Events events;
  platform::FormParams params;
  params.previewParent = reinterpret_cast<std::uintptr_t>(host);
  platform::Form* form = app->CreateMainForm(params, events);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->IsPreview());
  HWND hwnd = Hwnd(form);
  EXPECT_EQ(GetParent(hwnd), host);  // the parent, or the owner of a pop-up
  const DWORD kind = UnderWine() ? WS_POPUP : WS_CHILD;
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & (WS_POPUP | WS_CHILD | WS_VISIBLE | WS_DISABLED),
            kind | WS_VISIBLE | WS_DISABLED);
  if (!UnderWine()) {
    EXPECT_EQ(GetClassLongA(hwnd, GCL_STYLE), static_cast<LONG>(CS_PARENTDC));
  }
  RECT hostRect{};
  GetWindowRect(host, &hostRect);
  platform::Rect parent;
  ASSERT_TRUE(form->ParentScreenRect(parent));
  EXPECT_EQ(parent.left, hostRect.left);
  EXPECT_EQ(parent.bottom, hostRect.bottom);
  form->SetBounds(0, 0, parent.right - parent.left, parent.bottom - parent.top);
  const platform::Rect bounds = form->BoundsRect();  // relative to the parent
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.top, 0);
  EXPECT_EQ(bounds.right, hostRect.right - hostRect.left);
  EXPECT_EQ(bounds.bottom, hostRect.bottom - hostRect.top);

  // A disabled window gets no input from the user; posted input and injected input are dropped too.
  PostMessageA(hwnd, WM_KEYDOWN, 'B', 0);
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  form->InjectKeyDown(0x42, 0);
  form->InjectMouseMove(3, 3);
  // The host moves while the preview runs: the preview stays over its client area.
  const DWORD start = GetTickCount();
  RECT previewRect{};
  POINT hostOrigin{-1, -1};
  app->SetIdleHandler([&](bool& done) {
    done = false;
    if (GetTickCount() - start < 1000) return;
    if (GetTickCount() - start < 2000) {
      SetWindowPos(host, nullptr, 70, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    }
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    GetWindowRect(hwnd, &previewRect);
    hostOrigin = origin;
    form->Close();
  });
  app->Run();
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "query", "close", "destroy"}));
  EXPECT_EQ(previewRect.left, hostOrigin.x);
  EXPECT_EQ(previewRect.top, hostOrigin.y);
  EXPECT_TRUE(IsWindow(host));  // the parent stays
  DestroyWindow(host);
}

TEST(Win32App, APreviewWhoseParentIsDestroyedEndsWithoutAQuery) {
  HWND host = MakeHost(160, 120);
  auto app = platform::CreateApplication();
  Events events;
  platform::FormParams params;
  params.previewParent = reinterpret_cast<std::uintptr_t>(host);
  ASSERT_NE(app->CreateMainForm(params, events), nullptr);
  int idles = 0;
  app->SetIdleHandler([&](bool& done) {
    done = false;
    if (++idles == 3) DestroyWindow(host);  // the control panel closes
  });
  EXPECT_EQ(app->Run(), 0);
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "close", "destroy"}));
}

TEST(Win32App, AMissingPreviewParentCreatesNoForm) {
  auto app = platform::CreateApplication();
  Events events;
  platform::FormParams params;
  params.previewParent = 0x7FFF0;  // no such window
  EXPECT_EQ(app->CreateMainForm(params, events), nullptr);
  EXPECT_TRUE(events.log.empty());
  EXPECT_EQ(app->Run(), 1);
}

TEST(Win32App, AQuitMessageEndsTheRunWithoutAQuery) {
  auto app = platform::CreateApplication();
  Events events;
  ASSERT_NE(app->CreateMainForm(platform::FormParams{}, events), nullptr);
  app->SetIdleHandler([&](bool& done) {
    done = false;
    PostQuitMessage(0);
  });
  app->Run();
  EXPECT_EQ(events.log, (std::vector<std::string>{"create", "show", "close", "destroy"}));
}

}  // namespace
