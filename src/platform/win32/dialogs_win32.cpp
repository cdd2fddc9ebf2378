// The settings dialog and the description window on Win32: dialogs from the resource script,
// common controls (trackbar, up-down), ChooseFontA with effects, MessageBoxA. The settings dialog
// is modeless with its own modal loop, so that the description windows it opens get their dialog
// keys (IsDialogMessage) as well.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/setup_visibility.h"
#include "platform/system.h"
#include "platform/win32/dialogs_res.h"

namespace platform {

namespace {

constexpr int kDialogWidth = 325, kDialogHeight = 181;  // client pixels
constexpr int kDescriptionWidth = 438, kDescriptionHeight = 404;
constexpr COLORREF kCaptionBlue = RGB(0, 0, 255);

// The pixel rectangles of the controls (left, top, width, height in client pixels).
struct Layout {
  int id, x, y, w, h;
};
constexpr Layout kSetupLayout[] = {
    {IDC_SETUP_LABEL2, 24, 16, 16, 12},
    {IDC_SETUP_LABEL1, 96, 16, 40, 12},
    {IDC_SETUP_LABEL3, 184, 16, 16, 12},
    {IDC_SETUP_TRACKBAR1, 16, 32, 193, 45},
    {IDC_SETUP_RADIOGROUP1, 224, 8, 97, 81},
    {IDC_SETUP_RADIO0, 232, 26, 84, 17},
    {IDC_SETUP_RADIO1, 232, 46, 84, 17},
    {IDC_SETUP_RADIO2, 232, 66, 84, 17},
    {IDC_SETUP_CHECKBOX1, 16, 96, 97, 17},
    {IDC_SETUP_LABEL4, 16, 128, 80, 12},
    {IDC_SETUP_EDIT1, 120, 120, 73, 20},
    {IDC_SETUP_UPDOWN1, 192, 120, 17, 17},
    {IDC_SETUP_BUTTON2, 120, 96, 89, 17},
    {IDC_SETUP_CHECKBOX2, 232, 96, 92, 17},
    // Panel3 keeps clear of the radio group's bottom edge and OK's top edge, which it would paint over.
    {IDC_SETUP_PANEL3, 216, 89, 109, 31},
    {IDOK, 240, 120, 81, 25},
    {IDC_SETUP_BUTTON1, 8, 152, 81, 25},
    {IDC_SETUP_BUTTON3, 96, 152, 73, 25},
    {IDC_SETUP_BUTTON4, 176, 152, 57, 25},
    {IDCANCEL, 240, 152, 81, 25},
};
constexpr Layout kDescriptionLayout[] = {
    {IDC_DESCRIPTION_MEMO1, 8, 8, 425, 361},
    {IDC_DESCRIPTION_BUTTON1, 360, 376, 75, 25},
};
constexpr RECT kPanels[] = {{8, 8, 8 + 209, 8 + 73}, {8, 88, 8 + 209, 88 + 57}};  // Panel1, Panel2

bool IsBlueCaption(int id) {
  switch (id) {
    case IDC_SETUP_LABEL1:
    case IDC_SETUP_LABEL2:
    case IDC_SETUP_LABEL3:
    case IDC_SETUP_LABEL4:
    case IDC_SETUP_RADIOGROUP1:
    case IDC_SETUP_RADIO0:
    case IDC_SETUP_RADIO1:
    case IDC_SETUP_RADIO2:
    case IDC_SETUP_CHECKBOX1:
    case IDC_SETUP_CHECKBOX2: return true;
    default: return false;
  }
}

// The controls behind a SetupControl.
std::vector<int> ControlIds(SetupControl c) {
  switch (c) {
    case SetupControl::Label1: return {IDC_SETUP_LABEL1};
    case SetupControl::Label2: return {IDC_SETUP_LABEL2};
    case SetupControl::Label3: return {IDC_SETUP_LABEL3};
    case SetupControl::TrackBar1: return {IDC_SETUP_TRACKBAR1};
    case SetupControl::RadioGroup1:
      return {IDC_SETUP_RADIOGROUP1, IDC_SETUP_RADIO0, IDC_SETUP_RADIO1, IDC_SETUP_RADIO2};
    case SetupControl::CheckBox1: return {IDC_SETUP_CHECKBOX1};
    case SetupControl::Label4: return {IDC_SETUP_LABEL4};
    case SetupControl::Edit1: return {IDC_SETUP_EDIT1};
    case SetupControl::UpDown1: return {IDC_SETUP_UPDOWN1};
    case SetupControl::Button2: return {IDC_SETUP_BUTTON2};
    case SetupControl::CheckBox2: return {IDC_SETUP_CHECKBOX2};
    case SetupControl::Panel3: return {IDC_SETUP_PANEL3};
    case SetupControl::OKBtn: return {IDOK};
    case SetupControl::Button1: return {IDC_SETUP_BUTTON1};
    case SetupControl::Button3: return {IDC_SETUP_BUTTON3};
    case SetupControl::Button4: return {IDC_SETUP_BUTTON4};
    case SetupControl::CancelBtn: return {IDCANCEL};
  }
  return {};
}

// Places the controls at their pixels and gives the window the client size, centred on the screen.
void ApplyLayout(HWND dlg, const Layout* layout, std::size_t count, int clientW, int clientH) {
  for (std::size_t i = 0; i < count; ++i)
    if (HWND c = GetDlgItem(dlg, layout[i].id))
      MoveWindow(c, layout[i].x, layout[i].y, layout[i].w, layout[i].h, FALSE);
  RECT r = {0, 0, clientW, clientH};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE)));
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog font in bold, for every caption (the caller deletes it).
HFONT BoldFontOf(HWND dlg) {
  LOGFONTA lf{};
  HFONT base = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
  if (!base || !GetObjectA(base, sizeof lf, &lf)) {
    lf.lfHeight = -12;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    std::strcpy(lf.lfFaceName, "ＭＳ Ｐゴシック");
  }
  lf.lfWeight = FW_BOLD;
  return CreateFontIndirectA(&lf);
}

// Modeless dialogs of this thread that want IsDialogMessage.
std::vector<HWND>& DialogWindows() {
  static std::vector<HWND> windows;
  return windows;
}

bool EnsureCommonControls() {
  static const bool ready = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  return ready;
}

// ---------------------------------------------------------------------------------------------

class Win32DescriptionView final : public DescriptionView {
 public:
  Win32DescriptionView(HWND owner, DescriptionEvents& events) : events_(events) {
    hwnd_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KESTOR_DESCRIPTION), owner, Proc,
                               reinterpret_cast<LPARAM>(this));
    if (hwnd_) DialogWindows().push_back(hwnd_);
  }
  ~Win32DescriptionView() override {
    if (!hwnd_) return;
    auto& w = DialogWindows();
    w.erase(std::remove(w.begin(), w.end(), hwnd_), w.end());
    DestroyWindow(hwnd_);
    if (bold_) DeleteObject(bold_);
  }

  void SetText(const std::vector<std::string>& lines) override {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    if (hwnd_) SetDlgItemTextA(hwnd_, IDC_DESCRIPTION_MEMO1, text.c_str());
  }
  void Show() override {
    if (!hwnd_) return;
    // The close button as the dialog's focus before activation, which would otherwise focus the
    // text box, select all of it and scroll to its end.
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, IDC_DESCRIPTION_BUTTON1)), TRUE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(GetDlgItem(hwnd_, IDC_DESCRIPTION_BUTTON1));
    SendDlgItemMessageA(hwnd_, IDC_DESCRIPTION_MEMO1, EM_SETSEL, 0, 0);
    SendDlgItemMessageA(hwnd_, IDC_DESCRIPTION_MEMO1, EM_SCROLLCARET, 0, 0);
  }
  void Hide() override {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  }
  bool Visible() const override { return hwnd_ && IsWindowVisible(hwnd_); }

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Win32DescriptionView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG:
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self = reinterpret_cast<Win32DescriptionView*>(lp);
        ApplyLayout(hwnd, kDescriptionLayout, 2, kDescriptionWidth, kDescriptionHeight);
        self->bold_ = BoldFontOf(hwnd);
        SendDlgItemMessageA(hwnd, IDC_DESCRIPTION_BUTTON1, WM_SETFONT, reinterpret_cast<WPARAM>(self->bold_), FALSE);
        return FALSE;
      case WM_COMMAND:
        if (!self) return FALSE;
        if (LOWORD(wp) == IDC_DESCRIPTION_BUTTON1 && HIWORD(wp) == BN_CLICKED) {
          self->events_.Button1Click();
          return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {  // Escape or the close box: closing only hides
          ShowWindow(hwnd, SW_HIDE);
          return TRUE;
        }
        return FALSE;
      default: return FALSE;
    }
  }

  DescriptionEvents& events_;
  HWND hwnd_ = nullptr;
  HFONT bold_ = nullptr;
};

// ---------------------------------------------------------------------------------------------

class Win32SetupView final : public SetupDialogView {
 public:
  explicit Win32SetupView(HWND parent) : parent_(parent) {}
  ~Win32SetupView() override { Destroy(); }

  void ShowModal(SetupDialogEvents& events) override {
    events_ = &events;
    closed_ = false;
    hwnd_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KESTOR_SETUP), parent_, Proc,
                               reinterpret_cast<LPARAM>(this));
    if (!hwnd_) {
      std::fprintf(stderr, "corvane_kestor: the settings dialog cannot be created (%lu)\n", GetLastError());
      events.FormCreate();  // the logic still runs its create and destroy steps, over no window
      events.FormDestroy();
      events_ = nullptr;
      return;
    }
    DialogWindows().push_back(hwnd_);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    MSG msg;
    while (!closed_) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // leave WM_QUIT for the outer loop
        break;
      }
      if (got < 0) break;
      bool handled = false;
      for (HWND d : DialogWindows()) {
        if (IsWindow(d) && (d == msg.hwnd || IsChild(d, msg.hwnd)) && IsDialogMessageA(d, &msg)) {
          handled = true;
          break;
        }
      }
      if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    events.FormDestroy();
    Destroy();
    events_ = nullptr;
  }

  void Close() override { closed_ = true; }
  WindowHandle Handle() const override { return hwnd_; }

  void SetTrackBar(int min, int max, int position) override {
    HWND t = Item(IDC_SETUP_TRACKBAR1);
    SendMessageA(t, TBM_SETRANGEMIN, FALSE, min);
    SendMessageA(t, TBM_SETRANGEMAX, FALSE, max);
    SendMessageA(t, TBM_SETTICFREQ, 25, 0);
    SendMessageA(t, TBM_SETPAGESIZE, 0, 25);
    SendMessageA(t, TBM_SETPOS, TRUE, position);
  }
  int TrackBarPosition() const override {
    return static_cast<int>(SendMessageA(Item(IDC_SETUP_TRACKBAR1), TBM_GETPOS, 0, 0));
  }

  void SetRadioItem(int index) override {
    for (int i = 0; i < 3; ++i)
      SendMessageA(Item(IDC_SETUP_RADIO0 + i), BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  int RadioItem() const override {
    for (int i = 0; i < 3; ++i)
      if (SendMessageA(Item(IDC_SETUP_RADIO0 + i), BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
    return -1;
  }

  void SetChecked(SetupControl box, bool checked) override {
    if (const int id = BoxId(box)) SendMessageA(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool Checked(SetupControl box) const override {
    const int id = BoxId(box);
    return id && SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  void SetEditText(const std::string& text) override {
    const bool was = quiet_;
    quiet_ = true;  // EN_CHANGE of our own change is not the user's
    SetWindowTextA(Item(IDC_SETUP_EDIT1), text.c_str());
    quiet_ = was;
  }
  std::string EditText() const override {
    HWND e = Item(IDC_SETUP_EDIT1);
    const int n = GetWindowTextLengthA(e);
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(e, &text[0], n + 1)));
    return text;
  }

  void SetUpDown(int min, int max, int position) override {
    HWND u = Item(IDC_SETUP_UPDOWN1);
    SendMessageA(u, UDM_SETRANGE32, static_cast<WPARAM>(min), max);
    SendMessageA(u, UDM_SETPOS32, 0, position < min ? min : position > max ? max : position);
  }
  int UpDownPosition() const override {
    return static_cast<int>(SendMessageA(Item(IDC_SETUP_UPDOWN1), UDM_GETPOS32, 0, 0));
  }

  void SetEnabled(SetupControl control, bool enabled) override {
    for (int id : ControlIds(control)) EnableWindow(Item(id), enabled ? TRUE : FALSE);
  }
  bool Enabled(SetupControl control) const override {
    const auto ids = ControlIds(control);
    return !ids.empty() && IsWindowEnabled(Item(ids.front()));
  }

  void SetVisible(SetupControl control, bool visible) override {
    visibility_.Set(control, visible);
    ApplyVisibility();
  }
  bool Visible(SetupControl control) const override { return visibility_.Visible(control); }

  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    return MessageBoxA(hwnd_, text.c_str(), caption.c_str(), flags);
  }

  // ChooseFont's colour list holds the sixteen colours already: `colours` gives nothing to add.
  bool RunFontChooser(FontDesc& font, const std::vector<ColourChoice>&) override {
    LOGFONTA lf{};
    lf.lfHeight = font.Height();
    lf.lfWeight = (font.style & kFontBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.style & kFontItalic) ? 1 : 0;
    lf.lfUnderline = (font.style & kFontUnderline) ? 1 : 0;
    lf.lfStrikeOut = (font.style & kFontStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(font.charset & 0xFF);
    std::strncpy(lf.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = hwnd_;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = font.color & 0xFFFFFF;
    if (!ChooseFontA(&cf)) return false;
    font.name = lf.lfFaceName;
    // The size in points from the character height, as the framework's font does.
    if (lf.lfHeight < 0) {
      font.size = MulDiv(-lf.lfHeight, 72, kScreenDpi);
    } else if (cf.iPointSize > 0) {
      font.size = (cf.iPointSize + 5) / 10;
    }
    if (font.size < 1) font.size = 1;
    unsigned style = 0;
    if (lf.lfWeight >= FW_SEMIBOLD) style |= kFontBold;
    if (lf.lfItalic) style |= kFontItalic;
    if (lf.lfUnderline) style |= kFontUnderline;
    if (lf.lfStrikeOut) style |= kFontStrikeOut;
    font.style = style;
    font.color = cf.rgbColors & 0xFFFFFF;
    font.charset = lf.lfCharSet;
    return true;
  }

  std::unique_ptr<DescriptionView> CreateDescriptionWindow(DescriptionEvents& events) override {
    return std::make_unique<Win32DescriptionView>(hwnd_, events);
  }

 private:
  HWND Item(int id) const { return hwnd_ ? GetDlgItem(hwnd_, id) : nullptr; }
  static int BoxId(SetupControl box) {
    return box == SetupControl::CheckBox1   ? IDC_SETUP_CHECKBOX1
           : box == SetupControl::CheckBox2 ? IDC_SETUP_CHECKBOX2
                                            : 0;
  }

  // Panel3 covers CheckBox2: the box is shown only while the panel is hidden.
  void ApplyVisibility() {
    if (!hwnd_) return;
    ShowWindow(Item(IDC_SETUP_PANEL3), visibility_.Panel3Shown() ? SW_SHOW : SW_HIDE);
    ShowWindow(Item(IDC_SETUP_CHECKBOX2), visibility_.CheckBox2Shown() ? SW_SHOW : SW_HIDE);
  }

  void Destroy() {
    if (hwnd_) {
      auto& w = DialogWindows();
      w.erase(std::remove(w.begin(), w.end(), hwnd_), w.end());
      DestroyWindow(hwnd_);
      hwnd_ = nullptr;
    }
    if (bold_) DeleteObject(bold_);
    bold_ = nullptr;
  }

  template <typename F>
  void Raise(F handler) {
    if (quiet_ || !events_ || closed_) return;
    (events_->*handler)();
  }

  void InitDialog(HWND hwnd) {
    hwnd_ = hwnd;
    ApplyLayout(hwnd, kSetupLayout, sizeof kSetupLayout / sizeof kSetupLayout[0], kDialogWidth, kDialogHeight);
    bold_ = BoldFontOf(hwnd);
    for (const Layout& l : kSetupLayout)
      if (l.id != IDC_SETUP_EDIT1 && l.id != IDC_SETUP_TRACKBAR1 && l.id != IDC_SETUP_UPDOWN1)
        SendDlgItemMessageA(hwnd, l.id, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
    SetWindowPos(Item(IDC_SETUP_PANEL3), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    quiet_ = true;
    events_->FormCreate();
    quiet_ = false;
    ApplyVisibility();
    SetFocus(Item(IDOK));
  }

  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Win32SetupView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrA(hwnd, DWLP_USER, lp);
      reinterpret_cast<Win32SetupView*>(lp)->InitDialog(hwnd);
      return FALSE;  // the focus is set
    }
    if (!self) return FALSE;
    switch (msg) {
      case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (id == IDC_SETUP_EDIT1) {
          if (code == EN_CHANGE) self->Raise(&SetupDialogEvents::Edit1Change);
          return TRUE;
        }
        if (id == IDC_SETUP_PANEL3) {
          if (code == STN_DBLCLK) self->Raise(&SetupDialogEvents::Panel3DblClick);
          return TRUE;
        }
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
          case IDC_SETUP_RADIO0:
          case IDC_SETUP_RADIO1:
          case IDC_SETUP_RADIO2: self->Raise(&SetupDialogEvents::RadioGroup1Click); return TRUE;
          case IDC_SETUP_BUTTON1: self->Raise(&SetupDialogEvents::Button1Click); return TRUE;
          case IDC_SETUP_BUTTON2: self->Raise(&SetupDialogEvents::Button2Click); return TRUE;
          case IDC_SETUP_BUTTON3: self->Raise(&SetupDialogEvents::Button3Click); return TRUE;
          case IDC_SETUP_BUTTON4: self->Raise(&SetupDialogEvents::Button4Click); return TRUE;
          case IDOK:
            if (IsWindowEnabled(self->Item(IDOK))) self->Raise(&SetupDialogEvents::OKBtnClick);
            return TRUE;
          case IDCANCEL:  // the button and Escape
            if (IsWindowEnabled(self->Item(IDCANCEL))) self->Raise(&SetupDialogEvents::CancelBtnClick);
            return TRUE;
          default: return FALSE;
        }
      }
      case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lp) == self->Item(IDC_SETUP_TRACKBAR1))
          self->Raise(&SetupDialogEvents::TrackBar1Change);
        return TRUE;
      case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lp) == self->Item(IDC_SETUP_UPDOWN1) && LOWORD(wp) == SB_THUMBPOSITION)
          self->Raise(&SetupDialogEvents::UpDown1Click);
        return TRUE;
      case WM_CLOSE:  // the close box closes without writing
        self->Close();
        return TRUE;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wp);
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, IsBlueCaption(id) ? kCaptionBlue : GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      }
      case WM_PAINT: {  // Panel1 and Panel2: sunken bevels
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        for (RECT r : kPanels) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        EndPaint(hwnd, &ps);
        return TRUE;
      }
      default: return FALSE;
    }
  }

  HWND parent_;
  HWND hwnd_ = nullptr;
  HFONT bold_ = nullptr;
  SetupVisibility visibility_;
  bool quiet_ = false;
  bool closed_ = false;
  SetupDialogEvents* events_ = nullptr;
};

}  // namespace

std::unique_ptr<SetupDialogView> CreateSetupDialogView(WindowHandle parent) {
  if (!EnsureCommonControls()) {
    std::fprintf(stderr, "corvane_kestor: the common controls cannot be initialised\n");
    return nullptr;
  }
  return std::make_unique<Win32SetupView>(static_cast<HWND>(parent));
}

}  // namespace platform
