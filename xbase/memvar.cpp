#include "xbase/memvar.h"

#include <cassert>
#include <map>
#include <unordered_map>
#include <vector>

#include "xbase/codepage.h"

namespace xb {

namespace {

// Hashes std::string and std::string_view alike, so lookups need no copy.
struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct Store {
  std::unordered_map<std::string, Value, NameHash, std::equal_to<>> publics;
  // One map per open private scope, innermost last. std::map nodes keep
  // their addresses, so a found Value* stays valid while its entry lives.
  std::vector<std::unique_ptr<std::map<std::string, Value, std::less<>>>> scopes;
  uint64_t generation = 1;
};

Store& store() {
  static Store s;
  return s;
}

}  // namespace

std::string normalName(std::string_view name) {
  size_t b = 0, e = name.size();
  while (b < e && name[b] == ' ') ++b;
  while (e > b && name[e - 1] == ' ') --e;
  return upper1252(name.substr(b, e - b));
}

void PUBLICA(std::string_view name, Value value) {
  auto& s = store();
  auto [it, added] = s.publics.try_emplace(normalName(name));
  it->second = std::move(value);
  if (added) ++s.generation;
}

bool releasePublic(std::string_view name) {
  auto& s = store();
  bool gone = s.publics.erase(normalName(name)) > 0;
  if (gone) ++s.generation;
  return gone;
}

bool isPublic(std::string_view name) { return store().publics.count(normalName(name)) > 0; }

Value* findNamed(std::string_view name) { return findNormalName(normalName(name)); }

Value* findNormalName(std::string_view key) {
  auto& s = store();
  for (auto it = s.scopes.rbegin(); it != s.scopes.rend(); ++it) {
    auto f = (*it)->find(key);
    if (f != (*it)->end()) return &f->second;
  }
  if (s.publics.empty()) return nullptr;
  auto f = s.publics.find(key);
  return f == s.publics.end() ? nullptr : &f->second;
}

bool isNamed(std::string_view name) { return findNamed(name) != nullptr; }

bool assignNamed(std::string_view name, Value value) {
  Value* v = findNamed(name);
  if (!v) return false;
  *v = std::move(value);
  return true;
}

void assignOrCreate(std::string_view name, Value value) {
  if (Value* v = findNamed(name)) {
    *v = std::move(value);
    return;
  }
  auto& s = store();
  if (s.scopes.empty()) {
    PUBLICA(name, std::move(value));
  } else {
    s.scopes.back()->insert_or_assign(normalName(name), std::move(value));
    ++s.generation;
  }
}

std::string recordBufferName(std::string_view fieldName) { return "M" + normalName(fieldName); }

PrivateScope::PrivateScope() : level_(store().scopes.size()) {
  store().scopes.push_back(std::make_unique<std::map<std::string, Value, std::less<>>>());
  ++store().generation;
}

PrivateScope::~PrivateScope() {
  auto& s = store();
  assert(s.scopes.size() == level_ + 1);
  s.scopes.resize(level_);
  ++s.generation;
}

void PrivateScope::declare(std::string_view name, Value value) {
  auto& s = store();
  s.scopes[level_]->insert_or_assign(normalName(name), std::move(value));
  ++s.generation;
}

uint64_t namesGeneration() { return store().generation; }

void releaseAllPublics() {
  store().publics.clear();
  ++store().generation;
}

}  // namespace xb
