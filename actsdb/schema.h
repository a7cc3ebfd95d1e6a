// The acts database: its tables, columns and named indexes, and the code
// tables' seed file.
#ifndef CORVANA_ACTSDB_SCHEMA_H_
#define CORVANA_ACTSDB_SCHEMA_H_

#include <string>
#include <vector>

#include "actsdb/database.h"

namespace actsdb {

// The database file inside the database directory (alias `Zazi1`).
constexpr char kDatabaseFileName[] = "corvana.db";
// The database directory below the installation directory.
constexpr char kDatabaseDirName[] = "zazi1";

// The columns of the acts list, in the order of the acts-list query: what
// the list views hold and what the saved list "dump.dst" holds.
inline constexpr const char* kActsListColumns[] = {
    "IdAct",  "IdDomeniu", "IdEmitent", "IdPublicatie", "IdTipAct", "NrOficial", "Data",  "DataPub",
    "Anul",   "Titlu",     "Titlu2",    "Rep",          "IndNum",   "Limba",     "Numar",
};

// The acts-list query over tblActe, as the list views start it.
inline constexpr char kActsListSelect[] =
    "SELECT IdAct, IdDomeniu, IdEmitent, IdPublicatie, IdTipAct, NrOficial, Data, DataPub, Anul, "
    "Titlu, Titlu2, Rep,  IndNum, Limba,Numar FROM tblActe";

// The tables of the acts database, in the order they are created.
std::vector<std::string> TableNames();

// Creates every table and named index of the acts database in `db`.
// Running it on a database that already has them changes nothing.
void CreateSchema(Database& db);

// Appends code-table rows from a tab-separated Windows-1250 file: table name
// (tblTipAct, tblEmitenti, tblDomenii, tblPublicatii, tbltipmod), IndCod,
// name. A code already present in its table is left as it is. Throws
// StoreError naming the file and line of a malformed row or unknown table.
// Returns the number of rows added.
int SeedCodeTables(Database& db, const std::string& tsv_path);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_SCHEMA_H_
