// A row source over a fixed list of named values, for expression tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "xbase/codepage.h"
#include "xbase/expr.h"

namespace xb::testing {

class FakeRow : public RowSource {
 public:
  FakeRow(std::string alias, std::vector<std::pair<std::string, Value>> fields)
      : alias_(std::move(alias)), fields_(std::move(fields)) {}

  std::string alias() const override { return alias_; }
  int fieldIndex(std::string_view name) const override {
    std::string up = upper1252(name);
    for (size_t i = 0; i < fields_.size(); ++i)
      if (fields_[i].first == up) return int(i);
    return -1;
  }
  int fieldCount() const override { return int(fields_.size()); }
  Value fieldGet(int i) override {
    ++gets;
    return fields_[size_t(i)].second;
  }
  void fieldPut(int i, const Value& v) override { fields_[size_t(i)].second = v; }
  bool deleted() override { return isDeleted; }
  int64_t recno() override { return rec; }
  int64_t reccount() override { return count; }
  bool eof() override { return atEof; }
  bool bof() override { return atBof; }
  uint64_t structureId() const override { return sid; }

  // Replaces the field list, as opening another table in the area would.
  void restructure(std::vector<std::pair<std::string, Value>> fields) {
    fields_ = std::move(fields);
    ++sid;
  }
  const Value& field(const std::string& name) const { return fields_[size_t(fieldIndex(name))].second; }

  bool isDeleted = false;
  int64_t rec = 1, count = 1;
  bool atEof = false, atBof = false;
  uint64_t sid = 1000;
  int gets = 0;

 private:
  std::string alias_;
  std::vector<std::pair<std::string, Value>> fields_;
};

class FakeWorkspace : public Workspace {
 public:
  std::vector<RowSource*> areas;
  RowSource* cur = nullptr;
  RowSource* current() override { return cur; }
  RowSource* byAlias(std::string_view alias) override {
    for (RowSource* r : areas)
      if (upper1252(r->alias()) == upper1252(alias)) return r;
    return nullptr;
  }
};

}  // namespace xb::testing
