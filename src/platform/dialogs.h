// Dialog-view seam: the windows of the configuration subsystem as views that a logic class in ui/
// drives. The settings dialog (modal, no owner of its own but a disabled parent), the description
// window (modeless, owned by the settings dialog) and the credit window (a two-colour picture, owned
// by the screen-saver window).
//
// Supported: reading and setting the values of the settings dialog's controls, enabling and
// showing them, message boxes over the dialog, the platform's font chooser, description windows.
// Setters never raise events: the logic calls its own handlers where the framework would (setting
// Edit1's text, for instance). User actions arrive as the events of SetupDialogEvents, always
// on the GUI thread and never while another event of the same view is running.
// Deliberately missing: layout and captions (each view places the controls of its own resource
// or table), colours, fonts, anything a logic class has no reason to change.
//
// Windows: a dialog from the resource script (windres), common controls (trackbar, up-down),
//          ChooseFontA with CF_EFFECTS, MessageBoxA, a modeless dialog for the description, a
//          top-level window painting a 1-bit DIB for the credit.
// Linux:   GTK 3 windows (texts converted from Shift-JIS), GtkFontChooserDialog choosing family
//          and size with a row for the style and the colour, GtkMessageDialog; the credit is a
//          plain X11 window whose background pixmap is the picture, on a connection of its own
//          that the application's loop reads for the window manager's close requests.
//
// All texts are Shift-JIS. Ownership: the caller owns every view it creates; a description view
// must be destroyed before the settings dialog view that created it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/font.h"

namespace platform {

// The settings dialog's controls, named as the dialog names them.
enum class SetupControl : unsigned {
  Label1,
  Label2,
  Label3,
  TrackBar1,
  RadioGroup1,
  CheckBox1,
  Label4,
  Edit1,
  UpDown1,
  Button2,
  CheckBox2,
  Panel3,
  OKBtn,
  Button1,
  Button3,
  Button4,
  CancelBtn,
};

// Events of the settings dialog, implemented by its logic.
class SetupDialogEvents {
 public:
  virtual ~SetupDialogEvents() = default;
  virtual void FormCreate() = 0;       // the controls exist, nothing is shown yet
  virtual void FormDestroy() = 0;      // the dialog has closed; its controls still exist
  virtual void TrackBar1Change() = 0;  // the user moved the slider
  virtual void RadioGroup1Click() = 0;
  virtual void Edit1Change() = 0;     // the user changed the line-count text
  virtual void UpDown1Click() = 0;    // the spin buttons changed their position
  virtual void Button2Click() = 0;    // "フォント(&f)"
  virtual void Button1Click() = 0;    // "初期位置(&i)"
  virtual void Button3Click() = 0;    // "解説(&d)"
  virtual void Panel3DblClick() = 0;  // double-click on the empty area over CheckBox2
  virtual void Button4Click() = 0;    // "削除(&u)"
  virtual void OKBtnClick() = 0;      // also Enter
  virtual void CancelBtnClick() = 0;  // also Escape; the window's close box closes without it
};

// Events of a description window.
class DescriptionEvents {
 public:
  virtual ~DescriptionEvents() = default;
  virtual void Button1Click() = 0;  // "閉じる(&c)"
};

// A description window: the read-me in a scrolled, editable text box and a close button. Its
// close box hides it as well. It lives until its owner destroys the view.
class DescriptionView {
 public:
  virtual ~DescriptionView() = default;
  virtual void SetText(const std::vector<std::string>& lines) = 0;  // replaces the text box's lines
  virtual void Show() = 0;                                          // without blocking, the focus on the close button
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
};

// A text colour the font chooser offers: 0x00BBGGRR and its name (Shift-JIS).
struct ColourChoice {
  std::uint32_t color;
  std::string name;
};

// The settings dialog's window and controls.
class SetupDialogView {
 public:
  virtual ~SetupDialogView() = default;

  // Runs the dialog modally over the parent it was created with: FormCreate, show, the events,
  // and once Close was called (or the close box was used) FormDestroy. Returns after FormDestroy.
  virtual void ShowModal(SetupDialogEvents& events) = 0;
  virtual void Close() = 0;  // ends ShowModal after the running event
  // The dialog window while it exists (HWND; GtkWindow* on Linux), else null.
  virtual WindowHandle Handle() const = 0;

  virtual void SetTrackBar(int min, int max, int position) = 0;
  virtual int TrackBarPosition() const = 0;
  virtual void SetRadioItem(int index) = 0;                     // -1: none selected
  virtual int RadioItem() const = 0;                            // -1 when none is selected
  virtual void SetChecked(SetupControl box, bool checked) = 0;  // CheckBox1, CheckBox2
  virtual bool Checked(SetupControl box) const = 0;
  virtual void SetEditText(const std::string& text) = 0;  // Edit1
  virtual std::string EditText() const = 0;
  virtual void SetUpDown(int min, int max, int position) = 0;  // position held within min..max
  virtual int UpDownPosition() const = 0;
  virtual void SetEnabled(SetupControl control, bool enabled) = 0;
  virtual bool Enabled(SetupControl control) const = 0;
  virtual void SetVisible(SetupControl control, bool visible) = 0;  // Panel3 covers CheckBox2
  virtual bool Visible(SetupControl control) const = 0;

  // A message box over the dialog: MessageBoxA's flags and answers (platform/system.h).
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The font chooser, starting at `font`. True when the user confirmed; `font` is then the choice
  // (face, size, style bits, colour, character set). Linux offers exactly `colours` (a colour not
  // among them stays as it is unless one is picked) and one style at a time: none, bold, italic,
  // strike-out or underline. Windows' ChooseFont offers its own sixteen colours, the same ones, and
  // its own style combinations.
  virtual bool RunFontChooser(FontDesc& font, const std::vector<ColourChoice>& colours) = 0;
  // A new description window owned by the dialog, not shown yet.
  virtual std::unique_ptr<DescriptionView> CreateDescriptionWindow(DescriptionEvents& events) = 0;
};

// The settings dialog of this platform, parented to `parent` (null: none; Linux has no foreign
// windows to parent to and ignores it). Null, with a line on stderr, when no window can be made
// (Linux without a display).
std::unique_ptr<SetupDialogView> CreateSetupDialogView(WindowHandle parent);

// A picture of two colours: one byte per pixel, rows top to bottom, 0 for the palette's first
// colour and 1 for its second. Colours are 0xRRGGBB.
struct TwoColourPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // width * height entries, each 0 or 1
  std::uint32_t colour0 = 0x0000FF;  // blue
  std::uint32_t colour1 = 0xFFFFFF;  // white
};

// The credit window: caption "copyright", a dialog border, the picture filling its client area,
// centred on the screen, hidden until Show.
class CreditView {
 public:
  virtual ~CreditView() = default;
  virtual void Show(bool stayOnTop) = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
};

// The credit window of this platform owned by `owner` (the screen-saver window, or null). Null,
// with a line on stderr, when it cannot be made (no display).
std::unique_ptr<CreditView> CreateCreditView(WindowHandle owner, const TwoColourPicture& picture);

}  // namespace platform
