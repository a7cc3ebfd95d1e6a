// What a column of a dataset holds, and how field text is read.
#ifndef CORVANA_ACTSDB_COLUMN_H_
#define CORVANA_ACTSDB_COLUMN_H_

#include <cstdint>
#include <optional>
#include <string>

#include "actsdb/dates.h"

namespace actsdb {

// The interface type of a column, from its declared SQL type (TEXT or
// VARCHAR(n), INTEGER, BOOLEAN, DATE, BLOB).
enum class FieldType : uint8_t { kText, kInteger, kBoolean, kDate, kBlob };

// Column and index names compare without regard to ASCII case, as in SQL.
bool SameColumnName(const std::string& a, const std::string& b);

// An integer typed as text: digits with an optional sign, blanks around
// them allowed. Throws StoreError naming `what` otherwise.
int64_t ParseIntegerText(const std::string& text, const std::string& what);

// A date typed as "d/m/yyyy" or as ISO "yyyy-mm-dd"; nullopt otherwise.
std::optional<Date> ParseDateText(const std::string& text);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_COLUMN_H_
