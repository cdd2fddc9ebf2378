// Test helpers: scratch files in a folder below the test's working directory (the build folder,
// so that builds running their tests at the same time never share files), on both targets.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace scratch {

// "<cwd>/dg_scratch/<name>", the folder created on first use; relative, so Wine maps it too.
inline std::string Path(const std::string& name) {
  std::filesystem::create_directories("dg_scratch");
  return "dg_scratch/" + name;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  WriteAll(path, std::string(bytes.begin(), bytes.end()));
}

inline void Remove(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

}  // namespace scratch
