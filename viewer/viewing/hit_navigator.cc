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

// The words of the hits, in order: from the character that carries hit n's
// anchor name up to its forward link. Only the fragments that are anchors
// are looked into, for the one name or link awaited next.
std::vector<QTextCursor> HitWords(QTextDocument& page, int count) {
  std::vector<QTextCursor> words;
  words.reserve(count);
  QString name = Anchor(1);  // of the next hit
  QString end;               // the open hit's forward link, empty between hits
  for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.isAnchor()) continue;
      if (!end.isEmpty() && format.anchorHref() == end) {
        words.back().setPosition(fragment.position(), QTextCursor::KeepAnchor);
        end.clear();
      }
      const int next = static_cast<int>(words.size()) + 1;
      if (end.isEmpty() && next <= count && format.anchorNames().contains(name)) {
        words.emplace_back(&page);
        words.back().setPosition(fragment.position());
        end = "#" + Anchor(next + 1);
        name = Anchor(next + 1);
      }
    }
  }
  return words;
}

}  // namespace

HitNavigator::HitNavigator(hypertext::HypertextView* view, int count, QWidget* shortcut_scope)
    : QObject(view), view_(view), steps_(count) {
  // Painted over the page's layout, so the page is neither changed nor laid
  // out again.
  for (QTextCursor& word : HitWords(*view_->document(), count)) {
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
