// Settings-file seam: the private-profile (INI) functions, reduced to what the system calls: read
// one value as a string, write one string value. Windows: GetPrivateProfileStringA and
// WritePrivateProfileStringA. Linux: the project's own reader/writer with the same observable
// behaviour as Wine's implementation of those two functions under code page 932.
//
// All strings are Shift-JIS byte strings; a string stops at its first NUL byte, as a C string
// does. `file` should be a full path (a bare name means the Windows folder on Windows and the
// current folder on Linux). No handle is kept between calls: every call reads the file as it is
// on disk now, and a write rewrites it at once.
//
// The rules both implementations follow (they are what a Windows program observes):
//  - Section and key names are matched case-insensitively (ASCII letters only) after trimming
//    blanks (space, tab, CR, LF, VT, FF, 0x1A) from both ends; the first matching section and,
//    in it, the first matching key win. Lines before the first "[section]" line form the section
//    with the empty name.
//  - Lines are trimmed; "[name]" (the text up to the last ']') starts a section; otherwise the
//    key is the text before the first '=' and the value the text after it, both trimmed. A line
//    without '=' (a ";comment", say) is a key without a value.
//  - Line ends may be CR LF, LF or CR. A file that starts with a UTF-8 or UTF-16 byte-order mark
//    is read and written in that encoding; any other file is Shift-JIS, whose characters pass
//    unchanged (invalid byte pairs read as "・").
//  - Missing files, sections and keys are not errors; nothing is ever reported.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// The value of `key` in `section`, with one pair of matching outer quotes (' or ") removed.
// A key with an empty value gives "". A missing file, section or key, and a key without a value,
// give `defaultValue` with its trailing spaces removed.
std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue);

// Sets `key` in `section` to `value` (leading blanks of the three are dropped; nothing is escaped,
// so a CR or LF in `value` splits the line). A new key goes to the end of the first matching
// section, a new section to the end of the file; the file is created when missing. An existing
// key keeps the file's spelling. A value equal to the stored one leaves the file untouched.
// Any real change rewrites the whole file: CR LF line ends, blanks around '=' and blank lines
// dropped, everything else (order, comments, other sections) kept. False when the file cannot be
// written (a read-only file, a missing folder, a folder of that name, a new file in a folder that
// takes none); the file is then unchanged.
bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value);

// Several keys of one section, each as WriteIniValue sets it, in order, and all or nothing: true
// when every value is in the file, false when the file cannot be written, and the file is then
// unchanged. Linux changes the parsed file and writes it once. Windows writes the values into a
// copy beside the file and moves the copy over it; only where the folder takes no new file are
// they written into the file itself, once it has been opened for writing (as Linux rewrites a file
// in place there).
using IniValues = std::vector<std::pair<std::string, std::string>>;  // key, value
bool WriteIniValues(const std::string& file, const std::string& section, const IniValues& values);

}  // namespace platform
