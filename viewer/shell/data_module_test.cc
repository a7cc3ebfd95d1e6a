#include "viewer/shell/data_module.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "actsdb/database_test_fixture.h"

namespace shell {
namespace {

namespace fs = std::filesystem;

class DataModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_ + "/zazi1");
    auto db = actsdb::NewDatabaseWithSchema(dir_ + "/zazi1");
    actsdb::Table types(*db, "tblTipAct");
    types.Open(true);
    types.Append();
    types.SetString("TipAct", "Lege");
    types.Post();
    types.Close();
    actsdb::Table acts(*db, "tblActe");
    acts.Open(true);
    struct Act {
      int64_t number;
      const char* title;
      int64_t rep;
    } rows[] = {{12, "privind registrele", 0}, {1000000, "Codul muncii", 2}, {999999, "Amnistie", 0}};
    for (const Act& row : rows) {
      acts.Append();
      acts.SetInteger("IdTipAct", 1);
      acts.SetInteger("NrOficial", row.number);
      acts.SetInteger("Anul", 2001);
      acts.SetInteger("Rep", row.rep);
      acts.SetString("Titlu", row.title);
      acts.SetDate("DataPub", actsdb::Date{2001, 3, 5});
      acts.Post();
    }
    acts.Close();
    actsdb::ClientDataset::SaveActsList(*db, dir_ + "/dump.dst");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::vector<std::string> Column(const DataModule& data, const char* field) {
    std::vector<std::string> texts;
    for (int row = 0; row < data.RowCount(); ++row) texts.push_back(data.Text(row, field));
    return texts;
  }

  std::string dir_;
};

TEST_F(DataModuleTest, LoadModes) {
  {
    DataModule full(dir_, LoadMode::kFull);
    EXPECT_TRUE(full.in_memory());
    EXPECT_EQ(full.RowCount(), 3);
    EXPECT_EQ(full.data_dir(), dir_);
  }
  {
    DataModule partial(dir_, LoadMode::kPartial);
    EXPECT_FALSE(partial.in_memory());
    EXPECT_EQ(partial.RowCount(), 3);
  }
  DataModule none(dir_, LoadMode::kNone);
  EXPECT_EQ(none.acts_list(), nullptr);
  EXPECT_EQ(none.RowCount(), 0);
}

TEST_F(DataModuleTest, FullLoadWithoutDumpIsAnErrorThatNamesIt) {
  fs::remove(dir_ + "/dump.dst");
  try {
    DataModule data(dir_, LoadMode::kFull);
    FAIL() << "opened";
  } catch (const actsdb::StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("dump.dst"), std::string::npos) << e.what();
  }
}

TEST_F(DataModuleTest, ListTextsAndLabels) {
  DataModule data(dir_, LoadMode::kFull);
  EXPECT_EQ(Column(data, "DispTitlu"),
            (std::vector<std::string>{"Lege nr. 12/2001", "Lege din 2001 rep. 2", "Lege din 2001"}));
  EXPECT_EQ(Column(data, "NrOficial"), (std::vector<std::string>{"12", "", "999999"}));
  EXPECT_EQ(Column(data, "TipAct"), (std::vector<std::string>{"Lege", "Lege", "Lege"}));
  EXPECT_EQ(Column(data, "DataPub"), (std::vector<std::string>{"5/3/2001", "5/3/2001", "5/3/2001"}));
  std::map<std::string, std::string> labels;
  for (const finding::ListField& f : data.Fields()) labels[f.name] = f.label;
  EXPECT_EQ(labels["DispTitlu"], "Titlu complet");
  EXPECT_EQ(labels["NrOficial"], "Numarul");
  EXPECT_EQ(labels["Titlu"], "Titlu");
}

TEST_F(DataModuleTest, InMemorySortOrdersTheList) {
  DataModule data(dir_, LoadMode::kFull);
  data.MoveTo(1);
  data.SetSortIndex({{"Titlu"}, {"Titlu"}});
  EXPECT_EQ(Column(data, "Titlu"),
            (std::vector<std::string>{"privind registrele", "Codul muncii", "Amnistie"}));
  EXPECT_EQ(data.CurrentRow(), 0);
  data.SetSortIndex({{"Titlu"}, {}});
  EXPECT_EQ(data.Text(0, "Titlu"), "Amnistie");
  ASSERT_TRUE(data.SortIndex());
  EXPECT_EQ(data.SortIndex()->fields, std::vector<std::string>{"Titlu"});
}

TEST_F(DataModuleTest, QuerySortRunsAgainAndResolvesFields) {
  DataModule data(dir_, LoadMode::kPartial);
  EXPECT_EQ(data.DirectFieldKind("idEmitent"), finding::FieldKind::kData);
  EXPECT_EQ(data.DirectFieldKind("Emitent"), finding::FieldKind::kDerived);
  EXPECT_EQ(data.DirectFieldKind("idDispTitlu"), finding::FieldKind::kMissing);
  data.MoveTo(2);  // "Amnistie"
  data.SortQuery("Titlu DESCENDING");
  EXPECT_EQ(data.OrderBy(), "Titlu DESCENDING");
  EXPECT_EQ(data.Text(0, "Titlu"), "privind registrele");
  EXPECT_EQ(data.CurrentRow(), 2);
  ASSERT_TRUE(data.PositionOnCurrentAct());
  EXPECT_EQ(data.DirectDispTitlu(), "Lege din 2001");
}

}  // namespace
}  // namespace shell
