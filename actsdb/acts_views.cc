#include "actsdb/acts_views.h"

#include <filesystem>
#include <vector>

#include "actsdb/display_title.h"
#include "actsdb/schema.h"
#include "idxcore/index/cursor.h"
#include "idxcore/session/interrupted_import.h"

namespace actsdb {
namespace {

namespace fs = std::filesystem;

// The widths of the derived columns.
constexpr int kTitMareWidth = 295;
constexpr int kTitActWidth = 35;
constexpr int kPartLabelWidth = 20;  // tblParti.NumParte
constexpr int kPrivindWidth = 255;   // tblActe.Titlu

// A looked-up name of the acts views: the code table's name column, by
// the act's id column.
struct CodeLookup {
  const char* name;       // the derived column, and the code table's name column
  const char* key;        // the act's column
  const char* table;
  const char* id_column;  // the code table's key
  int width;
};
constexpr CodeLookup kDomeniu{"Domeniu", "IdDomeniu", "tblDomenii", "IdDomeniu", 60};
constexpr CodeLookup kEmitent{"Emitent", "IdEmitent", "tblEmitenti", "IDEmitent", 40};
constexpr CodeLookup kPublicatia{"Publicatia", "IdPublicatie", "tblPublicatii", "IdPublicatie",
                                 50};
constexpr CodeLookup kTipAct{"TipAct", "IdTipAct", "tblTipAct", "IdTipAct", 30};
constexpr const CodeLookup* kCodeLookups[] = {&kDomeniu, &kEmitent, &kPublicatia, &kTipAct};

// The labels of `ClientActe`'s columns that are not their names.
constexpr std::pair<const char*, const char*> kClientActeLabels[] = {
    {"NrOficial", "Numarul"},       {"DataPub", "Data Publicatiei"},
    {"Rep", "Republicarea"},        {"DispTitlu", "Titlu complet"},
    {"TipAct", "Tipul Actului"},    {"Numar", "Numarul Monitorului"},
};

std::optional<int64_t> IntegerOrNull(const Dataset& row, const char* column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.AsInteger(column);
}

std::optional<int64_t> IntegerOrNull(const PreparedStatement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.AsInteger(column);
}

std::string Cut(std::string text, int width) {
  if (text.size() > static_cast<size_t>(width)) text.resize(static_cast<size_t>(width));
  return text;
}

// The acts views and what they derive their columns from.
enum class ActsView { kDirect, kList, kFindList };

}  // namespace

int RegisterViewerAliases(AliasConfig& aliases, const std::string& install_dir) {
  const std::pair<const char*, std::string> wanted[] = {
      {"Zazi1", install_dir + "/" + kDatabaseDirName},
      {"NormBase", install_dir},
      {"Update", install_dir + "/update"},
  };
  int registered = 0;
  for (const auto& [name, path] : wanted) {
    if (aliases.Has(name)) continue;
    aliases.Add(name, ReduceFirstDoubledSeparator(path));
    aliases.Save();
    ++registered;
  }
  return registered;
}

std::string DataDirOf(const std::string& database_dir) {
  const std::string component = std::string("/") + kDatabaseDirName;
  for (size_t at = database_dir.find(component); at != std::string::npos;
       at = database_dir.find(component, at + 1)) {
    const size_t end = at + component.size();
    if (end == database_dir.size() || database_dir[end] == '/') return database_dir.substr(0, at);
  }
  return "";
}

// The names of one code table by id, read once each.
class ActsViews::CodeNames {
 public:
  CodeNames(Database& db, const CodeLookup& lookup) : db_(db), lookup_(lookup) {}

  // "" for a null id or a missing row.
  const std::string& Name(std::optional<int64_t> id) {
    static const std::string kNone;
    if (!id) return kNone;
    auto [it, added] = names_.try_emplace(*id);
    if (added) {
      if (!find_) {
        find_ = std::make_unique<PreparedStatement>(
            db_, std::string("SELECT ") + lookup_.name + " FROM " + lookup_.table + " WHERE " +
                     lookup_.id_column + " = ?1");
      }
      find_->BindInteger(1, *id);
      if (find_->Step()) {
        it->second = find_->AsString(0);
        find_->Reset();
      }
    }
    return it->second;
  }

 private:
  Database& db_;
  const CodeLookup& lookup_;
  std::unique_ptr<PreparedStatement> find_;
  std::map<int64_t, std::string> names_;
};

struct ActsViews::Views {
  explicit Views(Database& db)
      : tblEmitenti(db, "tblEmitenti"),
        tblDomenii(db, "tblDomenii"),
        tblTipAct(db, "tblTipAct"),
        tblPublicatii(db, "tblPublicatii"),
        QueActe(db),
        QueActeMic(db),
        tblActeNef(db, "tblActe"),
        tblParti(db, "tblParti"),
        tblModificant(db, "tblModif"),
        tblModificat(db, "tblModif"),
        tblCuv(db, "tblcuv"),
        tblTipMod(db, "tbltipmod"),
        tblPartidetail(db, "tblParti"),
        tblLegDomenii(db, "tblLegDomenii"),
        tblImagini(db, "tblImagini"),
        domains(db, kDomeniu),
        issuers(db, kEmitent),
        publications(db, kPublicatia),
        types(db, kTipAct),
        db(db) {}

  CodeNames& names(const CodeLookup& lookup) {
    return &lookup == &kDomeniu ? domains
           : &lookup == &kEmitent ? issuers
           : &lookup == &kPublicatia ? publications
                                     : types;
  }

  Table tblEmitenti, tblDomenii, tblTipAct, tblPublicatii;
  Query QueActe, QueActeMic;
  ClientDataset ClientActe;
  Table tblActeNef, tblParti, tblModificant, tblModificat, tblCuv, tblTipMod, tblPartidetail,
      tblLegDomenii, tblImagini;
  CodeNames domains, issuers, publications, types;
  Database& db;
  // The title columns of an act, and the act and label of a part; prepared
  // when first used.
  PreparedStatement& act_title() {
    return Prepared(act_title_,
                    "SELECT IdTipAct, NrOficial, Anul, Titlu2, Rep FROM tblActe WHERE IdAct = ?1");
  }
  PreparedStatement& part() {
    return Prepared(part_, "SELECT Actul, NumParte FROM tblParti WHERE IdParte = ?1");
  }

 private:
  PreparedStatement& Prepared(std::unique_ptr<PreparedStatement>& statement, const char* sql) {
    if (!statement) statement = std::make_unique<PreparedStatement>(db, sql);
    return *statement;
  }
  std::unique_ptr<PreparedStatement> act_title_, part_;
};

ActsViews::ActsViews(HitTest accepts) : accepts_(std::move(accepts)) {}

ActsViews::~ActsViews() { Close(); }

ActsViews::Views& ActsViews::views() const {
  if (!views_) throw StoreError("the acts database is not open");
  return *views_;
}

Database& ActsViews::database() {
  if (!db_) throw StoreError("the acts database is not open");
  return *db_;
}

void ActsViews::Open(const InstallationPlaces& places, LoadMode mode) {
  Close();
  mode_ = mode;
  data_acte_ = mode == LoadMode::kFull ? ActsList::kClientActe : ActsList::kQueActe;
  // An update at work holds the tables: say so rather than that one of
  // them is in use.
  idxcore::RefuseWhileIndexUpdated(places.database_dir);
  db_ = Database::Open(places.database_dir + "/" + kDatabaseFileName);
  data_dir_ = DataDirOf(db_->directory());
  views_ = std::make_unique<Views>(*db_);
  DefineColumns();
  Views& v = *views_;
  for (Table* codes : {&v.tblEmitenti, &v.tblDomenii, &v.tblTipAct, &v.tblPublicatii}) {
    codes->SetIndexName("indindcod");
    codes->Open();
  }
  LoadActsList(places);
  v.tblPartidetail.SetIndexName("indactul");
  v.tblPartidetail.SetMaster(&v.tblActeNef, "IdAct", "Actul");
  v.tblModificant.SetIndexName("indmodificant");
  v.tblModificant.SetMaster(&v.tblPartidetail, "IdParte", "IdModificant");
  v.tblModificat.SetIndexName("indmodificat");
  v.tblModificat.SetMaster(&v.tblPartidetail, "IdParte", "IdModificat");
  v.tblLegDomenii.SetIndexName("iddomd");
  for (Table* table : {&v.tblActeNef, &v.tblParti, &v.tblModificant, &v.tblModificat, &v.tblCuv,
                       &v.tblTipMod, &v.tblPartidetail, &v.tblLegDomenii, &v.tblImagini}) {
    table->Open();
  }
  _cautstr(db_->directory().c_str());
  cursor_open_ = true;
}

void ActsViews::LoadActsList(const InstallationPlaces& places) {
  Views& v = *views_;
  v.QueActeMic.sql() = {kActsListSelect};
  switch (mode_) {
    case LoadMode::kNone:
      return;
    case LoadMode::kPartial:
      v.QueActe.DisableControls();
      try {
        v.QueActe.sql() = {kActsListSelect};
        v.QueActe.Prepare();
        v.QueActe.Open();
      } catch (...) {
        v.QueActe.EnableControls();
        throw;
      }
      v.QueActe.EnableControls();
      return;
    case LoadMode::kFull: {
      // The copy beside the database wins over the installation's.
      std::vector<std::string> candidates;
      if (!data_dir_.empty()) candidates.push_back(data_dir_ + "/dump.dst");
      candidates.push_back(places.install_dir + "/dump.dst");
      v.ClientActe.DisableControls();
      try {
        for (const std::string& path : candidates) {
          if (!fs::exists(path)) continue;
          v.ClientActe.LoadFromFile(path);
          break;
        }
        if (!v.ClientActe.active()) {
          std::string where = candidates.front();
          if (candidates.size() > 1) where += " nor " + candidates.back();
          throw StoreError("the acts list cannot be loaded: there is no " + where);
        }
        v.ClientActe.Open();
      } catch (...) {
        v.ClientActe.EnableControls();
        throw;
      }
      v.ClientActe.EnableControls();
      return;
    }
  }
}

void ActsViews::Close() {
  if (views_) {
    Views& v = *views_;
    v.QueActe.Close();
    v.QueActeMic.Close();
    if (v.ClientActe.active()) {
      v.ClientActe.DisableControls();
      v.ClientActe.SetFiltered(false);
      v.ClientActe.EmptyDataSet();
      v.ClientActe.Close();
      v.ClientActe.EnableControls();
    }
    for (Table* table : {&v.tblModificant, &v.tblModificat, &v.tblPartidetail, &v.tblParti,
                         &v.tblActeNef, &v.tblEmitenti, &v.tblDomenii, &v.tblTipAct,
                         &v.tblPublicatii, &v.tblCuv, &v.tblTipMod, &v.tblLegDomenii,
                         &v.tblImagini}) {
      table->Close();
    }
  }
  views_.reset();
  db_.reset();
  if (cursor_open_) _cautstp();
  cursor_open_ = false;
}

void ActsViews::DefineColumns() {
  Views& v = *views_;

  // The acts views: the display title, and on the direct view the title
  // without markup, or on the find-act list the long title; then the
  // looked-up names.
  const auto define_acts = [&](Dataset& view, ActsView kind) {
    std::vector<ColumnInfo> columns;
    const int title_width =
        static_cast<int>(kind == ActsView::kDirect ? kDispTitluWidth : kListDispTitluWidth);
    columns.emplace_back("DispTitlu", FieldType::kText, title_width);
    if (kind == ActsView::kDirect) columns.emplace_back("Privind", FieldType::kText, kPrivindWidth);
    if (kind == ActsView::kFindList) {
      columns.emplace_back("TitMare", FieldType::kText, kTitMareWidth);
    }
    for (const CodeLookup* lookup : kCodeLookups) {
      columns.emplace_back(lookup->name, FieldType::kText, lookup->width, FieldKind::kLookup,
                           lookup->key);
    }
    view.SetCalculatedColumns(columns, [&v, kind, title_width](const Dataset& row,
                                                               std::vector<std::string>& values) {
      const std::string title = DispTitlu({v.types.Name(IntegerOrNull(row, "IdTipAct")),
                                           IntegerOrNull(row, "NrOficial"),
                                           IntegerOrNull(row, "Anul"), row.AsString("Titlu2"),
                                           IntegerOrNull(row, "Rep")});
      size_t i = 0;
      values[i++] = title;
      if (kind == ActsView::kDirect) values[i++] = StripTags(row.AsString("Titlu"));
      if (kind == ActsView::kFindList) {
        // The display title as the list holds it, then the title.
        values[i++] = Cut(title, title_width) + " " + row.AsString("Titlu");
      }
      for (const CodeLookup* lookup : kCodeLookups) {
        values[i++] = v.names(*lookup).Name(IntegerOrNull(row, lookup->key));
      }
    });
  };
  define_acts(v.tblActeNef, ActsView::kDirect);
  define_acts(v.QueActe, ActsView::kList);
  define_acts(v.QueActeMic, ActsView::kFindList);
  define_acts(v.ClientActe, ActsView::kList);

  // The lists show no number for an act without one; the direct view shows
  // none at all.
  const auto number = [](const Dataset& row) {
    return NumberDisplay(IntegerOrNull(row, "NrOficial"));
  };
  v.QueActe.SetDisplayText("NrOficial", number);
  v.ClientActe.SetDisplayText("NrOficial", number);
  v.tblActeNef.SetDisplayText("NrOficial", [](const Dataset&) { return std::string(); });
  v.tblActeNef.SetColumnLabel("NrOficial", "Nr");
  for (const auto& [column, label] : kClientActeLabels) v.ClientActe.SetColumnLabel(column, label);

  const Dataset::RecordFilter hit_test = [this](const Dataset& row) {
    return !accepts_ || accepts_(row.AsInteger("IdAct"));
  };
  for (Dataset* list : {static_cast<Dataset*>(&v.QueActe), static_cast<Dataset*>(&v.QueActeMic),
                        static_cast<Dataset*>(&v.ClientActe)}) {
    list->SetRecordFilter(hit_test);
  }
  v.tblPartidetail.SetRecordFilter(
      [this](const Dataset& row) { return !modified_parts_only_ || row.AsBoolean("Mod"); });
  v.tblPartidetail.SetFiltered(true);

  // The parts' act, and the other end of a modification.
  v.tblParti.SetCalculatedColumns(
      {ColumnInfo("TitAct", FieldType::kText, kTitActWidth, FieldKind::kLookup, "Actul")},
      [this](const Dataset& row, std::vector<std::string>& values) {
        values[0] = row.IsNull("Actul") ? "" : ActTitle(row.AsInteger("Actul"));
      });
  const auto define_other_end = [this](Table& view, const char* title, const char* part,
                                       const char* key) {
    view.SetCalculatedColumns(
        {ColumnInfo(title, FieldType::kText, kTitActWidth, FieldKind::kLookup, key),
         ColumnInfo(part, FieldType::kText, kPartLabelWidth, FieldKind::kLookup, key)},
        [this, key](const Dataset& row, std::vector<std::string>& values) {
          if (row.IsNull(key)) return;
          PreparedStatement& find = views_->part();
          find.BindInteger(1, row.AsInteger(key));
          if (!find.Step()) return;
          const std::optional<int64_t> act = IntegerOrNull(find, 0);
          const std::string label = find.AsString(1);
          find.Reset();
          values[0] = act ? ActTitle(*act) : "";
          values[1] = label;
        });
  };
  define_other_end(v.tblModificant, "TitModificat", "PartModificat", "IdModificat");
  define_other_end(v.tblModificat, "TitModificant", "PartModificant", "IdModificant");
}

std::string ActsViews::ActTitle(int64_t id_act) {
  Views& v = views();
  PreparedStatement& find = v.act_title();
  find.BindInteger(1, id_act);
  if (!find.Step()) return "";
  const TitleColumns columns{v.types.Name(IntegerOrNull(find, 0)), IntegerOrNull(find, 1),
                             IntegerOrNull(find, 2), find.AsString(3), IntegerOrNull(find, 4)};
  find.Reset();
  return DispTitlu(columns);
}

Dataset& ActsViews::DataActe() {
  Views& v = views();
  switch (data_acte_) {
    case ActsList::kQueActe:
      return v.QueActe;
    case ActsList::kQueActeMic:
      return v.QueActeMic;
    case ActsList::kClientActe:
      break;
  }
  return v.ClientActe;
}

void ActsViews::SetDataActe(ActsList list) {
  data_acte_ = list;
  if (switched_) switched_();
}

void ActsViews::SetModifiedPartsOnly(bool on) {
  modified_parts_only_ = on;
  if (views_ && views_->tblPartidetail.active()) views_->tblPartidetail.Refilter();
}

Table& ActsViews::tblActeNef() { return views().tblActeNef; }
Query& ActsViews::QueActe() { return views().QueActe; }
Query& ActsViews::QueActeMic() { return views().QueActeMic; }
ClientDataset& ActsViews::ClientActe() { return views().ClientActe; }
Table& ActsViews::tblPartidetail() { return views().tblPartidetail; }
Table& ActsViews::tblModificant() { return views().tblModificant; }
Table& ActsViews::tblModificat() { return views().tblModificat; }
Table& ActsViews::tblParti() { return views().tblParti; }
Table& ActsViews::tblEmitenti() { return views().tblEmitenti; }
Table& ActsViews::tblDomenii() { return views().tblDomenii; }
Table& ActsViews::tblTipAct() { return views().tblTipAct; }
Table& ActsViews::tblPublicatii() { return views().tblPublicatii; }
Table& ActsViews::tblCuv() { return views().tblCuv; }
Table& ActsViews::tblTipMod() { return views().tblTipMod; }
Table& ActsViews::tblLegDomenii() { return views().tblLegDomenii; }
Table& ActsViews::tblImagini() { return views().tblImagini; }

}  // namespace actsdb
