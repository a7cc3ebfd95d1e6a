#include "actsdb/wal_write_buffer.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <memory>
#include <string>

#include "actsdb/database_test_fixture.h"
#include "actsdb/store.h"

namespace actsdb {
namespace {

// Rows of these sizes: some frames, a commit of many pages, and one larger
// than the default layer's largest single write (128 KB).
constexpr int kRowSizes[] = {10, 5000, 70000, 300000, 1};

class WalWriteBufferTest : public DatabaseTest {
 protected:
  void WriteRows(Database& db) {
    // As the import writes: no sync at a commit, which would hand the
    // gathered bytes on by itself.
    db.Execute("PRAGMA synchronous = NORMAL");
    db.Execute("CREATE TABLE blobs (n INTEGER, body BLOB)");
    for (int size : kRowSizes) {
      db.Begin();
      db.Execute("INSERT INTO blobs VALUES (" + std::to_string(size) + ", zeroblob(" +
                 std::to_string(size) + "))");
      db.Commit();
    }
  }

  // Read through SQLite's own layer, as another program would.
  void ExpectEveryRow() {
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir_ + "/" + kDatabaseFileName).c_str(), &reader,
                              SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* rows = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT n, length(body) FROM blobs ORDER BY rowid", -1,
                                 &rows, nullptr),
              SQLITE_OK);
    for (int size : kRowSizes) {
      ASSERT_EQ(sqlite3_step(rows), SQLITE_ROW);
      EXPECT_EQ(sqlite3_column_int(rows, 0), size);
      EXPECT_EQ(sqlite3_column_int(rows, 1), size);
    }
    EXPECT_EQ(sqlite3_step(rows), SQLITE_DONE);
    sqlite3_finalize(rows);
    sqlite3_stmt* check = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "PRAGMA integrity_check(blobs)", -1, &check, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    sqlite3_close(reader);
  }
};

TEST_F(WalWriteBufferTest, StoreConnectionsWriteTheLogThroughTheLayer) {
  ASSERT_NE(WalWriteBufferVfs(), nullptr);
  sqlite3_vfs* used = nullptr;
  ASSERT_EQ(sqlite3_file_control(db_->handle(), "main", SQLITE_FCNTL_VFS_POINTER, &used),
            SQLITE_OK);
  EXPECT_STREQ(used->zName, WalWriteBufferVfs());
}

TEST_F(WalWriteBufferTest, CommitsAreInTheLogBeforeTheCommitReturns) {
  // Seen by a reader while the writer stays open.
  WriteRows(*db_);
  ExpectEveryRow();
}

TEST_F(WalWriteBufferTest, CommittedTransactionsSurviveTheWriterBeingKilled) {
  db_.reset();
  const std::string path = dir_ + "/" + kDatabaseFileName;
  const auto write_then_die = [&] {
    std::unique_ptr<Database> db = Database::Open(path);
    WriteRows(*db);
    // A transaction that never commits, large enough to spill pages.
    db->Begin();
    db->Execute("INSERT INTO blobs VALUES (0, zeroblob(3000000))");
    std::raise(SIGKILL);
  };
  EXPECT_EXIT(write_then_die(), ::testing::KilledBySignal(SIGKILL), "");
  ExpectEveryRow();
}

}  // namespace
}  // namespace actsdb
