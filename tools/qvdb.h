// qvdb, the data tool: one subcommand per file (qvdb_<cmd>.cpp), each
// registered in the command table of qvdb_main.cpp.
//
// A subcommand gets the arguments after its name (UTF-8) and returns the
// exit code: 0 done, 1 not found or faults found, 2 wrong usage or a
// run-time error (message on stderr naming the file).
#pragma once

#include <string>
#include <vector>

namespace qvdb {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;    // arguments after the name
  const char* summary;  // one line
  int (*run)(const Args& args);
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRuntime = 2;

// Prints the usage line of a command to stderr and returns kExitUsage.
int usageError(const Command& cmd, const std::string& why);

int runEval(const Args& args);
int runCreate(const Args& args);
int runInfo(const Args& args);
int runDump(const Args& args);
int runImport(const Args& args);
int runAppend(const Args& args);
int runDelete(const Args& args);
int runIndex(const Args& args);
int runKeys(const Args& args);
int runSeek(const Args& args);
int runCheck(const Args& args);
int runPack(const Args& args);

}  // namespace qvdb
