// qvdb: the data tool. Finds the subcommand in the table below and runs it;
// a run-time error that reaches here is printed and exits 2.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/qvdb.h"
#include "tools/qvdb_table.h"
#include "xbase/error.h"

namespace qvdb {

namespace {

const Command kCommands[] = {
    {"eval", "EXPR [--table TABLE --recno N]", "prints the value of an expression", runEval},
    {"create", "TABLE STRUCTURE", "creates an empty table from a structure list", runCreate},
    {"info", "TABLE [INDEXFILE...]", "shows a table's header, fields and tags", runInfo},
    {"dump", "TABLE [--index FILE --tag NAME] [--deleted]", "writes the rows as CSV", runDump},
    {"import", "TABLE CSVFILE [--index FILE...]", "appends the rows of a CSV file", runImport},
    {"append", "TABLE FIELD=VALUE... [--index FILE...]", "appends one row", runAppend},
    {"delete", "TABLE RECNO [--index FILE...]", "marks a row deleted", runDelete},
    {"index", "TABLE INDEXFILE TAG KEY [--for COND] [--unique] [--descending]", "adds or replaces a tag", runIndex},
    {"keys", "INDEXFILE TAG [--table TABLE]", "lists a tag's entries in order", runKeys},
    {"seek", "TABLE INDEXFILE TAG KEY [--soft]", "prints the row a key is found on", runSeek},
    {"check", "TABLE [INDEXFILE...]", "checks table, memos and tags against the rows", runCheck},
    {"pack", "TABLE [INDEXFILE...]", "removes deleted rows and rebuilds the tags", runPack},
};

void printHelp(std::FILE* to) {
  std::fprintf(to, "usage: qvdb COMMAND [ARGS]\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(to, "  %-7s %s\n          %s\n", c.name, c.usage, c.summary);
}

}  // namespace

int usageError(const Command& cmd, const std::string& why) {
  std::fprintf(stderr, "qvdb %s: %s\nusage: qvdb %s %s\n", cmd.name, why.c_str(), cmd.name, cmd.usage);
  return kExitUsage;
}

}  // namespace qvdb

int main(int argc, char** argv) {
  using namespace qvdb;
  if (argc < 2) {
    printHelp(stderr);
    return kExitUsage;
  }
  if (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "help")) {
    printHelp(stdout);
    return kExitOk;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    try {
      return c.run(Args(argv + 2, argv + argc));
    } catch (const ToolError& e) {
      std::fprintf(stderr, "qvdb %s: %s\n", c.name, e.what());
      return kExitRuntime;
    } catch (const xb::RuntimeError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return kExitRuntime;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "qvdb %s: %s\n", c.name, e.what());
      return kExitRuntime;
    }
  }
  std::fprintf(stderr, "qvdb: unknown command '%s'\n", argv[1]);
  printHelp(stderr);
  return kExitUsage;
}
