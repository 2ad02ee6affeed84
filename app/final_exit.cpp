#include "app/final_exit.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

std::vector<std::function<void()>>& steps() {
  static std::vector<std::function<void()>> s;
  return s;
}

bool g_done = false;
int g_pipe[2] = {-1, -1};

void onSignal(int sig) {
  const unsigned char c = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
}

void runFinalAtExit() { FINAL(); }

// Registers FINAL to run at process exit, once, after the step list exists
// (so the list outlives the call).
void registerAtExit() {
  static const bool registered = [] {
    steps();
    return std::atexit(runFinalAtExit) == 0;
  }();
  (void)registered;
}

}  // namespace

void atFinal(std::function<void()> step) {
  registerAtExit();
  steps().push_back(std::move(step));
}

void FINAL() {
  if (g_done) return;
  g_done = true;
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
  for (const auto& step : steps()) step();
  steps().clear();
}

void installEndSignals(QCoreApplication& app) {
  registerAtExit();
  if (g_pipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    unsigned char c = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_pipe[0], &c, 1);
    QCoreApplication::exit(0);
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace qv
