// The data module (`TDataModActe`), the viewer's side of it: the acts views
// (actsdb::ActsViews) opened for the run in the load mode of the options,
// the text search whose hit test is the acts lists' record filter, and the
// results grid's GridSource over `DataActe`.
//
// Creation registers the database aliases the viewer needs when they are
// missing, then opens the views on the installation's database: the one of
// a named installation (--install-dir), otherwise the one of the alias
// `Zazi1`.
//
// The grid reads rows through the dataset's row seam, without moving the
// list's cursor; the module listens to the three acts lists and tells the
// grid when the list it shows was listed anew or its current row moved,
// and when `DataActe` switches to another list. The filter and find-act
// windows therefore only run their searches over views(); the filter
// window runs the query again after a title click (SetFilterRun) with
// OrderBy(). Until it comes, the query is run again with the new order
// alone.
#ifndef CORVANA_VIEWER_SHELL_DATA_MODULE_H_
#define CORVANA_VIEWER_SHELL_DATA_MODULE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actsdb/acts_views.h"
#include "viewer/finding/history.h"
#include "viewer/finding/results_grid.h"
#include "viewer/finding/text_search.h"
#include "viewer/shell/options.h"

namespace shell {

class DataModule : public finding::GridSource, private actsdb::DatasetListener {
 public:
  // Opens everything in order; an error leaves open what was opened before
  // it and is thrown on (the start-up shows it). `named`: the installation
  // was named by the user, and its own database is opened.
  DataModule(const std::string& install_dir, LoadMode mode, bool named = true);
  ~DataModule() override;
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;

  LoadMode load_mode() const { return views_.load_mode(); }
  const std::string& data_dir() const { return views_.data_dir(); }
  actsdb::ActsViews& views() { return views_; }
  actsdb::Database& database() { return views_.database(); }
  // `DataActe`: the acts list shown, nullptr when no acts list is loaded.
  actsdb::Dataset* acts_list();
  // The text search whose hit test is the acts lists' record filter.
  finding::TextSearch& search() { return *search_; }
  actsdb::Table& tblActeNef() { return views_.tblActeNef(); }

  // The act of the grid's current row: `tblActeNef` positioned on it. Its
  // IdAct, or nullopt when the list is empty.
  std::optional<int64_t> PositionOnCurrentAct();
  // The display title of the act `tblActeNef` stands on.
  std::string DirectDispTitlu() { return tblActeNef().AsString("DispTitlu"); }

  // The history's columns of act `id` as the acts list holds it; nullopt
  // when the list does not hold it. The list's current row stays.
  std::optional<finding::HistoryColumns> ListedAct(int64_t id);

  void SetFilterRun(std::function<void()> run) { filter_run_ = std::move(run); }

  // GridSource.
  std::vector<finding::ListField> Fields() const override;
  int RowCount() const override;
  std::string Text(int row, const std::string& field) const override;
  int CurrentRow() const override;
  void MoveTo(int row) override;
  void Watch(Changes changes) override { changes_ = std::move(changes); }
  bool in_memory() const override {
    return views_.data_acte() == actsdb::ActsList::kClientActe;
  }
  std::vector<std::string> SortKeysOf(const std::string& field) const override;
  std::optional<finding::SortKeys> SortIndex() const override;
  void SetSortIndex(const finding::SortKeys& keys) override;
  finding::FieldKind DirectFieldKind(const std::string& name) const override;
  std::string OrderBy() const override { return order_by_; }
  void SortQuery(const std::string& order_by) override;

 private:
  // DatasetListener, over the three acts lists: passed on to the grid when
  // the list is the one shown.
  void RowsReset(actsdb::Dataset& dataset) override;
  void CurrentRowMoved(actsdb::Dataset& dataset) override;

  // `DataActe` when it is open, else nullptr.
  const actsdb::Dataset* shown() const;
  std::vector<actsdb::Dataset*> lists();

  actsdb::ActsViews views_;
  std::unique_ptr<finding::TableDictionary> dictionary_;
  std::unique_ptr<finding::TextSearch> search_;
  Changes changes_;
  std::string order_by_;
  std::function<void()> filter_run_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_DATA_MODULE_H_
