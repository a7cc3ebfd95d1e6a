// The table store: the one layer through which Corvana reads and writes the
// acts database. Nothing else in the system talks to SQLite.
//
// The database is one SQLite file ("corvana.db" in the directory of the
// alias `Zazi1`). Text crosses this interface as Windows-1250 bytes and
// lives in the file as UTF-8; dates live as ISO "yyyy-mm-dd" text; booleans
// as 0/1; blobs as they are. Column types come from the schema's declared
// types (TEXT, INTEGER, BOOLEAN, DATE, BLOB).
//
// Datasets (tables, queries, the client dataset of the acts list) share one
// cursor model: a current row, First/Next/Prior/Last that skip rows the
// record filter rejects, and field access by column name on the current row.
// Every failure throws StoreError with a message that names the table or
// statement and what went wrong.
#ifndef CORVANA_ACTSDB_STORE_H_
#define CORVANA_ACTSDB_STORE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "actsdb/dates.h"
#include "actsdb/install_dir.h"

struct sqlite3;
struct sqlite3_stmt;

namespace actsdb {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

// The session: the alias configuration and databases opened by alias.
class Session {
 public:
  explicit Session(AliasConfig aliases) : aliases_(std::move(aliases)) {}

  AliasConfig& aliases() { return aliases_; }
  // Opens "corvana.db" in the alias's directory; throws when the alias is
  // not registered or the file is missing (unless `create`).
  std::unique_ptr<Database> OpenDatabase(const std::string& alias, bool create = false);

 private:
  AliasConfig aliases_;
};

// What every dataset offers: the cursor and the current row's fields.
class Dataset {
 public:
  virtual ~Dataset();

  // The record filter: a callback that accepts or rejects the current row.
  // Installing it does not switch filtering on.
  using RecordFilter = std::function<bool(const Dataset&)>;
  void SetRecordFilter(RecordFilter filter);
  void SetFiltered(bool on);
  bool filtered() const { return filtered_; }
  // Re-evaluates the record filter (after the data it reads has changed)
  // and moves to the first accepted row.
  void Refilter();

  bool active() const { return active_; }
  // Navigation over the accepted rows. Each returns whether the cursor now
  // stands on a row; Next past the last row leaves eof() true.
  bool First();
  bool Next();
  bool Prior();
  bool Last();
  bool eof() const { return position_ >= keys_.size(); }
  // Rows accepted by the record filter (all rows when filtering is off).
  int RecordCount() const;
  bool IsEmpty() const { return RecordCount() == 0; }

  // Exact-match locate on one column, from the first row; case-insensitive
  // compares text with the system upper-casing. Stays put when not found.
  bool Locate(const std::string& column, const std::string& value,
              bool case_insensitive = false);
  bool Locate(const std::string& column, int64_t value);

  // Fields of the current row. Null reads as "" / 0 / false / nullopt.
  bool IsNull(const std::string& column) const;
  std::string AsString(const std::string& column) const;  // Windows-1250
  int64_t AsInteger(const std::string& column) const;
  bool AsBoolean(const std::string& column) const;
  std::optional<Date> AsDate(const std::string& column) const;
  std::string AsBlob(const std::string& column) const;  // bytes as stored
  std::vector<std::string> ColumnNames() const;

  // Suspends and resumes notification of bound views (the viewer's grids).
  void DisableControls();
  void EnableControls();
  bool controls_disabled() const { return controls_disabled_ > 0; }

 protected:
  Dataset() = default;

  enum class Type : uint8_t { kText, kInteger, kBoolean, kDate, kBlob };
  struct Column {
    std::string name;
    Type type = Type::kText;
    int width = 0;  // declared size of a text column; 0 = unlimited
  };
  // A field as the interface sees it: text in Windows-1250, a date as ISO
  // text, a blob as its bytes, integers and booleans in `number`.
  struct Value {
    bool null = true;
    int64_t number = 0;
    std::string bytes;
  };
  using Row = std::vector<Value>;
  static constexpr size_t kNoRow = static_cast<size_t>(-1);

  // What a locate looks for, already converted for the column.
  struct Probe {
    bool is_text = false;   // compare `text` (dates as ISO), else `number`
    std::string text;       // Windows-1250
    int64_t number = 0;
  };

  // --- What each kind of dataset supplies ---
  // Describes the dataset in error messages ("table tblActe").
  virtual std::string Describe() const = 0;
  // Reads the row with `key` (an entry of keys_). A row that vanished
  // reads as all nulls.
  virtual void FetchRow(int64_t key, Row* row) const = 0;
  // Reads the fields of the row with `key` into `row`, at least `column`,
  // and marks in `decoded` which it read. The default reads the whole row.
  virtual void ReadFields(int64_t key, size_t column, Row* row,
                          std::vector<bool>* decoded) const;
  // The position of `key` in keys_, or kNoRow.
  virtual size_t PositionOf(int64_t key) const;
  // Calls `visit` with the key of each row whose column matches, in cursor
  // order, until it returns true. The default scans keys_.
  virtual void ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                            const std::function<bool(int64_t key)>& visit);
  // Moves to the first accepted row that matches; false, staying put, when
  // there is none.
  bool MoveToFirstMatch(size_t column, const Probe& probe, bool case_insensitive);
  // Called when filtering is switched on or off.
  virtual void FilteringChanged() {}
  // Called on a detail when its master's current row changed.
  virtual void MasterMoved() {}
  // Called before every cursor movement: a table re-lists its rows here
  // when the database rolled back a transaction since.
  virtual void Revalidate() {}
  // The record being edited, when there is one (fields then read it).
  virtual const Row* EditBuffer() const { return nullptr; }

  // --- Shared machinery for the datasets ---
  void Activate(std::vector<Column> columns, std::vector<int64_t> keys);
  void Deactivate();
  // Replaces the row list and stands on `key` when it is still listed,
  // otherwise on the first accepted row.
  void ReplaceKeys(std::vector<int64_t> keys, std::optional<int64_t> key);
  // Stands on the row at `position` (kNoRow: on none) and tells details.
  void MoveTo(size_t position);
  void InvalidateRowCache() const { cache_valid_ = false; }
  void CheckActive() const;
  size_t ColumnIndex(const std::string& column) const;
  // The key of the current row, when the cursor stands on one.
  std::optional<int64_t> CurrentKey() const;
  const Value& Field(size_t column) const;
  bool Accepts(size_t position) const;
  void AttachDetail(Dataset* detail);
  void DetachDetail(Dataset* detail);
  friend class Table;  // a detail registers with its master

  std::vector<Column> columns_;
  std::vector<int64_t> keys_;
  // keys_.size() at the end (eof); row_ is the row whose fields read, which
  // stays the last row after Next ran past it.
  size_t position_ = 0;
  mutable size_t row_ = kNoRow;
  bool active_ = false;
  bool filtered_ = false;
  int controls_disabled_ = 0;
  Dataset* master_ = nullptr;

 private:
  bool SearchForward(size_t from);
  bool SearchBackward(size_t before);

  RecordFilter filter_;
  std::vector<Dataset*> details_;
  mutable bool judging_ = false;  // inside the record filter
  mutable bool cache_valid_ = false;
  mutable int64_t cache_key_ = 0;
  mutable Row cache_;
  mutable std::vector<bool> decoded_;
};

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
  // current `master_column`; followed whenever the master moves.
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
  void MasterMoved() override;
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
  void CheckBrowsing(const char* operation) const;
  void CheckEditing(const char* operation) const;
  Value& BufferField(const std::string& column, Type* type, int* width);
  // Sets a field of the record buffer when its column takes values of
  // one of the `accepted` types; otherwise throws naming the `kind`.
  void AssignField(const std::string& column, std::initializer_list<Type> accepted,
                   const char* kind, int64_t number, std::string bytes);
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
  std::string master_column_;
  State state_ = State::kBrowse;
  Row buffer_;
  std::vector<bool> assigned_;
  uint64_t rollbacks_seen_ = 0;
  std::vector<bool> nocase_indexed_;  // columns leading a case-insensitive index
  int lock_fd_ = -1;
  mutable sqlite3_stmt* fetch_ = nullptr;
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

// A query in the system's SQL dialect. The text is given as lines; the
// store translates the dialect to SQLite:
//   - a quoted date 'd/m/yyyy' compared with a date column compares dates;
//   - "ORDER BY f ASCENDING" / "DESCENDING";
//   - LIKE with "%" and "_" ignores case for all Windows-1250 letters,
//     Romanian ones included.
class Query : public Dataset {
 public:
  explicit Query(Database& db);
  ~Query() override;

  std::vector<std::string>& sql();  // Windows-1250 lines
  std::string SqlText() const;      // the lines, each followed by CR LF

  void Prepare();  // checks the text; throws StoreError with SQLite's reason
  void Open();
  void Close();

 protected:
  std::string Describe() const override;
  void FetchRow(int64_t key, Row* row) const override;
  size_t PositionOf(int64_t key) const override;
  void ReadFields(int64_t key, size_t column, Row* row,
                  std::vector<bool>* decoded) const override;

 private:
  std::string Translate() const;

  Database& db_;
  std::vector<std::string> sql_;
  std::vector<std::string> rows_;  // packed rows, in result order
};

// The in-memory copy of the acts list (the columns of the acts-list query).
class ClientDataset : public Dataset {
 public:
  ClientDataset();
  ~ClientDataset() override;

  // Writes the acts list of `db` (the columns IdAct, IdDomeniu, IdEmitent,
  // IdPublicatie, IdTipAct, NrOficial, Data, DataPub, Anul, Titlu, Titlu2,
  // Rep, IndNum, Limba, Numar of tblActe) to `path` ("dump.dst"). The file
  // is written beside `path` and renamed over it, so readers never see half
  // a file.
  static void SaveActsList(Database& db, const std::string& path);

  void LoadFromFile(const std::string& path);
  void Open();
  void Close();
  void EmptyDataSet();

  // A filter expression in the WHERE syntax of the queries; applies while
  // filtering is on, together with the record filter. Line breaks count as
  // blanks. A malformed expression throws StoreError when applied.
  void SetFilterText(const std::string& expression);
  const std::string& filter_text() const;

  // Secondary indexes: `fields` and `descending_fields` are column names
  // separated by ";"; a case-insensitive index compares text upper-cased.
  void AddIndex(const std::string& name, const std::string& fields,
                const std::string& descending_fields, bool case_insensitive);
  void DeleteIndex(const std::string& name);
  void SetIndexName(const std::string& name);  // "" = load order

  // An index as it was added (the grid rebuilds its sort from it); nullopt
  // when there is none of that name.
  struct IndexDef {
    std::string fields;
    std::string descending_fields;
    bool case_insensitive = false;
  };
  std::optional<IndexDef> FindIndex(const std::string& name) const;

 protected:
  std::string Describe() const override;
  void FetchRow(int64_t key, Row* row) const override;
  size_t PositionOf(int64_t key) const override;
  void ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                    const std::function<bool(int64_t key)>& visit) override;
  void FilteringChanged() override;
  void ReadFields(int64_t key, size_t column, Row* row,
                  std::vector<bool>* decoded) const override;

 private:
  struct Index {
    std::string name;
    IndexDef def;
    std::string order_sql;
  };
  // The WHERE clause of the filter expression ("" when none applies).
  std::string WhereSql(const std::string& expression, bool filtering) const;
  std::vector<int64_t> ListKeys(const std::string& where, const std::string& order) const;
  void Relist(const std::string& where, const std::string& order);
  void CloseMemory();

  sqlite3* memory_ = nullptr;  // the loaded acts list
  mutable sqlite3_stmt* fetch_ = nullptr;
  size_t rowid_column_ = kNoRow;       // the column that is the row's key
  mutable bool fetch_on_row_ = false;  // fetch_ stands on the row fetch_key_
  mutable int64_t fetch_key_ = 0;
  std::string filter_text_;
  std::string where_sql_;  // the filter expression in force
  std::vector<Index> indexes_;
  std::string order_sql_ = "rowid";
  mutable std::unique_ptr<std::vector<std::pair<int64_t, size_t>>> positions_;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STORE_H_
