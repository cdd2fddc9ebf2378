// Test helper: a real window for TDGCarad on each target. Linux: a hidden SDL window on the
// offscreen video driver (no frame, so outer and client sizes are equal). Windows: a Win32
// overlapped window with a frame, placed with SetWindowPos as the component asks.
#pragma once

#include <string>

#include "dg/window.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <SDL.h>

#include <cstdlib>
#endif

namespace testwin {

#ifdef _WIN32

class Window : public dg::TDGWindow {
 public:
  Window(int clientWidth, int clientHeight) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KestorDgTest";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    hwnd_ = CreateWindowExA(0, "KestorDgTest", "dg test", WS_OVERLAPPEDWINDOW, 30, 40, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~Window() override {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  bool Ok() const { return hwnd_ != nullptr; }

  HWND Handle() const override { return hwnd_; }
  int ClientWidth() const override { return Client().right; }
  int ClientHeight() const override { return Client().bottom; }
  int Width() const override { return Outer().right - Outer().left; }
  int Height() const override { return Outer().bottom - Outer().top; }
  int Left() const override { return Outer().left; }
  int Top() const override { return Outer().top; }
  void SetWindowPos(int left, int top, int width, int height) override {
    ::SetWindowPos(hwnd_, HWND_NOTOPMOST, left, top, width, height, SWP_SHOWWINDOW);
  }

 private:
  RECT Client() const {
    RECT r = {};
    GetClientRect(hwnd_, &r);
    return r;
  }
  RECT Outer() const {
    RECT r = {};
    GetWindowRect(hwnd_, &r);
    return r;
  }
  HWND hwnd_ = nullptr;
};

#else

class Window : public dg::TDGWindow {
 public:
  Window(int clientWidth, int clientHeight) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    window_ = SDL_CreateWindow("dg test", 30, 40, clientWidth, clientHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  }
  ~Window() override {
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  bool Ok() const { return window_ != nullptr; }

  HWND Handle() const override { return reinterpret_cast<HWND>(window_); }
  int ClientWidth() const override { return Size().first; }
  int ClientHeight() const override { return Size().second; }
  int Width() const override { return Size().first; }
  int Height() const override { return Size().second; }
  int Left() const override {
    int x = 0, y = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    return x;
  }
  int Top() const override {
    int x = 0, y = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    return y;
  }
  void SetWindowPos(int left, int top, int width, int height) override {
    SDL_SetWindowPosition(window_, left, top);
    SDL_SetWindowSize(window_, width, height);
    SDL_ShowWindow(window_);
  }

 private:
  std::pair<int, int> Size() const {
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    return {w, h};
  }
  SDL_Window* window_ = nullptr;
};

#endif

}  // namespace testwin
