// FINAL$, the exit procedure: runs once however the program ends (the main
// window closed, exit() called, or a signal that asks the program to end),
// writing pending table buffers and closing every table.
#pragma once

#include <functional>

class QCoreApplication;

namespace qv {

// Adds a step to the exit procedure; steps run in the order they were added.
void atFinal(std::function<void()> step);

// The exit procedure: lets pending window messages be processed, then runs
// every step. Only the first call does anything; it is also registered to
// run when the process exits.
void FINAL();

// From now on SIGTERM, SIGINT and SIGHUP end `app`'s event loops (through a
// self-pipe watched in the event loop), so the program ends the ordinary way
// without asking and the exit procedure runs.
void installEndSignals(QCoreApplication& app);

}  // namespace qv
