// The find-act window's search, without its widgets: the acts of one type,
// number and year, each of the three optional.
#ifndef CORVANA_VIEWER_FINDING_FIND_ACT_H_
#define CORVANA_VIEWER_FINDING_FIND_ACT_H_

#include <string>
#include <string_view>
#include <vector>

#include "viewer/finding/filter_criteria.h"

namespace finding {

// The lines of the search's acts query for the texts of the boxes "Tipul",
// "Numarul" and "Anul": the SELECT line, then, joined by "AND" after a
// "WHERE", the type's condition when `type` names an act type exactly, and
// the number's and the year's when they are integers. "(oricare)" and any
// other text that is no type or number add no condition.
std::vector<std::string> FindActSqlLines(CodeTables& tables, std::string_view type,
                                         std::string_view number, std::string_view year);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FIND_ACT_H_
