#include "idxcore/import/text_parsing.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "actsdb/codepage.h"

namespace idxcore {
namespace {

using Words = std::vector<std::string>;

// Heading definitions in the file's own form, shaped like the real ones.
HeadingDefs TestDefs() {
  return ParseHeadingDefinitions(
      {"Anexa", "0", "Anexa", "ANEXA", "Anexa nr.", "***",  //
       "Capitol", "2", "Capitolul", "CAPITOLUL", "***",     //
       "Articol", "5", "Articolul", "Art.", "ARTICOL UNIC", "***",
       "Alineat", "6", "(#num)", "(#num^#num)", "***",  //
       "Punct", "7", "#num.", "***"},
      "test");
}

TEST(TokenizerTest, FoldsRomanianLettersAndCutsWords) {
  struct Case {
    const char* line;
    CharSet set;
    size_t min;
    bool upper;
    Words words;
  } cases[] = {
      // Cedilla letters fold; the two-letter word is dropped.
      {"\xAA" "coala \xBAi \xDE" "ara", CharSet::kLetter, 3, true, {"SCOALA", "TARA"}},
      // "/" belongs to a code word, "." and "~" separate, case is kept.
      {"~L P 10 2000 Legea nr. 10/2000~", CharSet::kCode, 0, false,
       {"L", "P", "10", "2000", "Legea", "nr", "10/2000"}},
      // A capital A with circumflex or breve stays inside its word.
      {"ROM\xC2NIA HOT\xC3R\xC2RE", CharSet::kLetter, 3, true, {"ROMANIA", "HOTARARE"}},
      // Bytes the folding does not know separate words.
      {"na\xEFve caf\xE9s", CharSet::kLetter, 0, true, {"NA", "VE", "CAF", "S"}},
      // Four letters are a token, three are not; a token may end the line.
      {"lege\tACT, abcd", CharSet::kLetter, 3, true, {"LEGE", "ABCD"}},
      {"#OUG GUV 2006 34", CharSet::kCode, 0, true, {"OUG", "GUV", "2006", "34"}},
      {"", CharSet::kCode, 0, true, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.upper ? ParseLine(c.line, c.set, c.min) : ParseLowLine(c.line, c.set, c.min),
              c.words)
        << c.line;
    if (c.set == CharSet::kLetter && c.upper) {
      // The import's token scan finds the same tokens.
      Words visited;
      ForEachIndexToken(c.line, c.min, [&](std::string_view t) { visited.emplace_back(t); });
      EXPECT_EQ(visited, c.words) << c.line;
    }
  }
}

TEST(PictureTest, DigitRunsBecomePlaceholders) {
  EXPECT_EQ(ParsePicturePart("Art. 12 alin. (3)"), "Art. #num alin. (#num)");
  EXPECT_EQ(ParsePicturePart("5^1."), "#num^#num.");
  EXPECT_EQ(ParsePicturePart("2000123"), "#num");
  EXPECT_EQ(ParsePicturePart("fara cifre"), "fara cifre");
}

TEST(ReferenceTest, ConvertsActLinksAndPictures) {
  struct Case {
    const char* text;
    const char* links;
    const char* title;
  } cases[] = {
      {"fara trimiteri", "fara trimiteri", "fara trimiteri"},
      {"un singur ~ tilda", "un singur ~ tilda", "un singur ~ tilda"},
      {"conform ~L P 10 2000 Legea nr. 10/2000~, art. 3",
       "conform <a href=\"# L P 10 2000\"> Legea nr 10/2000</a>, art. 3",
       "conform  Legea nr 10/2000, art. 3"},
      // A fifth word 1 or 2 is the republication and belongs to the target.
      {"~L P 10 2000 2 Legea republicata~", "<a href=\"# L P 10 2000 2\"> Legea republicata</a>",
       " Legea republicata"},
      {"~L P 10 2000 1 x~", "<a href=\"# L P 10 2000 1\"> x</a>", " x"},
      {"~L P 10 2000 3 x~", "<a href=\"# L P 10 2000\"> 3 x</a>", " 3 x"},
      {"vezi ~img A12 gif Figura 1~.", "vezi <img src=\" img A12 gif\"> Figura 1.",
       "vezi  Figura 1."},
      // Only the first reference of a title loses its link.
      {"~L P 1 2000 Legea~ si ~OG GUV 2 2001 Ordonanta~",
       "<a href=\"# L P 1 2000\"> Legea</a> si <a href=\"# OG GUV 2 2001\"> Ordonanta</a>",
       " Legea si <a href=\"# OG GUV 2 2001\"> Ordonanta</a>"},
      // Diacritics fold inside the reference's words.
      {"~HOT GUV 5 2002 Hot\xE3r\xE2rea~", "<a href=\"# HOT GUV 5 2002\"> Hotararea</a>",
       " Hotararea"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseLinks(c.text), c.links) << c.text;
    EXPECT_EQ(ParseTitlu(c.text), c.title) << c.text;
  }
}

TEST(ReferenceTest, TooFewWordsIsAnErrorNamingTheReference) {
  for (const char* text : {"a ~~ b", "~L P 10 2000~", "~img A12~", "x ~L P 10 2000~ y ~z~"}) {
    try {
      ParseLinks(text);
      ADD_FAILURE() << text;
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find('~'), std::string::npos) << e.what();
    }
    EXPECT_THROW(ParseTitlu(text), ImportError) << text;
  }
}

TEST(FirstPartTest, FindsHeadingLabels) {
  const HeadingDefs defs = TestDefs();
  struct Case {
    const char* line;
    const char* label;
  } cases[] = {
      {"", ""},
      {" Capitolul I", "Capitolul I"},
      {"CAPITOLUL IV Dispozitii", "CAPITOLUL IV "},
      {"Art. 5 - text", "Art. 5 "},            // up to the second blank
      {"Art. 5. - text", "Art. 5"},            // the full stop ends the number
      {"   Art. 3", "Art. 3"},                 // the number reaches the line's end
      {" Articolul 5^1", "Articolul 5"},       // "^" ends the number
      {" Articolul 19 se modific\xE3", "Articolul 19 "},
      {"(3) Textul", "(3) "},
      {" (6^1) Textul", "(6^1) "},
      {"(123456789012^345678) Textul", "(123456789012^345678) "},  // long digit runs
      {"1234567890123456. Textul", "1234567890123456. "},
      {"(3)", "(3)"},
      {"12. Textul", "12. "},
      {"1.1. Textul", ""},                     // a sub-point is no heading
      {"a) Textul", ""},
      {"Articolele 5", ""},                    // the alias must be followed by a blank
      {" Anexa nr. 2", "Anexa nr. 2"},         // the later matching alias wins
      {" ARTICOL UNIC", "ARTICOL UNIC"},
      // A reference at the start is read as its display words.
      {"~L P 1 2000 Articolul 7~ din lege", "Articolul 7 "},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFirstPart(c.line, defs), c.label) << c.line;
}

// The heading label as its rules read: the line and a blank copied, its
// references reduced, the whole picture built and every alias tried. The
// importer's reading scans the line in place; both must agree on any line.
std::string FirstPartAsRead(std::string_view line, const HeadingDefs& defs) {
  if (line.empty()) return "";
  const std::string s = ParseTitlu(std::string(line) + " ");
  size_t pos = 1;
  while (pos < s.size() && s[pos - 1] == ' ') ++pos;
  const std::string picture = ParsePicturePart(s);
  std::string f;
  for (const DefPart& def : defs) {
    for (const std::string& alias : def.aliases) {
      const size_t at = pos - 1;
      if (at + alias.size() < picture.size() && picture[at + alias.size()] == ' ' &&
          picture.compare(at, alias.size(), alias) == 0) {
        f = alias;
      }
    }
  }
  if (f == " ") f.clear();
  int words = 0;
  for (char c : f) {
    if (InSet(CharSet::kLetter, c)) words = 2;
  }
  int blanks = 0;
  if (f.find("#num") != std::string::npos) {
    words = 1;
    f.clear();
    if (s.size() > pos) {
      while (InSet(CharSet::kItemNumber, s[pos - 1]) && blanks < words) {
        const char c = s[f.size() + pos - 1];
        if (c == ' ') ++blanks;
        f += c;
        if (f.size() + pos >= s.size()) break;
      }
    }
  } else if (s.size() > f.size() + pos) {
    for (;;) {
      const char c = s[f.size() + pos - 1];
      if (!InSet(CharSet::kNumeral, c) || blanks >= words) break;
      if (c == ' ') ++blanks;
      f += c;
      if (f.size() + pos >= s.size()) break;
    }
  }
  return f;
}

// The label or, for a malformed reference, the error.
std::string LabelOrError(const std::function<std::string()>& read) {
  try {
    return "label " + read();
  } catch (const ImportError&) {
    return "error";
  }
}

// The heading class as its rule reads: the whole picture, every alias.
HeadingClass ClassAsRead(std::string_view text, const HeadingDefs& defs) {
  HeadingClass result{"false", 0};
  if (text == "Actul") return result;
  const std::string picture = ParsePicturePart(text);
  for (const DefPart& def : defs) {
    for (const std::string& alias : def.aliases) {
      if (picture.starts_with(alias)) result = {def.aliases.front(), def.level};
    }
  }
  return result;
}

// Heading labels and classes of every line, as the importer reads them
// through one HeadingMatcher and as the rules read them.
void ExpectFirstPartAsRead(const std::vector<std::string>& lines, const HeadingDefs& defs) {
  const HeadingMatcher headings(defs);
  for (const std::string& line : lines) {
    std::string title;
    const std::string label = LabelOrError([&] { return headings.FirstPart(line, &title); });
    ASSERT_EQ(label, LabelOrError([&] { return FirstPartAsRead(line, defs); })) << line;
    // A heading's title comes with its label.
    if (label != "error" && label != "label ") {
      ASSERT_EQ(title, ParseTitlu(line)) << line;
    }
    const HeadingClass read = headings.Class(line);
    const HeadingClass expected = ClassAsRead(line, defs);
    ASSERT_EQ(read.name, expected.name) << line;
    ASSERT_EQ(read.level, expected.level) << line;
  }
}

void ExpectIndexTokensAsParsed(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    Words tokens;
    ForEachIndexToken(line, 3, [&](std::string_view t) { tokens.emplace_back(t); });
    ASSERT_EQ(tokens, ParseLine(line, CharSet::kLetter, 3)) << line;
  }
}

// Lines put together from pieces of headings, numbers, references and text.
std::vector<std::string> GeneratedLines() {
  const char* const pieces[] = {
      " ", "  ", "\t", "Art.", "Articolul", "ARTICOL UNIC", "Anexa", "Anexa nr.", "CAPITOLUL",
      "Capitolul", "(", ")", "1", "12", "1234567890123456", "^", ".", "-", ",", "I", "V", "X",
      "IV", "text", "\xEEn", "\xAA", "~L P 1 2000 Articolul 7~", "~img poza 1~", "~L P~", "~",
      "~\xEEmg poza~", "~IMG poza~"};
  std::mt19937 random(20261210);
  std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> count(1, 7);
  std::vector<std::string> lines;
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    for (int n = count(random); n > 0; --n) line += pieces[piece(random)];
    lines.push_back(std::move(line));
  }
  return lines;
}

// The tokenizer's rule as written: fold each character, test it against
// the set, upper-case it when asked.
Words TokenizeAsWritten(std::string_view line, CharSet set, size_t min_length, bool upper) {
  Words words;
  std::string word;
  auto end_word = [&] {
    if (word.size() > min_length) words.push_back(word);
    word.clear();
  };
  for (char raw : line) {
    const char c = actsdb::FoldRomanian(raw);
    if (InSet(set, c)) {
      word += (upper && c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    } else {
      end_word();
    }
  }
  end_word();
  return words;
}

TEST(TokenizerTest, AgreesWithTheRuleForEverySetAndByte) {
  std::vector<std::string> lines = GeneratedLines();
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  lines.push_back(every_byte);
  lines.push_back(every_byte + every_byte);
  for (int s = 0; s <= static_cast<int>(CharSet::kPunctuation); ++s) {
    const auto set = static_cast<CharSet>(s);
    for (const std::string& line : lines) {
      for (size_t min : {0, 3}) {
        ASSERT_EQ(ParseLine(line, set, min), TokenizeAsWritten(line, set, min, true)) << s << line;
        ASSERT_EQ(ParseLowLine(line, set, min), TokenizeAsWritten(line, set, min, false))
            << s << line;
      }
    }
  }
}

TEST(FirstPartTest, InPlaceReadingAgreesWithTheRules) {
  ExpectFirstPartAsRead(GeneratedLines(), TestDefs());
  // Aliases too long for the picture's room on the stack.
  ExpectFirstPartAsRead(
      {std::string(70, 'A') + " 3 x", std::string(70, 'A') + "3 x", "Anexa 5 x"},
      ParseHeadingDefinitions({"Lung", "1", std::string(70, 'A'), "Anexa", "***"}, "test"));
  // An empty alias begins every picture.
  ExpectFirstPartAsRead(GeneratedLines(),
                        ParseHeadingDefinitions({"Gol", "1", "Anexa", "", "Art.", "***",  //
                                                 "Punct", "7", "#num.", "***"},
                                                "test"));
}

TEST(IndexTokenTest, TokensAreTheUpperCasedLetterWords) {
  ExpectIndexTokensAsParsed(GeneratedLines());
  ExpectIndexTokensAsParsed({"", "abc", "abcd", "ab\xE3" "cd", "\xAA\xBA\xDE\xFE", "x abcd.",
                            // Runs of letters around the scan's buffer size.
                            std::string(64, 'a') + " " + std::string(65, 'b') + "," +
                                std::string(200, '\xBA')});
}

// Every line of the real acts, with the real heading definitions.
TEST(CorpusLinesTest, FirstPartsAndTokensAgreeWithTheRules) {
  const char* corpus = std::getenv("CORVANA_CORPUS");
  if (corpus == nullptr || !std::filesystem::exists(corpus)) {
    GTEST_SKIP() << "no act corpus (CORVANA_CORPUS)";
  }
  const std::filesystem::path dir(corpus);
  const HeadingDefs defs = LoadHeadingDefinitions((dir / "adn2.txt").string());
  for (const auto& entry : std::filesystem::directory_iterator(dir / "acts")) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::vector<std::string> lines = SplitLines(text.str());
    ExpectFirstPartAsRead(lines, defs);
    ExpectIndexTokensAsParsed(lines);
  }
}

TEST(FirstPartTest, LaterDefinitionWins) {
  const HeadingDefs short_last =
      ParseHeadingDefinitions({"B", "2", "Anexa nr.", "***", "A", "1", "Anexa", "***"}, "test");
  const HeadingDefs long_last =
      ParseHeadingDefinitions({"A", "1", "Anexa", "***", "B", "2", "Anexa nr.", "***"}, "test");
  EXPECT_EQ(ParseFirstPart("Anexa nr. 1 text", short_last), "Anexa ");
  EXPECT_EQ(ParseFirstPart("Anexa nr. 1 text", long_last), "Anexa nr. 1 ");
}

TEST(HeadingClassTest, ClassIsTheFirstAliasOfTheMatchingDefinition) {
  const HeadingDefs defs = TestDefs();
  struct Case {
    const char* text;
    const char* name;
    int level;
  } cases[] = {
      {"Actul", "false", 0},
      {"Art. 5 ", "Articolul", 5},
      {"ARTICOL UNIC", "Articolul", 5},
      {"Articolul 5#12#text", "Articolul", 5},  // a node's text classifies like its label
      {"(6^1) ", "(#num)", 6},
      {"12. ", "#num.", 7},
      {"ANEXA nr. 1", "Anexa", 0},
      {"Paragraful 1", "false", 0},
  };
  for (const Case& c : cases) {
    const HeadingClass h = Lev(c.text, defs);
    EXPECT_EQ(h.name, c.name) << c.text;
    EXPECT_EQ(h.level, c.level) << c.text;
  }
}

TEST(HeadingDefinitionsTest, ReadsRecordsAndRejectsMalformedFiles) {
  const HeadingDefs defs = TestDefs();
  ASSERT_EQ(defs.size(), 5u);
  EXPECT_EQ(defs[0].name, "Anexa");
  EXPECT_EQ(defs[0].aliases, (Words{"Anexa", "ANEXA", "Anexa nr."}));
  EXPECT_EQ(defs[4].level, 7);

  EXPECT_THROW(ParseHeadingDefinitions({"Titlu", "unu", "Titlul", "***"}, "t"), ImportError);
  EXPECT_THROW(ParseHeadingDefinitions({"Titlu", "1", "Titlul"}, "t"), ImportError);
  EXPECT_THROW(ParseHeadingDefinitions({"Titlu"}, "t"), ImportError);
  EXPECT_TRUE(ParseHeadingDefinitions({}, "t").empty());

  const std::string path = ::testing::TempDir() + "/adn2_test.txt";
  std::ofstream(path, std::ios::binary) << "Titlu\r\n1\r\nTitlul\r\nTITLUL\r\n***\r\n";
  const HeadingDefs loaded = LoadHeadingDefinitions(path);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].aliases, (Words{"Titlul", "TITLUL"}));
  std::remove(path.c_str());
  EXPECT_THROW(LoadHeadingDefinitions(path), ImportError);
}

TEST(SplitLinesTest, AnyLineBreak) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Words{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (Words{"a", "", "b"}));
  EXPECT_EQ(SplitLines(""), Words{});
  // Every text of up to eight characters of a letter, CR and LF, against
  // the rule read one character at a time.
  const auto split_as_read = [](std::string_view text) {
    Words lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
      }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
  };
  Words texts = {""};
  for (size_t begin = 0, length = 0; length < 8; ++length) {
    const size_t end = texts.size();
    for (size_t t = begin; t < end; ++t) {
      for (char c : {'a', '\r', '\n'}) texts.push_back(texts[t] + c);
    }
    begin = end;
  }
  for (const std::string& text : texts) ASSERT_EQ(SplitLines(text), split_as_read(text)) << text;
}

}  // namespace
}  // namespace idxcore
