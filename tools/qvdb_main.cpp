// qvdb: the data tool. Finds the subcommand in the table below and runs it;
// a run-time error that reaches here is printed and exits 2.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/qvdb.h"
#include "xbase/error.h"

namespace qvdb {

namespace {

const Command kCommands[] = {
    {"eval", "EXPR", "prints the value of an expression", runEval},
};

void printHelp(std::FILE* to) {
  std::fprintf(to, "usage: qvdb COMMAND [ARGS]\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(to, "  %-8s %-24s %s\n", c.name, c.usage, c.summary);
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
