// Glyph seam: a device context that carries one selected font and answers what the font cache and
// the text writer ask GDI for: text metrics, the extent of a Shift-JIS string, and glyph bitmaps as
// GetGlyphOutlineA gives them.
//
// Supported: horizontal text, the identity transformation, the two bitmap layouts below, the style
// bits of FontDesc, character codes of code page 932 (a byte, or lead * 256 + trail).
// Not supported (deliberately): transformations, vertical (@) faces, GGO_NATIVE / GGO_GRAY2 / GGO_GRAY4,
// glyph indices, kerning, lfWidth, escapement.
//
// Windows: GDI on a 4 x 4, 24-bit memory bitmap (white text, black solid brush), CreateFontIndirectA
//          with lfHeight = FontDesc::Height(), GetGlyphOutlineA, GetTextMetricsA, GetTextExtentPoint32A.
// Linux:   FreeType + fontconfig, giving the numbers Wine's GDI gives for the same font file: a
//          negative Height() is the em in pixels (96 DPI), a positive one the cell height, 0 a cell
//          of 16; metrics from the OS/2 table, Wine's box rounding, synthetic bold (outline widened
//          by ppem/24 px, advance + 1) and italic (shear x += y/4) when the face has no such style.
//          The Windows Japanese faces map to the IPA fonts ("ＭＳ ゴシック" / "MS Gothic" -> IPAGothic,
//          "ＭＳ Ｐゴシック" -> IPAPGothic, "ＭＳ 明朝" -> IPAMincho, "ＭＳ Ｐ明朝" -> IPAPMincho). A face that
//          is not installed, or has no Japanese when charset 128 is asked for, gives IPAGothic (as
//          Wine does), else fontconfig's Japanese font; a character the face lacks is taken from
//          that font, so Japanese text never shows empty boxes. Codes are decoded as Shift-JIS
//          whatever the charset (GDI decodes them in the font's code page, so a Western charset
//          shows Latin-1 characters there).
// Both:    underline and strike-out change nothing here: GetGlyphOutlineA does not draw them.
//          Heights beyond 2048 pixels are clamped to 2048 (bounded glyph buffers).
//
// A context is single-threaded and owns its font objects; the caller owns the context.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/font.h"

namespace platform {

// GetGlyphOutlineA formats. Gray8: one byte per pixel, levels 0..64, rows (width + 3) & ~3 bytes
// apart. Bitmap: one bit per pixel, leftmost pixel in bit 7, rows ((width + 31) / 32) * 4 bytes apart.
// Rows run top to bottom in both.
enum class GlyphFormat : unsigned { Bitmap = 1, Gray8 = 6 };

constexpr std::uint32_t kGlyphError = 0xFFFFFFFFu;  // GDI_ERROR

// TEXTMETRIC excerpt, pixels (weight: 400 normal, 700 bold; italic: 0 or 255).
struct TextMetrics {
  int height = 0;           // tmHeight = ascent + descent
  int ascent = 0;           // tmAscent: baseline below the top of the cell
  int descent = 0;          // tmDescent
  int internalLeading = 0;  // tmInternalLeading
  int aveCharWidth = 0;     // tmAveCharWidth
  int maxCharWidth = 0;     // tmMaxCharWidth
  int weight = 0;           // tmWeight
  int italic = 0;           // tmItalic
};

// GLYPHMETRICS, pixels. The box is at least 1 x 1 even for a glyph without pixels (a space).
struct GlyphMetrics {
  unsigned blackBoxX = 0;  // gmBlackBoxX
  unsigned blackBoxY = 0;  // gmBlackBoxY
  int originX = 0;         // gmptGlyphOrigin.x: left of the box from the pen position
  int originY = 0;         // gmptGlyphOrigin.y: top of the box above the baseline
  int cellIncX = 0;        // gmCellIncX: pen advance
  int cellIncY = 0;        // gmCellIncY (0 for horizontal text)
};

class GlyphContext {
 public:
  virtual ~GlyphContext() = default;

  // Selects the font (face, Height(), charset, style; the colour is not used). False when no font
  // could be made; the previous selection then stays. Before the first successful selection the
  // calls below fail on Linux and use the DC's stock font on Windows.
  virtual bool SelectFont(const FontDesc& font) = 0;

  // GetTextMetricsA of the selected font; all zero without a font.
  virtual TextMetrics Metrics() = 0;

  // GetTextExtentPoint32A: `text` is Shift-JIS, its length the byte count. cx is the sum of the
  // characters' advances, cy the font height; both 0 for an empty string. False without a font.
  virtual bool TextExtent(std::string_view text, int* cx, int* cy) = 0;

  // GetGlyphOutlineA with the identity matrix for a character code (a byte, or lead * 256 + trail).
  // bufferSize 0 or buffer null: fills *metrics and returns the bitmap size in bytes (0 for a glyph
  // without pixels). Otherwise writes the bitmap and returns its size, or kGlyphError (metrics not
  // written) when the buffer is smaller than the bitmap or the glyph has no pixels. kGlyphError also
  // without a font.
  virtual std::uint32_t GlyphOutline(unsigned code, GlyphFormat format, GlyphMetrics* metrics, std::uint32_t bufferSize,
                                     void* buffer) = 0;
};

// The platform's context, with no font selected yet. Never null.
std::unique_ptr<GlyphContext> CreateGlyphContext();

}  // namespace platform
