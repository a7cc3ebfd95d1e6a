#include "viewer/finding/find_act.h"

#include <gtest/gtest.h>

#include "viewer/finding/code_tables_fixture.h"

namespace finding {
namespace {

using FindActTest = CodeTablesTest;

TEST_F(FindActTest, SqlLines) {
  const std::string select(actsdb::kActsListSelect);
  struct Case {
    const char* type;
    const char* number;
    const char* year;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"Ordin",
       "24",
       "1990",
       {select, "WHERE", "(IdTipAct = 3 )", "AND", "(NrOficial = 24 )", "AND", "(Anul = 1990 )"}},
      {"(oricare)", "(oricare)", "1990", {select, "WHERE", "(Anul = 1990 )"}},
      {"(oricare)", "24", "1990", {select, "WHERE", "(NrOficial = 24 )", "AND", "(Anul = 1990 )"}},
      {"Ordin", "", "", {select, "WHERE", "(IdTipAct = 3 )"}},
      // What names no type, or is no integer, adds no condition.
      {"ordin", "24a", "", {select}},
      {"(oricare)", "(oricare)", "(oricare)", {select}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindActSqlLines(*tables_, c.type, c.number, c.year), c.lines)
        << c.type << "|" << c.number << "|" << c.year;
  }
}

}  // namespace
}  // namespace finding
