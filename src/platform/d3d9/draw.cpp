// Drawing: FVF decoding, the draw calls, Clear, and the translation of the recorded Direct3D
// state into OpenGL through the mirror of GL's state.
//
// Orientation: render targets are stored top row first, as Direct3D addresses them: Direct3D pixel
// (x, y) is GL pixel (x, y). The projection flips y to get there, which turns Direct3D's
// clockwise into GL's counter-clockwise, and it makes the rasteriser's tie rule for pixel centres
// on an edge Direct3D's top-left rule on drivers that rasterise framebuffer objects top down.
// Only Present flips (into the window's bottom-up framebuffer).
#include "device.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

namespace d3d9gl {

namespace {

// GL_POINTS is 0, so an unknown type is told apart by VertexCount(type, 1) == 0.
GLenum GlPrimitive(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_POINTS;
  }
}

// Vertices of `count` primitives; 0 for an unknown type.
UINT VertexCount(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count * 2;
    case D3DPT_LINESTRIP: return count + 1;
    case D3DPT_TRIANGLELIST: return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count + 2;
    default: return 0;
  }
}

// A primitive type the layer draws, with a count within the limit every draw checks first.
bool DrawableCount(D3DPRIMITIVETYPE type, UINT count) {
  return VertexCount(type, 1) != 0 && count <= kMaxPrimitiveCount;
}

bool IsTriangles(D3DPRIMITIVETYPE type) {
  return type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN;
}

GLenum GlBlend(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
  }
}

// BOTHSRCALPHA and BOTHINVSRCALPHA set both factors from the source factor.
void BlendPair(DWORD src, DWORD dst, GLenum* s, GLenum* d) {
  if (src == D3DBLEND_BOTHSRCALPHA) {
    *s = GL_SRC_ALPHA, *d = GL_ONE_MINUS_SRC_ALPHA;
  } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
    *s = GL_ONE_MINUS_SRC_ALPHA, *d = GL_SRC_ALPHA;
  } else {
    *s = GlBlend(src), *d = GlBlend(dst);
  }
}

GLenum GlBlendOp(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum GlCompare(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum GlStencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLint GlAddress(DWORD a, bool mirrorClamp) {
  switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return mirrorClamp ? GL_MIRROR_CLAMP_TO_EDGE : GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

// GL's minifying filter for Direct3D's MINFILTER and MIPFILTER.
GLint GlMinFilter(DWORD minFilter, DWORD mipFilter) {
  const bool linear = minFilter >= D3DTEXF_LINEAR;
  switch (mipFilter) {
    case D3DTEXF_NONE: return linear ? GL_LINEAR : GL_NEAREST;
    case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    default: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  }
}

// Which arguments an operation reads (bit 0 arg1, bit 1 arg2, bit 2 arg0).
unsigned ArgsUsed(DWORD op) {
  switch (op) {
    case D3DTOP_SELECTARG1: return 1;
    case D3DTOP_SELECTARG2: return 2;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP: return 7;
    default: return 3;
  }
}

bool ValidOp(DWORD op) { return op >= D3DTOP_DISABLE && op <= D3DTOP_LERP; }

}  // namespace

bool DecodeFvf(DWORD fvf, FvfLayout* l) {
  *l = FvfLayout();
  l->fvf = fvf;
  UINT off = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: l->positionSize = 3, off = 12; break;
    case D3DFVF_XYZRHW: l->positionSize = 4, off = 16, l->rhw = true; break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
      // Blend weights follow the position; they are skipped (no vertex blending).
      l->positionSize = 3;
      off = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2);
      break;
    default: return false;
  }
  if (fvf & D3DFVF_NORMAL) l->normal = off, off += 12;
  if (fvf & D3DFVF_PSIZE) off += 4;
  if (fvf & D3DFVF_DIFFUSE) l->diffuse = off, off += 4;
  if (fvf & D3DFVF_SPECULAR) l->specular = off, off += 4;
  const UINT count = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (count > kMaxTexCoords) return false;
  l->texCount = count;
  for (UINT i = 0; i < count; ++i) {
    static const GLint kSizes[4] = {2, 3, 4, 1};
    l->texSize[i] = kSizes[(fvf >> (16 + 2 * i)) & 3];
    l->texOffset[i] = off;
    off += 4 * static_cast<UINT>(l->texSize[i]);
  }
  l->stride = off;
  return true;
}

// ---- the GL mirror ---------------------------------------------------------------------------------

namespace {

// Calls `send` and records `value` in the mirror when the mirror holds something else; true when
// it sent. A group of values goes as std::tie(...) of the mirror against std::make_tuple(...).
template <typename Mirror, typename Value, typename Send>
bool SendIfChanged(Mirror&& mirror, const Value& value, Send send) {
  if (mirror == value) return false;
  send();
  mirror = value;
  return true;
}

}  // namespace

template <typename Mirror, typename Value, typename Send>
void DeviceImpl::SendState(Mirror&& mirror, const Value& value, Send send) {
  if (SendIfChanged(std::forward<Mirror>(mirror), value, send)) ++stats_.stateChanges;
}

void DeviceImpl::InitGlState() {
  gl_.GenVertexArrays(1, &vao_);
  gl_.GenSamplers(kMaxStages, samplers_);
  gl_.GenBuffers(1, &upVertexBuffer_);
  gl_.GenBuffers(1, &upIndexBuffer_);
  gl_.BindBuffer(GL_COPY_WRITE_BUFFER, upVertexBuffer_);
  gl_.BufferData(GL_COPY_WRITE_BUFFER, kUpRingBytes, nullptr, GL_STREAM_DRAW);
  gl_.BindBuffer(GL_COPY_WRITE_BUFFER, upIndexBuffer_);
  gl_.BufferData(GL_COPY_WRITE_BUFFER, kUpRingBytes, nullptr, GL_STREAM_DRAW);
  // Fixed for the context's lifetime: Direct3D shades flat from the first vertex, never dithers.
  gl_.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  gl_.Disable(GL_DITHER);
  gl_.FrontFace(GL_CCW);
  gl_.PixelStorei(GL_PACK_ALIGNMENT, 1);
  InvalidateMirror();
  BindVao();
}

void DeviceImpl::InvalidateMirror() {
  std::memset(&mirror_, 0xff, sizeof mirror_);
  mirror_.attribsKnown = 0;
  mirror_.layoutValid = 0;
  for (SamplerMirror& s : samplerMirror_) s = SamplerMirror();
  for (int i = 0; i < kMaxStages; ++i) mirror_.sampler[i] = ~0u;
}

void DeviceImpl::UseProgram(GLuint program) {
  if (SendIfChanged(mirror_.program, program, [&] { gl_.UseProgram(program); })) ++stats_.programBinds;
}

void DeviceImpl::BindVao() {
  SendIfChanged(mirror_.vao, vao_, [&] { gl_.BindVertexArray(vao_); });
}

void DeviceImpl::BindArrayBuffer(GLuint buffer) {
  SendIfChanged(mirror_.arrayBuffer, buffer, [&] { gl_.BindBuffer(GL_ARRAY_BUFFER, buffer); });
}

void DeviceImpl::BindElementBuffer(GLuint buffer) {
  BindVao();
  SendIfChanged(mirror_.elementBuffer, buffer, [&] { gl_.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer); });
}

void DeviceImpl::BindDrawFbo(GLuint fbo) {
  SendIfChanged(mirror_.drawFbo, fbo, [&] { gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo); });
}

void DeviceImpl::BindReadFbo(GLuint fbo) {
  SendIfChanged(mirror_.readFbo, fbo, [&] { gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, fbo); });
}

void DeviceImpl::ActiveUnit(GLuint unit) {
  SendIfChanged(mirror_.activeUnit, unit, [&] { gl_.ActiveTexture(GL_TEXTURE0 + unit); });
}

void DeviceImpl::BindTextureUnit(GLuint unit, GLuint texture) {
  auto bind = [&] {
    ActiveUnit(unit);
    gl_.BindTexture(GL_TEXTURE_2D, texture);
  };
  if (SendIfChanged(mirror_.texture[unit], texture, bind)) ++stats_.textureBinds;
}

void DeviceImpl::BindUploadTexture(GLuint texture) {
  ActiveUnit(kMaxStages);
  BindTextureUnit(kMaxStages, texture);
}

void DeviceImpl::Enable(GLenum cap, int* mirror, bool on) {
  SendState(*mirror, static_cast<int>(on), [&] {
    if (on)
      gl_.Enable(cap);
    else
      gl_.Disable(cap);
  });
}

void DeviceImpl::SetScissor(bool on, GLint x, GLint y, GLsizei w, GLsizei h) {
  Enable(GL_SCISSOR_TEST, &mirror_.scissor, on);
  if (!on) return;
  GLint* b = mirror_.scissorBox;
  SendState(std::tie(b[0], b[1], b[2], b[3]), std::make_tuple(x, y, w, h), [&] { gl_.Scissor(x, y, w, h); });
}

void DeviceImpl::SetColorMask(DWORD mask) {
  mask &= 0xf;
  SendState(mirror_.colorMask, mask, [&] {
    gl_.ColorMask((mask & D3DCOLORWRITEENABLE_RED) != 0, (mask & D3DCOLORWRITEENABLE_GREEN) != 0,
                  (mask & D3DCOLORWRITEENABLE_BLUE) != 0, (mask & D3DCOLORWRITEENABLE_ALPHA) != 0);
  });
}

void DeviceImpl::SetDepthMask(bool on) {
  SendState(mirror_.depthMask, static_cast<int>(on), [&] { gl_.DepthMask(on ? GL_TRUE : GL_FALSE); });
}

void DeviceImpl::SetStencilWriteMask(GLuint mask) {
  SendState(mirror_.stencilWriteMask, mask, [&] { gl_.StencilMask(mask); });
}

GLuint DeviceImpl::FramebufferFor(SurfaceImpl* color, SurfaceImpl* depth) {
  for (const Fbo& f : fbos_)
    if (f.color == color && f.depth == depth) return f.name;
  GLuint name = 0;
  gl_.GenFramebuffers(1, &name);
  gl_.BindFramebuffer(GL_FRAMEBUFFER, name);
  mirror_.drawFbo = mirror_.readFbo = name;
  gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color->glTexture(),
                           static_cast<GLint>(color->levelIndex()));
  if (depth) {
    const GLenum point = (depth->format().uses & kUseStencil) ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    gl_.FramebufferRenderbuffer(GL_FRAMEBUFFER, point, GL_RENDERBUFFER, depth->glRenderbuffer());
  }
  gl_.DrawBuffer(GL_COLOR_ATTACHMENT0);
  gl_.ReadBuffer(GL_COLOR_ATTACHMENT0);
  const GLenum status = gl_.CheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE)
    std::fprintf(stderr, "d3d9gl: render target format %u is not renderable here (0x%x)\n",
                 static_cast<unsigned>(color->format().format), status);
  fbos_.push_back({name, color, depth});
  dirty_ |= kDirtyFramebuffer;  // creating it bound it for drawing as well
  return name;
}

// ---- state translation -----------------------------------------------------------------------------

void DeviceImpl::ApplyFramebuffer() {
  if (!(dirty_ & kDirtyFramebuffer)) return;
  BindDrawFbo(FramebufferFor(renderTarget_, depthStencil_));
  dirty_ &= ~kDirtyFramebuffer;
  dirty_ |= kDirtyViewport | kDirtyScissor | kDirtyDepth | kDirtyStencil;
}

void DeviceImpl::ApplyFixedState() {
  if (dirty_ & kDirtyViewport) ApplyViewport();
  if (dirty_ & kDirtyScissor) ApplyScissor();
  if (dirty_ & kDirtyBlend) ApplyBlend();
  if (dirty_ & kDirtyDepth) ApplyDepth();
  if (dirty_ & kDirtyRaster) ApplyRaster();
  if (dirty_ & kDirtyColorMask) SetColorMask(rs_[D3DRS_COLORWRITEENABLE]);
  if (dirty_ & kDirtyStencil) ApplyStencil();
  dirty_ &=
      ~(kDirtyViewport | kDirtyScissor | kDirtyBlend | kDirtyDepth | kDirtyRaster | kDirtyColorMask | kDirtyStencil);
}

void DeviceImpl::ApplyViewport() {
  const GLint x = static_cast<GLint>(viewport_.X), y = static_cast<GLint>(viewport_.Y);
  const GLint w = static_cast<GLint>(viewport_.Width), h = static_cast<GLint>(viewport_.Height);
  GLint* m = mirror_.viewport;
  SendState(std::tie(m[0], m[1], m[2], m[3]), std::make_tuple(x, y, w, h), [&] { gl_.Viewport(x, y, w, h); });
  SendState(std::tie(mirror_.depthRange[0], mirror_.depthRange[1]), std::make_tuple(viewport_.MinZ, viewport_.MaxZ),
            [&] { gl_.DepthRange(viewport_.MinZ, viewport_.MaxZ); });
}

void DeviceImpl::ApplyScissor() {
  if (!rs_[D3DRS_SCISSORTESTENABLE]) {
    SetScissor(false, 0, 0, 0, 0);
    return;
  }
  const LONG l = std::max<LONG>(scissor_.left, 0), t = std::max<LONG>(scissor_.top, 0);
  const LONG r = std::max(l, scissor_.right), b = std::max(t, scissor_.bottom);
  SetScissor(true, l, t, r - l, b - t);
}

void DeviceImpl::ApplyBlend() {
  const bool on = rs_[D3DRS_ALPHABLENDENABLE] != 0;
  Enable(GL_BLEND, &mirror_.blend, on);
  if (!on) return;
  GLenum s, d, sa, da;
  BlendPair(rs_[D3DRS_SRCBLEND], rs_[D3DRS_DESTBLEND], &s, &d);
  GLenum eq = GlBlendOp(rs_[D3DRS_BLENDOP]), eqa = eq;
  if (rs_[D3DRS_SEPARATEALPHABLENDENABLE]) {
    BlendPair(rs_[D3DRS_SRCBLENDALPHA], rs_[D3DRS_DESTBLENDALPHA], &sa, &da);
    eqa = GlBlendOp(rs_[D3DRS_BLENDOPALPHA]);
  } else {
    sa = s, da = d;
  }
  SendState(std::tie(mirror_.srcRgb, mirror_.dstRgb, mirror_.srcAlpha, mirror_.dstAlpha), std::make_tuple(s, d, sa, da),
            [&] { gl_.BlendFuncSeparate(s, d, sa, da); });
  SendState(std::tie(mirror_.eqRgb, mirror_.eqAlpha), std::make_tuple(eq, eqa),
            [&] { gl_.BlendEquationSeparate(eq, eqa); });
  const DWORD factor = rs_[D3DRS_BLENDFACTOR];
  SendState(mirror_.blendColor, factor, [&] {
    float c[4];
    ColorToFloats(factor, c);
    gl_.BlendColor(c[0], c[1], c[2], c[3]);
  });
}

void DeviceImpl::ApplyDepth() {
  const bool test = rs_[D3DRS_ZENABLE] != D3DZB_FALSE && depthStencil_;
  Enable(GL_DEPTH_TEST, &mirror_.depthTest, test);
  if (!test) return;
  const GLenum f = GlCompare(rs_[D3DRS_ZFUNC]);
  SendState(mirror_.depthFunc, f, [&] { gl_.DepthFunc(f); });
  SetDepthMask(rs_[D3DRS_ZWRITEENABLE] != 0);
}

void DeviceImpl::ApplyRaster() {
  const DWORD cull = rs_[D3DRS_CULLMODE];
  const bool on = cull == D3DCULL_CW || cull == D3DCULL_CCW;
  Enable(GL_CULL_FACE, &mirror_.cull, on);
  if (on) {
    const GLenum face = cull == D3DCULL_CCW ? GL_BACK : GL_FRONT;
    SendState(mirror_.cullFace, face, [&] { gl_.CullFace(face); });
  }
  const DWORD fill = rs_[D3DRS_FILLMODE];
  const GLenum mode = fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
  SendState(mirror_.polygonMode, mode, [&] { gl_.PolygonMode(GL_FRONT_AND_BACK, mode); });
  const float size = std::max(1.0f, BitsFloat(rs_[D3DRS_POINTSIZE]));
  SendState(mirror_.pointSize, size, [&] { gl_.PointSize(size); });
}

void DeviceImpl::ApplyStencil() {
  const bool on = rs_[D3DRS_STENCILENABLE] && depthStencil_ && (depthStencil_->format().uses & kUseStencil);
  Enable(GL_STENCIL_TEST, &mirror_.stencil, on);
  if (!on) return;
  const GLenum f = GlCompare(rs_[D3DRS_STENCILFUNC]);
  const GLint ref = static_cast<GLint>(rs_[D3DRS_STENCILREF] & 0xff);
  const GLuint mask = rs_[D3DRS_STENCILMASK];
  SendState(std::tie(mirror_.stencilFunc, mirror_.stencilRef, mirror_.stencilMask), std::make_tuple(f, ref, mask),
            [&] { gl_.StencilFunc(f, ref, mask); });
  const GLenum sf = GlStencilOp(rs_[D3DRS_STENCILFAIL]), zf = GlStencilOp(rs_[D3DRS_STENCILZFAIL]),
               zp = GlStencilOp(rs_[D3DRS_STENCILPASS]);
  SendState(std::tie(mirror_.stencilFail, mirror_.stencilZFail, mirror_.stencilPass), std::make_tuple(sf, zf, zp),
            [&] { gl_.StencilOp(sf, zf, zp); });
  SetStencilWriteMask(rs_[D3DRS_STENCILWRITEMASK]);
}

void DeviceImpl::BuildKey(const FvfLayout& layout, D3DPRIMITIVETYPE type, FfpKey* key) const {
  std::memset(key, 0, sizeof *key);
  key->rhw = layout.rhw;
  key->normal = layout.normal != ~0u;
  key->diffuse = layout.diffuse != ~0u;
  key->specular = layout.specular != ~0u;
  key->texCount = static_cast<std::uint8_t>(layout.texCount);
  key->lighting = !layout.rhw && rs_[D3DRS_LIGHTING] != 0;
  if (key->lighting) {
    key->numLights = static_cast<std::uint8_t>(activeLightCount_);
    for (int i = 0; i < activeLightCount_; ++i)
      key->lightType[i] = static_cast<std::uint8_t>(lights_.at(activeLights_[i]).light.Type);
    key->localViewer = rs_[D3DRS_LOCALVIEWER] != 0;
    key->normalizeNormals = rs_[D3DRS_NORMALIZENORMALS] != 0;
    // Vertex colours feed the lighting only when the vertex has them.
    auto source = [&](D3DRENDERSTATETYPE rs) -> std::uint8_t {
      if (!rs_[D3DRS_COLORVERTEX]) return D3DMCS_MATERIAL;
      const DWORD s = rs_[rs];
      if (s == D3DMCS_COLOR1 && key->diffuse) return D3DMCS_COLOR1;
      if (s == D3DMCS_COLOR2 && key->specular) return D3DMCS_COLOR2;
      return D3DMCS_MATERIAL;
    };
    key->diffuseSource = source(D3DRS_DIFFUSEMATERIALSOURCE);
    key->ambientSource = source(D3DRS_AMBIENTMATERIALSOURCE);
    key->specularSource = source(D3DRS_SPECULARMATERIALSOURCE);
    key->emissiveSource = source(D3DRS_EMISSIVEMATERIALSOURCE);
  }
  key->specularEnable = rs_[D3DRS_SPECULARENABLE] != 0;
  key->flatShade = rs_[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  if (rs_[D3DRS_ALPHATESTENABLE]) {
    const DWORD f = rs_[D3DRS_ALPHAFUNC];
    key->alphaFunc = (f >= D3DCMP_NEVER && f < D3DCMP_ALWAYS) ? static_cast<std::uint8_t>(f) : 0;
  }
  if (IsTriangles(type))
    for (UINT i = 0; i < layout.texCount; ++i)
      key->wrap[i] = static_cast<std::uint8_t>(rs_[D3DRS_WRAP0 + i] & (D3DWRAP_U | D3DWRAP_V));

  for (int s = 0; s < kMaxStages; ++s) {
    const DWORD* t = tss_[s];
    DWORD cop = t[D3DTSS_COLOROP];
    if (!ValidOp(cop) || cop == D3DTOP_DISABLE) break;
    const TextureImpl* tex = textures_[s];
    const bool hasTex = tex && tex->glTexture();
    DWORD ca[3] = {t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2], t[D3DTSS_COLORARG0]};
    DWORD aop = t[D3DTSS_ALPHAOP];
    DWORD aa[3] = {t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2], t[D3DTSS_ALPHAARG0]};
    if (!ValidOp(aop)) aop = D3DTOP_DISABLE;
    if (cop == D3DTOP_DOTPRODUCT3) aop = D3DTOP_DISABLE;  // the dot product fills alpha too
    auto readsTexture = [](DWORD op, const DWORD* args) {
      if (op == D3DTOP_BLENDTEXTUREALPHA || op == D3DTOP_BLENDTEXTUREALPHAPM) return true;
      const unsigned used = ArgsUsed(op);
      for (int i = 0; i < 3; ++i)
        if ((used & (1u << i)) && (args[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE) return true;
      return false;
    };
    // Without a texture, an operation that reads it passes the current colour on (Wine's rule).
    if (!hasTex && readsTexture(cop, ca)) cop = D3DTOP_SELECTARG1, ca[0] = D3DTA_CURRENT;
    if (!hasTex && aop != D3DTOP_DISABLE && readsTexture(aop, aa)) aop = D3DTOP_SELECTARG1, aa[0] = D3DTA_CURRENT;
    FfpStage& st = key->stage[s];
    st.colorOp = static_cast<std::uint8_t>(cop);
    st.alphaOp = static_cast<std::uint8_t>(aop);
    const unsigned cu = ArgsUsed(cop), au = aop == D3DTOP_DISABLE ? 0 : ArgsUsed(aop);
    for (int i = 0; i < 3; ++i) {
      st.colorArg[i] = (cu & (1u << i)) ? static_cast<std::uint8_t>(ca[i] & 0x3f) : 0;
      st.alphaArg[i] = (au & (1u << i)) ? static_cast<std::uint8_t>(aa[i] & 0x3f) : 0;
    }
    st.resultTemp = (t[D3DTSS_RESULTARG] & D3DTA_SELECTMASK) == D3DTA_TEMP;
    st.sampled = hasTex && (readsTexture(cop, ca) || (aop != D3DTOP_DISABLE && readsTexture(aop, aa)));
    st.texCoord = st.sampled ? static_cast<std::uint8_t>(t[D3DTSS_TEXCOORDINDEX] & 7) : 0;
    key->stageCount = static_cast<std::uint8_t>(s + 1);
  }
}

bool DeviceImpl::ApplyProgram(const FvfLayout& layout, D3DPRIMITIVETYPE type) {
  const bool triangles = IsTriangles(type);
  if (!(dirty_ & kDirtyKey) && keyValid_ && keyFvf_ == layout.fvf && keyTriangles_ == triangles && program_) {
    UseProgram(program_->program);
    return true;
  }
  FfpKey key;
  BuildKey(layout, type, &key);
  dirty_ &= ~kDirtyKey;
  keyFvf_ = layout.fvf;
  keyTriangles_ = triangles;
  if (!(keyValid_ && key == key_ && program_)) {
    bool built = false;
    program_ = programs_.Get(gl_, key, &built);
    if (built) {
      mirror_.program = program_->program;
      ++stats_.programsBuilt;
      ++stats_.programBinds;
    }
    key_ = key;
    keyValid_ = true;
  }
  if (!program_) return false;
  UseProgram(program_->program);
  return true;
}

void DeviceImpl::ApplyUniforms() {
  UpdateDerived();
  FfpProgram& p = *program_;
  if (p.gen[kGroupTransform] != gen_[kGroupTransform]) {
    p.gen[kGroupTransform] = gen_[kGroupTransform];
    if (p.worldView >= 0) gl_.UniformMatrix4fv(p.worldView, 1, GL_FALSE, worldView_);
    if (p.proj >= 0) gl_.UniformMatrix4fv(p.proj, 1, GL_FALSE, &proj_.m[0][0]);
    if (p.normalMat >= 0) gl_.UniformMatrix3fv(p.normalMat, 1, GL_FALSE, normalMat_);
  }
  if (p.gen[kGroupViewport] != gen_[kGroupViewport]) {
    p.gen[kGroupViewport] = gen_[kGroupViewport];
    if (p.pixelOffset >= 0) gl_.Uniform2f(p.pixelOffset, pixelOffset_[0], pixelOffset_[1]);
    if (p.rhwXform >= 0) gl_.Uniform4fv(p.rhwXform, 1, rhwXform_);
  }
  if (p.gen[kGroupMaterial] != gen_[kGroupMaterial]) {
    p.gen[kGroupMaterial] = gen_[kGroupMaterial];
    if (p.matDiffuse >= 0) gl_.Uniform4fv(p.matDiffuse, 1, &material_.Diffuse.r);
    if (p.matAmbient >= 0) gl_.Uniform4fv(p.matAmbient, 1, &material_.Ambient.r);
    if (p.matSpecular >= 0) gl_.Uniform4fv(p.matSpecular, 1, &material_.Specular.r);
    if (p.matEmissive >= 0) gl_.Uniform4fv(p.matEmissive, 1, &material_.Emissive.r);
    if (p.matPower >= 0) gl_.Uniform1f(p.matPower, material_.Power);
  }
  if (p.gen[kGroupLights] != gen_[kGroupLights]) {
    p.gen[kGroupLights] = gen_[kGroupLights];
    const GLsizei n = activeLightCount_;
    if (p.globalAmbient >= 0) gl_.Uniform4fv(p.globalAmbient, 1, globalAmbient_);
    if (n > 0) {
      if (p.lightDiffuse >= 0) gl_.Uniform4fv(p.lightDiffuse, n, lightDiffuse_);
      if (p.lightSpecular >= 0) gl_.Uniform4fv(p.lightSpecular, n, lightSpecular_);
      if (p.lightAmbient >= 0) gl_.Uniform4fv(p.lightAmbient, n, lightAmbient_);
      if (p.lightPos >= 0) gl_.Uniform4fv(p.lightPos, n, lightPos_);
      if (p.lightDir >= 0) gl_.Uniform4fv(p.lightDir, n, lightDir_);
      if (p.lightAtten >= 0) gl_.Uniform4fv(p.lightAtten, n, lightAtten_);
      if (p.lightSpot >= 0) gl_.Uniform4fv(p.lightSpot, n, lightSpot_);
    }
  }
  if (p.gen[kGroupFragment] != gen_[kGroupFragment]) {
    p.gen[kGroupFragment] = gen_[kGroupFragment];
    if (p.tfactor >= 0) gl_.Uniform4fv(p.tfactor, 1, tfactor_);
    if (p.alphaRef >= 0) gl_.Uniform1f(p.alphaRef, alphaRef_);
  }
}

void DeviceImpl::ApplyTextures() {
  for (int s = 0; s < key_.stageCount; ++s) {
    if (!key_.stage[s].sampled) continue;
    TextureImpl* tex = textures_[s];
    const GLuint unit = static_cast<GLuint>(s);
    BindTextureUnit(unit, tex->glTexture());
    SendIfChanged(mirror_.sampler[s], samplers_[s], [&] { gl_.BindSampler(unit, samplers_[s]); });
    ApplySampler(s, tex->GetLOD());
  }
  dirty_ &= ~kDirtyTextures;
  dirtySamplers_ = 0;
}

void DeviceImpl::ApplySampler(int s, DWORD textureLod) {
  const DWORD* sp = samp_[s];
  SamplerMirror& m = samplerMirror_[s];
  const GLuint so = samplers_[s];
  const GLint minf = GlMinFilter(sp[D3DSAMP_MINFILTER], sp[D3DSAMP_MIPFILTER]);
  const GLint magf = sp[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
  const GLint ws = GlAddress(sp[D3DSAMP_ADDRESSU], gl_.hasMirrorClamp);
  const GLint wt = GlAddress(sp[D3DSAMP_ADDRESSV], gl_.hasMirrorClamp);
  // MAXMIPLEVEL and the texture's LOD both name the most detailed level that may be used.
  const float minLod = static_cast<float>(std::max(sp[D3DSAMP_MAXMIPLEVEL], textureLod));
  const float bias = BitsFloat(sp[D3DSAMP_MIPMAPLODBIAS]);
  const DWORD border = sp[D3DSAMP_BORDERCOLOR];
  auto parameter = [&](GLint* mirror, GLenum name, GLint value) {
    SendIfChanged(*mirror, value, [&] { gl_.SamplerParameteri(so, name, value); });
  };
  auto parameterf = [&](float* mirror, GLenum name, float value) {
    SendIfChanged(*mirror, value, [&] { gl_.SamplerParameterf(so, name, value); });
  };
  parameter(&m.minFilter, GL_TEXTURE_MIN_FILTER, minf);
  parameter(&m.magFilter, GL_TEXTURE_MAG_FILTER, magf);
  parameter(&m.wrapS, GL_TEXTURE_WRAP_S, ws);
  parameter(&m.wrapT, GL_TEXTURE_WRAP_T, wt);
  parameterf(&m.minLod, GL_TEXTURE_MIN_LOD, minLod);
  parameterf(&m.lodBias, GL_TEXTURE_LOD_BIAS, bias);
  SendIfChanged(std::tie(m.borderValid, m.border), std::make_tuple(true, border), [&] {
    float c[4];
    ColorToFloats(border, c);
    gl_.SamplerParameterfv(so, GL_TEXTURE_BORDER_COLOR, c);
  });
}

void DeviceImpl::ApplyLayout(const FvfLayout& layout, GLuint buffer, UINT offset) {
  BindVao();
  if (mirror_.layoutValid == 1 && mirror_.layoutBuffer == buffer && mirror_.layoutOffset == offset &&
      mirror_.layoutStride == layout.stride && mirror_.layoutFvf == layout.fvf)
    return;
  BindArrayBuffer(buffer);
  const GLsizei stride = static_cast<GLsizei>(layout.stride);
  auto at = [offset](UINT o) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset) + o); };
  std::uint32_t want = 1u << kAttrPosition;
  gl_.VertexAttribPointer(kAttrPosition, layout.positionSize, GL_FLOAT, GL_FALSE, stride, at(0));
  if (layout.normal != ~0u) {
    want |= 1u << kAttrNormal;
    gl_.VertexAttribPointer(kAttrNormal, 3, GL_FLOAT, GL_FALSE, stride, at(layout.normal));
  }
  // D3DCOLOR is the bytes B, G, R, A: GL's BGRA component order.
  if (layout.diffuse != ~0u) {
    want |= 1u << kAttrDiffuse;
    gl_.VertexAttribPointer(kAttrDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(layout.diffuse));
  }
  if (layout.specular != ~0u) {
    want |= 1u << kAttrSpecular;
    gl_.VertexAttribPointer(kAttrSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(layout.specular));
  }
  for (UINT i = 0; i < layout.texCount; ++i) {
    want |= 1u << (kAttrTexCoord0 + i);
    gl_.VertexAttribPointer(kAttrTexCoord0 + i, layout.texSize[i], GL_FLOAT, GL_FALSE, stride, at(layout.texOffset[i]));
  }
  for (GLuint a = 0; a < kAttrCount; ++a) {
    const bool on = (want >> a) & 1u;
    if (mirror_.attribsKnown && ((mirror_.attribs >> a) & 1u) == on) continue;
    if (on)
      gl_.EnableVertexAttribArray(a);
    else
      gl_.DisableVertexAttribArray(a);
  }
  mirror_.attribs = want;
  mirror_.attribsKnown = 1;
  mirror_.layoutValid = 1;
  mirror_.layoutBuffer = buffer;
  mirror_.layoutOffset = offset;
  mirror_.layoutStride = layout.stride;
  mirror_.layoutFvf = layout.fvf;
}

bool DeviceImpl::PrepareDraw(const FvfLayout& layout, D3DPRIMITIVETYPE type, GLuint vertexBuffer, UINT vertexOffset) {
  MakeCurrent();
  if (!stateCache_) {
    InvalidateMirror();
    programs_.ForgetUniforms();
    dirty_ = kDirtyAll;
    dirtySamplers_ = 0xffu;
    keyValid_ = false;
  }
  ApplyFramebuffer();
  ApplyFixedState();
  if (!ApplyProgram(layout, type)) return false;
  ApplyUniforms();
  ApplyTextures();
  ApplyLayout(layout, vertexBuffer, vertexOffset);
  return true;
}

// ---- draws -----------------------------------------------------------------------------------------

UINT DeviceImpl::StreamUp(const void* data, UINT bytes, UINT align, GLuint* buffer, bool indices) {
  GLuint& name = indices ? upIndexBuffer_ : upVertexBuffer_;
  UINT& pos = indices ? upIndexPos_ : upVertexPos_;
  const UINT capacity = std::max(kUpRingBytes, bytes);
  UINT at = (pos + align - 1) / align * align;
  gl_.BindBuffer(GL_COPY_WRITE_BUFFER, name);
  if (at + bytes > kUpRingBytes || bytes > kUpRingBytes) {
    // Start a fresh store: GL keeps the old one for draws still in flight.
    gl_.BufferData(GL_COPY_WRITE_BUFFER, capacity, nullptr, GL_STREAM_DRAW);
    at = 0;
  }
  void* p = gl_.MapBufferRange(GL_COPY_WRITE_BUFFER, at, bytes,
                               GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
  if (p) {
    std::memcpy(p, data, bytes);
    gl_.UnmapBuffer(GL_COPY_WRITE_BUFFER);
  } else {
    gl_.BufferSubData(GL_COPY_WRITE_BUFFER, at, bytes, data);
  }
  pos = bytes > kUpRingBytes ? kUpRingBytes : at + bytes;
  stats_.upBytes += bytes;
  *buffer = name;
  return at;
}

HRESULT DeviceImpl::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
  const GLenum mode = GlPrimitive(type);
  if (!DrawableCount(type, count)) return D3DERR_INVALIDCALL;
  FvfLayout layout;
  if (!stream_ || !DecodeFvf(fvf_, &layout)) return D3DERR_INVALIDCALL;
  if (count == 0 || !Drawing()) return D3D_OK;
  if (streamStride_) layout.stride = streamStride_;
  const UINT verts = VertexCount(type, count);
  const std::uint64_t end =
      static_cast<std::uint64_t>(streamOffset_) + static_cast<std::uint64_t>(start + verts) * layout.stride;
  if (end > stream_->core().size()) return D3DERR_INVALIDCALL;  // would read past the buffer
  if (!PrepareDraw(layout, type, stream_->core().glBuffer(), streamOffset_)) return D3D_OK;
  gl_.DrawArrays(mode, static_cast<GLint>(start), static_cast<GLsizei>(verts));
  ++stats_.drawCalls;
  return D3D_OK;
}

HRESULT DeviceImpl::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                         UINT startIndex, UINT count) {
  const GLenum mode = GlPrimitive(type);
  if (!DrawableCount(type, count)) return D3DERR_INVALIDCALL;
  FvfLayout layout;
  if (!stream_ || !indices_ || !DecodeFvf(fvf_, &layout)) return D3DERR_INVALIDCALL;
  if (count == 0 || !Drawing()) return D3D_OK;
  (void)minIndex;
  (void)numVertices;
  if (streamStride_) layout.stride = streamStride_;
  const UINT isize = indices_->format() == D3DFMT_INDEX32 ? 4 : 2;
  const UINT icount = VertexCount(type, count);
  BufferCore& ib = indices_->core();
  if ((static_cast<std::uint64_t>(startIndex) + icount) * isize > ib.size()) return D3DERR_INVALIDCALL;
  // Every fetched vertex must lie inside the vertex buffer: check the buffer's index range, and
  // the drawn indices themselves only when that range is too wide.
  const std::uint64_t vbSize = stream_->core().size();
  auto fits = [&](UINT lo, UINT hi) {
    const std::int64_t first = static_cast<std::int64_t>(baseVertex) + lo;
    const std::int64_t last = static_cast<std::int64_t>(baseVertex) + hi;
    return first >= 0 &&
           static_cast<std::uint64_t>(streamOffset_) + static_cast<std::uint64_t>(last + 1) * layout.stride <= vbSize;
  };
  UINT lo, hi;
  ib.WholeIndexRange(isize, &lo, &hi);
  if (!fits(lo, hi)) {
    ScanIndices(ib.data() + static_cast<std::size_t>(startIndex) * isize, isize, icount, &lo, &hi);
    if (!fits(lo, hi)) return D3DERR_INVALIDCALL;
  }
  if (!PrepareDraw(layout, type, stream_->core().glBuffer(), streamOffset_)) return D3D_OK;
  BindElementBuffer(ib.glBuffer());
  gl_.DrawElementsBaseVertex(mode, static_cast<GLsizei>(icount), isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * isize),
                             baseVertex);
  ++stats_.drawCalls;
  return D3D_OK;
}

bool DeviceImpl::StartUpDraw(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride, FvfLayout* layout,
                             HRESULT* result) {
  *result = D3DERR_INVALIDCALL;
  if (!DrawableCount(type, count) || !data || stride == 0 || !DecodeFvf(fvf_, layout)) return false;
  // Direct3D leaves stream 0 and the indices unset after a UP draw.
  SetStreamSource(0, nullptr, 0, 0);
  SetIndices(nullptr);
  *result = D3D_OK;
  layout->stride = stride;
  return count != 0 && Drawing();
}

HRESULT DeviceImpl::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
  FvfLayout layout;
  HRESULT result;
  if (!StartUpDraw(type, count, data, stride, &layout, &result)) return result;
  const GLenum mode = GlPrimitive(type);
  const UINT verts = VertexCount(type, count);
  MakeCurrent();
  GLuint buffer = 0;
  const UINT at = StreamUp(data, verts * stride, stride, &buffer, false);
  if (!PrepareDraw(layout, type, buffer, 0)) return D3D_OK;
  gl_.DrawArrays(mode, static_cast<GLint>(at / stride), static_cast<GLsizei>(verts));
  ++stats_.drawCalls;
  return D3D_OK;
}

HRESULT DeviceImpl::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                           const void* indices, D3DFORMAT indexFormat, const void* data, UINT stride) {
  if (!indices || (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
  FvfLayout layout;
  HRESULT result;
  if (!StartUpDraw(type, count, data, stride, &layout, &result)) return result;
  const GLenum mode = GlPrimitive(type);
  const UINT isize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
  const UINT icount = VertexCount(type, count);
  UINT lo, hi;
  ScanIndices(indices, isize, icount, &lo, &hi);
  // The caller's vertex data covers vertices 0 .. minIndex + numVertices - 1.
  const std::uint64_t vertexEnd = static_cast<std::uint64_t>(minIndex) + numVertices;
  if (hi >= vertexEnd || vertexEnd * stride > 0xffffffffu) return D3DERR_INVALIDCALL;
  MakeCurrent();
  GLuint vbuf = 0, ibuf = 0;
  const UINT vat = StreamUp(data, static_cast<UINT>(vertexEnd * stride), stride, &vbuf, false);
  const UINT iat = StreamUp(indices, icount * isize, isize, &ibuf, true);
  if (!PrepareDraw(layout, type, vbuf, 0)) return D3D_OK;
  BindElementBuffer(ibuf);
  gl_.DrawElementsBaseVertex(mode, static_cast<GLsizei>(icount), isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(static_cast<std::uintptr_t>(iat)),
                             static_cast<GLint>(vat / stride));
  ++stats_.drawCalls;
  return D3D_OK;
}

// ---- Clear -----------------------------------------------------------------------------------------

HRESULT DeviceImpl::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if (count > 0 && !rects) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_ZBUFFER) && !depthStencil_) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_STENCIL) && !(depthStencil_ && (depthStencil_->format().uses & kUseStencil)))
    return D3DERR_INVALIDCALL;
  if (!Drawing()) return D3D_OK;
  MakeCurrent();
  ApplyFramebuffer();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    float c[4];
    ColorToFloats(color, c);
    gl_.ClearColor(c[0], c[1], c[2], c[3]);
    SetColorMask(0xf);  // Clear ignores D3DRS_COLORWRITEENABLE
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    gl_.ClearDepth(std::min(1.0f, std::max(0.0f, z)));
    SetDepthMask(true);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    gl_.ClearStencil(static_cast<GLint>(stencil & 0xff));
    SetStencilWriteMask(0xffffffffu);
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  if (!mask) return D3D_OK;
  // Clear is limited to the viewport and, when enabled, the scissor rectangle.
  const LONG rtW = static_cast<LONG>(renderTarget_->width()), rtH = static_cast<LONG>(renderTarget_->height());
  RECT base = {static_cast<LONG>(viewport_.X), static_cast<LONG>(viewport_.Y),
               static_cast<LONG>(viewport_.X + viewport_.Width), static_cast<LONG>(viewport_.Y + viewport_.Height)};
  base.right = std::min(base.right, rtW);
  base.bottom = std::min(base.bottom, rtH);
  if (rs_[D3DRS_SCISSORTESTENABLE]) {
    base.left = std::max(base.left, scissor_.left);
    base.top = std::max(base.top, scissor_.top);
    base.right = std::min(base.right, scissor_.right);
    base.bottom = std::min(base.bottom, scissor_.bottom);
  }
  auto clearRect = [&](LONG l, LONG t, LONG r, LONG b) {
    l = std::max(l, base.left), t = std::max(t, base.top);
    r = std::min(r, base.right), b = std::min(b, base.bottom);
    if (l >= r || t >= b) return;
    SetScissor(true, l, t, r - l, b - t);
    gl_.Clear(mask);
  };
  if (count == 0) {
    clearRect(base.left, base.top, base.right, base.bottom);
  } else {
    for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
  }
  dirty_ |= kDirtyScissor | kDirtyColorMask | kDirtyDepth | kDirtyStencil;
  return D3D_OK;
}

}  // namespace d3d9gl
