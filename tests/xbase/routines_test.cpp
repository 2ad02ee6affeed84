#include "xbase/routines.h"

#include <gtest/gtest.h>

#include "xbase/error.h"
#include "xbase/format.h"
#include "xbase/memvar.h"

namespace xb {
namespace {

TEST(Estatica, NewNameGivesNoneThenTheStoredValue) {
  EXPECT_TRUE(ESTATICA("x", Value(1)).isNil());
  EXPECT_EQ(ESTATICA("X").num(), 1);
  EXPECT_EQ(ESTATICA("X", Value(2)).num(), 1);
  EXPECT_EQ(ESTATICA("x").num(), 2);
}

TEST(Estatica, NewNameWithoutValueIsRegisteredEmpty) {
  EXPECT_TRUE(ESTATICA("solo_nombre").isNil());
  EXPECT_TRUE(ESTATICA("SOLO_NOMBRE", Value("v")).isNil());
  EXPECT_EQ(ESTATICA("Solo_Nombre").text(), "v");
}

TEST(Estatica, AnyValueType) {
  Value list = Value::array({Value(1)});
  ESTATICA("lista", list);
  EXPECT_EQ(ESTATICA("LISTA").arr(), list.arr());
  ESTATICA("fecha", Value(Date{2451545}));
  EXPECT_EQ(ESTATICA("FECHA").date().jd, 2451545);
}

TEST(DivZero, Cases) {
  struct Case {
    Value a, b;
    const char* want;
  } cases[] = {
      {Value(7), Value(0), "0"},   {Value(0), Value(0), "0"},      {Value(7), Value(2), "3.5"},
      {Value(-1), Value(8), "-0.125"}, {Value(6), Value(3), "2"}, {Value(1.5, 1), Value(0.5, 1), "3"},
      {Value("x"), Value(0), "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(displayText(DIV_ZERO(c.a, c.b)), c.want);
}

TEST(DivZero, ArgumentsThatAreNotNumbersGoToTheHook) {
  EXPECT_THROW(DIV_ZERO(Value("x"), Value(2)), RuntimeError);
  EXPECT_THROW(DIV_ZERO(Value(1), Value()), RuntimeError);
}

TEST(Evalua, Cases) {
  struct Case {
    const char* text;
    const char* want;
  } cases[] = {
      {"", ".T."},
      {"   ", ".T."},
      {"1 + 2", "3"},
      {"{\"NOMBRE\",\"C\",25,0}", "{\"NOMBRE\", \"C\", 25, 0}"},
      {"UPPER('abc')", "ABC"},
  };
  for (const auto& c : cases) EXPECT_EQ(displayText(EVALUA(c.text)), c.want) << c.text;
}

TEST(Evalua, ErrorsGoToTheHook) {
  EXPECT_THROW(EVALUA("1 +"), RuntimeError);
  EXPECT_THROW(EVALUA("NOSUCHNAME"), RuntimeError);
}

TEST(Ciclo, RunsTheBodyWhileTheConditionHolds) {
  PrivateScope scope;
  scope.declare("I", Value(0));
  scope.declare("ACC", Value(""));
  CICLO("I := I + 1, ACC := ACC + STR(I, 1)", "I < 5");
  EXPECT_EQ(findNamed("I")->num(), 5);
  EXPECT_EQ(findNamed("ACC")->text(), "12345");
}

TEST(Ciclo, ConditionFalseAtOnceRunsNothing) {
  PrivateScope scope;
  scope.declare("I", Value(0));
  CICLO("I := I + 1", ".F.");
  EXPECT_EQ(findNamed("I")->num(), 0);
}

TEST(Ciclo, TheBodyValueIsKeptInAPrivateZ) {
  PrivateScope scope;
  scope.declare("I", Value(0));
  scope.declare("LAST", Value());
  // The condition sees Z, the body's last value; Z is gone afterwards.
  CICLO("I := I + 1, I * 10", "(LAST := Z, Z == NIL .OR. Z < 30)");
  EXPECT_EQ(findNamed("I")->num(), 3);
  EXPECT_EQ(findNamed("LAST")->num(), 30);
  EXPECT_EQ(findNamed("Z"), nullptr);
}

TEST(Ciclo, ZHidesAnApplicationWideZOnlyDuringTheLoop) {
  PUBLICA("Z", Value("public"));
  PrivateScope scope;
  scope.declare("N", Value(0));
  CICLO("N := N + 1", "N < 2");
  EXPECT_EQ(findNamed("Z")->text(), "public");
  releasePublic("Z");
}

TEST(Ciclo, ANonLogicalConditionIsAnErrorAndEndsTheLoop) {
  EXPECT_THROW(CICLO("1", "'x'"), RuntimeError);
  ErrorHandler old = setErrorHandler([](const Error&) { return ErrorAnswer{}; });
  CICLO("1", "'x'");
  setErrorHandler(old);
}

}  // namespace
}  // namespace xb
