#include "viewer/shell/data_module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "actsdb/database_test_fixture.h"
#include "actsdb/install_dir.h"

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
  void TearDown() override {
    fs::remove_all(dir_);
    fs::remove_all(dir_ + "-data");
    fs::remove(actsdb::AliasConfig::DefaultPath());
  }

  static std::string Aliases() {
    std::ifstream in(actsdb::AliasConfig::DefaultPath());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

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
  EXPECT_TRUE(none.Fields().empty());
}

// Without a named installation the database is the alias Zazi1's, and the
// acts list in memory comes from "dump.dst" beside it (in DataDir) before
// the installation's own.
TEST_F(DataModuleTest, TheAliasNamesTheDatabaseAndDataDirHoldsTheListFirst) {
  const std::string data = dir_ + "-data";
  fs::create_directories(data);
  fs::copy(dir_ + "/zazi1", data + "/zazi1", fs::copy_options::recursive);
  {
    auto db = actsdb::Database::Open(data + "/zazi1/" + actsdb::kDatabaseFileName);
    actsdb::Table acts(*db, "tblActe");
    acts.Open(true);
    ASSERT_TRUE(acts.Locate("Titlu", "Amnistie"));
    acts.Delete();
    acts.Close();
    actsdb::ClientDataset::SaveActsList(*db, data + "/dump.dst");
  }
  actsdb::AliasConfig aliases;
  aliases.Add("Zazi1", data + "/zazi1");
  aliases.Save();

  struct Case {
    LoadMode mode;
    bool dump_in_data_dir;
    int rows;
  } cases[] = {
      {LoadMode::kFull, true, 2},      // DataDir's copy
      {LoadMode::kFull, false, 3},     // the installation's
      {LoadMode::kPartial, false, 2},  // the database itself
      {LoadMode::kNone, false, 0},
  };
  for (const Case& c : cases) {
    if (!c.dump_in_data_dir) fs::remove(data + "/dump.dst");
    DataModule module(dir_, c.mode, /*named=*/false);
    EXPECT_EQ(module.data_dir(), data);
    EXPECT_EQ(module.RowCount(), c.rows) << static_cast<int>(c.mode);
  }
}

TEST_F(DataModuleTest, AliasesAreRegisteredAtTheFirstStartOnly) {
  { DataModule first(dir_, LoadMode::kNone); }
  // A doubled "/" in the scratch directory's path is reduced in each alias.
  const std::string dir = actsdb::ReduceFirstDoubledSeparator(dir_);
  EXPECT_EQ(Aliases(),
            "NormBase=" + dir + "\nUpdate=" + dir + "/update\nZazi1=" + dir + "/zazi1\n");
  // An alias moved by hand stays where it was put.
  actsdb::AliasConfig moved;
  moved.Add("Update", "/srv/update");
  moved.Save();
  const std::string before = Aliases();
  { DataModule second(dir_, LoadMode::kNone); }
  EXPECT_EQ(Aliases(), before);
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

// The grid reads any row without moving the list, and hears of every change
// of the list: once for a change made in steps.
TEST_F(DataModuleTest, TheGridHearsOfChangesAndReadsWithoutMovingTheList) {
  for (LoadMode mode : {LoadMode::kFull, LoadMode::kPartial}) {
    DataModule data(dir_, mode);
    int resets = 0;
    int moves = 0;
    data.Watch({[&] { ++resets; }, [&] { ++moves; }});
    data.MoveTo(1);
    EXPECT_EQ(moves, 1);
    Column(data, "DispTitlu");
    EXPECT_EQ(data.CurrentRow(), 1);
    // The history looks an act up in the list and leaves its row where it was.
    const std::optional<finding::HistoryColumns> listed = data.ListedAct(3);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->disp_titlu, "Lege din 2001");
    EXPECT_EQ(listed->titlu, "Amnistie");
    EXPECT_EQ(data.CurrentRow(), 1);
    resets = moves = 0;
    if (mode == LoadMode::kFull) {
      data.SetSortIndex({{"Titlu"}, {}});
      EXPECT_EQ(data.CurrentRow(), 0);
    } else {
      data.SortQuery("Titlu ASCENDING");
      EXPECT_EQ(data.Text(data.CurrentRow(), "Titlu"), "Codul muncii");  // the act it stood on
    }
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(data.Text(0, "Titlu"), "Amnistie");
    resets = 0;
    data.acts_list()->SetFiltered(true);
    EXPECT_EQ(resets, 1);
    data.Watch({});
  }
}

}  // namespace
}  // namespace shell
