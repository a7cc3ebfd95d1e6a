#include "viewer/viewing/hit_marking.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actsdb/compress.h"
#include "viewer/finding/text_words.h"

namespace viewing {
namespace {

// Hit n wrapped around `word`, as the page shows it.
std::string Hit(int n, const std::string& word) {
  return "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a><a name=\"tp+" + std::to_string(n) +
         "\">" + word + "</a><a href=\"#tp+" + std::to_string(n + 1) + "\"> >> </a>";
}

std::vector<std::string> Stems(const std::string& typed) {
  std::vector<std::string> stems;
  for (const std::string& word : finding::SplitTextWords(typed)) {
    stems.push_back(finding::SearchStem(word));
  }
  return stems;
}

TEST(MarkHitsTest, MarksWholeWordsOfTheTextOnly) {
  // "LEGEA" and the dots: the next word starts 200 bytes after it.
  const std::string far(195, '.');
  struct Case {
    const char* name;
    std::string typed;  // as the user types the words
    std::string text;
    std::string marked;
  };
  const Case cases[] = {
      {"every inflected form, at word starts only", "contractul",
       "Contractul, subcontractul si CONTRACTELE<BR>",
       Hit(1, "Contractul") + ", subcontractul si " + Hit(2, "CONTRACTELE") + "<BR>"},
      {"typed with diacritics", "munc\xE3", "munca si munc\xE3 si MUNCII<BR>",
       Hit(1, "munca") + " si " + Hit(2, "munc\xE3") + " si " + Hit(3, "MUNCII") + "<BR>"},
      {"typed without diacritics", "munca", "munc\xE3<BR>", Hit(1, "munc\xE3") + "<BR>"},
      {"the links and anchors of the text stay whole", "legea",
       "<a name=12> </a><a href=\"file:///opt/c/lgLEGE P 1 2000.htm\"> Legea 1</a><BR>",
       "<a name=12> </a><a href=\"file:///opt/c/lgLEGE P 1 2000.htm\"> " + Hit(1, "Legea") +
           " 1</a><BR>"},
      {"a word right after a tag and at the start", "legea", "Legea <b>legii</b><BR>",
       Hit(1, "Legea") + " <b>" + Hit(2, "legii") + "</b><BR>"},
      {"a character reference is markup", "nbsp", "a&nbsp;b<BR>", "a&nbsp;b<BR>"},
      {"a less-than sign of the text", "lege", "x < 5 lege<BR>", "x < 5 " + Hit(1, "lege") + "<BR>"},
      {"words near each other", "legea privind", "LEGEA nr. 1 privind<BR>",
       Hit(1, "LEGEA") + " nr. 1 " + Hit(2, "privind") + "<BR>"},
      {"word starts 200 bytes apart: no hit", "legea privind", "LEGEA" + far + "privind",
       "LEGEA" + far + "privind"},
      {"word starts 199 bytes apart", "legea privind", "LEGEA" + far.substr(1) + "privind",
       Hit(1, "LEGEA") + far.substr(1) + Hit(2, "privind")},
      {"no search word", "", "Legea<BR>", "Legea<BR>"},
  };
  for (const Case& c : cases) {
    const MarkedText marked = MarkHits(c.text, Stems(c.typed));
    EXPECT_EQ(marked.text, c.marked) << c.name;
    int hits = 0;
    for (size_t at = 0; (at = c.marked.find("<a name=\"tp+", at)) != std::string::npos; ++at) ++hits;
    EXPECT_EQ(marked.hits, hits) << c.name;
  }
}

TEST(MarkHitsTest, StemsThatAreNotWordsTakeNoPart) {
  EXPECT_EQ(MarkHits("a-b lege", {"a-b", "", "lege"}).text, "a-b " + Hit(1, "lege"));
  EXPECT_EQ(MarkHits("a b", {"a b"}).hits, 0);
}

TEST(MarkActPageTest, OnlyTheActTextChanges) {
  ActPageRow row;
  row.disp_titlu = "Lege nr. 1/2000 privind legea";
  row.emitent = "Parlamentul";
  row.tip_act = "Lege";
  const std::string text = "<t4>LEGEA CONTABILITATII</t4>\r\nArt. 1 - Legea se aplica.<BR>\r\n";
  row.comp_text = actsdb::Deflate(text);
  row.text_size = static_cast<int64_t>(text.size());
  const ActPage plain = ProduceActPage(row, "/opt/c");
  ActPage page = plain;

  EXPECT_EQ(MarkActPage(page, {"LEGE"}), 2);
  EXPECT_EQ(page.html.substr(0, page.text_begin), plain.html.substr(0, plain.text_begin));
  EXPECT_EQ(page.html.substr(page.text_end), plain.html.substr(plain.text_end));
  EXPECT_NE(page.html.find(Hit(1, "LEGEA") + " CONTABILITATII"), std::string::npos);
  EXPECT_NE(page.html.find(Hit(2, "Legea") + " se aplica"), std::string::npos);

  ActPage unmarked = plain;
  EXPECT_EQ(MarkActPage(unmarked, {"ORDIN"}), 0);
  EXPECT_EQ(unmarked.html, plain.html);
}

TEST(HitStepsTest, StepsWrapAtBothEnds) {
  struct Case {
    const char* name;
    int count;
    std::string steps;  // n: Next, p: Previous
    std::vector<int> current;
  };
  const Case cases[] = {
      {"forward from the start", 3, "nnnn", {1, 2, 3, 1}},
      {"back from the start", 3, "ppp", {3, 2, 1}},
      {"back past the first", 3, "npp", {1, 3, 2}},
      {"one hit", 1, "nnp", {1, 1, 1}},
      {"no hit", 0, "np", {0, 0}},
  };
  for (const Case& c : cases) {
    HitSteps steps(c.count);
    EXPECT_EQ(steps.current(), 0) << c.name;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      EXPECT_EQ(c.steps[i] == 'n' ? steps.Next() : steps.Previous(), c.current[i])
          << c.name << ", step " << i;
    }
  }
}

TEST(HitStepsTest, TheLinksAroundTheHitsWrapToo) {
  HitSteps steps(4);
  EXPECT_EQ(steps.Status(), "Potrivirea 0 din 4");
  EXPECT_EQ(steps.Follow(0), 4);  // the first hit's back link
  EXPECT_EQ(steps.Follow(5), 1);  // the last hit's forward link
  EXPECT_EQ(steps.Follow(3), 3);
  EXPECT_EQ(steps.Status(), "Potrivirea 3 din 4");
  EXPECT_EQ(steps.Follow(6), std::nullopt);
  EXPECT_EQ(steps.Follow(-1), std::nullopt);
  EXPECT_EQ(steps.current(), 3);
  EXPECT_EQ(HitSteps(0).Follow(1), std::nullopt);
}

TEST(HitLinkNumberTest, ReadsOnlyHitLinks) {
  EXPECT_EQ(HitLinkNumber("#tp+0"), 0);
  EXPECT_EQ(HitLinkNumber("#tp+12"), 12);
  EXPECT_EQ(HitLinkNumber("tp+3"), 3);
  for (const char* other : {"#tp+", "#tp+1x", "#12", "# L P 10 2000", "chlang", "#tp+-1x"}) {
    EXPECT_EQ(HitLinkNumber(other), std::nullopt) << other;
  }
  EXPECT_EQ(HitAnchor(7), "tp+7");
}

}  // namespace
}  // namespace viewing
