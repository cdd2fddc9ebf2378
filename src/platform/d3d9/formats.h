// Direct3D formats known to the layer: memory layout (bytes per pixel or per 4x4 block, pitch),
// what they may be used for, and how they travel to OpenGL (internal format, upload format and
// type, channel swizzle so that missing channels read as Direct3D defines them).
#pragma once

#include "gl_api.h"
#include <d3d9.h>

namespace d3d9gl {

enum FormatUse : unsigned {
  kUseTexture = 1u << 0,       // sampled texture (and system-memory surface)
  kUseRenderTarget = 1u << 1,  // colour render target and back buffer
  kUseDepth = 1u << 2,         // depth-stencil surface
  kUseStencil = 1u << 3,       // has stencil bits
  kUseDisplay = 1u << 4,       // adapter (display) format
};

struct FormatInfo {
  D3DFORMAT format;
  unsigned bytesPerPixel;  // 0 for block-compressed formats
  unsigned blockBytes;     // bytes per 4x4 block, 0 for plain formats
  unsigned uses;           // FormatUse bits
  GLenum internalFormat;
  GLenum uploadFormat;
  GLenum uploadType;
  GLint swizzle[4];  // GL_RED.. GL_ALPHA, GL_ZERO, GL_ONE for r, g, b, a
};

// Null for a format the layer does not know.
const FormatInfo* FindFormat(D3DFORMAT format);

// Bytes between rows of one level: 32-bit width x 4; 16-bit align(width x 2, 4); 8-bit
// align(width, 4); compressed: bytes of one row of blocks.
UINT FormatPitch(const FormatInfo& f, UINT width);
// Rows of memory a level of that height occupies (block rows for compressed formats).
UINT FormatRows(const FormatInfo& f, UINT height);

inline UINT MipSize(UINT size, UINT level) {
  const UINT s = level < 32 ? size >> level : 0;
  return s ? s : 1;
}

// Number of levels of a full chain: floor(log2(max(w, h))) + 1.
UINT FullMipCount(UINT width, UINT height);

}  // namespace d3d9gl
