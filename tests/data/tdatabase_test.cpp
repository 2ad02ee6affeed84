// The record buffer object: load, get and set by name or position, save
// under a lock, append; a refused lock says so and saves nothing.
#include "data/tdatabase.h"

#include "tests/data/data_fixture.h"

namespace qv::testing {
namespace {

using xb::Value;

const xb::engine::Structure kFormat = {{"NOMBRE", 'C', 25, 0}, {"ULTIMA", 'L', 1, 0}, {"FILAS", 'N', 3, 0}};

class TDatabaseTest : public DataTest {};

TEST_F(TDatabaseTest, LoadsChangesAndSavesTheRecordItCameFrom) {
  create("f.dbf", kFormat);
  auto& a = open("f.dbf", "F");
  addRow(a, {Value("UNO"), Value(false), Value(3)});
  addRow(a, {Value("DOS"), Value(true), Value(5)});
  a.goTo(1);
  TDATABASE buffer("F");
  ASSERT_TRUE(buffer.Load());
  EXPECT_EQ(buffer.RecNo(), 1);
  EXPECT_EQ(buffer.FieldGet("nombre"), Value("UNO" + std::string(22, ' ')));
  EXPECT_EQ(buffer.FieldGet(3).num(), 3);
  EXPECT_TRUE(buffer.FieldGet("NADA").isNil());
  EXPECT_TRUE(buffer.FieldGet(4).isNil());
  buffer.FieldPut("Filas", Value(9));
  buffer.FieldPut(2, Value(true));
  a.goTo(2);  // the area moved on: the save still goes to record 1
  ASSERT_TRUE(buffer.Save());
  EXPECT_EQ(a.recno(), 1);
  EXPECT_EQ(a.fieldGet("FILAS").num(), 9);
  EXPECT_EQ(a.fieldGet("ULTIMA"), Value(true));
  a.goTo(2);
  EXPECT_EQ(a.fieldGet("FILAS").num(), 5);

  ASSERT_TRUE(buffer.Append());
  EXPECT_EQ(buffer.RecNo(), 3);
  EXPECT_EQ(buffer.FieldGet("NOMBRE"), Value(std::string(25, ' ')));
  EXPECT_EQ(buffer.values().size(), 3u);
}

TEST_F(TDatabaseTest, ARefusedLockSaysRecordInUseAndSavesNothing) {
  create("f.dbf", kFormat);
  auto& a = open("f.dbf", "F");
  addRow(a, {Value("UNO"), Value(false), Value(3)});
  auto other = xb::engine::Table::open("f.dbf", xb::engine::OpenMode::Shared);
  ASSERT_TRUE(other && other->lockRow(1));
  a.goTo(1);
  TDATABASE buffer("F");
  ASSERT_TRUE(buffer.Load());
  buffer.FieldPut("FILAS", Value(8));
  EXPECT_FALSE(buffer.Save());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].text, "Record in use");
  EXPECT_EQ(prompts.asked[0].title, "Please, retry");
  other.reset();
  a.goTo(1);
  EXPECT_EQ(a.fieldGet("FILAS").num(), 3);
  EXPECT_FALSE(TDATABASE("NINGUNO").Load());
}

}  // namespace
}  // namespace qv::testing
