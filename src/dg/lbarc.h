// Reader of "Lantern Box Archive" resource files: named entries, stored as they are or packed with
// byte pair encoding.
//
// File layout (32-bit little-endian integers): packing flag (1 = every entry packed), magic "LBA0",
// entry count, 244 reserved bytes; at offset 256 the records of 268 bytes (data offset, stored size,
// unpacked size, 256-byte zero-terminated ID); the entry data anywhere after them.
//
// Every routine returns a new TMemoryStream at position 0 that the caller owns. Malformed input
// never crashes and never allocates without bound: it raises ELBAError. That covers a header or
// record table cut short, data offsets and sizes outside the stream, an unpacked size above
// kMaxUnpackedSize, a pair table or data block running past the packed bytes, pairs nesting deeper
// than the 256-byte expansion stack or expanding into each other, blocks producing more bytes than
// the entry's size, and an entry's size that exceeds what its blocks produce by more than its
// packed bytes. Packed data is measured before the output is made, so memory follows the bytes the
// blocks really give. File streams raise their own open errors (EFOpenError) unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dg/exception.h"
#include "dg/stream.h"

namespace dg {

class ELBAError : public Exception {
 public:
  using Exception::Exception;
};

constexpr std::size_t kArchiveHeaderSize = 256;
constexpr std::size_t kArchiveRecordSize = 268;
// Largest unpacked entry accepted (256 MiB): far above any texture or mesh the loaders take.
constexpr std::uint32_t kMaxUnpackedSize = 0x10000000u;

// Opens `fileName` read-only and reads entry `id` from it.
std::unique_ptr<TMemoryStream> ReadArchiveFile(const std::string& fileName, const std::string& id);

// Reads entry `id` (compared without regard to letter case, by the ANSI code page's lower-case
// mapping) from an archive whose first byte is at position 0 of `stream`. The first record with
// that ID decides; a record whose data offset is 0 counts as no record.
std::unique_ptr<TMemoryStream> ReadArchiveEntry(TStream& stream, const std::string& id);

// Expands the packed blocks from `source`'s position to its end into a stream of exactly `size`
// bytes; bytes the blocks do not reach are zero (at most as many as the packed bytes).
std::unique_ptr<TMemoryStream> ExpandBytePairs(TMemoryStream& source, std::uint32_t size);

// True when `size` >= 8 and bytes 4..7 of `header` are "LBA0".
bool IsArchiveHeader(const void* header, std::size_t size);

// The ANSI lower-case mapping of code page 932 used for the IDs, as the system applies it (through
// Unicode): ASCII letters and the double-byte Latin, Greek and Cyrillic capitals and Roman numerals
// become small, and characters with two codes (NEC and IBM extensions) take the code the system
// converts them back to. Bytes that do not form a character are kept.
std::string AnsiLowerCase(const std::string& text);

}  // namespace dg
