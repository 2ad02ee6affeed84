#include "labels/error_capture.h"

namespace lb {

ErrorCapture::ErrorCapture() {
  previous_ = xb::setErrorHandler([this](const xb::Error& e) {
    if (first_.empty()) first_ = e.description.empty() ? xb::errorMessage(e) : e.description;
    return xb::ErrorAnswer{};
  });
}

ErrorCapture::~ErrorCapture() { xb::setErrorHandler(previous_); }

}  // namespace lb
