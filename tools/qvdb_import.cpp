// qvdb import TABLE CSVFILE [--index FILE...]: appends the rows of a CSV
// file whose header line names the fields (a _DELETED column marks rows
// deleted), keeping the given index files up to date. The table is opened
// shared and its file lock taken once for the whole import (other copies
// are refused their appends and row locks meanwhile, as for any file
// lock); rows are written in runs and the tags brought up to date at the
// end (WorkArea::beginBulk). Prints the count.
#include <cstdio>
#include <memory>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"

namespace qvdb {

int runImport(const Args& args) {
  static const Command self{"import", "TABLE CSVFILE [--index FILE...]", "", runImport};
  Options o = parseOptions(args, {}, {"--index"}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 2) return usageError(self, "a table and a CSV file are needed");
  const std::string& csvPath = o.positional[1];
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(csvPath.c_str(), "rb"), std::fclose);
  if (!in) throw ToolError(csvPath + ": cannot be read");
  toolSetup(true);
  xb::engine::WorkAreas areas;
  xb::engine::WorkArea& a = openTable(areas, o.positional[0], xb::engine::OpenMode::Shared, o.list("--index"));
  if (!a.lockFile()) throw ToolError(o.positional[0] + ": in use by another process (file lock refused)");
  const xb::engine::Structure& s = a.structure();
  CsvReader csv(in.get());
  std::vector<std::string> header, row;
  if (!csv.next(header)) throw ToolError(csvPath + ": no header line");
  std::vector<int> target;  // field per column; -1: the deletion flag
  for (const std::string& name : header) {
    if (name == kDeletedColumn) {
      target.push_back(-1);
      continue;
    }
    int i = a.fieldIndex(xb::utf8ToCp1252(name));
    if (i < 0) throw ToolError(csvPath + ": the table has no field " + name);
    target.push_back(i);
  }
  int64_t count = 0;
  if (!a.beginBulk()) throw ToolError(o.positional[0] + ": file lock lost");
  while (csv.next(row)) {
    if (row.size() == 1 && row[0].empty()) continue;  // blank line
    if (row.size() != header.size())
      throw ToolError(csvPath + ": line " + std::to_string(csv.line()) + " has " + std::to_string(row.size()) +
                      " fields, the header " + std::to_string(header.size()));
    std::vector<xb::Value> values;
    for (size_t c = 0; c < row.size(); ++c) {
      try {
        values.push_back(target[c] < 0 ? xb::Value(fieldValue({"", 'L', 1, 0}, row[c]))
                                       : fieldValue(s[static_cast<size_t>(target[c])], row[c]));
      } catch (const ToolError& e) {
        throw ToolError(csvPath + ": line " + std::to_string(csv.line()) + ": " + e.what());
      }
    }
    if (!a.appendBlank(false)) throw ToolError(o.positional[0] + ": append refused");
    for (size_t c = 0; c < row.size(); ++c) {
      if (target[c] >= 0)
        a.fieldPut(target[c], values[c]);
      else if (values[c].logical())
        a.deleteRow();
    }
    ++count;
  }
  if (!a.endBulk()) throw ToolError(o.positional[0] + ": rows not written");
  a.unlock();
  std::printf("%lld\n", static_cast<long long>(count));
  return kExitOk;
}

}  // namespace qvdb
