#include "labels/lock_wait.h"

#include <chrono>
#include <thread>

#include "data/buffers.h"
#include "xbase/prompt.h"

namespace lb {

namespace {
constexpr int kQuietTries = 10;
constexpr auto kQuietPause = std::chrono::milliseconds(100);
}  // namespace

bool waitLock(qv::WorkArea& a, const std::function<bool()>& attempt) {
  for (;;) {
    for (int i = 0; i < kQuietTries; ++i) {
      if (attempt()) return true;
      // A refusal without the network-error flag: nothing to lock.
      if (!qv::NETERROR()) return false;
      xb::prompter().processEvents();
      std::this_thread::sleep_for(kQuietPause);
    }
    if (qv::DECIS("Registro bloqueado en " + a.alias() + ". ¿ Desea reintentar ?") != "S") return false;
  }
}

bool waitRowLock(qv::WorkArea& a) {
  return waitLock(a, [&a] { return a.lockRow(); });
}

}  // namespace lb
