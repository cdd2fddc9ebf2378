// The credit window on Win32: a captioned pop-up owned by the screen-saver window whose client
// area paints the picture as a 1-bit DIB with its two-colour palette. Shown without taking the
// activation, so that the screen-saver window keeps the keyboard.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/dialogs.h"

namespace platform {

namespace {

constexpr char kClassName[] = "KestorCreditWindow";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;  // owned: no taskbar button

// BITMAPINFO with room for the two palette entries.
struct MonoInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[2];
};

RGBQUAD Quad(std::uint32_t rgb) {
  return RGBQUAD{static_cast<BYTE>(rgb & 0xFF), static_cast<BYTE>((rgb >> 8) & 0xFF),
                 static_cast<BYTE>((rgb >> 16) & 0xFF), 0};
}

class Win32CreditView final : public CreditView {
 public:
  Win32CreditView(HWND owner, const TwoColourPicture& p)
      : width_(p.width > 0 ? p.width : 1), height_(p.height > 0 ? p.height : 1) {
    // Rows bottom-up, one bit per pixel, each row padded to 32 bits.
    stride_ = ((width_ + 31) / 32) * 4;
    bits_.assign(static_cast<std::size_t>(stride_) * height_, 0);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
        if (i < p.pixels.size() && p.pixels[i])
          bits_[static_cast<std::size_t>(height_ - 1 - y) * stride_ + x / 8] |=
              static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
    info_.header = BITMAPINFOHEADER{};
    info_.header.biSize = sizeof(BITMAPINFOHEADER);
    info_.header.biWidth = width_;
    info_.header.biHeight = height_;
    info_.header.biPlanes = 1;
    info_.header.biBitCount = 1;
    info_.header.biCompression = BI_RGB;
    info_.header.biClrUsed = 2;
    info_.colours[0] = Quad(p.colour0);
    info_.colours[1] = Quad(p.colour1);

    RECT r = {0, 0, width_, height_};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    const int w = r.right - r.left, h = r.bottom - r.top;
    hwnd_ =
        CreateWindowExA(kExStyle, kClassName, "copyright", kStyle, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                        (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, owner, nullptr, GetModuleHandleA(nullptr), this);
  }
  ~Win32CreditView() override {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  bool Ok() const { return hwnd_ != nullptr; }

  void Show(bool stayOnTop) override {
    SetWindowPos(hwnd_, stayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
  }
  void Hide() override { ShowWindow(hwnd_, SW_HIDE); }
  bool Visible() const override { return IsWindowVisible(hwnd_) != FALSE; }

  static bool Register() {
    static const bool ok = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      wc.lpszClassName = kClassName;
      return RegisterClassA(&wc) != 0;
    }();
    return ok;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32CreditView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self)
          StretchDIBits(dc, 0, 0, self->width_, self->height_, 0, 0, self->width_, self->height_, self->bits_.data(),
                        reinterpret_cast<const BITMAPINFO*>(&self->info_), DIB_RGB_COLORS, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
      }
      case WM_CLOSE:  // the close box hides it; the timer's hide operation finds it hidden
        ShowWindow(hwnd, SW_HIDE);
        return 0;
      case WM_NCDESTROY: SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0); break;
      default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  int width_, height_, stride_ = 0;
  std::vector<std::uint8_t> bits_;
  MonoInfo info_{};
  HWND hwnd_ = nullptr;
};

}  // namespace

std::unique_ptr<CreditView> CreateCreditView(WindowHandle owner, const TwoColourPicture& picture) {
  if (!Win32CreditView::Register()) return nullptr;
  auto view = std::make_unique<Win32CreditView>(static_cast<HWND>(owner), picture);
  if (!view->Ok()) {
    std::fprintf(stderr, "corvane_kestor: the credit window cannot be created (%lu)\n", GetLastError());
    return nullptr;
  }
  return view;
}

}  // namespace platform
