#include "xbase/error.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

TEST(ErrorMessage, Forms) {
  struct Case {
    Error e;
    std::string text;
  } cases[] = {
      {{.genCode = kGenOpen, .osCode = 32, .subsystem = "DBFCDX", .subCode = 1001, .description = "Open error",
        .filename = "CodPro.dbf"},
       "(DOS Error 32) DBFCDX/1001  Open error: CodPro.dbf"},
      {{.severity = 2, .subsystem = "BASE", .subCode = 1004, .description = "No exported method",
        .operation = "NTOTAL"},
       "Error BASE/1004  No exported method: NTOTAL"},
      {{.severity = 1}, "Atención ???" "/???"},
  };
  for (const auto& c : cases) EXPECT_EQ(errorMessage(c.e), c.text);
}

TEST(PlainHandler, SharingFailuresSetTheFlag) {
  setNetError(false);
  Error e{.genCode = kGenOpen, .osCode = kOsSharingViolation, .canDefault = true};
  EXPECT_EQ(raise(e).kind, ErrorAnswer::Default);
  EXPECT_TRUE(netError());
  setNetError(false);
  Error lock{.genCode = kGenAppendLock, .canDefault = true};
  EXPECT_EQ(raise(lock).kind, ErrorAnswer::Default);
  EXPECT_TRUE(netError());
  setNetError(false);
}

TEST(PlainHandler, OtherErrorsThrow) {
  Error e{.genCode = kGenOpen, .osCode = 2, .subsystem = "DBFCDX", .description = "Open error", .filename = "x.dbf",
          .canDefault = true};
  EXPECT_THROW(raise(e), RuntimeError);
  Error noDefault{.genCode = kGenOpen, .osCode = kOsSharingViolation};
  EXPECT_THROW(raise(noDefault), RuntimeError);
}

TEST(Handler, InstalledHandlerAnswers) {
  int calls = 0;
  ErrorHandler prev = setErrorHandler([&](const Error&) {
    ++calls;
    return ErrorAnswer{ErrorAnswer::Substitute, Value(0)};
  });
  EXPECT_EQ(raise(Error{.genCode = kGenZeroDiv}).kind, ErrorAnswer::Substitute);
  EXPECT_EQ(calls, 1);
  setErrorHandler(prev);
}

}  // namespace
}  // namespace xb
