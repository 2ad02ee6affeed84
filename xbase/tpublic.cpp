#include "xbase/tpublic.h"

#include "xbase/error.h"
#include "xbase/memvar.h"

namespace xb {

namespace {

bool missing(const Value& name) { return !name.isText(); }

Value deepCopy(const Value& v, int depth = 0) {
  if (!v.isArray() || depth > 64) return v;
  Array out;
  out.reserve(v.arr()->size());
  for (const Value& e : *v.arr()) out.push_back(deepCopy(e, depth + 1));
  return Value::array(std::move(out));
}

Value undeclared(const TPublic& self, int code, const char* what, const std::string& member) {
  Error e;
  e.genCode = code;
  e.subsystem = self.className();
  e.subCode = code;
  e.description = what;
  e.operation = member;
  e.canDefault = true;
  ErrorAnswer a = raise(e);
  return a.kind == ErrorAnswer::Substitute ? a.value : Value();
}

}  // namespace

TPublic::TPublic(bool automatic) : lAutomatic(automatic) {}

std::shared_ptr<TPublic> TPublic::New(bool automatic) { return std::make_shared<TPublic>(automatic); }

void TPublic::forget() {
  nPos = 0;
  cName.clear();
}

int TPublic::search(const std::string& normal) const {
  for (size_t i = 0; i < aVars.size(); ++i)
    if (aVars[i].name == normal) return int(i) + 1;
  return 0;
}

int TPublic::cached(const std::string& normal) const {
  if (nPos >= 1 && nPos <= int(aVars.size()) && aVars[size_t(nPos) - 1].name == normal) return nPos;
  return 0;
}

TPublic& TPublic::End() { return Release(); }

TPublic& TPublic::Add(const Value& name, const Value& value) {
  if (missing(name)) return *this;
  std::string normal = normalName(name.text());
  int pos = search(normal);
  if (pos == 0) {
    aVars.push_back({normal, value});
    pos = int(aVars.size());
  } else {
    aVars[size_t(pos) - 1].value = value;
  }
  nPos = pos;
  cName = name.text();
  return *this;
}

TPublic& TPublic::Del(const Value& name) {
  if (missing(name)) return *this;
  int pos = GetPos(name);
  if (pos != 0) aVars.erase(aVars.begin() + (pos - 1));
  forget();
  return *this;
}

Value TPublic::Get(const Value& name) {
  if (missing(name)) return Value();
  int pos = name.text() == cName ? cached(normalName(name.text())) : 0;
  if (pos == 0) pos = GetPos(name);
  return pos == 0 ? Value() : aVars[size_t(pos) - 1].value;
}

TPublic& TPublic::Set(const Value& name, const Value& value) {
  if (missing(name)) return *this;
  int pos = name.text() == cName ? cached(normalName(name.text())) : 0;
  if (pos == 0) pos = GetPos(name);
  if (pos != 0) aVars[size_t(pos) - 1].value = value;
  return *this;
}

int TPublic::GetPos(const Value& name) {
  if (missing(name)) return 0;
  nPos = search(normalName(name.text()));
  cName = name.text();
  return nPos;
}

TPublic& TPublic::Release() {
  aVars.clear();
  forget();
  return *this;
}

bool TPublic::IsDef(const Value& name) {
  if (missing(name)) return false;
  int pos = search(normalName(name.text()));
  if (pos == 0) {
    forget();
    return false;
  }
  nPos = pos;
  cName = name.text();
  return true;
}

Value TPublic::Clone() const {
  Array list;
  list.reserve(aVars.size());
  for (const Entry& e : aVars) list.push_back(Value::array({Value(e.name), deepCopy(e.value)}));
  return Value::array(std::move(list));
}

TPublic& TPublic::Restore(const Value& saved) {
  std::vector<Entry> entries;
  if (saved.isArray())
    for (const Value& pair : *saved.arr())
      if (pair.isArray() && pair.arr()->size() >= 2 && (*pair.arr())[0].isText())
        entries.push_back({(*pair.arr())[0].text(), deepCopy((*pair.arr())[1])});
  aVars = std::move(entries);
  return *this;
}

Value TPublic::member(std::string_view name) {
  std::string normal = normalName(name);
  int pos = normal == normalName(cName) ? cached(normal) : 0;
  if (pos == 0) pos = search(normal);
  if (pos == 0) {
    forget();
    return undeclared(*this, kGenNoMethod, "M\xC3\xA9todo no exportado", normal);
  }
  nPos = pos;
  cName = normal;
  return aVars[size_t(pos) - 1].value;
}

void TPublic::setMember(std::string_view name, const Value& value) {
  std::string normal = normalName(name);
  int pos = normal == normalName(cName) ? cached(normal) : 0;
  if (pos == 0) pos = search(normal);
  if (pos == 0) {
    if (!lAutomatic) {
      undeclared(*this, kGenNoExportVar, "Variable no exportada", normal);
      forget();
      return;
    }
    Add(Value(normal));
    pos = nPos;
  }
  nPos = pos;
  cName = normal;
  aVars[size_t(pos) - 1].value = value;
}

Value TPublic::send(std::string_view message, std::span<const Value> args) {
  std::string msg = normalName(message);
  auto arg = [&](size_t i) { return i < args.size() ? args[i] : Value(); };
  auto self = [&] { return Value(ObjectPtr(weak_from_this().lock())); };
  if (msg == "NEW") {
    Value a = arg(0);
    aVars.clear();
    forget();
    lAutomatic = a.isLogical() ? a.logical() : true;
    return self();
  }
  if (msg == "END" || msg == "RELEASE") return Release(), self();
  if (msg == "ADD") return Add(arg(0), arg(1)), self();
  if (msg == "DEL") return Del(arg(0)), self();
  if (msg == "GET") return Get(arg(0));
  if (msg == "SET") return Set(arg(0), arg(1)), self();
  if (msg == "GETPOS") return Value(GetPos(arg(0)));
  if (msg == "ISDEF") return Value(IsDef(arg(0)));
  if (msg == "CLONE" || msg == "SAVE") return Clone();
  if (msg == "NCOUNT") return Value(nCount());
  if (msg == "RESTORE") return Restore(arg(0)), self();
  if (msg == "LAUTOMATIC") return Value(lAutomatic);
  if (msg == "AVARS") {
    Array list;
    for (const Entry& e : aVars) list.push_back(Value::array({Value(e.name), e.value}));
    return Value::array(std::move(list));
  }
  if (msg == "NPOS") return Value(nPos);
  if (msg == "CNAME") return Value(cName);
  if (msg == "_LAUTOMATIC") {
    if (arg(0).isLogical()) lAutomatic = arg(0).logical();
    return arg(0);
  }
  if (!msg.empty() && msg[0] == '_') {
    setMember(std::string_view(msg).substr(1), arg(0));
    return Value();
  }
  return member(msg);
}

}  // namespace xb
