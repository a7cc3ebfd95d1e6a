// The error of the word index files.
#ifndef CORVANA_IDXCORE_INDEX_INDEX_ERROR_H_
#define CORVANA_IDXCORE_INDEX_INDEX_ERROR_H_

#include <stdexcept>

namespace idxcore {

// An index file that cannot be opened, created, written or addressed.
// The message names the file and what failed.
class IndexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_INDEX_ERROR_H_
