#include "viewer/finding/grid_sort.h"

#include <algorithm>

#include "actsdb/store.h"

namespace finding {
namespace {

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

void Remove(std::vector<std::string>* list, const std::string& name) {
  std::erase(*list, name);
}

}  // namespace

std::optional<std::string> QuerySortField(const std::string& caption,
                                          const std::function<FieldKind(const std::string&)>& kind) {
  for (const std::string& name : {caption, "id" + caption}) {
    switch (kind(name)) {
      case FieldKind::kData:
        return name;
      case FieldKind::kMissing:
        throw actsdb::StoreError("Field '" + name + "' not found");
      case FieldKind::kDerived:
        break;
    }
  }
  return std::nullopt;
}

std::string ToggleOrderBy(std::string_view order_by, std::string_view field) {
  const std::string ascending = std::string(field) + " ASCENDING";
  return order_by == ascending ? std::string(field) + " DESCENDING" : ascending;
}

SortKeys ClickSortKeys(const std::optional<SortKeys>& current,
                       const std::vector<std::string>& keys, bool shift) {
  SortKeys index;
  if (current) {
    index = *current;
    if (!shift) {
      std::erase_if(index.fields, [&](const std::string& f) { return !Contains(keys, f); });
      std::erase_if(index.descending, [&](const std::string& f) { return !Contains(keys, f); });
    }
  }
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
    if (!Contains(index.fields, *k)) {
      index.fields.push_back(*k);
    } else if (!Contains(index.descending, *k)) {
      index.descending.push_back(*k);
    } else {
      Remove(&index.descending, *k);
      if (shift) Remove(&index.fields, *k);
    }
  }
  return index;
}

Arrow ArrowFor(const SortKeys& index, const std::vector<std::string>& keys) {
  if (keys.empty()) return Arrow::kNone;
  if (Contains(index.descending, keys.front())) return Arrow::kDescending;
  if (!Contains(index.fields, keys.front())) return Arrow::kNone;
  return Arrow::kAscending;
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string text;
  for (const std::string& field : fields) {
    if (!text.empty()) text += ';';
    text += field;
  }
  return text;
}

std::vector<std::string> SplitFields(std::string_view text) {
  std::vector<std::string> fields;
  while (!text.empty()) {
    const size_t semicolon = std::min(text.find(';'), text.size());
    if (semicolon > 0) fields.emplace_back(text.substr(0, semicolon));
    text.remove_prefix(std::min(semicolon + 1, text.size()));
  }
  return fields;
}

}  // namespace finding
