// The parts of the search that read the acts database through the store.
#include "actsdb/store.h"
#include "idxcore/session/interrupted_import.h"
#include "viewer/finding/text_search.h"

namespace finding {

TableDictionary::TableDictionary(actsdb::Database& db)
    : db_(db), table_(std::make_unique<actsdb::Table>(db, "tblcuv")) {
  table_->Open();
}

TableDictionary::~TableDictionary() = default;

void TableDictionary::PrepareSearch() { idxcore::PrepareIndexForSearch(db_); }

std::optional<WordDictionary::Entry> TableDictionary::Find(const std::string& key, bool exact) {
  if (!table_->Locate("Word", key, /*case_insensitive=*/!exact)) return std::nullopt;
  return Entry{static_cast<int32_t>(table_->AsInteger("IdWord")),
               static_cast<int32_t>(table_->AsInteger("First"))};
}

int32_t LargestActId(actsdb::Database& db) {
  actsdb::Query query(db);
  query.sql() = {"SELECT MAX(IdAct) AS LargestId FROM tblActe"};
  query.Open();
  const int64_t largest = query.First() ? query.AsInteger("LargestId") : 0;
  query.Close();
  return static_cast<int32_t>(largest);
}

}  // namespace finding
