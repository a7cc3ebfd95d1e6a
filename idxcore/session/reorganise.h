// Reorganisation of the word index: a copy of "word.dat" and "poziti.dat"
// in which every word's chain occupies consecutive records and its
// positions consecutive bytes, so that a search reads a word sequentially
// instead of seeking once per act.
//
// The copy is written as "word2.dat" and "poziti2.dat" beside the originals
// and then put in their place. The dictionary (tblcuv First/Last) must
// describe whichever pair is "word.dat"/"poziti.dat", and no single
// operation changes a table and two files at once, so the switch goes
// through a flag kept in the database:
//
//   1. Write word2.dat and poziti2.dat completely and flush them to disk.
//   2. In ONE transaction: rewrite every tblcuv First/Last to point into the
//      copy, and set the flag "swap pending" (table tblIndexSwap).
//   3. Rename word2.dat over word.dat, poziti2.dat over poziti.dat.
//   4. Clear the flag.
//
// Whatever moment a crash strikes, the next FinishIndexSwap (run at every
// session start, and by the re-indexing program right after step 2) sees
// one of two states. Flag clear: tblcuv still describes the old files,
// which were never touched; a leftover word2/poziti2 is an unfinished copy
// and is deleted. Flag set: tblcuv describes the copy; each of the two
// files that has not been renamed yet is renamed now (a rename is atomic,
// so each file is either old or new), then the flag is cleared.
//
// The table also keeps how many records the last reorganisation laid out,
// so that the update program can tell how much of the index has been
// appended since (IndexLayout) and reorganise once that share grows.
#ifndef CORVANA_IDXCORE_SESSION_REORGANISE_H_
#define CORVANA_IDXCORE_SESSION_REORGANISE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "actsdb/store.h"
#include "idxcore/index/word_file.h"

namespace idxcore {

// Where one copied chain landed in the target.
struct ChainEnds {
  int32_t first = 0;
  int32_t last = 0;
};

// The index being reorganised, "word.dat" and "poziti.dat", mapped for
// reading. A reorganisation reads every record once, most of them in file
// order; read one at a time through system calls, they cost several times
// the copying itself. A mapped file must not be cut while it is mapped (a
// touched page past its end kills the process), so the caller holds the
// index alone: a processing session, or files nobody else knows.
class IndexSource {
 public:
  // Throws IndexError when a file cannot be opened or mapped.
  IndexSource(std::string word_path, const std::string& position_path);

  const std::string& word_path() const { return word_path_; }
  const std::string& position_path() const { return position_path_; }
  int32_t records() const { return records_; }
  int64_t position_bytes() const { return static_cast<int64_t>(positions_.size()); }

  // Record `index` as stored (16 bytes); null when it lies outside the file.
  const unsigned char* record(int32_t index) const {
    return index >= 0 && index < records_ ? words_.data() + kHeaderSize + 16 * int64_t{index}
                                          : nullptr;
  }

  // Appends to `out` the `count` positions that begin at byte `offset`, as
  // stored; positions beyond the end of the file (a damaged index) as 0.
  void CopyPositions(uint32_t offset, uint16_t count, std::vector<unsigned char>& out) const;

 private:
  static constexpr int kHeaderSize = 30;

  // A whole file mapped read-only.
  class MappedFile {
   public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

   private:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
  };

  std::string word_path_, position_path_;
  MappedFile words_, positions_;
  int32_t records_ = 0;
};

// The reorganised copy being written: a new word file and position file,
// filled strictly front to back, so they are written in large blocks
// instead of a few bytes per record.
//
// The source is trusted no further than it checks out: a chain that leaves
// the file, links backwards, runs into another chain or points at
// positions "poziti.dat" does not hold is damage, and copying it would
// give the damage a clean layout that no later check could tell apart.
class IndexCopy {
 public:
  // Creates both files (an existing one is emptied). Throws IndexError.
  IndexCopy(std::string word_path, std::string position_path);
  ~IndexCopy();
  IndexCopy(const IndexCopy&) = delete;
  IndexCopy& operator=(const IndexCopy&) = delete;

  // Appends the chain that starts at record `first` of `source` as
  // consecutive records in the same order, each linked to the next. A
  // record with count 2 or more (count read as unsigned 16 bits) has its
  // positions copied to the end of the new position file and its position
  // field set to where they now begin; other records are copied as they
  // are. The chain ends at a link of 0. Throws IndexError, naming the
  // record, when a record lies outside the file, a link does not lead to a
  // later record, a record was already copied with another chain, or a
  // record's positions lie outside the source position file. All chains
  // copied into one copy come from the same source.
  ChainEnds CopyChain(const IndexSource& source, int32_t first);

  // Writes what is buffered and flushes both files to the disk.
  void Finish();

  // The copy's size so far: its records and its bytes of positions.
  int32_t records() const { return records_; }
  int64_t position_bytes() const { return positions_bytes_; }

 private:
  void FlushRecords();
  void FlushPositions();

  std::vector<bool> copied_;  // by source record, sized at the first chain
  std::string word_path_, position_path_;
  int word_fd_ = -1, position_fd_ = -1;
  int32_t records_ = 0;              // records in the copy so far
  int64_t positions_bytes_ = 0;      // bytes of positions so far
  std::vector<unsigned char> record_buffer_, position_buffer_;
  int64_t records_flushed_ = 0;      // records already in the file
  int64_t position_bytes_flushed_ = 0;
};

// Told the records copied so far and the records of the index.
using ReorganiseProgress = std::function<void(int64_t done, int64_t total)>;

// Writes the reorganised copy of the index of `directory` (the database
// directory) for every row of `words` (tblcuv, opened exclusively), words
// in alphabetical order, and commits the new First/Last values together
// with the pending-swap flag. The files are not renamed here (the import
// engine of a running session still has them open): FinishIndexSwap does
// it. Nothing is changed when it throws. `progress`, when given, is told
// after each word, and that all is done once the copy is whole.
void PutInOrder(actsdb::Database& db, actsdb::Table& words, const std::string& directory,
                const ReorganiseProgress& progress = nullptr);

// Completes a pending swap (renames the copies over the originals, clears
// the flag) or, with none pending, deletes a leftover unfinished copy.
// Returns whether a swap was completed. Must run while no index file of
// `directory` is open for writing.
bool FinishIndexSwap(actsdb::Database& db, const std::string& directory);

// Whether a reorganised copy is waiting to be put in place. Only reads.
bool IndexSwapPending(actsdb::Database& db);

// How much of the index of `directory` lies as the last reorganisation
// laid it out.
struct IndexLayout {
  int64_t records = 0;   // records in "word.dat"
  int64_t appended = 0;  // of them, appended since (all, when never reorganised)
};
IndexLayout ReadIndexLayout(actsdb::Database& db, const std::string& directory);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_REORGANISE_H_
