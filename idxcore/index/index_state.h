// The committed sizes of the index files, kept in the database.
//
// "word.dat", "poziti.dat" and the dump files are appended to outside the
// database's transactions, so after a crash they may hold the records of
// an act whose rows were rolled back. Every writer therefore stores the
// sizes the files have once its work is whole in the same transaction as
// the rows that describe that work (table tblIndexState, one row). What
// lies beyond those sizes after a crash was never committed, and a
// recovery cuts it off.
#ifndef CORVANA_IDXCORE_INDEX_INDEX_STATE_H_
#define CORVANA_IDXCORE_INDEX_INDEX_STATE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "actsdb/store.h"

namespace idxcore {

struct IndexSizes {
  int64_t word_records = 0;    // records in "word.dat"
  int64_t position_bytes = 0;  // bytes of "poziti.dat"
  // The dump files' directory and sizes; the directory is empty when
  // nothing is dumped.
  std::string dump_directory;
  int64_t word_dump_bytes = 0;
  int64_t position_dump_bytes = 0;
};

// Creates the table, with its one row holding no sizes, when missing.
void EnsureIndexStateTable(actsdb::Database& db);

// How many times sizes were stored: every writer's commit counts one, so
// work that is final once a given commit happened can tell whether it
// did (retirement_log.h).
int64_t IndexCommits(actsdb::Database& db);

// Whether the database has a table of that name.
bool HasTable(actsdb::Database& db, const std::string& name);

// The stored sizes; none when nothing was ever stored (an index written
// before the table existed). Only reads.
std::optional<IndexSizes> ReadIndexSizes(actsdb::Database& db);

// Checks "word.dat" and "poziti.dat" of `database_dir` against the sizes
// the last commit stored (without stored sizes, "word.dat" against a whole
// number of records); a missing file counts as empty. A file cut short or
// grown outside a session's mark was damaged: following its chains would
// give silent wrong results, appending to it would make them permanent.
// Throws IndexError naming the file, its size and the size expected.
void CheckIndexFileSizes(actsdb::Database& db, const std::string& database_dir);

// Stores the sizes of "word.dat" and "poziti.dat" and keeps the dump's:
// for writers that rewrite the index without dumping (reorganisation,
// dump replay). Inside the caller's transaction.
void WriteIndexFileSizes(actsdb::Database& db, int64_t word_records, int64_t position_bytes);

// Stores all the sizes, once per act: the statement is prepared once.
class IndexSizesWriter {
 public:
  // Ensures the table.
  explicit IndexSizesWriter(actsdb::Database& db);
  void Write(const IndexSizes& sizes);

 private:
  actsdb::PreparedStatement update_;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_INDEX_STATE_H_
