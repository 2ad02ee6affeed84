// qvdb append TABLE FIELD=VALUE... [--index FILE...]: appends one row to a
// table opened shared, under the append lock, and prints its number.
#include <cstdio>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"

namespace qvdb {

int runAppend(const Args& args) {
  static const Command self{"append", "TABLE FIELD=VALUE... [--index FILE...]", "", runAppend};
  Options o = parseOptions(args, {}, {"--index"}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() < 2) return usageError(self, "a table and at least one FIELD=VALUE are needed");
  toolSetup(true);
  xb::engine::WorkAreas areas;
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::Shared, o.list("--index"));
  std::vector<std::pair<int, xb::Value>> values;
  for (size_t i = 1; i < o.positional.size(); ++i) {
    const std::string& p = o.positional[i];
    size_t eq = p.find('=');
    if (eq == std::string::npos || eq == 0) return usageError(self, "'" + p + "' is not FIELD=VALUE");
    int f = a.fieldIndex(xb::utf8ToCp1252(p.substr(0, eq)));
    if (f < 0) throw ToolError(o.positional[0] + ": no field " + p.substr(0, eq));
    try {
      values.emplace_back(f, fieldValue(a.structure()[static_cast<size_t>(f)], p.substr(eq + 1)));
    } catch (const ToolError& e) {
      throw ToolError(o.positional[0] + ": " + e.what());
    }
  }
  if (!a.appendBlank()) throw ToolError(o.positional[0] + ": append lock refused (table in use)");
  for (auto& [f, v] : values) a.fieldPut(f, v);
  a.unlock();
  std::printf("%lld\n", static_cast<long long>(a.recno()));
  return kExitOk;
}

}  // namespace qvdb
