#include "viewer/shell/data_module.h"

#include "actsdb/install_dir.h"
#include "actsdb/installation.h"
#include "actsdb/schema.h"

namespace shell {
namespace {

// The grid shows dates as d/m/yyyy.
actsdb::Dataset::DisplayTextFunction DayMonthYear(const char* column) {
  return [column](const actsdb::Dataset& row) {
    const std::optional<actsdb::Date> date = row.AsDate(column);
    return date ? std::to_string(date->day) + "/" + std::to_string(date->month) + "/" +
                      std::to_string(date->year)
                : std::string();
  };
}

}  // namespace

DataModule::DataModule(const std::string& install_dir, LoadMode mode, bool named)
    : views_([this](int64_t id_act) { return !search_ || search_->Accepts(id_act); }) {
  actsdb::AliasConfig aliases;
  actsdb::RegisterViewerAliases(aliases, install_dir);
  const std::string database_dir = named ? install_dir + "/" + actsdb::kDatabaseDirName
                                         : aliases.Directory("Zazi1");
  views_.Open({install_dir, database_dir}, mode);

  dictionary_ = std::make_unique<finding::TableDictionary>(views_.database());
  search_ = std::make_unique<finding::TextSearch>(*dictionary_, views_.database().directory());
  for (actsdb::Dataset* list : lists()) {
    list->SetDisplayText("Data", DayMonthYear("Data"));
    list->SetDisplayText("DataPub", DayMonthYear("DataPub"));
    list->AddListener(this);
  }
  views_.OnDataActeSwitched([this] {
    if (changes_.rows_reset) changes_.rows_reset();
  });
}

DataModule::~DataModule() {
  changes_ = {};
  views_.OnDataActeSwitched(nullptr);
  for (actsdb::Dataset* list : lists()) list->RemoveListener(this);
  // The search reads the dictionary table on the connection the views close.
  search_.reset();
  dictionary_.reset();
  views_.Close();
}

std::vector<actsdb::Dataset*> DataModule::lists() {
  return {&views_.QueActe(), &views_.QueActeMic(), &views_.ClientActe()};
}

actsdb::Dataset* DataModule::acts_list() {
  if (views_.load_mode() == LoadMode::kNone) return nullptr;
  return &views_.DataActe();
}

const actsdb::Dataset* DataModule::shown() const {
  const actsdb::Dataset* list = const_cast<DataModule*>(this)->acts_list();
  return list && list->active() ? list : nullptr;
}

void DataModule::RowsReset(actsdb::Dataset& dataset) {
  if (&dataset == shown() && changes_.rows_reset) changes_.rows_reset();
}

void DataModule::CurrentRowMoved(actsdb::Dataset& dataset) {
  if (&dataset == shown() && changes_.current_moved) changes_.current_moved();
}

std::optional<int64_t> DataModule::PositionOnCurrentAct() {
  const actsdb::Dataset* list = shown();
  if (!list || list->CurrentRow() < 0) return std::nullopt;
  const int64_t id = list->AsInteger("IdAct");
  if (!tblActeNef().Locate("IdAct", id)) return std::nullopt;
  return id;
}

std::optional<finding::HistoryColumns> DataModule::ListedAct(int64_t id) {
  actsdb::Dataset* list = acts_list();
  if (!list || !list->active()) return std::nullopt;
  // The row is found by the cursor and the cursor put back, with the
  // listeners held so that the grid does not follow.
  actsdb::ControlsDisabled held(*list);
  const int current = list->CurrentRow();
  if (!list->Locate("IdAct", id)) return std::nullopt;
  finding::HistoryColumns columns{list->AsString("DispTitlu"), list->AsString("NrOficial"),
                                  list->AsString("Anul"), list->AsString("Titlu")};
  if (current >= 0) list->MoveToRow(current);
  return columns;
}

std::vector<finding::ListField> DataModule::Fields() const {
  std::vector<finding::ListField> fields;
  if (const actsdb::Dataset* list = shown()) {
    for (const actsdb::ColumnInfo& column : list->Columns()) {
      fields.push_back({column.name, column.label});
    }
  }
  return fields;
}

int DataModule::RowCount() const {
  const actsdb::Dataset* list = shown();
  return list ? list->RecordCount() : 0;
}

std::string DataModule::Text(int row, const std::string& field) const {
  const actsdb::Dataset* list = shown();
  if (!list || row < 0 || row >= list->RecordCount()) return "";
  return list->DisplayTextAt(row, list->ColumnIndex(field));
}

int DataModule::CurrentRow() const {
  const actsdb::Dataset* list = shown();
  return list ? list->CurrentRow() : -1;
}

void DataModule::MoveTo(int row) {
  if (actsdb::Dataset* list = acts_list(); list && list->active()) list->MoveToRow(row);
}

std::vector<std::string> DataModule::SortKeysOf(const std::string& field) const {
  const actsdb::Dataset* list = shown();
  if (!list) return {};
  const actsdb::ColumnInfo& column = list->Columns()[list->ColumnIndex(field)];
  switch (column.kind) {
    case actsdb::FieldKind::kData:
      return {field};
    case actsdb::FieldKind::kLookup:
      return {column.lookup_key};
    case actsdb::FieldKind::kCalculated:
      break;
  }
  return {};
}

std::optional<finding::SortKeys> DataModule::SortIndex() const {
  if (views_.load_mode() != LoadMode::kFull) return std::nullopt;
  const std::optional<actsdb::ClientDataset::IndexDef> index =
      const_cast<DataModule*>(this)->views_.ClientActe().FindIndex(finding::kSortIndexName);
  if (!index) return std::nullopt;
  return finding::SortKeys{finding::SplitFields(index->fields),
                           finding::SplitFields(index->descending_fields)};
}

void DataModule::SetSortIndex(const finding::SortKeys& keys) {
  if (views_.load_mode() != LoadMode::kFull) return;
  actsdb::ClientDataset& client = views_.ClientActe();
  actsdb::ControlsDisabled held(client);
  if (client.FindIndex(finding::kSortIndexName)) client.DeleteIndex(finding::kSortIndexName);
  client.AddIndex(finding::kSortIndexName, finding::JoinFields(keys.fields),
                  finding::JoinFields(keys.descending), /*case_insensitive=*/true);
  client.SetIndexName(finding::kSortIndexName);
  // The list in its new order starts at its first act.
  client.First();
}

finding::FieldKind DataModule::DirectFieldKind(const std::string& name) const {
  const actsdb::Table& direct = const_cast<DataModule*>(this)->tblActeNef();
  for (const actsdb::ColumnInfo& column : direct.Columns()) {
    if (!actsdb::SameColumnName(column.name, name)) continue;
    return column.kind == actsdb::FieldKind::kData ? finding::FieldKind::kData
                                                   : finding::FieldKind::kDerived;
  }
  return finding::FieldKind::kMissing;
}

void DataModule::SortQuery(const std::string& order_by) {
  if (views_.load_mode() != LoadMode::kPartial) return;
  order_by_ = order_by;
  std::optional<int64_t> act;
  if (const actsdb::Dataset* list = shown(); list && list->CurrentRow() >= 0) {
    act = list->AsInteger("IdAct");
  }
  if (filter_run_) {
    filter_run_();
  } else {
    actsdb::Query& query = views_.QueActe();
    actsdb::ControlsDisabled held(query);
    if (views_.data_acte() != actsdb::ActsList::kQueActe) {
      views_.SetDataActe(actsdb::ActsList::kQueActe);
      views_.QueActeMic().Close();
    }
    const std::vector<std::string> lines = {query.sql().front(), "ORDER BY " + order_by_};
    query.Close();
    query.sql() = lines;
    query.Open();
  }
  if (act) views_.DataActe().Locate("IdAct", *act);
}

}  // namespace shell
