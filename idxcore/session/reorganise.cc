#include "idxcore/session/reorganise.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <utility>

#include "actsdb/transaction.h"
#include "idxcore/index/file_io.h"
#include "idxcore/index/index_state.h"
#include "idxcore/session/chain_ends.h"

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
  db.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kFlagTable +
             " (Pending BOOLEAN, OrganisedRecords INTEGER)");
  // A table from before the laid-out records were counted.
  bool counted = false;
  {
    actsdb::PreparedStatement column(
        db, std::string("SELECT count(*) FROM pragma_table_info('") + kFlagTable +
                "') WHERE name = 'OrganisedRecords'");
    counted = column.Step() && column.AsInteger(0) != 0;
  }
  if (!counted) {
    db.Execute(std::string("ALTER TABLE ") + kFlagTable + " ADD COLUMN OrganisedRecords INTEGER");
  }
}

// Sets the flag, and with a copy committed the records it laid out.
void SetSwapPending(actsdb::Database& db, bool pending, int64_t organised_records = -1) {
  EnsureFlagTable(db);
  actsdb::Table flag(db, kFlagTable);
  flag.Open(/*exclusive=*/true);
  if (flag.First()) {
    flag.Edit();
  } else {
    flag.Append();
  }
  flag.SetBoolean("Pending", pending);
  if (organised_records >= 0) flag.SetInteger("OrganisedRecords", organised_records);
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

IndexSource::MappedFile::MappedFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw IndexError("cannot open " + path + ": " + std::strerror(errno));
  RequireRegularFile(fd, path);
  try {
    size_ = static_cast<size_t>(FileSize(fd, path));
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (size_ > 0) {
    void* p = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
      const std::string reason = std::strerror(errno);
      ::close(fd);
      throw IndexError("cannot map " + path + ": " + reason);
    }
    data_ = static_cast<const unsigned char*>(p);
  }
  ::close(fd);  // the mapping keeps the file
}

IndexSource::MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<unsigned char*>(data_), size_);
}

IndexSource::IndexSource(std::string word_path, const std::string& position_path)
    : word_path_(std::move(word_path)),
      position_path_(position_path),
      words_(word_path_),
      positions_(position_path) {
  const uint64_t count =
      words_.size() > kHeaderSize ? (words_.size() - kHeaderSize) / kRecordSize : 0;
  if (count > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    throw IndexError(word_path_ + ": more records than a 32-bit index can address");
  }
  records_ = static_cast<int32_t>(count);
}

void IndexSource::CopyPositions(uint32_t offset, uint16_t count,
                                std::vector<unsigned char>& out) const {
  const size_t wanted = 2 * size_t{count};
  const size_t there = offset < positions_.size() ? positions_.size() - offset : 0;
  const size_t whole = std::min(wanted, there / 2 * 2);
  if (whole > 0) {
    const unsigned char* from = positions_.data() + offset;
    out.insert(out.end(), from, from + whole);
  }
  out.resize(out.size() + wanted - whole, 0);
}

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

ChainEnds IndexCopy::CopyChain(const IndexSource& source, int32_t first) {
  const auto damaged = [&](int32_t index, const std::string& what) {
    return IndexError(source.word_path() + " is damaged: record " + std::to_string(index) + " " +
                      what);
  };
  const unsigned char* stored = source.record(first);
  if (stored == nullptr) {
    throw damaged(first, "heads a chain but lies outside the file (" +
                             std::to_string(source.records()) + " records)");
  }
  copied_.resize(static_cast<size_t>(source.records()));
  ChainEnds ends{records_, records_};
  int32_t index = first;
  while (true) {
    if (copied_[static_cast<size_t>(index)]) throw damaged(index, "belongs to two chains");
    copied_[static_cast<size_t>(index)] = true;
    // As stored but for the position field of a record with positions and
    // the link.
    unsigned char bytes[kRecordSize];
    std::memcpy(bytes, stored, kRecordSize);
    const uint16_t count = GetLE16(stored + 4);
    if (count > 1) {
      const uint32_t offset = GetLE32(stored + 8);
      if (offset % 2 != 0 || offset + 2 * int64_t{count} > source.position_bytes()) {
        throw damaged(index, "has " + std::to_string(count) + " positions at byte " +
                                 std::to_string(offset) + ", outside " + source.position_path() +
                                 " (" + std::to_string(source.position_bytes()) + " bytes)");
      }
      if (positions_bytes_ > std::numeric_limits<int32_t>::max()) {
        throw IndexError(position_path_ + ": full; offset " + std::to_string(positions_bytes_) +
                         " does not fit a record's position field");
      }
      source.CopyPositions(offset, count, position_buffer_);
      PutLE32(bytes + 8, static_cast<uint32_t>(positions_bytes_));
      positions_bytes_ += 2 * int64_t{count};
      if (position_buffer_.size() >= kFlushBytes) FlushPositions();
    }
    const int32_t next = static_cast<int32_t>(GetLE32(stored + 12));
    const unsigned char* following = next > index ? source.record(next) : nullptr;
    if (next != 0 && following == nullptr) {
      throw damaged(index, "links to record " + std::to_string(next) +
                               ", which is no later record of the file");
    }
    PutLE32(bytes + 12, following != nullptr ? static_cast<uint32_t>(records_ + 1) : 0);
    record_buffer_.insert(record_buffer_.end(), bytes, bytes + kRecordSize);
    ends.last = records_++;
    if (record_buffer_.size() >= kFlushBytes) FlushRecords();
    if (following == nullptr) return ends;
    index = next;
    stored = following;
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
  if (!HasTable(db, kFlagTable)) return false;
  actsdb::PreparedStatement flag(
      db, std::string("SELECT Pending FROM ") + kFlagTable + " ORDER BY rowid LIMIT 1");
  return flag.Step() && flag.AsInteger(0) != 0;
}

void PutInOrder(actsdb::Database& db, actsdb::Table& words, const std::string& directory,
                const ReorganiseProgress& progress) {
  const IndexPaths paths(directory);
  if (IndexSwapPending(db)) {
    throw IndexError("a reorganised index of " + directory + " is still waiting to be put in place");
  }
  // What is there now is the rest of an interrupted run: nothing points
  // into it.
  RemoveIfPresent(paths.new_words);
  RemoveIfPresent(paths.new_positions);

  actsdb::Transaction transaction(db);
  try {
    int32_t organised = 0;
    {
      const IndexSource source(paths.words, paths.positions);
      IndexCopy copy(paths.new_words, paths.new_positions);
      std::map<int64_t, WordChainEnds> new_ends;
      words.SetIndexName("index1");
      for (bool on = words.First(); on; on = words.Next()) {
        // A First beyond 32 bits is outside any file: -1 says so.
        const int64_t first = words.AsInteger("First");
        const ChainEnds ends = copy.CopyChain(
            source, first <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(first) : -1);
        new_ends[words.AsInteger("IdWord")] = {ends.first, ends.last};
        if (progress) progress(copy.records(), source.records());
      }
      if (progress) progress(source.records(), source.records());
      copy.Finish();
      WriteChainEnds(db, new_ends);
      WriteIndexFileSizes(db, copy.records(), copy.position_bytes());
      words.SetIndexName("index1");  // lists the rows again, as now written
      organised = copy.records();
    }
    SetSwapPending(db, true, organised);
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

IndexLayout ReadIndexLayout(actsdb::Database& db, const std::string& directory) {
  IndexLayout layout;
  layout.records = diskvec<diskhelem<recwrd>>(IndexPaths(directory).words, 0).getsize();
  EnsureFlagTable(db);
  actsdb::PreparedStatement organised(
      db, std::string("SELECT ifnull(OrganisedRecords, 0) FROM ") + kFlagTable);
  const int64_t laid_out = organised.Step() ? organised.AsInteger(0) : 0;
  layout.appended = layout.records - std::clamp<int64_t>(laid_out, 0, layout.records);
  return layout;
}

}  // namespace idxcore
