#include "sx/textwriter.h"

#include <algorithm>
#include <cstring>

#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "dg/format.h"
#include "dg/pixels.h"
#include "dg/texture.h"

namespace sx {

TSXTextWriter::TSXTextWriter(dg::TDGCarad& device, std::uint32_t pixelFormat, int cacheCapacity,
                             std::unique_ptr<platform::GlyphContext> glyphs)
    : device_(device), glyphs_(std::move(glyphs)), pixelFormat_(pixelFormat) {
  if (!glyphs_) glyphs_ = platform::CreateGlyphContext();
  cache_ = std::make_unique<TSXFontCache>(glyphs_.get(), pixelFormat_, cacheCapacity);
  fontSelected_ = glyphs_->SelectFont(font_);
}

TSXTextWriter::~TSXTextWriter() {
  cache_.reset();  // it refers to the glyph context
  glyphs_.reset();
}

void TSXTextWriter::SetFont(const platform::FontDesc& font) {
  font_ = font;
  fontSelected_ = glyphs_->SelectFont(font_);
  if (!fontSelected_) dg::DebugLog("ZIRer: フォント「" + font_.name + "」を選択できません");
}

std::unique_ptr<dg::TDGTexture> TSXTextWriter::CreateTextTexture(std::string_view text,
                                                                 const std::vector<D3DFORMAT>& formats,
                                                                 const std::string& name) {
  int cx = 0, cy = 0;
  if (!fontSelected_ || !glyphs_->TextExtent(text, &cx, &cy)) cx = cy = 0;
  if (cy <= 0) cy = fontSelected_ ? glyphs_->Metrics().height : 0;
  auto texture = std::make_unique<dg::TDGTexture>(device_, formats, 0, D3DPOOL_MANAGED, 1, name);
  texture->SetSize(static_cast<UINT>(std::max(cx, 1)), static_cast<UINT>(std::max(cy, 1)));
  DrawText(0, 0, *texture, text);
  return texture;
}

void TSXTextWriter::DrawText(int x, int y, dg::TDGTexture& texture, std::string_view text) {
  const auto limitX = static_cast<std::int64_t>(texture.Width());
  const auto limitY = static_cast<std::int64_t>(texture.Height());
  if (x >= limitX || y >= limitY || !fontSelected_) return;
  IDirect3DTexture9* surface = texture.Texture();
  if (!surface) return;
  if (static_cast<std::uint32_t>(texture.Format()) != pixelFormat_) {
    dg::DebugLog(dg::Format(
        "ZIRer: テクスチャのフォーマット %s がテキストライタのフォーマット %s と異なるため、文字を描画しません",
        dg::FormatName(static_cast<std::uint32_t>(texture.Format())).c_str(), dg::FormatName(pixelFormat_).c_str()));
    return;
  }
  D3DSURFACE_DESC desc;
  std::memset(&desc, 0, sizeof desc);
  if (surface->GetLevelDesc(0, &desc) != D3D_OK) return;
  const auto levelW = static_cast<std::int64_t>(desc.Width);
  const auto levelH = static_cast<std::int64_t>(desc.Height);
  const std::uint32_t bpp = dg::FormatBits(pixelFormat_) / 8;
  if (bpp == 0) return;

  std::int64_t penX = x;
  const std::int64_t penY = y;
  const std::size_t length = text.size();
  for (std::size_t i = 0; i < length;) {
    const auto ch = static_cast<unsigned char>(text[i]);
    std::uint32_t code;
    if (ch <= 0x80 || (ch >= 0xA0 && ch < 0xE0) || i + 1 == length) {
      code = ch;
      i += 1;
    } else {
      code = ch * 256u + static_cast<unsigned char>(text[i + 1]);
      i += 2;
    }

    TSXFontCacheData g;
    cache_->GetGlyph(code, font_, g);

    // The glyph box, clipped to the level: [x0, x1) x [y0, y1), starting (srcX, srcY) into the glyph.
    const std::int64_t left = penX + g.left;
    const std::int64_t top = penY + g.top;
    const std::int64_t x0 = std::max<std::int64_t>(left, 0);
    const std::int64_t y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t x1 = std::min<std::int64_t>(left + g.width, levelW);
    const std::int64_t y1 = std::min<std::int64_t>(top + g.height, levelH);
    const bool consistent = g.pixels && g.width > 0 && g.height > 0 &&
                            static_cast<std::int64_t>(g.pitch) >= static_cast<std::int64_t>(g.width) * bpp &&
                            g.pixels->size() >= static_cast<std::size_t>(g.pitch) * static_cast<std::size_t>(g.height);
    if (consistent && x0 < x1 && y0 < y1) {
      const RECT box = {static_cast<LONG>(x0), static_cast<LONG>(y0), static_cast<LONG>(x1), static_cast<LONG>(y1)};
      const D3DLOCKED_RECT locked = texture.LockRect(0, &box, 0);
      if (locked.pBits) {
        const std::size_t rowBytes = static_cast<std::size_t>(x1 - x0) * bpp;
        const std::uint8_t* src =
            g.pixels->data() + static_cast<std::size_t>(y0 - top) * g.pitch + static_cast<std::size_t>(x0 - left) * bpp;
        auto* dst = static_cast<std::uint8_t*>(locked.pBits);
        for (std::int64_t r = y0; r < y1; ++r) {
          std::memcpy(dst, src, rowBytes);
          src += g.pitch;
          dst += locked.Pitch;
        }
        texture.UnlockRect();
      }
    }

    penX += g.advanceX;
    if (penX >= limitX) break;
  }
}

}  // namespace sx
