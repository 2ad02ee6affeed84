#include "xbase/memory_row.h"

#include <gtest/gtest.h>

#include "xbase/error.h"

namespace xb {
namespace {

TEST(MemoryRow, FieldsByNameWithoutRegardToCase) {
  MemoryRow row("Sample", {{"Codigo", Value("A1")}, {"precio", Value(2.5, 1)}});
  EXPECT_EQ(row.alias(), "Sample");
  EXPECT_EQ(row.fieldCount(), 2);
  EXPECT_EQ(row.fieldIndex("CODIGO"), 0);
  EXPECT_EQ(row.fieldIndex("Precio"), 1);
  EXPECT_EQ(row.fieldIndex("OTRO"), -1);
  EXPECT_EQ(row.fieldGet(1).num(), 2.5);
  EXPECT_EQ(row.field("codigo").text(), "A1");
}

TEST(MemoryRow, FieldsKeepTheirTypes) {
  MemoryRow row("Sample", {{"CODIGO", Value("A1")}, {"LIBRE", Value()}});
  row.fieldPut(0, Value("B2"));
  EXPECT_EQ(row.field("CODIGO").text(), "B2");
  try {
    row.fieldPut(0, Value(5));
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().genCode, kGenDataType);
    EXPECT_EQ(e.error().operation, "CODIGO");
  }
  EXPECT_EQ(row.field("CODIGO").text(), "B2");
  row.fieldPut(1, Value(5));
  EXPECT_EQ(row.field("LIBRE").num(), 5);
}

TEST(MemoryRow, NewFieldsGiveANewStructureId) {
  MemoryRow a("A", {{"X", Value(1)}});
  MemoryRow b("B", {{"X", Value(1)}});
  EXPECT_NE(a.structureId(), b.structureId());
  uint64_t before = a.structureId();
  a.setFields({{"Y", Value(2)}});
  EXPECT_NE(a.structureId(), before);
  EXPECT_EQ(a.fieldIndex("Y"), 0);
}

}  // namespace
}  // namespace xb
