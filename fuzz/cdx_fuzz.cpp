// Compound index files of arbitrary bytes, as a damaged disk or another
// program may leave them: opening, walking every tag both ways, seeking,
// counting, changing and checking must end in results or run-time errors
// through the hook, never a crash, a hang or a huge allocation.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/engine/cdx.h"
#include "data/engine/os_file.h"
#include "fuzz/fuzz_files.h"
#include "xbase/error.h"

namespace {

using namespace xb;
using namespace xb::engine;

const std::string& scratchPath() {
  static const std::string path = qvfuzz::scratchPath("cdx_fuzz", ".cdx");
  return path;
}

using qvfuzz::attempt;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!qvfuzz::writeFile(scratchPath(), data, size)) return 0;
  std::unique_ptr<CdxFile> cdx;
  attempt([&] { cdx = CdxFile::open(scratchPath(), true); });
  if (!cdx) return 0;
  cdx->setLockWait(0);
  attempt([&] { cdx->check(); });
  std::vector<TagInfo> tags;
  attempt([&] { tags = cdx->tags(); });
  for (const TagInfo& info : tags) {
    CdxTag* t = nullptr;
    attempt([&] { t = cdx->tag(info.name); });
    if (!t) continue;
    attempt([&] {
      int n = 0;
      for (bool ok = t->first(); ok && n < 100000; ok = t->next()) ++n;
    });
    attempt([&] {
      int n = 0;
      for (bool ok = t->last(); ok && n < 100000; ok = t->prev()) ++n;
    });
    attempt([&] { t->seek(std::string(1, 'A')); });
    attempt([&] { t->count("", ""); });
    attempt([&] {
      std::string key(size_t(info.keyLength > 0 ? info.keyLength : 1), 'M');
      t->insert({key, 7});
      t->remove({key, 7});
    });
  }
  attempt([&] { cdx->buildTag({"FUZZ", "F", "", false, false, 4, 0x20}, {{"ABCD", 1}, {"ABCE", 2}}); });
  attempt([&] { cdx->check(); });
  return 0;
}
