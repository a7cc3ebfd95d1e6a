// The viewer of the assistant panel: the help pages of the installation
// ("htm/right/index.htm" and the pages it links to), Windows-1250 HTML, with
// a history of at most 10 pages to go back and forward in.
//
// A link to "#bonus" is not followed: it is reported through bonusRequested
// for the main window to show the picture window. Links to other anchors
// scroll, links to local pages load them, other addresses go to the
// desktop's browser.
#ifndef CORVANA_VIEWER_SHELL_ASSISTANT_VIEW_H_
#define CORVANA_VIEWER_SHELL_ASSISTANT_VIEW_H_

#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <deque>

namespace shell {

class AssistantView : public QTextBrowser {
  Q_OBJECT
 public:
  static constexpr size_t kHistoryPages = 10;

  explicit AssistantView(QWidget* parent = nullptr);

  // Loads a page file (Windows-1250) and makes it the newest of the history.
  // Returns false, showing nothing new, when the file cannot be read.
  bool LoadPage(const QString& path);
  // Scrolls to a named anchor of the page shown ("#" in front is accepted).
  void GoToAnchor(QString anchor);

  bool CanGoBack() const { return at_ > 0; }
  bool CanGoForward() const { return at_ + 1 < history_.size(); }
  void Back();
  void Forward();

 signals:
  void bonusRequested();

 private:
  bool Show(const QString& path);
  void FollowLink(const QUrl& url);

  std::deque<QString> history_;  // page files, oldest first
  size_t at_ = 0;                // the page shown
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_ASSISTANT_VIEW_H_
