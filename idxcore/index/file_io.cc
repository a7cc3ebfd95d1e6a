#include "idxcore/index/file_io.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "idxcore/index/index_error.h"

namespace idxcore {

namespace {

[[noreturn]] void Fail(const std::string& path, const char* what) {
  throw IndexError(path + ": " + what + ": " + std::strerror(errno));
}

}  // namespace

int64_t ReadAt(int fd, void* buf, size_t size, off_t offset) {
  if (offset < 0) return -1;
  auto* p = static_cast<unsigned char*>(buf);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, p + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

void WriteAt(int fd, const std::string& path, const void* buf, size_t size, off_t offset) {
  const auto* p = static_cast<const unsigned char*>(buf);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, p + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) Fail(path, "cannot write");
    done += static_cast<size_t>(n);
  }
}

void RequireRegularFile(int fd, const std::string& path) {
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return;
  ::close(fd);
  throw IndexError(path + ": not a regular file");
}

int64_t FileSize(int fd, const std::string& path) {
  struct stat st;
  if (::fstat(fd, &st) != 0) Fail(path, "cannot read its size");
  return st.st_size;
}

void Truncate(int fd, const std::string& path, off_t size) {
  int rc;
  do rc = ::ftruncate(fd, size); while (rc != 0 && errno == EINTR);
  if (rc != 0) Fail(path, "cannot cut back");
}

FileWindow::~FileWindow() {
  if (data_ != nullptr) ::munmap(data_, length_);
}

bool FileWindow::cover(int fd, size_t bytes) {
  if (bytes <= length_) return true;
  if (refused_) return false;
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  size_t length = std::max({bytes, length_ + length_ / 2, kMinLength});
  length = (length + page - 1) / page * page;
  void* p = data_ == nullptr
                ? ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                : ::mremap(data_, length_, length, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) {
    // A failed mremap leaves the old window; dropping it keeps one rule for
    // the caller: no window, plain reads and writes.
    if (data_ != nullptr) ::munmap(data_, length_);
    data_ = nullptr;
    length_ = 0;
    refused_ = true;
    return false;
  }
  data_ = static_cast<unsigned char*>(p);
  length_ = length;
  return true;
}

}  // namespace idxcore
