// Structure lists and IGUALEST.
#include "data/structure_list.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using xb::Value;

Value entry(const char* name, const char* type, double width, double dec) {
  return Value::array({Value(name), Value(type), Value(width, 0), Value(dec, 0)});
}
Value list(std::initializer_list<Value> items) { return Value::array(xb::Array(items)); }

TEST(StructureList, IgualestComparesEveryEntry) {
  const Value base = list({entry("NOMBRE", "C", 25, 0), entry("PRECIO", "N", 7, 2)});
  struct Case {
    const char* name;
    Value other;
    bool equal;
  };
  const std::vector<Case> cases = {
      {"same", list({entry("NOMBRE", "C", 25, 0), entry("PRECIO", "N", 7, 2)}), true},
      {"name in lower case", list({entry("nombre", "c", 25, 0), entry("Precio", "N", 7, 2)}), true},
      {"other name", list({entry("NOMBRES", "C", 25, 0), entry("PRECIO", "N", 7, 2)}), false},
      {"other type", list({entry("NOMBRE", "M", 25, 0), entry("PRECIO", "N", 7, 2)}), false},
      {"other width", list({entry("NOMBRE", "C", 24, 0), entry("PRECIO", "N", 7, 2)}), false},
      {"other decimals", list({entry("NOMBRE", "C", 25, 0), entry("PRECIO", "N", 7, 3)}), false},
      {"shorter", list({entry("NOMBRE", "C", 25, 0)}), false},
      {"reordered", list({entry("PRECIO", "N", 7, 2), entry("NOMBRE", "C", 25, 0)}), false},
      {"not a list", Value("NOMBRE"), false},
      {"bad entry", list({entry("NOMBRE", "C", 25, 0), Value(true)}), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IGUALEST(base, c.other), c.equal) << c.name;
}

TEST(StructureList, RoundTripAndLimits) {
  const xb::engine::Structure s = {{"A", 'C', 10, 0}, {"B", 'N', 8, 3}, {"C", 'M', 10, 0}};
  const auto back = fieldsOf(structureList(s));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 3u);
  EXPECT_EQ((*back)[1].decimals, 3);
  EXPECT_TRUE(hasMemoFields(*back));
  EXPECT_FALSE(hasMemoFields({{"A", 'C', 10, 0}}));
  EXPECT_FALSE(fieldsOf(list({entry("A", "C", 0, 0)})));
  EXPECT_FALSE(fieldsOf(list({entry("A", "C", 256, 0)})));
  EXPECT_FALSE(fieldsOf(list({entry("A", "CC", 5, 0)})));
}

}  // namespace
}  // namespace qv
