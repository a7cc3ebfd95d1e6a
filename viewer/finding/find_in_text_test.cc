#include "viewer/finding/find_in_text.h"

#include <gtest/gtest.h>

namespace finding {
namespace {

TEST(FindInTextTest, SearchesAndListsAsTheWindowDoes) {
  struct Case {
    std::vector<std::string> searched;
    const char* text;
    bool search;
    bool add;
  };
  const Case cases[] = {
      {{}, "co", false, false},                   // too short: nothing at all
      {{}, "con", true, true},
      {{"contract"}, "tract", true, false},       // part of an earlier string
      {{"contract"}, "contract", true, false},
      {{"contract"}, "Contract", true, true},     // the list compares case
      {{"contract", "lege"}, "contracte", true, true},
  };
  for (const Case& c : cases) {
    const FindStep step = PlanFind(c.searched, c.text);
    EXPECT_EQ(step.search, c.search) << c.text;
    EXPECT_EQ(step.add, c.add) << c.text;
  }
}

}  // namespace
}  // namespace finding
