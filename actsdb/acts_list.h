// The saved acts list, "dump.dst": an SQLite database file with one table
// of the acts-list columns (kActsListColumns of the schema), each declared
// as in tblActe, IdAct its key. ClientDataset::SaveActsList writes it and
// ClientDataset::LoadFromFile reads it.
#ifndef CORVANA_ACTSDB_ACTS_LIST_H_
#define CORVANA_ACTSDB_ACTS_LIST_H_

namespace actsdb {

// The table inside the file.
inline constexpr char kActsListTable[] = "acts";

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_ACTS_LIST_H_
