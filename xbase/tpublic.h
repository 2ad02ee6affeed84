// TPublic: a store object holding named values that code reads and writes
// as if they were members of the object ("oApEjec:nLinEjec").
//
// Entries keep their insertion order; names are stored trimmed and
// upper-cased and compared that way. The store remembers the entry last
// looked up (nPos, cName) so that repeated Get/Set of one name skip the
// search. An argument that is not a text is a missing name.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/value.h"

namespace xb {

class TPublic : public Object, public std::enable_shared_from_this<TPublic> {
 public:
  struct Entry {
    std::string name;  // trimmed, upper-cased
    Value value;
  };

  // New: an empty store; `automatic` (default true) lets an assignment to
  // an undeclared member create the entry.
  explicit TPublic(bool automatic = true);
  static std::shared_ptr<TPublic> New(bool automatic = true);

  std::string className() const override { return "TPUBLIC"; }

  // Members, in the order the class declares them.
  bool lAutomatic = true;
  std::vector<Entry> aVars;
  int nPos = 0;           // 1-based position of the entry last looked up; 0: none
  std::string cName;      // the name last looked up, as the caller wrote it

  TPublic& End();  // same as Release
  // Sets an existing entry or appends {name, value}; it becomes the last lookup.
  TPublic& Add(const Value& name, const Value& value = {});
  // Removes the entry when present and forgets the last lookup.
  TPublic& Del(const Value& name);
  // The entry's value; NIL for a name not in the store.
  Value Get(const Value& name);
  // Stores the value in the entry; nothing for a name not in the store.
  TPublic& Set(const Value& name, const Value& value);
  // Position of the entry (1-based), 0 when absent; becomes the last lookup.
  int GetPos(const Value& name);
  // Removes every entry and forgets the last lookup.
  TPublic& Release();
  // Whether the entry exists; a hit becomes the last lookup, a miss forgets it.
  bool IsDef(const Value& name);
  // Copies of the entry list as an array of {name, value} pairs (nested
  // arrays copied too).
  Value Clone() const;
  int nCount() const { return int(aVars.size()); }
  Value Save() const { return Clone(); }
  // The entry list becomes a copy of a list taken by Save or Clone.
  TPublic& Restore(const Value& saved);

  // Undeclared members: reading gives the entry's value (a miss raises "no
  // exported method", 1004); assigning stores it (a miss creates the entry
  // when lAutomatic, else raises "no exported variable", 1005).
  Value member(std::string_view name);
  void setMember(std::string_view name, const Value& value);

  // Every declared operation and data member by name, and the undeclared
  // members ("_NAME" assigns).
  Value send(std::string_view message, std::span<const Value> args) override;

 private:
  int search(const std::string& normal) const;
  // The cached position when it still names `normal`, else 0.
  int cached(const std::string& normal) const;
  void forget();
};

}  // namespace xb
