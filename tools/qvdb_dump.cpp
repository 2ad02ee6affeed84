// qvdb dump TABLE [--index FILE --tag NAME] [--deleted]: the rows as CSV
// (UTF-8, a header line of field names, memos included), in tag order when
// a tag is given. Deleted rows are left out unless --deleted, which adds
// the column _DELETED (T or F).
#include <cstdio>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"

namespace qvdb {

int runDump(const Args& args) {
  static const Command self{"dump", "TABLE [--index FILE --tag NAME] [--deleted]", "", runDump};
  Options o = parseOptions(args, {"--index", "--tag"}, {}, {"--deleted"});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 1) return usageError(self, "one table expected");
  if (o.value("--tag").has_value() != o.value("--index").has_value())
    return usageError(self, "--index and --tag go together");
  const bool withDeleted = o.has("--deleted");
  toolSetup(!withDeleted);
  xb::engine::WorkAreas areas;
  std::vector<std::string> indexes;
  if (auto ix = o.value("--index")) indexes.push_back(*ix);
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::ReadOnly, indexes);
  if (auto tag = o.value("--tag")) {
    if (!a.setOrder(xb::utf8ToCp1252(*tag))) throw ToolError(indexes[0] + ": no tag " + *tag);
  } else {
    a.setOrder(0);
  }
  const xb::engine::Structure& s = a.structure();
  std::vector<std::string> line;
  for (const auto& f : s) line.push_back(xb::cp1252ToUtf8(f.name));
  if (withDeleted) line.push_back(kDeletedColumn);
  std::string out = csvLine(line);
  std::fwrite(out.data(), 1, out.size(), stdout);
  for (a.goTop(); !a.eof(); a.skip()) {
    line.clear();
    for (size_t i = 0; i < s.size(); ++i) line.push_back(fieldText(s[i], a.fieldGet(static_cast<int>(i))));
    if (withDeleted) line.push_back(a.deleted() ? "T" : "F");
    out = csvLine(line);
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  return kExitOk;
}

}  // namespace qvdb
