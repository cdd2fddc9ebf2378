// File-system seam: where the program, its settings and its log live, and the few file operations
// the system needs. Paths are byte strings in the platform's own file-name encoding (the ANSI code
// page on Windows, UTF-8 on Linux); the system's own file names are ASCII.
//
// Supported: the program's path and folder, the settings folder, a path's file name, file
// existence and deletion, 64-bit positions in C streams. Deliberately missing: folder listings,
// renaming, and opening files (the callers use C streams; the settings file goes through profile.h).
//
// Windows: the program folder is the folder of the running module; settings and log live there,
//          the settings file named after the program.
// Linux:   settings and log live in $XDG_CONFIG_HOME/corvane_kestor/ (default
//          $HOME/.config/corvane_kestor/, then the account's home from the password database),
//          created when a file is first written there.
#pragma once

#include <cstdint>
#include <cstdio>
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

// True where the settings file lives beside the program, named after it (Windows); false where it
// has a name of its own in SettingsFolder() (Linux).
bool SettingsNamedAfterProgram();

// The text after the last folder separator. Windows: '\\' or '/' in a Shift-JIS path (a trail byte
// is never a separator); Linux: '/'.
std::string FileNamePart(const std::string& path);

bool FileExists(const std::string& path);

// Deletes a file; false when it did not exist or could not be deleted.
bool RemoveFile(const std::string& path);

// fseek and ftell with 64-bit positions (long is 32 bits on Windows); the same answers otherwise.
int SeekFile(std::FILE* file, std::int64_t offset, int whence);
std::int64_t TellFile(std::FILE* file);

}  // namespace platform
