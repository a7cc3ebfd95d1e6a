#include "viewer/viewing/form_struct.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QVBoxLayout>
#include <exception>
#include <map>

#include "actsdb/compress.h"
#include "viewer/hypertext/hypertext_view.h"

namespace viewing {

namespace {

constexpr int kTargetRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

// The pictures of the node images: a page for a part (red-edged when it was
// modified), a book for the act, an arrow coming in for a modification
// suffered and one going out for a modification brought.
QIcon NodeIcon(int image) {
  static std::map<int, QIcon> icons;
  auto [it, added] = icons.try_emplace(image);
  if (!added) return it->second;
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case kPartImage:
    case kModifiedPartImage:
      painter.setPen(image == kPartImage ? QColor(110, 110, 110) : QColor(200, 30, 30));
      painter.setBrush(image == kPartImage ? QColor(250, 250, 250) : QColor(255, 225, 215));
      painter.drawRect(3, 1, 10, 13);
      painter.drawLine(5, 5, 11, 5);
      painter.drawLine(5, 8, 11, 8);
      painter.drawLine(5, 11, 9, 11);
      break;
    case kActImage:
      painter.setPen(QColor(20, 50, 130));
      painter.setBrush(QColor(60, 100, 200));
      painter.drawRect(2, 1, 11, 13);
      painter.setPen(Qt::white);
      painter.drawLine(5, 4, 10, 4);
      break;
    default: {
      const bool in = image == kSufferedImage;
      painter.setPen(Qt::NoPen);
      painter.setBrush(in ? QColor(200, 40, 40) : QColor(30, 140, 60));
      QPainterPath arrow;
      const qreal tip = in ? 2 : 14;
      const qreal back = in ? 9 : 7;
      const qreal tail = in ? 14 : 2;
      arrow.moveTo(tip, 8);
      arrow.lineTo(back, 2);
      arrow.lineTo(back, 5.5);
      arrow.lineTo(tail, 5.5);
      arrow.lineTo(tail, 10.5);
      arrow.lineTo(back, 10.5);
      arrow.lineTo(back, 14);
      arrow.closeSubpath();
      painter.drawPath(arrow);
      break;
    }
  }
  painter.end();
  it->second = QIcon(pixmap);
  return it->second;
}

QTreeWidgetItem* MakeItem(const TreeNode& node) {
  auto* item = new QTreeWidgetItem(QStringList(hypertext::FromCp1250(node.text)));
  item->setData(0, kTargetRole, hypertext::FromCp1250(node.target));
  item->setData(0, kImageRole, node.image);
  item->setIcon(0, NodeIcon(node.image));
  for (const TreeNode& child : node.children) item->addChild(MakeItem(child));
  return item;
}

QTreeWidget* MakeTree() {
  auto* tree = new QTreeWidget;
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree->header()->setStretchLastSection(false);
  return tree;
}

// The first item with `target` among `item` and its subtree, in tree order.
QTreeWidgetItem* FindTarget(QTreeWidgetItem* item, const QString& target) {
  if (TformStruct::Target(item) == target) return item;
  for (int i = 0; i < item->childCount(); ++i) {
    if (QTreeWidgetItem* found = FindTarget(item->child(i), target)) return found;
  }
  return nullptr;
}

// The first item after the root (or from the root on) with `target`.
QTreeWidgetItem* FindInTree(const QTreeWidget* tree, const QString& target, bool after_root) {
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* top = tree->topLevelItem(i);
    if (i == 0 && after_root) {
      for (int c = 0; c < top->childCount(); ++c) {
        if (QTreeWidgetItem* found = FindTarget(top->child(c), target)) return found;
      }
    } else if (QTreeWidgetItem* found = FindTarget(top, target)) {
      return found;
    }
  }
  return nullptr;
}

// The hourglass over the window and the main window's repainting suspended
// for the lifetime of one tab change.
class BusyWindow {
 public:
  explicit BusyWindow(QWidget* widget) : window_(widget->window()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    window_->setUpdatesEnabled(false);
  }
  ~BusyWindow() {
    window_->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
  }
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

 private:
  QWidget* window_;
};

}  // namespace

TformStruct::TformStruct(const StructuredAct& act, finding::ModificationReader& reader,
                         StructHost host, QWidget* parent)
    : QWidget(parent), act_(act), reader_(reader), host_(std::move(host)) {
  setWindowTitle(QStringLiteral("Structura"));
  stack_ = new QStackedWidget;
  for (QTreeWidget*& tree : trees_) {
    tree = MakeTree();
    stack_->addWidget(tree);
  }
  // The tabs below the trees, small enough that all three fit the width of
  // the act window's dock.
  tabs_ = new QTabBar;
  tabs_->setShape(QTabBar::RoundedSouth);
  tabs_->setExpanding(false);
  tabs_->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 2px 5px; }"));
  QFont small = tabs_->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  tabs_->setFont(small);
  for (const char* caption : {"Structura", "Modificari", "Fisa Actului"}) {
    tabs_->addTab(QString::fromLatin1(caption));
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(stack_);
  layout->addWidget(tabs_);
  connect(tabs_, &QTabBar::currentChanged, this, &TformStruct::TabSet1Change);

  QTreeWidget* structure = trees_[kStructureTab];
  structure->setMouseTracking(true);
  connect(structure, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { StructureClicked(item); });
  connect(structure, &QTreeWidget::itemEntered, this,
          [this](QTreeWidgetItem* item) { StructureHovered(item); });
  for (Tab tab : {kModificationsTab, kActSheetTab}) {
    connect(trees_[tab], &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
      try {
        ModificationClicked(item);
      } catch (const std::exception& e) {
        ShowError(e);
      }
    });
  }
}

QString TformStruct::Target(const QTreeWidgetItem* item) {
  return item->data(0, kTargetRole).toString();
}

int TformStruct::Image(const QTreeWidgetItem* item) { return item->data(0, kImageRole).toInt(); }

QTreeWidget* TformStruct::shown_tree() const {
  return static_cast<QTreeWidget*>(stack_->currentWidget());
}

QTreeWidgetItem* TformStruct::LocateNod(const QString& target) const {
  return FindInTree(trees_[kModificationsTab], target, /*after_root=*/true);
}

void TformStruct::Fill(QTreeWidget* tree, const Tree& nodes) {
  tree->setUpdatesEnabled(false);
  tree->clear();
  for (const TreeNode& node : nodes) tree->addTopLevelItem(MakeItem(node));
  tree->setUpdatesEnabled(true);
}

const std::string& TformStruct::StructureText() {
  if (structure_text_.empty()) {
    structure_text_ = actsdb::Inflate(act_.comp_struct, static_cast<size_t>(act_.struct_size));
  }
  return structure_text_;
}

void TformStruct::PrelStruct() {
  Tree nodes;
  try {
    FillStructureTree(StructureText(), act_.title, reader_.ModifiedParts(act_.act_id), &nodes);
  } catch (const OutlineError&) {
    Fill(trees_[kStructureTab], nodes);
    throw;
  }
  Fill(trees_[kStructureTab], nodes);
  // The act's first level of parts in sight.
  if (QTreeWidgetItem* root = trees_[kStructureTab]->topLevelItem(0)) root->setExpanded(true);
}

void TformStruct::BuildModifications() {
  QTreeWidget* tree = trees_[kModificationsTab];
  finding::ActModifications act = reader_.Read(act_.act_id);
  act.title = act_.title;
  try {
    FillModificationsTree(StructureText(), act, &modifications_);
  } catch (const OutlineError&) {
    Fill(tree, modifications_);
    throw;
  }
  Fill(tree, modifications_);
  tree->expandAll();
  if (QTreeWidgetItem* root = tree->topLevelItem(0)) {
    tree->setCurrentItem(root);
    tree->clearSelection();
  }
}

void TformStruct::BuildActSheet() {
  const Tree sheet =
      ActSheet(modifications_, reader_.HasAct(FirstRepublicationKey(act_.ind_num)));
  QTreeWidget* tree = trees_[kActSheetTab];
  Fill(tree, sheet);
  tree->topLevelItem(0)->setExpanded(true);
}

void TformStruct::TabSet1Change(int tab) {
  BusyWindow busy(this);
  {
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(tab);
  }
  try {
    if (tab == kStructureTab) {
      stack_->setCurrentWidget(trees_[kStructureTab]);
      return;
    }
    if (trees_[kModificationsTab]->topLevelItemCount() == 0) BuildModifications();
    stack_->setCurrentWidget(trees_[kModificationsTab]);
    if (tab == kActSheetTab) {
      if (trees_[kActSheetTab]->topLevelItemCount() == 0) BuildActSheet();
      stack_->setCurrentWidget(trees_[kActSheetTab]);
    }
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void TformStruct::ShowError(const std::exception& error) {
  QMessageBox::critical(this, QStringLiteral("Corvana"), QString::fromUtf8(error.what()));
}

void TformStruct::SelectTarget(QTreeWidget* tree, const QString& target, bool after_root) {
  if (QTreeWidgetItem* item = FindInTree(tree, target, after_root)) tree->setCurrentItem(item);
}

void TformStruct::StructureClicked(QTreeWidgetItem* item) {
  const QString target = Target(item);
  host_.show_anchor(hypertext::ToCp1250(target));
  SelectTarget(trees_[kModificationsTab], target, /*after_root=*/true);
  if (!target.isEmpty()) host_.scroll_modifications(hypertext::ToCp1250(target));
}

void TformStruct::ModificationClicked(QTreeWidgetItem* item) {
  const QString target = Target(item);
  if (target.isEmpty() || target == "#") return;
  if (target.startsWith('#')) {
    host_.show_anchor(hypertext::ToCp1250(target));
    SelectTarget(trees_[kStructureTab], target, /*after_root=*/false);
    host_.scroll_modifications(hypertext::ToCp1250(target));
  } else if (target.startsWith('p')) {
    bool number = false;
    const int64_t part_id = target.mid(2).toLongLong(&number);
    finding::ModificationReader::Part part;
    if (number && reader_.FindPart(part_id, &part)) {
      host_.open_act(part.act_id, "#" + std::to_string(part_id));
    }
  }
}

void TformStruct::StructureHovered(QTreeWidgetItem* item) {
  if (Image(item) != kModifiedPartImage) {
    QToolTip::hideText();
    return;
  }
  QString hint;
  try {
    for (const finding::OtherEnd& end : reader_.Suffered(Target(item).mid(1).toLongLong())) {
      if (!hint.isEmpty()) hint += '\n';
      hint += hypertext::FromCp1250(SufferedText(end));
    }
  } catch (const std::exception& e) {
    hint = QString::fromUtf8(e.what());  // what went wrong, where the hint would stand
  }
  QTreeWidget* tree = trees_[kStructureTab];
  QToolTip::showText(QCursor::pos(), hint, tree->viewport(), {}, kHintMilliseconds);
}

}  // namespace viewing
