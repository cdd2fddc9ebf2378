// Frame capture for the automation option --capture: the back buffer as it stands before Present,
// read through GetRenderTargetData into a D3DPOOL_SYSTEMMEM offscreen surface of the same size and
// format, converted to 8-bit RGB. Works the same on the real d3d9.dll and on the Linux layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d.h"

namespace scene {

struct CapturedImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// 8-bit RGB of one pixel row in a back-buffer format (X8R8G8B8, A8R8G8B8, R5G6B5, X1R5G5B5,
// A1R5G5B5); false for any other format. `row` holds `width` pixels; `out` receives width * 3 bytes.
bool ConvertRow(D3DFORMAT format, const std::uint8_t* row, int width, std::uint8_t* out);

// Back buffer 0 of swap chain 0; false (image untouched) when a call fails or the format is not
// one of ConvertRow's. Every interface taken here is released before it returns.
bool CaptureBackBuffer(IDirect3DDevice9* device, CapturedImage& image);

// CaptureBackBuffer, then the PNG file `path`.
bool CaptureBackBufferToPng(IDirect3DDevice9* device, const std::string& path);

}  // namespace scene
