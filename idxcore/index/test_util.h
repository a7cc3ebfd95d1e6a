// Helpers for the index tests: a scratch directory and raw file access.
#ifndef CORVANA_IDXCORE_INDEX_TEST_UTIL_H_
#define CORVANA_IDXCORE_INDEX_TEST_UTIL_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

#include "idxcore/index/cursor.h"

namespace idxcore {

// An occurrence value; `count` keeps its low 16 bits, as the writer stores it.
inline recwrd Rec(int32_t act, int count, int32_t position) {
  recwrd r{};
  r.act_id = act;
  r.count = static_cast<int16_t>(static_cast<uint16_t>(count));
  r.position = position;
  return r;
}

// A directory under the system temp directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "idxcore-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The IdAct of every record of the chain that starts at `first` (retired
// records, act 0, left out), walked through the cursor exports as the
// viewer walks it; the cursor must be open.
inline std::set<int32_t> ChainActs(int32_t first) {
  std::set<int32_t> acts;
  _findrecbypos(first);
  do {
    recwrd r;
    _getcrt(&r);
    if (r.act_id != 0) acts.insert(r.act_id);
  } while (_findnextrec() != 0);
  return acts;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_TEST_UTIL_H_
