#include "xbase/tpublic.h"

#include <gtest/gtest.h>

#include "xbase/error.h"
#include "xbase/expr.h"
#include "xbase/format.h"
#include "xbase/memvar.h"

namespace xb {
namespace {

std::vector<std::string> names(const TPublic& p) {
  std::vector<std::string> out;
  for (const auto& e : p.aVars) out.push_back(e.name);
  return out;
}

TEST(TPublic, NewStoreIsEmptyAndAutomatic) {
  TPublic p;
  EXPECT_TRUE(p.lAutomatic);
  EXPECT_EQ(p.nCount(), 0);
  EXPECT_EQ(p.nPos, 0);
  EXPECT_EQ(p.cName, "");
  EXPECT_EQ(p.className(), "TPUBLIC");
  EXPECT_FALSE(TPublic(false).lAutomatic);
}

TEST(TPublic, AddTheSameNameTwiceKeepsOneEntry) {
  TPublic p;
  p.Add("nLinEjec", 0).Add("NLINEJEC", 5);
  ASSERT_EQ(p.nCount(), 1);
  EXPECT_EQ(p.aVars[0].name, "NLINEJEC");
  EXPECT_EQ(p.Get("nLinEjec").num(), 5);
  EXPECT_EQ(p.Get("  nlinejec  ").num(), 5);
}

TEST(TPublic, AddMakesTheEntryTheLastLookup) {
  TPublic p;
  p.Add("uno", 1).Add("Dos", 2);
  EXPECT_EQ(p.nPos, 2);
  EXPECT_EQ(p.cName, "Dos");
  p.Add("UNO", 11);
  EXPECT_EQ(p.nPos, 1);
  EXPECT_EQ(names(p), (std::vector<std::string>{"UNO", "DOS"}));
}

TEST(TPublic, MissingNamesDoNothing) {
  TPublic p;
  p.Add("a", 1);
  p.Add(Value(), 2).Add(Value(3), 4).Del(Value()).Set(Value(), 9);
  EXPECT_EQ(p.nCount(), 1);
  EXPECT_FALSE(p.IsDef(Value()));
  EXPECT_EQ(p.GetPos(Value()), 0);
  EXPECT_TRUE(p.Get(Value()).isNil());
}

TEST(TPublic, DelClosesTheGapAndForgetsTheLookup) {
  TPublic p;
  p.Add("a", 1).Add("b", 2).Add("c", 3);
  p.Del("B");
  EXPECT_EQ(names(p), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(p.nPos, 0);
  EXPECT_EQ(p.cName, "");
  EXPECT_EQ(p.Get("c").num(), 3);
  p.Del("a").Del("c");
  EXPECT_EQ(p.nCount(), 0);
  p.Del("nothing");
  EXPECT_EQ(p.nCount(), 0);
}

TEST(TPublic, GetAndSetUseTheLookupCache) {
  TPublic p;
  p.Add("a", 1).Add("b", 2);
  EXPECT_EQ(p.GetPos("a"), 1);
  EXPECT_EQ(p.cName, "a");
  p.Set("a", 10);
  EXPECT_EQ(p.Get("a").num(), 10);
  EXPECT_EQ(p.nPos, 1);
  // A different spelling searches again and becomes the last lookup.
  EXPECT_EQ(p.Get(" B ").num(), 2);
  EXPECT_EQ(p.nPos, 2);
  EXPECT_EQ(p.cName, " B ");
  // A stale cache (the list replaced under it) is not trusted.
  Value saved = p.Save();
  p.Release().Add("b", 20).Add("a", 1);
  p.GetPos("b");
  p.Restore(saved);
  EXPECT_EQ(p.Get("b").num(), 2);
}

TEST(TPublic, GetAndSetOfAnAbsentName) {
  TPublic p;
  p.Add("a", 1);
  EXPECT_TRUE(p.Get("zz").isNil());
  p.Set("zz", 5);
  EXPECT_EQ(p.nCount(), 1);
  EXPECT_EQ(p.GetPos("zz"), 0);
  EXPECT_EQ(p.cName, "zz");
}

TEST(TPublic, IsDef) {
  TPublic p;
  p.Add("a", 1).Add("b", 2);
  EXPECT_TRUE(p.IsDef("b"));
  EXPECT_EQ(p.nPos, 2);
  EXPECT_FALSE(p.IsDef("c"));
  EXPECT_EQ(p.nPos, 0);
  EXPECT_EQ(p.cName, "");
}

TEST(TPublic, ReleaseAndEnd) {
  TPublic p;
  p.Add("a", 1).Add("b", 2);
  p.Release();
  EXPECT_EQ(p.nCount(), 0);
  EXPECT_EQ(p.nPos, 0);
  p.Add("c", 3);
  p.End();
  EXPECT_EQ(p.nCount(), 0);
}

TEST(TPublic, CloneIsAnIndependentCopy) {
  TPublic p;
  Value inner = Value::array({Value(1)});
  p.Add("lista", inner).Add("n", 2);
  Value c = p.Clone();
  ASSERT_TRUE(c.isArray());
  EXPECT_EQ(displayText(c), "{{\"LISTA\", {1}}, {\"N\", 2}}");
  inner.arr()->push_back(Value(2));
  EXPECT_EQ(displayText(c), "{{\"LISTA\", {1}}, {\"N\", 2}}");
}

TEST(TPublic, RestoreUndoesEverythingSinceSave) {
  TPublic p;
  p.Add("a", 1).Add("b", 2);
  Value saved = p.Save();
  p.Add("c", 3);
  p.Set("a", 100);
  p.Del("b");
  p.setMember("nuevo", Value(7));
  p.Restore(saved);
  EXPECT_EQ(names(p), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(p.Get("a").num(), 1);
  EXPECT_EQ(p.Get("b").num(), 2);
  // The saved list itself is not shared with the store.
  p.Set("a", 5);
  p.Restore(saved);
  EXPECT_EQ(p.Get("a").num(), 1);
}

TEST(TPublic, AssigningAnUndeclaredMemberCreatesTheEntryAtTheEnd) {
  TPublic p;
  p.Add("nLinEjec", 0);
  p.setMember("nTotal", Value(7));
  EXPECT_EQ(names(p), (std::vector<std::string>{"NLINEJEC", "NTOTAL"}));
  EXPECT_EQ(p.Get("NTOTAL").num(), 7);
  EXPECT_EQ(p.member("ntotal").num(), 7);
  p.setMember(" NTotal ", Value(8));
  EXPECT_EQ(p.nCount(), 2);
  EXPECT_EQ(p.member("NTOTAL").num(), 8);
  EXPECT_EQ(p.nPos, 2);
  EXPECT_EQ(p.cName, "NTOTAL");
}

TEST(TPublic, ReadingAnUndeclaredMemberRaisesNoExportedMethod) {
  TPublic p;
  p.Add("a", 1);
  p.GetPos("a");
  try {
    p.member("nTotal");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().subsystem, "TPUBLIC");
    EXPECT_EQ(e.error().subCode, 1004);
    EXPECT_EQ(e.error().genCode, kGenNoMethod);
    EXPECT_EQ(e.error().operation, "NTOTAL");
  }
  EXPECT_EQ(p.nPos, 0);
  EXPECT_EQ(p.cName, "");
}

TEST(TPublic, AssigningWithoutAutomaticRaisesNoExportedVariable) {
  TPublic p(false);
  p.Add("a", 1);
  try {
    p.setMember("nTotal", Value(7));
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().subsystem, "TPUBLIC");
    EXPECT_EQ(e.error().subCode, 1005);
    EXPECT_EQ(e.error().operation, "NTOTAL");
  }
  EXPECT_EQ(p.nCount(), 1);
  // With a handler that takes the default the store is unchanged and the lookup forgotten.
  ErrorHandler old = setErrorHandler([](const Error&) { return ErrorAnswer{}; });
  p.GetPos("a");
  p.setMember("nTotal", Value(7));
  EXPECT_EQ(p.nCount(), 1);
  EXPECT_EQ(p.nPos, 0);
  EXPECT_EQ(p.cName, "");
  setErrorHandler(old);
}

TEST(TPublic, MessagesByName) {
  auto p = TPublic::New();
  Value self = p->send("ADD", std::vector<Value>{Value("x"), Value(1)});
  EXPECT_EQ(self.obj().get(), p.get());
  EXPECT_EQ(p->send("get", std::vector<Value>{Value("X")}).num(), 1);
  EXPECT_EQ(p->send("nCount", {}).num(), 1);
  p->send("_Y", std::vector<Value>{Value(2)});
  EXPECT_EQ(p->send("Y", {}).num(), 2);
  EXPECT_EQ(p->send("ISDEF", std::vector<Value>{Value("y")}).logical(), true);
  EXPECT_EQ(p->send("LAUTOMATIC", {}).logical(), true);
  p->send("_lAutomatic", std::vector<Value>{Value(false)});
  EXPECT_FALSE(p->lAutomatic);
}

// The application's store as expressions reach it.
TEST(TPublic, MembersThroughExpressions) {
  auto store = TPublic::New();
  store->Add("nLinEjec", 0);
  PUBLICA("oApEjec", Value(ObjectPtr(store)));
  EXPECT_EQ(evaluate("oApEjec:nLinEjec").num(), 0);
  evaluate("oApEjec:nLinEjec := 12");
  EXPECT_EQ(store->Get("NLINEJEC").num(), 12);
  EXPECT_EQ(evaluate("oApEjec:Get('nLinEjec') + oApEjec:nCount").num(), 13);
  try {
    evaluate("oApEjec:nNoExiste");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().subCode, 1004);
  }
  try {
    evaluate("(1):nLinEjec");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().subCode, 1004);
  }
  std::string adds = "oApEjec:Add('a1', SPACE(1000000))";
  for (int i = 2; i <= 20; ++i) adds += ", oApEjec:Add('a" + std::to_string(i) + "', SPACE(1000000))";
  try {
    evaluate(adds);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().genCode, kGenStrOverflow);
  }
  EXPECT_LT(store->nCount(), 20);
  releasePublic("oApEjec");
}

}  // namespace
}  // namespace xb
