#include "viewer/shell/corvanex.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include "viewer/hypertext/hypertext_view.h"

namespace shell {
namespace {

// Makes one long-lived window; an error is shown and start-up goes on.
template <typename Make>
void Create(QWidget* parent, Make make) {
  try {
    make();
  } catch (const std::exception& e) {
    ReportError(parent, e.what());
  }
}

}  // namespace

void ReportError(QWidget* parent, const char* message) {
  QMessageBox::critical(parent, QStringLiteral("Corvana"), QString::fromUtf8(message));
}

Corvanex::Corvanex(const QString& install_dir, bool named) {
  main_ = std::make_unique<MainWindow>(install_dir);
  MainWindow* main = main_.get();
  Create(main, [&] {
    options_ = std::make_unique<OptionsWindow>(install_dir);
    main->SetOptionsWindow(options_.get());
    options_->SetTerminate([main] { main->Terminate(); });
  });
  Create(main, [&] {
    data_ = std::make_unique<DataModule>(install_dir.toStdString(),
                                         options_ ? options_->load_mode() : LoadMode::kFull, named);
    main->grid()->SetSource(data_.get());
    QObject::connect(main->grid(), &finding::ResultsGrid::openRequested, main,
                     [this] { OpenSelectedAct(); });
    act_viewing_ = std::make_unique<ActViewing>(*main, *data_, options_.get());
    main->SetCommandHandler(Command::kOpenAct, [this] { OpenSelectedAct(); });
  });
  Create(main, [&] {
    if (!data_) return;
    finding_ = std::make_unique<FindingWindows>(*main, *data_, act_viewing_.get(),
                                                [this] { OpenSelectedAct(); });
  });
  Create(main, [&] {
    if (act_viewing_) structure_ = std::make_unique<StructureViewing>(*main, *data_, *act_viewing_);
  });
  Create(main, [&] {
    find_text_ = std::make_unique<finding::TFCText>(
        [main] {
          viewing::ActWindow* act = ActViewing::ActWindowOf(main->mdi_area()->currentSubWindow());
          return act ? act->viewer() : nullptr;
        },
        [main] { main->helpto(QStringLiteral("#fctext")); }, main);
    auto show = [window = find_text_.get()] {
      window->show();
      window->raise();
      window->activateWindow();
    };
    main->SetCommandHandler(Command::kFindInText, show);
    main->act_windows().SetAfterOpen([window = find_text_.get()] { window->ReappearForNewAct(); });
    if (act_viewing_) {
      act_viewing_->AddWindowHook(
          [show](viewing::ActWindow& window) { window.SetFindInText(show); });
    }
  });
  Create(main, [&] {
    if (data_) favorites_ = std::make_unique<FavoriteActs>(*main, *data_, finding_.get());
  });
  Create(main, [&] {
    chooser_ = std::make_unique<finding::ColumnChooser>(main->grid());
    QObject::connect(main->grid(), &finding::ResultsGrid::columnsRequested, main,
                     [this] { ShowColumnChooser(); });
    if (options_) {
      finding::ColumnChooser* chooser = chooser_.get();
      options_->SetColumnChooser({[chooser](QWidget* panel) { chooser->Dock(panel); },
                                  [chooser] { chooser->Undock(); }, [chooser] { chooser->Apply(); }});
    }
  });
  Create(main, [&] { about_ = std::make_unique<AboutBox>(); main->SetAboutBox(about_.get()); });
  Create(main, [&] {
    bonus_ = std::make_unique<BonusWindow>(install_dir, main);
    main->SetBonusWindow([bonus = bonus_.get()] { bonus->ShowPicture(); });
  });
}

Corvanex::~Corvanex() {
  bonus_.reset();
  about_.reset();
  chooser_.reset();
  favorites_.reset();
  if (find_text_) main_->act_windows().SetAfterOpen(nullptr);
  find_text_.reset();
  structure_.reset();
  finding_.reset();
  act_viewing_.reset();
  if (data_) main_->grid()->SetSource(nullptr);
  data_.reset();
  options_.reset();
  main_.reset();
}

void Corvanex::OpenSelectedAct() {
  ActWindows& windows = main_->act_windows();
  if (!data_ || !windows.can_open()) return;
  try {
    if (finding_) finding_->find_act().close();
    const std::optional<int64_t> act = data_->PositionOnCurrentAct();
    if (!act) return;
    if (finding_) finding_->history().history().Append(*act);
    // An act of a text search's result shows where the search's words are.
    const finding::TextSearch& search = data_->search();
    const bool found_by_words = search.word_count() > 0 && search.Accepts(*act);
    windows.Open(QString(), hypertext::FromCp1250(data_->DirectDispTitlu()),
                 found_by_words ? search.search_words() : std::vector<std::string>());
  } catch (const std::exception& e) {
    ReportError(main_.get(), e.what());
  }
}

void Corvanex::ShowColumnChooser() {
  // Floated in the lower right of the screen.
  const QRect screen = main_->screen() ? main_->screen()->geometry() : QRect(0, 0, 1024, 768);
  chooser_->setGeometry(QRect(QPoint(screen.width() - 300, screen.height() - 400),
                              QPoint(screen.width() - 100, screen.height() - 100)));
  chooser_->show();
  chooser_->raise();
}

}  // namespace shell
