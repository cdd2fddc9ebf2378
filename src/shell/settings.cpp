#include "shell/settings.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/sjis.h"

namespace shell {

std::string SettingsPathForProgram(const std::string& programPath) {
  // The last dot after the last separator; a trail byte is never a separator.
  std::size_t dot = std::string::npos;
  for (std::size_t i = 0; i < programPath.size();) {
    const auto b = static_cast<unsigned char>(programPath[i]);
    if (sjis::IsLeadByte(b) && i + 1 < programPath.size()) {
      i += 2;
      continue;
    }
    if (b == '\\' || b == '/') {
      dot = std::string::npos;
    } else if (b == '.') {
      dot = i;
    }
    ++i;
  }
  return (dot == std::string::npos ? programPath : programPath.substr(0, dot)) + ".ini";
}

std::string SettingsFilePath() {
  if (platform::SettingsNamedAfterProgram()) return SettingsPathForProgram(platform::ProgramPath());
  const std::string folder = platform::SettingsFolder();
  return folder.empty() ? std::string() : folder + "corvane_kestor.ini";
}

std::optional<std::int32_t> ParseSettingInt(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && text[1] == 'x') {
    std::uint64_t v = 0;
    for (const char c : text.substr(2)) {
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        d = c - 'A' + 10;
      } else {
        return std::nullopt;
      }
      v = v * 16 + static_cast<std::uint64_t>(d);
      if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    // 32 bits, as a colour is written: 0xFFFFFFFF is -1.
    return static_cast<std::int32_t>(v > 0x7FFFFFFFu ? static_cast<std::int64_t>(v) - 0x100000000LL
                                                     : static_cast<std::int64_t>(v));
  }
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size()) return std::nullopt;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = v * 10 + (text[i] - '0');
    if (v > 0x80000000LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

float PositionFromKey(std::int32_t key) {
  // The double quotient rounds once more to the float nearest to key / 10000.
  return static_cast<float>(static_cast<double>(key) / 10000.0);
}

std::int32_t KeyFromPosition(float coordinate) {
  if (std::isnan(coordinate)) return 0;
  const double scaled = static_cast<double>(coordinate) * 10000.0;  // exact in double
  double r = std::floor(scaled);
  const double frac = scaled - r;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(r);
}

namespace {
constexpr std::pair<std::int32_t, unsigned> kStyleCodes[] = {
    {0, 0u},
    {1, platform::kFontBold},
    {2, platform::kFontItalic},
    {3, platform::kFontStrikeOut},
    {4, platform::kFontUnderline},
};

struct ColourRow {
  std::uint32_t font, overlay;
};
// Font colour to overlay colour. Some rows are not the same hue (0x008000, 0x00FF00, 0x800000,
// 0x800080, 0xFF00FF); stored settings rely on the table as it stands.
constexpr ColourRow kColours[] = {
    {0x000000, 0xFF000000}, {0x000080, 0xFF800000}, {0x0000FF, 0xFFFF0000}, {0x008000, 0xFF00FF00},
    {0x008080, 0xFF808000}, {0x00FF00, 0xFF80FF80}, {0x00FFFF, 0xFFFFFF00}, {0x800000, 0xFF800080},
    {0x800080, 0xFFFF00FF}, {0x808000, 0xFF008080}, {0x808080, 0xFF808080}, {0xC0C0C0, 0xFFC0C0C0},
    {0xFF0000, 0xFF0000FF}, {0xFF00FF, 0xFFFF80FF}, {0xFFFF00, 0xFF00FFFF}, {0xFFFFFF, 0xFFFFFFFF},
};

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

std::string Decimal(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  return text;
}

// The viewpoint keys fx, fy, fz, read as positions and written from them.
CarPosition ViewpointFrom(const StoredSettings& s) {
  return {PositionFromKey(s.fx), PositionFromKey(s.fy), PositionFromKey(s.fz)};
}

void AddViewpoint(platform::IniValues& values, const CarPosition& pos) {
  values.emplace_back("fx", Decimal(KeyFromPosition(pos.x)));
  values.emplace_back("fy", Decimal(KeyFromPosition(pos.y)));
  values.emplace_back("fz", Decimal(KeyFromPosition(pos.z)));
}
}  // namespace

unsigned StyleFromCode(std::int32_t code) {
  for (const auto& [c, style] : kStyleCodes) {
    if (c == code) return style;
  }
  return 0;
}

std::optional<std::int32_t> CodeFromStyle(unsigned style) {
  for (const auto& [code, s] : kStyleCodes) {
    if (s == style) return code;
  }
  return std::nullopt;
}

std::uint32_t OverlayColourFor(std::uint32_t fontColour) {
  for (const ColourRow& row : kColours) {
    if (row.font == fontColour) return row.overlay;
  }
  return 0;
}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

std::int32_t SettingsFile::ReadInt(const char* key, std::int32_t def) const {
  return ParseSettingInt(platform::ReadIniValue(path_, kSettingsSection, key, "")).value_or(def);
}

std::string SettingsFile::ReadString(const char* key, const std::string& def) const {
  return platform::ReadIniValue(path_, kSettingsSection, key, def);
}

bool SettingsFile::WriteInt(const char* key, std::int32_t value) const { return WriteString(key, Decimal(value)); }

bool SettingsFile::WriteString(const char* key, const std::string& value) const {
  return WriteCreatingFolder([&] { return platform::WriteIniValue(path_, kSettingsSection, key, value); });
}

bool SettingsFile::WriteValues(const platform::IniValues& values) const {
  return WriteCreatingFolder([&] { return platform::WriteIniValues(path_, kSettingsSection, values); });
}

bool SettingsFile::WriteCreatingFolder(const std::function<bool()>& write) const {
  if (write()) return true;
  // The settings folder is made by the first write that needs it, never by a read.
  const std::string folder = platform::SettingsFolder();
  if (folder.empty() || path_.compare(0, folder.size(), folder) != 0 || !platform::CreateSettingsFolder()) return false;
  return write();
}

StoredSettings ReadSettings(const SettingsFile& file) {
  StoredSettings s;
  s.mode = Clamp(file.ReadInt("mode", s.mode), 0, 2);
  s.speed = Clamp(file.ReadInt("speed", s.speed), kMinSpeed, kMaxSpeed);
  s.fx = file.ReadInt("fx", s.fx);
  s.fy = file.ReadInt("fy", s.fy);
  s.fz = file.ReadInt("fz", s.fz);
  s.textOut = file.ReadInt("text_out", s.textOut);
  s.shadow = file.ReadInt("shadow", s.shadow);
  s.column = Clamp(file.ReadInt("column", s.column), kMinColumn, kMaxColumn);
  s.fontName = file.ReadString("font_name", s.fontName);
  s.fontSize = Clamp(file.ReadInt("font_size", s.fontSize), kMinFontSize, kMaxFontSize);
  s.fontCharset = file.ReadInt("font_charset", s.fontCharset);
  s.fontColor = file.ReadInt("font_color", s.fontColor);
  s.fontStyle = file.ReadInt("font_style", s.fontStyle);
  return s;
}

platform::FontDesc OverlayFontFrom(const StoredSettings& s) {
  platform::FontDesc f;
  f.name = s.fontName;
  f.size = s.fontSize;
  f.charset = static_cast<unsigned>(s.fontCharset) & 0xFFu;
  f.color = static_cast<std::uint32_t>(s.fontColor);
  f.style = StyleFromCode(s.fontStyle);
  return f;
}

RunSettings DeriveRunSettings(const StoredSettings& s, bool dataMissing) {
  RunSettings r;
  r.runMode = s.mode;
  r.frameInterval = s.speed;
  r.carPos = ViewpointFrom(s);
  r.overlayOn = s.textOut <= 1;
  r.shadowBlend = s.shadow == 1;
  r.overlayLines = s.column;
  r.overlayFont = OverlayFontFrom(s);
  r.overlayColour = dataMissing ? kMissingDataColour : OverlayColourFor(static_cast<std::uint32_t>(s.fontColor));
  return r;
}

bool WriteViewpoint(const SettingsFile& file, const CarPosition& pos) {
  platform::IniValues values;
  AddViewpoint(values, pos);
  return file.WriteValues(values);
}

DialogSettings DialogSettingsFrom(const StoredSettings& s) {
  DialogSettings d;
  d.mode = s.mode;
  d.speed = s.speed;
  d.viewpoint = ViewpointFrom(s);
  d.textOut = s.textOut <= 1;
  d.shadowBlend = s.shadow == 1;
  d.font = OverlayFontFrom(s);
  d.column = s.column;
  return d;
}

bool WriteDialogSettings(const SettingsFile& file, const DialogSettings& d) {
  platform::IniValues values = {{"Mode", Decimal(Clamp(d.mode, 0, 2))},
                                {"speed", Decimal(Clamp(d.speed, kMinSpeed, kMaxSpeed))}};
  AddViewpoint(values, d.viewpoint);
  values.emplace_back("text_out", Decimal(d.textOut ? 1 : 2));
  values.emplace_back("shadow", Decimal(d.shadowBlend ? 1 : 0));
  values.emplace_back("font_name", d.font.name);
  values.emplace_back("font_size", Decimal(d.font.size));
  values.emplace_back("font_color", Decimal(static_cast<std::int32_t>(d.font.color)));
  values.emplace_back("font_charset", Decimal(static_cast<std::int32_t>(d.font.charset & 0xFFu)));
  if (const auto code = CodeFromStyle(d.font.style)) values.emplace_back("font_style", Decimal(*code));
  values.emplace_back("column", Decimal(Clamp(d.column, kMinColumn, kMaxColumn)));
  return file.WriteValues(values);
}

}  // namespace shell
