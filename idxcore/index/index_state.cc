#include "idxcore/index/index_state.h"

#include <filesystem>

#include "idxcore/index/word_file.h"

namespace idxcore {

namespace {

actsdb::Database& Ensured(actsdb::Database& db) {
  EnsureIndexStateTable(db);
  return db;
}

}  // namespace

void EnsureIndexStateTable(actsdb::Database& db) {
  db.Execute(
      "CREATE TABLE IF NOT EXISTS tblIndexState (Id INTEGER PRIMARY KEY, WordRecords INTEGER,"
      " PositionBytes INTEGER, DumpDirectory TEXT, WordDumpBytes INTEGER,"
      " PositionDumpBytes INTEGER, Commits INTEGER);"
      "INSERT OR IGNORE INTO tblIndexState (Id) VALUES (1)");
  // A table from before the commit count was kept.
  bool counted = false;
  {
    actsdb::PreparedStatement commits(
        db, "SELECT count(*) FROM pragma_table_info('tblIndexState') WHERE name = 'Commits'");
    counted = commits.Step() && commits.AsInteger(0) != 0;
  }
  if (!counted) db.Execute("ALTER TABLE tblIndexState ADD COLUMN Commits INTEGER");
}

int64_t IndexCommits(actsdb::Database& db) {
  EnsureIndexStateTable(db);
  actsdb::PreparedStatement select(db,
                                   "SELECT ifnull(Commits, 0) FROM tblIndexState WHERE Id = 1");
  return select.Step() ? select.AsInteger(0) : 0;
}

bool HasTable(actsdb::Database& db, const std::string& name) {
  actsdb::PreparedStatement select(
      db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
  select.BindString(1, name);
  return select.Step();
}

std::optional<IndexSizes> ReadIndexSizes(actsdb::Database& db) {
  if (!HasTable(db, "tblIndexState")) return std::nullopt;
  actsdb::PreparedStatement select(
      db,
      "SELECT WordRecords, PositionBytes, DumpDirectory, WordDumpBytes, PositionDumpBytes"
      " FROM tblIndexState WHERE Id = 1");
  if (!select.Step() || select.IsNull(0) || select.IsNull(1)) return std::nullopt;
  IndexSizes sizes;
  sizes.word_records = select.AsInteger(0);
  sizes.position_bytes = select.AsInteger(1);
  sizes.dump_directory = select.AsString(2);
  sizes.word_dump_bytes = select.AsInteger(3);
  sizes.position_dump_bytes = select.AsInteger(4);
  return sizes;
}

void WriteIndexFileSizes(actsdb::Database& db, int64_t word_records, int64_t position_bytes) {
  EnsureIndexStateTable(db);
  actsdb::PreparedStatement update(
      db,
      "UPDATE tblIndexState SET WordRecords = ?, PositionBytes = ?,"
      " Commits = ifnull(Commits, 0) + 1 WHERE Id = 1");
  update.BindInteger(1, word_records);
  update.BindInteger(2, position_bytes);
  update.Step();
}

IndexSizesWriter::IndexSizesWriter(actsdb::Database& db)
    : update_(Ensured(db),
              "UPDATE tblIndexState SET WordRecords = ?, PositionBytes = ?, DumpDirectory = ?,"
              " WordDumpBytes = ?, PositionDumpBytes = ?, Commits = ifnull(Commits, 0) + 1"
              " WHERE Id = 1") {}

void IndexSizesWriter::Write(const IndexSizes& sizes) {
  update_.BindInteger(1, sizes.word_records);
  update_.BindInteger(2, sizes.position_bytes);
  if (sizes.dump_directory.empty()) {
    update_.BindNull(3);
  } else {
    update_.BindString(3, sizes.dump_directory);
  }
  update_.BindInteger(4, sizes.word_dump_bytes);
  update_.BindInteger(5, sizes.position_dump_bytes);
  update_.Step();
}

void CheckIndexFileSizes(actsdb::Database& db, const std::string& database_dir) {
  const std::optional<IndexSizes> sizes = ReadIndexSizes(db);
  const auto size_of = [](const std::string& path) -> int64_t {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<int64_t>(size);
  };
  constexpr int64_t kHeader = diskvec<diskhelem<recwrd>>::kHeaderSize;
  constexpr int64_t kRecord = sizeof(diskhelem<recwrd>);
  const std::string words = database_dir + "/word.dat";
  const int64_t word_bytes = size_of(words);
  if (!sizes) {
    if (word_bytes == 0 || (word_bytes >= kHeader && (word_bytes - kHeader) % kRecord == 0)) return;
    throw IndexError(words + " is damaged: " + std::to_string(word_bytes) +
                     " bytes are no whole number of " + std::to_string(kRecord) +
                     "-byte records after its " + std::to_string(kHeader) + "-byte header");
  }
  const auto check = [](const std::string& path, int64_t size, int64_t expected,
                        const std::string& what) {
    if (size == expected) return;
    throw IndexError(path + " is damaged: it has " + std::to_string(size) +
                     " bytes where the index holds " + std::to_string(expected) + what);
  };
  // An index nothing was committed to yet may lack the file or its header.
  if (sizes->word_records > 0 || word_bytes > kHeader) {
    check(words, word_bytes, kHeader + kRecord * sizes->word_records,
          " (" + std::to_string(sizes->word_records) + " records)");
  }
  const std::string positions = database_dir + "/poziti.dat";
  check(positions, size_of(positions), sizes->position_bytes, "");
}

}  // namespace idxcore
