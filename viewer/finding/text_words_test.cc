#include "viewer/finding/text_words.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "actsdb/codepage.h"
#include "actsdb/stemming.h"
#include "idxcore/import/text_parsing.h"

namespace finding {
namespace {

using Words = std::vector<std::string>;

TEST(SplitTextWordsTest, LettersOfMoreThanThreeCharacters) {
  const std::pair<std::string, Words> cases[] = {
      {"Legea privind achizitiile", {"Legea", "privind", "achizitiile"}},
      // Short words, digits and punctuation are dropped; case is kept.
      {"art. 12, alin. (3) din LEGE", {"alin", "LEGE"}},
      {"art12legea;unu", {"legea"}},
      // Romanian letters belong to words, in both cases.
      {actsdb::Utf8ToCp1250("legislaţie ÎNVĂŢĂMÂNT şcoală"),
       {actsdb::Utf8ToCp1250("legislaţie"), actsdb::Utf8ToCp1250("ÎNVĂŢĂMÂNT"),
        actsdb::Utf8ToCp1250("şcoală")}},
      // Other accented letters separate words, as they do in the index.
      {actsdb::Utf8ToCp1250("Kérelem"), {"relem"}},
      {"", {}},
      {"  abc de  ", {}},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(SplitTextWords(text), want) << text;
}

TEST(SearchStemTest, FoldsThenStemsAndCuts) {
  const std::pair<std::string, std::string> cases[] = {
      {"contractelor", "contract"},
      {"Legile", "Legil"},
      {"legislatie", "legislati"},
      // Diacritics fold before the ending is matched.
      {actsdb::Utf8ToCp1250("legislaţie"), "legislati"},
      {actsdb::Utf8ToCp1250("LEGISLAŢIEI"), "LEGISLATI"},
      {actsdb::Utf8ToCp1250("ştiinţă"), "stiint"},
      // Cut to the dictionary's 25 characters after the ending is removed.
      {"Abcdefghijklmnopqrstuvwxyzabcdefu", "Abcdefghijklmnopqrstuvwxy"},
  };
  for (const auto& [word, want] : cases) EXPECT_EQ(SearchStem(word), want) << word;
}

// Every word of the real act texts, typed as it stands in the text, meets
// the stem the importer stores for it.
TEST(SearchStemTest, MeetsTheIndexStemsOfTheCorpus) {
  namespace fs = std::filesystem;
  const char* corpus = std::getenv("CORVANA_CORPUS");
  if (corpus == nullptr || !fs::exists(fs::path(corpus) / "acts")) {
    GTEST_SKIP() << "no act corpus (CORVANA_CORPUS)";
  }
  for (const auto& file : fs::directory_iterator(fs::path(corpus) / "acts")) {
    std::ifstream in(file.path(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      Words searched;
      for (const std::string& word : SplitTextWords(line)) {
        searched.push_back(actsdb::UpperCase(SearchStem(word)));
      }
      Words indexed;
      for (const std::string& token : idxcore::ParseLine(line, idxcore::CharSet::kLetter, 3)) {
        indexed.push_back(actsdb::DictionaryStem(token));
      }
      ASSERT_EQ(searched, indexed) << file.path() << ": " << actsdb::Cp1250ToUtf8(line);
    }
  }
}

}  // namespace
}  // namespace finding
