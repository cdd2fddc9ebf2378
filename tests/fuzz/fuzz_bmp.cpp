// The bitmap loaders on any bytes: TDGTexture::LoadFromStream (the texture sized from the file's
// header) or LoadBMP into a texture of a fixed size, in one of the formats the device layer packs,
// on a recording device with or without the power-of-two and square-only limits; then, for a
// texture loaded from the stream, the snapshot a device re-creation takes and restores.
//
// Input: byte 0 picks the format (low 4 bits), the caps (bit 4 POW2, bit 5 SQUAREONLY) and the
// pool (bit 6: default instead of managed); byte 1 picks LoadBMP into a fixed texture (bit 7) of
// (1 + bits 0..2) x (1 + bits 3..5) * 3 pixels; the rest is the BMP file.
// Properties: a texture the stream sized has the header's size; a managed A8R8G8B8 or X8R8G8B8
// texture comes back from the release and rebuild with the same level 0 bytes.
#include <cstring>
#include <vector>

#include "dg/bmp.h"
#include "dg/stream.h"
#include "dg/texture.h"
#include "fuzz/harness.h"

namespace {

constexpr D3DFORMAT kFormats[16] = {
    D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4, D3DFMT_L8,       D3DFMT_A8,     D3DFMT_P8,     D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,
    D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4};

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

  dg::TDGTexture texture(device.Carad(), {format}, 0, pool, 0, "fuzz");
  try {
    if (mode & 0x80) {
      texture.SetSize(1 + (mode & 7), 3 * (1 + ((mode >> 3) & 7)));
      dg::LoadBMP(texture.Texture(), stream);
      return 0;
    }
    texture.LoadFromStream(stream);
  } catch (const fuzz::Halted&) {
    return 0;  // the program would have ended after its line
  }
  if (!texture.Texture()) return 0;
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
