// qvdb info TABLE [INDEXFILE...]: version, code page, record count and
// fields of a table; for each index file its tags with key, condition,
// options and key count.
#include <cstdio>

#include "tools/qvdb_table.h"
#include "xbase/codepage.h"

namespace qvdb {

namespace {

const char* codePageName(uint8_t mark) {
  switch (mark) {
    case 0x03: return "Windows 1252";
    case 0x02: return "OEM 850";
    case 0x01: return "OEM 437";
    case 0x00: return "unknown";
    default: return "other";
  }
}

}  // namespace

int runInfo(const Args& args) {
  static const Command self{"info", "TABLE [INDEXFILE...]", "", runInfo};
  return runOnTable(self, args, xb::engine::OpenMode::ReadOnly, [](xb::engine::WorkArea& a, const std::string&) {
    xb::engine::Table& t = *a.table();
    std::printf("table: %s\n", t.path().c_str());
    std::printf("version: 0x%02X\n", t.version());
    std::printf("code page: 0x%02X (%s)\n", t.codePage(), codePageName(t.codePage()));
    std::printf("records: %lld\n", static_cast<long long>(t.recordCount()));
    std::printf("fields: %zu\n", t.structure().size());
    for (const auto& f : t.structure())
      std::printf("  %-10s %c %3d %2d\n", xb::cp1252ToUtf8(f.name).c_str(), f.type, f.width, f.decimals);
    const std::vector<xb::engine::OrderInfo> orders = a.orders();
    for (const std::string& file : a.indexFiles()) {
      std::printf("index: %s\n", file.c_str());
      for (size_t i = 0; i < orders.size(); ++i) {
        const auto& oi = orders[i];
        if (oi.indexFile != file) continue;
        a.setOrder(static_cast<int>(i) + 1);
        std::printf("  tag %s\n    key: %s (%c %d)\n    for: %s\n    unique: %s\n    descending: %s\n    keys: %lld\n",
                    oi.tag.name.c_str(), xb::cp1252ToUtf8(oi.tag.keyExpr).c_str(), oi.keyType, oi.tag.keyLength,
                    xb::cp1252ToUtf8(oi.tag.forExpr).c_str(), oi.tag.unique ? "yes" : "no",
                    oi.tag.descending ? "yes" : "no", static_cast<long long>(a.keyCount()));
      }
    }
    return kExitOk;
  });
}

}  // namespace qvdb
