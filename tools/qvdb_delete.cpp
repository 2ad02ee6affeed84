// qvdb delete TABLE RECNO [--index FILE...]: marks a row deleted under a row
// lock, keeping the given index files up to date.
#include <cstdio>
#include <cstdlib>

#include "tools/qvdb_table.h"

namespace qvdb {

int runDelete(const Args& args) {
  static const Command self{"delete", "TABLE RECNO [--index FILE...]", "", runDelete};
  Options o = parseOptions(args, {}, {"--index"}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 2) return usageError(self, "a table and a record number are needed");
  char* end = nullptr;
  const long long recno = std::strtoll(o.positional[1].c_str(), &end, 10);
  if (*end != '\0' || recno < 1) return usageError(self, "'" + o.positional[1] + "' is not a record number");
  toolSetup(false);
  xb::engine::WorkAreas areas;
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::Shared, o.list("--index"));
  a.goTo(recno);
  if (a.eof()) {
    std::fprintf(stderr, "qvdb delete: %s: no record %lld\n", o.positional[0].c_str(), recno);
    return kExitNotFound;
  }
  if (!a.lockRow()) throw ToolError(o.positional[0] + ": record " + o.positional[1] + " is locked by another user");
  a.deleteRow();
  a.unlock();
  return kExitOk;
}

}  // namespace qvdb
