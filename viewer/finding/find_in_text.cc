#include "viewer/finding/find_in_text.h"

#include <algorithm>

namespace finding {

FindStep PlanFind(const std::vector<std::string>& searched, std::string_view text) {
  if (text.size() < kMinFindLength) return {};
  const bool listed = std::any_of(searched.begin(), searched.end(), [&](const std::string& s) {
    return s.find(text) != std::string::npos;
  });
  return {true, !listed};
}

}  // namespace finding
