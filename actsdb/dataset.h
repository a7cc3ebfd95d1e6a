// The dataset: what tables, queries and the client dataset of the acts list
// share. A cursor over a list of rows, a record filter that hides rows, the
// fields of the current row, calculated columns, and what a view needs to
// show the rows: their count, any row's fields, column information, and
// listeners told when the rows or the cursor change.
//
// Rows for views. The rows a view shows are the accepted rows (all rows
// while filtering is off), numbered from 0 in cursor order. The record
// filter judges each row once per listing: when the dataset opens, lists
// its rows again, has filtering switched, or is told to Refilter (after the
// data the filter reads has changed). RecordCount, navigation and row reads
// then use that judgement without calling the filter again.
#ifndef CORVANA_ACTSDB_DATASET_H_
#define CORVANA_ACTSDB_DATASET_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/column.h"
#include "actsdb/dates.h"
#include "actsdb/store_error.h"

namespace actsdb {

class Dataset;

// What a view bound to a dataset is told. The calls come on the thread that
// changed the dataset, after the change; a listener may read the dataset
// (fields, rows, counts) but must not move its cursor or change its rows.
class DatasetListener {
 public:
  virtual ~DatasetListener() = default;
  // The rows were listed anew (opened, closed, re-read, filtered, a row
  // added or removed): row numbers known before mean nothing now.
  // CurrentRowMoved follows.
  virtual void RowsReset(Dataset& /*dataset*/) {}
  // The cursor was positioned, possibly on the row it stood on.
  virtual void CurrentRowMoved(Dataset& /*dataset*/) {}
  // The fields of `row` changed and the row kept its place.
  virtual void RowChanged(Dataset& /*dataset*/, int /*row*/) {}
  // The dataset is being destroyed; the listener must not touch it again.
  virtual void DatasetDestroyed(Dataset& /*dataset*/) {}
};

// What every dataset offers: the cursor and the current row's fields.
class Dataset {
 public:
  virtual ~Dataset();
  Dataset(const Dataset&) = delete;
  Dataset& operator=(const Dataset&) = delete;

  // The record filter: a callback that accepts or rejects the row the
  // dataset it is given stands on. Installing it does not switch filtering
  // on; while filtering is on, installing one judges the rows anew.
  using RecordFilter = std::function<bool(const Dataset&)>;
  void SetRecordFilter(RecordFilter filter);
  void SetFiltered(bool on);
  bool filtered() const { return filtered_; }
  // Judges the rows anew (after the data the filter reads has changed) and
  // moves to the first accepted row.
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

  // Exact-match locate on one stored column, from the first row;
  // case-insensitive compares text with the system upper-casing. Stays put
  // when not found.
  bool Locate(const std::string& column, const std::string& value,
              bool case_insensitive = false);
  bool Locate(const std::string& column, int64_t value);

  // Fields of the current row, stored or calculated. Null reads as "" / 0 /
  // false / nullopt.
  bool IsNull(const std::string& column) const;
  std::string AsString(const std::string& column) const;  // Windows-1250
  int64_t AsInteger(const std::string& column) const;
  bool AsBoolean(const std::string& column) const;
  std::optional<Date> AsDate(const std::string& column) const;
  std::string AsBlob(const std::string& column) const;  // bytes as stored
  // The text a view shows for the field: AsString's, unless a display-text
  // function is installed for the column.
  std::string DisplayText(const std::string& column) const;

  // --- Columns ---
  // The stored columns in their declared order, then the calculated ones;
  // empty while the dataset is closed.
  const std::vector<ColumnInfo>& Columns() const { return columns_; }
  std::vector<std::string> ColumnNames() const;
  // The index of a column in Columns(); throws StoreError when there is no
  // such column ("field 'X' not found").
  size_t ColumnIndex(const std::string& column) const;

  // Labels, display texts and calculated columns are part of the dataset's
  // definition: set while it is open or closed, they hold for every opening.
  // The label a grid shows above the column (its name unless set).
  void SetColumnLabel(const std::string& column, const std::string& label);
  // Replaces the text DisplayText gives for the column; `text` reads the
  // row through the dataset it is given.
  using DisplayTextFunction = std::function<std::string(const Dataset&)>;
  void SetDisplayText(const std::string& column, DisplayTextFunction text);
  // Text columns computed from each row, after the stored ones. `calculate`
  // gets the dataset standing on the row and fills one value per column of
  // `columns`, in their order (each cut to its column's width, when it has
  // one). It reads the row's stored fields; calculated ones read as null
  // there. Values are computed when a row's calculated field is first read,
  // and kept while the cursor stays on that row. Locate and the client
  // dataset's expressions and indexes see only stored columns.
  using CalculateFunction =
      std::function<void(const Dataset& row, std::vector<std::string>& values)>;
  void SetCalculatedColumns(std::vector<ColumnInfo> columns, CalculateFunction calculate);

  // --- Rows for views ---
  // The number of the row the fields read (0 to RecordCount() - 1), or -1.
  int CurrentRow() const;
  // Puts the cursor on row `row`, as a move does (details follow); false,
  // staying put, when there is no such row.
  bool MoveToRow(int row);
  // Calls `read` with the dataset standing on row `row` for that call, to
  // read its fields with the accessors above. The cursor does not move,
  // details do not follow and listeners hear nothing. Throws StoreError
  // when there is no such row.
  void ReadRow(int row, const std::function<void(const Dataset&)>& read) const;
  // DisplayText of column `column` (an index of Columns()) of row `row`,
  // read as ReadRow reads.
  std::string DisplayTextAt(int row, size_t column) const;

  // --- Listeners ---
  // A listener is told of changes until it is removed; adding it twice
  // adds it once.
  void AddListener(DatasetListener* listener);
  void RemoveListener(DatasetListener* listener);
  // Suspends the listeners' notifications until the matching
  // EnableControls (calls nest). The last EnableControls tells what
  // happened meanwhile, once: RowsReset when the rows were listed anew,
  // otherwise RowChanged for each changed row; then CurrentRowMoved when
  // the cursor was positioned. Details are listeners too: while their
  // master's controls are disabled they stay where they are, and follow at
  // the resume.
  void DisableControls();
  void EnableControls();
  bool controls_disabled() const { return controls_disabled_ > 0; }

 protected:
  Dataset() = default;

  using Type = FieldType;
  using Column = ColumnInfo;
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
    bool is_text = false;  // compare `text` (dates as ISO), else `number`
    std::string text;      // Windows-1250
    int64_t number = 0;
  };

  // --- What each kind of dataset supplies ---
  // Describes the dataset in error messages ("table tblActe").
  virtual std::string Describe() const = 0;
  // Reads the stored fields of the row with `key` (an entry of keys_) into
  // the first stored_count() entries of `row`. A row that vanished reads as
  // all nulls.
  virtual void FetchRow(int64_t key, Row* row) const = 0;
  // Reads the stored fields of the row with `key` into `row`, at least
  // `column`, and marks in `decoded` which it read. The default reads the
  // whole row.
  virtual void ReadFields(int64_t key, size_t column, Row* row,
                          std::vector<bool>* decoded) const;
  // The position of `key` in keys_, or kNoRow.
  virtual size_t PositionOf(int64_t key) const;
  // Calls `visit` with the key of each row whose column matches, in cursor
  // order, until it returns true. The default scans keys_.
  virtual void ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                            const std::function<bool(int64_t key)>& visit);
  // Called when filtering is switched on or off.
  virtual void FilteringChanged() {}
  // Called before every cursor movement: a table re-lists its rows here
  // when the database rolled back a transaction since.
  virtual void Revalidate() {}
  // The record being edited, when there is one (fields then read it).
  virtual const Row* EditBuffer() const { return nullptr; }

  // --- Shared machinery for the datasets ---
  // Opens with the stored `columns` (the calculated ones are added) and
  // the row list, on the first accepted row.
  void Activate(std::vector<Column> columns, std::vector<int64_t> keys);
  void Deactivate();
  // Replaces the row list and stands on `key` when it is still listed and
  // accepted, otherwise on the first accepted row.
  void ReplaceKeys(std::vector<int64_t> keys, std::optional<int64_t> key);
  // Stands on the row at `position` (kNoRow: on none) and tells listeners.
  void MoveTo(size_t position);
  // After keys_ changed: the rows are judged anew, and listeners hear
  // RowsReset with the next MoveTo, which the caller makes.
  void RowsReplaced();
  // After the current row was written in place: it is judged anew, and
  // listeners hear RowChanged, or RowsReset when it left or joined the
  // accepted rows.
  void CurrentRowWritten();
  // Moves to the first accepted row that matches; false, staying put, when
  // there is none.
  bool MoveToFirstMatch(size_t column, const Probe& probe, bool case_insensitive);
  // The first accepted position at or after `from`, the last one before
  // `before`; kNoRow when there is none.
  size_t NextAccepted(size_t from) const;
  size_t PriorAccepted(size_t before) const;
  void InvalidateRowCache() const { cache_valid_ = false; }
  void CheckActive() const;
  // The key of the current row, when the cursor stands on one.
  std::optional<int64_t> CurrentKey() const;
  const Value& Field(size_t column) const;
  // ColumnIndex of a stored column; `operation` names in the error what
  // cannot be done to a calculated one.
  size_t StoredColumnIndex(const std::string& column, const char* operation) const;
  // The number of stored columns; the calculated ones follow them.
  size_t stored_count() const { return stored_count_; }

  std::vector<Column> columns_;
  std::vector<int64_t> keys_;
  // keys_.size() at the end (eof); row_ is the row whose fields read, which
  // stays the last row after Next ran past it.
  size_t position_ = 0;
  mutable size_t row_ = kNoRow;
  bool active_ = false;
  bool filtered_ = false;

 private:
  enum Change : unsigned { kReset = 1, kMoved = 2, kRowChanged = 4 };
  class Visit;

  // True when the record filter decides which rows are shown.
  bool FilterApplies() const { return filtered_ && static_cast<bool>(filter_); }
  // Judges every row, once per listing.
  void Judge() const;
  bool Accepted(size_t position) const;
  // The row number of a position, or -1 when it is not an accepted row.
  int RowOfPosition(size_t position) const;
  size_t PositionOfRow(int row) const;
  void Place(size_t position);
  // Tells the listeners what is pending, unless they are suspended.
  void Flush();
  // The row cache holds the row with `key`.
  void UseCacheFor(int64_t key) const;
  // Calculated field `index` (0 = the first calculated column).
  const Value& CalculatedField(size_t index) const;
  void Calculate(Row* values) const;
  std::string TextOf(size_t column) const;
  std::string DisplayTextOf(size_t column) const;
  void ApplyDefinitions();

  RecordFilter filter_;
  // Positions of the accepted rows while the filter applies.
  mutable std::vector<size_t> accepted_;
  mutable bool judged_ = false;

  // The definitions that outlive an opening.
  std::map<std::string, std::string> labels_;  // by lower-case name
  std::map<std::string, DisplayTextFunction> display_texts_;  // the same
  std::vector<Column> calculated_;
  CalculateFunction calculate_;
  size_t stored_count_ = 0;
  std::vector<DisplayTextFunction> display_text_of_;  // by column index

  std::vector<DatasetListener*> listeners_;
  int controls_disabled_ = 0;
  unsigned pending_ = 0;
  std::vector<int> pending_rows_;

  // Inside a Visit: fields never read the record being edited.
  mutable int visiting_ = 0;
  mutable bool calculating_ = false;
  mutable bool cache_valid_ = false;
  mutable int64_t cache_key_ = 0;
  mutable Row cache_;  // the stored fields of row cache_key_
  mutable std::vector<bool> decoded_;
  mutable Row calculated_values_;  // its calculated ones; empty until read
  mutable Row edit_calculated_;    // calculated from the record being edited
};

// Holds back the listeners of a dataset for a scope (DisableControls to
// EnableControls), so that they hear of a change made in steps once.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(Dataset& dataset) : dataset_(dataset) { dataset_.DisableControls(); }
  ~ControlsDisabled() { dataset_.EnableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  Dataset& dataset_;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_DATASET_H_
