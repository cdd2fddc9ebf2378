#include "unit/dg/fake_d3d9.h"

#include <algorithm>

namespace fake {

World* World::current = nullptr;

namespace {

std::string Args(std::initializer_list<std::string> parts) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += ",";
    text += part;
  }
  return text;
}

std::string N(long long value) { return std::to_string(value); }

}  // namespace

// ---- surfaces --------------------------------------------------------------------------------------

Surface::Surface(World& world, std::string name, D3DFORMAT format, UINT width, UINT height)
    : world(world), name(std::move(name)), format(format), width(width), height(height) {}

ULONG Surface::Release() {
  world.Record("Release(" + name + ")");
  if (refs > 0) --refs;
  return refs + extraRefs;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  std::memset(desc, 0, sizeof *desc);
  desc->Format = format;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Pool = D3DPOOL_DEFAULT;
  desc->Width = width;
  desc->Height = height;
  return D3D_OK;
}

// ---- textures --------------------------------------------------------------------------------------

Texture::Texture(World& world, std::string name, UINT width, UINT height, UINT levelCount, DWORD usage,
                 D3DFORMAT format, D3DPOOL pool)
    : world(world), name(std::move(name)), usage(usage), format(format), pool(pool) {
  if (levelCount == 0) {
    levelCount = 1;
    for (UINT side = std::max(width, height); side > 1; side /= 2) ++levelCount;
  }
  UINT w = width, h = height;
  for (UINT i = 0; i < levelCount; ++i) {
    Level level;
    level.width = w;
    level.height = h;
    level.pitch = static_cast<INT>((w * (Bits(format) / 8) + 3) & ~3u);
    level.bits.assign(static_cast<std::size_t>(level.pitch) * h, 0xCD);  // Direct3D leaves new memory undefined
    levels.push_back(std::move(level));
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
}

ULONG Texture::Release() {
  world.Record("Release(" + name + ")");
  if (refs > 0) --refs;
  return refs + extraRefs;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (level >= levels.size()) return D3DERR_INVALIDCALL;
  std::memset(desc, 0, sizeof *desc);
  desc->Format = format;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = usage;
  desc->Pool = pool;
  desc->Width = levels[level].width;
  desc->Height = levels[level].height;
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (rect) {
    world.Record("LockRect(" +
                 Args({name, N(level), N(rect->left), N(rect->top), N(rect->right), N(rect->bottom), Hex(flags)}) +
                 ")");
  } else {
    world.Record("LockRect(" + Args({name, N(level), "all", Hex(flags)}) + ")");
  }
  if (level >= levels.size()) return D3DERR_INVALIDCALL;
  if (pool == D3DPOOL_DEFAULT && (usage & D3DUSAGE_DYNAMIC) == 0) return D3DERR_INVALIDCALL;
  Level& l = levels[level];
  std::size_t offset = 0;
  if (rect)
    offset = static_cast<std::size_t>(rect->top) * l.pitch + static_cast<std::size_t>(rect->left) * (Bits(format) / 8);
  locked->Pitch = l.pitch;
  locked->pBits = l.bits.data() + offset;
  ++lockDepth;
  return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
  world.Record("UnlockRect(" + Args({name, N(level)}) + ")");
  if (lockDepth == 0) return D3DERR_INVALIDCALL;
  --lockDepth;
  return D3D_OK;
}

std::uint32_t Texture::Pixel(UINT level, UINT x, UINT y) const {
  const Level& l = levels.at(level);
  const UINT bytes = Bits(format) / 8;
  const std::uint8_t* p = l.bits.data() + static_cast<std::size_t>(y) * l.pitch + static_cast<std::size_t>(x) * bytes;
  std::uint32_t value = 0;
  for (UINT i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return value;
}

void Texture::SetPixel(UINT level, UINT x, UINT y, std::uint32_t value) {
  Level& l = levels.at(level);
  const UINT bytes = Bits(format) / 8;
  std::uint8_t* p = l.bits.data() + static_cast<std::size_t>(y) * l.pitch + static_cast<std::size_t>(x) * bytes;
  for (UINT i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// ---- buffers ---------------------------------------------------------------------------------------

template <class Interface, class Desc>
Buffer<Interface, Desc>::Buffer(World& world, std::string name, UINT length, DWORD usage, DWORD fvfOrFormat,
                                D3DPOOL pool)
    : world(world), name(std::move(name)), usage(usage), fvfOrFormat(fvfOrFormat), pool(pool), bytes(length, 0xCD) {}

template <class Interface, class Desc>
ULONG Buffer<Interface, Desc>::Release() {
  world.Record("Release(" + name + ")");
  if (refs > 0) --refs;
  return refs + extraRefs;
}

template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  world.Record("Lock(" + Args({name, N(offset), N(size), Hex(flags)}) + ")");
  if (offset > bytes.size() || size > bytes.size() - offset) return D3DERR_INVALIDCALL;
  *data = bytes.data() + offset;
  return D3D_OK;
}

template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::Unlock() {
  world.Record("Unlock(" + name + ")");
  return D3D_OK;
}

template class Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// ---- device ----------------------------------------------------------------------------------------

Device::Device(World& world, D3DDEVTYPE type, DWORD flags, const D3DPRESENT_PARAMETERS& params)
    : world(world), type(type), flags(flags), params(params) {
  for (UINT i = 0; i < params.BackBufferCount; ++i) {
    world.surfaces.push_back(std::make_unique<Surface>(world, "backbuffer" + N(i), params.BackBufferFormat,
                                                       params.BackBufferWidth, params.BackBufferHeight));
    world.surfaces.back()->extraRefs = world.backBufferExtraRefs;
    backBuffers.push_back(world.surfaces.back().get());
  }
  if (params.EnableAutoDepthStencil) {
    world.surfaces.push_back(std::make_unique<Surface>(world, "depth", params.AutoDepthStencilFormat,
                                                       params.BackBufferWidth, params.BackBufferHeight));
    depth = world.surfaces.back().get();
  }
}

ULONG Device::Release() {
  world.Record("Release(device)");
  if (refs > 0) --refs;
  ULONG held = 0;
  for (const Surface* s : backBuffers) held += s->refs > 0 ? 1 : 0;
  if (depth && depth->refs > 0) ++held;
  return refs + held + static_cast<ULONG>(world.LiveResources()) + world.deviceExtraRefs;
}

HRESULT Device::TestCooperativeLevel() { return world.cooperativeLevel; }

UINT Device::GetAvailableTextureMem() { return world.textureMem; }

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
  *caps = world.caps;
  return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* p) {
  world.Record("Reset(" +
               Args({N(p->BackBufferWidth), N(p->BackBufferHeight), N(p->BackBufferFormat), N(p->BackBufferCount),
                     N(p->Windowed), N(p->EnableAutoDepthStencil), N(p->AutoDepthStencilFormat)}) +
               ")");
  if (world.resetResult != D3D_OK) return world.resetResult;
  // Direct3D's rule: no default-pool resource and no surface reference may be alive.
  for (const auto& t : world.textures)
    if (t->refs > 0 && t->pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  for (const auto& b : world.vertexBuffers)
    if (b->refs > 0 && b->pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  for (const auto& b : world.indexBuffers)
    if (b->refs > 0 && b->pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  for (const Surface* s : backBuffers)
    if (s->refs > 0) return D3DERR_INVALIDCALL;
  if (depth && depth->refs > 0) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE bufferType, IDirect3DSurface9** surface) {
  world.Record("GetBackBuffer(" + Args({N(swapChain), N(index), N(bufferType)}) + ")");
  if (index >= backBuffers.size()) {
    *surface = nullptr;
    return D3DERR_INVALIDCALL;
  }
  backBuffers[index]->AddRef();
  *surface = backBuffers[index];
  return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  world.Record("GetDepthStencilSurface()");
  if (!depth) {
    *surface = nullptr;
    return D3DERR_NOTFOUND;
  }
  depth->AddRef();
  *surface = depth;
  return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** texture, HANDLE*) {
  world.Record("CreateTexture(" + Args({N(width), N(height), N(levels), Hex(usage), N(format), N(pool)}) + ")");
  *texture = nullptr;
  if (world.createTextureResult != D3D_OK) return world.createTextureResult;
  if (width == 0 || height == 0 || width > world.caps.MaxTextureWidth || height > world.caps.MaxTextureHeight ||
      Bits(format) == 0) {
    return D3DERR_INVALIDCALL;
  }
  world.textures.push_back(std::make_unique<Texture>(
      world, "texture" + N(static_cast<long long>(world.textures.size())), width, height, levels, usage, format, pool));
  *texture = world.textures.back().get();
  return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                                   HANDLE*) {
  world.Record("CreateVertexBuffer(" + Args({N(length), Hex(usage), Hex(fvf), N(pool)}) + ")");
  *buffer = nullptr;
  if (world.createBufferResult != D3D_OK) return world.createBufferResult;
  if (length == 0) return E_INVALIDARG;
  world.vertexBuffers.push_back(std::make_unique<VertexBuffer>(
      world, "vb" + N(static_cast<long long>(world.vertexBuffers.size())), length, usage, fvf, pool));
  *buffer = world.vertexBuffers.back().get();
  return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** buffer, HANDLE*) {
  world.Record("CreateIndexBuffer(" + Args({N(length), Hex(usage), N(format), N(pool)}) + ")");
  *buffer = nullptr;
  if (world.createBufferResult != D3D_OK) return world.createBufferResult;
  if (length == 0) return E_INVALIDARG;
  world.indexBuffers.push_back(
      std::make_unique<IndexBuffer>(world, "ib" + N(static_cast<long long>(world.indexBuffers.size())), length, usage,
                                    static_cast<DWORD>(format), pool));
  *buffer = world.indexBuffers.back().get();
  return D3D_OK;
}

// ---- Direct3D --------------------------------------------------------------------------------------

ULONG Direct3D::Release() {
  world.Record("Release(d3d)");
  if (refs > 0) --refs;
  return refs + world.d3dExtraRefs;
}

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) {
  world.Record("GetAdapterIdentifier(" + Args({N(adapter), N(flags)}) + ")");
  *identifier = world.identifier;
  return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  world.Record("GetAdapterDisplayMode(" + N(adapter) + ")");
  *mode = world.mode;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE rtype, D3DFORMAT format) {
  world.Record("CheckDeviceFormat(" +
               Args({N(adapter), DevType(type), N(adapterFormat), Hex(usage), N(rtype), N(format)}) + ")");
  return world.textureFormats.count(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT targetFormat,
                                         D3DFORMAT depthFormat) {
  world.Record("CheckDepthStencilMatch(" +
               Args({N(adapter), DevType(type), N(adapterFormat), N(targetFormat), N(depthFormat)}) + ")");
  return world.depthMatches.count(depthFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  world.Record("GetDeviceCaps(" + Args({N(adapter), DevType(type)}) + ")");
  std::memset(caps, 0, sizeof *caps);
  if (type == D3DDEVTYPE_HAL && world.halCapsResult != D3D_OK) return world.halCapsResult;
  *caps = world.caps;
  return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* params,
                               IDirect3DDevice9** device) {
  world.Record("CreateDevice(" + Args({N(adapter), DevType(type), Hex(flags)}) + ")");
  (void)focus;
  *device = nullptr;
  if (world.createDeviceResult != D3D_OK) return world.createDeviceResult;
  if (params->BackBufferCount == 0) params->BackBufferCount = 1;
  world.devices.push_back(std::make_unique<Device>(world, type, flags, *params));
  *device = world.devices.back().get();
  return D3D_OK;
}

// ---- world -----------------------------------------------------------------------------------------

World::World() : d3d(std::make_unique<Direct3D>(*this)) {
  std::memset(&caps, 0, sizeof caps);
  caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps.MaxTextureWidth = 4096;
  caps.MaxTextureHeight = 4096;
  std::memset(&identifier, 0, sizeof identifier);
  std::strcpy(identifier.Driver, "fake.dll");
  std::strcpy(identifier.Description, "Fake Adapter");
  identifier.VendorId = 0x10de;
  identifier.DeviceId = 0x6cd;
  identifier.SubSysId = 0;
  identifier.Revision = 0xa3;
  current = this;
}

World::~World() {
  if (current == this) current = nullptr;
}

IDirect3D9* WINAPI World::Create(UINT sdkVersion) {
  if (!current) return nullptr;
  current->Record("Direct3DCreate9(" + N(sdkVersion) + ")");
  return current->createsD3D ? current->d3d.get() : nullptr;
}

std::vector<std::string> World::Take() {
  std::vector<std::string> taken;
  taken.swap(calls);
  return taken;
}

std::vector<std::string> World::Matching(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : calls)
    if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
  return found;
}

int World::LiveResources() const {
  int live = 0;
  for (const auto& t : textures) live += t->refs > 0;
  for (const auto& b : vertexBuffers) live += b->refs > 0;
  for (const auto& b : indexBuffers) live += b->refs > 0;
  return live;
}

void Window::SetWindowPos(int x, int y, int width, int height) {
  world_.Record("SetWindowPos(" + Args({N(x), N(y), N(width), N(height)}) + ")");
  left = x;
  top = y;
  clientWidth = width - frameWidth;
  clientHeight = height - frameHeight;
}

}  // namespace fake
