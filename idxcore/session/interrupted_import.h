// Recovery from a session that ended without _frmstp (a crash, a kill).
//
// An act's database rows are one transaction, so a crash takes them back.
// Its appends to "word.dat", "poziti.dat" and the dump files are undone
// only by the import itself; after a crash they stay, and so do the links
// that the act wrote into the chains' former last records. Those links
// lead readers to the unfinished act's records, and because the act's
// IdAct was rolled back with its row, the next act imported gets the same
// id and would be found for words it does not hold. Besides, the engine
// writes tblcuv's Last only now and then, so after a crash Last may name a
// record that is no longer the end of its chain; linking the next act
// there would cut off the records after it.
//
// So a session marks the index as being written while it is open (the file
// "import.run" beside it). A session that starts and finds the mark cuts
// the files back to the sizes the last committed writer stored
// (index_state.h), follows every word's chain from its Last to its true
// end among the committed records, cuts the link there and writes that
// end as Last. An act that was replacing another gives the old version's
// records back to it, unless its commit happened (retirement_log.h).
#ifndef CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_
#define CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_

#include <string>

#include "actsdb/store.h"

namespace idxcore {

class ImportRunMark {
 public:
  // Recovers the index when the mark of an interrupted session is there,
  // then sets the mark. `dictionary` is tblcuv, open; `database_dir` holds
  // the index files. Throws when the index cannot be recovered or marked.
  ImportRunMark(actsdb::Database& db, actsdb::Table& dictionary, const std::string& database_dir);

  ImportRunMark(const ImportRunMark&) = delete;
  ImportRunMark& operator=(const ImportRunMark&) = delete;

  // Clears the mark once the session has written everything (the
  // dictionary flushed). A session that ends otherwise leaves it, and the
  // next one recovers.
  void Clear();

  // Whether the constructor found an interrupted session's mark.
  bool repaired() const { return repaired_; }

 private:
  std::string path_;
  bool repaired_ = false;
};

// Brings the index of `database_dir` and tblcuv back to the last committed
// state, as described above. Without stored sizes (an index written before
// they were kept, when Last was written with every act) it ends every
// chain at its Last instead. Returns how many words' Last was not the end
// of their chain.
int RecoverInterruptedImport(actsdb::Database& db, const std::string& database_dir);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_
