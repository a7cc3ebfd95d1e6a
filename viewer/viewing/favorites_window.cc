#include "viewer/viewing/favorites_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <exception>

#include "viewer/hypertext/hypertext_view.h"

namespace viewing {
namespace {

using hypertext::FromCp1250;
using hypertext::ToCp1250;

const char kMissing[] = "Actul nu mai este in baza de date.";

}  // namespace

FavoritesWindow::FavoritesWindow(const QString& path, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Tool), hooks_(std::move(hooks)), list_(path.toStdString()) {
  setWindowTitle(QStringLiteral("Favorite"));

  auto* toolbar = new QToolBar;
  auto add = [&](QStyle::StandardPixmap icon, const char* text, auto command) {
    QAction* action = toolbar->addAction(style()->standardIcon(icon), QString::fromLatin1(text));
    action->setStatusTip(action->text());
    connect(action, &QAction::triggered, this, command);
    actions_ << action;
  };
  add(QStyle::SP_FileDialogNewFolder, "Adauga actul curent", [this] { AddCurrent(); });
  add(QStyle::SP_DialogOpenButton, "Deschide", &FavoritesWindow::OpenCurrent);
  add(QStyle::SP_FileDialogDetailedView, "Redenumeste", &FavoritesWindow::RenameCurrent);
  add(QStyle::SP_TrashIcon, "Sterge din lista", &FavoritesWindow::RemoveCurrent);

  message_ = new QLabel;
  message_->setWordWrap(true);
  message_->setStyleSheet(QStringLiteral("color: #b00000; padding: 4px"));
  message_->hide();

  view_ = new QTreeWidget;
  view_->setRootIsDecorated(false);
  view_->setHeaderLabels({"Actul", "Cheia", "Adaugat la"});
  view_->setColumnWidth(0, 320);
  view_->setColumnWidth(1, 150);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(view_, &QTreeWidget::itemDoubleClicked, this, [this] { OpenCurrent(); });
  connect(view_, &QTreeWidget::itemChanged, this, &FavoritesWindow::TitleEdited);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(toolbar);
  layout->addWidget(message_);
  layout->addWidget(view_);
  resize(620, 300);

  if (const std::optional<std::string> said = list_.Load()) {
    message_->setText("Lista de favorite nu a putut fi citita: " + QString::fromUtf8(*said));
    message_->show();
  }
  ShowItems();
}

QAction* FavoritesWindow::action(const QString& text) const {
  for (QAction* action : actions_) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

void FavoritesWindow::ShowItems() {
  const std::optional<size_t> current = Current();
  filling_ = true;
  view_->clear();
  const QColor missing = palette().color(QPalette::Disabled, QPalette::Text);
  for (const Favorite& favorite : list_.entries()) {
    auto* item = new QTreeWidgetItem(
        view_, {FromCp1250(favorite.title), FromCp1250(favorite.key),
                QString::fromStdString(actsdb::FormatDmy(favorite.added))});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (hooks_.exists && !hooks_.exists(favorite.key)) {
      for (int column = 0; column < view_->columnCount(); ++column) {
        item->setForeground(column, missing);
        item->setToolTip(column, QString::fromLatin1(kMissing));
      }
    }
  }
  if (current && *current < list_.entries().size()) {
    view_->setCurrentItem(view_->topLevelItem(static_cast<int>(*current)));
  }
  filling_ = false;
}

std::optional<size_t> FavoritesWindow::Current() const {
  const int index = view_->indexOfTopLevelItem(view_->currentItem());
  if (index < 0) return std::nullopt;
  return static_cast<size_t>(index);
}

bool FavoritesWindow::Save() {
  try {
    list_.Save();
  } catch (const std::exception& e) {
    message_->setText("Lista de favorite nu a putut fi salvata: " + QString::fromUtf8(e.what()));
    message_->show();
    return false;
  }
  message_->hide();
  return true;
}

QString FavoritesWindow::AddCurrent() {
  const std::optional<Favorite> act = hooks_.current_act ? hooks_.current_act() : std::nullopt;
  if (!act) return {};
  const bool added = list_.Add(*act);
  const bool saved = !added || Save();
  ShowItems();
  view_->setCurrentItem(view_->topLevelItem(static_cast<int>(*list_.Find(act->key))));
  if (!added) return QStringLiteral("Actul este deja in lista de favorite.");
  if (!saved) return QStringLiteral("Lista de favorite nu a putut fi salvata.");
  return QStringLiteral("Actul a fost adaugat la favorite.");
}

void FavoritesWindow::OpenCurrent() {
  const std::optional<size_t> current = Current();
  if (!current || !hooks_.open) return;
  if (!hooks_.open(list_.entries()[*current].key)) {
    QMessageBox::information(this, windowTitle(), QString::fromLatin1(kMissing));
    ShowItems();
    return;
  }
  close();
}

void FavoritesWindow::RenameCurrent() {
  if (QTreeWidgetItem* item = view_->currentItem()) view_->editItem(item, 0);
}

void FavoritesWindow::TitleEdited(QTreeWidgetItem* item, int column) {
  if (filling_ || column != 0) return;
  const int index = view_->indexOfTopLevelItem(item);
  if (index < 0) return;
  if (list_.Rename(static_cast<size_t>(index), ToCp1250(item->text(0)))) Save();
  // The title as kept: cleaned, or the old one when the new was refused.
  filling_ = true;
  item->setText(0, FromCp1250(list_.entries()[static_cast<size_t>(index)].title));
  filling_ = false;
}

void FavoritesWindow::RemoveCurrent() {
  const std::optional<size_t> current = Current();
  if (!current) return;
  list_.Remove(*current);
  Save();
  ShowItems();
}

void FavoritesWindow::showEvent(QShowEvent* event) {
  ShowItems();  // acts may have gone from the database meanwhile
  QWidget::showEvent(event);
}

void FavoritesWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape: close(); return;
    case Qt::Key_Delete: RemoveCurrent(); return;
    case Qt::Key_F2: RenameCurrent(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: OpenCurrent(); return;
    default: QWidget::keyPressEvent(event);
  }
}

}  // namespace viewing
