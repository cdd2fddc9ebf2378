// The screen-saver window as the device component sees it (dg::TDGWindow over platform::Form):
// the handle Direct3D draws into, its sizes and its placement. The form must outlive this object.
#pragma once

#include "dg/window.h"
#include "platform/app.h"

namespace scene {

class FormWindow : public dg::TDGWindow {
 public:
  explicit FormWindow(platform::Form& form) : form_(form) {}

  HWND Handle() const override { return static_cast<HWND>(form_.Handle()); }
  int ClientWidth() const override { return form_.ClientSize().width; }
  int ClientHeight() const override { return form_.ClientSize().height; }
  int Width() const override { return form_.BoundsRect().right - form_.BoundsRect().left; }
  int Height() const override { return form_.BoundsRect().bottom - form_.BoundsRect().top; }
  int Left() const override { return form_.BoundsRect().left; }
  int Top() const override { return form_.BoundsRect().top; }
  void SetWindowPos(int left, int top, int width, int height) override { form_.SetBounds(left, top, width, height); }

 private:
  platform::Form& form_;
};

}  // namespace scene
