#include "sx/queue.h"

#include <cmath>
#include <cstring>

#include "dg/carad.h"
#include "dg/texture.h"
#include "sx/frame.h"
#include "sx/mesh.h"
#include "sx/scene.h"

namespace sx {

namespace {

// One drawn sprite corner (FVF 0x1C4).
struct SpriteCorner {
  float x, y, z, rhw;
  D3DCOLOR diffuse, specular;
  float tu, tv;
};
static_assert(sizeof(SpriteCorner) == 32, "sprite vertices are 32 bytes");

IDirect3DTexture9* TextureOf(const dg::TDGTexture* texture) { return texture ? texture->Texture() : nullptr; }

DWORD Flag(bool on) { return on ? 1u : 0u; }

// Doubles `v` when `count` has reached its size; true when it grew.
template <class T>
bool GrowFull(std::vector<T>& v, std::uint32_t count) {
  if (count < v.size()) return false;
  v.resize(v.empty() ? kInitialQueueCapacity : v.size() * 2);
  return true;
}

}  // namespace

TSXRenderingQueue::TSXRenderingQueue(dg::TDGCarad& device, TSXScene& scene)
    : device_(device),
      scene_(scene),
      frames_(kInitialQueueCapacity),
      sprites_(kInitialQueueCapacity),
      screenSprites_(kInitialQueueCapacity) {
  GrowOrder();
}

void TSXRenderingQueue::GrowOrder() {
  const std::size_t total = frames_.size() + sprites_.size() + screenSprites_.size();
  order_.resize(total);
  keys_.resize(total);
}

void TSXRenderingQueue::AddFrame(TSXFrame* frame) {
  if (GrowFull(frames_, frameCount_)) GrowOrder();
  frames_[frameCount_++] = frame;
}

void TSXRenderingQueue::AddSprite(bool scaleWithDistance, bool linearFilter, const SpriteVertex vertices[4],
                                  dg::TDGTexture* texture, const Vec3& position, TSXFrame* frame,
                                  std::int32_t blendModeIndex) {
  if (GrowFull(sprites_, spriteCount_)) GrowOrder();
  TSXSpriteEntry& e = sprites_[spriteCount_++];
  e.ScaleWithDistance = Flag(scaleWithDistance);
  e.LinearFilter = Flag(linearFilter);
  e.BlendModeIndex = blendModeIndex;
  e.Frame = frame;
  e.Position = Vec3ToVec4(position);
  e.Texture = texture;
  std::memcpy(e.Vertices, vertices, sizeof e.Vertices);
}

void TSXRenderingQueue::AddScreenSprite(bool linearFilter, std::int32_t blendModeIndex, const SpriteVertex vertices[4],
                                        dg::TDGTexture* texture, float x, float y, float z) {
  if (GrowFull(screenSprites_, screenSpriteCount_)) GrowOrder();
  TSXScreenSpriteEntry& e = screenSprites_[screenSpriteCount_++];
  e.LinearFilter = Flag(linearFilter);
  e.BlendModeIndex = blendModeIndex;
  e.Texture = texture;
  e.X = x;
  e.Y = y;
  e.Z = z;
  std::memcpy(e.Vertices, vertices, sizeof e.Vertices);
}

void TSXRenderingQueue::Flush(bool sort, const Mat4& view, const D3DVIEWPORT9& viewport) {
  IDirect3DDevice9* d = device_.Device();
  if (d) {
    D3DMATRIX projection;
    std::memset(&projection, 0, sizeof projection);
    d->GetTransform(D3DTS_PROJECTION, &projection);
    Mat4 p;
    std::memcpy(&p, &projection, sizeof p);
    toScreen_ = MatMultiply(MatMultiply(view, p), scene_.ScreenMatrix());
    halfWidth_ = static_cast<float>(viewport.Width) / 2.0f;
    spriteMatrixValid_ = false;
    spriteMatrixFrame_ = nullptr;
    ResetStates(d);

    if (!sort) {
      for (std::uint32_t i = 0; i < frameCount_; ++i) DrawFrame(d, *frames_[i]);
      for (std::uint32_t i = 0; i < spriteCount_; ++i) DrawSprite(d, sprites_[i], false);
      for (std::uint32_t i = 0; i < screenSpriteCount_; ++i) DrawScreenSprite(d, screenSprites_[i]);
    } else {
      std::int32_t n = 0;
      for (std::uint32_t i = 0; i < frameCount_; ++i) {
        order_[n] = static_cast<std::int32_t>(i);
        keys_[n++] = FrameKey(*frames_[i]);
      }
      sortedSprites_ = 0;
      for (std::uint32_t i = 0; i < spriteCount_; ++i) {
        TSXSpriteEntry& e = sprites_[i];
        e.Position = TransformSprite(e);
        if (e.Position.w > 0) {
          order_[n] = static_cast<std::int32_t>(frameCount_ + i);
          keys_[n++] = e.Position.w;
          ++sortedSprites_;
        }
      }
      sortedScreenSprites_ = 0;
      for (std::uint32_t i = 0; i < screenSpriteCount_; ++i) {
        if (screenSprites_[i].Z >= 0) {
          order_[n] = static_cast<std::int32_t>(frameCount_ + spriteCount_ + i);
          keys_[n++] = screenSprites_[i].Z;
          ++sortedScreenSprites_;
        }
      }
      Sort(0, n - 1);
      for (std::int32_t k = 0; k < n; ++k) {
        const auto e = static_cast<std::uint32_t>(order_[k]);
        if (e < frameCount_) {
          DrawFrame(d, *frames_[e]);
        } else if (e < frameCount_ + spriteCount_) {
          DrawSprite(d, sprites_[e - frameCount_], true);
        } else {
          DrawScreenSprite(d, screenSprites_[e - frameCount_ - spriteCount_]);
        }
      }
    }
    RestoreFilter(d);
  }
  frameCount_ = spriteCount_ = screenSpriteCount_ = 0;
}

void TSXRenderingQueue::ResetStates(IDirect3DDevice9* d) {
  d->SetTexture(0, nullptr);
  currentTexture_ = nullptr;
  d->SetRenderState(D3DRS_SPECULARENABLE, 1);
  d->SetRenderState(D3DRS_LIGHTING, 1);
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  d->SetRenderState(D3DRS_WRAP0, 0);
  specular_ = 1;
  lighting_ = 1;
  fillMode_ = D3DFILL_SOLID;
  wrap_ = 0;
  currentBlend_ = 0;
  filterChanged_ = false;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  d->SetRenderState(D3DRS_ZENABLE, 1);
  d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

void TSXRenderingQueue::SetRenderStateCached(IDirect3DDevice9* d, D3DRENDERSTATETYPE state, DWORD value,
                                             DWORD& cached) {
  if (value == cached) return;
  d->SetRenderState(state, value);
  cached = value;
}

void TSXRenderingQueue::ApplyState(IDirect3DDevice9* d, std::int32_t blendModeIndex, IDirect3DTexture9* texture,
                                   DWORD specular, DWORD fillMode, DWORD wrap, DWORD lighting) {
  if (blendModeIndex != currentBlend_) {
    const BlendMode& row = scene_.BlendModeRow(blendModeIndex);
    if (row.blending) {
      d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
      d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
      d->SetRenderState(D3DRS_SRCBLEND, row.srcBlend);
      d->SetRenderState(D3DRS_DESTBLEND, row.destBlend);
      if (scene_.BlendOpSupported()) d->SetRenderState(D3DRS_BLENDOP, row.blendOp);
    } else {
      d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
      d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    }
    if (row.alphaTest != 0) {
      d->SetRenderState(D3DRS_ALPHATESTENABLE, row.alphaTest & 0x7Fu);
      d->SetRenderState(D3DRS_ALPHAFUNC, row.alphaFunc);
    }
    currentBlend_ = blendModeIndex;
  }
  if (texture != currentTexture_) {
    d->SetTexture(0, texture);
    currentTexture_ = texture;
  }
  SetRenderStateCached(d, D3DRS_SPECULARENABLE, specular, specular_);
  SetRenderStateCached(d, D3DRS_LIGHTING, lighting, lighting_);
  SetRenderStateCached(d, D3DRS_WRAP0, wrap, wrap_);
  SetRenderStateCached(d, D3DRS_FILLMODE, fillMode, fillMode_);
}

void TSXRenderingQueue::SpriteFilter(IDirect3DDevice9* d, bool linear) {
  if (!filterChanged_) {
    DWORD magFilter = 0, minFilter = 0;
    d->GetSamplerState(0, D3DSAMP_MAGFILTER, &magFilter);
    d->GetSamplerState(0, D3DSAMP_MINFILTER, &minFilter);
    savedMagFilter_ = magFilter;
    savedMinFilter_ = minFilter;
    filterChanged_ = true;
  } else if (linear == lastLinear_) {
    return;
  }
  const DWORD filter = linear ? D3DTEXF_LINEAR : D3DTEXF_POINT;
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
  lastLinear_ = linear;
}

void TSXRenderingQueue::RestoreFilter(IDirect3DDevice9* d) {
  if (!filterChanged_) return;
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, savedMagFilter_);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, savedMinFilter_);
  filterChanged_ = false;
}

Vec4 TSXRenderingQueue::TransformSprite(const TSXSpriteEntry& e) {
  if (e.Frame && !e.Frame->WorldValid) e.Frame->UpdateWorldMatrix();
  if (!spriteMatrixValid_ || e.Frame != spriteMatrixFrame_) {
    spriteMatrix_ = e.Frame ? MatMultiply(e.Frame->WorldMatrix, toScreen_) : toScreen_;
    spriteMatrixFrame_ = e.Frame;
    spriteMatrixValid_ = true;
  }
  return Vec4Transform(e.Position, spriteMatrix_);
}

float TSXRenderingQueue::FrameKey(TSXFrame& frame) {
  float key = 0;
  if (frame.OnGetDepth) {
    frame.OnGetDepth(frame, scene_, key, device_);
    return key;
  }
  const TSXMesh* mesh = frame.Mesh;
  if (!mesh) return 0;
  const Mat4 m = MatMultiply(frame.MeshWorldMatrix, toScreen_);
  const auto w = [&m](const Vec3& p) { return Vec4Transform(Vec3ToVec4(p), m).w; };
  switch (frame.DepthMode) {
    case kDepthCenter: return w(mesh->Center);
    case kDepthFarEnd: return w(mesh->Center) + std::fabs(w(mesh->BoxMax) - w(mesh->BoxMin)) / 2;
    case kDepthNearEnd: return w(mesh->Center) - std::fabs(w(mesh->BoxMax) - w(mesh->BoxMin)) / 2;
    default: return 0;
  }
}

// Quicksort of keys_[lo..hi], largest first, moving order_ along. The partition is the one the
// picture depends on (the order it leaves equal keys in); the larger part is handled by the loop
// rather than by recursion, which keeps the stack to O(log n) and the result unchanged.
void TSXRenderingQueue::Sort(std::int32_t lo, std::int32_t hi) {
  while (lo < hi) {
    const float pivot = keys_[static_cast<std::size_t>((lo + hi) / 2)];
    std::int32_t i = lo - 1;
    std::int32_t j = hi + 1;
    for (;;) {
      do {
        ++i;
      } while (keys_[i] > pivot);
      do {
        --j;
      } while (keys_[j] < pivot);
      if (j <= i) break;
      std::swap(keys_[i], keys_[j]);
      std::swap(order_[i], order_[j]);
    }
    if (i - 1 - lo < hi - (j + 1)) {
      Sort(lo, i - 1);
      lo = j + 1;
    } else {
      Sort(j + 1, hi);
      hi = i - 1;
    }
  }
}

void TSXRenderingQueue::DrawFrame(IDirect3DDevice9* d, TSXFrame& frame) {
  RestoreFilter(d);
  ApplyState(d, frame.BlendModeIndex, TextureOf(frame.Texture()), Flag(frame.Specular), frame.FillMode, frame.Wrap,
             Flag(frame.Lighting));
  D3DMATRIX world;
  std::memcpy(&world, &frame.MeshWorldMatrix, sizeof world);
  d->SetTransform(D3DTS_WORLD, &world);
  d->SetMaterial(&frame.Material);
  if (!frame.OnRender) {
    if (frame.Mesh) frame.Mesh->Draw();
  } else {
    frame.OnRender(frame, scene_, device_);
    d->SetTexture(0, currentTexture_);
  }
}

void TSXRenderingQueue::DrawSprite(IDirect3DDevice9* d, TSXSpriteEntry& e, bool transformed) {
  SpriteFilter(d, e.LinearFilter != 0);
  ApplyState(d, e.BlendModeIndex, TextureOf(e.Texture), 0, D3DFILL_SOLID, 0, 0);
  const Vec4 p = transformed ? e.Position : TransformSprite(e);
  if (!(p.w > 0)) return;
  Vec4 s;
  if (!Vec4Project(p, s)) return;
  // Offsets in pixels, or scaled with the distance: (viewport width / 2) / depth pixels a unit.
  SpriteCorner corners[4];
  for (int k = 0; k < 4; ++k) {
    const SpriteVertex& v = e.Vertices[k];
    const float x = e.ScaleWithDistance ? v.x * halfWidth_ * s.w : v.x;
    const float y = e.ScaleWithDistance ? v.y * halfWidth_ * s.w : v.y;
    corners[k] = {s.x + x, s.y + y, s.z, s.w, v.color, 0, v.tu, v.tv};
  }
  d->SetFVF(kSpriteFVF);
  d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(SpriteCorner));
}

void TSXRenderingQueue::DrawScreenSprite(IDirect3DDevice9* d, const TSXScreenSpriteEntry& e) {
  SpriteFilter(d, e.LinearFilter != 0);
  ApplyState(d, e.BlendModeIndex, TextureOf(e.Texture), 0, D3DFILL_SOLID, 0, 0);
  if (e.Z < 0) return;
  SpriteCorner corners[4];
  for (int k = 0; k < 4; ++k) {
    const SpriteVertex& v = e.Vertices[k];
    corners[k] = {e.X + v.x, e.Y + v.y, e.Z, 0.5f, v.color, 0, v.tu, v.tv};
  }
  d->SetFVF(kSpriteFVF);
  d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(SpriteCorner));
}

}  // namespace sx
