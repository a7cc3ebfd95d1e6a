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

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "actsdb/dates.h"
#include "actsdb/install_dir.h"

struct sqlite3;

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
  sqlite3* db_;
  std::string path_;
  std::string directory_;
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
  // Implementation state is the store's own (see store.cc).
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
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STORE_H_
