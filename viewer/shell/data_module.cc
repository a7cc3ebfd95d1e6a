#include "viewer/shell/data_module.h"

#include <filesystem>
#include <stdexcept>

#include "actsdb/codepage.h"
#include "actsdb/display_title.h"
#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "idxcore/index/cursor.h"

namespace shell {
namespace {

namespace fs = std::filesystem;

// The looked-up names of the acts views: the name column and the code table
// it comes from, by the act's id column.
struct LookupField {
  const char* field;
  const char* id_column;
};
constexpr LookupField kLookups[] = {
    {"Domeniu", "IdDomeniu"}, {"Emitent", "IdEmitent"}, {"Publicatia", "IdPublicatie"},
    {"TipAct", "IdTipAct"}};

// The labels of the in-memory list's columns; every other column is
// labelled with its name.
const std::map<std::string, std::string> kClientLabels = {
    {"NrOficial", "Numarul"},  {"DataPub", "Data Publicatiei"}, {"Rep", "Republicarea"},
    {"DispTitlu", "Titlu complet"}, {"TipAct", "Tipul Actului"},  {"Numar", "Numarul Monitorului"}};

std::map<int64_t, std::string> ReadNames(actsdb::Database& db, const char* table,
                                         const char* id_column, const char* name_column) {
  actsdb::Table codes(db, table);
  codes.Open();
  std::map<int64_t, std::string> names;
  for (bool more = codes.First(); more; more = codes.Next()) {
    names[codes.AsInteger(id_column)] = codes.AsString(name_column);
  }
  return names;
}

std::optional<int64_t> Column(const actsdb::Dataset& row, const char* column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.AsInteger(column);
}

bool SameName(std::string_view a, std::string_view b) {
  return actsdb::UpperCase(a) == actsdb::UpperCase(b);
}

}  // namespace

const char* const kActsListColumns[15] = {"IdAct", "IdDomeniu", "IdEmitent", "IdPublicatie",
                                          "IdTipAct", "NrOficial", "Data", "DataPub", "Anul",
                                          "Titlu", "Titlu2", "Rep", "IndNum", "Limba", "Numar"};

DataModule::DataModule(const std::string& install_dir, LoadMode mode) : mode_(mode) {
  db_ = actsdb::Database::Open(actsdb::DatabasePath(install_dir));
  const std::string& directory = db_->directory();
  const size_t zazi1 = directory.find(std::string("/") + actsdb::kDatabaseDirName);
  data_dir_ = zazi1 == std::string::npos ? "" : directory.substr(0, zazi1);

  dictionary_ = std::make_unique<finding::TableDictionary>(*db_);
  search_ = std::make_unique<finding::TextSearch>(*dictionary_, directory);
  types_ = ReadNames(*db_, "tblTipAct", "IdTipAct", "TipAct");
  issuers_ = ReadNames(*db_, "tblEmitenti", "IDEmitent", "Emitent");
  domains_ = ReadNames(*db_, "tblDomenii", "IdDomeniu", "Domeniu");
  publications_ = ReadNames(*db_, "tblPublicatii", "IdPublicatie", "Publicatia");
  OpenActsList(install_dir);

  acts_direct_ = std::make_unique<actsdb::Table>(*db_, "tblActe");
  acts_direct_->Open();
  direct_columns_ = acts_direct_->ColumnNames();

  _cautstr(directory.c_str());
  cursor_open_ = true;
}

DataModule::~DataModule() {
  if (query_) query_->Close();
  if (query_mic_) query_mic_->Close();
  if (client_) {
    client_->DisableControls();
    client_->SetFiltered(false);
    client_->EmptyDataSet();
    client_->Close();
  }
  if (acts_direct_) acts_direct_->Close();
  query_.reset();
  query_mic_.reset();
  client_.reset();
  acts_direct_.reset();
  db_.reset();
  if (cursor_open_) _cautstp();
}

void DataModule::OpenActsList(const std::string& install_dir) {
  const actsdb::Dataset::RecordFilter hit_test = [search = search_.get()](const actsdb::Dataset& row) {
    return search->Accepts(row.AsInteger("IdAct"));
  };
  // The find-act window's query, opened by its first search.
  query_mic_ = std::make_unique<actsdb::Query>(*db_);
  query_mic_->SetRecordFilter(hit_test);
  lists_.que_acte_mic = query_mic_.get();
  switch (mode_) {
    case LoadMode::kNone:
      break;
    case LoadMode::kPartial: {
      query_ = std::make_unique<actsdb::Query>(*db_);
      query_->SetRecordFilter(hit_test);
      query_->SetFiltered(true);
      lists_.que_acte = query_.get();
      lists_.shown = finding::ActsLists::Shown::kQueActe;
      query_->DisableControls();
      query_->sql() = {actsdb::kActsListSelect};
      query_->Prepare();
      query_->Open();
      query_->EnableControls();
      break;
    }
    case LoadMode::kFull: {
      client_ = std::make_unique<actsdb::ClientDataset>();
      client_->SetRecordFilter(hit_test);
      lists_.client_acte = client_.get();
      lists_.shown = finding::ActsLists::Shown::kClientActe;
      client_->DisableControls();
      std::string dump;
      for (const std::string& dir : {data_dir_, install_dir}) {
        if (dump.empty() && !dir.empty() && fs::exists(dir + "/dump.dst")) dump = dir + "/dump.dst";
      }
      if (dump.empty()) {
        throw actsdb::StoreError("the acts list cannot be loaded: there is no dump.dst in " +
                                 (data_dir_.empty() ? install_dir : data_dir_ + " nor in " + install_dir));
      }
      client_->LoadFromFile(dump);
      client_->EnableControls();
      break;
    }
  }
  ListChanged();
}

actsdb::Dataset* DataModule::acts_list() {
  if (!query_ && !client_) return nullptr;
  return &lists_.data_acte();
}

std::optional<finding::HistoryColumns> DataModule::ListedAct(int64_t id) {
  actsdb::Dataset* list = acts_list();
  if (!list || !list->active()) return std::nullopt;
  cursor_row_ = -1;
  if (!list->Locate("IdAct", id)) return std::nullopt;
  return finding::HistoryColumns{ListDispTitlu(), list->AsString("NrOficial"),
                                 list->AsString("Anul"), list->AsString("Titlu")};
}

void DataModule::ListChanged(std::optional<int> rows) {
  actsdb::Dataset* list = acts_list();
  rows_ = rows ? *rows : list && list->active() ? list->RecordCount() : 0;
  current_row_ = rows_ > 0 ? 0 : -1;
  cursor_row_ = -1;
}

bool DataModule::Seek(int row) const {
  actsdb::Dataset* list = const_cast<DataModule*>(this)->acts_list();
  if (!list || row < 0 || row >= rows_) return false;
  // From where the cursor stands, or from the nearer end.
  if (cursor_row_ < 0 || std::abs(cursor_row_ - row) > std::min(row, rows_ - 1 - row)) {
    if (row <= rows_ - 1 - row) {
      list->First();
      cursor_row_ = 0;
    } else {
      list->Last();
      cursor_row_ = rows_ - 1;
    }
  }
  while (cursor_row_ < row && list->Next()) ++cursor_row_;
  while (cursor_row_ > row && list->Prior()) --cursor_row_;
  return cursor_row_ == row;
}

void DataModule::MoveTo(int row) {
  current_row_ = row;
  Seek(row);
}

std::optional<int64_t> DataModule::PositionOnCurrentAct() {
  actsdb::Dataset* list = acts_list();
  if (!list || rows_ == 0 || !Seek(current_row_)) return std::nullopt;
  const int64_t id = list->AsInteger("IdAct");
  if (!acts_direct_->Locate("IdAct", id)) return std::nullopt;
  return id;
}

std::string DataModule::Lookup(const std::map<int64_t, std::string>& names,
                               const char* id_column) const {
  const actsdb::Dataset& list = *const_cast<DataModule*>(this)->acts_list();
  const auto it = names.find(list.AsInteger(id_column));
  return it == names.end() ? "" : it->second;
}

std::string DataModule::DirectName(const std::string& field) const {
  const auto name = [this](const std::map<int64_t, std::string>& names, const char* id_column) {
    const auto it = names.find(acts_direct_->AsInteger(id_column));
    return it == names.end() ? std::string() : it->second;
  };
  if (field == "Emitent") return name(issuers_, "IdEmitent");
  if (field == "Publicatia") return name(publications_, "IdPublicatie");
  if (field == "TipAct") return name(types_, "IdTipAct");
  throw std::invalid_argument("no looked-up field " + field + " on tblActeNef");
}

std::string DataModule::DirectDispTitlu() const {
  const actsdb::Table& act = *acts_direct_;
  const auto type = types_.find(act.AsInteger("IdTipAct"));
  std::string title = actsdb::DispTitlu({type == types_.end() ? "" : type->second,
                                         Column(act, "NrOficial"), Column(act, "Anul"),
                                         act.AsString("Titlu2"), Column(act, "Rep")});
  if (title.size() > actsdb::kDispTitluWidth) title.resize(actsdb::kDispTitluWidth);
  return title;
}

std::string DataModule::ListDispTitlu() const {
  const actsdb::Dataset& list = *const_cast<DataModule*>(this)->acts_list();
  const auto type = types_.find(list.AsInteger("IdTipAct"));
  std::string title = actsdb::DispTitlu({type == types_.end() ? "" : type->second,
                                         Column(list, "NrOficial"), Column(list, "Anul"),
                                         list.AsString("Titlu2"), Column(list, "Rep")});
  if (title.size() > actsdb::kListDispTitluWidth) title.resize(actsdb::kListDispTitluWidth);
  return title;
}

std::vector<finding::ListField> DataModule::Fields() const {
  std::vector<finding::ListField> fields;
  auto add = [&](const std::string& name) {
    const auto label = client_ ? kClientLabels.find(name) : kClientLabels.end();
    fields.push_back({name, label == kClientLabels.end() ? name : label->second});
  };
  for (const char* column : kActsListColumns) add(column);
  add("DispTitlu");
  for (const LookupField& lookup : kLookups) add(lookup.field);
  return fields;
}

int DataModule::RowCount() const { return rows_; }

std::string DataModule::Text(int row, const std::string& field) const {
  if (!Seek(row)) return "";
  const actsdb::Dataset& list = *const_cast<DataModule*>(this)->acts_list();
  if (field == "DispTitlu") return ListDispTitlu();
  if (field == "Domeniu") return Lookup(domains_, "IdDomeniu");
  if (field == "Emitent") return Lookup(issuers_, "IdEmitent");
  if (field == "Publicatia") return Lookup(publications_, "IdPublicatie");
  if (field == "TipAct") return Lookup(types_, "IdTipAct");
  if (field == "NrOficial") return actsdb::NumberDisplay(Column(list, "NrOficial"));
  if (field == "Data" || field == "DataPub") {
    const std::optional<actsdb::Date> date = list.AsDate(field);
    return date ? std::to_string(date->day) + "/" + std::to_string(date->month) + "/" +
                      std::to_string(date->year)
                : "";
  }
  return list.AsString(field);
}

std::vector<std::string> DataModule::SortKeysOf(const std::string& field) const {
  if (field == "DispTitlu") return {};  // calculated
  for (const LookupField& lookup : kLookups) {
    if (field == lookup.field) return {lookup.id_column};
  }
  return {field};
}

std::optional<finding::SortKeys> DataModule::SortIndex() const {
  if (!client_) return std::nullopt;
  const std::optional<actsdb::ClientDataset::IndexDef> index = client_->FindIndex(finding::kSortIndexName);
  if (!index) return std::nullopt;
  return finding::SortKeys{finding::SplitFields(index->fields),
                           finding::SplitFields(index->descending_fields)};
}

void DataModule::SetSortIndex(const finding::SortKeys& keys) {
  if (!client_) return;
  if (client_->FindIndex(finding::kSortIndexName)) client_->DeleteIndex(finding::kSortIndexName);
  client_->AddIndex(finding::kSortIndexName, finding::JoinFields(keys.fields),
                    finding::JoinFields(keys.descending), /*case_insensitive=*/true);
  client_->SetIndexName(finding::kSortIndexName);
  // The list in its new order starts at its first act: finding the row of
  // the act selected before would read the whole list.
  ListChanged();
}

void DataModule::StandOnAct(int64_t act) {
  actsdb::Dataset* list = acts_list();
  for (int row = 0; Seek(row); ++row) {
    if (list->AsInteger("IdAct") == act) {
      current_row_ = row;
      return;
    }
  }
}

finding::FieldKind DataModule::DirectFieldKind(const std::string& name) const {
  for (const std::string& column : direct_columns_) {
    if (SameName(column, name)) return finding::FieldKind::kData;
  }
  for (const char* derived : {"DispTitlu", "Privind", "Domeniu", "Emitent", "Publicatia", "TipAct"}) {
    if (SameName(derived, name)) return finding::FieldKind::kDerived;
  }
  return finding::FieldKind::kMissing;
}

void DataModule::SortQuery(const std::string& order_by) {
  if (!query_) return;
  order_by_ = order_by;
  std::optional<int64_t> act;
  if (current_row_ >= 0 && Seek(current_row_)) act = acts_list()->AsInteger("IdAct");
  if (filter_run_) {
    filter_run_();
  } else {
    if (query_mic_->active()) query_mic_->Close();
    lists_.shown = finding::ActsLists::Shown::kQueActe;
    std::vector<std::string> lines = {query_->sql().front(), "ORDER BY " + order_by_};
    query_->Close();
    query_->sql() = lines;
    query_->Open();
  }
  ListChanged();
  if (act) StandOnAct(*act);
}

}  // namespace shell
