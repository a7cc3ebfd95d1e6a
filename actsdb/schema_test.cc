#include "actsdb/schema.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "actsdb/codepage.h"
#include "actsdb/database_test_fixture.h"

namespace actsdb {
namespace {

class SchemaTest : public DatabaseTest {
 protected:
  std::string WriteFile(const std::string& name, const std::string& content) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
};

TEST_F(SchemaTest, EveryNamedIndexOrdersItsTable) {
  struct Case {
    const char* table;
    const char* index;
  };
  const Case cases[] = {
      {"tblTipAct", "indindcod"},         {"tblEmitenti", "indindcod"},
      {"tblDomenii", "indindcod"},        {"tblPublicatii", "indindcod"},
      {"tblLegDomenii", "iddomd"},        {"tblParti", "indactul"},
      {"tblModif", "indmodificant"},      {"tblModif", "indmodificat"},
      {"tblcuv", "index1"},               {"tblPoziti", "indleg"},
  };
  for (const Case& c : cases) {
    Table t(*db_, c.table);
    t.Open();
    EXPECT_NO_THROW(t.SetIndexName(c.index)) << c.table << " " << c.index;
  }
  // An index of another table is not this table's.
  Table acts(*db_, "tblActe");
  acts.Open();
  EXPECT_THROW(acts.SetIndexName("indactul"), StoreError);
}

TEST_F(SchemaTest, CreatingAgainKeepsTheRows) {
  {
    Table t(*db_, "tblActe");
    t.Open(true);
    t.Append();
    t.SetString("IndNum", "L P 1 2001 0");
    t.Post();
  }
  CreateSchema(*db_);
  Table t(*db_, "tblActe");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1);
  // The names the programs use, spelled as they spell them.
  for (const char* column : {"IdAct", "IdDomeniu", "IdEmitent", "IdPublicatie", "Numar",
                             "IdTipAct", "NrOficial", "Data", "DataPub", "Anul", "Titlu",
                             "Titlu2", "Textul", "Struct", "TextSize", "StructSize", "CompText",
                             "CompStruct", "Rep", "Limba", "IndNum", "UpdOk", "Enerv"}) {
    EXPECT_NO_THROW(t.IsNull(column)) << column;
  }
}

TEST_F(SchemaTest, SeedingAddsEachCodeOnce) {
  const std::string tsv = WriteFile(
      "codes.tsv", Utf8ToCp1250("tblTipAct\tL\tLege\r\n"
                                "tblTipAct\tHOT\tHotărâre\r\n"
                                "\r\n"
                                "tblEmitenti\tGUV\tGuvernul României\r\n"
                                "tblDomenii\tACH\tAchiziţii publice\r\n"
                                "tblPublicatii\tMO\tMonitorul Oficial\r\n"
                                "tbltipmod\tM\tModificat de\r\n"
                                "tblTipAct\tL\tLege repetată\r\n"));
  EXPECT_EQ(SeedCodeTables(*db_, tsv), 6);
  EXPECT_EQ(SeedCodeTables(*db_, tsv), 0);

  Table types(*db_, "tblTipAct");
  types.Open();
  types.SetIndexName("indindcod");
  ASSERT_TRUE(types.First());
  EXPECT_EQ(types.AsString("IndCod"), "HOT");
  EXPECT_EQ(types.AsString("TipAct"), Utf8ToCp1250("Hotărâre"));
  ASSERT_TRUE(types.Locate("IndCod", "L"));
  EXPECT_EQ(types.AsString("TipAct"), "Lege");  // the first row of a code wins
  EXPECT_EQ(types.RecordCount(), 2);

  Table kinds(*db_, "tbltipmod");
  kinds.Open();
  ASSERT_TRUE(kinds.Locate("IndCod", "M"));
  EXPECT_EQ(kinds.AsString("NumModif"), "Modificat de");
}

TEST_F(SchemaTest, MalformedSeedFilesNameTheLineAndAddNothing) {
  struct Case {
    const char* content;
    const char* message;
  };
  const Case cases[] = {
      {"tblTipAct\tL\tLege\ntblActe\tX\tAct\n", "line 2: unknown code table tblActe"},
      {"tblTipAct\tL\tLege\ntblTipAct L Lege\n", "line 2: expected"},
      {"tblTipAct\t\tLege\n", "line 1: expected"},
  };
  for (const Case& c : cases) {
    const std::string tsv = WriteFile("bad.tsv", c.content);
    try {
      SeedCodeTables(*db_, tsv);
      ADD_FAILURE() << "accepted " << c.content;
    } catch (const StoreError& e) {
      EXPECT_NE(std::string(e.what()).find(tsv + " " + c.message), std::string::npos)
          << e.what();
    }
    Table types(*db_, "tblTipAct");
    types.Open();
    EXPECT_TRUE(types.IsEmpty());
  }
  EXPECT_THROW(SeedCodeTables(*db_, dir_ + "/missing.tsv"), StoreError);
}

TEST_F(SchemaTest, SeedsTheCorpusCodeTables) {
  const char* corpus = std::getenv("CORVANA_CORPUS");
  if (corpus == nullptr || !std::filesystem::exists(std::string(corpus) + "/codes.tsv")) {
    GTEST_SKIP() << "no corpus";
  }
  const std::string tsv = std::string(corpus) + "/codes.tsv";
  const int added = SeedCodeTables(*db_, tsv);
  EXPECT_GT(added, 0);
  int rows = 0;
  for (const char* table : {"tblTipAct", "tblEmitenti", "tblDomenii", "tblPublicatii",
                            "tbltipmod"}) {
    Table t(*db_, table);
    t.Open();
    rows += t.RecordCount();
  }
  EXPECT_EQ(rows, added);
  Table types(*db_, "tblTipAct");
  types.Open();
  ASSERT_TRUE(types.Locate("IndCod", "HOT"));
  EXPECT_EQ(types.AsString("TipAct"), Utf8ToCp1250("Hotărâre"));
}

}  // namespace
}  // namespace actsdb
