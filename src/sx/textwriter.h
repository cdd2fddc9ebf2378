// TSXTextWriter: Shift-JIS text rendered into Direct3D textures with the platform's font
// rasteriser (the glyph seam), for the text overlay.
//
// Every character is rasterised once per font into the writer's TSXFontCache as white pixels with
// coverage alpha in the writer's pixel format; drawing copies those pixels into the texture, so the
// text colour comes from whatever draws the texture (the overlay's vertex colour).
//
// Text: Shift-JIS bytes, the length is the byte count. A byte is a character of its own when it is
// <= 0x80, in 0xA0..0xDF, or the last byte of the text; any other byte is a lead byte and forms the
// code lead * 256 + next byte.
//
// Positions and sizes are pixels; (0, 0) is the texture's top-left pixel, y grows downwards. The
// pen is at the top of the text line (a glyph's box starts TSXFontCacheData::top rows below it).
//
// Ownership: the writer owns its glyph context and its font cache and keeps a reference to the
// device component, which must outlive it. CreateTextTexture's texture belongs to the caller and
// must be destroyed before the device component (see dg/carad.h). Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dg/fwd.h"
#include "dg/object.h"
#include "platform/d3d.h"
#include "platform/glyphs.h"
#include "sx/fontcache.h"

namespace sx {

class TSXTextWriter : public dg::TObject {
 public:
  // `pixelFormat`: the D3DFORMAT glyphs are converted to (the overlay passes D3DFMT_A8R8G8B8);
  // `cacheCapacity`: glyphs kept per cache bucket (the overlay passes 16). `glyphs` is the glyph
  // source the writer then owns; null means the platform's own (platform::CreateGlyphContext).
  // The writer starts with a default FontDesc selected.
  TSXTextWriter(dg::TDGCarad& device, std::uint32_t pixelFormat, int cacheCapacity,
                std::unique_ptr<platform::GlyphContext> glyphs = nullptr);
  ~TSXTextWriter() override;
  const char* ClassName() const override { return "TSXTextWriter"; }

  // The font the text is measured and drawn in. Setting it selects it into the glyph context; the
  // cache keeps the glyphs of earlier fonts. When the platform cannot make the font (Linux: no
  // font installed at all) FontSelected() is false, the failure is logged, and until a font is
  // selected again DrawText draws nothing and CreateTextTexture gives an empty texture.
  const platform::FontDesc& Font() const { return font_; }
  void SetFont(const platform::FontDesc& font);
  bool FontSelected() const { return fontSelected_; }

  // A new texture showing `text` from its top-left corner: managed pool, one level, usage 0, the
  // first of `formats` the device takes, `name` for the log; sized to the text's extent in Font()
  // (its Width and Height; the surface may be larger, see UMax and VMax). Pixels outside the
  // glyphs keep the texture's fill colour (transparent black). A text with an empty extent (an
  // empty string) gives a texture 1 pixel wide and one line high (the font's cell height) left
  // transparent, because Direct3D makes no texture of 0 pixels. Never null; when Direct3D fails
  // the texture has no surface (Texture() null) and the failure is in the log.
  std::unique_ptr<dg::TDGTexture> CreateTextTexture(std::string_view text, const std::vector<D3DFORMAT>& formats,
                                                    const std::string& name);

  // Writes the glyphs of `text` into level 0 of `texture` with the pen starting at (x, y): each
  // visible glyph box is clipped to the level, locked on its own and its pixels replace the
  // texture's (no blending). The pen moves by each glyph's advance and stops once it reaches the
  // texture's Width. Nothing is drawn when x >= Width or y >= Height (negative values are fine),
  // when the texture has no surface, or when its format differs from PixelFormat() (logged: the
  // writer does not convert, and copying other-sized pixels would run outside the lock).
  void DrawText(int x, int y, dg::TDGTexture& texture, std::string_view text);

  dg::TDGCarad& Device() const { return device_; }
  std::uint32_t PixelFormat() const { return pixelFormat_; }
  TSXFontCache& FontCache() { return *cache_; }
  platform::GlyphContext& Glyphs() { return *glyphs_; }

 private:
  dg::TDGCarad& device_;
  std::unique_ptr<platform::GlyphContext> glyphs_;
  std::unique_ptr<TSXFontCache> cache_;
  std::uint32_t pixelFormat_;
  platform::FontDesc font_;
  bool fontSelected_ = false;
};

}  // namespace sx
