#include "dg/lbarc.h"

#include <gtest/gtest.h>

#include <random>

#include "unit/dg/archive_builder.h"
#include "unit/dg/scratch.h"
#include "platform/sjis.h"

#ifdef _WIN32
#include <windows.h>
#endif

using testarc::Bytes;
using testarc::Entry;

namespace {

std::unique_ptr<dg::TMemoryStream> StreamOf(const Bytes& bytes) {
  auto s = std::make_unique<dg::TMemoryStream>();
  s->WriteBuffer(bytes.data(), bytes.size());
  s->SetPosition(0);
  return s;
}

Bytes Contents(dg::TMemoryStream& s) { return Bytes(s.Memory(), s.Memory() + s.Size()); }

std::unique_ptr<dg::TMemoryStream> Read(const Bytes& archive, const std::string& id) {
  return dg::ReadArchiveEntry(*StreamOf(archive), id);
}

std::string ErrorOf(const Bytes& archive, const std::string& id) {
  try {
    Read(archive, id);
  } catch (const dg::ELBAError& e) {
    return e.what();
  }
  return "(no ELBAError)";
}

// A picture-like blob: long runs and repeated rows, so that pairs nest.
Bytes Compressible(std::size_t size, unsigned salt) {
  std::mt19937 rng(salt);
  Bytes out;
  while (out.size() < size) {
    const std::uint8_t v = static_cast<std::uint8_t>(rng() % 6 * 40);
    out.insert(out.end(), 1 + rng() % 40, v);
    if (rng() % 5 == 0) out.push_back(static_cast<std::uint8_t>(rng()));
  }
  out.resize(size);
  return out;
}

Bytes Block(std::initializer_list<std::uint8_t> table, const Bytes& data) {
  Bytes out(table);
  testarc::PutLe32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::unique_ptr<dg::TMemoryStream> Expand(const Bytes& packed, std::uint32_t size) {
  return dg::ExpandBytePairs(*StreamOf(packed), size);
}

}  // namespace

TEST(ArchiveLookup, IdsCompareWithoutCaseAndTheFirstRecordWins) {
  const Bytes archive = testarc::BuildArchive(false, {{"Body", {1, 2, 3}}, {"BODY", {4}}, {"Wheel", {5, 6}}});
  for (const char* id : {"Body", "BODY", "body"}) {
    auto s = Read(archive, id);
    EXPECT_EQ(Contents(*s), (Bytes{1, 2, 3})) << id;
    EXPECT_EQ(s->Position(), 0);
  }
  EXPECT_EQ(Contents(*Read(archive, "wHEEL")), (Bytes{5, 6}));
}

TEST(ArchiveLookup, EmptyIdMatchesOnlyAnEmptyRecordId) {
  Bytes archive = testarc::BuildArchive(false, {{"a", {1}}, {"", {2}}});
  EXPECT_EQ(Contents(*Read(archive, "")), (Bytes{2}));
  archive = testarc::BuildArchive(false, {{"a", {1}}});
  EXPECT_EQ(ErrorOf(archive, ""), "アーカイブ内には指定されたID '' を持つデータが見つかりません");
}

TEST(ArchiveLookup, MissingIdAndZeroOffsetReportTheIdAsGiven) {
  Bytes archive = testarc::BuildArchive(false, {{"tex", {1}}, {"TEX", {2}}});
  EXPECT_EQ(ErrorOf(archive, "Wheel"), "アーカイブ内には指定されたID 'Wheel' を持つデータが見つかりません");
  // The first matching record has offset 0: the lookup stops there and finds nothing.
  testarc::SetLe32(archive, testarc::RecordAt(0), 0);
  EXPECT_EQ(ErrorOf(archive, "Tex"), "アーカイブ内には指定されたID 'Tex' を持つデータが見つかりません");
}

TEST(ArchiveLookup, DoubleByteIdsKeepTheirTrailBytes) {
  // "ア" is 83 41: its trail byte must not be lowered to 0x61.
  const Bytes archive = testarc::BuildArchive(false, {{"ア", {1}}, {"\x83\x61", {2}}, {"ＡＢ", {3}}});
  EXPECT_EQ(Contents(*Read(archive, "ア")), (Bytes{1}));
  EXPECT_EQ(Contents(*Read(archive, "ａｂ")), (Bytes{3}));
  EXPECT_EQ(dg::AnsiLowerCase("AZaz@[ アＡＺΑΩАОЯⅠⅩ"), "azaz@[ アａｚαωаоя\xFA\x40\xFA\x49");
  // Characters with two codes come back with the one the system prefers: the NEC-selected IBM
  // kanji (rows ED, EE) as IBM codes, NEC row 13 symbols as their JIS codes.
  EXPECT_EQ(dg::AnsiLowerCase("\xED\x40\xED\x7E\xED\x80\xEE\xEC\x87\x90\xFA\x5B"),
            "\xFA\x5C\xFA\x9B\xFA\x9C\xFC\x4B\x81\xE0\x81\xE6");
  const Bytes kanji = testarc::BuildArchive(false, {{"\xED\x40", {9}}});
  EXPECT_EQ(Contents(*Read(kanji, "\xFA\x5C")), (Bytes{9}));
}

#ifdef _WIN32
// The mapping agrees with the system's own for every character of the code page.
TEST(ArchiveLookup, LowerCaseMatchesTheSystemMapping) {
  int checked = 0;
  for (unsigned code = 0x20; code <= 0xFCFC; ++code) {
    std::string s;
    if (code < 0x100) {
      if (sjis::IsLeadByte(static_cast<unsigned char>(code))) continue;
      s = std::string(1, static_cast<char>(code));
    } else {
      if (!sjis::IsLeadByte(static_cast<unsigned char>(code >> 8)) ||
          !sjis::IsTrailByte(static_cast<unsigned char>(code & 0xFF)))
        continue;
      s = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      wchar_t w[2];
      if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, s.data(), 2, w, 2) != 1) continue;
    }
    std::string system = s;
    CharLowerBuffA(system.data(), static_cast<DWORD>(system.size()));
    EXPECT_EQ(dg::AnsiLowerCase(s), system) << std::hex << code;
    if (system != s) ++checked;
  }
  EXPECT_GT(checked, 26 + 26 + 24 + 33);
}
#endif

TEST(ArchiveStored, EntriesComeBackByteForByte) {
  const Bytes big = Compressible(70000, 1);
  const Bytes archive = testarc::BuildArchive(false, {{"empty", {}}, {"big", big}});
  EXPECT_EQ(Read(archive, "empty")->Size(), 0);
  EXPECT_EQ(Contents(*Read(archive, "big")), big);
}

TEST(ArchivePacked, EncodedEntriesRoundTrip) {
  const Bytes picture = Compressible(50000, 2);
  Bytes text;
  for (int i = 0; i < 400; ++i) {
    const std::string line = "ボディ形状 " + std::to_string(i % 17) + " mm\r\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  const Bytes archive = testarc::BuildArchive(true, {{"picture", picture}, {"text", text}}, 3000);
  EXPECT_LT(archive.size(), 256 + 2 * 268 + (picture.size() + text.size()) / 2);  // really packed
  EXPECT_EQ(Contents(*Read(archive, "PICTURE")), picture);
  EXPECT_EQ(Contents(*Read(archive, "text")), text);
}

TEST(ArchivePacked, ThroughAFile) {
  const Bytes data = Compressible(9000, 3);
  const std::string path = scratch::Path("packed.lba");
  scratch::WriteAll(path, testarc::BuildArchive(true, {{"mesh", data}}));
  EXPECT_EQ(Contents(*dg::ReadArchiveFile(path, "Mesh")), data);
  EXPECT_THROW(dg::ReadArchiveFile(scratch::Path("missing.lba"), "mesh"), dg::EFOpenError);
}

TEST(BytePairs, AllLiteralTable) {
  // FF: 128 literals; 80: code 128 as its own literal; FE: the last 127 literals.
  const Bytes data = {0x00, 0x80, 0xFF, 0x41, 0x7F};
  EXPECT_EQ(Contents(*Expand(Block({0xFF, 0x80, 0xFE}, data), 5)), data);
}

TEST(BytePairs, ShortOutputKeepsTheFullSizeWithZeroTail) {
  auto s = Expand(Block({0xFF, 0x80, 0xFE}, {7, 8}), 5);
  EXPECT_EQ(Contents(*s), (Bytes{7, 8, 0, 0, 0}));
  EXPECT_EQ(s->Position(), 0);
}

TEST(BytePairs, EachBlockHasItsOwnTable) {
  // Block 1: code 0 = (1, 2), so 00 expands to 01 02. Block 2: all literals, 00 stays 00.
  Bytes packed = Block({0x00, 0x01, 0x02, 0xFF, 0x81, 0xFD}, {0x00, 0x03});
  const Bytes second = Block({0xFF, 0x80, 0xFE}, {0x00});
  packed.insert(packed.end(), second.begin(), second.end());
  EXPECT_EQ(Contents(*Expand(packed, 4)), (Bytes{1, 2, 3, 0}));
}

TEST(BytePairs, NestingThatFillsTheStackExactlyIsValid) {
  // Codes 1..255 each = (code - 1, 0): code 255 expands to 256 zero bytes with 256 waiting on the
  // stack at the deepest point.
  Bytes packed = {0x80, 0x00, 0x00};  // code 0 literal, code 1 = (0, 0)
  packed.push_back(0x7F);             // 128 pairs: codes 2..129
  for (int c = 2; c <= 129; ++c) packed.insert(packed.end(), {static_cast<std::uint8_t>(c - 1), 0});
  packed.push_back(0x7D);  // 126 pairs: codes 130..255
  for (int c = 130; c <= 255; ++c) packed.insert(packed.end(), {static_cast<std::uint8_t>(c - 1), 0});
  testarc::PutLe32(packed, 1);
  packed.push_back(0xFF);
  EXPECT_EQ(Contents(*Expand(packed, 256)), Bytes(256, 0));
}

// The output is measured from the blocks before it is made: a claimed size may add a zero tail no
// longer than the packed bytes, and deep nesting that really gives many bytes is taken.
TEST(BytePairs, TheOutputFollowsWhatTheBlocksGive) {
  const Bytes packed = Block({0xFF, 0x80, 0xFE}, {7, 8});  // 9 packed bytes giving 2
  EXPECT_EQ(Contents(*Expand(packed, 2 + 9)), (Bytes{7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_THROW(Expand(packed, 2 + 10), dg::ELBAError);
  EXPECT_THROW(Expand(Block({0xFF, 0x80, 0xFE}, Bytes(540, 0x41)), dg::kMaxUnpackedSize), dg::ELBAError);

  Bytes nested = {0x80, 0x00, 0x00, 0x12};  // code 0 literal, codes 1..20 = (code - 1, code - 1)
  for (int c = 2; c <= 20; ++c)
    nested.insert(nested.end(), {static_cast<std::uint8_t>(c - 1), static_cast<std::uint8_t>(c - 1)});
  nested.insert(nested.end(), {0xFF, 0x95, 0xE9});  // codes 21..148 skipped, 149 literal, 150..255 skipped
  testarc::PutLe32(nested, 1);
  nested.push_back(20);
  EXPECT_EQ(Contents(*Expand(nested, 1u << 20)), Bytes(1u << 20, 0));
}

TEST(BytePairs, InvalidPackedDataRaisesArchiveErrors) {
  const struct {
    const char* what;
    Bytes packed;
    std::uint32_t size;
  } cases[] = {
      // codes 1 = (2, 0) and 2 = (1, 0) expand into each other
      {"pair cycle overflows the stack", Block({0x80, 0x02, 0x00, 0x00, 0x01, 0x00, 0xFF, 0x83, 0xFB}, {0x01}), 1000},
      // code 1 = (0, 1) never ends
      {"self-repeating pair overflows the output", Block({0x80, 0x00, 0x01, 0xFF, 0x82, 0xFC}, {0x01}), 1000},
      {"more bytes than the size", Block({0xFF, 0x80, 0xFE}, {1, 2, 3}), 2},
      {"table ends early", {0x05, 0x01}, 10},
      {"literal skip past code 255", {0xFF, 0x80, 0xFF}, 10},
      {"pair run past code 255", {0xFF, 0x80, 0xF8, 0xFA, 0x10, 1, 2}, 10},
      {"length field cut short", {0xFF, 0x80, 0xFE, 0x01, 0x00}, 10},
      {"length beyond the data", {0xFF, 0x80, 0xFE, 3, 0, 0, 0, 1, 2}, 10},
      {"absurd unpacked size", Block({0xFF, 0x80, 0xFE}, {1}), 0xFFFFFFF0u},
  };
  for (const auto& c : cases) EXPECT_THROW(Expand(c.packed, c.size), dg::ELBAError) << c.what;
}

TEST(ArchiveMalformed, HeaderAndRecordFaults) {
  const Bytes good = testarc::BuildArchive(true, {{"a", Compressible(3000, 4)}});
  const std::size_t r = testarc::RecordAt(0);

  Bytes bad = good;
  bad[7] = '1';
  EXPECT_EQ(ErrorOf(bad, "a"), "Lantern Box Archiveの扱えるデータではありません");
  EXPECT_EQ(ErrorOf(Bytes(good.begin(), good.begin() + 100), "a"), "Lantern Box Archiveの扱えるデータではありません");

  const struct {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  } faults[] = {
      {"absurd entry count", 8, 0xFFFFFFFFu},
      {"count beyond the file", 8, static_cast<std::uint32_t>((good.size() - 256) / 268 + 1)},
      {"offset beyond the file", r, 0x7FFFFFF0u},
      {"stored size beyond the file", r + 4, 0x00100000u},
      {"offset plus size wraps", r, 0xFFFFFFFFu},
      {"absurd unpacked size", r + 8, 0xFFFFFFFFu},
      {"unpacked size far beyond the packed data", r + 8, dg::kMaxUnpackedSize},
  };
  for (const auto& f : faults) {
    bad = good;
    testarc::SetLe32(bad, f.at, f.value);
    EXPECT_THROW(Read(bad, "a"), dg::ELBAError) << f.what;
  }
  bad = testarc::BuildArchive(false, {{"a", {1, 2, 3}}});
  testarc::SetLe32(bad, r + 8, 1000);  // stored archive: the size is what is read
  EXPECT_THROW(Read(bad, "a"), dg::ELBAError);
}

TEST(ArchiveMalformed, EveryTruncationFailsCleanly) {
  const Bytes good = testarc::BuildArchive(true, {{"a", Compressible(2000, 5)}}, 500);
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW(Read(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)), "a"), dg::ELBAError) << n;
  }
}

TEST(ArchiveMalformed, CorruptedBytesNeverCrash) {
  const Bytes good = testarc::BuildArchive(true, {{"a", Compressible(2000, 6)}}, 700);
  std::mt19937 rng(7);
  int failures = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes bad = good;
    for (int k = 0; k < 3; ++k) {
      const std::size_t at = 256 + 268 + rng() % (bad.size() - 256 - 268);  // inside the packed data
      bad[at] = static_cast<std::uint8_t>(rng());
    }
    try {
      auto s = Read(bad, "a");
      EXPECT_EQ(s->Size(), 2000);  // when it decodes, it has the entry's size
    } catch (const dg::ELBAError&) {
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
}

TEST(ArchiveHeader, MagicAtBytesFourToSeven) {
  Bytes h(256, 0);
  EXPECT_FALSE(dg::IsArchiveHeader(h.data(), h.size()));
  std::copy_n("LBA0", 4, h.begin() + 4);
  EXPECT_TRUE(dg::IsArchiveHeader(h.data(), h.size()));
  EXPECT_FALSE(dg::IsArchiveHeader(h.data(), 7));
  std::copy_n("LBA0", 4, h.begin());
  h[4] = 'l';
  EXPECT_FALSE(dg::IsArchiveHeader(h.data(), h.size()));
}
