// The two modification pages of an act, shown in the results panel: the
// modifications its parts suffered from other acts and those they brought
// to other acts, one table row per modification. Their links name parts by
// their ids:
//   "this  part N"  part N of the act of the page (two blanks after "this");
//   "part N"        part N, in whatever act it belongs to;
//   "leg N"         the act to which part N belongs.
#ifndef CORVANA_VIEWER_FINDING_MODIFICATION_PAGES_H_
#define CORVANA_VIEWER_FINDING_MODIFICATION_PAGES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/finding/act_modifications.h"

namespace finding {

// Every page starts with this many fixed lines: head, style sheet, title
// bar and the column heads; the rows follow.
inline constexpr size_t kModPageTemplateLines = 32;

// The page of modifications suffered and the page of modifications brought,
// as lines of Windows-1250 HTML. An act without parts gives the fixed lines
// alone; a part without modifications of the page's direction gives
// nothing.
std::vector<std::string> BuildModPe(const ActModifications& act);
std::vector<std::string> BuildModDe(const ActModifications& act);

// The page as one text: every line followed by CR LF.
std::string PageText(const std::vector<std::string>& lines);

// A link target of the pages, read.
struct ModLink {
  enum class Kind { kThisPart, kAct, kPart };
  Kind kind;
  int64_t part_id;
};
// nullopt for a target of no such form or without a number.
std::optional<ModLink> ReadModLink(std::string_view target);

// What the pointer over a link shows: the part's label and its act's title,
// or for an act link the act's title alone; a this-part link names the act
// of the page, `page_act`. Empty when the part is gone.
std::string ModLinkHint(ModificationReader& reader, const ModLink& link,
                        const ActModifications& page_act);

// Where a click on a link leads: the act to show and the anchor to show it
// at ("#" + the part id; empty for an act link, which shows the act from
// its top). nullopt when the part is gone.
struct ModLinkTarget {
  int64_t act_id = 0;
  std::string anchor;
};
std::optional<ModLinkTarget> ResolveModLink(ModificationReader& reader, const ModLink& link,
                                            const ActModifications& page_act);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_MODIFICATION_PAGES_H_
