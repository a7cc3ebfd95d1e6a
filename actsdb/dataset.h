// The dataset: what tables, queries and the client dataset of the acts
// list share. A cursor over a list of rows, a record filter that hides
// rows, and the fields of the current row.
#ifndef CORVANA_ACTSDB_DATASET_H_
#define CORVANA_ACTSDB_DATASET_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/column.h"
#include "actsdb/dates.h"
#include "actsdb/store_error.h"

namespace actsdb {

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

  using Type = FieldType;
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

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_DATASET_H_
