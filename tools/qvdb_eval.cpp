// qvdb eval EXPR: prints the value of an expression. The text arrives as
// UTF-8 and is compiled as Windows-1252, like texts stored in tables; the
// printed texts go back to UTF-8.
#include <cstdio>

#include "tools/qvdb.h"
#include "xbase/codepage.h"
#include "xbase/expr.h"
#include "xbase/format.h"

namespace qvdb {

int runEval(const Args& args) {
  static const Command self{"eval", "EXPR", "", runEval};
  if (args.size() != 1) return usageError(self, args.empty() ? "no expression" : "one expression expected");
  xb::Value v = xb::evaluate(xb::utf8ToCp1252(args[0]));
  std::string out = xb::cp1252ToUtf8(xb::displayText(v));
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fputc('\n', stdout);
  return kExitOk;
}

}  // namespace qvdb
