// Fakes for the dialog logic: system services that record the owner window's enabling, and a
// settings-dialog view that keeps control state like the real ones (setters raise no events) and
// offers the user's actions, which raise the events only on enabled controls.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogs.h"
#include "platform/system.h"

namespace uitest {

class FakeSystem final : public platform::System {
 public:
  platform::WindowHandle foreground = nullptr;
  std::vector<std::pair<platform::WindowHandle, bool>> enableCalls;

  platform::Size ScreenSize() override { return {640, 480}; }
  int ShowCursor(bool) override { return 0; }
  std::optional<std::uint32_t> PlatformId() override { return 2; }
  void SetScreenSaverRunning(bool) override {}
  std::optional<std::uint32_t> ScreenSaveUsePassword() override { return std::nullopt; }
  platform::PasswordAnswer VerifyScreenSavePassword(platform::WindowHandle) override {
    return platform::PasswordAnswer::NoService;
  }
  bool ChangeScreenSavePassword(std::uintptr_t) override { return false; }
  std::string SystemFolder() override { return "/nonexistent/"; }
  platform::WindowHandle ForegroundWindow() override { return foreground; }
  void EnableWindow(platform::WindowHandle w, bool enable) override { enableCalls.emplace_back(w, enable); }
  int ShowMessageBox(platform::WindowHandle, const std::string&, const std::string&, unsigned) override {
    return platform::kIdOk;
  }

 protected:
  std::uint32_t PlatformTime() override { return 0; }
};

class FakeDescription final : public platform::DescriptionView {
 public:
  FakeDescription(platform::DescriptionEvents& e, int& alive) : events(e), alive_(alive) { ++alive_; }
  ~FakeDescription() override { --alive_; }
  void SetText(const std::vector<std::string>& l) override { lines = l; }
  void Show() override { visible = true; }
  void Hide() override { visible = false; }
  bool Visible() const override { return visible; }
  void ClickClose() { events.Button1Click(); }

  platform::DescriptionEvents& events;
  std::vector<std::string> lines;
  bool visible = false;

 private:
  int& alive_;
};

struct MessageShown {
  std::string text, caption;
  unsigned flags;
};

class FakeSetupView final : public platform::SetupDialogView {
 public:
  using SetupControl = platform::SetupControl;

  // What the user does while the dialog is open; runs after FormCreate.
  std::function<void(FakeSetupView&)> script;
  std::deque<int> messageAnswers;                      // answers of MessageBox, in order (default: OK)
  std::vector<MessageShown> messages;                  // every MessageBox shown
  bool fontConfirmed = true;                           // the user's answer in the font chooser
  platform::FontDesc fontChoice;                       // ... and the font picked
  platform::FontDesc fontOffered;                      // the font the chooser started with
  std::vector<platform::ColourChoice> coloursOffered;  // ... and the colours it offered
  int fontDialogs = 0;
  std::vector<FakeDescription*> descriptions;  // in creation order, owned by the logic
  int descriptionsAlive = 0;
  bool closed = false;
  bool created = false, destroyed = false;

  // --- the view ---
  void ShowModal(platform::SetupDialogEvents& events) override {
    events_ = &events;
    events.FormCreate();
    created = true;
    if (script && !closed) script(*this);
    events.FormDestroy();
    destroyed = true;
    events_ = nullptr;
  }
  void Close() override { closed = true; }
  platform::WindowHandle Handle() const override { return nullptr; }
  void SetTrackBar(int min, int max, int position) override {
    trackMin = min;
    trackMax = max;
    trackPos = Clamp(position, min, max);
  }
  int TrackBarPosition() const override { return trackPos; }
  void SetRadioItem(int index) override { radio = index; }
  int RadioItem() const override { return radio; }
  void SetChecked(SetupControl box, bool checked) override { checks[box] = checked; }
  bool Checked(SetupControl box) const override {
    const auto it = checks.find(box);
    return it != checks.end() && it->second;
  }
  void SetEditText(const std::string& text) override { edit = text; }
  std::string EditText() const override { return edit; }
  void SetUpDown(int min, int max, int position) override {
    upMin = min;
    upMax = max;
    upPos = Clamp(position, min, max);
  }
  int UpDownPosition() const override { return upPos; }
  void SetEnabled(SetupControl c, bool enabled) override { disabled[c] = !enabled; }
  bool Enabled(SetupControl c) const override {
    const auto it = disabled.find(c);
    return it == disabled.end() || !it->second;
  }
  void SetVisible(SetupControl c, bool visible) override { hidden[c] = !visible; }
  bool Visible(SetupControl c) const override {
    const auto it = hidden.find(c);
    return it == hidden.end() || !it->second;
  }
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    messages.push_back({text, caption, flags});
    if (messageAnswers.empty()) return platform::kIdOk;
    const int a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
  }
  bool RunFontChooser(platform::FontDesc& font, const std::vector<platform::ColourChoice>& colours) override {
    ++fontDialogs;
    fontOffered = font;
    coloursOffered = colours;
    if (fontConfirmed) font = fontChoice;
    return fontConfirmed;
  }
  std::unique_ptr<platform::DescriptionView> CreateDescriptionWindow(platform::DescriptionEvents& events) override {
    auto d = std::make_unique<FakeDescription>(events, descriptionsAlive);
    descriptions.push_back(d.get());
    return d;
  }

  // --- the user ---
  void MoveSlider(int position) {
    if (!Enabled(SetupControl::TrackBar1)) return;
    trackPos = Clamp(position, trackMin, trackMax);
    events_->TrackBar1Change();
  }
  void PickRadio(int index) {
    if (!Enabled(SetupControl::RadioGroup1)) return;
    radio = index;
    events_->RadioGroup1Click();
  }
  void Type(const std::string& text) {
    if (!Enabled(SetupControl::Edit1)) return;
    edit = text;
    events_->Edit1Change();
  }
  void SpinUp() { Spin(+1); }
  void SpinDown() { Spin(-1); }
  // A click on a check box toggles it (only when it can be reached: CheckBox2 needs Panel3 gone).
  void ClickCheck(SetupControl box) {
    if (!Enabled(box) || !Visible(box)) return;
    if (box == SetupControl::CheckBox2 && Visible(SetupControl::Panel3)) return;
    checks[box] = !Checked(box);
  }
  void DoubleClickPanel3() {
    if (Visible(SetupControl::Panel3) && Enabled(SetupControl::Panel3)) events_->Panel3DblClick();
  }
  void Click(SetupControl button) {
    if (!Enabled(button)) return;
    switch (button) {
      case SetupControl::Button1: events_->Button1Click(); break;
      case SetupControl::Button2: events_->Button2Click(); break;
      case SetupControl::Button3: events_->Button3Click(); break;
      case SetupControl::Button4: events_->Button4Click(); break;
      case SetupControl::OKBtn: events_->OKBtnClick(); break;
      case SetupControl::CancelBtn: events_->CancelBtnClick(); break;
      default: break;
    }
  }

  int trackMin = 0, trackMax = 10, trackPos = 0;
  int radio = -1;
  std::string edit;
  int upMin = 0, upMax = 100, upPos = 0;
  std::map<SetupControl, bool> checks, disabled, hidden;

 private:
  static int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }
  void Spin(int delta) {
    if (!Enabled(SetupControl::UpDown1)) return;
    upPos = Clamp(upPos + delta, upMin, upMax);  // no wrap
    events_->UpDown1Click();
  }
  platform::SetupDialogEvents* events_ = nullptr;
};

}  // namespace uitest
