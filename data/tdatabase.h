// `TDATABASE`: a record buffer object bound to an open table. It loads the
// current record into one value per field, lets the caller get and set them
// by name or by position, and saves them back to the record they came from
// under a record lock. A refused lock shows "Record in use" titled "Please,
// retry" and saves nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/value.h"

namespace xb::engine {
class WorkArea;
}

namespace qv {

class TDATABASE {
 public:
  // Binds to the open table of `alias` (found again on every use, so the
  // object outlives a closing and reopening of the table).
  explicit TDATABASE(std::string alias);

  // The bound area; nullptr when the alias is not open.
  xb::engine::WorkArea* area() const;
  const std::string& alias() const { return alias_; }

  // Loads the area's current record (blank values on the phantom row past
  // the last). False when the alias is not open.
  bool Load();
  // Appends a blank record (locked), loads it and releases the lock.
  bool Append();
  // Writes every value into the record loaded last, under its lock, and
  // releases the lock; the area is left on that record.
  bool Save();

  // Values by 1-based position or by field name (case-insensitive); nil
  // for a position or name the table does not have.
  xb::Value FieldGet(int position) const;
  xb::Value FieldGet(std::string_view name) const;
  void FieldPut(int position, const xb::Value& v);
  void FieldPut(std::string_view name, const xb::Value& v);
  // Every value in field order.
  const std::vector<xb::Value>& values() const { return values_; }
  int64_t RecNo() const { return recno_; }

 private:
  int positionOf(std::string_view name) const;

  std::string alias_;
  std::vector<std::string> names_;  // upper-case field names of the last load
  std::vector<xb::Value> values_;
  int64_t recno_ = 0;
};

inline constexpr const char* kRecordInUse = "Record in use";
inline constexpr const char* kPleaseRetry = "Please, retry";

}  // namespace qv
