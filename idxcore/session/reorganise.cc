#include "idxcore/session/reorganise.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <utility>

#include "idxcore/index/file_io.h"
#include "idxcore/index/index_state.h"
#include "idxcore/session/chain_ends.h"
#include "idxcore/session/transaction.h"

namespace idxcore {

namespace {

namespace fs = std::filesystem;

constexpr char kFlagTable[] = "tblIndexSwap";

struct IndexPaths {
  explicit IndexPaths(const std::string& dir)
      : words(dir + "/word.dat"),
        positions(dir + "/poziti.dat"),
        new_words(dir + "/word2.dat"),
        new_positions(dir + "/poziti2.dat"),
        directory(dir) {}
  std::string words, positions, new_words, new_positions, directory;
};

// Flushes a file (or a directory, for the renames in it) to the disk.
void SyncPath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    throw IndexError("cannot flush " + path + ": " + reason);
  }
  ::close(fd);
}

void RemoveIfPresent(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) throw IndexError("cannot remove " + path + ": " + ec.message());
}

void EnsureFlagTable(actsdb::Database& db) {
  db.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kFlagTable + " (Pending BOOLEAN)");
}

void SetSwapPending(actsdb::Database& db, bool pending) {
  EnsureFlagTable(db);
  actsdb::Table flag(db, kFlagTable);
  flag.Open(/*exclusive=*/true);
  if (flag.First()) {
    flag.Edit();
  } else {
    flag.Append();
  }
  flag.SetBoolean("Pending", pending);
  flag.Post();
  flag.Close();
}

constexpr size_t kFlushBytes = 1 << 20;
constexpr int64_t kRecordSize = 16;

int OpenEmpty(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw IndexError("cannot create " + path + ": " + std::strerror(errno));
  return fd;
}

}  // namespace

IndexCopy::IndexCopy(std::string word_path, std::string position_path)
    : word_path_(std::move(word_path)), position_path_(std::move(position_path)) {
  word_fd_ = OpenEmpty(word_path_);
  try {
    position_fd_ = OpenEmpty(position_path_);
    const unsigned char header[diskvec<diskhelem<recwrd>>::kHeaderSize] = {};
    WriteAt(word_fd_, word_path_, header, sizeof header, 0);
  } catch (...) {
    ::close(word_fd_);
    if (position_fd_ >= 0) ::close(position_fd_);
    throw;
  }
}

IndexCopy::~IndexCopy() {
  ::close(word_fd_);
  ::close(position_fd_);
}

ChainEnds IndexCopy::CopyChain(const diskvec<diskhelem<recwrd>>& source,
                               const PositionFile& source_positions, int32_t first) {
  diskhelem<recwrd> e;
  if (!source.getelem(first, e)) {
    throw IndexError("chain head " + std::to_string(first) + " lies outside " + source.path());
  }
  ChainEnds ends{records_, records_};
  int32_t index = first;
  while (true) {
    recwrd r = e.value;
    const uint16_t count = static_cast<uint16_t>(r.count);
    if (count > 1) {
      if (positions_bytes_ > std::numeric_limits<int32_t>::max()) {
        throw IndexError(position_path_ + ": full; offset " + std::to_string(positions_bytes_) +
                         " does not fit a record's position field");
      }
      const std::vector<uint16_t> positions =
          source_positions.read(static_cast<uint32_t>(r.position), count);
      r.position = static_cast<int32_t>(positions_bytes_);
      for (uint16_t p : positions) {
        position_buffer_.push_back(static_cast<unsigned char>(p));
        position_buffer_.push_back(static_cast<unsigned char>(p >> 8));
      }
      positions_bytes_ += 2 * int64_t{count};
      if (position_buffer_.size() >= kFlushBytes) FlushPositions();
    }
    const int32_t next = e.next;
    const bool more = next > index && source.getelem(next, e);
    unsigned char bytes[kRecordSize] = {};
    PutLE32(bytes, static_cast<uint32_t>(r.act_id));
    PutLE16(bytes + 4, static_cast<uint16_t>(r.count));
    bytes[6] = r.reserved[0];
    bytes[7] = r.reserved[1];
    PutLE32(bytes + 8, static_cast<uint32_t>(r.position));
    PutLE32(bytes + 12, more ? static_cast<uint32_t>(records_ + 1) : 0);
    record_buffer_.insert(record_buffer_.end(), bytes, bytes + kRecordSize);
    ends.last = records_++;
    if (record_buffer_.size() >= kFlushBytes) FlushRecords();
    if (!more) return ends;
    index = next;
  }
}

void IndexCopy::FlushRecords() {
  WriteAt(word_fd_, word_path_, record_buffer_.data(), record_buffer_.size(),
          static_cast<off_t>(diskvec<diskhelem<recwrd>>::kHeaderSize +
                             records_flushed_ * kRecordSize));
  records_flushed_ += static_cast<int64_t>(record_buffer_.size()) / kRecordSize;
  record_buffer_.clear();
}

void IndexCopy::FlushPositions() {
  WriteAt(position_fd_, position_path_, position_buffer_.data(), position_buffer_.size(),
          static_cast<off_t>(position_bytes_flushed_));
  position_bytes_flushed_ += static_cast<int64_t>(position_buffer_.size());
  position_buffer_.clear();
}

void IndexCopy::Finish() {
  FlushRecords();
  FlushPositions();
  for (const auto& [fd, path] : {std::pair{word_fd_, &word_path_},
                                 std::pair{position_fd_, &position_path_}}) {
    if (::fsync(fd) != 0) throw IndexError("cannot flush " + *path + ": " + std::strerror(errno));
  }
}

bool IndexSwapPending(actsdb::Database& db) {
  EnsureFlagTable(db);
  actsdb::Table flag(db, kFlagTable);
  flag.Open();
  const bool pending = flag.First() && flag.AsBoolean("Pending");
  flag.Close();
  return pending;
}

void PutInOrder(actsdb::Database& db, actsdb::Table& words, const std::string& directory) {
  const IndexPaths paths(directory);
  if (IndexSwapPending(db)) {
    throw IndexError("a reorganised index of " + directory + " is still waiting to be put in place");
  }
  // What is there now is the rest of an interrupted run: nothing points
  // into it.
  RemoveIfPresent(paths.new_words);
  RemoveIfPresent(paths.new_positions);

  Transaction transaction(db);
  try {
    {
      const diskvec<diskhelem<recwrd>> source(paths.words, 0);
      const PositionFile source_positions(paths.positions, PositionFile::Mode::kRead);
      IndexCopy copy(paths.new_words, paths.new_positions);
      std::map<int64_t, WordChainEnds> new_ends;
      words.SetIndexName("index1");
      for (bool on = words.First(); on; on = words.Next()) {
        const ChainEnds ends = copy.CopyChain(source, source_positions,
                                              static_cast<int32_t>(words.AsInteger("First")));
        new_ends[words.AsInteger("IdWord")] = {ends.first, ends.last};
      }
      copy.Finish();
      WriteChainEnds(db, new_ends);
      WriteIndexFileSizes(db, copy.records(), copy.position_bytes());
      words.SetIndexName("index1");  // lists the rows again, as now written
    }
    SetSwapPending(db, true);
    transaction.Commit();
  } catch (...) {
    std::error_code ignored;
    fs::remove(paths.new_words, ignored);
    fs::remove(paths.new_positions, ignored);
    throw;
  }
}

bool FinishIndexSwap(actsdb::Database& db, const std::string& directory) {
  const IndexPaths paths(directory);
  if (!IndexSwapPending(db)) {
    RemoveIfPresent(paths.new_words);
    RemoveIfPresent(paths.new_positions);
    return false;
  }
  for (const auto& [from, to] : {std::pair{&paths.new_words, &paths.words},
                                 std::pair{&paths.new_positions, &paths.positions}}) {
    if (!fs::exists(*from)) continue;  // renamed before an interruption
    if (std::rename(from->c_str(), to->c_str()) != 0) {
      throw IndexError("cannot rename " + *from + " to " + *to + ": " + std::strerror(errno));
    }
  }
  SyncPath(paths.directory);
  SetSwapPending(db, false);
  return true;
}

}  // namespace idxcore
