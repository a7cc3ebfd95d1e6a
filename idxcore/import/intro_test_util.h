// A fresh database with the import tables, codes and an engine, for the
// engine's tests.
#ifndef CORVANA_IDXCORE_IMPORT_INTRO_TEST_UTIL_H_
#define CORVANA_IDXCORE_IMPORT_INTRO_TEST_UTIL_H_

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "idxcore/import/intro.h"

namespace idxcore {

class ImportFixture : public ::testing::Test {
 protected:
  // Opens a fresh database; `codes_tsv` seeds the code tables.
  void OpenDatabase(const std::string& codes_tsv) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = ::testing::TempDir() + "/intro_" + info->test_suite_name() + "_" + info->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    db_ = actsdb::Database::Open(dir_ + "/" + actsdb::kDatabaseFileName, true);
    actsdb::CreateSchema(*db_);
    actsdb::SeedCodeTables(*db_, codes_tsv);
    tables_ = std::make_unique<ImportDatabase>(*db_);
    engine_ = std::make_unique<TIntro>(tables_->tables());
  }

  void TearDown() override {
    engine_.reset();
    tables_.reset();
    db_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  ImportTables t() { return tables_->tables(); }

  // The rows of a query, every field as text.
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    actsdb::Query q(*db_);
    q.sql() = {sql};
    q.Open();
    std::vector<std::vector<std::string>> rows;
    const std::vector<std::string> columns = q.ColumnNames();
    for (bool on = q.First(); on; on = q.Next()) {
      std::vector<std::string> row;
      for (const std::string& c : columns) row.push_back(q.AsString(c));
      rows.push_back(row);
    }
    return rows;
  }

  // The act ids along the chain that starts at record `first`.
  std::vector<int32_t> Chain(int32_t first) {
    std::vector<int32_t> acts;
    diskhash<recwrd>& file = engine_->word_file();
    if (!file.findrec(first)) return acts;
    do {
      acts.push_back(file.current().value.act_id);
    } while (file.nextrec());
    return acts;
  }

  // The act ids of the chain of dictionary word `word`; empty when absent.
  std::vector<int32_t> ChainOf(const std::string& word) {
    if (!t().words.Locate("Word", word)) return {};
    return Chain(static_cast<int32_t>(t().words.AsInteger("First")));
  }

  std::string FileBytes(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string dir_;
  std::unique_ptr<actsdb::Database> db_;
  std::unique_ptr<ImportDatabase> tables_;
  std::unique_ptr<TIntro> engine_;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_INTRO_TEST_UTIL_H_
