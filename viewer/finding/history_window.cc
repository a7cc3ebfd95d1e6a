#include "viewer/finding/history_window.h"

#include <QHeaderView>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <iostream>

#include "viewer/hypertext/hypertext_view.h"

namespace finding {

using hypertext::FromCp1250;

TIstoric::TIstoric(const QString& his_dat, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      his_dat_(his_dat),
      hooks_(std::move(hooks)),
      history_(hooks_.lookup, hooks_.show_every_act) {
  setWindowTitle(QStringLiteral("Istoric de acte"));
  history_.Load(his_dat_.toStdString());

  auto* toolbar = new QToolBar;
  auto add = [&](QStyle::StandardPixmap icon, const char* hint, void (TIstoric::*command)()) {
    QAction* action = toolbar->addAction(style()->standardIcon(icon), QString::fromUtf8(hint));
    action->setToolTip(action->text());
    action->setStatusTip(action->text());
    connect(action, &QAction::triggered, this, command);
    actions_ << action;
  };
  add(QStyle::SP_ArrowUp, "Anterior", &TIstoric::StepPrevious);
  add(QStyle::SP_ArrowDown, "Urmator", &TIstoric::StepNext);
  add(QStyle::SP_DialogOpenButton, "Deschide", &TIstoric::OpenCurrent);
  add(QStyle::SP_TrashIcon, "Sterge din lista", &TIstoric::RemoveCurrent);
  QAction* help = toolbar->addAction(style()->standardIcon(QStyle::SP_DialogHelpButton),
                                     QStringLiteral("Ajutor"));
  help->setEnabled(static_cast<bool>(hooks_.help));
  if (hooks_.help) connect(help, &QAction::triggered, this, hooks_.help);
  actions_ << help;

  list_ = new QTreeWidget;
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"TipAct", "Nr", "Anul", "Titlu"});
  list_->setColumnWidth(0, 220);
  list_->setColumnWidth(1, 70);
  list_->setColumnWidth(2, 50);
  connect(list_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { history_.Select(list_->indexOfTopLevelItem(item)); });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    history_.Select(list_->indexOfTopLevelItem(item));
    OpenCurrent();
  });

  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &TIstoric::close);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(toolbar);
  layout->addWidget(list_);
  resize(620, 300);
}

TIstoric::~TIstoric() {
  try {
    history_.Save(his_dat_.toStdString());
  } catch (const std::exception& e) {
    std::cerr << "Corvanex: " << e.what() << "\n";
  }
}

QAction* TIstoric::action(const QString& hint) const {
  for (QAction* action : actions_) {
    if (action->text() == hint) return action;
  }
  return nullptr;
}

void TIstoric::Rebuild() {
  history_.Rebuild();
  ShowItems();
}

void TIstoric::ShowItems() {
  list_->clear();
  for (const HistoryItem& item : history_.items()) {
    new QTreeWidgetItem(list_,
                        {FromCp1250(item.columns.disp_titlu), FromCp1250(item.columns.nr_oficial),
                         FromCp1250(item.columns.anul), FromCp1250(item.columns.titlu)});
  }
}

void TIstoric::ShowCurrent() {
  // A step on an empty list builds it first.
  if (list_->topLevelItemCount() != int(history_.items().size())) ShowItems();
  if (std::optional<size_t> current = history_.current()) {
    list_->setCurrentItem(list_->topLevelItem(int(*current)));
  }
}

void TIstoric::StepPrevious() {
  history_.StepPrevious();
  ShowCurrent();
}

void TIstoric::StepNext() {
  history_.StepNext();
  ShowCurrent();
}

void TIstoric::OpenCurrent() {
  const std::optional<int64_t> act = history_.CurrentAct();
  if (!act || !hooks_.open) return;
  bool brought_forward = false;
  if (hooks_.open(*act, &brought_forward) && !brought_forward) close();
}

void TIstoric::RemoveCurrent() {
  if (!history_.current()) return;
  history_.RemoveCurrent();
  ShowItems();
}

void TIstoric::Back() {
  StepNext();
  OpenCurrent();
}

void TIstoric::Forward() {
  StepPrevious();
  OpenCurrent();
}

void TIstoric::showEvent(QShowEvent* event) {
  Rebuild();
  QWidget::showEvent(event);
}

}  // namespace finding
