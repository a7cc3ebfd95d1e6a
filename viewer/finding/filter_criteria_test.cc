#include "viewer/finding/filter_criteria.h"

#include <gtest/gtest.h>

#include "actsdb/codepage.h"
#include "viewer/finding/code_tables_fixture.h"

namespace finding {
namespace {

using Texts = std::vector<std::string>;

class FilterCriteriaTest : public CodeTablesTest {
 protected:
  void SetUp() override {
    CodeTablesTest::SetUp();
    criteria_ = std::make_unique<FilterCriteria>(*tables_);
  }

  Texts ValueTexts(Criterion c) const {
    Texts texts;
    for (const CriterionValue& v : criteria_->values(c)) texts.push_back(v.text);
    return texts;
  }

  std::unique_ptr<FilterCriteria> criteria_;
};

const std::string kSelect =
    "SELECT IdAct, IdDomeniu, IdEmitent, IdPublicatie, IdTipAct, NrOficial, Data, DataPub, "
    "Anul, Titlu, Titlu2, Rep,  IndNum, Limba,Numar FROM tblActe\r\n";

TEST_F(FilterCriteriaTest, SqlText) {
  struct Case {
    const char* name;
    std::vector<std::pair<Criterion, std::string>> boxes;
    std::string sql;
  };
  const Case cases[] = {
      {"no criterion", {}, kSelect},
      {"the text words form no group", {{Criterion::kInText, "contract achizitie"}}, kSelect},
      {"two title words",
       {{Criterion::kInTitlu, "Lege, Codul"}},
       kSelect + "\r\nWHERE\r\n(\r\n"
                 "(( Titlu LIKE '%Lege%' ) OR ( Titlu2 LIKE '%Lege%' ))\r\nOR\r\n"
                 "(( Titlu LIKE '%Codul%' ) OR ( Titlu2 LIKE '%Codul%' ))\r\n)\r\n"},
      {"domain and title, in the query's order of groups",
       {{Criterion::kDomeniul, "achizitii publice"}, {Criterion::kInTitlu, "Lege"}},
       kSelect + "\r\nWHERE\r\n(\r\n(( Titlu LIKE '%Lege%' ) OR ( Titlu2 LIKE '%Lege%' ))\r\n)\r\n"
                 "AND\r\n(\r\n( IdDomeniu = 7 )\r\n)\r\n"},
      {"dates",
       {{Criterion::kPublicatPanaLa, "31/12/2005"},
        {Criterion::kEmisDeLa, "1/1/2001"},
        {Criterion::kEmisPanaLa, "02/3/2004"}},
       kSelect +
           "\r\nWHERE\r\n(\r\n( Data >= '1/1/2001' )\r\n)\r\nAND\r\n(\r\n"
           "( Data <= '02/3/2004' )\r\n)\r\nAND\r\n(\r\n( DataPub <= '31/12/2005' )\r\n)\r\n"},
      {"language",
       {{Criterion::kLimba, "Maghiara"}},
       kSelect + "\r\nWHERE\r\n(\r\n( Limba = 'M' )\r\n)\r\n"},
      {"every other criterion, numbers as typed",
       {{Criterion::kLimba, "Romana"},
        {Criterion::kNumarulPublicatiei, "+418"},
        {Criterion::kAnul, "2006"},
        {Criterion::kNumarul, "034"},
        {Criterion::kTipul, "Ordin"},
        {Criterion::kNumele, "Monitorul Oficial"},
        {Criterion::kEmitentul, "Parlamentul"},
        {Criterion::kPublicatDeLa, "1/1/1800"}},
       kSelect + "\r\nWHERE\r\n(\r\n( IdEmitent = 2 )\r\n)\r\nAND\r\n(\r\n( IdPublicatie = 1 )\r\n)"
                 "\r\nAND\r\n(\r\n( IdTipAct = 3 )\r\n)\r\nAND\r\n(\r\n( NrOficial = 034 )\r\n)"
                 "\r\nAND\r\n(\r\n( Anul = 2006 )\r\n)\r\nAND\r\n(\r\n( Numar = +418 )\r\n)"
                 "\r\nAND\r\n(\r\n( Limba = 'R' )\r\n)\r\nAND\r\n(\r\n( DataPub >= '1/1/1800' )"
                 "\r\n)\r\n"},
  };
  for (const Case& c : cases) {
    criteria_->Clear();
    for (const auto& [criterion, text] : c.boxes) criteria_->Enter(criterion, text);
    EXPECT_EQ(SqlText(criteria_->SqlLines()), c.sql) << c.name;
  }
}

TEST_F(FilterCriteriaTest, ClientFilterExpression) {
  criteria_->Enter(Criterion::kInTitlu, "Lege");
  // The line break that followed "WHERE" leaves two blanks in front.
  EXPECT_EQ(ClientFilterExpression(SqlText(criteria_->SqlLines())),
            "  (  (( Titlu LIKE '%Lege%' ) OR ( Titlu2 LIKE '%Lege%' ))  )  ");
  criteria_->Enter(Criterion::kAnul, "2001");
  EXPECT_EQ(ClientFilterExpression(SqlText(criteria_->SqlLines())),
            "  (  (( Titlu LIKE '%Lege%' ) OR ( Titlu2 LIKE '%Lege%' ))  )  AND  (  ( Anul = 2001 )"
            "  )  ");
  EXPECT_EQ(ClientFilterExpression(kSelect), std::nullopt);
}

// Each box's rule, over a sequence of texts typed into it: what the
// criterion holds after each, and whether the text was refused.
TEST_F(FilterCriteriaTest, AcceptanceRules) {
  struct Step {
    std::string text;
    Texts values;
    bool refused = false;
  };
  struct Case {
    Criterion criterion;
    std::vector<Step> steps;
  };
  const std::string hotarare = actsdb::Utf8ToCp1250("Hotărâre");
  const Case cases[] = {
      {Criterion::kInTitlu,
       {{"Lege", {"Lege"}},
        // Words of three letters or fewer make no value; case is kept.
        {"cod LEGEA, privind-achizitiile 2006", {"LEGEA", "privind", "achizitiile"}},
        {"cod de", {}}}},
      {Criterion::kInText,
       {{actsdb::Utf8ToCp1250("legislaţia muncii"), {actsdb::Utf8ToCp1250("legislaţia"), "muncii"}},
        {"", {}}}},
      {Criterion::kTipul,
       {{"Lege", {"Lege"}},
        // Only the first letter is raised, and only an ASCII one.
        {"lege", {"Lege"}},
        {"LEGE", {}, true},
        {actsdb::Utf8ToCp1250("hotărâre"), {hotarare}},
        {"Lege ", {}, true},
        {"(oricare)", {}, true},
        {"", {}}}},
      {Criterion::kEmitentul, {{"guvernul", {"Guvernul"}}, {"Nimeni", {}, true}}},
      {Criterion::kLimba,
       {{"Romana", {"Romana"}}, {"(oricare)", {}}, {"Maghiara", {"Maghiara"}}, {"", {}}}},
      {Criterion::kNumarul,
       {{"24", {"24"}},
        {"24a", {}, true},
        {"-3", {"-3"}},
        {"+7", {"+7"}},
        {"+-7", {}, true},
        {"0x1F", {}, true},
        {" 12", {}, true},
        {"99999999999", {}, true},
        {"12", {"12"}},
        // Emptying the box removes the criterion.
        {"", {}}}},
      {Criterion::kAnul, {{"1990", {"1990"}}, {"199O", {}, true}}},
      {Criterion::kNumarulPublicatiei,
       // The previous value stays through a bad or empty text.
       {{"418", {"418"}}, {"41a", {"418"}, true}, {"", {"418"}}, {"12", {"12"}}}},
      {Criterion::kEmisDeLa,
       {{"1/1/2001", {"1/1/2001"}},
        {"1/1/200", {"1/1/2001"}, true},
        {"31/2/2001", {"1/1/2001"}, true},
        {"1-1-2001", {"1/1/2001"}, true},
        {"", {"1/1/2001"}},
        {"29/2/2004", {"29/2/2004"}}}},
  };
  for (const Case& c : cases) {
    for (const Step& step : c.steps) {
      EXPECT_EQ(criteria_->Enter(c.criterion, step.text), !step.refused)
          << Caption(c.criterion) << " \"" << step.text << "\"";
      EXPECT_EQ(ValueTexts(c.criterion), step.values)
          << Caption(c.criterion) << " \"" << step.text << "\"";
    }
  }
}

TEST_F(FilterCriteriaTest, LookupKeepsTheRowId) {
  ASSERT_TRUE(criteria_->Enter(Criterion::kDomeniul, "Achizitii publice"));
  EXPECT_EQ(criteria_->values(Criterion::kDomeniul),
            (std::vector<CriterionValue>{{"Achizitii publice", 7}}));
  EXPECT_EQ(tables_->NameOfCode(Criterion::kTipul, "C2"), actsdb::Utf8ToCp1250("Hotărâre"));
  EXPECT_EQ(tables_->NameOfCode(Criterion::kTipul, "c2"), std::nullopt);
  EXPECT_EQ(tables_->Names(Criterion::kEmitentul), (Texts{"Guvernul", "Parlamentul"}));
}

TEST_F(FilterCriteriaTest, ValuesExpandTheirGroupAndClearRemovesEverything) {
  EXPECT_FALSE(criteria_->expanded(CriteriaGroup::kData));
  criteria_->Enter(Criterion::kPublicatPanaLa, "1/1/2010");
  criteria_->Enter(Criterion::kInText, "contract");
  EXPECT_TRUE(criteria_->expanded(CriteriaGroup::kData));
  EXPECT_TRUE(criteria_->expanded(CriteriaGroup::kCuvinte));
  EXPECT_FALSE(criteria_->expanded(CriteriaGroup::kProprietati));
  EXPECT_EQ(criteria_->TextWords(), (Texts{"contract"}));

  criteria_->Clear();
  for (size_t c = 0; c < kCriterionCount; ++c) EXPECT_FALSE(criteria_->active(Criterion(c)));
  for (size_t g = 0; g < kGroupCount; ++g) EXPECT_FALSE(criteria_->expanded(CriteriaGroup(g)));
  // A date box that only the clear could empty takes a new value again.
  EXPECT_TRUE(criteria_->Enter(Criterion::kPublicatPanaLa, "2/2/2002"));
  EXPECT_EQ(ValueTexts(Criterion::kPublicatPanaLa), (Texts{"2/2/2002"}));
}

}  // namespace
}  // namespace finding
