// "poziti.dat": the positions of words that occur more than once in an act.
//
// No header; a sequence of little-endian 16-bit positions. A "word.dat"
// record with count c >= 2 owns the c positions that begin at the byte
// offset in its position field, in ascending order of occurrence. A position
// is the ordinal of the occurrence among the act's tokens, kept modulo 65536.
// Positions of a record with count 1 live in the record itself, not here.
#ifndef CORVANA_IDXCORE_INDEX_POSITION_FILE_H_
#define CORVANA_IDXCORE_INDEX_POSITION_FILE_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace idxcore {

class PositionFile {
 public:
  enum class Mode {
    kRead,    // read only; the file must exist
    kAppend,  // read and append; created empty when missing
  };

  // Throws IndexError when the file cannot be opened or created.
  PositionFile(const std::string& path, Mode mode);
  ~PositionFile();
  PositionFile(const PositionFile&) = delete;
  PositionFile& operator=(const PositionFile&) = delete;

  const std::string& path() const { return path_; }

  // Size of the file in bytes, now.
  int64_t size() const;

  // Appends `positions` at the end of the file and returns the byte offset
  // at which they begin: the position field of the record that owns them.
  // Throws IndexError on a write failure, or when that offset would not fit
  // the 32-bit position field (nothing is written then).
  int32_t append(std::span<const uint16_t> positions);

  // Reads `count` positions from byte `offset`. Positions beyond the end of
  // the file (a damaged index, or one cut back meanwhile) read as 0; a
  // negative offset or count reads nothing.
  std::vector<uint16_t> read(int64_t offset, int32_t count) const;

  // Cuts the file back to `size` bytes. Throws IndexError.
  void truncate(int64_t size);

  // Undo of one act's appends: checkpoint() remembers the size, rollback()
  // cuts the file back to it, commit() keeps what was appended. Both end the
  // checkpoint; a checkpoint while one is open throws IndexError.
  void checkpoint();
  void commit();
  void rollback();

 private:
  std::string path_;
  int fd_ = -1;
  bool checkpointed_ = false;
  int64_t checkpoint_size_ = 0;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_POSITION_FILE_H_
