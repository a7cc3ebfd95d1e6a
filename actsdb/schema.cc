#include "actsdb/schema.h"

#include <fstream>
#include <vector>

#include "actsdb/table.h"
#include "actsdb/transaction.h"

namespace actsdb {
namespace {

// Each table and the declaration of its columns. Text columns are declared
// VARCHAR(n) so that the store learns their size (and cuts longer text to
// it); memo columns are plain TEXT.
struct TableDefinition {
  const char* name;
  const char* columns;
};
constexpr TableDefinition kTables[] = {
    {"tblActe",
     " IdAct INTEGER PRIMARY KEY AUTOINCREMENT, IdDomeniu INTEGER,"
     " IdEmitent INTEGER, IdPublicatie INTEGER, Numar INTEGER, IdTipAct INTEGER,"
     " NrOficial INTEGER, Data DATE, DataPub DATE, Anul INTEGER, Titlu VARCHAR(255),"
     " Titlu2 VARCHAR(50), Textul TEXT, Struct TEXT, TextSize INTEGER,"
     " StructSize INTEGER, CompText BLOB, CompStruct BLOB, Rep INTEGER,"
     " Limba VARCHAR(1), IndNum VARCHAR(30), UpdOk BOOLEAN, Enerv INTEGER"},
    {"tblDomenii",
     " IdDomeniu INTEGER PRIMARY KEY AUTOINCREMENT, Domeniu VARCHAR(60),"
     " IndCod VARCHAR(5)"},
    {"tblEmitenti",
     " IDEmitent INTEGER PRIMARY KEY AUTOINCREMENT, Emitent VARCHAR(40),"
     " IndCod VARCHAR(5)"},
    {"tblTipAct",
     " IdTipAct INTEGER PRIMARY KEY AUTOINCREMENT, TipAct VARCHAR(30),"
     " IndCod VARCHAR(5)"},
    {"tblPublicatii",
     " IdPublicatie INTEGER PRIMARY KEY AUTOINCREMENT, Publicatia VARCHAR(50),"
     " IndCod VARCHAR(5)"},
    {"tblLegDomenii",
     " IdLegDomeniu INTEGER PRIMARY KEY AUTOINCREMENT, IdAct INTEGER,"
     " IdDomeniu INTEGER"},
    {"tblParti",
     " IdParte INTEGER PRIMARY KEY AUTOINCREMENT, Actul INTEGER,"
     " NumParte VARCHAR(20), Mod BOOLEAN"},
    {"tblModif",
     " IdMod INTEGER PRIMARY KEY AUTOINCREMENT, IdModificant INTEGER,"
     " IdModificat INTEGER, IdTipMod INTEGER, Data DATE"},
    {"tbltipmod",
     " IdTipMod INTEGER PRIMARY KEY AUTOINCREMENT, NumModif VARCHAR(20),"
     " IndCod VARCHAR(5)"},
    {"tblcuv",
     " IdWord INTEGER PRIMARY KEY AUTOINCREMENT, Word VARCHAR(25), First INTEGER,"
     " Last INTEGER"},
    {"tblImagini",
     " IdImagine INTEGER PRIMARY KEY AUTOINCREMENT, IndCod VARCHAR(25), Imagine BLOB"},
    {"tblPoziti",
     "IdLeg INTEGER, Pozitie INTEGER"},
    {"tblmodtxt",
     " IdModTxt INTEGER PRIMARY KEY AUTOINCREMENT, ModificantTxt VARCHAR(40),"
     " ModificatTxt VARCHAR(40), Modificare VARCHAR(5), Done BOOLEAN"},
};

// Index names are per database in SQLite, so each carries its table's name
// in front; Table::SetIndexName finds it by the short name.
constexpr const char* kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS tblDomenii_indindcod ON tblDomenii (IndCod)",
    "CREATE INDEX IF NOT EXISTS tblEmitenti_indindcod ON tblEmitenti (IndCod)",
    "CREATE INDEX IF NOT EXISTS tblTipAct_indindcod ON tblTipAct (IndCod)",
    "CREATE INDEX IF NOT EXISTS tblPublicatii_indindcod ON tblPublicatii (IndCod)",
    "CREATE INDEX IF NOT EXISTS tblLegDomenii_iddomd ON tblLegDomenii (IdAct, IdDomeniu)",
    "CREATE INDEX IF NOT EXISTS tblParti_indactul ON tblParti (Actul)",
    "CREATE INDEX IF NOT EXISTS tblModif_indmodificant ON tblModif (IdModificant)",
    "CREATE INDEX IF NOT EXISTS tblModif_indmodificat ON tblModif (IdModificat)",
    "CREATE UNIQUE INDEX IF NOT EXISTS tblcuv_index1 ON tblcuv (Word COLLATE RONOCASE)",
    "CREATE INDEX IF NOT EXISTS tblPoziti_indleg ON tblPoziti (IdLeg)",
    // Links between acts are resolved by the act key: an exact lookup that
    // must not scan the acts.
    "CREATE INDEX IF NOT EXISTS tblActe_indnum ON tblActe (IndNum)",
    // The filter and the find-act search narrow the acts by year; without
    // an index each such search reads every act's row, text and all. The
    // index is partial so that only a condition on the year can use it: a
    // sort by year alone keeps scanning the table, so acts of the same year
    // stay in the order of their ids, as the acts list in memory keeps them.
    "CREATE INDEX IF NOT EXISTS tblActe_indanul ON tblActe (Anul) WHERE Anul IS NOT NULL",
};

struct CodeTable {
  const char* table;
  const char* name_column;
};
constexpr CodeTable kCodeTables[] = {
    {"tblTipAct", "TipAct"},         {"tblEmitenti", "Emitent"}, {"tblDomenii", "Domeniu"},
    {"tblPublicatii", "Publicatia"}, {"tbltipmod", "NumModif"},
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::vector<std::string> TableNames() {
  std::vector<std::string> names;
  for (const TableDefinition& table : kTables) names.emplace_back(table.name);
  return names;
}

void CreateSchema(Database& db) {
  Transaction transaction(db);
  for (const TableDefinition& table : kTables) {
    db.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + table.name + " (" + table.columns +
               ")");
  }
  for (const char* sql : kIndexes) db.Execute(sql);
  transaction.Commit();
}

int SeedCodeTables(Database& db, const std::string& tsv_path) {
  std::ifstream in(tsv_path, std::ios::binary);
  if (!in) throw StoreError("cannot read the code tables file " + tsv_path);

  struct Entry {
    const CodeTable* table;
    std::string code;
    std::string name;
  };
  std::vector<Entry> entries;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::vector<std::string> fields = SplitTabs(line);
    const std::string where = tsv_path + " line " + std::to_string(number);
    if (fields.size() != 3 || fields[1].empty()) {
      throw StoreError(where + ": expected table name, code and name separated by tabs");
    }
    const CodeTable* table = nullptr;
    for (const CodeTable& t : kCodeTables) {
      if (fields[0] == t.table) table = &t;
    }
    if (table == nullptr) throw StoreError(where + ": unknown code table " + fields[0]);
    entries.push_back({table, fields[1], fields[2]});
  }

  Transaction transaction(db);
  int added = 0;
  for (const CodeTable& t : kCodeTables) {
    Table table(db, t.table);
    for (const Entry& e : entries) {
      if (e.table != &t) continue;
      if (!table.active()) table.Open(/*exclusive=*/true);
      if (table.Locate("IndCod", e.code)) continue;
      table.Append();
      table.SetString("IndCod", e.code);
      table.SetString(t.name_column, e.name);
      table.Post();
      ++added;
    }
  }
  transaction.Commit();
  return added;
}

}  // namespace actsdb
