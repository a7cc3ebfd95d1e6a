#include "idxcore/index/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "idxcore/index/word_file.h"

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

}  // namespace idxcore
