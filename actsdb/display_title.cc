#include "actsdb/display_title.h"

namespace actsdb {

std::string DispTitlu(const TitleColumns& row) {
  const std::string anul = row.anul ? std::to_string(*row.anul) : std::string();
  std::string title = row.tip_act;
  if (row.nr_oficial) {
    if (*row.nr_oficial >= kNoOfficialNumber - 1) {
      if (row.titlu2.empty()) title.append(" din ").append(anul);
    } else {
      title.append(" nr. ").append(std::to_string(*row.nr_oficial)).append("/").append(anul);
    }
  }
  if (!row.titlu2.empty()) title.append(" ").append(row.titlu2, 1);
  if (row.rep && *row.rep != 0) title.append(" rep. ").append(std::to_string(*row.rep));
  return title;
}

std::string StripTags(std::string_view text) {
  std::string out;
  for (;;) {
    const size_t open = text.find('<');
    if (open == std::string_view::npos) return out.append(text);
    const size_t close = text.find('>', open + 1);
    if (close == std::string_view::npos) return out;
    out.append(text.substr(0, open));
    text.remove_prefix(close + 1);
  }
}

std::string NumberDisplay(std::optional<int64_t> nr_oficial) {
  if (!nr_oficial || *nr_oficial >= kNoOfficialNumber) return std::string();
  return std::to_string(*nr_oficial);
}

}  // namespace actsdb
