#include "actsdb/dataset.h"

#include <algorithm>

#include "actsdb/codepage.h"

namespace actsdb {
namespace {

std::string LowerName(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

}  // namespace

// For its lifetime the fields read the row at a position of the caller's
// (the filter's judgement, ReadRow), never the record being edited.
class Dataset::Visit {
 public:
  Visit(const Dataset& d, size_t position) : d_(d), saved_(d.row_) {
    d_.row_ = position;
    ++d_.visiting_;
  }
  ~Visit() {
    d_.row_ = saved_;
    --d_.visiting_;
  }
  Visit(const Visit&) = delete;
  Visit& operator=(const Visit&) = delete;

 private:
  const Dataset& d_;
  const size_t saved_;
};

Dataset::~Dataset() {
  // A listener may remove itself (or another) while it hears this.
  const std::vector<DatasetListener*> listeners = listeners_;
  for (DatasetListener* listener : listeners) {
    if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) {
      listener->DatasetDestroyed(*this);
    }
  }
}

// ---------------------------------------------------------------- filtering

void Dataset::SetRecordFilter(RecordFilter filter) {
  filter_ = std::move(filter);
  if (active_ && filtered_) Refilter();
}

void Dataset::SetFiltered(bool on) {
  if (on == filtered_) return;
  // A list re-read for the filter and judged anew is one change.
  ControlsDisabled held(*this);
  filtered_ = on;
  judged_ = false;
  try {
    FilteringChanged();
  } catch (...) {
    filtered_ = !on;
    throw;
  }
  if (active_) Refilter();
}

void Dataset::Refilter() {
  if (!active_) return;
  judged_ = false;
  pending_ |= kReset;
  First();
}

void Dataset::Judge() const {
  if (judged_ || !FilterApplies()) return;
  accepted_.clear();
  for (size_t i = 0; i < keys_.size(); ++i) {
    const Visit visit(*this, i);
    if (filter_(*this)) accepted_.push_back(i);
  }
  judged_ = true;
}

bool Dataset::Accepted(size_t position) const {
  if (position >= keys_.size()) return false;
  if (!FilterApplies()) return true;
  Judge();
  return std::binary_search(accepted_.begin(), accepted_.end(), position);
}

size_t Dataset::NextAccepted(size_t from) const {
  if (!FilterApplies()) return from < keys_.size() ? from : kNoRow;
  Judge();
  auto it = std::lower_bound(accepted_.begin(), accepted_.end(), from);
  return it == accepted_.end() ? kNoRow : *it;
}

size_t Dataset::PriorAccepted(size_t before) const {
  before = std::min(before, keys_.size());
  if (!FilterApplies()) return before > 0 ? before - 1 : kNoRow;
  Judge();
  auto it = std::lower_bound(accepted_.begin(), accepted_.end(), before);
  return it == accepted_.begin() ? kNoRow : *(it - 1);
}

// ---------------------------------------------------------------- navigation

bool Dataset::First() {
  CheckActive();
  Revalidate();
  const size_t at = NextAccepted(0);
  MoveTo(at);
  return at != kNoRow;
}

bool Dataset::Next() {
  CheckActive();
  Revalidate();
  if (position_ >= keys_.size()) return false;
  const size_t at = NextAccepted(position_ + 1);
  if (at == kNoRow) {
    position_ = keys_.size();  // eof; the fields still read the last row
    return false;
  }
  MoveTo(at);
  return true;
}

bool Dataset::Prior() {
  CheckActive();
  Revalidate();
  const size_t from = position_ < keys_.size() ? position_ : row_;
  if (from == kNoRow) return false;
  const size_t at = PriorAccepted(from);
  if (at == kNoRow) return false;
  MoveTo(at);
  return true;
}

bool Dataset::Last() {
  CheckActive();
  Revalidate();
  const size_t at = PriorAccepted(keys_.size());
  MoveTo(at);
  return at != kNoRow;
}

int Dataset::RecordCount() const {
  if (!active_) return 0;
  if (!FilterApplies()) return static_cast<int>(keys_.size());
  Judge();
  return static_cast<int>(accepted_.size());
}

void Dataset::Place(size_t position) {
  if (position == kNoRow || position >= keys_.size()) {
    position_ = keys_.size();
    row_ = kNoRow;
  } else {
    position_ = position;
    row_ = position;
  }
}

void Dataset::MoveTo(size_t position) {
  Place(position);
  pending_ |= kMoved;
  Flush();
}

// ---------------------------------------------------------------- rows for views

int Dataset::RowOfPosition(size_t position) const {
  if (position >= keys_.size()) return -1;
  if (!FilterApplies()) return static_cast<int>(position);
  Judge();
  auto it = std::lower_bound(accepted_.begin(), accepted_.end(), position);
  return it == accepted_.end() || *it != position ? -1
                                                  : static_cast<int>(it - accepted_.begin());
}

size_t Dataset::PositionOfRow(int row) const {
  if (!active_ || row < 0 || row >= RecordCount()) return kNoRow;
  return FilterApplies() ? accepted_[static_cast<size_t>(row)] : static_cast<size_t>(row);
}

int Dataset::CurrentRow() const {
  if (!active_ || row_ == kNoRow) return -1;
  return RowOfPosition(row_);
}

bool Dataset::MoveToRow(int row) {
  CheckActive();
  Revalidate();
  const size_t at = PositionOfRow(row);
  if (at == kNoRow) return false;
  MoveTo(at);
  return true;
}

void Dataset::ReadRow(int row, const std::function<void(const Dataset&)>& read) const {
  CheckActive();
  const size_t at = PositionOfRow(row);
  if (at == kNoRow) {
    throw StoreError(Describe() + ": no row " + std::to_string(row) + " (it has " +
                     std::to_string(RecordCount()) + ")");
  }
  const Visit visit(*this, at);
  read(*this);
}

std::string Dataset::DisplayTextAt(int row, size_t column) const {
  if (column >= columns_.size()) {
    throw StoreError(Describe() + ": no column " + std::to_string(column));
  }
  std::string text;
  ReadRow(row, [&](const Dataset& d) { text = d.DisplayTextOf(column); });
  return text;
}

// ---------------------------------------------------------------- listeners

void Dataset::AddListener(DatasetListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
    listeners_.push_back(listener);
  }
}

void Dataset::RemoveListener(DatasetListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener),
                   listeners_.end());
}

void Dataset::DisableControls() { ++controls_disabled_; }

void Dataset::EnableControls() {
  if (controls_disabled_ == 0) return;
  --controls_disabled_;
  Flush();
}

void Dataset::RowsReplaced() {
  judged_ = false;
  InvalidateRowCache();
  pending_ |= kReset;
}

void Dataset::CurrentRowWritten() {
  InvalidateRowCache();
  const int row = CurrentRow();  // judged before the write
  if (FilterApplies() && judged_ && row_ != kNoRow) {
    bool accepted;
    {
      const Visit visit(*this, row_);  // the row as stored now
      accepted = filter_(*this);
    }
    if (accepted != (row >= 0)) {
      // The write moved the row in or out of the accepted rows.
      RowsReplaced();
      pending_ |= kMoved;
      Flush();
      return;
    }
  }
  if (row >= 0) {
    pending_ |= kRowChanged;
    pending_rows_.push_back(row);
  }
  Flush();
}

void Dataset::Flush() {
  if (controls_disabled_ > 0 || pending_ == 0) return;
  const unsigned changes = pending_;
  std::vector<int> rows;
  rows.swap(pending_rows_);
  pending_ = 0;
  // A listener may remove itself (or another) while it is told.
  const std::vector<DatasetListener*> listeners = listeners_;
  const auto still_listening = [&](DatasetListener* listener) {
    return std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end();
  };
  if (changes & kReset) {
    for (DatasetListener* l : listeners) {
      if (still_listening(l)) l->RowsReset(*this);
    }
  } else if (changes & kRowChanged) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
      for (DatasetListener* l : listeners) {
        if (still_listening(l)) l->RowChanged(*this, row);
      }
    }
  }
  if (changes & (kReset | kMoved)) {
    for (DatasetListener* l : listeners) {
      if (still_listening(l)) l->CurrentRowMoved(*this);
    }
  }
}

// ---------------------------------------------------------------- columns

std::vector<std::string> Dataset::ColumnNames() const {
  std::vector<std::string> names;
  for (const Column& c : columns_) names.push_back(c.name);
  return names;
}

size_t Dataset::ColumnIndex(const std::string& column) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (SameColumnName(columns_[i].name, column)) return i;
  }
  throw StoreError(Describe() + ": field '" + column + "' not found");
}

size_t Dataset::StoredColumnIndex(const std::string& column, const char* operation) const {
  const size_t index = ColumnIndex(column);
  if (index >= stored_count_) {
    throw StoreError(Describe() + ": cannot " + operation + " the calculated field '" + column +
                     "'");
  }
  return index;
}

void Dataset::SetColumnLabel(const std::string& column, const std::string& label) {
  labels_[LowerName(column)] = label;
  ApplyDefinitions();
}

void Dataset::SetDisplayText(const std::string& column, DisplayTextFunction text) {
  display_texts_[LowerName(column)] = std::move(text);
  ApplyDefinitions();
}

void Dataset::SetCalculatedColumns(std::vector<ColumnInfo> columns, CalculateFunction calculate) {
  if (active_) {
    throw StoreError(Describe() + ": calculated columns are set while the dataset is closed");
  }
  for (ColumnInfo& c : columns) {
    c.type = FieldType::kText;
    if (c.kind == FieldKind::kData) c.kind = FieldKind::kCalculated;
  }
  calculated_ = std::move(columns);
  calculate_ = std::move(calculate);
}

void Dataset::ApplyDefinitions() {
  display_text_of_.assign(columns_.size(), nullptr);
  for (size_t i = 0; i < columns_.size(); ++i) {
    const std::string key = LowerName(columns_[i].name);
    const auto label = labels_.find(key);
    columns_[i].label = label != labels_.end() ? label->second : columns_[i].name;
    const auto text = display_texts_.find(key);
    if (text != display_texts_.end()) display_text_of_[i] = text->second;
  }
}

// ---------------------------------------------------------------- opening

void Dataset::Activate(std::vector<Column> columns, std::vector<int64_t> keys) {
  stored_count_ = columns.size();
  columns_ = std::move(columns);
  columns_.insert(columns_.end(), calculated_.begin(), calculated_.end());
  ApplyDefinitions();
  keys_ = std::move(keys);
  active_ = true;
  RowsReplaced();
  MoveTo(NextAccepted(0));
}

void Dataset::Deactivate() {
  active_ = false;
  keys_.clear();
  columns_.clear();
  display_text_of_.clear();
  stored_count_ = 0;
  accepted_.clear();
  RowsReplaced();
  MoveTo(kNoRow);
}

void Dataset::ReplaceKeys(std::vector<int64_t> keys, std::optional<int64_t> key) {
  keys_ = std::move(keys);
  RowsReplaced();
  if (key) {
    const size_t at = PositionOf(*key);
    if (at != kNoRow && Accepted(at)) {
      MoveTo(at);
      return;
    }
  }
  MoveTo(NextAccepted(0));
}

void Dataset::CheckActive() const {
  if (!active_) throw StoreError(Describe() + ": the dataset is closed");
}

std::optional<int64_t> Dataset::CurrentKey() const {
  if (row_ == kNoRow || row_ >= keys_.size()) return std::nullopt;
  return keys_[row_];
}

// ---------------------------------------------------------------- fields

size_t Dataset::PositionOf(int64_t key) const {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  return it == keys_.end() ? kNoRow : static_cast<size_t>(it - keys_.begin());
}

void Dataset::ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                           const std::function<bool(int64_t key)>& visit) {
  const Type type = columns_[column].type;
  const std::string wanted = case_insensitive ? UpperCase(probe.text) : probe.text;
  Row row;
  std::vector<bool> decoded;
  for (int64_t key : keys_) {
    row.assign(stored_count_, Value{});
    decoded.assign(stored_count_, false);
    ReadFields(key, column, &row, &decoded);
    const Value& v = row[column];
    if (v.null) continue;
    bool match;
    if (type == Type::kInteger || type == Type::kBoolean) {
      match = !probe.is_text && v.number == probe.number;
    } else if (type == Type::kBlob) {
      match = probe.is_text && v.bytes == probe.text;
    } else {
      match = probe.is_text && (case_insensitive ? UpperCase(v.bytes) : v.bytes) == wanted;
    }
    if (match && visit(key)) return;
  }
}

bool Dataset::Locate(const std::string& column, const std::string& value,
                     bool case_insensitive) {
  CheckActive();
  Revalidate();
  const size_t index = StoredColumnIndex(column, "locate on");
  Probe probe;
  switch (columns_[index].type) {
    case Type::kInteger:
    case Type::kBoolean:
      try {
        probe.number = ParseIntegerText(value, column);
      } catch (const StoreError&) {
        return false;  // no integer row equals a text that is no number
      }
      break;
    case Type::kDate: {
      const std::optional<Date> date = ParseDateText(value);
      if (!date) return false;
      probe.is_text = true;
      probe.text = FormatIso(*date);
      break;
    }
    default:
      probe.is_text = true;
      probe.text = value;
  }
  return MoveToFirstMatch(index, probe, case_insensitive);
}

bool Dataset::MoveToFirstMatch(size_t column, const Probe& probe, bool case_insensitive) {
  size_t found = kNoRow;
  ForEachMatch(column, probe, case_insensitive, [&](int64_t key) {
    const size_t at = PositionOf(key);
    if (at == kNoRow || !Accepted(at)) return false;
    found = at;
    return true;
  });
  if (found == kNoRow) return false;
  MoveTo(found);
  return true;
}

bool Dataset::Locate(const std::string& column, int64_t value) {
  CheckActive();
  const size_t index = StoredColumnIndex(column, "locate on");
  const Type type = columns_[index].type;
  if (type == Type::kInteger || type == Type::kBoolean) {
    Revalidate();
    Probe probe;
    probe.number = value;
    return MoveToFirstMatch(index, probe, false);
  }
  return Locate(column, std::to_string(value));
}

bool Dataset::IsNull(const std::string& column) const {
  CheckActive();
  return Field(ColumnIndex(column)).null;
}

std::string Dataset::AsString(const std::string& column) const {
  CheckActive();
  return TextOf(ColumnIndex(column));
}

std::string Dataset::TextOf(size_t index) const {
  const Value& v = Field(index);
  if (v.null) return "";
  switch (columns_[index].type) {
    case Type::kInteger:
      return std::to_string(v.number);
    case Type::kBoolean:
      return v.number != 0 ? "True" : "False";
    case Type::kDate: {
      const std::optional<Date> date = ParseIso(v.bytes);
      return date ? FormatDmy(*date) : v.bytes;
    }
    default:
      return v.bytes;
  }
}

std::string Dataset::DisplayText(const std::string& column) const {
  CheckActive();
  return DisplayTextOf(ColumnIndex(column));
}

std::string Dataset::DisplayTextOf(size_t index) const {
  if (index < display_text_of_.size() && display_text_of_[index]) {
    return display_text_of_[index](*this);
  }
  return TextOf(index);
}

int64_t Dataset::AsInteger(const std::string& column) const {
  CheckActive();
  const size_t index = ColumnIndex(column);
  const Value& v = Field(index);
  if (v.null) return 0;
  switch (columns_[index].type) {
    case Type::kInteger:
    case Type::kBoolean:
      return v.number;
    case Type::kText:
      return ParseIntegerText(v.bytes, Describe() + " field " + column);
    default:
      throw StoreError(Describe() + ": field '" + column + "' cannot be read as an integer");
  }
}

bool Dataset::AsBoolean(const std::string& column) const {
  CheckActive();
  const size_t index = ColumnIndex(column);
  const Value& v = Field(index);
  if (v.null) return false;
  switch (columns_[index].type) {
    case Type::kInteger:
    case Type::kBoolean:
      return v.number != 0;
    default:
      throw StoreError(Describe() + ": field '" + column + "' cannot be read as a boolean");
  }
}

std::optional<Date> Dataset::AsDate(const std::string& column) const {
  CheckActive();
  const size_t index = ColumnIndex(column);
  const Value& v = Field(index);
  if (v.null) return std::nullopt;
  if (columns_[index].type != Type::kDate && columns_[index].type != Type::kText) {
    throw StoreError(Describe() + ": field '" + column + "' cannot be read as a date");
  }
  std::optional<Date> date = ParseIso(v.bytes);
  if (!date) date = ParseDmy(v.bytes);
  if (!date) {
    throw StoreError(Describe() + ": '" + v.bytes + "' in field '" + column +
                     "' is not a valid date");
  }
  return date;
}

std::string Dataset::AsBlob(const std::string& column) const {
  CheckActive();
  const Value& v = Field(ColumnIndex(column));
  return v.null ? std::string() : v.bytes;
}


void Dataset::UseCacheFor(int64_t key) const {
  if (cache_valid_ && cache_key_ == key) return;
  cache_.assign(stored_count_, Value{});
  decoded_.assign(stored_count_, false);
  calculated_values_.clear();
  cache_key_ = key;
  cache_valid_ = true;
}

const Dataset::Value& Dataset::Field(size_t column) const {
  static const Value kNull;
  if (column >= stored_count_) return CalculatedField(column - stored_count_);
  if (visiting_ == 0) {
    if (const Row* buffer = EditBuffer()) return (*buffer)[column];
  }
  const std::optional<int64_t> key = CurrentKey();
  if (!key) return kNull;
  UseCacheFor(*key);
  if (!decoded_[column]) ReadFields(*key, column, &cache_, &decoded_);
  return cache_[column];
}

void Dataset::ReadFields(int64_t key, size_t, Row* row, std::vector<bool>* decoded) const {
  FetchRow(key, row);
  row->resize(stored_count_);
  decoded->assign(stored_count_, true);
}

const Dataset::Value& Dataset::CalculatedField(size_t index) const {
  static const Value kNull;
  // Inside the calculation the calculated fields are not known yet.
  if (calculating_) return kNull;
  if (visiting_ == 0 && EditBuffer() != nullptr) {
    // The record being edited: calculated afresh from the buffer each time.
    Calculate(&edit_calculated_);
    return edit_calculated_[index];
  }
  const std::optional<int64_t> key = CurrentKey();
  if (!key) return kNull;
  UseCacheFor(*key);
  if (calculated_values_.empty()) Calculate(&calculated_values_);
  return calculated_values_[index];
}

void Dataset::Calculate(Row* values) const {
  std::vector<std::string> texts(calculated_.size());
  calculating_ = true;
  try {
    if (calculate_) calculate_(*this, texts);
  } catch (...) {
    calculating_ = false;
    throw;
  }
  calculating_ = false;
  values->assign(calculated_.size(), Value{});
  for (size_t i = 0; i < calculated_.size() && i < texts.size(); ++i) {
    Value& v = (*values)[i];
    v.null = false;
    v.bytes = std::move(texts[i]);
    const int width = calculated_[i].width;
    if (width > 0 && v.bytes.size() > static_cast<size_t>(width)) {
      v.bytes.resize(static_cast<size_t>(width));
    }
  }
}

}  // namespace actsdb
