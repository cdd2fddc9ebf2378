#include "device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace d3d9gl {

namespace {

// Texture memory the layer reports as available before any resource exists, in bytes.
constexpr std::uint64_t kTextureBudget = 2048ull << 20;

std::uint64_t TextureBytes(const FormatInfo& f, UINT width, UINT height, UINT levels) {
  std::uint64_t total = 0;
  for (UINT i = 0; i < levels; ++i)
    total += static_cast<std::uint64_t>(FormatPitch(f, MipSize(width, i))) * FormatRows(f, MipSize(height, i));
  return total;
}

// A width x height surface is within `limit` pixels on a side (the renderer's largest texture or
// back buffer).
bool WithinLimit(UINT width, UINT height, UINT limit) { return width <= limit && height <= limit; }

// Vertex and index buffers take a length, no shared handle and no scratch pool; `layoutOk` is the
// check of their vertex or index format, which Direct3D makes after those. `make` creates the buffer.
template <class Buffer, class Make>
HRESULT NewBuffer(Buffer** out, UINT length, D3DPOOL pool, HANDLE* shared, bool layoutOk, Make make) {
  if (!ClearOut(out)) return D3DERR_INVALIDCALL;
  if (length == 0) return E_INVALIDARG;
  if (shared || pool >= D3DPOOL_SCRATCH || !layoutOk) return D3DERR_INVALIDCALL;
  *out = make();
  return D3D_OK;
}

bool ValidInterval(UINT interval) {
  return interval == D3DPRESENT_INTERVAL_DEFAULT || interval == D3DPRESENT_INTERVAL_ONE ||
         interval == static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE);
}

}  // namespace

// ---- creation and destruction --------------------------------------------------------------------

DeviceImpl::DeviceImpl(Direct3D9Impl* d3d, D3DDEVTYPE type, HWND focus, DWORD flags)
    : d3d_(d3d), deviceType_(type), focusWindow_(focus), behaviorFlags_(flags) {
  d3d_->AddRef();
}

HRESULT DeviceImpl::Create(Direct3D9Impl* d3d, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* params,
                           IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  *device = nullptr;
  if (!params) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
  const DWORD vp = flags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                            D3DCREATE_MIXED_VERTEXPROCESSING);
  if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      vp != D3DCREATE_MIXED_VERTEXPROCESSING)
    return D3DERR_INVALIDCALL;
  if (!params->hDeviceWindow && !focus) return D3DERR_INVALIDCALL;

  DeviceImpl* dev = new DeviceImpl(d3d, type, focus, flags);
  D3DPRESENT_PARAMETERS chosen = *params;
  const HRESULT hr = dev->Init(&chosen);
  if (FAILED(hr)) {
    dev->Release();
    return hr;
  }
  *params = chosen;
  *device = dev;
  return D3D_OK;
}

HRESULT DeviceImpl::CheckParams(D3DPRESENT_PARAMETERS* p, bool creating) {
  if (!p->Windowed) return D3DERR_NOTAVAILABLE;  // full-screen modes are not offered
  if (p->SwapEffect < D3DSWAPEFFECT_DISCARD || p->SwapEffect > D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
  if (p->BackBufferCount > 1) return D3DERR_NOTAVAILABLE;  // one back buffer
  if (p->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if (!ValidInterval(p->PresentationInterval)) return D3DERR_INVALIDCALL;
  if (p->FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
  HWND hwnd = p->hDeviceWindow ? p->hDeviceWindow : focusWindow_;
  if (!hwnd) return D3DERR_INVALIDCALL;
  if (!creating && reinterpret_cast<SDL_Window*>(hwnd) != window_) return D3DERR_INVALIDCALL;
  if (p->BackBufferFormat == D3DFMT_UNKNOWN) p->BackBufferFormat = DesktopMode().Format;
  if (!IsBackBufferFormat(p->BackBufferFormat)) return D3DERR_NOTAVAILABLE;
  if (p->EnableAutoDepthStencil) {
    const FormatInfo* df = FindFormat(p->AutoDepthStencilFormat);
    if (!df || !(df->uses & kUseDepth)) return D3DERR_INVALIDCALL;
  }
  if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(reinterpret_cast<SDL_Window*>(hwnd), &w, &h);
    if (p->BackBufferWidth == 0) p->BackBufferWidth = static_cast<UINT>(w > 0 ? w : 1);
    if (p->BackBufferHeight == 0) p->BackBufferHeight = static_cast<UINT>(h > 0 ? h : 1);
  }
  // Before the context exists Init checks the size on it.
  const UINT limit = context_ ? BackBufferLimit() : ~0u;
  if (!WithinLimit(p->BackBufferWidth, p->BackBufferHeight, limit)) return D3DERR_NOTAVAILABLE;
  p->BackBufferCount = 1;
  return D3D_OK;
}

HRESULT DeviceImpl::Init(D3DPRESENT_PARAMETERS* params) {
  const HRESULT check = CheckParams(params, true);
  if (FAILED(check)) return check;
  window_ = reinterpret_cast<SDL_Window*>(params->hDeviceWindow ? params->hDeviceWindow : focusWindow_);

  // An OpenGL 3.3 core context of our own on the window; the caller's attribute values stay.
  context_ = CreateCoreContext(window_);
  if (!context_) {
    std::fprintf(stderr, "d3d9gl: no OpenGL 3.3 context on the window: %s\n", SDL_GetError());
    return D3DERR_NOTAVAILABLE;
  }
  MakeCurrent();
  const char* missing = nullptr;
  if (!gl_.Load(&missing)) {
    std::fprintf(stderr, "d3d9gl: OpenGL entry point %s is missing\n", missing ? missing : "?");
    return D3DERR_NOTAVAILABLE;
  }
  const UINT limit = BackBufferLimit();
  if (!WithinLimit(params->BackBufferWidth, params->BackBufferHeight, limit)) {
    std::fprintf(stderr, "d3d9gl: a %ux%u back buffer is larger than the renderer's %u pixels\n",
                 params->BackBufferWidth, params->BackBufferHeight, limit);
    return D3DERR_NOTAVAILABLE;
  }
  params_ = *params;
  InitGlState();
  CreateImplicitSurfaces();
  SetDefaultState();
  CalibrateRaster();
  SetDefaultState();
  ApplySwapInterval();
  return D3D_OK;
}

namespace {

// The last calibration's result, by renderer: a process creates its device twice at start-up (the
// window's component, then the saver's own size), always on the same driver, and the test draw
// with its read-back costs a shader compile and a pipeline flush each time.
struct RasterCalibration {
  std::string renderer;  // GL_RENDERER and GL_VERSION; empty: none yet
  float biasX = 0.0f, biasY = 0.0f;
};
RasterCalibration gLastCalibration;

std::string RendererName(const Gl& gl) {
  const auto* r = reinterpret_cast<const char*>(gl.GetString(GL_RENDERER));
  const auto* v = reinterpret_cast<const char*>(gl.GetString(GL_VERSION));
  if (!r || !v) return std::string();
  return std::string(r) + " | " + v;
}

}  // namespace

void DeviceImpl::CalibrateRaster() {
  // A quad whose edges lie exactly on pixel centres: Direct3D covers the top and left edges and
  // leaves the bottom and right ones. Drivers differ in which edge of such a tie they keep, so
  // draw one and shift by a fraction of the sub-pixel grid where the driver disagrees.
  const std::string renderer = RendererName(gl_);
  if (!renderer.empty() && renderer == gLastCalibration.renderer) {
    biasX_ = gLastCalibration.biasX;
    biasY_ = gLastCalibration.biasY;
    ++gen_[kGroupViewport];
    return;
  }
  const FormatInfo* f = FindFormat(D3DFMT_X8R8G8B8);
  auto* target = new SurfaceImpl(this, SurfaceImpl::Kind::kRenderTarget, *f, 8, 8, D3DPOOL_DEFAULT, false, false, 0);
  SetRenderTarget(0, target);
  rs_[D3DRS_ZENABLE] = D3DZB_FALSE;
  dirty_ |= kDirtyDepth;
  struct V {
    float x, y, z, rhw;
    D3DCOLOR c;
  } quad[4] = {{2, 2, 0, 1, 0xffffffff}, {6, 2, 0, 1, 0xffffffff}, {2, 6, 0, 1, 0xffffffff}, {6, 6, 0, 1, 0xffffffff}};
  std::uint32_t px[64] = {};
  for (int pass = 0; pass < 2; ++pass) {
    Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
    ReadRenderTarget(target, reinterpret_cast<std::uint8_t*>(px), 32);
    const bool top = px[2 * 8 + 3] & 0xff, bottom = px[6 * 8 + 3] & 0xff;
    const bool left = px[3 * 8 + 2] & 0xff, right = px[3 * 8 + 6] & 0xff;
    if (pass == 1 || (top && !bottom && left && !right)) break;
    // Keeping the top (left) edge means moving the geometry up (left) by a fraction of a pixel;
    // exact for edges along the axes, which is what sprites and screen quads have.
    if (!top && bottom) biasY_ = -1.0f / 128.0f;
    if (!left && right) biasX_ = -1.0f / 128.0f;
    ++gen_[kGroupViewport];
  }
  SetRenderTarget(0, backBuffer_);
  target->Release();
  gLastCalibration = {renderer, biasX_, biasY_};
}

void DeviceImpl::CreateImplicitSurfaces() {
  const FormatInfo* cf = FindFormat(params_.BackBufferFormat);
  const UINT w = params_.BackBufferWidth, h = params_.BackBufferHeight;
  const bool lockable = (params_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
  if (!backBuffer_) {
    backBuffer_ = new SurfaceImpl(this, SurfaceImpl::Kind::kRenderTarget, *cf, w, h, D3DPOOL_DEFAULT, lockable, true,
                                  static_cast<std::uint64_t>(w) * h * cf->bytesPerPixel);
  } else if (backBuffer_->width() != w || backBuffer_->height() != h || &backBuffer_->format() != cf) {
    delete backBuffer_;
    backBuffer_ = new SurfaceImpl(this, SurfaceImpl::Kind::kRenderTarget, *cf, w, h, D3DPOOL_DEFAULT, lockable, true,
                                  static_cast<std::uint64_t>(w) * h * cf->bytesPerPixel);
  }
  const FormatInfo* df = params_.EnableAutoDepthStencil ? FindFormat(params_.AutoDepthStencilFormat) : nullptr;
  if (autoDepth_ && (!df || autoDepth_->width() != w || autoDepth_->height() != h || &autoDepth_->format() != df)) {
    delete autoDepth_;
    autoDepth_ = nullptr;
  }
  if (df && !autoDepth_) {
    autoDepth_ = new SurfaceImpl(this, SurfaceImpl::Kind::kDepthStencil, *df, w, h, D3DPOOL_DEFAULT, false, true,
                                 static_cast<std::uint64_t>(w) * h * df->bytesPerPixel);
  }
  renderTarget_ = backBuffer_;
  renderTarget_->BindSurface();
  depthStencil_ = autoDepth_;
  if (depthStencil_) depthStencil_->BindSurface();
  dirty_ |= kDirtyFramebuffer;

  // Direct3D leaves new buffers undefined; start from black and the far plane.
  BindDrawFbo(FramebufferFor(renderTarget_, depthStencil_));
  SetScissor(false, 0, 0, 0, 0);
  SetColorMask(0xf);
  SetDepthMask(true);
  SetStencilWriteMask(0xffffffffu);
  gl_.ClearColor(0, 0, 0, 0);
  gl_.ClearDepth(1.0);
  gl_.ClearStencil(0);
  gl_.Clear(GL_COLOR_BUFFER_BIT | (depthStencil_ ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : 0));
}

void DeviceImpl::ApplySwapInterval() {
  // Interval DEFAULT waits for the display's refresh as ONE does; IMMEDIATE does not wait.
  swapRequested_ = params_.PresentationInterval == static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE) ? 0 : 1;
  swapAccepted_ = SDL_GL_SetSwapInterval(swapRequested_) == 0;
}

DeviceImpl::~DeviceImpl() {
  if (context_) {
    MakeCurrent();
    UnbindAll();  // destroys what only the device still held
    delete backBuffer_;
    delete autoDepth_;
    // Nothing else can be left: every other resource holds a device reference or was freed on
    // unbinding. Level surfaces go with their textures.
    programs_.Destroy(gl_);
    for (Fbo& f : fbos_) gl_.DeleteFramebuffers(1, &f.name);
    if (samplers_[0]) gl_.DeleteSamplers(kMaxStages, samplers_);
    if (vao_) gl_.DeleteVertexArrays(1, &vao_);
    if (upVertexBuffer_) gl_.DeleteBuffers(1, &upVertexBuffer_);
    if (upIndexBuffer_) gl_.DeleteBuffers(1, &upIndexBuffer_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
  }
  d3d_->Release();
}

void DeviceImpl::MakeCurrent() {
  if (context_ && SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
}

void DeviceImpl::Register(Resource* r) {
  r->prevResource = nullptr;
  r->nextResource = resources_;
  if (resources_) resources_->prevResource = r;
  resources_ = r;
  if (r->pool() == D3DPOOL_DEFAULT || r->pool() == D3DPOOL_MANAGED) videoBytes_ += r->videoBytes();
}

void DeviceImpl::Unregister(Resource* r) {
  if (r->prevResource)
    r->prevResource->nextResource = r->nextResource;
  else if (resources_ == r)
    resources_ = r->nextResource;
  if (r->nextResource) r->nextResource->prevResource = r->prevResource;
  r->prevResource = r->nextResource = nullptr;
  if (r->pool() == D3DPOOL_DEFAULT || r->pool() == D3DPOOL_MANAGED) videoBytes_ -= r->videoBytes();
}

// ---- loss and Reset --------------------------------------------------------------------------------

HRESULT DeviceImpl::TestCooperativeLevel() {
  switch (lost_) {
    case LostState::kOk: return D3D_OK;
    case LostState::kLost: lost_ = LostState::kNotReset; return D3DERR_DEVICELOST;
    case LostState::kNotReset: return D3DERR_DEVICENOTRESET;
  }
  return D3D_OK;
}

void DeviceImpl::ForceLost() {
  lost_ = LostState::kLost;
  inScene_ = false;
}

bool DeviceImpl::HasBlockingResources() const {
  if (backBuffer_ && backBuffer_->publicRefs() > 0) return true;
  if (autoDepth_ && autoDepth_->publicRefs() > 0) return true;
  for (const Resource* r = resources_; r; r = r->nextResource)
    if (r->pool() == D3DPOOL_DEFAULT && r->publicRefs() > 0 && r != backBuffer_ && r != autoDepth_) return true;
  return false;
}

void DeviceImpl::UnbindAll() {
  for (TextureImpl*& t : textures_) Rebind(t);
  Rebind(stream_);
  streamOffset_ = streamStride_ = 0;
  Rebind(indices_);
  SurfaceImpl* rt = renderTarget_;
  renderTarget_ = nullptr;
  if (rt) rt->UnbindSurface();
  SurfaceImpl* ds = depthStencil_;
  depthStencil_ = nullptr;
  if (ds) ds->UnbindSurface();
}

HRESULT DeviceImpl::Reset(D3DPRESENT_PARAMETERS* params) {
  if (!params) return D3DERR_INVALIDCALL;
  if (lost_ == LostState::kLost) return D3DERR_DEVICELOST;
  D3DPRESENT_PARAMETERS chosen = *params;
  HRESULT hr = CheckParams(&chosen, false);
  if (SUCCEEDED(hr) && HasBlockingResources()) hr = D3DERR_INVALIDCALL;
  if (FAILED(hr)) {
    lost_ = LostState::kNotReset;
    return hr;
  }
  if (failingResets_ > 0) {
    --failingResets_;
    ForceLost();
    return D3DERR_DEVICELOST;
  }
  MakeCurrent();
  UnbindAll();
  params_ = chosen;
  CreateImplicitSurfaces();
  SetDefaultState();
  ApplySwapInterval();
  inScene_ = false;
  lost_ = LostState::kOk;
  *params = chosen;
  return D3D_OK;
}

// ---- presentation ----------------------------------------------------------------------------------

HRESULT DeviceImpl::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT DeviceImpl::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;  // the work goes to the GPU with Present
  return D3D_OK;
}

HRESULT DeviceImpl::Present(const RECT* src, const RECT* dst, HWND, const RGNDATA*) {
  if (!Drawing()) return D3DERR_DEVICELOST;
  MakeCurrent();
  const GLint bw = static_cast<GLint>(backBuffer_->width()), bh = static_cast<GLint>(backBuffer_->height());
  int ww = 0, wh = 0;
  SDL_GL_GetDrawableSize(window_, &ww, &wh);
  // The back buffer is stored top row first like the rectangles; the window's framebuffer counts
  // rows from the bottom, so the copy flips.
  GLint s[4] = {0, 0, bw, bh};
  if (src) s[0] = src->left, s[1] = src->top, s[2] = src->right, s[3] = src->bottom;
  GLint d[4] = {0, wh, ww, 0};
  if (dst) d[0] = dst->left, d[1] = wh - dst->top, d[2] = dst->right, d[3] = wh - dst->bottom;
  BindReadFbo(FramebufferFor(backBuffer_, nullptr));
  BindDrawFbo(0);
  SetScissor(false, 0, 0, 0, 0);
  SetColorMask(0xf);
  const bool same = (s[2] - s[0]) == (d[2] - d[0]) && (s[3] - s[1]) == (d[1] - d[3]);
  gl_.BlitFramebuffer(s[0], s[1], s[2], s[3], d[0], d[1], d[2], d[3], GL_COLOR_BUFFER_BIT,
                      same ? GL_NEAREST : GL_LINEAR);
  SDL_GL_SwapWindow(window_);
  dirty_ |= kDirtyFramebuffer | kDirtyColorMask;  // the copy used its own framebuffer and masks
  return D3D_OK;
}

void DeviceImpl::SwapInterval(int* requested, BOOL* accepted) const {
  if (requested) *requested = swapRequested_;
  if (accepted) *accepted = swapAccepted_ ? TRUE : FALSE;
}

// ---- queries ---------------------------------------------------------------------------------------

UINT DeviceImpl::GetAvailableTextureMem() {
  const std::uint64_t left = videoBytes_ < kTextureBudget ? kTextureBudget - videoBytes_ : 0;
  return static_cast<UINT>(left);
}

HRESULT DeviceImpl::GetDirect3D(IDirect3D9** d3d) {
  if (!d3d) return D3DERR_INVALIDCALL;
  return HandOut(d3d_, d3d);
}

UINT DeviceImpl::MaxTextureSize() const {
  if (!context_) return d3d_->MaxTextureSize();
  return gl_.maxTextureSize > 0 ? static_cast<UINT>(gl_.maxTextureSize) : 0;
}

UINT DeviceImpl::BackBufferLimit() const {
  UINT limit = MaxTextureSize();
  if (context_) {
    // The depth buffer is a renderbuffer, and the viewport covers the whole back buffer.
    for (const GLint other : {gl_.maxRenderbufferSize, gl_.maxViewport[0], gl_.maxViewport[1]})
      limit = std::min(limit, other > 0 ? static_cast<UINT>(other) : 0u);
  }
  return limit;
}

HRESULT DeviceImpl::GetDeviceCaps(D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  FillCaps(deviceType_, MaxTextureSize(), caps);
  return D3D_OK;
}

HRESULT DeviceImpl::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  if (!mode || swapChain != 0) return D3DERR_INVALIDCALL;
  *mode = DesktopMode();
  return D3D_OK;
}

HRESULT DeviceImpl::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
  if (!p) return D3DERR_INVALIDCALL;
  p->AdapterOrdinal = 0;
  p->DeviceType = deviceType_;
  p->hFocusWindow = focusWindow_;
  p->BehaviorFlags = behaviorFlags_;
  return D3D_OK;
}

// ---- surfaces and resources ------------------------------------------------------------------------

HRESULT DeviceImpl::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) {
  if (!ClearOut(surface)) return D3DERR_INVALIDCALL;
  if (swapChain != 0 || index != 0) return D3DERR_INVALIDCALL;
  return HandOut(backBuffer_, surface);
}

HRESULT DeviceImpl::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  if (!ClearOut(surface)) return D3DERR_INVALIDCALL;
  if (!depthStencil_) return D3DERR_NOTFOUND;
  return HandOut(depthStencil_, surface);
}

HRESULT DeviceImpl::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (!ClearOut(surface)) return D3DERR_INVALIDCALL;
  if (index != 0) return D3DERR_INVALIDCALL;
  return HandOut(renderTarget_, surface);
}

HRESULT DeviceImpl::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  if (index != 0 || !surface) return D3DERR_INVALIDCALL;
  auto* s = dynamic_cast<SurfaceImpl*>(surface);
  if (!s || s->device() != this || !s->isRenderTarget()) return D3DERR_INVALIDCALL;
  s->BindSurface();
  SurfaceImpl* old = renderTarget_;
  renderTarget_ = s;
  old->UnbindSurface();
  // A new target resets the viewport and the scissor rectangle to its size.
  viewport_ = {0, 0, s->width(), s->height(), 0.0f, 1.0f};
  scissor_ = {0, 0, static_cast<LONG>(s->width()), static_cast<LONG>(s->height())};
  dirty_ |= kDirtyFramebuffer | kDirtyViewport | kDirtyScissor | kDirtyTextures;
  ++gen_[kGroupViewport];
  return D3D_OK;
}

HRESULT DeviceImpl::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture9** texture, HANDLE* shared) {
  if (!ClearOut(texture)) return D3DERR_INVALIDCALL;
  if (shared || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  // Beyond the renderer's limit Wine's d3d9 answers D3DERR_NOTAVAILABLE.
  if (!WithinLimit(width, height, MaxTextureSize())) return D3DERR_NOTAVAILABLE;
  usage &= ~static_cast<DWORD>(D3DUSAGE_AUTOGENMIPMAP);  // no generated levels: the app fills them
  const FormatInfo* f = FindFormat(format);
  const unsigned need = (usage & D3DUSAGE_RENDERTARGET) ? kUseRenderTarget : kUseTexture;
  if (!f || !(f->uses & need)) return D3DERR_INVALIDCALL;
  if (usage & D3DUSAGE_DEPTHSTENCIL) return D3DERR_INVALIDCALL;
  if (pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  const UINT full = FullMipCount(width, height);
  if (levels == 0) levels = full;
  if (levels > full) return D3DERR_INVALIDCALL;
  MakeCurrent();
  *texture = new TextureImpl(this, *f, width, height, levels, usage, pool, TextureBytes(*f, width, height, levels));
  return D3D_OK;
}

HRESULT DeviceImpl::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
  FvfLayout layout;
  const bool holdsOneVertex = !fvf || !DecodeFvf(fvf, &layout) || length >= layout.stride;
  return NewBuffer(buffer, length, pool, shared, holdsOneVertex, [&] {
    MakeCurrent();
    return new VertexBufferImpl(this, length, usage, fvf, pool);
  });
}

HRESULT DeviceImpl::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
  const bool knownFormat = format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32;
  return NewBuffer(buffer, length, pool, shared, knownFormat, [&] {
    MakeCurrent();
    return new IndexBufferImpl(this, length, usage, format, pool);
  });
}

HRESULT DeviceImpl::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms, DWORD,
                                       BOOL lockable, IDirect3DSurface9** surface, HANDLE* shared) {
  if (!ClearOut(surface)) return D3DERR_INVALIDCALL;
  if (shared || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  if (ms != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  const FormatInfo* f = FindFormat(format);
  if (!f || !(f->uses & kUseRenderTarget)) return D3DERR_INVALIDCALL;
  if (!WithinLimit(width, height, MaxTextureSize())) return D3DERR_INVALIDCALL;
  MakeCurrent();
  *surface = new SurfaceImpl(this, SurfaceImpl::Kind::kRenderTarget, *f, width, height, D3DPOOL_DEFAULT, lockable != 0,
                             false, static_cast<std::uint64_t>(width) * height * f->bytesPerPixel);
  return D3D_OK;
}

HRESULT DeviceImpl::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** surface, HANDLE* shared) {
  if (!ClearOut(surface)) return D3DERR_INVALIDCALL;
  if (shared || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  const FormatInfo* f = FindFormat(format);
  if (!f || !(f->uses & (kUseTexture | kUseRenderTarget)) || f->blockBytes) return D3DERR_INVALIDCALL;
  if (!WithinLimit(width, height, MaxTextureSize())) return D3DERR_INVALIDCALL;
  *surface = new SurfaceImpl(this, SurfaceImpl::Kind::kPlain, *f, width, height, pool, true, false, 0);
  return D3D_OK;
}

HRESULT DeviceImpl::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest) {
  auto* src = dynamic_cast<SurfaceImpl*>(renderTarget);
  auto* dst = dynamic_cast<SurfaceImpl*>(dest);
  if (!src || !dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (!src->isRenderTarget() || dst->surfacePool() != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if (&src->format() != &dst->format() || src->width() != dst->width() || src->height() != dst->height())
    return D3DERR_INVALIDCALL;
  std::uint8_t* mem = dst->memory();
  if (!mem) return D3DERR_INVALIDCALL;
  if (!Drawing()) return D3DERR_DEVICELOST;
  MakeCurrent();
  return ReadRenderTarget(src, mem, dst->pitch()) ? D3D_OK : D3DERR_INVALIDCALL;
}

bool DeviceImpl::ReadRenderTarget(SurfaceImpl* surface, std::uint8_t* dest, UINT pitch) {
  const GLuint fbo = FramebufferFor(surface, nullptr);
  if (!fbo) return false;
  const FormatInfo& f = surface->format();
  BindReadFbo(fbo);
  gl_.PixelStorei(GL_PACK_ALIGNMENT, 1);
  gl_.PixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(pitch / f.bytesPerPixel));
  gl_.ReadPixels(0, 0, static_cast<GLsizei>(surface->width()), static_cast<GLsizei>(surface->height()), f.uploadFormat,
                 f.uploadType, dest);
  gl_.PixelStorei(GL_PACK_ROW_LENGTH, 0);
  return true;
}

void DeviceImpl::WriteRenderTarget(SurfaceImpl* surface, const std::uint8_t* src, UINT pitch) {
  const FormatInfo& f = surface->format();
  BindUploadTexture(surface->glTexture());
  gl_.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / f.bytesPerPixel));
  gl_.TexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(surface->levelIndex()), 0, 0,
                    static_cast<GLsizei>(surface->width()), static_cast<GLsizei>(surface->height()), f.uploadFormat,
                    f.uploadType, src);
  gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void DeviceImpl::ForgetSurface(SurfaceImpl* surface) {
  for (std::size_t i = 0; i < fbos_.size();) {
    if (fbos_[i].color == surface || fbos_[i].depth == surface) {
      MakeCurrent();
      if (mirror_.drawFbo == fbos_[i].name) mirror_.drawFbo = ~0u;
      if (mirror_.readFbo == fbos_[i].name) mirror_.readFbo = ~0u;
      gl_.DeleteFramebuffers(1, &fbos_[i].name);
      fbos_[i] = fbos_.back();
      fbos_.pop_back();
      dirty_ |= kDirtyFramebuffer;
    } else {
      ++i;
    }
  }
}

void DeviceImpl::ForgetTexture(GLuint texture) {
  // Deleting a bound texture reverts those units to 0.
  for (GLuint& t : mirror_.texture)
    if (t == texture) t = 0;
}

void DeviceImpl::ForgetBuffer(GLuint buffer) {
  if (mirror_.arrayBuffer == buffer) mirror_.arrayBuffer = 0;
  if (mirror_.elementBuffer == buffer) mirror_.elementBuffer = 0;
  if (mirror_.layoutBuffer == buffer) mirror_.layoutValid = 0;
}

}  // namespace d3d9gl

// ---- Linux-only hooks ------------------------------------------------------------------------------

using d3d9gl::DeviceImpl;

extern "C" void D3D9Linux_ForceDeviceLost(IDirect3DDevice9* device) {
  if (auto* d = dynamic_cast<DeviceImpl*>(device)) d->ForceLost();
}

extern "C" void D3D9Linux_FailResets(IDirect3DDevice9* device, UINT count) {
  if (auto* d = dynamic_cast<DeviceImpl*>(device)) d->FailResets(count);
}

extern "C" BOOL D3D9Linux_GetSwapInterval(IDirect3DDevice9* device, int* requested, BOOL* accepted) {
  auto* d = dynamic_cast<DeviceImpl*>(device);
  if (!d) return FALSE;
  d->SwapInterval(requested, accepted);
  return TRUE;
}

extern "C" BOOL D3D9Linux_GetStats(IDirect3DDevice9* device, D3D9LINUX_STATS* stats) {
  auto* d = dynamic_cast<DeviceImpl*>(device);
  if (!d || !stats) return FALSE;
  *stats = d->stats();
  return TRUE;
}

extern "C" void D3D9Linux_SetStateCache(IDirect3DDevice9* device, BOOL enabled) {
  if (auto* d = dynamic_cast<DeviceImpl*>(device)) d->SetStateCache(enabled != FALSE);
}
