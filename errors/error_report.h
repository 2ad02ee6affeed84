// The diagnostic report of a run-time error: ten sections of text lines
// built from the error record and a snapshot of the program and the machine
// (ReportFacts). Everything here is pure: the facts are gathered elsewhere
// (system_facts.h), so tests build reports from facts they choose.
//
// Texts are UTF-8; lines end with CR LF. The log stores the report in the
// OEM code page (toLogText).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/error.h"
#include "xbase/value.h"

namespace qv {

// One routine of the call chain, innermost first.
struct CallFrame {
  std::string routine;  // e.g. "qv::ABREBASES" (no parameter list)
  std::string line;     // the source line, "0" when no line is known
};

// One open work area as the report lists it.
struct AreaFacts {
  struct Order {
    std::string keyExpr;
    std::string tagName;
    bool controlling = false;
  };
  int number = 0;
  bool current = false;
  std::string alias;
  std::string driver = "DBFCDX";
  int64_t recNo = 0;
  int64_t recCount = 0;
  bool bof = false;
  bool eof = false;
  std::vector<Order> orders;
};

struct TaskFacts {
  int number = 0;  // the process id
  std::string name;
};

struct ReportFacts {
  // Section 1
  std::string programPath;
  int64_t programSize = 0;
  int maxOpenFiles = 0;
  std::string date;  // dd-mm-yyyy
  std::string time;  // hh:mm:ss
  // Section 4 (and 6)
  std::vector<CallFrame> calls;
  // Section 5
  std::string cpuName;
  int64_t memoryBytes = 0;  // total physical memory
  int versions[4] = {0, 0, 0, 0};  // kernel major, minor; distribution major, minor
  std::string systemName;          // distribution and kernel release, one line
  std::vector<TaskFacts> tasks;
  // Section 7, 8, 9
  std::vector<std::string> drivers{"DBFCDX"};
  std::vector<AreaFacts> areas;
  std::vector<std::string> classes;
  // Section 10
  int64_t initialDataSize = 0;
  int64_t symbolCount = 0;
  int64_t stackSize = 0;
  int64_t heapSize = 0;
  int64_t stackLeft = 0;
  int64_t staticCount = 0;
  int64_t memoryInUse = 0;
  int64_t memoryPeak = 0;
};

// ERRORMESSAGE: the one-line error text (xb::errorMessage).
std::string ERRORMESSAGE(const xb::Error& e);

// CGETINFO: a text in double quotes; "Class: " + class name for an object;
// "Len: " + length (4 wide) for an array; otherwise the value as text.
std::string CGETINFO(const xb::Value& v);

// The value of an argument as text, UTF-8 (table texts in Windows-1252 are
// converted).
std::string valueText(const xb::Value& v);

// A text that may hold Windows-1252 bytes (table texts), as UTF-8.
std::string toUtf8Text(const std::string& s);

// Sections, each a list of lines without line ends.
std::vector<std::string> sectionApplication(const ReportFacts& f);     // 1
std::vector<std::string> sectionErrorName(const xb::Error& e);         // 2
std::vector<std::string> sectionArguments(const xb::Error& e);         // 3 (empty without arguments)
std::vector<std::string> sectionCalls(const ReportFacts& f);           // 4
std::vector<std::string> sectionSystem(const ReportFacts& f);          // 5
std::vector<std::string> sectionVariables(const xb::Error& e, const ReportFacts& f);  // 6
std::vector<std::string> sectionDrivers(const ReportFacts& f);         // 7
std::vector<std::string> sectionFiles(const ReportFacts& f);           // 8
std::vector<std::string> sectionClasses(const ReportFacts& f);         // 9
std::vector<std::string> sectionMemory(const ReportFacts& f);          // 10

// The call-chain lines of section 4 without its heading (what the error
// dialog lists).
std::vector<std::string> callLines(const ReportFacts& f);

// The whole report: sections 1 to 10, lines ended by CR LF.
std::string buildReport(const xb::Error& e, const ReportFacts& f);
// The print text: sections 1 to 3, a blank line, the call-chain lines.
std::string buildPrintText(const xb::Error& e, const ReportFacts& f);

// Joins lines, each ended by CR LF.
std::string joinLines(const std::vector<std::string>& lines);

// UTF-8 to the OEM code page 850 the log keeps, and back.
std::string toLogText(std::string_view utf8);
std::string fromLogText(std::string_view oem);

// Cuts a text into lines of at most `width` characters: word-wrapped at
// blanks, words longer than a line cut, line breaks of the text kept, trailing
// blanks dropped. Characters are counted as UTF-8 code points.
std::vector<std::string> wrapLines(std::string_view text, int width = 65);

}  // namespace qv
