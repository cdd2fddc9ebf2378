// IDirect3DDevice9 on an OpenGL 3.3 core context. Setters record Direct3D state and mark dirty
// groups; draws translate the dirty groups into GL calls through a mirror of the GL state, so
// unchanged GL state is never sent twice. The implementation is split by concern:
//   device.cpp        creation, reference counts, loss and Reset, presentation, surfaces, hooks
//   device_state.cpp  state setters and getters, defaults
//   draw.cpp          vertex formats, draws, Clear, translation of the state into GL
//   ffp.cpp           fixed-function lighting and texture stages as generated GLSL
//   resources.cpp     textures, surfaces, vertex and index buffers
#pragma once

#include <SDL.h>
#include <d3d9.h>

#include "d3d9_linux.h"
#include "direct3d9.h"
#include "ffp.h"
#include "gl_api.h"
#include "resources.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace d3d9gl {

constexpr int kMaxSamplers = 16;  // accepted sampler / stage indices; 0..7 are used
constexpr int kRenderStateCount = 256;
constexpr int kStageStateCount = 33;
constexpr int kSamplerStateCount = 14;
constexpr int kWorldMatrices = 4;
constexpr UINT kUpRingBytes = 4u << 20;  // stream buffer of DrawPrimitiveUP / DrawIndexedPrimitiveUP

enum DirtyBit : std::uint32_t {
  kDirtyFramebuffer = 1u << 0,
  kDirtyViewport = 1u << 1,
  kDirtyScissor = 1u << 2,
  kDirtyBlend = 1u << 3,
  kDirtyDepth = 1u << 4,
  kDirtyRaster = 1u << 5,  // cull, fill, point size
  kDirtyColorMask = 1u << 6,
  kDirtyStencil = 1u << 7,
  kDirtyKey = 1u << 8,  // anything that selects the program
  kDirtyTransform = 1u << 9,
  kDirtyLights = 1u << 10,
  kDirtyMaterial = 1u << 11,
  kDirtyFragment = 1u << 12,  // texture factor, alpha reference
  kDirtyTextures = 1u << 13,
  kDirtySamplers = 1u << 14,
  kDirtyAll = 0xffffffffu,
};

// Where each component of an FVF vertex lies; offsets in bytes, ~0u when absent.
struct FvfLayout {
  DWORD fvf = 0;
  UINT stride = 0;
  bool rhw = false;
  GLint positionSize = 0;
  UINT normal = ~0u, diffuse = ~0u, specular = ~0u;
  UINT texCount = 0;
  UINT texOffset[kMaxTexCoords] = {};
  GLint texSize[kMaxTexCoords] = {};
};
// False for formats the layer cannot draw (no position, XYZW, blend weights with indices...).
bool DecodeFvf(DWORD fvf, FvfLayout* layout);

// What GL currently has; compared before every GL call of the state translation.
struct GlMirror {
  GLuint program, vao, arrayBuffer, elementBuffer, drawFbo, readFbo;
  GLuint activeUnit;
  GLuint texture[kMaxStages + 1];  // the last unit is used for uploads
  GLuint sampler[kMaxStages];
  int blend;
  GLenum srcRgb, dstRgb, srcAlpha, dstAlpha, eqRgb, eqAlpha;
  DWORD blendColor;
  int depthTest, depthMask;
  GLenum depthFunc;
  int cull;
  GLenum cullFace, polygonMode;
  int scissor;
  GLint scissorBox[4], viewport[4];
  float depthRange[2];
  DWORD colorMask;
  int stencil;
  GLenum stencilFunc, stencilFail, stencilZFail, stencilPass;
  GLint stencilRef;
  GLuint stencilMask, stencilWriteMask;
  float pointSize;
  // Vertex attribute set-up of the one vertex array.
  int attribsKnown;
  std::uint32_t attribs;  // enabled attribute arrays
  int layoutValid;
  GLuint layoutBuffer;
  UINT layoutOffset, layoutStride;
  DWORD layoutFvf;
};

// GL parameters of one sampler object as last sent.
struct SamplerMirror {
  GLint minFilter = -1, magFilter = -1, wrapS = -1, wrapT = -1;
  DWORD border = 0xffffffffu;
  bool borderValid = false;
  float lodBias = -1e30f, minLod = -1e30f;
};

struct LightSlot {
  D3DLIGHT9 light;
  bool enabled = false;
};

class DeviceImpl final : public OwnedObject<IDirect3DDevice9> {
 public:
  // Validates the parameters, creates the GL context on the window and writes back the chosen
  // present parameters. The device holds a reference on d3d.
  static HRESULT Create(Direct3D9Impl* d3d, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* params,
                        IDirect3DDevice9** device);

  // IDirect3DDevice9 (device.cpp)
  HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
  UINT STDMETHODCALLTYPE GetAvailableTextureMem() override;
  HRESULT STDMETHODCALLTYPE EvictManagedResources() override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** d3d) override;
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
  HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) override;
  HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* params) override;
  HRESULT STDMETHODCALLTYPE Present(const RECT* src, const RECT* dst, HWND override, const RGNDATA* dirty) override;
  HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                          IDirect3DSurface9** surface) override;
  HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                          D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
  HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                               IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
  HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
  HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                               DWORD quality, BOOL lockable, IDirect3DSurface9** surface,
                                               HANDLE* shared) override;
  HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest) override;
  HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                        IDirect3DSurface9** surface, HANDLE* shared) override;
  HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
  HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
  HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** surface) override;
  HRESULT STDMETHODCALLTYPE BeginScene() override;
  HRESULT STDMETHODCALLTYPE EndScene() override;
  // device_state.cpp
  HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* material) override;
  HRESULT STDMETHODCALLTYPE SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT STDMETHODCALLTYPE GetLight(DWORD index, D3DLIGHT9* light) override;
  HRESULT STDMETHODCALLTYPE LightEnable(DWORD index, BOOL enable) override;
  HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT* rect) override;
  HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* rect) override;
  HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
  HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) override;
  HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                            UINT stride) override;
  HRESULT STDMETHODCALLTYPE GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                            UINT* stride) override;
  HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* buffer) override;
  HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** buffer) override;
  // draw.cpp
  HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                  DWORD stencil) override;
  HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                                 UINT startIndex, UINT count) override;
  HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                                   const void* indices, D3DFORMAT indexFormat, const void* data,
                                                   UINT stride) override;

  // ---- used by the resources and the hooks ----------------------------------------------------
  const Gl& gl() const { return gl_; }
  void MakeCurrent();
  void Register(Resource* r);
  void Unregister(Resource* r);
  // Binds a texture on the upload unit (for TexImage/TexSubImage) through the mirror.
  void BindUploadTexture(GLuint texture);
  void ForgetTexture(GLuint texture);
  void ForgetSurface(SurfaceImpl* surface);  // drops framebuffers that use its storage
  void ForgetBuffer(GLuint buffer);
  // Reads a render-target surface into memory laid out top row first with the given pitch.
  bool ReadRenderTarget(SurfaceImpl* surface, std::uint8_t* dest, UINT pitch);
  void WriteRenderTarget(SurfaceImpl* surface, const std::uint8_t* src, UINT pitch);
  D3D9LINUX_STATS& stats() { return stats_; }

  void ForceLost();
  void FailResets(UINT count) { failingResets_ = count; }
  void SwapInterval(int* requested, BOOL* accepted) const;
  void SetStateCache(bool enabled) { stateCache_ = enabled; }

 private:
  DeviceImpl(Direct3D9Impl* d3d, D3DDEVTYPE type, HWND focus, DWORD flags);
  ~DeviceImpl() override;

  // device.cpp
  HRESULT Init(D3DPRESENT_PARAMETERS* params);
  HRESULT CheckParams(D3DPRESENT_PARAMETERS* params, bool creating);
  void CreateImplicitSurfaces();
  void CalibrateRaster();
  void ApplySwapInterval();
  bool HasBlockingResources() const;
  // The largest texture side: the context's GL_MAX_TEXTURE_SIZE (before the context exists, the
  // adapter's probe of the same renderer). The back buffer is held within the depth buffer's
  // (GL_MAX_RENDERBUFFER_SIZE) and the viewport's limits as well.
  UINT MaxTextureSize() const;
  UINT BackBufferLimit() const;
  void UnbindAll();
  // device_state.cpp
  void SetDefaultState();
  const LightSlot* FindLight(DWORD index) const;  // null for a light never set
  void UpdateDerived();
  // draw.cpp
  void InitGlState();
  void InvalidateMirror();
  bool PrepareDraw(const FvfLayout& layout, D3DPRIMITIVETYPE type, GLuint vertexBuffer, UINT vertexOffset);
  // What both user-pointer draws check and change first. False, with *result the call's answer, when
  // nothing is to be drawn: a bad call, no primitives or a lost device.
  bool StartUpDraw(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride, FvfLayout* layout,
                   HRESULT* result);
  void ApplyFramebuffer();
  // The fixed-function GL state, one step per dirty group.
  void ApplyFixedState();
  void ApplyViewport();
  void ApplyScissor();
  void ApplyBlend();
  void ApplyDepth();
  void ApplyRaster();
  void ApplyStencil();
  bool ApplyProgram(const FvfLayout& layout, D3DPRIMITIVETYPE type);
  void ApplyUniforms();
  void ApplyTextures();
  void ApplySampler(int stage, DWORD textureLod);  // the sampler object's parameters
  void ApplyLayout(const FvfLayout& layout, GLuint buffer, UINT offset);
  void BuildKey(const FvfLayout& layout, D3DPRIMITIVETYPE type, FfpKey* key) const;
  bool Drawing() const { return lost_ == LostState::kOk; }
  UINT StreamUp(const void* data, UINT bytes, UINT align, GLuint* buffer, bool indices);
  GLuint FramebufferFor(SurfaceImpl* color, SurfaceImpl* depth);
  void UseProgram(GLuint program);
  void BindVao();
  void BindArrayBuffer(GLuint buffer);
  void BindElementBuffer(GLuint buffer);
  void BindDrawFbo(GLuint fbo);
  void BindReadFbo(GLuint fbo);
  void ActiveUnit(GLuint unit);
  void BindTextureUnit(GLuint unit, GLuint texture);
  // Sends a GL state through `send` only when it differs from the mirror's copy (a value, or a
  // std::tie group against a std::make_tuple), records it and counts the change.
  template <typename Mirror, typename Value, typename Send>
  void SendState(Mirror&& mirror, const Value& value, Send send);
  void Enable(GLenum cap, int* mirror, bool on);
  void SetScissor(bool on, GLint x, GLint y, GLsizei w, GLsizei h);
  void SetColorMask(DWORD mask);
  void SetDepthMask(bool on);
  void SetStencilWriteMask(GLuint mask);

  enum class LostState { kOk, kLost, kNotReset };

  Direct3D9Impl* d3d_;
  D3DDEVTYPE deviceType_;
  HWND focusWindow_;
  DWORD behaviorFlags_;
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  Gl gl_;
  D3DPRESENT_PARAMETERS params_{};
  LostState lost_ = LostState::kOk;
  UINT failingResets_ = 0;  // Resets still to fail (D3D9Linux_FailResets)
  bool inScene_ = false;
  bool stateCache_ = true;
  int swapRequested_ = 0;
  bool swapAccepted_ = false;
  bool unhandledReported_[kRenderStateCount] = {};  // states named once on stderr
  bool unhandledStageReported_[kStageStateCount] = {};
  D3D9LINUX_STATS stats_{};

  // Resources of this device (intrusive list) and the bytes they take from the texture budget.
  Resource* resources_ = nullptr;
  std::uint64_t videoBytes_ = 0;

  SurfaceImpl* backBuffer_ = nullptr;    // implicit, owned
  SurfaceImpl* autoDepth_ = nullptr;     // implicit, owned, null without EnableAutoDepthStencil
  SurfaceImpl* renderTarget_ = nullptr;  // bound
  SurfaceImpl* depthStencil_ = nullptr;  // bound

  // Direct3D state.
  DWORD rs_[kRenderStateCount];
  DWORD tss_[kMaxSamplers][kStageStateCount];
  DWORD samp_[kMaxSamplers][kSamplerStateCount];
  D3DMATRIX world_[kWorldMatrices], view_, proj_, texMatrix_[kMaxStages];
  D3DVIEWPORT9 viewport_{};
  RECT scissor_{};
  D3DMATERIAL9 material_{};
  std::map<DWORD, LightSlot> lights_;
  DWORD activeLights_[kMaxLights] = {};
  int activeLightCount_ = 0;
  DWORD fvf_ = 0;
  VertexBufferImpl* stream_ = nullptr;
  UINT streamOffset_ = 0, streamStride_ = 0;
  IndexBufferImpl* indices_ = nullptr;
  TextureImpl* textures_[kMaxSamplers] = {};

  // Translation state.
  std::uint32_t dirty_ = kDirtyAll;
  std::uint32_t dirtySamplers_ = 0xffu;
  std::uint64_t gen_[kGroupCount] = {1, 1, 1, 1, 1};
  std::uint64_t derivedGen_[kGroupCount] = {};
  FfpCache programs_;
  FfpKey key_{};
  bool keyValid_ = false;
  bool keyTriangles_ = true;
  FfpProgram* program_ = nullptr;
  DWORD keyFvf_ = 0;
  GlMirror mirror_{};
  SamplerMirror samplerMirror_[kMaxStages];
  GLuint samplers_[kMaxStages] = {};
  GLuint vao_ = 0;
  GLuint upVertexBuffer_ = 0, upIndexBuffer_ = 0;
  UINT upVertexPos_ = 0, upIndexPos_ = 0;
  struct Fbo {
    GLuint name;
    SurfaceImpl* color;
    SurfaceImpl* depth;
  };
  std::vector<Fbo> fbos_;

  // Values derived from the state for the uniforms (updated by UpdateDerived).
  float worldView_[16], normalMat_[9], pixelOffset_[2], rhwXform_[4];
  float lightDiffuse_[kMaxLights * 4], lightSpecular_[kMaxLights * 4], lightAmbient_[kMaxLights * 4];
  float lightPos_[kMaxLights * 4], lightDir_[kMaxLights * 4], lightAtten_[kMaxLights * 4], lightSpot_[kMaxLights * 4];
  float globalAmbient_[4], tfactor_[4], alphaRef_ = 0.0f;
  // Sub-pixel shift (GL window pixels) that turns the driver's tie rule into Direct3D's top-left
  // rule; measured once per context by CalibrateRaster.
  float biasX_ = 0.0f, biasY_ = 0.0f;
};

// Out-parameters of the API calls. ClearOut: false when there is nowhere to write, else *out is
// cleared. HandOut: *out takes `object` (may be null) with a reference. CopyOut: *out takes a
// copy of `value`; D3DERR_INVALIDCALL when out is null.
template <typename T>
bool ClearOut(T** out) {
  if (!out) return false;
  *out = nullptr;
  return true;
}
template <typename T, typename Interface>
HRESULT HandOut(T* object, Interface** out) {
  if (object) object->AddRef();
  *out = object;
  return D3D_OK;
}
template <typename T>
HRESULT CopyOut(const T& value, T* out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = value;
  return D3D_OK;
}

// Binds `next` (may be null; left out: nothing) into `slot` and unbinds what was there, which may
// destroy it.
template <typename T>
void Rebind(T*& slot, T* next = nullptr) {
  if (next) next->Bind();
  T* old = slot;
  slot = next;
  if (old) old->Unbind();
}

// Colour 0xAARRGGBB as floats r, g, b, a.
void ColorToFloats(D3DCOLOR c, float out[4]);

// Render states that hold floats carry their bits in the DWORD.
inline DWORD FloatBits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}
inline float BitsFloat(DWORD d) {
  float f;
  std::memcpy(&f, &d, 4);
  return f;
}

}  // namespace d3d9gl
