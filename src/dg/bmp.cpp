#include "dg/bmp.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "dg/diagnostics.h"
#include "dg/pixels.h"

namespace dg {

namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreLe(std::uint8_t* p, std::uint32_t value, std::uint32_t bytes) {
  for (std::uint32_t i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

const char kReadError[] = "LoadBMP中に、読み込みエラーが発生しました";
const char kTooLargeText[] = "BMPの幅と高さがデータの大きさに見合いません";

bool SupportedSide(std::int32_t side) { return side > 0 && side <= kMaxBitmapSide; }

// Reads the headers at the stream's position and checks that this loader reads the picture into
// `format`; with a palette (8-bit pixels) reads it into `palette`. Leaves the stream at the first
// pixel row. False, logged here, when the picture cannot be read.
bool ReadPictureHeaders(TStream& stream, D3DFORMAT format, BitmapHeaders& h,
                        std::uint8_t (&palette)[kBitmapColorTableSize]) {
  const std::int64_t start = stream.Position();
  std::uint8_t headers[kBitmapFileHeaderSize + kBitmapInfoHeaderSize];
  if (stream.Read(headers, kBitmapFileHeaderSize) != kBitmapFileHeaderSize) {
    DebugLog("ビットマップの読みこみ中に、エラーが発生しました");
    return false;
  }
  if (Le16(headers) != kBitmapType) {
    DebugLog("不正なBMPファイルです");
    return false;
  }
  if (stream.Read(headers + kBitmapFileHeaderSize, kBitmapInfoHeaderSize) != kBitmapInfoHeaderSize) {
    DebugLog(kReadError);
    return false;
  }
  h = DecodeBitmapHeaders(headers);
  if (h.bitCount < 8 || h.bitCount > 32) {
    CheckResult(1, "色数が8ビット～32ビットの範囲のビットマップを、LoadBMPには指定してください");
    return false;
  }
  // Layouts this loader would misread: refused instead.
  if (h.bitCount % 8 != 0 || h.compression != 0 || h.infoSize < kBitmapInfoHeaderSize || !SupportedSide(h.width) ||
      !SupportedSide(h.height)) {
    CheckResult(1, kReadError);
    return false;
  }
  const std::uint32_t srcBpp = h.bitCount / 8u;
  if (format == D3DFMT_P8 && srcBpp > 1) {
    CheckResult(1, "8ビットパレット付きテクスチャに対して16ビット以上のBMPをロードする事は出来ません");
    return false;
  }
  if (srcBpp == 1) {
    // After the info header, whose length the header itself gives (40, 108, 124 bytes).
    const std::uint32_t tableBytes = ColorTableBytes(h);
    stream.SetPosition(start + ColorTableOffset(h));
    if (stream.Read(palette, tableBytes) != tableBytes) {
      DebugLog(kReadError);
      return false;
    }
  }
  stream.SetPosition(start + h.pixelOffset);
  return true;
}

// One source pixel of `srcBpp` bytes (1: an index into the palette's B, G, R, 0 entries) packed
// into `format`.
std::uint32_t ConvertPixel(const std::uint8_t* s, std::uint32_t srcBpp, const std::uint8_t* palette, D3DFORMAT format) {
  switch (srcBpp) {
    case 1: {
      const std::uint8_t* entry = palette + 4u * s[0];
      return PackColor(255, entry[2], entry[1], entry[0], format);
    }
    case 2: return PackARGB(BMP16ToARGB(Le16(s)), format);
    case 3: return PackColor(255, s[2], s[1], s[0], format);
    default: return PackARGB(Le32(s), format);
  }
}

// Copies the picture into the locked level; every failure is logged here.
void CopyPicture(TStream& stream, D3DFORMAT format, std::uint32_t dstBpp, UINT areaWidth, UINT areaHeight,
                 const D3DLOCKED_RECT& locked) {
  BitmapHeaders h;
  std::uint8_t palette[kBitmapColorTableSize] = {};  // entries the file does not give are black
  if (!ReadPictureHeaders(stream, format, h, palette)) return;
  const std::uint32_t srcBpp = h.bitCount / 8u;

  const auto width = static_cast<std::uint32_t>(h.width);
  const auto height = static_cast<std::uint32_t>(h.height);
  const std::uint32_t dstRow = (width * dstBpp + 3u) & ~3u;
  const std::uint32_t srcRow = (width * srcBpp + 3u) & ~3u;
  if (locked.Pitch <= 0) return;
  const auto pitch = static_cast<std::uint32_t>(locked.Pitch);
  // Only the picture's own columns: the row padding would overwrite pixels right of the picture.
  const std::uint32_t copy = std::min({pitch, dstRow, std::min<std::uint32_t>(areaWidth, width) * dstBpp});
  const std::uint32_t rows = std::min<std::uint32_t>(areaHeight, height);
  const std::uint32_t cols = std::min<std::uint32_t>(areaWidth, width);
  if (rows == 0) return;

  auto* target = static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(rows - 1) * pitch;
  // The bottom row comes first: rows that do not fit are dropped at the bottom.
  if (rows < height) stream.Seek(static_cast<std::int64_t>(height - rows) * srcRow, SeekOrigin::Current);

  std::vector<std::uint8_t> src(srcRow);
  std::vector<std::uint8_t> dst(dstRow, 0);
  for (std::uint32_t r = 0; r < rows; ++r) {
    if (stream.Read(src.data(), srcRow) != srcRow) {
      DebugLog(kReadError);
      return;
    }
    if (format == D3DFMT_P8) {
      std::memcpy(target, src.data(), copy);
    } else {
      const std::uint8_t* s = src.data();
      std::uint8_t* d = dst.data();
      for (std::uint32_t x = 0; x < cols; ++x, s += srcBpp, d += dstBpp) {
        StoreLe(d, ConvertPixel(s, srcBpp, palette, format), dstBpp);
      }
      std::memcpy(target, dst.data(), copy);
    }
    if (r + 1 < rows) target -= pitch;
  }
}

}  // namespace

BitmapHeaders DecodeBitmapHeaders(const std::uint8_t (&bytes)[kBitmapFileHeaderSize + kBitmapInfoHeaderSize]) {
  BitmapHeaders h;
  h.type = Le16(bytes);
  h.fileSize = Le32(bytes + 2);
  h.pixelOffset = Le32(bytes + 10);
  const std::uint8_t* info = bytes + kBitmapFileHeaderSize;
  h.infoSize = Le32(info);
  h.width = static_cast<std::int32_t>(Le32(info + 4));
  h.height = static_cast<std::int32_t>(Le32(info + 8));
  h.planes = Le16(info + 12);
  h.bitCount = Le16(info + 14);
  h.compression = Le32(info + 16);
  h.colorsUsed = Le32(info + 32);
  return h;
}

std::int64_t ColorTableOffset(const BitmapHeaders& h) {
  return static_cast<std::int64_t>(kBitmapFileHeaderSize) + h.infoSize;
}

std::uint32_t ColorTableBytes(const BitmapHeaders& h) {
  const std::uint32_t entries = h.colorsUsed == 0 || h.colorsUsed > 256 ? 256 : h.colorsUsed;
  return 4 * entries;
}

BitmapHeaders CheckBitmapStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  const std::int64_t available = stream.Size() - start;
  std::uint8_t bytes[kBitmapFileHeaderSize + kBitmapInfoHeaderSize];
  stream.ReadBuffer(bytes, sizeof bytes);
  const BitmapHeaders h = DecodeBitmapHeaders(bytes);
  if (!SupportedSide(h.width) || !SupportedSide(h.height)) {
    throw EBitmapError("BMPの幅か高さが範囲外です");
  }
  // A file LoadBMP refuses itself still sizes the texture, but only as large as its bytes could
  // fill at one byte per pixel: a few damaged header bytes must not ask for a gigabyte texture.
  const auto heldOrRefused = [&] {
    const std::int64_t pixels = static_cast<std::int64_t>(h.width) * h.height;
    if (pixels > available - static_cast<std::int64_t>(sizeof bytes)) throw EBitmapError(kTooLargeText);
    return h;
  };
  if (h.type != kBitmapType) return heldOrRefused();  // LoadBMP reports it
  if (h.compression != 0) throw EBitmapError("圧縮されたBMPは読み込めません");
  if (h.infoSize < kBitmapInfoHeaderSize) throw EBitmapError("BMPの情報ヘッダが短すぎます");
  if (h.bitCount < 8 || h.bitCount > 32) return heldOrRefused();  // LoadBMP reports it
  if (h.bitCount % 8 != 0) throw EBitmapError("BMPの色数が読み込めない値です");
  // Rows missing are a file cut short, which LoadBMP reads as far as it goes; a claim far beyond
  // the bytes held is a damaged size.
  const std::uint32_t srcBpp = h.bitCount / 8u;
  const std::int64_t held = available - static_cast<std::int64_t>(sizeof bytes);
  const std::int64_t rowBytes = (static_cast<std::int64_t>(h.width) * srcBpp + 3) & ~std::int64_t{3};
  if (rowBytes * h.height - held > std::max(held, kMaxMissingBitmapBytes)) throw EBitmapError(kTooLargeText);
  return h;
}

void LoadBMP(IDirect3DTexture9* texture, TStream& stream) {
  if (!texture) {
    CheckResult(1, "LoadBMP中にサーフェスがロックできませんでした");
    return;
  }
  D3DSURFACE_DESC desc;
  std::memset(&desc, 0, sizeof desc);
  if (texture->GetLevelDesc(0, &desc) != D3D_OK) std::memset(&desc, 0, sizeof desc);
  const std::uint32_t dstBpp = FormatBits(static_cast<std::uint32_t>(desc.Format)) / 8u;

  D3DLOCKED_RECT locked{};
  const HRESULT lockResult = texture->LockRect(0, &locked, nullptr, 0);
  CheckResult(lockResult, "LoadBMP中にサーフェスがロックできませんでした");
  if (lockResult != D3D_OK || !locked.pBits) return;  // nothing to copy into, nothing to unlock
  try {
    CopyPicture(stream, desc.Format, dstBpp, desc.Width, desc.Height, locked);
  } catch (const Exception&) {
    DebugLog(kReadError);
  } catch (const std::bad_alloc&) {
    DebugLog(kReadError);
  }
  CheckResult(texture->UnlockRect(0), "LoadBMP中にサーフェスがアンロックできませんでした");
}

}  // namespace dg
