#include "viewer/shell/favorite_acts.h"

#include <QDate>

#include "viewer/shell/act_viewing.h"
#include "viewer/shell/data_module.h"
#include "viewer/shell/finding_windows.h"
#include "viewer/shell/main_window.h"

namespace shell {
namespace {

// The panel of the current hint, where adding an act says what it did.
constexpr int kHintPanel = 1;

}  // namespace

FavoriteActs::FavoriteActs(MainWindow& main, DataModule& data, FindingWindows* finding)
    : main_(main), data_(data), finding_(finding), acts_(data.database(), "tblActe") {
  acts_.Open();
  viewing::FavoritesWindow::Hooks hooks;
  hooks.current_act = [this] { return CurrentAct(); };
  hooks.exists = [this](const std::string& key) { return acts_.Locate("IndNum", key); };
  hooks.open = [this](const std::string& key) { return Open(key); };
  window_ = std::make_unique<viewing::FavoritesWindow>(
      main.InstallPath(QString::fromLatin1(viewing::kFavoritesFile)), hooks, &main);

  main.SetCommandHandler(Command::kFavorites, [this] {
    window_->show();
    window_->raise();
    window_->activateWindow();
  });
  main.SetCommandHandler(Command::kAddFavorite, [this] {
    main_.SetStatusText(kHintPanel, window_->AddCurrent());
  });
}

FavoriteActs::~FavoriteActs() = default;

std::optional<viewing::Favorite> FavoriteActs::CurrentAct() {
  const viewing::ActWindow* act = ActViewing::ActWindowOf(main_.act_windows().current());
  if (!act || !acts_.Locate("IdAct", act->act_id())) return std::nullopt;
  const QDate today = QDate::currentDate();
  return viewing::Favorite{acts_.AsString("IndNum"), hypertext::ToCp1250(act->windowTitle()),
                           {today.year(), today.month(), today.day()}};
}

bool FavoriteActs::Open(const std::string& key) {
  actsdb::Table& direct = data_.tblActeNef();
  if (!direct.Locate("IndNum", key)) return false;
  if (finding_) finding_->history().history().Append(direct.AsInteger("IdAct"));
  main_.act_windows().Open(QString(), hypertext::FromCp1250(data_.DirectDispTitlu()));
  return true;
}

}  // namespace shell
