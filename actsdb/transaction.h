// One database transaction around a group of writes that must land
// together. Inside a transaction the caller already opened, it adds
// nothing: the outer one decides.
#ifndef CORVANA_ACTSDB_TRANSACTION_H_
#define CORVANA_ACTSDB_TRANSACTION_H_

#include "actsdb/database.h"

namespace actsdb {

class Transaction {
 public:
  explicit Transaction(Database& db) : db_(db), owner_(!db.in_transaction()) {
    if (owner_) db_.Begin();
  }
  // Rolls back unless committed.
  ~Transaction() {
    if (owner_ && !done_) {
      try {
        db_.Rollback();
      } catch (...) {
        // Already failing; the database discards the transaction anyway.
      }
    }
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit() {
    if (owner_ && !done_) db_.Commit();
    done_ = true;
  }

 private:
  Database& db_;
  bool owner_;
  bool done_ = false;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_TRANSACTION_H_
