// For the fuzz targets: a scratch database with the schema and the sample
// installation's code tables, in a directory of its own that goes with it.
#ifndef CORVANA_TESTING_FUZZ_DATABASE_H_
#define CORVANA_TESTING_FUZZ_DATABASE_H_

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "actsdb/schema.h"
#include "actsdb/store.h"

class FuzzDatabase {
 public:
  FuzzDatabase() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvana-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    db_ = actsdb::Database::Open(dir_ + "/" + actsdb::kDatabaseFileName, /*create=*/true);
    actsdb::CreateSchema(*db_);
    actsdb::SeedCodeTables(*db_, std::string(CORVANA_SAMPLE_DIR) + "/codes.tsv");
  }
  ~FuzzDatabase() {
    db_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  FuzzDatabase(const FuzzDatabase&) = delete;
  FuzzDatabase& operator=(const FuzzDatabase&) = delete;

  actsdb::Database& db() { return *db_; }

 private:
  std::string dir_;
  std::unique_ptr<actsdb::Database> db_;
};

#endif  // CORVANA_TESTING_FUZZ_DATABASE_H_
