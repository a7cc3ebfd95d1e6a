#include "actsdb/codepage.h"

#include <gtest/gtest.h>

#include <vector>

namespace actsdb {
namespace {

TEST(CodepageTest, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1250ToUtf8(all);
  EXPECT_TRUE(LooksLikeUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1250(utf8), all);
}

TEST(CodepageTest, RomanianLettersBothSpellings) {
  struct Case {
    const char* utf8;
    const char* cp1250;
  } cases[] = {
      {"Hotărâre", "Hot\xE3r\xE2re"},
      {"ÎNVĂŢĂMÂNT", "\xCENV\xC3\xDE\xC3M\xC2NT"},
      {"şi ţară", "\xBAi \xFE" "ar\xE3"},      // cedilla forms
      {"și țară", "\xBAi \xFE" "ar\xE3"},      // comma-below forms map to cedilla
      {"ȘI ȚARĂ", "\xAAI \xDE" "AR\xC3"},
      {"€ „x” …", "\x80 \x84x\x94 \x85"},
      {"日本", "??"},                         // outside the code page
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCp1250(c.utf8), c.cp1250) << c.utf8;
}

// Each output byte knows where its character began, so that a caller can
// put its changes into the UTF-8 bytes it was given.
TEST(CodepageTest, EachByteKnowsWhereItsCharacterBegan) {
  std::vector<size_t> starts;
  EXPECT_EQ(Utf8ToCp1250("\xEF\xBB\xBF" "a\xC8\x99\xE2\x89\xA5\xE3z", &starts), "?a\xBA?\xE3z");
  EXPECT_EQ(starts, (std::vector<size_t>{0, 3, 4, 6, 9, 10}));
}

TEST(CodepageTest, MalformedUtf8IsTakenAsCp1250) {
  EXPECT_EQ(Utf8ToCp1250("Hot\xE3r\xE2re"), "Hot\xE3r\xE2re");
  EXPECT_FALSE(LooksLikeUtf8("Hot\xE3r\xE2re"));
  EXPECT_FALSE(LooksLikeUtf8("plain ascii"));
}

TEST(CodepageTest, SystemUpperCasing) {
  EXPECT_EQ(UpperCase("hot\xE3r\xE2re \xBAi \xFE \xEE abc \xB9\xB3\x9A\xBF"),
            "HOT\xC3R\xC2RE \xAAI \xDE \xCE ABC \xA5\xA3\x8A\xAF");
  // Not letters, or no capital in the code page: kept.
  EXPECT_EQ(UpperCase("\xF7\xDF\xB5\xFF 1/2"), "\xF7\xDF\xB5\xFF 1/2");
}

TEST(CodepageTest, FoldRomanianToAscii) {
  std::string s = "\xC3\xC2\xCE\xAA\xDE\xE3\xE2\xEE\xBA\xFE\xE9";
  for (char& c : s) c = FoldRomanian(c);
  EXPECT_EQ(s, "AAISTaaist\xE9");
}

}  // namespace
}  // namespace actsdb
