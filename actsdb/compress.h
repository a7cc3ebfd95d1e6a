// zlib streams of the stored act texts (CompText, CompStruct).
#ifndef CORVANA_ACTSDB_COMPRESS_H_
#define CORVANA_ACTSDB_COMPRESS_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace actsdb {

// Inflates one RFC 1950 stream and returns its first `expected_size` bytes.
// A damaged stream, or one that inflates to fewer bytes, throws
// std::runtime_error saying which.
std::string Inflate(std::string_view stream, size_t expected_size);

// One RFC 1950 stream of `data`.
std::string Deflate(std::string_view data);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_COMPRESS_H_
