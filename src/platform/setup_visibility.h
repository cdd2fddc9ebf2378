// The settings dialog's visibility flags, shared by the dialog views (internal to the platform
// libraries). Every control starts visible. Panel3 covers CheckBox2: the box shows only while it
// is visible itself and the panel is hidden.
#pragma once

#include "platform/dialogs.h"

namespace platform {

class SetupVisibility {
 public:
  // A value outside SetupControl is ignored.
  void Set(SetupControl control, bool visible) {
    const auto i = static_cast<unsigned>(control);
    if (i < kControlCount) hidden_[i] = !visible;
  }
  bool Visible(SetupControl control) const {
    const auto i = static_cast<unsigned>(control);
    return i < kControlCount && !hidden_[i];
  }

  // What the view shows of the two controls whose flags it applies.
  bool Panel3Shown() const { return Visible(SetupControl::Panel3); }
  bool CheckBox2Shown() const { return Visible(SetupControl::CheckBox2) && !Panel3Shown(); }

 private:
  static constexpr unsigned kControlCount = static_cast<unsigned>(SetupControl::CancelBtn) + 1;

  bool hidden_[kControlCount] = {};
};

}  // namespace platform
