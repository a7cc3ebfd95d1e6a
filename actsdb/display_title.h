// The texts the viewer derives from an act row for display: the display
// title, the title without its markup tags, and the official number as the
// lists show it.
#ifndef CORVANA_ACTSDB_DISPLAY_TITLE_H_
#define CORVANA_ACTSDB_DISPLAY_TITLE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace actsdb {

// An official number of this value or more means the act has no number.
inline constexpr int64_t kNoOfficialNumber = 1000000;

// The display title is cut to this width on the direct acts view and to the
// narrower one on the acts lists.
inline constexpr size_t kDispTitluWidth = 255;
inline constexpr size_t kListDispTitluWidth = 40;

// The columns of an act row the display title is made of; an empty optional
// is a null column.
struct TitleColumns {
  std::string tip_act;  // the act type's name, looked up by IdTipAct
  std::optional<int64_t> nr_oficial;
  std::optional<int64_t> anul;
  std::string titlu2;
  std::optional<int64_t> rep;
};

// "Lege nr. 12/2001", "Lege din 2001" (no number), "... rep. 2", with the
// supplementary title appended from its second character on (its first is
// the "-" that introduces it in an act header). Not cut to any width.
// The number is left out from 999999 up (the lists still show 999999 as a
// number); a null republication counts as the first publication.
std::string DispTitlu(const TitleColumns& row);

// The text with every markup tag (from a "<" to the next ">") removed. A "<"
// that no ">" follows drops everything from the end of the last whole tag
// on, so a title with a lone "<" and no tag before it strips to "".
std::string StripTags(std::string_view text);

// The official number as the acts lists show it: empty when the act has no
// number (kNoOfficialNumber or more) or the column is null.
std::string NumberDisplay(std::optional<int64_t> nr_oficial);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_DISPLAY_TITLE_H_
