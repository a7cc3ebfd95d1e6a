// For the store's tests: a new database with the acts schema in a scratch
// directory of its own, removed afterwards.
#ifndef CORVANA_ACTSDB_DATABASE_TEST_FIXTURE_H_
#define CORVANA_ACTSDB_DATABASE_TEST_FIXTURE_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "actsdb/schema.h"
#include "actsdb/store.h"

namespace actsdb {

// A new database with the acts schema in `dir`.
inline std::unique_ptr<Database> NewDatabaseWithSchema(const std::string& dir) {
  std::unique_ptr<Database> db = Database::Open(dir + "/" + kDatabaseFileName, /*create=*/true);
  CreateSchema(*db);
  return db;
}

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "corvana-db-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    db_ = NewDatabaseWithSchema(dir_);
  }
  void TearDown() override {
    db_.reset();
    std::filesystem::remove_all(dir_);
  }

  std::string dir_;
  std::unique_ptr<Database> db_;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_DATABASE_TEST_FIXTURE_H_
