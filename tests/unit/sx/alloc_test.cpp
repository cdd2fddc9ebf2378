// A steady scene allocates nothing per frame: this program replaces the global operator new with a
// counting one, renders a scene of 30 frames and 80 sprites on a device that records nothing, and
// checks that every pass after the first makes no heap allocation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "sx/frame.h"
#include "sx/mesh.h"
#include "sx/scene.h"
#include "unit/sx/sx_fixture.h"

namespace {

bool g_counting = false;
long g_allocations = 0;

void* Allocate(std::size_t size) {
  if (g_counting) ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The recording device with the calls of a rendering pass answered in place and not recorded
// (recording itself allocates). Resources and set-up still go through the recording code.
class QuietDevice : public d3d9rec::RecordingDevice {
 public:
  using RecordingDevice::RecordingDevice;
  long draws = 0;

  HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE s, const D3DMATRIX* m) override {
    if (s == D3DTS_PROJECTION && m) projection_ = *m;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX* m) override {
    *m = projection_;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetTexture(DWORD, IDirect3DBaseTexture9*) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD* v) override {
    *v = D3DTEXF_POINT;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9*) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetFVF(DWORD) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9*) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9*) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {
    ++draws;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override {
    ++draws;
    return D3D_OK;
  }

 private:
  D3DMATRIX projection_{};
};

class QuietDirect3D : public d3d9rec::RecordingDirect3D {
 public:
  HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE type, HWND, DWORD, D3DPRESENT_PARAMETERS* params,
                                         IDirect3DDevice9** out) override {
    if (params->BackBufferCount == 0) params->BackBufferCount = 1;
    if (params->BackBufferFormat == D3DFMT_UNKNOWN) params->BackBufferFormat = displayMode.Format;
    auto* dev = new QuietDevice(this, *params);
    dev->caps = caps;
    dev->caps.DeviceType = type;
    *out = dev;
    return D3D_OK;
  }
};

class SteadyScene : public sxtest::SceneTest {
 protected:
  void SetUp() override {
    log_ = testlog::Begin();
    Open(new QuietDirect3D());
  }
};

}  // namespace

TEST_F(SteadyScene, RenderAllocatesNothingAfterItsFirstPass) {
  auto& device = static_cast<QuietDevice&>(dev());
  sx::TSXScene scene(*carad_, "");
  auto root = std::make_unique<sx::TSXFrame>(nullptr);
  auto* camera = new sx::TSXFrame(root.get());
  camera->SetPosition(root.get(), {0, 3, -20});
  camera->LookAt(root.get(), {0, 0, 0}, 0, root.get());
  scene.SetCamera(camera);

  std::vector<sxtest::MeshVertex00> v;
  for (int i = 0; i < 8; ++i)
    v.push_back(sxtest::V00(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f));
  sx::TSXMesh mesh(*carad_);
  mesh.LoadFromFile(sxtest::WriteScratch("steady.x", sxtest::MeshFile00(v, {0, 1, 2, 1, 3, 2})));

  // 30 frames: groups of five, opaque, additive, alpha and multiply, one group hidden, some culled.
  std::vector<sx::TSXFrame*> frames;
  const std::int32_t blends[4] = {0, 1, 2, 4};
  for (int g = 0; g < 6; ++g) {
    auto* group = new sx::TSXFrame(root.get());
    group->Matrix = sxtest::Translation(static_cast<float>(g * 3 - 8), 0, static_cast<float>(g));
    group->Visibility = g == 5 ? 1 : 0;
    group->Cull = g == 4;
    group->BoundingSphere = {{0, 0, 0}, 50};
    frames.push_back(group);
    for (int k = 0; k < 4; ++k) {
      auto* f = new sx::TSXFrame(group);
      f->Mesh = &mesh;
      f->Matrix = sxtest::Translation(0, static_cast<float>(k * 2 - 3), static_cast<float>(k));
      f->BlendModeIndex = blends[k];
      frames.push_back(f);
    }
  }
  ASSERT_EQ(frames.size(), 30u);

  const auto corners = sxtest::Corners(8, 8, 0xC0FFFFFFu);
  auto pass = [&]() {
    // 80 sprites: billboards on frames (some in the hidden group) and in the world, screen sprites.
    for (int i = 0; i < 40; ++i) {
      scene.AddSprite(frames[static_cast<std::size_t>(i % 30)], {0, 1, static_cast<float>(i % 7)}, corners.data(),
                      nullptr, i % 3 == 0 ? 0 : 2, i % 2 == 0, i % 4 == 0, false);
    }
    for (int i = 0; i < 20; ++i) {
      scene.AddSprite(nullptr, {static_cast<float>(i - 10), 2, 5}, corners.data(), nullptr, 1, true, true, i == 19);
    }
    for (int i = 0; i < 20; ++i) {
      scene.AddScreenSprite({static_cast<float>(i * 10), 20}, corners.data(), nullptr, i % 2 ? 2 : 0, false, i >= 15,
                            0.5f);
    }
    camera->LookAt(root.get(), {0, 0, 0}, 0, root.get());
    scene.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
    scene.Render(root.get());
  };

  g_counting = true;
  pass();
  const long first = g_allocations;
  const long drawsFirst = device.draws;
  g_allocations = 0;
  for (int n = 1; n <= 5; ++n) pass();
  g_counting = false;
  EXPECT_GT(first, 0) << "the first pass grows the queues: the counter must see that";
  EXPECT_EQ(g_allocations, 0) << "allocations in five steady passes";
  EXPECT_GT(drawsFirst, 60);
  EXPECT_EQ(device.draws, 6 * drawsFirst);  // every pass drew the same
}
