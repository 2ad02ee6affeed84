// Memo files of arbitrary bytes: reading memos at pointers taken from the
// input, rewriting them, appending new ones and checking must end in
// results or faults, never a crash, a hang or a huge allocation.
//
// Input: four big-endian block numbers, then the memo file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/engine/memo.h"
#include "data/engine/os_file.h"
#include "fuzz/fuzz_files.h"

namespace {

using namespace xb::engine;

const std::string& scratchPath() {
  static const std::string path = qvfuzz::scratchPath("memo_fuzz", ".fpt");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  std::vector<std::pair<int64_t, uint32_t>> refs;
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t* p = data + 4 * i;
    refs.emplace_back(int64_t(i + 1), uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
  }
  if (!qvfuzz::writeFile(scratchPath(), data + 16, size - 16)) return 0;
  std::string fault;
  auto memo = MemoFile::open(scratchPath(), true, &fault);
  if (!memo) return 0;
  memo->check(refs);
  for (auto& [row, block] : refs) {
    auto text = memo->read(block, &fault);
    std::string changed = text ? *text + "+" : std::string(size_t(row) * 40, 'x');
    if (auto at = memo->write(changed, &fault)) block = *at;
  }
  memo->check(refs);
  return 0;
}
