// The expression compiler: a scanner and a recursive-descent parser
// producing the node tree that expr.cpp evaluates.
//
// Precedence, from the loosest: ":=" (right to left), ".OR.", ".AND.",
// ".NOT." / "!", comparisons (= == != <> # < <= > >= $), "+ -", "* / %",
// "** ^", unary "- +", then postfix subscripts. Operators of one level
// group from the left.
#include <algorithm>

#include "xbase/codepage.h"
#include "xbase/expr.h"
#include "xbase/expr_internal.h"

namespace xb {

namespace {

enum class Tok {
  End, Num, Str, Ident, True, False, Nil,
  LParen, RParen, LBrace, RBrace, LBracket, RBracket, Comma,
  Plus, Minus, Star, Slash, Percent, Power,
  Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Dollar,
  Assign, Arrow, Not, And, Or, Colon,
};

struct Token {
  Tok kind = Tok::End;
  size_t pos = 0;
  size_t len = 0;
  double num = 0;
  int dec = 0;
  std::string_view str;  // text literal contents or identifier
};

struct SyntaxAbort {};

bool identStart(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_'; }
bool identChar(char ch) { return identStart(ch) || (ch >= '0' && ch <= '9'); }
bool digit(char ch) { return ch >= '0' && ch <= '9'; }

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  NodePtr parseAll() {
    if (text_.size() > kMaxExprText) complexity("Expresión demasiado larga");
    advance();
    if (cur_.kind == Tok::End) syntax("Expresión vacía");
    NodePtr n = parseList();
    if (cur_.kind != Tok::End) syntax("Sobra texto");
    return n;
  }

 private:
  // ---- errors
  [[noreturn]] void fail(int gen, int sub, const std::string& what, std::string_view operation) {
    EvalCtx c{nullptr, text_};
    exprError(c, gen, sub, what, operation);
    throw SyntaxAbort{};
  }
  [[noreturn]] void syntax(const char* what) {
    size_t at = std::min(cur_.pos, text_.size());
    fail(kGenSyntax, 1449, std::string("Error de sintaxis (") + what + ", posición " + std::to_string(at + 1) + ")",
         text_.substr(at, std::min<size_t>(cur_.len ? cur_.len : 1, 20)));
  }
  [[noreturn]] void complexity(const char* what) { fail(kGenComplexity, 1450, what, ""); }

  NodePtr withDepth(NodePtr n, std::initializer_list<const Node*> kids) {
    int d = 0;
    for (const Node* k : kids)
      if (k) d = std::max(d, k->depth);
    n->depth = d + 1;
    if (n->depth > kMaxExprTreeDepth) complexity("Expresión demasiado compleja");
    return n;
  }

  struct Nest {
    Parser& p;
    explicit Nest(Parser& parser) : p(parser) {
      if (++p.nesting_ > kMaxExprNesting) p.complexity("Expresión demasiado anidada");
    }
    ~Nest() { --p.nesting_; }
  };

  // ---- lexer
  void advance() {
    size_t i = pos_;
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t' || text_[i] == '\r' || text_[i] == '\n')) ++i;
    cur_ = Token{};
    cur_.pos = i;
    if (i >= text_.size()) {
      cur_.kind = Tok::End;
      pos_ = i;
      return;
    }
    char ch = text_[i];
    auto at = [&](size_t k) { return k < text_.size() ? text_[k] : '\0'; };
    auto single = [&](Tok k, size_t len) {
      cur_.kind = k;
      cur_.len = len;
      pos_ = i + len;
    };
    if (digit(ch) || (ch == '.' && digit(at(i + 1)))) {
      size_t j = i;
      double v = 0;
      while (digit(at(j))) v = v * 10 + (text_[j++] - '0');
      int dec = 0;
      if (at(j) == '.' && !identStart(at(j + 1))) {
        ++j;
        double scale = 1;
        while (digit(at(j))) {
          scale /= 10;
          v += (text_[j++] - '0') * scale;
          ++dec;
        }
      }
      if (identStart(at(j))) {
        cur_.len = j - i + 1;
        syntax("Número no válido");
      }
      cur_.kind = Tok::Num;
      cur_.num = v;
      cur_.dec = std::min(dec, 15);
      cur_.len = j - i;
      pos_ = j;
      return;
    }
    if (identStart(ch)) {
      size_t j = i;
      while (identChar(at(j))) ++j;
      cur_.kind = Tok::Ident;
      cur_.str = text_.substr(i, j - i);
      cur_.len = j - i;
      pos_ = j;
      return;
    }
    if (ch == '"' || ch == '\'') {
      size_t end = text_.find(ch, i + 1);
      if (end == std::string_view::npos) {
        cur_.len = 1;
        syntax("Cadena sin cerrar");
      }
      cur_.kind = Tok::Str;
      cur_.str = text_.substr(i + 1, end - i - 1);
      cur_.len = end - i + 1;
      pos_ = end + 1;
      return;
    }
    if (ch == '.') {
      // .T. .F. .Y. .N. .AND. .OR. .NOT.
      size_t j = i + 1;
      while (j < text_.size() && identStart(text_[j]) && j - i < 5) ++j;
      if (at(j) == '.') {
        std::string w = upper1252(text_.substr(i + 1, j - i - 1));
        Tok k = Tok::End;
        if (w == "T" || w == "Y") k = Tok::True;
        else if (w == "F" || w == "N") k = Tok::False;
        else if (w == "AND") k = Tok::And;
        else if (w == "OR") k = Tok::Or;
        else if (w == "NOT") k = Tok::Not;
        if (k != Tok::End) return single(k, j - i + 1);
      }
      cur_.len = 1;
      syntax("Punto inesperado");
    }
    char n1 = at(i + 1);
    switch (ch) {
      case '(': return single(Tok::LParen, 1);
      case ')': return single(Tok::RParen, 1);
      case '{': return single(Tok::LBrace, 1);
      case '}': return single(Tok::RBrace, 1);
      case '[': return single(Tok::LBracket, 1);
      case ']': return single(Tok::RBracket, 1);
      case ',': return single(Tok::Comma, 1);
      case '+': return single(Tok::Plus, 1);
      case '-': return n1 == '>' ? single(Tok::Arrow, 2) : single(Tok::Minus, 1);
      case '*': return n1 == '*' ? single(Tok::Power, 2) : single(Tok::Star, 1);
      case '^': return single(Tok::Power, 1);
      case '/': return single(Tok::Slash, 1);
      case '%': return single(Tok::Percent, 1);
      case '$': return single(Tok::Dollar, 1);
      case '#': return single(Tok::Ne, 1);
      case '=': return n1 == '=' ? single(Tok::ExactEq, 2) : single(Tok::Eq, 1);
      case '!': return n1 == '=' ? single(Tok::Ne, 2) : single(Tok::Not, 1);
      case '<':
        if (n1 == '=') return single(Tok::Le, 2);
        if (n1 == '>') return single(Tok::Ne, 2);
        return single(Tok::Lt, 1);
      case '>': return n1 == '=' ? single(Tok::Ge, 2) : single(Tok::Gt, 1);
      case ':': return n1 == '=' ? single(Tok::Assign, 2) : single(Tok::Colon, 1);
      default: break;
    }
    cur_.len = 1;
    syntax("Carácter no válido");
  }

  bool accept(Tok k) {
    if (cur_.kind != k) return false;
    advance();
    return true;
  }
  void expect(Tok k, const char* what) {
    if (!accept(k)) syntax(what);
  }

  // ---- grammar
  // list := assign { "," assign }
  NodePtr parseList() {
    Nest nest(*this);
    std::vector<NodePtr> items;
    items.push_back(parseAssign());
    while (accept(Tok::Comma)) items.push_back(parseAssign());
    if (items.size() == 1) return std::move(items[0]);
    int d = 0;
    for (auto& n : items) d = std::max(d, n->depth);
    NodePtr n = nodes::list(std::move(items));
    n->depth = d + 1;
    return n;
  }

  NodePtr parseAssign() {
    size_t at = cur_.pos;
    NodePtr lhs = parseOr();
    if (cur_.kind != Tok::Assign) return lhs;
    if (!lhs->assignable()) {
      cur_.pos = at;
      syntax("No se puede asignar");
    }
    advance();
    Nest nest(*this);
    NodePtr rhs = parseAssign();
    const Node *a = lhs.get(), *b = rhs.get();
    return withDepth(nodes::assign(std::move(lhs), std::move(rhs)), {a, b});
  }

  NodePtr parseOr() {
    NodePtr l = parseAnd();
    while (accept(Tok::Or)) {
      NodePtr r = parseAnd();
      const Node *a = l.get(), *b = r.get();
      l = withDepth(nodes::logicalOr(std::move(l), std::move(r)), {a, b});
    }
    return l;
  }

  NodePtr parseAnd() {
    NodePtr l = parseNot();
    while (accept(Tok::And)) {
      NodePtr r = parseNot();
      const Node *a = l.get(), *b = r.get();
      l = withDepth(nodes::logicalAnd(std::move(l), std::move(r)), {a, b});
    }
    return l;
  }

  NodePtr parseNot() {
    if (accept(Tok::Not)) {
      Nest nest(*this);
      NodePtr e = parseNot();
      const Node* a = e.get();
      return withDepth(nodes::logicalNot(std::move(e)), {a});
    }
    return parseRel();
  }

  static bool relational(Tok k, Op& op) {
    switch (k) {
      case Tok::Eq: op = Op::Eq; return true;
      case Tok::ExactEq: op = Op::ExactEq; return true;
      case Tok::Ne: op = Op::Ne; return true;
      case Tok::Lt: op = Op::Lt; return true;
      case Tok::Le: op = Op::Le; return true;
      case Tok::Gt: op = Op::Gt; return true;
      case Tok::Ge: op = Op::Ge; return true;
      case Tok::Dollar: op = Op::In; return true;
      default: return false;
    }
  }

  NodePtr binary(Op op, NodePtr l, NodePtr r) {
    const Node *a = l.get(), *b = r.get();
    if (op == Op::Plus) return withDepth(nodes::plus(std::move(l), std::move(r)), {a, b});
    return withDepth(nodes::binary(op, std::move(l), std::move(r)), {a, b});
  }

  NodePtr parseRel() {
    NodePtr l = parseAdd();
    Op op;
    while (relational(cur_.kind, op)) {
      advance();
      l = binary(op, std::move(l), parseAdd());
    }
    return l;
  }

  NodePtr parseAdd() {
    NodePtr l = parseMul();
    while (cur_.kind == Tok::Plus || cur_.kind == Tok::Minus) {
      Op op = cur_.kind == Tok::Plus ? Op::Plus : Op::Minus;
      advance();
      l = binary(op, std::move(l), parseMul());
    }
    return l;
  }

  NodePtr parseMul() {
    NodePtr l = parsePow();
    while (cur_.kind == Tok::Star || cur_.kind == Tok::Slash || cur_.kind == Tok::Percent) {
      Op op = cur_.kind == Tok::Star ? Op::Mul : cur_.kind == Tok::Slash ? Op::Div : Op::Mod;
      advance();
      l = binary(op, std::move(l), parsePow());
    }
    return l;
  }

  NodePtr parsePow() {
    NodePtr l = parseUnary();
    while (accept(Tok::Power)) l = binary(Op::Pow, std::move(l), parseUnary());
    return l;
  }

  NodePtr parseUnary() {
    if (cur_.kind == Tok::Minus || cur_.kind == Tok::Plus || cur_.kind == Tok::Not) {
      Tok k = cur_.kind;
      advance();
      Nest nest(*this);
      NodePtr e = parseUnary();
      const Node* a = e.get();
      if (k == Tok::Minus) return withDepth(nodes::negate(std::move(e)), {a});
      if (k == Tok::Plus) return withDepth(nodes::unaryPlus(std::move(e)), {a});
      return withDepth(nodes::logicalNot(std::move(e)), {a});
    }
    return parsePostfix();
  }

  NodePtr parsePostfix() {
    NodePtr e = parsePrimary();
    while (cur_.kind == Tok::LBracket || cur_.kind == Tok::Colon) {
      if (accept(Tok::Colon)) {
        if (cur_.kind != Tok::Ident) syntax("Falta el nombre del mensaje");
        std::string msg = upper1252(cur_.str);
        advance();
        std::vector<NodePtr> args;
        Nest nest(*this);
        if (accept(Tok::LParen)) {
          if (cur_.kind != Tok::RParen) {
            args.push_back(parseAssign());
            while (accept(Tok::Comma)) args.push_back(parseAssign());
          }
          expect(Tok::RParen, "Falta )");
        }
        int d = e->depth;
        for (auto& a : args) d = std::max(d, a->depth);
        e = nodes::send(std::move(e), std::move(msg), std::move(args));
        e->depth = d + 1;
        if (e->depth > kMaxExprTreeDepth) complexity("Expresión demasiado compleja");
        continue;
      }
      advance();
      Nest nest(*this);
      NodePtr i = parseAssign();
      expect(Tok::RBracket, "Falta ]");
      const Node *a = e.get(), *b = i.get();
      e = withDepth(nodes::index(std::move(e), std::move(i)), {a, b});
    }
    return e;
  }

  NodePtr constant(Value v) { return nodes::constant(std::move(v)); }

  NodePtr parsePrimary() {
    Token t = cur_;
    switch (t.kind) {
      case Tok::Num: advance(); return constant(Value(t.num, t.dec));
      case Tok::Str:
        if (t.str.size() > kMaxTextValue) syntax("Cadena demasiado larga");
        advance();
        return constant(Value(t.str));
      case Tok::True: advance(); return constant(Value(true));
      case Tok::False: advance(); return constant(Value(false));
      case Tok::LBracket: {
        // At the start of an operand "[" opens a text literal.
        size_t end = text_.find(']', t.pos + 1);
        if (end == std::string_view::npos) syntax("Cadena sin cerrar");
        pos_ = end + 1;
        advance();
        return constant(Value(text_.substr(t.pos + 1, end - t.pos - 1)));
      }
      case Tok::LParen: {
        advance();
        NodePtr e = parseList();
        expect(Tok::RParen, "Falta )");
        return e;
      }
      case Tok::LBrace: {
        advance();
        Nest nest(*this);
        std::vector<NodePtr> items;
        if (cur_.kind != Tok::RBrace) {
          items.push_back(parseAssign());
          while (accept(Tok::Comma)) items.push_back(parseAssign());
        }
        expect(Tok::RBrace, "Falta }");
        int d = 0;
        for (auto& n : items) d = std::max(d, n->depth);
        NodePtr n = nodes::array(std::move(items));
        n->depth = d + 1;
        if (n->depth > kMaxExprTreeDepth) complexity("Expresión demasiado compleja");
        return n;
      }
      case Tok::Ident: return parseName();
      default: break;
    }
    if (t.kind == Tok::End) syntax("Fin inesperado");
    syntax("Operando esperado");
  }

  NodePtr parseName() {
    Token t = cur_;
    std::string name = upper1252(t.str);
    advance();
    if (cur_.kind == Tok::LParen) return parseCall(t, name);
    if (cur_.kind == Tok::Arrow) {
      advance();
      if (name == "M" || name == "MEMVAR") {
        if (cur_.kind != Tok::Ident) syntax("Falta el nombre");
        std::string var = upper1252(cur_.str);
        advance();
        return nodes::memvar(std::move(var));
      }
      bool field = name == "FIELD" || name == "_FIELD";
      if (cur_.kind == Tok::LParen && !field) {
        advance();
        NodePtr e = parseList();
        expect(Tok::RParen, "Falta )");
        const Node* a = e.get();
        return withDepth(nodes::aliasExpr(std::move(name), std::move(e)), {a});
      }
      if (cur_.kind != Tok::Ident) syntax("Falta el nombre del campo");
      std::string fieldName = upper1252(cur_.str);
      advance();
      return nodes::field(field ? std::string() : std::move(name), std::move(fieldName));
    }
    if (name == "NIL") return constant(Value());
    return nodes::name(std::move(name));
  }

  NodePtr parseCall(const Token& t, const std::string& name) {
    advance();  // "("
    Nest nest(*this);
    std::vector<NodePtr> args;
    if (cur_.kind != Tok::RParen) {
      args.push_back(parseArg());
      while (accept(Tok::Comma)) args.push_back(parseArg());
    }
    expect(Tok::RParen, "Falta )");
    int d = 0;
    for (auto& a : args) d = std::max(d, a ? a->depth : 0);
    if (name == "IIF" || name == "IF") {
      if (args.size() != 3) argCount(t, name);
      for (auto& a : args)
        if (!a) a = constant(Value());
      NodePtr n = nodes::iif(std::move(args[0]), std::move(args[1]), std::move(args[2]));
      n->depth = d + 1;
      return n;
    }
    const FuncDef* f = findFunction(name);
    if (!f) {
      cur_.pos = t.pos;
      fail(kGenNoFunc, 1001, "Función no definida", name);
    }
    // Trailing omitted arguments are absent; inner ones are NIL.
    while (!args.empty() && !args.back()) args.pop_back();
    if (int(args.size()) < f->minArgs || int(args.size()) > f->maxArgs) argCount(t, name);
    for (auto& a : args)
      if (!a) a = constant(Value());
    NodePtr n = nodes::call(f, std::move(args));
    n->depth = d + 1;
    if (n->depth > kMaxExprTreeDepth) complexity("Expresión demasiado compleja");
    return n;
  }

  // An argument may be left out: "SUBSTR(x, , 2)".
  NodePtr parseArg() {
    if (cur_.kind == Tok::Comma || cur_.kind == Tok::RParen) return nullptr;
    return parseAssign();
  }

  [[noreturn]] void argCount(const Token& t, const std::string& name) {
    cur_.pos = t.pos;
    fail(kGenArgument, 1449, "Número de argumentos incorrecto", name);
  }

  std::string_view text_;
  size_t pos_ = 0;
  Token cur_;
  int nesting_ = 0;
};

}  // namespace

Expr Expr::compile(std::string_view text) {
  Expr e;
  e.text_ = std::string(text.substr(0, kMaxExprText + 1));
  try {
    Parser p(e.text_);
    e.root_ = std::shared_ptr<const Node>(p.parseAll());
  } catch (const SyntaxAbort&) {
    e.root_.reset();
  }
  return e;
}

}  // namespace xb
