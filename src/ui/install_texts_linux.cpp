// The Linux texts: the program (<prefix>/bin/corvane_kestor), its data folder
// (<prefix>/share/corvane_kestor/) and the settings folder (~/.config/corvane_kestor/) as this run
// found them. A package's files are removed with the package manager.
#include "ui/install_texts.h"

#include "platform/sjis.h"

namespace ui {

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

constexpr char kPackageNote[] = "パッケージでインストールした場合は、パッケージ管理ツールで削除して下さい。";

}  // namespace

std::string PathText(const std::string& path) { return sjis::FromUtf8(path); }

std::string UninstallDoneText(const InstallPlaces& places) {
  return "全ての関連ファイルが削除されました。設定ダイアログを閉じた後、プログラム[" + PathText(places.programFile) +
         "]とデータのフォルダ[" + PathText(places.dataFolder) + "]を削除して下さい。" + kPackageNote;
}

std::string UninstallLeftText(const InstallPlaces& places) {
  return "次のファイルは削除できずに残っています。設定ダイアログを閉じた後、これらのファイルと、プログラム[" +
         PathText(places.programFile) + "]、データのフォルダ[" + PathText(places.dataFolder) + "]を削除して下さい。" +
         kPackageNote;
}

std::vector<std::string> ReadmeRemovalLines(const InstallPlaces& places) {
  return {
      "　　次のフォルダの関連ファイルをすべて削除します。",
      "　　　" + PathText(places.dataFolder),
      "　　　" + PathText(FolderOf(places.settingsFile)),
      "　　実行中のプログラムは自分自身を削除できないため、",
      "　　設定ダイアログを閉じた後、プログラム",
      "　　　" + PathText(places.programFile),
      "　　を、パッケージ管理ツールで、または直接削除して下さい。",
  };
}

}  // namespace ui
