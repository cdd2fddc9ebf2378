// File-system seam: where the program, its settings and its log live, and the few file operations
// the system needs. Paths are byte strings in the platform's own file-name encoding (the ANSI code
// page on Windows, UTF-8 on Linux); the system's own file names are ASCII.
//
// Windows: the program folder is the folder of the running module; settings and log live there.
// Linux:   settings and log live in $XDG_CONFIG_HOME/corvane_kestor/ (default
//          ~/.config/corvane_kestor/), created when first needed.
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

// Folder of the settings file and the debug log, with a trailing separator. On Linux the folder is
// created (with its parents) when it does not exist; a failure to create it is not reported here
// (the file operations that follow fail instead).
std::string SettingsFolder();

bool FileExists(const std::string& path);

// Deletes a file; false when it did not exist or could not be deleted.
bool RemoveFile(const std::string& path);

}  // namespace platform
