#include "scene/capture.h"

#include <utility>

#include "scene/png.h"

namespace scene {
namespace {

// A 5- or 6-bit channel widened to 8 bits, its high bits repeated in the low ones.
std::uint8_t Widen(unsigned value, unsigned bits) {
  return static_cast<std::uint8_t>((value << (8 - bits)) | (value >> (2 * bits - 8)));
}

// A row of 16-bit pixels: blue in bits 0-4, green in the `greenBits` above it, red in the five
// bits above green.
void Convert16(const std::uint8_t* row, int width, std::uint8_t* out, unsigned greenBits) {
  for (int x = 0; x < width; ++x, row += 2, out += 3) {
    const unsigned v = row[0] | (row[1] << 8);
    out[0] = Widen((v >> (5 + greenBits)) & 31, 5);
    out[1] = Widen((v >> 5) & ((1u << greenBits) - 1), greenBits);
    out[2] = Widen(v & 31, 5);
  }
}

}  // namespace

bool ConvertRow(D3DFORMAT format, const std::uint8_t* row, int width, std::uint8_t* out) {
  switch (format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8:
      for (int x = 0; x < width; ++x, row += 4, out += 3) {  // bytes B, G, R, A in memory
        out[0] = row[2];
        out[1] = row[1];
        out[2] = row[0];
      }
      return true;
    case D3DFMT_R5G6B5: Convert16(row, width, out, 6); return true;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: Convert16(row, width, out, 5); return true;
    default: return false;
  }
}

bool CaptureBackBuffer(IDirect3DDevice9* device, CapturedImage& image) {
  if (!device) return false;
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return false;
  D3DSURFACE_DESC desc = {};
  IDirect3DSurface9* copy = nullptr;
  bool ok = SUCCEEDED(back->GetDesc(&desc)) && desc.Width > 0 && desc.Height > 0 &&
            SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                          &copy, nullptr)) &&
            copy && SUCCEEDED(device->GetRenderTargetData(back, copy));
  CapturedImage result;
  if (ok) {
    D3DLOCKED_RECT locked = {};
    ok = SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY)) && locked.pBits;
    if (ok) {
      result.width = static_cast<int>(desc.Width);
      result.height = static_cast<int>(desc.Height);
      result.rgb.resize(static_cast<std::size_t>(result.width) * static_cast<std::size_t>(result.height) * 3);
      const auto* bits = static_cast<const std::uint8_t*>(locked.pBits);
      for (int y = 0; y < result.height && ok; ++y) {
        ok = ConvertRow(desc.Format, bits + static_cast<std::ptrdiff_t>(y) * locked.Pitch, result.width,
                        result.rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(result.width) * 3);
      }
      copy->UnlockRect();
    }
  }
  if (copy) copy->Release();
  back->Release();
  if (ok) image = std::move(result);
  return ok;
}

bool CaptureBackBufferToPng(IDirect3DDevice9* device, const std::string& path) {
  CapturedImage image;
  return CaptureBackBuffer(device, image) && WritePng(path, image.width, image.height, image.rgb);
}

}  // namespace scene
