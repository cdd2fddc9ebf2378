#include "ui/uninstall.h"

#include <cstdio>

#include "platform/paths.h"
#include "shell/datafiles.h"

namespace ui {

const char kUninstallQuestion[] = "「corvane KESTOR」を削除します。よろしいですか？";
const char kUninstallCaption[] = "確認";

namespace {

// Deletes `path`; false only when the file is there and stays there.
bool Delete(const std::string& path) {
  if (!platform::FileExists(path)) return true;
  platform::RemoveFile(path);
  return !platform::FileExists(path);
}

}  // namespace

std::vector<std::string> BuildUninstallList(const std::string& settingsFile) {
  std::vector<std::string> list = shell::DataFileNames();
  list.push_back(platform::FileNamePart(settingsFile));
  return list;
}

std::vector<std::string> DeleteInstalledFiles(const std::vector<std::string>& list, const InstallPlaces& places) {
  std::vector<std::string> failed;
  const std::size_t dataCount = list.empty() ? 0 : list.size() - 1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    // The folder is asked for afresh for every file; the last entry is the settings file.
    const std::string path = i < dataCount ? places.dataFolder + list[i] : places.settingsFile;
    if (!Delete(path)) failed.push_back(path);
  }
  if (!places.debugLog.empty() && !Delete(places.debugLog)) failed.push_back(places.debugLog);
  return failed;
}

std::string UninstallMessage(const InstallPlaces& places, const std::vector<std::string>& notDeleted) {
  if (notDeleted.empty()) return UninstallDoneText(places);
  std::string text = UninstallLeftText(places) + "\n";
  for (std::size_t i = 0; i < notDeleted.size() && i < kListedFiles; ++i) text += "\n" + PathText(notDeleted[i]);
  if (notDeleted.size() > kListedFiles) {
    char more[64];
    std::snprintf(more, sizeof more, "\nほか%u個のファイル", static_cast<unsigned>(notDeleted.size() - kListedFiles));
    text += more;
  }
  return text;
}

}  // namespace ui
