#include "actsdb/dates.h"

#include <gtest/gtest.h>

namespace actsdb {
namespace {

TEST(DatesTest, ParseDmy) {
  struct Case {
    const char* text;
    std::optional<Date> want;
  } cases[] = {
      {"1/1/1800", Date{1800, 1, 1}},
      {"29/2/2000", Date{2000, 2, 29}},
      {"05/03/2001", Date{2001, 3, 5}},
      {"29/2/1900", std::nullopt},  // not a leap year
      {"31/4/2001", std::nullopt},
      {"1/13/2001", std::nullopt},
      {"1/1/01", std::nullopt},     // the viewer wants four digits
      {"1-1-2001", std::nullopt},
      {"1/1/2001 ", std::nullopt},
      {"", std::nullopt},
      {"123/1/2001", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDmy(c.text), c.want) << c.text;
}

TEST(DatesTest, ImportReadsTwoDigitYearsAs19xx) {
  EXPECT_EQ(ParseImportDate("19/4/06"), (Date{1906, 4, 19}));
  EXPECT_EQ(ParseImportDate("19/4/2006"), (Date{2006, 4, 19}));
  EXPECT_EQ(ParseImportDate("19/4/206"), std::nullopt);
}

TEST(DatesTest, Formats) {
  const Date d{2001, 3, 5};
  EXPECT_EQ(FormatDmy(d), "5/3/2001");
  EXPECT_EQ(FormatLongRo(d), "5 martie 01");
  EXPECT_EQ(FormatLongRo(Date{2010, 12, 31}), "31 decembrie 10");
  EXPECT_EQ(FormatIso(d), "2001-03-05");
  EXPECT_EQ(ParseIso("2001-03-05"), d);
  EXPECT_EQ(ParseIso("2001-02-30"), std::nullopt);
  EXPECT_EQ(ParseIso("2001-3-5"), std::nullopt);
}

}  // namespace
}  // namespace actsdb
