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
// "import.run" beside it, locked for as long as the session lives). A
// session that starts and finds the mark cuts the files back to the sizes
// the last committed writer stored (index_state.h), follows every word's
// chain from its Last to its true end among the committed records, cuts the
// link there and writes that end as Last. An act that was replacing another
// gives the old version's records back to it, unless its commit happened
// (retirement_log.h).
//
// A reader must not read an index in that state either: before a search it
// runs the same recovery when no session holds the mark, and refuses to
// search while one does (PrepareIndexForSearch).
#ifndef CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_
#define CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_

#include <string>

#include "actsdb/store.h"
#include "idxcore/export.h"

namespace idxcore {

// The mark of a session at work on the index of a database directory.
class ImportRunMark {
 public:
  // Takes the mark, creating the file when missing. Throws IndexError
  // saying the index is being updated while another process holds it.
  explicit ImportRunMark(const std::string& database_dir);
  // Lets go of the mark; the file stays unless cleared, and the next
  // session (or reader) recovers.
  ~ImportRunMark();
  ImportRunMark(const ImportRunMark&) = delete;
  ImportRunMark& operator=(const ImportRunMark&) = delete;

  // Whether the file was there before it was taken: left by a session that
  // died (or by a recovery that did not finish).
  bool found() const { return found_; }

  // Removes the file once everything is written (the dictionary flushed).
  void Clear();

 private:
  std::string path_;
  int fd_ = -1;
  bool found_ = false;
};

// Whether the index of `database_dir` must be recovered before it is read
// or written: the run mark, a retirement log or a pending swap of a
// reorganised index (reorganise.h) is there. Only reads.
bool IndexNeedsRecovery(actsdb::Database& db, const std::string& database_dir);

// Brings the index of `database_dir` and tblcuv back to the last committed
// state: finishes a pending swap (or removes an unfinished copy), then,
// when `mark_found` or a retirement log is there, RecoverInterruptedImport.
// The caller holds the run mark. Returns whether tblcuv was rewritten.
bool RecoverIndex(actsdb::Database& db, const std::string& database_dir, bool mark_found);

// Brings the index of `database_dir` and tblcuv back to the last committed
// state, as described above. Without stored sizes (an index written before
// they were kept, when Last was written with every act) it ends every
// chain at its Last instead. Returns how many words' Last was not the end
// of their chain.
int RecoverInterruptedImport(actsdb::Database& db, const std::string& database_dir);

// Throws the IndexError of a search while a session writes the index of
// `database_dir` (it holds the run mark); only looks. For a reader about to
// open the tables such a session holds, so that it says why they are in use.
IDXCORE_EXPORT void RefuseWhileIndexUpdated(const std::string& database_dir);

// What a reader does before every search of the index beside `db`: recovers
// it as the next session would when a session died or a swap is pending
// (taking the mark meanwhile), checks the files against the committed sizes
// (CheckIndexFileSizes), and reopens the cursor when another program
// replaced "word.dat" since it was opened. Throws IndexError when a session
// is writing the index (it is being updated), when it is damaged, or when
// it cannot be recovered; the search must then give no result.
IDXCORE_EXPORT void PrepareIndexForSearch(actsdb::Database& db);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_INTERRUPTED_IMPORT_H_
