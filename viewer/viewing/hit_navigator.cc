#include "viewer/viewing/hit_navigator.h"

#include <QStyle>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <utility>
#include <vector>

namespace viewing {
namespace {

const QColor kHitColor(255, 255, 102);
const QColor kCurrentHitColor(255, 165, 0);

QString Anchor(int hit) { return QString::fromStdString(HitAnchor(hit)); }

// The words of the hits, in order: from the place of hit n's anchor up to
// its forward link. The anchors are looked for in order, and the links only
// among the fragments that are anchors.
std::vector<QTextCursor> HitWords(const hypertext::HypertextView& view, int count) {
  QTextDocument& page = *view.document();
  std::vector<QTextCursor> words;
  words.reserve(count);
  for (const hypertext::HypertextView::Anchor& anchor : view.anchors()) {
    if (static_cast<int>(words.size()) == count) break;
    if (anchor.name != Anchor(static_cast<int>(words.size()) + 1)) continue;
    words.emplace_back(&page);
    words.back().setPosition(anchor.position);
  }
  size_t open = 0;  // the word whose forward link comes next
  QString end = "#" + Anchor(2);
  for (QTextBlock block = page.begin(); block.isValid() && open < words.size();
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd() && open < words.size(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.isAnchor() || fragment.position() <= words[open].position() ||
          format.anchorHref() != end) {
        continue;
      }
      words[open].setPosition(fragment.position(), QTextCursor::KeepAnchor);
      ++open;
      end = "#" + Anchor(static_cast<int>(open) + 2);
    }
  }
  return words;
}

}  // namespace

HitNavigator::HitNavigator(hypertext::HypertextView* view, int count, QWidget* shortcut_scope)
    : QObject(view), view_(view), steps_(count) {
  // Painted over the page's layout, so the page is neither changed nor laid
  // out again.
  for (QTextCursor& word : HitWords(*view_, count)) {
    QTextEdit::ExtraSelection hit;
    hit.cursor = std::move(word);
    hit.format.setBackground(kHitColor);
    hits_.append(std::move(hit));
  }
  view_->setExtraSelections(hits_);

  toolbar_ = new QToolBar(QStringLiteral("Potriviri"));
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  toolbar_->setMovable(false);
  previous_ = toolbar_->addAction(view->style()->standardIcon(QStyle::SP_ArrowUp),
                                  QStringLiteral("Potrivirea anterioara"));
  previous_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
  next_ = toolbar_->addAction(view->style()->standardIcon(QStyle::SP_ArrowDown),
                              QStringLiteral("Potrivirea urmatoare"));
  next_->setShortcut(QKeySequence(Qt::Key_F3));
  for (QAction* action : {previous_, next_}) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setEnabled(count > 0);
    shortcut_scope->addAction(action);
  }
  connect(previous_, &QAction::triggered, this, &HitNavigator::Previous);
  connect(next_, &QAction::triggered, this, &HitNavigator::Next);

  // The links around each hit step as the actions do.
  connect(view_, &hypertext::HypertextView::linkClicked, this,
          [this](const QString& target, bool* handled) {
            const std::optional<int> k = HitLinkNumber(target.toStdString());
            if (!k) return;
            *handled = true;
            const int before = steps_.current();
            if (steps_.Follow(*k)) Show(before);
          });
}

QString HitNavigator::status() const { return QString::fromStdString(steps_.Status()); }

void HitNavigator::Next() {
  const int before = steps_.current();
  steps_.Next();
  Show(before);
}

void HitNavigator::Previous() {
  const int before = steps_.current();
  steps_.Previous();
  Show(before);
}

void HitNavigator::Show(int before) {
  const int hit = steps_.current();
  if (hit == 0) return;
  if (before > 0 && before <= hits_.size()) hits_[before - 1].format.setBackground(kHitColor);
  if (hit <= hits_.size()) hits_[hit - 1].format.setBackground(kCurrentHitColor);
  view_->setExtraSelections(hits_);
  view_->ScrollToAnchor(Anchor(hit));
  emit statusChanged(status());
}

}  // namespace viewing
