#include "dg/lbarc.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "dg/format.h"
#include "platform/sjis.h"

namespace dg {

namespace {

constexpr const char* kNotArchiveText = "Lantern Box Archiveの扱えるデータではありません";
constexpr const char* kNoEntryText = "アーカイブ内には指定されたID '%s' を持つデータが見つかりません";
constexpr const char* kBadTableText = "アーカイブのエントリ表がファイルの終わりを越えています";
constexpr const char* kBadEntryText = "アーカイブ内のID '%s' のデータは、ファイルの範囲を越えています";
constexpr const char* kTooLargeText = "アーカイブ内のID '%s' のデータは、大きすぎて展開できません";
constexpr const char* kBadPackingText = "圧縮データが壊れています";
constexpr const char* kNoMemoryText = "展開に必要なメモリを確保できません";

constexpr std::size_t kStackSize = 256;

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A new stream of `size` zero bytes, with allocation failures reported as archive errors.
std::unique_ptr<TMemoryStream> NewStream(std::uint32_t size) {
  auto stream = std::make_unique<TMemoryStream>();
  try {
    stream->SetSize(size);
  } catch (const EStreamError&) {
    throw ELBAError(kNoMemoryText);
  }
  return stream;
}

// Reads the packed bytes of one entry through its memory, with every read checked against the end.
class PackedReader {
 public:
  explicit PackedReader(TMemoryStream& source)
      : data_(source.Memory()),
        size_(static_cast<std::size_t>(source.Size())),
        pos_(static_cast<std::size_t>(source.Position())) {}
  ~PackedReader() = default;

  bool AtEnd() const { return pos_ >= size_; }
  std::size_t Left() const { return AtEnd() ? 0 : size_ - pos_; }

  std::uint8_t Byte() {
    if (AtEnd()) throw ELBAError(kBadPackingText);
    return data_[pos_++];
  }

  std::uint32_t Word32() {
    if (Left() < 4) throw ELBAError(kBadPackingText);
    const std::uint32_t v = Le32(data_ + pos_);
    pos_ += 4;
    return v;
  }

  std::size_t Position() const { return pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_;
};

// Reads one pair table: codes whose Left entry is the code itself are literals.
void ReadPairTable(PackedReader& in, std::uint8_t (&left)[256], std::uint8_t (&right)[256]) {
  for (int c = 0; c < 256; ++c) {
    left[c] = static_cast<std::uint8_t>(c);
    right[c] = 0;
  }
  int c = 0;
  while (c < 256) {
    int count = in.Byte();
    if (count > 127) {
      c += count - 127;
      count = 0;
      if (c > 256) throw ELBAError(kBadPackingText);
      if (c == 256) break;
    }
    if (c + count > 255) throw ELBAError(kBadPackingText);  // entries past code 255
    for (int i = 0; i <= count; ++i, ++c) {
      const std::uint8_t l = in.Byte();
      left[c] = l;
      if (l != c) right[c] = in.Byte();
    }
  }
}

// What each code of one block's pair table expands to, worked out before anything is written:
// the bytes it gives and the stack it needs on top of what already waits there. Pairs that expand
// into each other never end and are refused.
class PairMeasure {
 public:
  PairMeasure(const std::uint8_t (&left)[256], const std::uint8_t (&right)[256]) : left_(left), right_(right) {}

  std::uint64_t Length(std::uint8_t code) { return Measure(code).length; }
  std::size_t Stack(std::uint8_t code) { return Measure(code).stack; }

 private:
  struct Size {
    std::uint64_t length = 0;  // capped at kLengthCap
    std::size_t stack = 0;
  };
  static constexpr std::uint64_t kLengthCap = std::uint64_t{1} << 40;

  // Recursion stays within 256 levels: each level is a different code of the table.
  const Size& Measure(std::uint8_t code) {
    Size& s = sizes_[code];
    if (state_[code] == kDone) return s;
    if (state_[code] == kOpen) throw ELBAError(kBadPackingText);
    if (left_[code] == code) {
      s = {1, 0};
    } else {
      state_[code] = kOpen;
      const Size l = Measure(left_[code]);
      const Size r = Measure(right_[code]);
      // Both halves wait on the stack; the left is expanded above the right, then the right alone.
      s.length = std::min(l.length + r.length, kLengthCap);
      s.stack = std::max<std::size_t>({2, 1 + l.stack, r.stack});
    }
    state_[code] = kDone;
    return s;
  }

  enum State : std::uint8_t { kNew, kOpen, kDone };
  const std::uint8_t (&left_)[256];
  const std::uint8_t (&right_)[256];
  Size sizes_[256] = {};
  State state_[256] = {};
};

// Walks every block as the expansion will and returns the bytes they give; malformed blocks and
// more bytes than `size` raise ELBAError. Nothing is allocated.
std::uint64_t MeasureBlocks(TMemoryStream& source, std::uint32_t size) {
  PackedReader in(source);
  std::uint8_t left[256];
  std::uint8_t right[256];
  std::uint64_t total = 0;
  while (!in.AtEnd()) {
    ReadPairTable(in, left, right);
    const std::uint32_t n = in.Word32();
    if (n > in.Left()) throw ELBAError(kBadPackingText);
    PairMeasure measure(left, right);
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t code = in.Byte();
      if (measure.Stack(code) > kStackSize) throw ELBAError(kBadPackingText);
      total += measure.Length(code);
      if (total > size) throw ELBAError(kBadPackingText);  // more than the entry holds
    }
  }
  return total;
}

}  // namespace

bool IsArchiveHeader(const void* header, std::size_t size) {
  return size >= 8 && std::memcmp(static_cast<const std::uint8_t*>(header) + 4, "LBA0", 4) == 0;
}

namespace {

constexpr bool ValidTrail(unsigned t) { return (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC); }

// Position of a double-byte code among the valid codes from `first` on (trail 0x7F skipped).
unsigned CodeIndex(unsigned first, unsigned code) {
  unsigned index = 0;
  for (unsigned c = first; c < code; ++c) index += ValidTrail(c & 0xFF) ? 1 : 0;
  return index;
}

unsigned CodeAt(unsigned first, unsigned index) {
  unsigned c = first;
  for (;; ++c) {
    if (!ValidTrail(c & 0xFF)) continue;
    if (index-- == 0) return c;
  }
}

// One double-byte character as the system lowers it: the text goes to Unicode, is lowered there and
// comes back, so capitals become small letters and characters with two codes (NEC and IBM
// extensions) come back with the code the conversion prefers.
unsigned LowerDoubleByte(unsigned code) {
  struct Single {
    unsigned from, to;
  };
  static constexpr Single kSingles[] = {
      {0x8790, 0x81E0}, {0x8791, 0x81DF}, {0x8792, 0x81E7}, {0x8795, 0x81E3}, {0x8796, 0x81DB},
      {0x8797, 0x81DA}, {0x879A, 0x81E6}, {0x879B, 0x81BF}, {0x879C, 0x81BE}, {0xFA54, 0x81CA},
      {0xFA58, 0x878A}, {0xFA59, 0x8782}, {0xFA5A, 0x8784}, {0xFA5B, 0x81E6}, {0xEEF9, 0x81CA},
  };
  if (code >= 0x8260 && code <= 0x8279) return code + 0x21;  // full-width Latin capitals
  if (code >= 0x839F && code <= 0x83B6) return code + 0x20;  // Greek
  if (code >= 0x8440 && code <= 0x8460) {                    // Cyrillic; small letters skip 0x847F
    const unsigned k = code - 0x8440;
    return k < 15 ? 0x8470 + k : 0x8480 + (k - 15);
  }
  if (code >= 0x8754 && code <= 0x875D) return 0xFA40 + (code - 0x8754);  // Roman numerals
  if (code >= 0xFA4A && code <= 0xFA53) return 0xFA40 + (code - 0xFA4A);
  if (code >= 0xEEEF && code <= 0xEEF8) return 0xFA40 + (code - 0xEEEF);  // small Roman numerals
  if (code >= 0xEEFA && code <= 0xEEFC) return 0xFA55 + (code - 0xEEFA);
  if (code >= 0xED40 && code <= 0xEEEC) return CodeAt(0xFA5C, CodeIndex(0xED40, code));  // kanji
  for (const Single& s : kSingles) {
    if (s.from == code) return s.to;
  }
  return code;
}

}  // namespace

std::string AnsiLowerCase(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (!sjis::IsLeadByte(b)) {
      if (b >= 'A' && b <= 'Z') out[i] = static_cast<char>(b + ('a' - 'A'));
      continue;
    }
    if (i + 1 >= out.size()) break;
    const auto trail = static_cast<unsigned char>(out[i + 1]);
    if (ValidTrail(trail)) {
      const unsigned lower = LowerDoubleByte(static_cast<unsigned>(b) << 8 | trail);
      out[i] = static_cast<char>(lower >> 8);
      out[i + 1] = static_cast<char>(lower & 0xFF);
    }
    ++i;
  }
  return out;
}

std::unique_ptr<TMemoryStream> ExpandBytePairs(TMemoryStream& source, std::uint32_t size) {
  if (size > kMaxUnpackedSize) throw ELBAError(kBadPackingText);
  // The output is made only for what the blocks give: an entry claiming more keeps a zero tail,
  // but one no longer than its packed bytes, so that a damaged size cannot claim memory.
  const std::uint64_t produced = MeasureBlocks(source, size);
  const std::int64_t packedBytes = std::max<std::int64_t>(0, source.Size() - source.Position());
  if (size - produced > static_cast<std::uint64_t>(packedBytes)) throw ELBAError(kBadPackingText);
  auto result = NewStream(size);
  std::uint8_t* out = result->Memory();
  std::size_t written = 0;

  PackedReader in(source);
  std::uint8_t left[256];
  std::uint8_t right[256];
  std::uint8_t stack[kStackSize];
  while (!in.AtEnd()) {
    ReadPairTable(in, left, right);
    std::uint32_t n = in.Word32();
    if (n > in.Left()) throw ELBAError(kBadPackingText);
    std::size_t depth = 0;
    for (;;) {
      std::uint8_t code;
      if (depth > 0) {
        code = stack[--depth];
      } else if (n == 0) {
        break;
      } else {
        --n;
        code = in.Byte();
      }
      if (left[code] == code) {
        if (written >= size) throw ELBAError(kBadPackingText);  // more than the entry holds
        out[written++] = code;
      } else {
        if (depth + 2 > kStackSize) throw ELBAError(kBadPackingText);
        stack[depth++] = right[code];
        stack[depth++] = left[code];
      }
    }
  }
  source.SetPosition(static_cast<std::int64_t>(in.Position()));
  return result;
}

std::unique_ptr<TMemoryStream> ReadArchiveEntry(TStream& stream, const std::string& id) {
  const std::int64_t streamSize = stream.Size();
  std::uint8_t header[kArchiveHeaderSize];
  if (stream.Read(header, sizeof header) != sizeof header || !IsArchiveHeader(header, sizeof header)) {
    throw ELBAError(kNotArchiveText);
  }
  const std::uint32_t packed = Le32(header);
  const std::uint32_t count = Le32(header + 8);
  // The table must lie inside the stream, which also bounds the buffer below.
  const std::uint64_t tableBytes = static_cast<std::uint64_t>(count) * kArchiveRecordSize;
  if (streamSize < 0 || tableBytes > static_cast<std::uint64_t>(streamSize) - kArchiveHeaderSize) {
    throw ELBAError(kBadTableText);
  }
  std::vector<std::uint8_t> records;
  try {
    records.resize(static_cast<std::size_t>(tableBytes));
  } catch (const std::bad_alloc&) {
    throw ELBAError(kNoMemoryText);
  }
  if (stream.Read(records.data(), records.size()) != records.size()) throw ELBAError(kBadTableText);

  const std::string wanted = AnsiLowerCase(id);
  const std::uint8_t* found = nullptr;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* r = records.data() + static_cast<std::size_t>(i) * kArchiveRecordSize;
    const char* name = reinterpret_cast<const char*>(r + 12);
    const void* nul = std::memchr(name, 0, 256);  // an unterminated ID ends with its record
    const std::string recordId(name, nul ? static_cast<const char*>(nul) - name : 256);
    if (AnsiLowerCase(recordId) == wanted) {
      found = r;
      break;
    }
  }
  if (!found || Le32(found) == 0) throw ELBAError(Format(kNoEntryText, id.c_str()));

  const std::uint32_t offset = Le32(found);
  const std::uint32_t storedSize = Le32(found + 4);
  const std::uint32_t size = Le32(found + 8);
  const std::uint64_t bytes = packed == 1 ? storedSize : size;
  if (static_cast<std::uint64_t>(offset) + bytes > static_cast<std::uint64_t>(streamSize)) {
    throw ELBAError(Format(kBadEntryText, id.c_str()));
  }
  if (size > kMaxUnpackedSize) throw ELBAError(Format(kTooLargeText, id.c_str()));

  stream.SetPosition(offset);
  if (packed == 1) {
    TMemoryStream packedBytes;
    try {
      packedBytes.CopyFrom(stream, storedSize);
    } catch (const EStreamError&) {
      throw ELBAError(Format(kBadEntryText, id.c_str()));
    }
    packedBytes.SetPosition(0);
    return ExpandBytePairs(packedBytes, size);
  }
  auto result = NewStream(size);
  if (size != 0 && stream.Read(result->Memory(), size) != size) throw ELBAError(Format(kBadEntryText, id.c_str()));
  return result;
}

std::unique_ptr<TMemoryStream> ReadArchiveFile(const std::string& fileName, const std::string& id) {
  TFileStream file(fileName, FileMode::OpenRead);
  return ReadArchiveEntry(file, id);
}

}  // namespace dg
