#include "idxcore/index/index_state.h"

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

std::optional<IndexSizes> ReadIndexSizes(actsdb::Database& db) {
  EnsureIndexStateTable(db);
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

}  // namespace idxcore
