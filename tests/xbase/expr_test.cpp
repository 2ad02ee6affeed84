#include "xbase/expr.h"

#include <gtest/gtest.h>

#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/error.h"
#include "xbase/format.h"
#include "xbase/memory_row.h"
#include "xbase/memvar.h"

namespace xb {
namespace {

// The work areas as a list of rows, the current one chosen by the test.
class FakeWorkspace : public Workspace {
 public:
  std::vector<RowSource*> areas;
  RowSource* cur = nullptr;
  RowSource* current() override { return cur; }
  RowSource* byAlias(std::string_view alias) override {
    for (RowSource* r : areas)
      if (upper1252(r->alias()) == upper1252(alias)) return r;
    return nullptr;
  }
};

// The product-code row most cases run against.
MemoryRow productRow() {
  return MemoryRow("CodPro2", {{"CODIGO", Value("8412345678901            ")},
                             {"DGCNT", Value("3")},
                             {"TIPOBAR", Value("13")},
                             {"NOMETI", Value("Caf\xE9 molido")},
                             {"PRECIO", Value(12.5, 2)},
                             {"ALTA", Value(Date{julianDay(2024, 2, 29)})},
                             {"ACTIVO", Value(true)}});
}

// What a value looks like in the cases: its type letter and display form.
std::string shown(const Value& v) { return std::string(1, v.typeLetter()) + ":" + displayText(v); }

struct Case {
  const char* expr;
  const char* want;
};

void runCases(const std::vector<Case>& cases, RowSource* row = nullptr) {
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(shown(evaluate(c.expr, row)), c.want) << c.expr;
    } catch (const RuntimeError& e) {
      ADD_FAILURE() << c.expr << " raised " << e.what();
    }
  }
}

TEST(Expr, Literals) {
  runCases({
      {"5", "N:5"},
      {"2.50", "N:2.5"},
      {".5", "N:0.5"},
      {"-0.125", "N:-0.125"},
      {"\"abc\"", "C:abc"},
      {"'a\"b'", "C:a\"b"},
      {"[it's]", "C:it's"},
      {"\"\"", "C:"},
      {".T.", "L:.T."},
      {".f.", "L:.F."},
      {".Y.", "L:.T."},
      {".n.", "L:.F."},
      {"NIL", "U:NIL"},
      {"nil", "U:NIL"},
      {"{}", "A:{}"},
      {"{1, \"a\", {.T., NIL}, {}}", "A:{1, \"a\", {.T., NIL}, {}}"},
      {"  7  ", "N:7"},
  });
}

TEST(Expr, NumberOperators) {
  runCases({
      {"1 + 2 * 3", "N:7"},
      {"(1 + 2) * 3", "N:9"},
      {"10 / 4", "N:2.5"},
      {"10 / 5", "N:2"},
      {"7 % 3", "N:1"},
      {"-7 % 3", "N:-1"},
      {"2 ** 10", "N:1024"},
      {"2 ^ 3", "N:8"},
      {"-2 ** 2", "N:4"},
      {"2 * -3", "N:-6"},
      {"- - 4", "N:4"},
      {"+4", "N:4"},
      {"0.1 + 0.2", "N:0.3"},
      {"1 - 2 - 3", "N:-4"},
      {"100 / 10 / 5", "N:2"},
      {"2 * 3 ** 2", "N:18"},
  });
}

TEST(Expr, NumberDecimalsFollowTheOperands) {
  struct D {
    const char* expr;
    int dec;
  } cases[] = {{"1.50", 2}, {"1.5 + 2.25", 2}, {"1.5 * 1.5", 2}, {"1 * 2", 0}, {"10 / 4", 2}, {"10 / 5", 0},
               {"ROUND(2.345, 1)", 1}, {"INT(2.7)", 0}, {"VAL('3.250')", 3}};
  for (const auto& c : cases) EXPECT_EQ(evaluate(c.expr).decimals(), c.dec) << c.expr;
}

TEST(Expr, TextOperators) {
  runCases({
      {"\"ab\" + \"cd\"", "C:abcd"},
      {"\"ab  \" + \"cd\"", "C:ab  cd"},
      {"\"ab  \" - \"cd\"", "C:abcd  "},
      {"\"   \" - \"x\"", "C:x   "},
      {"\"a\" $ \"cab\"", "L:.T."},
      {"\"d\" $ \"cab\"", "L:.F."},
      {"\"\" $ \"cab\"", "L:.F."},
      {"\"ABC\" = \"AB\"", "L:.T."},
      {"\"AB\" = \"ABC\"", "L:.F."},
      {"\"ABC\" = \"\"", "L:.T."},
      {"\"\" = \"\"", "L:.T."},
      {"\"ABC\" == \"AB\"", "L:.F."},
      {"\"ABC\" == \"ABC\"", "L:.T."},
      {"\"AB \" == \"AB\"", "L:.F."},
      {"\"ABC\" != \"AB\"", "L:.F."},
      {"\"ABC\" <> \"ABD\"", "L:.T."},
      {"\"ABC\" # \"X\"", "L:.T."},
      {"\"abc\" < \"abd\"", "L:.T."},
      {"\"abc\" > \"ab\"", "L:.F."},
      {"\"abc\" >= \"ab\"", "L:.T."},
      {"\"ab\" < \"abc\"", "L:.T."},
      {"\"B\" < \"a\"", "L:.T."},
      // Accented letters sort beside their plain letter.
      {"\"\xC1\" < \"B\"", "L:.T."},
      {"\"N\" < \"\xD1\" .AND. \"\xD1\" < \"O\"", "L:.T."},
      {"\"\xE9\" > \"e\" .AND. \"\xE9\" < \"f\"", "L:.T."},
  });
}

TEST(Expr, LogicalOperators) {
  runCases({
      {".T. .AND. .F.", "L:.F."},
      {".T. .OR. .F.", "L:.T."},
      {".NOT. .T.", "L:.F."},
      {"!.F.", "L:.T."},
      {"! 1 = 2", "L:.T."},
      {"1 = 1 .AND. 2 = 2 .OR. .F.", "L:.T."},
      {".F. .AND. UNDEFINED_NAME", "L:.F."},
      {".T. .OR. UNDEFINED_NAME", "L:.T."},
      {".F. .and. .t. .or. .t.", "L:.T."},
      {".T. = .T.", "L:.T."},
      {".F. < .T.", "L:.T."},
      {"NIL = NIL", "L:.T."},
      {"1 = NIL", "L:.F."},
      {"NIL != 1", "L:.T."},
      {"NIL == NIL", "L:.T."},
  });
}

TEST(Expr, Dates) {
  runCases({
      {"CTOD('29-02-2024')", "D:29-02-2024"},
      {"CTOD('01-01-49')", "D:01-01-2049"},
      {"CTOD('01-01-50')", "D:01-01-1950"},
      {"CTOD('31-02-2024')", "D:  -  -    "},
      {"CTOD('')", "D:  -  -    "},
      {"CTOD('28-02-2023') + 1", "D:01-03-2023"},
      {"1 + CTOD('28-02-2024')", "D:29-02-2024"},
      {"CTOD('01-03-2024') - 1", "D:29-02-2024"},
      {"CTOD('01-03-2024') - CTOD('01-02-2024')", "N:29"},
      {"CTOD('01-03-2024') > CTOD('01-02-2024')", "L:.T."},
      {"DTOS(CTOD('05-06-1999'))", "C:19990605"},
      {"DTOS(CTOD(''))", "C:        "},
      {"STOD('20240229')", "D:29-02-2024"},
      {"STOD('        ')", "D:  -  -    "},
      {"STOD('20241301')", "D:  -  -    "},
      {"DTOC(STOD('20000101'))", "C:01-01-2000"},
      {"YEAR(STOD('20240229'))", "N:2024"},
      {"MONTH(STOD('20240229'))", "N:2"},
      {"DAY(STOD('20240229'))", "N:29"},
      {"YEAR(CTOD(''))", "N:0"},
      {"DOW(STOD('20000101'))", "N:7"},
      {"CMONTH(STOD('20000101'))", "C:Enero"},
      {"EMPTY(CTOD(''))", "L:.T."},
      {"VALTYPE(DATE())", "C:D"},
      {"DATE() == STOD(DTOS(DATE()))", "L:.T."},
      {"YEAR(DATE()) >= 2024", "L:.T."},
      {"LEN(TIME())", "N:8"},
      {"SUBSTR(TIME(), 3, 1) + SUBSTR(TIME(), 6, 1)", "C:::"},
      {"VAL(LEFT(TIME(), 2)) < 24", "L:.T."},
  });
}

TEST(Expr, TextFunctions) {
  runCases({
      {"ALLTRIM('  a b  ')", "C:a b"},
      {"TRIM('  a  ')", "C:  a"},
      {"RTRIM('a  ')", "C:a"},
      {"LTRIM('  a ')", "C:a "},
      {"UPPER('ca\xF1\xF3n')", "C:CA\xD1\xD3N"},
      {"LOWER('\xC1RBOL')", "C:\xE1rbol"},
      {"SUBSTR('abcdef', 2, 3)", "C:bcd"},
      {"SUBSTR('abcdef', 4)", "C:def"},
      {"SUBSTR('abcdef', -2)", "C:ef"},
      {"SUBSTR('abcdef', 0, 2)", "C:ab"},
      {"SUBSTR('abcdef', 9)", "C:"},
      {"SUBSTR('abcdef', 2, -1)", "C:"},
      {"LEFT('abc', 2)", "C:ab"},
      {"LEFT('abc', 9)", "C:abc"},
      {"RIGHT('abc', 2)", "C:bc"},
      {"RIGHT('abc', 0)", "C:"},
      {"PADR('ab', 4) + '|'", "C:ab  |"},
      {"PADL('ab', 4, '*')", "C:**ab"},
      {"PADC('ab', 5, '.')", "C:.ab.."},
      {"PADR('abcdef', 3)", "C:abc"},
      {"PADL(42, 5)", "C:   42"},
      {"SPACE(3) + 'x'", "C:   x"},
      {"REPLICATE('ab', 3)", "C:ababab"},
      {"REPLICATE('ab', 0)", "C:"},
      {"LEN('abc')", "N:3"},
      {"LEN({1, 2})", "N:2"},
      {"AT('b', 'abcb')", "N:2"},
      {"RAT('b', 'abcb')", "N:4"},
      {"AT('z', 'abc')", "N:0"},
      {"AT('', 'abc')", "N:0"},
      {"CHR(65)", "C:A"},
      {"ASC('A')", "N:65"},
      {"ASC('')", "N:0"},
      {"ISDIGIT('1a')", "L:.T."},
      {"ISDIGIT('a1')", "L:.F."},
      {"ISALPHA('\xF1')", "L:.T."},
      {"ISALPHA('1')", "L:.F."},
      {"EMPTY('  ')", "L:.T."},
      {"EMPTY(' x')", "L:.F."},
      {"EMPTY('')", "L:.T."},
      {"EMPTY(0)", "L:.T."},
      {"EMPTY(.F.)", "L:.T."},
      {"EMPTY(NIL)", "L:.T."},
      {"EMPTY({})", "L:.T."},
      {"EMPTY({0})", "L:.F."},
      {"upper('x')", "C:X"},
      {"Upper ( 'x' )", "C:X"},
  });
}

TEST(Expr, NumberFunctions) {
  runCases({
      {"STR(5)", "C:         5"},
      {"STR(1.5)", "C:         1.5"},
      {"STR(3.14159, 6, 2)", "C:  3.14"},
      {"STR(2.5, 3)", "C:  3"},
      {"STR(12345, 3)", "C:***"},
      {"STR(-1.5, 5, 1)", "C: -1.5"},
      {"STRZERO(42, 5)", "C:00042"},
      {"STRZERO(-5, 4)", "C:-005"},
      {"VAL('12.50')", "N:12.5"},
      {"VAL('  -3')", "N:-3"},
      {"VAL('abc')", "N:0"},
      {"VAL('7x')", "N:7"},
      {"ROUND(2.345, 2)", "N:2.35"},
      {"ROUND(2.675, 2)", "N:2.68"},
      {"ROUND(-2.5, 0)", "N:-3"},
      {"ROUND(1234, -2)", "N:1200"},
      {"INT(-2.7)", "N:-2"},
      {"ABS(-3)", "N:3"},
      {"MAX(3, 7)", "N:7"},
      {"MIN(3, 7)", "N:3"},
      {"MAX(STOD('20200101'), STOD('20210101'))", "D:01-01-2021"},
      {"MOD(7, 3)", "N:1"},
      {"MOD(-1, 3)", "N:2"},
      {"MOD(1, -3)", "N:-2"},
      {"TRANSFORM(1234.5, '9,999.99')", "C:1,234.50"},
      {"TRANSFORM(5, '999')", "C:  5"},
      {"TRANSFORM(12345, '999')", "C:***"},
      {"TRANSFORM(-5.5, '999.9')", "C: -5.5"},
      {"TRANSFORM(0, '@Z 999')", "C:   "},
      {"TRANSFORM(1234.5, '@E 9,999.99')", "C:1.234,50"},
      {"TRANSFORM('abc', '@!')", "C:ABC"},
      {"TRANSFORM('123456', '@R 999-999')", "C:123-456"},
      {"TRANSFORM('abc', '!XX')", "C:Abc"},
      {"TRANSFORM(.T., 'Y')", "C:Y"},
      {"TRANSFORM(STOD('20240229'), '@D')", "C:29-02-2024"},
      {"VALTYPE(1)", "C:N"},
      {"VALTYPE('x')", "C:C"},
      {"VALTYPE(NIL)", "C:U"},
      {"VALTYPE({})", "C:A"},
      {"VALTYPE(.T.)", "C:L"},
      {"IIF(1 < 2, 'yes', 'no')", "C:yes"},
      {"IF(.F., 1, 2)", "N:2"},
      {"IIF(.T., 1, UNDEFINED_NAME)", "N:1"},
  });
}

TEST(Expr, ListsAndSubscripts) {
  runCases({
      {"(1, 2, 3)", "N:3"},
      {"1, 2", "N:2"},
      {"{10, 20, 30}[2]", "N:20"},
      {"{{1, 2}, {3, 4}}[2][1]", "N:3"},
      {"{'NOMBRE', 'C', 25, 0}", "A:{\"NOMBRE\", \"C\", 25, 0}"},
      {"{{\"NOMBRE\",\"C\",25,0},{\"ULTIMA\",\"L\",1,0}}", "A:{{\"NOMBRE\", \"C\", 25, 0}, {\"ULTIMA\", \"L\", 1, 0}}"},
  });
}

TEST(Expr, FieldsOfTheCurrentRow) {
  MemoryRow row = productRow();
  runCases(
      {
          {"_Field->CODIGO+_Field->DGCNT", "C:8412345678901            3"},
          {"CODIGO+DGCNT", "C:8412345678901            3"},
          {"codigo + dgcnt", "C:8412345678901            3"},
          {"FIELD->TIPOBAR", "C:13"},
          {"CodPro2->TIPOBAR", "C:13"},
          {"CODPRO2->(TIPOBAR + DGCNT)", "C:133"},
          {"!Empty(TipoBar)", "L:.T."},
          {"!DELETED()", "L:.T."},
          {"PRECIO * 2", "N:25"},
          {"DTOS(ALTA)", "C:20240229"},
          {"ACTIVO .AND. PRECIO > 10", "L:.T."},
          {"ALLTRIM(NOMETI)", "C:Caf\xE9 molido"},
          {"UPPER(NOMETI)", "C:CAF\xC9 MOLIDO"},
          {"RECNO()", "N:1"},
          {"RECCOUNT()", "N:1"},
          {"LASTREC()", "N:1"},
          {"EOF()", "L:.F."},
          {"BOF()", "L:.F."},
          {"ALIAS()", "C:CodPro2"},
      },
      &row);
  row.isDeleted = true;
  EXPECT_EQ(shown(evaluate("!Deleted()", &row)), "L:.F.");
}

TEST(Expr, RowFunctionsWithoutATable) {
  runCases({{"DELETED()", "L:.F."}, {"RECNO()", "N:0"}, {"EOF()", "L:.T."}, {"BOF()", "L:.T."}});
}

TEST(Expr, CompiledOnceEvaluatedManyTimes) {
  MemoryRow row = productRow();
  Expr key = Expr::compile("_Field->CODIGO+_Field->DGCNT");
  ASSERT_TRUE(key.valid());
  EXPECT_EQ(key.text(), "_Field->CODIGO+_Field->DGCNT");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(key.eval(&row).text(), "8412345678901            3");
  // Another table in the area: the field positions are looked up again.
  row.setFields({{"DGCNT", Value("9")}, {"CODIGO", Value("77")}});
  EXPECT_EQ(key.eval(&row).text(), "779");
}

TEST(Expr, UnqualifiedNameIsAFieldBeforeANamedValue) {
  MemoryRow row = productRow();
  PrivateScope scope;
  scope.declare("DGCNT", Value("private"));
  scope.declare("OTRO", Value("other"));
  EXPECT_EQ(evaluate("DGCNT", &row).text(), "3");
  EXPECT_EQ(evaluate("M->DGCNT", &row).text(), "private");
  EXPECT_EQ(evaluate("OTRO", &row).text(), "other");
  EXPECT_EQ(evaluate("DGCNT").text(), "private");
}

TEST(Expr, WorkspaceGivesTheCurrentAreaAndAliases) {
  MemoryRow codpro = productRow();
  MemoryRow labels("Labels2", {{"NOMBRE", Value("A4 3x8")}});
  FakeWorkspace ws;
  ws.areas = {&codpro, &labels};
  ws.cur = &codpro;
  Workspace* old = setWorkspace(&ws);
  EXPECT_EQ(evaluate("DGCNT").text(), "3");
  EXPECT_EQ(evaluate("Labels2->NOMBRE").text(), "A4 3x8");
  EXPECT_EQ(evaluate("LABELS2->(NOMBRE) + DGCNT").text(), "A4 3x83");
  EXPECT_EQ(evaluate("NOMBRE", &labels).text(), "A4 3x8");
  setWorkspace(old);
}

TEST(Expr, Assignment) {
  MemoryRow row = productRow();
  PrivateScope scope;
  scope.declare("N", Value(1));
  EXPECT_EQ(evaluate("N := N + 1").num(), 2);
  EXPECT_EQ(findNamed("n")->num(), 2);
  EXPECT_EQ(evaluate("(N := 10, N * 2)").num(), 20);
  EXPECT_EQ(evaluate("DGCNT := 'X'", &row).text(), "X");
  EXPECT_EQ(row.field("DGCNT").text(), "X");
  evaluate("_FIELD->TIPOBAR := '8'", &row);
  EXPECT_EQ(row.field("TIPOBAR").text(), "8");
  // A field keeps its type.
  EXPECT_THROW(evaluate("TIPOBAR := 8", &row), RuntimeError);
  EXPECT_EQ(row.field("TIPOBAR").text(), "8");
  evaluate("M->DGCNT := 'memvar'", &row);
  EXPECT_EQ(findNamed("DGCNT")->text(), "memvar");
  EXPECT_EQ(row.field("DGCNT").text(), "X");
  // An assignment to a new name creates a private value of the innermost scope.
  evaluate("NUEVO := 5");
  EXPECT_EQ(findNamed("NUEVO")->num(), 5);
  EXPECT_FALSE(isPublic("NUEVO"));
  EXPECT_EQ(evaluate("A := B := 3").num(), 3);
  EXPECT_EQ(evaluate("A + B").num(), 6);
  Value arr = Value::array({Value(1), Value(2)});
  scope.declare("ARR", arr);
  evaluate("ARR[2] := 'dos'");
  EXPECT_EQ((*arr.arr())[1].text(), "dos");
  // An array may not be put inside itself.
  EXPECT_THROW(evaluate("ARR[1] := ARR"), RuntimeError);
  EXPECT_THROW(evaluate("ARR[1] := {1, {ARR}}"), RuntimeError);
  EXPECT_EQ(evaluate("ARR[1] := {1, {2}}, LEN(ARR[1])").num(), 2);
}

struct ErrCase {
  const char* expr;
  int genCode;
};

// Errors reach the hook; the plain handler turns them into RuntimeError.
void runErrors(const std::vector<ErrCase>& cases, RowSource* row = nullptr) {
  for (const auto& c : cases) {
    try {
      Value v = evaluate(c.expr, row);
      ADD_FAILURE() << c.expr << " gave " << displayText(v);
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.error().genCode, c.genCode) << c.expr << ": " << e.what();
      EXPECT_EQ(e.error().subsystem, "BASE") << c.expr;
      EXPECT_NE(e.error().description.find("expresi\xC3\xB3n"), std::string::npos) << e.what();
    }
  }
}

TEST(Expr, ErrorsGoToTheHook) {
  runErrors({
      {"1 +", kGenSyntax},
      {"(1", kGenSyntax},
      {"1)", kGenSyntax},
      {"'abc", kGenSyntax},
      {"[abc", kGenSyntax},
      {"1 2", kGenSyntax},
      {"", kGenSyntax},
      {"   ", kGenSyntax},
      {"{1,", kGenSyntax},
      {"1 := 2", kGenSyntax},
      {"a & b", kGenSyntax},
      {".X.", kGenSyntax},
      {"12abc", kGenSyntax},
      {"NOSUCHFUNC(1)", kGenNoFunc},
      {"SUBSTR('a')", kGenArgument},
      {"LEN('a', 'b')", kGenArgument},
      {"IIF(.T., 1)", kGenArgument},
      {"NOSUCHNAME", kGenNoVar},
      {"M->NOSUCHNAME", kGenNoVar},
      {"FIELD->CODIGO", kGenNoVar},
      {"NOALIAS->CODIGO", kGenNoAlias},
      {"1 + 'a'", kGenArgument},
      {"'a' - 1", kGenArgument},
      {"'a' * 2", kGenArgument},
      {"-'a'", kGenArgument},
      {"!1", kGenArgument},
      {"1 .AND. .T.", kGenArgument},
      {".F. .OR. 1", kGenArgument},
      {"1 < 'a'", kGenArgument},
      {"NIL < 1", kGenArgument},
      {"{} = {}", kGenArgument},
      {"UPPER(1)", kGenArgument},
      {"SUBSTR(1, 1)", kGenArgument},
      {"DTOS('x')", kGenArgument},
      {"IIF(1, 2, 3)", kGenArgument},
      {"{1}[2]", kGenBound},
      {"{1}[0]", kGenBound},
      {"1[1]", kGenArgument},
      {"1 / 0", kGenZeroDiv},
      {"1 % 0", kGenZeroDiv},
      {"MOD(1, 0)", kGenZeroDiv},
      {"REPLICATE('x', 2000000)", kGenStrOverflow},
      {"SPACE(2000000)", kGenStrOverflow},
      {"1e10", kGenSyntax},
  });
}

TEST(Expr, FieldErrorsNameTheField) {
  MemoryRow row = productRow();
  runErrors({{"FIELD->NOSUCH", kGenNoVar}, {"CodPro2->NOSUCH", kGenNoVar}}, &row);
  try {
    evaluate("FIELD->NOSUCH", &row);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().operation, "FIELD->NOSUCH");
  }
}

TEST(Expr, ErrorDescriptionNamesTheExpression) {
  try {
    evaluate("CODIGO + NOSUCHNAME");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().subCode, 1003);
    EXPECT_EQ(e.error().operation, "CODIGO");
    EXPECT_NE(std::string(e.what()).find("\"CODIGO + NOSUCHNAME\""), std::string::npos) << e.what();
  }
  try {
    Expr::compile("1 + * 2");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().subCode, 1449);
    EXPECT_NE(e.error().description.find("posici\xC3\xB3n 5"), std::string::npos) << e.what();
  }
}

// A handler that takes the default or substitutes a value lets evaluation go on.
TEST(Expr, HandlerAnswersAreHonoured) {
  std::vector<Error> seen;
  ErrorHandler old = setErrorHandler([&](const Error& e) {
    seen.push_back(e);
    if (e.genCode == kGenZeroDiv) return ErrorAnswer{ErrorAnswer::Substitute, Value(0)};
    return ErrorAnswer{ErrorAnswer::Default, {}};
  });
  EXPECT_EQ(shown(evaluate("10 / 0")), "N:0");
  EXPECT_EQ(shown(evaluate("1 + (10 / 0)")), "N:1");
  EXPECT_EQ(shown(evaluate("NOSUCHNAME")), "U:NIL");
  Expr bad = Expr::compile("1 +");
  EXPECT_FALSE(bad.valid());
  EXPECT_EQ(shown(bad.eval()), "U:NIL");
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].genCode, kGenZeroDiv);
  EXPECT_EQ(seen[0].subCode, 1340);
  EXPECT_EQ(seen[3].genCode, kGenSyntax);
  setErrorHandler(old);
}

TEST(Expr, RetryResolvesANameDeclaredByTheHandler) {
  int calls = 0;
  ErrorHandler old = setErrorHandler([&](const Error& e) {
    ++calls;
    EXPECT_TRUE(e.canRetry);
    PUBLICA("LATE", Value(42));
    return ErrorAnswer{ErrorAnswer::Retry, {}};
  });
  EXPECT_EQ(evaluate("LATE + 1").num(), 43);
  EXPECT_EQ(calls, 1);
  releasePublic("LATE");
  setErrorHandler(old);
}

TEST(Expr, HostileTextsGiveAClearError) {
  struct H {
    std::string text;
    int genCode;
  } cases[] = {
      {std::string(10000, '(') + "1" + std::string(10000, ')'), kGenComplexity},
      {"\"" + std::string(1 << 20, 'x') + "\"", kGenComplexity},
      {std::string(5000, '-') + "1", kGenComplexity},
      {"1" + [] {
         std::string s;
         for (int i = 0; i < 3000; ++i) s += "+1";
         return s;
       }(),
       kGenComplexity},
      {std::string("\x01\xff\x80\x00", 4), kGenSyntax},
      {"{" + std::string(200, '{') + std::string(201, '}'), kGenComplexity},
  };
  for (const auto& c : cases) {
    try {
      evaluate(c.text);
      ADD_FAILURE() << "no error for a text of " << c.text.size();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.error().genCode, c.genCode) << e.what();
    }
  }
}

// Each text is bounded, and so is the text one evaluation keeps.
TEST(Expr, KeptTextIsBounded) {
  PrivateScope scope;
  std::string many = "{";
  for (int i = 0; i < 20; ++i) many += std::string(i ? "," : "") + "REPLICATE('x', 1000000)";
  many += "}";
  std::string assigns = "X1 := SPACE(1000000)";
  for (int i = 2; i <= 20; ++i) assigns += ", X" + std::to_string(i) + " := SPACE(1000000)";
  for (const std::string& text : {many, assigns}) {
    try {
      evaluate(text);
      ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.error().genCode, kGenStrOverflow) << e.what();
    }
  }
  EXPECT_EQ(evaluate("LEN({SPACE(1000000), SPACE(1000000)}[2])").num(), 1000000);
}

TEST(Expr, ATextOfManyTermsWithinTheLimitsWorks) {
  std::string s = "0";
  for (int i = 0; i < 500; ++i) s += "+1";
  EXPECT_EQ(evaluate(s).num(), 500);
  std::string nested = std::string(60, '(') + "2" + std::string(60, ')');
  EXPECT_EQ(evaluate(nested).num(), 2);
}

}  // namespace
}  // namespace xb
