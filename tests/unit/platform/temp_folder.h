// Test helpers for tests that work on real files: a fresh folder under the system's temporary
// folder, removed with everything in it when the helper goes; whole-file byte reads and writes;
// and the read-only switch of the platform (mode bits on Linux, the attribute on Windows).
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testutil {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const auto p = std::filesystem::temp_directory_path() / ("kestor-test-" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) {
        path_ = p;
        return;
      }
    }
    throw std::runtime_error("cannot create a temporary folder");
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, with a trailing separator.
  std::string Folder() const { return (path_ / "").string(); }
  // A path inside the folder.
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  // Number of entries in the folder.
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
  }

 private:
  std::filesystem::path path_;
};

// The file's bytes, or nothing when there is no such file.
inline std::optional<std::string> ReadBytes(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline void SetReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
  chmod(path.c_str(), readOnly ? 0444 : 0644);
#endif
}

// Whether this process may open the file for writing. A privileged process (root on Linux, and
// Wine run as root) may write a read-only file; tests of read-only files expect what this says.
inline bool CanOpenForWriting(const std::string& path) {
#ifdef _WIN32
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
#else
  const int fd = open(path.c_str(), O_WRONLY);
  if (fd < 0) return false;
  close(fd);
  return true;
#endif
}

}  // namespace testutil
