#include "formats.h"

namespace d3d9gl {

namespace {

constexpr unsigned kTex = kUseTexture;
constexpr unsigned kRt = kUseTexture | kUseRenderTarget;

// Block-compressed formats are known for their layout only: the adapter cannot promise S3TC before
// a context exists, so they are not offered.
// Little-endian Direct3D layouts read by GL: A8R8G8B8 is the bytes B, G, R, A, which is GL's
// BGRA with UNSIGNED_BYTE; the 16-bit ARGB formats are GL's BGRA with the *_REV packed types.
const FormatInfo kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, 0, kRt, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X8R8G8B8, 4, 0, kRt | kUseDisplay, GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A8B8G8R8, 4, 0, kRt, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X8B8G8R8, 4, 0, kRt, GL_RGB8, GL_RGBA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_R5G6B5,
     2,
     0,
     kRt | kUseDisplay,
     GL_RGB565,
     GL_RGB,
     GL_UNSIGNED_SHORT_5_6_5,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    // GL_RGB5 stores no alpha: as a render target its X bit reads back as 1 and DESTALPHA is 1.
    {D3DFMT_X1R5G5B5,
     2,
     0,
     kRt | kUseDisplay,
     GL_RGB5,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A1R5G5B5,
     2,
     0,
     kTex,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_A4R4G4B4,
     2,
     0,
     kTex,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X4R4G4B4,
     2,
     0,
     kTex,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_R3G3B2, 1, 0, kTex, GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_3_3_2, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A8, 1, 0, kTex, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}},
    {D3DFMT_L8, 1, 0, kTex, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}},
    {D3DFMT_A8L8, 2, 0, kTex, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}},
    {D3DFMT_DXT1, 0, 8, 0, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT3, 0, 16, 0, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT5, 0, 16, 0, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_D16, 2, 0, kUseDepth, GL_DEPTH_COMPONENT16, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_D16_LOCKABLE, 2, 0, kUseDepth, GL_DEPTH_COMPONENT16, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_D24X8, 4, 0, kUseDepth, GL_DEPTH_COMPONENT24, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_D24S8, 4, 0, kUseDepth | kUseStencil, GL_DEPTH24_STENCIL8, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
};

}  // namespace

const FormatInfo* FindFormat(D3DFORMAT format) {
  for (const FormatInfo& f : kFormats)
    if (f.format == format) return &f;
  return nullptr;
}

UINT FormatPitch(const FormatInfo& f, UINT width) {
  if (f.blockBytes) return ((width + 3) / 4) * f.blockBytes;
  const UINT bytes = width * f.bytesPerPixel;
  return (bytes + 3) & ~3u;
}

UINT FormatRows(const FormatInfo& f, UINT height) { return f.blockBytes ? (height + 3) / 4 : height; }

UINT FullMipCount(UINT width, UINT height) {
  UINT m = width > height ? width : height;
  UINT n = 1;
  while (m > 1) {
    m >>= 1;
    ++n;
  }
  return n;
}

}  // namespace d3d9gl
