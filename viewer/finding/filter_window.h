// The filter window (`TFiltrare`, caption "Filtrare"): the user states
// which acts the results grid lists, in four collapsible sections ("Cuvinte",
// "Proprietati", "Publicatia", "Data"), and sees the criteria collected in a
// tree as they are typed. "&Filtreaza" applies them and closes the window;
// the criteria stay for the next showing.
//
// The window is a thin layer over FilterCriteria: every box change goes
// through the box's rule there, and the tree shows what the criteria hold.
// What a run does to the acts list is given by the host (Hooks).
#ifndef CORVANA_VIEWER_FINDING_FILTER_WINDOW_H_
#define CORVANA_VIEWER_FINDING_FILTER_WINDOW_H_

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <string_view>

#include "viewer/finding/filter_criteria.h"

namespace finding {

class TFiltrare : public QWidget {
  Q_OBJECT

 public:
  struct Hooks {
    // Applies the criteria, with the text words in `mode`, to the acts list
    // and returns how many acts it lists. Errors are thrown.
    std::function<int(const FilterCriteria& criteria, std::string_view mode)> run;
    // Called first: the find-act window lets go of the acts list.
    std::function<void()> before_run;
    // Called after a run that succeeded, with the number of acts listed:
    // the status line and the grid's list view.
    std::function<void(int acts)> after_run;
  };

  // Height of a section's header bar and of its panel.
  static constexpr int kBarHeight = 23;
  static constexpr int kPanelHeight = 116;

  // Fills the lookup boxes from `tables`, which must outlive the window.
  TFiltrare(CodeTables& tables, Hooks hooks, QWidget* parent = nullptr);

  // "&Filtreaza": the run, then the window closes. An error is shown with
  // its own message and the window stays open.
  void Run();
  // "&Sterge": every box back to its first state, every criterion removed.
  void Clear();
  // Opens section `index` (0 "Cuvinte" to 3 "Data").
  void OpenSection(int index);
  // The language choice from outside: "(oricare)", "Romana" or "Maghiara",
  // as if chosen in the box "Limba".
  void SetLanguage(const QString& choice);

  // The items of the box "Tipul", "(oricare)" first.
  QStringList TypeNames() const;
  const FilterCriteria& criteria() const { return criteria_; }

  // The parts tests and the host reach.
  QTreeWidget* tree() const { return tree_; }
  QLineEdit* box(Criterion criterion) const;
  QComboBox* lookup_box(Criterion criterion) const;
  QComboBox* mode_box() const { return mode_; }
  QComboBox* language_box() const { return language_; }
  QWidget* section_bar(int index) const { return bars_[index]; }
  QWidget* section_panel(int index) const { return panels_[index]; }
  QPushButton* filter_button() const { return filter_button_; }

 signals:
  // The box "Limba" changed (the main window's submenu follows it).
  void languageChanged(const QString& choice);
  // The window closed (the results grid repaints).
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Enter(Criterion criterion, const QString& text);
  void ShowCriteria();

  FilterCriteria criteria_;
  Hooks hooks_;
  QTreeWidget* tree_;
  std::array<QTreeWidgetItem*, kCriterionCount> criterion_items_{};
  std::array<QWidget*, kGroupCount> bars_{};
  std::array<QWidget*, kGroupCount> panels_{};
  std::array<QLineEdit*, kCriterionCount> boxes_{};
  std::array<QComboBox*, kCriterionCount> lookups_{};
  QComboBox* mode_;
  QComboBox* language_;
  QPushButton* filter_button_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FILTER_WINDOW_H_
