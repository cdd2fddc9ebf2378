// The settings file: section "Settings" of an INI file, its keys with their defaults, the rules
// that turn the stored text into values, what a run derives from them, and the two writers (the
// viewpoint at the end of a display-mode run, the whole set when the settings dialog's OK is
// pressed). Free of windows and devices; the screen-saver window and the settings dialog use it.
//
// Reading never changes the file. Writes go straight to the file through the private-profile
// seam (platform/profile.h); the writers of several keys write all of them or none, and return
// whether they did.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/font.h"
#include "platform/profile.h"

namespace shell {

constexpr char kSettingsSection[] = "Settings";

// Where the settings file lives. Windows: the program's full path with the text after the last
// dot of its file name replaced by "ini" (".ini" appended when the name has no dot). Linux:
// "corvane_kestor.ini" in platform::SettingsFolder(); empty when there is no such folder (no
// home), so that nothing is read or written.
std::string SettingsFilePath();

// The Windows rule on any program path (Shift-JIS; '\\' and '/' separate folders).
std::string SettingsPathForProgram(const std::string& programPath);

// The integer rule of the file: an optional sign and decimal digits, or "0x" and hexadecimal
// digits (read as 32 bits, so 0xFFFFFFFF is -1). Nothing else, no blanks, and no value outside
// the 32-bit signed range; anything else gives nothing.
std::optional<std::int32_t> ParseSettingInt(std::string_view text);

// Car position in display mode, in world units.
struct CarPosition {
  float x, y, z;
  bool operator==(const CarPosition& o) const { return x == o.x && y == o.y && z == o.z; }
};

// A stored position key (1/10000 units) as a coordinate, and back: times 10000, rounded to the
// nearest integer with ties to even, held within the 32-bit range.
float PositionFromKey(std::int32_t key);
std::int32_t KeyFromPosition(float coordinate);

// Font style codes: 0 none, 1 bold, 2 italic, 3 strike-out, 4 underline (platform::FontStyle
// bits). Any other code reads as no style; a style set that no code describes exactly (bold and
// italic, say) has no code.
unsigned StyleFromCode(std::int32_t code);
std::optional<std::int32_t> CodeFromStyle(unsigned style);

// Overlay vertex colour (0xAARRGGBB) for a font colour (0x00BBGGRR): exact matches of the
// sixteen-entry table; any other colour gives 0 (invisible text).
std::uint32_t OverlayColourFor(std::uint32_t fontColour);
constexpr std::uint32_t kMissingDataColour = 0xFFFFFF00;  // the notice's yellow

// The keys as read, after the rules: a missing key or one that does not parse takes its default;
// `mode` is held within 0..2, `speed` within 0..500, `column` within 1..5 and `fontSize` within
// 1..144 so that no stored value can break a run.
struct StoredSettings {
  std::int32_t mode = 2;   // 0 display, 1 driving, 2 drawn at each start
  std::int32_t speed = 0;  // least milliseconds between processed frames
  std::int32_t fx = 0;     // car position, 1/10000 units
  std::int32_t fy = -6000;
  std::int32_t fz = -13000;
  std::int32_t textOut = 0;  // <= 1 overlay on
  std::int32_t shadow = 0;   // 1 blended shadow
  std::int32_t column = 1;   // overlay lines per block
  std::string fontName = "ＭＳ ゴシック";
  std::int32_t fontSize = 12;         // points
  std::int32_t fontColor = 0xFF0000;  // 0x00BBGGRR
  std::int32_t fontCharset = 128;     // only the low byte is used
  std::int32_t fontStyle = 0;         // style code
};

constexpr std::int32_t kMinSpeed = 0, kMaxSpeed = 500;
constexpr std::int32_t kMinColumn = 1, kMaxColumn = 5;
constexpr std::int32_t kMinFontSize = 1, kMaxFontSize = 144;

// The settings file of one path; holds nothing open.
class SettingsFile {
 public:
  explicit SettingsFile(std::string path = SettingsFilePath());
  const std::string& Path() const { return path_; }

  // `key` of section "Settings" by the integer rule, or `def`.
  std::int32_t ReadInt(const char* key, std::int32_t def) const;
  std::string ReadString(const char* key, const std::string& def) const;
  // A write into the settings folder creates the folder first where it is missing.
  bool WriteInt(const char* key, std::int32_t value) const;  // decimal
  bool WriteString(const char* key, const std::string& value) const;
  bool WriteValues(const platform::IniValues& values) const;  // all of them or none

 private:
  // `write`, and once more after making the settings folder when it failed for want of it.
  bool WriteCreatingFolder(const std::function<bool()>& write) const;
  std::string path_;
};

// Every key, in the order the screen-saver window reads them.
StoredSettings ReadSettings(const SettingsFile& file);

// The overlay font: face, size, character set (low byte), colour and style of the keys.
platform::FontDesc OverlayFontFrom(const StoredSettings& s);

// What the screen-saver window derives at start.
struct RunSettings {
  std::int32_t runMode;        // 0, 1 or 2; the scene set-up draws 0 or 1 for 2
  std::int32_t frameInterval;  // ms, 0..500
  CarPosition carPos;          // display-mode car position
  bool overlayOn;
  bool shadowBlend;
  std::int32_t overlayLines;  // 1..5
  platform::FontDesc overlayFont;
  std::uint32_t overlayColour;  // ARGB; the notice's yellow when data files are missing
};
RunSettings DeriveRunSettings(const StoredSettings& s, bool dataMissing);

// The viewpoint write-back of a display-mode run: fx, fy, fz, all three or none.
bool WriteViewpoint(const SettingsFile& file, const CarPosition& pos);

// The settings dialog's working values.
struct DialogSettings {
  std::int32_t mode;   // radio item 0..2
  std::int32_t speed;  // slider 0..500
  CarPosition viewpoint;
  bool textOut;      // "文字出力する" checked
  bool shadowBlend;  // "影（ブレンド）" checked
  platform::FontDesc font;
  std::int32_t column;  // 1..5
};
constexpr CarPosition kInitialViewpoint = {-1.0f, -0.7f, -1.3f};  // the "初期位置" button

DialogSettings DialogSettingsFrom(const StoredSettings& s);

// The dialog's OK: writes, in this order, Mode, speed, fx, fy, fz, text_out (1 on, 2 off),
// shadow (1 or 0), font_name, font_size, font_color, font_charset, font_style (only when a code
// describes the style exactly; otherwise the stored code stays) and column. `mode`, `speed` and
// `column` are held within their ranges. All the keys or none: false when the file cannot be
// written, and it is then as it was.
bool WriteDialogSettings(const SettingsFile& file, const DialogSettings& d);

}  // namespace shell
