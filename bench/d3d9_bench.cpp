// The Direct3D 9 layer against plain OpenGL on the same frame: a lit, textured mesh of 4,096
// triangles (two directional lights with specular, managed vertex and index buffers) and 100
// alpha-blended textured sprites drawn one by one from client memory, at 640x480, finished with
// a present. Both run in this process on SDL's current video driver (offscreen when headless).
//
//   d3d9_bench [--benchmark_filter=...]   the ratio is Layer/PlainGL of the two frame times
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include "gl_api.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kCols = 64, kRows = 32;  // 64 x 32 quads = 4,096 triangles
constexpr int kSprites = 100;

struct MeshVertex {  // D3DFVF_XYZ | NORMAL | DIFFUSE | SPECULAR | TEX1
  float x, y, z, nx, ny, nz;
  std::uint32_t diffuse, specular;
  float u, v;
};
struct SpriteVertex {  // D3DFVF_XYZRHW | DIFFUSE | SPECULAR | TEX1
  float x, y, z, rhw;
  std::uint32_t diffuse, specular;
  float u, v;
};

void BuildMesh(std::vector<MeshVertex>* v, std::vector<std::uint16_t>* idx) {
  for (int r = 0; r <= kRows; ++r)
    for (int c = 0; c <= kCols; ++c) {
      const float th = 3.14159265f * r / kRows, ph = 2 * 3.14159265f * c / kCols;
      const float nx = std::sin(th) * std::cos(ph), ny = std::cos(th), nz = std::sin(th) * std::sin(ph);
      v->push_back({1.5f * nx, 1.5f * ny, 4.0f + 1.5f * nz, nx, ny, nz, 0xFFC0A080u, 0xFFFFFFFFu, 4.0f * c / kCols,
                    2.0f * r / kRows});
    }
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) {
      const auto a = static_cast<std::uint16_t>(r * (kCols + 1) + c), b = static_cast<std::uint16_t>(a + kCols + 1);
      const std::uint16_t q[6] = {a, static_cast<std::uint16_t>(a + 1), b,
                                  b, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(b + 1)};
      idx->insert(idx->end(), q, q + 6);
    }
}

std::vector<std::uint32_t> TexturePixels(int size) {
  std::vector<std::uint32_t> p(size * size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      p[y * size + x] =
          0x80000000u | static_cast<std::uint32_t>((x * 255 / size) << 16 | (y * 255 / size) << 8 | ((x ^ y) & 0xff));
  return p;
}

void Sprite(SpriteVertex* s, int i) {
  const float x = static_cast<float>((i * 53) % (kWidth - 40)), y = static_cast<float>((i * 37) % (kHeight - 40));
  const std::uint32_t c = 0x80FFFFFFu;
  s[0] = {x, y, 0, 0.5f, c, 0, 0, 0};
  s[1] = {x + 32, y, 0, 0.5f, c, 0, 1, 0};
  s[2] = {x, y + 32, 0, 0.5f, c, 0, 0, 1};
  s[3] = {x + 32, y + 32, 0, 0.5f, c, 0, 1, 1};
}

SDL_Window* Window() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return SDL_CreateWindow("d3d9 bench", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
}

// ---- through the layer -----------------------------------------------------------------------------

struct LayerScene {
  SDL_Window* window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  IDirect3DTexture9* tex = nullptr;
  UINT vertices = 0, triangles = 0;

  bool Open() {
    window = Window();
    d3d = window ? Direct3DCreate9(D3D_SDK_VERSION) : nullptr;
    if (!d3d) return false;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = reinterpret_cast<HWND>(window);
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev)))
      return false;
    std::vector<MeshVertex> v;
    std::vector<std::uint16_t> idx;
    BuildMesh(&v, &idx);
    vertices = static_cast<UINT>(v.size());
    triangles = static_cast<UINT>(idx.size() / 3);
    void* p = nullptr;
    dev->CreateVertexBuffer(vertices * sizeof(MeshVertex), 0, 0x1D2, D3DPOOL_MANAGED, &vb, nullptr);
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v.data(), v.size() * sizeof(MeshVertex));
    vb->Unlock();
    dev->CreateIndexBuffer(static_cast<UINT>(idx.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, idx.data(), idx.size() * 2);
    ib->Unlock();
    dev->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    const auto px = TexturePixels(256);
    for (int y = 0; y < 256; ++y) std::memcpy(static_cast<std::uint8_t*>(lr.pBits) + y * lr.Pitch, &px[y * 256], 1024);
    tex->UnlockRect(0);

    D3DMATRIX id = {}, proj = {};
    id._11 = id._22 = id._33 = id._44 = 1;
    proj._11 = 0.75f, proj._22 = 1, proj._33 = 100.0f / 99.99f, proj._34 = 1, proj._43 = -0.01f * 100.0f / 99.99f;
    dev->SetTransform(D3DTS_WORLD, &id);
    dev->SetTransform(D3DTS_VIEW, &id);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    D3DLIGHT9 l = {};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 0.9f, 0.8f, 1};
    l.Specular = {0.2f, 0.2f, 0.3f, 1};
    l.Direction = {-0.577f, -0.577f, 0.577f};
    dev->SetLight(0, &l);
    l.Diffuse = {0.2f, 0.3f, 0.6f, 1};
    l.Direction = {0.816f, 0.408f, 0.408f};
    dev->SetLight(1, &l);
    dev->LightEnable(0, TRUE);
    dev->LightEnable(1, TRUE);
    D3DMATERIAL9 m = {};
    m.Diffuse = m.Ambient = m.Specular = {1, 1, 1, 1};
    m.Power = 20;
    dev->SetMaterial(&m);
    return true;
  }

  void Frame() {
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // The mesh, as the rendering queue draws an opaque frame.
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetFVF(0x1D2);
    dev->SetIndices(ib);
    dev->SetStreamSource(0, vb, 0, sizeof(MeshVertex));
    dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertices, 0, triangles);
    // The sprites, as the queue draws screen quads of blend mode 2.
    dev->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    dev->SetFVF(0x1C4);
    for (int i = 0; i < kSprites; ++i) {
      SpriteVertex s[4];
      Sprite(s, i);
      dev->SetTexture(0, tex);
      dev->SetRenderState(D3DRS_LIGHTING, FALSE);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(SpriteVertex));
    }
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }

  void Close() {
    if (dev) {
      dev->SetTexture(0, nullptr);
      dev->SetStreamSource(0, nullptr, 0, 0);
      dev->SetIndices(nullptr);
    }
    if (tex) tex->Release();
    if (vb) vb->Release();
    if (ib) ib->Release();
    if (dev) dev->Release();
    if (d3d) d3d->Release();
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
};

// ---- the same in plain OpenGL ------------------------------------------------------------------------

const char* kMeshVs = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec4 aSpecular;
layout(location = 4) in vec2 aTex;
uniform mat4 uProj;
uniform vec3 uL0, uL1, uD0, uD1, uS0, uS1;
out vec4 vDiffuse; out vec4 vSpecular; out vec2 vTex;
void main() {
  vec4 c = uProj * vec4(aPos, 1.0);
  gl_Position = vec4(c.x, -c.y, 2.0 * c.z - c.w, c.w);
  vec3 V = normalize(-aPos);
  vec3 dif = vec3(0.0), spec = vec3(0.0);
  float n0 = dot(aNormal, uL0), n1 = dot(aNormal, uL1);
  if (n0 > 0.0) { dif += uD0 * n0; spec += uS0 * pow(max(dot(aNormal, normalize(uL0 + V)), 0.0), 20.0); }
  if (n1 > 0.0) { dif += uD1 * n1; spec += uS1 * pow(max(dot(aNormal, normalize(uL1 + V)), 0.0), 20.0); }
  vDiffuse = vec4(clamp(aDiffuse.rgb * dif, 0.0, 1.0), aDiffuse.a);
  vSpecular = vec4(clamp(aSpecular.rgb * spec, 0.0, 1.0), 0.0);
  vTex = aTex;
})";
const char* kMeshFs = R"(#version 330 core
in vec4 vDiffuse; in vec4 vSpecular; in vec2 vTex;
uniform sampler2D uTex;
out vec4 fragColor;
void main() {
  vec4 t = texture(uTex, vTex);
  fragColor = vec4(min(t.rgb * vDiffuse.rgb + vSpecular.rgb, vec3(1.0)), t.a);
})";
const char* kSpriteVs = R"(#version 330 core
layout(location = 0) in vec4 aPos;
layout(location = 2) in vec4 aDiffuse;
layout(location = 4) in vec2 aTex;
out vec4 vDiffuse; out vec2 vTex;
void main() {
  float w = 1.0 / aPos.w;
  vec2 ndc = vec2(aPos.x * 2.0 / 640.0 - 1.0, aPos.y * 2.0 / 480.0 - 1.0);
  gl_Position = vec4(ndc * w, (2.0 * aPos.z - 1.0) * w, w);
  vDiffuse = aDiffuse; vTex = aTex;
})";
const char* kSpriteFs = R"(#version 330 core
in vec4 vDiffuse; in vec2 vTex;
uniform sampler2D uTex;
out vec4 fragColor;
void main() { vec4 t = texture(uTex, vTex); fragColor = vec4(t.rgb * vDiffuse.rgb, t.a); })";

struct PlainScene {
  SDL_Window* window = nullptr;
  SDL_GLContext ctx = nullptr;
  d3d9gl::Gl gl;
  GLuint meshProg = 0, spriteProg = 0, vao = 0, vbo = 0, ibo = 0, stream = 0, tex = 0, fbo = 0, color = 0, depth = 0;
  GLsizei indices = 0;
  GLuint streamPos = 0;

  GLuint Program(const char* vs, const char* fs) {
    auto compile = [&](GLenum type, const char* src) {
      GLuint s = gl.CreateShader(type);
      gl.ShaderSource(s, 1, &src, nullptr);
      gl.CompileShader(s);
      return s;
    };
    GLuint p = gl.CreateProgram(), a = compile(GL_VERTEX_SHADER, vs), b = compile(GL_FRAGMENT_SHADER, fs);
    gl.AttachShader(p, a);
    gl.AttachShader(p, b);
    gl.LinkProgram(p);
    gl.DeleteShader(a);
    gl.DeleteShader(b);
    return p;
  }

  bool Open() {
    window = Window();
    if (!window) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    ctx = SDL_GL_CreateContext(window);
    if (!ctx || !gl.Load(nullptr)) return false;
    SDL_GL_SetSwapInterval(0);
    meshProg = Program(kMeshVs, kMeshFs);
    spriteProg = Program(kSpriteVs, kSpriteFs);
    std::vector<MeshVertex> v;
    std::vector<std::uint16_t> idx;
    BuildMesh(&v, &idx);
    indices = static_cast<GLsizei>(idx.size());
    gl.GenVertexArrays(1, &vao);
    gl.BindVertexArray(vao);
    gl.GenBuffers(1, &vbo);
    gl.BindBuffer(GL_ARRAY_BUFFER, vbo);
    gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(v.size() * sizeof(MeshVertex)), v.data(), GL_STATIC_DRAW);
    gl.GenBuffers(1, &ibo);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo);
    gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(idx.size() * 2), idx.data(), GL_STATIC_DRAW);
    gl.GenBuffers(1, &stream);
    gl.BindBuffer(GL_ARRAY_BUFFER, stream);
    gl.BufferData(GL_ARRAY_BUFFER, 4 << 20, nullptr, GL_STREAM_DRAW);
    gl.GenTextures(1, &tex);
    gl.BindTexture(GL_TEXTURE_2D, tex);
    const auto px = TexturePixels(256);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE, px.data());
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    // An offscreen target like the layer's back buffer, presented by a blit.
    gl.GenTextures(1, &color);
    gl.BindTexture(GL_TEXTURE_2D, color);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, kWidth, kHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    gl.GenRenderbuffers(1, &depth);
    gl.BindRenderbuffer(GL_RENDERBUFFER, depth);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, kWidth, kHeight);
    gl.GenFramebuffers(1, &fbo);
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    gl.UseProgram(meshProg);
    const float proj[16] = {0.75f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 100.0f / 99.99f, 1, 0, 0, -0.01f * 100.0f / 99.99f, 0};
    gl.UniformMatrix4fv(gl.GetUniformLocation(meshProg, "uProj"), 1, GL_FALSE, proj);
    const float l0[3] = {0.577f, 0.577f, -0.577f}, l1[3] = {-0.816f, -0.408f, -0.408f};
    const float d0[3] = {1, 0.9f, 0.8f}, d1[3] = {0.2f, 0.3f, 0.6f}, s0[3] = {0.2f, 0.2f, 0.3f};
    gl.Uniform3fv(gl.GetUniformLocation(meshProg, "uL0"), 1, l0);
    gl.Uniform3fv(gl.GetUniformLocation(meshProg, "uL1"), 1, l1);
    gl.Uniform3fv(gl.GetUniformLocation(meshProg, "uD0"), 1, d0);
    gl.Uniform3fv(gl.GetUniformLocation(meshProg, "uD1"), 1, d1);
    gl.Uniform3fv(gl.GetUniformLocation(meshProg, "uS0"), 1, s0);
    gl.Uniform3fv(gl.GetUniformLocation(meshProg, "uS1"), 1, s0);
    gl.Viewport(0, 0, kWidth, kHeight);
    gl.FrontFace(GL_CCW);
    gl.CullFace(GL_BACK);
    gl.Enable(GL_CULL_FACE);
    return true;
  }

  void Frame() {
    SDL_GL_MakeCurrent(window, ctx);
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo);
    gl.DepthMask(GL_TRUE);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.Enable(GL_DEPTH_TEST);
    gl.DepthFunc(GL_LEQUAL);
    gl.Disable(GL_BLEND);
    gl.UseProgram(meshProg);
    gl.BindTexture(GL_TEXTURE_2D, tex);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.BindVertexArray(vao);
    gl.BindBuffer(GL_ARRAY_BUFFER, vbo);
    const GLsizei ms = sizeof(MeshVertex);
    gl.VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, ms, reinterpret_cast<void*>(0));
    gl.VertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, ms, reinterpret_cast<void*>(12));
    gl.VertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, ms, reinterpret_cast<void*>(24));
    gl.VertexAttribPointer(3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, ms, reinterpret_cast<void*>(28));
    gl.VertexAttribPointer(4, 2, GL_FLOAT, GL_FALSE, ms, reinterpret_cast<void*>(32));
    for (GLuint a = 0; a < 5; ++a) gl.EnableVertexAttribArray(a);
    gl.DrawElementsBaseVertex(GL_TRIANGLES, indices, GL_UNSIGNED_SHORT, nullptr, 0);
    // Sprites: each streamed and drawn on its own, as DrawPrimitiveUP does.
    gl.UseProgram(spriteProg);
    gl.Enable(GL_BLEND);
    gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.DepthMask(GL_FALSE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.BindBuffer(GL_ARRAY_BUFFER, stream);
    const GLsizei ss = sizeof(SpriteVertex);
    gl.VertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, ss, reinterpret_cast<void*>(0));
    gl.VertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, ss, reinterpret_cast<void*>(16));
    gl.VertexAttribPointer(4, 2, GL_FLOAT, GL_FALSE, ss, reinterpret_cast<void*>(24));
    gl.DisableVertexAttribArray(1);
    gl.DisableVertexAttribArray(3);
    for (int i = 0; i < kSprites; ++i) {
      SpriteVertex s[4];
      Sprite(s, i);
      if (streamPos + sizeof s > (4u << 20)) {
        gl.BufferData(GL_ARRAY_BUFFER, 4 << 20, nullptr, GL_STREAM_DRAW);
        streamPos = 0;
      }
      void* p = gl.MapBufferRange(GL_ARRAY_BUFFER, streamPos, sizeof s,
                                  GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
      std::memcpy(p, s, sizeof s);
      gl.UnmapBuffer(GL_ARRAY_BUFFER);
      gl.DrawArrays(GL_TRIANGLE_STRIP, static_cast<GLint>(streamPos / sizeof(SpriteVertex)), 4);
      streamPos += sizeof s;
    }
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.BlitFramebuffer(0, 0, kWidth, kHeight, 0, kHeight, kWidth, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    SDL_GL_SwapWindow(window);
  }

  void Close() {
    if (ctx) {
      SDL_GL_MakeCurrent(window, ctx);
      GLuint buffers[3] = {vbo, ibo, stream}, textures[2] = {tex, color};
      gl.DeleteBuffers(3, buffers);
      gl.DeleteTextures(2, textures);
      gl.DeleteRenderbuffers(1, &depth);
      gl.DeleteFramebuffers(1, &fbo);
      gl.DeleteVertexArrays(1, &vao);
      gl.DeleteProgram(meshProg);
      gl.DeleteProgram(spriteProg);
      SDL_GL_DeleteContext(ctx);
    }
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
};

void Layer(benchmark::State& state) {
  LayerScene s;
  if (!s.Open()) {
    state.SkipWithError("no Direct3D 9 device");
    s.Close();
    return;
  }
  s.Frame();  // programs built outside the timing
  for (auto _ : state) s.Frame();
  state.counters["triangles"] = s.triangles + 2 * kSprites;
  s.Close();
}

void PlainGL(benchmark::State& state) {
  PlainScene s;
  if (!s.Open()) {
    state.SkipWithError("no OpenGL 3.3 context");
    s.Close();
    return;
  }
  s.Frame();
  for (auto _ : state) s.Frame();
  s.Close();
}

BENCHMARK(Layer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PlainGL)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
