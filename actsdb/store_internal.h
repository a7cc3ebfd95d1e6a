// What the store's own files share and nothing outside actsdb uses: a
// self-finalizing SQLite statement, value conversion between fields and
// SQLite columns, connection opening, and the key-position lookup of the
// datasets.
#ifndef CORVANA_ACTSDB_STORE_INTERNAL_H_
#define CORVANA_ACTSDB_STORE_INTERNAL_H_

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/column.h"

namespace actsdb {

// A prepared statement that finalizes itself; one statement only (text
// after it is refused, since it would silently not run).
class Statement {
 public:
  // Throws StoreError prefixed with `what`.
  Statement(sqlite3* db, const std::string& sql, const std::string& what);
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // True while a row is available.
  bool Step();
  sqlite3_stmt* get() const { return stmt_; }
  void BindText(int i, const std::string& utf8) {
    sqlite3_bind_text(stmt_, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }
  void BindInt(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  int64_t Int(int i) const { return sqlite3_column_int64(stmt_, i); }
  std::string Text(int i) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string what_;
};

// Runs statements that return no rows; throws StoreError prefixed with `what`.
void Exec(sqlite3* db, const std::string& sql, const std::string& what);

// An SQL identifier in double quotes.
std::string Quote(const std::string& identifier);
// ASCII lower case.
std::string Lower(std::string s);

// The interface type of a declared SQL type, and a text column's width
// (0 = unlimited).
struct DeclaredType {
  FieldType type;
  int width;
};
DeclaredType ParseDeclaredType(std::string declared);

// The columns of `table` as it is declared, and in `key_column` the one
// that is the row's key (its INTEGER PRIMARY KEY), or static_cast<size_t>(-1).
// Throws StoreError prefixed with `what`.
std::vector<ColumnInfo> DeclaredColumns(sqlite3* db, const std::string& table,
                                        const std::string& what, size_t* key_column);

// Binds a field value for the column's type; text goes to the file as UTF-8.
void BindValue(sqlite3_stmt* stmt, int i, bool null, int64_t number, const std::string& bytes,
               FieldType type);
// Reads column `i` of the statement's row for a field of `type`.
void ReadValue(sqlite3_stmt* stmt, int i, FieldType type, bool* null, int64_t* number,
               std::string* bytes);

// Opens a connection through the store's file layer, with the dialect's
// functions installed.
sqlite3* OpenConnection(const std::string& path, int flags, const std::string& what);

// The position of `key` in a key list, through a lazily built sorted copy;
// static_cast<size_t>(-1) when it is not listed.
size_t LookUpPosition(const std::vector<int64_t>& keys,
                      std::unique_ptr<std::vector<std::pair<int64_t, size_t>>>* positions,
                      int64_t key);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STORE_INTERNAL_H_
