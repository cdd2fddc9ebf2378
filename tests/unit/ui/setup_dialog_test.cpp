// The settings dialog's logic against a real settings file in a temporary folder, driven through a
// fake view as a user would drive the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/paths.h"
#include "shell/settings.h"
#include "ui/sssetdlg.h"
#include "unit/platform/temp_folder.h"
#include "unit/ui/fakes.h"

namespace {

using platform::SetupControl;
using uitest::FakeSetupView;

class SetupDialog : public ::testing::Test {
 protected:
  ui::SetupPaths Paths() const {
    ui::SetupPaths p;
    p.places.settingsFile = dir.Path("corvane_kestor.ini");
    p.places.dataFolder = dir.Folder();
    p.places.debugLog = dir.Path("DGCarad_DebugLog.txt");
    p.applicationTitle = "corvane_kestor";
    return p;
  }
  std::string Ini() const { return dir.Path("corvane_kestor.ini"); }
  std::optional<std::string> IniBytes() const { return testutil::ReadBytes(Ini()); }

  // Opens the dialog as mode /c does, with `script` as the user, and closes it.
  void Run(const std::function<void(FakeSetupView&)>& script, ui::TScrnSaveSetupDlg** seen = nullptr) {
    ui::TScrnSaveSetupDlg dlg(system, Paths());
    dlg.CreateParams();
    view.script = [&](FakeSetupView& v) {
      if (seen) *seen = &dlg;
      script(v);
    };
    dlg.ShowModal(view);
    last =
        Snapshot{dlg.setupMode, dlg.setupSpeed, dlg.setupColumn, dlg.setupViewpoint, dlg.setupFont, dlg.uninstallList};
  }

  struct Snapshot {
    std::int32_t mode, speed, column;
    shell::CarPosition viewpoint;
    platform::FontDesc font;
    std::vector<std::string> uninstallList;
  };

  testutil::TempFolder dir;
  uitest::FakeSystem system;
  FakeSetupView view;
  Snapshot last{};
};

TEST_F(SetupDialog, MissingFileGivesTheDefaultsAndReadingCreatesNothing) {
  Run([](FakeSetupView&) {});
  EXPECT_EQ(view.radio, 2);
  EXPECT_EQ(view.trackMin, 0);
  EXPECT_EQ(view.trackMax, 500);
  EXPECT_EQ(view.trackPos, 0);
  EXPECT_TRUE(view.Checked(SetupControl::CheckBox1));   // text_out 0 is on
  EXPECT_FALSE(view.Checked(SetupControl::CheckBox2));  // shadow 0
  EXPECT_EQ(view.upMin, 1);
  EXPECT_EQ(view.upMax, 5);
  EXPECT_EQ(view.upPos, 1);
  EXPECT_EQ(view.edit, "1");
  EXPECT_EQ(last.mode, 2);
  EXPECT_EQ(last.speed, 0);
  EXPECT_EQ(last.column, 1);
  EXPECT_EQ(last.viewpoint, (shell::CarPosition{0.0f, -0.6f, -1.3f}));
  EXPECT_EQ(last.font.name, "ＭＳ ゴシック");
  EXPECT_EQ(last.font.size, 12);
  EXPECT_EQ(last.font.color, 0xFF0000u);
  EXPECT_EQ(last.font.charset, 128u);
  EXPECT_EQ(last.font.style, 0u);
  EXPECT_TRUE(view.Visible(SetupControl::Panel3));  // the shadow box starts covered
  EXPECT_FALSE(IniBytes().has_value());
}

TEST_F(SetupDialog, ReadsEveryKeyOfAnExistingFile) {
  testutil::WriteBytes(Ini(),
                       "[settings]\r\nmode=1\r\nSPEED=250\r\nfx=12345\r\nfy=-7000\r\nfz=-20000\r\ntext_out=2\r\n"
                       "shadow=1\r\ncolumn=4\r\nfont_name=IPAPGothic\r\nfont_size=20\r\nfont_color=255\r\n"
                       "font_charset=0\r\nfont_style=2\r\n");
  Run([](FakeSetupView&) {});
  EXPECT_EQ(view.radio, 1);
  EXPECT_EQ(view.trackPos, 250);
  EXPECT_FALSE(view.Checked(SetupControl::CheckBox1));
  EXPECT_TRUE(view.Checked(SetupControl::CheckBox2));
  EXPECT_EQ(view.upPos, 4);
  EXPECT_EQ(view.edit, "4");
  EXPECT_EQ(last.column, 4);
  EXPECT_FLOAT_EQ(last.viewpoint.x, 1.2345f);
  EXPECT_FLOAT_EQ(last.viewpoint.y, -0.7f);
  EXPECT_FLOAT_EQ(last.viewpoint.z, -2.0f);
  EXPECT_EQ(last.font, (platform::FontDesc{"IPAPGothic", 20, 0, 255, platform::kFontItalic}));
}

TEST_F(SetupDialog, OkWritesExactlyTheKeysInTheirOrder) {
  Run([](FakeSetupView& v) {
    v.MoveSlider(500);
    v.PickRadio(1);
    v.ClickCheck(SetupControl::CheckBox1);  // off
    v.Type("3");
    v.Click(SetupControl::OKBtn);
  });
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(IniBytes().value_or(""),
            "[Settings]\r\nMode=1\r\nspeed=500\r\nfx=0\r\nfy=-6000\r\nfz=-13000\r\ntext_out=2\r\nshadow=0\r\n"
            "font_name=ＭＳ ゴシック\r\nfont_size=12\r\nfont_color=16711680\r\nfont_charset=128\r\nfont_style=0\r\n"
            "column=3\r\n");
  // What the screen-saver window will read from it.
  const shell::StoredSettings s = shell::ReadSettings(shell::SettingsFile(Ini()));
  EXPECT_EQ(s.mode, 1);
  EXPECT_EQ(s.speed, 500);
  EXPECT_EQ(s.textOut, 2);
  EXPECT_EQ(s.column, 3);
}

TEST_F(SetupDialog, OkKeepsTheStoredSpellingOfAnExistingLowerCaseModeKey) {
  testutil::WriteBytes(Ini(), "[Settings]\r\nmode=0\r\n");
  Run([](FakeSetupView& v) {
    v.PickRadio(2);
    v.Click(SetupControl::OKBtn);
  });
  EXPECT_EQ(shell::SettingsFile(Ini()).ReadInt("Mode", -1), 2);
  EXPECT_EQ(IniBytes().value_or("").find("Mode="), std::string::npos);  // one key, the file's spelling
}

TEST_F(SetupDialog, CheckBoxesWriteOneOrTwoAndOneOrZero) {
  struct Case {
    bool toggleText, uncoverShadow, toggleShadow;
    const char* textOut;
    const char* shadow;
  } cases[] = {
      {false, false, false, "1", "0"},
      {true, false, false, "2", "0"},
      {false, true, true, "1", "1"},
      {true, false, true, "2", "0"},  // the covered shadow box cannot be clicked
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Ini());
    view = FakeSetupView{};
    Run([&](FakeSetupView& v) {
      if (c.toggleText) v.ClickCheck(SetupControl::CheckBox1);
      if (c.uncoverShadow) v.DoubleClickPanel3();
      if (c.toggleShadow) v.ClickCheck(SetupControl::CheckBox2);
      v.Click(SetupControl::OKBtn);
    });
    const shell::SettingsFile f(Ini());
    EXPECT_EQ(f.ReadString("text_out", "?"), c.textOut);
    EXPECT_EQ(f.ReadString("shadow", "?"), c.shadow);
  }
}

TEST_F(SetupDialog, CancelAndTheCloseBoxWriteNothing) {
  const std::string before = "[Settings]\r\nspeed=100\r\n; a comment\r\nfx=5\r\n";
  testutil::WriteBytes(Ini(), before);
  Run([](FakeSetupView& v) {
    v.MoveSlider(400);
    v.PickRadio(0);
    v.Click(SetupControl::Button1);
    v.Click(SetupControl::CancelBtn);
  });
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(IniBytes().value_or(""), before);

  view = FakeSetupView{};
  Run([](FakeSetupView& v) { v.MoveSlider(300); });  // the window closed without a button
  EXPECT_EQ(IniBytes().value_or(""), before);

  std::filesystem::remove(Ini());
  view = FakeSetupView{};
  Run([](FakeSetupView& v) { v.Click(SetupControl::CancelBtn); });
  EXPECT_FALSE(IniBytes().has_value());
}

// An OK that cannot write says so, writes nothing and keeps the dialog with what was entered.
TEST_F(SetupDialog, OkThatCannotWriteSaysSoAndKeepsTheDialogOpen) {
  ui::SetupPaths paths = Paths();
  paths.places.settingsFile = dir.Path("gone") + platform::kPathSeparator + "corvane_kestor.ini";
  ui::TScrnSaveSetupDlg dlg(system, paths);
  view.script = [&](FakeSetupView& v) {
    v.MoveSlider(40);
    v.Click(SetupControl::OKBtn);
    ASSERT_EQ(v.messages.size(), 1u);
    EXPECT_EQ(v.messages[0].text.rfind("設定ファイル[" + paths.places.settingsFile + "]に書き込めないため、", 0), 0u);
    EXPECT_EQ(v.messages[0].flags, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_FALSE(v.closed);
    std::filesystem::create_directory(dir.Path("gone"));
    v.Click(SetupControl::OKBtn);  // another try
  };
  dlg.ShowModal(view);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(shell::SettingsFile(paths.places.settingsFile).ReadString("speed", ""), "40");
}

TEST_F(SetupDialog, InitialPositionReachesTheFileOnlyWithOk) {
  testutil::WriteBytes(Ini(), "[Settings]\r\nfx=1111\r\nfy=2222\r\nfz=3333\r\n");
  Run([](FakeSetupView& v) {
    v.Click(SetupControl::Button1);
    v.Click(SetupControl::OKBtn);
  });
  const shell::SettingsFile f(Ini());
  EXPECT_EQ(f.ReadString("fx", ""), "-10000");
  EXPECT_EQ(f.ReadString("fy", ""), "-7000");
  EXPECT_EQ(f.ReadString("fz", ""), "-13000");

  // Without the button the position read is written back unchanged.
  testutil::WriteBytes(Ini(), "[Settings]\r\nfx=12345\r\nfy=-1\r\nfz=7\r\n");
  view = FakeSetupView{};
  Run([](FakeSetupView& v) { v.Click(SetupControl::OKBtn); });
  EXPECT_EQ(f.ReadString("fx", ""), "12345");
  EXPECT_EQ(f.ReadString("fy", ""), "-1");
  EXPECT_EQ(f.ReadString("fz", ""), "7");
}

TEST_F(SetupDialog, LineCountFromTheEditAndTheSpinButtons) {
  struct Case {
    const char* typed;
    int column;
  } cases[] = {{"3", 3},  {"abc", 1},         {"", 1},    {"2x", 1}, {" 4 ", 4}, {"9", 5}, {"0", 1},
               {"-3", 1}, {"99999999999", 1}, {"0x2", 2}, {"5", 5}};
  for (const Case& c : cases) {
    view = FakeSetupView{};
    Run([&](FakeSetupView& v) {
      v.Type(c.typed);
      EXPECT_EQ(v.upPos, c.column) << c.typed;
      EXPECT_EQ(v.edit, c.typed);  // the text stays as typed
      v.Click(SetupControl::OKBtn);
    });
    EXPECT_EQ(last.column, c.column) << c.typed;
    EXPECT_EQ(shell::SettingsFile(Ini()).ReadString("column", ""), std::to_string(c.column)) << c.typed;
  }

  view = FakeSetupView{};
  Run([](FakeSetupView& v) {
    v.Type("4");
    v.SpinUp();
    EXPECT_EQ(v.edit, "5");
    v.SpinUp();  // no wrap past 5
    EXPECT_EQ(v.edit, "5");
    for (int i = 0; i < 6; ++i) v.SpinDown();
    EXPECT_EQ(v.edit, "1");
    v.SpinUp();
    v.Click(SetupControl::OKBtn);
  });
  EXPECT_EQ(last.column, 2);
}

TEST_F(SetupDialog, StoredColumnOutsideTheRangeIsHeldWithinIt) {
  testutil::WriteBytes(Ini(), "[Settings]\r\ncolumn=12\r\n");
  Run([](FakeSetupView& v) { v.Click(SetupControl::OKBtn); });
  EXPECT_EQ(view.upPos, 5);
  EXPECT_EQ(shell::SettingsFile(Ini()).ReadString("column", ""), "5");
}

TEST_F(SetupDialog, FontChooserStartsAtTheCurrentFontAndItsAnswerIsWritten) {
  testutil::WriteBytes(Ini(),
                       "[Settings]\r\nfont_name=IPAGothic\r\nfont_size=16\r\nfont_style=1\r\nfont_color=255\r\n");
  view.fontChoice = platform::FontDesc{"IPAPMincho", 24, 128, 0x00FF00, platform::kFontUnderline};
  Run([](FakeSetupView& v) {
    v.Click(SetupControl::Button2);
    v.Click(SetupControl::OKBtn);
  });
  EXPECT_EQ(view.fontDialogs, 1);
  EXPECT_EQ(view.fontOffered, (platform::FontDesc{"IPAGothic", 16, 128, 255, platform::kFontBold}));
  const shell::SettingsFile f(Ini());
  EXPECT_EQ(f.ReadString("font_name", ""), "IPAPMincho");
  EXPECT_EQ(f.ReadString("font_size", ""), "24");
  EXPECT_EQ(f.ReadString("font_color", ""), "65280");
  EXPECT_EQ(f.ReadString("font_style", ""), "4");
}

// The chooser's colours are the overlay table's: every one shows as text, and there are all sixteen.
TEST_F(SetupDialog, FontChooserOffersExactlyTheColoursOfTheOverlayTable) {
  Run([](FakeSetupView& v) { v.Click(SetupControl::Button2); });
  std::set<std::uint32_t> colours;
  for (const platform::ColourChoice& c : view.coloursOffered) {
    EXPECT_NE(shell::OverlayColourFor(c.color), 0u) << std::hex << c.color;
    colours.insert(c.color);
  }
  EXPECT_EQ(colours.size(), 16u);
  EXPECT_EQ(view.coloursOffered.size(), 16u);
}

TEST_F(SetupDialog, CancelledFontChooserChangesNothing) {
  view.fontConfirmed = false;
  view.fontChoice = platform::FontDesc{"Other", 40, 0, 0, platform::kFontBold};
  Run([](FakeSetupView& v) {
    v.Click(SetupControl::Button2);
    v.Click(SetupControl::OKBtn);
  });
  EXPECT_EQ(shell::SettingsFile(Ini()).ReadString("font_name", ""), "ＭＳ ゴシック");
  EXPECT_EQ(shell::SettingsFile(Ini()).ReadString("font_size", ""), "12");
}

TEST_F(SetupDialog, BoldItalicFontKeepsTheStoredStyleCode) {
  testutil::WriteBytes(Ini(), "[Settings]\r\nfont_style=3\r\n");
  view.fontChoice = platform::FontDesc{"IPAGothic", 14, 128, 0xFF0000, platform::kFontBold | platform::kFontItalic};
  Run([](FakeSetupView& v) {
    v.Click(SetupControl::Button2);
    v.Click(SetupControl::OKBtn);
  });
  const shell::SettingsFile f(Ini());
  EXPECT_EQ(f.ReadString("font_style", ""), "3");
  EXPECT_EQ(f.ReadString("font_size", ""), "14");  // the rest of the font is written

  // With no stored code, a combined style leaves the key absent.
  std::filesystem::remove(Ini());
  view = FakeSetupView{};
  view.fontChoice =
      platform::FontDesc{"IPAGothic", 14, 128, 0xFF0000, platform::kFontUnderline | platform::kFontStrikeOut};
  Run([](FakeSetupView& v) {
    v.Click(SetupControl::Button2);
    v.Click(SetupControl::OKBtn);
  });
  EXPECT_EQ(f.ReadString("font_style", "absent"), "absent");
  EXPECT_EQ(f.ReadString("column", ""), "1");  // the key after it is still written
}

TEST_F(SetupDialog, OwnerWindowIsDisabledWhileTheDialogLives) {
  int owner = 0;
  system.foreground = &owner;
  Run([&](FakeSetupView&) {
    ASSERT_EQ(system.enableCalls.size(), 1u);
    EXPECT_EQ(system.enableCalls[0], std::make_pair(static_cast<platform::WindowHandle>(&owner), false));
  });
  ASSERT_EQ(system.enableCalls.size(), 2u);
  EXPECT_EQ(system.enableCalls[1], std::make_pair(static_cast<platform::WindowHandle>(&owner), true));

  // No foreground window: nothing to disable.
  system.foreground = nullptr;
  system.enableCalls.clear();
  Run([](FakeSetupView& v) { v.Click(SetupControl::OKBtn); });
  EXPECT_TRUE(system.enableCalls.empty());
}

TEST_F(SetupDialog, OwnerIsEnabledAgainWhenNoViewCouldBeShown) {
  int owner = 0;
  system.foreground = &owner;
  {
    ui::TScrnSaveSetupDlg dlg(system, Paths());
    EXPECT_EQ(dlg.CreateParams(), &owner);
    EXPECT_EQ(dlg.ownerWindow, &owner);
  }
  ASSERT_EQ(system.enableCalls.size(), 2u);
  EXPECT_TRUE(system.enableCalls[1].second);
}

TEST_F(SetupDialog, EachDescriptionClickOpensAnotherWindowOwnedByTheDialog) {
  const std::vector<std::string> readme = ui::ReadmeLines(Paths().places);
  Run([&readme](FakeSetupView& v) {
    v.Click(SetupControl::Button3);
    v.Click(SetupControl::Button3);
    ASSERT_EQ(v.descriptions.size(), 2u);
    EXPECT_EQ(v.descriptionsAlive, 2);
    for (auto* d : v.descriptions) {
      EXPECT_TRUE(d->visible);
      EXPECT_EQ(d->lines, readme);
    }
    v.descriptions[0]->ClickClose();  // hides, the window stays
    EXPECT_FALSE(v.descriptions[0]->visible);
    EXPECT_TRUE(v.descriptions[1]->visible);
    EXPECT_EQ(v.descriptionsAlive, 2);
  });
  EXPECT_EQ(view.descriptionsAlive, 0);  // freed with the dialog
}

TEST_F(SetupDialog, UninstallListHoldsTheDataFilesThenTheSettingsFile) {
  Run([](FakeSetupView&) {});
  ASSERT_EQ(last.uninstallList.size(), 53u);
  EXPECT_EQ(last.uninstallList.front(), "crmd_0");
  EXPECT_EQ(last.uninstallList[50], "kestor.txt");
  EXPECT_EQ(last.uninstallList[51], "crmd_50");
  EXPECT_EQ(last.uninstallList.back(), "corvane_kestor.ini");
}

}  // namespace
