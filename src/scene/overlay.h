// The text overlay: the car's data sheet (kestor.txt) typed over the picture a block of
// N lines at a time, one step per processed frame, in the settings' font and colour at a random
// place; a finished block is held for 10 s, then the next N lines follow at a new place, and after
// the last line the text starts again. With a data file missing the same machinery types the
// five lines of the notice in yellow (in a preview at the top-left corner).
//
// Texts are Shift-JIS byte strings; lengths and positions are bytes. The typing step classifies
// the byte at its step counter (1-based) but copies at its copy position, so a line that mixes
// single- and double-byte characters can show half a character for one frame; a line of b bytes
// is complete after b steps and closed by step b + 1.
//
// The state is plain data (OverlayState); the textures it renders and queues are reached through
// OverlaySurface, so that the rules run against the real text writer or a stand-in.
// OverlayTextures is the real surface. Pixels are screen pixels; times are timeGetTime readings
// (ms, compared as elapsed time modulo 2^32).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dg/fwd.h"
#include "platform/font.h"
#include "platform/system.h"
#include "scene/random.h"
#include "sx/fwd.h"

namespace scene {

constexpr int kOverlaySlots = 5;             // line buffers and line textures
constexpr int kLongestSlot = kOverlaySlots;  // the surface's slot of the longest line
constexpr std::int32_t kMinOverlayLines = 1, kMaxOverlayLines = 5;
constexpr std::uint32_t kBlockHoldMs = 10000;
constexpr char kSpecTextName[] = "kestor.txt";

// overlayLines held within 1..5 (there are five line buffers).
std::int32_t ClampOverlayLines(std::int32_t lines);

// The lines of a text as the hidden memo holds them: split at CR LF, LF or a lone CR; a last line
// without its end counts, an ending after the last line adds none. No text, no lines.
std::vector<std::string> SplitLines(std::string_view text);
// The lines of the file at `path`; an unreadable or missing file gives none.
std::vector<std::string> ReadLines(const std::string& path);

// Line `index` of `lines`, an index past the end wrapping round to the first lines; no lines:
// every line reads as empty.
const std::string& WrappedLine(const std::vector<std::string>& lines, std::int64_t index);
// The longest of `block` by bytes: the first line, replaced only by a strictly longer one. Empty
// block: empty.
std::string LongestLine(const std::vector<std::string>& block);

// One typing step on `line`: false (nothing changed) when the line is finished (its length is
// less than `charPos`); otherwise appends 1 byte (single byte at charPos) or 2 bytes (lead or
// trail byte at charPos) copied from `bytePos` to `typed` (fewer, or none, past the line's end),
// stores them in `piece`, and advances both positions.
bool TypeStep(std::string_view line, std::int32_t& charPos, std::int32_t& bytePos, std::string& typed,
              std::string& piece);

// The block's top-left: `random` reset to `clock`; x = Random(W), moved left so that a line of
// width `w` fits; y = Random(H), moved up so that `lines` lines of height `h` fit. A block
// larger than the screen starts off its left or top edge (negative).
void PlaceBlock(RandomGenerator& random, std::uint32_t clock, int w, int h, std::int32_t lines,
                const platform::Size& screen, std::int32_t& x, std::int32_t& y);

// The textures the overlay renders: slots 0..4 the lines, kLongestSlot the longest line.
class OverlaySurface {
 public:
  virtual ~OverlaySurface() = default;
  // Releases the slot's texture, then renders `text` into a new one.
  virtual void Render(int slot, std::string_view text) = 0;
  virtual int Width(int slot) const = 0;  // pixels of the rendered text, 0 before any rendering
  virtual int Height(int slot) const = 0;
  // Queues the slot's texture as a screen quad at (x, y) with vertex colour `colour` (ARGB).
  virtual void Queue(int slot, std::int32_t x, std::int32_t y, std::uint32_t colour) = 0;
};

struct OverlayState {
  bool notice = false;  // the missing-data notice instead of the data sheet
  bool preview = false;
  std::int32_t lines = 1;    // N, 1..5
  std::uint32_t colour = 0;  // ARGB vertex colour
  std::array<std::string, kOverlaySlots> noticeText;
  std::vector<std::string> spec;  // the lines of kestor.txt
  std::int32_t specLineIndex = 0;
  std::array<std::string, kOverlaySlots> typedText;
  std::string currentChar;
  std::int32_t overlayLine = 0;  // the line being typed; N once the block is complete
  std::int32_t charPos = 1, bytePos = 1;
  bool blockDone = false;
  std::string longestLine;
  std::int32_t x = 0, y = 0;

  std::int32_t SpecLineCount() const { return static_cast<std::int32_t>(spec.size()); }
  // The N lines of the current block: the data sheet's lines from specLineIndex, or the notice.
  std::vector<std::string> Block() const;
};

// The rest of the overlay's set-up, once the clocks have started and the data sheet's lines are
// in `state.spec`: the longest line of the first block, seven spaces in every line texture, the
// longest line's texture, the place (a preview's notice at (0, 0)).
void SetUpOverlayTexts(OverlayState& state, OverlaySurface& surface, RandomGenerator& random, std::uint32_t now,
                       const platform::Size& screen);

// The overlay step of one processed frame: the next block after the 10-second hold, one typing
// step, the visible lines queued. `phaseStartTime` is the time the last block was completed.
void OverlayStep(OverlayState& state, std::uint32_t& phaseStartTime, std::uint32_t now, RandomGenerator& random,
                 const platform::Size& screen, OverlaySurface& surface);

// The real surface: the text writer (A8R8G8B8 glyphs, 16 per cache bucket, `font`) and its six
// textures on `device`, queued into `scene` as alpha-blended screen quads at depth 0.
// Owns the writer and the textures; its destruction frees the five line textures, then the
// longest line's, then the writer. Device and scene must outlive it.
class OverlayTextures : public OverlaySurface {
 public:
  OverlayTextures(dg::TDGCarad& device, sx::TSXScene& scene, const platform::FontDesc& font);
  ~OverlayTextures() override;
  OverlayTextures(const OverlayTextures&) = delete;
  OverlayTextures& operator=(const OverlayTextures&) = delete;

  void Render(int slot, std::string_view text) override;
  int Width(int slot) const override;
  int Height(int slot) const override;
  void Queue(int slot, std::int32_t x, std::int32_t y, std::uint32_t colour) override;

  sx::TSXTextWriter& Writer() { return *writer_; }
  dg::TDGTexture* Texture(int slot) const;

 private:
  sx::TSXScene& scene_;
  std::unique_ptr<sx::TSXTextWriter> writer_;
  std::array<std::unique_ptr<dg::TDGTexture>, kOverlaySlots + 1> textures_;
};

}  // namespace scene
