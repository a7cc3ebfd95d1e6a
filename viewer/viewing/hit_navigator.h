// Stepping through the search hits marked in an act window's page: the
// actions "Potrivirea anterioara" (Shift+F3) and "Potrivirea urmatoare" (F3)
// on a toolbar of their own, the page's links around each hit, every hit
// highlighted with the current one set apart, and the line
// "Potrivirea N din M" for the status line.
//
// Stepping scrolls the page to the hit's anchor and wraps around at both
// ends, so do the first hit's back link and the last hit's forward link,
// which name anchors the page does not have.
#ifndef CORVANA_VIEWER_VIEWING_HIT_NAVIGATOR_H_
#define CORVANA_VIEWER_VIEWING_HIT_NAVIGATOR_H_

#include <QAction>
#include <QList>
#include <QObject>
#include <QString>
#include <QTextEdit>
#include <QToolBar>

#include "viewer/hypertext/hypertext_view.h"
#include "viewer/viewing/hit_marking.h"

namespace viewing {

class HitNavigator : public QObject {
  Q_OBJECT

 public:
  // For the `count` hits marked in the page `view` shows. The actions'
  // shortcuts work anywhere inside `shortcut_scope`.
  HitNavigator(hypertext::HypertextView* view, int count, QWidget* shortcut_scope);

  int count() const { return steps_.count(); }
  int current() const { return steps_.current(); }
  // "Potrivirea N din M".
  QString status() const;

  QToolBar* toolbar() const { return toolbar_; }
  QAction* previous_action() const { return previous_; }
  QAction* next_action() const { return next_; }

  void Next();
  void Previous();

 signals:
  void statusChanged(const QString& text);

 private:
  // Shows the current hit, which was `before`.
  void Show(int before);

  hypertext::HypertextView* view_;
  HitSteps steps_;
  QList<QTextEdit::ExtraSelection> hits_;  // hit n's word is hits_[n - 1]
  QToolBar* toolbar_;
  QAction* previous_;
  QAction* next_;
};

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_HIT_NAVIGATOR_H_
