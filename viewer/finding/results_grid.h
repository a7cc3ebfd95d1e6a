// The results grid frame (`TfrmGrila`) and its column chooser (`TColoane`).
//
// The frame lists the current acts result in a grid that reads rows on
// demand (a table model over the acts list, never a widget per row), sorts
// it by a click on a column title, and shows in the same place either the
// grid (view 1) or a modification page of the selected act (views 2 and 3).
// Its columns are a ColumnLayout, kept between runs in "grila.dat".
//
// The frame reads the acts list through GridSource, which the data module
// implements over the store, and follows the changes the source reports.
// The modification pages plug their viewer and builder in with
// SetModificationsView; until then only view 1 exists.
#ifndef CORVANA_VIEWER_FINDING_RESULTS_GRID_H_
#define CORVANA_VIEWER_FINDING_RESULTS_GRID_H_

#include <QAbstractTableModel>
#include <QDialog>
#include <QHeaderView>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewer/finding/grid_columns.h"
#include "viewer/finding/grid_sort.h"

namespace finding {

// The acts list as the grid reads it.
class GridSource {
 public:
  virtual ~GridSource() = default;

  // The fields of the list, in order, with their labels.
  virtual std::vector<ListField> Fields() const = 0;
  virtual int RowCount() const = 0;
  // The display text (Windows-1250) of a field of row `row`, without moving
  // the list's current row.
  virtual std::string Text(int row, const std::string& field) const = 0;
  // The current row of the list (-1 for none), and moving it.
  virtual int CurrentRow() const = 0;
  virtual void MoveTo(int row) = 0;

  // What the grid is told when the list changes under it: the rows were
  // listed anew (a new filter result, a new order, another list shown), or
  // the current row moved. The calls come after the change; the grid reads
  // the source in them but does not move it.
  struct Changes {
    std::function<void()> rows_reset;
    std::function<void()> current_moved;
  };
  // Hands the source what to call; a source that never changes on its own
  // needs nothing.
  virtual void Watch(Changes /*changes*/) {}

  // Sorting. The in-memory list sorts itself through the index "SortGrid";
  // the query is sorted by the filter's sort clause.
  virtual bool in_memory() const = 0;
  // The key fields a column of `field` sorts by in memory: the field itself
  // for data fields, the lookup's key field for a looked-up name, none for
  // a calculated field.
  virtual std::vector<std::string> SortKeysOf(const std::string& field) const = 0;
  virtual std::optional<SortKeys> SortIndex() const = 0;
  virtual void SetSortIndex(const SortKeys& keys) = 0;
  // What `name` is among the fields of the direct acts view (the query
  // sort resolves captions there).
  virtual FieldKind DirectFieldKind(const std::string& name) const = 0;
  virtual std::string OrderBy() const = 0;
  // Sets the sort clause and runs the filter again, standing on the same
  // act afterwards when it is still listed.
  virtual void SortQuery(const std::string& order_by) = 0;
};

// The acts list as a table model: the columns of a layout, the rows read on
// demand from the source.
class ActsGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ActsGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetSource(GridSource* source, ColumnLayout layout);
  GridSource* source() const { return source_; }
  const ColumnLayout& layout() const { return layout_; }
  // The rows changed (a new filter result, a new order).
  void Reset();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  GridSource* source_ = nullptr;
  ColumnLayout layout_;
  int rows_ = 0;
};

// The grid's title row, with the sort arrows.
class SortHeader : public QHeaderView {
  Q_OBJECT
 public:
  explicit SortHeader(QWidget* parent = nullptr);
  void SetArrow(int section, Arrow arrow);
  void ClearArrows();
  Arrow arrow(int section) const;

  QColor arrow_shade;
  QColor arrow_highlight = Qt::white;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int section) const override;
  QSize sectionSizeFromContents(int section) const override;

 private:
  std::array<Arrow, 256> arrows_{};
};

class ResultsGrid : public QWidget {
  Q_OBJECT
 public:
  explicit ResultsGrid(QWidget* parent = nullptr);

  // The acts list to show (nullptr: none); the saved layout is matched to
  // its fields. The grid watches it until another is set: set nullptr
  // before the source goes.
  void SetSource(GridSource* source);
  // Shows the list again after its rows changed.
  void Refresh();
  // Selects the source's current row.
  void ShowCurrentRow();

  // The column layout: loading keeps it for the source to come; the layout
  // in force is what the grid shows now.
  void LoadLayout(const QString& path);
  void SaveLayout(const QString& path) const;
  ColumnLayout layout() const;
  void SetLayout(const ColumnLayout& layout);

  // `ShowView`: 1 the grid, 2 and 3 the modification pages (rebuilt first).
  void ShowView(int view);
  int view() const { return view_; }
  // Hand-over for the modification pages: their viewer, put in the frame's
  // second place, and what builds and loads the page of view 2 or 3.
  void SetModificationsView(QWidget* viewer, std::function<void(int view)> show_page);

  // A click on the title of column `section`, Shift held or not.
  void TitleClick(int section, bool shift);

  QTableView* table() const { return table_; }
  SortHeader* header() const { return header_; }
  ActsGridModel* model() const { return model_; }

 signals:
  // The open command: a double click or the Enter key on a row.
  void openRequested();
  // The pop-up menu's "&Coloane".
  void columnsRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyLayoutToView();
  static ColumnLayout Matched(const ColumnLayout& layout, const GridSource* source);

  QStackedWidget* pages_;
  QTableView* table_;
  SortHeader* header_;
  ActsGridModel* model_;
  ColumnLayout saved_;  // as loaded, until a source gives the fields
  int view_ = 1;
  std::function<void(int)> show_modification_page_;
};

// The column chooser ("Coloane"): fills its lists from the grid when shown,
// applies them to the grid when closed. The options window docks it into
// its tab "Grila".
class ColumnChooser : public QDialog {
  Q_OBJECT
 public:
  explicit ColumnChooser(ResultsGrid* grid, QWidget* parent = nullptr);

  void Fill();
  // Applies the lists to the grid; throws std::invalid_argument on a width
  // that is not a whole number (the columns before it are applied).
  void Apply();
  // Docked into a panel of another window, or floating on its own.
  void Dock(QWidget* panel);
  void Undock();

  QTreeWidget* list() const { return list_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  ResultsGrid* grid_;
  QTreeWidget* list_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_RESULTS_GRID_H_
