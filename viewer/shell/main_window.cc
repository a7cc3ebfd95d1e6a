#include "viewer/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "viewer/finding/results_grid.h"
#include "viewer/shell/run_program.h"

namespace shell {
namespace {

constexpr int kAssistantWidth = 230;
constexpr int kResultsHeight = 175;

// The icons of the commands, from the platform's style.
QStyle::StandardPixmap IconOf(Command command) {
  switch (command) {
    case Command::kBack: return QStyle::SP_ArrowBack;
    case Command::kForward: return QStyle::SP_ArrowForward;
    case Command::kFindAct: return QStyle::SP_FileDialogContentsView;
    case Command::kFilter: return QStyle::SP_FileDialogDetailedView;
    case Command::kPrint: return QStyle::SP_DialogSaveButton;
    case Command::kShowGrid: return QStyle::SP_FileDialogListView;
    case Command::kOpenAct: return QStyle::SP_DialogOpenButton;
    case Command::kExit: return QStyle::SP_DialogCloseButton;
    case Command::kAssistant: return QStyle::SP_DialogHelpButton;
    case Command::kAbout: return QStyle::SP_MessageBoxInformation;
    default: return QStyle::SP_CustomBase;
  }
}

// Commands whose windows come with later parts of the viewer: hidden until
// a handler is plugged in.
bool HandedOver(Command command) {
  switch (command) {
    case Command::kOpenAct:
    case Command::kStructure:
    case Command::kModSuffered:
    case Command::kModBrought:
    case Command::kActSheet:
    case Command::kPrint:
    case Command::kPrintModifications:
    case Command::kPrintPreview:
    case Command::kCopy:
    case Command::kHistory:
    case Command::kFindInText:
    case Command::kFindAct:
    case Command::kFilter:
    case Command::kBack:
    case Command::kForward:
    case Command::kAddFavorite:
    case Command::kFavorites:
      return true;
    default:
      return false;
  }
}

}  // namespace

MainWindow::MainWindow(QString install_dir, QWidget* parent)
    : QMainWindow(parent), install_dir_(std::move(install_dir)) {
  setWindowTitle(QStringLiteral("Corvana"));
  mdi_ = new QMdiArea;
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  act_windows_ = new ActWindows(mdi_, this);
  act_windows_->SetBeforeOpen([this] {
    if (assistant_panel_->isVisible()) ShowAssistant(false);
  });

  horizontal_ = new QSplitter(Qt::Horizontal);
  horizontal_->addWidget(mdi_);
  BuildAssistantPanel();
  vertical_ = new QSplitter(Qt::Vertical);
  vertical_->addWidget(horizontal_);
  BuildResultsPanel();
  setCentralWidget(vertical_);
  BuildMenusAndToolbar();
  BuildStatusLine();

  // The creation steps: maximised, the hint handler (event()), the history
  // of the previous run dropped, the grid's column layout loaded.
  setWindowState(windowState() | Qt::WindowMaximized);
  QFile::remove(InstallPath(QStringLiteral("his.dat")));
  const QString layout = InstallPath(QString::fromLatin1(finding::kGridLayoutFile));
  if (QFile::exists(layout)) {
    try {
      grid_->LoadLayout(layout);
    } catch (const std::exception& e) {
      QMessageBox::warning(this, QStringLiteral("Corvana"), QString::fromUtf8(e.what()));
    }
  }
}

MainWindow::~MainWindow() {
  setUpdatesEnabled(false);
  act_windows_->CloseAll();
  setUpdatesEnabled(true);
  try {
    grid_->SaveLayout(InstallPath(QString::fromLatin1(finding::kGridLayoutFile)));
  } catch (const std::exception& e) {
    qWarning("%s", e.what());
  }
}

QString MainWindow::InstallPath(const QString& name) const {
  return QDir(install_dir_).filePath(name);
}

void MainWindow::BuildMenusAndToolbar() {
  QMenu* menu = nullptr;
  for (const MenuEntry& entry : MenuEntries()) {
    const QString menu_caption = QString::fromLatin1(entry.menu);
    if (!menu || menu->title() != menu_caption) menu = menuBar()->addMenu(menu_caption);
    if (entry.separator_before) menu->addSeparator();
    const QString hint = QString::fromLatin1(entry.hint);
    if (entry.command == Command::kLanguage) {
      language_menu_ = menu->addMenu(QString::fromLatin1(entry.caption));
      language_menu_->menuAction()->setStatusTip(hint);
      language_menu_->menuAction()->setVisible(false);  // until the filter window takes it
      auto* group = new QActionGroup(this);
      for (const char* item : kLanguageItems) {
        QAction* language = language_menu_->addAction(QString::fromLatin1(item));
        language->setCheckable(true);
        group->addAction(language);
        languages_.push_back(language);
        connect(language, &QAction::triggered, this, [this, language] {
          language->setChecked(true);
          if (language_handler_) language_handler_(language->text().remove(QLatin1Char('&')));
        });
      }
      languages_[kLanguageAtStart]->setChecked(true);
      actions_[entry.command] = language_menu_->menuAction();
      continue;
    }
    QMenu* parent = menu;
    if (entry.submenu) {
      QMenu*& submenu = submenus_[entry.submenu];
      if (!submenu) submenu = menu->addMenu(QString::fromLatin1(entry.submenu));
      parent = submenu;
    }
    QAction* action = parent->addAction(QString::fromLatin1(entry.caption));
    action->setStatusTip(hint);
    if (IconOf(entry.command) != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(IconOf(entry.command)));
    actions_[entry.command] = action;
    connect(action, &QAction::triggered, this, [this, command = entry.command] { Run(command); });
  }
  for (Command command : {Command::kBack, Command::kForward}) {
    QAction* action = new QAction(this);
    action->setIcon(style()->standardIcon(IconOf(command)));
    actions_[command] = action;
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
  }
  actions_[Command::kToolbar]->setCheckable(true);
  actions_[Command::kToolbar]->setChecked(true);
  actions_[Command::kAssistant]->setCheckable(true);

  toolbar_ = new QToolBar(QStringLiteral("ToolBar4"));
  toolbar_->setMovable(false);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar_->toggleViewAction()->setVisible(false);
  addToolBar(Qt::TopToolBarArea, toolbar_);
  for (const ToolbarEntry& entry : ToolbarEntries()) {
    // The toolbar's buttons carry their own captions and no hints; each
    // shows and hides with its command.
    QAction* command = actions_[entry.command];
    auto* button = new QToolButton;
    button->setText(QString::fromLatin1(entry.caption));
    button->setIcon(command->icon());
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumSize(61, 41);
    connect(button, &QToolButton::clicked, command, &QAction::trigger);
    QAction* holder = toolbar_->addWidget(button);
    holder->setVisible(command->isVisible());
    connect(command, &QAction::changed, holder, [command, holder] {
      holder->setVisible(command->isVisible());
    });
    if (entry.separator_after) toolbar_->addSeparator();
  }
  for (auto& [command, action] : actions_) {
    if (HandedOver(command)) action->setVisible(false);
  }
  ShowSubmenus();
}

void MainWindow::ShowSubmenus() {
  for (auto& [caption, submenu] : submenus_) {
    const QList<QAction*> items = submenu->actions();
    submenu->menuAction()->setVisible(
        std::any_of(items.begin(), items.end(), [](QAction* item) { return item->isVisible(); }));
  }
}

void MainWindow::BuildAssistantPanel() {
  assistant_panel_ = new QWidget;
  auto* layout = new QVBoxLayout(assistant_panel_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QToolBar;
  bar->setIconSize(QSize(16, 16));
  // The help pages: a history of 10 pages; "#bonus" shows the picture
  // window instead of being followed.
  assistant_ = new hypertext::HypertextView;
  assistant_->SetHistoryLimit(10);
  connect(assistant_, &hypertext::HypertextView::linkClicked, this,
          [this](const QString& target, bool* handled) {
            if (target != QLatin1String("#bonus")) return;
            *handled = true;
            if (show_bonus_) show_bonus_();
          });
  bar->addAction(style()->standardIcon(QStyle::SP_TitleBarCloseButton), QStringLiteral("Inchide"),
                 this, [this] { ShowAssistant(false); });
  bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Inapoi"), assistant_,
                 &hypertext::HypertextView::Back);
  bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Inainte"),
                 assistant_, &hypertext::HypertextView::Forward);
  bar->addAction(style()->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("Acasa"), this,
                 &MainWindow::LoadHelpPage);
  layout->addWidget(bar);
  layout->addWidget(assistant_);
  horizontal_->addWidget(assistant_panel_);
  horizontal_->setStretchFactor(0, 1);
  horizontal_->setStretchFactor(1, 0);
  assistant_panel_->hide();
}

void MainWindow::BuildResultsPanel() {
  results_panel_ = new QWidget;
  auto* layout = new QHBoxLayout(results_panel_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* side = new QWidget;
  side->setFixedWidth(25);
  auto* side_layout = new QVBoxLayout(side);
  side_layout->setContentsMargins(0, 0, 0, 0);
  side_layout->setSpacing(0);
  auto* close = new QToolButton;
  close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  close->setIconSize(QSize(10, 10));
  close->setAutoRaise(true);
  close->setFixedSize(25, 14);
  connect(close, &QToolButton::clicked, this, &MainWindow::frmgrila1hide);
  side_layout->addWidget(close);
  auto* bar = new QToolBar;
  bar->setOrientation(Qt::Vertical);
  bar->setIconSize(QSize(16, 16));
  auto hinted = [bar](QStyle::StandardPixmap icon, const QString& hint) {
    QAction* action = bar->addAction(bar->style()->standardIcon(icon), hint);
    action->setStatusTip(hint);
    return action;
  };
  QAction* open = hinted(QStyle::SP_DialogOpenButton, QStringLiteral("Vizualizare"));
  connect(open, &QAction::triggered, this, [this] { Run(Command::kOpenAct); });
  results_grid_ = hinted(QStyle::SP_FileDialogListView, QStringLiteral("Grila"));
  results_suffered_ = hinted(QStyle::SP_ArrowDown, QStringLiteral("Modificari suferite"));
  results_brought_ = hinted(QStyle::SP_ArrowUp, QStringLiteral("Modificari aduse"));
  auto* modes = new QActionGroup(this);
  for (QAction* mode : {results_grid_, results_suffered_, results_brought_}) {
    mode->setCheckable(true);
    modes->addAction(mode);
  }
  results_grid_->setChecked(true);
  connect(results_grid_, &QAction::triggered, this, [this] { SetResultsMode(ResultsMode::kGrid); });
  connect(results_suffered_, &QAction::triggered, this,
          [this] { SetResultsMode(ResultsMode::kModSuffered); });
  connect(results_brought_, &QAction::triggered, this,
          [this] { SetResultsMode(ResultsMode::kModBrought); });
  results_print_ = hinted(QStyle::SP_DialogSaveButton, QStringLiteral("Tipareste modificarile"));
  connect(results_print_, &QAction::triggered, this, [this] {
    if (print_modifications_) print_modifications_();
  });
  results_suffered_->setVisible(false);
  results_brought_->setVisible(false);
  results_print_->setVisible(false);
  side_layout->addWidget(bar);
  side_layout->addStretch();
  layout->addWidget(side);

  grid_ = new finding::ResultsGrid;
  layout->addWidget(grid_, 1);
  vertical_->addWidget(results_panel_);
  vertical_->setStretchFactor(0, 1);
  vertical_->setStretchFactor(1, 0);
  vertical_->setSizes({600, kResultsHeight});

  // The open button follows the open command's availability.
  open->setVisible(false);
  open_results_ = open;
}

void MainWindow::BuildStatusLine() {
  for (int width : {65, 400, 50, 150}) {
    auto* panel = new QLabel;
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedWidth(width);
    statusBar()->addWidget(panel);
    status_.push_back(panel);
  }
  status_[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  status_[kHitsPanel]->hide();
  statusBar()->setSizeGripEnabled(true);
}

void MainWindow::SetStatusText(int panel, const QString& text) {
  status_[static_cast<size_t>(panel)]->setText(text);
  if (panel == kHitsPanel && status_[kHitsPanel]->isHidden() != text.isEmpty()) {
    status_[kHitsPanel]->setHidden(text.isEmpty());
    FitHintPanel();
  }
}

void MainWindow::FitHintPanel() {
  // The hint takes what the other panels leave of the status line.
  int others = 150;
  if (!status_[kHitsPanel]->isHidden()) others += status_[kHitsPanel]->width();
  status_[1]->setFixedWidth(std::max(0, statusBar()->width() - others));
}

QAction* MainWindow::action(Command command) const {
  const auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::SetCommandHandler(Command command, std::function<void()> handler) {
  handlers_[command] = std::move(handler);
  actions_[command]->setVisible(true);
  ShowSubmenus();
  if (command == Command::kOpenAct) open_results_->setVisible(true);
}

void MainWindow::SetLanguageHandler(std::function<void(const QString&)> handler) {
  language_handler_ = std::move(handler);
  language_menu_->menuAction()->setVisible(true);
}

void MainWindow::SetModificationModes(std::function<void()> print_modifications) {
  print_modifications_ = std::move(print_modifications);
  results_suffered_->setVisible(true);
  results_brought_->setVisible(true);
}

void MainWindow::Run(Command command) {
  // Commands on the current act do nothing without one.
  switch (CommandNeeds(command)) {
    case Needs::kCurrentAct:
      if (!act_windows_->current()) return;
      break;
    case Needs::kActiveAct:
      if (!act_windows_->current_if_active()) return;
      break;
    case Needs::kNothing:
      break;
  }
  if (const auto it = handlers_.find(command); it != handlers_.end()) {
    try {
      it->second();
    } catch (const std::exception& e) {
      QMessageBox::critical(this, QStringLiteral("Corvana"), QString::fromUtf8(e.what()));
    }
    return;
  }
  switch (command) {
    case Command::kModSuffered: SetResultsMode(ResultsMode::kModSuffered); break;
    case Command::kModBrought: SetResultsMode(ResultsMode::kModBrought); break;
    case Command::kPrinterSetup: PrinterSetup(); break;
    case Command::kExit: Terminate(); break;
    case Command::kShowGrid: frmgrila1show(); SetResultsMode(ResultsMode::kGrid); break;
    case Command::kOptions: ShowWindow(options_window_); break;
    case Command::kUpdate: RunUpdate(); break;
    case Command::kToolbar: toolbar_->setVisible(actions_[Command::kToolbar]->isChecked()); break;
    case Command::kTile: mdi_->tileSubWindows(); break;
    case Command::kCascade: mdi_->cascadeSubWindows(); break;
    case Command::kArrangeIcons: ArrangeIcons(); break;
    case Command::kCloseAll: act_windows_->CloseAll(); break;
    case Command::kAssistant: ShowAssistant(actions_[Command::kAssistant]->isChecked()); break;
    case Command::kBonus: if (show_bonus_) show_bonus_(); break;
    case Command::kAbout: ShowWindow(about_box_); break;
    default: break;  // a handed-over command whose window is not there
  }
}

void MainWindow::ArrangeIcons() {
  // Minimised act windows in a row along the bottom of the frame.
  int x = 0;
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (!window->isMinimized()) continue;
    window->move(x, mdi_->viewport()->height() - window->height());
    x += window->width();
  }
}

void MainWindow::ShowWindow(QWidget* window) {
  if (!window) return;
  window->show();
  window->raise();
  window->activateWindow();
}

void MainWindow::PrinterSetup() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
  dialog.exec();
}

void MainWindow::ShowAssistant(bool on) {
  assistant_panel_->setVisible(on);
  actions_[Command::kAssistant]->setChecked(on);
  if (on) horizontal_->setSizes({horizontal_->width() - kAssistantWidth, kAssistantWidth});
}

void MainWindow::helpto(const QString& anchor) {
  ShowAssistant(true);
  assistant_->ScrollToAnchor(anchor);
}

void MainWindow::frmgrila1show() { results_panel_->show(); }
void MainWindow::frmgrila1hide() { results_panel_->hide(); }

void MainWindow::SetResultsMode(ResultsMode mode) {
  if (mode != ResultsMode::kGrid && !print_modifications_) return;
  setUpdatesEnabled(false);
  results_mode_ = mode;
  results_grid_->setChecked(mode == ResultsMode::kGrid);
  results_suffered_->setChecked(mode == ResultsMode::kModSuffered);
  results_brought_->setChecked(mode == ResultsMode::kModBrought);
  results_print_->setVisible(mode != ResultsMode::kGrid);
  try {
    grid_->ShowView(static_cast<int>(mode));
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QStringLiteral("Corvana"), QString::fromUtf8(e.what()));
  }
  setUpdatesEnabled(true);
}

void MainWindow::RunUpdate() {
  const QString error = StartOutsideProgram(install_dir_, QStringLiteral("pkgrun"));
  if (!error.isEmpty()) {
    QMessageBox::warning(this, QStringLiteral("Corvana"), error);
    return;
  }
  Terminate();
}

void MainWindow::Terminate() { close(); }

bool MainWindow::event(QEvent* event) {
  // The hint of whatever is under the mouse goes to the second panel.
  if (event->type() == QEvent::StatusTip) {
    status_[1]->setText(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  for (const char* scratch : {"test2.ttm", "test3.ttm"}) {
    QFile::remove(InstallPath(QString::fromLatin1(scratch)));
  }
  event->accept();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  LoadHelpPage();
}

void MainWindow::LoadHelpPage() {
  try {
    assistant_->LoadFromFile(InstallPath(QStringLiteral("htm/right/index.htm")));
  } catch (const std::exception& e) {
    // Said in the panel itself: a missing help page is no reason to stop
    // the user at start.
    assistant_->LoadFromMemory("<p>Pagina de asistenta nu poate fi citita:</p><p>" +
                               hypertext::ToCp1250(QString::fromUtf8(e.what()).toHtmlEscaped()) +
                               "</p>");
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitHintPanel();
}

}  // namespace shell
