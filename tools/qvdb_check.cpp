// qvdb check TABLE [INDEXFILE...]: the full consistency check of the table,
// its memo file, the index files and every tag against the rows. Prints
// "ok" or one line per fault; exit 1 on faults. The table is opened shared
// when this user may write it, so that, like any copy that opens it, the
// check first completes a change a stopped copy left half made.
#include <cstdio>

#include "tools/qvdb_table.h"

namespace qvdb {

int runCheck(const Args& args) {
  static const Command self{"check", "TABLE [INDEXFILE...]", "", runCheck};
  return runOnTable(self, args, xb::engine::OpenMode::Shared, [](xb::engine::WorkArea& a, const std::string&) {
    const std::vector<std::string> faults = a.check();
    if (faults.empty()) {
      std::printf("ok\n");
      return kExitOk;
    }
    for (const std::string& f : faults) std::printf("%s\n", f.c_str());
    return kExitNotFound;
  });
}

}  // namespace qvdb
