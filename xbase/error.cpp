#include "xbase/error.h"

namespace xb {

namespace {
ErrorHandler& handler() {
  static ErrorHandler h = plainErrorHandler;
  return h;
}
bool g_netError = false;
}  // namespace

ErrorAnswer raise(const Error& e) { return handler()(e); }

ErrorHandler setErrorHandler(ErrorHandler h) {
  ErrorHandler old = std::move(handler());
  handler() = h ? std::move(h) : ErrorHandler(plainErrorHandler);
  return old;
}

std::string errorMessage(const Error& e) {
  std::string s;
  if (e.osCode != 0)
    s = "(DOS Error " + std::to_string(e.osCode) + ") ";
  else if (e.severity > 1)
    s = "Error ";
  else
    s = "Atención ";
  s += e.subsystem.empty() ? "???" : e.subsystem;
  s += e.subCode != 0 ? "/" + std::to_string(e.subCode) : "/???";
  if (!e.description.empty()) s += "  " + e.description;
  if (!e.filename.empty())
    s += ": " + e.filename;
  else if (!e.operation.empty())
    s += ": " + e.operation;
  return s;
}

RuntimeError::RuntimeError(Error e) : std::runtime_error(errorMessage(e)), err_(std::move(e)) {}

ErrorAnswer plainErrorHandler(const Error& e) {
  if (e.canDefault && ((e.genCode == kGenOpen && (e.osCode == kOsSharingViolation || e.osCode == kOsAccessDenied)) ||
                       e.genCode == kGenAppendLock)) {
    setNetError(true);
    return {ErrorAnswer::Default, {}};
  }
  throw RuntimeError(e);
}

void setNetError(bool on) { g_netError = on; }
bool netError() { return g_netError; }

}  // namespace xb
