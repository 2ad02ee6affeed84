// Damaged tables and memo files give run-time errors naming the file and
// the fault, never a crash; what a killed writer leaves behind opens and
// checks clean.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "data/engine/table.h"
#include "tests/engine/table_test_util.h"

namespace xb::engine {
namespace {

namespace fs = std::filesystem;

// CODIGO C10 at 1, PRECIO N8.2 at 11, ALTA D at 19, NOTAS M at 27; rows of
// 37 bytes after a 161-byte header.
const Structure kShape = {{"CODIGO", 'C', 10, 0}, {"PRECIO", 'N', 8, 2}, {"ALTA", 'D', 8, 0}, {"NOTAS", 'M', 10, 0}};
constexpr size_t kHeader = 32 + 4 * 32 + 1;
constexpr size_t kRow = 37;
constexpr size_t kMemoAt = 27;

void put32le(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}
void put32be(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (24 - 8 * i)) & 0xFF);
}
size_t rowAt(int n) { return kHeader + size_t(n - 1) * kRow; }

class DbfDamage : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ASSERT_TRUE(Table::create(path("good.dbf"), kShape));
    auto t = Table::open(path("good.dbf"), OpenMode::Exclusive);
    for (int i = 1; i <= 3; ++i) {
      ASSERT_TRUE(t->appendBlank());
      t->put(0, Value("R" + std::to_string(i)));
      t->put(1, Value(i * 1.25, 2));
      t->put(3, Value(std::string(size_t(50 * i), char('a' + i))));
    }
    t.reset();
    dbf_ = readBytes(path("good.dbf"));
    fpt_ = readBytes(path("good.fpt"));
    ASSERT_EQ(dbf_.size(), kHeader + 3 * kRow + 1);
  }

  // Writes bad.dbf / bad.fpt from the good bytes changed by `damage`.
  void make(const std::function<void(std::string& dbf, std::string& fpt)>& damage) {
    std::string d = dbf_, f = fpt_;
    damage(d, f);
    writeBytes(path("bad.dbf"), d);
    writeBytes(path("bad.fpt"), f);
  }

  std::string dbf_, fpt_;
};

struct OpenCase {
  const char* what;
  std::function<void(std::string&, std::string&)> damage;
  const char* fault;  // part of the description
};

TEST_F(DbfDamage, DamagedHeadersAreCorruptionErrorsOnOpen) {
  const OpenCase cases[] = {
      {"empty", [](std::string& d, std::string&) { d.clear(); }, "más corto que"},
      {"20 bytes", [](std::string& d, std::string&) { d.resize(20); }, "más corto que"},
      {"version", [](std::string& d, std::string&) { d[0] = 0x02; }, "versión de tabla desconocida 2"},
      {"small header", [](std::string& d, std::string&) { d[8] = 40, d[9] = 0; }, "la cabecera dice medir 40 bytes, demasiado poco"},
      {"huge header", [](std::string& d, std::string&) { d[8] = char(0x60), d[9] = char(0xEA); }, "más que el archivo"},
      {"record length", [](std::string& d, std::string&) { d[10] = 1, d[11] = 0; }, "la longitud de fila 1"},
      {"width 0", [](std::string& d, std::string&) { d[32 + 16] = 0; }, "anchura 0"},
      {"field past record", [](std::string& d, std::string&) { d[32 + 32 + 16] = char(200); },
       "pasa de la longitud de fila"},
      {"no terminator", [](std::string& d, std::string&) { d[kHeader - 1] = 'X'; }, "pasan del final de la cabecera"},
      {"no name", [](std::string& d, std::string&) { std::fill_n(d.begin() + 32, 11, '\0'); }, "no tiene nombre"},
      {"twice", [](std::string& d, std::string&) { d.replace(64, 6, "CODIGO"); }, "aparece dos veces"},
      {"date width", [](std::string& d, std::string&) { d[96 + 16] = 9; }, "anchura 9 para el tipo D"},
      {"memo width", [](std::string& d, std::string&) { d[128 + 16] = 6, d[10] = char(d[10] - 4); },
       "anchura 6 para el tipo M"},
      {"integer width",
       [](std::string& d, std::string&) { d[128 + 11] = 'I', d[128 + 16] = 7, d[10] = char(d[10] - 3); },
       "anchura 7 para el tipo I"},
      {"count", [](std::string& d, std::string&) { put32le(d, 4, 0xFFFFFFFF); }, "cuenta 4294967295 filas"},
      {"truncated", [](std::string& d, std::string&) { d.resize(rowAt(3) + 10); }, "cuenta 3 filas"},
      {"short memo", [](std::string&, std::string& f) { f.resize(100); }, "más corto que"},
      {"memo block size", [](std::string&, std::string& f) { f[6] = f[7] = 0; }, "tamaño de bloque de los memos es 0"},
  };
  for (const auto& c : cases) {
    make(c.damage);
    ErrorRecorder rec;
    EXPECT_FALSE(Table::open(path("bad.dbf"), OpenMode::Shared)) << c.what;
    ASSERT_EQ(rec.errors.size(), 1u) << c.what;
    const Error& e = rec.errors[0];
    EXPECT_EQ(e.genCode, kGenCorruption) << c.what;
    EXPECT_EQ(e.subsystem, "DBFCDX");
    EXPECT_NE(e.description.find("bad."), std::string::npos) << e.description;
    EXPECT_NE(e.description.find(c.fault), std::string::npos) << c.what << ": " << e.description;
  }
}

TEST_F(DbfDamage, MissingMemoFileIsAnOpenError) {
  make([](std::string&, std::string&) {});
  fs::remove(path("bad.fpt"));
  ErrorRecorder rec;
  EXPECT_FALSE(Table::open(path("bad.dbf"), OpenMode::Shared));
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenOpen);
  EXPECT_EQ(rec.errors[0].osCode, 2);
}

struct MemoCase {
  const char* what;
  std::function<void(std::string&, std::string&)> damage;
  const char* fault;  // in the error of get() and in the checker's report
};

TEST_F(DbfDamage, DamagedMemoPointersAndLengthsAreErrorsWhenRead) {
  const MemoCase cases[] = {
      {"pointer beyond end", [](std::string& d, std::string&) { d.replace(rowAt(2) + kMemoAt, 10, "     99999"); },
       "más allá del final del archivo de memos"},
      {"pointer into header", [](std::string& d, std::string&) { d.replace(rowAt(2) + kMemoAt, 10, "         2"); },
       "señala la cabecera de los memos"},
      {"absurd length", [](std::string&, std::string& f) { put32be(f, 9 * 64 + 4, 0xFFFFFFF0); },
       "dice tener 4294967280 bytes"},
      {"pointer text", [](std::string& d, std::string&) { d.replace(rowAt(2) + kMemoAt, 10, "    12a   "); },
       "puntero de memo"},
  };
  for (const auto& c : cases) {
    make(c.damage);
    auto t = Table::open(path("bad.dbf"), OpenMode::Shared);
    ASSERT_TRUE(t) << c.what;
    ASSERT_TRUE(t->read(2));
    ErrorRecorder rec;
    EXPECT_EQ(t->get(3), Value("")) << c.what;
    ASSERT_EQ(rec.errors.size(), 1u) << c.what;
    EXPECT_EQ(rec.errors[0].genCode, kGenCorruption);
    EXPECT_NE(rec.errors[0].description.find(c.fault), std::string::npos) << rec.errors[0].description;
    EXPECT_NE(rec.errors[0].description.find("bad."), std::string::npos) << rec.errors[0].description;
    auto faults = t->check();
    ASSERT_EQ(faults.size(), 1u) << c.what;
    EXPECT_NE(faults[0].find("row 2"), std::string::npos) << faults[0];
    // The other rows still read.
    ASSERT_TRUE(t->read(3));
    EXPECT_EQ(t->get(3), Value(std::string(150, 'd')));
  }
}

TEST_F(DbfDamage, CheckerReportsBadRowsAndSharedMemoBlocks) {
  make([](std::string& d, std::string&) {
    d[rowAt(1)] = 'X';                             // deletion flag
    d.replace(rowAt(1) + 11, 8, "  12,50 ");       // number
    d.replace(rowAt(1) + 19, 8, "20231332");       // date
    d.replace(rowAt(3) + kMemoAt, 10, "         9");  // row 3 shares row 2's memo
  });
  auto t = Table::open(path("bad.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  auto faults = t->check();
  ASSERT_EQ(faults.size(), 4u);
  EXPECT_NE(faults[0].find("deletion flag"), std::string::npos) << faults[0];
  EXPECT_NE(faults[1].find("PRECIO: not a number"), std::string::npos) << faults[1];
  EXPECT_NE(faults[2].find("ALTA: not a date"), std::string::npos) << faults[2];
  EXPECT_NE(faults[3].find("share memo block 9"), std::string::npos) << faults[3];
}

TEST_F(DbfDamage, ALowNextFreeNumberNeverLetsANewMemoOverwriteAnOldOne) {
  make([](std::string&, std::string& f) { put32be(f, 0, 8); });
  auto t = Table::open(path("bad.dbf"), OpenMode::Exclusive);
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->check().empty());
  ASSERT_TRUE(t->read(1));
  t->put(3, Value(std::string(500, 'n')));  // does not fit its old block
  t->flush();
  ASSERT_TRUE(t->read(2));
  EXPECT_EQ(t->get(3), Value(std::string(100, 'c')));
  ASSERT_TRUE(t->read(3));
  EXPECT_EQ(t->get(3), Value(std::string(150, 'd')));
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(3), Value(std::string(500, 'n')));
  EXPECT_EQ(t->check(), std::vector<std::string>());
}

TEST_F(DbfDamage, WhatAKilledWriterLeavesOpensAndChecksClean) {
  // A row written without its count, no 0x1A, and memo blocks written
  // without the next-free number that covers them.
  make([](std::string& d, std::string& f) {
    d.pop_back();
    d += std::string(" GHOST     ") + std::string(kRow - 11, ' ');
    f += std::string("\0\0\0\1\0\0\0\5ghost", 13);
  });
  auto t = Table::open(path("bad.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->recordCount(), 3);
  EXPECT_FALSE(t->read(4));
  EXPECT_EQ(t->check(), std::vector<std::string>());
  ASSERT_TRUE(t->appendBlank());
  EXPECT_EQ(t->recno(), 4);
  t->put(3, Value("new memo"));
  t->unlockAll();
  ASSERT_TRUE(t->read(4));
  EXPECT_EQ(t->get(0), Value(std::string(10, ' ')));
  EXPECT_EQ(t->get(3), Value("new memo"));
  EXPECT_EQ(t->check(), std::vector<std::string>());
  EXPECT_EQ(fs::file_size(path("bad.dbf")), kHeader + 4 * kRow + 1);
}

}  // namespace
}  // namespace xb::engine
