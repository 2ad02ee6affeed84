#include "data/engine/table_lock.h"

#include <chrono>
#include <thread>

namespace xb::engine {

bool takeBriefLock(File& f, uint64_t offset) {
  // About half a second in all: the holder writes a record or a memo and
  // lets go.
  for (int attempt = 0; attempt < 500; ++attempt) {
    if (f.tryLock(offset, 1, true)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

bool TableLocks::lockRow(int64_t recno) {
  if (recno < 1 || uint64_t(recno) >= kRowSpan) return false;
  if (fileLocked_ || rows_.count(recno)) {
    rows_.insert(recno);
    return true;
  }
  if (!exclusive_ && !f_.tryLock(kRowBase + uint64_t(recno), 1, !readOnly_)) return false;
  rows_.insert(recno);
  return true;
}

void TableLocks::unlockRow(int64_t recno) {
  if (!rows_.erase(recno) || fileLocked_ || exclusive_) return;
  f_.unlock(kRowBase + uint64_t(recno), 1);
}

bool TableLocks::lockFile() {
  if (fileLocked_) return true;
  if (!exclusive_ && !f_.tryLock(kRowBase, kRowSpan, !readOnly_)) return false;
  fileLocked_ = true;
  return true;
}

void TableLocks::unlockAll() {
  if (!exclusive_ && anyLock()) f_.unlock(kRowBase, kRowSpan);
  rows_.clear();
  fileLocked_ = false;
}

}  // namespace xb::engine
