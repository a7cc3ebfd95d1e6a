// The act windows of the main window: what `actopen` makes for the act on
// which the direct acts view stands, and the commands on the current act
// (copy, print, print preview) with the printer set-up.
//
// One printer serves the whole run, so that what the set-up chooses holds
// for every printout and preview after it.
//
// Other parts of the viewer add to every act window as it is made (its
// structure window, its link handlers) through AddWindowHook. A hook that
// fails has its error shown; the window stays open with its page.
#ifndef CORVANA_VIEWER_SHELL_ACT_VIEWING_H_
#define CORVANA_VIEWER_SHELL_ACT_VIEWING_H_

#include <QObject>
#include <QPrinter>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewer/viewing/act_window.h"

class QMdiSubWindow;

namespace shell {

class DataModule;
class MainWindow;
class OptionsWindow;

class ActViewing : public QObject {
  Q_OBJECT

 public:
  // `options` gives the act font; without it the act windows use the
  // default one. Must go before `data`.
  ActViewing(MainWindow& main, DataModule& data, const OptionsWindow* options);
  ~ActViewing() override;

  using WindowHook = std::function<void(viewing::ActWindow& window)>;
  void AddWindowHook(WindowHook hook) { hooks_.push_back(std::move(hook)); }

  QPrinter& printer() { return printer_; }

  // The act window inside a window of the frame, or nullptr.
  static viewing::ActWindow* ActWindowOf(QMdiSubWindow* window);

 private:
  // The act window for the act on which tblActeNef stands, its page marked
  // with the hits of `search_stems` unless the options turn that off.
  // Throws when its page cannot be produced.
  QWidget* Make(const QString& anchor, const std::vector<std::string>& search_stems);
  std::optional<std::string> Picture(const std::string& key);

  MainWindow& main_;
  DataModule& data_;
  const OptionsWindow* options_;
  std::vector<WindowHook> hooks_;
  QPrinter printer_{QPrinter::HighResolution};
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_ACT_VIEWING_H_
