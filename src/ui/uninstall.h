// The uninstall of the settings dialog's "削除(&u)": the list of installed files, their deletion,
// and the final message: that all went, or which files stayed (and only that).
#pragma once

#include <string>
#include <vector>

#include "ui/install_texts.h"

namespace ui {

// uninstallList: the 52 data-file names in their order, then the settings file's name
// (corvane_kestor.ini for the installed saver).
std::vector<std::string> BuildUninstallList(const std::string& settingsFile);

// Deletes, in order, every file of `list` (the data files from the data folder, the last entry as
// the settings file) and then the debug log when it exists. A file that is not there counts as
// deleted. Returns the full paths of the files that are there and could not be deleted.
std::vector<std::string> DeleteInstalledFiles(const std::vector<std::string>& list, const InstallPlaces& places);

// The final message: UninstallDoneText when `notDeleted` is empty, else UninstallLeftText followed
// by those files (at most kListedFiles of them by name, then their count).
constexpr std::size_t kListedFiles = 8;
std::string UninstallMessage(const InstallPlaces& places, const std::vector<std::string>& notDeleted);

extern const char kUninstallQuestion[];  // the confirmation's text
extern const char kUninstallCaption[];   // its caption

}  // namespace ui
