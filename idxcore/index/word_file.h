// "word.dat": the occurrence records of the word index.
//
// Layout (all integers little-endian):
//   bytes 0..29          header; no reader interprets it (written as zeros)
//   30 + 16*i, 16 bytes  record i: act id int32, count int16, 2 reserved
//                        bytes, position field int32, next int32
// The record count is (file size - 30) / 16, taken from the file every time
// it is needed, so readers see what other processes appended meanwhile.
//
// Every word's records form a chain linked by `next` (0 ends it), one record
// per act, in the order the acts were indexed. Records are only appended and
// never move, so a link always points to a later record; record 0 is always
// the head of the first chain ever written, never a successor. The
// dictionary row of a word (tblCuv) holds the indexes of its chain's first
// and last records.
//
// The file is always opened with sharing allowed: the viewer reads it while
// the update program may append to it. Nothing coordinates the two.
//
// A writer (an import session, which holds the file alone for that long:
// nobody else writes or cuts it meanwhile) reads and rewrites existing
// records through a shared mapping of the file, and appends with plain
// writes. A reader never maps the file: another process may cut it under
// the reader, and touching a mapped page past the new end would kill it.
#ifndef CORVANA_IDXCORE_INDEX_WORD_FILE_H_
#define CORVANA_IDXCORE_INDEX_WORD_FILE_H_

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "idxcore/index/file_io.h"
#include "idxcore/index/index_error.h"
#include "idxcore/index/recwrd.h"

namespace idxcore {

// The 12-byte occurrence value; shared with the C interface of the cursor.
using ::recwrd;

// A record as stored: the value followed by the index of the chain's next
// record (0: end of chain).
template <class T>
struct diskhelem {
  T value{};
  int32_t next = 0;
};

// A file of fixed-size elements after a 30-byte header.
// Only diskvec<diskhelem<recwrd>> exists ("word.dat").
template <class E>
class diskvec {
 public:
  static constexpr int kHeaderSize = 30;

  // Opens `path`. With `write` set a missing file is created with its
  // header and no elements, and an existing one gets its header rewritten
  // and keeps its elements. Without `write` the file is opened for reading
  // only: a reader never creates or changes an index file. Throws
  // IndexError when the file cannot be opened (or is missing, to a reader).
  diskvec(const std::string& path, uint8_t write);
  ~diskvec();
  diskvec(const diskvec&) = delete;
  diskvec& operator=(const diskvec&) = delete;

  const std::string& path() const { return path_; }

  // Whether path() names another file than the one open now (or none):
  // another program replaced or removed it since.
  bool replaced() const;

  // Number of whole elements in the file now; 0 for a file shorter than its
  // header (only outside damage makes one).
  int32_t getsize() const;

  // Reads element `index` into `elem`. A failure (negative index, beyond the
  // end, an I/O error) is not an error here: it returns false and leaves
  // `elem` as it was.
  bool getelem(int32_t index, E& elem) const;

  // Writes `elem` at `index`; index getsize() appends. Throws IndexError.
  void putelem(const E& elem, int32_t index);

  // Cuts the file to `count` elements (undoing appends). Throws IndexError.
  void truncate(int32_t count);

 private:
  template <class>
  friend class diskhash;

  // putelem without the range check, for a caller that knows the count.
  void store(const E& elem, int32_t index);
  // Writes `size` bytes from byte `offset` of element `index` on (running
  // into the elements after it).
  void storebytes(int32_t index, int offset, const void* bytes, size_t size);

  // Reads up to `count` consecutive elements from `first`, as stored, into
  // `out` and returns how many whole ones were there (0 on any failure).
  int32_t getstored(int32_t first, int32_t count, unsigned char* out) const;

  // The `count` elements from `first`, as stored, in the writer's window;
  // null for a reader, when the system refused the window, or when they
  // do not all lie below known_end_.
  unsigned char* inplace(int32_t first, int32_t count) const;
  // The same for `size` bytes at byte `offset`.
  unsigned char* window(int64_t offset, size_t size) const;

  std::string path_;
  int fd_ = -1;
  bool writer_ = false;
  // Only a writer's: the window, and the bytes it knows the file to have
  // (its size when last asked, grown by its own appends). Nothing at or
  // past known_end_ is touched through the window.
  mutable FileWindow window_;
  mutable int64_t known_end_ = 0;
};

// Chained access to a diskvec of diskhelem<T>: a current record that a
// reader moves along a chain and a writer extends chains from.
// Only diskhash<recwrd> exists.
//
// A chain walk (findrec, then nextrec until false) reads ahead through the
// file in blocks instead of one read per record. It still sees what other
// processes appended meanwhile: findrec starts from what is on disk, a
// record beyond what was read ahead is read afresh, and the end of a chain
// is confirmed on disk (an addlink since the block was read moves it).
template <class T>
class diskhash {
 public:
  using element = diskhelem<T>;

  // Opens the file as diskvec does. There is no current record (current()
  // reads as zeros) until the first findrec.
  diskhash(const std::string& path, uint8_t write);

  int32_t getsize() const { return vec_.getsize(); }
  const std::string& path() const { return vec_.path(); }
  bool replaced() const { return vec_.replaced(); }

  // Makes record `index` current and returns true. A record that cannot be
  // read leaves no current record: false, current() reads as zeros and
  // nextrec() and addlink() refuse to go on from it.
  bool findrec(int32_t index);

  // Moves to the current record's successor. False, changing nothing, at the
  // end of the chain (next <= 0), when the successor cannot be read, or when
  // the link does not point forward (damage; following it could loop).
  bool nextrec();

  const element& current() const { return current_; }
  int32_t current_index() const { return current_index_; }

  // Appends `r` as the first record of a new chain; returns its index,
  // which becomes current.
  int32_t addhead(const T& r);

  // Appends `r` after the current record, which must be the last of its
  // chain (findrec(Last) first), and rewrites that record's link to point at
  // it: exactly two records are written. Returns the new index, which
  // becomes current. Throws IndexError when the current record was not read
  // from the file (a failed findrec), rather than link a stale record.
  int32_t addlink(const T& r);

  // One act's records for several chains at once: each entry's value goes
  // after the chain whose last record is `last`, or heads a new chain when
  // `last` is negative. See appendchains.
  struct ChainAppend {
    T value{};
    int32_t last = -1;
  };

  // Appends one record per entry, in order, with a single write (entry i
  // becomes record getsize() + i, its next 0), then points each named last
  // record at its entry's record. Those old last records are not read: only
  // their 4-byte link is written, so each `last` must end its chain (as the
  // dictionary's Last does) and a rollback sets it back to 0. Throws
  // IndexError, writing nothing, when a `last` lies outside the file or two
  // entries name the same one. Returns the index of the first new record;
  // the last new record becomes current.
  int32_t appendchains(const std::vector<ChainAppend>& entries);

  // Replaces the value of record `index` in place, keeping its link (used to
  // retire an act's records by setting their act id to 0). Throws
  // IndexError when the record cannot be read or written.
  void setvalue(int32_t index, const T& r);

  // Indexes of all records whose value belongs to act `act_id`, ascending.
  std::vector<int32_t> findact(int32_t act_id) const;

  // Undo of one act's writes. checkpoint() remembers the record count and,
  // until commit() or rollback(), the former contents of every record that
  // existed then and is rewritten (the old last record addlink or
  // appendchains extends, a record setvalue changes). While a checkpoint is
  // open the record count is kept here instead of asked of the file at
  // every append: the writer is the file's only one for that long.
  // rollback() restores those records and cuts the
  // file back to the remembered count, so the file is as it was at the
  // checkpoint; commit() keeps the writes. Both end the checkpoint, except a
  // rollback that fails (IndexError), which can be tried again. A
  // checkpoint while one is open, or a rollback without one, throws.
  void checkpoint();
  void commit();
  void rollback();

 private:
  // Puts `elem` at `index` (at most the record count), first saving the
  // former contents for rollback() when the record predates the checkpoint.
  void write(const element& elem, int32_t index);
  // Writes appendchains' links_ through the file, without the window: one
  // write per link, or per span of close ones.
  void storelinks();
  // The record count: kept while a checkpoint is open, else the file's.
  int32_t size() const { return known_size_ >= 0 ? known_size_ : vec_.getsize(); }
  // Makes record `index`, which lies outside the read-ahead block, the
  // current one: read alone when it lies far ahead, otherwise by refilling
  // the block from it. False, changing nothing, when it cannot be read.
  bool readahead(int32_t index);

  diskvec<element> vec_;
  element pending_{};
  int32_t current_index_ = 0;
  element current_{};
  bool current_read_ = false;  // current_ holds record current_index_
  // current_ came from the read-ahead block, so its link may predate an
  // addlink made since; an end of chain seen there is checked on disk.
  bool current_from_block_ = false;

  // Read-ahead: block_count_ records from block_first_, as stored; decoded
  // only when the walk reaches them.
  std::vector<unsigned char> block_;
  int32_t block_first_ = 0;
  int32_t block_count_ = 0;

  bool checkpointed_ = false;
  int32_t checkpoint_size_ = 0;
  std::map<int32_t, element> saved_;  // former contents, by index
  // Records whose link appendchains rewrote without reading them: their
  // former link was 0 and the rest of them is unchanged.
  std::vector<int32_t> relinked_;
  int32_t known_size_ = -1;  // record count during a checkpoint; -1: ask the file
  std::vector<unsigned char> append_;  // appendchains' records, as stored
  std::vector<std::pair<int32_t, int32_t>> links_;  // appendchains' links: record, next
  std::vector<unsigned char> span_;  // appendchains' records between links, as stored
};

extern template struct diskhelem<recwrd>;
extern template class diskvec<diskhelem<recwrd>>;
extern template class diskhash<recwrd>;

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_WORD_FILE_H_
