// `qvlabel import` killed at random moments: a file that replaces every
// stored code and adds as many new ones. Whatever the moment, qvdb's check
// finds table and tag in agreement, every stored code is still there once,
// with its old or its new description, and the new codes are there all or
// not at all.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "tests/tools/subprocess.h"

namespace {

namespace fs = std::filesystem;
using tools_test::RunProgram;
using tools_test::RunResult;
using tools_test::Scratch;
using tools_test::kBin;

std::string ean13(long long twelve) {
  std::string d = std::to_string(twelve);
  int sum = 0;
  for (size_t i = 0; i < 12; ++i) sum += (d[i] - '0') * (i % 2 ? 3 : 1);
  return d + char('0' + (10 - sum % 10) % 10);
}

// Runs the program until it ends or until `after` has passed, then kills it.
void runKilledAfter(const std::vector<std::string>& argv, std::chrono::microseconds after) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  std::this_thread::sleep_for(after);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
}

TEST(CodesImport, KilledAnywhereLosesNoCodeAndAddsTheNewOnesAllOrNone) {
  constexpr int kCodes = 3000;
  Scratch dir;
  const fs::path first = dir.path() / "antes";
  fs::create_directories(first);
  for (const auto& e : fs::directory_iterator(fs::path(QV_BINARY_DIR) / "shipped"))
    fs::copy_file(e.path(), first / e.path().filename());
  std::vector<std::string> stored, added;
  for (int i = 0; i < kCodes; ++i) stored.push_back(ean13(840000000000LL + 7919LL * i));
  for (int i = 0; i < kCodes; ++i) added.push_back(ean13(850000000000LL + 7919LL * i));
  {
    std::ofstream a(dir.file("a.csv")), b(dir.file("b.csv"));
    a << "codigo;descripcion\n";
    b << "codigo;descripcion\n";
    for (const std::string& c : stored) a << c << ";ANTES " << c << "\n";
    for (size_t i = 0; i < stored.size(); ++i)
      b << stored[i] << ";DESPUES " << stored[i] << "\n" << added[i] << ";NUEVO " << added[i] << "\n";
  }
  ASSERT_EQ(RunProgram({kBin + "qvlabel", "import", first.string(), dir.file("a.csv")}).exitCode, 0);

  const fs::path data = dir.path() / "datos";
  const auto fresh = [&] {
    fs::remove_all(data);
    fs::copy(first, data);
  };
  const std::vector<std::string> import = {kBin + "qvlabel", "import", data.string(), dir.file("b.csv")};
  fresh();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProgram(import).exitCode, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

  std::mt19937 random(20261208);
  std::uniform_int_distribution<long long> moment(0, whole.count() * 6 / 5);
  for (int run = 0; run < 16; ++run) {
    fresh();
    runKilledAfter(import, std::chrono::microseconds(moment(random)));
    const RunResult check = RunProgram({kBin + "qvdb", "check", (data / "CodPro.dbf").string(), (data / "CODIPROX.CDX").string()});
    EXPECT_EQ(check.out, "ok\n") << "run " << run << ": " << check.out << check.err;
    // CODIGO,DGCNT,COD_COMPL,NUMETI,NOMETI,TIPOBAR, deleted rows left out
    std::map<std::string, std::string> rows;
    int doubled = 0;
    std::istringstream dump(RunProgram({kBin + "qvdb", "dump", (data / "CodPro.dbf").string()}).out);
    std::string line;
    std::getline(dump, line);
    while (std::getline(dump, line)) {
      std::vector<std::string> f;
      std::istringstream cells(line);
      for (std::string cell; std::getline(cells, cell, ',');) f.push_back(cell);
      ASSERT_EQ(f.size(), 6u) << line;
      doubled += !rows.emplace(f[2], f[4]).second;
    }
    EXPECT_EQ(doubled, 0) << "run " << run;
    for (const std::string& c : stored) {
      const auto at = rows.find(c);
      ASSERT_NE(at, rows.end()) << "run " << run << ": " << c << " lost";
      EXPECT_TRUE(at->second == "ANTES " + c || at->second == "DESPUES " + c) << at->second;
    }
    int present = 0;
    for (const std::string& c : added) present += rows.count(c);
    EXPECT_TRUE(present == 0 || present == kCodes) << "run " << run << ": " << present << " new codes";
  }
}

}  // namespace
