#include "xbase/prompt.h"

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
