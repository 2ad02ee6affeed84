// The program's handler of run-time errors. ERRORSYS installs it for the
// whole run; from then on every error raised through xb::raise by any layer
// reaches ERRORDIALOG:
//
// - a division by zero gives 0, quietly;
// - an open refused for sharing (OS code 32 or 5) and a refused append lock
//   set the network-error flag and fail quietly, when a default is allowed;
// - any other error is written to trace.log, logged with its report in the
//   error log and shown in the error dialog. "&Reintentar" retries and
//   "&Omitir" lets the operation fail quietly, with every table still open;
//   "&Salir" or the close box (and "&Reintentar" before the main window's
//   event loop runs) write and close every table and end the program with
//   exit code 1.
//
// An error raised while an error is being handled (or a failure of the
// handler itself) shows a short message when it still can and ends the
// program through the exit procedure with exit code 1.
#pragma once

#include <functional>
#include <string>

#include "errors/error_dialog.h"
#include "xbase/error.h"

namespace qv {

// The short message of an error met while handling another one; the
// one-line text of that error follows on a second line.
inline constexpr const char* kHandlerFailure =
    "Se produjo un error mientras se atendía otro error. El programa guarda y cierra sus tablas y termina.";

// Installs the handler for the rest of the run.
void ERRORSYS();
// Exists so that the error module is linked; does nothing.
void ERRORLINK();

// Handles one error (what the installed handler calls).
xb::ErrorAnswer ERRORDIALOG(const xb::Error& e);

// _FINAL: writes pending changes of every table and closes them all; true.
// (The program's exit procedure releases the resource file.)
bool _FINAL();

// The trace entry of one error, as appended to trace.log: the handler's own
// "[module->routine] (line)", then "Type: <letter> >>>value<<<" for the
// operation, the description and the line of the failing routine.
std::string traceEntry(const xb::Error& e);

// Seams for tests: how the dialog is shown and how the program ends. Each
// setter returns the previous one; an empty function restores the real one.
using DialogRunner = std::function<DialogChoice(const ErrorDialogContent&)>;
DialogRunner setErrorDialogRunner(DialogRunner runner);
// `atOnce`: without the exit procedures (an error on the way out).
using ProgramEnd = std::function<void(int code, bool atOnce)>;
ProgramEnd setProgramEnd(ProgramEnd end);

}  // namespace qv
