// Small helpers shared by the index files: little-endian fields and
// positioned reads and writes on a file descriptor.
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

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_FILE_IO_H_
