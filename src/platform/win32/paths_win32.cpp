#include <windows.h>

#include "platform/paths.h"

namespace platform {

std::string ProgramPath() {
  char buf[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
}

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  const auto sep = path.find_last_of("\\/");
  return sep == std::string::npos ? std::string(".\\") : path.substr(0, sep + 1);
}

std::string SettingsFolder() { return ProgramFolder(); }

bool CreateSettingsFolder() { return true; }

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace platform
