// qvdb seek TABLE INDEXFILE TAG KEY [--soft]: seeks a key in a tag and prints
// the record number found (with --soft, the row the seek stopped on when
// the key is absent). Exit 1 when the key is not found. Deleted rows are
// hidden, as in the program.
#include <charconv>
#include <cstdio>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"

namespace qvdb {

int runSeek(const Args& args) {
  static const Command self{"seek", "TABLE INDEXFILE TAG KEY [--soft]", "", runSeek};
  Options o = parseOptions(args, {}, {}, {"--soft"});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 4) return usageError(self, "a table, an index file, a tag name and a key are needed");
  toolSetup(true);
  xb::engine::WorkAreas areas;
  xb::engine::WorkArea& a =
      openTable(areas, o.positional[0], xb::engine::OpenMode::ReadOnly, {o.positional[1]});
  if (!a.setOrder(xb::utf8ToCp1252(o.positional[2]))) {
    std::fprintf(stderr, "qvdb seek: %s: no tag %s\n", o.positional[1].c_str(), o.positional[2].c_str());
    return kExitNotFound;
  }
  const xb::engine::OrderInfo oi = a.orders()[static_cast<size_t>(a.order() - 1)];
  const std::string& text = o.positional[3];
  xb::Value key;
  switch (oi.keyType) {
    case 'N': key = fieldValue({"KEY", 'N', 20, 0}, text); break;
    case 'D': key = fieldValue({"KEY", 'D', 8, 0}, text); break;
    case 'L': key = fieldValue({"KEY", 'L', 1, 0}, text); break;
    default: key = xb::Value(xb::utf8ToCp1252(text)); break;
  }
  const bool found = a.seek(key, o.has("--soft"));
  if (!a.eof()) std::printf("%lld\n", static_cast<long long>(a.recno()));
  return found ? kExitOk : kExitNotFound;
}

}  // namespace qvdb
