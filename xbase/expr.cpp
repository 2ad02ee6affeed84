// The expression evaluator: the operators and the nodes of a compiled
// expression, each evaluating itself. The scanner and parser that build the
// nodes are in expr_parse.cpp, the functions in expr_funcs.cpp.
#include "xbase/expr.h"

#include <cmath>
#include <cstring>

#include "xbase/codepage.h"
#include "xbase/expr_internal.h"
#include "xbase/memvar.h"

namespace xb {

namespace {
Workspace* g_workspace = nullptr;
}  // namespace

Workspace* setWorkspace(Workspace* ws) {
  Workspace* old = g_workspace;
  g_workspace = ws;
  return old;
}
Workspace* workspace() { return g_workspace; }

// ---------------------------------------------------------------- errors

namespace {
std::string describe(std::string_view what, std::string_view text) {
  constexpr size_t kShown = 120;
  std::string shown = cp1252ToUtf8(text.substr(0, kShown));
  if (text.size() > kShown) shown += "...";
  return std::string(what) + " en la expresión \"" + shown + "\"";
}
}  // namespace

Value exprError(const EvalCtx& c, int genCode, int subCode, std::string_view what, std::string_view operation,
                std::vector<Value> args, bool canRetry, bool* retry) {
  Error e;
  e.genCode = genCode;
  e.subsystem = "BASE";
  e.subCode = subCode;
  e.description = describe(what, c.text);
  e.operation = cp1252ToUtf8(operation.substr(0, 64));
  e.args = std::move(args);
  e.canRetry = canRetry;
  e.canDefault = true;
  ErrorAnswer a = raise(e);
  if (retry) *retry = canRetry && a.kind == ErrorAnswer::Retry;
  return a.kind == ErrorAnswer::Substitute ? a.value : Value();
}

Value argError(const EvalCtx& c, int subCode, std::string_view operation, const Value* args, int n) {
  return exprError(c, kGenArgument, subCode, "Error de argumento", operation, std::vector<Value>(args, args + n));
}

Value textTooLong(const EvalCtx& c, std::string_view operation) {
  return exprError(c, kGenStrOverflow, 1209, "Cadena demasiado larga", operation);
}

bool keep(EvalCtx& c, const Value& v) {
  if (!v.isText()) return true;
  c.kept += v.text().size();
  if (c.kept <= kMaxTextKept) return true;
  exprError(c, kGenStrOverflow, 1209, "Demasiado texto retenido", "", {});
  return false;
}

namespace {

// ---------------------------------------------------------------- operators

const char* opName(Op op) {
  switch (op) {
    case Op::Plus: return "+";
    case Op::Minus: return "-";
    case Op::Mul: return "*";
    case Op::Div: return "/";
    case Op::Mod: return "%";
    case Op::Pow: return "**";
    case Op::Eq: return "=";
    case Op::ExactEq: return "==";
    case Op::Ne: return "!=";
    case Op::Lt: return "<";
    case Op::Le: return "<=";
    case Op::Gt: return ">";
    case Op::Ge: return ">=";
    case Op::In: return "$";
  }
  return "?";
}

int opSubCode(Op op) {
  switch (op) {
    case Op::Plus: return 1081;
    case Op::Minus: return 1082;
    case Op::Mul: return 1083;
    case Op::Div: return 1084;
    case Op::Mod: return 1085;
    case Op::Pow: return 1088;
    case Op::ExactEq: return 1070;
    case Op::Eq: return 1071;
    case Op::Ne: return 1072;
    case Op::Lt: return 1073;
    case Op::Le: return 1074;
    case Op::Gt: return 1075;
    case Op::Ge: return 1076;
    case Op::In: return 1109;
  }
  return 0;
}

Value opError(EvalCtx& c, Op op, const Value& l, const Value& r) {
  Value args[2] = {l, r};
  return argError(c, opSubCode(op), opName(op), args, 2);
}

int sumDec(int a, int b) { return std::min(a + b, 15); }

// A number result: integral values of integral operands keep 0 decimals;
// otherwise at least 2 (the run time's default), as the division shows.
Value quotient(double v, int decA, int decB) {
  if (v == std::trunc(v) && decA == 0 && decB == 0) return Value(v, 0);
  return Value(v, std::max({2, decA, decB}));
}

Value arith(EvalCtx& c, Op op, Value l, const Value& r) {
  if (l.isNumber() && r.isNumber()) {
    double a = l.num(), b = r.num();
    int da = l.decimals(), db = r.decimals();
    switch (op) {
      case Op::Plus: return Value(a + b, std::max(da, db));
      case Op::Minus: return Value(a - b, std::max(da, db));
      case Op::Mul: return Value(a * b, sumDec(da, db));
      case Op::Div:
        if (b == 0) {
          Value args[2] = {l, r};
          return exprError(c, kGenZeroDiv, 1340, "División por cero", "/", std::vector<Value>(args, args + 2));
        }
        return quotient(a / b, da, db);
      case Op::Mod:
        if (b == 0) {
          Value args[2] = {l, r};
          return exprError(c, kGenZeroDiv, 1341, "División por cero", "%", std::vector<Value>(args, args + 2));
        }
        return Value(std::fmod(a, b), std::max(da, db));
      case Op::Pow: {
        double v = std::pow(a, b);
        return quotient(v, da, db == 0 && b >= 0 ? 0 : 2);
      }
      default: break;
    }
  }
  if (l.isText() && r.isText() && (op == Op::Plus || op == Op::Minus)) {
    if (l.text().size() + r.text().size() > kMaxTextValue) return textTooLong(c, opName(op));
    if (op == Op::Plus) {
      l.text() += r.text();
      return l;
    }
    // "-": the left side's trailing blanks move to the end.
    std::string& s = l.text();
    size_t keep = s.find_last_not_of(' ');
    size_t blanks = keep == std::string::npos ? s.size() : s.size() - keep - 1;
    s.resize(s.size() - blanks);
    s += r.text();
    s.append(blanks, ' ');
    return l;
  }
  if (l.isDate() && r.isNumber() && (op == Op::Plus || op == Op::Minus)) {
    int64_t days = int64_t(std::trunc(r.num()));
    int64_t jd = l.date().jd + (op == Op::Plus ? days : -days);
    if (jd < 0 || jd > 5373484) return opError(c, op, l, r);
    return Value(Date{int32_t(jd)});
  }
  if (l.isNumber() && r.isDate() && op == Op::Plus) {
    int64_t jd = r.date().jd + int64_t(std::trunc(l.num()));
    if (jd < 0 || jd > 5373484) return opError(c, op, l, r);
    return Value(Date{int32_t(jd)});
  }
  if (l.isDate() && r.isDate() && op == Op::Minus) return Value(double(l.date().jd - r.date().jd), 0);
  return opError(c, op, l, r);
}

// Text comparison with the EXACT setting off: the left side is cut to the
// right side's length ("" on the right matches anything).
int compareTextLoose(std::string_view a, std::string_view b) {
  if (b.empty()) return 0;
  if (a.size() > b.size()) a = a.substr(0, b.size());
  return compare1252(a, b);
}

Value compare(EvalCtx& c, Op op, const Value& l, const Value& r) {
  if (op == Op::In) {
    if (l.isText() && r.isText())
      return Value(!l.text().empty() && r.text().find(l.text()) != std::string::npos);
    return opError(c, op, l, r);
  }
  if (op == Op::ExactEq) {
    if (l.type() != r.type()) {
      if (l.isNil() || r.isNil()) return Value(false);
      return opError(c, op, l, r);
    }
    return Value(l == r);
  }
  // Equality with NIL on either side is allowed; ordering is not.
  if (l.isNil() || r.isNil()) {
    if (op == Op::Eq) return Value(l.isNil() && r.isNil());
    if (op == Op::Ne) return Value(!(l.isNil() && r.isNil()));
    return opError(c, op, l, r);
  }
  if (l.type() != r.type()) return opError(c, op, l, r);
  int cmp = 0;
  switch (l.type()) {
    case Type::Number: cmp = l.num() < r.num() ? -1 : l.num() > r.num() ? 1 : 0; break;
    case Type::Text: cmp = compareTextLoose(l.text(), r.text()); break;
    case Type::Date: cmp = l.date().jd < r.date().jd ? -1 : l.date().jd > r.date().jd ? 1 : 0; break;
    case Type::Logical: cmp = int(l.logical()) - int(r.logical()); break;
    default: return opError(c, op, l, r);
  }
  switch (op) {
    case Op::Eq: return Value(cmp == 0);
    case Op::Ne: return Value(cmp != 0);
    case Op::Lt: return Value(cmp < 0);
    case Op::Le: return Value(cmp <= 0);
    case Op::Gt: return Value(cmp > 0);
    case Op::Ge: return Value(cmp >= 0);
    default: return opError(c, op, l, r);
  }
}

// ---------------------------------------------------------------- nodes

class ConstNode : public Node {
 public:
  explicit ConstNode(Value v) : v_(std::move(v)) {}
  Value eval(EvalCtx&) const override { return v_; }

 private:
  Value v_;
};

// Remembers where a field was found, per row source and structure.
class FieldSlot {
 public:
  explicit FieldSlot(std::string name) : name_(std::move(name)) {}
  int index(RowSource* row) const {
    uint64_t sid = row->structureId();
    if (row != row_ || sid != sid_) {
      idx_ = row->fieldIndex(name_);
      row_ = row;
      sid_ = sid;
    }
    return idx_;
  }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  mutable const RowSource* row_ = nullptr;
  mutable uint64_t sid_ = 0;
  mutable int idx_ = -1;
};

// Something that can stand left of ":=".
class Target : public Node {
 public:
  bool assignable() const override { return true; }
  virtual void assign(EvalCtx& c, const Value& v) const = 0;
};

Value noVariable(EvalCtx& c, const std::string& name, bool* retry) {
  return exprError(c, kGenNoVar, 1003, "Variable no existe", name, {}, true, retry);
}

// An unqualified name: a field of the current area, else a named value.
class NameNode : public Target {
 public:
  explicit NameNode(std::string upperName) : slot_(std::move(upperName)) {}
  Value eval(EvalCtx& c) const override {
    for (;;) {
      if (c.row) {
        int i = slot_.index(c.row);
        if (i >= 0) return c.row->fieldGet(i);
      }
      if (Value* v = findNormalName(slot_.name())) return *v;
      bool retry = false;
      Value r = noVariable(c, slot_.name(), &retry);
      if (!retry) return r;
    }
  }
  void assign(EvalCtx& c, const Value& v) const override {
    if (c.row) {
      int i = slot_.index(c.row);
      if (i >= 0) {
        c.row->fieldPut(i, v);
        return;
      }
    }
    assignOrCreate(slot_.name(), v);
  }

 private:
  FieldSlot slot_;
};

// M->NAME: a named value only.
class MemvarNode : public Target {
 public:
  explicit MemvarNode(std::string upperName) : name_(std::move(upperName)) {}
  Value eval(EvalCtx& c) const override {
    for (;;) {
      if (Value* v = findNormalName(name_)) return *v;
      bool retry = false;
      Value r = noVariable(c, name_, &retry);
      if (!retry) return r;
    }
  }
  void assign(EvalCtx&, const Value& v) const override { assignOrCreate(name_, v); }

 private:
  std::string name_;
};

RowSource* aliasRow(EvalCtx& c, const std::string& alias) {
  for (;;) {
    if (c.row && c.row->alias().size() == alias.size() && upper1252(c.row->alias()) == alias) return c.row;
    if (Workspace* ws = workspace())
      if (RowSource* r = ws->byAlias(alias)) return r;
    bool retry = false;
    exprError(c, kGenNoAlias, 1002, "Alias no existe", alias, {}, true, &retry);
    if (!retry) return nullptr;
  }
}

// FIELD->NAME, _FIELD->NAME (alias empty) and ALIAS->NAME: a field only.
class FieldNode : public Target {
 public:
  FieldNode(std::string alias, std::string upperName) : alias_(std::move(alias)), slot_(std::move(upperName)) {}
  Value eval(EvalCtx& c) const override {
    for (;;) {
      RowSource* row = alias_.empty() ? c.row : aliasRow(c, alias_);
      if (!row && !alias_.empty()) return Value();
      if (row) {
        int i = slot_.index(row);
        if (i >= 0) return row->fieldGet(i);
      }
      bool retry = false;
      Value r = exprError(c, kGenNoVar, 1003, "Campo no existe", fullName(), {}, true, &retry);
      if (!retry) return r;
    }
  }
  void assign(EvalCtx& c, const Value& v) const override {
    RowSource* row = alias_.empty() ? c.row : aliasRow(c, alias_);
    if (!row && !alias_.empty()) return;
    int i = row ? slot_.index(row) : -1;
    if (i < 0) {
      exprError(c, kGenNoVar, 1003, "Campo no existe", fullName());
      return;
    }
    row->fieldPut(i, v);
  }

 private:
  std::string fullName() const { return (alias_.empty() ? std::string("FIELD") : alias_) + "->" + slot_.name(); }
  std::string alias_;
  FieldSlot slot_;
};

// ALIAS->(expr): the expression evaluated with that area as the current one.
class AliasExprNode : public Node {
 public:
  AliasExprNode(std::string alias, NodePtr e) : alias_(std::move(alias)), e_(std::move(e)) {}
  Value eval(EvalCtx& c) const override {
    RowSource* row = aliasRow(c, alias_);
    if (!row) return Value();
    EvalCtx inner{row, c.text, c.kept};
    Value v = e_->eval(inner);
    c.kept = inner.kept;
    return v;
  }

 private:
  std::string alias_;
  NodePtr e_;
};

class BinaryNode : public Node {
 public:
  BinaryNode(Op op, NodePtr l, NodePtr r) : op_(op), l_(std::move(l)), r_(std::move(r)) {}
  Value eval(EvalCtx& c) const override {
    Value l = l_->eval(c);
    Value r = r_->eval(c);
    switch (op_) {
      case Op::Plus:
      case Op::Minus:
      case Op::Mul:
      case Op::Div:
      case Op::Mod:
      case Op::Pow: return arith(c, op_, std::move(l), r);
      default: return compare(c, op_, l, r);
    }
  }

 private:
  Op op_;
  NodePtr l_, r_;
};

// Text concatenation is the hot path of index keys: appended in place.
class PlusNode : public Node {
 public:
  PlusNode(NodePtr l, NodePtr r) : l_(std::move(l)), r_(std::move(r)) {}
  Value eval(EvalCtx& c) const override {
    Value l = l_->eval(c);
    Value r = r_->eval(c);
    if (l.isText() && r.isText() && l.text().size() + r.text().size() <= kMaxTextValue) {
      l.text() += r.text();
      return l;
    }
    return arith(c, Op::Plus, std::move(l), r);
  }

 private:
  NodePtr l_, r_;
};

Value logicalError(EvalCtx& c, int subCode, const char* op, const Value& v) { return argError(c, subCode, op, &v, 1); }

class AndNode : public Node {
 public:
  AndNode(NodePtr l, NodePtr r) : l_(std::move(l)), r_(std::move(r)) {}
  Value eval(EvalCtx& c) const override {
    Value l = l_->eval(c);
    if (!l.isLogical()) return logicalError(c, 1078, ".AND.", l);
    if (!l.logical()) return Value(false);
    Value r = r_->eval(c);
    if (!r.isLogical()) return logicalError(c, 1078, ".AND.", r);
    return r;
  }

 private:
  NodePtr l_, r_;
};

class OrNode : public Node {
 public:
  OrNode(NodePtr l, NodePtr r) : l_(std::move(l)), r_(std::move(r)) {}
  Value eval(EvalCtx& c) const override {
    Value l = l_->eval(c);
    if (!l.isLogical()) return logicalError(c, 1079, ".OR.", l);
    if (l.logical()) return Value(true);
    Value r = r_->eval(c);
    if (!r.isLogical()) return logicalError(c, 1079, ".OR.", r);
    return r;
  }

 private:
  NodePtr l_, r_;
};

class NotNode : public Node {
 public:
  explicit NotNode(NodePtr e) : e_(std::move(e)) {}
  Value eval(EvalCtx& c) const override {
    Value v = e_->eval(c);
    if (!v.isLogical()) return logicalError(c, 1077, ".NOT.", v);
    return Value(!v.logical());
  }

 private:
  NodePtr e_;
};

class NegNode : public Node {
 public:
  explicit NegNode(NodePtr e) : e_(std::move(e)) {}
  Value eval(EvalCtx& c) const override {
    Value v = e_->eval(c);
    if (!v.isNumber()) return argError(c, 1080, "-", &v, 1);
    return Value(-v.num(), v.decimals());
  }

 private:
  NodePtr e_;
};

class PosNode : public Node {
 public:
  explicit PosNode(NodePtr e) : e_(std::move(e)) {}
  Value eval(EvalCtx& c) const override {
    Value v = e_->eval(c);
    if (!v.isNumber()) return argError(c, 1080, "+", &v, 1);
    return v;
  }

 private:
  NodePtr e_;
};

class ListNode : public Node {
 public:
  explicit ListNode(std::vector<NodePtr> items) : items_(std::move(items)) {}
  Value eval(EvalCtx& c) const override {
    for (size_t i = 0; i + 1 < items_.size(); ++i) items_[i]->eval(c);
    return items_.back()->eval(c);
  }

 private:
  std::vector<NodePtr> items_;
};

class ArrayNode : public Node {
 public:
  explicit ArrayNode(std::vector<NodePtr> items) : items_(std::move(items)) {}
  Value eval(EvalCtx& c) const override {
    Array a;
    a.reserve(items_.size());
    for (const auto& n : items_) {
      a.push_back(n->eval(c));
      if (!keep(c, a.back())) return Value();
    }
    return Value::array(std::move(a));
  }

 private:
  std::vector<NodePtr> items_;
};

class IndexNode : public Target {
 public:
  IndexNode(NodePtr a, NodePtr i) : a_(std::move(a)), i_(std::move(i)) {}
  Value eval(EvalCtx& c) const override {
    Value a = a_->eval(c);
    Value i = i_->eval(c);
    Value* slot = element(c, a, i);
    return slot ? *slot : Value();
  }
  void assign(EvalCtx& c, const Value& v) const override {
    Value a = a_->eval(c);
    Value i = i_->eval(c);
    Value* slot = element(c, a, i);
    if (!slot || !keep(c, v)) return;
    // Arrays are shared: one that held itself would never be freed.
    int budget = 100000;
    if (v.isArray() && reaches(v, a.arr().get(), budget)) {
      Value args[2] = {a, v};
      argError(c, 1069, "array assign", args, 2);
      return;
    }
    *slot = v;
  }

 private:
  // Whether `target` is `from` or inside it (a budget too small counts as yes).
  static bool reaches(const Value& from, const Array* target, int& budget) {
    if (!from.isArray()) return false;
    if (from.arr().get() == target || --budget < 0) return true;
    for (const Value& e : *from.arr())
      if (e.isArray() && reaches(e, target, budget)) return true;
    return false;
  }

  static Value* element(EvalCtx& c, const Value& a, const Value& i) {
    if (!a.isArray() || !i.isNumber()) {
      Value args[2] = {a, i};
      argError(c, 1068, "array access", args, 2);
      return nullptr;
    }
    double k = std::trunc(i.num());
    if (k < 1 || k > double(a.arr()->size())) {
      Value args[2] = {a, i};
      exprError(c, kGenBound, 1132, "Límite de array excedido", "array access", std::vector<Value>(args, args + 2));
      return nullptr;
    }
    return &(*a.arr())[size_t(k) - 1];
  }
  NodePtr a_, i_;
};

// obj:NAME, obj:NAME(args); as a target, obj:NAME := v sends "_NAME".
class SendNode : public Target {
 public:
  SendNode(NodePtr obj, std::string msg, std::vector<NodePtr> args)
      : obj_(std::move(obj)), msg_(std::move(msg)), args_(std::move(args)) {}
  Value eval(EvalCtx& c) const override {
    Value o = obj_->eval(c);
    std::vector<Value> v;
    v.reserve(args_.size());
    for (const auto& a : args_) {
      v.push_back(a->eval(c));
      if (!keep(c, v.back())) return Value();  // a method may store its arguments
    }
    if (!o.isObject() || !o.obj()) return exprError(c, kGenNoMethod, 1004, "M\xC3\xA9todo no exportado", msg_, {o});
    return o.obj()->send(msg_, v);
  }
  void assign(EvalCtx& c, const Value& value) const override {
    Value o = obj_->eval(c);
    if (!o.isObject() || !o.obj() || !args_.empty()) {
      exprError(c, kGenNoExportVar, 1005, "Variable no exportada", msg_, {o});
      return;
    }
    Value arg[1] = {value};
    o.obj()->send("_" + msg_, arg);
  }

 private:
  NodePtr obj_;
  std::string msg_;
  std::vector<NodePtr> args_;
};

class AssignNode : public Node {
 public:
  AssignNode(NodePtr target, NodePtr value) : target_(std::move(target)), value_(std::move(value)) {}
  Value eval(EvalCtx& c) const override {
    Value v = value_->eval(c);
    if (keep(c, v)) static_cast<const Target&>(*target_).assign(c, v);
    return v;
  }

 private:
  NodePtr target_, value_;
};

class IifNode : public Node {
 public:
  IifNode(NodePtr cond, NodePtr a, NodePtr b) : cond_(std::move(cond)), a_(std::move(a)), b_(std::move(b)) {}
  Value eval(EvalCtx& c) const override {
    Value v = cond_->eval(c);
    if (!v.isLogical()) return argError(c, 1066, "IIF", &v, 1);
    return v.logical() ? a_->eval(c) : b_->eval(c);
  }

 private:
  NodePtr cond_, a_, b_;
};

class CallNode : public Node {
 public:
  CallNode(const FuncDef* f, std::vector<NodePtr> args) : f_(f), args_(std::move(args)) {}
  Value eval(EvalCtx& c) const override {
    Value v[kMaxArgs];
    int n = int(args_.size());
    for (int i = 0; i < n; ++i) v[i] = args_[i]->eval(c);
    return f_->fn(c, *f_, v, n);
  }

 private:
  const FuncDef* f_;
  std::vector<NodePtr> args_;
};

}  // namespace

namespace nodes {

NodePtr constant(Value v) { return std::make_unique<ConstNode>(std::move(v)); }
NodePtr name(std::string upperName) { return std::make_unique<NameNode>(std::move(upperName)); }
NodePtr memvar(std::string upperName) { return std::make_unique<MemvarNode>(std::move(upperName)); }
NodePtr field(std::string alias, std::string upperName) {
  return std::make_unique<FieldNode>(std::move(alias), std::move(upperName));
}
NodePtr aliasExpr(std::string alias, NodePtr e) { return std::make_unique<AliasExprNode>(std::move(alias), std::move(e)); }
NodePtr binary(Op op, NodePtr l, NodePtr r) { return std::make_unique<BinaryNode>(op, std::move(l), std::move(r)); }
NodePtr plus(NodePtr l, NodePtr r) { return std::make_unique<PlusNode>(std::move(l), std::move(r)); }
NodePtr logicalAnd(NodePtr l, NodePtr r) { return std::make_unique<AndNode>(std::move(l), std::move(r)); }
NodePtr logicalOr(NodePtr l, NodePtr r) { return std::make_unique<OrNode>(std::move(l), std::move(r)); }
NodePtr logicalNot(NodePtr e) { return std::make_unique<NotNode>(std::move(e)); }
NodePtr negate(NodePtr e) { return std::make_unique<NegNode>(std::move(e)); }
NodePtr unaryPlus(NodePtr e) { return std::make_unique<PosNode>(std::move(e)); }
NodePtr list(std::vector<NodePtr> items) { return std::make_unique<ListNode>(std::move(items)); }
NodePtr array(std::vector<NodePtr> items) { return std::make_unique<ArrayNode>(std::move(items)); }
NodePtr index(NodePtr a, NodePtr i) { return std::make_unique<IndexNode>(std::move(a), std::move(i)); }
NodePtr send(NodePtr obj, std::string msg, std::vector<NodePtr> args) {
  return std::make_unique<SendNode>(std::move(obj), std::move(msg), std::move(args));
}
NodePtr assign(NodePtr target, NodePtr value) { return std::make_unique<AssignNode>(std::move(target), std::move(value)); }
NodePtr iif(NodePtr cond, NodePtr a, NodePtr b) {
  return std::make_unique<IifNode>(std::move(cond), std::move(a), std::move(b));
}
NodePtr call(const FuncDef* f, std::vector<NodePtr> args) { return std::make_unique<CallNode>(f, std::move(args)); }

}  // namespace nodes

// ---------------------------------------------------------------- Expr

Value Expr::eval(RowSource* row) const {
  if (!root_) return Value();
  if (!row && g_workspace) row = g_workspace->current();
  EvalCtx c{row, text_};
  return root_->eval(c);
}

Value evaluate(std::string_view text, RowSource* row) { return Expr::compile(text).eval(row); }

}  // namespace xb
