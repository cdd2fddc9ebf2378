#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p; true when the folder is there afterwards.
bool MakeFolders(const std::string& folder) {
  for (std::size_t i = 1; i < folder.size(); ++i) {
    if (folder[i] == '/') {
      const std::string part = folder.substr(0, i);
      if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) break;
    }
  }
  return IsFolder(folder);
}

bool Absolute(const char* path) { return path && *path == '/'; }

// The account's home from the password database; empty when it has no entry or no absolute home.
std::string PasswordHome() {
  const long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 4096);
  struct passwd entry;
  struct passwd* found = nullptr;
  int rc;
  while ((rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (rc != 0 || !found || !Absolute(found->pw_dir)) return {};
  return found->pw_dir;
}

}  // namespace

std::string SettingsFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); Absolute(xdg)) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); Absolute(home)) {
    base = std::string(home) + "/.config";
  } else if (const std::string account = PasswordHome(); !account.empty()) {
    base = account + "/.config";
  } else {
    // No shared fallback (another account could read or plant the files there): nothing is kept.
    static bool told = false;
    if (!told) {
      told = true;
      std::fprintf(stderr,
                   "corvane_kestor: no home folder (HOME and XDG_CONFIG_HOME unset, no password entry for user %u): "
                   "the settings and the log are not written\n",
                   static_cast<unsigned>(getuid()));
    }
    return {};
  }
  if (base.back() != '/') base += '/';
  return base + "corvane_kestor/";
}

bool CreateSettingsFolder() {
  const std::string folder = SettingsFolder();
  return !folder.empty() && MakeFolders(folder);
}

bool SettingsNamedAfterProgram() { return false; }

std::string FileNamePart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

int SeekFile(std::FILE* file, std::int64_t offset, int whence) {
  return fseeko(file, static_cast<off_t>(offset), whence);
}

std::int64_t TellFile(std::FILE* file) { return static_cast<std::int64_t>(ftello(file)); }

}  // namespace platform
