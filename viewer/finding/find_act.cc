#include "viewer/finding/find_act.h"

#include "actsdb/schema.h"

namespace finding {

std::vector<std::string> FindActSqlLines(CodeTables& tables, std::string_view type,
                                         std::string_view number, std::string_view year) {
  std::vector<std::string> lines = {actsdb::kActsListSelect};
  if (type != kAnyChoice) {
    if (const std::optional<int64_t> id = tables.IdOfName(Criterion::kTipul, std::string(type))) {
      lines.push_back("(IdTipAct = " + std::to_string(*id) + " )");
    }
  }
  auto add = [&](std::string_view text, const char* column) {
    if (text == kAnyChoice || !IsIntegerText(text)) return;
    if (lines.size() > 1) lines.push_back("AND");
    lines.push_back("(" + std::string(column) + " = " + std::string(text) + " )");
  };
  add(number, "NrOficial");
  add(year, "Anul");
  if (lines.size() > 1) lines.insert(lines.begin() + 1, "WHERE");
  return lines;
}

}  // namespace finding
