// The private-profile functions on Linux, behaving as Wine's do under code page 932: the file is
// decoded to UTF-16 text (as Windows holds it), parsed into sections and entries, looked up, and,
// when a write changes something, written back whole from the parsed form.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/profile.h"
#include "platform/sjis.h"

namespace platform {
namespace {

using Text = std::u16string;

constexpr char16_t kUnmapped = 0x30FB;           // "・": what the code page gives for an invalid pair
constexpr char16_t kReplacement = 0xFFFD;        // an invalid UTF-8 sequence
constexpr std::size_t kLargestFile = 16u << 20;  // a larger file is treated as unreadable

// ---- Text conversion ----

// Single bytes that have no standard character; Windows maps them so that they round-trip.
struct ExtraSingle {
  unsigned char byte;
  char16_t code;
};
constexpr ExtraSingle kExtraSingles[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

char16_t ToBmp(char32_t c) { return c > 0xFFFF ? kUnmapped : static_cast<char16_t>(c); }

char16_t DecodeSingle(unsigned char b) {
  if (b < 0x80) return b;
  for (const auto& e : kExtraSingles) {
    if (e.byte == b) return e.code;
  }
  return ToBmp(sjis::CodeToUnicode(b));  // half-width katakana
}

enum class Origin { File, Caller };

// Shift-JIS to UTF-16. A lead byte takes the next byte with it whatever that is (CR and LF
// included) unless it is a NUL; a pair without a character reads as "・". A lead byte at the end
// of file text, or before a NUL, reads as "・"; at the end of a caller's string it is dropped.
Text DecodeAnsi(std::string_view in, Origin origin) {
  Text out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (!sjis::IsLeadByte(b)) {
      out.push_back(DecodeSingle(b));
      ++i;
    } else if (i + 1 < in.size() && in[i + 1] != '\0') {
      out.push_back(ToBmp(sjis::CodeToUnicode(b * 256u + static_cast<unsigned char>(in[i + 1]))));
      i += 2;
    } else {
      if (origin == Origin::File) out.push_back(kUnmapped);
      ++i;
    }
  }
  return out;
}

// A caller's string as the C functions see it: up to its first NUL.
Text DecodeCaller(const std::string& s) { return DecodeAnsi(std::string_view(s.c_str()), Origin::Caller); }

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// UTF-16 to Shift-JIS; a character the code page lacks becomes '?', one per UTF-16 unit.
std::string EncodeAnsi(const Text& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    bool extra = false;
    for (const auto& e : kExtraSingles) {
      if (e.code == c) {
        out.push_back(static_cast<char>(e.byte));
        extra = true;
        break;
      }
    }
    if (extra) continue;
    if (IsSurrogate(c)) {
      out.push_back('?');
      continue;
    }
    std::string utf8;
    sjis::AppendUtf8(utf8, c);
    out += sjis::FromUtf8(utf8);
  }
  return out;
}

Text DecodeUtf8(std::string_view in) {
  Text out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    std::size_t more;
    char32_t c, least;
    if ((b & 0xE0) == 0xC0) {
      more = 1, c = b & 0x1F, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      more = 2, c = b & 0x0F, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      more = 3, c = b & 0x07, least = 0x10000;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k <= more && i + k < in.size() && (static_cast<unsigned char>(in[i + k]) & 0xC0) == 0x80; ++k) {
      c = (c << 6) | (static_cast<unsigned char>(in[i + k]) & 0x3F);
    }
    i += k;
    if (k <= more || c < least || c > 0x10FFFF || IsSurrogate(c)) {
      out.push_back(kReplacement);
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string EncodeUtf8(const Text& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsSurrogate(c)) {
      c = kReplacement;
    }
    sjis::AppendUtf8(out, c);
  }
  return out;
}

Text DecodeUtf16(std::string_view in, bool bigEndian) {
  Text out;
  out.reserve(in.size() / 2);
  for (std::size_t i = 0; i + 1 < in.size(); i += 2) {
    const unsigned lo = static_cast<unsigned char>(in[bigEndian ? i + 1 : i]);
    const unsigned hi = static_cast<unsigned char>(in[bigEndian ? i : i + 1]);
    out.push_back(static_cast<char16_t>(hi << 8 | lo));
  }
  return out;
}

std::string EncodeUtf16(const Text& text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char16_t c : text) {
    const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
  }
  return out;
}

// ---- The parsed file ----

enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct Entry {
  Text key;
  Text value;
  bool hasValue = false;  // false for a line without '=' (comments included)
};

struct Section {
  Text name;  // empty in sections[0]: written without a header line
  std::vector<Entry> entries;
};

struct Document {
  Encoding encoding = Encoding::Ansi;
  std::vector<Section> sections;  // [0] holds the lines before the first header
};

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeMark[] = "\xFF\xFE";
constexpr char kUtf16BeMark[] = "\xFE\xFF";

bool IsBlank(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x1A; }

Text TrimLeading(const Text& s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

Text Trim(const Text& s) {
  Text t = TrimLeading(s);
  while (!t.empty() && IsBlank(t.back())) t.pop_back();
  return t;
}

void CutAtNul(Text& s) {
  const auto nul = s.find(u'\0');
  if (nul != Text::npos) s.resize(nul);
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

bool SameName(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

void ParseLine(Document& doc, const Text& raw) {
  const Text line = Trim(raw);
  if (line.empty()) return;
  if (line[0] == u'[') {
    const auto close = line.rfind(u']');
    if (close != Text::npos) {
      Section s;
      s.name = Trim(line.substr(1, close - 1));
      CutAtNul(s.name);
      doc.sections.push_back(std::move(s));
      return;
    }
  }
  Entry e;
  const auto eq = line.find(u'=');
  if (eq == Text::npos) {
    e.key = line;
  } else {
    e.key = Trim(line.substr(0, eq));
    e.value = Trim(line.substr(eq + 1));
    e.hasValue = true;
  }
  CutAtNul(e.key);
  CutAtNul(e.value);
  doc.sections.back().entries.push_back(std::move(e));
}

Document Parse(std::string_view bytes) {
  Document doc;
  Text text;
  if (bytes.substr(0, 3) == kUtf8Mark) {
    doc.encoding = Encoding::Utf8;
    text = DecodeUtf8(bytes.substr(3));
  } else if (bytes.substr(0, 2) == kUtf16LeMark) {
    doc.encoding = Encoding::Utf16Le;
    text = DecodeUtf16(bytes.substr(2), false);
  } else if (bytes.substr(0, 2) == kUtf16BeMark) {
    doc.encoding = Encoding::Utf16Be;
    text = DecodeUtf16(bytes.substr(2), true);
  } else {
    text = DecodeAnsi(bytes, Origin::File);
  }
  doc.sections.emplace_back();
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
      ParseLine(doc, text.substr(start, i - start));
      start = i + 1;
    }
  }
  return doc;
}

std::string Serialize(const Document& doc) {
  Text text;
  for (const Section& s : doc.sections) {
    // A later "[]" keeps its header: without it its keys would join the section above.
    if (&s != &doc.sections.front()) text += u"[" + s.name + u"]\r\n";
    for (const Entry& e : s.entries) {
      text += e.key;
      if (e.hasValue) text += u"=" + e.value;
      text += u"\r\n";
    }
  }
  switch (doc.encoding) {
    case Encoding::Utf8: return kUtf8Mark + EncodeUtf8(text);
    case Encoding::Utf16Le: return kUtf16LeMark + EncodeUtf16(text, false);
    case Encoding::Utf16Be: return kUtf16BeMark + EncodeUtf16(text, true);
    case Encoding::Ansi: break;
  }
  // Dropped blank lines or blanks can bring the bytes FF FE or FE FF to the front; such a file
  // would come back as UTF-16 and lose every key. A leading line end keeps it a Shift-JIS file
  // (Wine writes the bytes as they are and loses the file on the next read). EF BB is no
  // character of the code page, so a UTF-8 mark cannot come about.
  std::string bytes = EncodeAnsi(text);
  const std::string_view start(bytes);
  if (start.substr(0, 2) == kUtf16LeMark || start.substr(0, 2) == kUtf16BeMark) {
    bytes.insert(0, "\r\n");
  }
  return bytes;
}

// The first section whose name matches `query` (trimmed), or null.
Section* FindSection(Document& doc, const Text& query) {
  const Text name = Trim(query);
  for (Section& s : doc.sections) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

Entry* FindEntry(Section& section, const Text& query) {
  const Text key = Trim(query);
  for (Entry& e : section.entries) {
    if (SameName(e.key, key)) return &e;
  }
  return nullptr;
}

// ---- Files ----

// Reads an open file whole; false on a read error or a file too large to be a settings file.
bool ReadAll(int fd, std::string* out) {
  out->clear();
  char buf[8192];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (out->size() + static_cast<std::size_t>(n) > kLargestFile) return false;
    out->append(buf, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The file's bytes for a read; false when it cannot be read (missing, a folder, unreadable).
bool LoadForRead(const std::string& path, std::string* bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
  if (fd < 0) return false;
  struct stat st;
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, bytes);
  close(fd);
  return ok;
}

// Replaces the file's content. The bytes go to a new file beside it that is then moved over the
// old one, so a full disk leaves the old file whole; only where the folder denies new files is the
// file rewritten in place. `old` is the existing file's status, or null for a new file.
bool StoreFile(const std::string& path, const std::string& bytes, const struct stat* old) {
  std::string target = path;
  struct stat link;
  if (old && lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const std::string temp = target + ".~" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    bool ok = WriteAll(fd, bytes);
    if (ok && old) {
      ok = fchmod(fd, old->st_mode & 07777) == 0;
      if (fchown(fd, old->st_uid, old->st_gid) != 0) {
        // Keeping the owner needs privileges; the file then belongs to the writer.
      }
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
  }
  if (errno != EACCES && errno != EPERM) return false;  // a full disk must not reach the old file
  fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, bytes);
  return close(fd) == 0 && ok;
}

}  // namespace

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue) {
  Text fallback = DecodeCaller(defaultValue);
  while (!fallback.empty() && fallback.back() == u' ') fallback.pop_back();

  std::string bytes;
  if (!LoadForRead(file, &bytes)) return EncodeAnsi(fallback);
  Document doc = Parse(bytes);
  Section* s = FindSection(doc, DecodeCaller(section));
  const Entry* e = s ? FindEntry(*s, DecodeCaller(key)) : nullptr;
  if (!e || !e->hasValue) return EncodeAnsi(fallback);

  const Text& v = e->value;
  if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) {
    return EncodeAnsi(v.substr(1, v.size() - 2));
  }
  return EncodeAnsi(v);
}

bool WriteIniValues(const std::string& file, const std::string& section, const IniValues& values) {
  const Text sectionName = TrimLeading(DecodeCaller(section));

  // An existing file must be readable and writable, even when nothing changes in it.
  Document doc;
  struct stat st;
  const int fd = open(file.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  const bool exists = fd >= 0;
  if (exists) {
    std::string bytes;
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, &bytes);
    close(fd);
    if (!ok) return false;
    doc = Parse(bytes);
  } else {
    if (errno != ENOENT) return false;  // read-only, a folder, a file where a folder should be
    doc.sections.emplace_back();
  }

  // Every value into the parsed file, each read back as the next write would read the file, then
  // one rewrite: all of them reach the file, or none.
  std::string bytes;
  bool changed = false;
  for (const auto& [key, value] : values) {
    const Text keyName = TrimLeading(DecodeCaller(key));
    const Text newValue = TrimLeading(DecodeCaller(value));
    if (Section* s = FindSection(doc, sectionName)) {
      if (Entry* e = FindEntry(*s, keyName)) {
        if (e->hasValue && e->value == newValue) continue;
        e->value = newValue;
        e->hasValue = true;
      } else {
        s->entries.push_back(Entry{keyName, newValue, true});
      }
    } else {
      doc.sections.push_back(Section{sectionName, {Entry{keyName, newValue, true}}});
    }
    bytes = Serialize(doc);
    doc = Parse(bytes);
    changed = true;
  }
  return !changed || StoreFile(file, bytes, exists ? &st : nullptr);
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WriteIniValues(file, section, {{key, value}});
}

}  // namespace platform
