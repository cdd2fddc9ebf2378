#include "ui/sssetdlg.h"

#include <cstdio>

#include "dg/diagnostics.h"
#include "platform/paths.h"

namespace ui {

namespace {

using platform::SetupControl;

// What the uninstall leaves usable: CancelBtn, CheckBox2 and Panel3.
constexpr SetupControl kDisabledAfterUninstall[] = {
    SetupControl::TrackBar1,   SetupControl::CheckBox1, SetupControl::Edit1,   SetupControl::UpDown1,
    SetupControl::RadioGroup1, SetupControl::Button1,   SetupControl::Button2, SetupControl::Button3,
    SetupControl::Button4,     SetupControl::OKBtn,     SetupControl::Label1,  SetupControl::Label2,
    SetupControl::Label3,      SetupControl::Label4,
};

// The program's file name without folder and extension.
std::string ProgramTitle() {
  std::string name = platform::ProgramPath();
  const auto sep = name.find_last_of(platform::kPathSeparator == '/' ? "/" : "\\/");
  if (sep != std::string::npos) name = name.substr(sep + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? std::string("corvane_kestor") : name;
}

}  // namespace

std::string SettingsNotSavedText(const std::string& settingsFile) {
  return "設定ファイル[" + PathText(settingsFile) +
         "]に書き込めないため、設定を保存できませんでした。ファイルが読み取り専用でないか、フォルダに書き込みができるか"
         "を確認して下さい。";
}

const std::vector<platform::ColourChoice>& FontColours() {
  static const std::vector<platform::ColourChoice> colours = {
      {0x000000, "黒"},   {0x000080, "栗色"}, {0x008000, "緑"},   {0x008080, "オリーブ"},
      {0x800000, "紺"},   {0x800080, "紫"},   {0x808000, "青緑"}, {0x808080, "灰色"},
      {0xC0C0C0, "銀色"}, {0x0000FF, "赤"},   {0x00FF00, "黄緑"}, {0x00FFFF, "黄"},
      {0xFF0000, "青"},   {0xFF00FF, "赤紫"}, {0xFFFF00, "水色"}, {0xFFFFFF, "白"},
  };
  return colours;
}

std::int32_t ColumnFromText(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t b = 0, e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  const auto v = shell::ParseSettingInt(std::string_view(text).substr(b, e - b));
  if (!v) return 1;
  return *v < shell::kMinColumn ? shell::kMinColumn : *v > shell::kMaxColumn ? shell::kMaxColumn : *v;
}

SetupPaths DefaultSetupPaths(platform::System& system) {
  SetupPaths p;
  p.places.settingsFile = shell::SettingsFilePath();
  p.places.dataFolder = system.DataFolder();
  p.places.debugLog = dg::LogFilePath();
  p.places.programFile = platform::ProgramPath();
  p.applicationTitle = ProgramTitle();
  return p;
}

TScrnSaveSetupDlg::TScrnSaveSetupDlg(platform::System& system, SetupPaths paths)
    : setupIni(paths.places.settingsFile), system_(system), paths_(std::move(paths)) {}

TScrnSaveSetupDlg::~TScrnSaveSetupDlg() {
  descriptions_.clear();
  if (ownerDisabled_) system_.EnableWindow(ownerWindow, true);
}

platform::WindowHandle TScrnSaveSetupDlg::CreateParams() {
  ownerWindow = system_.ForegroundWindow();
  if (ownerWindow) {
    system_.EnableWindow(ownerWindow, false);
    ownerDisabled_ = true;
  }
  return ownerWindow;
}

void TScrnSaveSetupDlg::ShowModal(platform::SetupDialogView& view) {
  view_ = &view;
  view.ShowModal(*this);
  view_ = nullptr;
}

void TScrnSaveSetupDlg::FormCreate() {
  const shell::StoredSettings stored = shell::ReadSettings(setupIni);
  const shell::DialogSettings d = shell::DialogSettingsFrom(stored);
  setupMode = d.mode;
  setupSpeed = d.speed;
  setupViewpoint = d.viewpoint;
  setupFont = d.font;

  view_->SetRadioItem(setupMode);
  view_->SetTrackBar(shell::kMinSpeed, shell::kMaxSpeed, setupSpeed);
  view_->SetChecked(SetupControl::CheckBox1, d.textOut);
  view_->SetChecked(SetupControl::CheckBox2, d.shadowBlend);
  view_->SetUpDown(shell::kMinColumn, shell::kMaxColumn, d.column);
  view_->SetEditText(std::to_string(view_->UpDownPosition()));
  Edit1Change();  // as the edit's change event would

  uninstallList = BuildUninstallList(paths_.places.settingsFile);
}

void TScrnSaveSetupDlg::FormDestroy() {
  descriptions_.clear();  // owned by the dialog
  if (ownerDisabled_) {
    system_.EnableWindow(ownerWindow, true);
    ownerDisabled_ = false;
  }
}

void TScrnSaveSetupDlg::TrackBar1Change() { setupSpeed = view_->TrackBarPosition(); }

void TScrnSaveSetupDlg::RadioGroup1Click() {
  const int item = view_->RadioItem();
  if (item >= 0 && item <= 2) setupMode = item;
}

void TScrnSaveSetupDlg::Edit1Change() {
  setupColumn = ColumnFromText(view_->EditText());
  view_->SetUpDown(shell::kMinColumn, shell::kMaxColumn, setupColumn);
}

void TScrnSaveSetupDlg::UpDown1Click() {
  const int position = view_->UpDownPosition();
  view_->SetEditText(std::to_string(position));
  setupColumn = ColumnFromText(std::to_string(position));
}

void TScrnSaveSetupDlg::Button2Click() {
  platform::FontDesc chosen = setupFont;
  if (view_->RunFontChooser(chosen, FontColours())) setupFont = chosen;
}

void TScrnSaveSetupDlg::Button1Click() { setupViewpoint = shell::kInitialViewpoint; }

void TScrnSaveSetupDlg::Button3Click() {
  platform::SetupDialogView* dialog = view_;
  descriptions_.push_back(std::make_unique<TForm1>(
      [dialog](platform::DescriptionEvents& events) { return dialog->CreateDescriptionWindow(events); },
      paths_.places));
  descriptions_.back()->Show();
}

void TScrnSaveSetupDlg::Panel3DblClick() { view_->SetVisible(SetupControl::Panel3, false); }

void TScrnSaveSetupDlg::Button4Click() {
  if (view_->ShowMessageBox(kUninstallQuestion, kUninstallCaption, platform::kMbOkCancel) != platform::kIdOk) return;
  const std::vector<std::string> failed = DeleteInstalledFiles(uninstallList, paths_.places);
  view_->ShowMessageBox(UninstallMessage(paths_.places, failed), paths_.applicationTitle, platform::kMbOk);
  for (const SetupControl c : kDisabledAfterUninstall) view_->SetEnabled(c, false);
}

void TScrnSaveSetupDlg::OKBtnClick() {
  shell::DialogSettings d;
  d.mode = setupMode;
  d.speed = setupSpeed;
  d.viewpoint = setupViewpoint;
  d.textOut = view_->Checked(SetupControl::CheckBox1);
  d.shadowBlend = view_->Checked(SetupControl::CheckBox2);
  d.font = setupFont;
  d.column = setupColumn;
  if (!shell::WriteDialogSettings(setupIni, d)) {
    // Nothing was written: the dialog stays open with what was entered, for another try or Cancel.
    view_->ShowMessageBox(SettingsNotSavedText(setupIni.Path()), paths_.applicationTitle,
                          platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  view_->Close();
}

void TScrnSaveSetupDlg::CancelBtnClick() { view_->Close(); }

bool RunSetupDialog(platform::System& system) { return RunSetupDialog(system, DefaultSetupPaths(system)); }

bool RunSetupDialog(platform::System& system, const SetupPaths& paths) {
  TScrnSaveSetupDlg dialog(system, paths);
  std::unique_ptr<platform::SetupDialogView> view = platform::CreateSetupDialogView(dialog.CreateParams());
  if (!view) {
    std::fprintf(stderr, "corvane_kestor: the settings dialog cannot be shown\n");
    return false;
  }
  dialog.ShowModal(*view);
  return true;
}

}  // namespace ui
