// TDGCarad rules that need no Direct3D at all, on both targets: one component per window, and the
// floating-point step of the start-up.
#include "dg/carad.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <memory>
#include <string>

#include "unit/dg/log_helper.h"

namespace {

class PlainWindow : public dg::TDGWindow {
 public:
  explicit PlainWindow(std::uintptr_t handle) : handle_(handle) {}
  HWND Handle() const override { return reinterpret_cast<HWND>(handle_); }
  int ClientWidth() const override { return 64; }
  int ClientHeight() const override { return 64; }
  int Width() const override { return 64; }
  int Height() const override { return 64; }
  int Left() const override { return 0; }
  int Top() const override { return 0; }
  void SetWindowPos(int, int, int, int) override {}

 private:
  std::uintptr_t handle_;
};

IDirect3D9* WINAPI NoDirect3D(UINT) { return nullptr; }

class CaradRules : public ::testing::Test {
 protected:
  void SetUp() override { testlog::Begin(); }
  void TearDown() override { testlog::End(); }
};

}  // namespace

TEST_F(CaradRules, AWindowTakesOneComponentAtATime) {
  PlainWindow window(0x2000), other(0x3000);
  auto first = std::make_unique<dg::TDGCarad>(window, &NoDirect3D);
  try {
    dg::TDGCarad second(window, &NoDirect3D);
    FAIL() << "a second component on the same window was accepted";
  } catch (const dg::EDGCaradError& e) {
    EXPECT_EQ(std::string(e.what()), "DGCaradコンポーネントを、同一フォームに2つ以上貼る事はできません");
  }
  dg::TDGCarad elsewhere(other, &NoDirect3D);  // another window is fine
  first.reset();
  dg::TDGCarad again(window, &NoDirect3D);  // and the window is free once its component is gone
  EXPECT_EQ(&again.Window(), &window);
}

TEST(FloatingPoint, TheStepClearsPendingExceptionsAndRoundsToNearest) {
  std::fesetround(FE_UPWARD);
  volatile double third = 1.0;
  third = third / 3.0;  // inexact
  std::feraiseexcept(FE_INEXACT | FE_OVERFLOW);
  ASSERT_NE(std::fetestexcept(FE_ALL_EXCEPT), 0);

  dg::LoadFloatingPointControlWord();

  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
#if defined(__i386__) || defined(__x86_64__)
  unsigned short controlWord = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(controlWord));
  // Exception masks, precision control and rounding control (bits 6 and 13-15 are reserved).
  EXPECT_EQ(controlWord & 0x0F3F, 0x033F);
#endif
#if defined(__x86_64__)
  unsigned int mxcsr = 0;
  __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
  EXPECT_EQ(mxcsr, 0x1F80u);
#endif
  (void)third;
}
