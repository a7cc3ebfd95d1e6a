#include "viewer/shell/finding_windows.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "viewer/finding/filter_run.h"
#include "viewer/finding/results_grid.h"
#include "viewer/shell/act_viewing.h"
#include "viewer/shell/corvanex.h"
#include "viewer/shell/data_module.h"
#include "viewer/shell/main_window.h"

namespace shell {
namespace {

// The status line's panel of the number of acts listed.
constexpr int kCountPanel = 0;
// The panel of the current hint.
constexpr int kHintPanel = 1;

// Shows a tool window, or brings it to the front.
void Raise(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace

FindingWindows::FindingWindows(MainWindow& main, DataModule& data, ActViewing* act_viewing,
                               std::function<void()> open_selected)
    : main_(main), data_(data) {
  code_tables_ = std::make_unique<finding::CodeTables>(data.database());

  finding::TFiltrare::Hooks filter_hooks;
  filter_hooks.run = [this](const finding::FilterCriteria& criteria, std::string_view mode) {
    if (!data_.acts_list()) return 0;
    return finding::RunFilter(criteria, mode, data_.OrderBy(),
                              finding::LargestActId(data_.database()), data_.search(),
                              data_.views());
  };
  filter_hooks.before_run = [this] { find_act_->DetachList(); };
  filter_hooks.after_run = [this](int acts) { ShowResult(acts); };
  filter_ = std::make_unique<finding::TFiltrare>(*code_tables_, filter_hooks, &main);
  data.SetFilterRun([this] { filter_->Run(); });
  QObject::connect(filter_.get(), &finding::TFiltrare::closed, main.grid(),
                   [grid = main.grid()] { grid->table()->viewport()->update(); });

  // The language submenu and the box "Limba" follow each other.
  main.SetLanguageHandler([this](const QString& language) { filter_->SetLanguage(language); });
  QObject::connect(filter_.get(), &finding::TFiltrare::languageChanged, &main,
                   [&main](const QString& language) {
                     for (int i = 0; i < 3; ++i) {
                       QAction* item = main.language_action(i);
                       if (QString(item->text()).remove('&') == language) item->setChecked(true);
                     }
                   });

  finding::TGasire::Hooks find_hooks;
  find_hooks.type_names = [this] { return filter_->TypeNames(); };
  find_hooks.search = [this](const std::vector<std::string>& lines) {
    if (!data_.acts_list()) return 0;
    return finding::RunFindAct(lines, data_.OrderBy(), data_.search(), data_.views());
  };
  find_hooks.after_search = [this](int acts) { ShowResult(acts); };
  find_hooks.open_selected = std::move(open_selected);
  find_act_ = std::make_unique<finding::TGasire>(*code_tables_, find_hooks, &main);
  find_act_->SetSource(&data);

  finding::TIstoric::Hooks history_hooks;
  history_hooks.lookup = [this](int64_t id) { return data_.ListedAct(id); };
  history_hooks.show_every_act = [this] {
    if (actsdb::Dataset* list = data_.acts_list()) list->SetFiltered(false);
  };
  history_hooks.open = [this](int64_t id, bool* brought_forward) {
    return OpenFromHistory(id, brought_forward);
  };
  history_hooks.help = [this] { main_.helpto(QStringLiteral("#istoric")); };
  history_ = std::make_unique<finding::TIstoric>(main.InstallPath(QStringLiteral("his.dat")),
                                                 history_hooks, &main);

  main.SetCommandHandler(Command::kFilter, [this] { Raise(*filter_); });
  main.SetCommandHandler(Command::kFindAct, [this] { Raise(*find_act_); });
  main.SetCommandHandler(Command::kHistory, [this] { Raise(*history_); });
  main.SetCommandHandler(Command::kBack, [this] { history_->Back(); });
  main.SetCommandHandler(Command::kForward, [this] { history_->Forward(); });

  if (act_viewing != nullptr) {
    finding::ActLinks::Services services;
    services.install_dir = hypertext::ToCp1250(main.install_dir());
    services.acts = &data.tblActeNef();
    services.list_key = [this] { return data_.Text(data_.CurrentRow(), "IndNum"); };
    services.located_hint = [this] {
      return data_.DirectDispTitlu() + " " + data_.tblActeNef().AsString("Privind");
    };
    services.open = [this](int64_t id) {
      history_->history().Append(id);
      OpenDirectAct();
    };
    services.status = [this](const QString& text) { main_.SetStatusText(kHintPanel, text); };
    links_ = std::make_unique<finding::ActLinks>(services);
    act_viewing->AddWindowHook([this](viewing::ActWindow& window) {
      links_->Attach(window.viewer(), window.act_language());
    });
  }
}

FindingWindows::~FindingWindows() { data_.SetFilterRun(nullptr); }

void FindingWindows::ShowResult(int acts) {
  main_.SetStatusText(kCountPanel, QStringLiteral("    %1 acte").arg(acts));
  main_.SetResultsMode(MainWindow::ResultsMode::kGrid);
}

void FindingWindows::OpenDirectAct() {
  main_.act_windows().Open(QString(), hypertext::FromCp1250(data_.DirectDispTitlu()));
}

bool FindingWindows::OpenFromHistory(int64_t id_act, bool* brought_forward) {
  QMdiArea* area = main_.mdi_area();
  const QList<QMdiSubWindow*> windows = area->subWindowList();
  if (windows.size() > 1) {
    for (QMdiSubWindow* window : windows) {
      viewing::ActWindow* act = ActViewing::ActWindowOf(window);
      if (window != area->activeSubWindow() && act != nullptr && act->act_id() == id_act) {
        area->setActiveSubWindow(window);
        *brought_forward = true;
        return true;
      }
    }
  }
  if (!data_.tblActeNef().Locate("IdAct", id_act)) return false;
  *brought_forward = false;
  history_->close();
  OpenDirectAct();
  return true;
}

}  // namespace shell
