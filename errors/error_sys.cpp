#include "errors/error_sys.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "data/tables.h"
#include "errors/error_log.h"
#include "errors/error_report.h"
#include "errors/system_facts.h"
#include "xbase/dates.h"
#include "xbase/prompt.h"

namespace qv {

namespace {

bool g_active = false;
bool g_ending = false;

DialogRunner& dialogRunner() {
  static DialogRunner r = runErrorDialog;
  return r;
}

// Ends the process: the ordinary way (exit procedures run), or at once.
[[noreturn]] void realEnd(int code, bool atOnce) {
  std::fflush(nullptr);
  if (atOnce) std::_Exit(code);
  std::exit(code);
}

ProgramEnd& programEnd() {
  static ProgramEnd e = realEnd;
  return e;
}

// Marks the handler active for its lifetime.
struct ActiveGuard {
  ActiveGuard() { g_active = true; }
  ~ActiveGuard() { g_active = false; }
  ActiveGuard(const ActiveGuard&) = delete;
  ActiveGuard& operator=(const ActiveGuard&) = delete;
};

bool eventLoopRunning() {
  return QCoreApplication::instance() != nullptr && QThread::currentThread()->loopLevel() > 0;
}

void appendTrace(const xb::Error& e) {
  std::ofstream out("trace.log", std::ios::app | std::ios::binary);
  if (out) out << traceEntry(e);
}

bool silentSharing(const xb::Error& e) {
  if (!e.canDefault) return false;
  if (e.genCode == xb::kGenOpen) return e.osCode == xb::kOsSharingViolation || e.osCode == xb::kOsAccessDenied;
  return e.genCode == xb::kGenAppendLock;
}

xb::ErrorAnswer handle(const xb::Error& e) {
  appendTrace(e);

  if (e.genCode == xb::kGenZeroDiv) return {xb::ErrorAnswer::Substitute, xb::Value(0)};
  if (silentSharing(e)) {
    xb::setNetError(true);
    return {xb::ErrorAnswer::Default, {}};
  }

  const ReportFacts facts = gatherFacts(callStack());
  LogRow row;
  row.fecha = xb::textToDate(facts.date);
  row.hora = facts.time;
  row.error = toUtf8Text(ERRORMESSAGE(e));
  row.texto = buildReport(e, facts);
  appendLogRow(row);

  ErrorDialogContent content;
  content.nameLine = sectionErrorName(e).front();
  content.callLines = callLines(facts);
  content.printText = buildPrintText(e, facts);
  content.canRetry = e.canRetry;
  content.canDefault = e.canDefault;
  const DialogChoice choice = dialogRunner()(content);

  if (choice == DialogChoice::None || (choice == DialogChoice::Retry && !eventLoopRunning())) {
    try {
      _FINAL();
    } catch (...) {
    }
    programEnd()(1, false);
    return {xb::ErrorAnswer::Default, {}};
  }
  return {choice == DialogChoice::Retry ? xb::ErrorAnswer::Retry : xb::ErrorAnswer::Default, {}};
}

}  // namespace

std::string traceEntry(const xb::Error& e) {
  return "[error_sys.cpp->ERRORDIALOG] (" + std::to_string(__LINE__) + ")\r\n" +  //
         "Type: C >>>" + e.operation + "<<<\r\n" +                                 //
         "Type: C >>>" + e.description + "<<<\r\n" +                               //
         "Type: N >>>0<<<\r\n";
}

void ERRORSYS() { xb::setErrorHandler(ERRORDIALOG); }

void ERRORLINK() {}

bool _FINAL() {
  qv::WorkAreas& set = qv::workAreas();
  set.commitAll();
  set.closeAll();
  return true;
}

namespace {

// An error met while an error is being handled (or the handler itself
// failing): the log and the dialog are what failed, so the program says so
// in a short message, when it still can, and ends through the exit
// procedure (tables written and closed) with exit code 1. A further error on
// that way ends it at once.
xb::ErrorAnswer endAfterHandlerFailure(const xb::Error* e) {
  if (g_ending) {
    programEnd()(1, true);
    return {xb::ErrorAnswer::Default, {}};
  }
  g_ending = true;
  try {
    std::string text = kHandlerFailure;
    if (e) text += "\n" + toUtf8Text(ERRORMESSAGE(*e));
    xb::prompter().message(xb::MsgKind::Stop, "Atención.....", text);
  } catch (...) {
  }
  try {
    _FINAL();
  } catch (...) {
  }
  programEnd()(1, false);
  g_ending = false;
  return {xb::ErrorAnswer::Default, {}};
}

}  // namespace

xb::ErrorAnswer ERRORDIALOG(const xb::Error& e) {
  if (g_active) return endAfterHandlerFailure(&e);
  ActiveGuard active;
  try {
    return handle(e);
  } catch (...) {
    return endAfterHandlerFailure(nullptr);
  }
}

DialogRunner setErrorDialogRunner(DialogRunner runner) {
  DialogRunner old = std::move(dialogRunner());
  dialogRunner() = runner ? std::move(runner) : DialogRunner(runErrorDialog);
  return old;
}

ProgramEnd setProgramEnd(ProgramEnd end) {
  ProgramEnd old = std::move(programEnd());
  programEnd() = end ? std::move(end) : ProgramEnd(realEnd);
  return old;
}

}  // namespace qv
