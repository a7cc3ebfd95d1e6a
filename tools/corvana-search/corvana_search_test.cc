// corvana-search run on a small installation whose word index is written
// here the way the importer writes it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "actsdb/codepage.h"
#include "actsdb/database_test_fixture.h"
#include "actsdb/schema.h"
#include "actsdb/stemming.h"
#include "actsdb/store.h"
#include "idxcore/import/text_parsing.h"
#include "idxcore/index/position_file.h"
#include "idxcore/index/word_file.h"
#include "testing/shell_quote.h"
#include "viewer/finding/sample_installation.h"

namespace {

namespace fs = std::filesystem;

struct Act {
  int32_t id;
  const char* type;  // act type name
  int64_t number;
  int64_t year;
  const char* titlu2;
  int64_t rep;
  const char* text;  // UTF-8
};

// Eleven words for the many-words searches.
constexpr char kEleven[] = "alfa bravo charlie delta echo foxtrot golf hotel india juliett kilo";

const Act kActs[] = {
    {1, "Lege", 98, 2016, "", 0,
     "Legea privind achiziţiile publice stabileşte legislaţia aplicabilă contractelor."},
    {3, "Lege", 7, 2001, "", 0, "Contractelor, text: legislaţia."},
    {4, "Ordonanţă", 34, 2006, "", 0, "Legislaţia text text contractelor"},
    {5, "Lege", 1000000, 2010, "", 0, kEleven},
    {6, "Lege", 12, 2011, "", 0,
     "alfa bravo charlie delta echo foxtrot golf hotel india juliett "
     "text text text text text text text text text text text text kilo"},
    {130000, "Hotărâre", 5, 2020, "-(republicată)", 2,
     "Legislaţia text text text text text text text text text text text text text text text text "
     "text text text text text text text text text contractelor"},
};

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// corvana-search on the installation `install`, its output and status.
Result RunSearch(const fs::path& install, const std::vector<std::string>& args) {
  std::string command = ShellQuote(CORVANA_SEARCH_BIN) + " --install-dir " + ShellQuote(install);
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  const fs::path err = fs::path(::testing::TempDir()) / "corvana_search_stderr.txt";
  command += " 2>" + ShellQuote(err);
  Result result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(err);
  std::stringstream text;
  text << in.rdbuf();
  result.err = text.str();
  return result;
}

class CorvanaSearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    install_ = new fs::path(fs::path(::testing::TempDir()) / "corvana_search_install");
    fs::remove_all(*install_);
    fs::create_directories(*install_ / "zazi1");
    std::unique_ptr<actsdb::Database> db = actsdb::NewDatabaseWithSchema((*install_ / "zazi1").string());
    const std::string dir = db->directory();
    idxcore::diskhash<recwrd> words(dir + "/word.dat", 1);
    idxcore::PositionFile positions(dir + "/poziti.dat", idxcore::PositionFile::Mode::kAppend);
    actsdb::Table types(*db, "tblTipAct"), acts(*db, "tblActe"), cuv(*db, "tblcuv");
    types.Open();
    acts.Open();
    cuv.Open();
    for (const Act& act : kActs) {
      const std::string type = actsdb::Utf8ToCp1250(act.type);
      if (!types.Locate("TipAct", type)) {
        types.Append();
        types.SetString("TipAct", type);
        types.Post();
      }
      acts.Append();
      acts.SetInteger("IdAct", act.id);
      acts.SetInteger("IdTipAct", types.AsInteger("IdTipAct"));
      acts.SetInteger("NrOficial", act.number);
      acts.SetInteger("Anul", act.year);
      acts.SetString("Titlu2", actsdb::Utf8ToCp1250(act.titlu2));
      acts.SetInteger("Rep", act.rep);
      acts.SetString("IndNum", "K " + std::to_string(act.id));
      acts.Post();
      Index(act.id, actsdb::Utf8ToCp1250(act.text), words, positions, cuv);
    }
  }

  static void TearDownTestSuite() {
    fs::remove_all(*install_);
    delete install_;
  }

  // One act's words, stored as the importer stores them: folded,
  // upper-cased, stemmed tokens of more than three letters; one record per
  // stem linked to the stem's chain.
  static void Index(int32_t id_act, const std::string& text, idxcore::diskhash<recwrd>& words,
                    idxcore::PositionFile& positions, actsdb::Table& cuv) {
    std::map<std::string, std::vector<uint16_t>> stems;
    const std::vector<std::string> tokens =
        idxcore::ParseLine(text, idxcore::CharSet::kLetter, 3);
    for (size_t j = 0; j < tokens.size(); ++j) {
      stems[actsdb::DictionaryStem(tokens[j])].push_back(static_cast<uint16_t>(j));
    }
    for (const auto& [stem, at] : stems) {
      recwrd r{};
      r.act_id = id_act;
      r.count = static_cast<int16_t>(at.size());
      r.position = at.size() == 1 ? at[0] : positions.append(at);
      if (cuv.Locate("Word", stem)) {
        ASSERT_TRUE(words.findrec(static_cast<int32_t>(cuv.AsInteger("Last"))));
        const int32_t index = words.addlink(r);
        cuv.Edit();
        cuv.SetInteger("Last", index);
      } else {
        const int32_t index = words.addhead(r);
        cuv.Append();
        cuv.SetString("Word", stem);
        cuv.SetInteger("First", index);
        cuv.SetInteger("Last", index);
      }
      cuv.Post();
    }
  }

  static Result Run(const std::vector<std::string>& args) { return RunSearch(*install_, args); }

  static std::string Ids(std::vector<std::string> args) {
    args.insert(args.begin(), "--ids");
    return Run(args).out;
  }

  static fs::path* install_;
};

fs::path* CorvanaSearchTest::install_ = nullptr;

TEST_F(CorvanaSearchTest, ModesFindTheActsInAscendingOrder) {
  struct Case {
    std::vector<std::string> args;
    std::string ids;
  };
  const Case cases[] = {
      {{"legislatia contracte"}, "1\n3\n4\n130000\n"},
      {{"--mode", "oriunde in text", "legislatia", "contracte"}, "1\n3\n4\n130000\n"},
      // Act 130000 holds the two words 26 positions apart; act 4, 3 apart.
      {{"--mode", "apropiate", "legislatia contracte"}, "1\n3\n4\n"},
      {{"--mode", "expresie", "legislatia contracte"}, "1\n3\n"},
      {{"--mode", "expresie", "contracte legislatia"}, "1\n3\n"},
      // A word typed twice: every act that holds it, but no act is near.
      {{"legislatia legislatia"}, "1\n3\n4\n130000\n"},
      {{"--mode", "apropiate", "legislatia legislatia"}, ""},
      // The eleventh word counts: act 6 has it 13 positions after the tenth.
      {{"--mode", "expresie", kEleven}, "5\n"},
      {{"--mode", "apropiate", kEleven}, "5\n"},
      {{kEleven}, "5\n6\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Ids(c.args), c.ids) << ::testing::PrintToString(c.args);
  }
}

TEST_F(CorvanaSearchTest, WordsTypedWithDiacritics) {
  // Cedilla, comma below, capitals, and the letters without diacritics.
  for (const char* words :
       {"legislaţia achiziţiile", "legislația achizițiile", "LEGISLAŢIA ACHIZIŢIILE",
        "legislatia achizitiile"}) {
    for (const char* mode : {"oriunde in text", "apropiate", "expresie"}) {
      EXPECT_EQ(Ids({"--mode", mode, words}), mode[0] == 'e' ? "" : "1\n")
          << words << " " << mode;
    }
  }
  EXPECT_EQ(Ids({"--mode", "expresie", "stabileşte legislaţia"}), "1\n");
}

TEST_F(CorvanaSearchTest, PrintsKeyAndDisplayTitle) {
  const Result r = Run({"contractelor"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "1\tK 1\tLege nr. 98/2016\n"
            "3\tK 3\tLege nr. 7/2001\n"
            "4\tK 4\tOrdonanţă nr. 34/2006\n"
            "130000\tK 130000\tHotărâre nr. 5/2020 (republicată) rep. 2\n");
  EXPECT_EQ(Run({"juliett"}).out, "5\tK 5\tLege din 2010\n6\tK 6\tLege nr. 12/2011\n");
}

TEST_F(CorvanaSearchTest, NothingFoundOrNothingToSearch) {
  Result r = Run({"legislatia", "inexistent"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("\"inexistent\" is not in the word index"), std::string::npos) << r.err;

  r = Run({"--mode", "expresie", "achizitiile contractelor"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"din la 12"}, {}, {"--mode", "aproape", "lege"}}) {
    r = Run(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
  }
}

// The filter's criteria, on the sample installation: act 1 is the law
// "L PARL 12 2001 0", act 2 its Hungarian version, act 21 its first
// republication; the Sanatate domain holds acts 9 to 13.
class SearchCriteriaTest : public ::testing::Test {
 protected:
  static Result Run(const std::vector<std::string>& args) {
    return RunSearch(finding::SampleInstallation(), args);
  }
  static std::string Ids(std::vector<std::string> args) {
    args.insert(args.begin(), "--ids");
    return Run(args).out;
  }
};

TEST_F(SearchCriteriaTest, CriteriaByCodeOrName) {
  struct Case {
    std::vector<std::string> args;
    std::string ids;
  };
  const Case cases[] = {
      {{"--type", "L", "--year", "2001"}, "1\n2\n21\n"},
      {{"--type", "lege", "--number", "12", "--language", "ro"}, "1\n21\n"},
      {{"--language", "hu"}, "2\n"},
      {{"--type", "Hotărâre"}, "5\n11\n15\n20\n"},
      {{"--issuer", "GUV", "--pub-number", "200"}, "11\n"},
      {{"--domain", "SAN"}, "9\n10\n11\n12\n13\n"},
      {{"--publication", "Monitorul Oficial, Partea I", "--issued-from", "1/1/2008"}, "19\n20\n"},
      {{"--published-from", "1/5/2008"}, "21\n"},
      {{"--published-to", "31/12/2001"}, "1\n2\n"},
      {{"--title", "registrelor", "--order", "IdAct DESCENDING"}, "21\n18\n3\n1\n"},
      // Text words and criteria together.
      {{"--mode", "apropiate", "--year", "2001", "registrele", "publice"}, "1\n21\n"},
      {{"--language", "any", "--title", "mediu, de"}, "14\n15\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Ids(c.args), c.ids) << ::testing::PrintToString(c.args);
}

TEST_F(SearchCriteriaTest, SqlAsTheFilterWindowBuildsIt) {
  const Result r =
      Run({"--sql", "--title", "Lege Codul", "--domain", "Sănătate", "--issued-to", "31/12/2005",
           "--language", "hu", "--order", "Anul ASCENDING", "sănătăţii"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "SELECT IdAct, IdDomeniu, IdEmitent, IdPublicatie, IdTipAct, NrOficial, Data, DataPub, "
            "Anul, Titlu, Titlu2, Rep,  IndNum, Limba,Numar FROM tblActe\r\n"
            "\r\nWHERE\r\n(\r\n"
            "(( Titlu LIKE '%Lege%' ) OR ( Titlu2 LIKE '%Lege%' ))\r\nOR\r\n"
            "(( Titlu LIKE '%Codul%' ) OR ( Titlu2 LIKE '%Codul%' ))\r\n)\r\n"
            "AND\r\n(\r\n( IdDomeniu = 5 )\r\n)\r\n"
            "AND\r\n(\r\n( Limba = 'M' )\r\n)\r\n"
            "AND\r\n(\r\n( Data <= '31/12/2005' )\r\n)\r\n"
            "ORDER BY Anul ASCENDING\r\n");
  EXPECT_EQ(Run({"--sql"}).out,
            "SELECT IdAct, IdDomeniu, IdEmitent, IdPublicatie, IdTipAct, NrOficial, Data, DataPub, "
            "Anul, Titlu, Titlu2, Rep,  IndNum, Limba,Numar FROM tblActe\r\n");
}

TEST_F(SearchCriteriaTest, BadValuesAreRefusedNamingTheOption) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--type", "XX"}, "--type: \"XX\" is not the code or the name of an act type"},
      {{"--domain", ""}, "--domain: \"\" is not the code or the name of a domain"},
      {{"--year", "20x1"}, "--year: \"20x1\" is not a number"},
      {{"--number", ""}, "--number: \"\" is not a number"},
      {{"--pub-number", "1.5"}, "--pub-number: \"1.5\" is not a number"},
      {{"--issued-from", "31/2/2001"}, "--issued-from: \"31/2/2001\" is not a date d/m/yyyy"},
      {{"--published-to", "1-1-2001"}, "--published-to: \"1-1-2001\" is not a date d/m/yyyy"},
      {{"--language", "de"}, "--language: \"de\" is not any, ro or hu"},
      {{"--year", "2001", "--order", "Foo ASCENDING"},
       "--order: \"Foo\" is not a field of tblActe"},
      {{"--year", "2001", "--order", "Anul"},
       "--order: \"Anul\" is not \"FIELD ASCENDING\" or \"FIELD DESCENDING\""},
      {{"--sql", "--title"}, "--title needs a value"},
  };
  for (const auto& [args, message] : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(r.out, "") << ::testing::PrintToString(args);
    EXPECT_NE(r.err.find("corvana-search: " + message), std::string::npos) << r.err;
  }
}

}  // namespace
