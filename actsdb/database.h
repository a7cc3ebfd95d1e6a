// A connection to the acts database, and statements of SQLite's own SQL
// prepared on it.
#ifndef CORVANA_ACTSDB_DATABASE_H_
#define CORVANA_ACTSDB_DATABASE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "actsdb/store_error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace actsdb {

// A connection to one database file.
class Database {
 public:
  // Opens the database file `path`, creating it when `create` is set and it
  // does not exist. The file's directory is the database directory.
  static std::unique_ptr<Database> Open(const std::string& path, bool create = false);
  ~Database();

  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The directory that holds the database file, without a trailing "/".
  const std::string& directory() const { return directory_; }
  const std::string& path() const { return path_; }

  // Runs statements that return no rows (schema creation). Text here is
  // UTF-8/ASCII SQL, not the system dialect.
  void Execute(const std::string& sql);

  // One transaction around a batch of writes; writes outside a transaction
  // commit one by one. Nested Begin() is an error.
  void Begin();
  void Commit();
  void Rollback();
  bool in_transaction() const;

  sqlite3* handle() const { return db_; }

 private:
  Database(sqlite3* db, std::string path);
  friend class Table;

  sqlite3* db_;
  std::string path_;
  std::string directory_;
  // Counts rollbacks, so that open tables notice that rows they listed may
  // be gone and list their rows again.
  uint64_t rollbacks_ = 0;
};

// One statement of SQLite's own SQL (not the system dialect), prepared once
// and run many times with new parameters: for writers with too many rows
// for a Table's record buffer, such as the import's dictionary rows. Text
// parameters and columns are Windows-1250, kept in the file as UTF-8 like
// all text of the store. The statement must not outlive its database.
class PreparedStatement {
 public:
  // Throws StoreError with SQLite's reason, or when `sql` holds more than
  // one statement.
  PreparedStatement(Database& db, const std::string& sql);
  ~PreparedStatement();
  PreparedStatement(const PreparedStatement&) = delete;
  PreparedStatement& operator=(const PreparedStatement&) = delete;

  // Parameters, numbered from 1; each keeps its value until bound again.
  void BindInteger(int index, int64_t value);
  void BindString(int index, std::string_view value);  // Windows-1250
  void BindNull(int index);

  // Runs the statement to its next row: true when a row stands ready, false
  // when it is done, after which it is ready to run again. An error throws
  // StoreError naming the statement, and also leaves it ready to run again.
  bool Step();
  // Ready to run again from the start (after leaving rows unread).
  void Reset();

  // Columns of the row that Step stands on, numbered from 0.
  bool IsNull(int column) const;
  int64_t AsInteger(int column) const;
  std::string AsString(int column) const;  // Windows-1250

 private:
  void CheckIndex(int index, int count, const char* what) const;

  Database& db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string sql_;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_DATABASE_H_
