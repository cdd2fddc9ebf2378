// The call record of the test service libraries (PASSWORD.CPL, MPR.DLL): one line per call,
// appended to the file named by the environment variable KESTOR_SERVICE_LOG (a Windows path), or
// to kestor_services.log beside the library. The file is opened and closed for every line, so
// that the test can read it while the saver runs and so that calls in successive loads of the
// library (the saver loads and unloads it each time) can be counted.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace service_record {

inline std::string Path(HMODULE self) {
  char buf[MAX_PATH + 1] = {};
  const DWORD n = GetEnvironmentVariableA("KESTOR_SERVICE_LOG", buf, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return std::string(buf, n);
  const DWORD m = GetModuleFileNameA(self, buf, MAX_PATH);
  std::string path(buf, m);
  const auto sep = path.find_last_of("\\/");
  return (sep == std::string::npos ? std::string() : path.substr(0, sep + 1)) + "kestor_services.log";
}

// Lines in the record so far (0 when there is none).
inline int Count(HMODULE self) {
  std::FILE* f = std::fopen(Path(self).c_str(), "rb");
  if (!f) return 0;
  int lines = 0;
  for (int c; (c = std::fgetc(f)) != EOF;) lines += c == '\n';
  std::fclose(f);
  return lines;
}

inline void Append(HMODULE self, const std::string& line) {
  if (std::FILE* f = std::fopen(Path(self).c_str(), "ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

inline HMODULE Self() {
  HMODULE m = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Self), &m);
  return m;
}

}  // namespace service_record
