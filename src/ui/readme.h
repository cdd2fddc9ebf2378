// The description window TForm1: the saver's read-me in a text box and a close button that hides
// the window. The window lives until its owner, the settings dialog, frees it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "ui/install_texts.h"

namespace ui {

// The read-me, Shift-JIS, one string per line: a title line and five numbered sections (the two
// modes with the display-mode keys, the settings, the other buttons, acknowledgements, where to
// send reports). The "削除" part names the files of `places` as the target names them
// (ReadmeRemovalLines): 64 lines on Windows, 67 on Linux.
std::vector<std::string> ReadmeLines(const InstallPlaces& places);

class TForm1 final : public platform::DescriptionEvents {
 public:
  // Makes the form's window with `makeView` (given the form's events; null: no window) and fills
  // its text box with the read-me of `places`. The form owns the window.
  using ViewMaker = std::function<std::unique_ptr<platform::DescriptionView>(platform::DescriptionEvents&)>;
  TForm1(const ViewMaker& makeView, const InstallPlaces& places);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  void Show();                   // without blocking, focus on the close button
  void Button1Click() override;  // closing only hides the window
  bool Visible() const;

 private:
  std::unique_ptr<platform::DescriptionView> view_;
};

}  // namespace ui
