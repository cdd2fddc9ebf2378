#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/paths.h"

namespace platform {

std::string ProgramPath() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

namespace {
void MakeFolders(const std::string& folder) {
  for (std::size_t i = 1; i < folder.size(); ++i) {
    if (folder[i] == '/') {
      const std::string part = folder.substr(0, i);
      if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return;
    }
  }
}
}  // namespace

std::string SettingsFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  if (base.back() != '/') base += '/';
  const std::string folder = base + "corvane_kestor/";
  MakeFolders(folder);
  return folder;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

}  // namespace platform
