#include "xbase/dates.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

TEST(Dates, JulianDays) {
  struct Case {
    int y, m, d;
    int32_t jd;
  } cases[] = {{2000, 1, 1, 2451545}, {1970, 1, 1, 2440588}, {1, 1, 1, 1721426},
               {9999, 12, 31, 5373484}, {2024, 2, 29, 2460370}, {1900, 3, 1, 2415080}};
  for (const auto& c : cases) {
    EXPECT_EQ(julianDay(c.y, c.m, c.d), c.jd);
    Ymd v = ymdOf(Date{c.jd});
    EXPECT_EQ(v.y, c.y);
    EXPECT_EQ(v.m, c.m);
    EXPECT_EQ(v.d, c.d);
  }
}

TEST(Dates, InvalidDatesAreEmpty) {
  EXPECT_EQ(julianDay(2023, 2, 29), 0);
  EXPECT_EQ(julianDay(1900, 2, 29), 0);
  EXPECT_EQ(julianDay(2024, 13, 1), 0);
  EXPECT_EQ(julianDay(2024, 4, 31), 0);
  EXPECT_EQ(julianDay(0, 1, 1), 0);
  EXPECT_EQ(ymdOf(Date{}).y, 0);
}

TEST(Dates, TextForms) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"29-02-2024", "29-02-2024"}, {"1-2-2003", "01-02-2003"}, {"01/01/49", "01-01-2049"},
      {"01.01.50", "01-01-1950"},   {"31-12-99", "31-12-1999"}, {"01-01-00", "01-01-2000"},
      {"  -  -    ", "  -  -    "}, {"", "  -  -    "},         {"00-00-0000", "  -  -    "},
      {"32-01-2024", "  -  -    "}, {"abc", "  -  -    "},      {"12-2024", "  -  -    "},
      {"01-01-0049", "01-01-0049"},
  };
  for (const auto& c : cases) EXPECT_EQ(dateToText(textToDate(c.text)), c.shown) << c.text;
}

TEST(Dates, Dtos) {
  EXPECT_EQ(dateToDtos(Date{2451545}), "20000101");
  EXPECT_EQ(dateToDtos(Date{}), "        ");
  EXPECT_EQ(dtosToDate("20000101").jd, 2451545);
  EXPECT_TRUE(dtosToDate("        ").empty());
  EXPECT_TRUE(dtosToDate("2000").empty());
  EXPECT_TRUE(dtosToDate("20000230").empty());
  EXPECT_TRUE(dtosToDate("2000x101").empty());
}

TEST(Dates, DayOfWeekAndToday) {
  EXPECT_EQ(dayOfWeek(Date{2451545}), 7);  // a Saturday
  EXPECT_EQ(dayOfWeek(Date{2451546}), 1);
  EXPECT_EQ(dayOfWeek(Date{}), 0);
  EXPECT_GT(today().jd, julianDay(2020, 1, 1));
}

}  // namespace
}  // namespace xb
