#include "actsdb/client_dataset.h"

#include <sqlite3.h>

#include <algorithm>
#include <fstream>

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

std::vector<int64_t> ClientDataset::ListKeys(const std::string& where,
                                             const std::string& order) const {
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
    if (std::any_of(descending.begin(), descending.end(),
                    [&](const std::string& d) { return SameColumnName(d, field); })) {
      order += " DESC";
    }
    order += ", ";
  }
  indexes_.push_back({name, {fields, descending_fields, case_insensitive}, order + "rowid"});
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
