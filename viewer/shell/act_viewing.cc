#include "viewer/shell/act_viewing.h"

#include <QMdiSubWindow>
#include <QPageSetupDialog>
#include <QPointer>
#include <exception>

#include "viewer/shell/corvanex.h"
#include "viewer/shell/data_module.h"
#include "viewer/shell/main_window.h"
#include "viewer/shell/options_window.h"
#include "viewer/viewing/act_source.h"

namespace shell {
namespace {

// The status line's panel of the reading position.
constexpr int kPositionPanel = 2;

}  // namespace

ActViewing::ActViewing(MainWindow& main, DataModule& data, const OptionsWindow* options)
    : main_(main), data_(data), options_(options) {
  main_.act_windows().SetFactory(
      [this](const QString& anchor, const std::vector<std::string>& search_stems) {
        return Make(anchor, search_stems);
      });
  // The status line counts the hits of the act window in front.
  connect(main_.mdi_area(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    const viewing::ActWindow* act = ActWindowOf(window);
    main_.SetStatusText(MainWindow::kHitsPanel,
                        act && act->hits() ? act->hits()->status() : QString());
  });

  ActWindows& windows = main_.act_windows();
  main_.SetCommandHandler(Command::kCopy, [&windows] {
    if (viewing::ActWindow* act = ActWindowOf(windows.current())) {
      act->CopySelection(viewing::kMenuCopyLimit);
    }
  });
  main_.SetCommandHandler(Command::kPrint, [this, &windows] {
    if (viewing::ActWindow* act = ActWindowOf(windows.current_if_active())) act->Print(printer_);
  });
  main_.SetCommandHandler(Command::kPrintPreview, [this, &windows] {
    if (viewing::ActWindow* act = ActWindowOf(windows.current_if_active())) {
      act->PrintPreview(printer_);
    }
  });
  main_.SetCommandHandler(Command::kPrinterSetup, [this] {
    QPageSetupDialog dialog(&printer_, &main_);
    dialog.exec();
  });
}

ActViewing::~ActViewing() { main_.act_windows().SetFactory(nullptr); }

viewing::ActWindow* ActViewing::ActWindowOf(QMdiSubWindow* window) {
  return window ? qobject_cast<viewing::ActWindow*>(window->widget()) : nullptr;
}

QWidget* ActViewing::Make(const QString& anchor, const std::vector<std::string>& search_stems) {
  const actsdb::Table& act = data_.tblActeNef();
  viewing::ActWindowSetup setup;
  setup.act_id = act.AsInteger("IdAct");
  setup.row = viewing::ReadActPageRow(act);
  setup.row.disp_titlu = act.AsString("DispTitlu");
  setup.row.emitent = act.AsString("Emitent");
  setup.row.publicatia = act.AsString("Publicatia");
  setup.row.tip_act = act.AsString("TipAct");
  setup.install_dir = main_.install_dir();
  setup.anchor = anchor;
  if (!options_ || options_->mark_hits()) setup.search_stems = search_stems;
  if (options_) {
    setup.font = options_->act_font();
    setup.font_color = options_->act_font_color();
  }
  // A window may ask for a picture after this object is gone (the main
  // window closes the last act windows after the database).
  setup.pictures = [self = QPointer<ActViewing>(this)](const std::string& key) {
    return self ? self->Picture(key) : std::nullopt;
  };
  auto* window = new viewing::ActWindow(setup);
  connect(window, &viewing::ActWindow::readingPosition, &main_,
          [main = &main_](const QString& text) { main->SetStatusText(kPositionPanel, text); });
  if (viewing::HitNavigator* hits = window->hits()) {
    connect(hits, &viewing::HitNavigator::statusChanged, &main_, [main = &main_](const QString& text) {
      main->SetStatusText(MainWindow::kHitsPanel, text);
    });
  }
  for (const WindowHook& hook : hooks_) {
    try {
      hook(*window);
    } catch (const std::exception& e) {
      ReportError(&main_, e.what());
    }
  }
  return window;
}

std::optional<std::string> ActViewing::Picture(const std::string& key) {
  return viewing::FindPicture(data_.views().tblImagini(), key);
}

}  // namespace shell
