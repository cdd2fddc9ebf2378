// The settings model against real files in a temporary folder.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "platform/paths.h"
#include "unit/platform/temp_folder.h"

using namespace std::string_literals;
using shell::CarPosition;
using shell::SettingsFile;

namespace {

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

TEST(SettingsLocation, ProgramPathWithIniExtension) {
  struct Row {
    const char* program;
    const char* ini;
  };
  const Row rows[] = {
      {"C:\\WINDOWS\\system32\\corvane_kestor.scr", "C:\\WINDOWS\\system32\\corvane_kestor.ini"},
      {"C:\\a.b\\prog", "C:\\a.b\\prog.ini"},
      {"C:\\x\\prog.tar.scr", "C:\\x\\prog.tar.ini"},
      {"C:\\x\\prog.", "C:\\x\\prog.ini"},
      {"/opt/k.d/saver", "/opt/k.d/saver.ini"},
      {"C:\\x\\a.ソ", "C:\\x\\a.ini"},  // ソ ends in byte 0x5C, which is no separator here
      {"C:\\表.d\\kestor", "C:\\表.d\\kestor.ini"},
  };
  for (const Row& r : rows) EXPECT_EQ(shell::SettingsPathForProgram(r.program), r.ini) << r.program;
}

#ifdef _WIN32
TEST(SettingsLocation, BesideTheProgram) {
  const std::string path = shell::SettingsFilePath();
  EXPECT_EQ(path, shell::SettingsPathForProgram(platform::ProgramPath()));
  EXPECT_EQ(path.substr(path.size() - 15), "\\shell_unit.ini");
}
#else
TEST(SettingsLocation, InTheSettingsFolder) {
  testutil::TempFolder folder;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", folder.Folder().c_str(), 1);
  const std::string path = shell::SettingsFilePath();
  if (old) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_EQ(path, folder.Path("corvane_kestor") + "/corvane_kestor.ini");
  EXPECT_FALSE(std::filesystem::exists(folder.Path("corvane_kestor"))) << "finding the file makes no folder";
}
#endif

TEST(SettingsIntegers, AcceptedTexts) {
  struct Row {
    const char* text;
    std::int32_t value;
  };
  const Row rows[] = {
      {"12", 12},
      {"+12", 12},
      {"-12", -12},
      {"0", 0},
      {"-0", 0},
      {"007", 7},
      {"2147483647", kIntMax},
      {"-2147483648", kIntMin},
      {"0000000000000000000000000000012", 12},
      {"0x1F", 31},
      {"0xff", 255},
      {"0xFF0000", 0xFF0000},
      {"0x00000000FF", 255},
      {"0x7FFFFFFF", kIntMax},
      {"0x80000000", kIntMin},
      {"0xFFFFFFFF", -1},
  };
  for (const Row& r : rows) {
    const auto v = shell::ParseSettingInt(r.text);
    ASSERT_TRUE(v.has_value()) << r.text;
    EXPECT_EQ(*v, r.value) << r.text;
  }
}

TEST(SettingsIntegers, RejectedTexts) {
  for (const char* text : {"",     "+",     "-",          " 12",         "12 ",         "12abc",      "1e3",  "abc",
                           "+-1",  "--1",   "2147483648", "-2147483649", "99999999999", "4294967296", "0x",   "0X1F",
                           "0x1G", "-0x10", "+0x10",      "0x100000000", "１２",        "12.0",       "0b101"}) {
    EXPECT_FALSE(shell::ParseSettingInt(text).has_value()) << '"' << text << '"';
  }
}

TEST(SettingsPosition, KeyToFloatAndBack) {
  EXPECT_EQ(shell::PositionFromKey(12345), 1.2345f);
  EXPECT_EQ(shell::PositionFromKey(-6000), -0.6f);
  EXPECT_EQ(shell::PositionFromKey(-13000), -1.3f);
  EXPECT_EQ(shell::PositionFromKey(0), 0.0f);
  EXPECT_EQ(shell::KeyFromPosition(1.2345f), 12345);
  EXPECT_EQ(shell::KeyFromPosition(-0.60000002f), -6000);
  EXPECT_EQ(shell::KeyFromPosition(-0.7f), -7000);
  EXPECT_EQ(shell::KeyFromPosition(-1.3f), -13000);
  for (std::int32_t k = -200000; k <= 200000; k += 7) {
    ASSERT_EQ(shell::KeyFromPosition(shell::PositionFromKey(k)), k);
  }
}

TEST(SettingsPosition, HalvesGoToEven) {
  // 0.03125 * 10000 = 312.5 and 0.09375 * 10000 = 937.5 exactly.
  EXPECT_EQ(shell::KeyFromPosition(0.03125f), 312);
  EXPECT_EQ(shell::KeyFromPosition(0.09375f), 938);
  EXPECT_EQ(shell::KeyFromPosition(-0.03125f), -312);
  EXPECT_EQ(shell::KeyFromPosition(-0.09375f), -938);
}

TEST(SettingsPosition, OutOfRangeIsHeld) {
  EXPECT_EQ(shell::KeyFromPosition(3.0e5f), kIntMax);
  EXPECT_EQ(shell::KeyFromPosition(-3.0e5f), kIntMin);
  EXPECT_EQ(shell::KeyFromPosition(std::numeric_limits<float>::infinity()), kIntMax);
  EXPECT_EQ(shell::KeyFromPosition(std::nanf("")), 0);
  EXPECT_EQ(shell::KeyFromPosition(214748.375f), kIntMax);  // 2147483750: just past the range
  EXPECT_EQ(shell::KeyFromPosition(-214748.375f), kIntMin);
  EXPECT_EQ(shell::KeyFromPosition(shell::PositionFromKey(kIntMax)), 2147483594);  // float spacing there
}

TEST(SettingsFontStyle, CodesBothWays) {
  const std::pair<std::int32_t, unsigned> rows[] = {{0, 0u},
                                                    {1, platform::kFontBold},
                                                    {2, platform::kFontItalic},
                                                    {3, platform::kFontStrikeOut},
                                                    {4, platform::kFontUnderline}};
  for (const auto& [code, style] : rows) {
    EXPECT_EQ(shell::StyleFromCode(code), style) << code;
    EXPECT_EQ(shell::CodeFromStyle(style), code) << code;
  }
  for (std::int32_t code : {5, -1, 16, kIntMax}) EXPECT_EQ(shell::StyleFromCode(code), 0u) << code;
  EXPECT_FALSE(shell::CodeFromStyle(platform::kFontBold | platform::kFontItalic).has_value());
  EXPECT_FALSE(shell::CodeFromStyle(platform::kFontUnderline | platform::kFontStrikeOut).has_value());
  EXPECT_FALSE(shell::CodeFromStyle(1u << 7).has_value());
}

TEST(SettingsColour, ExactMatchesOnly) {
  const std::pair<std::uint32_t, std::uint32_t> rows[] = {
      {0x000000, 0xFF000000}, {0x000080, 0xFF800000}, {0x0000FF, 0xFFFF0000}, {0x008000, 0xFF00FF00},
      {0x008080, 0xFF808000}, {0x00FF00, 0xFF80FF80}, {0x00FFFF, 0xFFFFFF00}, {0x800000, 0xFF800080},
      {0x800080, 0xFFFF00FF}, {0x808000, 0xFF008080}, {0x808080, 0xFF808080}, {0xC0C0C0, 0xFFC0C0C0},
      {0xFF0000, 0xFF0000FF}, {0xFF00FF, 0xFFFF80FF}, {0xFFFF00, 0xFF00FFFF}, {0xFFFFFF, 0xFFFFFFFF}};
  for (const auto& [font, overlay] : rows) EXPECT_EQ(shell::OverlayColourFor(font), overlay) << std::hex << font;
  for (std::uint32_t font : {0x000001u, 0xFF0001u, 0x7F7F7Fu, 0x1FF0000u, 0xFFFFFFFFu, 0x01000000u}) {
    EXPECT_EQ(shell::OverlayColourFor(font), 0u) << std::hex << font;
  }
}

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return folder_.Path("corvane_kestor.ini"); }
  void Store(const std::string& bytes) const { testutil::WriteBytes(Path(), bytes); }
  std::optional<std::string> Bytes() const { return testutil::ReadBytes(Path()); }

  testutil::TempFolder folder_;
};

TEST_F(SettingsFileTest, NoFileGivesTheDefaultRun) {
  const SettingsFile file(Path());
  const shell::StoredSettings s = shell::ReadSettings(file);
  const shell::RunSettings r = shell::DeriveRunSettings(s, false);
  EXPECT_EQ(r.runMode, 2);
  EXPECT_EQ(r.frameInterval, 0);
  EXPECT_TRUE(r.overlayOn);
  EXPECT_FALSE(r.shadowBlend);
  EXPECT_EQ(r.overlayLines, 1);
  EXPECT_EQ(r.overlayFont.name, "ＭＳ ゴシック");
  EXPECT_EQ(r.overlayFont.size, 12);
  EXPECT_EQ(r.overlayFont.charset, 128u);
  EXPECT_EQ(r.overlayFont.color, 0xFF0000u);
  EXPECT_EQ(r.overlayFont.style, 0u);
  EXPECT_EQ(r.overlayColour, 0xFF0000FFu);
  EXPECT_EQ(r.carPos, (CarPosition{0.0f, -0.6f, -1.3f}));
  EXPECT_FALSE(Bytes().has_value()) << "reading creates no file";
}

TEST_F(SettingsFileTest, EveryKeyIsRead) {
  const std::string text =
      "; kept\r\n[settings]\r\nMODE=1\r\nspeed=250\r\nfx=12345\r\nfy=-7000\r\nfz=0x10\r\ntext_out=2\r\nshadow=1\r\n"
      "column=3\r\nfont_name=\"ＭＳ 明朝\"\r\nfont_size=20\r\nfont_color=0x0000FF\r\nfont_charset=0x180\r\n"
      "font_style=2\r\n[Other]\r\nmode=0\r\n";
  Store(text);
  const shell::RunSettings r = shell::DeriveRunSettings(shell::ReadSettings(SettingsFile(Path())), false);
  EXPECT_EQ(r.runMode, 1);
  EXPECT_EQ(r.frameInterval, 250);
  EXPECT_EQ(r.carPos, (CarPosition{1.2345f, -0.7f, 0.0016f}));
  EXPECT_FALSE(r.overlayOn);
  EXPECT_TRUE(r.shadowBlend);
  EXPECT_EQ(r.overlayLines, 3);
  EXPECT_EQ(r.overlayFont.name, "ＭＳ 明朝");
  EXPECT_EQ(r.overlayFont.size, 20);
  EXPECT_EQ(r.overlayFont.charset, 0x80u) << "only the low byte";
  EXPECT_EQ(r.overlayFont.color, 0x0000FFu);
  EXPECT_EQ(r.overlayFont.style, unsigned{platform::kFontItalic});
  EXPECT_EQ(r.overlayColour, 0xFFFF0000u);
  EXPECT_EQ(Bytes(), text) << "reading leaves the file as it was";
}

TEST_F(SettingsFileTest, UnparsableValuesTakeTheirKeysDefaults) {
  Store(
      "[Settings]\r\nmode=auto\r\nspeed=\r\nfx=1.5\r\nfy=-\r\nfz=0X10\r\ntext_out=on\r\nshadow=yes\r\n"
      "column=two\r\nfont_name=\r\nfont_size=12pt\r\nfont_color=blue\r\nfont_charset=sjis\r\nfont_style=b\r\n");
  const shell::StoredSettings s = shell::ReadSettings(SettingsFile(Path()));
  const shell::StoredSettings d;
  EXPECT_EQ(s.mode, d.mode);
  EXPECT_EQ(s.speed, d.speed);
  EXPECT_EQ(s.fx, d.fx);
  EXPECT_EQ(s.fy, d.fy);
  EXPECT_EQ(s.fz, d.fz);
  EXPECT_EQ(s.textOut, d.textOut);
  EXPECT_EQ(s.shadow, d.shadow);
  EXPECT_EQ(s.column, d.column);
  EXPECT_EQ(s.fontName, "") << "an empty string value is a value";
  EXPECT_EQ(s.fontSize, d.fontSize);
  EXPECT_EQ(s.fontColor, d.fontColor);
  EXPECT_EQ(s.fontCharset, d.fontCharset);
  EXPECT_EQ(s.fontStyle, d.fontStyle);
}

TEST_F(SettingsFileTest, ValuesThatWouldBreakARunAreHeld) {
  struct Row {
    const char* key;
    const char* text;
    std::int32_t shell::StoredSettings::*field;
    std::int32_t expected;
  };
  const Row rows[] = {
      {"mode", "3", &shell::StoredSettings::mode, 2},
      {"mode", "-1", &shell::StoredSettings::mode, 0},
      {"speed", "501", &shell::StoredSettings::speed, 500},
      {"speed", "-5", &shell::StoredSettings::speed, 0},
      {"column", "0", &shell::StoredSettings::column, 1},
      {"column", "6", &shell::StoredSettings::column, 5},
      {"column", "-2147483648", &shell::StoredSettings::column, 1},
      {"font_size", "0", &shell::StoredSettings::fontSize, 1},
      {"font_size", "-12", &shell::StoredSettings::fontSize, 1},
      {"font_size", "100000", &shell::StoredSettings::fontSize, 144},
  };
  for (const Row& r : rows) {
    Store("[Settings]\r\n"s + r.key + "=" + r.text + "\r\n");
    EXPECT_EQ(shell::ReadSettings(SettingsFile(Path())).*r.field, r.expected) << r.key << "=" << r.text;
  }
}

TEST_F(SettingsFileTest, OverlayAndShadowSwitches) {
  const std::pair<const char*, bool> overlay[] = {{"-5", true}, {"0", true}, {"1", true}, {"2", false}, {"9", false}};
  for (const auto& [text, on] : overlay) {
    Store("[Settings]\r\ntext_out="s + text + "\r\n");
    EXPECT_EQ(shell::DeriveRunSettings(shell::ReadSettings(SettingsFile(Path())), false).overlayOn, on) << text;
  }
  const std::pair<const char*, bool> shadow[] = {{"0", false}, {"1", true}, {"2", false}, {"-1", false}};
  for (const auto& [text, blend] : shadow) {
    Store("[Settings]\r\nshadow="s + text + "\r\n");
    EXPECT_EQ(shell::DeriveRunSettings(shell::ReadSettings(SettingsFile(Path())), false).shadowBlend, blend) << text;
  }
}

TEST_F(SettingsFileTest, MissingDataMakesTheOverlayYellow) {
  Store("[Settings]\r\nfont_color=12345\r\n");
  const shell::StoredSettings s = shell::ReadSettings(SettingsFile(Path()));
  EXPECT_EQ(shell::DeriveRunSettings(s, false).overlayColour, 0u) << "a colour outside the table is invisible";
  EXPECT_EQ(shell::DeriveRunSettings(s, true).overlayColour, 0xFFFFFF00u);
  EXPECT_EQ(shell::DeriveRunSettings(shell::StoredSettings{}, true).overlayColour, 0xFFFFFF00u);
}

TEST_F(SettingsFileTest, ViewpointWriteBackKeepsTheRest) {
  Store("; mine\r\n[Settings]\r\nmode=0\r\nfx=1\r\nfont_name=ＭＳ ゴシック\r\n[Other]\r\nfx=7\r\n");
  const SettingsFile file(Path());
  EXPECT_TRUE(shell::WriteViewpoint(file, {1.2345f, -0.60000002f, -1.3f}));
  EXPECT_EQ(Bytes(),
            "; mine\r\n[Settings]\r\nmode=0\r\nfx=12345\r\nfont_name=ＭＳ ゴシック\r\nfy=-6000\r\n"
            "fz=-13000\r\n[Other]\r\nfx=7\r\n"s);
  const shell::RunSettings r = shell::DeriveRunSettings(shell::ReadSettings(file), false);
  EXPECT_EQ(r.carPos, (CarPosition{1.2345f, -0.6f, -1.3f}));
}

TEST_F(SettingsFileTest, DialogWritesEveryKeyInItsOrder) {
  const SettingsFile file(Path());
  const shell::DialogSettings d = shell::DialogSettingsFrom(shell::ReadSettings(file));
  EXPECT_TRUE(shell::WriteDialogSettings(file, d));
  EXPECT_EQ(Bytes(),
            "[Settings]\r\nMode=2\r\nspeed=0\r\nfx=0\r\nfy=-6000\r\nfz=-13000\r\ntext_out=1\r\nshadow=0\r\n"
            "font_name=ＭＳ ゴシック\r\nfont_size=12\r\nfont_color=16711680\r\nfont_charset=128\r\nfont_style=0\r\n"
            "column=1\r\n"s);
}

TEST_F(SettingsFileTest, DialogValuesRoundTrip) {
  const SettingsFile file(Path());
  shell::DialogSettings d = shell::DialogSettingsFrom(shell::ReadSettings(file));
  d.mode = 1;
  d.speed = 500;
  d.viewpoint = shell::kInitialViewpoint;
  d.textOut = false;
  d.shadowBlend = true;
  d.font = {"ＭＳ Ｐゴシック", 9, 0, 0xFFFFFFFF, platform::kFontUnderline};
  d.column = 5;
  EXPECT_TRUE(shell::WriteDialogSettings(file, d));
  const shell::StoredSettings s = shell::ReadSettings(file);
  EXPECT_EQ(s.fx, -10000);
  EXPECT_EQ(s.fy, -7000);
  EXPECT_EQ(s.fz, -13000);
  EXPECT_EQ(s.textOut, 2);
  EXPECT_EQ(s.fontColor, -1);
  EXPECT_EQ(s.fontStyle, 4);
  const shell::DialogSettings back = shell::DialogSettingsFrom(s);
  EXPECT_EQ(back.mode, 1);
  EXPECT_EQ(back.speed, 500);
  EXPECT_EQ(back.viewpoint, shell::kInitialViewpoint);
  EXPECT_FALSE(back.textOut);
  EXPECT_TRUE(back.shadowBlend);
  EXPECT_EQ(back.font, d.font);
  EXPECT_EQ(back.column, 5);
}

TEST_F(SettingsFileTest, DialogKeepsTheFilesSpellingAndACombinedStyle) {
  Store("[SETTINGS]\r\nmode=0\r\nfont_style=3\r\n");
  const SettingsFile file(Path());
  shell::DialogSettings d = shell::DialogSettingsFrom(shell::ReadSettings(file));
  EXPECT_EQ(d.mode, 0) << "\"Mode\" and \"mode\" are one key";
  EXPECT_EQ(d.font.style, unsigned{platform::kFontStrikeOut});
  d.mode = 1;
  d.font.style = platform::kFontBold | platform::kFontItalic;
  d.column = 9;  // typed into the edit box
  EXPECT_TRUE(shell::WriteDialogSettings(file, d));
  EXPECT_EQ(Bytes(),
            "[SETTINGS]\r\nmode=1\r\nfont_style=3\r\nspeed=0\r\nfx=0\r\nfy=-6000\r\nfz=-13000\r\ntext_out=1\r\n"
            "shadow=0\r\nfont_name=ＭＳ ゴシック\r\nfont_size=12\r\nfont_color=16711680\r\nfont_charset=128\r\n"
            "column=5\r\n"s);
}

TEST_F(SettingsFileTest, FailedWritesAreReturnedNotFatal) {
  const SettingsFile file((std::filesystem::path(folder_.Path("missing")) / "corvane_kestor.ini").string());
  EXPECT_FALSE(shell::WriteViewpoint(file, {0.0f, 0.0f, 0.0f}));
  EXPECT_FALSE(shell::WriteDialogSettings(file, shell::DialogSettingsFrom(shell::StoredSettings{})));
  EXPECT_EQ(shell::ReadSettings(file).fy, -6000);
  EXPECT_EQ(folder_.EntryCount(), 0u);
}

}  // namespace
