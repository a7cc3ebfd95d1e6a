#include "hitmark/hitmark.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hitmark/reference_marker.h"
#include "testing/exported_symbols.h"

namespace {

struct Flags {
  int32_t whole_words = 0;
  int32_t match_case = 0;
  int32_t phrase = 0;
};

struct Result {
  std::string text;
  int32_t hits = -1;
};

// One _prelct and its _prelgt, as a caller makes them. The buffer is exactly
// as large as the length the caller is told, so a longer copy shows up under
// AddressSanitizer, and the copied string must have that length.
Result MarkAndFetch(const std::string& words, const std::string& text, Flags flags = {}) {
  int32_t length = -1;
  Result r;
  const int32_t returned = _prelct(words.c_str(), text.c_str(), &length, &r.hits,
                                   flags.whole_words, flags.match_case, flags.phrase);
  EXPECT_EQ(returned, length);
  EXPECT_GE(length, 0);
  std::vector<char> buffer(static_cast<size_t>(length) + 1, 'X');
  _prelgt(buffer.data());
  EXPECT_EQ(std::strlen(buffer.data()), static_cast<size_t>(length));
  r.text.assign(buffer.data());
  return r;
}

// The wrap of hit number n around the text's own bytes.
std::string Hit(int n, std::string_view bytes) {
  return "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a><a name=\"tp+" +
         std::to_string(n) + "\">" + std::string(bytes) + "</a><a href=\"#tp+" +
         std::to_string(n + 1) + "\"> >> </a>";
}

// The bytes inside the numbered anchors, in order.
std::vector<std::string> Anchored(const std::string& marked) {
  std::vector<std::string> out;
  for (size_t p = marked.find("<a name=\"tp+"); p != std::string::npos;
       p = marked.find("<a name=\"tp+", p + 1)) {
    const size_t start = marked.find("\">", p) + 2;
    out.push_back(marked.substr(start, marked.find("</a>", start) - start));
  }
  return out;
}

TEST(PrelctTest, WordsCloseTogetherAreMarkedAndNumbered) {
  // LEGE starts 150 bytes before the first PRIVIND; the second PRIVIND is
  // far from any LEGE and stays unmarked.
  const std::string gap(146, '.');
  const std::string far(400, '.');
  const std::string text = "Art. 1 " + std::string("LEGE") + gap + "privind" + far + "PRIVIND";
  const Result r = MarkAndFetch("LEGE PRIVIND", text);
  EXPECT_EQ(r.hits, 2);
  EXPECT_EQ(r.text,
            "Art. 1 <a href=\"#tp+0\"> << </a><a name=\"tp+1\">LEGE</a>"
            "<a href=\"#tp+2\"> >> </a>" + gap +
            "<a href=\"#tp+1\"> << </a><a name=\"tp+2\">privind</a>"
            "<a href=\"#tp+3\"> >> </a>" + far + "PRIVIND");
}

TEST(PrelctTest, NearMeansStartsLessThan200BytesApart) {
  struct Case {
    size_t distance;
    bool privind_first;
    int32_t hits;
  };
  const Case cases[] = {
      {150, false, 2}, {199, false, 2}, {199, true, 2},
      {200, false, 0}, {200, true, 0},  {250, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.distance << (c.privind_first ? " privind first" : ""));
    const std::string first = c.privind_first ? "PRIVIND" : "LEGE";
    const std::string second = c.privind_first ? "LEGE" : "PRIVIND";
    const std::string text = "<t5>" + first + std::string(c.distance - first.size(), ' ') +
                             second + "</t5>\r\n";
    const Result r = MarkAndFetch("lege privind", text);
    EXPECT_EQ(r.hits, c.hits);
    if (c.hits == 0) {
      EXPECT_EQ(r.text, text);
    } else {
      EXPECT_EQ(Anchored(r.text), (std::vector<std::string>{first, second}));
    }
  }
}

TEST(PrelctTest, MatchingRules) {
  struct Case {
    const char* name;
    std::string words;
    std::string text;
    Flags flags;
    std::vector<std::string> anchored;
  };
  const Case cases[] = {
      {"breve ignores case and diacritics", "t\xE3ri", "T\xC3RI, t\xE3ri; tari TARI", {},
       {"T\xC3RI", "t\xE3ri", "tari", "TARI"}},
      {"circumflex and cedilla letters", "\xEEn\xFE" "eles", "\xCEN\xDE" "ELES inteles", {},
       {"\xCEN\xDE" "ELES", "inteles"}},
      {"s with cedilla", "pa\xBAi", "PA\xAAI pasi", {}, {"PA\xAAI", "pasi"}},
      {"bar stands for A", "l\xE3sa", "L|SA", {}, {"L|SA"}},
      {"bar folds before case", "LASA", "L|SA l|sa", {.match_case = 1}, {"L|SA"}},
      {"other code page letters", "\x9Akola", "\x8AKOLA", {}, {"\x8AKOLA"}},
      {"case kept", "Lege", "LEGE Lege lege", {.match_case = 1}, {"Lege"}},
      {"case kept, diacritics still folded", "t\xE3ri", "t\xE3ri tari T\xC3RI",
       {.match_case = 1}, {"t\xE3ri", "tari"}},
      {"not a letter", "a\xF7" "b", "A\xD7" "B", {}, {}},
      {"inside longer words", "lege", "Legea legislatie privilegeaza", {},
       {"Lege", "lege"}},
      {"punctuation belongs to the word", "art.5", "art. 5, art.5", {}, {"art.5"}},
      {"overlapping matches, one hit per marked span", "aa", "aaaa", {}, {"aa", "aa"}},
      {"whole words only after a blank", "lege", "(lege\r\nlege lege", {.whole_words = 1},
       {" lege"}},
      {"phrase needs the one blank", "lege privind",
       "lege privind; lege  privind; lege\r\nprivind", {.phrase = 1}, {"lege privind"}},
      {"words cut at any run of blanks", "  lege   privind ", "lege privind", {},
       {"lege", "privind"}},
      {"same start: highest word index wins", "lege legea", "legea", {}, {"legea"}},
      {"same start: shorter word when it comes last", "legea lege", "legea", {}, {"lege"}},
      {"a 13th word is ignored", "x x x x x x x x x x x x y", "x", {}, {"x"}},
      {"a 13th word is never marked", "x x x x x x x x x x x x y", "x y", {}, {"x"}},
      {"only the low byte of a flag counts", "lege", "LEGE", {.match_case = 0x100},
       {"LEGE"}},
      {"low byte set", "lege", "lege lege", {.whole_words = 0x201}, {" lege"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = MarkAndFetch(c.words, c.text, c.flags);
    EXPECT_EQ(Anchored(r.text), c.anchored);
    EXPECT_EQ(r.hits, static_cast<int32_t>(c.anchored.size()));
    if (c.anchored.empty()) {
      EXPECT_EQ(r.text, c.text);
    }
  }
}

TEST(PrelctTest, MarksInsideMarkup) {
  const std::string text = "<a href=\"# L P 10 2000\"> Legea 10/2000</a><BR>\r\n";
  const Result r = MarkAndFetch("10", text);
  EXPECT_EQ(r.hits, 2);
  EXPECT_EQ(r.text, "<a href=\"# L P " + Hit(1, "10") + " 2000\"> Legea " + Hit(2, "10") +
                        "/2000</a><BR>\r\n");
}

TEST(PrelctTest, NothingToMarkGivesTheTextUnchanged) {
  const std::string text = "<t5>CAPITOLUL I</t5>\r\nArt. 1<BR>\r\n";
  struct Case {
    const char* name;
    std::string words;
    Flags flags;
  };
  const Case cases[] = {
      {"empty search", "", {}},
      {"blanks only", "   ", {}},
      {"empty phrase", "", {.phrase = 1}},
      {"word absent", "lege", {}},
      {"one of two words absent", "capitolul lege", {}},
      {"word longer than the text", std::string(200, 'A'), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = MarkAndFetch(c.words, text, c.flags);
    EXPECT_EQ(r.hits, 0);
    EXPECT_EQ(r.text, text);
  }
  EXPECT_EQ(MarkAndFetch("lege", "").text, "");
}

TEST(PrelctTest, PendingResult) {
  char buffer[8];
  _prelgt(buffer);  // start from no pending result

  // A fetch without a pending result gives an empty string.
  std::memset(buffer, 'X', sizeof buffer);
  _prelgt(buffer);
  EXPECT_EQ(buffer[0], '\0');

  // A new search replaces a result that was never fetched.
  int32_t length = 0;
  int32_t hits = 0;
  _prelct("a", "abc", &length, &hits, 0, 0, 0);
  _prelct("zz", "abc", &length, &hits, 0, 0, 0);
  ASSERT_EQ(length, 3);
  EXPECT_EQ(hits, 0);
  _prelgt(buffer);
  EXPECT_STREQ(buffer, "abc");

  // The result is handed out once.
  std::memset(buffer, 'X', sizeof buffer);
  _prelgt(buffer);
  EXPECT_EQ(buffer[0], '\0');

  // Null arguments: empty strings in, nothing written out.
  EXPECT_EQ(_prelct(nullptr, "abc", nullptr, nullptr, 0, 0, 0), 3);
  _prelgt(buffer);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(_prelct("a", nullptr, &length, &hits, 0, 0, 0), 0);
  _prelgt(buffer);
  EXPECT_STREQ(buffer, "");
}

// Random searches over random hypertext built from a few bytes that matter
// (blanks, letters that fold, markup, line ends), checked against the rule
// written out step by step.
TEST(PrelctTest, AgreesWithTheStepByStepRule) {
  std::mt19937 rng(20261209);
  const std::string alphabet = "aAb \xE3\xC3|<\r\n\xBA\xAA";
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n)(rng); };
  auto random_text = [&](size_t max_length, size_t density) {
    std::string s(pick(max_length), '.');
    for (char& c : s) {
      if (pick(density) == 0) c = alphabet[pick(alphabet.size() - 1)];
    }
    return s;
  };
  for (int i = 0; i < 3000; ++i) {
    std::string words;
    const size_t word_count = pick(3) == 0 ? pick(14) : pick(4);
    for (size_t w = 0; w < word_count; ++w) words += random_text(pick(2) == 0 ? 2 : 1, 0) + ' ';
    // Dense texts put every word near every other; in sparse ones the
    // 200-byte rule decides.
    const std::string text = random_text(700, i % 2 == 0 ? 0 : 12);
    const Flags flags{static_cast<int32_t>(pick(3) == 0), static_cast<int32_t>(pick(1)),
                      static_cast<int32_t>(pick(3) == 0)};
    const hitmark_reference::Marked want =
        hitmark_reference::Mark(words, text, flags.whole_words, flags.match_case, flags.phrase);
    const Result got = MarkAndFetch(words, text, flags);
    ASSERT_EQ(got.text, want.text) << "words \"" << words << "\" case " << i;
    ASSERT_EQ(got.hits, want.hits) << "words \"" << words << "\" case " << i;
  }
}

// The library exports its two functions and nothing else.
TEST(HitmarkExportsTest, OnlyItsCInterface) {
  EXPECT_EQ(testing_support::ExportedSymbols(HITMARK_LIBRARY),
            (std::set<std::string>{"_prelct", "_prelgt"}));
}

}  // namespace
