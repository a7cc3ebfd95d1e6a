#include "idxcore/index/position_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "idxcore/index/file_io.h"
#include "idxcore/index/word_file.h"

namespace idxcore {

PositionFile::PositionFile(const std::string& path, Mode mode) : path_(path) {
  fd_ = mode == Mode::kRead ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC)
                            : ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) throw IndexError(path + ": cannot open: " + std::strerror(errno));
  RequireRegularFile(fd_, path_);
}

PositionFile::~PositionFile() { ::close(fd_); }

int64_t PositionFile::size() const { return FileSize(fd_, path_); }

int32_t PositionFile::append(std::span<const uint16_t> positions) {
  const int64_t offset = size();
  if (offset > std::numeric_limits<int32_t>::max())
    throw IndexError(path_ + ": full; offset " + std::to_string(offset) +
                     " does not fit a record's position field");
  std::vector<unsigned char> bytes(positions.size() * 2);
  for (size_t i = 0; i < positions.size(); ++i) PutLE16(&bytes[2 * i], positions[i]);
  WriteAt(fd_, path_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
  return static_cast<int32_t>(offset);
}

std::vector<uint16_t> PositionFile::read(int64_t offset, int32_t count) const {
  if (offset < 0 || count <= 0) return {};
  std::vector<unsigned char> bytes(static_cast<size_t>(count) * 2);
  const int64_t got = ReadAt(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
  std::vector<uint16_t> positions(static_cast<size_t>(count), 0);
  const size_t whole = got < 0 ? 0 : static_cast<size_t>(got) / 2;
  for (size_t i = 0; i < whole; ++i) positions[i] = GetLE16(&bytes[2 * i]);
  return positions;
}

void PositionFile::truncate(int64_t size) {
  if (size < 0) throw IndexError(path_ + ": cannot cut to a negative size");
  Truncate(fd_, path_, static_cast<off_t>(size));
}

void PositionFile::checkpoint() {
  if (checkpointed_) throw IndexError(path_ + ": a checkpoint is already open");
  checkpoint_size_ = size();
  checkpointed_ = true;
}

void PositionFile::commit() { checkpointed_ = false; }

void PositionFile::rollback() {
  if (!checkpointed_) throw IndexError(path_ + ": no checkpoint to roll back to");
  truncate(checkpoint_size_);
  checkpointed_ = false;
}

}  // namespace idxcore
