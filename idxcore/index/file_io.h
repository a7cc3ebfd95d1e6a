// Small helpers shared by the index files: little-endian fields,
// positioned reads and writes on a file descriptor, and a writer's shared
// mapping of a file.
#ifndef CORVANA_IDXCORE_INDEX_FILE_IO_H_
#define CORVANA_IDXCORE_INDEX_FILE_IO_H_

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace idxcore {

inline void PutLE16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

inline void PutLE32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline uint16_t GetLE16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t GetLE32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Reads up to `size` bytes at `offset`, retrying short reads until the end
// of the file; returns the bytes read, or -1 on an error.
int64_t ReadAt(int fd, void* buf, size_t size, off_t offset);

// Writes all `size` bytes at `offset`; throws IndexError naming `path`.
void WriteAt(int fd, const std::string& path, const void* buf, size_t size, off_t offset);

// Throws IndexError naming `path` unless `fd` is a regular file (a
// directory opens for reading but reads nothing). Closes `fd` first.
void RequireRegularFile(int fd, const std::string& path);

// The file's size now; throws IndexError naming `path`.
int64_t FileSize(int fd, const std::string& path);

// Cuts the file to `size` bytes; throws IndexError naming `path`.
void Truncate(int fd, const std::string& path, off_t size);

// A read/write MAP_SHARED mapping of a file from its first byte, for the
// process that is the file's only writer: a store into it is in the page
// cache at once, so every read of the file, by this process or another,
// sees it as it would a pwrite. The window may reach past the end of the
// file; touching a page wholly past the end raises SIGBUS, so the caller
// only reaches into the window below a size it knows the file has.
class FileWindow {
 public:
  // The smallest window, and the least a window grows by.
  static constexpr size_t kMinLength = size_t{1} << 20;

  FileWindow() = default;
  ~FileWindow();
  FileWindow(const FileWindow&) = delete;
  FileWindow& operator=(const FileWindow&) = delete;

  // Makes the window cover at least `bytes` bytes of `fd`, mapping or
  // growing it by half its length or more at once, so that a file
  // that grows by appends is remapped only now and then. False, with no
  // window left, once the system has refused: the caller goes on with
  // reads and writes on the descriptor, and is not refused twice.
  bool cover(int fd, size_t bytes);

  unsigned char* data() const { return data_; }

 private:
  unsigned char* data_ = nullptr;
  size_t length_ = 0;
  bool refused_ = false;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_FILE_IO_H_
