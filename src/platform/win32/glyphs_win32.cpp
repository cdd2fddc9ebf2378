// Glyph seam on Windows: GDI on a 4 x 4, 24-bit memory bitmap carrying the selected font.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/glyphs.h"
#include "platform/sjis.h"

namespace platform {
namespace {

constexpr int kMaxPixelHeight = 2048;  // larger requests are clamped, as on Linux

class GdiGlyphContext final : public GlyphContext {
 public:
  GdiGlyphContext() {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    if (screen) ReleaseDC(nullptr, screen);
    if (!dc_) return;
    BITMAPINFO bi;
    std::memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 4;
    bi.bmiHeader.biHeight = 4;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_) oldBitmap_ = SelectObject(dc_, bitmap_);
    brush_ = CreateSolidBrush(RGB(0, 0, 0));
    if (brush_) oldBrush_ = SelectObject(dc_, brush_);
    SetTextColor(dc_, RGB(255, 255, 255));
  }
  ~GdiGlyphContext() override {
    if (dc_) {
      // Put the stock objects back before deleting ours.
      if (oldFont_) SelectObject(dc_, oldFont_);
      if (oldBrush_) SelectObject(dc_, oldBrush_);
      if (oldBitmap_) SelectObject(dc_, oldBitmap_);
      DeleteDC(dc_);
    }
    if (font_) DeleteObject(font_);
    if (brush_) DeleteObject(brush_);
    if (bitmap_) DeleteObject(bitmap_);
  }
  GdiGlyphContext(const GdiGlyphContext&) = delete;
  GdiGlyphContext& operator=(const GdiGlyphContext&) = delete;

  bool SelectFont(const FontDesc& font) override {
    if (!dc_) return false;
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = std::clamp(font.Height(), -kMaxPixelHeight, kMaxPixelHeight);
    lf.lfWeight = (font.style & kFontBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.style & kFontItalic) ? 1 : 0;
    lf.lfUnderline = (font.style & kFontUnderline) ? 1 : 0;
    lf.lfStrikeOut = (font.style & kFontStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(font.charset & 0xFF);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    // At most LF_FACESIZE - 1 bytes, never cutting a double-byte character in half.
    std::size_t n = 0;
    while (n < font.name.size()) {
      const std::size_t step = sjis::IsLeadByte(static_cast<unsigned char>(font.name[n])) ? 2 : 1;
      if (n + step > LF_FACESIZE - 1 || n + step > font.name.size()) break;
      n += step;
    }
    std::memcpy(lf.lfFaceName, font.name.data(), n);
    HFONT f = CreateFontIndirectA(&lf);
    if (!f) return false;
    HGDIOBJ previous = SelectObject(dc_, f);
    if (!previous || previous == HGDI_ERROR) {
      DeleteObject(f);
      return false;
    }
    if (!oldFont_) oldFont_ = previous;
    if (font_) DeleteObject(font_);
    font_ = f;
    return true;
  }

  TextMetrics Metrics() override {
    TextMetrics m;
    TEXTMETRICA tm;
    if (!dc_ || !GetTextMetricsA(dc_, &tm)) return m;
    m.height = tm.tmHeight;
    m.ascent = tm.tmAscent;
    m.descent = tm.tmDescent;
    m.internalLeading = tm.tmInternalLeading;
    m.aveCharWidth = tm.tmAveCharWidth;
    m.maxCharWidth = tm.tmMaxCharWidth;
    m.weight = tm.tmWeight;
    m.italic = tm.tmItalic;
    return m;
  }

  bool TextExtent(std::string_view text, int* cx, int* cy) override {
    if (!dc_ || !cx || !cy) return false;
    SIZE size = {0, 0};
    const int count = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    if (!GetTextExtentPoint32A(dc_, text.empty() ? "" : text.data(), count, &size)) return false;
    *cx = size.cx;
    *cy = size.cy;
    return true;
  }

  std::uint32_t GlyphOutline(unsigned code, GlyphFormat format, GlyphMetrics* metrics, std::uint32_t bufferSize,
                             void* buffer) override {
    if (!dc_ || !metrics || (format != GlyphFormat::Gray8 && format != GlyphFormat::Bitmap)) return kGlyphError;
    MAT2 identity;
    std::memset(&identity, 0, sizeof identity);
    identity.eM11.value = 1;
    identity.eM22.value = 1;
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    const DWORD r =
        GetGlyphOutlineA(dc_, code, static_cast<UINT>(format), &gm, buffer ? bufferSize : 0, buffer, &identity);
    if (r == GDI_ERROR) return kGlyphError;
    metrics->blackBoxX = gm.gmBlackBoxX;
    metrics->blackBoxY = gm.gmBlackBoxY;
    metrics->originX = gm.gmptGlyphOrigin.x;
    metrics->originY = gm.gmptGlyphOrigin.y;
    metrics->cellIncX = gm.gmCellIncX;
    metrics->cellIncY = gm.gmCellIncY;
    return r;
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HBRUSH brush_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
};

}  // namespace

std::unique_ptr<GlyphContext> CreateGlyphContext() { return std::make_unique<GdiGlyphContext>(); }

}  // namespace platform
