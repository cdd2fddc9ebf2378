// The credit window TForm2 and the credit part of the screen-saver window: Alt opens a fresh
// window showing a 287 x 71 two-colour picture (blue on white: the title, "3D screen saver" with the
// version, the credit line with the year); its one-second timer hides it on the tenth tick through
// the owner's hide-credit operation. A second Alt while it shows does nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/app.h"
#include "platform/system.h"
#include "platform/dialogs.h"

namespace ui {

constexpr int kCreditWidth = 287, kCreditHeight = 71;  // client pixels
constexpr std::uint32_t kCreditTimerMs = 1000;         // Timer1's interval
constexpr int kCreditTicks = 10;                       // the tick that hides the window

// The picture, drawn with the glyph seam ("ＭＳ Ｐゴシック") into index 0 (blue ink) on index 1
// (white). The same pixels on both targets as far as the glyph seam gives the same glyphs.
platform::TwoColourPicture CreditPicture();

// Makes a timer as platform::Application::CreateTimer does.
using TimerFactory = std::function<std::unique_ptr<platform::Timer>(std::uint32_t intervalMs, bool enabled,
                                                                    std::function<void()> onTimer)>;

class TForm2 {
 public:
  // `view` may be null (no display): the timer and the counter still run. `hideCredit` is the
  // owner's hide-credit operation, called on the tenth tick (and on every tick after it, should the
  // owner leave the timer running). Timer1 is created enabled, as the form description has it.
  TForm2(std::unique_ptr<platform::CreditView> view, const TimerFactory& timers, std::function<void()> hideCredit);
  ~TForm2();
  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  void FormCreate();   // tick counter = 0
  void Timer1Timer();  // counter + 1; past 9, the hide-credit operation
  int TickCount() const { return ticks_; }

  platform::Timer& Timer1() { return *timer_; }
  void Show(bool stayOnTop);
  void Hide();
  bool Visible() const;

 private:
  std::unique_ptr<platform::CreditView> view_;
  std::unique_ptr<platform::Timer> timer_;
  std::function<void()> hideCredit_;
  std::int32_t ticks_ = 0;
  bool shown_ = false;
};

// What the screen-saver window keeps for the credit: creditWindow, creditShown, the Alt rule and
// the hide-credit operation. Every opening makes a new TForm2; hidden ones stay until this goes.
class CreditWindows {
 public:
  using ViewFactory = std::function<std::unique_ptr<platform::CreditView>()>;
  CreditWindows(ViewFactory views, TimerFactory timers);
  ~CreditWindows();

  // The real views and timers: credit windows owned by `owner`, timers of `app`, or of `system`'s
  // virtual clock when the run's time is virtual. All three must outlive the returned object.
  static std::unique_ptr<CreditWindows> ForWindow(platform::Application& app, platform::System& system,
                                                  platform::WindowHandle owner);

  void OpenOnAlt();   // nothing while creditShown; else a new stay-on-top window, shown, timer started
  void HideCredit();  // stops the window's timer, hides it, creditShown = false

  bool creditShown() const { return creditShown_; }
  TForm2* creditWindow() const { return creditWindow_; }
  std::size_t WindowCount() const { return windows_.size(); }

 private:
  ViewFactory views_;
  TimerFactory timers_;
  std::vector<std::unique_ptr<TForm2>> windows_;
  TForm2* creditWindow_ = nullptr;
  bool creditShown_ = false;
};

}  // namespace ui
