#include "viewer/viewing/act_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>

#include "viewer/viewing/page_decorations.h"

namespace viewing {
namespace {

constexpr int kStructureWidth = 190;
constexpr int kPositionPeriodMs = 200;

}  // namespace

ActWindow::ActWindow(const ActWindowSetup& setup, QWidget* parent)
    : QMainWindow(parent), act_id_(setup.act_id), install_dir_(setup.install_dir) {
  setWindowTitle(hypertext::FromCp1250(setup.row.disp_titlu));

  structure_dock_ = new QDockWidget(QStringLiteral("Structura"), this);
  structure_dock_->setObjectName(QStringLiteral("Structura"));
  structure_dock_->setAllowedAreas(Qt::LeftDockWidgetArea);
  structure_dock_->setWidget(new QWidget(structure_dock_));
  addDockWidget(Qt::LeftDockWidgetArea, structure_dock_);

  viewer_ = new hypertext::HypertextView(this);
  setCentralWidget(viewer_);
  // The look is set before the page comes, which is then laid out once.
  QPalette palette = viewer_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, setup.font_color);
  viewer_->setPalette(palette);
  viewer_->setFont(setup.font);
  viewer_->document()->setDefaultStyleSheet(
      QStringLiteral("pre, tt, code { font-family: \"Courier New\"; }"));
  if (setup.pictures) {
    viewer_->SetPictureSource(
        [lookup = setup.pictures](const QString& source) -> std::optional<std::string> {
          const std::string key = PictureKey(hypertext::ToCp1250(source));
          if (key.empty()) return std::nullopt;
          return lookup(key);
        });
  }
  viewer_->SetPrintHeader([this](QPainter& painter, const QRect& area, int, int) {
    DrawPageHeader(painter, area, windowTitle());
  });
  viewer_->SetPrintFooter([](QPainter& painter, const QRect& area, int page, int pages) {
    DrawActFooter(painter, area, page, pages);
  });

  ActPage page = ProduceActPage(setup.row, hypertext::ToCp1250(install_dir_));
  const bool marked = !setup.search_stems.empty();
  const int hits = marked ? MarkActPage(page, setup.search_stems) : 0;
  act_language_ = page.language;
  viewer_->LoadFromMemory(page.html);
  DockStructure();
  resizeDocks({structure_dock_}, {kStructureWidth}, Qt::Horizontal);
  ShowAnchor(setup.anchor);
  if (marked) {
    hits_ = new HitNavigator(viewer_, hits, this);
    addToolBar(hits_->toolbar());
    if (setup.anchor.isEmpty()) hits_->Next();
  }

  find_in_text_ = new QAction(QStringLiteral("&Cauta in text"), this);
  find_in_text_->setEnabled(false);
  copy_paragraph_ = new QAction(QStringLiteral("C&opiaza paragraful"), this);
  connect(copy_paragraph_, &QAction::triggered, this,
          [this] { CopySelection(kParagraphCopyLimit); });
  viewer_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(viewer_, &QWidget::customContextMenuRequested, this, &ActWindow::ShowContextMenu);

  connect(&position_timer_, &QTimer::timeout, this, &ActWindow::ReportReadingPosition);
  position_timer_.start(kPositionPeriodMs);
}

ActWindow::~ActWindow() = default;

void ActWindow::ShowAnchor(const QString& anchor) {
  act_anchor_ = anchor;
  if (anchor.isEmpty()) {
    viewer_->ScrollToPosition(0);
  } else {
    viewer_->ScrollToAnchor(anchor);
  }
}

void ActWindow::DockStructure() {
  structure_dock_->setFloating(false);
  structure_dock_->show();
}

void ActWindow::SetFindInText(std::function<void()> show_find_window) {
  disconnect(find_in_text_, &QAction::triggered, nullptr, nullptr);
  connect(find_in_text_, &QAction::triggered, this, std::move(show_find_window));
  find_in_text_->setEnabled(true);
}

bool ActWindow::CopySelection(int limit) {
  if (viewer_->SelectionLength() >= limit) return false;
  viewer_->CopySelection();
  return true;
}

void ActWindow::Print(QPrinter& printer) { hypertext::PrintWithDialog(*viewer_, printer, this); }

void ActWindow::PrintPreview(QPrinter& printer) {
  hypertext::ShowPrintPreview(*viewer_, printer, this);
}

void ActWindow::ShowContextMenu(const QPoint& position) {
  QMenu menu(this);
  menu.addAction(find_in_text_);
  menu.addAction(copy_paragraph_);
  menu.exec(viewer_->viewport()->mapToGlobal(position));
}

bool ActWindow::IsActiveChild() const {
  const auto* frame = qobject_cast<const QMdiSubWindow*>(parentWidget());
  if (!frame) return isActiveWindow();
  return frame->mdiArea() && frame->mdiArea()->activeSubWindow() == frame;
}

void ActWindow::ReportReadingPosition() {
  if (!IsActiveChild()) return;
  const int range = viewer_->ScrollRange();
  if (range == 0) return;
  emit readingPosition(QString::number(int64_t(viewer_->ScrollPosition()) * 100 / range) + "%");
}

void ActWindow::closeEvent(QCloseEvent* event) {
  // Files an outside caller may have left for this act.
  const QDir dir(install_dir_);
  for (const char* name : {"test2", "test3"}) {
    QFile::remove(dir.filePath(QString::fromLatin1(name) + QString::number(act_id_) + ".htm"));
  }
  position_timer_.stop();
  QMainWindow::closeEvent(event);
}

}  // namespace viewing
