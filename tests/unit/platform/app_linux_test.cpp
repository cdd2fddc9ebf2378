// Linux side of the application framework: the SDL-to-virtual-key table, and SDL events going
// through the loop to the form's handlers (headless, SDL's offscreen driver).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/linux/keymap.h"

namespace {

namespace vk = platform::vk;

SDL_Keysym Sym(SDL_Scancode scan, SDL_Keycode key, Uint16 mod = 0) {
  SDL_Keysym s{};
  s.scancode = scan;
  s.sym = key;
  s.mod = mod;
  return s;
}

TEST(Keymap, LettersAndDigitsFollowTheLayoutLikeWindowsVirtualKeys) {
  using platform::keymap::VirtualKey;
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_B, SDLK_b)), 0x42);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_B, SDLK_b, KMOD_LSHIFT)), 0x42);  // shifted letters keep their code
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_Q, SDLK_a)), 0x41);               // AZERTY: the key that says A
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_A, 0x444)), 0x41);                // a non-Latin layout: by position
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_1, SDLK_1)), 0x31);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_0, SDLK_0)), 0x30);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_7, 0xE8)), 0x37);  // a layout with a letter on 7
}

TEST(Keymap, TheDisplayModeKeysAndAltHaveTheirWindowsCodes) {
  using platform::keymap::VirtualKey;
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_LEFT, SDLK_LEFT)), vk::kLeft);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_UP, SDLK_UP)), vk::kUp);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_RIGHT, SDLK_RIGHT)), vk::kRight);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_DOWN, SDLK_DOWN)), vk::kDown);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_KP_8, SDLK_KP_8, KMOD_NUM)), 0x68);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_KP_2, SDLK_KP_2, KMOD_NUM)), 0x62);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_LALT, SDLK_LALT)), vk::kMenu);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_RALT, SDLK_RALT)), vk::kMenu);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT)), vk::kShift);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_RCTRL, SDLK_RCTRL)), vk::kControl);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE)), vk::kEscape);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_RETURN, SDLK_RETURN)), vk::kReturn);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER)), vk::kReturn);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_SPACE, SDLK_SPACE)), vk::kSpace);
}

TEST(Keymap, TheKeypadFollowsNumLockAsOnWindows) {
  using platform::keymap::VirtualKey;
  const struct {
    SDL_Scancode scan;
    std::uint16_t on, off;
  } cases[] = {{SDL_SCANCODE_KP_0, 0x60, vk::kInsert},     {SDL_SCANCODE_KP_1, 0x61, vk::kEnd},
               {SDL_SCANCODE_KP_2, 0x62, vk::kDown},       {SDL_SCANCODE_KP_3, 0x63, vk::kNext},
               {SDL_SCANCODE_KP_4, 0x64, vk::kLeft},       {SDL_SCANCODE_KP_5, 0x65, 0x0C},
               {SDL_SCANCODE_KP_6, 0x66, vk::kRight},      {SDL_SCANCODE_KP_7, 0x67, vk::kHome},
               {SDL_SCANCODE_KP_8, 0x68, vk::kUp},         {SDL_SCANCODE_KP_9, 0x69, vk::kPrior},
               {SDL_SCANCODE_KP_PERIOD, 0x6E, vk::kDelete}};
  for (const auto& c : cases) {
    const SDL_Keycode key = SDL_GetKeyFromScancode(c.scan);
    EXPECT_EQ(VirtualKey(Sym(c.scan, key, KMOD_NUM)), c.on) << SDL_GetScancodeName(c.scan);
    EXPECT_EQ(VirtualKey(Sym(c.scan, key, 0)), c.off) << SDL_GetScancodeName(c.scan);
  }
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS)), 0x6B);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE)), 0x6F);
}

TEST(Keymap, FunctionKeysRunOnFromF1AndUnknownKeysStillArrive) {
  using platform::keymap::VirtualKey;
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_F1, SDLK_F1)), 0x70);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_F12, SDLK_F12)), 0x7B);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_F13, SDLK_F13)), 0x7C);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_F24, SDLK_F24)), 0x87);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_HOME, SDLK_HOME)), vk::kHome);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN)), vk::kNext);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_LGUI, SDLK_LGUI)), 0x5B);
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_INTERNATIONAL4, 0)), 0x1C);  // henkan
  EXPECT_EQ(VirtualKey(Sym(SDL_SCANCODE_AUDIOPLAY, SDLK_AUDIOPLAY)), vk::kUnknown);
}

TEST(Keymap, ShiftStateCombinesModifiersAndButtons) {
  using platform::keymap::ShiftState;
  EXPECT_EQ(ShiftState(0, 0), 0u);
  EXPECT_EQ(ShiftState(KMOD_RSHIFT, 0), unsigned{platform::kShiftKey});
  EXPECT_EQ(ShiftState(KMOD_LALT | KMOD_LCTRL, 0), unsigned{platform::kAltKey | platform::kCtrlKey});
  EXPECT_EQ(ShiftState(KMOD_NUM, SDL_BUTTON_LMASK | SDL_BUTTON_MMASK),
            unsigned{platform::kLeftButton | platform::kMiddleButton});
  EXPECT_EQ(ShiftState(0, SDL_BUTTON_RMASK), unsigned{platform::kRightButton});
}

// SDL events pushed into the queue arrive at the form's handlers through the loop.
class Events : public platform::FormEvents {
 public:
  std::vector<std::string> log;
  void FormKeyDown(platform::Form&, std::uint16_t key, unsigned shift) override {
    log.push_back("key " + std::to_string(key) + " " + std::to_string(shift));
    if (key == vk::kEscape) closeNext = true;
  }
  void FormMouseMove(platform::Form&, unsigned, int x, int y) override {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
  void FormMouseDown(platform::Form&, platform::MouseButton b, unsigned, int x, int y) override {
    log.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  bool FormCloseQuery(platform::Form&) override {
    log.push_back("query");
    return true;
  }
  bool closeNext = false;
};

TEST(LinuxApp, SdlInputEventsBecomeFormEventsWithWindowsCodes) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  auto app = platform::CreateApplication();
  Events events;
  platform::Form* form = app->CreateMainForm(platform::FormParams{}, events);
  ASSERT_NE(form, nullptr);
  const Uint32 id = SDL_GetWindowID(static_cast<SDL_Window*>(form->Handle()));
  ASSERT_NE(id, 0u);  // the handle is the SDL window

  auto key = [&](SDL_Scancode scan, Uint16 mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id;
    e.key.keysym = Sym(scan, SDL_GetKeyFromScancode(scan), mod);
    SDL_PushEvent(&e);
  };
  key(SDL_SCANCODE_T, KMOD_LSHIFT);
  key(SDL_SCANCODE_KP_8, KMOD_NUM);
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = id;
  e.motion.x = 17;
  e.motion.y = 4;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = id;
  e.button.button = SDL_BUTTON_RIGHT;
  e.button.x = 5;
  e.button.y = 6;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = id + 100;  // another window's key: not ours
  e.key.keysym = Sym(SDL_SCANCODE_X, SDLK_x);
  SDL_PushEvent(&e);
  key(SDL_SCANCODE_ESCAPE, 0);

  app->SetIdleHandler([&](bool& done) {
    done = false;
    if (events.closeNext) form->Close();
  });
  app->Run();
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"key 84 1", "key 104 0", "move 17,4", "down 1 5,6", "key 27 0", "query"}));
}

TEST(LinuxApp, AQuitEventIsAnOrdinaryCloseRequest) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  auto app = platform::CreateApplication();
  Events events;
  platform::Form* form = app->CreateMainForm(platform::FormParams{}, events);
  ASSERT_NE(form, nullptr);
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  app->Run();
  EXPECT_TRUE(form->Closed());
  EXPECT_EQ(events.log, (std::vector<std::string>{"query"}));
}

TEST(LinuxApp, APreviewNeedsAnX11Display) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  auto app = platform::CreateApplication();
  Events events;
  platform::FormParams params;
  params.previewParent = 0x1234;
  EXPECT_EQ(app->CreateMainForm(params, events), nullptr);
  EXPECT_EQ(app->Run(), 1);
}

}  // namespace
