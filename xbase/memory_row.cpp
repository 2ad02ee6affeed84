#include "xbase/memory_row.h"

#include <stdexcept>

#include "xbase/codepage.h"
#include "xbase/error.h"
#include "xbase/memvar.h"

namespace xb {

namespace {
// Structure ids unique across every memory row of the run.
uint64_t nextStructureId() {
  static uint64_t next = uint64_t(1) << 62;
  return ++next;
}
}  // namespace

MemoryRow::MemoryRow(std::string alias, Fields fields)
    : alias_(std::move(alias)), fields_(std::move(fields)), structureId_(nextStructureId()) {
  for (auto& f : fields_) f.first = normalName(f.first);
}

int MemoryRow::fieldIndex(std::string_view name) const {
  std::string key = normalName(name);
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].first == key) return int(i);
  return -1;
}

Value MemoryRow::fieldGet(int index) { return fields_.at(size_t(index)).second; }

void MemoryRow::fieldPut(int index, const Value& v) {
  Value& f = fields_.at(size_t(index)).second;
  if (!f.isNil() && f.type() != v.type()) {
    Error e;
    e.genCode = kGenDataType;
    e.subsystem = "BASE";
    e.subCode = 1020;
    e.description = "Tipo de dato incorrecto";
    e.operation = fields_[size_t(index)].first;
    e.args = {v};
    e.canDefault = true;
    raise(e);
    return;
  }
  f = v;
}

void MemoryRow::setFields(Fields fields) {
  fields_ = std::move(fields);
  for (auto& f : fields_) f.first = normalName(f.first);
  structureId_ = nextStructureId();
}

const Value& MemoryRow::field(std::string_view name) const {
  int i = fieldIndex(name);
  if (i < 0) throw std::out_of_range("no field " + std::string(name));
  return fields_[size_t(i)].second;
}

}  // namespace xb
