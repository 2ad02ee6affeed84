// Table files of arbitrary bytes, with a memo file, as a damaged disk or
// another program may leave them: opening, reading every row and field,
// changing and appending rows, packing and checking must end in results or
// run-time errors through the hook, never a crash, a hang or a huge
// allocation.
//
// Input: two bytes (little-endian) giving the length of the table part,
// then the table file, then the memo file.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/engine/os_file.h"
#include "data/engine/table.h"
#include "fuzz/fuzz_files.h"
#include "xbase/error.h"

namespace {

using namespace xb;
using namespace xb::engine;

std::string scratch(const char* ext) { return qvfuzz::scratchPath("dbf_fuzz", ext); }

using qvfuzz::attempt;
using qvfuzz::writeFile;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t tableLen = std::min(size - 2, size_t(data[0] | data[1] << 8));
  const std::string dbf = scratch(".dbf"), fpt = scratch(".fpt");
  removeFile(scratch("~pk.dbf"));
  if (!writeFile(dbf, data + 2, tableLen) || !writeFile(fpt, data + 2 + tableLen, size - 2 - tableLen)) return 0;

  std::unique_ptr<Table> t;
  attempt([&] { t = Table::open(dbf, OpenMode::Exclusive); });
  if (!t) return 0;
  attempt([&] { t->check(); });
  int64_t rows = 0;
  attempt([&] { rows = std::min<int64_t>(t->recordCount(), 64); });
  for (int64_t n = 1; n <= rows; ++n) {
    attempt([&] {
      if (!t->read(n)) return;
      for (int i = 0; i < t->fieldCount(); ++i) t->get(i);
    });
  }
  if (t->readOnly()) return 0;
  attempt([&] {
    if (!t->read(1)) return;
    for (int i = 0; i < t->fieldCount(); ++i) {
      switch (t->structure()[size_t(i)].type) {
        case 'C': t->put(i, Value("fuzz")); break;
        case 'N': case 'F': t->put(i, Value(1)); break;
        case 'L': t->put(i, Value(true)); break;
        case 'M': t->put(i, Value(std::string(100, 'm'))); break;
        default: break;
      }
    }
    t->setDeleted(true);
    t->flush();
  });
  attempt([&] {
    if (!t->appendBlank()) return;
    for (int i = 0; i < t->fieldCount(); ++i)
      if (t->structure()[size_t(i)].type == 'M') t->put(i, Value("appended"));
    t->flush();
  });
  attempt([&] { t->pack(); });
  attempt([&] { t->check(); });
  return 0;
}
