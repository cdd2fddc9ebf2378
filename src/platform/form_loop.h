// The message loop of Application::Run, shared by the application implementations (internal to
// the platform libraries).
#pragma once

#include "platform/app.h"

namespace platform {

// Shows `form` (unless it closed during FormCreate), then until it is closed: handles one waiting
// message (`handleOneMessage()` returns false when none was waiting), else raises the idle event
// and, when the handler is done, waits for input (`waitForInput()`). Destroys the form at the end.
// Returns Run's exit code: 0, or 1 without a form. ConcreteForm has Closed, Show and Destroy.
template <class ConcreteForm, class HandleOneMessage, class WaitForInput>
int RunFormLoop(ConcreteForm* form, const Application::IdleHandler& idle, HandleOneMessage handleOneMessage,
                WaitForInput waitForInput) {
  if (!form) return 1;
  if (!form->Closed()) form->Show();
  while (!form->Closed()) {
    if (handleOneMessage()) continue;
    bool done = true;
    if (idle) idle(done);
    if (form->Closed()) break;
    if (done) waitForInput();
  }
  form->Destroy();
  return 0;
}

}  // namespace platform
