// The credit window's timer and picture, and the Alt rule of the screen-saver window, with fake
// timers and views.
#include <gtest/gtest.h>

#include "ui/credit.h"
#include "ui/readme.h"

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

class FakeTimer final : public platform::Timer {
 public:
  explicit FakeTimer(std::function<void()> onTick, bool on) : tick(std::move(onTick)), enabled(on) {}
  void SetEnabled(bool e) override {
    enabled = e;
    if (e) ++starts;
  }
  bool Enabled() const override { return enabled; }
  void Fire() {
    if (enabled) tick();
  }
  std::function<void()> tick;
  bool enabled;
  int starts = 0;
};

class FakeCredit final : public platform::CreditView {
 public:
  void Show(bool top) override {
    visible = true;
    stayOnTop = top;
  }
  void Hide() override { visible = false; }
  bool Visible() const override { return visible; }
  bool visible = false, stayOnTop = false;
};

struct Fakes {
  std::vector<FakeTimer*> timers;
  std::vector<FakeCredit*> views;
  ui::TimerFactory Timers() {
    return [this](std::uint32_t ms, bool enabled, std::function<void()> tick) {
      EXPECT_EQ(ms, 1000u);
      auto t = std::make_unique<FakeTimer>(std::move(tick), enabled);
      timers.push_back(t.get());
      return t;
    };
  }
  ui::CreditWindows::ViewFactory Views() {
    return [this] {
      auto v = std::make_unique<FakeCredit>();
      views.push_back(v.get());
      return v;
    };
  }
};

TEST(CreditWindow, HidesOnTheTenthTickThroughItsOwner) {
  Fakes f;
  int hides = 0;
  ui::TForm2 form(nullptr, f.Timers(), [&] { ++hides; });
  EXPECT_EQ(form.TickCount(), 0);
  EXPECT_TRUE(form.Timer1().Enabled());
  for (int i = 1; i <= 9; ++i) {
    f.timers[0]->Fire();
    EXPECT_EQ(hides, 0) << i;
  }
  f.timers[0]->Fire();
  EXPECT_EQ(form.TickCount(), 10);
  EXPECT_EQ(hides, 1);
}

TEST(CreditWindow, AltOpensOneWindowForTenSeconds) {
  Fakes f;
  ui::CreditWindows credit(f.Views(), f.Timers());
  EXPECT_FALSE(credit.creditShown());
  credit.OpenOnAlt();
  ASSERT_EQ(f.views.size(), 1u);
  EXPECT_TRUE(credit.creditShown());
  EXPECT_TRUE(f.views[0]->visible);
  EXPECT_TRUE(f.views[0]->stayOnTop);
  EXPECT_TRUE(f.timers[0]->enabled);

  for (int i = 0; i < 5; ++i) f.timers[0]->Fire();
  credit.OpenOnAlt();  // while shown: nothing, and the count is not restarted
  EXPECT_EQ(f.views.size(), 1u);
  EXPECT_EQ(credit.creditWindow()->TickCount(), 5);
  for (int i = 0; i < 4; ++i) f.timers[0]->Fire();
  EXPECT_TRUE(f.views[0]->visible);
  f.timers[0]->Fire();  // the tenth
  EXPECT_FALSE(credit.creditShown());
  EXPECT_FALSE(f.views[0]->visible);
  EXPECT_FALSE(f.timers[0]->enabled);

  credit.OpenOnAlt();  // a fresh window, its counter at 0
  ASSERT_EQ(f.views.size(), 2u);
  EXPECT_EQ(credit.WindowCount(), 2u);  // the hidden one stays until the owner goes
  EXPECT_TRUE(f.views[1]->visible);
  EXPECT_EQ(credit.creditWindow()->TickCount(), 0);
  for (int i = 0; i < 10; ++i) f.timers[1]->Fire();
  EXPECT_FALSE(f.views[1]->visible);
  EXPECT_FALSE(f.views[0]->visible);
}

TEST(CreditWindow, WorksWithoutAView) {
  Fakes f;
  ui::CreditWindows credit(nullptr, f.Timers());
  credit.OpenOnAlt();
  EXPECT_TRUE(credit.creditShown());
  for (int i = 0; i < 10; ++i) f.timers[0]->Fire();
  EXPECT_FALSE(credit.creditShown());
}

TEST(CreditPicture, TwoColoursOfBlueInkOnWhiteWithTextInThreeBands) {
  const platform::TwoColourPicture p = ui::CreditPicture();
  ASSERT_EQ(p.width, 287);
  ASSERT_EQ(p.height, 71);
  ASSERT_EQ(p.pixels.size(), 287u * 71u);
  EXPECT_EQ(p.colour0, 0x0000FFu);
  EXPECT_EQ(p.colour1, 0xFFFFFFu);
  std::size_t ink = 0;
  for (std::uint8_t v : p.pixels) {
    ASSERT_LE(v, 1);
    ink += v == 0;
  }
  // Mostly paper, with real ink.
  EXPECT_GT(ink, 1500u);
  EXPECT_LT(ink, p.pixels.size() / 3);
  // Ink inside the frame in each text band (title, version line, credit line).
  const auto inkIn = [&](int top, int bottom) {
    std::size_t n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 8; x < p.width - 8; ++x) n += p.pixels[static_cast<std::size_t>(y) * p.width + x] == 0;
    return n;
  };
  EXPECT_GT(inkIn(8, 33), 300u);
  EXPECT_GT(inkIn(38, 51), 100u);
  EXPECT_GT(inkIn(52, 65), 80u);
  // The picture is centred: about as much ink on each half.
  std::size_t left = 0, right = 0;
  for (int y = 8; y < 65; ++y)
    for (int x = 8; x < p.width - 8; ++x)
      (x < p.width / 2 ? left : right) += p.pixels[static_cast<std::size_t>(y) * p.width + x] == 0;
  EXPECT_NEAR(static_cast<double>(left) / (left + right), 0.5, 0.1);
}

TEST(Readme, SixtyFourLinesWithFiveNumberedSections) {
  const ui::InstallPlaces places{"/usr/share/corvane_kestor/", "/home/u/.config/corvane_kestor/k.ini", "",
                                 "/usr/bin/k"};
  const auto lines = ui::ReadmeLines(places);
  EXPECT_EQ(lines.size(), kWindows ? 64u : 67u);  // Linux names its three places
  EXPECT_EQ(lines[0].rfind("corvane KESTOR", 0), 0u);
  const char* const sections[] = {"１．", "２．", "３．", "４．", "５．"};
  std::size_t at = 0;
  for (const char* s : sections) {
    bool found = false;
    for (; at < lines.size() && !found; ++at) found = lines[at].rfind(s, 0) == 0;
    EXPECT_TRUE(found) << s;
  }
  // No line is wider than the text box holds at 12 pixels (35 full-width characters).
  for (const std::string& l : lines) EXPECT_LE(l.size(), 70u) << l;
  // The display-mode keys and the files the user deletes by hand are named.
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  for (const char* k : {"［Ｂ］", "［Ｔ］", "［Ｓ］", "［Ｌ］［Ｒ］", "テンキー［８］［２］", "３０秒"})
    EXPECT_NE(all.find(k), std::string::npos) << k;
#ifdef _WIN32
  EXPECT_NE(all.find("システム・フォルダから\n　　[corvane_kestor.scr] を削除して下さい。"), std::string::npos);
#else
  EXPECT_NE(all.find("\n　　　/usr/share/corvane_kestor/\n　　　/home/u/.config/corvane_kestor/\n"), std::string::npos);
  EXPECT_NE(all.find("\n　　　/usr/bin/k\n"), std::string::npos);
  EXPECT_EQ(all.find("システム・フォルダ"), std::string::npos);
#endif
}

}  // namespace
