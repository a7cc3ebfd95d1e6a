// The history window (`TIstoric`, caption "Istoric de acte"): the acts the
// user opened, newest first, to step through, reopen or remove. The main
// window's "Inapoi" and "Inainte" step through the same list.
//
// The window owns the history of the run: it loads "his.dat" when it is made
// and writes it when it is destroyed.
#ifndef CORVANA_VIEWER_FINDING_HISTORY_WINDOW_H_
#define CORVANA_VIEWER_FINDING_HISTORY_WINDOW_H_

#include <QAction>
#include <QString>
#include <QTreeWidget>
#include <QWidget>
#include <functional>

#include "viewer/finding/history.h"

namespace finding {

class TIstoric : public QWidget {
  Q_OBJECT

 public:
  struct Hooks {
    // Where the list finds the acts it shows: the acts list, with its
    // record filter switched off first.
    History::ActLookup lookup;
    std::function<void()> show_every_act;
    // "Deschide": brings forward an act window other than the active one
    // that shows the act, or else opens the act in a new act window.
    // Returns false when the act is not in the database.
    std::function<bool(int64_t id_act, bool* brought_forward)> open;
    // "Ajutor".
    std::function<void()> help;
  };

  // Loads the history from `his_dat` when the file exists.
  TIstoric(const QString& his_dat, Hooks hooks, QWidget* parent = nullptr);
  // Writes the history to the file; a failure is reported on stderr.
  ~TIstoric() override;

  History& history() { return history_; }

  // The toolbar's commands.
  void StepPrevious();   // "Anterior"
  void StepNext();       // "Urmator"
  void OpenCurrent();    // "Deschide"
  void RemoveCurrent();  // "Sterge din lista"
  // The main window's "Inapoi" ("Urmator", then "Deschide") and "Inainte"
  // ("Anterior", then "Deschide").
  void Back();
  void Forward();

  QTreeWidget* list() const { return list_; }
  QAction* action(const QString& hint) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Rebuild();
  void ShowItems();
  void ShowCurrent();

  QString his_dat_;
  Hooks hooks_;
  History history_;
  QTreeWidget* list_;
  QList<QAction*> actions_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_HISTORY_WINDOW_H_
