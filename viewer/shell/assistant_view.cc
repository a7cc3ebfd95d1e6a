#include "viewer/shell/assistant_view.h"

#include <QFile>
#include <QFileInfo>

#include "viewer/shell/qt_text.h"
#include "viewer/shell/run_program.h"

namespace shell {

AssistantView::AssistantView(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  QFont font(QStringLiteral("Times New Roman"));
  setFont(font);
  connect(this, &QTextBrowser::anchorClicked, this, &AssistantView::FollowLink);
}

bool AssistantView::Show(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  setSearchPaths({QFileInfo(path).absolutePath()});
  setHtml(FromCp1250(std::string_view(bytes.data(), static_cast<size_t>(bytes.size()))));
  return true;
}

bool AssistantView::LoadPage(const QString& path) {
  if (!Show(path)) return false;
  if (!history_.empty()) history_.erase(history_.begin() + static_cast<ptrdiff_t>(at_) + 1, history_.end());
  history_.push_back(QFileInfo(path).absoluteFilePath());
  if (history_.size() > kHistoryPages) history_.pop_front();
  at_ = history_.size() - 1;
  return true;
}

void AssistantView::GoToAnchor(QString anchor) {
  if (anchor.startsWith(QLatin1Char('#'))) anchor.remove(0, 1);
  scrollToAnchor(anchor);
}

void AssistantView::Back() {
  if (CanGoBack() && Show(history_[at_ - 1])) --at_;
}

void AssistantView::Forward() {
  if (CanGoForward() && Show(history_[at_ + 1])) ++at_;
}

void AssistantView::FollowLink(const QUrl& url) {
  if (url.isRelative() && url.path().isEmpty()) {
    if (url.fragment() == QLatin1String("bonus")) {
      emit bonusRequested();
    } else {
      GoToAnchor(url.fragment());
    }
    return;
  }
  if (url.isRelative() || url.isLocalFile()) {
    const QString page = url.isLocalFile()
                             ? url.toLocalFile()
                             : QFileInfo(QFileInfo(history_.empty() ? QString() : history_[at_])
                                             .absolutePath() +
                                         QLatin1Char('/') + url.path())
                                   .absoluteFilePath();
    if (LoadPage(page) && url.hasFragment()) GoToAnchor(url.fragment());
    return;
  }
  RunProgram(url.toString());
}

}  // namespace shell
