// The close sequence shared by the form implementations (internal to the platform libraries).
//   Request: an ordinary close request: FormCloseQuery, and when it allows, FormClose.
//   Force:   the window is going away whatever the answer (destroyed from outside, a quit
//            message): no query, FormClose once so that the system state is restored.
// Either way FormClose runs at most once; requests during a query or after closing are ignored.
#pragma once

#include "platform/app.h"

namespace platform {

class CloseState {
 public:
  bool Request(Form& form, FormEvents& events) {
    if (state_ != State::Open) return false;
    state_ = State::Querying;
    const bool allowed = events.FormCloseQuery(form);
    if (state_ == State::Closed) return true;  // forced while the query ran
    if (!allowed) {
      state_ = State::Open;
      return false;
    }
    state_ = State::Closed;
    events.FormClose(form);
    return true;
  }

  void Force(Form& form, FormEvents& events) {
    if (state_ == State::Closed) return;
    state_ = State::Closed;
    events.FormClose(form);
  }

  bool Closed() const { return state_ == State::Closed; }

 private:
  enum class State { Open, Querying, Closed };
  State state_ = State::Open;
};

}  // namespace platform
