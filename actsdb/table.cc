#include "actsdb/table.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "actsdb/codepage.h"
#include "actsdb/sql_dialect.h"
#include "actsdb/store_internal.h"

namespace actsdb {
namespace {

uint32_t LockOffset(const std::string& table) {
  // FNV-1a of the lower-case name: stable across processes and builds.
  uint32_t hash = 2166136261u;
  for (char c : Lower(table)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash & 0x3fffffff;
}

}  // namespace

Table::Table(Database& db, std::string name) : db_(db), name_(std::move(name)) {}

Table::~Table() {
  DropMaster();
  Close();
}

const std::string& Table::name() const { return name_; }

std::string Table::Describe() const { return "table " + name_; }

void Table::Lock(bool exclusive) {
  const std::string path = db_.path() + ".lck";
  lock_fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock_fd_ < 0) {
    throw StoreError("table " + name_ + ": cannot open the lock file " + path + ": " +
                     std::strerror(errno));
  }
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = LockOffset(name_);
  lock.l_len = 1;
  if (fcntl(lock_fd_, F_OFD_SETLK, &lock) != 0) {
    const int error = errno;
    Unlock();
    if (error == EAGAIN || error == EACCES) {
      throw StoreError("table " + name_ + " is in use by another program" +
                       (exclusive ? "" : " that opened it exclusively"));
    }
    throw StoreError("table " + name_ + ": cannot lock: " + std::strerror(error));
  }
}

void Table::Unlock() {
  if (lock_fd_ >= 0) ::close(lock_fd_);  // closing drops the lock
  lock_fd_ = -1;
}

void Table::Open(bool exclusive) {
  if (active_) return;
  std::vector<Column> columns = DeclaredColumns(db_.handle(), name_, Describe(), &key_column_);
  if (columns.empty()) throw StoreError("table " + name_ + " does not exist in " + db_.path());
  Lock(exclusive);
  try {
    // A row is read whole for an edit; fields read their row without its
    // memos and blobs, each of which is read only when asked for.
    std::string all;
    std::string short_ones;
    for (size_t i = 0; i < columns.size(); ++i) {
      const std::string name = Quote(columns[i].name);
      all += (i ? ", " : "") + name;
      short_ones += (i ? ", " : "") + (IsLong(columns[i]) ? std::string("NULL") : name);
    }
    const std::string from = " FROM " + Quote(name_) + " WHERE rowid = ?";
    fetch_ = Prepare("SELECT " + all + from);
    fetch_short_ = Prepare("SELECT " + short_ones + from);
    fetch_long_.assign(columns.size(), nullptr);
    nocase_indexed_.assign(columns.size(), false);
    Statement indexes(db_.handle(),
                      "SELECT x.name, x.coll FROM pragma_index_list(?1) AS l, "
                      "pragma_index_xinfo(l.name) AS x WHERE x.seqno = 0",
                      Describe());
    indexes.BindText(1, name_);
    while (indexes.Step()) {
      for (size_t i = 0; i < columns.size(); ++i) {
        if (SameColumnName(columns[i].name, indexes.Text(0)) &&
            SameColumnName(indexes.Text(1), kNoCaseCollation)) {
          nocase_indexed_[i] = true;
        }
      }
    }
    rollbacks_seen_ = db_.rollbacks_;
    positions_.reset();
    Activate(std::move(columns), ListKeys());
  } catch (...) {
    if (active_) Deactivate();
    FinalizeFetches();
    Unlock();
    throw;
  }
}

bool Table::IsLong(const Column& column) {
  return column.type == Type::kBlob || (column.type == Type::kText && column.width == 0);
}

sqlite3_stmt* Table::Prepare(const std::string& sql) const {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_.handle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    const std::string reason = sqlite3_errmsg(db_.handle());
    sqlite3_finalize(statement);
    throw StoreError(Describe() + ": " + reason);
  }
  return statement;
}

void Table::FinalizeFetches() {
  for (sqlite3_stmt** fetch : {&fetch_, &fetch_short_}) {
    sqlite3_finalize(*fetch);
    *fetch = nullptr;
  }
  for (sqlite3_stmt* fetch : fetch_long_) sqlite3_finalize(fetch);
  fetch_long_.clear();
}

void Table::Close() {
  state_ = State::kBrowse;
  buffer_.clear();
  FinalizeFetches();
  for (auto* cache : {&post_statements_, &locate_statements_}) {
    for (const auto& [sql, statement] : *cache) sqlite3_finalize(statement);
    cache->clear();
  }
  positions_.reset();
  Unlock();
  if (active_) Deactivate();
}

std::string Table::RestrictionSql() const {
  if (range_column_.empty()) return "";
  if (!range_value_) return " WHERE 0";
  return " WHERE " + Quote(range_column_) + " = " + std::to_string(*range_value_);
}

std::vector<int64_t> Table::ListKeys() {
  std::vector<int64_t> keys;
  Statement list(db_.handle(),
                 "SELECT rowid FROM " + Quote(name_) + RestrictionSql() + " ORDER BY " + order_sql_,
                 Describe());
  while (list.Step()) keys.push_back(list.Int(0));
  return keys;
}

void Table::Relist(std::optional<int64_t> key) {
  positions_.reset();
  rollbacks_seen_ = db_.rollbacks_;
  ReplaceKeys(ListKeys(), key);
}

void Table::Revalidate() {
  CheckBrowsing("move");
  if (active_ && rollbacks_seen_ != db_.rollbacks_) Relist(CurrentKey());
}

void Table::Fetch(sqlite3_stmt* fetch, int64_t key,
                  const std::function<void(sqlite3_stmt*)>& read) const {
  sqlite3_reset(fetch);
  sqlite3_bind_int64(fetch, 1, key);
  const int rc = sqlite3_step(fetch);
  if (rc == SQLITE_ROW) {
    read(fetch);
  } else if (rc != SQLITE_DONE) {
    const std::string reason = std::string(sqlite3_errmsg(db_.handle()));
    sqlite3_reset(fetch);
    throw StoreError(Describe() + ": cannot read a row: " + reason);
  }
  sqlite3_reset(fetch);
}

void Table::FetchRow(int64_t key, Row* row) const {
  row->assign(stored_count(), Value{});
  Fetch(fetch_, key, [&](sqlite3_stmt* fetch) {
    for (size_t i = 0; i < stored_count(); ++i) {
      Value& v = (*row)[i];
      ReadValue(fetch, static_cast<int>(i), columns_[i].type, &v.null, &v.number, &v.bytes);
    }
  });
}

void Table::ReadFields(int64_t key, size_t column, Row* row, std::vector<bool>* decoded) const {
  if (column == key_column_) {
    // The key column is the row's key: reading it after a Post or a Locate
    // needs no fetch at all.
    (*decoded)[column] = true;
    (*row)[column].null = false;
    (*row)[column].number = key;
    return;
  }
  if (IsLong(columns_[column])) {
    sqlite3_stmt*& fetch = fetch_long_[column];
    if (fetch == nullptr) {
      fetch = Prepare("SELECT " + Quote(columns_[column].name) + " FROM " + Quote(name_) +
                      " WHERE rowid = ?");
    }
    Value& v = (*row)[column];
    v = Value{};
    Fetch(fetch, key, [&](sqlite3_stmt* f) {
      ReadValue(f, 0, columns_[column].type, &v.null, &v.number, &v.bytes);
    });
    (*decoded)[column] = true;
    return;
  }
  Fetch(fetch_short_, key, [&](sqlite3_stmt* fetch) {
    for (size_t i = 0; i < stored_count(); ++i) {
      if (IsLong(columns_[i]) || (*decoded)[i]) continue;
      Value& v = (*row)[i];
      ReadValue(fetch, static_cast<int>(i), columns_[i].type, &v.null, &v.number, &v.bytes);
    }
  });
  for (size_t i = 0; i < stored_count(); ++i) {
    if (!IsLong(columns_[i])) (*decoded)[i] = true;
  }
}

size_t Table::PositionOf(int64_t key) const {
  if (key_order_) {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    return it == keys_.end() || *it != key ? kNoRow : static_cast<size_t>(it - keys_.begin());
  }
  return LookUpPosition(keys_, &positions_, key);
}

void Table::ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                         const std::function<bool(int64_t key)>& visit) {
  const Column& c = columns_[column];
  std::string where = RestrictionSql();
  where += where.empty() ? " WHERE " : " AND ";
  where += Quote(c.name) + " = ?1";
  if (c.type == Type::kText && (case_insensitive || nocase_indexed_[column])) {
    // An exact match is also a match without regard to case: that term lets
    // a case-insensitive index (the dictionary's) serve exact lookups too.
    where += std::string(" COLLATE ") + kNoCaseCollation;
    if (!case_insensitive) where += " AND " + Quote(c.name) + " = ?1";
  }
  sqlite3_stmt* find = CachedStatement(
      locate_statements_, "SELECT rowid FROM " + Quote(name_) + where + " ORDER BY " + order_sql_,
      "locate on " + c.name);
  // The statement is kept for the next Locate: leave it reset, whatever
  // happens in between.
  struct Reset {
    sqlite3_stmt* statement;
    ~Reset() {
      sqlite3_reset(statement);
      sqlite3_clear_bindings(statement);
    }
  } reset{find};
  if (!probe.is_text) {
    sqlite3_bind_int64(find, 1, probe.number);
  } else {
    const std::string text = c.type == Type::kText ? Cp1250ToUtf8(probe.text) : probe.text;
    sqlite3_bind_text(find, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  bool relisted = false;
  for (;;) {
    const int rc = sqlite3_step(find);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      throw StoreError(Describe() + ": locate on " + c.name + ": " + sqlite3_errmsg(db_.handle()));
    }
    const int64_t key = sqlite3_column_int64(find, 0);
    // A row another cursor added since the rows were listed.
    if (PositionOf(key) == kNoRow && !relisted) {
      Relist(CurrentKey());
      relisted = true;
    }
    if (visit(key)) return;
  }
}

void Table::SetIndexName(const std::string& index) {
  std::string order = "rowid";
  std::vector<std::string> columns;
  if (!index.empty()) {
    Statement find(db_.handle(),
                   "SELECT name FROM sqlite_master WHERE type = 'index' AND lower(tbl_name) = "
                   "lower(?1) AND lower(name) IN (lower(?1 || '_' || ?2), lower(?2))",
                   Describe());
    find.BindText(1, name_);
    find.BindText(2, index);
    if (!find.Step()) throw StoreError("table " + name_ + " has no index named " + index);
    const std::string sqlite_name = find.Text(0);
    Statement info(db_.handle(), "PRAGMA index_xinfo(" + Quote(sqlite_name) + ")", Describe());
    order.clear();
    while (info.Step()) {
      if (info.Int(5) == 0 || info.Int(1) < 0) continue;  // not a key column / the rowid
      order += Quote(info.Text(2)) + " COLLATE " + info.Text(4) + (info.Int(3) ? " DESC" : "") +
               ", ";
      columns.push_back(info.Text(2));
    }
    order += "rowid";
  }
  order_sql_ = order;
  order_columns_ = std::move(columns);
  key_order_ = index.empty();
  if (active_) {
    CheckBrowsing("change the index");
    Relist(CurrentKey());
  }
}

void Table::SetMaster(Dataset* master, const std::string& master_column,
                      const std::string& detail_column) {
  DropMaster();
  master_ = master;
  master_column_ = master_column;
  range_column_ = detail_column;
  if (master_ != nullptr) master_->AddListener(&master_link_);
  FollowMaster();
}

void Table::FollowMaster() {
  std::optional<int64_t> value;
  if (master_ != nullptr && master_->active() && !master_->IsNull(master_column_)) {
    value = master_->AsInteger(master_column_);
  }
  if (value == range_value_ && active_) return;
  range_value_ = value;
  if (active_) Relist(std::nullopt);
}

void Table::MasterGone() {
  // As with a closed master: the restriction stays, with no value to match.
  master_ = nullptr;
  master_column_.clear();
  range_value_.reset();
  if (active_) Relist(std::nullopt);
}

void Table::MasterLink::RowChanged(Dataset& master, int row) {
  if (row == master.CurrentRow()) detail_.FollowMaster();
}

void Table::SetRange(const std::string& column, int64_t value) {
  DropMaster();
  range_column_ = column;
  range_value_ = value;
  if (active_) Relist(std::nullopt);
}

void Table::DropMaster() {
  if (master_ != nullptr) master_->RemoveListener(&master_link_);
  master_ = nullptr;
  master_column_.clear();
}

void Table::ClearRange() {
  DropMaster();
  range_column_.clear();
  range_value_.reset();
  if (active_) Relist(CurrentKey());
}

void Table::CheckBrowsing(const char* operation) const {
  if (state_ != State::kBrowse) {
    throw StoreError("table " + name_ + ": cannot " + operation +
                     " while a record is being edited (post or cancel it first)");
  }
}

void Table::CheckEditing(const char* operation) const {
  CheckActive();
  if (state_ == State::kBrowse) {
    throw StoreError("table " + name_ + ": cannot " + operation +
                     ": the table is not in edit or insert mode");
  }
}

const Dataset::Row* Table::EditBuffer() const {
  return state_ == State::kBrowse ? nullptr : &buffer_;
}

void Table::Append() {
  CheckActive();
  CheckBrowsing("append");
  buffer_.assign(stored_count(), Value{});
  assigned_.assign(stored_count(), false);
  state_ = State::kInsert;
}

void Table::Edit() {
  CheckActive();
  CheckBrowsing("edit");
  if (!CurrentKey()) throw StoreError("table " + name_ + ": no current record to edit");
  Row row;
  FetchRow(*CurrentKey(), &row);
  buffer_ = std::move(row);
  assigned_.assign(stored_count(), false);
  state_ = State::kEdit;
}

void Table::Cancel() {
  state_ = State::kBrowse;
  buffer_.clear();
  assigned_.clear();
}

Dataset::Value& Table::BufferField(const std::string& column, Type* type, int* width) {
  CheckEditing(("set field " + column).c_str());
  const size_t index = StoredColumnIndex(column, "set");
  *type = columns_[index].type;
  *width = columns_[index].width;
  assigned_[index] = true;
  return buffer_[index];
}

void Table::SetNull(const std::string& column) {
  Type type;
  int width;
  BufferField(column, &type, &width) = Value{};
}

void Table::SetString(const std::string& column, const std::string& value) {
  Type type;
  int width;
  Value& v = BufferField(column, &type, &width);
  Value set;
  set.null = false;
  switch (type) {
    case Type::kText:
      // Text longer than the declared size is cut, as it always was.
      set.bytes = width > 0 && value.size() > static_cast<size_t>(width)
                      ? value.substr(0, static_cast<size_t>(width))
                      : value;
      break;
    case Type::kBlob:
      set.bytes = value;
      break;
    case Type::kInteger:
    case Type::kBoolean:
      set.number = ParseIntegerText(value, "table " + name_ + " field " + column);
      break;
    case Type::kDate: {
      if (value.empty()) {
        set.null = true;
        break;
      }
      const std::optional<Date> date = ParseDateText(value);
      if (!date) {
        throw StoreError("'" + value + "' is not a valid date for table " + name_ + " field " +
                         column);
      }
      set.bytes = FormatIso(*date);
      break;
    }
  }
  v = std::move(set);
}

void Table::AssignField(const std::string& column, std::initializer_list<Type> accepted,
                        const char* kind, int64_t number, std::string bytes) {
  CheckEditing(("set field " + column).c_str());
  const size_t index = StoredColumnIndex(column, "set");
  if (std::find(accepted.begin(), accepted.end(), columns_[index].type) == accepted.end()) {
    throw StoreError("table " + name_ + ": field " + column + " does not take " + kind);
  }
  assigned_[index] = true;
  buffer_[index] = Value{false, number, std::move(bytes)};
}

void Table::SetInteger(const std::string& column, int64_t value) {
  const Type type = columns_[StoredColumnIndex(column, "set")].type;
  if (type == Type::kText) {
    SetString(column, std::to_string(value));
    return;
  }
  AssignField(column, {Type::kInteger, Type::kBoolean}, "an integer",
              type == Type::kBoolean ? (value != 0) : value, "");
}

void Table::SetBoolean(const std::string& column, bool value) {
  AssignField(column, {Type::kInteger, Type::kBoolean}, "a boolean", value ? 1 : 0, "");
}

void Table::SetDate(const std::string& column, const Date& value) {
  if (!IsValid(value)) {
    throw StoreError("table " + name_ + ": invalid date for field " + column);
  }
  AssignField(column, {Type::kDate}, "a date", 0, FormatIso(value));
}

void Table::SetBlob(const std::string& column, const std::string& bytes) {
  AssignField(column, {Type::kBlob, Type::kText}, "a blob", 0, bytes);
}

bool Table::ChangesPlace(const std::vector<size_t>& changed) const {
  if (key_order_ && range_column_.empty()) return false;
  for (size_t i : changed) {
    const std::string& name = columns_[i].name;
    const auto same = [&](const std::string& other) {
      return strcasecmp(name.c_str(), other.c_str()) == 0;
    };
    if (same(range_column_) || std::any_of(order_columns_.begin(), order_columns_.end(), same)) {
      return true;
    }
  }
  return false;
}

void Table::Post() {
  CheckEditing("post");
  std::vector<size_t> set;
  for (size_t i = 0; i < stored_count(); ++i) {
    if (assigned_[i]) set.push_back(i);
  }
  const bool inserting = state_ == State::kInsert;
  int64_t key = 0;
  if (inserting || !set.empty()) {
    std::string sql;
    if (inserting && set.empty()) {
      sql = "INSERT INTO " + Quote(name_) + " DEFAULT VALUES";
    } else if (inserting) {
      std::string names;
      std::string marks;
      for (size_t i : set) {
        names += (names.empty() ? "" : ", ") + Quote(columns_[i].name);
        marks += marks.empty() ? "?" : ", ?";
      }
      sql = "INSERT INTO " + Quote(name_) + " (" + names + ") VALUES (" + marks + ")";
    } else {
      sql = "UPDATE " + Quote(name_) + " SET ";
      for (size_t n = 0; n < set.size(); ++n) {
        sql += (n ? ", " : "") + Quote(columns_[set[n]].name) + " = ?";
      }
      sql += " WHERE rowid = ?";
    }
    sqlite3_stmt* write = CachedStatement(post_statements_, sql, "post");
    int param = 1;
    for (size_t i : set) {
      const Value& v = buffer_[i];
      BindValue(write, param++, v.null, v.number, v.bytes, columns_[i].type);
    }
    if (!inserting) sqlite3_bind_int64(write, param, *CurrentKey());
    const int rc = sqlite3_step(write);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
      const std::string reason = sqlite3_errmsg(db_.handle());
      sqlite3_reset(write);
      throw StoreError("table " + name_ + ": cannot post: " + reason);
    }
    sqlite3_reset(write);
    sqlite3_clear_bindings(write);
    key = inserting ? sqlite3_last_insert_rowid(db_.handle()) : *CurrentKey();
  } else {
    key = *CurrentKey();
  }
  Cancel();
  InvalidateRowCache();
  if (inserting && key_order_) {
    // New keys only grow: keep the list instead of reading it again.
    auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
    at = keys_.insert(at, key);
    RowsReplaced();
    MoveTo(static_cast<size_t>(at - keys_.begin()));
    return;
  }
  // An edit that leaves the order and the restriction alone keeps the row
  // in its place; listing the rows again would make bulk edits quadratic.
  if (!inserting && !ChangesPlace(set)) {
    CurrentRowWritten();
    return;
  }
  Relist(key);
  if (inserting && PositionOf(key) == kNoRow) {
    // Outside the range: still the current row until the rows are listed again.
    keys_.push_back(key);
    positions_.reset();
    RowsReplaced();
    MoveTo(keys_.size() - 1);
  }
}

sqlite3_stmt* Table::CachedStatement(std::map<std::string, sqlite3_stmt*>& cache,
                                     const std::string& sql, const std::string& what) {
  auto found = cache.find(sql);
  if (found != cache.end()) return found->second;
  // A writer that posts ever other columns does not pile statements up.
  constexpr size_t kMostKept = 8;
  if (cache.size() >= kMostKept) {
    for (const auto& [text, statement] : cache) sqlite3_finalize(statement);
    cache.clear();
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_.handle(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement,
                         nullptr) != SQLITE_OK) {
    const std::string reason = sqlite3_errmsg(db_.handle());
    sqlite3_finalize(statement);
    throw StoreError("table " + name_ + ": cannot " + what + ": " + reason);
  }
  cache.emplace(sql, statement);
  return statement;
}

void Table::Delete() {
  CheckActive();
  CheckBrowsing("delete");
  Revalidate();
  const std::optional<int64_t> key = CurrentKey();
  if (!key) throw StoreError("table " + name_ + ": no current record to delete");
  Statement erase(db_.handle(), "DELETE FROM " + Quote(name_) + " WHERE rowid = ?",
                  "table " + name_ + ": cannot delete");
  erase.BindInt(1, *key);
  erase.Step();
  const size_t at = row_;
  keys_.erase(keys_.begin() + static_cast<long>(at));
  positions_.reset();
  RowsReplaced();
  // The row after the deleted one becomes current, or the one before it.
  const size_t next = NextAccepted(at);
  MoveTo(next != kNoRow ? next : PriorAccepted(at));
}

void Table::Empty() {
  CheckActive();
  CheckBrowsing("empty");
  Exec(db_.handle(), "DELETE FROM " + Quote(name_), "table " + name_ + ": cannot empty");
  keys_.clear();
  positions_.reset();
  RowsReplaced();
  MoveTo(kNoRow);
}

}  // namespace actsdb
