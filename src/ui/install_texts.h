// Where the installed saver's files are, and the texts that tell the user about them: the
// uninstall's final message and the read-me's lines on "削除". Each target names its own places
// (install_texts_win32.cpp, install_texts_linux.cpp): Windows the system folder and
// corvane_kestor.scr, whatever the paths; Linux the real folders and program of this run.
// All texts are Shift-JIS; the paths are the platform's (UTF-8 on Linux, converted here).
#pragma once

#include <string>
#include <vector>

namespace ui {

// Windows: all in the system folder for an installed saver (the settings file and the log live
// beside the program). Linux: the data folder, the settings folder and the program's own file.
struct InstallPlaces {
  std::string dataFolder;    // the 52 data files; with its trailing separator
  std::string settingsFile;  // full path of the settings file
  std::string debugLog;      // full path of the device layer's debug log
  std::string programFile;   // full path of the program (left for the user to delete)
};

// A path of `places` (or any path of the platform) as text of the system's messages.
std::string PathText(const std::string& path);

// The uninstall's final message when every file went.
std::string UninstallDoneText(const InstallPlaces& places);
// Its first paragraph when some files stayed: what the user deletes by hand, those files (listed
// after it) and the program.
std::string UninstallLeftText(const InstallPlaces& places);
// The read-me's lines under "　・削除": what the button deletes and what is left to the user.
std::vector<std::string> ReadmeRemovalLines(const InstallPlaces& places);

}  // namespace ui
