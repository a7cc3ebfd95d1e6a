// The main window (`TMainForm`): the MDI frame of the act windows, with the
// top toolbar, the menus of the command table, the assistant panel on the
// right, the results panel at the bottom and the status line.
//
// Hand-over points for the windows that come with later parts of the
// viewer. A command whose window is not there yet is hidden: it appears,
// enabled, once its window plugs a handler in with SetCommandHandler. The
// main window itself handles what it owns (exit, options, printer set-up,
// the panels, the toolbar, the window commands, the assistant, bonus,
// about, the update program). The commands on the current act are only
// called when there is a current act window (and it is active, where the
// command table says so); the handler reads it from act_windows().
#ifndef CORVANA_VIEWER_SHELL_MAIN_WINDOW_H_
#define CORVANA_VIEWER_SHELL_MAIN_WINDOW_H_

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QSplitter>
#include <QString>
#include <QToolBar>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "viewer/shell/act_windows.h"
#include "viewer/hypertext/hypertext_view.h"
#include "viewer/shell/commands.h"

namespace finding {
class ResultsGrid;
}

namespace shell {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Modes of the results panel: the views of the results-grid frame.
  enum class ResultsMode { kGrid = 1, kModSuffered = 2, kModBrought = 3 };

  explicit MainWindow(QString install_dir, QWidget* parent = nullptr);
  ~MainWindow() override;

  const QString& install_dir() const { return install_dir_; }
  // InstallDir + "/" + name.
  QString InstallPath(const QString& name) const;

  ActWindows& act_windows() { return *act_windows_; }
  QMdiArea* mdi_area() const { return mdi_; }
  hypertext::HypertextView* assistant() const { return assistant_; }

  // --- Hand-over points ---
  // Wires a command (menu item and toolbar button) to its window.
  void SetCommandHandler(Command command, std::function<void()> handler);
  // The language submenu's effect: the filter window's language choice,
  // given the item's text without "&" ("(oricare)", "Romana", "Maghiara").
  void SetLanguageHandler(std::function<void(const QString& language)> handler);
  // The results panel's modification modes and "Tipareste modificarile"
  // stay hidden until the modification pages plug in what they do: the
  // results-grid frame shows a mode (its `ShowView`), the button prints.
  void SetModificationModes(std::function<void()> print_modifications);
  // Extra windows of the frame: the options window ("Optiuni..."), the
  // about window and the picture window are given by the start-up.
  void SetOptionsWindow(QWidget* window) { options_window_ = window; }
  void SetAboutBox(QWidget* window) { about_box_ = window; }
  void SetBonusWindow(std::function<void()> show_bonus) { show_bonus_ = std::move(show_bonus); }

  // The action of a command (menus and the top toolbar share it).
  QAction* action(Command command) const;
  QAction* language_action(int index) const { return languages_[static_cast<size_t>(index)]; }
  QToolBar* toolbar() const { return toolbar_; }
  QWidget* results_panel() const { return results_panel_; }
  finding::ResultsGrid* grid() const { return grid_; }
  // The status line's panels, 0 to 3; the second shows the current hint,
  // the fourth the search hits of the act window in front ("Potrivirea N
  // din M"), and only while it has a text.
  static constexpr int kHitsPanel = 3;
  QLabel* status_panel(int index) const { return status_[static_cast<size_t>(index)]; }
  void SetStatusText(int panel, const QString& text);

  // `helpto`: shows the assistant panel at an anchor of its page.
  void helpto(const QString& anchor);
  void frmgrila1show();
  void frmgrila1hide();
  void SetResultsMode(ResultsMode mode);
  ResultsMode results_mode() const { return results_mode_; }

  // Starts the update program and ends the viewer; when the program cannot
  // be started, says why and keeps running.
  void RunUpdate();
  // Ends the viewer ("&Iesire").
  void Terminate();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMenusAndToolbar();
  // Shows a submenu while any of its commands shows.
  void ShowSubmenus();
  void BuildResultsPanel();
  void BuildAssistantPanel();
  void BuildStatusLine();
  void FitHintPanel();
  void Run(Command command);
  void ShowAssistant(bool on);
  void LoadHelpPage();
  void ShowWindow(QWidget* window);
  void ArrangeIcons();
  void PrinterSetup();

  QString install_dir_;
  QMdiArea* mdi_;
  ActWindows* act_windows_;
  QSplitter* vertical_;    // the client area over the results panel
  QSplitter* horizontal_;  // the MDI frame beside the assistant panel
  QToolBar* toolbar_;
  QWidget* assistant_panel_;
  hypertext::HypertextView* assistant_;
  QWidget* results_panel_;
  finding::ResultsGrid* grid_;
  QAction* results_grid_;
  QAction* results_suffered_;
  QAction* results_brought_;
  QAction* results_print_;
  QAction* open_results_;
  ResultsMode results_mode_ = ResultsMode::kGrid;
  std::function<void()> print_modifications_;
  std::map<Command, QAction*> actions_;
  std::map<std::string, QMenu*> submenus_;  // by caption
  std::map<Command, std::function<void()>> handlers_;
  std::vector<QAction*> languages_;
  std::function<void(const QString&)> language_handler_;
  QMenu* language_menu_ = nullptr;
  std::vector<QLabel*> status_;
  QWidget* options_window_ = nullptr;
  QWidget* about_box_ = nullptr;
  std::function<void()> show_bonus_;
  bool shown_once_ = false;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_MAIN_WINDOW_H_
