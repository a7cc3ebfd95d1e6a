#include "actsdb/stemming.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "actsdb/codepage.h"

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

// The rule as written: upper-case the word, try the endings in order.
std::string PlainFaraTerm(std::string_view word) {
  const std::string u = UpperCase(word);
  for (std::string_view suffix : kSuffixes) {
    if (u.ends_with(suffix)) return std::string(word.substr(0, word.size() - suffix.size()));
  }
  return std::string(word);
}

TEST(StemmingTest, AgreesWithThePlainRuleOnEveryShortWord) {
  // Every word of up to five letters from the letters the endings use, in
  // both cases, with a code page lower-case letter and one no ending has.
  const std::string letters = "AEILORUael\xEEX";
  std::vector<std::string> words = {""};
  for (size_t begin = 0, length = 0; length < 5; ++length) {
    const size_t end = words.size();
    for (size_t w = begin; w < end; ++w) {
      for (char c : letters) words.push_back(words[w] + c);
    }
    begin = end;
  }
  for (const std::string& word : words) {
    ASSERT_EQ(FaraTerm(word), PlainFaraTerm(word)) << word;
    ASSERT_EQ(DictionaryStemLength(word), FaraTerm(word).size()) << word;
  }
  const std::string long_word = "DEZINSTITUTIONALIZAREAMENTELORILOR";
  EXPECT_EQ(DictionaryStemLength(long_word), kMaxStemLength);
}

}  // namespace
}  // namespace actsdb
