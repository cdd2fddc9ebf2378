// Test fixture for the Direct3D 9 layer: a hidden SDL window on the offscreen video driver, a
// device on it, and read-back of the render target through GetRenderTargetData as the saver's
// capture option does it.
#pragma once

#include <SDL.h>
#include <d3d9.h>
#include <d3d9_linux.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace d3d9test {

// 0xAARRGGBB as read back from an X8R8G8B8 or A8R8G8B8 surface.
inline int A(std::uint32_t c) { return static_cast<int>(c >> 24); }
inline int R(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xff); }
inline int G(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xff); }
inline int B(std::uint32_t c) { return static_cast<int>(c & 0xff); }

// Channel-wise comparison within a tolerance, with a readable failure.
inline ::testing::AssertionResult NearColor(std::uint32_t got, std::uint32_t want, int tol, bool alpha = true) {
  const int d[4] = {A(got) - A(want), R(got) - R(want), G(got) - G(want), B(got) - B(want)};
  for (int i = alpha ? 0 : 1; i < 4; ++i) {
    if (d[i] > tol || d[i] < -tol) {
      char buf[96];
      std::snprintf(buf, sizeof buf, "got %08X want %08X (tolerance %d)", got, want, tol);
      return ::testing::AssertionFailure() << buf;
    }
  }
  return ::testing::AssertionSuccess();
}

struct TlVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1, stride 32
  float x, y, z, rhw;
  D3DCOLOR diffuse, specular;
  float u, v;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

struct LitVertex {  // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1, stride 40
  float x, y, z, nx, ny, nz;
  D3DCOLOR diffuse, specular;
  float u, v;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

class DeviceTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 64, kHeight = 64;

  void SetUp() override { ASSERT_TRUE(Open(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DFMT_D16)); }
  void TearDown() override { Close(); }

  bool Open(int w, int h, D3DFORMAT backBuffer, D3DFORMAT depth) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    window_ = SDL_CreateWindow("d3d9 test", 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) return false;
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d_) return false;
    pp_ = {};
    pp_.BackBufferFormat = backBuffer;
    pp_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp_.hDeviceWindow = hwnd();
    pp_.Windowed = TRUE;
    pp_.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
    pp_.AutoDepthStencilFormat = depth;
    pp_.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp_, &dev_) == D3D_OK;
  }

  void Close() {
    if (dev_) {
      EXPECT_EQ(dev_->Release(), 0u);
    }
    if (d3d_) {
      EXPECT_EQ(d3d_->Release(), 0u);
    }
    dev_ = nullptr;
    d3d_ = nullptr;
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  HWND hwnd() const { return reinterpret_cast<HWND>(window_); }

  // The current render target, top row first, as 0xAARRGGBB.
  std::vector<std::uint32_t> ReadBack() {
    std::vector<std::uint32_t> px;
    IDirect3DSurface9* rt = nullptr;
    if (dev_->GetRenderTarget(0, &rt) != D3D_OK) return px;
    D3DSURFACE_DESC d;
    rt->GetDesc(&d);
    IDirect3DSurface9* sys = nullptr;
    if (dev_->CreateOffscreenPlainSurface(d.Width, d.Height, d.Format, D3DPOOL_SYSTEMMEM, &sys, nullptr) == D3D_OK) {
      if (dev_->GetRenderTargetData(rt, sys) == D3D_OK) {
        D3DLOCKED_RECT lr;
        if (sys->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
          px.resize(static_cast<std::size_t>(d.Width) * d.Height);
          for (UINT y = 0; y < d.Height; ++y)
            std::memcpy(&px[y * d.Width], static_cast<const std::uint8_t*>(lr.pBits) + y * lr.Pitch, d.Width * 4);
          sys->UnlockRect();
        }
      }
      sys->Release();
    }
    width_ = d.Width;
    rt->Release();
    return px;
  }
  std::uint32_t At(const std::vector<std::uint32_t>& px, int x, int y) const { return px[y * width_ + x]; }

  // A pre-transformed quad from (x0, y0) to (x1, y1) as a two-triangle strip, clockwise.
  HRESULT Quad(float x0, float y0, float x1, float y1, D3DCOLOR c, float z = 0.5f, D3DCOLOR spec = 0) {
    const TlVertex v[4] = {{x0, y0, z, 1, c, spec, 0, 0},
                           {x1, y0, z, 1, c, spec, 1, 0},
                           {x0, y1, z, 1, c, spec, 0, 1},
                           {x1, y1, z, 1, c, spec, 1, 1}};
    dev_->SetFVF(kTlFvf);
    return dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TlVertex));
  }

  SDL_Window* window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* dev_ = nullptr;
  D3DPRESENT_PARAMETERS pp_{};
  UINT width_ = kWidth;
};

}  // namespace d3d9test
