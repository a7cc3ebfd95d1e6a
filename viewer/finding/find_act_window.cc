#include "viewer/finding/find_act_window.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "viewer/finding/error_text.h"
#include "viewer/finding/find_act.h"
#include "viewer/hypertext/hypertext_view.h"

namespace finding {
namespace {

using hypertext::FromCp1250;
using hypertext::ToCp1250;

const QString kAny = QStringLiteral("(oricare)");

// One act of the result list: the display title in blue on one line, the
// title in black below it on two, both wrapped within the row.
class FoundActDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem background = option;
    background.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter);
    const int line = option.fontMetrics.lineSpacing();
    const QRect inside = option.rect.adjusted(4, 2, -4, -2);
    const QRect top(inside.left(), inside.top(), inside.width(), line);
    const QRect below(inside.left(), inside.top() + line, inside.width(), inside.height() - line);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(selected ? option.palette.highlightedText().color() : QColor(Qt::blue));
    painter->drawText(top, Qt::TextWordWrap, index.data(Qt::DisplayRole).toString());
    painter->setPen(selected ? option.palette.highlightedText().color() : QColor(Qt::black));
    painter->drawText(below, Qt::TextWordWrap, index.data(FoundActsModel::kTitleRole).toString());
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), 3 * option.fontMetrics.lineSpacing() + 4);
  }
};

}  // namespace

void FoundActsModel::SetSource(GridSource* source) {
  beginResetModel();
  source_ = source;
  endResetModel();
}

void FoundActsModel::Attach() {
  beginResetModel();
  attached_ = true;
  endResetModel();
}

void FoundActsModel::Detach() {
  beginResetModel();
  attached_ = false;
  endResetModel();
}

void FoundActsModel::MoveTo(int row) {
  if (attached_ && source_ != nullptr) source_->MoveTo(row);
}

int FoundActsModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !attached_ || source_ == nullptr) return 0;
  return source_->RowCount();
}

QVariant FoundActsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole) return FromCp1250(source_->Text(index.row(), "DispTitlu"));
  if (role == kTitleRole) return FromCp1250(source_->Text(index.row(), "Titlu"));
  return {};
}

TGasire::TGasire(CodeTables& tables, Hooks hooks, QWidget* parent)
    : QDialog(parent, Qt::Tool), tables_(tables), hooks_(std::move(hooks)) {
  setWindowTitle(QStringLiteral("Cauta act"));
  type_ = new QComboBox;
  type_->setEditable(true);
  type_->setInsertPolicy(QComboBox::NoInsert);
  number_ = new QLineEdit;
  year_ = new QLineEdit;
  for (QLineEdit* box : {number_, year_}) box->installEventFilter(this);

  found_ = new FoundActsModel(this);
  list_ = new QListView;
  list_->setModel(found_);
  list_->setItemDelegate(new FoundActDelegate(list_));
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->viewport()->installEventFilter(this);
  connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) found_->MoveTo(current.row());
          });
  list_->installEventFilter(this);
  const int row_height = 3 * list_->fontMetrics().lineSpacing() + 4;
  list_->setFixedHeight(kVisibleRows * row_height + 2 * list_->frameWidth());
  list_->setMinimumWidth(420);

  auto* search = new QPushButton(QStringLiteral("&Cauta"));
  search->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Renunta"));
  connect(search, &QPushButton::clicked, this, &TGasire::Search);
  connect(cancel, &QPushButton::clicked, this, &TGasire::close);

  auto* boxes = new QGridLayout;
  boxes->addWidget(new QLabel(QStringLiteral("Tipul")), 0, 0);
  boxes->addWidget(type_, 1, 0);
  boxes->addWidget(new QLabel(QStringLiteral("Numarul")), 0, 1);
  boxes->addWidget(number_, 1, 1);
  boxes->addWidget(new QLabel(QStringLiteral("Anul")), 0, 2);
  boxes->addWidget(year_, 1, 2);
  boxes->setColumnStretch(0, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(search);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxes);
  layout->addWidget(list_);
  layout->addLayout(buttons);
}

void TGasire::showEvent(QShowEvent* event) {
  found_->Detach();
  type_->clear();
  if (hooks_.type_names) type_->addItems(hooks_.type_names());
  for (QLineEdit* box : {number_, year_}) box->setText(kAny);
  type_->setEditText(kAny);
  QDialog::showEvent(event);
}

void TGasire::Search() {
  const std::vector<std::string> lines = FindActSqlLines(
      tables_, ToCp1250(type_->currentText()), ToCp1250(number_->text()), ToCp1250(year_->text()));
  int acts = 0;
  try {
    acts = hooks_.search(lines);
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QStringLiteral("Corvana"), ErrorText(e.what()));
    return;
  }
  if (hooks_.after_search) hooks_.after_search(acts);
  found_->Attach();
}

void TGasire::OpenSelected() {
  if (!list_->currentIndex().isValid()) return;
  if (hooks_.open_selected) hooks_.open_selected();
  close();
}

bool TGasire::eventFilter(QObject* watched, QEvent* event) {
  // Entering a box that says "(oricare)" empties it.
  if (event->type() == QEvent::FocusIn && (watched == number_ || watched == year_)) {
    auto* box = static_cast<QLineEdit*>(watched);
    if (box->text() == kAny) box->clear();
  }
  // A click on the act already selected, or Enter in the list, opens it;
  // a click on another act selects it first.
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const QModelIndex at = list_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (at.isValid() && at == list_->currentIndex()) {
      OpenSelected();
      return true;
    }
  }
  // Enter in the list opens instead of searching.
  if (watched == list_ &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (event->type() == QEvent::KeyRelease) OpenSelected();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace finding
