// Glyph seam on Linux: FreeType + fontconfig, reproducing what Wine's GDI answers for the same
// font files (box rounding, OS/2 metrics, synthetic bold and italic, the fixed-pitch advance rule).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/glyphs.h"
#include "platform/sjis.h"

namespace platform {
namespace {

constexpr int kMaxPixelHeight = 2048;   // larger requests are clamped (bounded glyph buffers)
constexpr int kDefaultCellHeight = 16;  // lfHeight 0 is taken as a cell height of 16, as GDI does
constexpr unsigned kShiftJisCharset = 128;
constexpr char32_t kReplacementChar = 0x30FB;
constexpr const char* kJapaneseFamily = "IPAGothic";  // the face Wine gives unknown names

// The Windows Japanese faces and the installed fonts that stand in for them.
struct FaceAlias {
  const char* windowsName;  // Shift-JIS (the build compiles literals to code page 932)
  const char* asciiName;
  const char* family;
};
constexpr FaceAlias kAliases[] = {
    {"ＭＳ ゴシック", "MS Gothic", "IPAGothic"},        {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"},
    {"ＭＳ ＵＩ Gothic", "MS UI Gothic", "IPAPGothic"}, {"ＭＳ 明朝", "MS Mincho", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "MS PMincho", "IPAPMincho"},
};

bool EqualIgnoreAsciiCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// FreeType face with the per-face numbers the GDI metrics are computed from (font units).
struct Face {
  FT_Face ft = nullptr;
  long upem = 2048;
  long winAscent = 0, winDescent = 0;
  long avgCharWidth = 0;
  long maxWidth = 0;  // head.xMax - head.xMin
  int weightClass = 400;
  bool fixedPitch = false;  // GDI's fixed pitch: post table's flag or a monospaced PANOSE
};

// What a selection resolved to.
struct Selection {
  Face* face = nullptr;
  int ppem = 0;
  bool fakeBold = false;
  bool fakeItalic = false;
  TextMetrics tm;
};

constexpr FT_Matrix kItalicShear = {0x10000, 0x4000, 0, 0x10000};  // x += y / 4

class FreeTypeGlyphContext final : public GlyphContext {
 public:
  FreeTypeGlyphContext() {
    if (FT_Init_FreeType(&lib_) != 0) lib_ = nullptr;
    fcOk_ = FcInit() == FcTrue;
  }
  ~FreeTypeGlyphContext() override {
    // FT_Done_FreeType frees every face opened on the library.
    if (lib_) FT_Done_FreeType(lib_);
  }
  FreeTypeGlyphContext(const FreeTypeGlyphContext&) = delete;
  FreeTypeGlyphContext& operator=(const FreeTypeGlyphContext&) = delete;

  bool SelectFont(const FontDesc& font) override;
  TextMetrics Metrics() override { return sel_.face ? sel_.tm : TextMetrics{}; }
  bool TextExtent(std::string_view text, int* cx, int* cy) override;
  std::uint32_t GlyphOutline(unsigned code, GlyphFormat format, GlyphMetrics* metrics, std::uint32_t bufferSize,
                             void* buffer) override;

 private:
  Face* OpenFace(const std::string& file, int index);
  Face* MatchFamily(const std::string& familyUtf8, bool exact, bool bold, bool italic);
  Face* JapaneseFace();
  // Face and glyph index for a Unicode character: the selected face, else the Japanese face.
  std::pair<Face*, FT_UInt> FaceFor(char32_t ch);
  // The glyph through Wine's steps; renders into `bits` (pitch * rows, zeroed) when not null.
  bool Glyph(char32_t ch, GlyphFormat format, GlyphMetrics* gm, std::uint32_t* size, std::vector<unsigned char>* bits);
  // Glyph's steps. Boxes are in 26.6 units: the ink's left, top, width and height, and the box
  // rounded out to whole pixels.
  struct InkBox {
    FT_Pos left, top, width, height;
  };
  struct PixelBox {
    FT_Pos xMin, xMax, yMin, yMax;
  };
  // The glyph's outline at the selected size, hinted where FreeType can; null when there is none.
  FT_Outline* LoadOutline(FT_Face ft, FT_UInt index, bool mono);
  // The hinted ink, widened by the synthetic bold (which thickens `outline`), clipped to the cell.
  InkBox CellInk(FT_Outline* outline, const FT_Glyph_Metrics& m);
  // The ink rounded out to whole pixels, sheared first for the synthetic italic.
  static PixelBox WholePixels(const InkBox& ink, bool italic);
  // The advance (26.6) with GDI's fixed-pitch rule and the synthetic bold's extra pixel.
  FT_Pos AdvanceWidth(const Face& face, FT_Pos horiAdvance) const;
  // Draws `outline` into `bits` (`rows` of `pitch` bytes), grey levels 0..64 or 1 bit.
  bool Render(FT_Outline* outline, const PixelBox& box, unsigned width, unsigned rows, std::uint32_t pitch, bool mono,
              std::vector<unsigned char>* bits);
  int Advance(unsigned code);

  FT_Library lib_ = nullptr;
  bool fcOk_ = false;
  std::map<std::pair<std::string, int>, Face> faces_;  // owned through lib_
  Face* japanese_ = nullptr;
  bool japaneseTried_ = false;
  Selection sel_;
  FontDesc selDesc_;
  bool selValid_ = false;
  std::unordered_map<unsigned, int> advances_;  // per selection
};

Face* FreeTypeGlyphContext::OpenFace(const std::string& file, int index) {
  const auto key = std::make_pair(file, index);
  auto it = faces_.find(key);
  if (it != faces_.end()) return &it->second;
  FT_Face ft = nullptr;
  if (!lib_ || FT_New_Face(lib_, file.c_str(), index, &ft) != 0) return nullptr;
  if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0) {
    FT_Done_Face(ft);
    return nullptr;
  }
  Face f;
  f.ft = ft;
  f.upem = ft->units_per_EM;
  f.maxWidth = ft->bbox.xMax - ft->bbox.xMin;
  f.winAscent = ft->ascender;
  f.winDescent = -ft->descender;
  f.avgCharWidth = f.upem / 2;
  f.fixedPitch = FT_IS_FIXED_WIDTH(ft);
  if (const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HEAD))) {
    f.maxWidth = head->xMax - head->xMin;
  }
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
    if (os2->usWinAscent + os2->usWinDescent != 0) {
      f.winAscent = os2->usWinAscent;
      f.winDescent = os2->usWinDescent;
    }
    if (os2->xAvgCharWidth > 0) f.avgCharWidth = os2->xAvgCharWidth;
    if (os2->usWeightClass != 0) f.weightClass = os2->usWeightClass;
    if (os2->panose[3] == 9) f.fixedPitch = true;  // PANOSE proportion: monospaced
  } else if (ft->style_flags & FT_STYLE_FLAG_BOLD) {
    f.weightClass = 700;
  }
  return &faces_.emplace(key, f).first->second;
}

// fontconfig's best outline face for a family; with `exact`, only a face of that family name.
Face* FreeTypeGlyphContext::MatchFamily(const std::string& familyUtf8, bool exact, bool bold, bool italic) {
  if (!fcOk_) return nullptr;
  FcPattern* pat = FcPatternCreate();
  if (!pat) return nullptr;
  if (!familyUtf8.empty()) {
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  } else {
    FcLangSet* langs = FcLangSetCreate();
    if (langs) {
      FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
      FcPatternAddLangSet(pat, FC_LANG, langs);
      FcLangSetDestroy(langs);
    }
  }
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  if (!match) return nullptr;

  Face* face = nullptr;
  FcBool outline = FcFalse;
  FcChar8* file = nullptr;
  int index = 0;
  bool familyOk = !exact;
  if (exact) {
    FcChar8* fam = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &fam) == FcResultMatch; ++i) {
      if (FcStrCmpIgnoreCase(fam, reinterpret_cast<const FcChar8*>(familyUtf8.c_str())) == 0) {
        familyOk = true;
        break;
      }
    }
  }
  if (familyOk && FcPatternGetBool(match, FC_OUTLINE, 0, &outline) == FcResultMatch && outline &&
      FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    face = OpenFace(reinterpret_cast<const char*>(file), index);
  }
  FcPatternDestroy(match);
  return face;
}

// The Japanese-capable face used for unknown names and for characters a face lacks.
Face* FreeTypeGlyphContext::JapaneseFace() {
  if (!japaneseTried_) {
    japaneseTried_ = true;
    japanese_ = MatchFamily(kJapaneseFamily, true, false, false);
    if (!japanese_) japanese_ = MatchFamily("", false, false, false);
  }
  return japanese_;
}

bool FreeTypeGlyphContext::SelectFont(const FontDesc& font) {
  const bool bold = (font.style & kFontBold) != 0;
  const bool italic = (font.style & kFontItalic) != 0;
  if (selValid_ && font.name == selDesc_.name && font.Height() == selDesc_.Height() && font.style == selDesc_.style &&
      (font.charset & 0xFF) == (selDesc_.charset & 0xFF)) {
    return true;
  }
  std::string family;
  for (const FaceAlias& a : kAliases) {
    if (font.name == a.windowsName || EqualIgnoreAsciiCase(font.name, a.asciiName)) family = a.family;
  }
  if (family.empty()) family = sjis::ToUtf8(font.name);

  Face* face = family.empty() ? nullptr : MatchFamily(family, true, bold, italic);
  // GDI's font mapper rejects a face without the requested Shift-JIS character set.
  if (face && (font.charset & 0xFF) == kShiftJisCharset && FT_Get_Char_Index(face->ft, 0x3042) == 0) {
    face = nullptr;
  }
  if (!face) face = MatchFamily(kJapaneseFamily, true, bold, italic);
  if (!face) face = MatchFamily("", false, bold, italic);
  if (!face) return false;

  // Size: a negative height is the em in pixels; a positive one the cell (ascent + descent).
  const int h = font.Height() == 0 ? kDefaultCellHeight : font.Height();
  int ppem;
  if (h < 0) {
    ppem = -h;
  } else {
    const long cell = face->winAscent + face->winDescent;
    ppem = cell > 0 ? static_cast<int>(FT_MulDiv(face->upem, h, cell)) : h;
  }
  ppem = std::clamp(ppem, 1, kMaxPixelHeight);
  if (FT_Set_Pixel_Sizes(face->ft, 0, static_cast<FT_UInt>(ppem)) != 0) return false;

  Selection s;
  s.face = face;
  s.ppem = ppem;
  s.fakeBold = bold && !(face->ft->style_flags & FT_STYLE_FLAG_BOLD);
  s.fakeItalic = italic && !(face->ft->style_flags & FT_STYLE_FLAG_ITALIC);
  // GDI's metrics: font units scaled by ppem / upem, rounded to nearest.
  const FT_Long em = FT_MulDiv(ppem, 65536, face->upem);
  auto scale = [em](FT_Long v) { return static_cast<int>(FT_MulFix(v, em)); };
  s.tm.ascent = scale(face->winAscent);
  s.tm.descent = scale(face->winDescent);
  s.tm.height = s.tm.ascent + s.tm.descent;
  s.tm.internalLeading = std::max(0, scale(face->winAscent + face->winDescent - face->upem));
  s.tm.aveCharWidth = scale(face->avgCharWidth);
  s.tm.maxCharWidth = scale(face->maxWidth);
  s.tm.weight = face->weightClass;
  if (s.fakeBold) {
    s.tm.aveCharWidth += 1;
    s.tm.maxCharWidth += 1;
    s.tm.weight = 700;
  }
  s.tm.italic = italic ? 255 : 0;

  sel_ = s;
  selDesc_ = font;
  selValid_ = true;
  advances_.clear();
  return true;
}

std::pair<Face*, FT_UInt> FreeTypeGlyphContext::FaceFor(char32_t ch) {
  FT_UInt gi = FT_Get_Char_Index(sel_.face->ft, ch);
  if (gi != 0 || ch < 0x20) return {sel_.face, gi};
  Face* jp = JapaneseFace();
  if (jp && jp != sel_.face) {
    const FT_UInt gj = FT_Get_Char_Index(jp->ft, ch);
    if (gj != 0) return {jp, gj};
  }
  return {sel_.face, 0};
}

FT_Outline* FreeTypeGlyphContext::LoadOutline(FT_Face ft, FT_UInt index, bool mono) {
  const int ppem = sel_.ppem;
  if ((ft->size->metrics.x_ppem != ppem || ft->size->metrics.y_ppem != ppem) &&
      FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(ppem)) != 0) {
    return nullptr;
  }
  FT_Int32 flags = FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH | FT_LOAD_PEDANTIC;
  flags |= mono ? FT_LOAD_TARGET_MONO : (FT_LOAD_TARGET_NORMAL | FT_LOAD_NO_BITMAP);
  if (sel_.fakeItalic) flags |= FT_LOAD_NO_BITMAP;
  if (FT_Load_Glyph(ft, index, flags) != 0 && FT_Load_Glyph(ft, index, flags | FT_LOAD_NO_HINTING) != 0) {
    return nullptr;
  }
  if (ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE && FT_Load_Glyph(ft, index, flags | FT_LOAD_NO_BITMAP) != 0) {
    return nullptr;
  }
  if (ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
  return &ft->glyph->outline;
}

FreeTypeGlyphContext::InkBox FreeTypeGlyphContext::CellInk(FT_Outline* outline, const FT_Glyph_Metrics& m) {
  // Hinted metrics (whole pixels), widened by the synthetic bold.
  InkBox ink{m.horiBearingX, m.horiBearingY, m.width, m.height};
  if (sel_.fakeBold) {
    if (FT_Outline_Embolden(outline, FT_MulDiv(sel_.ppem, 64, 24)) == 0) {
      FT_BBox cb;
      FT_Outline_Get_CBox(outline, &cb);
      ink.left = cb.xMin;
      ink.top = cb.yMax;
      ink.width = cb.xMax - cb.xMin;
      ink.height = cb.yMax - cb.yMin;
    } else {
      ink.width += 64;  // a flat outline cannot be widened: GDI still widens its box by a pixel
    }
  }
  // Clip to the cell of the selected font.
  const FT_Pos clipTop = std::min<FT_Pos>(ink.top, static_cast<FT_Pos>(sel_.tm.ascent) * 64);
  const FT_Pos clipBottom = std::max<FT_Pos>(ink.top - ink.height, -static_cast<FT_Pos>(sel_.tm.descent) * 64);
  ink.top = clipTop;
  ink.height = std::max<FT_Pos>(0, clipTop - clipBottom);
  return ink;
}

FreeTypeGlyphContext::PixelBox FreeTypeGlyphContext::WholePixels(const InkBox& ink, bool italic) {
  const FT_Pos left = ink.left, top = ink.top, width = ink.width, height = ink.height;
  if (!italic) return {left & -64, (left + width + 63) & -64, (top - height) & -64, (top + 63) & -64};
  FT_Vector corners[4] = {{left, top}, {left + width, top}, {left, top - height}, {left + width, top - height}};
  FT_Pos x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  for (int i = 0; i < 4; ++i) {
    FT_Vector_Transform(&corners[i], &kItalicShear);
    if (i == 0 || corners[i].x < x0) x0 = corners[i].x;
    if (i == 0 || corners[i].x > x1) x1 = corners[i].x;
    if (i == 0 || corners[i].y < y0) y0 = corners[i].y;
    if (i == 0 || corners[i].y > y1) y1 = corners[i].y;
  }
  return {x0 & -64, (x1 + 63) & -64, y0 & -64, (y1 + 63) & -64};
}

FT_Pos FreeTypeGlyphContext::AdvanceWidth(const Face& face, FT_Pos horiAdvance) const {
  // Full-width glyphs of a fixed-pitch face take exactly two average widths.
  FT_Pos adv = horiAdvance;
  const FT_Long em = FT_MulDiv(sel_.ppem, 65536, face.upem);
  if (face.fixedPitch && ((adv + 63) >> 6) == FT_MulFix(2 * face.avgCharWidth, em)) {
    adv = 2 * FT_MulFix(face.avgCharWidth, em) * 64;
  }
  if (sel_.fakeBold) adv += 64;
  return adv;
}

bool FreeTypeGlyphContext::Render(FT_Outline* outline, const PixelBox& box, unsigned width, unsigned rows,
                                  std::uint32_t pitch, bool mono, std::vector<unsigned char>* bits) {
  if (sel_.fakeItalic) FT_Outline_Transform(outline, &kItalicShear);
  FT_Outline_Translate(outline, -box.xMin, -box.yMin);
  bits->assign(pitch * rows, 0);
  FT_Bitmap bm;
  std::memset(&bm, 0, sizeof bm);
  bm.width = width;
  bm.rows = rows;
  bm.pitch = static_cast<int>(pitch);
  bm.buffer = bits->data();
  bm.num_grays = 256;
  bm.pixel_mode = mono ? FT_PIXEL_MODE_MONO : FT_PIXEL_MODE_GRAY;
  if (FT_Outline_Get_Bitmap(lib_, outline, &bm) != 0) return false;
  if (!mono) {
    for (unsigned char& v : *bits) v = static_cast<unsigned char>(v * 65 / 256);  // 0..255 -> 0..64
  }
  return true;
}

bool FreeTypeGlyphContext::Glyph(char32_t ch, GlyphFormat format, GlyphMetrics* gm, std::uint32_t* size,
                                 std::vector<unsigned char>* bits) {
  const auto [face, index] = FaceFor(ch);
  const bool mono = format == GlyphFormat::Bitmap;
  FT_Outline* outline = LoadOutline(face->ft, index, mono);
  if (!outline) return false;
  const FT_Glyph_Metrics& m = face->ft->glyph->metrics;
  const PixelBox box = WholePixels(CellInk(outline, m), sel_.fakeItalic);
  const unsigned bbX = static_cast<unsigned>((box.xMax - box.xMin) / 64);
  const unsigned bbY = static_cast<unsigned>((box.yMax - box.yMin) / 64);

  gm->blackBoxX = bbX ? bbX : 1;
  gm->blackBoxY = bbY ? bbY : 1;
  gm->originX = static_cast<int>(box.xMin / 64);
  gm->originY = static_cast<int>(box.yMax / 64);
  gm->cellIncX = static_cast<int>(((AdvanceWidth(*face, m.horiAdvance) + 63) & -64) / 64);
  gm->cellIncY = 0;

  const std::uint32_t pitch = mono ? ((bbX + 31) >> 5) << 2 : (bbX + 3) & ~3u;
  *size = pitch * bbY;
  if (!bits || *size == 0) return true;
  return Render(outline, box, bbX, bbY, pitch, mono, bits);
}

std::uint32_t FreeTypeGlyphContext::GlyphOutline(unsigned code, GlyphFormat format, GlyphMetrics* metrics,
                                                 std::uint32_t bufferSize, void* buffer) {
  if (!sel_.face || !metrics || (format != GlyphFormat::Gray8 && format != GlyphFormat::Bitmap)) {
    return kGlyphError;
  }
  const char32_t ch = code > 0xFFFF ? kReplacementChar : sjis::CodeToUnicode(code);
  GlyphMetrics gm;
  std::uint32_t size = 0;
  const bool wantBits = buffer != nullptr && bufferSize != 0;
  std::vector<unsigned char> bits;
  if (!Glyph(ch, format, &gm, &size, wantBits ? &bits : nullptr)) return kGlyphError;
  if (!wantBits) {
    *metrics = gm;
    return size;
  }
  if (size == 0 || bufferSize < size) return kGlyphError;
  // GDI clears the whole buffer it is given, then writes the bitmap.
  std::memset(buffer, 0, bufferSize);
  std::memcpy(buffer, bits.data(), size);
  *metrics = gm;
  return size;
}

int FreeTypeGlyphContext::Advance(unsigned code) {
  auto it = advances_.find(code);
  if (it != advances_.end()) return it->second;
  GlyphMetrics gm;
  std::uint32_t size = 0;
  const int adv = Glyph(sjis::CodeToUnicode(code), GlyphFormat::Gray8, &gm, &size, nullptr) ? gm.cellIncX : 0;
  advances_.emplace(code, adv);
  return adv;
}

bool FreeTypeGlyphContext::TextExtent(std::string_view text, int* cx, int* cy) {
  if (!sel_.face || !cx || !cy) return false;
  if (text.empty()) {
    *cx = *cy = 0;
    return true;
  }
  long long w = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    unsigned code = b;
    if (sjis::IsLeadByte(b) && i + 1 < text.size()) {
      code = b * 256u + static_cast<unsigned char>(text[i + 1]);
      i += 2;
    } else {
      i += 1;
    }
    w += Advance(code);
  }
  *cx = static_cast<int>(std::min<long long>(w, 0x7FFFFFFF));
  *cy = sel_.tm.height;
  return true;
}

}  // namespace

std::unique_ptr<GlyphContext> CreateGlyphContext() { return std::make_unique<FreeTypeGlyphContext>(); }

}  // namespace platform
