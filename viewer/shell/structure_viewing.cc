#include "viewer/shell/structure_viewing.h"

#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <exception>

#include "actsdb/codepage.h"
#include "viewer/finding/results_grid.h"
#include "viewer/shell/act_viewing.h"
#include "viewer/shell/corvanex.h"
#include "viewer/shell/data_module.h"
#include "viewer/shell/main_window.h"

namespace shell {

StructureViewing::StructureViewing(MainWindow& main, DataModule& data, ActViewing& acts)
    : main_(main), data_(data), reader_(data.database()) {
  finding::ModificationsHost host;
  host.selected_act = [this] { return data_.PositionOnCurrentAct(); };
  host.shown_act = [this]() -> std::optional<int64_t> {
    if (const viewing::ActWindow* act = CurrentActWindow()) return act->act_id();
    return std::nullopt;
  };
  host.scroll_shown_act = [this](const std::string& anchor) {
    if (viewing::ActWindow* act = CurrentActWindow()) {
      act->ShowAnchor(QString::fromStdString(anchor));
    }
  };
  host.open_act = [this](int64_t act_id, const std::string& anchor) { OpenAct(act_id, anchor); };
  modifications_ = std::make_unique<finding::ModificationsView>(reader_, host);
  main_.grid()->SetModificationsView(modifications_.get(),
                                     [this](int view) { modifications_->ShowPage(view); });

  auto print = [this, &acts] { modifications_->Print(acts.printer()); };
  main_.SetModificationModes(print);
  main_.SetCommandHandler(Command::kPrintModifications, print);
  main_.SetCommandHandler(Command::kModSuffered,
                          [this] { main_.SetResultsMode(MainWindow::ResultsMode::kModSuffered); });
  main_.SetCommandHandler(Command::kModBrought,
                          [this] { main_.SetResultsMode(MainWindow::ResultsMode::kModBrought); });
  main_.SetCommandHandler(Command::kStructure,
                          [this] { ShowStructure(viewing::TformStruct::kStructureTab); });
  main_.SetCommandHandler(Command::kActSheet,
                          [this] { ShowStructure(viewing::TformStruct::kActSheetTab); });
  acts.AddWindowHook([this](viewing::ActWindow& window) { AddStructureWindow(window); });
}

StructureViewing::~StructureViewing() {
  // Act windows outlive this object at the end of the run; their structure
  // windows, which read through it, go now.
  for (QMdiSubWindow* window : main_.mdi_area()->subWindowList()) {
    viewing::ActWindow* act = ActViewing::ActWindowOf(window);
    if (viewing::TformStruct* structure = StructureOf(act)) delete structure;
  }
}

viewing::TformStruct* StructureViewing::StructureOf(viewing::ActWindow* window) {
  return window ? qobject_cast<viewing::TformStruct*>(window->structure_dock()->widget())
                : nullptr;
}

viewing::ActWindow* StructureViewing::CurrentActWindow() const {
  return ActViewing::ActWindowOf(main_.act_windows().current());
}

void StructureViewing::AddStructureWindow(viewing::ActWindow& window) {
  const actsdb::Table& act = data_.tblActeNef();
  const viewing::StructuredAct structured{act.AsInteger("IdAct"), data_.DirectDispTitlu(),
                                          act.AsString("IndNum"), act.AsBlob("CompStruct"),
                                          act.AsInteger("StructSize")};
  viewing::StructHost host;
  host.show_anchor = [&window](const std::string& anchor) {
    window.ShowAnchor(QString::fromStdString(anchor));
  };
  host.open_act = [this](int64_t act_id, const std::string& anchor) { OpenAct(act_id, anchor); };
  host.scroll_modifications = [this](const std::string& anchor) {
    modifications_->ScrollToAnchor(QString::fromStdString(anchor));
  };
  QDockWidget* dock = window.structure_dock();
  delete dock->widget();
  auto* structure = new viewing::TformStruct(structured, reader_, host);
  dock->setWidget(structure);
  structure->PrelStruct();
}

void StructureViewing::ShowStructure(viewing::TformStruct::Tab tab) {
  viewing::ActWindow* act = CurrentActWindow();
  viewing::TformStruct* structure = StructureOf(act);
  if (structure == nullptr) return;
  act->DockStructure();
  structure->TabSet1Change(tab);
}

void StructureViewing::OpenAct(int64_t act_id, const std::string& anchor) {
  try {
    if (!data_.tblActeNef().Locate("IdAct", act_id)) return;
    main_.act_windows().Open(
        QString::fromStdString(anchor),
        QString::fromStdString(actsdb::Cp1250ToUtf8(data_.DirectDispTitlu())));
  } catch (const std::exception& e) {
    // An act whose page cannot be made: no window, and the reason shown.
    ReportError(&main_, e.what());
  }
}

}  // namespace shell
