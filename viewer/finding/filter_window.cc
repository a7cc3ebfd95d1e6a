#include "viewer/finding/filter_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCollator>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "viewer/finding/error_text.h"
#include "viewer/finding/text_search.h"
#include "viewer/hypertext/hypertext_view.h"

namespace finding {
namespace {

using hypertext::FromCp1250;
using hypertext::ToCp1250;

constexpr int kSectionsWidth = 330;
// The bars of the sections after the open one stand at the bottom, the
// last one's top here.
constexpr int kLastBarTop = 3 * TFiltrare::kBarHeight + TFiltrare::kPanelHeight;
constexpr int kBoxHeight = 21;

const QString kEarliestIssue = QStringLiteral("1/1/1800");
const QString kLatestIssue = QStringLiteral("1/1/2010");

QLineEdit* NewBox() {
  auto* box = new QLineEdit;
  box->setFixedHeight(kBoxHeight);
  return box;
}

QComboBox* NewCombo(bool editable) {
  auto* combo = new QComboBox;
  combo->setEditable(editable);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setFixedHeight(kBoxHeight);
  return combo;
}

QGridLayout* NewPanelLayout(QWidget* panel) {
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(6, 3, 6, 3);
  grid->setVerticalSpacing(1);
  grid->setHorizontalSpacing(6);
  return grid;
}

}  // namespace

TFiltrare::TFiltrare(CodeTables& tables, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Tool), criteria_(tables), hooks_(std::move(hooks)) {
  setWindowTitle(QStringLiteral("Filtrare"));

  // The criteria tree: groups, criteria under them, values below.
  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  tree_->setSelectionMode(QAbstractItemView::NoSelection);
  tree_->setFocusPolicy(Qt::NoFocus);
  tree_->setItemsExpandable(false);
  tree_->setMinimumWidth(230);
  const std::array<QIcon, 2> level_icons = {style()->standardIcon(QStyle::SP_DirIcon),
                                            style()->standardIcon(QStyle::SP_FileIcon)};
  for (size_t g = 0; g < kGroupCount; ++g) {
    auto* group = new QTreeWidgetItem(tree_, {FromCp1250(Caption(CriteriaGroup(g)))});
    group->setIcon(0, level_icons[0]);
    for (size_t c = 0; c < kCriterionCount; ++c) {
      if (GroupOf(Criterion(c)) != CriteriaGroup(g)) continue;
      criterion_items_[c] = new QTreeWidgetItem(group, {FromCp1250(Caption(Criterion(c)))});
      criterion_items_[c]->setIcon(0, level_icons[1]);
    }
  }

  // The boxes.
  for (Criterion c :
       {Criterion::kInTitlu, Criterion::kInText, Criterion::kNumarul, Criterion::kAnul,
        Criterion::kNumarulPublicatiei, Criterion::kEmisDeLa, Criterion::kEmisPanaLa,
        Criterion::kPublicatDeLa, Criterion::kPublicatPanaLa}) {
    QLineEdit* box = boxes_[size_t(c)] = NewBox();
    connect(box, &QLineEdit::textChanged, this, [this, c](const QString& text) { Enter(c, text); });
  }
  for (Criterion c :
       {Criterion::kTipul, Criterion::kDomeniul, Criterion::kEmitentul, Criterion::kNumele}) {
    QComboBox* combo = lookups_[size_t(c)] = NewCombo(/*editable=*/true);
    QStringList names;
    for (const std::string& name : tables.Names(c)) names << FromCp1250(name);
    if (c != Criterion::kNumele) {
      QCollator collator;
      std::sort(names.begin(), names.end(), collator);
    }
    combo->addItem(FromCp1250(kAnyChoice));
    combo->addItems(names);
    connect(combo, &QComboBox::currentTextChanged, this,
            [this, c](const QString& text) { Enter(c, text); });
  }
  mode_ = NewCombo(/*editable=*/true);
  mode_->addItems({FromCp1250(kModeAnywhere), FromCp1250(kModeNear), FromCp1250(kModePhrase)});
  language_ = lookups_[size_t(Criterion::kLimba)] = NewCombo(/*editable=*/false);
  language_->addItems(
      {FromCp1250(kAnyChoice), FromCp1250(kLanguageRomanian), FromCp1250(kLanguageHungarian)});
  language_->setCurrentText(FromCp1250(kLanguageRomanian));
  connect(language_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    Enter(Criterion::kLimba, text);
    emit languageChanged(text);
  });
  boxes_[size_t(Criterion::kEmisDeLa)]->setText(kEarliestIssue);
  boxes_[size_t(Criterion::kEmisPanaLa)]->setText(kLatestIssue);
  boxes_[size_t(Criterion::kPublicatDeLa)]->setText(kEarliestIssue);
  boxes_[size_t(Criterion::kPublicatPanaLa)]->setText(kLatestIssue);
  connect(boxes_[size_t(Criterion::kInText)], &QLineEdit::returnPressed, this, &TFiltrare::Run);

  // The four sections: a header bar and a panel each.
  auto* sections = new QWidget;
  sections->setFixedSize(kSectionsWidth, kLastBarTop + kBarHeight);
  for (size_t g = 0; g < kGroupCount; ++g) {
    auto* bar = new QPushButton(FromCp1250(Caption(CriteriaGroup(g))), sections);
    bar->setFocusPolicy(Qt::NoFocus);
    connect(bar, &QPushButton::clicked, this, [this, g] { OpenSection(int(g)); });
    bars_[g] = bar;
    panels_[g] = new QWidget(sections);
  }
  auto label = [](const char* text) { return new QLabel(QString::fromUtf8(text)); };
  QGridLayout* words = NewPanelLayout(panels_[0]);
  words->addWidget(label("Cuvinte in titlu"), 0, 0);
  words->addWidget(boxes_[size_t(Criterion::kInTitlu)], 1, 0);
  words->addWidget(label("Cuvinte in text"), 2, 0);
  words->addWidget(boxes_[size_t(Criterion::kInText)], 3, 0);
  words->addWidget(mode_, 4, 0);
  QGridLayout* properties = NewPanelLayout(panels_[1]);
  properties->addWidget(label("Tipul"), 0, 0);
  properties->addWidget(lookups_[size_t(Criterion::kTipul)], 0, 1);
  properties->addWidget(label("Domeniul"), 1, 0);
  properties->addWidget(lookups_[size_t(Criterion::kDomeniul)], 1, 1);
  properties->addWidget(label("Emitentul"), 2, 0);
  properties->addWidget(lookups_[size_t(Criterion::kEmitentul)], 2, 1);
  properties->addWidget(label("Numarul"), 3, 0);
  properties->addWidget(boxes_[size_t(Criterion::kNumarul)], 3, 1);
  properties->addWidget(label("Anul"), 4, 0);
  properties->addWidget(boxes_[size_t(Criterion::kAnul)], 4, 1);
  QGridLayout* publication = NewPanelLayout(panels_[2]);
  publication->addWidget(label("Publicatia"), 0, 0);
  publication->addWidget(lookups_[size_t(Criterion::kNumele)], 0, 1);
  publication->addWidget(label("Numarul Publicatiei"), 1, 0);
  publication->addWidget(boxes_[size_t(Criterion::kNumarulPublicatiei)], 1, 1);
  publication->addWidget(label("Limba"), 2, 0);
  publication->addWidget(language_, 2, 1);
  publication->setRowStretch(3, 1);
  QGridLayout* dates = NewPanelLayout(panels_[3]);
  dates->addWidget(label("Emis intre"), 0, 0);
  dates->addWidget(boxes_[size_t(Criterion::kEmisDeLa)], 1, 0);
  dates->addWidget(label("si"), 0, 1);
  dates->addWidget(boxes_[size_t(Criterion::kEmisPanaLa)], 1, 1);
  dates->addWidget(label("Publicat intre"), 2, 0);
  dates->addWidget(boxes_[size_t(Criterion::kPublicatDeLa)], 3, 0);
  dates->addWidget(label("si"), 2, 1);
  dates->addWidget(boxes_[size_t(Criterion::kPublicatPanaLa)], 3, 1);
  dates->setRowStretch(4, 1);

  filter_button_ = new QPushButton(QStringLiteral("&Filtreaza"));
  auto* clear_button = new QPushButton(QStringLiteral("&Sterge"));
  auto* cancel_button = new QPushButton(QStringLiteral("&Renunta"));
  connect(filter_button_, &QPushButton::clicked, this, &TFiltrare::Run);
  connect(clear_button, &QPushButton::clicked, this, &TFiltrare::Clear);
  connect(cancel_button, &QPushButton::clicked, this, &TFiltrare::close);

  auto* right = new QVBoxLayout;
  right->addWidget(sections);
  right->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(filter_button_);
  buttons->addWidget(clear_button);
  buttons->addWidget(cancel_button);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(tree_, 1);
  layout->addLayout(right);

  // The boxes above fed their first texts in; the window starts with no
  // criterion.
  criteria_.Clear();
  ShowCriteria();
  OpenSection(0);
}

QLineEdit* TFiltrare::box(Criterion criterion) const { return boxes_[size_t(criterion)]; }

QComboBox* TFiltrare::lookup_box(Criterion criterion) const { return lookups_[size_t(criterion)]; }

void TFiltrare::Enter(Criterion criterion, const QString& text) {
  criteria_.Enter(criterion, ToCp1250(text));
  ShowCriteria();
}

void TFiltrare::ShowCriteria() {
  tree_->setUpdatesEnabled(false);
  for (size_t c = 0; c < kCriterionCount; ++c) {
    QTreeWidgetItem* item = criterion_items_[c];
    qDeleteAll(item->takeChildren());
    for (const CriterionValue& value : criteria_.values(Criterion(c))) {
      auto* node = new QTreeWidgetItem(item, {FromCp1250(value.text)});
      node->setIcon(0, style()->standardIcon(QStyle::SP_ArrowRight));
    }
  }
  for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = tree_->topLevelItem(g);
    const bool expanded = criteria_.expanded(CriteriaGroup(g));
    group->setExpanded(expanded);
    for (int c = 0; c < group->childCount(); ++c) group->child(c)->setExpanded(expanded);
  }
  tree_->setUpdatesEnabled(true);
}

void TFiltrare::OpenSection(int index) {
  QWidget* sections = bars_[0]->parentWidget();
  sections->setUpdatesEnabled(false);
  for (int g = 0; g < int(kGroupCount); ++g) {
    const int top =
        g <= index ? g * kBarHeight : kLastBarTop - (int(kGroupCount) - 1 - g) * kBarHeight;
    bars_[g]->setGeometry(0, top, kSectionsWidth, kBarHeight);
    panels_[g]->setGeometry(0, (index + 1) * kBarHeight, kSectionsWidth, kPanelHeight);
    panels_[g]->setVisible(g == index);
  }
  sections->setUpdatesEnabled(true);
}

void TFiltrare::Run() {
  if (hooks_.before_run) hooks_.before_run();
  int acts = 0;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    acts = hooks_.run(criteria_, ToCp1250(mode_->currentText()));
  } catch (const std::exception& e) {
    QApplication::restoreOverrideCursor();
    QMessageBox::critical(this, QStringLiteral("Corvana"), ErrorText(e.what()));
    return;
  }
  QApplication::restoreOverrideCursor();
  if (hooks_.after_run) hooks_.after_run(acts);
  close();
}

void TFiltrare::Clear() {
  for (Criterion c :
       {Criterion::kTipul, Criterion::kDomeniul, Criterion::kEmitentul, Criterion::kNumele}) {
    lookups_[size_t(c)]->setCurrentText(FromCp1250(kAnyChoice));
  }
  language_->setCurrentText(FromCp1250(kAnyChoice));
  for (Criterion c : {Criterion::kInTitlu, Criterion::kInText, Criterion::kNumarulPublicatiei,
                      Criterion::kNumarul, Criterion::kAnul}) {
    boxes_[size_t(c)]->clear();
  }
  boxes_[size_t(Criterion::kEmisDeLa)]->setText(kEarliestIssue);
  boxes_[size_t(Criterion::kEmisPanaLa)]->setText(kLatestIssue);
  boxes_[size_t(Criterion::kPublicatDeLa)]->setText(kEarliestIssue);
  boxes_[size_t(Criterion::kPublicatPanaLa)]->setText(kLatestIssue);
  criteria_.Clear();
  ShowCriteria();
}

void TFiltrare::SetLanguage(const QString& choice) { language_->setCurrentText(choice); }

QStringList TFiltrare::TypeNames() const {
  QStringList names;
  const QComboBox* types = lookups_[size_t(Criterion::kTipul)];
  for (int i = 0; i < types->count(); ++i) names << types->itemText(i);
  return names;
}

void TFiltrare::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

}  // namespace finding
