#include "viewer/finding/grid_columns.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace finding {
namespace {

const std::vector<ListField> kFields = {
    {"IdAct", "IdAct"}, {"NrOficial", "Numarul"}, {"Titlu", "Titlu"}, {"DispTitlu", "Titlu complet"}};

std::string Describe(const ColumnLayout& layout) {
  std::string text;
  for (const GridColumn& c : layout) {
    text += c.field + "/" + c.caption + "/" + std::to_string(c.width) + (c.visible ? "+ " : "- ");
  }
  return text;
}

TEST(GridColumnsTest, DefaultLayoutShowsTheTitlesFirstAndHidesTheIds) {
  EXPECT_EQ(Describe(DefaultLayout(kFields)),
            "DispTitlu/Titlu complet/230+ Titlu/Titlu/420+ NrOficial/Numarul/70+ IdAct/IdAct/64- ");
}

TEST(GridColumnsTest, LayoutFileRoundTripKeepsOrderWidthsAndRomanianCaptions) {
  const ColumnLayout layout = {{"Titlu", "Titlul \xBA" "i data", 0, false},  // Windows-1250
                               {"NrOficial", "Numarul", 75, true}};
  const std::string path = ::testing::TempDir() + "/grila.dat";
  SaveLayout(path, layout);
  EXPECT_EQ(Describe(LoadLayout(path)), Describe(layout));
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST(GridColumnsTest, DamagedOrMissingFileIsAnErrorThatSaysWhere) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "grila.dat is empty"},
      {"Titlu\tTitlu\t80\t1\n", "first line"},
      {"grila 1\nTitlu\tTitlu\t80\n", "line 2"},
      {"grila 1\r\nTitlu\tTitlu\t80\t1\r\nAnul\tAnul\t-4\t1\r\n", "line 3"},
      {"grila 1\nTitlu\tTitlu\twide\t1\n", "line 2"},
  };
  for (const auto& c : cases) {
    try {
      ParseLayout(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(LoadLayout(::testing::TempDir() + "/absent/grila.dat"), std::runtime_error);
}

TEST(GridColumnsTest, SavedLayoutIsMatchedToTheFieldsOfTheList) {
  // A saved column of a field the list no longer has is dropped; a field
  // the file does not know joins as the default has it; captions follow
  // the list's labels.
  const ColumnLayout saved = {{"Titlu", "Titlu", 300, true},
                              {"Gone", "Gone", 10, true},
                              {"NrOficial", "Nr", 0, false}};
  EXPECT_EQ(Describe(MatchLayout(saved, kFields)),
            "Titlu/Titlu/300+ NrOficial/Numarul/0- DispTitlu/Titlu complet/230+ IdAct/IdAct/64- ");
}

TEST(ColumnChooserTest, ZeroWidthIsOfferedAsFiftyAndAppliedAsFifty) {
  ColumnLayout layout = {{"Titlu", "Titlu", 0, true}, {"Anul", "Anul", 45, false}};
  std::vector<ChooserRow> rows = ChooserRows(layout);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].width, "50");
  EXPECT_TRUE(rows[0].checked);
  EXPECT_EQ(rows[1].width, "45");
  EXPECT_FALSE(rows[1].checked);
  rows[1].checked = true;
  ApplyChooserRows(rows, &layout);
  EXPECT_EQ(Describe(layout), "Titlu/Titlu/50+ Anul/Anul/45+ ");
}

TEST(ColumnChooserTest, BadWidthStopsAtItsColumn) {
  ColumnLayout layout = {{"A", "A", 10, true}, {"B", "B", 20, true}, {"C", "C", 30, true}};
  const std::vector<ChooserRow> rows = {{"A", false, "11"}, {"B", false, "lat"}, {"C", false, "33"}};
  try {
    ApplyChooserRows(rows, &layout);
    FAIL() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("'lat'"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Describe(layout), "A/A/11- B/B/20+ C/C/30+ ");
}

}  // namespace
}  // namespace finding
