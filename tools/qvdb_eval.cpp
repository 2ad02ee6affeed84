// qvdb eval EXPR [--table TABLE --recno N]: prints the value of an
// expression. The text arrives as UTF-8 and is compiled as Windows-1252,
// like texts stored in tables; the printed texts go back to UTF-8. With a
// table, the expression sees the fields of row N (shared, read-only).
#include <cstdio>
#include <cstdlib>

#include "tools/qvdb.h"
#include "tools/qvdb_table.h"
#include "xbase/codepage.h"
#include "xbase/expr.h"
#include "xbase/format.h"

namespace qvdb {

int runEval(const Args& args) {
  static const Command self{"eval", "EXPR [--table TABLE --recno N]", "", runEval};
  Options o = parseOptions(args, {"--table", "--recno"}, {}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 1) return usageError(self, o.positional.empty() ? "no expression" : "one expression expected");
  if (o.value("--recno") && !o.value("--table")) return usageError(self, "--recno needs --table");
  xb::engine::WorkAreas areas;
  if (auto table = o.value("--table")) {
    toolSetup(false);
    xb::engine::WorkArea& a = openTable(areas, *table, xb::engine::OpenMode::ReadOnly);
    if (auto r = o.value("--recno")) {
      char* end = nullptr;
      const long long recno = std::strtoll(r->c_str(), &end, 10);
      if (*end != '\0' || recno < 1) return usageError(self, "'" + *r + "' is not a record number");
      a.goTo(recno);
      if (a.eof()) {
        std::fprintf(stderr, "qvdb eval: %s: no record %lld\n", table->c_str(), recno);
        return kExitNotFound;
      }
    }
  }
  xb::Value v = xb::evaluate(xb::utf8ToCp1252(o.positional[0]));
  std::string out = xb::cp1252ToUtf8(xb::displayText(v));
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fputc('\n', stdout);
  return kExitOk;
}

}  // namespace qvdb
