#include <windows.h>

#include "platform/paths.h"
#include "platform/sjis.h"

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

bool SettingsNamedAfterProgram() { return true; }

std::string FileNamePart(const std::string& path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (sjis::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/') start = i + 1;
  }
  return path.substr(start);
}

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

int SeekFile(std::FILE* file, std::int64_t offset, int whence) { return _fseeki64(file, offset, whence); }

std::int64_t TellFile(std::FILE* file) { return _ftelli64(file); }

}  // namespace platform
