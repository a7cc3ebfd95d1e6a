#include "actsdb/compress.h"

#include <zlib.h>

#include <stdexcept>

namespace actsdb {

std::string Inflate(std::string_view stream, size_t expected_size) {
  std::string out(expected_size, '\0');
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw std::runtime_error("zlib: cannot start inflating");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  int rc = Z_OK;
  while (z.avail_out > 0 && rc == Z_OK) rc = inflate(&z, Z_NO_FLUSH);
  const size_t produced = expected_size - z.avail_out;
  const std::string reason = z.msg ? z.msg : "";
  inflateEnd(&z);
  // Z_BUF_ERROR is input that ran out: a stream cut short, reported below.
  if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
    throw std::runtime_error("zlib: damaged compressed stream (" +
                             (reason.empty() ? std::to_string(rc) : reason) + ")");
  }
  if (produced < expected_size) {
    throw std::runtime_error("zlib: compressed stream holds " + std::to_string(produced) +
                             " bytes, " + std::to_string(expected_size) + " expected");
  }
  return out;
}

std::string Deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  const int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                           reinterpret_cast<const Bytef*>(data.data()),
                           static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
  if (rc != Z_OK) throw std::runtime_error("zlib: compression failed (" + std::to_string(rc) + ")");
  out.resize(size);
  return out;
}

}  // namespace actsdb
