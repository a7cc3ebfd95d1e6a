#include "viewer/finding/filter_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "actsdb/acts_views.h"
#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "viewer/finding/find_act.h"
#include "viewer/finding/sample_installation.h"

namespace finding {
namespace {

using Ids = std::vector<int64_t>;
using actsdb::ActsList;
using actsdb::LoadMode;

// The acts views of a copy of the sample installation in one load mode at
// a time, with the text search's hit test as the lists' record filter, as
// the viewer opens them.
class FilterRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = ::testing::TempDir() + "filter-run-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(install_);
    std::filesystem::copy(SampleInstallation(), install_, std::filesystem::copy_options::recursive);
  }

  void TearDown() override {
    Close();
    std::filesystem::remove_all(install_);
  }

  void Open(LoadMode mode) {
    Close();
    views_ = std::make_unique<actsdb::ActsViews>(
        [this](int64_t id_act) { return !search_ || search_->Accepts(id_act); });
    views_->Open({install_, install_ + "/" + actsdb::kDatabaseDirName}, mode);
    tables_ = std::make_unique<CodeTables>(views_->database());
    criteria_ = std::make_unique<FilterCriteria>(*tables_);
    dictionary_ = std::make_unique<TableDictionary>(views_->database());
    search_ = std::make_unique<TextSearch>(*dictionary_, views_->database().directory());
    largest_ = LargestActId(views_->database());
  }

  void Close() {
    search_.reset();
    dictionary_.reset();
    criteria_.reset();
    tables_.reset();
    views_.reset();
  }

  // The acts the list shows, in its order.
  static Ids Listed(actsdb::Dataset& list) {
    Ids ids;
    for (bool more = list.First(); more; more = list.Next()) ids.push_back(list.AsInteger("IdAct"));
    return ids;
  }

  int Run(const std::string& mode = "oriunde in text", const std::string& order_by = "") {
    return RunFilter(*criteria_, mode, order_by, largest_, *search_, *views_);
  }

  std::string install_;
  std::unique_ptr<actsdb::ActsViews> views_;
  std::unique_ptr<CodeTables> tables_;
  std::unique_ptr<FilterCriteria> criteria_;
  std::unique_ptr<TableDictionary> dictionary_;
  std::unique_ptr<TextSearch> search_;
  int32_t largest_ = 0;
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
  for (LoadMode mode : {LoadMode::kPartial, LoadMode::kFull}) {
    Open(mode);
    for (const Case& c : cases) {
      criteria_->Clear();
      for (const auto& [criterion, text] : c.boxes) criteria_->Enter(criterion, text);
      const int count = Run(c.mode.empty() ? "oriunde in text" : c.mode);
      const std::string where =
          (mode == LoadMode::kFull ? "in memory: " : "query: ") + SqlText(criteria_->SqlLines());
      EXPECT_EQ(Listed(views_->DataActe()), c.ids) << where;
      EXPECT_EQ(count, static_cast<int>(c.ids.size())) << where;
    }
  }
}

TEST_F(FilterRunTest, AnUnchangedQueryIsNotRunAgainButFollowsTheTextWords) {
  Open(LoadMode::kPartial);
  criteria_->Enter(Criterion::kInTitlu, "registrelor");
  criteria_->Enter(Criterion::kInText, "registrele publice");
  EXPECT_EQ(Run(), 2);  // acts 1 and 21
  EXPECT_EQ(views_->QueActe().sql(), criteria_->SqlLines());

  // An act of the result leaves the table; as long as the query's text
  // stays the same the query keeps the rows it read.
  actsdb::Table acts(views_->database(), "tblActe");
  acts.Open();
  ASSERT_TRUE(acts.Locate("IdAct", 21));
  acts.Delete();
  EXPECT_EQ(Run(), 2);
  // Without the text words the same query shows every act of the title.
  criteria_->Enter(Criterion::kInText, "");
  EXPECT_EQ(Run(), 4);
  EXPECT_EQ(Listed(views_->QueActe()), (Ids{1, 3, 18, 21}));
  // A new text runs the query again.
  criteria_->Enter(Criterion::kAnul, "2001");
  EXPECT_EQ(Run(), 1);
}

TEST_F(FilterRunTest, TheSortClauseEndsTheQuery) {
  Open(LoadMode::kPartial);
  criteria_->Enter(Criterion::kDomeniul, actsdb::Utf8ToCp1250("Sănătate"));
  EXPECT_EQ(Run("oriunde in text", "Anul DESCENDING"), 5);
  EXPECT_EQ(views_->QueActe().sql().back(), "ORDER BY Anul DESCENDING");
  EXPECT_EQ(Listed(views_->QueActe()).front(), 12);
  // The list in memory sorts itself; the clause is not applied there.
  Open(LoadMode::kFull);
  criteria_->Enter(Criterion::kDomeniul, actsdb::Utf8ToCp1250("Sănătate"));
  EXPECT_EQ(Run("oriunde in text", "Anul DESCENDING"), 5);
  EXPECT_EQ(views_->ClientActe().filter_text(), "  (  ( IdDomeniu = 5 )  )  ");
}

TEST_F(FilterRunTest, FindActAndFilterTakeTurns) {
  // A text search first: the find-act search then lists acts regardless of
  // its words.
  for (LoadMode mode : {LoadMode::kPartial, LoadMode::kFull}) {
    Open(mode);
    const bool full = mode == LoadMode::kFull;
    criteria_->Enter(Criterion::kInText, "registrele publice");
    Run();
    EXPECT_EQ(
        RunFindAct(FindActSqlLines(*tables_, "Lege", "12", "(oricare)"), "", *search_, *views_),
        3);  // acts 1, 2 and 21
    EXPECT_EQ(views_->data_acte(), full ? ActsList::kClientActe : ActsList::kQueActeMic);
    EXPECT_EQ(Listed(views_->DataActe()), (Ids{1, 2, 21}));
    EXPECT_EQ(RunFindAct(FindActSqlLines(*tables_, "(oricare)", "", ""), "IdAct DESCENDING",
                         *search_, *views_),
              21);
    // The next filter run shows the filter's result again.
    EXPECT_EQ(Run(), 4);
    EXPECT_EQ(views_->data_acte(), full ? ActsList::kClientActe : ActsList::kQueActe);
    EXPECT_FALSE(views_->QueActeMic().active());
  }
}

TEST_F(FilterRunTest, AHiddenHitTestIsSwitchedBackOn) {
  for (LoadMode mode : {LoadMode::kPartial, LoadMode::kFull}) {
    Open(mode);
    criteria_->Enter(Criterion::kInText, "registrele publice");
    views_->DataActe().SetFiltered(false);  // as the history window leaves it
    EXPECT_EQ(Run(), 4);
  }
}

}  // namespace
}  // namespace finding
