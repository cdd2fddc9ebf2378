// File-system seam: where the program, its settings and its log live, and the few file operations
// the system needs. Paths are byte strings in the platform's own file-name encoding (the ANSI code
// page on Windows, UTF-8 on Linux); the system's own file names are ASCII.
//
// Windows: the program folder is the folder of the running module; settings and log live there.
// Linux:   settings and log live in $XDG_CONFIG_HOME/corvane_kestor/ (default
//          $HOME/.config/corvane_kestor/, then the account's home from the password database),
//          created when a file is first written there.
#pragma once

#include <string>

namespace platform {

constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// Full path of the running program file.
std::string ProgramPath();

// Folder of the running program file, with a trailing separator.
std::string ProgramFolder();

// Folder of the settings file and the debug log, with a trailing separator. Finding it creates
// nothing. Linux: XDG_CONFIG_HOME and HOME count only as absolute paths; with neither, the
// account's home from the password database; with no home at all the result is empty (nothing
// can be kept, and the first such call says so on stderr).
std::string SettingsFolder();

// Creates SettingsFolder() with its parents where missing, for the writers of the settings file
// and the log; true when the folder exists afterwards. Windows: the program folder, already there.
bool CreateSettingsFolder();

bool FileExists(const std::string& path);

// Deletes a file; false when it did not exist or could not be deleted.
bool RemoveFile(const std::string& path);

}  // namespace platform
