// The query dialect of Corvana and its translation to SQLite.
//
// The viewer writes its queries and filter expressions the way the acts
// database always understood them: dates typed as 'd/m/yyyy' and compared
// with date columns, "ORDER BY f ASCENDING" / "DESCENDING", LIKE that
// ignores case, all in Windows-1250. The store keeps dates as ISO text and
// talks UTF-8 to SQLite, so every statement passes through here first.
//
// The case-insensitive parts live on the connection: RegisterDialect()
// installs the collation "RONOCASE" (text compared after the system
// upper-casing) and a like() that upper-cases both sides the same way, so
// that '%hotărâre%' matches "HOTĂRÂRE".
#ifndef CORVANA_ACTSDB_SQL_DIALECT_H_
#define CORVANA_ACTSDB_SQL_DIALECT_H_

#include <functional>
#include <string>
#include <string_view>

struct sqlite3;

namespace actsdb {

// The collation name for text compared without regard to case.
constexpr char kNoCaseCollation[] = "RONOCASE";
// A function of one value that gives text a key sorting as RONOCASE does
// (a blob of its upper-cased code page bytes): sorting a whole list by the
// key computes it once a row instead of converting at every comparison.
constexpr char kNoCaseKeyFunction[] = "nocase_key";

// Translates Windows-1250 dialect text (a statement or a bare WHERE
// expression) into UTF-8 SQLite text:
//   - a quoted 'd/m/yyyy' (or ISO) literal compared by =, <>, !=, <, <=, >,
//     >= with a column for which `is_date_column` holds becomes the ISO
//     literal; a literal there that is no date throws StoreError naming it;
//   - the words ASCENDING / DESCENDING become ASC / DESC;
//   - carriage returns and line feeds become blanks.
// An unterminated quoted literal throws StoreError.
std::string TranslateDialect(std::string_view text,
                             const std::function<bool(std::string_view column)>& is_date_column);

// The key nocase_key() gives a text (UTF-8, as SQLite holds it): its
// upper-cased Windows-1250 bytes.
std::string NoCaseKey(std::string_view utf8);

// Installs the RONOCASE collation, nocase_key() and the case-insensitive
// like() (two and three arguments) on `db`. Throws StoreError when SQLite
// refuses.
void RegisterDialect(sqlite3* db);

// The LIKE match itself, on Windows-1250 text: "%" any run, "_" one
// character, `escape` (0 = none) makes the next pattern character literal;
// case is ignored by the system upper-casing.
bool LikeMatches(std::string_view pattern, std::string_view text, char escape = 0);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_SQL_DIALECT_H_
