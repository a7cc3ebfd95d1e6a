#include "actsdb/sql_dialect.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "actsdb/codepage.h"
#include "actsdb/store.h"

namespace actsdb {
namespace {

// Test text is written in UTF-8 and handed over as Windows-1250.
std::string W(const char* utf8) { return Utf8ToCp1250(utf8); }

bool IsDateColumn(std::string_view column) { return column == "Data" || column == "DataPub"; }

TEST(TranslateDialect, RewritesDatesSortWordsAndLineBreaks) {
  struct Case {
    const char* dialect;
    const char* sqlite;
  };
  const Case cases[] = {
      {"( Data >= '1/1/2000' )", "( Data >= '2000-01-01' )"},
      {"( DataPub <= '31/12/2009' )", "( DataPub <= '2009-12-31' )"},
      {"'5/3/2001'<DataPub", "'2001-03-05'<DataPub"},
      {"tblActe.Data <> '05/03/2001'", "tblActe.Data <> '2001-03-05'"},
      {"Data = '2001-03-05'", "Data = '2001-03-05'"},
      // Not compared with a date column: left alone.
      {"( Titlu LIKE '%1/1/2000%' )", "( Titlu LIKE '%1/1/2000%' )"},
      {"Titlu = '1/1/2000' AND Data > '2/1/2000'", "Titlu = '1/1/2000' AND Data > '2000-01-02'"},
      {"ORDER BY Anul DESCENDING", "ORDER BY Anul DESC"},
      {"ORDER BY Titlu ascending", "ORDER BY Titlu ASC"},
      {"Titlu = 'DESCENDING'", "Titlu = 'DESCENDING'"},
      {"Titlu = 'it''s'", "Titlu = 'it''s'"},
      {"SELECT IdAct FROM tblActe\r\nWHERE\r\n( Anul = 2001 )\r\n",
       "SELECT IdAct FROM tblActe  WHERE  ( Anul = 2001 )  "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TranslateDialect(c.dialect, IsDateColumn), c.sqlite) << c.dialect;
  }
}

TEST(TranslateDialect, ConvertsTheTextToUtf8) {
  EXPECT_EQ(TranslateDialect(W("Titlu LIKE '%hotărâre%'"), IsDateColumn),
            "Titlu LIKE '%hotărâre%'");
}

TEST(TranslateDialect, RejectsUnreadableDatesAndOpenQuotes) {
  try {
    TranslateDialect("( Data >= '31/2/2000' )", IsDateColumn);
    FAIL() << "an impossible date was accepted";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("31/2/2000"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Data"), std::string::npos) << e.what();
  }
  EXPECT_THROW(TranslateDialect("DataPub = 'ieri'", IsDateColumn), StoreError);
  EXPECT_THROW(TranslateDialect("Titlu = 'abc", IsDateColumn), StoreError);
}

TEST(LikeMatches, IgnoresCaseOfEveryLetterAndHandlesWildcards) {
  struct Case {
    const char* pattern;
    const char* text;
    char escape;
    bool matches;
  };
  const Case cases[] = {
      {"%hotărâre%", "HOTĂRÂRE DE GUVERN", 0, true},
      {"%HOTĂRÂRE%", "privind hotărârea nr. 5", 0, true},
      {"%şi%", "ŞI", 0, true},
      {"%ţară%", "ŢARĂ", 0, true},
      {"%îNCHIRIERE", "Închiriere", 0, true},
      {"%hotarare%", "HOTĂRÂRE", 0, false},  // diacritics are letters of their own
      {"L_ge", "Lege", 0, true},
      {"L_ge", "Lge", 0, false},
      {"Lege", "Legea", 0, false},
      {"%a%b", "xaYaZb", 0, true},
      {"%a%b", "xaYaZbc", 0, false},
      {"%", "", 0, true},
      {"a%", "", 0, false},
      {"100!%", "100%", '!', true},
      {"100!%", "1000", '!', false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LikeMatches(W(c.pattern), W(c.text), c.escape), c.matches)
        << c.pattern << " LIKE " << c.text;
  }
}

TEST(RegisterDialect, LikeAndCollationWorkInsideSqlite) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  RegisterDialect(db);
  auto single = [&](const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sql;
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_ROW) << sql;
    const int type = sqlite3_column_type(stmt, 0);
    const int value = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return type == SQLITE_NULL ? -1 : value;
  };
  EXPECT_EQ(single("SELECT 'HOTĂRÂRE DE GUVERN' LIKE '%hotărâre%'"), 1);
  EXPECT_EQ(single("SELECT 'ordin' LIKE '%lege%'"), 0);
  EXPECT_EQ(single("SELECT NULL LIKE '%a%'"), -1);
  EXPECT_EQ(single("SELECT '10%' LIKE '10!%' ESCAPE '!'"), 1);
  EXPECT_EQ(single("SELECT 'şi' = 'ŞI' COLLATE RONOCASE"), 1);
  EXPECT_EQ(single("SELECT 'şi' = 'ŞI'"), 0);
  EXPECT_EQ(single("SELECT 'ăb' < 'ĂC' COLLATE RONOCASE"), 1);
  sqlite3_close(db);
}

// A whole column compared with one pattern, as a filter's query does: the
// rows must match as LikeMatches says, whatever shortcut the pattern allows.
TEST(RegisterDialect, ColumnAgainstOnePatternMatchesAsLikeMatches) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  RegisterDialect(db);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t (x TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
  const char* texts[] = {"privind achiziţiile publice",
                         "PUBLICE",
                         "Publicaţie",
                         "pubLICe",
                         "ăpublice",
                         "publicăe",
                         "",
                         "ab",
                         "a_b",
                         "a%b",
                         "ţ"};
  for (const char* text : texts) {
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1)", -1, &insert, nullptr), SQLITE_OK);
    sqlite3_bind_text(insert, 1, text, -1, SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_finalize(insert);
  }
  for (const char* pattern : {"%publice%", "%PUBLIC%", "%ublic%", "%%", "%a_b%", "%a%b%",
                              "%publicăe%", "publice", "%publice", "%ţ%", "%b%"}) {
    sqlite3_stmt* select = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT x, x LIKE ?1 FROM t", -1, &select, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(select, 1, pattern, -1, SQLITE_STATIC);
    while (sqlite3_step(select) == SQLITE_ROW) {
      const std::string text = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
      EXPECT_EQ(sqlite3_column_int(select, 1) == 1, LikeMatches(W(pattern), W(text.c_str())))
          << text << " LIKE " << pattern;
    }
    sqlite3_finalize(select);
  }
  sqlite3_close(db);
}

TEST(RegisterDialect, EveryCharacterOfTheCodePageComparesByItsCapital) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  RegisterDialect(db);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT ?1 = ?2 COLLATE RONOCASE, ?2 LIKE ?1", -1, &stmt,
                               nullptr),
            SQLITE_OK);
  auto same = [&](const std::string& a, const std::string& b) {
    sqlite3_reset(stmt);
    sqlite3_bind_text(stmt, 1, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    const int equal = sqlite3_column_int(stmt, 0);
    if (a.find_first_of("%_") == std::string::npos) {  // a wildcard matches more
      EXPECT_EQ(sqlite3_column_int(stmt, 1), equal) << a << " / " << b;
    }
    return equal == 1;
  };
  for (int c = 0x20; c <= 0xFF; ++c) {
    const char byte = static_cast<char>(c);
    const std::string text = Cp1250ToUtf8(std::string(1, byte));
    EXPECT_TRUE(same(text, Cp1250ToUtf8(std::string(1, UpperChar(byte))))) << c;
    const char other = static_cast<char>(c == 0xFF ? 0x20 : c + 1);
    EXPECT_EQ(same("x" + text, "x" + Cp1250ToUtf8(std::string(1, other))),
              UpperChar(byte) == UpperChar(other))
        << c;
  }
  // The comma-below letters as typed today are the code page's cedilla ones.
  EXPECT_TRUE(same("ș", "Ş"));
  EXPECT_TRUE(same("Ț", "ţ"));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

}  // namespace
}  // namespace actsdb
