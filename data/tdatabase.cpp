#include "data/tdatabase.h"

#include <algorithm>

#include "data/engine/workspace.h"
#include "xbase/codepage.h"
#include "xbase/prompt.h"

namespace qv {

TDATABASE::TDATABASE(std::string alias) : alias_(std::move(alias)) {}

xb::engine::WorkArea* TDATABASE::area() const { return xb::engine::workAreas().find(alias_); }

bool TDATABASE::Load() {
  xb::engine::WorkArea* a = area();
  if (!a) return false;
  const int n = a->fieldCount();
  names_.clear();
  values_.clear();
  for (int i = 0; i < n; ++i) {
    names_.push_back(xb::upper1252(a->structure()[size_t(i)].name));
    values_.push_back(a->fieldGet(i));
  }
  recno_ = a->recno();
  return true;
}

bool TDATABASE::Append() {
  xb::engine::WorkArea* a = area();
  if (!a || !a->appendBlank()) return false;
  const bool loaded = Load();
  a->unlock();
  return loaded;
}

bool TDATABASE::Save() {
  xb::engine::WorkArea* a = area();
  if (!a || recno_ < 1) return false;
  if (a->recno() != recno_) a->goTo(recno_);
  if (!a->lockRow()) {
    xb::prompter().message(xb::MsgKind::Warning, kPleaseRetry, kRecordInUse);
    return false;
  }
  const int n = std::min(a->fieldCount(), int(values_.size()));
  for (int i = 0; i < n; ++i) a->fieldPut(i, values_[size_t(i)]);
  a->unlock();
  return true;
}

int TDATABASE::positionOf(std::string_view name) const {
  const std::string upper = xb::upper1252(name);
  for (size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == upper) return int(i) + 1;
  return 0;
}

xb::Value TDATABASE::FieldGet(int position) const {
  if (position < 1 || position > int(values_.size())) return {};
  return values_[size_t(position - 1)];
}

xb::Value TDATABASE::FieldGet(std::string_view name) const { return FieldGet(positionOf(name)); }

void TDATABASE::FieldPut(int position, const xb::Value& v) {
  if (position >= 1 && position <= int(values_.size())) values_[size_t(position - 1)] = v;
}

void TDATABASE::FieldPut(std::string_view name, const xb::Value& v) { FieldPut(positionOf(name), v); }

}  // namespace qv
