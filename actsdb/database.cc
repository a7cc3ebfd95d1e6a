#include "actsdb/database.h"

#include <sqlite3.h>
#include <unistd.h>

#include "actsdb/codepage.h"
#include "actsdb/store_internal.h"

namespace actsdb {

Database::Database(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {
  const size_t slash = path_.rfind('/');
  directory_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
}

std::unique_ptr<Database> Database::Open(const std::string& path, bool create) {
  const std::string what = "cannot open database " + path;
  if (!create && access(path.c_str(), F_OK) != 0) {
    throw StoreError(what + ": the file does not exist");
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = OpenConnection(path, flags, what);
  std::unique_ptr<Database> database(new Database(db, path));
  sqlite3_busy_timeout(db, 10000);
  Exec(db, "PRAGMA journal_mode = WAL; PRAGMA foreign_keys = OFF;", what);
  return database;
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::Execute(const std::string& sql) { Exec(db_, sql, "database " + path_); }

void Database::Begin() {
  if (in_transaction()) throw StoreError("database " + path_ + ": a transaction is already open");
  Exec(db_, "BEGIN IMMEDIATE", "database " + path_ + ": cannot begin a transaction");
}

void Database::Commit() { Exec(db_, "COMMIT", "database " + path_ + ": cannot commit"); }

void Database::Rollback() {
  // SQLite may have rolled back already (after a full disk, for one): the
  // caller's cleanup must not fail then and hide the first error.
  ++rollbacks_;
  if (in_transaction()) Exec(db_, "ROLLBACK", "database " + path_ + ": cannot roll back");
}

bool Database::in_transaction() const { return sqlite3_get_autocommit(db_) == 0; }

// ---------------------------------------------------------- PreparedStatement

PreparedStatement::PreparedStatement(Database& db, const std::string& sql)
    : db_(db), sql_(sql) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(db_.handle(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_,
                         &tail) != SQLITE_OK) {
    const std::string reason = sqlite3_errmsg(db_.handle());
    sqlite3_finalize(stmt_);
    throw StoreError("statement " + sql_ + ": " + reason);
  }
  // One statement only: whatever followed it would silently never run.
  if (stmt_ == nullptr ||
      (tail != nullptr &&
       std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)) {
    sqlite3_finalize(stmt_);
    throw StoreError("statement " + sql_ + ": " +
                     (stmt_ == nullptr ? "no statement" : "text after the end of the statement"));
  }
}

PreparedStatement::~PreparedStatement() { sqlite3_finalize(stmt_); }

void PreparedStatement::CheckIndex(int index, int count, const char* what) const {
  if (index < 0 || index >= count) {
    throw StoreError("statement " + sql_ + ": no " + what + " " + std::to_string(index));
  }
}

void PreparedStatement::BindInteger(int index, int64_t value) {
  CheckIndex(index - 1, sqlite3_bind_parameter_count(stmt_), "parameter");
  sqlite3_bind_int64(stmt_, index, value);
}

void PreparedStatement::BindString(int index, std::string_view value) {
  CheckIndex(index - 1, sqlite3_bind_parameter_count(stmt_), "parameter");
  const std::string utf8 = Cp1250ToUtf8(value);
  sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void PreparedStatement::BindNull(int index) {
  CheckIndex(index - 1, sqlite3_bind_parameter_count(stmt_), "parameter");
  sqlite3_bind_null(stmt_, index);
}

bool PreparedStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) {
    sqlite3_reset(stmt_);
    return false;
  }
  const std::string reason = sqlite3_errmsg(db_.handle());
  sqlite3_reset(stmt_);
  throw StoreError("statement " + sql_ + ": " + reason);
}

void PreparedStatement::Reset() { sqlite3_reset(stmt_); }

bool PreparedStatement::IsNull(int column) const {
  CheckIndex(column, sqlite3_data_count(stmt_), "column");
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int64_t PreparedStatement::AsInteger(int column) const {
  CheckIndex(column, sqlite3_data_count(stmt_), "column");
  return sqlite3_column_int64(stmt_, column);
}

std::string PreparedStatement::AsString(int column) const {
  CheckIndex(column, sqlite3_data_count(stmt_), "column");
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  return Utf8ToCp1250(std::string_view(reinterpret_cast<const char*>(text),
                                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column))));
}

}  // namespace actsdb
