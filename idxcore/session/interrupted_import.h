// Recovery from a session that ended without _frmstp (a crash, a kill).
//
// An act's database rows are one transaction, so a crash takes them back.
// Its appends to "word.dat" are undone only by the import itself; after a
// crash the appended records stay, and so does the link that the act wrote
// into each chain's former last record. Those links lead readers to the
// unfinished act's records, and because the act's IdAct was rolled back
// with its row, the next act imported gets the same id and would be found
// for words it does not hold.
//
// So a session marks the index as being written while it is open (the file
// "import.run" beside it). A session that starts and finds the mark cuts
// every chain back at the last record the dictionary names; the orphaned
// records stay in the file, unreachable.
#ifndef CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_
#define CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_

#include <string>

#include "actsdb/store.h"

namespace idxcore {

class ImportRunMark {
 public:
  // Repairs the chains when the mark of an interrupted session is there,
  // then sets the mark. `dictionary` is tblcuv; `database_dir` holds the
  // index files. Throws when the index cannot be repaired or marked.
  ImportRunMark(actsdb::Table& dictionary, const std::string& database_dir);
  // Clears the mark: the session ended and the index holds only whole acts.
  ~ImportRunMark();

  ImportRunMark(const ImportRunMark&) = delete;
  ImportRunMark& operator=(const ImportRunMark&) = delete;

  // Whether the constructor found an interrupted session's mark.
  bool repaired() const { return repaired_; }

 private:
  std::string path_;
  bool repaired_ = false;
};

// Ends every word's chain at its dictionary row's Last (a next link found
// there is set to 0). Returns how many links were cut.
int CutChainsAtLast(actsdb::Table& dictionary, const std::string& word_file);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_
