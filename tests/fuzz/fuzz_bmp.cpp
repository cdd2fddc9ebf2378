// The bitmap loaders on any bytes: TDGTexture::LoadFromStream (the texture sized from the file's
// header) or LoadBMP into a texture of a fixed size, in one of the formats the device layer packs,
// on a recording device with or without the power-of-two and square-only limits; then, for a
// texture loaded from the stream, the snapshot a device re-creation takes and restores.
//
// Input: byte 0 picks the format (low 4 bits), the caps (bit 4 POW2, bit 5 SQUAREONLY) and the
// pool (bit 6: default instead of managed); byte 1 picks LoadBMP into a fixed texture (bit 7) of
// (1 + bits 0..2) x (1 + bits 3..5) * 3 pixels; the rest is the BMP file.
// Properties: a texture the stream sized has the header's size, a fixed one keeps its texture and
// size; the picture changes level 0 only inside the area it reaches (its width and height within
// the surface); in an A8R8G8B8 or X8R8G8B8 level, a complete uncompressed picture of 8 (colour
// table after the info header, biClrUsed entries), 24 or 32 bits gives exactly its pixels; a
// managed texture of those formats comes back from the release and rebuild with the same level 0
// bytes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "dg/bmp.h"
#include "dg/stream.h"
#include "dg/texture.h"
#include "fuzz/harness.h"

namespace {

constexpr D3DFORMAT kFormats[16] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R8G8B8,   D3DFMT_R5G6B5,
                                    D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8,
                                    D3DFMT_A8,       D3DFMT_P8,       D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,
                                    D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_A4R4G4B4};

void SetCaps(fuzz::Device& device, std::uint32_t control) {
  DWORD textureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  if (control & 0x10) textureCaps |= D3DPTEXTURECAPS_POW2;
  if (control & 0x20) textureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
  device.D3D().caps.TextureCaps = textureCaps;
  auto* dev = static_cast<d3d9rec::RecordingDevice*>(device.Carad().Device());
  dev->caps.TextureCaps = textureCaps;
  device.D3D().textureFormats.insert(D3DFMT_P8);
  device.D3D().textureFormats.insert(D3DFMT_R8G8B8);
}

// Level 0 of the texture, row by row over its surface.
std::vector<std::uint8_t> Level0(dg::TDGTexture& texture) {
  std::vector<std::uint8_t> bytes;
  if (!texture.Texture()) return bytes;
  const D3DLOCKED_RECT r = texture.LockRect(0, nullptr, D3DLOCK_READONLY);
  if (r.pBits) {
    const std::size_t row = static_cast<std::size_t>(texture.SurfaceWidth()) * texture.BytesPerPixel();
    for (UINT y = 0; y < texture.SurfaceHeight(); ++y) {
      const auto* p = static_cast<const std::uint8_t*>(r.pBits) + static_cast<std::size_t>(y) * r.Pitch;
      bytes.insert(bytes.end(), p, p + row);
    }
  }
  texture.UnlockRect();
  return bytes;
}

std::uint32_t Le(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// The picture in a file as the harness reads it itself: its size from the header (0 without one),
// and, for a complete uncompressed picture of 8, 24 or 32 bits, its pixels.
struct Picture {
  std::int64_t width = 0, height = 0;
  bool known = false;
  const std::uint8_t* file = nullptr;
  std::uint64_t offset = 0, row = 0, info = 0, entries = 0;
  std::uint32_t bits = 0;

  // Pixel (x, y), top row 0, as ARGB.
  std::uint32_t Argb(UINT x, UINT y) const {
    const std::uint8_t* p =
        file + offset + row * static_cast<std::uint64_t>(height - 1 - y) + std::uint64_t{x} * (bits / 8);
    if (bits == 8) return 0xFF000000u | (p[0] < entries ? Le(file + 14 + info + 4 * p[0], 3) : 0);
    return bits == 24 ? 0xFF000000u | Le(p, 3) : Le(p, 4);
  }
};

Picture ReadPicture(const std::uint8_t* file, std::size_t size) {
  Picture pic;
  if (size < dg::kBitmapFileHeaderSize + dg::kBitmapInfoHeaderSize) return pic;
  pic.file = file;
  pic.width = static_cast<std::int32_t>(Le(file + 18, 4));
  pic.height = static_cast<std::int32_t>(Le(file + 22, 4));
  pic.offset = Le(file + 10, 4);
  pic.info = Le(file + 14, 4);
  pic.bits = Le(file + 28, 2);
  const std::uint32_t used = Le(file + 46, 4);
  pic.entries = used == 0 || used > 256 ? 256 : used;
  if (Le(file, 2) != dg::kBitmapType || Le(file + 30, 4) != 0 || pic.info < 40 || pic.width <= 0 || pic.height <= 0 ||
      pic.width > dg::kMaxBitmapSide || pic.height > dg::kMaxBitmapSide ||
      (pic.bits != 8 && pic.bits != 24 && pic.bits != 32)) {
    return pic;
  }
  pic.row = (static_cast<std::uint64_t>(pic.width) * (pic.bits / 8) + 3) & ~std::uint64_t{3};
  pic.known = pic.offset + pic.row * static_cast<std::uint64_t>(pic.height) <= size &&
              (pic.bits != 8 || 14 + pic.info + 4 * pic.entries <= size);
  return pic;
}

// Level 0 after a load against level 0 before it: unchanged outside the area the picture reaches,
// and the picture's own pixels where the harness can work them out.
void CheckPicture(dg::TDGTexture& texture, const std::vector<std::uint8_t>& before, const std::uint8_t* file,
                  std::size_t size, D3DFORMAT format) {
  const std::vector<std::uint8_t> after = Level0(texture);
  if (before.empty() || after.size() != before.size()) return;  // a level that cannot be read back
  const Picture pic = ReadPicture(file, size);
  const UINT bpp = texture.BytesPerPixel();
  const auto reachW = static_cast<UINT>(std::clamp<std::int64_t>(pic.width, 0, texture.SurfaceWidth()));
  const auto reachH = static_cast<UINT>(std::clamp<std::int64_t>(pic.height, 0, texture.SurfaceHeight()));
  const std::size_t rowBytes = static_cast<std::size_t>(texture.SurfaceWidth()) * bpp;
  for (UINT y = 0; y < texture.SurfaceHeight(); ++y) {
    const std::size_t from = y * rowBytes + (y < reachH ? std::size_t{reachW} * bpp : 0);
    FUZZ_CHECK(std::memcmp(after.data() + from, before.data() + from, (y + 1) * rowBytes - from) == 0);
  }
  if (!pic.known || texture.Format() != format || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) return;
  const std::uint32_t mask = format == D3DFMT_X8R8G8B8 ? 0xFFFFFFu : 0xFFFFFFFFu;
  for (UINT y = 0; y < reachH; ++y) {
    for (UINT x = 0; x < reachW; ++x)
      FUZZ_CHECK(Le(after.data() + y * rowBytes + x * bpp, 4) == (pic.Argb(x, y) & mask));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ArmDiagnostics();
  fuzz::Device& device = fuzz::Device::Get();
  const std::uint32_t control = fuzz::Byte(data, size, 0);
  const std::uint32_t mode = fuzz::Byte(data, size, 1);
  SetCaps(device, control);
  const D3DFORMAT format = kFormats[control & 15];
  const D3DPOOL pool = (control & 0x40) ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;

  dg::TMemoryStream stream;
  if (size > 2) stream.Write(data + 2, size - 2);
  stream.SetPosition(0);

  const std::uint8_t* file = size > 2 ? data + 2 : nullptr;
  const std::size_t fileSize = size > 2 ? size - 2 : 0;
  dg::TDGTexture texture(device.Carad(), {format}, 0, pool, 0, "fuzz");
  try {
    if (mode & 0x80) {
      const UINT width = 1 + (mode & 7), height = 3 * (1 + ((mode >> 3) & 7));
      texture.SetFillColor(0xC0A08060);  // what the picture must leave where it does not reach
      texture.SetSize(width, height);
      IDirect3DTexture9* const sized = texture.Texture();
      const std::vector<std::uint8_t> before = Level0(texture);
      dg::LoadBMP(texture.Texture(), stream);
      FUZZ_CHECK(texture.Texture() == sized && texture.Width() == width && texture.Height() == height);
      CheckPicture(texture, before, file, fileSize, format);
      return 0;
    }
    texture.LoadFromStream(stream);
  } catch (const fuzz::Halted&) {
    return 0;  // the program would have ended after its line
  }
  if (!texture.Texture()) return 0;
  // A managed texture was cleared with fill colour 0 before the picture went in.
  if (pool == D3DPOOL_MANAGED) {
    const std::size_t bytes =
        static_cast<std::size_t>(texture.SurfaceWidth()) * texture.SurfaceHeight() * texture.BytesPerPixel();
    CheckPicture(texture, std::vector<std::uint8_t>(bytes, 0), file, fileSize, format);
  }
  std::uint8_t header[dg::kBitmapFileHeaderSize + dg::kBitmapInfoHeaderSize];
  FUZZ_CHECK(size - 2 >= sizeof header);
  std::memcpy(header, data + 2, sizeof header);
  const dg::BitmapHeaders h = dg::DecodeBitmapHeaders(header);
  FUZZ_CHECK(texture.Width() == static_cast<UINT>(h.width) && texture.Height() == static_cast<UINT>(h.height));
  FUZZ_CHECK(texture.SurfaceWidth() >= texture.Width() && texture.SurfaceHeight() >= texture.Height());

  if (pool == D3DPOOL_MANAGED && (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) &&
      texture.Format() == format) {
    const std::vector<std::uint8_t> before = Level0(texture);
    try {
      texture.DeviceRelease();
      texture.DeviceRebuild();
    } catch (const fuzz::Halted&) {
      FUZZ_CHECK(!"the snapshot of a loaded texture could not be restored");
    }
    FUZZ_CHECK(Level0(texture) == before);
  }
  return 0;
}
