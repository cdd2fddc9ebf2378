// The settings dialog TScrnSaveSetupDlg: working values read from the settings file when it is
// created, a handler per control, the settings written only by OK, the uninstall, and the
// description windows it owns. The window itself is a platform::SetupDialogView.
//
// Lifecycle: construct -> CreateParams (ownerWindow = the foreground window, disabled) ->
// ShowModal(view) (FormCreate, the events, FormDestroy: ownerWindow enabled again, description
// windows freed) -> destroy. The dialog keeps no file open: setupIni names the file and every
// read or write goes to the disk at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "shell/settings.h"
#include "ui/readme.h"
#include "ui/uninstall.h"

namespace ui {

// Where the dialog finds its files, and the application title of its final message.
struct SetupPaths {
  InstallPlaces places;          // settings file, data folder, debug log, program
  std::string applicationTitle;  // Shift-JIS
};

// The real places: the settings file of shell::SettingsFilePath(), system.DataFolder(), the debug
// log's file, the program's path, and the program's file name without its extension as the title.
SetupPaths DefaultSetupPaths(platform::System& system);

class TScrnSaveSetupDlg final : public platform::SetupDialogEvents {
 public:
  TScrnSaveSetupDlg(platform::System& system, SetupPaths paths);
  ~TScrnSaveSetupDlg() override;  // enables ownerWindow if FormDestroy did not run
  TScrnSaveSetupDlg(const TScrnSaveSetupDlg&) = delete;
  TScrnSaveSetupDlg& operator=(const TScrnSaveSetupDlg&) = delete;

  // The parent for the view: the foreground window, now disabled (null: none).
  platform::WindowHandle CreateParams();
  // Runs the dialog in `view` until it closes. `view` must outlive the call only.
  void ShowModal(platform::SetupDialogView& view);

  void FormCreate() override;
  void FormDestroy() override;
  void TrackBar1Change() override;
  void RadioGroup1Click() override;
  void Edit1Change() override;
  void UpDown1Click() override;
  void Button2Click() override;
  void Button1Click() override;
  void Button3Click() override;
  void Panel3DblClick() override;
  void Button4Click() override;
  void OKBtnClick() override;
  void CancelBtnClick() override;

  // Working values.
  std::int32_t setupMode = 2;
  std::int32_t setupSpeed = 0;
  std::int32_t setupColumn = 1;  // 1..5
  shell::CarPosition setupViewpoint{0.0f, -0.6f, -1.3f};
  platform::FontDesc setupFont;
  shell::SettingsFile setupIni;
  platform::WindowHandle ownerWindow = nullptr;
  std::vector<std::string> uninstallList;

  std::size_t DescriptionWindowCount() const { return descriptions_.size(); }
  TForm1* DescriptionWindow(std::size_t i) const { return descriptions_.at(i).get(); }

 private:
  platform::System& system_;
  SetupPaths paths_;
  platform::SetupDialogView* view_ = nullptr;
  bool ownerDisabled_ = false;
  std::vector<std::unique_ptr<TForm1>> descriptions_;
};

// Mode /c: the settings dialog over the foreground window, modal, then freed. False (with a
// line on stderr) when no dialog window can be made.
bool RunSetupDialog(platform::System& system);
bool RunSetupDialog(platform::System& system, const SetupPaths& paths);

// The message of an OK whose settings could not be written to `settingsFile`.
std::string SettingsNotSavedText(const std::string& settingsFile);

// The text colours the font chooser offers: the sixteen of the overlay's colour table (the only
// ones whose text shows), in the order of ChooseFont's colour list, with its names.
const std::vector<platform::ColourChoice>& FontColours();

// The line count typed into Edit1: a decimal integer (blanks around it allowed, or 0x and
// hexadecimal digits) held within 1..5; anything else gives 1.
std::int32_t ColumnFromText(const std::string& text);

}  // namespace ui
