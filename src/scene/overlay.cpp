#include "scene/overlay.h"

#include <cstdio>

#include "dg/carad.h"
#include "dg/texture.h"
#include "platform/sjis.h"
#include "scene/blend_rows.h"
#include "scene/car_scene.h"
#include "sx/scene.h"
#include "sx/textwriter.h"

namespace scene {
namespace {

constexpr char kSevenSpaces[] = "       ";
constexpr std::int32_t kLineBlend = kBlendAlpha;

const std::string& Empty() {
  static const std::string e;
  return e;
}

}  // namespace

std::int32_t ClampOverlayLines(std::int32_t lines) {
  if (lines < kMinOverlayLines) return kMinOverlayLines;
  if (lines > kMaxOverlayLines) return kMaxOverlayLines;
  return lines;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    lines.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r') {
      ++end;
      if (end < text.size() && text[end] == '\n') ++end;  // CR LF is one ending
    } else if (end < text.size()) {
      ++end;  // LF
    }
    start = end;
  }
  return lines;
}

std::vector<std::string> ReadLines(const std::string& path) {
  // C streams: a folder or a read error ends in ferror, never in an exception.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  std::string text;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return {};
  return SplitLines(text);
}

const std::string& WrappedLine(const std::vector<std::string>& lines, std::int64_t index) {
  if (lines.empty() || index < 0) return Empty();
  return lines[static_cast<std::size_t>(index % static_cast<std::int64_t>(lines.size()))];
}

std::string LongestLine(const std::vector<std::string>& block) {
  if (block.empty()) return std::string();
  const std::string* best = &block.front();
  for (const std::string& line : block)
    if (line.size() > best->size()) best = &line;
  return *best;
}

bool TypeStep(std::string_view line, std::int32_t& charPos, std::int32_t& bytePos, std::string& typed,
              std::string& piece) {
  if (charPos < 1 || static_cast<std::size_t>(charPos) > line.size()) return false;
  const sjis::ByteKind kind = sjis::Classify(line, static_cast<std::size_t>(charPos - 1));
  const std::size_t count = kind == sjis::ByteKind::Single ? 1 : 2;
  const std::size_t from = bytePos < 1 ? 0 : static_cast<std::size_t>(bytePos - 1);
  piece = from < line.size() ? std::string(line.substr(from, count)) : std::string();
  bytePos += static_cast<std::int32_t>(count);
  ++charPos;
  typed += piece;
  return true;
}

void PlaceBlock(RandomGenerator& random, std::uint32_t clock, int w, int h, std::int32_t lines,
                const platform::Size& screen, std::int32_t& x, std::int32_t& y) {
  random.Reseed(clock);
  const std::int64_t W = screen.width > 0 ? screen.width : 0, H = screen.height > 0 ? screen.height : 0;
  std::int64_t px = random.Random(static_cast<std::uint32_t>(W));
  if (px + w > W) px = W - w;
  std::int64_t py = random.Random(static_cast<std::uint32_t>(H));
  if (py + static_cast<std::int64_t>(h) * lines > H) py = H - static_cast<std::int64_t>(h) * lines;
  x = static_cast<std::int32_t>(px);
  y = static_cast<std::int32_t>(py);
}

std::vector<std::string> OverlayState::Block() const {
  std::vector<std::string> block;
  for (std::int32_t i = 0; i < lines && i < kOverlaySlots; ++i)
    block.push_back(notice ? noticeText[static_cast<std::size_t>(i)] : WrappedLine(spec, specLineIndex + i));
  return block;
}

void SetUpOverlayTexts(OverlayState& s, OverlaySurface& surface, RandomGenerator& random, std::uint32_t now,
                       const platform::Size& screen) {
  s.lines = ClampOverlayLines(s.lines);
  s.longestLine = LongestLine(s.Block());
  for (int slot = 0; slot < kOverlaySlots; ++slot) surface.Render(slot, kSevenSpaces);
  surface.Render(kLongestSlot, s.longestLine);
  PlaceBlock(random, now, surface.Width(kLongestSlot), surface.Height(kLongestSlot), s.lines, screen, s.x, s.y);
  if (s.notice && s.preview) s.x = s.y = 0;
}

void OverlayStep(OverlayState& s, std::uint32_t& phaseStartTime, std::uint32_t now, RandomGenerator& random,
                 const platform::Size& screen, OverlaySurface& surface) {
  const std::int32_t n = s.lines = ClampOverlayLines(s.lines);
  // After the hold, the next block at a new place (a preview keeps its corner).
  if (s.blockDone && now - phaseStartTime >= kBlockHoldMs) {
    s.blockDone = false;
    s.overlayLine = 0;
    s.charPos = s.bytePos = 1;
    for (std::string& t : s.typedText) t.clear();
    if (!s.preview) {
      s.longestLine = LongestLine(s.Block());
      surface.Render(kLongestSlot, s.longestLine);
      PlaceBlock(random, now, surface.Width(kLongestSlot), surface.Height(kLongestSlot), n, screen, s.x, s.y);
    }
  }
  // One step of the line being typed.
  if (s.overlayLine < n) {
    const std::string& source =
        s.notice ? s.noticeText[static_cast<std::size_t>(s.overlayLine)] : WrappedLine(s.spec, s.specLineIndex);
    std::string& typed = s.typedText[static_cast<std::size_t>(s.overlayLine)];
    if (!TypeStep(source, s.charPos, s.bytePos, typed, s.currentChar)) {
      if (++s.overlayLine == n) {
        s.blockDone = true;
        phaseStartTime = now;
      }
      if (!s.notice && ++s.specLineIndex >= s.SpecLineCount()) s.specLineIndex = 0;
      s.charPos = s.bytePos = 1;
    }
  }
  // The lines typed so far, rendered afresh while the block is being typed.
  const int h0 = surface.Height(0);
  for (int i = 0; i < kOverlaySlots; ++i) {
    if (i > 0 && s.overlayLine < i) break;
    if (!s.blockDone) surface.Render(i, s.typedText[static_cast<std::size_t>(i)]);
    surface.Queue(i, s.x, s.y + i * h0, s.colour);
  }
}

OverlayTextures::OverlayTextures(dg::TDGCarad& device, sx::TSXScene& scene, const platform::FontDesc& font)
    : scene_(scene), writer_(std::make_unique<sx::TSXTextWriter>(device, D3DFMT_A8R8G8B8, 16)) {
  writer_->SetFont(font);
}

OverlayTextures::~OverlayTextures() {
  for (int slot = 0; slot < kOverlaySlots; ++slot) textures_[static_cast<std::size_t>(slot)].reset();
  textures_[kLongestSlot].reset();
  writer_.reset();
}

dg::TDGTexture* OverlayTextures::Texture(int slot) const {
  if (slot < 0 || slot > kLongestSlot) return nullptr;
  return textures_[static_cast<std::size_t>(slot)].get();
}

void OverlayTextures::Render(int slot, std::string_view text) {
  if (slot < 0 || slot > kLongestSlot) return;
  std::unique_ptr<dg::TDGTexture>& t = textures_[static_cast<std::size_t>(slot)];
  t.reset();
  t = writer_->CreateTextTexture(text, AlphaFormats(), "");
}

int OverlayTextures::Width(int slot) const {
  const dg::TDGTexture* t = Texture(slot);
  return t ? static_cast<int>(t->Width()) : 0;
}

int OverlayTextures::Height(int slot) const {
  const dg::TDGTexture* t = Texture(slot);
  return t ? static_cast<int>(t->Height()) : 0;
}

void OverlayTextures::Queue(int slot, std::int32_t x, std::int32_t y, std::uint32_t colour) {
  dg::TDGTexture* t = Texture(slot);
  if (!t) return;
  const std::array<sx::SpriteVertex, 4> quad =
      ScreenQuad(static_cast<float>(t->Width()), static_cast<float>(t->Height()), t->UMax(), t->VMax(), colour);
  scene_.AddScreenSprite(sx::Vec2Make(static_cast<float>(x), static_cast<float>(y)), quad.data(), t, kLineBlend, false,
                         false, 0.0f);
}

}  // namespace scene
