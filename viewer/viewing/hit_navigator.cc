#include "viewer/viewing/hit_navigator.h"

#include <QStyle>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

namespace viewing {
namespace {

const QColor kHitColor(255, 255, 102);
const QColor kCurrentHitColor(255, 165, 0);

// The words of the hits, in order: from the character that carries hit n's
// anchor name up to its forward link.
std::vector<QTextCursor> HitWords(QTextDocument& page, int count) {
  std::vector<QTextCursor> words;
  int open = 0;  // the hit whose word is being read, 0 between hits
  for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (open > 0 && format.anchorHref() == QString::fromStdString("#" + HitAnchor(open + 1))) {
        words.back().setPosition(fragment.position(), QTextCursor::KeepAnchor);
        open = 0;
      }
      const int next = static_cast<int>(words.size()) + 1;
      if (open == 0 && next <= count &&
          format.anchorNames().contains(QString::fromStdString(HitAnchor(next)))) {
        words.emplace_back(&page);
        words.back().setPosition(fragment.position());
        open = next;
      }
    }
  }
  return words;
}

void Paint(QTextCursor& word, const QColor& color) {
  QTextCharFormat format;
  format.setBackground(color);
  word.mergeCharFormat(format);
}

}  // namespace

HitNavigator::HitNavigator(hypertext::HypertextView* view, int count, QWidget* shortcut_scope)
    : QObject(view), view_(view), steps_(count) {
  words_ = HitWords(*view_->document(), count);
  // One edit of the page for all of them, laid out once.
  QTextCursor edit(view_->document());
  edit.beginEditBlock();
  for (QTextCursor& word : words_) Paint(word, kHitColor);
  edit.endEditBlock();

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
  if (before > 0 && size_t(before) <= words_.size()) Paint(words_[before - 1], kHitColor);
  if (size_t(hit) <= words_.size()) Paint(words_[hit - 1], kCurrentHitColor);
  view_->ScrollToAnchor(QString::fromStdString(HitAnchor(hit)));
  emit statusChanged(status());
}

}  // namespace viewing
