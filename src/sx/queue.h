// TSXRenderingQueue: what one scene pass draws into one bucket (frames with meshes, camera-facing
// sprites placed in 3D, screen sprites placed in pixels), drawn by Flush in a controlled order
// with a minimum of state changes.
//
// A sorted flush orders all three kinds together by view depth, farthest first, with the
// quicksort below (not stable: the order of equal keys is the one it leaves). Sprites are drawn as
// two-triangle strips of pre-transformed vertices (FVF 0x1C4, 32 bytes) from client memory.
//
// Storage: three entry arrays (32 entries each at creation) and the order and key arrays (as long
// as the three together). A full array doubles; the arrays only grow and are reused from pass to
// pass, so a steady scene allocates nothing per frame. Entries live until the next Flush of this
// queue. Frames and textures referred to must live until then; the queue owns neither.
//
// The queue belongs to its scene (TSXScene), whose blend-mode table, BlendOpSupported flag and
// ScreenMatrix it uses. Single-threaded.
#pragma once

#include <cstdint>
#include <vector>

#include "dg/fwd.h"
#include "dg/object.h"
#include "sx/fwd.h"
#include "sx/mathpack.h"

namespace sx {

constexpr DWORD kSpriteFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;  // 0x1C4
constexpr std::uint32_t kInitialQueueCapacity = 32;

// One camera-facing sprite. Position is in Frame's space (the world without a frame) with w = 1
// when queued; a sorted flush replaces it with its transform to pixels before the division by w.
struct TSXSpriteEntry {
  std::uint8_t ScaleWithDistance;  // vertex offsets are scaled by (viewport width / 2) / depth
  std::uint8_t LinearFilter;       // linear, else point sampling
  std::int32_t BlendModeIndex;
  TSXFrame* Frame;
  Vec4 Position;
  dg::TDGTexture* Texture;
  SpriteVertex Vertices[4];  // offsets in pixels, triangle-strip order
};

// One screen-aligned sprite: X, Y in pixels, Z the depth written to the vertices and the sort key
// (below 0: not drawn).
struct TSXScreenSpriteEntry {
  std::uint8_t LinearFilter;
  std::int32_t BlendModeIndex;
  dg::TDGTexture* Texture;
  float X, Y, Z;
  SpriteVertex Vertices[4];
};

class TSXRenderingQueue : public dg::TObject {
 public:
  TSXRenderingQueue(dg::TDGCarad& device, TSXScene& scene);
  const char* ClassName() const override { return "TSXRenderingQueue"; }

  void AddFrame(TSXFrame* frame);
  // The vertices are copied; the position gets w = 1.
  void AddSprite(bool scaleWithDistance, bool linearFilter, const SpriteVertex vertices[4], dg::TDGTexture* texture,
                 const Vec3& position, TSXFrame* frame, std::int32_t blendModeIndex);
  void AddScreenSprite(bool linearFilter, std::int32_t blendModeIndex, const SpriteVertex vertices[4],
                       dg::TDGTexture* texture, float x, float y, float z);
  // Draws everything (sorted by depth when `sort`) with view matrix `view` and the device's current
  // projection, then empties the queue. Without a device the entries are dropped.
  void Flush(bool sort, const Mat4& view, const D3DVIEWPORT9& viewport);
  // Empties the queue without drawing (what was queued for a pass that never ran); the arrays keep
  // their size.
  void Drop() { frameCount_ = spriteCount_ = screenSpriteCount_ = 0; }

  std::uint32_t FrameCount() const { return frameCount_; }
  std::uint32_t SpriteCount() const { return spriteCount_; }
  std::uint32_t ScreenSpriteCount() const { return screenSpriteCount_; }
  std::uint32_t FrameCapacity() const { return static_cast<std::uint32_t>(frames_.size()); }
  std::uint32_t SpriteCapacity() const { return static_cast<std::uint32_t>(sprites_.size()); }
  std::uint32_t ScreenSpriteCapacity() const { return static_cast<std::uint32_t>(screenSprites_.size()); }
  // Length of the order and key arrays.
  std::uint32_t OrderCapacity() const { return static_cast<std::uint32_t>(order_.size()); }
  // Sprites and screen sprites that took part in the last sorted flush.
  std::uint32_t SortedSpriteCount() const { return sortedSprites_; }
  std::uint32_t SortedScreenSpriteCount() const { return sortedScreenSprites_; }

 private:
  void GrowOrder();
  void ResetStates(IDirect3DDevice9* d);
  void ApplyState(IDirect3DDevice9* d, std::int32_t blendModeIndex, IDirect3DTexture9* texture, DWORD specular,
                  DWORD fillMode, DWORD wrap, DWORD lighting);
  void SetRenderStateCached(IDirect3DDevice9* d, D3DRENDERSTATETYPE state, DWORD value, DWORD& cached);
  void SpriteFilter(IDirect3DDevice9* d, bool linear);
  void RestoreFilter(IDirect3DDevice9* d);
  // Position of sprite entry `e` by the cached sprite matrix (recomputed when the frame changes).
  Vec4 TransformSprite(const TSXSpriteEntry& e);
  float FrameKey(TSXFrame& frame);
  void Sort(std::int32_t lo, std::int32_t hi);
  void DrawFrame(IDirect3DDevice9* d, TSXFrame& frame);
  void DrawSprite(IDirect3DDevice9* d, TSXSpriteEntry& e, bool transformed);
  void DrawScreenSprite(IDirect3DDevice9* d, const TSXScreenSpriteEntry& e);

  dg::TDGCarad& device_;
  TSXScene& scene_;
  std::vector<TSXFrame*> frames_;
  std::vector<TSXSpriteEntry> sprites_;
  std::vector<TSXScreenSpriteEntry> screenSprites_;
  std::vector<std::int32_t> order_;
  std::vector<float> keys_;
  std::uint32_t frameCount_ = 0;
  std::uint32_t spriteCount_ = 0;
  std::uint32_t screenSpriteCount_ = 0;
  std::uint32_t sortedSprites_ = 0;
  std::uint32_t sortedScreenSprites_ = 0;

  // Valid within one flush.
  Mat4 toScreen_{};  // view x projection x the scene's ScreenMatrix
  float halfWidth_ = 0;
  std::int32_t currentBlend_ = 0;
  IDirect3DTexture9* currentTexture_ = nullptr;
  DWORD specular_ = 0, lighting_ = 0, fillMode_ = 0, wrap_ = 0;
  bool filterChanged_ = false;
  bool lastLinear_ = false;
  DWORD savedMagFilter_ = 0, savedMinFilter_ = 0;
  const TSXFrame* spriteMatrixFrame_ = nullptr;
  bool spriteMatrixValid_ = false;
  Mat4 spriteMatrix_{};
};

}  // namespace sx
