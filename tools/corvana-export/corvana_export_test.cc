// corvana-export run on a small installation whose acts are stored here as
// the update program stores them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/compress.h"
#include "actsdb/database_test_fixture.h"
#include "actsdb/store.h"
#include "testing/shell_quote.h"
#include "tools/corvana-export/standalone_page.h"
#include "viewer/finding/modification_fixture.h"
#include "viewer/finding/modification_pages.h"
#include "viewer/viewing/structure_trees.h"

namespace {

namespace fs = std::filesystem;

// A GIF's first bytes are all the export looks at.
const std::string kGif = std::string("GIF89a\x01\x00\x01\x00", 10);

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs corvana-export on the installation `install`.
Result RunExport(const fs::path& install, const std::vector<std::string>& args) {
  std::string command = ShellQuote(CORVANA_EXPORT_BIN) + " --install-dir " + ShellQuote(install);
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  const fs::path out = install / "stdout.txt";
  const fs::path err = install / "stderr.txt";
  command += " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

class CorvanaExportTest : public testing::Test {
 protected:
  void SetUp() override {
    install_ = fs::path(testing::TempDir()) / "corvana_export_install";
    fs::remove_all(install_);
    fs::create_directories(install_ / "zazi1");
    auto db = actsdb::NewDatabaseWithSchema((install_ / "zazi1").string());
    const auto add_code = [&](const char* table, const char* column, const std::string& name) {
      actsdb::Table codes(*db, table);
      codes.Open();
      codes.Append();
      codes.SetString(column, name);
      codes.Post();
      return codes.AsInteger(codes.ColumnNames().front());
    };
    const int64_t hotarare = add_code("tblTipAct", "TipAct", "Hot\xE3r\xE2re");
    const int64_t guvern = add_code("tblEmitenti", "Emitent", "Guvernul Rom\xE2niei");
    const int64_t monitor = add_code("tblPublicatii", "Publicatia", "Monitorul Oficial");

    actsdb::Table acts(*db, "tblActe");
    acts.Open();
    const std::string text =
        "<a name=3> </a>\r\n<t5>Articolul 1</t5>\r\n"
        "Vezi <a href=\"# L P 10 2000\"> Legea 10</a> si <a href=\"# HG GUV 5 2001\"> HG "
        "5</a><BR>\r\n"
        "<img src=\" img harta1 a\"> harta <img src=\" img LIPSA b\"><BR>\r\n";
    acts.Append();
    acts.SetInteger("IdTipAct", hotarare);
    acts.SetInteger("IdEmitent", guvern);
    acts.SetInteger("IdPublicatie", monitor);
    acts.SetInteger("Numar", 120);
    acts.SetInteger("NrOficial", 179);
    acts.SetInteger("Anul", 2002);
    acts.SetInteger("Rep", 0);
    acts.SetDate("Data", {2002, 2, 28});
    acts.SetDate("DataPub", {2002, 3, 1});
    acts.SetString("Limba", "R");
    acts.SetString("IndNum", "HOT GUV 179 2002 0");
    acts.SetBlob("CompText", actsdb::Deflate(text));
    acts.SetInteger("TextSize", int64_t(text.size()));
    acts.Post();
    id_ = acts.AsInteger("IdAct");
    // An act whose compressed text is damaged.
    acts.Append();
    acts.SetString("IndNum", "L P 1 2001 0");
    acts.SetBlob("CompText", "damaged");
    acts.SetInteger("TextSize", 10);
    acts.Post();

    actsdb::Table images(*db, "tblImagini");
    images.Open();
    images.Append();
    images.SetString("IndCod", "HARTA1");
    images.SetBlob("Imagine", kGif);
    images.Post();
  }
  void TearDown() override { fs::remove_all(install_); }

  Result Run(const std::vector<std::string>& args) { return RunExport(install_, args); }

  fs::path install_;
  int64_t id_ = 0;
};

TEST_F(CorvanaExportTest, WritesTheActPageByKeyOrId) {
  const Result by_key = Run({"--key", "HOT GUV 179 2002 0"});
  ASSERT_EQ(by_key.status, 0) << by_key.err;
  const std::string prefix = "file://" + install_.string() + "/lg";
  const std::string expected =
      "<html>\r\n\r\n<body bgcolor=white lang=RO style='tab-interval:35.4pt'>\r\n\r\n"
      "<div class=Section1>\r\n\r\n"
      "<table border=0 cellpadding=0 cellspacing=0 width=\"100%\" bgcolor=\"#336699\">\r\n"
      " <tr>\r\n"
      "  <td width=\"5%\" valign=\"middle\" align=center bgcolor=\"cyan\"  link=\"#FFFFFF\" "
      "cellpadding=1>\r\n"
      " <bgcolor=\"cyan\"> \r\n <link=\"white\">\r\n"
      " <font color=\"#FFFFFF\"   size=\"3\"> <a href=\"chlang\"> R </a> </font> \r\n"
      " </link>\r\n </bgcolor>\r\n  </td>\r\n"
      "  <td width=\"25%\" valign=\"middle\" align=center>\r\n"
      "  <font color=\"#FFFFFF\" size=\"3\"> Guvernul Rom\xE2niei </font>\r\n  </td>\r\n"
      "  <td width=\"50%\" align=center valign=\"middle\">\r\n"
      " <font color=\"#FFFFFF\" size=\"5\">Hot\xE3r\xE2re nr. 179/2002 </font>\r\n   </td>\r\n"
      "  <td width=\"20%\" align=center valign=\"middle\">\r\n"
      " <font color=\"#FFFFFF\" size=\"3\"> 28 februarie 02 </font> \r\n  </td>\r\n"
      " </tr>\r\n</table>\r\n\r\n"
      "  <p class=MsoNormal align=center style='text-align:center'>\r\n"
      "publicat\xE3 \xEEn Monitorul Oficial nr. 120 din 1 martie 02 <o:p></o:p></p>\r\n\r\n"
      "<p class=MsoNormal style='text-align:Justify'>\r\n"
      "<a name=3> </a>\r\n"
      "<FONT color=\"blue\" ><t5> <BR><CENTER>Articolul 1</t5></CENTER></FONT>\r\n"
      "Vezi <a href=\"" +
      prefix +
      "L P 10 2000.htm\"> Legea 10</a> si "
      "<a href=\"# HG GUV 5 2001\"> HG 5</a><BR>\r\n"
      "<img src=\" img harta1 a\"> harta <img src=\" img LIPSA b\"><BR>\r\n"
      " \r\n</p>\r\n\r\n</div>\r\n\r\n</body>\r\n\r\n</html>\r\n \r\n \r\n \r\n \r\n";
  EXPECT_EQ(by_key.out, expected);

  // The same page when the installation is named with a trailing "/".
  install_ += "/";
  EXPECT_EQ(Run({"--key", "HOT GUV 179 2002 0"}).out, expected);
  install_ = install_.parent_path();

  const Result by_id = Run({"--id", std::to_string(id_)});
  EXPECT_EQ(by_id.status, 0) << by_id.err;
  EXPECT_EQ(by_id.out, expected);

  const fs::path file = install_ / "act.htm";
  EXPECT_EQ(Run({"--id", std::to_string(id_), "-o", file.string()}).status, 0);
  EXPECT_EQ(ReadFile(file), expected);
}

TEST_F(CorvanaExportTest, Utf8PageStandsAloneWithItsPictures) {
  const fs::path file = install_ / "out" / "hg179.htm";
  fs::create_directories(file.parent_path());
  const Result result = Run({"--key", "HOT GUV 179 2002 0", "--utf8", "-o", file.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string page = ReadFile(file);
  EXPECT_TRUE(page.starts_with("<html>\r\n<meta charset=\"utf-8\">\r\n")) << page.substr(0, 60);
  EXPECT_NE(page.find("Hotărâre nr. 179/2002"), std::string::npos);
  EXPECT_NE(page.find("publicată în Monitorul"), std::string::npos);
  EXPECT_NE(page.find("<img src=\"hg179_1.gif\"> harta <img src=\" img LIPSA b\">"),
            std::string::npos);
  EXPECT_EQ(ReadFile(file.parent_path() / "hg179_1.gif"), kGif);
  // Otherwise it is the act window's page.
  std::string back = actsdb::Utf8ToCp1250(page);
  back.erase(8, 24);
  back.replace(back.find("hg179_1.gif"), 11, " img harta1 a");
  EXPECT_EQ(back, Run({"--key", "HOT GUV 179 2002 0"}).out);
}

TEST_F(CorvanaExportTest, ErrorsSayWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"--key", "HOT GUV 9 1999 0"}, 1, "no act with the key \"HOT GUV 9 1999 0\""},
      {{"--id", "99"}, 1, "no act with the id 99"},
      {{"--key", "L P 1 2001 0"}, 2, "zlib"},
      {{"--id", "x"}, 2, "usage"},
      {{"--key", "A", "--id", "1"}, 2, "usage"},
      {{}, 2, "usage"},
  };
  for (const Case& c : cases) {
    const Result result = Run(c.args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

// The modification pages and the structure window's trees of acts whose
// parts modify each other.
class CorvanaExportStructureTest : public testing::Test {
 protected:
  void SetUp() override {
    install_ = fs::path(testing::TempDir()) / "corvana_export_structure";
    fs::remove_all(install_);
    fs::create_directories(install_ / "zazi1");
    db_ = actsdb::NewDatabaseWithSchema((install_ / "zazi1").string());
    finding::AddModificationFixture(*db_);
  }
  void TearDown() override {
    db_.reset();
    fs::remove_all(install_);
  }

  fs::path install_;
  std::unique_ptr<actsdb::Database> db_;
};

TEST_F(CorvanaExportStructureTest, WritesPagesAndTreesAsTheViewerMakesThem) {
  finding::ModificationReader reader(*db_);
  const finding::ActModifications act = reader.Read(1);
  viewing::Tree outline;
  viewing::FillStructureTree(finding::kAct1Structure, act.title, reader.ModifiedParts(1), &outline);
  viewing::Tree modifications;
  viewing::FillModificationsTree(finding::kAct1Structure, act, &modifications);
  const struct {
    const char* option;
    std::string expected;
  } cases[] = {
      {"--mod-suffered", finding::PageText(finding::BuildModPe(act))},
      {"--mod-brought", finding::PageText(finding::BuildModDe(act))},
      {"--outline", viewing::TreeText(outline)},
      {"--mod-tree", viewing::TreeText(modifications)},
  };
  for (const auto& c : cases) {
    const Result result = RunExport(install_, {"--id", "1", c.option});
    EXPECT_EQ(result.status, 0) << c.option << result.err;
    EXPECT_EQ(result.out, c.expected) << c.option;
  }
  // An act without parts still has both pages, their rows left out.
  const Result empty = RunExport(install_, {"--key", "L PARL 12 2001 1", "--mod-brought"});
  EXPECT_EQ(empty.out, finding::PageText(finding::BuildModDe(reader.Read(3))));

  const Result tree = RunExport(install_, {"--id", "1", "--mod-tree", "--utf8"});
  EXPECT_EQ(tree.out, actsdb::Cp1250ToUtf8(viewing::TreeText(modifications)));
  const Result page = RunExport(install_, {"--id", "1", "--mod-suffered", "--utf8"});
  EXPECT_NE(page.out.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.out.find(finding::kOtherActTitle), std::string::npos);
}

TEST_F(CorvanaExportStructureTest, ErrorsSayWhatIsWrong) {
  actsdb::Table acts(*db_, "tblActe");
  acts.Open();
  acts.Append();
  acts.SetString("IndNum", "L P 2 2001 0");
  acts.SetBlob("CompStruct", "damaged");
  acts.SetInteger("StructSize", 10);
  acts.Post();
  const std::string invalid = "Actul\r\n\t\tArticolul 1#3#\r\n";
  acts.Append();
  acts.SetString("IndNum", "L P 3 2001 0");
  acts.SetBlob("CompStruct", actsdb::Deflate(invalid));
  acts.SetInteger("StructSize", static_cast<int64_t>(invalid.size()));
  acts.Post();
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--key", "L P 2 2001 0", "--outline"}, "zlib"},
      {{"--key", "L P 3 2001 0", "--mod-tree"}, "Invalid level (2) for item \"Articolul 1#3#\""},
      {{"--id", "1", "--outline", "--mod-tree"}, "usage"},
  };
  for (const auto& c : cases) {
    const Result result = RunExport(install_, c.args);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST(StandalonePageTest, EachPictureOnceUnderItsOwnName) {
  std::vector<std::string> asked;
  const corvana_export::StandalonePage page = corvana_export::MakeStandalone(
      "<html>\r\n<img src=\" img a 1\"><img src=\" img B 2\"><img src=\" img A 3\">"
      "<img src=\" img C 4\">\xE3\r\n",
      [&](const std::string& key) -> std::optional<std::string> {
        asked.push_back(key);
        if (key == "A") return std::string("\xFF\xD8\xFF\xE0", 4);
        if (key == "C") return std::string("BM");
        return std::nullopt;
      },
      "p");
  EXPECT_EQ(asked, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(page.html,
            "<html>\r\n<meta charset=\"utf-8\">\r\n<img src=\"p_1.jpg\"><img src=\" img B 2\">"
            "<img src=\"p_1.jpg\"><img src=\"p_2.bmp\">\xC4\x83\r\n");
  ASSERT_EQ(page.pictures.size(), 2u);
  EXPECT_EQ(page.pictures[1].name, "p_2.bmp");
  EXPECT_EQ(page.pictures[1].bytes, "BM");
}

}  // namespace
