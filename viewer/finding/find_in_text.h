// The rules of the find-in-text window: which texts it searches for and
// which it keeps in its list of strings searched.
#ifndef CORVANA_VIEWER_FINDING_FIND_IN_TEXT_H_
#define CORVANA_VIEWER_FINDING_FIND_IN_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

namespace finding {

// Texts shorter than this are not searched for.
inline constexpr size_t kMinFindLength = 3;

// What one search for `text` (Windows-1250) does, given the strings
// searched so far: whether it searches at all, and whether `text` joins the
// list. It joins only when no string of the list contains it, so a part of
// an earlier string ("tract" after "contract") is not listed again.
struct FindStep {
  bool search = false;
  bool add = false;
};
FindStep PlanFind(const std::vector<std::string>& searched, std::string_view text);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FIND_IN_TEXT_H_
