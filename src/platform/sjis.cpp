#include "platform/sjis.h"

namespace sjis {

ByteKind Classify(std::string_view text, std::size_t index) {
  if (index >= text.size()) return ByteKind::Single;
  std::size_t i = 0;
  while (i < index) {
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  if (i > index) return ByteKind::Trail;
  return IsLeadByte(static_cast<unsigned char>(text[index])) ? ByteKind::Lead : ByteKind::Single;
}

std::size_t CharCount(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++n) {
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return n;
}

std::size_t CodeBytes(unsigned code, char bytes[2]) {
  if (code > 0xFF) {
    bytes[0] = static_cast<char>(code >> 8);
    bytes[1] = static_cast<char>(code & 0xFF);
    return 2;
  }
  bytes[0] = static_cast<char>(code);
  return 1;
}

std::u32string ToUtf32(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < text.size()) {
      out.push_back(CodeToUnicode(b * 256u + static_cast<unsigned char>(text[i + 1])));
      i += 2;
    } else {
      out.push_back(CodeToUnicode(b));
      i += 1;
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2);
  for (char32_t c : ToUtf32(text)) AppendUtf8(out, c);
  return out;
}

}  // namespace sjis
