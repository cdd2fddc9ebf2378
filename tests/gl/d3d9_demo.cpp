// d3d9_demo [FRAMES]: a windowed SDL demo of the Direct3D 9 layer (Linux). A turning, lit and
// textured sphere with specular highlights, an alpha-tested ring and alpha-blended sprites over a
// gradient, presented with the default interval (paced by the display's refresh where the driver
// offers it). Runs FRAMES frames (default 600) or until the window is closed.
#include <SDL.h>
#include <d3d9.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 320, kHeight = 240;

struct MeshVertex {
  float x, y, z, nx, ny, nz;
  D3DCOLOR diffuse, specular;
  float u, v;
};
struct Sprite {
  float x, y, z, rhw;
  D3DCOLOR diffuse, specular;
  float u, v;
};

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* dev, UINT size, std::uint32_t (*texel)(UINT, UINT)) {
  IDirect3DTexture9* t = nullptr;
  if (FAILED(dev->CreateTexture(size, size, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr))) return nullptr;
  for (UINT l = 0; l < t->GetLevelCount(); ++l) {
    D3DLOCKED_RECT lr;
    t->LockRect(l, &lr, nullptr, 0);
    const UINT s = size >> l ? size >> l : 1, step = size / s;
    for (UINT y = 0; y < s; ++y)
      for (UINT x = 0; x < s; ++x) {
        const std::uint32_t c = texel(x * step, y * step);
        std::memcpy(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &c, 4);
      }
    t->UnlockRect(l);
  }
  return t;
}

void SpriteQuad(Sprite* s, float x, float y, float w, float h, D3DCOLOR top, D3DCOLOR bottom) {
  s[0] = {x, y, 0, 0.5f, top, 0, 0, 0};
  s[1] = {x + w, y, 0, 0.5f, top, 0, 1, 0};
  s[2] = {x, y + h, 0, 0.5f, bottom, 0, 0, 1};
  s[3] = {x + w, y + h, 0, 0.5f, bottom, 0, 1, 1};
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 600;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "d3d9_demo: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("corvane KESTOR - Direct3D 9 on OpenGL", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  IDirect3D9* d3d = window ? Direct3DCreate9(D3D_SDK_VERSION) : nullptr;
  if (!d3d) {
    std::fprintf(stderr, "d3d9_demo: no Direct3D 9\n");
    return 1;
  }
  D3DPRESENT_PARAMETERS pp = {};
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = reinterpret_cast<HWND>(window);
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
  IDirect3DDevice9* dev = nullptr;
  if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev))) {
    std::fprintf(stderr, "d3d9_demo: CreateDevice failed\n");
    return 1;
  }

  // Sphere of 48 x 24 quads.
  const int cols = 48, rows = 24;
  std::vector<MeshVertex> verts;
  std::vector<std::uint16_t> idx;
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= cols; ++c) {
      const float th = 3.14159265f * r / rows, ph = 2 * 3.14159265f * c / cols;
      const float nx = std::sin(th) * std::cos(ph), ny = std::cos(th), nz = std::sin(th) * std::sin(ph);
      verts.push_back({nx, ny, nz, nx, ny, nz, 0xFFFFFFFF, 0xFFFFFFFF, 3.0f * c / cols, 1.5f * r / rows});
    }
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const auto a = static_cast<std::uint16_t>(r * (cols + 1) + c), b = static_cast<std::uint16_t>(a + cols + 1);
      const std::uint16_t q[6] = {a, static_cast<std::uint16_t>(a + 1), b,
                                  b, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(b + 1)};
      idx.insert(idx.end(), q, q + 6);
    }
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  void* p = nullptr;
  dev->CreateVertexBuffer(static_cast<UINT>(verts.size() * sizeof(MeshVertex)), 0, 0x1D2, D3DPOOL_MANAGED, &vb,
                          nullptr);
  vb->Lock(0, 0, &p, 0);
  std::memcpy(p, verts.data(), verts.size() * sizeof(MeshVertex));
  vb->Unlock();
  dev->CreateIndexBuffer(static_cast<UINT>(idx.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  ib->Lock(0, 0, &p, 0);
  std::memcpy(p, idx.data(), idx.size() * 2);
  ib->Unlock();
  IDirect3DTexture9* checker = MakeTexture(
      dev, 128, [](UINT x, UINT y) -> std::uint32_t { return ((x / 16 + y / 16) & 1) ? 0xFFF0C040u : 0xFF2050C0u; });
  IDirect3DTexture9* glow = MakeTexture(dev, 64, [](UINT x, UINT y) -> std::uint32_t {
    const float dx = (static_cast<float>(x) - 31.5f) / 32, dy = (static_cast<float>(y) - 31.5f) / 32;
    const float a = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
    return static_cast<std::uint32_t>(a * a * 255) << 24 | 0xFFFFFF;
  });
  IDirect3DTexture9* ring = MakeTexture(dev, 64, [](UINT x, UINT y) -> std::uint32_t {
    const float dx = (static_cast<float>(x) - 31.5f) / 32, dy = (static_cast<float>(y) - 31.5f) / 32;
    const float d = std::sqrt(dx * dx + dy * dy);
    return (d > 0.6f && d < 0.9f ? 0xFF000000u : 0u) | 0x40FF80u;
  });

  D3DMATRIX proj = {};
  proj._11 = static_cast<float>(kHeight) / kWidth;
  proj._22 = 1;
  proj._33 = 100.0f / 99.99f;
  proj._34 = 1;
  proj._43 = -0.01f * 100.0f / 99.99f;
  dev->SetTransform(D3DTS_PROJECTION, &proj);
  D3DLIGHT9 l = {};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1, 0.95f, 0.85f, 0};
  l.Specular = {1, 1, 1, 1};
  l.Ambient = {0.08f, 0.08f, 0.1f, 1};
  l.Direction = {-0.6f, -0.5f, 0.62f};
  dev->SetLight(0, &l);
  l.Diffuse = {0.2f, 0.3f, 0.7f, 0};
  l.Specular = {0.2f, 0.2f, 0.3f, 1};
  l.Ambient = {0, 0, 0, 0};
  l.Direction = {0.8f, 0.3f, 0.5f};
  dev->SetLight(1, &l);
  dev->LightEnable(0, TRUE);
  dev->LightEnable(1, TRUE);
  D3DMATERIAL9 m = {};
  m.Diffuse = m.Ambient = m.Specular = {1, 1, 1, 1};
  m.Power = 24;
  dev->SetMaterial(&m);

  bool running = true;
  for (int f = 0; running && f < frames; ++f) {
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (e.type == SDL_QUIT) running = false;
    if (dev->TestCooperativeLevel() != D3D_OK) continue;
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // Background gradient, unlit pre-transformed.
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetTexture(0, nullptr);
    dev->SetFVF(0x1C4);
    Sprite bg[4];
    SpriteQuad(bg, 0, 0, kWidth, kHeight, 0xFF101838, 0xFF604020);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bg, sizeof(Sprite));
    // The sphere: lit, textured, specular, turning.
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    const float a = 0.02f * f;
    D3DMATRIX w = {};
    w._11 = std::cos(a), w._13 = -std::sin(a), w._22 = 1, w._31 = std::sin(a), w._33 = std::cos(a), w._44 = 1;
    w._43 = 3.2f;
    dev->SetTransform(D3DTS_WORLD, &w);
    dev->SetTexture(0, checker);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    dev->SetFVF(0x1D2);
    dev->SetStreamSource(0, vb, 0, sizeof(MeshVertex));
    dev->SetIndices(ib);
    dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(verts.size()), 0,
                              static_cast<UINT>(idx.size() / 3));
    // Alpha-tested ring and additive, alpha-blended glows as screen sprites.
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetFVF(0x1C4);
    dev->SetTexture(0, ring);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    Sprite s[4];
    SpriteQuad(s, 16, 16, 72, 72, 0xFFFFFFFF, 0xFFFFFFFF);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite));
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    dev->SetTexture(0, glow);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    for (int i = 0; i < 6; ++i) {
      const bool additive = i % 2 == 0;
      dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      dev->SetRenderState(D3DRS_DESTBLEND, additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
      const float t = a + i * 1.047f;
      const D3DCOLOR c = additive ? 0xC0FF8040u : 0xA040A0FFu;
      SpriteQuad(s, 160 + 110 * std::cos(t) - 24, 120 + 80 * std::sin(t) - 24, 48, 48, c, c);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite));
    }
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
  dev->SetTexture(0, nullptr);
  dev->SetStreamSource(0, nullptr, 0, 0);
  dev->SetIndices(nullptr);
  checker->Release();
  glow->Release();
  ring->Release();
  vb->Release();
  ib->Release();
  const ULONG left = dev->Release();
  d3d->Release();
  SDL_DestroyWindow(window);
  SDL_Quit();
  return left == 0 ? 0 : 1;
}
