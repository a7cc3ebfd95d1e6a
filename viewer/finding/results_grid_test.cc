#include "viewer/finding/results_grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <map>

namespace finding {
namespace {

// An acts list of three rows, sorted as the grid asks.
class FakeSource : public GridSource {
 public:
  bool memory = true;
  std::optional<SortKeys> index;
  std::string order_by;
  int current = 0;
  int query_runs = 0;

  std::vector<ListField> Fields() const override {
    return {{"Titlu", "Titlu"}, {"Anul", "Anul"}, {"Emitent", "Emitent"},
            {"DispTitlu", "Titlu complet"}};
  }
  int RowCount() const override { return 3; }
  std::string Text(int row, const std::string& field) const override {
    return field + std::to_string(row);
  }
  int CurrentRow() const override { return current; }
  void MoveTo(int row) override { current = row; }
  bool in_memory() const override { return memory; }
  std::vector<std::string> SortKeysOf(const std::string& field) const override {
    if (field == "DispTitlu") return {};
    if (field == "Emitent") return {"IdEmitent"};
    return {field};
  }
  std::optional<SortKeys> SortIndex() const override { return index; }
  void SetSortIndex(const SortKeys& keys) override { index = keys; }
  FieldKind DirectFieldKind(const std::string& name) const override {
    static const std::map<std::string, FieldKind> kinds = {
        {"Titlu", FieldKind::kData},       {"Anul", FieldKind::kData},
        {"idEmitent", FieldKind::kData},   {"Emitent", FieldKind::kDerived},
        {"DispTitlu", FieldKind::kDerived}};
    const auto it = kinds.find(name);
    return it == kinds.end() ? FieldKind::kMissing : it->second;
  }
  std::string OrderBy() const override { return order_by; }
  void SortQuery(const std::string& clause) override {
    order_by = clause;
    ++query_runs;
  }
};

// The column of a field in the grid's layout.
int Section(const ResultsGrid& grid, const std::string& field) {
  const ColumnLayout layout = grid.layout();
  for (size_t i = 0; i < layout.size(); ++i) {
    if (layout[i].field == field) return static_cast<int>(i);
  }
  return -1;
}

TEST(ResultsGridTest, InMemoryTitleClicksSortAndDrawArrows) {
  FakeSource source;
  ResultsGrid grid;
  grid.SetSource(&source);
  const int titlu = Section(grid, "Titlu");
  const int anul = Section(grid, "Anul");
  const int emitent = Section(grid, "Emitent");

  const Arrow expected[] = {Arrow::kAscending, Arrow::kDescending, Arrow::kAscending};
  for (Arrow arrow : expected) {
    grid.TitleClick(titlu, /*shift=*/false);
    EXPECT_EQ(grid.header()->arrow(titlu), arrow);
  }
  grid.TitleClick(titlu, false);  // descending, for the title sort of the grid
  EXPECT_EQ(JoinFields(source.index->descending), "Titlu");

  // Shift adds the issuer (by its id) as a second key; the title keeps its arrow.
  grid.TitleClick(emitent, /*shift=*/true);
  EXPECT_EQ(JoinFields(source.index->fields), "Titlu;IdEmitent");
  EXPECT_EQ(grid.header()->arrow(titlu), Arrow::kDescending);
  EXPECT_EQ(grid.header()->arrow(emitent), Arrow::kAscending);

  // A plain click on another column clears the other arrows.
  grid.TitleClick(anul, false);
  EXPECT_EQ(JoinFields(source.index->fields), "Anul");
  EXPECT_EQ(grid.header()->arrow(titlu), Arrow::kNone);
  EXPECT_EQ(grid.header()->arrow(emitent), Arrow::kNone);

  // The display title is calculated and does not sort.
  grid.TitleClick(Section(grid, "DispTitlu"), false);
  EXPECT_EQ(JoinFields(source.index->fields), "Anul");
}

TEST(ResultsGridTest, QueryTitleClicksSetTheSortClauseAndReportMissingFields) {
  FakeSource source;
  source.memory = false;
  ResultsGrid grid;
  grid.SetSource(&source);
  const int anul = Section(grid, "Anul");
  const char* clauses[] = {"Anul ASCENDING", "Anul DESCENDING", "Anul ASCENDING"};
  for (const char* clause : clauses) {
    grid.TitleClick(anul, false);
    EXPECT_EQ(source.order_by, clause);
  }
  grid.TitleClick(Section(grid, "Emitent"), false);
  EXPECT_EQ(source.order_by, "idEmitent ASCENDING");
  EXPECT_EQ(source.query_runs, 4);

  // "Titlu complet" names no field of the direct view: the data layer's
  // error, the order unchanged, the normal cursor back.
  QString message;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        message = box->text();
        box->accept();
      }
    }
  });
  grid.TitleClick(Section(grid, "DispTitlu"), false);
  EXPECT_EQ(message, "Field 'Titlu complet' not found");
  EXPECT_EQ(source.order_by, "idEmitent ASCENDING");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ResultsGridTest, GridReadsOnlyTheRowsItShows) {
  FakeSource source;
  ResultsGrid grid;
  grid.SetSource(&source);
  EXPECT_EQ(grid.model()->rowCount(), 3);
  EXPECT_EQ(grid.model()->data(grid.model()->index(2, Section(grid, "Anul")), Qt::DisplayRole),
            "Anul2");
  grid.table()->setCurrentIndex(grid.model()->index(1, 0));
  EXPECT_EQ(source.current, 1);
}

TEST(ColumnChooserTest, ZeroWidthColumnIsListedAsFiftyAndClosingSetsIt) {
  FakeSource source;
  ResultsGrid grid;
  grid.SetSource(&source);
  ColumnLayout layout = grid.layout();
  const int anul = Section(grid, "Anul");
  layout[static_cast<size_t>(anul)].width = 0;
  grid.SetLayout(layout);

  ColumnChooser chooser(&grid);
  chooser.show();
  QTreeWidgetItem* item = chooser.list()->topLevelItem(anul);
  EXPECT_EQ(item->text(0), "Anul");
  EXPECT_EQ(item->text(1), "50");
  item->setCheckState(0, Qt::Unchecked);
  chooser.close();
  EXPECT_EQ(grid.layout()[static_cast<size_t>(anul)].width, 50);
  EXPECT_FALSE(grid.layout()[static_cast<size_t>(anul)].visible);
  EXPECT_TRUE(grid.table()->isColumnHidden(anul));
}

}  // namespace
}  // namespace finding
