#include "idxcore/import/header.h"

#include <gtest/gtest.h>

#include "idxcore/import/text_parsing.h"

namespace idxcore {
namespace {

using Lines = std::vector<std::string>;

Lines Act(const std::string& code_line, const std::string& date_line = "#D: 5/3/2001",
          const std::string& publication = "#M.Of. nr. 123 din 6/3/2001") {
  return {code_line, "#ACH CONC", date_line, publication, "#M L P 1999 5",
          "#A OUG GUV 2012 77 0", "privind ceva", "#", " Text."};
}

TEST(HeaderTest, CodeLineGivesKeyNumbersAndLanguage) {
  struct Case {
    const char* line0;
    const char* key;
    int republication;
    bool hungarian;
  } cases[] = {
      {"#L P 2000 10", "L P 10 2000 0", 0, false},
      {"#L P 2000 10 2", "L P 10 2000 2", 2, false},
      {"#L P 2000 10 M", "L P 10 2000 0 M", 0, true},
      {"#L P 2000 10 2 M", "L P 10 2000 2 M", 2, true},
      {"#L P 2000 10 X5", "L P 10 2000 X5", 0, false},  // kept in the key, not a number
      {"#hot guv 2002 5", "HOT GUV 5 2002 0", 0, false},
  };
  for (const Case& c : cases) {
    Lines lines = Act(c.line0);
    const ActHeader h = ParseHeader(lines);
    EXPECT_EQ(h.key, c.key) << c.line0;
    EXPECT_EQ(h.year, std::stoi(ParseLine(c.line0, CharSet::kCode, 0)[2])) << c.line0;
    EXPECT_EQ(h.official_number, std::stoi(ParseLine(c.line0, CharSet::kCode, 0)[3])) << c.line0;
    EXPECT_EQ(h.republication, c.republication) << c.line0;
    EXPECT_EQ(h.hungarian, c.hungarian) << c.line0;
    EXPECT_EQ(lines[0], std::string(c.line0) + " 0");
  }
}

TEST(HeaderTest, DatesPublicationDomainsAndTitles) {
  struct Case {
    const char* date_line;
    const char* publication;
    actsdb::Date date;
    const char* code;
    std::optional<int> number;
    std::optional<actsdb::Date> published;
  } cases[] = {
      {"#D: 5/3/2001", "#M.Of. nr. 123 din 6/3/2001", {2001, 3, 5}, "MOF", 123,
       actsdb::Date{2001, 3, 6}},
      {"#D: 5/3/98", "#M.Of. nr. 123", {1998, 3, 5}, "MOF", 123, std::nullopt},
      {"#D: 1/1/1875", "#MOBIS nr. 7 din 1/2/03", {1875, 1, 1}, "MOBIS", 7,
       actsdb::Date{1903, 2, 1}},
      {"#D: 2/2/2003", "#SCJ", {2003, 2, 2}, "SCJ", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    Lines lines = Act("#L P 2000 10", c.date_line, c.publication);
    const ActHeader h = ParseHeader(lines);
    EXPECT_EQ(h.date, c.date) << c.date_line;
    EXPECT_EQ(h.publication_code, c.code) << c.publication;
    EXPECT_EQ(h.publication_number, c.number) << c.publication;
    EXPECT_EQ(h.publication_date, c.published) << c.publication;
    EXPECT_EQ(h.main_domain, "ACH");
    EXPECT_EQ(h.domain_codes, (Lines{"ACH", "CONC"}));
  }

  Lines lines = {"#L P 2000 10", "#", "#D: 5/3/2001", "#M.Of. nr. 1",
                 "Titlu unu",    "-(actualizat)", "si ~L P 1 2000 Legea~ doi", "#"};
  const ActHeader h = ParseHeader(lines);
  EXPECT_EQ(h.title, "Titlu unu si  Legea doi ");
  EXPECT_EQ(h.title2, "-(actualizat)");
  EXPECT_EQ(h.main_domain, "");
}

TEST(HeaderTest, MalformedHeadersNameTheLine) {
  struct Case {
    Lines lines;
    const char* mentions;
  } cases[] = {
      {Act("#L P 2000"), "line 1"},
      {Act("#L P 2000 zece"), "ZECE"},
      {Act("#L P 2000 10", "#D: 32/1/2000"), "line 3"},
      {Act("#L P 2000 10", "#D: 5/3/2001", "#M.Of. nr. x"), "line 4"},
      {Act("#L P 2000 10", "#D: 5/3/2001", "#"), "line 4"},
      {{"#L P 2000 10", "#", "#D: 5/3/2001", "#M.Of. nr. 1", "titlu fara sfarsit"}, "#"},
      {{"#L P 2000 10", "#"}, "line 3"},
      {{"#L P 2000 10", "#", "#D: 5/3/2001", "#M.Of. nr. 1", "~L P~", "#"}, "title"},
  };
  for (Case& c : cases) {
    try {
      ParseHeader(c.lines);
      ADD_FAILURE() << c.lines[0];
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
    }
  }
}

TEST(HeaderTest, ModificationEntriesNameTheImportingActFirst) {
  Lines lines = Act("#L P 2000 10");
  const ActHeader h = ParseHeader(lines);
  EXPECT_EQ(ModificationEntries(lines, h.hungarian),
            (Lines{"M L P 2000 10 0##L P 1999 5 0", "A L P 2000 10 0##OUG GUV 2012 77 0"}));

  // Only a Hungarian version is skipped, not a code text holding "M ".
  Lines em = Act("#ORDM GUVM 2000 10");
  EXPECT_EQ(ModificationEntries(em, ParseHeader(em).hungarian).size(), 2u);
  Lines hu = Act("#L P 2000 10 M");
  EXPECT_TRUE(ModificationEntries(hu, ParseHeader(hu).hungarian).empty());

  Lines none = {"#L P 2000 10", "#", "#D: 5/3/2001", "#M.Of. nr. 1", "titlu", "#"};
  EXPECT_TRUE(ModificationEntries(none, false).empty());
}

}  // namespace
}  // namespace idxcore
