// The in-memory copy of the acts list, loaded from "dump.dst": filtered by
// an expression in the dialect of the queries and by the record filter,
// sorted by secondary indexes.
#ifndef CORVANA_ACTSDB_CLIENT_DATASET_H_
#define CORVANA_ACTSDB_CLIENT_DATASET_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/database.h"
#include "actsdb/dataset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace actsdb {

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
    std::vector<std::pair<std::string, bool>> terms;  // each field, and whether descending
  };
  // The sort keys of one column as a case-insensitive index compares them,
  // read once per load and kept for every sort after.
  struct ColumnKeys;
  // The WHERE clause of the filter expression ("" when none applies).
  std::string WhereSql(const std::string& expression, bool filtering) const;
  std::vector<int64_t> ListKeys(const std::string& where, const std::string& order) const;
  // The rows `where` lists in the order of the case-insensitive `index`,
  // as SQLite would order them, sorted here over the kept keys: a sort of
  // the whole list then compares keys in memory instead of records.
  std::vector<int64_t> SortedKeys(const std::string& where, const Index& index) const;
  const ColumnKeys& KeysOf(const std::string& field) const;
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
  mutable std::map<std::string, std::unique_ptr<ColumnKeys>> column_keys_;  // by lower-case name
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_CLIENT_DATASET_H_
