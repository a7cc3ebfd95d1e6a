// A table of the acts database as a dataset: ordered by a named index,
// restricted to a range or to the rows of a master's current row, and
// written through a record buffer.
#ifndef CORVANA_ACTSDB_TABLE_H_
#define CORVANA_ACTSDB_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/database.h"
#include "actsdb/dataset.h"

struct sqlite3_stmt;

namespace actsdb {

// A table of the database, in the order of a named index or of its key.
class Table : public Dataset {
 public:
  Table(Database& db, std::string name);
  ~Table() override;

  const std::string& name() const;

  // Exclusive opening is for writers: while one Table holds a table
  // exclusively, any other open of it (shared or exclusive, in this or
  // another process) fails with a StoreError saying the table is in use.
  // Shared opens exclude an exclusive one the same way.
  void Open(bool exclusive = false);
  void Close();

  // Orders the rows by a named index of the schema ("indactul", ...);
  // "" is the primary key order.
  void SetIndexName(const std::string& index);

  // Master/detail: only rows whose `detail_column` equals the master's
  // current `master_column`. The detail listens to its master and follows
  // it when it moves or lists its rows anew (not while the master's
  // controls are disabled, see Dataset::DisableControls). While the master
  // is closed, or once it is destroyed, the detail lists no rows.
  void SetMaster(Dataset* master, const std::string& master_column,
                 const std::string& detail_column);
  // A fixed restriction without a master (detail_column = value).
  void SetRange(const std::string& column, int64_t value);
  void ClearRange();

  // Editing. Append or Edit starts a record buffer; the setters fill it;
  // Post writes it (an auto-increment key is assigned on Post, readable at
  // once with AsInteger, and never reused even after deletes); Cancel drops
  // it. Delete removes the current row. Empty removes every row.
  void Append();
  void Edit();
  void SetNull(const std::string& column);
  void SetString(const std::string& column, const std::string& value);  // Windows-1250
  void SetInteger(const std::string& column, int64_t value);
  void SetBoolean(const std::string& column, bool value);
  void SetDate(const std::string& column, const Date& value);
  void SetBlob(const std::string& column, const std::string& bytes);
  void Post();
  void Cancel();
  void Delete();
  void Empty();

 protected:
  std::string Describe() const override;
  void FetchRow(int64_t key, Row* row) const override;
  void ReadFields(int64_t key, size_t column, Row* row,
                  std::vector<bool>* decoded) const override;
  size_t PositionOf(int64_t key) const override;
  void ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                    const std::function<bool(int64_t key)>& visit) override;
  void Revalidate() override;
  const Row* EditBuffer() const override;

 private:
  enum class State { kBrowse, kInsert, kEdit };

  // The restriction of a range or master: WHERE clause and its value.
  std::string RestrictionSql() const;
  std::vector<int64_t> ListKeys();
  void Relist(std::optional<int64_t> key);
  // Whether writing these columns can move a row in the order or out of
  // the restriction.
  bool ChangesPlace(const std::vector<size_t>& changed) const;
  void DropMaster();
  // Takes the master's current value as the restriction.
  void FollowMaster();
  void MasterGone();

  // How a detail hears its master.
  class MasterLink : public DatasetListener {
   public:
    explicit MasterLink(Table& detail) : detail_(detail) {}
    void CurrentRowMoved(Dataset& /*master*/) override { detail_.FollowMaster(); }
    void RowChanged(Dataset& master, int row) override;
    void DatasetDestroyed(Dataset& /*master*/) override { detail_.MasterGone(); }

   private:
    Table& detail_;
  };
  void CheckBrowsing(const char* operation) const;
  void CheckEditing(const char* operation) const;
  Value& BufferField(const std::string& column, Type* type, int* width);
  // Sets a field of the record buffer when its column takes values of
  // one of the `accepted` types; otherwise throws naming the `kind`.
  void AssignField(const std::string& column, std::initializer_list<Type> accepted,
                   const char* kind, int64_t number, std::string bytes);
  // Memo and blob columns, read apart from the rest of their row.
  static bool IsLong(const Column& column);
  sqlite3_stmt* Prepare(const std::string& sql) const;
  // Runs a row fetch for `key` and, when the row is there, `read`.
  void Fetch(sqlite3_stmt* fetch, int64_t key,
             const std::function<void(sqlite3_stmt*)>& read) const;
  void FinalizeFetches();
  void Lock(bool exclusive);
  void Unlock();
  // The prepared statement of `sql` in `cache`, prepared on first use;
  // `what` names the operation in an error.
  sqlite3_stmt* CachedStatement(std::map<std::string, sqlite3_stmt*>& cache,
                                const std::string& sql, const std::string& what);

  Database& db_;
  std::string name_;
  std::string order_sql_ = "rowid";  // ORDER BY of the chosen index
  std::vector<std::string> order_columns_;  // key columns of the index in use
  bool key_order_ = true;            // rows listed by rowid
  std::string range_column_;         // "" = no range
  std::optional<int64_t> range_value_;  // nullopt with a range: no rows
  Dataset* master_ = nullptr;
  std::string master_column_;
  MasterLink master_link_{*this};
  State state_ = State::kBrowse;
  Row buffer_;
  std::vector<bool> assigned_;
  uint64_t rollbacks_seen_ = 0;
  std::vector<bool> nocase_indexed_;  // columns leading a case-insensitive index
  int lock_fd_ = -1;
  sqlite3_stmt* fetch_ = nullptr;        // the whole row
  sqlite3_stmt* fetch_short_ = nullptr;  // the row without memos and blobs
  mutable std::vector<sqlite3_stmt*> fetch_long_;  // each memo or blob, when first read
  mutable std::unique_ptr<std::vector<std::pair<int64_t, size_t>>> positions_;
  // Post's statements by their SQL text, kept until Close: a writer posts
  // the same columns row after row, and preparing a statement each time
  // cost more than running it.
  std::map<std::string, sqlite3_stmt*> post_statements_;
  // Locate's statements, the same way: the import locates an act by its
  // key and a domain by its code for every act.
  std::map<std::string, sqlite3_stmt*> locate_statements_;
  size_t key_column_ = kNoRow;  // the INTEGER PRIMARY KEY column, if any
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_TABLE_H_
