// Replay of an index dump: the "word.dat" records and "poziti.dat"
// positions that another installation wrote while importing, applied to
// this installation's index so that it ends up identical.
//
// "word.dmp" holds one 17-byte record per record written there: a flag
// byte, the 12-byte occurrence value as written, and a 32-bit number.
//   flag 1: the record started a new chain; the number is the word's IdWord.
//   flag 0: the record was linked after the word's last one; IdWord.
//   flag 2: an existing record was rewritten in place (an act retired when
//           it was replaced); the number is that record's index.
// "poziti.dmp" holds the positions appended meanwhile, in order.
//
// Position offsets inside the records are used as they were dumped, so
// the replay is only right on an index in the state the dumping one was in
// when dumping began, with every dumped word already in the dictionary.
// The replay checks what it can of that (the dump's position offsets must
// continue this "poziti.dat" exactly, every IdWord must exist) and refuses
// a dump that does not fit, changing nothing.
#ifndef CORVANA_IDXCORE_SESSION_DUMP_REPLAY_H_
#define CORVANA_IDXCORE_SESSION_DUMP_REPLAY_H_

#include <string>

#include "actsdb/store.h"
#include "idxcore/index/position_file.h"
#include "idxcore/index/word_file.h"

namespace idxcore {

struct DumpTarget {
  actsdb::Database& db;
  actsdb::Table& words;  // tblcuv
  diskhash<recwrd>& word_file;
  PositionFile& position_file;
};

// Replays directory/"word.dmp" and directory/"poziti.dmp" into `target`,
// all or nothing: the dictionary changes in one transaction and the index
// files are cut back if anything fails. A new chain sets the word's First
// and Last, a linked record its Last. Returns the number of records
// replayed. Throws IndexError for a dump that is missing, damaged or does
// not fit this index.
int ReplayDump(const std::string& directory, const DumpTarget& target);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_DUMP_REPLAY_H_
