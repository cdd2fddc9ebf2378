// The Windows texts: the installed saver is corvane_kestor.scr and its files in the system folder,
// wherever this copy runs from.
#include "ui/install_texts.h"

namespace ui {

std::string PathText(const std::string& path) { return path; }  // ANSI, the code page of the texts

std::string UninstallDoneText(const InstallPlaces&) {
  return "全ての関連ファイルが削除されました。設定ダイアログを閉じた後、システム・フォルダから[corvane_kestor.scr]"
         "を削除して下さい。";
}

std::string UninstallLeftText(const InstallPlaces&) {
  return "次のファイルは削除できずに残っています。設定ダイアログを閉じた後、これらのファイルと、システム・フォルダの["
         "corvane_kestor.scr]を削除して下さい。";
}

std::vector<std::string> ReadmeRemovalLines(const InstallPlaces&) {
  return {
      "　　関連するファイルをすべて削除します。",
      "　　実行中のプログラムは自分自身を削除できないため、",
      "　　設定ダイアログを閉じた後、システム・フォルダから",
      "　　[corvane_kestor.scr] を削除して下さい。",
  };
}

}  // namespace ui
