// qvdb check TABLE [INDEXFILE...]: the full consistency check of the table,
// its memo file, the index files and every tag against the rows. Prints
// "ok" or one line per fault; exit 1 on faults.
#include <cstdio>

#include "tools/qvdb_table.h"

namespace qvdb {

int runCheck(const Args& args) {
  static const Command self{"check", "TABLE [INDEXFILE...]", "", runCheck};
  Options o = parseOptions(args, {}, {}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.empty()) return usageError(self, "no table");
  toolSetup(false);
  xb::engine::WorkAreas areas;
  const std::vector<std::string> indexes(o.positional.begin() + 1, o.positional.end());
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::ReadOnly, indexes);
  const std::vector<std::string> faults = a.check();
  if (faults.empty()) {
    std::printf("ok\n");
    return kExitOk;
  }
  for (const std::string& f : faults) std::printf("%s\n", f.c_str());
  return kExitNotFound;
}

}  // namespace qvdb
