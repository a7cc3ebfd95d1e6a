#include "actsdb/dataset.h"

#include <algorithm>

#include "actsdb/codepage.h"

namespace actsdb {


Dataset::~Dataset() {
  if (master_ != nullptr) master_->DetachDetail(this);
  for (Dataset* detail : details_) {
    detail->master_ = nullptr;
    detail->MasterMoved();
  }
}

void Dataset::SetRecordFilter(RecordFilter filter) { filter_ = std::move(filter); }

void Dataset::SetFiltered(bool on) {
  if (on == filtered_) return;
  filtered_ = on;
  try {
    FilteringChanged();
  } catch (...) {
    filtered_ = !on;
    throw;
  }
  if (active_) First();
}

void Dataset::Refilter() {
  if (active_) First();
}

bool Dataset::Accepts(size_t position) const {
  if (!filtered_ || !filter_) return true;
  const size_t saved = row_;
  row_ = position;
  judging_ = true;  // the filter reads the stored row, not a record being edited
  bool accepted = false;
  try {
    accepted = filter_(*this);
  } catch (...) {
    row_ = saved;
    judging_ = false;
    throw;
  }
  row_ = saved;
  judging_ = false;
  return accepted;
}

bool Dataset::SearchForward(size_t from) {
  for (size_t i = from; i < keys_.size(); ++i) {
    if (Accepts(i)) {
      MoveTo(i);
      return true;
    }
  }
  return false;
}

bool Dataset::SearchBackward(size_t before) {
  for (size_t i = before; i-- > 0;) {
    if (Accepts(i)) {
      MoveTo(i);
      return true;
    }
  }
  return false;
}

bool Dataset::First() {
  CheckActive();
  Revalidate();
  if (SearchForward(0)) return true;
  MoveTo(kNoRow);
  return false;
}

bool Dataset::Next() {
  CheckActive();
  Revalidate();
  if (position_ >= keys_.size()) return false;
  if (SearchForward(position_ + 1)) return true;
  position_ = keys_.size();  // eof; the fields still read the last row
  return false;
}

bool Dataset::Prior() {
  CheckActive();
  Revalidate();
  const size_t from = position_ < keys_.size() ? position_ : row_;
  if (from == kNoRow) return false;
  return SearchBackward(from);
}

bool Dataset::Last() {
  CheckActive();
  Revalidate();
  if (SearchBackward(keys_.size())) return true;
  MoveTo(kNoRow);
  return false;
}

int Dataset::RecordCount() const {
  if (!active_) return 0;
  if (!filtered_ || !filter_) return static_cast<int>(keys_.size());
  int count = 0;
  for (size_t i = 0; i < keys_.size(); ++i) count += Accepts(i) ? 1 : 0;
  return count;
}

void Dataset::MoveTo(size_t position) {
  if (position == kNoRow || position >= keys_.size()) {
    position_ = keys_.size();
    row_ = kNoRow;
  } else {
    position_ = position;
    row_ = position;
  }
  for (Dataset* detail : details_) detail->MasterMoved();
}

std::optional<int64_t> Dataset::CurrentKey() const {
  if (row_ == kNoRow || row_ >= keys_.size()) return std::nullopt;
  return keys_[row_];
}

void Dataset::CheckActive() const {
  if (!active_) throw StoreError(Describe() + ": the dataset is closed");
}

size_t Dataset::ColumnIndex(const std::string& column) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (SameColumnName(columns_[i].name, column)) return i;
  }
  throw StoreError(Describe() + ": field '" + column + "' not found");
}

const Dataset::Value& Dataset::Field(size_t column) const {
  if (const Row* buffer = judging_ ? nullptr : EditBuffer()) return (*buffer)[column];
  static const Value kNull;
  const std::optional<int64_t> key = CurrentKey();
  if (!key) return kNull;
  if (!cache_valid_ || cache_key_ != *key) {
    cache_.assign(columns_.size(), Value{});
    decoded_.assign(columns_.size(), false);
    cache_key_ = *key;
    cache_valid_ = true;
  }
  if (!decoded_[column]) ReadFields(*key, column, &cache_, &decoded_);
  return cache_[column];
}

void Dataset::ReadFields(int64_t key, size_t, Row* row, std::vector<bool>* decoded) const {
  FetchRow(key, row);
  row->resize(columns_.size());
  decoded->assign(columns_.size(), true);
}

void Dataset::Activate(std::vector<Column> columns, std::vector<int64_t> keys) {
  columns_ = std::move(columns);
  keys_ = std::move(keys);
  active_ = true;
  InvalidateRowCache();
  First();
}

void Dataset::Deactivate() {
  active_ = false;
  keys_.clear();
  columns_.clear();
  position_ = 0;
  row_ = kNoRow;
  InvalidateRowCache();
  for (Dataset* detail : details_) detail->MasterMoved();
}

void Dataset::ReplaceKeys(std::vector<int64_t> keys, std::optional<int64_t> key) {
  keys_ = std::move(keys);
  InvalidateRowCache();
  if (key) {
    const size_t at = PositionOf(*key);
    if (at != kNoRow) {
      MoveTo(at);
      return;
    }
  }
  First();
}

void Dataset::AttachDetail(Dataset* detail) { details_.push_back(detail); }

void Dataset::DetachDetail(Dataset* detail) {
  details_.erase(std::remove(details_.begin(), details_.end(), detail), details_.end());
}

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
    row.assign(columns_.size(), Value{});
    decoded.assign(columns_.size(), false);
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
  const size_t index = ColumnIndex(column);
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
    if (at == kNoRow || !Accepts(at)) return false;
    found = at;
    return true;
  });
  if (found == kNoRow) return false;
  MoveTo(found);
  return true;
}

bool Dataset::Locate(const std::string& column, int64_t value) {
  CheckActive();
  const size_t index = ColumnIndex(column);
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
  const size_t index = ColumnIndex(column);
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

std::vector<std::string> Dataset::ColumnNames() const {
  std::vector<std::string> names;
  for (const Column& c : columns_) names.push_back(c.name);
  return names;
}

void Dataset::DisableControls() { ++controls_disabled_; }

void Dataset::EnableControls() {
  if (controls_disabled_ > 0) --controls_disabled_;
}


}  // namespace actsdb
