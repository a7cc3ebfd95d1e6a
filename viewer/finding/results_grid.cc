#include "viewer/finding/results_grid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>
#include <exception>

#include "viewer/hypertext/hypertext_view.h"

namespace finding {
namespace {

using hypertext::FromCp1250;

// Restores the normal cursor however the sort ends.
struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

// --- ActsGridModel ---

void ActsGridModel::SetSource(GridSource* source, ColumnLayout layout) {
  beginResetModel();
  source_ = source;
  layout_ = std::move(layout);
  rows_ = source_ ? source_->RowCount() : 0;
  endResetModel();
}

void ActsGridModel::Reset() {
  beginResetModel();
  rows_ = source_ ? source_->RowCount() : 0;
  endResetModel();
}

int ActsGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ActsGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(layout_.size());
}

QVariant ActsGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !source_ || !index.isValid() || index.row() >= rows_) return {};
  return FromCp1250(source_->Text(index.row(), layout_[static_cast<size_t>(index.column())].field));
}

QVariant ActsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return QString();
  if (section < 0 || static_cast<size_t>(section) >= layout_.size()) return {};
  return FromCp1250(layout_[static_cast<size_t>(section)].caption);
}

// --- SortHeader ---

SortHeader::SortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  arrow_shade = palette().color(QPalette::Dark);
  setSectionsClickable(true);
  setHighlightSections(false);
}

void SortHeader::SetArrow(int section, Arrow arrow) {
  if (section < 0 || section >= static_cast<int>(arrows_.size())) return;
  arrows_[static_cast<size_t>(section)] = arrow;
  if (arrow != Arrow::kNone && model()) {
    // Room for the caption and the arrow.
    const QString caption = model()->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
    const int needed = fontMetrics().horizontalAdvance(caption) + 15;
    if (sectionSize(section) < needed) resizeSection(section, needed);
  }
  viewport()->update();
}

void SortHeader::ClearArrows() {
  arrows_.fill(Arrow::kNone);
  viewport()->update();
}

Arrow SortHeader::arrow(int section) const {
  if (section < 0 || section >= static_cast<int>(arrows_.size())) return Arrow::kNone;
  return arrows_[static_cast<size_t>(section)];
}

void SortHeader::paintSection(QPainter* painter, const QRect& rect, int section) const {
  painter->save();
  QHeaderView::paintSection(painter, rect, section);
  painter->restore();
  const Arrow state = arrow(section);
  if (state == Arrow::kNone) return;
  const int middle = rect.top() + rect.height() / 2 - 7;
  const int right = rect.right();
  const bool up = state == Arrow::kAscending;
  const int y1 = middle + (up ? 10 : 4);
  const int y2 = middle + (up ? 4 : 10);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  // Filled in the shade so that it shows on a flat, light title row too.
  const QPoint corners[] = {{right - 10, y1}, {right - 7, y2}, {right - 4, y1}};
  painter->setPen(arrow_shade);
  painter->setBrush(arrow_shade);
  painter->drawPolygon(corners, 3);
  painter->drawLine(right - 10, y1, right - 7, y2);
  painter->setPen(arrow_highlight);
  painter->drawLine(right - 7, y2, right - 4, y1);
  painter->drawLine(right - 4, y1, right - 10, y1);
  painter->restore();
}

QSize SortHeader::sectionSizeFromContents(int section) const {
  QSize size = QHeaderView::sectionSizeFromContents(section);
  if (arrow(section) != Arrow::kNone) size.rwidth() += 15;
  return size;
}

// --- ResultsGrid ---

ResultsGrid::ResultsGrid(QWidget* parent) : QWidget(parent) {
  pages_ = new QStackedWidget;
  table_ = new QTableView;
  header_ = new SortHeader(table_);
  table_->setHorizontalHeader(header_);
  model_ = new ActsGridModel(this);
  table_->setModel(model_);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setShowGrid(true);
  table_->setWordWrap(false);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setFixedWidth(12);  // the row indicator
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  table_->installEventFilter(this);
  header_->setSectionResizeMode(QHeaderView::Interactive);
  header_->setStretchLastSection(false);
  pages_->addWidget(table_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pages_);

  connect(table_, &QTableView::doubleClicked, this, [this] { emit openRequested(); });
  // The list's current row follows the grid's.
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& now) {
            if (model_->source() && now.isValid() && now.row() != model_->source()->CurrentRow()) {
              model_->source()->MoveTo(now.row());
            }
          });
  connect(header_, &QHeaderView::sectionClicked, this, [this](int section) {
    TitleClick(section, QApplication::keyboardModifiers() & Qt::ShiftModifier);
  });
  connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu;
    menu.addAction(QStringLiteral("&Coloane"), this, &ResultsGrid::columnsRequested);
    menu.exec(table_->viewport()->mapToGlobal(at));
  });
}

void ResultsGrid::SetSource(GridSource* source) {
  const ColumnLayout current = model_->source() ? layout() : saved_;
  if (GridSource* before = model_->source()) before->Watch({});
  model_->SetSource(source, Matched(current, source));
  header_->ClearArrows();
  ApplyLayoutToView();
  if (source) source->Watch({[this] { Refresh(); }, [this] { ShowCurrentRow(); }});
  Refresh();
}

ColumnLayout ResultsGrid::Matched(const ColumnLayout& layout, const GridSource* source) {
  // A source without fields (no acts list loaded) keeps the layout as it is.
  const std::vector<ListField> fields = source ? source->Fields() : std::vector<ListField>();
  return fields.empty() ? layout : MatchLayout(layout, fields);
}

void ResultsGrid::Refresh() {
  model_->Reset();
  ShowCurrentRow();
}

void ResultsGrid::ShowCurrentRow() {
  GridSource* source = model_->source();
  const int row = source ? source->CurrentRow() : -1;
  if (row < 0 || row >= model_->rowCount()) return;
  const QModelIndex at = model_->index(row, 0);
  if (table_->currentIndex().row() == row) return;
  table_->selectionModel()->setCurrentIndex(
      at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  table_->scrollTo(at);
}

void ResultsGrid::LoadLayout(const QString& path) {
  saved_ = finding::LoadLayout(path.toStdString());
  if (GridSource* source = model_->source()) {
    model_->SetSource(source, Matched(saved_, source));
    ApplyLayoutToView();
  }
}

void ResultsGrid::SaveLayout(const QString& path) const {
  finding::SaveLayout(path.toStdString(), layout());
}

ColumnLayout ResultsGrid::layout() const {
  if (!model_->source()) return saved_;
  ColumnLayout layout = model_->layout();
  for (size_t i = 0; i < layout.size(); ++i) {
    const int section = static_cast<int>(i);
    layout[i].visible = !table_->isColumnHidden(section);
    if (layout[i].visible) layout[i].width = header_->sectionSize(section);
  }
  return layout;
}

void ResultsGrid::SetLayout(const ColumnLayout& layout) {
  if (!model_->source()) {
    saved_ = layout;
    return;
  }
  model_->SetSource(model_->source(), layout);
  ApplyLayoutToView();
}

void ResultsGrid::ApplyLayoutToView() {
  const ColumnLayout& layout = model_->layout();
  for (size_t i = 0; i < layout.size(); ++i) {
    const int section = static_cast<int>(i);
    table_->setColumnHidden(section, !layout[i].visible);
    if (layout[i].visible) header_->resizeSection(section, std::max(0, layout[i].width));
  }
}

void ResultsGrid::ShowView(int view) {
  if (view != 1 && show_modification_page_) {
    show_modification_page_(view);
    pages_->setCurrentIndex(1);
    view_ = view;
    return;
  }
  pages_->setCurrentIndex(0);
  view_ = 1;
}

void ResultsGrid::SetModificationsView(QWidget* viewer, std::function<void(int)> show_page) {
  pages_->addWidget(viewer);
  show_modification_page_ = std::move(show_page);
}

void ResultsGrid::TitleClick(int section, bool shift) {
  GridSource* source = model_->source();
  if (!source || section < 0 || section >= model_->columnCount()) return;
  const GridColumn& column = model_->layout()[static_cast<size_t>(section)];
  BusyCursor busy;
  try {
    if (!source->in_memory()) {
      const std::optional<std::string> field = QuerySortField(
          column.caption, [source](const std::string& name) { return source->DirectFieldKind(name); });
      if (!field) return;
      source->SortQuery(ToggleOrderBy(source->OrderBy(), *field));
      return;
    }
    const std::vector<std::string> keys = source->SortKeysOf(column.field);
    if (keys.empty()) return;  // a calculated column does not sort
    const SortKeys index = ClickSortKeys(source->SortIndex(), keys, shift);
    source->SetSortIndex(index);
    if (!shift) header_->ClearArrows();
    header_->SetArrow(section, ArrowFor(index, keys));
  } catch (const std::exception& e) {
    QApplication::restoreOverrideCursor();
    QMessageBox::critical(this, QStringLiteral("Corvana"), QString::fromUtf8(e.what()));
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

bool ResultsGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_ && event->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      emit openRequested();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// --- ColumnChooser ---

ColumnChooser::ColumnChooser(ResultsGrid* grid, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      grid_(grid) {
  setWindowTitle(QStringLiteral("Coloane"));
  list_ = new QTreeWidget;
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("Coloana"), QStringLiteral("Latimea")});
  list_->setRootIsDecorated(false);
  list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::SelectedClicked);
  list_->setColumnWidth(0, 110);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(list_);
}

void ColumnChooser::Fill() {
  list_->clear();
  for (const ChooserRow& row : ChooserRows(grid_->layout())) {
    auto* item = new QTreeWidgetItem(list_, {FromCp1250(row.field), QString::fromStdString(row.width)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
  }
}

void ColumnChooser::Apply() {
  std::vector<ChooserRow> rows;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list_->topLevelItem(i);
    rows.push_back({hypertext::ToCp1250(item->text(0)),
                    item->checkState(0) == Qt::Checked, item->text(1).trimmed().toStdString()});
  }
  ColumnLayout layout = grid_->layout();
  struct Commit {
    ResultsGrid* grid;
    ColumnLayout* layout;
    ~Commit() { grid->SetLayout(*layout); }  // what was applied before an error stays
  } commit{grid_, &layout};
  ApplyChooserRows(rows, &layout);
}

void ColumnChooser::Dock(QWidget* panel) {
  setParent(panel, Qt::Widget);
  panel->layout()->addWidget(this);
  Fill();
  show();
}

void ColumnChooser::Undock() {
  hide();
  setParent(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
}

void ColumnChooser::showEvent(QShowEvent* event) {
  if (isWindow()) Fill();
  QDialog::showEvent(event);
}

void ColumnChooser::closeEvent(QCloseEvent* event) {
  try {
    Apply();
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QStringLiteral("Coloane"), QString::fromUtf8(e.what()));
  }
  QDialog::closeEvent(event);
}

}  // namespace finding
