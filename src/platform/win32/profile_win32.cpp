// Private-profile functions of Windows: the seam is a thin wrapper. A value that fills the buffer
// may have been cut, so the read is repeated with a buffer twice as large. Several values at once
// go into a copy of the file that then replaces it, so that a write that fails part of the way
// leaves the file as it was.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/profile.h"

namespace platform {

namespace {
constexpr DWORD kFirstBuffer = 256;
constexpr DWORD kLargestBuffer = 64u << 20;  // longer values are returned cut to this size
}  // namespace

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue) {
  std::vector<char> buf(kFirstBuffer);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buf.size());
    const DWORD n =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buf.data(), size, file.c_str());
    // n == size - 1 means the value may have been cut.
    if (n + 1 < size || size >= kLargestBuffer) return std::string(buf.data(), n < size ? n : size - 1);
    buf.resize(static_cast<std::size_t>(size) * 2);
  }
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool WriteIniValues(const std::string& file, const std::string& section, const IniValues& values) {
  if (values.empty()) return true;
  const auto writeAll = [&](const std::string& target) {
    for (const auto& [key, value] : values) {
      if (!WriteIniValue(target, section, key, value)) return false;
    }
    return true;
  };
  const DWORD attributes = GetFileAttributesA(file.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    // The file must take writes (a read-only file, a folder or a locked file does not).
    const HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
  }
  const std::string copy = file + ".~" + std::to_string(GetCurrentProcessId());
  DeleteFileA(copy.c_str());
  if (exists && !CopyFileA(file.c_str(), copy.c_str(), FALSE)) {
    return writeAll(file);  // the folder takes no new file: in place, the file known to take writes
  }
  if (exists) SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!writeAll(copy) || !MoveFileExA(copy.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(copy.c_str());
    return false;
  }
  if (exists) SetFileAttributesA(file.c_str(), attributes);
  return true;
}

}  // namespace platform
