// The real program meeting an error it does not handle: a damaged product
// table at start-up. The error dialog is answered by its test hook
// (QV_ERROR_DIALOG_ANSWER); the log and the tables are read back with the
// engine afterwards.
#include <gtest/gtest.h>
#include <sstream>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data/engine/workspace.h"
#include "errors/error_log.h"
#include "xbase/error.h"

namespace {

namespace fs = std::filesystem;

const fs::path kProgram = fs::path(QV_BINARY_DIR) / "bin" / "quorvalent";
const fs::path kShipped = fs::path(QV_BINARY_DIR) / "shipped";

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kProgram) || !fs::exists(kShipped / "CodPro.dbf"))
      GTEST_SKIP() << "the program or its shipped data are not built";
    char tmpl[] = "/tmp/qv_errprog_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    for (const auto& f : fs::directory_iterator(kShipped)) fs::copy(f.path(), dir_ / f.path().filename());
    // A damaged product table: its header's version byte is not one of a table.
    std::fstream t(dir_ / "CodPro.dbf", std::ios::in | std::ios::out | std::ios::binary);
    t.put('g');
  }
  void TearDown() override {
    xb::engine::workAreas().closeAll();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }

  // Starts the program in the data folder answering the dialog with
  // `answer`; returns the pid.
  pid_t start(const char* answer, const fs::path& errFile) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(dir_.c_str()) != 0) ::_exit(99);
      std::FILE* err = std::freopen(errFile.c_str(), "w", stderr);
      (void)err;
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      ::setenv("QV_ERROR_DIALOG_ANSWER", answer, 1);
      ::execl(kProgram.c_str(), kProgram.c_str(), static_cast<char*>(nullptr));
      ::_exit(98);
    }
    return pid;
  }
  static int wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::vector<qv::LogRow> logRows() {
    const fs::path previous = fs::current_path();
    fs::current_path(dir_);
    std::vector<qv::LogRow> rows;
    if (qv::ABREERROR()) rows = qv::readOpenLog();
    qv::closeErrorLog();
    fs::current_path(previous);
    return rows;
  }
  static std::string readAll(const fs::path& p) {
    std::ifstream in(p);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
};

TEST_F(ProgramRun, DamagedTableIsLoggedShownAndSalirEndsWithCodeOne) {
  const fs::path err = dir_ / "stderr.txt";
  EXPECT_EQ(wait(start("Salir", err)), 1);
  EXPECT_NE(readAll(err).find("QV_ERROR_DIALOG:    Nombre del error: "), std::string::npos);
  const std::vector<qv::LogRow> rows = logRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(rows[0].error.find("CodPro.dbf"), std::string::npos);
  EXPECT_NE(rows[0].texto.find("   Nombre del error: "), std::string::npos);
  EXPECT_NE(rows[0].texto.find("   Llamado por qv::ABREBASES("), std::string::npos);
  EXPECT_NE(rows[0].texto.find("   Llamado por main("), std::string::npos);
  // Every call names a routine with its source line: no raw addresses, no
  // frames of the C run time.
  const std::regex call(R"(   Llamado por [^ \[+][^+]*\(\d+\)\r?)");
  std::istringstream report(rows[0].texto);
  int calls = 0;
  for (std::string line; std::getline(report, line);) {
    if (line.rfind("   Llamado por ", 0) != 0) continue;
    ++calls;
    EXPECT_TRUE(std::regex_match(line, call)) << line;
    EXPECT_EQ(line.find("_start"), std::string::npos) << line;
  }
  EXPECT_GT(calls, 3);
  EXPECT_NE(rows[0].texto.find("Ficheros en uso"), std::string::npos);
  EXPECT_NE(readAll(dir_ / "trace.log").find("[error_sys.cpp->ERRORDIALOG]"), std::string::npos);

  // Every table the program had open was closed: each opens exclusively and
  // is consistent.
  xb::engine::WorkAreas& set = xb::engine::workAreas();
  for (const char* name : {"Labels.dbf", "CodPro.eti"}) {
    set.select(0);
    ASSERT_TRUE(set.use((dir_ / name).string(), {}, xb::engine::OpenMode::Exclusive)) << name;
    EXPECT_TRUE(set.area().check().empty()) << name;
    set.close();
  }
}

TEST_F(ProgramRun, DuringStartUpEveryAnswerEndsWithCodeOne) {
  // "Reintentar" before the main window's event loop runs cannot go back to
  // start-up: it ends the program like "Salir" and the close box.
  int n = 0;
  for (const char* answer : {"Reintentar", "Cerrar", "Salir"}) {
    EXPECT_EQ(wait(start(answer, dir_ / "err.txt")), 1) << answer;
    EXPECT_EQ(logRows().size(), static_cast<size_t>(++n));
  }
}

TEST_F(ProgramRun, TwoProgramsLoggingAtOnceLoseNoRow) {
  const pid_t a = start("Salir", dir_ / "a.txt");
  const pid_t b = start("Cerrar", dir_ / "b.txt");
  EXPECT_EQ(wait(a), 1);
  EXPECT_EQ(wait(b), 1);
  EXPECT_EQ(logRows().size(), 2u);
}

}  // namespace
