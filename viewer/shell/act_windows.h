// The act windows inside the main window: which one is current, and the one
// operation that opens an act in a new one (`actopen`).
//
// The current act window is the one last opened or activated; it is
// forgotten when that window closes (QPointer clears itself). Commands on
// the current act use it; some also need it to be the active MDI child.
//
// Hand-over: the act window itself comes with the act-window component.
// Until it plugs its factory in (SetFactory), no act window can be opened
// and Open does nothing; the commands that open acts stay hidden meanwhile.
#ifndef CORVANA_VIEWER_SHELL_ACT_WINDOWS_H_
#define CORVANA_VIEWER_SHELL_ACT_WINDOWS_H_

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace shell {

class ActWindows : public QObject {
  Q_OBJECT
 public:
  // Makes the act window for the act on which the direct acts view stands,
  // with the anchor it is to scroll to once loaded ("#" + part id, or
  // empty) and the stems of the text search it was found by, whose hits
  // its page is to show (empty when it was opened another way). The window
  // is a widget that the main window puts into its own MDI frame.
  using Factory =
      std::function<QWidget*(const QString& anchor, const std::vector<std::string>& search_stems)>;

  explicit ActWindows(QMdiArea* area, QObject* parent = nullptr);

  void SetFactory(Factory factory) { factory_ = std::move(factory); }
  bool can_open() const { return static_cast<bool>(factory_); }

  // What `actopen` does around the window (hide the assistant panel; show
  // the find-in-text window when it holds a text).
  void SetBeforeOpen(std::function<void()> hook) { before_open_ = std::move(hook); }
  void SetAfterOpen(std::function<void()> hook) { after_open_ = std::move(hook); }

  // `actopen`: a new act window, captioned `caption` (the act's display
  // title), maximised and current. Returns it, or nullptr without a factory.
  // Only an act opened from the result of a text search gets that search's
  // stems.
  QMdiSubWindow* Open(const QString& anchor, const QString& caption,
                      const std::vector<std::string>& search_stems = {});

  // The current act window, or nullptr (also once it is closed, before it
  // is deleted).
  QMdiSubWindow* current() const;
  // The current act window when it is also the active one, or nullptr.
  QMdiSubWindow* current_if_active() const;

  // Closes every act window, always the first remaining one, with the frame's
  // repainting suspended.
  void CloseAll();

 private:
  QMdiArea* area_;
  Factory factory_;
  std::function<void()> before_open_;
  std::function<void()> after_open_;
  QPointer<QMdiSubWindow> current_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_ACT_WINDOWS_H_
