// qvdb create TABLE STRUCTURE: creates an empty table from a structure list
// text such as '{{"CODIGO","C",25,0},{"PRECIO","N",10,2}}'.
#include <cstdio>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"
#include "xbase/expr.h"

namespace qvdb {

namespace {

// The structure a list value describes; throws ToolError when it is not a
// list of {name, type, width, decimals}.
xb::engine::Structure structureOf(const xb::Value& list) {
  if (!list.isArray() || list.arr()->empty()) throw ToolError("the structure must be a non-empty list of fields");
  xb::engine::Structure s;
  for (const xb::Value& item : *list.arr()) {
    const bool ok = item.isArray() && item.arr()->size() == 4 && (*item.arr())[0].isText() &&
                    (*item.arr())[1].isText() && (*item.arr())[1].text().size() == 1 &&
                    (*item.arr())[2].isNumber() && (*item.arr())[3].isNumber();
    if (!ok) throw ToolError("each field of the structure must be {name, type, width, decimals}");
    const xb::Array& a = *item.arr();
    s.push_back({a[0].text(), a[1].text()[0], static_cast<int>(a[2].num()), static_cast<int>(a[3].num())});
  }
  return s;
}

}  // namespace

int runCreate(const Args& args) {
  static const Command self{"create", "TABLE STRUCTURE", "", runCreate};
  Options o = parseOptions(args, {}, {}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 2) return usageError(self, "a table and a structure are needed");
  toolSetup(true);
  xb::engine::Structure s;
  try {
    s = structureOf(xb::evaluate(xb::utf8ToCp1252(o.positional[1])));
  } catch (const ToolError& e) {
    throw ToolError(o.positional[0] + ": " + e.what());
  }
  if (!xb::engine::Table::create(o.positional[0], s)) throw ToolError(o.positional[0] + ": not created");
  return kExitOk;
}

}  // namespace qvdb
