// The resource archive reader on any bytes: ReadArchiveEntry for an ID taken from the input, and
// ExpandBytePairs on the same bytes as one packed entry.
//
// Input: byte 0 = length L of the wanted ID (mod 32), the next L bytes the ID, two bytes of an
// unpacked size (for the direct expansion), then the archive bytes.
// Properties: an entry read is at position 0 and holds exactly its record's unpacked size; an
// expansion holds exactly the size asked for; failures are ELBAError only.
#include <cstring>
#include <string>

#include "dg/lbarc.h"
#include "fuzz/harness.h"

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The unpacked size of the first record whose ID equals `id` the reader's way, or nothing.
bool RecordSize(const std::uint8_t* archive, std::size_t size, const std::string& id, std::uint32_t* out) {
  if (size < dg::kArchiveHeaderSize) return false;
  const std::uint32_t count = Le32(archive + 8);
  const std::string wanted = dg::AnsiLowerCase(id);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t at = dg::kArchiveHeaderSize + i * dg::kArchiveRecordSize;
    if (at + dg::kArchiveRecordSize > size) return false;
    const char* name = reinterpret_cast<const char*>(archive + at + 12);
    const void* nul = std::memchr(name, 0, 256);
    const std::string recordId(name, nul ? static_cast<const char*>(nul) - name : 256);
    if (dg::AnsiLowerCase(recordId) == wanted) {
      *out = Le32(archive + at + 8);
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ArmDiagnostics();
  std::size_t at = 0;
  const std::size_t idLength = fuzz::Byte(data, size, at++) % 32;
  std::string id;
  for (std::size_t i = 0; i < idLength && at < size; ++i) id.push_back(static_cast<char>(data[at++]));
  const std::uint32_t expandSize = fuzz::Byte(data, size, at) | fuzz::Byte(data, size, at + 1) << 8;
  at += 2;
  const std::uint8_t* archive = at < size ? data + at : nullptr;
  const std::size_t archiveSize = at < size ? size - at : 0;

  dg::TMemoryStream stream;
  if (archiveSize) stream.Write(archive, archiveSize);
  stream.SetPosition(0);
  try {
    std::unique_ptr<dg::TMemoryStream> entry = dg::ReadArchiveEntry(stream, id);
    FUZZ_CHECK(entry != nullptr);
    FUZZ_CHECK(entry->Position() == 0);
    std::uint32_t expected = 0;
    FUZZ_CHECK(RecordSize(archive, archiveSize, id, &expected));
    FUZZ_CHECK(entry->Size() == static_cast<std::int64_t>(expected));
  } catch (const dg::ELBAError&) {
  }
  FUZZ_CHECK(dg::IsArchiveHeader(archive ? archive : data, archiveSize) ==
             (archiveSize >= 8 && std::memcmp(archive + 4, "LBA0", 4) == 0));

  // The same bytes as one packed entry.
  stream.SetPosition(0);
  try {
    std::unique_ptr<dg::TMemoryStream> out = dg::ExpandBytePairs(stream, expandSize);
    FUZZ_CHECK(out != nullptr);
    FUZZ_CHECK(out->Size() == static_cast<std::int64_t>(expandSize));
    FUZZ_CHECK(out->Position() == 0);
  } catch (const dg::ELBAError&) {
  }
  return 0;
}
