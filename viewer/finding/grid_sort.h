// The sort rules of the results grid, without the grid: what a click on a
// column title does to the order of the acts list.
//
// With the acts list as a query, a click sets the sort clause of the filter
// (`OrderBy`, "FIELD ASCENDING" or "FIELD DESCENDING") and the filter runs
// again: a first click sorts ascending, each further click on the same
// column reverses. With the in-memory acts list, the grid sorts the list
// itself through an index of sort fields, some of them descending: a plain
// click sorts by that column alone, toggling ascending and descending; a
// click with Shift adds the column as a further key, then makes it
// descending, then removes it.
#ifndef CORVANA_VIEWER_FINDING_GRID_SORT_H_
#define CORVANA_VIEWER_FINDING_GRID_SORT_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace finding {

// --- The acts list as a query ---

// What a name is among the fields of the direct acts view.
enum class FieldKind { kMissing, kData, kDerived };

// The field a click on the column titled `caption` sorts by: the caption
// when it names a data field, otherwise "id" + caption (the issuer column
// "Emitent" sorts by "idEmitent", the issuer's id); nullopt when that is a
// derived field too. A name that is no field at all throws
// actsdb::StoreError, as reading the field would: "Field 'idDispTitlu' not
// found".
std::optional<std::string> QuerySortField(const std::string& caption,
                                          const std::function<FieldKind(const std::string&)>& kind);

// The sort clause after a click on a column that sorts by `field`.
std::string ToggleOrderBy(std::string_view order_by, std::string_view field);

// --- The in-memory acts list ---

// The sort index "SortGrid": its fields in order and those of them that
// sort descending.
inline constexpr char kSortIndexName[] = "SortGrid";

struct SortKeys {
  std::vector<std::string> fields;
  std::vector<std::string> descending;
};

// The index after a click on a column whose key fields are `keys` (a data
// field's own name, a lookup's key fields). `current` is the index before
// the click, nullopt when there is none yet.
SortKeys ClickSortKeys(const std::optional<SortKeys>& current,
                       const std::vector<std::string>& keys, bool shift);

// The arrow a column shows in its title.
enum class Arrow : uint8_t { kNone = 0, kDescending = 1, kAscending = 2 };

// The arrow of the column with key fields `keys` under `index`: by its
// first key field, descending when that is a descending field, none when
// it is not sorted by, ascending otherwise.
Arrow ArrowFor(const SortKeys& index, const std::vector<std::string>& keys);

// Field lists as the index takes them: names separated by ";".
std::string JoinFields(const std::vector<std::string>& fields);
std::vector<std::string> SplitFields(std::string_view text);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_GRID_SORT_H_
