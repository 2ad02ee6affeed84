// The rules of the main window and its small screens, as plain functions.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qv {

// Top-left corner of the centre logo in an area of `area`: centred across,
// and 65 pixels above the centre down.
QPoint logoTopLeft(QSize area, QSize logo);

// Title of the barcode test window: the code without blanks, padded with
// "0" on the right and cut to 12 characters, then its EAN-13 check digit.
std::string testWindowTitle(const std::string& cCodigo);

// --- Memory diagnostic --------------------------------------------------

struct MemoryFigures {
  int64_t used = 0;       // bytes in use now
  int64_t peak = 0;       // largest use so far, bytes
  int freePercent = 0;    // free share of the system's memory, 0..100
};

// Reads VmRSS and VmHWM (kB) of a /proc/<pid>/status text; nullopt when
// either is missing.
std::optional<MemoryFigures> parseProcStatus(const std::string& text);
// Free percentage from a /proc/meminfo text (MemAvailable, or MemFree
// when the kernel has no MemAvailable, against MemTotal); nullopt when
// unreadable.
std::optional<int> parseMemInfo(const std::string& text);
// A number with the picture "999,999,999,999", blanks removed; a number
// too large for the picture shows as asterisks.
std::string pictureNumber(int64_t n);
// The three lines of the diagnostic, joined by carriage return and line
// feed.
std::string memoryReport(const MemoryFigures& m);
// The figures of this process and this system now.
MemoryFigures currentMemory();

// --- Calculator -----------------------------------------------------------

// Desktop calculators tried in order.
QStringList calculatorCandidates();
// The first candidate that `find` resolves to a program path; empty when
// none.
QString firstCalculator(const QStringList& candidates, const std::function<QString(const QString&)>& find);

// --- Status bar ---------------------------------------------------------

// Text of the keyboard-state indicator: overwrite or insert mode.
QString keyboardStateText(bool insertMode);

}  // namespace qv
