// The undo log of an act's retirement.
//
// Replacing an act first retires its old records in "word.dat" in place
// (act id 0), long before the act's transaction commits. Should the
// program die in between, the transaction is rolled back but the records
// stay retired, and the old version, still the act's text in the database,
// would no longer be found by its words. So the import writes the list of
// records it is about to retire to "retire.undo" beside the index first,
// naming the commit that will make the retirement final: the writers'
// commit count in tblIndexState (index_state.h) one past its value then.
// The log goes once the act has committed or rolled back; a recovery that
// finds it gives the records their act back unless that commit happened.
#ifndef CORVANA_IDXCORE_INDEX_RETIREMENT_LOG_H_
#define CORVANA_IDXCORE_INDEX_RETIREMENT_LOG_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace idxcore {

struct Retirement {
  int64_t commit = 0;  // the commit count that makes it final
  int32_t act_id = 0;
  std::vector<int32_t> records;  // indexes in "word.dat"
};

// "retire.undo" in the index directory.
std::string RetirementLogPath(const std::string& database_dir);

// Writes the log whole or not at all (a temporary file renamed over it);
// throws IndexError.
void WriteRetirementLog(const std::string& database_dir, const Retirement& retirement);

// The log, or none when there is none; throws IndexError when it cannot be
// read or is not a log.
std::optional<Retirement> ReadRetirementLog(const std::string& database_dir);

// Removes the log; throws IndexError when it stays.
void RemoveRetirementLog(const std::string& database_dir);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_INDEX_RETIREMENT_LOG_H_
