// A stand-in for the Display control panel's preview picture: a visible 200 x 150 window. Prints
// its handle in decimal, runs its message loop and destroys the window after the number of
// milliseconds in the first argument (default 3000), as the control panel does when it closes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

int main(int argc, char** argv) {
  const unsigned ms = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 3000u;
  WNDCLASSA c{};
  c.lpfnWndProc = Proc;
  c.hInstance = GetModuleHandleA(nullptr);
  c.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  c.lpszClassName = "KestorPreviewHost";
  RegisterClassA(&c);
  HWND w = CreateWindowExA(0, c.lpszClassName, "preview host", WS_POPUP | WS_VISIBLE, 50, 60, 200, 150, nullptr,
                           nullptr, c.hInstance, nullptr);
  if (!w) return 1;
  std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(w)));
  std::fflush(stdout);
  SetTimer(w, 1, ms, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
