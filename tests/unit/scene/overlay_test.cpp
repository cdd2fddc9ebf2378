// The text overlay's rules against a stand-in surface (8 pixels a byte, 16 a line): the lines of
// the text file, the longest line with wrap-round, the typing step on single-byte, double-byte and
// mixed lines, placement, the block cycle with its 10-second hold across the clock's wrap, the
// lines drawn, and the notice.
#include "scene/overlay.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "unit/platform/temp_folder.h"

namespace {

constexpr int kByteWidth = 8, kLineHeight = 16;

class Surface : public scene::OverlaySurface {
 public:
  struct Queued {
    int slot;
    std::int32_t x, y;
    std::uint32_t colour;
  };
  void Render(int slot, std::string_view text) override {
    texts[static_cast<std::size_t>(slot)] = std::string(text);
    ++renders[static_cast<std::size_t>(slot)];
  }
  int Width(int slot) const override {
    const std::string& t = texts[static_cast<std::size_t>(slot)];
    return t.empty() ? 1 : kByteWidth * static_cast<int>(t.size());
  }
  int Height(int) const override { return kLineHeight; }
  void Queue(int slot, std::int32_t x, std::int32_t y, std::uint32_t colour) override {
    queued.push_back({slot, x, y, colour});
  }
  std::array<std::string, scene::kOverlaySlots + 1> texts;
  std::array<int, scene::kOverlaySlots + 1> renders{};
  std::vector<Queued> queued;
};

// A 20-character line of double-byte characters (40 bytes): "ＡＢＣ..." in code page 932.
std::string WideLine() {
  std::string s;
  for (int i = 0; i < 20; ++i) {
    s.push_back('\x82');
    s.push_back(static_cast<char>(0x60 + i));
  }
  return s;
}

// Typing steps until the line is finished; the typed text after each step.
std::vector<std::string> TypeAll(const std::string& line, int& steps) {
  std::int32_t charPos = 1, bytePos = 1;
  std::string typed, piece;
  std::vector<std::string> after;
  steps = 0;
  while (true) {
    ++steps;
    if (!scene::TypeStep(line, charPos, bytePos, typed, piece)) break;
    after.push_back(typed);
    if (steps > 1000) break;
  }
  return after;
}

TEST(OverlayText, LinesAreSplitAtEveryLineEndAndTheLastEndAddsNone) {
  EXPECT_EQ(scene::SplitLines(""), std::vector<std::string>{});
  EXPECT_EQ(scene::SplitLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(scene::SplitLines("a\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(scene::SplitLines("a\rb\r\r\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(scene::SplitLines("\r\n\r\n"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(scene::SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(scene::SplitLines("型式　ＣＫＳ\r\n"), std::vector<std::string>{"型式　ＣＫＳ"});
}

TEST(OverlayText, TheFileIsReadAsBytesAndAMissingOneHasNoLines) {
  testutil::TempFolder folder;
  std::ofstream(folder.Path("kestor.txt"), std::ios::binary) << "corvane KESTOR\r\n駆動方式\r\n\r\nend";
  const std::vector<std::string> lines = scene::ReadLines(folder.Path("kestor.txt"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "駆動方式");
  EXPECT_EQ(lines[1].size(), 8u);  // Shift-JIS: two bytes a character
  EXPECT_EQ(lines[2], "");
  EXPECT_TRUE(scene::ReadLines(folder.Path("absent.txt")).empty());
  EXPECT_TRUE(scene::ReadLines(folder.Folder()).empty()) << "a folder reads as no lines";
}

TEST(OverlayText, TheLongestLineIsTheFirstOfTheLongestAndBlocksWrapRound) {
  EXPECT_EQ(scene::LongestLine({"ab", "abcd", "wxyz", "abc"}), "abcd");
  EXPECT_EQ(scene::LongestLine({"", "", ""}), "");
  EXPECT_EQ(scene::LongestLine({"あ", "abc"}), "abc");  // 3 bytes beat 2
  EXPECT_EQ(scene::LongestLine({}), "");
  const std::vector<std::string> text = {"zero", "one", "two-two", "3"};
  EXPECT_EQ(scene::WrappedLine(text, 3), "3");
  EXPECT_EQ(scene::WrappedLine(text, 4), "zero");
  EXPECT_EQ(scene::WrappedLine(text, 6), "two-two");
  EXPECT_EQ(scene::WrappedLine({}, 2), "");
  scene::OverlayState s;
  s.spec = text;
  s.lines = 3;
  s.specLineIndex = 3;
  EXPECT_EQ(s.Block(), (std::vector<std::string>{"3", "zero", "one"}));
  EXPECT_EQ(scene::LongestLine(s.Block()), "zero");
  s.specLineIndex = 1;
  EXPECT_EQ(scene::LongestLine(s.Block()), "two-two");
  // A text shorter than the block goes round as often as it needs.
  s.spec = {"x", "yy"};
  s.lines = 5;
  s.specLineIndex = 1;
  EXPECT_EQ(s.Block(), (std::vector<std::string>{"yy", "x", "yy", "x", "yy"}));
}

TEST(OverlayTyping, ASingleByteLineTypesAByteAStepAndClosesOnTheNext) {
  int steps = 0;
  const std::vector<std::string> after = TypeAll("KESTOR", steps);
  EXPECT_EQ(steps, 7);
  EXPECT_EQ(after, (std::vector<std::string>{"K", "KE", "KES", "KEST", "KESTO", "KESTOR"}));
  EXPECT_EQ(TypeAll("", steps).size(), 0u);
  EXPECT_EQ(steps, 1);  // an empty line is closed at once
}

TEST(OverlayTyping, TwentyDoubleByteCharactersNeedFortyOneSteps) {
  int steps = 0;
  const std::string line = WideLine();
  const std::vector<std::string> after = TypeAll(line, steps);
  EXPECT_EQ(steps, 41);
  ASSERT_EQ(after.size(), 40u);
  // A character a step for twenty steps, then nothing more until the line closes.
  for (int i = 0; i < 20; ++i) EXPECT_EQ(after[static_cast<std::size_t>(i)], line.substr(0, 2 * (i + 1))) << i;
  for (int i = 20; i < 40; ++i) EXPECT_EQ(after[static_cast<std::size_t>(i)], line) << i;
}

TEST(OverlayTyping, MixedLinesShowHalfACharacterForAStep) {
  int steps = 0;
  // "aあb": the byte at step 2 is a lead byte and the one at step 3 a trail byte, so step 3
  // copies two bytes from position 4 (only 'b' is left).
  std::vector<std::string> after = TypeAll("aあb", steps);
  EXPECT_EQ(steps, 5);
  EXPECT_EQ(after, (std::vector<std::string>{"a", "aあ", "aあb", "aあb"}));
  // "あaあ": step 2 (trail byte) copies 'a' and the lead byte of the second あ; step 3 (single
  // byte 'a') copies its trail byte.
  const std::string line = "あaあ";
  after = TypeAll(line, steps);
  EXPECT_EQ(steps, 6);
  ASSERT_EQ(after.size(), 5u);
  EXPECT_EQ(after[0], "あ");
  EXPECT_EQ(after[1], line.substr(0, 4));  // half a character at the end
  EXPECT_EQ(after[1].back(), '\x82');
  EXPECT_EQ(after[2], line);
  EXPECT_EQ(after[4], line);
  // Half-width katakana are single bytes.
  after = TypeAll("\xB1\xB2", steps);
  EXPECT_EQ(after, (std::vector<std::string>{"\xB1", "\xB1\xB2"}));
  // A lone lead byte at the end copies what there is.
  after = TypeAll("a\x82", steps);
  EXPECT_EQ(after, (std::vector<std::string>{"a", "a\x82"}));
}

TEST(OverlayPlace, TheBlockIsMovedInsideTheScreenOrOffItsEdgeWhenLarger) {
  scene::RandomGenerator random;
  const platform::Size screen{640, 480};
  std::int32_t x = 0, y = 0;
  for (std::uint32_t clock = 0; clock < 200; ++clock) {
    scene::PlaceBlock(random, clock * 977u, 300, 16, 5, screen, x, y);
    EXPECT_GE(x, 0);
    EXPECT_LE(x + 300, 640);
    EXPECT_GE(y, 0);
    EXPECT_LE(y + 80, 480);
  }
  // The same clock, the same place: the generator is reset from it.
  std::int32_t x2 = 0, y2 = 0;
  scene::PlaceBlock(random, 977u * 199, 300, 16, 5, screen, x2, y2);
  EXPECT_EQ(x2, x);
  EXPECT_EQ(y2, y);
  // Wider than the screen: the block starts off the left edge; taller: off the top.
  scene::PlaceBlock(random, 5, 800, 16, 1, screen, x, y);
  EXPECT_EQ(x, -160);
  scene::PlaceBlock(random, 5, 100, 120, 5, screen, x, y);
  EXPECT_EQ(y, 480 - 600);
}

TEST(OverlayPlace, PlacesSpreadOverTheScreen) {
  scene::RandomGenerator random;
  int left = 0, top = 0;
  for (std::uint32_t clock = 0; clock < 400; ++clock) {
    std::int32_t x = 0, y = 0;
    scene::PlaceBlock(random, clock * 7717u, 1, 1, 1, platform::Size{1000, 1000}, x, y);
    left += x < 500;
    top += y < 500;
  }
  EXPECT_NEAR(left / 400.0, 0.5, 0.1);
  EXPECT_NEAR(top / 400.0, 0.5, 0.1);
}

TEST(OverlayLines, StayWithinOneToFive) {
  EXPECT_EQ(scene::ClampOverlayLines(0), 1);
  EXPECT_EQ(scene::ClampOverlayLines(-7), 1);
  EXPECT_EQ(scene::ClampOverlayLines(3), 3);
  EXPECT_EQ(scene::ClampOverlayLines(9), 5);
  // A state with a value from outside is held within them by the step too.
  scene::OverlayState s;
  s.lines = 12;
  s.spec = {"a"};
  Surface surface;
  std::uint32_t phase = 0;
  scene::RandomGenerator random;
  for (int i = 0; i < 20; ++i) scene::OverlayStep(s, phase, 0, random, {640, 480}, surface);
  EXPECT_EQ(s.lines, 5);
  EXPECT_TRUE(s.blockDone);
}

class OverlayCycle : public testing::Test {
 protected:
  void SetUp() override {
    s.spec = {"first", "second line", "3rd", "fourth"};
    s.lines = 2;
    s.colour = 0xFF00FF00;
    scene::SetUpOverlayTexts(s, surface, random, now, screen);
  }
  void Step() {
    scene::OverlayStep(s, phase, now, random, screen, surface);
    now += 50;
  }
  // Steps until the block is complete; the number of steps.
  int TypeBlock() {
    int steps = 0;
    while (!s.blockDone && steps < 1000) {
      Step();
      ++steps;
    }
    return steps;
  }

  scene::OverlayState s;
  Surface surface;
  scene::RandomGenerator random;
  std::uint32_t now = 0xFFFFF000u;  // the wrap comes during the first hold
  std::uint32_t phase = 0;
  platform::Size screen{640, 480};
};

TEST_F(OverlayCycle, SetUpRendersSevenSpacesAndPlacesTheLongestLineOfTheFirstBlock) {
  EXPECT_EQ(s.longestLine, "second line");
  EXPECT_EQ(surface.texts[scene::kLongestSlot], "second line");
  for (int i = 0; i < scene::kOverlaySlots; ++i) EXPECT_EQ(surface.texts[static_cast<std::size_t>(i)], "       ");
  EXPECT_LE(s.x + 88, 640);
  EXPECT_LE(s.y + 32, 480);
  std::int32_t x = 0, y = 0;
  scene::PlaceBlock(random, 0xFFFFF000u, 88, 16, 2, screen, x, y);
  EXPECT_EQ(x, s.x);
  EXPECT_EQ(y, s.y);
}

TEST_F(OverlayCycle, ABlockIsTypedHeldTenSecondsAcrossTheWrapThenTheNextFollowsElsewhere) {
  // "first" (5 bytes) takes 6 steps, "second line" (11 bytes) 12.
  EXPECT_EQ(TypeBlock(), 18);
  EXPECT_EQ(s.typedText[0], "first");
  EXPECT_EQ(s.typedText[1], "second line");
  EXPECT_EQ(s.overlayLine, 2);
  EXPECT_EQ(s.specLineIndex, 2);
  const std::uint32_t done = now - 50;
  EXPECT_EQ(phase, done);
  // Held: nothing more is typed or rendered for 10 000 ms of the clock, which wraps meanwhile.
  const std::array<int, 6> rendersBefore = surface.renders;
  const std::int32_t oldX = s.x, oldY = s.y;
  while (now - done < scene::kBlockHoldMs) {
    surface.queued.clear();
    Step();
    ASSERT_TRUE(s.blockDone);
    // Lines 0, 1 and the blank line 2 are still queued.
    ASSERT_EQ(surface.queued.size(), 3u);
    EXPECT_EQ(surface.queued[1].y, s.y + kLineHeight);
    EXPECT_EQ(surface.queued[2].slot, 2);
  }
  EXPECT_LT(now, done) << "the clock wrapped during the hold";
  EXPECT_EQ(surface.renders, rendersBefore);
  // Exactly 10 000 ms after: the next block, lines 2 and 3, placed anew.
  Step();
  EXPECT_FALSE(s.blockDone);
  EXPECT_EQ(s.overlayLine, 0);
  EXPECT_EQ(s.typedText[0], "3");
  EXPECT_EQ(s.typedText[1], "");
  EXPECT_EQ(s.longestLine, "fourth");
  EXPECT_EQ(surface.texts[scene::kLongestSlot], "fourth");
  std::int32_t x = 0, y = 0;
  scene::PlaceBlock(random, now - 50, 48, 16, 2, screen, x, y);
  EXPECT_EQ(s.x, x);
  EXPECT_EQ(s.y, y);
  EXPECT_TRUE(s.x != oldX || s.y != oldY);
  // The end of the text goes on with its first line in the same block.
  TypeBlock();
  for (int i = 0; i < 200; ++i) Step();
  TypeBlock();
  EXPECT_EQ(s.typedText[0], "first");
  EXPECT_EQ(s.typedText[1], "second line");
}

TEST_F(OverlayCycle, WhileTypingEveryVisibleLineIsRenderedAfreshAndQueuedBelowTheFirst) {
  surface.queued.clear();
  Step();
  ASSERT_EQ(surface.queued.size(), 1u);  // only line 0 until it is finished
  EXPECT_EQ(surface.queued[0].slot, 0);
  EXPECT_EQ(surface.queued[0].x, s.x);
  EXPECT_EQ(surface.queued[0].y, s.y);
  EXPECT_EQ(surface.queued[0].colour, 0xFF00FF00u);
  EXPECT_EQ(surface.texts[0], "f");
  for (int i = 0; i < 6; ++i) Step();  // "first" closed, "s" typed
  surface.queued.clear();
  const int rendersOfLine0 = surface.renders[0];
  Step();
  EXPECT_EQ(surface.texts[1], "se");
  EXPECT_EQ(surface.renders[0], rendersOfLine0 + 1);
  ASSERT_EQ(surface.queued.size(), 2u);
  EXPECT_EQ(surface.queued[1].slot, 1);
  EXPECT_EQ(surface.queued[1].y, s.y + kLineHeight);
}

TEST(OverlayNotice, TheNoticeRepeatsItsFiveLinesAndInAPreviewStaysInTheCorner) {
  for (bool preview : {false, true}) {
    scene::OverlayState s;
    s.notice = true;
    s.preview = preview;
    s.lines = 5;
    s.noticeText = {"line one", "two", "the longest notice line", "four", "5"};
    Surface surface;
    scene::RandomGenerator random;
    std::uint32_t now = 777, phase = 0;
    scene::SetUpOverlayTexts(s, surface, random, now, {640, 480});
    EXPECT_EQ(s.longestLine, "the longest notice line");
    if (preview) {
      EXPECT_EQ(s.x, 0);
      EXPECT_EQ(s.y, 0);
    }
    int steps = 0;
    while (!s.blockDone && steps < 1000) {
      scene::OverlayStep(s, phase, now, random, {640, 480}, surface);
      now += 10;
      ++steps;
    }
    EXPECT_EQ(steps, 8 + 1 + 3 + 1 + 23 + 1 + 4 + 1 + 1 + 1);
    EXPECT_EQ(s.typedText[2], "the longest notice line");
    EXPECT_EQ(s.specLineIndex, 0) << "the notice is not the text file";
    const std::int32_t x = s.x, y = s.y;
    const int longestRenders = surface.renders[scene::kLongestSlot];
    now = phase + scene::kBlockHoldMs;
    scene::OverlayStep(s, phase, now, random, {640, 480}, surface);
    EXPECT_FALSE(s.blockDone);
    EXPECT_EQ(s.typedText[0], "l");  // the same five lines again
    if (preview) {
      EXPECT_EQ(s.x, x);
      EXPECT_EQ(s.y, y);
      EXPECT_EQ(surface.renders[scene::kLongestSlot], longestRenders);
    } else {
      EXPECT_EQ(surface.renders[scene::kLongestSlot], longestRenders + 1);
    }
  }
}

TEST(OverlayNotice, AnEmptyTextTypesBlocksOfNothing) {
  scene::OverlayState s;
  s.lines = 3;
  Surface surface;
  scene::RandomGenerator random;
  std::uint32_t phase = 0;
  scene::SetUpOverlayTexts(s, surface, random, 0, {640, 480});
  EXPECT_EQ(s.longestLine, "");
  for (int i = 0; i < 3; ++i) scene::OverlayStep(s, phase, 10, random, {640, 480}, surface);
  EXPECT_TRUE(s.blockDone);
  EXPECT_EQ(s.specLineIndex, 0);
  EXPECT_EQ(s.typedText[0], "");
}

}  // namespace
