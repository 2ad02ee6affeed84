// Named values: application-wide values (PUBLICA) and private scopes.
//
// Names are case-insensitive (kept upper-cased, Windows-1252 rules) and
// significant in full. A lookup searches the private scopes from the
// innermost outwards, then the application-wide values; a private value
// hides an application-wide one of the same name while its scope lives.
// The store belongs to the one thread of the program.
#pragma once

#include <string>
#include <string_view>

#include "xbase/value.h"

namespace xb {

// The stored form of a name: blanks trimmed, upper-cased.
std::string normalName(std::string_view name);

// Declares an application-wide value under `name` (an existing one of that
// name is reused) and assigns `value` to it.
void PUBLICA(std::string_view name, Value value = {});
// Releases an application-wide value; false when there was none.
bool releasePublic(std::string_view name);
bool isPublic(std::string_view name);

// The value a name resolves to (private scopes first), or nullptr. The
// pointer stays valid until a value of that scope is declared or released.
Value* findNamed(std::string_view name);
bool isNamed(std::string_view name);
// findNamed for a name already in its stored form (see normalName).
Value* findNormalName(std::string_view normal);
// Assigns to the value the name resolves to; false when there is none.
bool assignNamed(std::string_view name, Value value);
// Assigns, creating the value when there is none: a private one in the
// innermost scope when a scope is open, else an application-wide one.
void assignOrCreate(std::string_view name, Value value);

// The application-wide value a record buffer keeps for a field ("M" + name).
std::string recordBufferName(std::string_view fieldName);

// A private scope: values declared in it live until it is destroyed.
// Scopes nest; they must be destroyed in reverse order of creation.
class PrivateScope {
 public:
  PrivateScope();
  ~PrivateScope();
  PrivateScope(const PrivateScope&) = delete;
  PrivateScope& operator=(const PrivateScope&) = delete;

  // Declares (or re-declares) a private value of this scope.
  void declare(std::string_view name, Value value = {});

 private:
  size_t level_;
};

// Counts changes to the set of names (declare, release, scope open/close),
// so that caches of lookups can tell when they are stale.
uint64_t namesGeneration();

// Releases every application-wide value (tests).
void releaseAllPublics();

}  // namespace xb
