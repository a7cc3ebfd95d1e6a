#include "actsdb/client_dataset.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <numeric>
#include <string_view>

#include "actsdb/acts_list.h"
#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "actsdb/sql_dialect.h"
#include "actsdb/store_internal.h"

namespace actsdb {

ClientDataset::ClientDataset() = default;

ClientDataset::~ClientDataset() { CloseMemory(); }

std::string ClientDataset::Describe() const { return "client dataset"; }

void ClientDataset::LoadFromFile(const std::string& path) {
  const std::string what = "cannot load the acts list " + path;
  // The file image becomes the in-memory database as it is.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw StoreError(what + ": the file cannot be read");
  const auto size = static_cast<sqlite3_int64>(in.tellg());
  in.seekg(0);
  auto* image = static_cast<char*>(sqlite3_malloc64(static_cast<sqlite3_uint64>(size) + 1));
  if (image == nullptr) throw StoreError(what + ": out of memory");
  if (!in.read(image, size)) {
    sqlite3_free(image);
    throw StoreError(what + ": the file cannot be read");
  }

  CloseMemory();
  if (active_) Deactivate();
  try {
    memory_ = OpenConnection(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, what);
  } catch (...) {
    sqlite3_free(image);
    throw;
  }
  // Frees the image, even when it fails.
  const int rc = sqlite3_deserialize(
      memory_, "main", reinterpret_cast<unsigned char*>(image), size, size,
      SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
  if (rc != SQLITE_OK) {
    const std::string reason = sqlite3_errmsg(memory_);
    CloseMemory();
    throw StoreError(what + ": " + reason);
  }
  try {
    std::vector<Column> columns = DeclaredColumns(memory_, kActsListTable, what, &rowid_column_);
    for (const char* name : kActsListColumns) {
      if (std::none_of(columns.begin(), columns.end(),
                       [&](const Column& have) { return SameColumnName(have.name, name); })) {
        throw StoreError(what + ": it holds no column " + name);
      }
    }
    std::string select = "SELECT ";
    for (size_t i = 0; i < columns.size(); ++i) {
      select += (i ? ", " : "") + Quote(columns[i].name);
    }
    select += std::string(" FROM ") + kActsListTable + " WHERE rowid = ?";
    if (sqlite3_prepare_v2(memory_, select.c_str(), -1, &fetch_, nullptr) != SQLITE_OK) {
      throw StoreError(what + ": " + sqlite3_errmsg(memory_));
    }
    columns_ = columns;  // the filter expression is checked against them
    const std::string where = WhereSql(filter_text_, filtered_);
    std::vector<int64_t> keys = ListKeys(where, order_sql_);
    where_sql_ = where;
    positions_.reset();
    Activate(std::move(columns), std::move(keys));
  } catch (...) {
    if (active_) Deactivate();
    CloseMemory();
    columns_.clear();
    throw;
  }
}

void ClientDataset::Open() {
  if (active_) return;
  // Loading a list activates it and closing drops it: nothing to open.
  throw StoreError("client dataset: no acts list loaded");
}

void ClientDataset::Close() {
  CloseMemory();
  if (active_) Deactivate();
}

void ClientDataset::CloseMemory() {
  column_keys_.clear();
  sqlite3_finalize(fetch_);
  fetch_ = nullptr;
  fetch_on_row_ = false;
  if (memory_ != nullptr) sqlite3_close_v2(memory_);
  memory_ = nullptr;
  positions_.reset();
}

void ClientDataset::EmptyDataSet() {
  CheckActive();
  sqlite3_reset(fetch_);
  fetch_on_row_ = false;
  Exec(memory_, std::string("DELETE FROM ") + kActsListTable, "client dataset: cannot empty");
  column_keys_.clear();
  Relist(where_sql_, order_sql_);
}

std::string ClientDataset::WhereSql(const std::string& expression, bool filtering) const {
  if (!filtering || expression.find_first_not_of(" \t\r\n") == std::string::npos) return "";
  std::vector<std::string> dates;
  for (const Column& c : columns_) {
    if (c.type == Type::kDate) dates.push_back(Lower(c.name));
  }
  try {
    return " WHERE (" +
           TranslateDialect(expression,
                            [&](std::string_view column) {
                              return std::find(dates.begin(), dates.end(),
                                               Lower(std::string(column))) != dates.end();
                            }) +
           ")";
  } catch (const StoreError& e) {
    throw StoreError("filter expression: " + std::string(e.what()));
  }
}

struct ClientDataset::ColumnKeys {
  // SQLite's order of storage classes, a text being its nocase key: null,
  // then numbers, then keys (blobs), which compare as bytes then length.
  enum Kind : uint8_t { kNull, kInteger, kReal, kBytes };

  std::vector<int64_t> rowids;  // ascending
  std::vector<Kind> kinds;
  std::vector<int64_t> numbers;  // a real's as its bits
  std::vector<uint32_t> ends;    // of each row's key in `bytes`
  std::string bytes;

  // <0, 0 or >0 as row `a`'s key sorts before, with or after row `b`'s.
  int Compare(size_t a, size_t b) const {
    const int class_a = kinds[a] == kReal ? kInteger : kinds[a];
    const int class_b = kinds[b] == kReal ? kInteger : kinds[b];
    if (class_a != class_b) return class_a < class_b ? -1 : 1;
    if (class_a == kNull) return 0;
    if (class_a == kInteger) {
      if (kinds[a] == kInteger && kinds[b] == kInteger) {
        return numbers[a] < numbers[b] ? -1 : numbers[a] > numbers[b];
      }
      const double x = Real(a);
      const double y = Real(b);
      return x < y ? -1 : x > y;
    }
    const std::string_view x = Key(a);
    const std::string_view y = Key(b);
    const int common = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
    if (common != 0) return common;
    return x.size() < y.size() ? -1 : x.size() > y.size();
  }

  double Real(size_t i) const {
    return kinds[i] == kReal ? std::bit_cast<double>(numbers[i]) : static_cast<double>(numbers[i]);
  }

  std::string_view Key(size_t i) const {
    const uint32_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(bytes).substr(begin, ends[i] - begin);
  }
};

const ClientDataset::ColumnKeys& ClientDataset::KeysOf(const std::string& field) const {
  std::unique_ptr<ColumnKeys>& kept = column_keys_[Lower(field)];
  if (kept) return *kept;
  auto keys = std::make_unique<ColumnKeys>();
  Statement rows(memory_,
                 "SELECT rowid, " + Quote(field) + " FROM " + kActsListTable + " ORDER BY rowid",
                 "client dataset: sort by " + field);
  while (rows.Step()) {
    sqlite3_stmt* row = rows.get();
    keys->rowids.push_back(rows.Int(0));
    ColumnKeys::Kind kind = ColumnKeys::kNull;
    int64_t number = 0;
    switch (sqlite3_column_type(row, 1)) {
      case SQLITE_INTEGER:
        kind = ColumnKeys::kInteger;
        number = sqlite3_column_int64(row, 1);
        break;
      case SQLITE_FLOAT:
        kind = ColumnKeys::kReal;
        number = std::bit_cast<int64_t>(sqlite3_column_double(row, 1));
        break;
      case SQLITE_TEXT:
        kind = ColumnKeys::kBytes;
        keys->bytes += NoCaseKey(std::string_view(
            reinterpret_cast<const char*>(sqlite3_column_text(row, 1)),
            static_cast<size_t>(sqlite3_column_bytes(row, 1))));
        break;
      case SQLITE_BLOB:
        kind = ColumnKeys::kBytes;
        keys->bytes.append(static_cast<const char*>(sqlite3_column_blob(row, 1)),
                           static_cast<size_t>(sqlite3_column_bytes(row, 1)));
        break;
      default:
        break;
    }
    keys->kinds.push_back(kind);
    keys->numbers.push_back(number);
    keys->ends.push_back(static_cast<uint32_t>(keys->bytes.size()));
  }
  kept = std::move(keys);
  return *kept;
}

std::vector<int64_t> ClientDataset::SortedKeys(const std::string& where, const Index& index) const {
  const std::vector<int64_t> listed = ListKeys(where, "rowid");
  struct Term {
    const ColumnKeys* keys;
    bool descending;
  };
  std::vector<Term> terms;
  for (const auto& [field, descending] : index.terms) terms.push_back({&KeysOf(field), descending});
  // Each listed row's place among the kept keys: both run in rowid order.
  const std::vector<int64_t>& kept = terms.front().keys->rowids;
  std::vector<uint32_t> slots(listed.size());
  size_t slot = 0;
  for (size_t i = 0; i < listed.size(); ++i) {
    while (slot < kept.size() && kept[slot] < listed[i]) ++slot;
    if (slot == kept.size() || kept[slot] != listed[i]) {
      throw StoreError("client dataset: the sort keys do not hold row " + std::to_string(listed[i]));
    }
    slots[i] = static_cast<uint32_t>(slot);
  }
  std::vector<uint32_t> order(listed.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    for (const Term& term : terms) {
      const int c = term.keys->Compare(slots[a], slots[b]);
      if (c != 0) return term.descending ? c > 0 : c < 0;
    }
    return listed[a] < listed[b];
  });
  std::vector<int64_t> keys;
  keys.reserve(order.size());
  for (uint32_t i : order) keys.push_back(listed[i]);
  return keys;
}

std::vector<int64_t> ClientDataset::ListKeys(const std::string& where,
                                             const std::string& order) const {
  for (const Index& index : indexes_) {
    if (index.def.case_insensitive && index.order_sql == order) return SortedKeys(where, index);
  }
  std::vector<int64_t> keys;
  Statement list(memory_,
                 std::string("SELECT rowid FROM ") + kActsListTable + where + " ORDER BY " + order,
                 "client dataset");
  while (list.Step()) keys.push_back(list.Int(0));
  return keys;
}

void ClientDataset::Relist(const std::string& where, const std::string& order) {
  std::vector<int64_t> keys = ListKeys(where, order);
  where_sql_ = where;
  order_sql_ = order;
  positions_.reset();
  ReplaceKeys(std::move(keys), CurrentKey());
}

void ClientDataset::FilteringChanged() {
  if (active_) Relist(WhereSql(filter_text_, filtered_), order_sql_);
}

void ClientDataset::SetFilterText(const std::string& expression) {
  if (active_ && filtered_) {
    const std::string where = WhereSql(expression, true);
    std::vector<int64_t> keys;
    try {
      keys = ListKeys(where, order_sql_);
    } catch (const StoreError& e) {
      throw StoreError("filter expression \"" + expression + "\": " + e.what());
    }
    filter_text_ = expression;
    where_sql_ = where;
    positions_.reset();
    ReplaceKeys(std::move(keys), std::nullopt);
    return;
  }
  filter_text_ = expression;
}

const std::string& ClientDataset::filter_text() const { return filter_text_; }

void ClientDataset::AddIndex(const std::string& name, const std::string& fields,
                             const std::string& descending_fields, bool case_insensitive) {
  if (std::any_of(indexes_.begin(), indexes_.end(),
                  [&](const Index& i) { return SameColumnName(i.name, name); })) {
    throw StoreError("client dataset: index " + name + " already exists");
  }
  auto split = [](const std::string& list) {
    std::vector<std::string> names;
    std::string current;
    for (char c : list + ";") {
      if (c == ';') {
        const size_t b = current.find_first_not_of(' ');
        const size_t e = current.find_last_not_of(' ');
        if (b != std::string::npos) names.push_back(current.substr(b, e - b + 1));
        current.clear();
      } else {
        current += c;
      }
    }
    return names;
  };
  const std::vector<std::string> sort = split(fields);
  const std::vector<std::string> descending = split(descending_fields);
  if (sort.empty()) throw StoreError("client dataset: index " + name + " has no fields");
  std::string order;
  std::vector<std::pair<std::string, bool>> terms;
  for (const std::string& field : sort) {
    const auto stored = columns_.begin() + static_cast<long>(stored_count());
    const bool known =
        active_ ? std::any_of(columns_.begin(), stored,
                              [&](const Column& c) { return SameColumnName(c.name, field); })
                : std::any_of(std::begin(kActsListColumns), std::end(kActsListColumns),
                              [&](const char* c) { return SameColumnName(c, field); });
    if (!known) throw StoreError("client dataset: field '" + field + "' not found");
    order += case_insensitive ? std::string(kNoCaseKeyFunction) + "(" + Quote(field) + ")"
                              : Quote(field);
    const bool descends = std::any_of(descending.begin(), descending.end(),
                                      [&](const std::string& d) { return SameColumnName(d, field); });
    if (descends) order += " DESC";
    order += ", ";
    terms.emplace_back(field, descends);
  }
  indexes_.push_back(
      {name, {fields, descending_fields, case_insensitive}, order + "rowid", std::move(terms)});
}

std::optional<ClientDataset::IndexDef> ClientDataset::FindIndex(const std::string& name) const {
  for (const Index& index : indexes_) {
    if (SameColumnName(index.name, name)) return index.def;
  }
  return std::nullopt;
}

void ClientDataset::DeleteIndex(const std::string& name) {
  auto it = std::find_if(indexes_.begin(), indexes_.end(),
                         [&](const Index& i) { return SameColumnName(i.name, name); });
  if (it == indexes_.end()) throw StoreError("client dataset: no index named " + name);
  const bool current = it->order_sql == order_sql_;
  indexes_.erase(it);
  if (current) SetIndexName("");
}

void ClientDataset::SetIndexName(const std::string& name) {
  std::string order = "rowid";
  if (!name.empty()) {
    auto it = std::find_if(indexes_.begin(), indexes_.end(),
                           [&](const Index& i) { return SameColumnName(i.name, name); });
    if (it == indexes_.end()) throw StoreError("client dataset: no index named " + name);
    order = it->order_sql;
  }
  if (active_) {
    Relist(where_sql_, order);
  } else {
    order_sql_ = order;
  }
}

void ClientDataset::FetchRow(int64_t key, Row* row) const {
  row->assign(stored_count(), Value{});
  sqlite3_reset(fetch_);
  sqlite3_bind_int64(fetch_, 1, key);
  if (sqlite3_step(fetch_) == SQLITE_ROW) {
    for (size_t i = 0; i < stored_count(); ++i) {
      Value& v = (*row)[i];
      ReadValue(fetch_, static_cast<int>(i), columns_[i].type, &v.null, &v.number, &v.bytes);
    }
  }
  sqlite3_reset(fetch_);
}

void ClientDataset::ReadFields(int64_t key, size_t column, Row* row,
                               std::vector<bool>* decoded) const {
  (*decoded)[column] = true;
  if (column == rowid_column_) {
    // The act's id is the row's key: the hit test of a text search reads it
    // for every act.
    (*row)[column].null = false;
    (*row)[column].number = key;
    return;
  }
  // The statement stays on the row so that each field is decoded only when
  // asked for; walking the list usually reads one or two of fifteen.
  if (!fetch_on_row_ || fetch_key_ != key) {
    sqlite3_reset(fetch_);
    sqlite3_bind_int64(fetch_, 1, key);
    fetch_on_row_ = sqlite3_step(fetch_) == SQLITE_ROW;
    fetch_key_ = key;
  }
  if (fetch_on_row_) {
    Value& v = (*row)[column];
    ReadValue(fetch_, static_cast<int>(column), columns_[column].type, &v.null, &v.number,
              &v.bytes);
  }
}

size_t ClientDataset::PositionOf(int64_t key) const {
  return LookUpPosition(keys_, &positions_, key);
}

void ClientDataset::ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                                 const std::function<bool(int64_t key)>& visit) {
  const Column& c = columns_[column];
  std::string where = " WHERE " + Quote(c.name) + " = ?";
  if (case_insensitive && c.type == Type::kText) {
    where += std::string(" COLLATE ") + kNoCaseCollation;
  }
  if (!where_sql_.empty()) where += " AND " + where_sql_.substr(7);
  Statement find(memory_,
                 std::string("SELECT rowid FROM ") + kActsListTable + where + " ORDER BY " +
                     order_sql_,
                 "client dataset: locate on " + c.name);
  if (!probe.is_text) {
    find.BindInt(1, probe.number);
  } else if (c.type == Type::kText) {
    find.BindText(1, Cp1250ToUtf8(probe.text));
  } else {
    find.BindText(1, probe.text);
  }
  while (find.Step()) {
    if (visit(find.Int(0))) return;
  }
}


}  // namespace actsdb
