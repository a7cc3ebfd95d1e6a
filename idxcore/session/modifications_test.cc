#include "idxcore/session/modifications.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace idxcore {
namespace {

TEST(ActKeyTest, PutsTheNumberBeforeTheYear) {
  const struct {
    const char* text;
    bool default_republication;
    const char* key;
  } cases[] = {
      {"L PARL 2001 12 0", false, "L PARL 12 2001 0"},
      {"oug guv 2002 5 1", false, "OUG GUV 5 2002 1"},
      {"L PARL 2001 12", true, "L PARL 12 2001 0"},
      // Folded letters and separators other than blanks.
      {"HOT GUV, 2004. 300 0", false, "HOT GUV 300 2004 0"},
      {"L P\xAA 2001 12 0 M", false, "L PS 12 2001 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ActKeyFromText(c.text, c.default_republication), c.key) << c.text;
  }
  EXPECT_THROW(ActKeyFromText("L PARL 2001 12", false), ModificationError);
  EXPECT_THROW(ActKeyFromText("L PARL 2001", true), ModificationError);
}

TEST(ActModificationTest, CutsTheLineAtItsSeparator) {
  const ActModification m = ParseActModification("M L PARL 2001 12 0##OUG GUV 2002 5 0");
  EXPECT_EQ(m.type_code, "M");
  EXPECT_EQ(m.modified, "L PARL 2001 12 0");
  EXPECT_EQ(m.modifying, "OUG GUV 2002 5 0");

  const ActModification four = ParseActModification("A OG GUV 2003 8##L PARL 2003 45 0");
  EXPECT_EQ(ActKeyFromText(four.modified, true), "OG GUV 8 2003 0");

  for (const char* bad : {"M L PARL 2001 12 0 OUG GUV 2002 5 0",  // no "#"
                          "M L PARL 2001 12 0##OUG GUV 2002 5",   // modifying act short
                          "M L 2001##OUG GUV 2002 5 0",           // modified act short
                          "M#"}) {
    EXPECT_THROW(ParseActModification(bad), ModificationError) << bad;
  }
}

TEST(PartModificationTest, ReadsFifteenWords) {
  const PartModification m =
      ParsePartModification("OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 Art 13");
  EXPECT_EQ(m.modifying_key, "OUG GUV 5 2002 0");
  EXPECT_EQ(m.modifying_kind, 'A');
  EXPECT_EQ(m.modifying_number, 1);
  EXPECT_EQ(m.type_code, "M");
  EXPECT_EQ(m.modified_key, "L PARL 12 2001 0");
  EXPECT_EQ(m.modified_kind, 'A');
  EXPECT_EQ(m.modified_number, 13);

  EXPECT_THROW(ParsePartModification("OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A"),
               ModificationError);
  EXPECT_THROW(ParsePartModification("OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 5a"),
               ModificationError);
  EXPECT_THROW(ParsePartModification("OUG GUV 2002 5 0 A X M L PARL 2001 12 0 A 5"),
               ModificationError);
}

TEST(PartNumberTest, ReadsDigitsRomanNumeralsAndCountsAnnexes) {
  const struct {
    const char* label;
    int number;
  } cases[] = {
      {"Articolul 12", 12},  {"Art. 12.", 12},       {"12.", 12},
      {"Articolul 19 ", 19},  // a heading followed by text keeps its blank
      {"Articolul 5^1", 1},  {"Capitolul VIII", 8},  {"Capitolul IV", 4},
      {"Capitolul III", 3},  {"Capitolul IX", 9},    {"Capitolul X", 10},
      {"Capitolul XI", 1},   {"Titlul VII ", 7},     {"Actul", 0},
      {"Anexa nr. 2", 2},    {"", 0},
  };
  for (const auto& c : cases) {
    int annexes = 0;
    EXPECT_EQ(PartNumber(c.label, annexes), c.number) << '"' << c.label << '"';
    EXPECT_EQ(annexes, 0) << c.label;
  }
  int annexes = 0;
  EXPECT_EQ(PartNumber("ANEXA", annexes), 1);
  EXPECT_EQ(PartNumber("Anexa", annexes), 2);
  EXPECT_EQ(annexes, 2);
}

TEST(FindPartTest, FindsByKindAndNumberOrFallsBackToTheLastPart) {
  const std::vector<std::string> labels = {
      "Actul",       "Capitolul I",  "Articolul 1", "Articolul 2 ", "Capitolul II",
      "Secţiunea 1", "Articolul 12.", "ANEXA",       "ANEXA",        "Anexa nr. 3"};
  const struct {
    char kind;
    int number;
    size_t index;
  } cases[] = {
      {'T', 0, 0},  {'C', 1, 1},  {'A', 2, 3}, {'C', 2, 4}, {'S', 1, 5},
      {'A', 12, 6}, {'X', 1, 7},  {'X', 2, 8}, {'X', 3, 9},
      {'A', 5, 9},   // no article 5: the last part
      {'Q', 0, 9},   // an unknown kind matches nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindPart(labels, c.kind, c.number), c.index) << c.kind << c.number;
  }
}

}  // namespace
}  // namespace idxcore
