// qvdb's table commands as a user runs them: one scenario of steps, each a
// command line with its expected exit code and output.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "subprocess.h"

namespace {

using tools_test::RunProgram;
using tools_test::Scratch;

struct Step {
  std::vector<std::string> args;  // "@" + name: a file in the scratch folder
  int code;
  const char* out;  // nullptr: not compared
  const char* errPart = nullptr;
};

class QvdbTable : public ::testing::Test {
 protected:
  Scratch dir;
  tools_test::RunResult run(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {std::string(QV_BINARY_DIR) + "/bin/qvdb"};
    for (const std::string& a : args) argv.push_back(a.size() > 1 && a[0] == '@' ? dir.file(a.substr(1)) : a);
    return RunProgram(argv);
  }
  void play(const std::vector<Step>& steps) {
    for (const Step& s : steps) {
      tools_test::RunResult r = run(s.args);
      std::string line;
      for (const auto& a : s.args) line += a + " ";
      EXPECT_EQ(r.exitCode, s.code) << line << "\n" << r.err;
      if (s.out) {
        EXPECT_EQ(r.out, s.out) << line;
      }
      if (s.errPart) {
        EXPECT_NE(r.err.find(s.errPart), std::string::npos) << line << "\n" << r.err;
      }
    }
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name), std::ios::binary) << text;
  }
};

TEST_F(QvdbTable, CreateImportIndexDumpSeekDeleteCheckPack) {
  write("in.csv",
        "\xEF\xBB\xBF"
        "CODIGO,PRECIO,FECHA,OK,NOTA\r\n"
        "Año,1.5,20240131,T,\"two\nlines, \"\"quoted\"\"\"\r\n"
        "BETA,2,,F,\r\n"
        "ALFA,-3.25,2023-05-01,T,x\r\n");
  play({
      {{"create", "@t.dbf", R"({{"CODIGO","C",10,0},{"PRECIO","N",10,2},{"FECHA","D",8,0},{"OK","L",1,0},{"NOTA","M",10,0}})"}, 0, ""},
      {{"index", "@t.dbf", "@t.cdx", "CODE", "UPPER(CODIGO)", "--for", "!DELETED()"}, 0, ""},
      {{"index", "@t.dbf", "@t.cdx", "PRECIO", "PRECIO", "--descending"}, 0, ""},
      {{"index", "@t.dbf", "@t.cdx", "FECHA", "FECHA"}, 0, ""},
      {{"import", "@t.dbf", "@in.csv", "--index", "@t.cdx"}, 0, "3\n"},
      {{"append", "@t.dbf", "CODIGO=gamma", "PRECIO=7", "FECHA=01-02-2024", "--index", "@t.cdx"}, 0, "4\n"},
      {{"keys", "@t.cdx", "CODE"}, 0, "3\tALFA\n1\tAÑO\n2\tBETA\n4\tGAMMA\n"},
      {{"keys", "@t.cdx", "PRECIO", "--table", "@t.dbf"}, 0, "4\t7\n2\t2\n1\t1.5\n3\t-3.25\n"},
      {{"keys", "@t.cdx", "FECHA", "--table", "@t.dbf"}, 0, "2\t\n3\t20230501\n1\t20240131\n4\t20240201\n"},
      {{"seek", "@t.dbf", "@t.cdx", "CODE", "BE"}, 0, "2\n"},
      {{"seek", "@t.dbf", "@t.cdx", "CODE", "C"}, 1, ""},
      {{"seek", "@t.dbf", "@t.cdx", "CODE", "C", "--soft"}, 1, "4\n"},
      {{"seek", "@t.dbf", "@t.cdx", "PRECIO", "2"}, 0, "2\n"},
      {{"seek", "@t.dbf", "@t.cdx", "FECHA", "20230501"}, 0, "3\n"},
      {{"delete", "@t.dbf", "2", "--index", "@t.cdx"}, 0, ""},
      {{"delete", "@t.dbf", "9", "--index", "@t.cdx"}, 1, ""},
      {{"seek", "@t.dbf", "@t.cdx", "CODE", "BE"}, 1, ""},
      {{"dump", "@t.dbf", "--index", "@t.cdx", "--tag", "CODE"},
       0,
       "CODIGO,PRECIO,FECHA,OK,NOTA\n"
       "ALFA,-3.25,20230501,T,x\n"
       "Año,1.50,20240131,T,\"two\nlines, \"\"quoted\"\"\"\n"
       "gamma,7.00,20240201,F,\n"},
      {{"dump", "@t.dbf", "--deleted"},
       0,
       "CODIGO,PRECIO,FECHA,OK,NOTA,_DELETED\n"
       "Año,1.50,20240131,T,\"two\nlines, \"\"quoted\"\"\",F\n"
       "BETA,2.00,,F,,T\n"
       "ALFA,-3.25,20230501,T,x,F\n"
       "gamma,7.00,20240201,F,,F\n"},
      {{"check", "@t.dbf", "@t.cdx"}, 0, "ok\n"},
      {{"eval", "TRIM(CODIGO) + STR(PRECIO, 6, 2)", "--table", "@t.dbf", "--recno", "3"}, 0, "ALFA -3.25\n"},
      {{"pack", "@t.dbf", "@t.cdx"}, 0, "3\n"},
      {{"keys", "@t.cdx", "PRECIO", "--table", "@t.dbf"}, 0, "3\t7\n1\t1.5\n2\t-3.25\n"},
      {{"check", "@t.dbf", "@t.cdx"}, 0, "ok\n"},
  });
  tools_test::RunResult info = run({"info", "@t.dbf", "@t.cdx"});
  EXPECT_EQ(info.exitCode, 0);
  for (const char* part : {"version: 0xF5", "code page: 0x03", "records: 3", "NOTA       M  10  0", "tag PRECIO",
                           "key: UPPER(CODIGO) (C 10)", "for: !DELETED()", "descending: yes", "keys: 3"})
    EXPECT_NE(info.out.find(part), std::string::npos) << part << "\n" << info.out;
}

TEST_F(QvdbTable, CheckReportsATagThatNoLongerMatchesItsRows) {
  play({
      {{"create", "@t.dbf", R"({{"CODIGO","C",4,0}})"}, 0, ""},
      {{"append", "@t.dbf", "CODIGO=A"}, 0, "1\n"},
      {{"index", "@t.dbf", "@t.cdx", "CODE", "CODIGO"}, 0, ""},
      {{"append", "@t.dbf", "CODIGO=B"}, 0, "2\n"},  // index not named: left behind
      {{"check", "@t.dbf", "@t.cdx"}, 1, nullptr},
  });
  tools_test::RunResult r = run({"check", "@t.dbf", "@t.cdx"});
  EXPECT_NE(r.out.find("tag CODE: missing entry for record 2"), std::string::npos) << r.out;
}

TEST_F(QvdbTable, UsageAndRunTimeErrorsExit2NamingTheFile) {
  write("bad.csv", "CODIGO,NOSUCH\nA,1\n");
  write("num.csv", "N\nabc\n");
  play({
      {{"create", "@t.dbf", R"({{"CODIGO","C",4,0},{"N","N",3,0}})"}, 0, ""},
      {{"create", "@u.dbf", "{1, 2}"}, 2, "", "structure"},
      {{"dump"}, 2, "", "usage"},
      {{"dump", "@t.dbf", "--tag", "X"}, 2, "", "--index and --tag"},
      {{"dump", "@nosuch.dbf"}, 2, "", "nosuch.dbf"},
      {{"import", "@t.dbf", "@bad.csv"}, 2, "", "NOSUCH"},
      {{"import", "@t.dbf", "@num.csv"}, 2, "", "line 2"},
      {{"append", "@t.dbf", "N=1234"}, 2, "", "t.dbf"},
      {{"append", "@t.dbf", "CODIGO"}, 2, "", "FIELD=VALUE"},
      {{"delete", "@t.dbf", "x"}, 2, "", "record number"},
      {{"seek", "@t.dbf", "@nosuch.cdx", "T", "K"}, 2, "", "nosuch.cdx"},
      {{"index", "@t.dbf", "@t.cdx", "CODE", "CODIGO +"}, 2, "", "CODIGO +"},
      {{"keys", "@t.cdx", "CODE"}, 2, "", "t.cdx"},
      {{"dump", "@t.dbf"}, 0, "CODIGO,N\n"},
  });
}

// A key whose texts vary in length is padded to its widest value, so that
// seeks and the check see whole keys; a FOR condition must be logical.
TEST_F(QvdbTable, VariableLengthKeysArePaddedAndTheForConditionIsLogical) {
  write("in.csv", "CODIGO\nc0\nc1\nc22\n");
  play({
      {{"create", "@t.dbf", R"({{"CODIGO","C",10,0}})"}, 0, ""},
      {{"import", "@t.dbf", "@in.csv"}, 0, "3\n"},
      {{"index", "@t.dbf", "@t.cdx", "TR", "TRIM(CODIGO)"}, 0, ""},
      {{"seek", "@t.dbf", "@t.cdx", "TR", "c1"}, 0, "2\n"},
      {{"seek", "@t.dbf", "@t.cdx", "TR", "c22"}, 0, "3\n"},
      {{"check", "@t.dbf", "@t.cdx"}, 0, "ok\n"},
      {{"index", "@t.dbf", "@t.cdx", "X", "CODIGO", "--for", "'x'"}, 2, "", "FOR"},
      {{"create", "@e.dbf", R"({{"CODIGO","C",10,0}})"}, 0, ""},
      {{"index", "@e.dbf", "@e.cdx", "TR", "TRIM(CODIGO)"}, 2, "", "TRIM(CODIGO)"},
  });
  tools_test::RunResult r = run({"info", "@t.dbf", "@t.cdx"});
  EXPECT_NE(r.out.find("TR"), std::string::npos) << r.out;
}

}  // namespace
