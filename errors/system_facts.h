// What the error report says about the running program and the machine,
// read from Linux (/proc, uname, /etc/os-release), the C library (the call
// stack, memory use) and the program's work areas.
#pragma once

#include <string>
#include <vector>

#include "errors/error_report.h"

namespace qv {

// The call chain of the calling thread, innermost first: demangled routine
// names (local routines too) with their source lines, 0 where a module has
// no debug information. Frames of the error machinery itself (up to and
// including the routine that raised the error through xb::raise), frames
// without a name and those of the C run time are left out.
std::vector<CallFrame> callStack();

// The processor's model name from /proc/cpuinfo ("" when unknown).
std::string cpuModelName(const std::string& cpuinfoText);
// Total memory in bytes from the text of /proc/meminfo (0 when unknown).
int64_t memTotalBytes(const std::string& meminfoText);
// The major and minor number of a version text such as "6.1.0-18-amd64"
// or "12"; missing parts are 0.
void versionNumbers(const std::string& text, int& major, int& minor);

// Processes of the current user, in process-id order.
std::vector<TaskFacts> userTasks();

// Open work areas of the program's workspace, in area order.
std::vector<AreaFacts> openAreas();

// Every fact of the report, now; `calls` becomes the call chain given.
ReportFacts gatherFacts(std::vector<CallFrame> calls);

}  // namespace qv
