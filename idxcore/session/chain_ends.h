// Writing many dictionary rows' chain ends (tblcuv First and Last) at once.
//
// The reorganisation and the dump replay change First/Last of thousands of
// words in one go. Editing them row by row through a table makes the table
// list its rows again after every post, which grows with the square of the
// dictionary; here they are gathered first and written as plain updates
// by IdWord, inside the caller's transaction.
#ifndef CORVANA_IDXCORE_SESSION_CHAIN_ENDS_H_
#define CORVANA_IDXCORE_SESSION_CHAIN_ENDS_H_

#include <cstdint>
#include <map>

#include "actsdb/store.h"

namespace idxcore {

struct WordChainEnds {
  int64_t first = 0;
  int64_t last = 0;
};

// Sets First and Last of every row named in `ends` (by IdWord). A table
// open on tblcuv keeps the rows it read before: list its rows again
// (SetIndexName) before reading it.
void WriteChainEnds(actsdb::Database& db, const std::map<int64_t, WordChainEnds>& ends);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_CHAIN_ENDS_H_
