#include "viewer/shell/act_windows.h"

#include <QApplication>
#include <QCursor>

namespace shell {

ActWindows::ActWindows(QMdiArea* area, QObject* parent) : QObject(parent), area_(area) {
  connect(area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    if (window) current_ = window;
  });
}

QMdiSubWindow* ActWindows::Open(const QString& anchor, const QString& caption,
                                const std::vector<std::string>& search_stems) {
  if (!factory_) return nullptr;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  area_->setUpdatesEnabled(false);
  struct Restore {
    QMdiArea* area;
    ~Restore() {
      area->setUpdatesEnabled(true);
      QApplication::restoreOverrideCursor();
    }
  } restore{area_};
  if (before_open_) before_open_();
  QWidget* act = factory_(anchor, search_stems);
  if (!act) return nullptr;
  QMdiSubWindow* window = area_->addSubWindow(act);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(caption);
  current_ = window;
  window->showMaximized();
  if (after_open_) after_open_();
  return window;
}

QMdiSubWindow* ActWindows::current() const {
  return current_ && area_->subWindowList().contains(current_) ? current_.data() : nullptr;
}

QMdiSubWindow* ActWindows::current_if_active() const {
  QMdiSubWindow* window = current();
  return window && area_->activeSubWindow() == window ? window : nullptr;
}

void ActWindows::CloseAll() {
  area_->setUpdatesEnabled(false);
  for (QList<QMdiSubWindow*> open = area_->subWindowList(); !open.isEmpty();
       open = area_->subWindowList()) {
    QMdiSubWindow* first = open.front();
    first->close();
    // A window that refuses to close must not hold the loop.
    if (area_->subWindowList().contains(first)) delete first;
  }
  area_->setUpdatesEnabled(true);
}

}  // namespace shell
