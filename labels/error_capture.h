// Run-time errors of one operation kept instead of handed on: while a
// capture lives, every error raised takes its default (the operation fails
// quietly) and its text is kept, so that the caller can tell the user what
// was wrong in its own words (an expression typed in a form, a file that is
// no table). The previous handler is back when the capture ends.
#pragma once

#include <string>

#include "xbase/error.h"

namespace lb {

class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  bool any() const { return !first_.empty(); }
  // The first error's text (UTF-8), empty when none was raised.
  const std::string& first() const { return first_; }

 private:
  xb::ErrorHandler previous_;
  std::string first_;
};

}  // namespace lb
