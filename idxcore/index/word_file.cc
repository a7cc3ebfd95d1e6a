#include "idxcore/index/word_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

#include "idxcore/index/file_io.h"

namespace idxcore {

static_assert(sizeof(recwrd) == 12 && offsetof(recwrd, count) == 4 &&
                  offsetof(recwrd, reserved) == 6 && offsetof(recwrd, position) == 8,
              "recwrd crosses the C interface as exactly 12 bytes");

namespace {

constexpr int kRecordSize = 16;

// Blocks of a chain walk: 64 KB. A successor further away than kMaxGap
// records is read on its own: copying the records in between would cost
// more than the read it saves.
constexpr int32_t kBlockRecords = 4096;
constexpr int32_t kMaxGap = 256;

// Without the writer's window, appendchains' links that lie at most
// kLinkSpan records apart, kMinSpanLinks or more of them, are written as
// one span, the records between read and written back as they are: the
// last records of an act's words crowd in the acts just before it, and one
// write per link cost more than the copying.
constexpr int32_t kLinkSpan = 64;
constexpr size_t kMinSpanLinks = 3;

// On a little-endian machine a record's bytes are its in-memory layout:
// one 16-byte copy, which also keeps the copies that follow free of the
// stalls that piecewise stores cause.
constexpr bool kStoredAsInMemory =
    std::endian::native == std::endian::little && sizeof(diskhelem<recwrd>) == kRecordSize &&
    offsetof(diskhelem<recwrd>, next) == 12 && std::is_trivially_copyable_v<diskhelem<recwrd>>;

void Encode(const diskhelem<recwrd>& e, unsigned char* out) {
  if constexpr (kStoredAsInMemory) {
    std::memcpy(out, &e, kRecordSize);
    return;
  }
  PutLE32(out, static_cast<uint32_t>(e.value.act_id));
  PutLE16(out + 4, static_cast<uint16_t>(e.value.count));
  out[6] = e.value.reserved[0];
  out[7] = e.value.reserved[1];
  PutLE32(out + 8, static_cast<uint32_t>(e.value.position));
  PutLE32(out + 12, static_cast<uint32_t>(e.next));
}

void Decode(const unsigned char* in, diskhelem<recwrd>& e) {
  if constexpr (kStoredAsInMemory) {
    std::memcpy(&e, in, kRecordSize);
    return;
  }
  e.value.act_id = static_cast<int32_t>(GetLE32(in));
  e.value.count = static_cast<int16_t>(GetLE16(in + 4));
  e.value.reserved[0] = in[6];
  e.value.reserved[1] = in[7];
  e.value.position = static_cast<int32_t>(GetLE32(in + 8));
  e.next = static_cast<int32_t>(GetLE32(in + 12));
}

off_t OffsetOf(int32_t index) {
  return diskvec<diskhelem<recwrd>>::kHeaderSize + off_t{kRecordSize} * index;
}

}  // namespace

template struct diskhelem<recwrd>;

// ---- diskvec ----------------------------------------------------------

template <class E>
diskvec<E>::diskvec(const std::string& path, uint8_t write) : path_(path) {
  fd_ = write ? ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)
              : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw IndexError(path + ": cannot open: " + std::strerror(errno));
  RequireRegularFile(fd_, path_);
  writer_ = write != 0;
  if (writer_) {
    const unsigned char header[kHeaderSize] = {};
    try {
      WriteAt(fd_, path_, header, kHeaderSize, 0);
      known_end_ = FileSize(fd_, path_);
    } catch (...) {
      ::close(fd_);
      throw;
    }
  }
}

template <class E>
diskvec<E>::~diskvec() {
  ::close(fd_);
}

template <class E>
bool diskvec<E>::replaced() const {
  struct stat open_file, named;
  if (::fstat(fd_, &open_file) != 0 || ::stat(path_.c_str(), &named) != 0) return true;
  return open_file.st_dev != named.st_dev || open_file.st_ino != named.st_ino;
}

// The writer's window. A store into a MAP_SHARED mapping lands in the page
// cache at once, the same pages that pread, pwrite and every other process
// use, so what the file holds after each call, and at each act's commit,
// is byte for byte what the same pwrite would have left; a crash of this
// process loses nothing a pwrite would have kept, and no msync is needed
// (like the writes, it was never synced for a crash of the system).
// Only bytes below known_end_ go through the window: the writer's own
// appends extend the file first, with a plain write, and a cut lowers
// known_end_ before it shortens the file.
template <class E>
unsigned char* diskvec<E>::window(int64_t offset, size_t size) const {
  const int64_t end = offset + static_cast<int64_t>(size);
  if (offset < 0 || end > known_end_ || !window_.cover(fd_, static_cast<size_t>(end))) {
    return nullptr;
  }
  return window_.data() + offset;
}

template <class E>
unsigned char* diskvec<E>::inplace(int32_t first, int32_t count) const {
  return window(OffsetOf(first), static_cast<size_t>(count) * kRecordSize);
}

template <class E>
int32_t diskvec<E>::getsize() const {
  const int64_t size = FileSize(fd_, path_);
  if (writer_) known_end_ = size;
  if (size < kHeaderSize) return 0;
  const int64_t count = (size - kHeaderSize) / kRecordSize;
  if (count > std::numeric_limits<int32_t>::max())
    throw IndexError(path_ + ": more records than a 32-bit index can address");
  return static_cast<int32_t>(count);
}

template <class E>
bool diskvec<E>::getelem(int32_t index, E& elem) const {
  if (index < 0) return false;
  if (const unsigned char* p = inplace(index, 1)) {
    Decode(p, elem);
    return true;
  }
  unsigned char buf[kRecordSize];
  if (ReadAt(fd_, buf, kRecordSize, OffsetOf(index)) != kRecordSize) return false;
  Decode(buf, elem);
  return true;
}

template <class E>
int32_t diskvec<E>::getstored(int32_t first, int32_t count, unsigned char* out) const {
  if (first < 0 || count <= 0) return 0;
  // What the window holds, then the rest from the file: records another
  // process appended lie past known_end_.
  const int64_t known = (known_end_ - OffsetOf(first)) / kRecordSize;
  int32_t mapped = static_cast<int32_t>(std::clamp<int64_t>(known, 0, count));
  if (const unsigned char* p = mapped > 0 ? inplace(first, mapped) : nullptr) {
    std::memcpy(out, p, static_cast<size_t>(mapped) * kRecordSize);
  } else {
    mapped = 0;
  }
  if (mapped == count) return count;
  const int64_t got = ReadAt(fd_, out + static_cast<size_t>(mapped) * kRecordSize,
                             static_cast<size_t>(count - mapped) * kRecordSize,
                             OffsetOf(first + mapped));
  if (got < 0) return 0;
  return mapped + static_cast<int32_t>(got / kRecordSize);
}

template <class E>
void diskvec<E>::putelem(const E& elem, int32_t index) {
  if (index < 0 || index > getsize())
    throw IndexError(path_ + ": record " + std::to_string(index) +
                     " lies outside the file (it would leave a gap)");
  store(elem, index);
}

template <class E>
void diskvec<E>::store(const E& elem, int32_t index) {
  unsigned char buf[kRecordSize];
  Encode(elem, buf);
  storebytes(index, 0, buf, kRecordSize);
}

template <class E>
void diskvec<E>::storebytes(int32_t index, int offset, const void* bytes, size_t size) {
  const off_t at = OffsetOf(index) + offset;
  if (unsigned char* p = window(at, size)) {
    std::memcpy(p, bytes, size);
    return;
  }
  WriteAt(fd_, path_, bytes, size, at);
  if (writer_) known_end_ = std::max<int64_t>(known_end_, at + static_cast<off_t>(size));
}

template <class E>
void diskvec<E>::truncate(int32_t count) {
  if (count < 0) throw IndexError(path_ + ": cannot cut to a negative record count");
  known_end_ = std::min<int64_t>(known_end_, OffsetOf(count));
  Truncate(fd_, path_, OffsetOf(count));
}

template class diskvec<diskhelem<recwrd>>;

// ---- diskhash ---------------------------------------------------------

template <class T>
diskhash<T>::diskhash(const std::string& path, uint8_t write) : vec_(path, write) {}

template <class T>
bool diskhash<T>::findrec(int32_t index) {
  // A new walk starts from what is on disk now.
  block_count_ = 0;
  current_from_block_ = false;
  element e;
  if (!vec_.getelem(index, e)) {
    // Nothing of the previous chain may pass for this one.
    current_index_ = index;
    current_ = element{};
    current_read_ = false;
    return false;
  }
  current_index_ = index;
  current_ = e;
  current_read_ = true;
  return true;
}

template <class T>
bool diskhash<T>::readahead(int32_t index) {
  if (index - current_index_ > kMaxGap) {
    // Too far to be worth the records in between: read it alone.
    element e;
    if (!vec_.getelem(index, e)) return false;
    current_ = e;
    current_from_block_ = false;
    return true;
  }
  block_.resize(size_t{kBlockRecords} * kRecordSize);
  block_first_ = index;
  block_count_ = vec_.getstored(index, kBlockRecords, block_.data());
  if (block_count_ == 0) return false;
  Decode(block_.data(), current_);
  current_from_block_ = true;
  return true;
}

template <class T>
bool diskhash<T>::nextrec() {
  if (current_.next <= 0 && current_from_block_) {
    element fresh;
    if (vec_.getelem(current_index_, fresh)) current_.next = fresh.next;
    current_from_block_ = false;
  }
  const int32_t next = current_.next;
  if (next <= 0 || next <= current_index_) return false;
  const int64_t offset = int64_t{next} - block_first_;
  if (offset >= 0 && offset < block_count_) {
    Decode(&block_[static_cast<size_t>(offset) * kRecordSize], current_);
    current_from_block_ = true;
  } else if (!readahead(next)) {
    return false;
  }
  current_index_ = next;
  current_read_ = true;
  return true;
}

template <class T>
void diskhash<T>::write(const element& elem, int32_t index) {
  const int32_t count = size();
  if (index < 0 || index > count)
    throw IndexError(vec_.path() + ": record " + std::to_string(index) +
                     " lies outside the file (it would leave a gap)");
  if (checkpointed_ && index < checkpoint_size_ && !saved_.contains(index)) {
    element before;
    if (!vec_.getelem(index, before))
      throw IndexError(vec_.path() + ": record " + std::to_string(index) + " cannot be read");
    // Its link was 0 before appendchains rewrote it.
    if (std::find(relinked_.begin(), relinked_.end(), index) != relinked_.end()) before.next = 0;
    saved_.emplace(index, before);
  }
  block_count_ = 0;
  try {
    vec_.store(elem, index);
  } catch (...) {
    known_size_ = -1;  // a failed append may have left part of a record
    throw;
  }
  if (index == count && known_size_ >= 0) ++known_size_;
}

template <class T>
int32_t diskhash<T>::addhead(const T& r) {
  pending_ = element{r, 0};
  const int32_t n = size();
  write(pending_, n);
  current_ = pending_;
  current_index_ = n;
  current_read_ = true;
  current_from_block_ = false;
  return n;
}

template <class T>
int32_t diskhash<T>::addlink(const T& r) {
  if (!current_read_)
    throw IndexError(vec_.path() + ": the chain's last record was not read; nothing linked");
  pending_ = element{r, 0};
  const int32_t n = size();
  current_.next = n;
  write(current_, current_index_);
  write(pending_, n);
  current_ = pending_;
  current_index_ = n;
  current_from_block_ = false;
  return n;
}

template <class T>
int32_t diskhash<T>::appendchains(const std::vector<ChainAppend>& entries) {
  const int32_t n = size();
  if (entries.empty()) return n;
  if (entries.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() - n))
    throw IndexError(vec_.path() + ": more records than a 32-bit index can address");
  // Each named last record with the index of its successor, in file order.
  links_.clear();
  for (size_t i = 0; i < entries.size(); ++i) {
    const int32_t last = entries[i].last;
    if (last < 0) continue;
    if (last >= n)
      throw IndexError(vec_.path() + ": record " + std::to_string(last) +
                       " lies outside the file; nothing linked");
    links_.emplace_back(last, n + static_cast<int32_t>(i));
  }
  std::sort(links_.begin(), links_.end());
  const auto twice = std::adjacent_find(
      links_.begin(), links_.end(), [](const auto& a, const auto& b) { return a.first == b.first; });
  if (twice != links_.end())
    throw IndexError(vec_.path() + ": record " + std::to_string(twice->first) +
                     " would be linked twice; nothing linked");

  // The new records first: until a link points at them they are in no
  // chain, so a failure half way leaves every chain whole.
  append_.resize(entries.size() * kRecordSize);
  for (size_t i = 0; i < entries.size(); ++i) {
    Encode(element{entries[i].value, 0}, &append_[i * kRecordSize]);
  }
  block_count_ = 0;
  try {
    vec_.storebytes(n, 0, append_.data(), append_.size());
  } catch (...) {
    known_size_ = -1;
    throw;
  }
  if (known_size_ >= 0) known_size_ += static_cast<int32_t>(entries.size());

  for (const auto& [last, next] : links_) {
    if (checkpointed_ && last < checkpoint_size_ && !saved_.contains(last)) {
      relinked_.push_back(last);
    }
  }
  if (unsigned char* records = vec_.inplace(0, n)) {
    for (const auto& [last, next] : links_) {
      PutLE32(records + static_cast<size_t>(last) * kRecordSize + 12, static_cast<uint32_t>(next));
    }
  } else {
    storelinks();
  }
  current_index_ = n + static_cast<int32_t>(entries.size()) - 1;
  current_ = element{entries.back().value, 0};
  current_read_ = true;
  current_from_block_ = false;
  return n;
}

template <class T>
void diskhash<T>::storelinks() {
  for (size_t g = 0; g < links_.size();) {
    size_t h = g + 1;
    while (h < links_.size() && links_[h].first - links_[h - 1].first <= kLinkSpan) ++h;
    if (h - g < kMinSpanLinks) {
      for (; g < h; ++g) {
        unsigned char link[4];
        PutLE32(link, static_cast<uint32_t>(links_[g].second));
        vec_.storebytes(links_[g].first, 12, link, sizeof link);
      }
      continue;
    }
    const int32_t from = links_[g].first;
    const int32_t count = links_[h - 1].first - from + 1;
    span_.resize(static_cast<size_t>(count) * kRecordSize);
    if (vec_.getstored(from, count, span_.data()) != count)
      throw IndexError(vec_.path() + ": records " + std::to_string(from) + " to " +
                       std::to_string(from + count - 1) + " cannot be read");
    for (; g < h; ++g) {
      PutLE32(&span_[static_cast<size_t>(links_[g].first - from) * kRecordSize + 12],
              static_cast<uint32_t>(links_[g].second));
    }
    vec_.storebytes(from, 0, span_.data(), span_.size());
  }
}

template <class T>
void diskhash<T>::setvalue(int32_t index, const T& r) {
  element e;
  if (!vec_.getelem(index, e))
    throw IndexError(vec_.path() + ": record " + std::to_string(index) + " cannot be read");
  e.value = r;
  write(e, index);
  if (current_read_ && index == current_index_) current_ = e;
}

template <class T>
std::vector<int32_t> diskhash<T>::findact(int32_t act_id) const {
  std::vector<int32_t> found;
  std::vector<unsigned char> block(size_t{kBlockRecords} * kRecordSize);
  int32_t first = 0;
  for (;;) {
    const int32_t n = vec_.getstored(first, kBlockRecords, block.data());
    for (int32_t i = 0; i < n; ++i) {
      element e;
      Decode(&block[static_cast<size_t>(i) * kRecordSize], e);
      if (e.value.act_id == act_id) found.push_back(first + i);
    }
    if (n < kBlockRecords) break;
    first += n;
  }
  return found;
}

template <class T>
void diskhash<T>::checkpoint() {
  if (checkpointed_) throw IndexError(vec_.path() + ": a checkpoint is already open");
  checkpoint_size_ = vec_.getsize();
  known_size_ = checkpoint_size_;
  checkpointed_ = true;
}

template <class T>
void diskhash<T>::commit() {
  checkpointed_ = false;
  saved_.clear();
  relinked_.clear();
  known_size_ = -1;
}

template <class T>
void diskhash<T>::rollback() {
  if (!checkpointed_) throw IndexError(vec_.path() + ": no checkpoint to roll back to");
  block_count_ = 0;
  // Links first, then the cut: should the cut fail, the undone records are
  // merely unreachable, whereas a link left pointing past the cut would
  // later take in whatever record is appended there. A failure leaves the
  // checkpoint open, so rollback() can be tried again.
  known_size_ = -1;
  const unsigned char end_of_chain[4] = {};
  for (int32_t index : relinked_) vec_.storebytes(index, 12, end_of_chain, sizeof end_of_chain);
  for (const auto& [index, before] : saved_) vec_.putelem(before, index);
  vec_.truncate(checkpoint_size_);
  if (current_read_) {
    element e;
    current_read_ = vec_.getelem(current_index_, e);
    current_ = current_read_ ? e : element{};
    current_from_block_ = false;
  }
  commit();
}

template class diskhash<recwrd>;

}  // namespace idxcore
