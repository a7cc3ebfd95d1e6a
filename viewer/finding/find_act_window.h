// The find-act window (`TGasire`, caption "Cauta act"): the acts of one
// type, number and year, listed both in the window, each act as its display
// title above its title, and in the results grid; a click on the selected
// act, or Enter, opens it.
#ifndef CORVANA_VIEWER_FINDING_FIND_ACT_WINDOW_H_
#define CORVANA_VIEWER_FINDING_FIND_ACT_WINDOW_H_

#include <QAbstractListModel>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "viewer/finding/filter_criteria.h"
#include "viewer/finding/results_grid.h"

namespace finding {

// The acts list as the window's result list shows it: each row's display
// title and title. Detached, it shows nothing.
class FoundActsModel : public QAbstractListModel {
  Q_OBJECT

 public:
  static constexpr int kTitleRole = Qt::UserRole;

  explicit FoundActsModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  // The list to show once attached; nullptr for none.
  void SetSource(GridSource* source);
  void Attach();
  void Detach();
  bool attached() const { return attached_; }
  // Makes `row` the list's current row.
  void MoveTo(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  // Qt::DisplayRole the display title, kTitleRole the title.
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  GridSource* source_ = nullptr;
  bool attached_ = false;
};

class TGasire : public QDialog {
  Q_OBJECT

 public:
  struct Hooks {
    // The items of the filter window's type box, copied at each showing.
    std::function<QStringList()> type_names;
    // Applies the search's query lines to the acts list; returns how many
    // acts it lists. Errors are thrown.
    std::function<int(const std::vector<std::string>& lines)> search;
    // After a search: the status line and the grid's list view.
    std::function<void(int acts)> after_search;
    // The results grid's open command, on the list's current act.
    std::function<void()> open_selected;
  };

  // Rows of the result list in view.
  static constexpr int kVisibleRows = 6;

  TGasire(CodeTables& tables, Hooks hooks, QWidget* parent = nullptr);

  // The acts list the result list shows (the host's data module).
  void SetSource(GridSource* source) { found_->SetSource(source); }
  // "&Cauta": the search; the window stays open. An error is shown with its
  // own message.
  void Search();
  // Opens the act of the selected row and closes the window.
  void OpenSelected();
  // The result list lets go of the acts list (a filter run starts).
  void DetachList() { found_->Detach(); }

  QComboBox* type_box() const { return type_; }
  QLineEdit* number_box() const { return number_; }
  QLineEdit* year_box() const { return year_; }
  QListView* result_list() const { return list_; }
  FoundActsModel* found() const { return found_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CodeTables& tables_;
  Hooks hooks_;
  QComboBox* type_;
  QLineEdit* number_;
  QLineEdit* year_;
  QListView* list_;
  FoundActsModel* found_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FIND_ACT_WINDOW_H_
