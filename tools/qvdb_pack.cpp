// qvdb pack TABLE [INDEXFILE...]: removes deleted rows (exclusive use) and
// rebuilds every tag of the given index files. Prints the rows left.
#include <cstdio>

#include "tools/qvdb_table.h"

namespace qvdb {

int runPack(const Args& args) {
  static const Command self{"pack", "TABLE [INDEXFILE...]", "", runPack};
  return runOnTable(self, args, xb::engine::OpenMode::Exclusive, [](xb::engine::WorkArea& a, const std::string& table) {
    if (!a.pack()) throw ToolError(table + ": not packed");
    std::printf("%lld\n", static_cast<long long>(a.reccount()));
    return kExitOk;
  });
}

}  // namespace qvdb
