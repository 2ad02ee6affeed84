#include "xbase/routines.h"

#include <string>
#include <utility>
#include <vector>

#include "xbase/codepage.h"
#include "xbase/error.h"
#include "xbase/expr.h"
#include "xbase/memvar.h"

namespace xb {

namespace {

std::vector<std::pair<std::string, Value>>& registry() {
  static std::vector<std::pair<std::string, Value>> r;
  return r;
}

Value* registered(const std::string& name) {
  for (auto& [n, v] : registry())
    if (n == name) return &v;
  return nullptr;
}

bool blank(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

Value argumentError(const char* operation, std::vector<Value> args, const char* what) {
  Error e;
  e.genCode = kGenArgument;
  e.subsystem = "BASE";
  e.subCode = 1084;
  e.description = what;
  e.operation = operation;
  e.args = std::move(args);
  e.canDefault = true;
  ErrorAnswer a = raise(e);
  return a.kind == ErrorAnswer::Substitute ? a.value : Value();
}

}  // namespace

Value ESTATICA(std::string_view name) {
  std::string key = upper1252(name);
  if (Value* v = registered(key)) return *v;
  registry().emplace_back().first = std::move(key);
  return {};
}

Value ESTATICA(std::string_view name, const Value& value) {
  std::string key = upper1252(name);
  if (Value* v = registered(key)) return std::exchange(*v, value);
  registry().emplace_back(std::move(key), value);
  return Value();
}

Value EVALUA(std::string_view text) {
  if (blank(text)) return Value(true);
  return evaluate(text);
}

void CICLO(std::string_view body, std::string_view condition) {
  PrivateScope scope;
  scope.declare("Z");
  Expr cond = Expr::compile(condition);
  Expr step = Expr::compile(body);
  for (;;) {
    Value ok = cond.eval();
    if (!ok.isLogical()) {
      argumentError("CICLO", {Value(std::string(condition)), ok}, "La condici\xC3\xB3n no es l\xC3\xB3gica");
      return;
    }
    if (!ok.logical()) return;
    assignNamed("Z", step.eval());
  }
}

Value DIV_ZERO(const Value& dividend, const Value& divisor) {
  if (divisor.isNumber() && divisor.num() == 0) return Value(0);
  if (!dividend.isNumber() || !divisor.isNumber())
    return argumentError("DIV_ZERO", {dividend, divisor}, "Error de argumento");
  double q = dividend.num() / divisor.num();
  return Value::number(q);
}

}  // namespace xb
