// Expressions: one compiler and evaluator for every expression text the
// system stores or evaluates (index keys and FOR conditions, filters,
// structure texts, label text items, EVALUA/CICLO).
//
// compile() turns a text into a tree once; eval() runs it many times. Names
// resolve at evaluation: a field of the current row source when it has one
// by that name, otherwise a named value (private scopes first, then
// application-wide). ALIAS->FIELD reaches other work areas through the
// installed Workspace.
//
// The language, in brief (texts are Windows-1252 bytes; names and function
// names are case-insensitive):
//   literals   12  2.50  .5  "text"  'text'  [text]  .T. .F. .Y. .N.  NIL
//              {1, "a", {}}  (arrays nest)
//   names      FIELD  _FIELD->F  FIELD->F  ALIAS->F  ALIAS->(expr)  M->VAR
//              VAR  arr[i]  obj:MEMBER  obj:METHOD(args)
//   operators  loosest first: :=  .OR.  .AND.  .NOT. !  = == != <> # < <= > >= $
//              + -  * / %  ** ^  unary - +; (a, b, c) gives c
//   texts      + joins; - joins moving the left side's trailing blanks to
//              the end; = is prefix equality (anything = "" is true), ==
//              exact; order and case follow Windows-1252 (Spanish order)
//   dates      date ± days, date − date; read and shown as dd-mm-yyyy
//   functions  see expr_funcs.cpp (IIF/IF evaluate only the branch taken)
// Errors go to the error hook (error.h) with subsystem "BASE".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/value.h"

namespace xb {

// A table row that expressions read and assign: the engine's work areas
// implement it. Field positions are 0-based. Texts are the table's bytes.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual std::string alias() const = 0;
  // Case-insensitive; -1 when the table has no such field.
  virtual int fieldIndex(std::string_view name) const = 0;
  virtual int fieldCount() const = 0;
  virtual Value fieldGet(int index) = 0;
  virtual void fieldPut(int index, const Value& v) = 0;
  virtual bool deleted() = 0;
  virtual int64_t recno() = 0;
  virtual int64_t reccount() = 0;
  virtual bool eof() = 0;
  virtual bool bof() = 0;
  // Changes whenever the field list may have changed (another table opened
  // in the area), so that evaluators can cache field positions.
  virtual uint64_t structureId() const = 0;
};

// The work areas as expressions see them.
class Workspace {
 public:
  virtual ~Workspace() = default;
  virtual RowSource* current() = 0;                       // nullptr: no table
  virtual RowSource* byAlias(std::string_view alias) = 0;  // nullptr: unknown
};

// Installs the workspace used by evaluations (the engine installs its own);
// returns the previous one. nullptr: no tables.
Workspace* setWorkspace(Workspace* ws);
Workspace* workspace();

class Node;

// Limits that keep hostile expression texts from data files harmless: a
// longer text, deeper nesting or a larger text result is a run-time error.
inline constexpr size_t kMaxExprText = 64 * 1024;
inline constexpr int kMaxExprNesting = 100;   // parentheses, braces, calls
inline constexpr int kMaxExprTreeDepth = 1000;
inline constexpr size_t kMaxTextValue = 1024 * 1024;
// Text that one evaluation may keep in arrays and assigned values.
inline constexpr size_t kMaxTextKept = 16 * 1024 * 1024;

class Expr {
 public:
  Expr() = default;

  // Compiles a text. A syntax error goes to the error hook (generic code 7,
  // description naming the expression); when the handler takes the default
  // the result is invalid and evaluates to NIL.
  static Expr compile(std::string_view text);

  // Evaluates against `row` as the current area (nullptr: the workspace's
  // current area). Run-time errors go to the error hook.
  Value eval(RowSource* row = nullptr) const;

  bool valid() const { return root_ != nullptr; }
  const std::string& text() const { return text_; }

 private:
  std::shared_ptr<const Node> root_;
  std::string text_;
};

// Compiles and evaluates in one step.
Value evaluate(std::string_view text, RowSource* row = nullptr);

}  // namespace xb
