// BMP reading for textures: the loader that copies a picture into level 0 of a texture, and the
// check the texture's loaders make before they size a texture from a file's header.
//
// What is read: uncompressed (BI_RGB) bottom-up BMPs of 8 bits (with a colour table of up to 256
// entries: biClrUsed of them, 256 when it is 0, right after the info header), 16 bits (X1R5G5B5
// words), 24 bits (blue, green, red) and 32 bits (an ARGB value per pixel), rows padded to 4 bytes.
// The info header may be longer than 40 bytes (BITMAPV4HEADER 108, BITMAPV5HEADER 124); only its
// first 40 bytes are read. Top-down pictures (negative height), compressed ones (RLE, bit fields),
// bit counts that are not a multiple of 8 and info headers shorter than 40 bytes are refused.
// Offsets in the file are from the first byte of its file header.
//
// A file cut short (colour table or rows missing) is loaded as far as it goes: LoadBMP logs its
// read error and the rows read stay. Its header is believed only in proportion to the bytes held,
// so that a damaged size cannot turn a small file into a large texture.
#pragma once

#include <cstdint>

#include "dg/exception.h"
#include "dg/stream.h"
#include "platform/d3d.h"

namespace dg {

// A bitmap the texture loaders refuse before they size a texture from it.
class EBitmapError : public Exception {
 public:
  using Exception::Exception;
};

// Largest width and height taken from a file (pixels); far above any device's texture limit.
constexpr std::int32_t kMaxBitmapSide = 32768;

constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr std::uint32_t kBitmapFileHeaderSize = 14;
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::uint32_t kBitmapColorTableSize = 1024;  // 256 entries of blue, green, red, reserved
// Bytes of picture rows a file cut short may lack whatever it holds (more when it holds more).
constexpr std::int64_t kMaxMissingBitmapBytes = 1 << 20;

struct BitmapHeaders {
  std::uint16_t type = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t pixelOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;  // biClrUsed
};

// Byte offset of the colour table (right after the info header) and its length in bytes.
std::int64_t ColorTableOffset(const BitmapHeaders& h);
std::uint32_t ColorTableBytes(const BitmapHeaders& h);

// Decodes the 54 bytes of the file and info headers.
BitmapHeaders DecodeBitmapHeaders(const std::uint8_t (&bytes)[kBitmapFileHeaderSize + kBitmapInfoHeaderSize]);

// Reads both headers from the stream's position (the first byte of the file header) and checks,
// against the bytes the stream really holds, what a texture loader needs before it sizes a texture:
// width and height in 1..kMaxBitmapSide always; for a "BM" file also no compression, a bit count
// that is a multiple of 8 where it lies in 8..32, an info header of at least 40 bytes, and, for the
// bit counts LoadBMP reads, rows that lack at most the larger of kMaxMissingBitmapBytes and the
// bytes after the headers (a file cut short passes; LoadBMP reads what is there). Throws
// EReadError for a stream too short for the headers and EBitmapError for the rest. Other types and
// bit counts outside 8..32 pass (LoadBMP reports them itself) when the bytes after the headers are
// at least width x height. The position is left after the headers.
BitmapHeaders CheckBitmapStream(TStream& stream);

// Copies the BMP at the stream's position into level 0 of `texture`, converting each row into the
// level's format; rows that do not fit are dropped at the bottom, columns at the right. Failures
// are logged (read errors and a wrong type as plain lines, unsupported bitmaps and lock failures
// through CheckResult) and leave the rest of the level as it was; nothing is thrown.
void LoadBMP(IDirect3DTexture9* texture, TStream& stream);

}  // namespace dg
