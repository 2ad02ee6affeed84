// Tables and memos checked against an independent reader and writer: the
// Python dbf module (Debian python3-dbf), run as a subprocess. Skipped when
// no Python with that module is installed.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <cstdio>
#include <memory>
#include <string>

#include "data/engine/table.h"
#include "tests/engine/table_test_util.h"

namespace xb::engine {
namespace {

// A Python interpreter that can import dbf, or empty.
std::string pythonWithDbf() {
  for (const char* py : {"/usr/bin/python3", "python3"}) {
    std::string cmd = std::string(py) + " -c 'import dbf' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == 0) return py;
  }
  return {};
}

// Runs `script` with `python`; answers its standard output, or nothing
// with a failure when it exits with an error.
std::string runPython(const std::string& python, const std::string& scriptPath, const std::string& script) {
  writeBytes(scriptPath, script);
  std::string cmd = python + " " + scriptPath + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> p(::popen(cmd.c_str(), "r"), ::pclose);
  if (!p) {
    ADD_FAILURE() << "cannot run " << cmd;
    return {};
  }
  std::string out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p.get())) > 0) out.append(buf.data(), n);
  int rc = ::pclose(p.release());
  EXPECT_EQ(rc, 0) << out;
  return out;
}

class DbfInterop : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    python_ = pythonWithDbf();
    if (python_.empty()) GTEST_SKIP() << "python3-dbf is not installed";
  }
  std::string python_;
};

TEST_F(DbfInterop, PythonReadsOurTablesAndMemosFieldForField) {
  ASSERT_TRUE(Table::create(path("Ours.dbf"), {{"CODIGO", 'C', 12, 0},
                                               {"PRECIO", 'N', 9, 2},
                                               {"CANT", 'N', 5, 0},
                                               {"PESO", 'F', 10, 3},
                                               {"ALTA", 'D', 8, 0},
                                               {"ACTIVO", 'L', 1, 0},
                                               {"NOTAS", 'M', 10, 0}}));
  {
    auto t = Table::open(path("Ours.dbf"), OpenMode::Shared);
    ASSERT_TRUE(t);
    struct Row {
      std::string code;
      double price;
      int qty;
      double weight;
      int32_t jd;
      bool on;
      std::string memo;
      bool del;
    };
    const Row rows[] = {
        {"A1", 12.5, 3, 0.125, 2458909, true, "first memo", false},  // 2020-02-29
        {"B\xF1o", -0.75, -12, 1234.5, 0, false, std::string(700, 'z'), false},
        {"gone", 0, 0, 0, 2451545, true, "", true},
        {"", 99999.99, 99999, -1.001, 2440588, false, "line 1\r\nline 2", false},  // 1970-01-01
    };
    for (const auto& r : rows) {
      ASSERT_TRUE(t->appendBlank());
      t->put(0, Value(r.code));
      t->put(1, Value(r.price, 2));
      t->put(2, Value(r.qty));
      t->put(3, Value(r.weight, 3));
      t->put(4, Value(Date{r.jd}));
      t->put(5, Value(r.on));
      t->put(6, Value(r.memo));
      t->setDeleted(r.del);
      t->unlockAll();
    }
  }
  std::string out = runPython(python_, path("read.py"), R"PY(
import dbf, sys
t = dbf.Table(sys.argv[0].replace('read.py', 'Ours.dbf'))
t.open(dbf.READ_ONLY)
print(t.codepage.name if hasattr(t.codepage, 'name') else t.codepage)
print(len(t))
for r in t:
    memo = r.notas
    print(repr(r.codigo.rstrip()), r.precio, r.cant, r.peso, r.alta, r.activo,
          len(memo), repr(memo[:12]), dbf.is_deleted(r))
t.close()
)PY");
  EXPECT_NE(out.find("4\n"), std::string::npos) << out;
  EXPECT_NE(out.find("'A1' 12.5 3 0.125 2020-02-29 True 10 'first memo' False"), std::string::npos) << out;
  EXPECT_NE(out.find("'Bño' -0.75 -12 1234.5 None False 700 'zzzzzzzzzzzz' False"), std::string::npos) << out;
  EXPECT_NE(out.find("'gone' 0.0 0 0.0 2000-01-01 True 0 '' True"), std::string::npos) << out;
  EXPECT_NE(out.find("'' 99999.99 99999 -1.001 1970-01-01 False 14 'line 1\\r\\nline' False"), std::string::npos)
      << out;
}

TEST_F(DbfInterop, TablesWrittenByPythonOpenAndReadHere) {
  runPython(python_, path("write.py"), R"PY(
import dbf, sys, datetime
t = dbf.Table(sys.argv[0].replace('write.py', 'Py.dbf'),
              'code C(10); price N(8,2); born D; ok L; notes M; qty N(5,0); f F(10,3)',
              dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('abc', 1.5, datetime.date(2020, 2, 29), True, 'hello memo', 42, 3.25))
t.append(('x\xf1', -2.25, None, False, 'y' * 300, None, None))
t.append(('del', 0, None, None, '', 0, 0))
dbf.delete(t[2])
for r in t:
    if r.code.rstrip() == 'abc':
        with r:
            r.notes = 'changed, and longer than before: ' + 'q' * 100
t.close()
)PY");
  auto t = Table::open(path("py.DBF"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->version(), 0xF5);
  ASSERT_EQ(t->recordCount(), 3);
  ASSERT_EQ(t->fieldCount(), 7);
  EXPECT_EQ(t->structure()[1].name, "PRICE");
  EXPECT_EQ(t->structure()[1].decimals, 2);
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(0), Value("abc       "));
  EXPECT_EQ(t->get(1).num(), 1.5);
  EXPECT_EQ(t->get(2), Value(Date{2458909}));
  EXPECT_EQ(t->get(3), Value(true));
  EXPECT_EQ(t->get(4), Value("changed, and longer than before: " + std::string(100, 'q')));
  EXPECT_EQ(t->get(5).num(), 42);
  EXPECT_EQ(t->get(6).num(), 3.25);
  ASSERT_TRUE(t->read(2));
  EXPECT_EQ(t->get(0), Value("x\xF1        "));
  EXPECT_EQ(t->get(1).num(), -2.25);
  EXPECT_EQ(t->get(2), Value(Date{0}));
  EXPECT_EQ(t->get(3), Value(false));
  EXPECT_EQ(t->get(4), Value(std::string(300, 'y')));
  ASSERT_TRUE(t->read(3));
  EXPECT_TRUE(t->deleted());
  EXPECT_EQ(t->get(4), Value(""));
  EXPECT_TRUE(t->check().empty());

  // And we can go on writing it, after which Python still reads it.
  ASSERT_TRUE(t->read(2));
  ASSERT_TRUE(t->lockRow(2));
  t->put(4, Value("rewritten here"));
  t->unlockAll();
  ASSERT_TRUE(t->appendBlank());
  t->put(0, Value("ours"));
  t->put(4, Value("appended here"));
  t->unlockAll();
  EXPECT_TRUE(t->check().empty());
  t.reset();
  std::string out = runPython(python_, path("reread.py"), R"PY(
import dbf, sys
t = dbf.Table(sys.argv[0].replace('reread.py', 'Py.dbf'))
t.open(dbf.READ_ONLY)
for r in t:
    print(repr(r.code.rstrip()), repr(r.notes))
t.close()
)PY");
  EXPECT_NE(out.find("'xñ' 'rewritten here'"), std::string::npos) << out;
  EXPECT_NE(out.find("'ours' 'appended here'"), std::string::npos) << out;
}

TEST_F(DbfInterop, LaterFoxProTablesOpenReadOnly) {
  runPython(python_, path("vfp.py"), R"PY(
import dbf, sys, datetime
t = dbf.Table(sys.argv[0].replace('vfp.py', 'Vfp.dbf'),
              'name C(8); n N(6,1); d D; l L; m M; i I; b B',
              dbf_type='vfp', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('one', 2.5, datetime.date(1999, 12, 31), True, 'visual memo', -7, 0.5))
t.append(('two', None, None, False, '', 123456, -1.25))
t.close()
)PY");
  auto t = Table::open(path("Vfp.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->version(), 0x30);
  EXPECT_TRUE(t->readOnly());
  ASSERT_EQ(t->recordCount(), 2);
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(0), Value("one     "));
  EXPECT_EQ(t->get(1).num(), 2.5);
  EXPECT_EQ(t->get(2), Value(Date{2451544}));
  EXPECT_EQ(t->get(3), Value(true));
  EXPECT_EQ(t->get(4), Value("visual memo"));
  EXPECT_EQ(t->get(5).num(), -7);
  EXPECT_EQ(t->get(6).num(), 0.5);
  ASSERT_TRUE(t->read(2));
  EXPECT_EQ(t->get(4), Value(""));
  EXPECT_EQ(t->get(5).num(), 123456);
  EXPECT_TRUE(t->check().empty());
  ErrorRecorder rec;
  t->put(0, Value("x"));
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenReadonly);
}

// Pack keeps the data of every field that points into the memo file:
// memos, general and picture fields alike, with their kinds.
TEST_F(DbfInterop, PackKeepsGeneralAndPictureFieldsThatPythonReadsBack) {
  runPython(python_, path("gp.py"), R"PY(
import dbf, sys
t = dbf.Table(sys.argv[0].replace('gp.py', 'Gp.dbf'), 'name C(8); notes M; pic P; obj G',
              dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('gone', 'old memo', b'\x89PNG old', b'old object'))
t.append(('kept', 'kept memo ' * 20, b'\x89PNG' + bytes(range(256)) * 2, b'OLE object bytes'))
t.append(('also', '', b'', b'second object'))
dbf.delete(t[0])
t.close()
)PY");
  const uint64_t before = std::filesystem::file_size(path("Gp.fpt"));
  {
    auto t = Table::open(path("Gp.dbf"), OpenMode::Exclusive);
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->pack());
    EXPECT_EQ(t->recordCount(), 2);
    EXPECT_TRUE(t->check().empty());
  }
  EXPECT_LT(std::filesystem::file_size(path("Gp.fpt")), before);
  std::string out = runPython(python_, path("gpread.py"), R"PY(
import dbf, sys
t = dbf.Table(sys.argv[0].replace('gpread.py', 'Gp.dbf'))
t.open(dbf.READ_ONLY)
for r in t:
    print(r.name.rstrip(), len(r.notes), r.notes[:9], len(r.pic), bytes(r.pic[:4]), bytes(r.obj))
t.close()
)PY");
  EXPECT_NE(out.find("kept 200 kept memo 516 b'\\x89PNG' b'OLE object bytes'"), std::string::npos) << out;
  EXPECT_NE(out.find("also 0  0 b'' b'second object'"), std::string::npos) << out;
}

}  // namespace
}  // namespace xb::engine
