// Inside the expression evaluator: the compiled node tree, the evaluation
// context and the function library. Not for use outside xbase.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/error.h"
#include "xbase/expr.h"

namespace xb {

struct EvalCtx {
  RowSource* row;          // the current area; nullptr when none
  std::string_view text;   // the expression, for error descriptions
  size_t kept = 0;         // text bytes put in arrays and assigned so far
};

// Counts a value that the evaluation keeps (an array element, an assigned
// value) against kMaxTextKept; past it, string overflow through the hook
// and false.
bool keep(EvalCtx& c, const Value& v);

class Node {
 public:
  virtual ~Node() = default;
  virtual Value eval(EvalCtx& c) const = 0;
  int depth = 1;  // height of the subtree
};
using NodePtr = std::unique_ptr<Node>;

// Hands an evaluation error to the hook: BASE/subCode, a description that
// names the expression, the operation (Windows-1252) and the arguments.
// Returns the handler's substitute, NIL for the default; with canRetry,
// *retry tells whether the handler asked to try again.
Value exprError(const EvalCtx& c, int genCode, int subCode, std::string_view what, std::string_view operation,
                std::vector<Value> args = {}, bool canRetry = false, bool* retry = nullptr);

// Argument error of a function or operator (generic code 1).
Value argError(const EvalCtx& c, int subCode, std::string_view operation, const Value* args, int n);

// A text result longer than kMaxTextValue: string overflow through the hook.
Value textTooLong(const EvalCtx& c, std::string_view operation);

inline constexpr int kMaxArgs = 4;

struct FuncDef {
  const char* name;
  int minArgs, maxArgs;
  int subCode;
  Value (*fn)(EvalCtx& c, const FuncDef& f, Value* args, int n);
};

// The function named (upper-case name), or nullptr. IIF and IF are not in
// the table: the compiler turns them into a conditional.
const FuncDef* findFunction(std::string_view upperName);

}  // namespace xb
