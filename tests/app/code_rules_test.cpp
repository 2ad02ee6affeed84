// The rules the code screens share: options and their stored symbology
// codes, check digits typed or generated, search keys and the lookup in the
// product-code table.
#include "app/code_rules.h"

#include <gtest/gtest.h>

#include "data/engine/workspace.h"
#include "tests/app/data_folder.h"
#include "xbase/memvar.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

using qvtest::DataFolder;

std::string keyOf(const std::string& code, const std::string& check) {
  return code + std::string(25 - code.size(), ' ') + check;
}

std::string named(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v ? v->text() : "(none)";
}

TEST(CodeRules, StoredSymbologyCodesGiveTheirOption) {
  const struct {
    const char* stored;
    int option;
  } cases[] = {{"13", 1},    {"UPCA      ", 2}, {"8", 3},   {"128", 4}, {"3-9", 5},  {"IND25", 6},
               {"MAT25", 7}, {"5", 8},          {"", 1},    {"CODABAR", 1}, {"INT25", 1}, {"13  ", 1}};
  for (const auto& c : cases) EXPECT_EQ(qv::optionForTipoBar(c.stored), c.option) << '"' << c.stored << '"';
  for (const qv::SymbologyOption& o : qv::symbologyOptions()) {
    EXPECT_EQ(o.radioId, 100 + o.option);
    EXPECT_EQ(qv::optionForTipoBar(qv::tipoBarForOption(o.option)), o.option);
  }
}

TEST(CodeRules, CheckDigitsForCodesTypedWithoutThem) {
  const struct {
    int option;
    const char* digits;
    const char* check;  // nullptr: none
    bool wrongLength;
  } cases[] = {
      {1, "789600949065", "1", false}, {2, "789600949065", nullptr, true}, {2, "05111112881", "7", false},
      {3, "7860002", "7", false},      {3, " 786 0002 ", "7", false},      {1, "78960094906", nullptr, true},
      {4, "12345", nullptr, false},    {5, "ABC", nullptr, false},         {8, "12345", nullptr, false},
  };
  for (const auto& c : cases) {
    bool wrong = !c.wrongLength;
    auto check = qv::checkDigitFor(c.option, c.digits, &wrong);
    EXPECT_EQ(check.has_value(), c.check != nullptr) << c.option << " " << c.digits;
    if (check && c.check) {
      EXPECT_EQ(*check, c.check) << c.option << " " << c.digits;
    }
    EXPECT_EQ(wrong, c.wrongLength) << c.option << " " << c.digits;
  }
  EXPECT_EQ(qv::withoutBlanks(" 786 0002 "), "7860002");
}

TEST(CodeRules, CompleteCodesAreCheckedBeforeTheyAreStored) {
  using V = qv::CodeCheck::Verdict;
  const struct {
    int option;
    const char* code;
    V verdict;
    const char* key;  // when Ok
    const char* check;
  } cases[] = {
      {1, "7896009490651", V::Ok, "789600949065", "1"},
      {1, "7896009490652", V::WrongCheck, "", ""},
      {1, "789600949065", V::WrongLength, "", ""},
      {1, "7896009490651 ", V::Ok, "789600949065", "1"},
      {2, "051111128817", V::Ok, "05111112881", "7"},
      {2, "7896009490651", V::WrongLength, "", ""},
      {3, "78600027", V::Ok, "7860002", "7"},
      {3, "78600020", V::WrongCheck, "", ""},
      {1, "78960094906A1", V::WrongCheck, "", ""},  // a letter counts 0: the digit is not 1
      {5, "ANY TEXT-1.5 $/+%", V::Ok, "ANY TEXT-1.5 $/+%", ""},
      {4, "ABC-123", V::Ok, "ABC-123", ""},
      {8, "52495", V::Ok, "52495", ""},
  };
  for (const auto& c : cases) {
    const qv::CodeCheck got = qv::checkCodeToStore(c.option, c.code);
    EXPECT_EQ(got.verdict, c.verdict) << c.option << " " << c.code;
    if (c.verdict != V::Ok) continue;
    EXPECT_EQ(got.key, keyOf(c.key, c.check)) << c.option << " " << c.code;
    EXPECT_EQ(got.check, c.check) << c.option << " " << c.code;
  }
}

TEST(CodeRules, CodesKeptWholeMustBeOnesTheirSymbologyCanCarry) {
  // Codes in Windows-1252 bytes, as the screens pass them.
  const struct {
    int option;
    const char* code;
    const char* why;  // part of the refusal; empty: accepted
  } cases[] = {
      {4, "ABC-123 x/y", ""},
      {4, "A\xD1O", "Code 128 no puede codificar \"Ñ\""},
      {4, "CAF\xC9", "\"É\""},
      {5, "ABC*1", "Code 39 no puede codificar \"*\""},
      {5, "abc", "\"a\""},
      {5, "A-B.C $/+%", ""},
      {6, "0123456789", ""},
      {6, "ABC", "Industrial 2 de 5 admite solo cifras, y el código lleva \"A\"."},
      {6, "12 34", "un espacio"},
      {7, "12A", "Matriz 2 de 5 admite solo cifras"},
      {7, "4711", ""},
      {8, "12345", ""},
      {8, "123", "exactamente cinco cifras, y el código tiene 3."},
      {8, "123456", "tiene 6."},
      {8, "1234X", "admite solo cifras"},
  };
  for (const auto& c : cases) {
    const qv::CodeCheck got = qv::checkCodeToStore(c.option, c.code);
    if (*c.why == 0) {
      EXPECT_EQ(got.verdict, qv::CodeCheck::Ok) << c.option << " " << c.code << ": " << got.why;
    } else {
      EXPECT_EQ(got.verdict, qv::CodeCheck::Unencodable) << c.option << " " << c.code;
      EXPECT_NE(got.why.find(c.why), std::string::npos) << got.why;
      // A code stored before is printed again as it is.
      EXPECT_EQ(qv::checkCodeToStore(c.option, c.code, true).verdict, qv::CodeCheck::Ok) << c.code;
    }
  }
  xb::ScriptedPrompter prompts;
  xb::PrompterGuard guard(prompts);
  xb::assignOrCreate("cBusqueda", xb::Value("before"));
  EXPECT_FALSE(qv::validateCodeToStore(7, "ABC"));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].kind, "message");
  EXPECT_EQ(prompts.asked[0].title, "Atención.....");
  EXPECT_EQ(prompts.asked[0].text, "Matriz 2 de 5 admite solo cifras, y el código lleva \"A\".");
  EXPECT_EQ(named("cBusqueda"), "before");
  EXPECT_TRUE(qv::validateCodeToStore(7, "ABC", true));
  xb::releaseAllPublics();
}

TEST(CodeRules, ARejectedCodeShowsItsStopBoxAndChangesNothing) {
  xb::ScriptedPrompter prompts;
  xb::PrompterGuard guard(prompts);
  xb::assignOrCreate("cBusqueda", xb::Value("before"));
  xb::assignOrCreate("cCodiCont", xb::Value("b"));
  EXPECT_FALSE(qv::validateCodeToStore(1, "789600949065"));
  EXPECT_FALSE(qv::validateCodeToStore(1, "7896009490652"));
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[0].title, "Atención.....");
  EXPECT_EQ(prompts.asked[0].text, "Número de Dígitos no corresponde al tipo de Código");
  EXPECT_EQ(prompts.asked[1].title, "Atención.....");
  EXPECT_EQ(prompts.asked[1].text, "Dígito de Control del Código incorrecto");
  EXPECT_EQ(named("cBusqueda"), "before");
  EXPECT_EQ(named("cCodiCont"), "b");

  EXPECT_TRUE(qv::validateCodeToStore(1, "7896009490651"));
  EXPECT_EQ(named("cBusqueda"), keyOf("789600949065", "1"));
  EXPECT_EQ(named("cCodiCont"), "1");
  EXPECT_TRUE(qv::validateCodeToStore(5, "ABC"));
  EXPECT_EQ(named("cBusqueda"), keyOf("ABC", ""));
  EXPECT_EQ(named("cCodiCont"), "");
  EXPECT_EQ(prompts.asked.size(), 2u);
  xb::releaseAllPublics();
}

TEST(CodeRules, TheSearchKeyIsTheCodeWithItsLastCharacterApart) {
  EXPECT_EQ(qv::searchKeyOf("ABC").key, keyOf("AB", "C"));
  EXPECT_EQ(qv::searchKeyOf("ABC").check, "C");
  EXPECT_EQ(qv::searchKeyOf("  7896009490651   ").key, keyOf("789600949065", "1"));
  EXPECT_EQ(qv::searchKeyOf("   ").key, std::string(25, ' '));
  EXPECT_EQ(qv::searchKeyOf("").check, "");
}

TEST_F(DataFolder, LookupFindsACodeOrLeavesTheTableWhereItWas) {
  qv::ABREBASES();
  auto& areas = xb::engine::workAreas();
  xb::engine::WorkArea* a = areas.find("CodPro2");
  ASSERT_NE(a, nullptr);
  const struct {
    const char* code;
    const char* check;
    const char* tipo;
  } rows[] = {{"789600949065", "1", "13"}, {"05111112881", "7", "UPCA"}, {"ABC-1", "", "3-9"}};
  for (const auto& r : rows) {
    ASSERT_TRUE(a->appendBlank());
    a->fieldPut("CODIGO", xb::Value(r.code));
    a->fieldPut("DGCNT", xb::Value(r.check));
    a->fieldPut("TIPOBAR", xb::Value(r.tipo));
    a->unlock();
  }
  a->goTo(2);

  EXPECT_TRUE(qv::BUSCACOD2("7896009490651"));
  EXPECT_EQ(a->recno(), 1);
  EXPECT_EQ(named("cBusqueda"), keyOf("789600949065", "1"));
  EXPECT_EQ(named("cCodiCont"), "1");

  a->goTo(2);
  EXPECT_FALSE(qv::BUSCACOD2("7896009490652"));  // the check digit is not recomputed
  EXPECT_EQ(a->recno(), 2);
  EXPECT_FALSE(a->eof());
  EXPECT_EQ(named("cBusqueda"), keyOf("789600949065", "2"));
  EXPECT_EQ(named("cCodiCont"), "2");

  // A code stored whole, without a check digit, is found as typed.
  EXPECT_TRUE(qv::BUSCACOD2("ABC-1"));
  EXPECT_EQ(a->recno(), 3);
  EXPECT_EQ(named("cBusqueda"), keyOf("ABC-1", " "));
  EXPECT_EQ(named("cCodiCont"), "");

  // The current area stays what it was.
  areas.select(std::string_view("Labels2"));
  EXPECT_TRUE(qv::BUSCACOD2("051111128817"));
  EXPECT_EQ(a->recno(), 2);
  EXPECT_EQ(areas.area().alias(), "LABELS2");
}

}  // namespace
