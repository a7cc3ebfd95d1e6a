// The acts database as the viewer reads it: the views of its data module
// (`TDataModActe`), without any window. They open in a fixed order on one
// connection, the acts list in the load mode of the options, with the
// display columns every view derives from its rows (the display title, the
// title without markup, the looked-up names) and the labels the grids show;
// they close in a fixed order at the end of the run.
//
// The views are created by Open and exist until Close: an accessor of a
// view that does not exist throws StoreError. Every view reads through its
// Dataset: derived columns are calculated columns, readable like stored
// ones, and the lists' official number has its display text.
//
// The three acts lists (`QueActe`, `QueActeMic`, `ClientActe`) share one
// record filter, the text search's hit test, which their owner passes in;
// it takes effect while a list's filtering is on (the filter window
// switches it on). `tblPartidetail` is filtered by the modified-parts-only
// switch. Lookups of code-table names are cached for the run: the code
// tables do not change while the viewer runs.
#ifndef CORVANA_ACTSDB_ACTS_VIEWS_H_
#define CORVANA_ACTSDB_ACTS_VIEWS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "actsdb/install_dir.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"

namespace actsdb {

// How the acts list is loaded (the options' "Performanta" choice).
enum class LoadMode {
  kNone,     // neither choice: the acts list is not opened
  kPartial,  // the query `QueActe`
  kFull,     // the in-memory `ClientActe`, loaded from "dump.dst"
};

// The datasets `DataActe` can show.
enum class ActsList { kQueActe, kQueActeMic, kClientActe };

// The aliases the viewer needs, registered when missing: `Zazi1` (the
// installation's "zazi1"), `NormBase` (the installation directory) and
// "Update" (its "update"), each path with its first doubled "/" reduced.
// The configuration is saved after each one registered. Returns how many
// were registered.
int RegisterViewerAliases(AliasConfig& aliases, const std::string& install_dir);

// The data root of a database directory: the directory cut before its
// first path component "zazi1"; "" when it has none.
std::string DataDirOf(const std::string& database_dir);

class ActsViews {
 public:
  // The hit test of the text search: whether the act passes.
  using HitTest = std::function<bool(int64_t id_act)>;

  // `accepts` is the lists' record filter (every act passes without one).
  explicit ActsViews(HitTest accepts);
  // Closes (see Close).
  ~ActsViews();
  ActsViews(const ActsViews&) = delete;
  ActsViews& operator=(const ActsViews&) = delete;

  // Connects to the database of `places` and opens, in this order: the
  // code tables `tblEmitenti`, `tblDomenii`, `tblTipAct`, `tblPublicatii`
  // (by their index "indindcod"); the acts list in `mode`: `QueActe` run,
  // or `ClientActe` loaded from DataDir's "dump.dst", else the
  // installation's; then `tblActeNef`, `tblParti`, `tblModificant`,
  // `tblModificat`, `tblCuv`, `tblTipMod`, `tblPartidetail`,
  // `tblLegDomenii`, `tblImagini`; last the word index cursor (_cautstr on
  // the database directory). A step that fails throws; what opened before
  // it stays open and the later steps do not run.
  void Open(const InstallationPlaces& places, LoadMode mode);
  // Closes in this order, whatever is open: `QueActe` and `QueActeMic`;
  // `ClientActe` (emptied, with its filter off); `tblModificant`,
  // `tblModificat`, `tblPartidetail`, `tblParti`, `tblActeNef`, the code
  // tables, `tblCuv`, `tblTipMod`, `tblLegDomenii`, `tblImagini`; then the
  // views are destroyed, the connection closed and the cursor released
  // (_cautstp). Every dataset opened on database() by others must be gone
  // by then.
  void Close();

  // The connection (`DatabActe`); throws when there is none.
  Database& database();
  // The data root (the directory holding "zazi1"), "" when the database
  // directory has no "zazi1".
  const std::string& data_dir() const { return data_dir_; }
  LoadMode load_mode() const { return mode_; }

  // The views.
  Table& tblActeNef();
  Query& QueActe();
  Query& QueActeMic();
  ClientDataset& ClientActe();
  Table& tblPartidetail();
  Table& tblModificant();
  Table& tblModificat();
  Table& tblParti();
  Table& tblEmitenti();
  Table& tblDomenii();
  Table& tblTipAct();
  Table& tblPublicatii();
  Table& tblCuv();
  Table& tblTipMod();
  Table& tblLegDomenii();
  Table& tblImagini();

  // `DataActe`: the acts list the grid shows. `QueActe` unless the load
  // mode is full (`ClientActe`); the find-act and filter windows switch it.
  // Switching tells the function set by OnDataActeSwitched.
  Dataset& DataActe();
  ActsList data_acte() const { return data_acte_; }
  void SetDataActe(ActsList list);
  void OnDataActeSwitched(std::function<void()> switched) { switched_ = std::move(switched); }

  // The modified-parts-only switch: while set, `tblPartidetail` lists only
  // the parts whose `Mod` is true. Setting it filters the parts anew.
  void SetModifiedPartsOnly(bool on);
  bool modified_parts_only() const { return modified_parts_only_; }

  // The display title (`DispTitlu`, uncut) of act `id_act`; "" when there
  // is no such act.
  std::string ActTitle(int64_t id_act);

 private:
  struct Views;
  class CodeNames;

  Views& views() const;
  // Defines the derived columns, labels and display texts of the views.
  void DefineColumns();
  void LoadActsList(const InstallationPlaces& places);

  HitTest accepts_;
  LoadMode mode_ = LoadMode::kNone;
  std::string data_dir_;
  ActsList data_acte_ = ActsList::kQueActe;
  std::function<void()> switched_;
  bool modified_parts_only_ = false;
  bool cursor_open_ = false;
  std::unique_ptr<Database> db_;
  std::unique_ptr<Views> views_;
};

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_ACTS_VIEWS_H_
