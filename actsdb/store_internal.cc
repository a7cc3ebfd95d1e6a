#include "actsdb/store_internal.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "actsdb/codepage.h"
#include "actsdb/sql_dialect.h"
#include "actsdb/store_error.h"
#include "actsdb/wal_write_buffer.h"

namespace actsdb {

Statement::Statement(sqlite3* db, const std::string& sql, const std::string& what) : db_(db) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK) {
    throw StoreError(what + ": " + sqlite3_errmsg(db));
  }
  what_ = what;
  // One statement at a time: whatever follows it would silently not run.
  if (tail != nullptr &&
      std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    sqlite3_finalize(stmt_);
    throw StoreError(what + ": text after the end of the statement: " + tail);
  }
  if (stmt_ == nullptr) throw StoreError(what + ": no statement");
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw StoreError(what_ + ": " + sqlite3_errmsg(db_));
}

std::string Statement::Text(int i) const {
  const unsigned char* t = sqlite3_column_text(stmt_, i);
  return t == nullptr ? std::string()
                      : std::string(reinterpret_cast<const char*>(t),
                                    static_cast<size_t>(sqlite3_column_bytes(stmt_, i)));
}

void Exec(sqlite3* db, const std::string& sql, const std::string& what) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string reason = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw StoreError(what + ": " + reason);
  }
}

std::string Quote(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

DeclaredType ParseDeclaredType(std::string declared) {
  declared = Lower(declared);
  int width = 0;
  const size_t open = declared.find('(');
  if (open != std::string::npos) width = std::atoi(declared.c_str() + open + 1);
  const std::string head = declared.substr(0, open);
  if (head.find("bool") != std::string::npos) return {FieldType::kBoolean, 0};
  if (head.find("date") != std::string::npos) return {FieldType::kDate, 0};
  if (head.find("blob") != std::string::npos) return {FieldType::kBlob, 0};
  if (head.find("int") != std::string::npos) return {FieldType::kInteger, 0};
  return {FieldType::kText, width};
}

std::vector<ColumnInfo> DeclaredColumns(sqlite3* db, const std::string& table,
                                        const std::string& what, size_t* key_column) {
  std::vector<ColumnInfo> columns;
  Statement info(db, "PRAGMA table_info(" + Quote(table) + ")", what);
  *key_column = static_cast<size_t>(-1);
  while (info.Step()) {
    const DeclaredType t = ParseDeclaredType(info.Text(2));
    if (info.Int(5) == 1 && SameColumnName(info.Text(2), "INTEGER")) *key_column = columns.size();
    columns.emplace_back(info.Text(1), t.type, t.width);
  }
  return columns;
}

void BindValue(sqlite3_stmt* stmt, int i, bool null, int64_t number, const std::string& bytes,
               FieldType type) {
  if (null) {
    sqlite3_bind_null(stmt, i);
  } else if (type == FieldType::kInteger || type == FieldType::kBoolean) {
    sqlite3_bind_int64(stmt, i, number);
  } else if (type == FieldType::kBlob) {
    sqlite3_bind_blob(stmt, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  } else if (type == FieldType::kDate) {
    sqlite3_bind_text(stmt, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  } else {
    const std::string utf8 = Cp1250ToUtf8(bytes);
    sqlite3_bind_text(stmt, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }
}

void ReadValue(sqlite3_stmt* stmt, int i, FieldType type, bool* null, int64_t* number,
               std::string* bytes) {
  const int storage = sqlite3_column_type(stmt, i);
  *null = storage == SQLITE_NULL;
  *number = 0;
  bytes->clear();
  if (*null) return;
  if (type == FieldType::kInteger || type == FieldType::kBoolean) {
    *number = sqlite3_column_int64(stmt, i);
    return;
  }
  if (storage == SQLITE_INTEGER) *number = sqlite3_column_int64(stmt, i);
  if (type == FieldType::kBlob) {
    const void* blob = sqlite3_column_blob(stmt, i);
    bytes->assign(static_cast<const char*>(blob),
                  static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
    return;
  }
  const unsigned char* text = sqlite3_column_text(stmt, i);
  std::string_view utf8(reinterpret_cast<const char*>(text),
                        static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
  if (type == FieldType::kDate) {
    bytes->assign(utf8);
  } else {
    *bytes = Utf8ToCp1250(utf8);
  }
}

sqlite3* OpenConnection(const std::string& path, int flags, const std::string& what) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, flags, WalWriteBufferVfs()) != SQLITE_OK) {
    std::string reason = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw StoreError(what + ": " + reason);
  }
  sqlite3_extended_result_codes(db, 1);
  try {
    RegisterDialect(db);
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  return db;
}

size_t LookUpPosition(const std::vector<int64_t>& keys,
                      std::unique_ptr<std::vector<std::pair<int64_t, size_t>>>* positions,
                      int64_t key) {
  if (*positions == nullptr) {
    auto built = std::make_unique<std::vector<std::pair<int64_t, size_t>>>();
    built->reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) built->emplace_back(keys[i], i);
    std::sort(built->begin(), built->end());
    *positions = std::move(built);
  }
  auto it = std::lower_bound((*positions)->begin(), (*positions)->end(),
                             std::make_pair(key, size_t{0}));
  if (it == (*positions)->end() || it->first != key) return static_cast<size_t>(-1);
  return it->second;
}

}  // namespace actsdb
