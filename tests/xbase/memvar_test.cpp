#include "xbase/memvar.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

TEST(Memvar, PublicaDeclaresAndReusesByName) {
  PUBLICA("cCodigo", Value(std::string(25, ' ')));
  EXPECT_TRUE(isPublic("CCODIGO"));
  EXPECT_EQ(findNamed("ccodigo")->text().size(), 25u);
  PUBLICA("CCODIGO", Value("x"));
  EXPECT_EQ(findNamed("cCodigo")->text(), "x");
  EXPECT_TRUE(releasePublic(" cCodigo "));
  EXPECT_FALSE(isPublic("cCodigo"));
  EXPECT_FALSE(releasePublic("cCodigo"));
  EXPECT_EQ(findNamed("cCodigo"), nullptr);
}

TEST(Memvar, PublicaWithoutValueIsNil) {
  PUBLICA("hDll");
  ASSERT_NE(findNamed("HDLL"), nullptr);
  EXPECT_TRUE(findNamed("HDLL")->isNil());
  releasePublic("hDll");
}

TEST(Memvar, PrivatesHidePublicsWhileTheirScopeLives) {
  PUBLICA("YALIAS", Value("public"));
  {
    PrivateScope outer;
    outer.declare("yAlias", Value("outer"));
    EXPECT_EQ(findNamed("YALIAS")->text(), "outer");
    {
      PrivateScope inner;
      inner.declare("YALIAS", Value("inner"));
      EXPECT_EQ(findNamed("yalias")->text(), "inner");
      EXPECT_TRUE(assignNamed("YALIAS", Value("changed")));
      EXPECT_EQ(findNamed("YALIAS")->text(), "changed");
    }
    EXPECT_EQ(findNamed("YALIAS")->text(), "outer");
  }
  EXPECT_EQ(findNamed("YALIAS")->text(), "public");
  releasePublic("YALIAS");
}

TEST(Memvar, AssignOrCreate) {
  EXPECT_FALSE(assignNamed("NOPE", Value(1)));
  {
    PrivateScope s;
    assignOrCreate("TMP", Value(1));
    EXPECT_FALSE(isPublic("TMP"));
    EXPECT_EQ(findNamed("TMP")->num(), 1);
  }
  EXPECT_EQ(findNamed("TMP"), nullptr);
  assignOrCreate("TMP", Value(2));
  EXPECT_TRUE(isPublic("TMP"));
  releasePublic("TMP");
}

TEST(Memvar, RecordBufferNames) {
  EXPECT_EQ(recordBufferName("CODIGO"), "MCODIGO");
  EXPECT_EQ(recordBufferName("dgcnt"), "MDGCNT");
}

TEST(Memvar, GenerationChangesWithTheSetOfNames) {
  uint64_t g = namesGeneration();
  PUBLICA("GEN_TEST", Value(1));
  EXPECT_NE(namesGeneration(), g);
  g = namesGeneration();
  PUBLICA("GEN_TEST", Value(2));  // same name: same set
  EXPECT_EQ(namesGeneration(), g);
  releasePublic("GEN_TEST");
  EXPECT_NE(namesGeneration(), g);
}

}  // namespace
}  // namespace xb
