// qvdb pack TABLE [INDEXFILE...]: removes deleted rows (exclusive use) and
// rebuilds every tag of the given index files. Prints the rows left.
#include <cstdio>

#include "tools/qvdb_table.h"

namespace qvdb {

int runPack(const Args& args) {
  static const Command self{"pack", "TABLE [INDEXFILE...]", "", runPack};
  Options o = parseOptions(args, {}, {}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.empty()) return usageError(self, "no table");
  toolSetup(false);
  xb::engine::WorkAreas areas;
  const std::vector<std::string> indexes(o.positional.begin() + 1, o.positional.end());
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::Exclusive, indexes);
  if (!a.pack()) throw ToolError(o.positional[0] + ": not packed");
  std::printf("%lld\n", static_cast<long long>(a.reccount()));
  return kExitOk;
}

}  // namespace qvdb
