#include "viewer/finding/find_text_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "viewer/finding/find_in_text.h"

namespace finding {

namespace {

// The window stands this far from the screen's right and bottom edges.
constexpr int kCornerDistance = 40;

}  // namespace

TFCText::TFCText(std::function<hypertext::HypertextView*()> active_act_viewer,
                 std::function<void()> help, QWidget* parent)
    : QWidget(parent, Qt::Tool), active_act_viewer_(std::move(active_act_viewer)) {
  setWindowTitle(QStringLiteral("Cauta in text"));
  search_box_ = new QComboBox;
  search_box_->setEditable(true);
  search_box_->setInsertPolicy(QComboBox::NoInsert);
  search_box_->setMinimumWidth(260);
  // Keys typed in the box arrive at the box, which hands them to its
  // line edit directly, past any filter on the line edit.
  search_box_->installEventFilter(this);
  match_case_ = new QCheckBox(QStringLiteral("Distinge literele mari de cele mici"));
  search_button_ = new QPushButton(QStringLiteral("Cauta"));
  connect(search_button_, &QPushButton::clicked, this, &TFCText::Search);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(match_case_);
  buttons->addStretch();
  if (help) {
    auto* help_button = new QToolButton;
    help_button->setText(QStringLiteral("?"));
    connect(help_button, &QToolButton::clicked, this, std::move(help));
    buttons->addWidget(help_button);
  }
  buttons->addWidget(search_button_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search_box_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFCText::Search() {
  const QString text = search_box_->currentText();
  std::vector<std::string> searched;
  for (int i = 0; i < search_box_->count(); ++i) {
    searched.push_back(hypertext::ToCp1250(search_box_->itemText(i)));
  }
  const FindStep step = PlanFind(searched, hypertext::ToCp1250(text));
  if (!step.search) return;
  if (step.add) {
    search_box_->addItem(text);
    search_box_->setCurrentIndex(-1);
    search_box_->setEditText(text);
  }
  hypertext::HypertextView* viewer = active_act_viewer_();
  if (viewer == nullptr || viewer->FindForward(text, match_case_->isChecked())) return;
  hide();
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Cautare in text"),
                  QStringLiteral("Textul cautat nu a fost gasit."), QMessageBox::Ok,
                  parentWidget());
  box.exec();
}

void TFCText::ReappearForNewAct() {
  if (!search_box_->currentText().isEmpty()) show();
}

void TFCText::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (const QScreen* screen = this->screen()) {
    const QRect whole = screen->geometry();
    move(whole.width() - frameGeometry().width() - kCornerDistance,
         whole.height() - frameGeometry().height() - kCornerDistance);
  }
}

void TFCText::closeEvent(QCloseEvent* event) {
  // The list of searched strings goes; the text being searched stays.
  const QString text = search_box_->currentText();
  search_box_->clear();
  search_box_->setEditText(text);
  QWidget::closeEvent(event);
}

bool TFCText::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_box_ && event->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) search_button_->click();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace finding
