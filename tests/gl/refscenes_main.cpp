// d3d9_refscenes OUTPUT: renders the reference scenes with this target's Direct3D 9 (Windows:
// d3d9.dll, under Wine in the tests; Linux: d3d9gl) and writes the pictures to OUTPUT.
#include "refscenes.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
namespace {
HWND MakeWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "d3d9refscenes";
  RegisterClassA(&wc);
  return CreateWindowA("d3d9refscenes", "d3d9 reference scenes", WS_OVERLAPPEDWINDOW, 0, 0, 160, 160, nullptr, nullptr,
                       wc.hInstance, nullptr);
}
void FreeWindow(HWND w) { DestroyWindow(w); }
}  // namespace
#else
#include <SDL.h>
namespace {
HWND MakeWindow() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return reinterpret_cast<HWND>(
      SDL_CreateWindow("d3d9 reference scenes", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN));
}
void FreeWindow(HWND w) {
  SDL_DestroyWindow(reinterpret_cast<SDL_Window*>(w));
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
}  // namespace
#endif

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: d3d9_refscenes OUTPUT\n");
    return 2;
  }
  HWND window = MakeWindow();
  if (!window) {
    std::fprintf(stderr, "d3d9_refscenes: no window\n");
    return 1;
  }
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) {
    std::fprintf(stderr, "d3d9_refscenes: Direct3DCreate9 failed\n");
    return 1;
  }
  D3DPRESENT_PARAMETERS pp = {};
  pp.BackBufferWidth = refscenes::kSize;
  pp.BackBufferHeight = refscenes::kSize;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  IDirect3DDevice9* dev = nullptr;
  HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
  if (FAILED(hr)) {
    std::fprintf(stderr, "d3d9_refscenes: CreateDevice failed: 0x%08x\n", static_cast<unsigned>(hr));
    d3d->Release();
    return 1;
  }
  std::vector<refscenes::Picture> pictures;
  std::string error;
  const bool ok = refscenes::RenderAll(dev, &pictures, &error);
  dev->Release();
  d3d->Release();
  FreeWindow(window);
  if (!ok) {
    std::fprintf(stderr, "d3d9_refscenes: %s\n", error.c_str());
    return 1;
  }
  if (!refscenes::WritePictures(argv[1], pictures)) {
    std::fprintf(stderr, "d3d9_refscenes: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
