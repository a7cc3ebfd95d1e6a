#include "viewer/finding/text_words.h"

#include <gtest/gtest.h>

#include "actsdb/codepage.h"

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

}  // namespace
}  // namespace finding
