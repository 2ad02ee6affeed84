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
  // Whether the node can stand left of ":=".
  virtual bool assignable() const { return false; }
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

enum class Op { Plus, Minus, Mul, Div, Mod, Pow, Eq, ExactEq, Ne, Lt, Le, Gt, Ge, In };

struct FuncDef {
  const char* name;
  int minArgs, maxArgs;
  int subCode;
  Value (*fn)(EvalCtx& c, const FuncDef& f, Value* args, int n);
};

// The function named (upper-case name), or nullptr. IIF and IF are not in
// the table: the compiler turns them into a conditional.
const FuncDef* findFunction(std::string_view upperName);

// The nodes the parser builds (expr.cpp defines them).
namespace nodes {
NodePtr constant(Value v);
// An unqualified name: a field of the current area, else a named value.
NodePtr name(std::string upperName);
NodePtr memvar(std::string upperName);
// ALIAS->FIELD (alias empty: FIELD->NAME, the current area).
NodePtr field(std::string alias, std::string upperName);
NodePtr aliasExpr(std::string alias, NodePtr e);
NodePtr binary(Op op, NodePtr l, NodePtr r);
NodePtr plus(NodePtr l, NodePtr r);
NodePtr logicalAnd(NodePtr l, NodePtr r);
NodePtr logicalOr(NodePtr l, NodePtr r);
NodePtr logicalNot(NodePtr e);
NodePtr negate(NodePtr e);
NodePtr unaryPlus(NodePtr e);
NodePtr list(std::vector<NodePtr> items);
NodePtr array(std::vector<NodePtr> items);
NodePtr index(NodePtr a, NodePtr i);
NodePtr send(NodePtr obj, std::string msg, std::vector<NodePtr> args);
NodePtr assign(NodePtr target, NodePtr value);
NodePtr iif(NodePtr cond, NodePtr a, NodePtr b);
NodePtr call(const FuncDef* f, std::vector<NodePtr> args);
}  // namespace nodes

}  // namespace xb
