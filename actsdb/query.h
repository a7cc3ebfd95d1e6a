// A query in the system's SQL dialect, read whole when opened.
#ifndef CORVANA_ACTSDB_QUERY_H_
#define CORVANA_ACTSDB_QUERY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "actsdb/database.h"
#include "actsdb/dataset.h"

namespace actsdb {

// A query in the system's SQL dialect. The text is given as lines; the
// store translates the dialect to SQLite:
//   - a quoted date 'd/m/yyyy' compared with a date column compares dates;
//   - "ORDER BY f ASCENDING" / "DESCENDING";
//   - LIKE with "%" and "_" ignores case for all Windows-1250 letters,
//     Romanian ones included.
class Query : public Dataset {
 public:
  explicit Query(Database& db);
  ~Query() override;

  std::vector<std::string>& sql();  // Windows-1250 lines
  std::string SqlText() const;      // the lines, each followed by CR LF

  void Prepare();  // checks the text; throws StoreError with SQLite's reason
  void Open();
  void Close();

 protected:
  std::string Describe() const override;
  void FetchRow(int64_t key, Row* row) const override;
  size_t PositionOf(int64_t key) const override;
  void ReadFields(int64_t key, size_t column, Row* row,
                  std::vector<bool>* decoded) const override;

 private:
  std::string Translate() const;

  Database& db_;
  std::vector<std::string> sql_;
  std::vector<std::string> rows_;  // packed rows, in result order
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_QUERY_H_
