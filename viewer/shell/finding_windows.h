// The windows of finding acts in the main window: the filter window, the
// find-act window, the history window and the links of every act window,
// wired to the main window's commands, the data module and the act windows.
//
// A filter run and a find-act search report their count in the status
// line and show the grid; the language submenu and the filter window's
// language box follow each other; "Inapoi" and "Inainte" step through the
// history window's list.
#ifndef CORVANA_VIEWER_SHELL_FINDING_WINDOWS_H_
#define CORVANA_VIEWER_SHELL_FINDING_WINDOWS_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "viewer/finding/act_links.h"
#include "viewer/finding/filter_window.h"
#include "viewer/finding/find_act_window.h"
#include "viewer/finding/history_window.h"

namespace shell {

class ActViewing;
class DataModule;
class MainWindow;

class FindingWindows {
 public:
  // `act_viewing`, when given, gets the link handlers of every act window
  // it makes; `open_selected` is the results grid's open command. Each
  // must outlive this object.
  FindingWindows(MainWindow& main, DataModule& data, ActViewing* act_viewing,
                 std::function<void()> open_selected);
  ~FindingWindows();

  finding::TFiltrare& filter() { return *filter_; }
  finding::TGasire& find_act() { return *find_act_; }
  finding::TIstoric& history() { return *history_; }

 private:
  // Opens the act tblActeNef stands on in a new act window.
  void OpenDirectAct();
  // The history window's "Deschide".
  bool OpenFromHistory(int64_t id_act, bool* brought_forward);
  // The status line and the grid after a run or a search.
  void ShowResult(int acts);

  MainWindow& main_;
  DataModule& data_;
  std::unique_ptr<finding::CodeTables> code_tables_;
  std::unique_ptr<finding::TFiltrare> filter_;
  std::unique_ptr<finding::TGasire> find_act_;
  std::unique_ptr<finding::TIstoric> history_;
  std::unique_ptr<finding::ActLinks> links_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_FINDING_WINDOWS_H_
