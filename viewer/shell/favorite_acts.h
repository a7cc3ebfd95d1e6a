// The favourite acts in the main window: the favourites window behind the
// "&Favorite" submenu of "&Editare", the current act window's act added to
// it, and its acts opened as the history opens them (added to the history).
#ifndef CORVANA_VIEWER_SHELL_FAVORITE_ACTS_H_
#define CORVANA_VIEWER_SHELL_FAVORITE_ACTS_H_

#include <memory>
#include <optional>
#include <string>

#include "actsdb/store.h"
#include "viewer/viewing/favorites_window.h"

namespace shell {

class DataModule;
class FindingWindows;
class MainWindow;

class FavoriteActs {
 public:
  // `finding`, when given, gets the acts opened in its history. Each must
  // outlive this object.
  FavoriteActs(MainWindow& main, DataModule& data, FindingWindows* finding);
  ~FavoriteActs();

  viewing::FavoritesWindow& window() { return *window_; }

 private:
  std::optional<viewing::Favorite> CurrentAct();
  bool Open(const std::string& key);

  MainWindow& main_;
  DataModule& data_;
  FindingWindows* finding_;
  actsdb::Table acts_;  // tblActe, looked up by key apart from tblActeNef
  std::unique_ptr<viewing::FavoritesWindow> window_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_FAVORITE_ACTS_H_
