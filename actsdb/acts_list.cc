#include "actsdb/acts_list.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "actsdb/client_dataset.h"
#include "actsdb/schema.h"
#include "actsdb/store_internal.h"

namespace actsdb {

void ClientDataset::SaveActsList(Database& db, const std::string& path) {
  const std::string what = "cannot write the acts list " + path;
  // A name of this process's own, so that two writers never share a file.
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  std::remove(temporary.c_str());
  // The list is copied by a connection of its own to the new file, which
  // reads what the database holds committed: rows of an open transaction
  // would be missing, so one is refused.
  if (db.in_transaction()) throw StoreError(what + ": a transaction is open");
  sqlite3* out = OpenConnection(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, what);
  try {
    sqlite3_busy_timeout(out, 10000);
    {
      Statement attach(out, "ATTACH DATABASE ? AS source", what);
      attach.BindText(1, db.path());
      attach.Step();
    }
    std::string create = "CREATE TABLE main.";
    create += kActsListTable;
    // Each column as tblActe declares it, the act's id the key.
    std::map<std::string, std::string> declared;
    {
      Statement info(out, "SELECT name, type, pk FROM pragma_table_info('tblActe', 'source')",
                     what);
      while (info.Step()) {
        declared[Lower(info.Text(0))] = info.Text(1) + (info.Int(2) ? " PRIMARY KEY" : "");
      }
    }
    std::string names;
    for (const char* name : kActsListColumns) {
      const auto type = declared.find(Lower(name));
      if (type == declared.end()) throw StoreError(what + ": tblActe has no column " + name);
      create += std::string(names.empty() ? " (" : ", ") + name + " " + type->second;
      names += std::string(names.empty() ? "" : ", ") + name;
    }
    create += ")";
    Exec(out,
         "PRAGMA main.journal_mode = OFF; " + create + "; INSERT INTO main." + kActsListTable +
             " SELECT " + names + " FROM source.tblActe ORDER BY IdAct; DETACH DATABASE source",
         what);
  } catch (...) {
    sqlite3_close(out);
    std::remove(temporary.c_str());
    throw;
  }
  if (sqlite3_close(out) != SQLITE_OK || std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    std::remove(temporary.c_str());
    throw StoreError(what + ": " + reason);
  }
}

}  // namespace actsdb
