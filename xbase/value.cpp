#include "xbase/value.h"

#include <cmath>

#include "xbase/error.h"

namespace xb {

Value Value::number(double d) {
  int dec = 0;
  if (std::isfinite(d)) {
    double scaled = d;
    while (dec < 10 && std::fabs(scaled - std::round(scaled)) > 1e-9 * std::max(1.0, std::fabs(scaled))) {
      scaled *= 10;
      ++dec;
    }
  }
  return Value(d, dec);
}

Value Object::send(std::string_view message, std::span<const Value> args) {
  Error e;
  e.genCode = kGenNoMethod;
  e.subsystem = className();
  e.subCode = 1004;
  e.description = "M\xC3\xA9todo no exportado";
  e.operation = std::string(message);
  e.args.assign(args.begin(), args.end());
  e.canDefault = true;
  ErrorAnswer a = raise(e);
  return a.kind == ErrorAnswer::Substitute ? a.value : Value();
}

Value Value::array(Array items) { return Value(std::make_shared<Array>(std::move(items))); }

char Value::typeLetter() const {
  static constexpr char letters[] = {'U', 'L', 'N', 'C', 'D', 'A', 'O', 'B'};
  return letters[v_.index()];
}

bool operator==(const Value& a, const Value& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case Type::Nil: return true;
    case Type::Logical: return a.logical() == b.logical();
    case Type::Number: return a.num() == b.num();
    case Type::Text: return a.text() == b.text();
    case Type::Date: return a.date() == b.date();
    case Type::Array: return a.arr() == b.arr();
    case Type::Object: return a.obj() == b.obj();
    case Type::Block: return a.block() == b.block();
  }
  return false;
}

}  // namespace xb
