#include "idxcore/session/chain_ends.h"

#include <string>

namespace idxcore {

void WriteChainEnds(actsdb::Database& db, const std::map<int64_t, WordChainEnds>& ends) {
  // Numbers only, so the statements are built as text; a few hundred per
  // call keeps each batch small.
  constexpr int kBatch = 500;
  std::string sql;
  int in_batch = 0;
  for (const auto& [id, e] : ends) {
    sql += "UPDATE tblcuv SET First = " + std::to_string(e.first) +
           ", Last = " + std::to_string(e.last) + " WHERE IdWord = " + std::to_string(id) + ";";
    if (++in_batch == kBatch) {
      db.Execute(sql);
      sql.clear();
      in_batch = 0;
    }
  }
  if (!sql.empty()) db.Execute(sql);
}

}  // namespace idxcore
