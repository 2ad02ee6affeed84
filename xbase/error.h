// The run-time error seam.
//
// Code that meets an error it does not handle itself fills an Error and calls
// raise(). The one installed handler answers: retry the operation, take the
// default (the operation fails quietly and the caller goes on), or substitute
// a value (a failed division). A handler may also throw, which is how tools
// and tests end an operation; the program's own handler may end the process.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "xbase/value.h"

namespace xb {

// Generic codes the system treats specially.
enum GenCode : int {
  kGenArgument = 1,    // argument error (wrong type for an operator or function)
  kGenBound = 2,       // array index out of bounds
  kGenStrOverflow = 3, // text too long
  kGenZeroDiv = 5,     // division by zero
  kGenNumOverflow = 6, // number does not fit
  kGenSyntax = 7,      // expression syntax error
  kGenComplexity = 8,  // expression too long or too deeply nested
  kGenNoVar = 14,      // unknown name
  kGenNoFunc = 12,     // unknown function
  kGenNoAlias = 15,    // unknown alias
  kGenCreate = 20,     // file create failure
  kGenOpen = 21,       // file open failure
  kGenClose = 22,
  kGenRead = 23,       // read failure
  kGenWrite = 24,      // write failure
  kGenCorruption = 32, // damaged file
  kGenDataType = 33,   // data type error (field assignment)
  kGenDataWidth = 34,  // value does not fit the field
  kGenNoTable = 35,    // no table open in the area
  kGenNoOrder = 36,    // no active index order
  kGenShared = 37,     // operation needs exclusive use
  kGenUnlocked = 38,   // write without a lock
  kGenReadonly = 39,   // table opened read-only
  kGenAppendLock = 40, // append lock failure
  kGenLock = 41,       // lock failure
  kGenNoMethod = 1004, // "no exported method"
  kGenNoExportVar = 1005,  // "no exported variable"
};

// Operating-system codes the handler looks at.
enum OsCode : int { kOsAccessDenied = 5, kOsSharingViolation = 32 };

struct Error {
  int genCode = 0;
  int osCode = 0;      // 0 when none
  int severity = 2;    // 1 warning, 2 error
  std::string subsystem;  // e.g. "BASE", "DBFCDX", "TPUBLIC"
  int subCode = 0;
  std::string description;  // UTF-8
  std::string filename;
  std::string operation;
  std::vector<Value> args;
  bool canRetry = false;
  bool canDefault = false;
};

struct ErrorAnswer {
  enum Kind { Retry, Default, Substitute } kind = Default;
  Value value;  // the substituted result (Substitute only)
};

using ErrorHandler = std::function<ErrorAnswer(const Error&)>;

// Hands the error to the installed handler and returns its answer.
ErrorAnswer raise(const Error& e);

// Installs a handler for the rest of the run (or until the next call);
// returns the previous one. An empty handler restores the plain one.
ErrorHandler setErrorHandler(ErrorHandler h);

// The one-line text of an error (what the log and messages show).
std::string errorMessage(const Error& e);

// What the plain handler throws.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(Error e);
  const Error& error() const { return err_; }

 private:
  Error err_;
};

// The plain handler used by tools and tests: sharing failures on open
// (generic 21 with OS code 32 or 5) and append-lock failures (generic 40),
// when a default is allowed, set the network-error flag and take the default;
// every other error throws RuntimeError.
ErrorAnswer plainErrorHandler(const Error& e);

// The network-error flag of the table layer: set when an open or lock fails
// for a sharing reason, read and cleared by the data routines.
void setNetError(bool on);
bool netError();

}  // namespace xb
