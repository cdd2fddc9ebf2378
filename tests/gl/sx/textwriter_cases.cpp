#include "gl/sx/textwriter_cases.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>

#include "dg/carad.h"
#include "dg/texture.h"
#include "sx/textwriter.h"

namespace twcases {
namespace {

platform::FontDesc Font(const char* name, int points, unsigned style) {
  platform::FontDesc f;
  f.name = name;
  f.size = points;
  f.style = style;
  f.charset = 128;
  return f;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X", c);
    out += b;
  }
  return out;
}

template <class... A>
std::string Line(const char* format, A... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

// Character codes of `text` by the writer's rule.
std::vector<std::uint32_t> Codes(const std::string& text) {
  std::vector<std::uint32_t> codes;
  for (std::size_t i = 0; i < text.size();) {
    const auto ch = static_cast<unsigned char>(text[i]);
    if (ch <= 0x80 || (ch >= 0xA0 && ch < 0xE0) || i + 1 == text.size()) {
      codes.push_back(ch);
      i += 1;
    } else {
      codes.push_back(ch * 256u + static_cast<unsigned char>(text[i + 1]));
      i += 2;
    }
  }
  return codes;
}

std::uint32_t Crc(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0xFFFFFFFFu) {
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

void Be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  Be32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Be32(out, Crc(out.data() + start, out.size() - start) ^ 0xFFFFFFFFu);
}

}  // namespace

std::vector<Case> Cases() {
  return {
      {"spec_title", Font("ＭＳ ゴシック", 12, 0), "corvane KESTOR　主要諸元"},
      {"spec_power", Font("ＭＳ ゴシック", 12, 0), "最高出力　　　　338kW(460PS)/7,400rpm"},
      {"spec_engine", Font("ＭＳ ゴシック", 12, 0), "種類　　水冷Ｖ型８気筒ＤＯＨＣ３２バルブ"},
      {"mixed_pgothic", Font("ＭＳ Ｐゴシック", 12, 0), "ABC 漢字 Ag1 アイウ"},
      {"halfwidth", Font("ＭＳ ゴシック", 12, 0), "ｺﾙｳﾞｪｲﾝ･ﾓｰﾀｰｽ 2,650mm"},
      {"bold16", Font("ＭＳ ゴシック", 16, platform::kFontBold), "ＫＥＳＴＯＲ 305km/h"},
      {"italic10", Font("ＭＳ ゴシック", 10, platform::kFontItalic), "車体構造　アルミスペースフレーム"},
  };
}

std::vector<Rendered> RenderAll(dg::TDGCarad& carad) {
  std::vector<Rendered> all;
  sx::TSXTextWriter writer(carad, D3DFMT_A8R8G8B8, 16);
  for (const Case& c : Cases()) {
    writer.SetFont(c.font);
    Rendered r;
    r.label = c.label;
    r.lines.push_back(Line("case %s font %s pt %d style %u text %s", c.label.c_str(), Hex(c.font.name).c_str(),
                           c.font.size, c.font.style, Hex(c.text).c_str()));
    int cx = -1, cy = -1;
    const bool measured = writer.Glyphs().TextExtent(c.text, &cx, &cy);
    r.lines.push_back(Line("extent %d %d %d", measured ? 1 : 0, cx, cy));
    const platform::TextMetrics tm = writer.Glyphs().Metrics();
    r.lines.push_back(Line("metrics height %d ascent %d descent %d", tm.height, tm.ascent, tm.descent));

    std::unique_ptr<dg::TDGTexture> t =
        writer.CreateTextTexture(c.text, {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5}, "");
    r.width = t->Width();
    r.height = t->Height();
    r.lines.push_back(Line("texture %u x %u format %d", r.width, r.height, static_cast<int>(t->Format())));
    for (std::uint32_t code : Codes(c.text)) {
      sx::TSXFontCacheData g;
      writer.FontCache().GetGlyph(code, writer.Font(), g);
      r.lines.push_back(Line("glyph %04X box %d x %d left %d top %d advance %d,%d pixels %s", code, g.width, g.height,
                             g.left, g.top, g.advanceX, g.advanceY, g.pixels ? "yes" : "no"));
    }

    const RECT area = {0, 0, static_cast<LONG>(r.width), static_cast<LONG>(r.height)};
    const D3DLOCKED_RECT lr = t->LockRect(0, &area, D3DLOCK_READONLY);
    if (lr.pBits && t->Format() == D3DFMT_A8R8G8B8) {
      std::set<std::uint32_t> colours;
      for (unsigned y = 0; y < r.height; ++y) {
        std::string row = Line("row %2u ", y);
        const auto* p = static_cast<const std::uint8_t*>(lr.pBits) + static_cast<std::size_t>(y) * lr.Pitch;
        for (unsigned x = 0; x < r.width; ++x, p += 4) {
          const std::uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
          r.argb.push_back(v);
          if (v >> 24) colours.insert(v & 0xFFFFFF);
          row += (v >> 24) == 0 ? std::string("..") : Line("%02X", v >> 24);
        }
        r.lines.push_back(row);
      }
      std::string list = "colours";
      for (std::uint32_t colour : colours) list += Line(" %06X", colour);
      r.lines.push_back(list);
      t->UnlockRect();
    } else {
      r.lines.push_back("no pixels");
      if (lr.pBits) t->UnlockRect();
    }
    all.push_back(std::move(r));
  }
  return all;
}

std::string DumpText(const std::vector<Rendered>& rendered) {
  std::string out;
  for (const Rendered& r : rendered)
    for (const std::string& l : r.lines) out += l + "\n";
  return out;
}

bool WritePicture(const std::string& path, const Rendered& r, int zoom) {
  const int w = static_cast<int>(r.width) * zoom, h = static_cast<int>(r.height) * zoom;
  if (w <= 0 || h <= 0 || r.argb.size() != static_cast<std::size_t>(r.width) * r.height) return false;
  const int back[3] = {16, 24, 64};
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t v = r.argb[static_cast<std::size_t>(y / zoom) * r.width + static_cast<std::size_t>(x / zoom)];
      const int a = static_cast<int>(v >> 24);
      for (int k = 0; k < 3; ++k) {
        const int c = static_cast<int>((v >> (16 - 8 * k)) & 0xFF);
        rgb.push_back(static_cast<std::uint8_t>((c * a + back[k] * (255 - a) + 127) / 255));
      }
    }
  }
  return WritePng(path, w, h, rgb);
}

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<std::size_t>(width) * height * 3) return false;
  // Raw scan lines, each with filter byte 0.
  std::vector<std::uint8_t> raw;
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb.begin() + static_cast<std::ptrdiff_t>(y * stride),
               rgb.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride));
  }
  // zlib stream of stored blocks (at most 65535 bytes each) and the Adler-32 of the raw bytes.
  std::vector<std::uint8_t> z = {0x78, 0x01};
  for (std::size_t at = 0; at < raw.size();) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
  std::uint32_t s1 = 1, s2 = 0;
  for (std::uint8_t b : raw) {
    s1 = (s1 + b) % 65521;
    s2 = (s2 + s1) % 65521;
  }
  Be32(z, s2 << 16 | s1);

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  Be32(header, static_cast<std::uint32_t>(width));
  Be32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(out);
}

}  // namespace twcases
