// A row held in memory: named fields with values, for evaluating
// expressions without a table (tools, tests, previews with sample data).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "xbase/expr.h"

namespace xb {

class MemoryRow : public RowSource {
 public:
  using Fields = std::vector<std::pair<std::string, Value>>;

  // Field names are matched without regard to case.
  MemoryRow(std::string alias, Fields fields);

  std::string alias() const override { return alias_; }
  int fieldIndex(std::string_view name) const override;
  int fieldCount() const override { return int(fields_.size()); }
  Value fieldGet(int index) override;
  // Fields keep their types, as in a table: a value of another type is a
  // data type error (generic 33) through the hook and the field stays as
  // it was. A field holding NIL takes any value.
  void fieldPut(int index, const Value& v) override;
  bool deleted() override { return isDeleted; }
  int64_t recno() override { return rec; }
  int64_t reccount() override { return count; }
  bool eof() override { return atEof; }
  bool bof() override { return atBof; }
  uint64_t structureId() const override { return structureId_; }

  // Replaces the field list, as opening another table in the area would.
  void setFields(Fields fields);
  // The value of a field (which must exist).
  const Value& field(std::string_view name) const;

  bool isDeleted = false;
  int64_t rec = 1, count = 1;
  bool atEof = false, atBof = false;

 private:
  std::string alias_;
  Fields fields_;
  uint64_t structureId_;
};

}  // namespace xb
