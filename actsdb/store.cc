#include "actsdb/store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <strings.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "actsdb/sql_dialect.h"
#include "actsdb/wal_write_buffer.h"

namespace actsdb {
namespace {

// The columns of the acts list, with the types they have in tblActe.
struct ListColumn {
  const char* name;
  const char* type;
};
constexpr ListColumn kActsListColumns[] = {
    {"IdAct", "INTEGER PRIMARY KEY"}, {"IdDomeniu", "INTEGER"}, {"IdEmitent", "INTEGER"},
    {"IdPublicatie", "INTEGER"},      {"IdTipAct", "INTEGER"},  {"NrOficial", "INTEGER"},
    {"Data", "DATE"},                 {"DataPub", "DATE"},      {"Anul", "INTEGER"},
    {"Titlu", "VARCHAR(255)"},        {"Titlu2", "VARCHAR(50)"}, {"Rep", "INTEGER"},
    {"IndNum", "VARCHAR(30)"},        {"Limba", "VARCHAR(1)"},  {"Numar", "INTEGER"},
};
constexpr char kActsListTable[] = "acts";

std::string Quote(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Column and index names compare without regard to ASCII case, as in SQL.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql, const std::string& what) : db_(db) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK) {
      throw StoreError(what + ": " + sqlite3_errmsg(db));
    }
    what_ = what;
    // One statement at a time: whatever follows it would silently not run.
    if (tail != nullptr && std::string_view(tail).find_first_not_of(" \t\r\n;") !=
                               std::string_view::npos) {
      sqlite3_finalize(stmt_);
      throw StoreError(what + ": text after the end of the statement: " + tail);
    }
    if (stmt_ == nullptr) throw StoreError(what + ": no statement");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw StoreError(what_ + ": " + sqlite3_errmsg(db_));
  }
  sqlite3_stmt* get() const { return stmt_; }
  void BindText(int i, const std::string& utf8) {
    sqlite3_bind_text(stmt_, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }
  void BindInt(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  int64_t Int(int i) const { return sqlite3_column_int64(stmt_, i); }
  std::string Text(int i) const {
    const unsigned char* t = sqlite3_column_text(stmt_, i);
    return t == nullptr ? std::string()
                        : std::string(reinterpret_cast<const char*>(t),
                                      static_cast<size_t>(sqlite3_column_bytes(stmt_, i)));
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string what_;
};

void Exec(sqlite3* db, const std::string& sql, const std::string& what) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string reason = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw StoreError(what + ": " + reason);
  }
}

// Dataset::Type for the helpers here, which cannot name the protected enum;
// Dataset::ColumnIndex checks that the two agree.
enum FieldType : uint8_t { kTextField, kIntegerField, kBooleanField, kDateField, kBlobField };

// The interface type of a declared SQL type.
struct DeclaredType {
  FieldType type;
  int width;
};

DeclaredType ParseDeclaredType(std::string declared) {
  declared = Lower(declared);
  int width = 0;
  const size_t open = declared.find('(');
  if (open != std::string::npos) width = std::atoi(declared.c_str() + open + 1);
  const std::string head = declared.substr(0, open);
  if (head.find("bool") != std::string::npos) return {kBooleanField, 0};
  if (head.find("date") != std::string::npos) return {kDateField, 0};
  if (head.find("blob") != std::string::npos) return {kBlobField, 0};
  if (head.find("int") != std::string::npos) return {kIntegerField, 0};
  return {kTextField, width};
}

// Binds a field value for the column's type; text goes to the file as UTF-8.
void BindValue(sqlite3_stmt* stmt, int i, bool null, int64_t number, const std::string& bytes,
               FieldType type) {
  if (null) {
    sqlite3_bind_null(stmt, i);
  } else if (type == kIntegerField || type == kBooleanField) {
    sqlite3_bind_int64(stmt, i, number);
  } else if (type == kBlobField) {
    sqlite3_bind_blob(stmt, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  } else if (type == kDateField) {
    sqlite3_bind_text(stmt, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  } else {
    const std::string utf8 = Cp1250ToUtf8(bytes);
    sqlite3_bind_text(stmt, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }
}

// Reads column `i` of the statement's row for a field of `type`.
void ReadValue(sqlite3_stmt* stmt, int i, FieldType type, bool* null, int64_t* number,
               std::string* bytes) {
  const int storage = sqlite3_column_type(stmt, i);
  *null = storage == SQLITE_NULL;
  *number = 0;
  bytes->clear();
  if (*null) return;
  if (type == kIntegerField || type == kBooleanField) {
    *number = sqlite3_column_int64(stmt, i);
    return;
  }
  if (storage == SQLITE_INTEGER) *number = sqlite3_column_int64(stmt, i);
  if (type == kBlobField) {
    const void* blob = sqlite3_column_blob(stmt, i);
    bytes->assign(static_cast<const char*>(blob),
                  static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
    return;
  }
  const unsigned char* text = sqlite3_column_text(stmt, i);
  std::string_view utf8(reinterpret_cast<const char*>(text),
                        static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
  if (type == kDateField) {
    bytes->assign(utf8);
  } else {
    *bytes = Utf8ToCp1250(utf8);
  }
}

int64_t ParseInteger(const std::string& text, const std::string& what) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  size_t end = text.size();
  while (end > i && text[end - 1] == ' ') --end;
  const std::string digits = text.substr(i, end - i);
  char* stop = nullptr;
  errno = 0;
  const long long v = std::strtoll(digits.c_str(), &stop, 10);
  if (digits.empty() || *stop != '\0' || errno != 0) {
    throw StoreError("'" + text + "' is not a valid integer value for " + what);
  }
  return v;
}

std::optional<Date> ParseDateText(const std::string& text) {
  std::optional<Date> d = ParseDmy(text);
  return d ? d : ParseIso(text);
}

sqlite3* OpenConnection(const std::string& path, int flags, const std::string& what) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, flags, WalWriteBufferVfs()) != SQLITE_OK) {
    std::string reason = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw StoreError(what + ": " + reason);
  }
  sqlite3_extended_result_codes(db, 1);
  try {
    RegisterDialect(db);
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  return db;
}

// The names of every date column of the tables of `db`.
std::function<bool(std::string_view)> DateColumnsOf(sqlite3* db) {
  std::vector<std::string> names;
  Statement tables(db, "SELECT name FROM sqlite_master WHERE type = 'table'", "listing tables");
  std::vector<std::string> table_names;
  while (tables.Step()) table_names.push_back(tables.Text(0));
  for (const std::string& table : table_names) {
    Statement info(db, "PRAGMA table_info(" + Quote(table) + ")", "reading table " + table);
    while (info.Step()) {
      if (ParseDeclaredType(info.Text(2)).type == kDateField) names.push_back(Lower(info.Text(1)));
    }
  }
  return [names](std::string_view column) {
    return std::find(names.begin(), names.end(), Lower(std::string(column))) != names.end();
  };
}

// The position of `key` in a key list, through a lazily built sorted copy.
size_t LookUpPosition(const std::vector<int64_t>& keys,
                      std::unique_ptr<std::vector<std::pair<int64_t, size_t>>>* positions,
                      int64_t key) {
  if (*positions == nullptr) {
    auto built = std::make_unique<std::vector<std::pair<int64_t, size_t>>>();
    built->reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) built->emplace_back(keys[i], i);
    std::sort(built->begin(), built->end());
    *positions = std::move(built);
  }
  auto it = std::lower_bound((*positions)->begin(), (*positions)->end(),
                             std::make_pair(key, size_t{0}));
  if (it == (*positions)->end() || it->first != key) return static_cast<size_t>(-1);
  return it->second;
}

uint32_t LockOffset(const std::string& table) {
  // FNV-1a of the lower-case name: stable across processes and builds.
  uint32_t hash = 2166136261u;
  for (char c : Lower(table)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash & 0x3fffffff;
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

// ---------------------------------------------------------------- Database

Database::Database(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {
  const size_t slash = path_.rfind('/');
  directory_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
}

std::unique_ptr<Database> Database::Open(const std::string& path, bool create) {
  const std::string what = "cannot open database " + path;
  if (!create && access(path.c_str(), F_OK) != 0) {
    throw StoreError(what + ": the file does not exist");
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = OpenConnection(path, flags, what);
  std::unique_ptr<Database> database(new Database(db, path));
  sqlite3_busy_timeout(db, 10000);
  Exec(db, "PRAGMA journal_mode = WAL; PRAGMA foreign_keys = OFF;", what);
  return database;
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::Execute(const std::string& sql) { Exec(db_, sql, "database " + path_); }

void Database::Begin() {
  if (in_transaction()) throw StoreError("database " + path_ + ": a transaction is already open");
  Exec(db_, "BEGIN IMMEDIATE", "database " + path_ + ": cannot begin a transaction");
}

void Database::Commit() { Exec(db_, "COMMIT", "database " + path_ + ": cannot commit"); }

void Database::Rollback() {
  // SQLite may have rolled back already (after a full disk, for one): the
  // caller's cleanup must not fail then and hide the first error.
  ++rollbacks_;
  if (in_transaction()) Exec(db_, "ROLLBACK", "database " + path_ + ": cannot roll back");
}

bool Database::in_transaction() const { return sqlite3_get_autocommit(db_) == 0; }

// ---------------------------------------------------------------- Session

std::unique_ptr<Database> Session::OpenDatabase(const std::string& alias, bool create) {
  if (!aliases_.Has(alias)) throw StoreError("unknown database alias " + alias);
  return Database::Open(aliases_.Directory(alias) + "/" + kDatabaseFileName, create);
}

// ---------------------------------------------------------------- Dataset

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
  static_assert(static_cast<FieldType>(Type::kText) == kTextField &&
                static_cast<FieldType>(Type::kInteger) == kIntegerField &&
                static_cast<FieldType>(Type::kBoolean) == kBooleanField &&
                static_cast<FieldType>(Type::kDate) == kDateField &&
                static_cast<FieldType>(Type::kBlob) == kBlobField);
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (SameName(columns_[i].name, column)) return i;
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
        probe.number = ParseInteger(value, column);
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
      return ParseInteger(v.bytes, Describe() + " field " + column);
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

// ---------------------------------------------------------------- Table

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
  std::vector<Column> columns;
  {
    Statement info(db_.handle(), "PRAGMA table_info(" + Quote(name_) + ")", Describe());
    key_column_ = kNoRow;
    while (info.Step()) {
      const DeclaredType t = ParseDeclaredType(info.Text(2));
      if (info.Int(5) == 1 && SameName(info.Text(2), "INTEGER")) key_column_ = columns.size();
      columns.push_back({info.Text(1), static_cast<Type>(t.type), t.width});
    }
  }
  if (columns.empty()) throw StoreError("table " + name_ + " does not exist in " + db_.path());
  Lock(exclusive);
  try {
    std::string select = "SELECT ";
    for (size_t i = 0; i < columns.size(); ++i) {
      select += (i ? ", " : "") + Quote(columns[i].name);
    }
    select += " FROM " + Quote(name_) + " WHERE rowid = ?";
    if (sqlite3_prepare_v2(db_.handle(), select.c_str(), -1, &fetch_, nullptr) != SQLITE_OK) {
      throw StoreError(Describe() + ": " + std::string(sqlite3_errmsg(db_.handle())));
    }
    nocase_indexed_.assign(columns.size(), false);
    Statement indexes(db_.handle(),
                      "SELECT x.name, x.coll FROM pragma_index_list(?1) AS l, "
                      "pragma_index_xinfo(l.name) AS x WHERE x.seqno = 0",
                      Describe());
    indexes.BindText(1, name_);
    while (indexes.Step()) {
      for (size_t i = 0; i < columns.size(); ++i) {
        if (SameName(columns[i].name, indexes.Text(0)) &&
            SameName(indexes.Text(1), kNoCaseCollation)) {
          nocase_indexed_[i] = true;
        }
      }
    }
    rollbacks_seen_ = db_.rollbacks_;
    positions_.reset();
    Activate(std::move(columns), ListKeys());
  } catch (...) {
    if (active_) Deactivate();
    sqlite3_finalize(fetch_);
    fetch_ = nullptr;
    Unlock();
    throw;
  }
}

void Table::Close() {
  state_ = State::kBrowse;
  buffer_.clear();
  sqlite3_finalize(fetch_);
  fetch_ = nullptr;
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

void Table::FetchRow(int64_t key, Row* row) const {
  row->assign(columns_.size(), Value{});
  sqlite3_reset(fetch_);
  sqlite3_bind_int64(fetch_, 1, key);
  const int rc = sqlite3_step(fetch_);
  if (rc == SQLITE_ROW) {
    for (size_t i = 0; i < columns_.size(); ++i) {
      Value& v = (*row)[i];
      ReadValue(fetch_, static_cast<int>(i), static_cast<FieldType>(columns_[i].type), &v.null,
                &v.number, &v.bytes);
    }
  } else if (rc != SQLITE_DONE) {
    const std::string reason = std::string(sqlite3_errmsg(db_.handle()));
    sqlite3_reset(fetch_);
    throw StoreError(Describe() + ": cannot read a row: " + reason);
  }
  sqlite3_reset(fetch_);
}

void Table::ReadFields(int64_t key, size_t column, Row* row, std::vector<bool>* decoded) const {
  if (column != key_column_) {
    Dataset::ReadFields(key, column, row, decoded);
    return;
  }
  // The key column is the row's key: reading it after a Post or a Locate
  // needs no fetch of the whole row, whose memo fields can be long.
  (*decoded)[column] = true;
  (*row)[column].null = false;
  (*row)[column].number = key;
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
  if (master_ != nullptr) master_->AttachDetail(this);
  MasterMoved();
}

void Table::MasterMoved() {
  if (master_ == nullptr) {
    if (!master_column_.empty()) {
      // The master is gone: nothing restricts the rows any more.
      master_column_.clear();
      range_column_.clear();
      range_value_.reset();
      if (active_) Relist(CurrentKey());
    }
    return;
  }
  std::optional<int64_t> value;
  if (master_->active() && !master_->IsNull(master_column_)) {
    value = master_->AsInteger(master_column_);
  }
  if (value == range_value_ && active_) return;
  range_value_ = value;
  if (active_) Relist(std::nullopt);
}

void Table::SetRange(const std::string& column, int64_t value) {
  DropMaster();
  range_column_ = column;
  range_value_ = value;
  if (active_) Relist(std::nullopt);
}

void Table::DropMaster() {
  if (master_ != nullptr) master_->DetachDetail(this);
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
  buffer_.assign(columns_.size(), Value{});
  assigned_.assign(columns_.size(), false);
  state_ = State::kInsert;
}

void Table::Edit() {
  CheckActive();
  CheckBrowsing("edit");
  if (!CurrentKey()) throw StoreError("table " + name_ + ": no current record to edit");
  Row row;
  FetchRow(*CurrentKey(), &row);
  buffer_ = std::move(row);
  assigned_.assign(columns_.size(), false);
  state_ = State::kEdit;
}

void Table::Cancel() {
  state_ = State::kBrowse;
  buffer_.clear();
  assigned_.clear();
}

Dataset::Value& Table::BufferField(const std::string& column, Type* type, int* width) {
  CheckEditing(("set field " + column).c_str());
  const size_t index = ColumnIndex(column);
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
      set.number = ParseInteger(value, "table " + name_ + " field " + column);
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
  const size_t index = ColumnIndex(column);
  if (std::find(accepted.begin(), accepted.end(), columns_[index].type) == accepted.end()) {
    throw StoreError("table " + name_ + ": field " + column + " does not take " + kind);
  }
  assigned_[index] = true;
  buffer_[index] = Value{false, number, std::move(bytes)};
}

void Table::SetInteger(const std::string& column, int64_t value) {
  const Type type = columns_[ColumnIndex(column)].type;
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
  for (size_t i = 0; i < columns_.size(); ++i) {
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
      BindValue(write, param++, v.null, v.number, v.bytes,
                static_cast<FieldType>(columns_[i].type));
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
    MoveTo(static_cast<size_t>(at - keys_.begin()));
    return;
  }
  // An edit that leaves the order and the restriction alone keeps the row
  // in its place; listing the rows again would make bulk edits quadratic.
  if (!inserting && !ChangesPlace(set)) return;
  Relist(key);
  if (inserting && PositionOf(key) == kNoRow) {
    // Outside the range: still the current row until the rows are listed again.
    keys_.push_back(key);
    positions_.reset();
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
  InvalidateRowCache();
  // The row after the deleted one becomes current, or the one before it.
  for (size_t i = at; i < keys_.size(); ++i) {
    if (Accepts(i)) {
      MoveTo(i);
      return;
    }
  }
  for (size_t i = std::min(at, keys_.size()); i-- > 0;) {
    if (Accepts(i)) {
      MoveTo(i);
      return;
    }
  }
  MoveTo(kNoRow);
}

void Table::Empty() {
  CheckActive();
  CheckBrowsing("empty");
  Exec(db_.handle(), "DELETE FROM " + Quote(name_), "table " + name_ + ": cannot empty");
  keys_.clear();
  positions_.reset();
  InvalidateRowCache();
  MoveTo(kNoRow);
}

// ---------------------------------------------------------------- Query

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
      columns[i].type = static_cast<Type>(t.type);
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
      ReadValue(select.get(), i, static_cast<FieldType>(columns[i].type), &v.null, &v.number,
                &v.bytes);
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
  row->assign(columns_.size(), Value{});
  std::vector<bool> decoded(columns_.size(), false);
  for (size_t i = 0; i < columns_.size(); ++i) ReadFields(key, i, row, &decoded);
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

// ---------------------------------------------------------------- ClientDataset

ClientDataset::ClientDataset() = default;

ClientDataset::~ClientDataset() { CloseMemory(); }

std::string ClientDataset::Describe() const { return "client dataset"; }

void ClientDataset::SaveActsList(Database& db, const std::string& path) {
  const std::string what = "cannot write the acts list " + path;
  // A name of this process's own, so that two writers never share a file.
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  std::remove(temporary.c_str());
  // The list is copied by a connection of its own to the new file, which
  // reads what the database holds committed: rows of an open transaction
  // would be missing, so one is refused.
  if (db.in_transaction()) throw StoreError(what + ": a transaction is open");
  sqlite3* out = OpenConnection(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, what);
  try {
    sqlite3_busy_timeout(out, 10000);
    {
      Statement attach(out, "ATTACH DATABASE ? AS source", what);
      attach.BindText(1, db.path());
      attach.Step();
    }
    std::string create = "CREATE TABLE main.";
    create += kActsListTable;
    std::string names;
    for (const ListColumn& c : kActsListColumns) {
      create += std::string(names.empty() ? " (" : ", ") + c.name + " " + c.type;
      names += std::string(names.empty() ? "" : ", ") + c.name;
    }
    create += ")";
    Exec(out,
         "PRAGMA main.journal_mode = OFF; " + create + "; INSERT INTO main." + kActsListTable +
             " SELECT " + names + " FROM source.tblActe ORDER BY IdAct; DETACH DATABASE source",
         what);
  } catch (...) {
    sqlite3_close(out);
    std::remove(temporary.c_str());
    throw;
  }
  if (sqlite3_close(out) != SQLITE_OK || std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    std::remove(temporary.c_str());
    throw StoreError(what + ": " + reason);
  }
}

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
    std::vector<Column> columns;
    {
      Statement info(memory_, std::string("PRAGMA table_info(") + kActsListTable + ")", what);
      rowid_column_ = kNoRow;
      while (info.Step()) {
        const DeclaredType t = ParseDeclaredType(info.Text(2));
        if (info.Int(5) == 1 && SameName(info.Text(2), "INTEGER")) rowid_column_ = columns.size();
        columns.push_back({info.Text(1), static_cast<Type>(t.type), t.width});
      }
    }
    for (const ListColumn& c : kActsListColumns) {
      if (std::none_of(columns.begin(), columns.end(),
                       [&](const Column& have) { return SameName(have.name, c.name); })) {
        throw StoreError(what + ": it holds no column " + c.name);
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
                  [&](const Index& i) { return SameName(i.name, name); })) {
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
    const bool known =
        active_ ? std::any_of(columns_.begin(), columns_.end(),
                              [&](const Column& c) { return SameName(c.name, field); })
                : std::any_of(std::begin(kActsListColumns), std::end(kActsListColumns),
                              [&](const ListColumn& c) { return SameName(c.name, field); });
    if (!known) throw StoreError("client dataset: field '" + field + "' not found");
    order += case_insensitive ? std::string(kNoCaseKeyFunction) + "(" + Quote(field) + ")"
                              : Quote(field);
    if (std::any_of(descending.begin(), descending.end(),
                    [&](const std::string& d) { return SameName(d, field); })) {
      order += " DESC";
    }
    order += ", ";
  }
  indexes_.push_back({name, {fields, descending_fields, case_insensitive}, order + "rowid"});
}

std::optional<ClientDataset::IndexDef> ClientDataset::FindIndex(const std::string& name) const {
  for (const Index& index : indexes_) {
    if (SameName(index.name, name)) return index.def;
  }
  return std::nullopt;
}

void ClientDataset::DeleteIndex(const std::string& name) {
  auto it = std::find_if(indexes_.begin(), indexes_.end(),
                         [&](const Index& i) { return SameName(i.name, name); });
  if (it == indexes_.end()) throw StoreError("client dataset: no index named " + name);
  const bool current = it->order_sql == order_sql_;
  indexes_.erase(it);
  if (current) SetIndexName("");
}

void ClientDataset::SetIndexName(const std::string& name) {
  std::string order = "rowid";
  if (!name.empty()) {
    auto it = std::find_if(indexes_.begin(), indexes_.end(),
                           [&](const Index& i) { return SameName(i.name, name); });
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
  row->assign(columns_.size(), Value{});
  sqlite3_reset(fetch_);
  sqlite3_bind_int64(fetch_, 1, key);
  if (sqlite3_step(fetch_) == SQLITE_ROW) {
    for (size_t i = 0; i < columns_.size(); ++i) {
      Value& v = (*row)[i];
      ReadValue(fetch_, static_cast<int>(i), static_cast<FieldType>(columns_[i].type), &v.null,
                &v.number, &v.bytes);
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
    ReadValue(fetch_, static_cast<int>(column), static_cast<FieldType>(columns_[column].type),
              &v.null, &v.number, &v.bytes);
  }
}

size_t ClientDataset::PositionOf(int64_t key) const {
  return LookUpPosition(keys_, &positions_, key);
}

void ClientDataset::ForEachMatch(size_t column, const Probe& probe, bool case_insensitive,
                                 const std::function<bool(int64_t key)>& visit) {
  const Column& c = columns_[column];
  std::string where = " WHERE " + Quote(c.name) + " = ?";
  if (case_insensitive && c.type == Type::kText) where += std::string(" COLLATE ") + kNoCaseCollation;
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

// ---------------------------------------------------------- PreparedStatement

PreparedStatement::PreparedStatement(Database& db, const std::string& sql)
    : db_(db), sql_(sql) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(db_.handle(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_,
                         &tail) != SQLITE_OK) {
    const std::string reason = sqlite3_errmsg(db_.handle());
    sqlite3_finalize(stmt_);
    throw StoreError("statement " + sql_ + ": " + reason);
  }
  // One statement only: whatever followed it would silently never run.
  if (stmt_ == nullptr ||
      (tail != nullptr &&
       std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)) {
    sqlite3_finalize(stmt_);
    throw StoreError("statement " + sql_ + ": " +
                     (stmt_ == nullptr ? "no statement" : "text after the end of the statement"));
  }
}

PreparedStatement::~PreparedStatement() { sqlite3_finalize(stmt_); }

void PreparedStatement::CheckIndex(int index, int count, const char* what) const {
  if (index < 0 || index >= count) {
    throw StoreError("statement " + sql_ + ": no " + what + " " + std::to_string(index));
  }
}

void PreparedStatement::BindInteger(int index, int64_t value) {
  CheckIndex(index - 1, sqlite3_bind_parameter_count(stmt_), "parameter");
  sqlite3_bind_int64(stmt_, index, value);
}

void PreparedStatement::BindString(int index, std::string_view value) {
  CheckIndex(index - 1, sqlite3_bind_parameter_count(stmt_), "parameter");
  const std::string utf8 = Cp1250ToUtf8(value);
  sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void PreparedStatement::BindNull(int index) {
  CheckIndex(index - 1, sqlite3_bind_parameter_count(stmt_), "parameter");
  sqlite3_bind_null(stmt_, index);
}

bool PreparedStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) {
    sqlite3_reset(stmt_);
    return false;
  }
  const std::string reason = sqlite3_errmsg(db_.handle());
  sqlite3_reset(stmt_);
  throw StoreError("statement " + sql_ + ": " + reason);
}

void PreparedStatement::Reset() { sqlite3_reset(stmt_); }

bool PreparedStatement::IsNull(int column) const {
  CheckIndex(column, sqlite3_data_count(stmt_), "column");
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int64_t PreparedStatement::AsInteger(int column) const {
  CheckIndex(column, sqlite3_data_count(stmt_), "column");
  return sqlite3_column_int64(stmt_, column);
}

std::string PreparedStatement::AsString(int column) const {
  CheckIndex(column, sqlite3_data_count(stmt_), "column");
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  return Utf8ToCp1250(std::string_view(reinterpret_cast<const char*>(text),
                                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column))));
}

}  // namespace actsdb
