// The project's base exception class and the stream errors.
//
// Every exception the project raises itself derives from dg::Exception; messages are Shift-JIS
// byte strings (what() returns them unchanged). Callers that must survive any failure of a loader
// catch dg::Exception (and std::bad_alloc where they allocate on their own).
#pragma once

#include <stdexcept>
#include <string>

namespace dg {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Failures of the stream classes (stream.h).
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// A file stream could not open an existing file.
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// A file stream could not create a file.
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// ReadBuffer got fewer bytes than asked for.
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// WriteBuffer could not write every byte.
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

}  // namespace dg
