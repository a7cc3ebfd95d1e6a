#include "actsdb/acts_views.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/database_test_fixture.h"
#include "actsdb/schema.h"
#include "idxcore/index/cursor.h"
#include "idxcore/index/word_file.h"

namespace actsdb {
namespace {

namespace fs = std::filesystem;

std::string W(const char* utf8) { return Utf8ToCp1250(utf8); }

struct Row {
  const char* column;
  std::string value;  // as SetString takes it; "" leaves the column null
};

// An installation in a scratch directory: its database with two types, an
// issuer, acts, parts and modifications, and its saved acts list.
class ActsViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "corvana-views-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    install_ = pattern;
    places_ = {install_, install_ + "/" + kDatabaseDirName};
    fs::create_directories(places_.database_dir);
    db_ = NewDatabaseWithSchema(places_.database_dir);
    Add("tblTipAct", {{{"TipAct", "Lege"}, {"IndCod", "L"}}, {{"TipAct", W("Hotărâre")},
                                                                {"IndCod", "HG"}}});
    Add("tblEmitenti", {{{"Emitent", "Parlamentul"}, {"IndCod", "P"}}});
    // Acts 1 to 4.
    Add("tblActe",
        {{{"IdTipAct", "1"}, {"IdEmitent", "1"}, {"NrOficial", "12"}, {"Anul", "2001"},
          {"Titlu", "privind <b>achizitiile</b> publice"}, {"Rep", "0"}, {"IndNum", "L P 12 2001 0"}},
         {{"IdTipAct", "1"}, {"NrOficial", "1000000"}, {"Anul", "2002"}, {"Rep", "2"},
          {"Titlu", "codul"}, {"IndNum", "L P 1000000 2002 2"}},
         {{"IdTipAct", "2"}, {"NrOficial", "999999"}, {"Anul", "2003"}, {"Rep", "0"},
          {"Titlu2", "-(republicata in forma actualizata)"}, {"Titlu", "pentru aprobare"}},
         {{"IdTipAct", "9"}, {"NrOficial", "7"}, {"Anul", "2004"}, {"Rep", "0"}}});
    // The parts with ids 1 to 4: two of act 1 (one modified), two of act 3.
    Add("tblParti", {{{"Actul", "1"}, {"NumParte", "Art. 1"}, {"Mod", "0"}},
                     {{"Actul", "1"}, {"NumParte", "Art. 2"}, {"Mod", "1"}},
                     {{"Actul", "3"}, {"NumParte", "Art. 5"}, {"Mod", "0"}},
                     {{"Actul", "3"}, {"NumParte", "Actul"}, {"Mod", "0"}}});
    // The part with id 3 modifies the one with id 2; id 4 modifies id 2 and a part that is gone.
    Add("tblModif", {{{"IdModificant", "3"}, {"IdModificat", "2"}},
                     {{"IdModificant", "4"}, {"IdModificat", "2"}},
                     {{"IdModificant", "4"}, {"IdModificat", "99"}}});
    ClientDataset::SaveActsList(*db_, install_ + "/dump.dst");
  }
  void TearDown() override {
    db_.reset();
    fs::remove_all(install_);
  }

  void Add(const char* table, const std::vector<std::vector<Row>>& rows) {
    Table t(*db_, table);
    t.Open(/*exclusive=*/true);
    for (const std::vector<Row>& row : rows) {
      t.Append();
      for (const Row& field : row) {
        if (!field.value.empty()) t.SetString(field.column, field.value);
      }
      t.Post();
    }
  }

  // A column's display texts over the accepted rows of a view.
  static std::vector<std::string> Texts(Dataset& view, const char* column) {
    std::vector<std::string> texts;
    for (int row = 0; row < view.RecordCount(); ++row) {
      texts.push_back(view.DisplayTextAt(row, view.ColumnIndex(column)));
    }
    return texts;
  }

  std::string install_;
  InstallationPlaces places_;
  std::unique_ptr<Database> db_;
};

TEST_F(ActsViewsTest, OpensEveryViewAndTheCursorAndClosesThemAll) {
  // One record, for the cursor to read while the views are open.
  {
    idxcore::diskhash<recwrd> words(places_.database_dir + "/word.dat", 1);
    recwrd r{};
    r.act_id = 7;
    words.addhead(r);
  }
  const auto cursor_act = [] {
    recwrd r{};
    _findrecbypos(0);
    _getcrt(&r);
    return r.act_id;
  };
  {
    ActsViews views(nullptr);
    views.Open(places_, LoadMode::kPartial);
    EXPECT_EQ(&views.DataActe(), &views.QueActe());
    EXPECT_EQ(views.data_dir(), install_);
    for (Dataset* view :
         {static_cast<Dataset*>(&views.QueActe()), static_cast<Dataset*>(&views.tblActeNef()),
          static_cast<Dataset*>(&views.tblParti()), static_cast<Dataset*>(&views.tblModificant()),
          static_cast<Dataset*>(&views.tblModificat()), static_cast<Dataset*>(&views.tblCuv()),
          static_cast<Dataset*>(&views.tblTipMod()),
          static_cast<Dataset*>(&views.tblPartidetail()),
          static_cast<Dataset*>(&views.tblLegDomenii()),
          static_cast<Dataset*>(&views.tblImagini()), static_cast<Dataset*>(&views.tblEmitenti()),
          static_cast<Dataset*>(&views.tblDomenii()), static_cast<Dataset*>(&views.tblTipAct()),
          static_cast<Dataset*>(&views.tblPublicatii())}) {
      EXPECT_TRUE(view->active());
    }
    EXPECT_FALSE(views.QueActeMic().active());
    EXPECT_FALSE(views.ClientActe().active());
    EXPECT_EQ(views.QueActe().RecordCount(), 4);
    // The code tables in the order of their codes.
    EXPECT_EQ(views.tblTipAct().AsString("IndCod"), "HG");
    EXPECT_EQ(cursor_act(), 7);

    views.Close();
    EXPECT_EQ(cursor_act(), 0);
    EXPECT_THROW(views.tblActeNef(), StoreError);
    EXPECT_THROW(views.database(), StoreError);
    EXPECT_THROW(views.DataActe(), StoreError);

    // Without a load mode the acts list stays closed.
    views.Open(places_, LoadMode::kNone);
    EXPECT_FALSE(views.QueActe().active());
    EXPECT_TRUE(views.tblActeNef().active());
  }
  // The database is free again: a writer may hold its tables.
  Table acts(*db_, "tblActe");
  EXPECT_NO_THROW(acts.Open(/*exclusive=*/true));
}

TEST_F(ActsViewsTest, AFailedStepLeavesOpenWhatCameBeforeIt) {
  // No saved list anywhere: the full load fails, the code tables are open,
  // the later views and the cursor are not.
  fs::remove(install_ + "/dump.dst");
  ActsViews views(nullptr);
  try {
    views.Open(places_, LoadMode::kFull);
    FAIL() << "opened without a saved acts list";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find(install_ + "/dump.dst"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(views.tblTipAct().active());
  EXPECT_FALSE(views.ClientActe().active());
  EXPECT_FALSE(views.tblActeNef().active());
  EXPECT_FALSE(fs::exists(places_.database_dir + "/word.dat"));

  // A table missing at the end: everything before it is open.
  db_->Execute("DROP TABLE tblImagini");
  EXPECT_THROW(views.Open(places_, LoadMode::kPartial), StoreError);
  EXPECT_TRUE(views.QueActe().active());
  EXPECT_TRUE(views.tblLegDomenii().active());
  EXPECT_FALSE(views.tblImagini().active());
}

TEST_F(ActsViewsTest, FullLoadTakesTheCopyBesideTheDatabaseFirst) {
  // The database elsewhere, as an alias may place it, with a list of its own
  // that holds one act less than the installation's.
  const std::string data = install_ + "/data";
  fs::create_directories(data);
  db_.reset();
  fs::rename(places_.database_dir, data + "/" + kDatabaseDirName);
  db_ = Database::Open(data + "/" + kDatabaseDirName + "/" + kDatabaseFileName);
  db_->Execute("DELETE FROM tblActe WHERE IdAct = 4");
  ClientDataset::SaveActsList(*db_, data + "/dump.dst");
  const InstallationPlaces places{install_, data + "/" + kDatabaseDirName};

  ActsViews views(nullptr);
  views.Open(places, LoadMode::kFull);
  EXPECT_EQ(views.data_dir(), data);
  EXPECT_EQ(&views.DataActe(), &views.ClientActe());
  EXPECT_EQ(views.ClientActe().RecordCount(), 3);
  fs::remove(data + "/dump.dst");
  views.Open(places, LoadMode::kFull);
  EXPECT_EQ(views.ClientActe().RecordCount(), 4);
}

TEST_F(ActsViewsTest, DataDirIsTheDatabaseDirectoryCutBeforeItsZazi1) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/corvana/zazi1", "/opt/corvana"},
      {"/srv/zazi1-old/acts/zazi1", "/srv/zazi1-old/acts"},
      {"/srv/zazi1/zazi1", "/srv"},
      {"/srv/acts/zazi1/db", "/srv/acts"},
      {"/srv/acts", ""},
      {"/zazi1", ""},
  };
  for (const auto& [directory, want] : cases) EXPECT_EQ(DataDirOf(directory), want) << directory;
}

TEST_F(ActsViewsTest, ActsViewsDeriveTitlesNamesAndNumbersAndLabelTheirColumns) {
  ActsViews views(nullptr);
  views.Open(places_, LoadMode::kFull);
  const std::vector<std::string> titles = {
      "Lege nr. 12/2001", "Lege din 2002 rep. 2",
      W("Hotărâre (republicata in forma actualizata)"), " nr. 7/2004"};
  // The direct view keeps 255 characters of the title, the lists 40.
  EXPECT_EQ(Texts(views.tblActeNef(), "DispTitlu"), titles);
  std::vector<std::string> list_titles = titles;
  list_titles[2].resize(40);
  EXPECT_EQ(Texts(views.ClientActe(), "DispTitlu"), list_titles);
  EXPECT_EQ(Texts(views.QueActe(), "DispTitlu"), std::vector<std::string>{});  // not opened
  views.QueActeMic().Open();
  EXPECT_EQ(Texts(views.QueActeMic(), "DispTitlu"), list_titles);
  EXPECT_EQ(Texts(views.QueActeMic(), "TitMare"),
            (std::vector<std::string>{"Lege nr. 12/2001 privind <b>achizitiile</b> publice",
                                      "Lege din 2002 rep. 2 codul",
                                      list_titles[2] + " pentru aprobare", " nr. 7/2004 "}));
  EXPECT_EQ(Texts(views.tblActeNef(), "Privind"),
            (std::vector<std::string>{"privind achizitiile publice", "codul", "pentru aprobare",
                                      ""}));
  // Looked-up names: a missing code row or a null id gives an empty name.
  EXPECT_EQ(Texts(views.ClientActe(), "Emitent"),
            (std::vector<std::string>{"Parlamentul", "", "", ""}));
  EXPECT_EQ(Texts(views.tblActeNef(), "TipAct"),
            (std::vector<std::string>{"Lege", "Lege", W("Hotărâre"), ""}));
  const ColumnInfo& issuer =
      views.ClientActe().Columns()[views.ClientActe().ColumnIndex("Emitent")];
  EXPECT_EQ(issuer.kind, FieldKind::kLookup);
  EXPECT_EQ(issuer.lookup_key, "IdEmitent");

  // The lists show no number from 1000000 on; the direct view shows none.
  EXPECT_EQ(Texts(views.ClientActe(), "NrOficial"),
            (std::vector<std::string>{"12", "", "999999", "7"}));
  EXPECT_EQ(Texts(views.tblActeNef(), "NrOficial"), (std::vector<std::string>(4, "")));
  EXPECT_EQ(views.tblActeNef().AsInteger("NrOficial"), 12);

  // Labels.
  std::map<std::string, std::string> labels;
  for (const ColumnInfo& c : views.ClientActe().Columns()) {
    if (c.label != c.name) labels[c.name] = c.label;
  }
  EXPECT_EQ(labels, (std::map<std::string, std::string>{{"NrOficial", "Numarul"},
                                                        {"DataPub", "Data Publicatiei"},
                                                        {"Rep", "Republicarea"},
                                                        {"DispTitlu", "Titlu complet"},
                                                        {"TipAct", "Tipul Actului"},
                                                        {"Numar", "Numarul Monitorului"}}));
  const Table& direct = views.tblActeNef();
  EXPECT_EQ(direct.Columns()[direct.ColumnIndex("NrOficial")].label, "Nr");
  EXPECT_EQ(direct.Columns()[direct.ColumnIndex("DispTitlu")].label, "DispTitlu");
  EXPECT_EQ(views.ActTitle(3), titles[2]);
  EXPECT_EQ(views.ActTitle(42), "");
}

TEST_F(ActsViewsTest, TheListsShareTheHitTestAndDataActeSwitches) {
  std::set<int64_t> hits = {2, 4};
  ActsViews views([&](int64_t id_act) { return hits.count(id_act) > 0; });
  views.Open(places_, LoadMode::kPartial);
  int switched = 0;
  views.OnDataActeSwitched([&] { ++switched; });
  EXPECT_EQ(views.QueActe().RecordCount(), 4);  // until filtering is on
  views.QueActe().SetFiltered(true);
  EXPECT_EQ(Texts(views.QueActe(), "IdAct"), (std::vector<std::string>{"2", "4"}));
  hits = {1};
  views.QueActe().Refilter();
  EXPECT_EQ(Texts(views.QueActe(), "IdAct"), (std::vector<std::string>{"1"}));

  views.QueActeMic().sql().push_back("WHERE Anul > 2001");
  views.QueActeMic().SetFiltered(true);
  views.QueActeMic().Open();
  views.SetDataActe(ActsList::kQueActeMic);
  EXPECT_EQ(switched, 1);
  EXPECT_EQ(&views.DataActe(), &views.QueActeMic());
  EXPECT_TRUE(views.DataActe().IsEmpty());  // act 1 is from 2001
  views.SetDataActe(ActsList::kQueActe);
  EXPECT_EQ(views.data_acte(), ActsList::kQueActe);
  EXPECT_EQ(switched, 2);
}

TEST_F(ActsViewsTest, PartsFollowTheDirectViewAndModificationsNameTheirOtherEnd) {
  ActsViews views(nullptr);
  views.Open(places_, LoadMode::kNone);
  Table& parts = views.tblPartidetail();
  EXPECT_EQ(Texts(parts, "NumParte"), (std::vector<std::string>{"Art. 1", "Art. 2"}));
  views.SetModifiedPartsOnly(true);
  EXPECT_EQ(Texts(parts, "NumParte"), (std::vector<std::string>{"Art. 2"}));
  // Art. 2 (id 2) suffered two modifications, from parts of act 3.
  EXPECT_EQ(Texts(views.tblModificat(), "PartModificant"),
            (std::vector<std::string>{"Art. 5", "Actul"}));
  const std::string act3 = W("Hotărâre (republicata in forma actualizata)").substr(0, 35);
  EXPECT_EQ(Texts(views.tblModificat(), "TitModificant"), (std::vector<std::string>(2, act3)));
  views.SetModifiedPartsOnly(false);
  ASSERT_TRUE(views.tblActeNef().Locate("IdAct", 3));
  EXPECT_EQ(Texts(parts, "NumParte"), (std::vector<std::string>{"Art. 5", "Actul"}));
  ASSERT_TRUE(parts.Last());
  // The act's whole-act part (id 4) brought two, one to a part that no longer exists.
  EXPECT_EQ(Texts(views.tblModificant(), "PartModificat"), (std::vector<std::string>{"Art. 2", ""}));
  EXPECT_EQ(Texts(views.tblModificant(), "TitModificat"),
            (std::vector<std::string>{"Lege nr. 12/2001", ""}));
  EXPECT_EQ(Texts(views.tblParti(), "TitAct"),
            (std::vector<std::string>{"Lege nr. 12/2001", "Lege nr. 12/2001", act3, act3}));
}

TEST_F(ActsViewsTest, MissingAliasesAreRegisteredOnceAndSavedEachTime) {
  AliasConfig aliases(install_ + "/aliases.conf");
  aliases.Add("NormBase", "/elsewhere");
  EXPECT_EQ(RegisterViewerAliases(aliases, "/opt//corvana"), 2);
  EXPECT_EQ(aliases.Directory("Zazi1"), "/opt/corvana/zazi1");
  EXPECT_EQ(aliases.Directory("Update"), "/opt/corvana/update");
  EXPECT_EQ(aliases.Directory("NormBase"), "/elsewhere");
  AliasConfig saved(install_ + "/aliases.conf");
  EXPECT_EQ(saved.aliases(), aliases.aliases());
  EXPECT_EQ(RegisterViewerAliases(saved, "/opt/corvana"), 0);
}

}  // namespace
}  // namespace actsdb
