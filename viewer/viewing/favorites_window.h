// The favourites window (caption "Favorite"): the acts the user keeps, with
// their display title, key and the date they were added, to open, rename
// and remove; the current act window's act is added to it from the window
// or from the main menu.
//
// The window owns the list of the run: it loads "favorite.dat" when it is
// made and writes it after every change. A file it cannot read is kept
// aside (see favorites.h); the window then starts empty and says so above
// the list, as it says there when a change could not be written. An act
// that is no longer in the database is shown greyed, and says so when it
// is opened.
#ifndef CORVANA_VIEWER_VIEWING_FAVORITES_WINDOW_H_
#define CORVANA_VIEWER_VIEWING_FAVORITES_WINDOW_H_

#include <QAction>
#include <QLabel>
#include <QString>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "viewer/viewing/favorites.h"

namespace viewing {

class FavoritesWindow : public QWidget {
  Q_OBJECT

 public:
  struct Hooks {
    // The act of the current act window as a new entry (its key, display
    // title and today's date); nothing without an act window.
    std::function<std::optional<Favorite>()> current_act;
    // Whether the act `key` is in the database.
    std::function<bool(const std::string& key)> exists;
    // Opens the act `key` in a new act window; false when it is not in the
    // database.
    std::function<bool(const std::string& key)> open;
  };

  // Loads the list from `path`.
  FavoritesWindow(const QString& path, Hooks hooks, QWidget* parent = nullptr);

  const FavoriteList& list() const { return list_; }

  // The toolbar's commands. AddCurrent returns what it did, in a sentence
  // for the status line.
  QString AddCurrent();   // "Adauga actul curent"
  void OpenCurrent();     // "Deschide"
  void RenameCurrent();   // "Redenumeste": edits the title in place
  void RemoveCurrent();   // "Sterge din lista"

  QTreeWidget* view() const { return view_; }
  // The line above the list that says what went wrong with the file.
  QLabel* message() const { return message_; }
  QAction* action(const QString& text) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowItems();
  std::optional<size_t> Current() const;
  // Writes the list; says in the window when it could not (false).
  bool Save();
  void TitleEdited(QTreeWidgetItem* item, int column);

  Hooks hooks_;
  FavoriteList list_;
  QTreeWidget* view_;
  QLabel* message_;
  QList<QAction*> actions_;
  bool filling_ = false;
};

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_FAVORITES_WINDOW_H_
