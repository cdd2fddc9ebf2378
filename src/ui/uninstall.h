// The uninstall of the settings dialog's "削除(&u)": the list of installed files, their deletion,
// and the final message, which names every file that exists and could not be deleted.
#pragma once

#include <string>
#include <vector>

namespace ui {

// Where the installed files are. Windows: all in the system folder for an installed saver (the
// settings file and the log live beside the program). Linux: the data folder and the settings
// folder.
struct InstallPlaces {
  std::string dataFolder;    // the 52 data files; with its trailing separator
  std::string settingsFile;  // full path of the settings file
  std::string debugLog;      // full path of the device layer's debug log
};

// uninstallList: the 52 data-file names in their order, then the settings file's name
// (corvane_kestor.ini for the installed saver).
std::vector<std::string> BuildUninstallList(const std::string& settingsFile);

// Deletes, in order, every file of `list` (the data files from the data folder, the last entry as
// the settings file) and then the debug log when it exists. A file that is not there counts as
// deleted. Returns the full paths of the files that are there and could not be deleted.
std::vector<std::string> DeleteInstalledFiles(const std::vector<std::string>& list, const InstallPlaces& places);

// The final message; with `notDeleted` not empty, the same message followed by those files (at most
// kListedFiles of them by name, then their count).
constexpr std::size_t kListedFiles = 8;
std::string UninstallMessage(const std::vector<std::string>& notDeleted);

extern const char kUninstallQuestion[];  // the confirmation's text
extern const char kUninstallCaption[];   // its caption
extern const char kUninstallDone[];      // the final message as it stands when all went

}  // namespace ui
