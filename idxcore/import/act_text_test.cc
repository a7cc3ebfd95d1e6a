#include "idxcore/import/act_text.h"

#include <iterator>
#include <ostream>
#include <random>
#include <utility>

#include <gtest/gtest.h>

#include "actsdb/stemming.h"

namespace idxcore {

// For failure messages: each stem with its positions.
void PrintTo(const WordSet& words, std::ostream* out) {
  for (size_t i = 0; i < words.size(); ++i) {
    *out << (i ? " " : "") << words.stem(i) << ":";
    for (int p : words.positions(i)) *out << " " << p;
  }
}

namespace {

using Lines = std::vector<std::string>;

// A word set of stems and their positions, given in any order.
WordSet Words(const std::vector<std::pair<std::string, std::vector<int>>>& stems) {
  WordSet words;
  for (const auto& [stem, positions] : stems) {
    for (int p : positions) IntroWord(words, stem, p);
  }
  return words;
}

HeadingDefs TestDefs() {
  return ParseHeadingDefinitions({"Capitol", "2", "Capitolul", "CAPITOLUL", "***",  //
                                  "Articol", "5", "Articolul", "Art.", "***",       //
                                  "Alineat", "6", "(#num)", "***"},
                                 "test");
}

struct Parts {
  long next_id = 101;
  Lines labels;
  AddPartFn fn() {
    return [this](const std::string& label) {
      labels.push_back(label);
      return next_id++;
    };
  }
};

const Lines kAct = {
    "#L P 2000 10 0",
    "#ACH",
    "#D: 1/1/2000",
    "#M.Of. nr. 1",
    "privind contractele contractelor",
    "#",
    " CAPITOLUL I",
    " Dispozitii generale",
    " Art. 1\tunu\t",
    "(1) Contractele se incheie.",
    " CAPITOLUL II",
    " Art. 2 text",
    " xyz",
};

TEST(ActTextTest, PartsStructureHypertextAndWords) {
  const HeadingDefs defs = TestDefs();
  HypertextState state;
  Parts parts;
  const ConvertedAct act = ConvertActText(kAct, defs, state, ImportVariant::kPlain, parts.fn());

  // The tab inside the line became a blank; the one at its end stayed.
  EXPECT_EQ(parts.labels, (Lines{"CAPITOLUL I", "Art. 1 ", "(1) ", "CAPITOLUL II", "Art. 2 "}));
  EXPECT_EQ(act.structure,
            "Actul\r\n"
            "\tCAPITOLUL I#101#\r\n"
            "\t\tArt. 1 #102#unu\t\r\n"
            "\t\t\t(1) #103#Contractele se incheie.\r\n"
            "\tCAPITOLUL II#104#\r\n"
            "\t\tArt. 2 #105#text\r\n");
  EXPECT_EQ(act.hypertext, (Lines{"privind contractele contractelor<BR>",
                                  "<a name=101> </a>",
                                  " <t5>CAPITOLUL I</t5>",
                                  "<t4> Dispozitii generale</t4>",
                                  "<a name=102> </a>",
                                  " <b>Art. 1 </b>unu\t<BR>",
                                  "<a name=103> </a>",
                                  "<b>(1) </b>Contractele se incheie.<BR>",
                                  "<a name=104> </a>",
                                  " <t5>CAPITOLUL II</t5>",
                                  "<a name=105> </a>",
                                  " <b>Art. 2 </b>text<BR>",
                                  " xyz<BR>"}));
  EXPECT_EQ(act.HypertextText().substr(0, 38), "privind contractele contractelor<BR>\r\n");
  // Positions count only words of four letters or more, over all lines.
  EXPECT_EQ(act.words, Words({{"CAPITOL", {3, 8}},
                              {"CONTRACT", {2}},
                              {"CONTRACTEL", {1, 6}},
                              {"DISPOZIT", {4}},
                              {"GENERAL", {5}},
                              {"INCHEI", {7}},
                              {"PRIVIND", {0}},
                              {"TEXT", {9}}}));
}

TEST(ActTextTest, TokensOfOneStemShareItsPositionsInTextOrder) {
  HypertextState state;
  Parts parts;
  const ConvertedAct act = ConvertActText({"Legea legile LEGEA", "legii Legii legea"}, TestDefs(),
                                          state, ImportVariant::kPlain, parts.fn());
  EXPECT_EQ(act.words, Words({{"LEG", {0, 2, 3, 4, 5}}, {"LEGIL", {1}}}));
}

// The word set as its rules build it: each line's tokens stemmed one by one
// and filed in text order, each stem's run growing in the middle of the set.
WordSet WordsAsFiled(const Lines& lines) {
  WordSet words;
  int position = 0;
  for (const std::string& line : lines) {
    for (const std::string& token : ParseLine(line, CharSet::kLetter, 3)) {
      IntroWord(words, actsdb::DictionaryStem(token), position++);
    }
  }
  return words;
}

TEST(ActTextTest, WordsAgreeWithStemmingEveryTokenOnItsOwn) {
  // Thousands of distinct tokens, long ones cut to the stem width, endings
  // that merge tokens into one stem, and words repeated far apart.
  const char* const endings[] = {"", "UL", "ULUI", "ILOR", "ELE", "A", "E", "II"};
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> letter('A', 'Z');
  std::uniform_int_distribution<int> length(1, 30);
  std::uniform_int_distribution<size_t> ending(0, std::size(endings) - 1);
  std::vector<std::string> vocabulary;
  for (int i = 0; i < 6000; ++i) {
    std::string word;
    for (int n = length(random); n > 0; --n) word += static_cast<char>(letter(random));
    vocabulary.push_back(word + endings[ending(random)]);
  }
  std::uniform_int_distribution<size_t> pick(0, vocabulary.size() - 1);
  Lines lines = {"#"};
  for (int i = 0; i < 3000; ++i) {
    std::string line = " x";
    for (int n = 0; n < 8; ++n) line += " " + vocabulary[pick(random)];
    lines.push_back(line);
  }
  HypertextState state;
  Parts parts;
  const ConvertedAct act = ConvertActText(lines, TestDefs(), state, ImportVariant::kPlain, parts.fn());
  EXPECT_EQ(act.words, WordsAsFiled(lines));
}

TEST(ActTextTest, WordSetsEqualByStemsAndPositionsNotByLayout) {
  // Built in another order, the stems lie elsewhere in the buffer and the
  // runs move, but the sets are the same.
  const WordSet words = Words({{"LEG", {0, 4}}, {"ART", {1}}, {"ZI", {2, 3}}});
  EXPECT_EQ(words, Words({{"ZI", {2, 3}}, {"ART", {1}}, {"LEG", {0, 4}}}));
  const std::vector<std::pair<std::string, std::vector<int>>> others[] = {
      {{"LEG", {0, 4}}, {"ART", {1}}, {"ZA", {2, 3}}},   // a stem
      {{"LEG", {0, 5}}, {"ART", {1}}, {"ZI", {2, 3}}},   // a position
      {{"LEG", {0}}, {"ART", {1, 4}}, {"ZI", {2, 3}}},   // a position's stem
      {{"LEG", {0, 4}}, {"ART", {1}}, {"ZI", {2}}},      // a position less
      {{"LEG", {0, 4}}, {"ART", {1}}},                   // a stem less
      {{"LEG", {0, 4}}, {"ART", {1}}, {"ZI", {2, 3}}, {"ZIL", {5}}},  // a stem more
  };
  for (const auto& other : others) {
    EXPECT_FALSE(words == Words(other)) << ::testing::PrintToString(Words(other));
  }
  EXPECT_EQ(words.stem(0), "ART");
  EXPECT_EQ(std::vector<int>(words.positions(1).begin(), words.positions(1).end()),
            (std::vector<int>{0, 4}));
}

TEST(ActTextTest, VariantsTreatTitlesTabsAndLabelsDifferently) {
  const HeadingDefs defs = TestDefs();
  const Lines lines = {"#", " Art. 3 ~L P 1 2000 Legea~", " Art. 4\tx"};
  struct Case {
    ImportVariant variant;
    const char* structure;
  } cases[] = {
      {ImportVariant::kPlain, "Actul\r\n\tArt. 3 #1# Legea\r\n\tArt. 4 #2#x\r\n"},
      {ImportVariant::kWithModifications,
       "Actul\r\n\tArt. 3 #1#~L P 1 2000 Legea~\r\n\tArt. 4 #2#x\r\n"},
      // No tab blanking: "Art. 4" is followed by a tab, which ends the label.
      {ImportVariant::kStream, "Actul\r\n\tArt. 3 #1# Legea\r\n\tArt. 4#2#\tx\r\n"},
  };
  for (const Case& c : cases) {
    HypertextState state;
    long id = 1;
    const ConvertedAct act =
        ConvertActText(lines, defs, state, c.variant, [&](const std::string&) { return id++; });
    EXPECT_EQ(act.structure, c.structure) << static_cast<int>(c.variant);
  }
}

TEST(ActTextTest, UnmatchedAndLevelPlacedHeadings) {
  // Levels 3, 3, 2, 4: siblings, then up to the root, then down.
  const HeadingDefs defs = ParseHeadingDefinitions(
      {"S", "3", "Sec", "***", "C", "2", "Cap", "***", "P", "4", "Par", "***"}, "test");
  HypertextState state;
  Parts parts;
  const ConvertedAct act = ConvertActText(
      {"Sec 1", "Sec 2", "Cap 1", "Par 1", "Sec 3"}, defs, state, ImportVariant::kPlain, parts.fn());
  EXPECT_EQ(act.structure,
            "Actul\r\n"
            "\tSec 1#101#\r\n"
            "\tSec 2#102#\r\n"
            "\tCap 1#103#\r\n"
            "\t\tPar 1#104#\r\n"
            "\t\tSec 3#105#\r\n");

  // An act without headings has only the root.
  Parts none;
  EXPECT_EQ(ConvertActText({"#", " text"}, defs, state, ImportVariant::kPlain, none.fn()).structure,
            "Actul\r\n");
  EXPECT_TRUE(none.labels.empty());
}

TEST(ActTextTest, ErrorsNameTheSourceLine) {
  const HeadingDefs defs = TestDefs();
  HypertextState state;
  Parts parts;
  const std::vector<size_t> origin = {1, 2, 7};
  try {
    ConvertActText({"#", " a", " b ~L P 1~"}, defs, state, ImportVariant::kPlain, parts.fn(),
                   &origin);
    ADD_FAILURE();
  } catch (const ImportError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("line 7: ", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace idxcore
