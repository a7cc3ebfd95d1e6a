// The act's structure and modifications in the main window: the structure
// window docked in every act window ("&Structura", "&Fisa actului"), and
// the results panel's modifications viewer with its two modes and its
// printout ("Tipareste modificarile").
//
// Both read the modifications of the database the data module holds open,
// and open the acts they lead to as `actopen` does.
#ifndef CORVANA_VIEWER_SHELL_STRUCTURE_VIEWING_H_
#define CORVANA_VIEWER_SHELL_STRUCTURE_VIEWING_H_

#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "viewer/finding/act_modifications.h"
#include "viewer/finding/modifications_view.h"
#include "viewer/viewing/act_window.h"
#include "viewer/viewing/form_struct.h"

namespace shell {

class ActViewing;
class DataModule;
class MainWindow;

class StructureViewing {
 public:
  // Must go before `acts` and `data`.
  StructureViewing(MainWindow& main, DataModule& data, ActViewing& acts);
  ~StructureViewing();
  StructureViewing(const StructureViewing&) = delete;
  StructureViewing& operator=(const StructureViewing&) = delete;

  finding::ModificationsView& modifications() { return *modifications_; }
  // The structure window of an act window, or nullptr.
  static viewing::TformStruct* StructureOf(viewing::ActWindow* window);

 private:
  // Docks a structure window into a new act window and fills its outline.
  void AddStructureWindow(viewing::ActWindow& window);
  // "&Structura" and "&Fisa actului": the current act's structure window,
  // docked and shown at `tab`.
  void ShowStructure(viewing::TformStruct::Tab tab);
  // `actopen` for the act `act_id`, at `anchor` ("#" + part id, or empty);
  // an act that cannot be shown is reported.
  void OpenAct(int64_t act_id, const std::string& anchor);
  viewing::ActWindow* CurrentActWindow() const;

  MainWindow& main_;
  DataModule& data_;
  finding::ModificationReader reader_;
  std::unique_ptr<finding::ModificationsView> modifications_;
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_STRUCTURE_VIEWING_H_
