#include "idxcore/import/intro.h"

#include <cstring>

#include <gtest/gtest.h>

#include "idxcore/import/intro_test_util.h"

namespace idxcore {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// An act in the import format: header, title, "#", text lines.
std::string Act(const std::string& code, const Lines& body, const std::string& domains = "ACH",
                const Lines& modifications = {}, const std::string& title = "privind ceva") {
  Lines lines = {"#" + code, "#" + domains, "#D: 5/3/2001", "#M.Of. nr. 123 din 6/3/2001"};
  lines.insert(lines.end(), modifications.begin(), modifications.end());
  lines.push_back(title);
  lines.push_back("#");
  lines.insert(lines.end(), body.begin(), body.end());
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

class IntroTest : public ImportFixture {
 protected:
  void SetUp() override {
    const std::string codes = ::testing::TempDir() + "/intro_codes.tsv";
    std::ofstream(codes, std::ios::binary)
        << "tblTipAct\tL\tLege\ntblTipAct\tOUG\tOrdonanta de urgenta\ntblTipAct\tSEC\tSectiune\n"
           "tblEmitenti\tP\tParlamentul\ntblEmitenti\tGUV\tGuvernul\n"
           "tblDomenii\tACH\tAchizitii\ntblDomenii\tCONC\tConcesiuni\n"
           "tblPublicatii\tMOF\tMonitorul Oficial\n";
    OpenDatabase(codes);
    engine_->SetDefinitions(ParseHeadingDefinitions(
        {"Capitol", "2", "Capitolul", "CAPITOLUL", "***", "Articol", "5", "Articolul", "Art.",
         "***", "Alineat", "6", "(#num)", "***"},
        "test"));
  }

  int64_t CodeId(actsdb::Table& table, const char* id_column, const std::string& code) {
    EXPECT_TRUE(table.Locate("IndCod", code)) << code;
    return table.AsInteger(id_column);
  }

  // The act of record `index`, which must end its chain.
  int32_t LastAct(int64_t index) {
    diskhash<recwrd>& file = engine_->word_file();
    if (!file.findrec(static_cast<int32_t>(index))) return -1;
    EXPECT_EQ(file.current().next, 0) << index;
    return file.current().value.act_id;
  }

  // Everything an import writes, to compare before and after a failure.
  std::vector<std::vector<std::string>> Snapshot() {
    std::vector<std::vector<std::string>> all;
    for (const char* sql :
         {"SELECT IdAct, IndNum, Titlu, Textul, Struct FROM tblActe",
          "SELECT IdParte, Actul, NumParte, Mod FROM tblParti",
          "SELECT IdLegDomeniu, IdAct, IdDomeniu FROM tblLegDomenii",
          "SELECT IdWord, Word, First, Last FROM tblcuv",
          "SELECT WordRecords, PositionBytes, WordDumpBytes, PositionDumpBytes"
          " FROM tblIndexState"}) {
      for (auto& row : Rows(sql)) all.push_back(row);
    }
    all.push_back({FileBytes("word.dat"), FileBytes("poziti.dat"), FileBytes("word.dmp"),
                   FileBytes("poziti.dmp")});
    all.push_back(engine_->modification_list());
    return all;
  }
};

TEST_F(IntroTest, WritesRowPartsDomainsTextStructureAndWords) {
  engine_->Prelpchar(Act("L P 2000 10",
                         {" CAPITOLUL I", " Dispozitii",
                          " Art. 1 Contractele contractele ~OUG GUV 5 2002 Ordonanta~"},
                         "ACH CONC XYZ", {}, "privind HOT\xC3R\xC2RE contractele\r\n-(actualizat)"));

  actsdb::Table& acts = t().acts;
  ASSERT_TRUE(acts.Locate("IndNum", "L P 10 2000 0"));
  const int64_t id = acts.AsInteger("IdAct");
  EXPECT_EQ(acts.AsInteger("IdTipAct"), CodeId(t().types, "IdTipAct", "L"));
  EXPECT_EQ(acts.AsInteger("IdEmitent"), CodeId(t().issuers, "IDEmitent", "P"));
  EXPECT_EQ(acts.AsInteger("IdDomeniu"), CodeId(t().domains, "IdDomeniu", "ACH"));
  EXPECT_EQ(acts.AsInteger("IdPublicatie"), CodeId(t().publications, "IdPublicatie", "MOF"));
  EXPECT_EQ(acts.AsInteger("Anul"), 2000);
  EXPECT_EQ(acts.AsInteger("NrOficial"), 10);
  EXPECT_EQ(acts.AsInteger("Rep"), 0);
  EXPECT_EQ(acts.AsInteger("Numar"), 123);
  EXPECT_EQ(acts.AsString("Limba"), "R");
  EXPECT_EQ(acts.AsDate("Data"), (actsdb::Date{2001, 3, 5}));
  EXPECT_EQ(acts.AsDate("DataPub"), (actsdb::Date{2001, 3, 6}));
  // A Windows-1250 act keeps its capital breve and circumflex A.
  EXPECT_EQ(acts.AsString("Titlu"), "privind HOT\xC3R\xC2RE contractele ");
  EXPECT_EQ(acts.AsString("Titlu2"), "-(actualizat)");
  EXPECT_EQ(acts.AsString("Textul"),
            "privind HOT\xC3R\xC2RE contractele<BR>\r\n"
            "<a name=2> </a>\r\n"
            " <t5>CAPITOLUL I</t5>\r\n"
            "<t4> Dispozitii</t4>\r\n"
            "<a name=3> </a>\r\n"
            " <b>Art. 1 </b>Contractele contractele <a href=\"# OUG GUV 5 2002\"> Ordonanta</a>"
            "<BR>\r\n");
  EXPECT_EQ(acts.AsString("Struct"),
            "Actul\r\n\tCAPITOLUL I#2#\r\n\t\tArt. 1 #3#Contractele contractele  Ordonanta\r\n");

  const std::string act = std::to_string(id);
  EXPECT_EQ(Rows("SELECT IdParte, Actul, NumParte FROM tblParti ORDER BY IdParte"),
            (std::vector<Lines>{{"1", act, "Actul"}, {"2", act, "CAPITOLUL I"},
                                {"3", act, "Art. 1 "}}));
  // The unknown domain code is skipped; the others keep their order.
  EXPECT_EQ(Rows("SELECT IdAct, IdDomeniu FROM tblLegDomenii ORDER BY IdLegDomeniu"),
            (std::vector<Lines>{{act, std::to_string(CodeId(t().domains, "IdDomeniu", "ACH"))},
                                {act, std::to_string(CodeId(t().domains, "IdDomeniu", "CONC"))}}));

  // Tokens: CONC(0) PRIVIND(1) HOTARARE(2) CONTRACTELE(3) ACTUALIZAT(4)
  // CAPITOLUL(5) DISPOZITII(6) CONTRACTELE(7) CONTRACTELE(8) ORDONANTA(9).
  EXPECT_EQ(Rows("SELECT Word FROM tblcuv ORDER BY Word"),
            (std::vector<Lines>{{"ACTUALIZAT"}, {"CAPITOL"}, {"CONC"}, {"CONTRACTEL"},
                                {"DISPOZIT"}, {"HOTARAR"}, {"ORDONANT"}, {"PRIVIND"}}));
  diskhash<recwrd>& words = engine_->word_file();
  ASSERT_TRUE(t().words.Locate("Word", "CONTRACTEL"));
  EXPECT_EQ(t().words.AsInteger("First"), t().words.AsInteger("Last"));
  ASSERT_TRUE(words.findrec(static_cast<int32_t>(t().words.AsInteger("First"))));
  EXPECT_EQ(words.current().value.act_id, id);
  EXPECT_EQ(words.current().value.count, 3);
  EXPECT_EQ(words.current().value.position, 0);  // offset in poziti.dat
  EXPECT_EQ(FileBytes("poziti.dat"), std::string("\x03\x00\x07\x00\x08\x00", 6));
  ASSERT_TRUE(t().words.Locate("Word", "ORDONANT"));
  ASSERT_TRUE(words.findrec(static_cast<int32_t>(t().words.AsInteger("First"))));
  EXPECT_EQ(words.current().value.count, 1);
  EXPECT_EQ(words.current().value.position, 9);  // the position itself
  EXPECT_EQ(words.getsize(), 8);
}

TEST_F(IntroTest, ChainsGrowByOneRecordPerActIncludingEmptyAndLongStems) {
  // Tokens: PRIVIND(0) CEVA(1) CONTRACTELE(2, 3) ELOR(4, 5, 6) DEZ...(7).
  const Lines body = {" contractele contractele ELOR ELOR ELOR DEZINSTITUTIONALIZAREALTCEVAXYZ"};
  engine_->Prelpchar(Act("L P 2000 10", body));
  const int32_t a = static_cast<int32_t>(engine_->last_act_id());
  ASSERT_TRUE(t().words.Locate("Word", "CONTRACTEL"));
  const int64_t first = t().words.AsInteger("First");
  engine_->Prelpchar(Act("L P 2000 11", body));
  const int32_t b = static_cast<int32_t>(engine_->last_act_id());

  for (const char* stem : {"CONTRACTEL", "", "DEZINSTITUTIONALIZAREALTC"}) {
    EXPECT_EQ(ChainOf(stem), (std::vector<int32_t>{a, b})) << stem;
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM tblcuv WHERE Word = '" + std::string(stem) + "'"),
              (std::vector<Lines>{{"1"}}))
        << stem;
  }
  // tblcuv's Last follows the chain's end only when the engine flushes.
  ASSERT_TRUE(t().words.Locate("Word", "CONTRACTEL"));
  EXPECT_EQ(t().words.AsInteger("First"), first);
  EXPECT_EQ(t().words.AsInteger("Last"), first);
  engine_->FlushDictionary();
  t().words.SetIndexName("");  // lists the rows again, as now written
  ASSERT_TRUE(t().words.Locate("Word", "CONTRACTEL"));
  EXPECT_EQ(t().words.AsInteger("First"), first);
  EXPECT_EQ(LastAct(t().words.AsInteger("Last")), b);

  // Each act's runs follow each other in the order of the stems ("" before
  // CONTRACTEL), and each record points at its own run.
  const std::string run("\x04\x00\x05\x00\x06\x00\x02\x00\x03\x00", 10);
  EXPECT_EQ(FileBytes("poziti.dat"), run + run);
  struct Expected {
    const char* stem;
    std::vector<int32_t> offsets;
  } expected[] = {{"", {0, 10}}, {"CONTRACTEL", {6, 16}}};
  diskhash<recwrd>& words = engine_->word_file();
  for (const Expected& e : expected) {
    ASSERT_TRUE(t().words.Locate("Word", e.stem));
    std::vector<int32_t> offsets;
    if (words.findrec(static_cast<int32_t>(t().words.AsInteger("First")))) {
      do offsets.push_back(words.current().value.position);
      while (words.nextrec());
    }
    EXPECT_EQ(offsets, e.offsets) << e.stem;
  }
}

TEST_F(IntroTest, DictionaryChangedElsewhereIsReadAgain) {
  engine_->Prelpchar(Act("L P 2000 10", {" contractele"}));
  const int32_t a = static_cast<int32_t>(engine_->last_act_id());
  // Another writer (a dump replay) extends the chain and moves Last.
  ASSERT_TRUE(t().words.Locate("Word", "CONTRACTEL"));
  diskhash<recwrd>& words = engine_->word_file();
  ASSERT_TRUE(words.findrec(static_cast<int32_t>(t().words.AsInteger("Last"))));
  recwrd replayed{};
  replayed.act_id = 99;
  replayed.count = 1;
  const int32_t index = words.addlink(replayed);
  t().words.Edit();
  t().words.SetInteger("Last", index);
  t().words.Post();
  engine_->DictionaryChanged();

  engine_->Prelpchar(Act("L P 2000 11", {" contractele"}));
  EXPECT_EQ(ChainOf("CONTRACTEL"),
            (std::vector<int32_t>{a, 99, static_cast<int32_t>(engine_->last_act_id())}));
}

TEST_F(IntroTest, FailedActLeavesNoTraceAndTheNextOneImports) {
  engine_->SetDump(dir_);
  engine_->Prelpcharwmod(
      Act("L P 2000 10", {" Art. 1 contractele contractele", " text"}, "ACH", {"#M L P 1999 5"}));
  const int32_t a = static_cast<int32_t>(engine_->last_act_id());
  // A store failure after the act's words have started going into the
  // index: its last stem (in byte order) cannot be added to the dictionary.
  db_->Execute(
      "CREATE TRIGGER refuse BEFORE INSERT ON tblcuv WHEN NEW.Word = 'ZZZBUM' "
      "BEGIN SELECT RAISE(ABORT, 'injected failure'); END");

  struct Case {
    const char* name;
    std::string text;
    Lines mentions;
  } cases[] = {
      {"malformed reference",
       Act("L P 2000 11", {" Art. 1 contractele", " vezi ~L P 1~"}, "ACH CONC", {"#A L P 1998 4"}),
       {"L P 11 2000 0", "line 9", "~L P 1"}},
      {"store failure while indexing",
       Act("L P 2000 12", {" Art. 1 contractele contractele noi", " zzzbum"}, "ACH CONC",
           {"#A L P 1998 4"}),
       {"L P 12 2000 0", "injected failure"}},
      {"malformed header", Act("L P 2000", {" text"}), {"header line 1"}},
      {"replacement that fails", Act("L P 2000 10", {" contractele", " zzzbum"}),
       {"L P 10 2000 0", "injected failure"}},
  };
  for (const Case& c : cases) {
    const auto before = Snapshot();
    try {
      engine_->Prelpcharwmod(c.text);
      ADD_FAILURE() << c.name;
    } catch (const ImportError& e) {
      for (const std::string& m : c.mentions) {
        EXPECT_NE(std::string(e.what()).find(m), std::string::npos) << c.name << ": " << e.what();
      }
    }
    EXPECT_EQ(Snapshot(), before) << c.name;
  }

  engine_->Prelpcharwmod(Act("L P 2000 13", {" Art. 1 contractele", " text"}));
  const int32_t c = static_cast<int32_t>(engine_->last_act_id());
  EXPECT_EQ(ChainOf("CONTRACTEL"), (std::vector<int32_t>{a, c}));
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM tblActe"), (std::vector<Lines>{{"2"}}));
  // The failures dropped only their own moves of the chains' ends.
  engine_->FlushDictionary();
  t().words.SetIndexName("");
  for (const char* stem : {"CONTRACTEL", "TEXT"}) {
    ASSERT_TRUE(t().words.Locate("Word", stem)) << stem;
    EXPECT_EQ(LastAct(t().words.AsInteger("Last")), c) << stem;
  }
  EXPECT_EQ(engine_->modification_list(), (Lines{"M L P 2000 10 0##L P 1999 5 0"}));
}

TEST_F(IntroTest, ReplacementLeavesTheActAsItsNewTextSays) {
  engine_->Prelpchar(Act("L P 2000 10", {" Art. 1 alfa beta", " Art. 2 alfa"}, "ACH CONC"));
  const int64_t x = engine_->last_act_id();
  engine_->Prelpchar(Act("OUG GUV 2001 5", {" Art. 9 alfa"}));
  const int64_t y = engine_->last_act_id();
  // Parts: X: Actul 1, Art. 1 2, Art. 2 3; Y: Actul 4, Art. 9 5. Y's
  // article 9 modified X's article 2, Y as a whole X's article 1.
  actsdb::Table& modif = t().modifications;
  for (auto [from, to] : {std::pair{5, 3}, std::pair{4, 2}}) {
    modif.Append();
    modif.SetInteger("IdModificant", from);
    modif.SetInteger("IdModificat", to);
    modif.Post();
  }
  ASSERT_TRUE(t().parts.Locate("IdParte", int64_t{3}));
  t().parts.Edit();
  t().parts.SetBoolean("Mod", true);
  t().parts.Post();
  const int32_t records_before = engine_->word_file().getsize();

  engine_->SetDump(dir_);
  engine_->Prelpchar(
      Act("L P 2000 10", {" Art. 2 alfa gama"}, "ACH", {}, "privind altceva"));

  EXPECT_EQ(engine_->last_act_id(), x);
  EXPECT_EQ(Rows("SELECT IdAct, Titlu, TextSize, StructSize FROM tblActe ORDER BY IdAct"),
            (std::vector<Lines>{{std::to_string(x), "privind altceva ", "0", "0"},
                                {std::to_string(y), "privind ceva ", "", ""}}));
  const std::string xs = std::to_string(x);
  EXPECT_EQ(Rows("SELECT IdParte, NumParte, Mod FROM tblParti WHERE Actul = " + xs +
                 " ORDER BY IdParte"),
            (std::vector<Lines>{{"6", "Actul", ""}, {"7", "Art. 2 ", "True"}}));
  // The old article 2's link moved to the new article 2, the old article
  // 1's (no longer in the text) to the new whole-act part.
  EXPECT_EQ(Rows("SELECT IdModificant, IdModificat FROM tblModif ORDER BY IdMod"),
            (std::vector<Lines>{{"5", "7"}, {"4", "6"}}));
  EXPECT_EQ(Rows("SELECT IdDomeniu FROM tblLegDomenii WHERE IdAct = " + xs),
            (std::vector<Lines>{{std::to_string(CodeId(t().domains, "IdDomeniu", "ACH"))}}));

  // The old records stay in their chains with act 0: a word the new text
  // lost no longer finds the act, a word it kept finds it once.
  const int32_t xi = static_cast<int32_t>(x);
  const int32_t yi = static_cast<int32_t>(y);
  EXPECT_EQ(ChainOf("ALF"), (std::vector<int32_t>{0, yi, xi}));
  EXPECT_EQ(ChainOf("BET"), (std::vector<int32_t>{0}));
  EXPECT_EQ(ChainOf("GAM"), (std::vector<int32_t>{xi}));

  // Each retired record is dumped with flag 2, as it now stands, and its
  // index; then come the new version's records.
  const std::string dump = FileBytes("word.dmp");
  ASSERT_EQ(dump.size() % 17, 0u);
  int retired = 0;
  diskhash<recwrd>& words = engine_->word_file();
  for (size_t at = 0; at < dump.size(); at += 17) {
    int32_t act = 0;
    int32_t tail = 0;
    std::memcpy(&act, dump.data() + at + 1, 4);
    std::memcpy(&tail, dump.data() + at + 13, 4);
    if (dump[at] == 2) {
      ++retired;
      EXPECT_EQ(act, 0);
      ASSERT_TRUE(words.findrec(tail));
      EXPECT_EQ(words.current().value.act_id, 0);
      EXPECT_LT(tail, records_before);
    } else {
      EXPECT_EQ(act, xi);
    }
  }
  // X's first version: CONC (of its domain line), PRIVIND, CEV, ALF, BET.
  EXPECT_EQ(retired, 5);

  // Acts of type SEC are never replaced.
  engine_->Prelpchar(Act("SEC P 2000 1", {" a"}));
  engine_->Prelpchar(Act("SEC P 2000 1", {" b"}));
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM tblActe WHERE IndNum = 'SEC P 1 2000 0'"),
            (std::vector<Lines>{{"2"}}));
}

// A replacement uses up the IdAct of the row it appended and deleted, as
// every installation that imports the same acts does; an act that fails
// gives back every key it took.
TEST_F(IntroTest, ReplacementUsesUpTheKeyOfTheRowItAppended) {
  db_->Execute(
      "CREATE TRIGGER refuse BEFORE INSERT ON tblcuv WHEN NEW.Word = 'ZZZBUM' "
      "BEGIN SELECT RAISE(ABORT, 'injected failure'); END");
  engine_->Prelpchar(Act("L P 2000 10", {" alfa"}));
  const int64_t a = engine_->last_act_id();
  engine_->Prelpchar(Act("L P 2000 11", {" beta"}));
  const int64_t b = engine_->last_act_id();
  ASSERT_EQ(b, a + 1);
  EXPECT_THROW(engine_->Prelpchar(Act("L P 2000 12", {" zzzbum"})), ImportError);
  engine_->Prelpchar(Act("L P 2000 10", {" gama"}));
  EXPECT_EQ(engine_->last_act_id(), a);
  EXPECT_THROW(engine_->Prelpchar(Act("L P 2000 11", {" zzzbum"})), ImportError);
  engine_->Prelpchar(Act("L P 2000 13", {" delta"}));
  EXPECT_EQ(engine_->last_act_id(), b + 2);
  EXPECT_EQ(Rows("SELECT IdAct, IndNum FROM tblActe ORDER BY IdAct"),
            (std::vector<Lines>{{std::to_string(a), "L P 10 2000 0"},
                                {std::to_string(b), "L P 11 2000 0"},
                                {std::to_string(b + 2), "L P 13 2000 0"}}));
}

TEST_F(IntroTest, LanguageVersionsEncodingsAndModificationLines) {
  engine_->Prelpcharwmod(Act("L P 2000 10", {" text"}, "ACH", {"#M L P 1999 5"}, "privind \xF0"));
  // The Hungarian version keeps its letters and brings no modification lines.
  engine_->Prelpcharwmod(Act("L P 2000 10 M", {" text"}, "ACH", {"#M L P 1999 5"}, "a \xF0"));
  // An unknown type and issuer leave their fields empty; the Hungarian
  // version's mark does not outlive it.
  engine_->Prelpcharwmod(Act("XX YY 2000 3", {" text"}, "ACH", {}, "privind \xF0"));

  EXPECT_EQ(Rows("SELECT IndNum, Limba, Titlu, IdTipAct, IdEmitent FROM tblActe ORDER BY IdAct"),
            (std::vector<Lines>{{"L P 10 2000 0", "R", "privind \xE3 ", "1", "1"},
                                {"L P 10 2000 0 M", "M", "a \xF0 ", "1", "1"},
                                {"XX YY 3 2000 0", "R", "privind \xE3 ", "", ""}}));
  EXPECT_EQ(engine_->modification_list(), (Lines{"M L P 2000 10 0##L P 1999 5 0"}));

  // The stream-fed import does not look for the mark before the reflow.
  std::istringstream stream(Act("L P 2001 20 M", {" text"}, "ACH", {}, "b \xF0"));
  engine_->PrelAct(stream);
  EXPECT_EQ(Rows("SELECT Limba, Titlu FROM tblActe WHERE IndNum = 'L P 20 2001 0 M'"),
            (std::vector<Lines>{{"M", "b \xE3 "}}));
}

TEST_F(IntroTest, DirectoryWalkImportsFilesInNameOrderThenSubdirectories) {
  const std::string acts = dir_ + "/acts";
  fs::create_directories(acts + "/sub");
  std::ofstream(acts + "/b.txt", std::ios::binary) << Act("L P 2000 2", {" b"});
  std::ofstream(acts + "/a.txt", std::ios::binary) << Act("L P 2000 1", {" a"});
  std::ofstream(acts + "/sub/c.txt", std::ios::binary) << Act("L P 2000 3", {" c"});
  engine_->PrelDirs(acts);
  EXPECT_EQ(Rows("SELECT IndNum FROM tblActe ORDER BY IdAct"),
            (std::vector<Lines>{{"L P 1 2000 0"}, {"L P 2 2000 0"}, {"L P 3 2000 0"}}));
  EXPECT_THROW(engine_->PrelFile(acts + "/missing.txt"), ImportError);
}

}  // namespace
}  // namespace idxcore
