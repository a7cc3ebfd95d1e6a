#include "idxcore/session/interrupted_import.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "idxcore/index/word_file.h"

namespace idxcore {

namespace fs = std::filesystem;

int CutChainsAtLast(actsdb::Table& dictionary, const std::string& word_file) {
  if (!fs::exists(word_file)) return 0;
  diskvec<diskhelem<recwrd>> records(word_file, /*write=*/1);
  int cut = 0;
  for (bool on = dictionary.First(); on; on = dictionary.Next()) {
    const int64_t last = dictionary.AsInteger("Last");
    diskhelem<recwrd> record;
    if (last < 0 || last > INT32_MAX || !records.getelem(static_cast<int32_t>(last), record) ||
        record.next == 0) {
      continue;
    }
    record.next = 0;
    records.putelem(record, static_cast<int32_t>(last));
    ++cut;
  }
  return cut;
}

ImportRunMark::ImportRunMark(actsdb::Table& dictionary, const std::string& database_dir)
    : path_(database_dir + "/import.run") {
  if (fs::exists(path_)) {
    CutChainsAtLast(dictionary, database_dir + "/word.dat");
    repaired_ = true;
  }
  std::ofstream mark(path_, std::ios::trunc);
  if (!mark) throw std::runtime_error("cannot create " + path_);
}

ImportRunMark::~ImportRunMark() {
  std::error_code ignored;
  fs::remove(path_, ignored);
}

}  // namespace idxcore
