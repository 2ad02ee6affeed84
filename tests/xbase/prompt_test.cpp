#include "tests/xbase/scripted_prompter.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

TEST(Prompter, ScriptedAnswersInOrderThenZero) {
  ScriptedPrompter p;
  PrompterGuard g(p);
  p.alertAnswers = {2, 1};
  EXPECT_EQ(prompter().alert("a", {"x", "y"}, "t", 1), 2);
  EXPECT_EQ(prompter().alert("b", {"x"}, "t", 1), 1);
  EXPECT_EQ(prompter().alert("c", {"x"}, "t", 1), 0);
  ASSERT_EQ(p.asked.size(), 3u);
  EXPECT_EQ(p.asked[1].text, "b");
}

TEST(Prompter, ScriptedQuestionsAreRecordedWithTheirAnswers) {
  ScriptedPrompter p;
  PrompterGuard g(p);
  p.yesNoAnswers = {true, false};
  p.inputAnswers = {std::string("abc"), std::nullopt, std::string("más largo que el inicial")};
  p.fileAnswers = {std::string("/tmp/CodPro.eti")};
  EXPECT_TRUE(prompter().noYes("Borrar", "¿ Seguro ?"));
  EXPECT_FALSE(prompter().yesNo("t", "q"));
  EXPECT_FALSE(prompter().noYes("t", "q"));  // answers used up
  EXPECT_EQ(prompter().input("Nuevo", "Nombre", std::string(5, ' '), "ICONOS\\X.BMP"), "abc  ");
  EXPECT_EQ(prompter().input("Nuevo", "Nombre", "ab", ""), std::nullopt);
  EXPECT_EQ(prompter().input("Nuevo", "Nombre", "ab", ""), "más largo que el inicial");
  EXPECT_EQ(prompter().input("Nuevo", "Nombre", "ab", ""), std::nullopt);  // answers used up
  EXPECT_EQ(prompter().openFile("Elija", "Etiquetas (*.eti)| *.eti|"), "/tmp/CodPro.eti");
  EXPECT_EQ(prompter().openFile("Elija", "x"), std::nullopt);

  struct Want {
    const char* kind;
    const char* title;
    const char* text;
    const char* value;
    const char* picture;
  };
  const Want want[] = {
      {"noyes", "Borrar", "¿ Seguro ?", "", ""},
      {"yesno", "t", "q", "", ""},
      {"noyes", "t", "q", "", ""},
      {"input", "Nuevo", "Nombre", "     ", "ICONOS\\X.BMP"},
      {"input", "Nuevo", "Nombre", "ab", ""},
      {"input", "Nuevo", "Nombre", "ab", ""},
      {"input", "Nuevo", "Nombre", "ab", ""},
      {"file", "Elija", "", "Etiquetas (*.eti)| *.eti|", ""},
      {"file", "Elija", "", "x", ""},
  };
  ASSERT_EQ(p.asked.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(p.asked[i].kind, want[i].kind) << i;
    EXPECT_EQ(p.asked[i].title, want[i].title) << i;
    EXPECT_EQ(p.asked[i].text, want[i].text) << i;
    EXPECT_EQ(p.asked[i].value, want[i].value) << i;
    EXPECT_EQ(p.asked[i].picture, want[i].picture) << i;
  }
}

TEST(Prompter, HeadlessAnswersAsIfEveryBoxWereClosed) {
  HeadlessPrompter h;
  EXPECT_EQ(h.alert("m", {"a", "b"}, "t", 2), 0);
  EXPECT_FALSE(h.yesNo("t", "q"));
  EXPECT_FALSE(h.noYes("t", "q"));
  EXPECT_EQ(h.input("t", "p", "inicial", ""), std::nullopt);
  EXPECT_EQ(h.openFile("t", "*.eti"), std::nullopt);
}

TEST(Prompter, InputAnswersArePaddedToTheInitialLengthInCharacters) {
  struct Case {
    const char* typed;
    const char* initial;
    const char* want;
  };
  const Case cases[] = {
      {"", "   ", "   "},        {"a", "   ", "a  "},     {"ñá", "    ", "ñá  "},
      {"abcd", "ab", "abcd"},    {"x", "", "x"},          {"abc", "ñññ", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(padInput(c.typed, c.initial), c.want) << c.typed << "/" << c.initial;
}

TEST(Prompter, GuardRestoresTheHeadlessOne) {
  Prompter* before = &prompter();
  {
    ScriptedPrompter p;
    PrompterGuard g(p);
    EXPECT_EQ(&prompter(), &p);
  }
  EXPECT_EQ(&prompter(), before);
}

}  // namespace
}  // namespace xb
