// The error log: Error.Dbf in the folder "Error" below the working directory
// (or in the working directory when that folder cannot be made), with its
// memo file and the index Error.cdx whose tag Err_DDHH orders the rows by
// "( DtoS( Fecha ) + Hora )" descending, so the newest error comes first.
//
//   Fecha  D  8   day of the error
//   Hora   C  8   "hh:mm:ss"
//   Error  C 50   one-line error text, cut to 50 characters
//   Texto  M 10   the full report
//
// Texts are kept in the OEM code page 850. Several processes may append at
// once: each append locks its new row while writing it, and creating the
// table or its index is done under a lock on the log folder.
#pragma once

#include <string>
#include <vector>

#include "xbase/value.h"

namespace qv {

inline constexpr const char* kErrorAlias = "Error";
inline constexpr const char* kErrorTag = "Err_DDHH";
inline constexpr const char* kErrorKey = "( DtoS( Fecha ) + Hora )";

// The folder of the log: <working directory>/Error, created when missing;
// when it cannot be created the message "NO se pudo crear <folder>" / "se
// usará el directorio <working directory>" is shown and the working
// directory is answered.
std::string errorFolder();

// ABREERROR: opens the log under the alias "Error" (shared, with its index,
// the tag Err_DDHH controlling), creating the table and building the index
// when missing. The area is selected afterwards. False when it could not be
// opened (the run-time error went to the installed handler).
bool ABREERROR();

// Closes the log's work area, when open.
void closeErrorLog();

// One logged error (texts UTF-8).
struct LogRow {
  xb::Date fecha;
  std::string hora;
  std::string error;
  std::string texto;
};

// Appends one row to the log (opening it and closing it again), inside a
// protected block: sharing conflicts are retried for a few seconds, and any
// other failure abandons the write silently. The previously installed error
// handler is in force again afterwards. True when the row was written.
bool appendLogRow(const LogRow& row);

// DOBREAK: abandons the protected block it is called in (the handler of
// appendLogRow's block calls it for every error it does not retry).
[[noreturn]] void DOBREAK();

// The rows of an open log in index order (newest first), and the same for a
// log folder read from scratch (tests, tools).
std::vector<LogRow> readOpenLog();

// Where the log browser starts: given the keys "yyyymmdd" + "hh:mm:ss" of the
// rows in index order (newest first) and today's "yyyymmdd", the first row of
// today; when today has none, the nearest following row (the latest error
// before today); the last row when that runs off the end. -1 for an empty log.
int browserStart(const std::vector<std::string>& keysNewestFirst, const std::string& todayDtos);

}  // namespace qv
