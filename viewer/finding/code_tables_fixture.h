// For the finding tests: a database whose code tables hold a few rows, so
// that lookups by name and code have something to find. The third act
// type is "Ordin" and the seventh domain "Achizitii publice"; the codes are
// "C1", "C2", ... in each table.
#ifndef CORVANA_VIEWER_FINDING_CODE_TABLES_FIXTURE_H_
#define CORVANA_VIEWER_FINDING_CODE_TABLES_FIXTURE_H_

#include <memory>
#include <string>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/database_test_fixture.h"
#include "viewer/finding/filter_criteria.h"

namespace finding {

class CodeTablesTest : public actsdb::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    AddRows("tblTipAct", "TipAct", {"Lege", actsdb::Utf8ToCp1250("Hotărâre"), "Ordin"});
    AddRows("tblDomenii", "Domeniu",
            {"Unu", "Doi", "Trei", "Patru", "Cinci", "Sase", "Achizitii publice"});
    AddRows("tblEmitenti", "Emitent", {"Guvernul", "Parlamentul"});
    AddRows("tblPublicatii", "Publicatia", {"Monitorul Oficial"});
    tables_ = std::make_unique<CodeTables>(*db_);
  }

  void TearDown() override {
    tables_.reset();
    DatabaseTest::TearDown();
  }

  void AddRows(const char* table_name, const char* column, const std::vector<std::string>& names) {
    actsdb::Table table(*db_, table_name);
    table.Open();
    for (size_t i = 0; i < names.size(); ++i) {
      table.Append();
      table.SetString(column, names[i]);
      table.SetString("IndCod", "C" + std::to_string(i + 1));
      table.Post();
    }
  }

  std::unique_ptr<CodeTables> tables_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_CODE_TABLES_FIXTURE_H_
