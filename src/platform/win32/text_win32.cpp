// Shift-JIS <-> Unicode on Windows through the system's code page 932 tables.
#include <windows.h>

#include "platform/sjis.h"

namespace sjis {

char32_t CodeToUnicode(unsigned code) {
  char in[2];
  const int inLen = static_cast<int>(CodeBytes(code, in));
  wchar_t out[2];
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, inLen, out, 2);
  if (n != 1) return 0x30FB;
  return static_cast<char32_t>(out[0]);
}

std::string FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int wlen = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(wlen), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], wlen);
  const int len = WideCharToMultiByte(932, 0, w.data(), wlen, nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(932, 0, w.data(), wlen, &out[0], len, "?", nullptr);
  return out;
}

}  // namespace sjis
