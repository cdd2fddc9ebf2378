// Test helpers: a debug log of its own per test, read back as lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dg/diagnostics.h"
#include "unit/dg/scratch.h"

namespace testlog {

// Starts the diagnostics afresh with the log going to dg_scratch/<test name>.log.
inline std::string Begin() {
  const std::string path =
      scratch::Path(std::string(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) + "." +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log");
  scratch::Remove(path);
  dg::ResetDiagnostics();
  dg::SetLogFilePathOverride(path);
  return path;
}

inline void End() {
  dg::ResetDiagnostics();
  dg::SetLogFilePathOverride("");
}

// The log's lines without their "#00001 | " prefix; the numbers must run 1, 2, 3, ... and every
// line must end in CR LF.
inline std::vector<std::string> Lines(const std::string& path) {
  const std::string text = scratch::ReadAll(path);
  std::vector<std::string> lines;
  std::size_t at = 0;
  int number = 1;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line without CR LF: " << text.substr(at);
      break;
    }
    const std::string line = text.substr(at, end - at);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "#%.5d | ", number++);
    if (line.compare(0, std::string(prefix).size(), prefix) != 0) {
      ADD_FAILURE() << "line " << number - 1 << " is numbered wrongly: " << line;
      lines.push_back(line);
    } else {
      lines.push_back(line.substr(std::string(prefix).size()));
    }
    at = end + 2;
  }
  return lines;
}

// True when `lines` holds `wanted` as a contiguous run.
inline bool ContainsRun(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  if (wanted.size() > lines.size()) return false;
  for (std::size_t i = 0; i + wanted.size() <= lines.size(); ++i) {
    bool all = true;
    for (std::size_t j = 0; j < wanted.size() && all; ++j) all = lines[i + j] == wanted[j];
    if (all) return true;
  }
  return false;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

}  // namespace testlog
