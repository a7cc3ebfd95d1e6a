// The viewer's long-lived windows and its data module, made in the order
// the program needs them and destroyed in the reverse order:
//   main window, options window, data module, [filter, find-act,
//   find-in-text, history], favourites, column chooser, about window,
//   picture window.
// The options window exists before the data module because the data module
// reads the load mode while it opens the database; the main window deletes
// the previous run's history file before the history window would load it.
// At the end the history is written, then the database is closed, then the
// settings are written, and the main window, made first, goes last (closing
// the act windows left and saving the grid's column layout).
//
// An error while one of them is made is shown with its own message; that
// window or module is then missing or incomplete and start-up goes on.
#ifndef CORVANA_VIEWER_SHELL_CORVANEX_H_
#define CORVANA_VIEWER_SHELL_CORVANEX_H_

#include <QString>
#include <memory>

#include "viewer/finding/find_text_window.h"
#include "viewer/finding/results_grid.h"
#include "viewer/shell/about_box.h"
#include "viewer/shell/act_viewing.h"
#include "viewer/shell/data_module.h"
#include "viewer/shell/favorite_acts.h"
#include "viewer/shell/finding_windows.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/options_window.h"
#include "viewer/shell/structure_viewing.h"

namespace shell {

class Corvanex {
 public:
  // `named`: the user named the installation (--install-dir), and its own
  // database is opened rather than the one of the alias `Zazi1`.
  explicit Corvanex(const QString& install_dir, bool named = true);
  ~Corvanex();

  MainWindow& main_window() { return *main_; }
  OptionsWindow* options() { return options_.get(); }
  DataModule* data() { return data_.get(); }
  ActViewing* act_viewing() { return act_viewing_.get(); }
  FindingWindows* finding() { return finding_.get(); }
  StructureViewing* structure() { return structure_.get(); }
  finding::TFCText* find_text() { return find_text_.get(); }
  FavoriteActs* favorites() { return favorites_.get(); }
  finding::ColumnChooser* chooser() { return chooser_.get(); }
  AboutBox* about() { return about_.get(); }
  BonusWindow* bonus() { return bonus_.get(); }

 private:
  void ShowColumnChooser();
  // The open command of the grid: the selected act in a new act window.
  void OpenSelectedAct();

  // In the order they are made.
  std::unique_ptr<MainWindow> main_;
  std::unique_ptr<OptionsWindow> options_;
  std::unique_ptr<DataModule> data_;
  std::unique_ptr<ActViewing> act_viewing_;
  std::unique_ptr<FindingWindows> finding_;
  std::unique_ptr<StructureViewing> structure_;
  std::unique_ptr<finding::TFCText> find_text_;
  std::unique_ptr<FavoriteActs> favorites_;
  std::unique_ptr<finding::ColumnChooser> chooser_;
  std::unique_ptr<AboutBox> about_;
  std::unique_ptr<BonusWindow> bonus_;
};

// Shows an error of a creation step or a command with its own message.
void ReportError(QWidget* parent, const char* message);

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_CORVANEX_H_
