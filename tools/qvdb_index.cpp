// qvdb index TABLE INDEXFILE TAG KEY [--for COND] [--unique] [--descending]:
// adds a tag to an index file (created when missing) or replaces the tag of
// that name, built over every row; the table is opened exclusive.
#include <cstdio>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"

namespace qvdb {

int runIndex(const Args& args) {
  static const Command self{"index", "TABLE INDEXFILE TAG KEY [--for COND] [--unique] [--descending]", "", runIndex};
  Options o = parseOptions(args, {"--for"}, {}, {"--unique", "--descending"});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 4) return usageError(self, "a table, an index file, a tag name and a key are needed");
  const std::string& tag = o.positional[2];
  if (tag.empty() || tag.size() > 10) return usageError(self, "a tag name has 1 to 10 characters");
  toolSetup(false);
  xb::engine::WorkAreas areas;
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::Exclusive);
  if (!a.createTag(o.positional[1], xb::utf8ToCp1252(tag), xb::utf8ToCp1252(o.positional[3]),
                   xb::utf8ToCp1252(o.value("--for").value_or("")), o.has("--unique"), o.has("--descending")))
    throw ToolError(o.positional[1] + ": tag " + tag + " not built");
  return kExitOk;
}

}  // namespace qvdb
