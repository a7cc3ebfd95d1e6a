// For the tests of the modification pages and the structure trees: a small
// database of three acts whose parts modify each other.
//
// Act 1, "Lege nr. 12/2001" (key "L PARL 12 2001 0"), parts:
//   1 Actul, 2 Capitolul I, 3 Articolul 1, 4 "(1) ", 5 Articolul 2,
//   6 Capitolul II, 7 Articolul 3
// Act 2, an emergency ordinance whose display title is longer than the
// parts view shows, parts: 8 Actul, 9 Articolul I, 10 Articolul II
// Act 3, the first republication of act 1, without parts.
// Each act's hypertext holds the anchor of each of its parts.
//
// Modifications (modifying part -> modified part, kind), in this order:
//   9 -> 3 modificat, 10 -> 3 completat, 8 -> 3 abrogat   act 1's article 1
//                                                          suffers three
//   9 -> 1 kind 99, which tbltipmod does not list           act 1 as a whole
//   999 -> 5 modificat, from a part that is gone
//   7 -> 9 modificat, 7 -> 10 abrogat, 7 -> 8 completat     article 3 brings three
//   1 -> 10 modificat                                       act 1 as a whole brings
#ifndef CORVANA_VIEWER_FINDING_MODIFICATION_FIXTURE_H_
#define CORVANA_VIEWER_FINDING_MODIFICATION_FIXTURE_H_

#include <algorithm>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/compress.h"
#include "actsdb/database_test_fixture.h"

namespace finding {

// "Ordonanţă de urgenţă nr. 5/2002 (actualizată ...)" as the parts view
// cuts it, UTF-8.
inline constexpr char kOtherActTitle[] = "Ordonanţă de urgenţă nr. 5/2002 (ac";

// Act 1's structure text: its outline, with a "~" note and an
// article below a chapter.
inline constexpr char kAct1Structure[] =
    "Actul\r\n"
    "\tCapitolul I#2# Dispozitii generale\r\n"
    "\t\tArticolul 1#3#\r\n"
    "\t\t\t(1) #4#Primul alineat\r\n"
    "\t\tArticolul 2#5#\r\n"
    "\tCapitolul II#6#\r\n"
    "\t\tArticolul 3#7#~vezi nota\r\n";

namespace fixture_detail {

// Appends rows of one text column each; the texts are UTF-8.
inline void AddRows(actsdb::Database& db, const char* table_name,
                    const std::vector<std::pair<const char*, const char*>>& rows) {
  actsdb::Table table(db, table_name);
  table.Open();
  for (const auto& [column, text] : rows) {
    table.Append();
    table.SetString(column, actsdb::Utf8ToCp1250(text));
    table.Post();
  }
}

// The act's hypertext: each part of its structure text as an anchor and a
// line of its own.
inline std::string HypertextOf(const std::string& structure) {
  std::string text;
  for (size_t open = structure.find('#'); open != std::string::npos;) {
    const size_t close = structure.find('#', open + 1);
    if (close == std::string::npos) break;
    const std::string id = structure.substr(open + 1, close - open - 1);
    text += "<a name=" + id + "> </a>\r\nPartea " + id + "<BR>\r\n";
    open = structure.find('#', close + 1);
  }
  return text + "Sfarsit<BR>\r\n";
}

inline void AddAct(actsdb::Database& db, int type, int number, const char* titlu2, int rep,
                   const char* key, const char* structure) {
  actsdb::Table acts(db, "tblActe");
  acts.Open();
  acts.Append();
  acts.SetInteger("IdTipAct", type);
  acts.SetInteger("NrOficial", number);
  acts.SetInteger("Anul", type == 1 ? 2001 : 2002);
  acts.SetString("Titlu2", actsdb::Utf8ToCp1250(titlu2));
  acts.SetInteger("Rep", rep);
  acts.SetString("IndNum", key);
  acts.SetBlob("CompStruct", actsdb::Deflate(structure));
  acts.SetInteger("StructSize", static_cast<int64_t>(std::string(structure).size()));
  const std::string text = HypertextOf(structure);
  acts.SetBlob("CompText", actsdb::Deflate(text));
  acts.SetInteger("TextSize", static_cast<int64_t>(text.size()));
  acts.Post();
}

}  // namespace fixture_detail

// Writes the acts, parts and modifications above into a new database.
inline void AddModificationFixture(actsdb::Database& db) {
  using fixture_detail::AddAct;
  using fixture_detail::AddRows;
  AddRows(db, "tblTipAct", {{"TipAct", "Lege"}, {"TipAct", "Ordonanţă de urgenţă"}});
  AddRows(db, "tbltipmod",
          {{"NumModif", "modificat"}, {"NumModif", "abrogat"}, {"NumModif", "completat"}});
  AddAct(db, 1, 12, "", 0, "L PARL 12 2001 0", kAct1Structure);
  AddAct(db, 2, 5, "-(actualizată până la data de 27 august 2004)", 0, "OUG GUV 5 2002 0",
         "Actul\r\n\tArticolul I#9#\r\n\tArticolul II#10#\r\n");
  AddAct(db, 1, 12, "", 1, "L PARL 12 2001 1", "Actul\r\n");
  const std::vector<std::pair<int, const char*>> parts = {
      {1, "Actul"}, {1, "Capitolul I"},  {1, "Articolul 1"}, {1, "(1) "},
      {1, "Articolul 2"}, {1, "Capitolul II"}, {1, "Articolul 3"},
      {2, "Actul"}, {2, "Articolul I"},  {2, "Articolul II"}};
  const std::vector<size_t> modified = {1, 3, 5, 8, 9, 10};
  actsdb::Table table(db, "tblParti");
  table.Open();
  for (size_t i = 0; i < parts.size(); ++i) {
    table.Append();
    table.SetInteger("Actul", parts[i].first);
    table.SetString("NumParte", parts[i].second);
    table.SetBoolean("Mod", std::count(modified.begin(), modified.end(), i + 1) > 0);
    table.Post();
  }
  const int modifications[][3] = {{9, 3, 1},   {10, 3, 3}, {8, 3, 2},  {9, 1, 99},
                                  {999, 5, 1}, {7, 9, 1},  {7, 10, 2}, {7, 8, 3},
                                  {1, 10, 1}};
  actsdb::Table modif(db, "tblModif");
  modif.Open();
  for (const auto& m : modifications) {
    modif.Append();
    modif.SetInteger("IdModificant", m[0]);
    modif.SetInteger("IdModificat", m[1]);
    modif.SetInteger("IdTipMod", m[2]);
    modif.Post();
  }
}

class ModificationDatabaseTest : public actsdb::DatabaseTest {
 protected:
  void SetUp() override {
    actsdb::DatabaseTest::SetUp();
    AddModificationFixture(*db_);
  }
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_MODIFICATION_FIXTURE_H_
