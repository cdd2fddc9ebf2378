// Golden logs: a produced log compared with a file in tests/golden/, on both targets.
//
// A golden file is UTF-8, one log line per line (without the log's "#00001 | " numbering), each
// ended by LF; the log's lines are Shift-JIS and are converted before the comparison. A golden
// line may hold fields "{NAME}": a text the test gives (an adapter's name) or a regular expression
// (a number the implementation estimates). On a difference the result lists the lines around the
// first one that differs, "-" for the golden file and "+" for the log.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sjis.h"

namespace golden {

struct Fields {
  std::map<std::string, std::string> texts;     // "{NAME}" stands for this text (Shift-JIS)
  std::map<std::string, std::string> patterns;  // "{NAME}" matches this regular expression
};

inline std::string Path(const std::string& name) { return std::string(KESTOR_GOLDEN_DIR) + "/" + name; }

// The lines of a golden file; false when it cannot be read.
inline bool Read(const std::string& name, std::vector<std::string>* lines) {
  std::ifstream in(Path(name), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) lines->push_back(line);
  return true;
}

namespace detail {

inline std::string Escaped(const std::string& text) {
  static const std::string special = R"(\^$.|?*+()[]{})";
  std::string out;
  for (char c : text) {
    if (special.find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

// Whether the log line (UTF-8) is what the golden line says, its fields filled in.
inline bool LineMatches(std::string want, const std::string& got, const Fields& fields) {
  for (const auto& [name, text] : fields.texts) {
    const std::string field = "{" + name + "}", utf8 = sjis::ToUtf8(text);
    for (std::size_t at = want.find(field); at != std::string::npos; at = want.find(field, at + utf8.size()))
      want.replace(at, field.size(), utf8);
  }
  bool patterned = false;
  std::string expression = Escaped(want);
  for (const auto& [name, pattern] : fields.patterns) {
    const std::string field = Escaped("{" + name + "}");
    for (std::size_t at = expression.find(field); at != std::string::npos;
         at = expression.find(field, at + pattern.size() + 2)) {
      expression.replace(at, field.size(), "(" + pattern + ")");
      patterned = true;
    }
  }
  return patterned ? std::regex_match(got, std::regex(expression)) : got == want;
}

}  // namespace detail

// Success when `log` (Shift-JIS lines) reads as tests/golden/<name>.
inline ::testing::AssertionResult MatchesLog(const std::vector<std::string>& log, const std::string& name,
                                             const Fields& fields = {}) {
  std::vector<std::string> want;
  if (!Read(name, &want)) return ::testing::AssertionFailure() << "cannot read the golden file " << Path(name);
  std::vector<std::string> got;
  for (const std::string& line : log) got.push_back(sjis::ToUtf8(line));
  std::size_t first = 0;
  while (first < want.size() && first < got.size() && detail::LineMatches(want[first], got[first], fields)) ++first;
  if (first == want.size() && first == got.size()) return ::testing::AssertionSuccess();

  std::ostringstream diff;
  diff << "the log differs from " << Path(name) << " (" << want.size() << " lines) at line " << first + 1 << " of "
       << got.size() << ":\n";
  const std::size_t from = first > 3 ? first - 3 : 0;
  for (std::size_t i = from; i < first; ++i) diff << "  " << got[i] << "\n";
  const std::size_t shown = 8;
  for (std::size_t i = first; i < std::min(want.size(), first + shown); ++i) diff << "- " << want[i] << "\n";
  for (std::size_t i = first; i < std::min(got.size(), first + shown); ++i) diff << "+ " << got[i] << "\n";
  return ::testing::AssertionFailure() << diff.str();
}

}  // namespace golden
