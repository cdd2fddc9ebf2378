// The data-sheet reader and the overlay that types it, on any bytes as kestor.txt: the
// lines split the way the window's memo holds them, set up and typed frame by frame through the
// real text writer (the platform's glyphs) into textures of a recording device or measured by a
// stand-in, with blocks
// changing after their hold and the text starting again after its last line.
//
// Input: byte 0 picks the number of lines shown at a time (bits 0..2, held within 1..5), the font
// size (bits 3..6) and the surface (bit 7: the real text writer; otherwise a measuring stand-in,
// much faster, for the rules alone); the rest is the file.
// Properties: the lines joined give back the file's text less its line ends; what is typed of a
// line is always a beginning of that line (the typing step may split a double-byte character,
// never reorder or invent bytes); a block that fits on the screen is placed on the screen.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"
#include "scene/overlay.h"
#include "scene/random.h"
#include "sx/scene.h"

namespace {

// Text measured as 6 pixels a byte, 12 high: the overlay's rules without glyphs, fast.
class MeasuringSurface : public scene::OverlaySurface {
 public:
  void Render(int slot, std::string_view text) override {
    widths_[static_cast<std::size_t>(slot)] = 6 * static_cast<int>(text.size());
  }
  int Width(int slot) const override { return widths_[static_cast<std::size_t>(slot)]; }
  int Height(int) const override { return 12; }
  void Queue(int, std::int32_t, std::int32_t, std::uint32_t) override {}

 private:
  int widths_[scene::kOverlaySlots + 1] = {};
};

std::string WithoutLineEnds(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != '\r' && c != '\n') out.push_back(c);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ArmDiagnostics();
  fuzz::Device& device = fuzz::Device::Get();
  const std::uint32_t control = fuzz::Byte(data, size, 0);
  const std::string_view text =
      size > 1 ? std::string_view(reinterpret_cast<const char*>(data + 1), size - 1) : std::string_view();

  const std::vector<std::string> lines = scene::SplitLines(text);
  std::string joined;
  for (const std::string& l : lines) joined += l;
  FUZZ_CHECK(joined == WithoutLineEnds(text));
  FUZZ_CHECK(lines.empty() == text.empty());

  scene::OverlayState state;
  state.lines = static_cast<std::int32_t>(control & 7);  // 0..7: held within 1..5
  state.colour = 0xFF0000FFu;
  state.spec = lines;
  platform::FontDesc font;
  font.size = 4 + static_cast<int>((control >> 3) & 15);
  const bool glyphs = (control & 0x80) != 0;
  const platform::Size screen{640, 360};
  sx::TSXScene scene(device.Carad());
  scene::RandomGenerator random;
  try {
    MeasuringSurface measuring;
    std::unique_ptr<scene::OverlayTextures> textures;
    if (glyphs) textures = std::make_unique<scene::OverlayTextures>(device.Carad(), scene, font);
    scene::OverlaySurface& surface = glyphs ? static_cast<scene::OverlaySurface&>(*textures) : measuring;
    std::uint32_t now = 0xFFFFF000u;  // across the wrap of the clock
    scene::SetUpOverlayTexts(state, surface, random, now, screen);
    std::uint32_t phaseStart = now;
    // Enough frames to type a few blocks; the clock jumps over each hold.
    for (int frame = 0; frame < (glyphs ? 60 : 400); ++frame) {
      now += state.blockDone ? scene::kBlockHoldMs : 50u;
      scene::OverlayStep(state, phaseStart, now, random, screen, surface);
      scene.DropQueued();
      FUZZ_CHECK(state.lines >= 1 && state.lines <= 5);
      // The block's first line: as many lines back as the block has finished.
      const std::int64_t count = state.SpecLineCount();
      const std::int64_t first = count ? ((state.specLineIndex - state.overlayLine) % count + count) % count : 0;
      for (int i = 0; i < state.lines; ++i) {
        const std::string& line = scene::WrappedLine(state.spec, first + i);
        const std::string& typed = state.typedText[static_cast<std::size_t>(i)];
        FUZZ_CHECK(typed.size() <= line.size() && line.compare(0, typed.size(), typed) == 0);
      }
      const int w = surface.Width(scene::kLongestSlot);
      const int h = surface.Height(scene::kLongestSlot);
      if (w <= screen.width && h * state.lines <= screen.height) {
        FUZZ_CHECK(state.x >= 0 && state.x + w <= screen.width);
        FUZZ_CHECK(state.y >= 0 && state.y + h * state.lines <= screen.height);
      }
    }
  } catch (const fuzz::Halted&) {
    // A line too wide for any texture ends the program after its line.
  }
  scene.DropQueued();
  return 0;
}
