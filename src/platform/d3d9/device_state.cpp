// State setters and getters: they validate, store the Direct3D value and mark what the next draw
// must translate. Nothing here calls OpenGL.
#include "device.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace d3d9gl {

namespace {

D3DMATRIX Identity() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// Row-vector product a * b.
void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, float out[16]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      out[i * 4 + j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
}

D3DLIGHT9 DefaultLight() {
  D3DLIGHT9 l = {};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  l.Direction = {0.0f, 0.0f, 1.0f};
  return l;
}

// Direct3D's initial render states (D3DRS_ZENABLE aside, which follows the depth buffer); the
// states not listed start at 0.
constexpr DWORD kFloatOne = 0x3f800000u;  // 1.0f, as a render state stores a float
struct RenderStateDefault {
  D3DRENDERSTATETYPE state;
  DWORD value;
};
constexpr RenderStateDefault kRenderStateDefaults[] = {
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_LASTPIXEL, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_FOGEND, kFloatOne},
    {D3DRS_FOGDENSITY, kFloatOne},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_STENCILMASK, 0xffffffffu},
    {D3DRS_STENCILWRITEMASK, 0xffffffffu},
    {D3DRS_TEXTUREFACTOR, 0xffffffffu},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_LOCALVIEWER, TRUE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_POINTSIZE, kFloatOne},
    {D3DRS_POINTSIZE_MIN, kFloatOne},
    {D3DRS_POINTSCALE_A, kFloatOne},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
    {D3DRS_MULTISAMPLEMASK, 0xffffffffu},
    {D3DRS_DEBUGMONITORTOKEN, 0xbaadcafeu},
    {D3DRS_POINTSIZE_MAX, kFloatOne},
    {D3DRS_COLORWRITEENABLE, 0xf},
    {D3DRS_COLORWRITEENABLE1, 0xf},
    {D3DRS_COLORWRITEENABLE2, 0xf},
    {D3DRS_COLORWRITEENABLE3, 0xf},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {D3DRS_POSITIONDEGREE, 3},  // D3DDEGREE_CUBIC
    {D3DRS_NORMALDEGREE, 1},    // D3DDEGREE_LINEAR
    {D3DRS_MINTESSELLATIONLEVEL, kFloatOne},
    {D3DRS_MAXTESSELLATIONLEVEL, kFloatOne},
    {D3DRS_ADAPTIVETESS_Z, kFloatOne},
    {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_BLENDFACTOR, 0xffffffffu},
    {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
    {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
};

}  // namespace

void ColorToFloats(D3DCOLOR c, float out[4]) {
  out[0] = static_cast<float>((c >> 16) & 0xff) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 0xff) / 255.0f;
  out[2] = static_cast<float>(c & 0xff) / 255.0f;
  out[3] = static_cast<float>((c >> 24) & 0xff) / 255.0f;
}

void DeviceImpl::SetDefaultState() {
  std::memset(rs_, 0, sizeof rs_);
  rs_[D3DRS_ZENABLE] = depthStencil_ ? D3DZB_TRUE : D3DZB_FALSE;
  for (const RenderStateDefault& d : kRenderStateDefaults) rs_[d.state] = d.value;

  std::memset(tss_, 0, sizeof tss_);
  for (int s = 0; s < kMaxSamplers; ++s) {
    DWORD* t = tss_[s];
    t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
    t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }
  std::memset(samp_, 0, sizeof samp_);
  for (auto& s : samp_) {
    s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    s[D3DSAMP_MAXANISOTROPY] = 1;
  }

  for (D3DMATRIX& m : world_) m = Identity();
  view_ = proj_ = Identity();
  for (D3DMATRIX& m : texMatrix_) m = Identity();
  viewport_ = {0, 0, renderTarget_->width(), renderTarget_->height(), 0.0f, 1.0f};
  scissor_ = {0, 0, static_cast<LONG>(renderTarget_->width()), static_cast<LONG>(renderTarget_->height())};
  material_ = {};
  lights_.clear();
  activeLightCount_ = 0;
  fvf_ = 0;

  dirty_ = kDirtyAll;
  dirtySamplers_ = 0xffu;
  keyValid_ = false;
  for (std::uint64_t& g : gen_) ++g;
}

// ---- transforms, viewport, material, lights --------------------------------------------------------

HRESULT DeviceImpl::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  const int s = static_cast<int>(state);
  if (s == D3DTS_VIEW) {
    view_ = *matrix;
    ++gen_[kGroupLights];  // lights are sent in view space
  } else if (s == D3DTS_PROJECTION) {
    proj_ = *matrix;
  } else if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) {
    texMatrix_[s - D3DTS_TEXTURE0] = *matrix;  // kept for GetTransform; texture transforms are not applied
    return D3D_OK;
  } else if (s >= 256 && s < 256 + kWorldMatrices) {
    world_[s - 256] = *matrix;
    if (s != 256) return D3D_OK;  // vertex blending is not supported
  } else if (s >= 256 && s < 512) {
    return D3D_OK;
  } else {
    return D3DERR_INVALIDCALL;
  }
  ++gen_[kGroupTransform];
  return D3D_OK;
}

HRESULT DeviceImpl::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  const int s = static_cast<int>(state);
  if (s == D3DTS_VIEW)
    *matrix = view_;
  else if (s == D3DTS_PROJECTION)
    *matrix = proj_;
  else if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7)
    *matrix = texMatrix_[s - D3DTS_TEXTURE0];
  else if (s >= 256 && s < 256 + kWorldMatrices)
    *matrix = world_[s - 256];
  else if (s >= 256 && s < 512)
    *matrix = Identity();
  else
    return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT DeviceImpl::SetViewport(const D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  const std::uint64_t right = static_cast<std::uint64_t>(vp->X) + vp->Width;
  const std::uint64_t bottom = static_cast<std::uint64_t>(vp->Y) + vp->Height;
  if (right > renderTarget_->width() || bottom > renderTarget_->height()) return D3DERR_INVALIDCALL;
  if (!(vp->MinZ >= 0.0f && vp->MinZ <= 1.0f && vp->MaxZ >= 0.0f && vp->MaxZ <= 1.0f)) return D3DERR_INVALIDCALL;
  viewport_ = *vp;
  dirty_ |= kDirtyViewport;
  ++gen_[kGroupViewport];
  return D3D_OK;
}

HRESULT DeviceImpl::GetViewport(D3DVIEWPORT9* vp) { return CopyOut(viewport_, vp); }

HRESULT DeviceImpl::SetMaterial(const D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  material_ = *material;
  ++gen_[kGroupMaterial];
  return D3D_OK;
}

HRESULT DeviceImpl::GetMaterial(D3DMATERIAL9* material) { return CopyOut(material_, material); }

HRESULT DeviceImpl::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (!light) return D3DERR_INVALIDCALL;
  if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  LightSlot& slot = lights_[index];
  const bool typeChanged = slot.light.Type != light->Type;
  slot.light = *light;
  if (slot.enabled) {
    ++gen_[kGroupLights];
    if (typeChanged) dirty_ |= kDirtyKey;
  }
  return D3D_OK;
}

const LightSlot* DeviceImpl::FindLight(DWORD index) const {
  const auto it = lights_.find(index);
  return it == lights_.end() ? nullptr : &it->second;
}

HRESULT DeviceImpl::GetLight(DWORD index, D3DLIGHT9* light) {
  const LightSlot* slot = FindLight(index);
  if (!light || !slot) return D3DERR_INVALIDCALL;
  *light = slot->light;
  return D3D_OK;
}

HRESULT DeviceImpl::LightEnable(DWORD index, BOOL enable) {
  auto it = lights_.find(index);
  if (it == lights_.end()) {
    if (!enable) return D3D_OK;
    it = lights_.emplace(index, LightSlot{DefaultLight(), false}).first;
  }
  if (it->second.enabled == (enable != FALSE)) return D3D_OK;
  it->second.enabled = enable != FALSE;
  // The active set: the first eight enabled lights by index.
  activeLightCount_ = 0;
  for (const auto& kv : lights_) {
    if (!kv.second.enabled) continue;
    if (activeLightCount_ == kMaxLights) break;
    activeLights_[activeLightCount_++] = kv.first;
  }
  ++gen_[kGroupLights];
  dirty_ |= kDirtyKey;
  return D3D_OK;
}

HRESULT DeviceImpl::GetLightEnable(DWORD index, BOOL* enable) {
  const LightSlot* slot = FindLight(index);
  if (!enable || !slot) return D3DERR_INVALIDCALL;
  *enable = slot->enabled ? TRUE : FALSE;
  return D3D_OK;
}

// ---- render, stage and sampler states --------------------------------------------------------------

HRESULT DeviceImpl::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  const DWORD s = static_cast<DWORD>(state);
  if (s >= kRenderStateCount) return D3DERR_INVALIDCALL;
  if (rs_[s] == value) return D3D_OK;
  rs_[s] = value;
  switch (s) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC: dirty_ |= kDirtyDepth; break;
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
    case D3DRS_BLENDFACTOR: dirty_ |= kDirtyBlend; break;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_POINTSIZE: dirty_ |= kDirtyRaster; break;
    case D3DRS_COLORWRITEENABLE: dirty_ |= kDirtyColorMask; break;
    case D3DRS_SCISSORTESTENABLE: dirty_ |= kDirtyScissor; break;
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK: dirty_ |= kDirtyStencil; break;
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHAREF: ++gen_[kGroupFragment]; break;
    case D3DRS_AMBIENT: ++gen_[kGroupLights]; break;
    case D3DRS_LIGHTING:
    case D3DRS_SPECULARENABLE:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_SHADEMODE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC: dirty_ |= kDirtyKey; break;
    // Stored, with no effect on drawing: named once per device when first changed.
    case D3DRS_LASTPIXEL:
    case D3DRS_DITHERENABLE:
    case D3DRS_CLIPPING:
    case D3DRS_MULTISAMPLEANTIALIAS:
    case D3DRS_MULTISAMPLEMASK:
    case D3DRS_DEBUGMONITORTOKEN: break;
    default:
      if (s >= D3DRS_WRAP0 && s <= D3DRS_WRAP7) {
        dirty_ |= kDirtyKey;
      } else if (!unhandledReported_[s]) {
        unhandledReported_[s] = true;
        std::fprintf(stderr, "d3d9gl: render state %u is kept but not applied (value 0x%x)\n", static_cast<unsigned>(s),
                     static_cast<unsigned>(value));
      }
      break;
  }
  return D3D_OK;
}

HRESULT DeviceImpl::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  const DWORD s = static_cast<DWORD>(state);
  if (!value || s >= kRenderStateCount) return D3DERR_INVALIDCALL;
  *value = rs_[s];
  return D3D_OK;
}

HRESULT DeviceImpl::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  const DWORD t = static_cast<DWORD>(type);
  if (stage >= kMaxStages || t >= kStageStateCount) return D3DERR_INVALIDCALL;
  if (tss_[stage][t] == value) return D3D_OK;
  tss_[stage][t] = value;
  dirty_ |= kDirtyKey;
  const bool unhandled = (t == D3DTSS_TEXTURETRANSFORMFLAGS && value != D3DTTFF_DISABLE) ||
                         (t == D3DTSS_TEXCOORDINDEX && (value & 0xffff0000u)) ||
                         (t >= D3DTSS_BUMPENVMAT00 && t <= D3DTSS_BUMPENVMAT11) || t == D3DTSS_BUMPENVLSCALE ||
                         t == D3DTSS_BUMPENVLOFFSET || t == D3DTSS_CONSTANT;
  if (unhandled && !unhandledStageReported_[t]) {
    unhandledStageReported_[t] = true;
    std::fprintf(stderr, "d3d9gl: texture stage state %u is kept but not applied (value 0x%x)\n",
                 static_cast<unsigned>(t), static_cast<unsigned>(value));
  }
  return D3D_OK;
}

HRESULT DeviceImpl::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  const DWORD t = static_cast<DWORD>(type);
  if (!value || stage >= kMaxStages || t >= kStageStateCount) return D3DERR_INVALIDCALL;
  *value = tss_[stage][t];
  return D3D_OK;
}

namespace {

// Sampler numbers 0..15 are stored; the displacement and vertex samplers (256..260) are accepted
// and ignored.
int SamplerSlot(DWORD sampler) {
  if (sampler < kMaxSamplers) return static_cast<int>(sampler);
  if (sampler >= 256 && sampler <= 260) return -1;
  return -2;
}

}  // namespace

HRESULT DeviceImpl::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  const DWORD t = static_cast<DWORD>(type);
  const int slot = SamplerSlot(sampler);
  if (slot == -2 || t == 0 || t >= kSamplerStateCount) return D3DERR_INVALIDCALL;
  if (slot < 0) return D3D_OK;
  if (samp_[slot][t] == value) return D3D_OK;
  samp_[slot][t] = value;
  if (slot < kMaxStages) dirtySamplers_ |= 1u << slot;
  return D3D_OK;
}

HRESULT DeviceImpl::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  const DWORD t = static_cast<DWORD>(type);
  const int slot = SamplerSlot(sampler);
  if (!value || slot == -2 || t == 0 || t >= kSamplerStateCount) return D3DERR_INVALIDCALL;
  *value = slot < 0 ? 0 : samp_[slot][t];
  return D3D_OK;
}

HRESULT DeviceImpl::SetScissorRect(const RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  scissor_ = *rect;
  dirty_ |= kDirtyScissor;
  return D3D_OK;
}

HRESULT DeviceImpl::GetScissorRect(RECT* rect) { return CopyOut(scissor_, rect); }

// ---- bindings --------------------------------------------------------------------------------------

namespace {

// The layer's object behind `in` when it is one of `device`'s; a null `in` gives null.
template <typename Impl, typename Interface>
bool OwnObject(Interface* in, const DeviceImpl* device, Impl** out) {
  *out = in ? dynamic_cast<Impl*>(in) : nullptr;
  return !in || (*out && (*out)->device() == device);
}

}  // namespace

HRESULT DeviceImpl::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  int slot;
  if (stage < kMaxSamplers)
    slot = static_cast<int>(stage);
  else if (stage >= 256 && stage <= 260)
    return D3D_OK;
  else
    return D3DERR_INVALIDCALL;
  TextureImpl* t;
  if (!OwnObject(texture, this, &t)) return D3DERR_INVALIDCALL;
  if (textures_[slot] == t) return D3D_OK;
  Rebind(textures_[slot], t);
  dirty_ |= kDirtyTextures | kDirtyKey;
  return D3D_OK;
}

HRESULT DeviceImpl::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (!ClearOut(texture)) return D3DERR_INVALIDCALL;
  if (stage >= 256 && stage <= 260) return D3D_OK;
  if (stage >= kMaxSamplers) return D3DERR_INVALIDCALL;
  return HandOut(textures_[stage], texture);
}

HRESULT DeviceImpl::SetFVF(DWORD fvf) {
  if (fvf_ != fvf) dirty_ |= kDirtyKey;
  fvf_ = fvf;
  return D3D_OK;
}

HRESULT DeviceImpl::GetFVF(DWORD* fvf) { return CopyOut(fvf_, fvf); }

HRESULT DeviceImpl::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
  if (stream != 0) return D3DERR_INVALIDCALL;  // FVF drawing reads stream 0 only
  VertexBufferImpl* vb;
  if (!OwnObject(buffer, this, &vb)) return D3DERR_INVALIDCALL;
  Rebind(stream_, vb);
  streamOffset_ = offset;
  streamStride_ = stride;
  return D3D_OK;
}

HRESULT DeviceImpl::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) {
  if (!buffer || !offset || !stride) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (stream != 0) return D3DERR_INVALIDCALL;
  HandOut(stream_, buffer);
  *offset = streamOffset_;
  *stride = streamStride_;
  return D3D_OK;
}

HRESULT DeviceImpl::SetIndices(IDirect3DIndexBuffer9* buffer) {
  IndexBufferImpl* ib;
  if (!OwnObject(buffer, this, &ib)) return D3DERR_INVALIDCALL;
  Rebind(indices_, ib);
  return D3D_OK;
}

HRESULT DeviceImpl::GetIndices(IDirect3DIndexBuffer9** buffer) {
  if (!ClearOut(buffer)) return D3DERR_INVALIDCALL;
  return HandOut(indices_, buffer);
}

// ---- values for the uniforms -----------------------------------------------------------------------

void DeviceImpl::UpdateDerived() {
  if (derivedGen_[kGroupTransform] != gen_[kGroupTransform]) {
    derivedGen_[kGroupTransform] = gen_[kGroupTransform];
    Multiply(world_[0], view_, worldView_);
    // Normals go through the inverse transpose of the upper 3x3 of world x view.
    const float* m = worldView_;
    const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (std::fabs(det) > 1e-30f) {
      const float k = 1.0f / det;
      // inverse = adj / det; its transpose (row-major) is the cofactor matrix / det.
      normalMat_[0] = A * k, normalMat_[1] = B * k, normalMat_[2] = C * k;
      normalMat_[3] = -(b * i - c * h) * k, normalMat_[4] = (a * i - c * g) * k, normalMat_[5] = -(a * h - b * g) * k;
      normalMat_[6] = (b * f - c * e) * k, normalMat_[7] = -(a * f - c * d) * k, normalMat_[8] = (a * e - b * d) * k;
    } else {
      // A singular matrix (a planar shadow's flattening) has no inverse: the matrix itself turns
      // the normals, as in Direct3D's d3d9.dll under Wine (and Direct3D 3 and older).
      normalMat_[0] = a, normalMat_[1] = d, normalMat_[2] = g;
      normalMat_[3] = b, normalMat_[4] = e, normalMat_[5] = h;
      normalMat_[6] = c, normalMat_[7] = f, normalMat_[8] = i;
    }
  }
  if (derivedGen_[kGroupViewport] != gen_[kGroupViewport]) {
    derivedGen_[kGroupViewport] = gen_[kGroupViewport];
    const float vw = static_cast<float>(viewport_.Width ? viewport_.Width : 1);
    const float vh = static_cast<float>(viewport_.Height ? viewport_.Height : 1);
    // Direct3D samples pixel (i, j) at (i, j), GL at (i + 0.5, j + 0.5): shift by half a pixel.
    pixelOffset_[0] = (1.0f + 2.0f * biasX_) / vw;
    pixelOffset_[1] = (1.0f + 2.0f * biasY_) / vh;
    // Pre-transformed x, y (target pixels, y down as stored) to GL's normalised coordinates.
    rhwXform_[0] = 2.0f / vw;
    rhwXform_[1] = 2.0f / vh;
    rhwXform_[2] = 2.0f * (0.5f + biasX_ - static_cast<float>(viewport_.X)) / vw - 1.0f;
    rhwXform_[3] = 2.0f * (0.5f + biasY_ - static_cast<float>(viewport_.Y)) / vh - 1.0f;
  }
  if (derivedGen_[kGroupLights] != gen_[kGroupLights]) {
    derivedGen_[kGroupLights] = gen_[kGroupLights];
    ColorToFloats(rs_[D3DRS_AMBIENT], globalAmbient_);
    for (int n = 0; n < activeLightCount_; ++n) {
      const D3DLIGHT9& l = lights_[activeLights_[n]].light;
      float* c;
      c = lightDiffuse_ + n * 4, c[0] = l.Diffuse.r, c[1] = l.Diffuse.g, c[2] = l.Diffuse.b, c[3] = l.Diffuse.a;
      c = lightSpecular_ + n * 4, c[0] = l.Specular.r, c[1] = l.Specular.g, c[2] = l.Specular.b, c[3] = l.Specular.a;
      c = lightAmbient_ + n * 4, c[0] = l.Ambient.r, c[1] = l.Ambient.g, c[2] = l.Ambient.b, c[3] = l.Ambient.a;
      const D3DVECTOR& p = l.Position;
      const D3DVECTOR& d = l.Direction;
      float* o = lightPos_ + n * 4;
      for (int j = 0; j < 3; ++j)
        o[j] = p.x * view_.m[0][j] + p.y * view_.m[1][j] + p.z * view_.m[2][j] + view_.m[3][j];
      o[3] = 1.0f;
      o = lightDir_ + n * 4;
      for (int j = 0; j < 3; ++j) o[j] = d.x * view_.m[0][j] + d.y * view_.m[1][j] + d.z * view_.m[2][j];
      const float len = std::sqrt(o[0] * o[0] + o[1] * o[1] + o[2] * o[2]);
      if (len > 0.0f) o[0] /= len, o[1] /= len, o[2] /= len;
      o[3] = 0.0f;
      o = lightAtten_ + n * 4;
      o[0] = l.Attenuation0, o[1] = l.Attenuation1, o[2] = l.Attenuation2, o[3] = l.Range;
      o = lightSpot_ + n * 4;
      o[0] = std::cos(l.Theta * 0.5f), o[1] = std::cos(l.Phi * 0.5f), o[2] = l.Falloff, o[3] = 0.0f;
    }
  }
  if (derivedGen_[kGroupFragment] != gen_[kGroupFragment]) {
    derivedGen_[kGroupFragment] = gen_[kGroupFragment];
    ColorToFloats(rs_[D3DRS_TEXTUREFACTOR], tfactor_);
    alphaRef_ = static_cast<float>(rs_[D3DRS_ALPHAREF]);
  }
}

}  // namespace d3d9gl
