#include "actsdb/query.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

#include "actsdb/codepage.h"
#include "actsdb/sql_dialect.h"
#include "actsdb/store_internal.h"

namespace actsdb {
namespace {

// The names of every date column of the tables of `db`.
std::function<bool(std::string_view)> DateColumnsOf(sqlite3* db) {
  std::vector<std::string> names;
  Statement tables(db, "SELECT name FROM sqlite_master WHERE type = 'table'", "listing tables");
  std::vector<std::string> table_names;
  while (tables.Step()) table_names.push_back(tables.Text(0));
  for (const std::string& table : table_names) {
    Statement info(db, "PRAGMA table_info(" + Quote(table) + ")", "reading table " + table);
    while (info.Step()) {
      if (ParseDeclaredType(info.Text(2)).type == FieldType::kDate) {
        names.push_back(Lower(info.Text(1)));
      }
    }
  }
  return [names](std::string_view column) {
    return std::find(names.begin(), names.end(), Lower(std::string(column))) != names.end();
  };
}

void PackValue(bool null, int64_t number, const std::string& bytes, std::string* out) {
  if (null) {
    out->push_back('\0');
  } else {
    out->push_back('\1');
    char buffer[8];
    std::memcpy(buffer, &number, 8);
    out->append(buffer, 8);
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    std::memcpy(buffer, &length, 4);
    out->append(buffer, 4);
    out->append(bytes);
  }
}

}  // namespace

Query::Query(Database& db) : db_(db) {}

Query::~Query() { Close(); }

std::vector<std::string>& Query::sql() { return sql_; }

std::string Query::SqlText() const {
  std::string text;
  for (const std::string& line : sql_) text += line + "\r\n";
  return text;
}

std::string Query::Describe() const {
  std::string first = sql_.empty() ? std::string() : sql_.front();
  if (first.size() > 60) first = first.substr(0, 60) + "...";
  return "query \"" + first + "\"";
}

std::string Query::Translate() const {
  try {
    return TranslateDialect(SqlText(), DateColumnsOf(db_.handle()));
  } catch (const StoreError& e) {
    throw StoreError(Describe() + ": " + e.what());
  }
}

void Query::Prepare() {
  Statement check(db_.handle(), Translate(), Describe());
}

void Query::Open() {
  if (active_) return;
  Statement select(db_.handle(), Translate(), Describe());
  const int count = sqlite3_column_count(select.get());
  std::vector<Column> columns(static_cast<size_t>(count));
  std::vector<bool> typed(columns.size(), false);
  for (int i = 0; i < count; ++i) {
    columns[i].name = Utf8ToCp1250(sqlite3_column_name(select.get(), i));
    if (const char* declared = sqlite3_column_decltype(select.get(), i)) {
      const DeclaredType t = ParseDeclaredType(declared);
      columns[i].type = t.type;
      columns[i].width = t.width;
      typed[i] = true;
    }
  }
  rows_.clear();
  bool first = true;
  Value v;
  while (select.Step()) {
    std::string packed;
    for (int i = 0; i < count; ++i) {
      if (first && !typed[i]) {
        // An expression: its first row's storage decides.
        const int storage = sqlite3_column_type(select.get(), i);
        columns[i].type = storage == SQLITE_INTEGER ? Type::kInteger
                          : storage == SQLITE_BLOB  ? Type::kBlob
                                                    : Type::kText;
      }
      ReadValue(select.get(), i, columns[i].type, &v.null, &v.number, &v.bytes);
      PackValue(v.null, v.number, v.bytes, &packed);
    }
    first = false;
    rows_.push_back(std::move(packed));
  }
  std::vector<int64_t> keys(rows_.size());
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int64_t>(i);
  Activate(std::move(columns), std::move(keys));
}

void Query::Close() {
  rows_.clear();
  rows_.shrink_to_fit();
  if (active_) Deactivate();
}

void Query::FetchRow(int64_t key, Row* row) const {
  row->assign(stored_count(), Value{});
  std::vector<bool> decoded(stored_count(), false);
  for (size_t i = 0; i < stored_count(); ++i) ReadFields(key, i, row, &decoded);
}

void Query::ReadFields(int64_t key, size_t column, Row* row, std::vector<bool>* decoded) const {
  (*decoded)[column] = true;
  if (key < 0 || static_cast<size_t>(key) >= rows_.size()) return;
  const std::string& packed = rows_[static_cast<size_t>(key)];
  size_t at = 0;
  for (size_t i = 0; at < packed.size(); ++i) {
    if (packed[at++] == '\0') continue;  // null
    uint32_t length;
    std::memcpy(&length, packed.data() + at + 8, 4);
    if (i == column) {
      Value& v = (*row)[column];
      v.null = false;
      std::memcpy(&v.number, packed.data() + at, 8);
      v.bytes.assign(packed, at + 12, length);
      return;
    }
    at += 12 + length;
  }
}

size_t Query::PositionOf(int64_t key) const {
  return key >= 0 && static_cast<size_t>(key) < keys_.size() ? static_cast<size_t>(key) : kNoRow;
}

}  // namespace actsdb
