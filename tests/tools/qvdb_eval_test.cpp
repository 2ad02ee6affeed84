// qvdb eval as a user runs it: the real binary, its output and exit code.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Outcome {
  std::string out;
  int code = -1;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs qvdb with the arguments; `errors` captures stderr instead of stdout.
Outcome qvdb(const std::vector<std::string>& args, bool errors = false) {
  std::string cmd = std::string(QV_BINARY_DIR) + "/bin/qvdb";
  for (const auto& a : args) cmd += " " + quoted(a);
  cmd += errors ? " 2>&1 >/dev/null" : " 2>/dev/null";
  Outcome r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(QvdbEval, PrintsValues) {
  struct Case {
    const char* expr;
    const char* out;
  } cases[] = {
      {"2 + 3", "5\n"},
      {"5 / 2", "2.5\n"},
      {"-1 / 8", "-0.125\n"},
      {"UPPER('abc') + 'd'", "ABCd\n"},
      {"1 = 1", ".T.\n"},
      {"1 > 2", ".F.\n"},
      {"CTOD('01-01-49')", "01-01-2049\n"},
      {"STOD('19500101')", "01-01-1950\n"},
      {"NIL", "NIL\n"},
      {"{1, 'a', {.T.}, {}}", "{1, \"a\", {.T.}, {}}\n"},
      {"''", "\n"},
      // UTF-8 in, Windows-1252 inside, UTF-8 out.
      {"UPPER('año café')", "AÑO CAFÉ\n"},
      {"LEN('ñ')", "1\n"},
      {"'€' + CHR(241)", "€ñ\n"},
  };
  for (const auto& c : cases) {
    Outcome r = qvdb({"eval", c.expr});
    EXPECT_EQ(r.code, 0) << c.expr;
    EXPECT_EQ(r.out, c.out) << c.expr;
  }
}

TEST(QvdbEval, RunTimeErrorsExit2WithTheMessage) {
  struct Case {
    const char* expr;
    const char* part;
  } cases[] = {
      {"1 +", "BASE/1449"},
      {"NOSUCHNAME", "BASE/1003"},
      {"NOSUCHFUNC()", "BASE/1001"},
      {"1 / 0", "BASE/1340"},
      {"1 + 'a'", "BASE/1081"},
  };
  for (const auto& c : cases) {
    Outcome r = qvdb({"eval", c.expr}, true);
    EXPECT_EQ(r.code, 2) << c.expr;
    EXPECT_NE(r.out.find(c.part), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(c.expr), std::string::npos) << r.out;
  }
  EXPECT_EQ(qvdb({"eval", "1 / 0"}).out, "");
}

TEST(Qvdb, Usage) {
  EXPECT_EQ(qvdb({}).code, 2);
  EXPECT_EQ(qvdb({"nosuch"}).code, 2);
  EXPECT_EQ(qvdb({"eval"}).code, 2);
  EXPECT_EQ(qvdb({"eval", "1", "2"}).code, 2);
  Outcome help = qvdb({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("eval"), std::string::npos);
}

}  // namespace
