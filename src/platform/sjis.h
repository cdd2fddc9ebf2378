// Shift-JIS (code page 932) byte classification and conversion.
//
// All texts of the system are Shift-JIS byte strings: lengths are byte lengths, and a double-byte
// character is a lead byte (0x81-0x9F, 0xE0-0xFC) followed by a trail byte (0x40-0x7E, 0x80-0xFC).
// Conversion to Unicode is for the platform calls that want it (GTK, FreeType, fontconfig); it is
// implemented per platform (iconv on Linux, MultiByteToWideChar on Windows).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sjis {

enum class ByteKind { Single, Lead, Trail };

// Value ranges of the code page.
constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Kind of the byte at 0-based `index` of `text`, found by walking the string from its start: a byte
// with a lead-byte value starts a double-byte character (also as the last byte of the string) and
// the byte after it is its trail byte, whatever its value. An index at or past the end is Single.
ByteKind Classify(std::string_view text, std::size_t index);

// Number of characters (a double-byte character counts once).
std::size_t CharCount(std::string_view text);

// Conversions. Bytes that do not form a valid character become U+30FB (as GDI shows them);
// a character that the code page cannot express becomes '?'.
std::u32string ToUtf32(std::string_view text);
std::string ToUtf8(std::string_view text);
std::string FromUtf8(std::string_view utf8);

// Appends the UTF-8 bytes (one to four) of code point `c`; `c` is not checked (a surrogate or a
// value past U+10FFFF is written in the same pattern).
void AppendUtf8(std::string& out, char32_t c);

// Unicode code point of one character code (a byte, or lead * 256 + trail); 0x30FB when the code
// does not map.
char32_t CodeToUnicode(unsigned code);

// The bytes of one character code (a byte, or lead * 256 + trail) into `bytes`: two for a code
// above 0xFF (lead first), else one. Returns how many.
std::size_t CodeBytes(unsigned code, char bytes[2]);

}  // namespace sjis
