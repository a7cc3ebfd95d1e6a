// For the store's tests: a database with the acts schema and a few acts and
// parts in it.
#ifndef CORVANA_ACTSDB_STORE_TEST_FIXTURE_H_
#define CORVANA_ACTSDB_STORE_TEST_FIXTURE_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/database_test_fixture.h"
#include "actsdb/store.h"

namespace actsdb {

inline std::string W(const char* utf8) { return Utf8ToCp1250(utf8); }

struct Act {
  int64_t type;
  int64_t year;
  const char* title;  // UTF-8
  const char* date;   // d/m/yyyy
  const char* key;
};

class StoreTest : public DatabaseTest {
 protected:
  // Appends acts in order; their keys are 1, 2, ...
  void AddActs(const std::vector<Act>& acts) {
    Table t(*db_, "tblActe");
    t.Open(true);
    for (const Act& a : acts) {
      t.Append();
      t.SetInteger("IdTipAct", a.type);
      t.SetInteger("Anul", a.year);
      t.SetInteger("NrOficial", 1);
      t.SetString("Titlu", W(a.title));
      t.SetString("Data", a.date);
      t.SetString("IndNum", a.key);
      t.Post();
    }
  }

  void AddParts(const std::vector<std::pair<int64_t, bool>>& parts) {
    Table t(*db_, "tblParti");
    t.Open(true);
    for (const auto& [act, modified] : parts) {
      t.Append();
      t.SetInteger("Actul", act);
      t.SetString("NumParte", "Art. " + std::to_string(t.RecordCount() + 1));
      t.SetBoolean("Mod", modified);
      t.Post();
    }
  }

  // The values of a column over the accepted rows, first to last.
  static std::vector<int64_t> Walk(Dataset& d, const char* column) {
    std::vector<int64_t> values;
    for (bool on = d.First(); on; on = d.Next()) values.push_back(d.AsInteger(column));
    return values;
  }
};

inline const std::vector<Act> kActs = {
    {1, 2001, "Lege privind achiziţiile publice", "5/3/2001", "L P 12 2001 0"},
    {2, 1999, "HOTĂRÂRE pentru aprobarea normelor", "1/6/1999", "HOT GUV 5 1999 0"},
    {2, 2005, "Hotărâre privind ŢARA şi oraşele", "20/12/2005", "HOT GUV 8 2005 0"},
    {3, 2000, "Ordin al ministrului", "1/1/2000", "ORD MF 3 2000 0"},
    {1, 2005, "lege pentru modificarea legii", "2/2/2005", "L P 40 2005 0"},
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STORE_TEST_FIXTURE_H_
