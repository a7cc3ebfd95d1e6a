// The error of the table store. Every failing store operation throws it,
// with a message that names the table or statement and what went wrong.
// It lives apart from the store's classes so that the pieces below them
// (the query dialect, the schema) can throw it without including them.
#ifndef CORVANA_ACTSDB_STORE_ERROR_H_
#define CORVANA_ACTSDB_STORE_ERROR_H_

#include <stdexcept>

namespace actsdb {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STORE_ERROR_H_
