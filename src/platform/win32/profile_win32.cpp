// Private-profile functions of Windows: the seam is a thin wrapper. A value that fills the buffer
// may have been cut, so the read is repeated with a buffer twice as large.
#include <windows.h>

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
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buf.data(),
                                             size, file.c_str());
    // n == size - 1 means the value may have been cut.
    if (n + 1 < size || size >= kLargestBuffer) return std::string(buf.data(), n < size ? n : size - 1);
    buf.resize(static_cast<std::size_t>(size) * 2);
  }
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

}  // namespace platform
