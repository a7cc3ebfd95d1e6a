#include "actsdb/display_title.h"

#include <gtest/gtest.h>

namespace actsdb {
namespace {

TEST(DispTitluTest, FormsOfTheTitle) {
  struct Case {
    TitleColumns row;
    std::string want;
  };
  const Case cases[] = {
      {{"Lege", 12, 2001, "", 0}, "Lege nr. 12/2001"},
      {{"Lege", 12, 2001, "", 2}, "Lege nr. 12/2001 rep. 2"},
      // No number: the year alone, unless a supplementary title says more.
      {{"Lege", 1000000, 2001, "", 0}, "Lege din 2001"},
      {{"Lege", 999999, 2001, "", 0}, "Lege din 2001"},
      {{"Cod", 1000000, 2001, "-civil", 0}, "Cod civil"},
      {{"Lege", 999998, 2001, "", 0}, "Lege nr. 999998/2001"},
      // The supplementary title loses its first character.
      {{"Lege", 12, 2001, "-actual", 0}, "Lege nr. 12/2001 actual"},
      {{"Lege", 12, 2001, "-", 0}, "Lege nr. 12/2001 "},
      // Null columns read as empty text; a null republication is none.
      {{"Lege", std::nullopt, 2001, "", 1}, "Lege rep. 1"},
      {{"Lege", 12, std::nullopt, "", std::nullopt}, "Lege nr. 12/"},
      {{"", 5, 1999, "", 0}, " nr. 5/1999"},
  };
  for (const Case& c : cases) EXPECT_EQ(DispTitlu(c.row), c.want) << c.want;
}

TEST(StripTagsTest, RemovesTags) {
  const std::pair<std::string, std::string> cases[] = {
      {"privind achizitiile", "privind achizitiile"},
      {"privind <b>achizitiile</b> publice", "privind achizitiile publice"},
      {"<i></i>", ""},
      {"a < b", ""},
      {"a<b>c<d", "a"},
      {"x>y", "x>y"},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(StripTags(text), want) << text;
}

TEST(NumberDisplayTest, EmptyWithoutANumber) {
  EXPECT_EQ(NumberDisplay(999999), "999999");
  EXPECT_EQ(NumberDisplay(1000000), "");
  EXPECT_EQ(NumberDisplay(std::nullopt), "");
}

}  // namespace
}  // namespace actsdb
