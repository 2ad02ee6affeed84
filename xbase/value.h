// The dynamic value of the run time: what expressions compute, what fields
// hold, what named values store.
//
// A Value is one of: nil, logical, number, text, date, array, object, block.
// Texts are byte strings: table texts are Windows-1252, the program's own
// texts UTF-8 (see codepage.h for the conversions at the edges). Numbers keep
// the count of decimals they were written or computed with, for display.
// Arrays are shared and mutable: copying a Value that holds an array copies
// the reference, as the language does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace xb {

class Value;
using Array = std::vector<Value>;
using ArrayPtr = std::shared_ptr<Array>;

// Base of every object a Value can hold (type letter "O").
class Object {
 public:
  virtual ~Object() = default;
  virtual std::string className() const = 0;
  // A message sent to the object: "obj:NAME" or "obj:NAME(args)" sends
  // NAME, the assignment "obj:NAME := v" sends "_NAME" with v (names
  // upper-cased). The default knows no message: the run-time error "no
  // exported method" (1004) goes to the error hook and the answer is NIL.
  virtual Value send(std::string_view message, std::span<const Value> args);
};
using ObjectPtr = std::shared_ptr<Object>;

// A callable block (type letter "B").
using BlockFn = std::function<Value(std::span<const Value>)>;
struct Block {
  BlockFn fn;
};
using BlockPtr = std::shared_ptr<Block>;

// Julian day number; 0 is the empty date.
struct Date {
  int32_t jd = 0;
  bool empty() const { return jd == 0; }
  friend bool operator==(Date, Date) = default;
  friend auto operator<=>(Date, Date) = default;
};

struct Number {
  double v = 0;
  int dec = 0;  // decimals to show
};

enum class Type : uint8_t { Nil, Logical, Number, Text, Date, Array, Object, Block };

class Value {
 public:
  Value() = default;
  Value(bool b) : v_(b) {}
  Value(int n) : v_(Number{double(n), 0}) {}
  Value(int64_t n) : v_(Number{double(n), 0}) {}
  Value(double d, int dec) : v_(Number{d, dec}) {}
  static Value number(double d);  // decimals inferred from the value
  Value(Number n) : v_(n) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(Date d) : v_(d) {}
  Value(ArrayPtr a) : v_(std::move(a)) {}
  Value(ObjectPtr o) : v_(std::move(o)) {}
  Value(BlockPtr b) : v_(std::move(b)) {}
  static Value array(Array items = {});

  Type type() const { return Type(v_.index()); }
  // The run time's type letter: U L N C D A O B.
  char typeLetter() const;

  bool isNil() const { return type() == Type::Nil; }
  bool isLogical() const { return type() == Type::Logical; }
  bool isNumber() const { return type() == Type::Number; }
  bool isText() const { return type() == Type::Text; }
  bool isDate() const { return type() == Type::Date; }
  bool isArray() const { return type() == Type::Array; }
  bool isObject() const { return type() == Type::Object; }
  bool isBlock() const { return type() == Type::Block; }

  // Accessors; calling one on the wrong type is a programming error and
  // throws std::bad_variant_access.
  bool logical() const { return std::get<bool>(v_); }
  double num() const { return std::get<Number>(v_).v; }
  int decimals() const { return std::get<Number>(v_).dec; }
  const std::string& text() const { return std::get<std::string>(v_); }
  std::string& text() { return std::get<std::string>(v_); }
  Date date() const { return std::get<Date>(v_); }
  const ArrayPtr& arr() const { return std::get<ArrayPtr>(v_); }
  const ObjectPtr& obj() const { return std::get<ObjectPtr>(v_); }
  const BlockPtr& block() const { return std::get<BlockPtr>(v_); }

  // Identity for arrays/objects/blocks, value equality for the rest (texts
  // compared exactly). Used by tests and containers, not by the language's
  // "=" operator, which lives in the evaluator.
  friend bool operator==(const Value& a, const Value& b);

 private:
  std::variant<std::monostate, bool, Number, std::string, Date, ArrayPtr, ObjectPtr, BlockPtr> v_;
};

}  // namespace xb
