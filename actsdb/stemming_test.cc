#include "actsdb/stemming.h"

#include <gtest/gtest.h>

namespace actsdb {
namespace {

TEST(StemmingTest, FirstMatchingEndingIsRemoved) {
  struct Case {
    const char* word;
    const char* stem;
  } cases[] = {
      {"COPII", "COP"},                // II
      {"COPIILOR", "COP"},             // IILOR, not only ILOR
      {"LEGILOR", "LEG"},              // ILOR
      {"GUVERNULUI", "GUVERN"},        // ULUI
      {"IDEEIA", "IDE"},               // EIA before EA
      {"LEGEA", "LEG"},                // EA
      {"LEGILE", "LEGIL"},             // E is tried before ILE
      {"PARTILE", "PARTIL"},
      {"ARTICOLELE", "ARTICOLEL"},     // E before ELE
      {"ARTICOLUL", "ARTICOL"},        // UL
      {"CONTRACTELOR", "CONTRACT"},    // ELOR (R ends no earlier ending)
      {"PROCEDURA", "PROCEDUR"},       // A
      {"CONTRACT", "CONTRACT"},        // no ending
      {"ELOR", ""},                    // the word is an ending
      {"U", ""},                       // shorter than later endings, compared whole
      {"", ""},
      // The search stems words as typed; the ending is found on the
      // upper-cased word but the word keeps its case.
      {"Legile", "Legil"},
      {"contractelor", "contract"},
      {"\xEEntreprinderii", "\xEEntreprinder"},  // îintreprinderii, code page lower case
  };
  for (const Case& c : cases) EXPECT_EQ(FaraTerm(c.word), c.stem) << c.word;
}

TEST(StemmingTest, DictionaryStemIsCutToTheColumnWidth) {
  const std::string long_word = "DEZINSTITUTIONALIZAREAMENTELORX";  // 31 letters, no ending
  EXPECT_EQ(DictionaryStem(long_word), long_word.substr(0, 25));
  EXPECT_EQ(DictionaryStem("LEGILOR"), "LEG");
}

}  // namespace
}  // namespace actsdb
