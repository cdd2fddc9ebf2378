// The settings-file reader and writer (the Linux private-profile functions) on any file: the
// bytes go to a file, the saver's keys are read from it the way the screen-saver window reads
// them, then one key is written and read back.
//
// Input: byte 0 picks the key written (of the saver's keys) and its value (a number or a short
// text); the rest is the file.
// Properties: reading is repeatable and never changes the file; after a write that succeeds the
// key reads back as written, and every other key of the section reads as before (in a file
// without NUL bytes).
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "platform/profile.h"
#include "shell/settings.h"

namespace {

const char* const kKeys[] = {"mode",       "speed",  "fx",        "fy",        "fz",           "text_out",
                             "shadow",     "column", "font_name", "font_size", "font_charset", "font_color",
                             "font_style", "Mode",   "FX",        "x"};

// Made on first use and never destroyed: the exit handler that removes the file reads it after
// the static destructors of this file (registered later than the handler) have run.
const std::string& FilePath() {
  static const std::string* const path = [] {
    const char* tmp = std::getenv("TMPDIR");
    auto* p = new std::string(std::string(tmp && *tmp ? tmp : "/tmp") + "/kestor_fuzz_ini_" + std::to_string(getpid()) +
                              ".ini");
    std::atexit([] { std::remove(FilePath().c_str()); });
    return p;
  }();
  return *path;
}

std::string ReadFile(const std::string& path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  return bytes;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

std::vector<std::string> ReadAllKeys(const std::string& path) {
  std::vector<std::string> values;
  for (const char* key : kKeys) values.push_back(platform::ReadIniValue(path, shell::kSettingsSection, key, "none"));
  return values;
}

bool SameKey(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    const char x = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
    const char y = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = FilePath();
  const std::uint32_t control = fuzz::Byte(data, size, 0);
  WriteFile(path, size > 1 ? data + 1 : nullptr, size > 1 ? size - 1 : 0);
  const std::string before = ReadFile(path);

  // The window's read, twice: the same values, the file unchanged.
  const shell::StoredSettings first = shell::ReadSettings(shell::SettingsFile(path));
  const shell::StoredSettings second = shell::ReadSettings(shell::SettingsFile(path));
  FUZZ_CHECK(first.mode == second.mode && first.fx == second.fx && first.fontName == second.fontName);
  FUZZ_CHECK(first.mode >= 0 && first.mode <= 2);
  FUZZ_CHECK(first.speed >= shell::kMinSpeed && first.speed <= shell::kMaxSpeed);
  FUZZ_CHECK(first.column >= shell::kMinColumn && first.column <= shell::kMaxColumn);
  FUZZ_CHECK(first.fontSize >= shell::kMinFontSize && first.fontSize <= shell::kMaxFontSize);
  FUZZ_CHECK(ReadFile(path) == before);

  // One key written, then read back.
  const std::vector<std::string> old = ReadAllKeys(path);
  const std::size_t which = control % (sizeof kKeys / sizeof kKeys[0]);
  const char* key = kKeys[which];
  const std::string value =
      (control & 0x80) ? "v" + std::to_string(control) : std::to_string(-1 - static_cast<int>(control));
  // A key or value that a NUL byte cuts short is written back cut and then trimmed once more, as
  // Wine does: "k=ab \0x" reads "ab " before any write and "ab" after one, and " k \0=v" is no key
  // "k" before a write but one after it. In such a file only the absence of faults is checked.
  const bool nul = before.find('\0') != std::string::npos;
  if (platform::WriteIniValue(path, shell::kSettingsSection, key, value) && !nul) {
    const std::vector<std::string> now = ReadAllKeys(path);
    for (std::size_t i = 0; i < now.size(); ++i) FUZZ_CHECK(now[i] == (SameKey(kKeys[i], key) ? value : old[i]));
  }
  return 0;
}
