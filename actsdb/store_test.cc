#include "actsdb/store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/store_test_fixture.h"
#include "actsdb/schema.h"
#include "actsdb/transaction.h"

namespace actsdb {
namespace {

TEST_F(StoreTest, TextRoundTripsAsWindows1250AndIsKeptAsUtf8) {
  std::string every_high_byte;
  for (int c = 0x80; c <= 0xFF; ++c) every_high_byte += static_cast<char>(c);
  const std::string blob("\0\x01\xff zlib", 8);
  {
    Table t(*db_, "tblActe");
    t.Open(true);
    t.Append();
    t.SetString("Titlu", every_high_byte);
    t.SetString("Titlu2", W("-(actualizată până la data de 27 august 2004)"));
    t.SetDate("Data", Date{2001, 3, 5});
    t.SetBlob("CompText", blob);
    t.SetBoolean("UpdOk", true);
    t.Post();
  }
  Table t(*db_, "tblActe");
  t.Open();
  ASSERT_TRUE(t.First());
  EXPECT_EQ(t.AsString("Titlu"), every_high_byte);
  EXPECT_EQ(t.AsString("Titlu2"), W("-(actualizată până la data de 27 august 2004)"));
  EXPECT_EQ(t.AsDate("Data"), (Date{2001, 3, 5}));
  EXPECT_EQ(t.AsString("Data"), "5/3/2001");
  EXPECT_EQ(t.AsBlob("CompText"), blob);
  EXPECT_TRUE(t.AsBoolean("UpdOk"));
  // Nulls read as empty values.
  EXPECT_TRUE(t.IsNull("DataPub"));
  EXPECT_EQ(t.AsString("IndNum"), "");
  EXPECT_EQ(t.AsInteger("Anul"), 0);
  EXPECT_EQ(t.AsDate("DataPub"), std::nullopt);

  // The file holds UTF-8 text and ISO dates, readable by any SQLite tool.
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db_->handle(), "SELECT Titlu2, Data FROM tblActe", -1, &stmt,
                               nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
               "-(actualizată până la data de 27 august 2004)");
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)), "2001-03-05");
  sqlite3_finalize(stmt);
}

TEST_F(StoreTest, TextIsCutToItsDeclaredWidth) {
  struct Case {
    const char* table;
    const char* column;
    size_t width;
  };
  const Case cases[] = {
      {"tblcuv", "Word", 25}, {"tblActe", "IndNum", 30}, {"tblActe", "Titlu", 255},
      {"tblActe", "Limba", 1}, {"tblParti", "NumParte", 20},
  };
  for (const Case& c : cases) {
    // Romanian letters are one byte each in the code page (two in UTF-8).
    const std::string text = std::string(300, 'x').replace(0, 2, W("Şţ"));
    Table t(*db_, c.table);
    t.Open(true);
    t.Append();
    t.SetString(c.column, text);
    t.Post();
    EXPECT_EQ(t.AsString(c.column), text.substr(0, c.width)) << c.table << "." << c.column;
  }
  // Memo columns are unlimited.
  Table acts(*db_, "tblActe");
  acts.Open(true);
  acts.Append();
  acts.SetString("Textul", std::string(100000, 'a'));
  acts.Post();
  EXPECT_EQ(acts.AsString("Textul").size(), 100000u);
}

TEST_F(StoreTest, KeysAreReadableAfterPostAndNeverReused) {
  Table t(*db_, "tblActe");
  t.Open(true);
  auto append = [&] {
    t.Append();
    t.SetInteger("Anul", 2000);
    t.Post();
    return t.AsInteger("IdAct");
  };
  EXPECT_EQ(append(), 1);
  EXPECT_EQ(append(), 2);
  EXPECT_EQ(append(), 3);
  ASSERT_TRUE(t.Last());
  t.Delete();
  EXPECT_EQ(append(), 4);  // not 3 again
  t.Empty();
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(append(), 5);
  // Also across connections.
  t.Close();
  db_ = Database::Open(dir_ + "/" + kDatabaseFileName);
  Table again(*db_, "tblActe");
  again.Open(true);
  again.Append();
  again.Post();
  EXPECT_EQ(again.AsInteger("IdAct"), 6);
}

TEST_F(StoreTest, EditUpdatesOnlyTheCurrentRowAndCancelDropsChanges) {
  AddActs(kActs);
  Table t(*db_, "tblActe");
  t.Open(true);
  ASSERT_TRUE(t.Locate("IdAct", 2));
  t.Edit();
  t.SetInteger("Anul", 1998);
  EXPECT_EQ(t.AsInteger("Anul"), 1998);  // the record buffer reads back
  t.Post();
  t.Edit();
  t.SetInteger("Anul", 1);
  t.Cancel();
  EXPECT_EQ(t.AsInteger("Anul"), 1998);
  EXPECT_EQ(Walk(t, "Anul"), (std::vector<int64_t>{2001, 1998, 2005, 2000, 2005}));

  // Editing calls out of order are errors, not silent no-ops.
  EXPECT_THROW(t.SetInteger("Anul", 3), StoreError);
  EXPECT_THROW(t.Post(), StoreError);
  t.Append();
  EXPECT_THROW(t.Next(), StoreError);
  t.Cancel();
  EXPECT_THROW(t.AsString("NoSuchColumn"), StoreError);
  EXPECT_THROW(t.SetIndexName("nosuchindex"), StoreError);
}

TEST_F(StoreTest, ExclusiveOpeningExcludesEveryOtherOpen) {
  struct Case {
    bool first_exclusive;
    bool second_exclusive;
    bool conflict;
  };
  const Case cases[] = {
      {true, true, true}, {true, false, true}, {false, true, true}, {false, false, false}};
  for (const Case& c : cases) {
    Table first(*db_, "tblActe");
    first.Open(c.first_exclusive);
    Table second(*db_, "tblActe");
    if (c.conflict) {
      try {
        second.Open(c.second_exclusive);
        ADD_FAILURE() << "second open succeeded: " << c.first_exclusive << c.second_exclusive;
      } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("tblActe is in use"), std::string::npos)
            << e.what();
        EXPECT_FALSE(second.active());
      }
    } else {
      EXPECT_NO_THROW(second.Open(c.second_exclusive));
    }
    // Other tables are not affected.
    Table other(*db_, "tblParti");
    EXPECT_NO_THROW(other.Open(true));
    // Closing releases the table.
    first.Close();
    Table third(*db_, "tblActe");
    if (c.conflict) {
      EXPECT_NO_THROW(third.Open(true));
    }
  }
}

TEST_F(StoreTest, ExclusiveOpeningHoldsAgainstAnotherProcess) {
  Table mine(*db_, "tblActe");
  mine.Open(true);
  const std::string result = dir_ + "/child";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::ofstream out(result);
    try {
      auto db = Database::Open(dir_ + "/" + kDatabaseFileName);
      Table t(*db, "tblActe");
      t.Open();
      out << "opened";
    } catch (const StoreError& e) {
      out << e.what();
    }
    out.close();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  std::ifstream in(result);
  std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(message.find("tblActe is in use"), std::string::npos) << message;
}

TEST_F(StoreTest, NavigationSkipsRowsTheRecordFilterRejects) {
  AddActs(kActs);
  Table t(*db_, "tblActe");
  t.Open();
  int64_t wanted_year = 2005;
  t.SetRecordFilter([&](const Dataset& d) { return d.AsInteger("Anul") == wanted_year; });
  EXPECT_EQ(t.RecordCount(), 5);  // installed, not yet on
  t.SetFiltered(true);
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(Walk(t, "IdAct"), (std::vector<int64_t>{3, 5}));
  // Next past the end: eof, and the fields still show the last row.
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.AsInteger("IdAct"), 5);
  EXPECT_TRUE(t.Prior());
  EXPECT_EQ(t.AsInteger("IdAct"), 3);
  EXPECT_FALSE(t.Prior());
  EXPECT_EQ(t.AsInteger("IdAct"), 3);
  ASSERT_TRUE(t.Last());
  EXPECT_EQ(t.AsInteger("IdAct"), 5);
  // Locate finds only accepted rows.
  EXPECT_FALSE(t.Locate("IdAct", 1));
  EXPECT_EQ(t.AsInteger("IdAct"), 5);  // stays put
  // The filter reads outside data: Refilter applies a change of it.
  wanted_year = 1999;
  t.Refilter();
  EXPECT_EQ(t.AsInteger("IdAct"), 2);
  wanted_year = 1800;
  t.Refilter();
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.IsEmpty());
  t.SetFiltered(false);
  EXPECT_EQ(Walk(t, "IdAct"), (std::vector<int64_t>{1, 2, 3, 4, 5}));

  // While a record is edited the filter still judges the stored rows.
  wanted_year = 2005;
  t.SetFiltered(true);
  t.Edit();
  t.SetInteger("Anul", 1);
  EXPECT_EQ(t.RecordCount(), 2);
  t.Cancel();
}

TEST_F(StoreTest, DetailsFollowEveryMoveOfTheirMaster) {
  AddActs(kActs);
  AddParts({{1, false}, {3, true}, {1, true}, {3, false}, {1, false}});  // IdParte 1 to 5
  {
    Table modif(*db_, "tblModif");
    modif.Open(true);
    for (auto [from, to] : std::vector<std::pair<int, int>>{{3, 1}, {3, 5}, {2, 1}}) {
      modif.Append();
      modif.SetInteger("IdModificant", from);
      modif.SetInteger("IdModificat", to);
      modif.Post();
    }
  }
  Table acts(*db_, "tblActe");
  acts.Open();
  Table act_parts(*db_, "tblParti");
  act_parts.SetIndexName("indactul");
  act_parts.SetMaster(&acts, "IdAct", "Actul");
  act_parts.Open();
  Table brought(*db_, "tblModif");
  brought.SetIndexName("indmodificant");
  brought.SetMaster(&act_parts, "IdParte", "IdModificant");
  brought.Open();

  EXPECT_EQ(Walk(act_parts, "IdParte"), (std::vector<int64_t>{1, 3, 5}));
  ASSERT_TRUE(acts.Next());  // act 2 has no act_parts
  EXPECT_TRUE(act_parts.IsEmpty());
  EXPECT_TRUE(brought.IsEmpty());
  ASSERT_TRUE(acts.Locate("IndNum", "HOT GUV 8 2005 0"));  // act 3
  EXPECT_EQ(Walk(act_parts, "IdParte"), (std::vector<int64_t>{2, 4}));
  ASSERT_TRUE(acts.First());
  ASSERT_TRUE(act_parts.Locate("IdParte", 3));
  EXPECT_EQ(Walk(brought, "IdModificat"), (std::vector<int64_t>{1, 5}));
  ASSERT_TRUE(acts.Last());
  EXPECT_TRUE(act_parts.IsEmpty());
  EXPECT_TRUE(brought.IsEmpty());

  // A record filter on the detail (modified act_parts only) applies to each act.
  act_parts.SetRecordFilter([](const Dataset& d) { return d.AsBoolean("Mod"); });
  act_parts.SetFiltered(true);
  ASSERT_TRUE(acts.First());
  EXPECT_EQ(Walk(act_parts, "IdParte"), (std::vector<int64_t>{3}));
  ASSERT_TRUE(acts.Locate("IdAct", 3));
  EXPECT_EQ(Walk(act_parts, "IdParte"), (std::vector<int64_t>{2}));

  // A fixed range without master.
  act_parts.SetRange("Actul", 1);
  act_parts.SetFiltered(false);
  EXPECT_EQ(Walk(act_parts, "IdParte"), (std::vector<int64_t>{1, 3, 5}));
  act_parts.ClearRange();
  EXPECT_EQ(act_parts.RecordCount(), 5);
}

TEST_F(StoreTest, NamedIndexesOrderTheRows) {
  Table types(*db_, "tblTipAct");
  types.Open(true);
  for (const char* code : {"OUG", "L", "HOT", "ORD"}) {
    types.Append();
    types.SetString("IndCod", code);
    types.Post();
  }
  types.SetIndexName("indindcod");
  std::vector<std::string> codes;
  for (bool on = types.First(); on; on = types.Next()) codes.push_back(types.AsString("IndCod"));
  EXPECT_EQ(codes, (std::vector<std::string>{"HOT", "L", "ORD", "OUG"}));
  // Appending in index order places the row by its code.
  types.Append();
  types.SetString("IndCod", "M");
  types.Post();
  EXPECT_EQ(types.AsString("IndCod"), "M");
  EXPECT_TRUE(types.Next());
  EXPECT_EQ(types.AsString("IndCod"), "ORD");
  // An edit of the ordering column moves the row; an edit of another
  // column leaves it where it stands.
  ASSERT_TRUE(types.Locate("IndCod", "HOT"));
  types.Edit();
  types.SetString("IndCod", "Z");
  types.Post();
  EXPECT_FALSE(types.Next());
  ASSERT_TRUE(types.Locate("IndCod", "L"));
  types.Edit();
  types.SetString("TipAct", "Lege");
  types.Post();
  EXPECT_EQ(types.AsString("TipAct"), "Lege");
  EXPECT_TRUE(types.Next());
  EXPECT_EQ(types.AsString("IndCod"), "M");
  std::vector<std::string> after;
  for (bool on = types.First(); on; on = types.Next()) after.push_back(types.AsString("IndCod"));
  EXPECT_EQ(after, (std::vector<std::string>{"L", "M", "ORD", "OUG", "Z"}));
  types.SetIndexName("");
  EXPECT_EQ(Walk(types, "IdTipAct"), (std::vector<int64_t>{1, 2, 3, 4, 5}));
}

TEST_F(StoreTest, LocateIgnoresCaseOfRomanianLettersWhenAsked) {
  Table words(*db_, "tblcuv");
  words.Open(true);
  for (const char* word : {"LEGE", "ŢARĂ", "ŞI", "ÎNCHIRIERE"}) {
    words.Append();
    words.SetString("Word", W(word));
    words.Post();
  }
  struct Case {
    const char* value;
    bool case_insensitive;
    int64_t found;  // 0: not found
  };
  const Case cases[] = {
      {"ŢARĂ", false, 2}, {"ţară", false, 0}, {"ţară", true, 2},  {"Şi", true, 3},
      {"şI", false, 0},   {"închiriere", true, 4}, {"tara", true, 0}, {"LEG", true, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(words.First());
    EXPECT_EQ(words.Locate("Word", W(c.value), c.case_insensitive), c.found != 0) << c.value;
    EXPECT_EQ(words.AsInteger("IdWord"), c.found != 0 ? c.found : 1) << c.value;
  }
  // The dictionary is unique without regard to case.
  words.Append();
  words.SetString("Word", W("ţară"));
  EXPECT_THROW(words.Post(), StoreError);
  words.Cancel();
}

TEST_F(StoreTest, LocateSeesRowsAddedThroughAnotherCursor) {
  AddActs(kActs);
  Table reader(*db_, "tblActe");
  reader.Open();
  Table writer(*db_, "tblActe");
  writer.Open();
  writer.Append();
  writer.SetString("IndNum", "L P 1 2010 0");
  writer.SetString("Titlu", W("Lege nouă"));
  writer.Post();
  ASSERT_TRUE(reader.Locate("IndNum", "L P 1 2010 0"));
  EXPECT_EQ(reader.AsInteger("IdAct"), 6);
  EXPECT_EQ(reader.AsString("Titlu"), W("Lege nouă"));
}

TEST_F(StoreTest, PreparedStatementsRunManyTimesWithWindows1250Text) {
  PreparedStatement insert(*db_, "INSERT INTO tblcuv (Word, First, Last) VALUES (?, ?, ?)");
  const std::vector<std::string> words = {W("ŢARĂ"), W("ŞCOALĂ"), "LEGE"};
  for (size_t i = 0; i < words.size(); ++i) {
    insert.BindString(1, words[i]);
    insert.BindInteger(2, static_cast<int64_t>(i));
    insert.BindInteger(3, static_cast<int64_t>(10 * i));
    EXPECT_FALSE(insert.Step());
  }
  // The table reads them back as Windows-1250: the file holds UTF-8.
  Table t(*db_, "tblcuv");
  t.Open();
  ASSERT_TRUE(t.Locate("Word", words[1]));
  EXPECT_EQ(t.AsInteger("Last"), 10);

  PreparedStatement select(*db_, "SELECT Word, Last, NULL FROM tblcuv WHERE First >= ? "
                                 "ORDER BY First");
  for (int round = 0; round < 2; ++round) {  // done is ready to run again
    select.BindInteger(1, 1);
    std::vector<std::string> seen;
    while (select.Step()) {
      seen.push_back(select.AsString(0));
      EXPECT_TRUE(select.IsNull(2));
      EXPECT_FALSE(select.IsNull(1));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{words[1], words[2]}));
  }
  // Stopped early, reset, run with a new parameter.
  ASSERT_TRUE(select.Step());
  select.Reset();
  select.BindInteger(1, 2);
  ASSERT_TRUE(select.Step());
  EXPECT_EQ(select.AsInteger(1), 20);
  EXPECT_THROW(select.AsInteger(3), StoreError);
  select.Reset();
}

TEST_F(StoreTest, PreparedStatementErrorsNameTheStatementAndLeaveItUsable) {
  EXPECT_THROW(PreparedStatement(*db_, "SELEC 1"), StoreError);
  EXPECT_THROW(PreparedStatement(*db_, "SELECT 1; DELETE FROM tblcuv"), StoreError);
  EXPECT_THROW(PreparedStatement(*db_, "   "), StoreError);

  PreparedStatement insert(*db_, "INSERT INTO tblcuv (Word) VALUES (?)");
  EXPECT_THROW(insert.BindInteger(2, 1), StoreError);
  insert.BindString(1, "LEGE");
  EXPECT_FALSE(insert.Step());
  try {
    insert.Step();  // the dictionary's words are unique
    ADD_FAILURE() << "a second LEGE was inserted";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("INSERT INTO tblcuv"), std::string::npos) << e.what();
  }
  insert.BindString(1, "ACT");
  EXPECT_FALSE(insert.Step());
  // Nor does a failed post keep a table's statement from the next post.
  Table t(*db_, "tblcuv");
  t.Open(true);
  for (const char* word : {"ACT", "ART"}) {
    t.Append();
    t.SetString("Word", word);
    if (std::string(word) == "ACT") {
      EXPECT_THROW(t.Post(), StoreError);
      t.Cancel();
    } else {
      t.Post();
    }
  }
  EXPECT_EQ(Walk(t, "IdWord"), (std::vector<int64_t>{1, 2, 3}));  // LEGE, ACT, ART
}

TEST_F(StoreTest, RolledBackRowsDisappearFromOpenTables) {
  AddActs(kActs);
  Table t(*db_, "tblActe");
  t.Open(true);
  db_->Begin();
  t.Append();
  t.SetString("IndNum", "X");
  t.Post();
  EXPECT_EQ(t.RecordCount(), 6);
  db_->Rollback();
  EXPECT_EQ(Walk(t, "IdAct"), (std::vector<int64_t>{1, 2, 3, 4, 5}));
  EXPECT_FALSE(t.Locate("IndNum", "X"));
}

TEST_F(StoreTest, TransactionGuardKeepsOnlyWhatTheOutermostGuardCommits) {
  Table t(*db_, "tblActe");
  t.Open(true);
  auto append = [&t](const char* key) {
    t.Append();
    t.SetString("IndNum", key);
    t.Post();
  };
  auto keys = [&t] {
    std::vector<std::string> found;
    for (bool on = t.First(); on; on = t.Next()) found.push_back(t.AsString("IndNum"));
    return found;
  };

  // Left by an error: rolled back.
  EXPECT_THROW(
      {
        Transaction transaction(*db_);
        append("failed");
        throw std::runtime_error("write failed");
      },
      std::runtime_error);
  EXPECT_FALSE(db_->in_transaction());
  EXPECT_TRUE(keys().empty());

  {
    Transaction transaction(*db_);
    append("kept");
    transaction.Commit();
  }
  EXPECT_FALSE(db_->in_transaction());

  // Inner guards, committed or not, leave the outer one to decide.
  {
    Transaction outer(*db_);
    {
      Transaction inner(*db_);
      append("inner committed");
      inner.Commit();
    }
    EXPECT_TRUE(db_->in_transaction());
    {
      Transaction inner(*db_);
      append("inner dropped");
    }
    EXPECT_TRUE(db_->in_transaction());
    EXPECT_EQ(keys(), (std::vector<std::string>{"kept", "inner committed", "inner dropped"}));
  }
  EXPECT_FALSE(db_->in_transaction());
  EXPECT_EQ(keys(), std::vector<std::string>{"kept"});
}

// The acts-list query as the filter window writes it.
std::vector<std::string> FilterLines(const char* title_word, const char* from_date) {
  const std::string v = W(title_word);
  return {"SELECT IdAct, IdDomeniu, IdEmitent, IdPublicatie, IdTipAct, NrOficial, Data, "
          "DataPub, Anul, Titlu, Titlu2, Rep,  IndNum, Limba,Numar FROM tblActe",
          "",
          "WHERE",
          "(",
          "(( Titlu LIKE '%" + v + "%' ) OR ( Titlu2 LIKE '%" + v + "%' ))",
          ")",
          "AND",
          "(",
          std::string("( Data >= '") + from_date + "' )",
          ")"};
}

TEST_F(StoreTest, QueryRunsTheFilterWindowsText) {
  AddActs(kActs);
  Query q(*db_);
  q.sql() = FilterLines("hotărâre", "1/1/2000");
  q.sql().push_back("ORDER BY Anul DESCENDING");
  q.Prepare();
  q.Open();
  EXPECT_EQ(Walk(q, "IdAct"), (std::vector<int64_t>{3}));  // 2 is from 1999
  EXPECT_EQ(q.AsString("Titlu"), W("Hotărâre privind ŢARA şi oraşele"));
  EXPECT_EQ(q.AsString("Data"), "20/12/2005");
  q.Close();

  q.sql() = FilterLines("lege", "1/1/1990");
  q.sql().push_back("ORDER BY Anul DESCENDING");
  q.Open();
  EXPECT_EQ(Walk(q, "IdAct"), (std::vector<int64_t>{5, 1}));
  ASSERT_TRUE(q.Locate("IdAct", 1));
  EXPECT_EQ(q.AsInteger("Anul"), 2001);
  EXPECT_EQ(q.SqlText().substr(q.SqlText().size() - 2), "\r\n");
}

TEST_F(StoreTest, QueryErrorsCarryTheEnginesReason) {
  Query q(*db_);
  q.sql() = FilterLines("lege", "30/2/2000");
  try {
    q.Open();
    FAIL() << "an impossible date was accepted";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("30/2/2000"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(q.active());
  q.sql() = {"SELECT IdAct FROM tblActe;", "DELETE FROM tblActe"};
  EXPECT_THROW(q.Open(), StoreError);
  q.sql() = {"SELECT Nimic FROM tblActe"};
  try {
    q.Prepare();
    FAIL() << "an unknown column was accepted";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("no such column: Nimic"), std::string::npos)
        << e.what();
  }
}

class ClientDatasetTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    AddActs(kActs);
    dump_ = dir_ + "/dump.dst";
    ClientDataset::SaveActsList(*db_, dump_);
  }
  std::string dump_;
};

TEST_F(ClientDatasetTest, SavedListLoadsWithTheListColumns) {
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
  ClientDataset list;
  list.LoadFromFile(dump_);
  EXPECT_TRUE(list.active());
  EXPECT_EQ(list.ColumnNames(),
            (std::vector<std::string>{"IdAct", "IdDomeniu", "IdEmitent", "IdPublicatie",
                                      "IdTipAct", "NrOficial", "Data", "DataPub", "Anul",
                                      "Titlu", "Titlu2", "Rep", "IndNum", "Limba", "Numar"}));
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(list.Locate("IdAct", 3));
  EXPECT_EQ(list.AsString("Titlu"), W("Hotărâre privind ŢARA şi oraşele"));
  EXPECT_EQ(list.AsDate("Data"), (Date{2005, 12, 20}));
  ASSERT_TRUE(list.Locate("IndNum", "l p 40 2005 0", true));
  EXPECT_EQ(list.AsInteger("IdAct"), 5);

  // A save that fails leaves the file as it was.
  db_->Begin();
  EXPECT_THROW(ClientDataset::SaveActsList(*db_, dump_), StoreError);
  db_->Rollback();
  EXPECT_THROW(ClientDataset::SaveActsList(*db_, dir_ + "/missing/dump.dst"), StoreError);
  list.LoadFromFile(dump_);
  EXPECT_EQ(list.RecordCount(), 5);

  // Saving again replaces the file whole, also from a database that was
  // opened as it is rather than created.
  AddActs({{1, 2010, "Lege nouă", "1/1/2010", "L P 1 2010 0"}});
  ClientDataset::SaveActsList(*Database::Open(db_->path()), dump_);
  list.LoadFromFile(dump_);
  EXPECT_EQ(list.RecordCount(), 6);

  list.EmptyDataSet();
  EXPECT_TRUE(list.IsEmpty());
  list.Close();
  EXPECT_FALSE(list.active());
  EXPECT_THROW(list.Open(), StoreError);
}

TEST_F(ClientDatasetTest, FileThatIsNoActsListIsRefused) {
  const std::string other = dir_ + "/other.dst";
  {
    std::ofstream out(other);
    out << "not a database at all, just some text that is long enough to look like a header";
  }
  ClientDataset list;
  EXPECT_THROW(list.LoadFromFile(other), StoreError);
  EXPECT_THROW(list.LoadFromFile(dir_ + "/missing.dst"), StoreError);
  // A database without the list.
  EXPECT_THROW(list.LoadFromFile(dir_ + "/" + kDatabaseFileName), StoreError);
  EXPECT_FALSE(list.active());
}

TEST_F(ClientDatasetTest, FilterExpressionsAsTheFindingWindowsWriteThem) {
  ClientDataset list;
  list.LoadFromFile(dump_);
  struct Case {
    std::string expression;
    std::vector<int64_t> ids;
  };
  // Everything after the first "WHERE": the filter window replaces the line
  // breaks by blanks, the find-act window leaves them.
  const std::string title_and_date =
      "  (  (( Titlu LIKE '%" + W("HOTĂRÂRE") + "%' ) OR ( Titlu2 LIKE '%" + W("HOTĂRÂRE") +
      "%' ))  )  AND  (  ( Data >= '1/1/2000' )  )  ";
  const Case cases[] = {
      {title_and_date, {3}},
      {"  (  ( Anul = 2005 )  )  AND  (  ( Limba = 'R' )  )  ", {}},
      {"\r\n(IdTipAct = 1 )\r\nAND\r\n(Anul = 2005 )\r\n", {5}},
      {"  (  ( DataPub <= '1/1/2010' )  )  ", {}},
      {"  (  (( Titlu LIKE '%" + W("şi") + "%' ) OR ( Titlu2 LIKE '%" + W("şi") + "%' ))  )  ",
       {3}},
  };
  for (const Case& c : cases) {
    list.SetFilterText(c.expression);
    list.SetFiltered(true);
    EXPECT_EQ(Walk(list, "IdAct"), c.ids) << c.expression;
    list.SetFiltered(false);
    EXPECT_EQ(list.RecordCount(), 5);
  }

  // The record filter applies on top of the expression.
  list.SetFilterText("Anul >= 2000");
  list.SetRecordFilter([](const Dataset& d) { return d.AsInteger("IdTipAct") != 3; });
  list.SetFiltered(true);
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{1, 3, 5}));
  EXPECT_EQ(list.RecordCount(), 3);

  // A malformed expression fails when applied and leaves the filter as it was.
  EXPECT_THROW(list.SetFilterText("( Data >= '32/1/2000' )"), StoreError);
  EXPECT_THROW(list.SetFilterText("Anul >= "), StoreError);
  EXPECT_EQ(list.filter_text(), "Anul >= 2000");
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{1, 3, 5}));
  list.SetFiltered(false);
  list.SetFilterText("Nimic = 1");
  EXPECT_THROW(list.SetFiltered(true), StoreError);
  EXPECT_FALSE(list.filtered());
  EXPECT_EQ(list.RecordCount(), 5);
}

TEST_F(ClientDatasetTest, SecondaryIndexesSortByManyFieldsDescendingAndIgnoringCase) {
  ClientDataset list;
  list.LoadFromFile(dump_);
  // Upper-cased, "lege pentru" (5) comes before "Lege privind" (1); byte order
  // would put it last, after "Ordin" (4).
  list.AddIndex("SortGrid", "Titlu", "", true);
  list.SetIndexName("SortGrid");
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{2, 3, 5, 1, 4}));

  list.DeleteIndex("SortGrid");
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{1, 2, 3, 4, 5}));
  list.AddIndex("SortGrid", "Anul;IdTipAct", "Anul", true);
  list.SetIndexName("SortGrid");
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{5, 3, 1, 4, 2}));
  list.DeleteIndex("SortGrid");
  list.AddIndex("SortGrid", "IdTipAct;Anul", "Anul;IdTipAct", true);
  list.SetIndexName("SortGrid");
  ASSERT_TRUE(list.FindIndex("SortGrid"));
  EXPECT_EQ(list.FindIndex("SortGrid")->descending_fields, "Anul;IdTipAct");
  EXPECT_FALSE(list.FindIndex("Other"));
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{4, 3, 2, 5, 1}));

  // Sorting keeps the filter and the current row.
  list.SetFilterText("Anul = 2005");
  list.SetFiltered(true);
  EXPECT_EQ(Walk(list, "IdAct"), (std::vector<int64_t>{3, 5}));
  ASSERT_TRUE(list.Locate("IdAct", 5));
  list.SetIndexName("");
  EXPECT_EQ(list.AsInteger("IdAct"), 5);

  EXPECT_THROW(list.AddIndex("Other", "Titlu;Nimic", "", false), StoreError);
  EXPECT_THROW(list.AddIndex("SortGrid", "Titlu", "", false), StoreError);
  EXPECT_THROW(list.SetIndexName("Missing"), StoreError);
}

// The in-memory sort gives the order SQLite gives the same index: letters
// upper-cased in the code page's order (Ă after B), equal keys by their
// row, a null before any text, and all of it reversed by DESC but the rows.
TEST_F(ClientDatasetTest, ACaseInsensitiveSortOrdersAsTheDatabaseDoes) {
  AddActs({{1, 2010, "ala", "1/1/2010", "k6"},
           {1, 2010, "Ala", "1/1/2010", "k7"},
           {1, 2010, "ăla", "1/1/2010", "k8"},
           {1, 2010, "b", "1/1/2010", "k9"}});
  ClientDataset::SaveActsList(*db_, dump_);
  struct Case {
    const char* fields;
    const char* descending;
    std::vector<int64_t> ids;
  };
  const Case cases[] = {
      {"Titlu", "", {6, 7, 9, 8}},
      {"Titlu", "Titlu", {8, 9, 6, 7}},
      {"Titlu2;Titlu", "Titlu2", {6, 7, 9, 8}},  // Titlu2 is null in every row
      {"IndNum;Anul", "IndNum", {9, 8, 7, 6}},
  };
  for (const Case& c : cases) {
    ClientDataset list;
    list.LoadFromFile(dump_);
    list.SetFilterText("IdAct >= 6");
    list.SetFiltered(true);
    list.AddIndex("SortGrid", c.fields, c.descending, true);
    list.SetIndexName("SortGrid");
    EXPECT_EQ(Walk(list, "IdAct"), c.ids) << c.fields << " / " << c.descending;
    // The keys kept for the sort go with the rows.
    list.EmptyDataSet();
    list.SetIndexName("");
    list.SetIndexName("SortGrid");
    EXPECT_TRUE(list.IsEmpty());
  }
}

}  // namespace
}  // namespace actsdb
