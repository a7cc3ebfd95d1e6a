// The data module (`TDataModActe`), the viewer's side of it: the database
// opened for the run in the load mode of the options, the acts list the
// grid shows (`DataActe`: the query `QueActe` in partial mode, the
// in-memory `ClientActe` from "dump.dst" in full mode) and the direct acts
// view `tblActeNef`, and the word index cursor, open from creation to
// destruction.
//
// It is the results grid's GridSource: the display texts of the list's
// fields (the display title, looked-up names, the number as the lists show
// it, dates as d/m/yyyy), its sort index in memory and its sort clause as a
// query.
//
// The three lists the grid can show share one record filter, the text
// search's hit test: an act passes when its hit counter equals the number
// of words of the last text search (every act before any search).
//
// Hand-over: the filter and find-act windows run their searches over
// lists() with search(), then call ListChanged() and the grid's Refresh();
// the filter window runs the query again after a title click
// (SetFilterRun) with OrderBy(). Until it comes, the query is run again
// with the new order alone.
#ifndef CORVANA_VIEWER_SHELL_DATA_MODULE_H_
#define CORVANA_VIEWER_SHELL_DATA_MODULE_H_

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/store.h"
#include "viewer/finding/filter_run.h"
#include "viewer/finding/history.h"
#include "viewer/finding/results_grid.h"
#include "viewer/finding/text_search.h"
#include "viewer/shell/options.h"

namespace shell {

// The columns of the acts list, in order.
extern const char* const kActsListColumns[15];

class DataModule : public finding::GridSource {
 public:
  // Opens everything in order; an error leaves open what was opened before
  // it and is thrown on (the start-up shows it).
  DataModule(const std::string& install_dir, LoadMode mode);
  ~DataModule() override;

  // Opening, step by step; the constructor runs them in this order.
  LoadMode load_mode() const { return mode_; }
  const std::string& data_dir() const { return data_dir_; }
  actsdb::Database* database() { return db_.get(); }
  // `DataActe`: the acts list shown, nullptr when none is open.
  actsdb::Dataset* acts_list();
  // The lists `DataActe` can show, and the text search whose hit test is
  // their record filter.
  finding::ActsLists& lists() { return lists_; }
  finding::TextSearch& search() { return *search_; }
  actsdb::Table* tblActeNef() { return acts_direct_.get(); }

  // The act of the grid's current row: `tblActeNef` positioned on it. Its
  // IdAct, or nullopt when the list is empty.
  std::optional<int64_t> PositionOnCurrentAct();
  // The display title of the act `tblActeNef` stands on.
  std::string DirectDispTitlu() const;
  // A looked-up name of that act: "Emitent", "Publicatia" or "TipAct".
  std::string DirectName(const std::string& field) const;

  // The history's columns of act `id` as the acts list holds it; nullopt
  // when the list does not hold it. The list's cursor moves; its current
  // row stays.
  std::optional<finding::HistoryColumns> ListedAct(int64_t id);

  void SetFilterRun(std::function<void()> run) { filter_run_ = std::move(run); }

  // GridSource.
  std::vector<finding::ListField> Fields() const override;
  int RowCount() const override;
  std::string Text(int row, const std::string& field) const override;
  int CurrentRow() const override { return current_row_; }
  void MoveTo(int row) override;
  bool in_memory() const override {
    return lists_.shown == finding::ActsLists::Shown::kClientActe;
  }
  std::vector<std::string> SortKeysOf(const std::string& field) const override;
  std::optional<finding::SortKeys> SortIndex() const override;
  void SetSortIndex(const finding::SortKeys& keys) override;
  finding::FieldKind DirectFieldKind(const std::string& name) const override;
  std::string OrderBy() const override { return order_by_; }
  void SortQuery(const std::string& order_by) override;

  // The rows of the list changed: counts and cursor are read again, the
  // count taken as given when there is one.
  void ListChanged(std::optional<int> rows = std::nullopt);

 private:
  void OpenActsList(const std::string& install_dir);
  // Stands the list's cursor on accepted row `row`, moving from where it is.
  bool Seek(int row) const;
  // Makes the row of `act` the current row, when it is listed.
  void StandOnAct(int64_t act);
  std::string Lookup(const std::map<int64_t, std::string>& names, const char* id_column) const;
  // The display title of the list's row where its cursor stands.
  std::string ListDispTitlu() const;

  LoadMode mode_;
  std::string data_dir_;
  std::unique_ptr<actsdb::Database> db_;
  std::map<int64_t, std::string> types_, issuers_, domains_, publications_;
  std::unique_ptr<actsdb::Query> query_;       // QueActe
  std::unique_ptr<actsdb::Query> query_mic_;   // QueActeMic
  std::unique_ptr<actsdb::ClientDataset> client_;
  finding::ActsLists lists_;
  std::unique_ptr<finding::TableDictionary> dictionary_;
  std::unique_ptr<finding::TextSearch> search_;
  std::unique_ptr<actsdb::Table> acts_direct_;
  std::vector<std::string> direct_columns_;
  bool cursor_open_ = false;

  std::string order_by_;
  std::function<void()> filter_run_;
  int rows_ = 0;
  int current_row_ = -1;
  mutable int cursor_row_ = -1;  // where the list's cursor stands, -1: unknown
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_DATA_MODULE_H_
