#include "viewer/finding/filter_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "actsdb/codepage.h"
#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "idxcore/index/cursor.h"
#include "viewer/finding/find_act.h"
#include "viewer/finding/sample_installation.h"

namespace finding {
namespace {

using Ids = std::vector<int64_t>;
using Shown = ActsLists::Shown;

// The acts lists of a copy of the sample installation in both load modes,
// with the text search's hit test as their record filter, as the viewer
// opens them.
class FilterRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = ::testing::TempDir() + "filter-run-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(install_);
    std::filesystem::copy(SampleInstallation(), install_, std::filesystem::copy_options::recursive);
    db_ = actsdb::Database::Open(actsdb::DatabasePath(install_));
    tables_ = std::make_unique<CodeTables>(*db_);
    criteria_ = std::make_unique<FilterCriteria>(*tables_);
    dictionary_ = std::make_unique<TableDictionary>(*db_);
    _cautstr(db_->directory().c_str());
    search_ = std::make_unique<TextSearch>(*dictionary_, db_->directory());
    largest_ = LargestActId(*db_);

    que_acte_ = std::make_unique<actsdb::Query>(*db_);
    que_acte_->sql() = {actsdb::kActsListSelect};
    que_acte_->Open();
    que_acte_mic_ = std::make_unique<actsdb::Query>(*db_);
    client_acte_ = std::make_unique<actsdb::ClientDataset>();
    client_acte_->LoadFromFile(install_ + "/dump.dst");
    client_acte_->Open();
    for (actsdb::Dataset* list : std::initializer_list<actsdb::Dataset*>{
             que_acte_.get(), que_acte_mic_.get(), client_acte_.get()}) {
      list->SetRecordFilter(
          [this](const actsdb::Dataset& row) { return search_->Accepts(row.AsInteger("IdAct")); });
    }
    partial_ = {que_acte_.get(), que_acte_mic_.get(), nullptr, Shown::kQueActe};
    full_ = {que_acte_.get(), que_acte_mic_.get(), client_acte_.get(), Shown::kClientActe};
  }

  void TearDown() override {
    _cautstp();
    que_acte_.reset();
    que_acte_mic_.reset();
    search_.reset();
    dictionary_.reset();
    criteria_.reset();
    tables_.reset();
    db_.reset();
    std::filesystem::remove_all(install_);
  }

  // The acts the list shows, in its order.
  static Ids Listed(actsdb::Dataset& list) {
    Ids ids;
    for (bool more = list.First(); more; more = list.Next()) ids.push_back(list.AsInteger("IdAct"));
    return ids;
  }

  int Run(ActsLists& lists, const std::string& mode = "oriunde in text",
          const std::string& order_by = "") {
    return RunFilter(*criteria_, mode, order_by, largest_, *search_, lists);
  }

  std::string install_;
  std::unique_ptr<actsdb::Database> db_;
  std::unique_ptr<CodeTables> tables_;
  std::unique_ptr<FilterCriteria> criteria_;
  std::unique_ptr<TableDictionary> dictionary_;
  std::unique_ptr<TextSearch> search_;
  int32_t largest_ = 0;
  std::unique_ptr<actsdb::Query> que_acte_, que_acte_mic_;
  std::unique_ptr<actsdb::ClientDataset> client_acte_;
  ActsLists partial_, full_;
};

// Each case in both load modes: the query and the in-memory list with its
// filter expression must list the same acts.
TEST_F(FilterRunTest, CriteriaSelectTheSameActsInBothLoadModes) {
  struct Case {
    std::vector<std::pair<Criterion, std::string>> boxes;
    std::string mode;
    Ids ids;
  };
  const std::string sanatate = actsdb::Utf8ToCp1250("Sănătate");
  const Case cases[] = {
      {{}, "", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}},
      {{{Criterion::kInTitlu, "publice"}}, "", {1, 3, 6, 7, 9, 10, 11, 13, 18, 21}},
      // Title words are alternatives, matched inside words and ignoring case.
      {{{Criterion::kInTitlu, actsdb::Utf8ToCp1250("MEDIU, MUNCĂ")}}, "", {14, 15, 16, 17}},
      {{{Criterion::kInTitlu, "registrelor"}, {Criterion::kAnul, "2001"}}, "", {1, 21}},
      {{{Criterion::kLimba, "Maghiara"}}, "", {2}},
      {{{Criterion::kLimba, "Romana"}, {Criterion::kTipul, "lege"}, {Criterion::kNumarul, "12"}},
       "",
       {1, 21}},
      {{{Criterion::kEmisDeLa, "1/1/2005"}, {Criterion::kEmisPanaLa, "31/12/2005"}},
       "",
       {12, 13, 14}},
      {{{Criterion::kPublicatDeLa, "01/05/2008"}}, "", {21}},
      {{{Criterion::kDomeniul, sanatate}}, "", {9, 10, 11, 12, 13}},
      {{{Criterion::kEmitentul, actsdb::Utf8ToCp1250("Guvernul României")},
        {Criterion::kNumarulPublicatiei, "200"}},
       "",
       {11}},
      {{{Criterion::kNumele, "Monitorul Oficial, Partea a II-a"}}, "", {}},
      // Text words, alone and with other criteria.
      {{{Criterion::kInText, "registrele publice"}}, "oriunde in text", {1, 5, 19, 21}},
      {{{Criterion::kInText, "registrele publice"}}, "apropiate", {1, 19, 21}},
      {{{Criterion::kInText, actsdb::Utf8ToCp1250("registrele publice")},
        {Criterion::kInTitlu, "organizarea"}},
       "expresie",
       {1, 21}},
      {{{Criterion::kInText, "inexistentul"}}, "oriunde in text", {}},
  };
  for (ActsLists* lists : {&partial_, &full_}) {
    for (const Case& c : cases) {
      criteria_->Clear();
      for (const auto& [criterion, text] : c.boxes) criteria_->Enter(criterion, text);
      const int count = Run(*lists, c.mode.empty() ? "oriunde in text" : c.mode);
      const std::string where =
          (lists == &full_ ? "in memory: " : "query: ") + SqlText(criteria_->SqlLines());
      EXPECT_EQ(Listed(lists->data_acte()), c.ids) << where;
      EXPECT_EQ(count, static_cast<int>(c.ids.size())) << where;
    }
  }
}

TEST_F(FilterRunTest, AnUnchangedQueryIsNotRunAgainButFollowsTheTextWords) {
  criteria_->Enter(Criterion::kInTitlu, "registrelor");
  criteria_->Enter(Criterion::kInText, "registrele publice");
  EXPECT_EQ(Run(partial_), 2);  // acts 1 and 21
  EXPECT_EQ(que_acte_->sql(), criteria_->SqlLines());

  // An act of the result leaves the table; as long as the query's text
  // stays the same the query keeps the rows it read.
  actsdb::Table acts(*db_, "tblActe");
  acts.Open();
  ASSERT_TRUE(acts.Locate("IdAct", 21));
  acts.Delete();
  EXPECT_EQ(Run(partial_), 2);
  // Without the text words the same query shows every act of the title.
  criteria_->Enter(Criterion::kInText, "");
  EXPECT_EQ(Run(partial_), 4);
  EXPECT_EQ(Listed(*que_acte_), (Ids{1, 3, 18, 21}));
  // A new text runs the query again.
  criteria_->Enter(Criterion::kAnul, "2001");
  EXPECT_EQ(Run(partial_), 1);
}

TEST_F(FilterRunTest, TheSortClauseEndsTheQuery) {
  criteria_->Enter(Criterion::kDomeniul, actsdb::Utf8ToCp1250("Sănătate"));
  EXPECT_EQ(Run(partial_, "oriunde in text", "Anul DESCENDING"), 5);
  EXPECT_EQ(que_acte_->sql().back(), "ORDER BY Anul DESCENDING");
  EXPECT_EQ(Listed(*que_acte_).front(), 12);
  // The list in memory sorts itself; the clause is not applied there.
  EXPECT_EQ(Run(full_, "oriunde in text", "Anul DESCENDING"), 5);
  EXPECT_EQ(client_acte_->filter_text(), "  (  ( IdDomeniu = 5 )  )  ");
}

TEST_F(FilterRunTest, FindActAndFilterTakeTurns) {
  // A text search first: the find-act search then lists acts regardless of
  // its words.
  criteria_->Enter(Criterion::kInText, "registrele publice");
  for (ActsLists* lists : {&partial_, &full_}) {
    Run(*lists);
    EXPECT_EQ(
        RunFindAct(FindActSqlLines(*tables_, "Lege", "12", "(oricare)"), "", *search_, *lists),
        3);  // acts 1, 2 and 21
    EXPECT_EQ(lists->shown, lists == &full_ ? Shown::kClientActe : Shown::kQueActeMic);
    EXPECT_EQ(Listed(lists->data_acte()), (Ids{1, 2, 21}));
    EXPECT_EQ(RunFindAct(FindActSqlLines(*tables_, "(oricare)", "", ""), "IdAct DESCENDING",
                         *search_, *lists),
              21);
    // The next filter run shows the filter's result again.
    EXPECT_EQ(Run(*lists), 4);
    EXPECT_EQ(lists->shown, lists == &full_ ? Shown::kClientActe : Shown::kQueActe);
    EXPECT_FALSE(que_acte_mic_->active());
  }
}

TEST_F(FilterRunTest, AHiddenHitTestIsSwitchedBackOn) {
  criteria_->Enter(Criterion::kInText, "registrele publice");
  for (ActsLists* lists : {&partial_, &full_}) {
    lists->data_acte().SetFiltered(false);  // as the history window leaves it
    EXPECT_EQ(Run(*lists), 4);
  }
}

}  // namespace
}  // namespace finding
