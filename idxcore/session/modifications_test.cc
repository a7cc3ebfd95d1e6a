#include "idxcore/session/modifications.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "actsdb/database_test_fixture.h"
#include "actsdb/schema.h"
#include "idxcore/index/test_util.h"

namespace idxcore {
namespace {

TEST(ActKeyTest, PutsTheNumberBeforeTheYear) {
  const struct {
    const char* text;
    bool default_republication;
    const char* key;
  } cases[] = {
      {"L PARL 2001 12 0", false, "L PARL 12 2001 0"},
      {"oug guv 2002 5 1", false, "OUG GUV 5 2002 1"},
      {"L PARL 2001 12", true, "L PARL 12 2001 0"},
      // Folded letters and separators other than blanks.
      {"HOT GUV, 2004. 300 0", false, "HOT GUV 300 2004 0"},
      {"L P\xAA 2001 12 0 M", false, "L PS 12 2001 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ActKeyFromText(c.text, c.default_republication), c.key) << c.text;
  }
  EXPECT_THROW(ActKeyFromText("L PARL 2001 12", false), ModificationError);
  EXPECT_THROW(ActKeyFromText("L PARL 2001", true), ModificationError);
}

TEST(ActModificationTest, CutsTheLineAtItsSeparator) {
  const ActModification m = ParseActModification("M L PARL 2001 12 0##OUG GUV 2002 5 0");
  EXPECT_EQ(m.type_code, "M");
  EXPECT_EQ(m.modified, "L PARL 2001 12 0");
  EXPECT_EQ(m.modifying, "OUG GUV 2002 5 0");

  const ActModification four = ParseActModification("A OG GUV 2003 8##L PARL 2003 45 0");
  EXPECT_EQ(ActKeyFromText(four.modified, true), "OG GUV 8 2003 0");

  for (const char* bad : {"M L PARL 2001 12 0 OUG GUV 2002 5 0",  // no "#"
                          "M L PARL 2001 12 0##OUG GUV 2002 5",   // modifying act short
                          "M L 2001##OUG GUV 2002 5 0",           // modified act short
                          "M#"}) {
    EXPECT_THROW(ParseActModification(bad), ModificationError) << bad;
  }
}

TEST(PartModificationTest, ReadsFifteenWords) {
  const PartModification m =
      ParsePartModification("OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 Art 13");
  EXPECT_EQ(m.modifying_key, "OUG GUV 5 2002 0");
  EXPECT_EQ(m.modifying_kind, 'A');
  EXPECT_EQ(m.modifying_number, 1);
  EXPECT_EQ(m.type_code, "M");
  EXPECT_EQ(m.modified_key, "L PARL 12 2001 0");
  EXPECT_EQ(m.modified_kind, 'A');
  EXPECT_EQ(m.modified_number, 13);

  EXPECT_THROW(ParsePartModification("OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A"),
               ModificationError);
  EXPECT_THROW(ParsePartModification("OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 5a"),
               ModificationError);
  EXPECT_THROW(ParsePartModification("OUG GUV 2002 5 0 A X M L PARL 2001 12 0 A 5"),
               ModificationError);
}

TEST(PartNumberTest, ReadsDigitsRomanNumeralsAndCountsAnnexes) {
  const struct {
    const char* label;
    int number;
  } cases[] = {
      {"Articolul 12", 12},  {"Art. 12.", 12},       {"12.", 12},
      {"Articolul 19 ", 19},  // a heading followed by text keeps its blank
      {"Articolul 5^1", 1},  {"Capitolul VIII", 8},  {"Capitolul IV", 4},
      {"Capitolul III", 3},  {"Capitolul IX", 9},    {"Capitolul X", 10},
      {"Capitolul XI", 1},   {"Titlul VII ", 7},     {"Actul", 0},
      {"Anexa nr. 2", 2},    {"", 0},
  };
  for (const auto& c : cases) {
    int annexes = 0;
    EXPECT_EQ(PartNumber(c.label, annexes), c.number) << '"' << c.label << '"';
    EXPECT_EQ(annexes, 0) << c.label;
  }
  int annexes = 0;
  EXPECT_EQ(PartNumber("ANEXA", annexes), 1);
  EXPECT_EQ(PartNumber("Anexa", annexes), 2);
  EXPECT_EQ(annexes, 2);
}

TEST(FindPartTest, FindsByKindAndNumberOrFallsBackToTheLastPart) {
  const std::vector<std::string> labels = {
      "Actul",       "Capitolul I",  "Articolul 1", "Articolul 2 ", "Capitolul II",
      "Secţiunea 1", "Articolul 12.", "ANEXA",       "ANEXA",        "Anexa nr. 3"};
  const struct {
    char kind;
    int number;
    size_t index;
  } cases[] = {
      {'T', 0, 0},  {'C', 1, 1},  {'A', 2, 3}, {'C', 2, 4}, {'S', 1, 5},
      {'A', 12, 6}, {'X', 1, 7},  {'X', 2, 8}, {'X', 3, 9},
      {'A', 5, 9},   // no article 5: the last part
      {'Q', 0, 9},   // an unknown kind matches nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindPart(labels, c.kind, c.number), c.index) << c.kind << c.number;
  }
}

// A database with the modification types and a few acts with their parts.
class ModificationDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_.file("codes.tsv"), "tbltipmod\tM\tmodificat\ntbltipmod\tA\tabrogat\n");
    actsdb::SeedCodeTables(*db_, dir_.file("codes.tsv"));
    for (auto* table : {&acts_, &parts_, &types_, &links_, &queue_}) table->Open(true);
  }

  // Adds an act with its parts; returns the IdParte of each part.
  std::vector<int64_t> AddAct(const std::string& key, const std::vector<std::string>& labels) {
    acts_.Append();
    acts_.SetString("IndNum", key);
    acts_.Post();
    const int64_t id = acts_.AsInteger("IdAct");
    std::vector<int64_t> ids;
    for (const std::string& label : labels) {
      parts_.Append();
      parts_.SetInteger("Actul", id);
      parts_.SetString("NumParte", label);
      parts_.SetBoolean("Mod", false);
      parts_.Post();
      ids.push_back(parts_.AsInteger("IdParte"));
    }
    return ids;
  }

  struct Link {
    int64_t modifying, modified, type;
    bool operator==(const Link&) const = default;
  };
  std::vector<Link> Links() {
    std::vector<Link> links;
    for (bool on = links_.First(); on; on = links_.Next()) {
      links.push_back({links_.AsInteger("IdModificant"), links_.AsInteger("IdModificat"),
                       links_.AsInteger("IdTipMod")});
    }
    return links;
  }
  bool Modified(int64_t part) {
    return parts_.Locate("IdParte", part) && parts_.AsBoolean("Mod");
  }
  int64_t Type(const std::string& code) {
    EXPECT_TRUE(types_.Locate("IndCod", code));
    return types_.AsInteger("IdTipMod");
  }

  ModificationTables tables() { return {*db_, acts_, parts_, types_, links_, queue_}; }
  ReportFn reporter() {
    return [this](const std::string& m) { reports_.push_back(m); };
  }

  TempDir dir_;
  std::unique_ptr<actsdb::Database> db_ = actsdb::NewDatabaseWithSchema(dir_.path());
  actsdb::Table acts_{*db_, "tblActe"}, parts_{*db_, "tblParti"}, types_{*db_, "tbltipmod"},
      links_{*db_, "tblModif"}, queue_{*db_, "tblmodtxt"};
  std::vector<std::string> reports_;
};

TEST_F(ModificationDbTest, QueuedLinesWaitForBothActs) {
  const std::vector<int64_t> law = AddAct("L PARL 12 2001 0", {"Actul", "Articolul 1"});
  const std::vector<int64_t> ordinance = AddAct("OUG GUV 5 2002 0", {"Actul"});

  EXPECT_EQ(ProcessActModifications(tables(), "", reporter()), 0);
  EXPECT_TRUE(queue_.IsEmpty());

  // The second line names an act that is not there yet; the third is
  // malformed and never queued.
  EXPECT_EQ(ProcessActModifications(tables(),
                                    "M L PARL 2001 12 0##OUG GUV 2002 5 0\r\n"
                                    "A OUG GUV 2002 5##HOT GUV 2009 7 0\r\n"
                                    "M L PARL 2001##OUG GUV 2002 5 0\r\n",
                                    reporter()),
            1);
  EXPECT_EQ(queue_.RecordCount(), 2);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("M L PARL 2001##OUG GUV 2002 5 0"), std::string::npos) << reports_[0];
  EXPECT_EQ(Links(), (std::vector<Link>{{ordinance[0], law[0], Type("M")}}));
  EXPECT_TRUE(Modified(law[0]));
  EXPECT_FALSE(Modified(ordinance[0]));

  // A stored row that can never be read is reported and left alone; the
  // rows after it are still resolved once their acts exist.
  queue_.Append();
  queue_.SetString("ModificatTxt", "X");
  queue_.SetString("ModificantTxt", "Y");
  queue_.SetString("Modificare", "M");
  queue_.SetBoolean("Done", false);
  queue_.Post();
  const std::vector<int64_t> decision = AddAct("HOT GUV 7 2009 0", {"Actul", "Articolul 1"});
  reports_.clear();
  EXPECT_EQ(ProcessActModifications(tables(), "M L PARL 2001 12 0##HOT GUV 2009 7 0", reporter()),
            2);
  EXPECT_EQ(reports_.size(), 1u);
  EXPECT_EQ(Links(), (std::vector<Link>{{ordinance[0], law[0], Type("M")},
                                        {decision[0], ordinance[0], Type("A")},
                                        {decision[0], law[0], Type("M")}}));
  EXPECT_TRUE(Modified(ordinance[0]));
  int pending = 0;
  for (bool on = queue_.First(); on; on = queue_.Next()) pending += !queue_.AsBoolean("Done");
  EXPECT_EQ(pending, 1);

  // The same lines again add nothing.
  const int rows = queue_.RecordCount();
  ProcessActModifications(tables(), "M L PARL 2001 12 0##OUG GUV 2002 5 0", reporter());
  EXPECT_EQ(queue_.RecordCount(), rows);
  EXPECT_EQ(Links().size(), 3u);
}

TEST_F(ModificationDbTest, PartLinesLinkTheNamedPartsOrTheLastOne) {
  const std::vector<int64_t> law =
      AddAct("L PARL 12 2001 0", {"Actul", "Capitolul I", "Articolul 1", "Articolul 2 ",
                                  "Capitolul VIII", "Articolul 12.", "ANEXA", "ANEXA"});
  const std::vector<int64_t> ordinance = AddAct("OUG GUV 5 2002 0", {"Actul", "Articolul 1"});

  const int linked = ProcessPartModifications(tables(),
                                              "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 2\n"
                                              "\n"
                                              "OUG GUV 2002 5 0 A 1 A L PARL 2001 12 0 X 2\n"
                                              "OUG GUV 2002 5 0 T 0 M L PARL 2001 12 0 C 8\n"
                                              "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 12\n"
                                              "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 9\n"
                                              "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 T 0\n"
                                              "OUG GUV 2002 6 0 A 1 M L PARL 2001 12 0 A 1\n"
                                              "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A x1\n"
                                              "OUG GUV 2002 5 0 A 1 Z L PARL 2001 12 0 A 1\n",
                                              reporter());
  const int64_t m = Type("M"), a = Type("A");
  EXPECT_EQ(linked, 6);
  EXPECT_EQ(Links(), (std::vector<Link>{{ordinance[1], law[3], m},
                                        {ordinance[1], law[7], a},
                                        {ordinance[0], law[4], m},
                                        {ordinance[1], law[5], m},
                                        {ordinance[1], law[7], m},
                                        {ordinance[1], law[0], m}}));
  // The line naming a missing act is dropped silently; the malformed
  // number and the unknown type are reported.
  EXPECT_EQ(reports_.size(), 2u);
  for (size_t i : {0, 3, 4, 5, 7}) EXPECT_TRUE(Modified(law[i])) << i;
  for (size_t i : {1, 2, 6}) EXPECT_FALSE(Modified(law[i])) << i;

  ProcessPartModifications(tables(), "OUG GUV 2002 5 0 A 1 M L PARL 2001 12 0 A 2", reporter());
  EXPECT_EQ(Links().size(), 6u);
}

}  // namespace
}  // namespace idxcore
