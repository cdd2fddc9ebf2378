// The uninstall, through the dialog's "削除(&u)" button and as its plain functions, on real files.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/sjis.h"
#include "shell/datafiles.h"
#include "ui/sssetdlg.h"
#include "ui/uninstall.h"
#include "unit/platform/temp_folder.h"
#include "unit/ui/fakes.h"

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

using platform::SetupControl;
using uitest::FakeSetupView;

// Makes a file that this process cannot delete, for as long as it lives: read-only on Windows
// (DeleteFile refuses those), immutable on Linux (which even root cannot delete). Works() says
// whether the platform let the test do it.
class Undeletable {
 public:
  explicit Undeletable(std::string path) : path_(std::move(path)) {
#ifdef _WIN32
    testutil::SetReadOnly(path_, true);
    works_ = true;
#else
    works_ = SetImmutable(true);
#endif
  }
  ~Undeletable() {
#ifdef _WIN32
    testutil::SetReadOnly(path_, false);
#else
    if (works_) SetImmutable(false);
#endif
  }
  bool Works() const { return works_; }

 private:
#ifndef _WIN32
  bool SetImmutable(bool on) {
    const int fd = open(path_.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return ok;
  }
#endif
  std::string path_;
  bool works_ = false;
};

class Uninstall : public ::testing::Test {
 protected:
  Uninstall() {
    places.dataFolder = data.Folder();
    places.settingsFile = config.Path("corvane_kestor.ini");
    places.debugLog = config.Path("DGCarad_DebugLog.txt");
    places.programFile = "/opt/kestor/bin/corvane_kestor";
  }
  void InstallEverything() {
    for (const std::string& n : shell::DataFileNames()) testutil::WriteBytes(data.Path(n), "data");
    testutil::WriteBytes(places.settingsFile, "[Settings]\r\nspeed=10\r\n");
    testutil::WriteBytes(places.debugLog, "#00001 | log\r\n");
  }
  void RunDialog(const std::function<void(FakeSetupView&)>& script) {
    ui::SetupPaths p;
    p.places = places;
    p.applicationTitle = "corvane_kestor";
    ui::TScrnSaveSetupDlg dlg(system, p);
    view.script = script;
    dlg.ShowModal(view);
  }

  testutil::TempFolder data, config;
  ui::InstallPlaces places;
  uitest::FakeSystem system;
  FakeSetupView view;
};

TEST_F(Uninstall, ConfirmedDeletesEveryInstalledFileAndDisablesTheDialog) {
  InstallEverything();
  testutil::WriteBytes(data.Path("corvane_kestor.scr"), "program");  // not one of ours to delete
  testutil::WriteBytes(data.Path("other.txt"), "someone else's");
  RunDialog([](FakeSetupView& v) {
    v.Click(SetupControl::Button4);
    v.Click(SetupControl::OKBtn);    // disabled now: the settings file is not written again
    v.Click(SetupControl::Button3);  // so is the description button
    v.DoubleClickPanel3();           // Panel3 and CheckBox2 stay as they were
    v.ClickCheck(SetupControl::CheckBox2);
    v.Click(SetupControl::CancelBtn);  // Cancel still works
  });
  EXPECT_EQ(data.EntryCount(), 2u);
  EXPECT_TRUE(platform::FileExists(data.Path("corvane_kestor.scr")));
  EXPECT_EQ(config.EntryCount(), 0u);
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[0].text, "「corvane KESTOR」を削除します。よろしいですか？");
  EXPECT_EQ(view.messages[0].caption, "確認");
  EXPECT_EQ(view.messages[0].flags, platform::kMbOkCancel);
#ifdef _WIN32
  EXPECT_EQ(view.messages[1].text,
            "全ての関連ファイルが削除されました。設定ダイアログを閉じた後、システム・フォルダから[corvane_kestor.scr]"
            "を削除して下さい。");
#else
  EXPECT_EQ(view.messages[1].text,
            "全ての関連ファイルが削除されました。設定ダイアログを閉じた後、プログラム[/opt/kestor/bin/"
            "corvane_kestor]とデータのフォルダ[" +
                sjis::FromUtf8(data.Folder()) +
                "]を削除して下さい。パッケージでインストールした場合は、パッケージ管理ツールで削除して下さい。");
#endif
  EXPECT_EQ(view.messages[1].caption, "corvane_kestor");
  EXPECT_EQ(view.messages[1].flags, platform::kMbOk);
  EXPECT_TRUE(view.descriptions.empty());
  EXPECT_TRUE(view.closed);

  for (SetupControl c : {SetupControl::TrackBar1, SetupControl::CheckBox1, SetupControl::Edit1, SetupControl::UpDown1,
                         SetupControl::RadioGroup1, SetupControl::Button1, SetupControl::Button2, SetupControl::Button3,
                         SetupControl::Button4, SetupControl::OKBtn, SetupControl::Label1, SetupControl::Label2,
                         SetupControl::Label3, SetupControl::Label4})
    EXPECT_FALSE(view.Enabled(c)) << static_cast<int>(c);
  for (SetupControl c : {SetupControl::CancelBtn, SetupControl::CheckBox2, SetupControl::Panel3})
    EXPECT_TRUE(view.Enabled(c)) << static_cast<int>(c);
  EXPECT_FALSE(view.Visible(SetupControl::Panel3));
}

TEST_F(Uninstall, CancelledConfirmationTouchesNothing) {
  InstallEverything();
  view.messageAnswers = {platform::kIdCancel};
  RunDialog([](FakeSetupView& v) {
    v.Click(SetupControl::Button4);
    v.MoveSlider(20);
    v.Click(SetupControl::OKBtn);  // still usable
  });
  EXPECT_EQ(data.EntryCount(), shell::kDataFileCount);
  EXPECT_TRUE(platform::FileExists(places.debugLog));
  EXPECT_EQ(shell::SettingsFile(places.settingsFile).ReadString("speed", ""), "20");
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_TRUE(view.Enabled(SetupControl::OKBtn));
}

TEST_F(Uninstall, AlreadyMissingFilesAndNoLogStillEndWithTheMessage) {
  testutil::WriteBytes(data.Path("crmd_3"), "data");  // the rest was never there
  RunDialog([](FakeSetupView& v) { v.Click(SetupControl::Button4); });
  EXPECT_EQ(data.EntryCount(), 0u);
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1].text, ui::UninstallDoneText(places));
  EXPECT_FALSE(view.Enabled(SetupControl::OKBtn));
}

TEST_F(Uninstall, FilesThatCannotBeDeletedAreNamedInTheFinalMessage) {
  InstallEverything();
  Undeletable kept1(data.Path("crmd_7")), kept2(places.settingsFile);
  if (!kept1.Works() || !kept2.Works()) GTEST_SKIP() << "this file system lets the test delete anything";
  RunDialog([](FakeSetupView& v) { v.Click(SetupControl::Button4); });
  ASSERT_EQ(view.messages.size(), 2u);
  const std::string& text = view.messages[1].text;
  // What is left, and nothing that says all went.
  EXPECT_EQ(text.rfind(ui::UninstallLeftText(places) + "\n\n", 0), 0u);
  EXPECT_EQ(text.find("全ての関連ファイルが削除されました"), std::string::npos);
#ifdef _WIN32
  const std::string name7 = data.Path("crmd_7"), nameIni = places.settingsFile;
#else
  const std::string name7 = sjis::FromUtf8(data.Path("crmd_7")), nameIni = sjis::FromUtf8(places.settingsFile);
#endif
  EXPECT_NE(text.find("次のファイルは削除できずに残っています"), std::string::npos);
  EXPECT_NE(text.find("\n" + name7), std::string::npos);
  EXPECT_NE(text.find("\n" + nameIni), std::string::npos);
  EXPECT_EQ(text.find("crmd_8"), std::string::npos);
  // Everything else went, the log included.
  EXPECT_EQ(data.EntryCount(), 1u);
  EXPECT_FALSE(platform::FileExists(places.debugLog));
  EXPECT_FALSE(view.Enabled(SetupControl::OKBtn));
}

TEST_F(Uninstall, DeleteReportsOnlyFilesThatStayed) {
  InstallEverything();
  const auto list = ui::BuildUninstallList(places.settingsFile);
  ASSERT_EQ(list.size(), 53u);
  EXPECT_EQ(list.back(), "corvane_kestor.ini");
  {
    Undeletable kept(places.debugLog);
    if (!kept.Works()) GTEST_SKIP() << "this file system lets the test delete anything";
    EXPECT_EQ(ui::DeleteInstalledFiles(list, places), std::vector<std::string>{places.debugLog});
  }
  EXPECT_TRUE(ui::DeleteInstalledFiles(list, places).empty());  // the log goes now; the rest is gone
  EXPECT_FALSE(platform::FileExists(places.debugLog));
}

TEST(UninstallMessage, ListsAtMostEightFilesThenTheirCount) {
  const ui::InstallPlaces places;
  EXPECT_EQ(ui::UninstallMessage(places, {}), ui::UninstallDoneText(places));
  std::vector<std::string> failed;
  for (int i = 0; i < 11; ++i) failed.push_back("file" + std::to_string(i));
  const std::string text = ui::UninstallMessage(places, failed);
  for (int i = 0; i < 8; ++i) EXPECT_NE(text.find("\nfile" + std::to_string(i)), std::string::npos) << i;
  EXPECT_EQ(text.find("file8"), std::string::npos);
  EXPECT_NE(text.find("ほか3個のファイル"), std::string::npos);
}

TEST(UninstallList, SettingsFileNameComesFromItsPath) {
#ifdef _WIN32
  EXPECT_EQ(ui::BuildUninstallList("C:\\WINDOWS\\system32\\corvane_kestor.ini").back(), "corvane_kestor.ini");
  // A trail byte of the value of '\\' inside a Shift-JIS folder name is not a separator.
  EXPECT_EQ(ui::BuildUninstallList("C:\\表\\k.ini").back(), "k.ini");
  EXPECT_EQ(ui::BuildUninstallList("C:\\x\\表.ini").back(), "表.ini");
#else
  EXPECT_EQ(ui::BuildUninstallList("/home/u/.config/corvane_kestor/corvane_kestor.ini").back(), "corvane_kestor.ini");
#endif
  EXPECT_EQ(ui::BuildUninstallList("plain.ini").back(), "plain.ini");
}

}  // namespace
