// What a column of a dataset holds, and how field text is read.
#ifndef CORVANA_ACTSDB_COLUMN_H_
#define CORVANA_ACTSDB_COLUMN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "actsdb/dates.h"

namespace actsdb {

// The interface type of a column, from its declared SQL type (TEXT or
// VARCHAR(n), INTEGER, BOOLEAN, DATE, BLOB).
enum class FieldType : uint8_t { kText, kInteger, kBoolean, kDate, kBlob };

// Where a column's values come from.
enum class FieldKind : uint8_t {
  kData,        // stored in the table, or given by the query
  kCalculated,  // computed from the row
  kLookup,      // a name looked up in another table by a column of the row
};

// A column as a view sees it.
struct ColumnInfo {
  ColumnInfo() = default;
  ColumnInfo(std::string name, FieldType type, int width, FieldKind kind = FieldKind::kData,
             std::string lookup_key = {})
      : name(std::move(name)),
        type(type),
        width(width),
        kind(kind),
        lookup_key(std::move(lookup_key)) {}

  std::string name;
  FieldType type = FieldType::kText;
  int width = 0;           // the most characters of a text column; 0 = unlimited
  std::string label;       // what a grid shows above the column; its name unless set
  FieldKind kind = FieldKind::kData;
  std::string lookup_key;  // of a lookup: the stored column it looks up by
};

// Column and index names compare without regard to ASCII case, as in SQL.
bool SameColumnName(const std::string& a, const std::string& b);

// An integer typed as text: digits with an optional sign, blanks around
// them allowed. Throws StoreError naming `what` otherwise.
int64_t ParseIntegerText(const std::string& text, const std::string& what);

// A date typed as "d/m/yyyy" or as ISO "yyyy-mm-dd"; nullopt otherwise.
std::optional<Date> ParseDateText(const std::string& text);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_COLUMN_H_
