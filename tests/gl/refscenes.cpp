#include "refscenes.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace refscenes {

namespace {

struct LitVertex {  // 0x1D2
  float x, y, z, nx, ny, nz;
  D3DCOLOR diffuse, specular;
  float u, v;
};
struct NormalTexVertex {  // 0x112
  float x, y, z, nx, ny, nz, u, v;
};
struct ColourVertex {  // XYZ | DIFFUSE
  float x, y, z;
  D3DCOLOR c;
};
struct Sprite {  // 0x1C4
  float x, y, z, rhw;
  D3DCOLOR diffuse, specular;
  float u, v;
};

constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
constexpr DWORD kNormalTexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr DWORD kColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr DWORD kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

D3DMATRIX Identity() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Perspective() {  // fovy 90 degrees, aspect 1, near 0.01, far 100, left-handed
  D3DMATRIX m = {};
  const float zn = 0.01f, zf = 100.0f;
  m._11 = m._22 = 1.0f;
  m._33 = zf / (zf - zn);
  m._34 = 1.0f;
  m._43 = -zn * zf / (zf - zn);
  return m;
}

D3DMATRIX RotationY(float a) {
  D3DMATRIX m = Identity();
  m._11 = std::cos(a);
  m._13 = -std::sin(a);
  m._31 = std::sin(a);
  m._33 = std::cos(a);
  return m;
}

D3DCOLORVALUE Cv(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }

D3DVECTOR Normalised(float x, float y, float z) {
  const float l = std::sqrt(x * x + y * y + z * z);
  return {x / l, y / l, z / l};
}

class Renderer {
 public:
  Renderer(IDirect3DDevice9* d, std::vector<Picture>* out, std::string* error) : d_(d), out_(out), error_(error) {}
  ~Renderer() {
    if (rt_) rt_->Release();
    if (sys_) sys_->Release();
    if (backBuffer_) backBuffer_->Release();
  }

  bool Run() {
    if (!Check(d_->CreateRenderTarget(kSize, kSize, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt_, nullptr),
               "CreateRenderTarget") ||
        !Check(d_->CreateOffscreenPlainSurface(kSize, kSize, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys_, nullptr),
               "CreateOffscreenPlainSurface") ||
        !Check(d_->GetRenderTarget(0, &backBuffer_), "GetRenderTarget"))
      return false;
    bool ok = Scene("lit_sphere", &Renderer::LitSphere) && Scene("lit_textured", &Renderer::LitTextured) &&
              Scene("vertex_colours", &Renderer::VertexColours) && Scene("blend_rows", &Renderer::BlendRows) &&
              Scene("alpha_test", &Renderer::AlphaTest) && Scene("sprites", &Renderer::Sprites) &&
              Scene("depth", &Renderer::Depth) && Scene("stages", &Renderer::Stages);
    d_->SetRenderTarget(0, backBuffer_);
    return ok;
  }

 private:
  bool Check(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return true;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s failed: 0x%08x", what, static_cast<unsigned>(hr));
    *error_ = buf;
    return false;
  }

  // Each scene starts from a device in its default state, on the render target.
  bool Scene(const char* name, bool (Renderer::*draw)()) {
    if (!Check(d_->SetRenderTarget(0, rt_), "SetRenderTarget")) return false;
    Defaults();
    if (!Check(d_->BeginScene(), "BeginScene")) return false;
    const bool ok = (this->*draw)();
    d_->EndScene();
    if (!ok) {
      if (error_->empty()) *error_ = std::string(name) + " failed";
      return false;
    }
    if (!Check(d_->GetRenderTargetData(rt_, sys_), "GetRenderTargetData")) return false;
    D3DLOCKED_RECT lr;
    if (!Check(sys_->LockRect(&lr, nullptr, D3DLOCK_READONLY), "LockRect")) return false;
    Picture p;
    p.name = name;
    p.width = p.height = kSize;
    p.pixels.resize(kSize * kSize);
    for (UINT y = 0; y < kSize; ++y)
      std::memcpy(&p.pixels[y * kSize], static_cast<const std::uint8_t*>(lr.pBits) + y * lr.Pitch, kSize * 4);
    sys_->UnlockRect();
    out_->push_back(std::move(p));
    return true;
  }

  void Defaults() {
    const D3DMATRIX id = Identity(), proj = Perspective();
    d_->SetTransform(D3DTS_WORLD, &id);
    d_->SetTransform(D3DTS_VIEW, &id);
    d_->SetTransform(D3DTS_PROJECTION, &proj);
    const DWORD rs[][2] = {{D3DRS_LIGHTING, TRUE},
                           {D3DRS_SPECULARENABLE, FALSE},
                           {D3DRS_CULLMODE, D3DCULL_CCW},
                           {D3DRS_ZENABLE, D3DZB_TRUE},
                           {D3DRS_ZWRITEENABLE, TRUE},
                           {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                           {D3DRS_ALPHABLENDENABLE, FALSE},
                           {D3DRS_SRCBLEND, D3DBLEND_ONE},
                           {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                           {D3DRS_BLENDOP, D3DBLENDOP_ADD},
                           {D3DRS_ALPHATESTENABLE, FALSE},
                           {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
                           {D3DRS_ALPHAREF, 0},
                           {D3DRS_FILLMODE, D3DFILL_SOLID},
                           {D3DRS_AMBIENT, 0},
                           {D3DRS_LOCALVIEWER, TRUE},
                           {D3DRS_COLORVERTEX, TRUE},
                           {D3DRS_WRAP0, 0}};
    for (const auto& r : rs) d_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(r[0]), r[1]);
    d_->SetTexture(0, nullptr);
    d_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    d_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    for (DWORD i = 0; i < 4; ++i) d_->LightEnable(i, FALSE);
  }

  // Lights of the car scenes: white key light from upper left, blue fill light, light ambient.
  void TwoLights() {
    D3DLIGHT9 l = {};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Direction = Normalised(-1, -1, 1);
    l.Diffuse = Cv(1, 0.9f, 0.8f);
    l.Specular = Cv(1, 1, 1);
    l.Ambient = Cv(0.1f, 0.1f, 0.1f);
    d_->SetLight(0, &l);
    d_->LightEnable(0, TRUE);
    l.Direction = Normalised(1, 0.5f, 0.5f);
    l.Diffuse = Cv(0.2f, 0.3f, 0.6f);
    l.Specular = Cv(0.2f, 0.2f, 0.3f);
    l.Ambient = Cv(0, 0, 0);
    d_->SetLight(1, &l);
    d_->LightEnable(1, TRUE);
  }

  IDirect3DTexture9* Texture(D3DFORMAT format, UINT size, UINT levels, std::uint32_t (*texel)(UINT x, UINT y, UINT s)) {
    IDirect3DTexture9* t = nullptr;
    if (!Check(d_->CreateTexture(size, size, levels, 0, format, D3DPOOL_MANAGED, &t, nullptr), "CreateTexture"))
      return nullptr;
    for (UINT l = 0; l < t->GetLevelCount(); ++l) {
      D3DLOCKED_RECT lr;
      if (FAILED(t->LockRect(l, &lr, nullptr, 0))) continue;
      const UINT s = size >> l ? size >> l : 1;
      for (UINT y = 0; y < s; ++y)
        for (UINT x = 0; x < s; ++x) {
          const std::uint32_t v = texel(x, y, s);
          std::memcpy(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &v, 4);
        }
      t->UnlockRect(l);
    }
    return t;
  }

  bool LitSphere() {
    TwoLights();
    D3DMATERIAL9 m = {};
    m.Diffuse = m.Ambient = m.Specular = Cv(1, 1, 1);
    m.Power = 20.0f;
    d_->SetMaterial(&m);
    d_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // A UV sphere of 12 x 8 quads in a managed vertex and index buffer.
    const int cols = 12, rows = 8;
    const UINT nv = (cols + 1) * (rows + 1), ni = cols * rows * 6;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    if (!Check(d_->CreateVertexBuffer(nv * sizeof(LitVertex), 0, kLitFvf, D3DPOOL_MANAGED, &vb, nullptr),
               "CreateVertexBuffer"))
      return false;
    if (!Check(d_->CreateIndexBuffer(ni * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), "CreateIndexBuffer")) {
      vb->Release();
      return false;
    }
    LitVertex* v = nullptr;
    vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
    for (int r = 0; r <= rows; ++r)
      for (int c = 0; c <= cols; ++c) {
        const float th = 3.14159265f * r / rows, ph = 2 * 3.14159265f * c / cols;
        const float nx = std::sin(th) * std::cos(ph), ny = std::cos(th), nz = std::sin(th) * std::sin(ph);
        const D3DCOLOR col = 0xFF000000u | static_cast<D3DCOLOR>(128 + 127 * c / cols) << 16 |
                             static_cast<D3DCOLOR>(64 + 191 * r / rows) << 8 | 0x40;
        *v++ = {1.2f * nx, 1.2f * ny, 3.0f + 1.2f * nz, nx, ny, nz, col, 0xFFFFFFFF, 0, 0};
      }
    vb->Unlock();
    std::uint16_t* idx = nullptr;
    ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        const std::uint16_t a = static_cast<std::uint16_t>(r * (cols + 1) + c),
                            b = static_cast<std::uint16_t>(a + cols + 1);
        // Clockwise as seen from the camera at the origin.
        const std::uint16_t q[6] = {a, static_cast<std::uint16_t>(a + 1), b,
                                    b, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(b + 1)};
        std::memcpy(idx, q, sizeof q);
        idx += 6;
      }
    ib->Unlock();
    d_->SetFVF(kLitFvf);
    d_->SetStreamSource(0, vb, 0, sizeof(LitVertex));
    d_->SetIndices(ib);
    d_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const bool ok = Check(d_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, nv, 0, ni / 3), "DrawIndexedPrimitive");
    d_->SetStreamSource(0, nullptr, 0, 0);
    d_->SetIndices(nullptr);
    vb->Release();
    ib->Release();
    return ok;
  }

  bool LitTextured() {
    TwoLights();
    D3DMATERIAL9 m = {};
    m.Diffuse = Cv(0.9f, 0.9f, 0.9f);
    m.Ambient = Cv(1, 1, 1);
    d_->SetMaterial(&m);
    d_->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    IDirect3DTexture9* t = Texture(D3DFMT_X8R8G8B8, 16, 1, [](UINT x, UINT y, UINT) -> std::uint32_t {
      return ((x / 4 + y / 4) & 1) ? 0xFFE0C020u : (0xFF2040A0u | ((x * 12) << 16));
    });
    if (!t) return false;
    d_->SetTexture(0, t);
    d_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101830, 1.0f, 0);
    const D3DMATRIX world = RotationY(0.5f);
    d_->SetTransform(D3DTS_WORLD, &world);
    // A plane turned about y, normals towards the camera.
    const NormalTexVertex q[4] = {{-1.5f, 1.5f, 2.5f, 0, 0, -1, 0, 0},
                                  {1.5f, 1.5f, 2.5f, 0, 0, -1, 2, 0},
                                  {-1.5f, -1.5f, 2.5f, 0, 0, -1, 0, 2},
                                  {1.5f, -1.5f, 2.5f, 0, 0, -1, 2, 2}};
    d_->SetFVF(kNormalTexFvf);
    d_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const bool ok = Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(NormalTexVertex)), "DrawPrimitiveUP");
    d_->SetTexture(0, nullptr);
    t->Release();
    return ok;
  }

  bool VertexColours() {
    d_->SetRenderState(D3DRS_LIGHTING, FALSE);
    d_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF404040, 1.0f, 0);
    const ColourVertex fan[6] = {{0, 0, 2, 0xFFFFFFFF},        {-1.8f, -1.5f, 2, 0xFFFF0000},
                                 {1.8f, -1.5f, 2, 0xFF00FF00}, {1.6f, 1.4f, 2, 0xFF0000FF},
                                 {-1.2f, 1.7f, 2, 0x80FFFF00}, {-1.8f, -1.5f, 2, 0xFFFF0000}};
    d_->SetFVF(kColourFvf);
    return Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 4, fan, sizeof(ColourVertex)), "DrawPrimitiveUP");
  }

  static void SpriteQuad(Sprite* s, float x, float y, float w, float h, D3DCOLOR c, float z = 0.0f) {
    s[0] = {x, y, z, 0.5f, c, 0, 0, 0};
    s[1] = {x + w, y, z, 0.5f, c, 0, 1, 0};
    s[2] = {x, y + h, z, 0.5f, c, 0, 0, 1};
    s[3] = {x + w, y + h, z, 0.5f, c, 0, 1, 1};
  }

  bool BlendRows() {
    d_->SetRenderState(D3DRS_LIGHTING, FALSE);
    d_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // Background: a vertical gradient from blue to orange.
    Sprite bg[4];
    SpriteQuad(bg, 0, 0, 64, 64, 0xFF2040C0);
    bg[2].diffuse = bg[3].diffuse = 0xFFF08020;
    d_->SetFVF(kSpriteFvf);
    if (!Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bg, sizeof(Sprite)), "DrawPrimitiveUP")) return false;
    IDirect3DTexture9* t = Texture(D3DFMT_A8R8G8B8, 16, 1, [](UINT x, UINT y, UINT) -> std::uint32_t {
      return (static_cast<std::uint32_t>(x * 16 + 8) << 24) | (0x00FFFFFFu & (0xC0FF60u + y * 0x040000u));
    });
    if (!t) return false;
    d_->SetTexture(0, t);
    d_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    // The six rows: opaque, additive, alpha, inverse-colour darken, multiply, alpha-tested.
    struct Row {
      BOOL blend;
      DWORD src, dst, test, func;
    } rows[6] = {{FALSE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0, D3DCMP_ALWAYS},
                 {TRUE, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0, D3DCMP_ALWAYS},
                 {TRUE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0, D3DCMP_ALWAYS},
                 {TRUE, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, 0, D3DCMP_ALWAYS},
                 {TRUE, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 0, D3DCMP_ALWAYS},
                 {FALSE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 1, D3DCMP_GREATER}};
    for (int i = 0; i < 6; ++i) {
      d_->SetRenderState(D3DRS_ALPHABLENDENABLE, rows[i].blend);
      d_->SetRenderState(D3DRS_SRCBLEND, rows[i].src);
      d_->SetRenderState(D3DRS_DESTBLEND, rows[i].dst);
      d_->SetRenderState(D3DRS_ALPHATESTENABLE, rows[i].test);
      d_->SetRenderState(D3DRS_ALPHAFUNC, rows[i].func);
      d_->SetRenderState(D3DRS_ALPHAREF, rows[i].test ? 0x70 : 0);
      Sprite s[4];
      SpriteQuad(s, 2.0f + (i % 3) * 21.0f, 4.0f + (i / 3) * 30.0f, 18, 26, 0xC0FFFFFF);
      if (!Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP")) break;
    }
    d_->SetTexture(0, nullptr);
    t->Release();
    return error_->empty();
  }

  bool AlphaTest() {
    d_->SetRenderState(D3DRS_LIGHTING, FALSE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203020, 1.0f, 0);
    IDirect3DTexture9* t = Texture(D3DFMT_A8R8G8B8, 32, 1, [](UINT x, UINT y, UINT) -> std::uint32_t {
      const int dx = static_cast<int>(x) - 16, dy = static_cast<int>(y) - 16;
      const int a = 255 - (dx * dx + dy * dy);
      return static_cast<std::uint32_t>(a < 0 ? 0 : a) << 24 | 0xFFD080u;
    });
    if (!t) return false;
    d_->SetTexture(0, t);
    d_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d_->SetFVF(kSpriteFvf);
    Sprite s[4];
    SpriteQuad(s, -0.5f, -0.5f, 32, 32, 0xFFFFFFFF, 0.5f);
    d_->SetRenderState(D3DRS_ALPHAREF, 0);
    bool ok = Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP");
    SpriteQuad(s, 31.5f, 31.5f, 32, 32, 0xFF80FFFF, 0.5f);
    d_->SetRenderState(D3DRS_ALPHAREF, 0x80);
    ok = ok && Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP");
    d_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
    SpriteQuad(s, 31.5f, -0.5f, 32, 32, 0xFFFFFFFF, 0.5f);
    ok = ok && Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP");
    d_->SetTexture(0, nullptr);
    t->Release();
    return ok;
  }

  bool Sprites() {
    d_->SetRenderState(D3DRS_LIGHTING, FALSE);
    d_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    IDirect3DTexture9* t = Texture(D3DFMT_A8R8G8B8, 8, 1, [](UINT x, UINT y, UINT) -> std::uint32_t {
      return 0xFF000000u | (x * 32) << 16 | (y * 32) << 8 | ((x ^ y) & 1) * 0xFF;
    });
    if (!t) return false;
    d_->SetTexture(0, t);
    d_->SetFVF(kSpriteFvf);
    bool ok = true;
    // Point-sampled texel-exact copies at integer and half-pixel positions, then a linear one
    // magnified, a tinted alpha-blended one and one with specular added.
    const struct {
      float x, y, w;
      D3DCOLOR c;
      DWORD filter;
      BOOL blend;
    } items[] = {
        {-0.5f, -0.5f, 8, 0xFFFFFFFF, D3DTEXF_POINT, FALSE}, {10, 0, 8, 0xFFFFFFFF, D3DTEXF_POINT, FALSE},
        {20.5f, 0.5f, 16, 0xFFFFFFFF, D3DTEXF_POINT, FALSE}, {-0.5f, 20, 24, 0xFFFFFFFF, D3DTEXF_LINEAR, FALSE},
        {28, 24, 30, 0x8040FF80, D3DTEXF_LINEAR, TRUE},      {40, 44, 20, 0xFFFF8080, D3DTEXF_POINT, FALSE}};
    for (const auto& it : items) {
      d_->SetSamplerState(0, D3DSAMP_MAGFILTER, it.filter);
      d_->SetSamplerState(0, D3DSAMP_MINFILTER, it.filter);
      d_->SetRenderState(D3DRS_ALPHABLENDENABLE, it.blend);
      d_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      d_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      d_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      d_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
      Sprite s[4];
      SpriteQuad(s, it.x, it.y, it.w, it.w, it.c);
      ok = ok && Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP");
    }
    d_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    Sprite s[4];
    SpriteQuad(s, 4, 48, 14, 14, 0xFF404040);
    for (Sprite& v : s) v.specular = 0xFF302010;
    ok = ok && Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP");
    d_->SetTexture(0, nullptr);
    t->Release();
    return ok;
  }

  bool Depth() {
    TwoLights();
    D3DMATERIAL9 m = {};
    m.Diffuse = m.Ambient = Cv(1, 1, 1);
    d_->SetMaterial(&m);
    d_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d_->SetFVF(kLitFvf);
    // Three interpenetrating tilted quads, then one behind that must not show and one with
    // depth writes off.
    const struct {
      float z0, z1;
      D3DCOLOR c;
      DWORD zwrite, zfunc;
    } quads[] = {{2.0f, 4.0f, 0xFFFF4040, TRUE, D3DCMP_LESSEQUAL},
                 {4.0f, 2.0f, 0xFF40FF40, TRUE, D3DCMP_LESSEQUAL},
                 {3.0f, 3.0f, 0xFF4040FF, TRUE, D3DCMP_LESSEQUAL},
                 {5.0f, 5.0f, 0xFFFFFFFF, TRUE, D3DCMP_LESSEQUAL},
                 {2.5f, 2.5f, 0xFFFFFF00, FALSE, D3DCMP_GREATER}};
    bool ok = true;
    for (const auto& q : quads) {
      d_->SetRenderState(D3DRS_ZWRITEENABLE, q.zwrite);
      d_->SetRenderState(D3DRS_ZFUNC, q.zfunc);
      const LitVertex v[4] = {{-2, 1.5f, q.z0, 0, 0, -1, q.c, 0, 0, 0},
                              {2, 1.5f, q.z1, 0, 0, -1, q.c, 0, 0, 0},
                              {-2, -1.5f, q.z0, 0, 0, -1, q.c, 0, 0, 0},
                              {2, -1.5f, q.z1, 0, 0, -1, q.c, 0, 0, 0}};
      ok = ok && Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitVertex)), "DrawPrimitiveUP");
    }
    return ok;
  }

  bool Stages() {
    // Texture stages beyond the defaults: a second stage adding a factor, TFACTOR and specular.
    d_->SetRenderState(D3DRS_LIGHTING, FALSE);
    d_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    IDirect3DTexture9* t = Texture(D3DFMT_A8R8G8B8, 8, 1, [](UINT x, UINT y, UINT) -> std::uint32_t {
      return static_cast<std::uint32_t>(x * 32 + 16) << 24 | static_cast<std::uint32_t>(y * 32) << 16 | 0x8040u;
    });
    if (!t) return false;
    d_->SetTexture(0, t);
    d_->SetFVF(kSpriteFvf);
    d_->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40206080);
    const struct {
      DWORD op, arg1, arg2;
    } ops[] = {{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE},
               {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TFACTOR},
               {D3DTOP_SUBTRACT, D3DTA_DIFFUSE, D3DTA_TEXTURE},
               {D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE},
               {D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE},
               {D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_DIFFUSE},
               {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE},
               {D3DTOP_MODULATE, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE},
               {D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR}};
    bool ok = true;
    for (int i = 0; i < 9; ++i) {
      d_->SetTextureStageState(0, D3DTSS_COLOROP, ops[i].op);
      d_->SetTextureStageState(0, D3DTSS_COLORARG1, ops[i].arg1);
      d_->SetTextureStageState(0, D3DTSS_COLORARG2, ops[i].arg2);
      Sprite s[4];
      SpriteQuad(s, -0.5f + (i % 3) * 21.0f, -0.5f + (i / 3) * 21.0f, 20, 20, 0xA0C08040);
      ok = ok && Check(d_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(Sprite)), "DrawPrimitiveUP");
    }
    d_->SetTexture(0, nullptr);
    t->Release();
    return ok;
  }

  IDirect3DDevice9* d_;
  std::vector<Picture>* out_;
  std::string* error_;
  IDirect3DSurface9* rt_ = nullptr;
  IDirect3DSurface9* sys_ = nullptr;
  IDirect3DSurface9* backBuffer_ = nullptr;
};

}  // namespace

bool RenderAll(IDirect3DDevice9* device, std::vector<Picture>* out, std::string* error) {
  error->clear();
  Renderer r(device, out, error);
  return r.Run();
}

bool WritePictures(const std::string& path, const std::vector<Picture>& pictures) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite("D3D9REF1", 1, 8, f) == 8;
  const std::uint32_t count = static_cast<std::uint32_t>(pictures.size());
  ok = ok && std::fwrite(&count, 4, 1, f) == 1;
  for (const Picture& p : pictures) {
    char name[32] = {};
    std::snprintf(name, sizeof name, "%s", p.name.c_str());
    const std::uint32_t wh[2] = {p.width, p.height};
    ok = ok && std::fwrite(name, 1, 32, f) == 32 && std::fwrite(wh, 4, 2, f) == 2 &&
         std::fwrite(p.pixels.data(), 4, p.pixels.size(), f) == p.pixels.size();
  }
  return std::fclose(f) == 0 && ok;
}

bool ReadPictures(const std::string& path, std::vector<Picture>* pictures) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char magic[8];
  std::uint32_t count = 0;
  bool ok = std::fread(magic, 1, 8, f) == 8 && std::memcmp(magic, "D3D9REF1", 8) == 0 &&
            std::fread(&count, 4, 1, f) == 1 && count < 1000;
  for (std::uint32_t i = 0; ok && i < count; ++i) {
    char name[33] = {};
    std::uint32_t wh[2];
    ok = std::fread(name, 1, 32, f) == 32 && std::fread(wh, 4, 2, f) == 2 && wh[0] <= 4096 && wh[1] <= 4096;
    if (!ok) break;
    Picture p;
    p.name = name;
    p.width = wh[0];
    p.height = wh[1];
    p.pixels.resize(static_cast<std::size_t>(wh[0]) * wh[1]);
    ok = std::fread(p.pixels.data(), 4, p.pixels.size(), f) == p.pixels.size();
    if (ok) pictures->push_back(std::move(p));
  }
  std::fclose(f);
  return ok;
}

}  // namespace refscenes
