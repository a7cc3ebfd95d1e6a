#include "idxcore/session/session.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "actsdb/codepage.h"
#include "actsdb/install_dir.h"
#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "idxcore/import/intro.h"
#include "idxcore/index/index_state.h"
#include "idxcore/session/dump_replay.h"
#include "idxcore/session/interrupted_import.h"
#include "idxcore/session/modifications.h"
#include "idxcore/session/reorganise.h"

namespace idxcore {

namespace {

// The objects of one processing session, in the order they are made (and
// unmade in reverse): the database, its tables, the import engine.
struct Session {
  explicit Session(const SessionPlaces& p)
      : places(p),
        db(actsdb::Database::Open(p.database_dir + "/" + actsdb::kDatabaseFileName)) {
    tables = std::make_unique<ImportDatabase>(*db);
    // Before any index file is opened: what an interrupted run left (a
    // reorganised index waiting, appends never committed) is put right.
    run_mark = std::make_unique<ImportRunMark>(places.database_dir);
    try {
      if (RecoverIndex(*db, places.database_dir, run_mark->found())) {
        tables->tables().words.SetIndexName("");  // lists the rows again, as now written
      }
      types = std::make_unique<actsdb::Table>(*db, "tbltipmod");
      types->Open(/*exclusive=*/true);
      queue = std::make_unique<actsdb::Table>(*db, "tblmodtxt");
      queue->Open(/*exclusive=*/true);
      engine = std::make_unique<TIntro>(tables->tables());
      engine->LoadDefinitions(places.install_dir + "/adn2.txt");
    } catch (...) {
      // Nothing was written: a mark this session made would only send the
      // next reader through a recovery.
      if (!run_mark->found()) run_mark->Clear();
      throw;
    }
  }

  ModificationTables modification_tables() {
    const ImportTables t = tables->tables();
    return {*db, t.acts, t.parts, *types, t.modifications, *queue};
  }

  SessionPlaces places;
  std::unique_ptr<actsdb::Database> db;
  std::unique_ptr<ImportDatabase> tables;
  std::unique_ptr<ImportRunMark> run_mark;
  std::unique_ptr<actsdb::Table> types;
  std::unique_ptr<actsdb::Table> queue;
  std::unique_ptr<TIntro> engine;
  // Set by _putinorder: the dictionary describes "word2.dat" now, and the
  // engine's files are the old ones.
  bool index_reorganised = false;
  // Set by _processdump: the dictionary changed behind the engine, which
  // keeps its own copy of it for the session.
  bool dump_replayed = false;
  // Set once the index files were found as long as their last commit.
  bool index_checked = false;
};

std::unique_ptr<Session>& OpenSession() {
  static std::unique_ptr<Session> session;
  return session;
}

void ReportToStandardError(const std::string& message) {
  std::cerr << actsdb::Cp1250ToUtf8(message) << "\n";
}

std::function<void(const std::string&)>& Report() {
  static std::function<void(const std::string&)> report = ReportToStandardError;
  return report;
}

Session& Current() {
  if (!OpenSession()) throw std::logic_error("no processing session is open");
  return *OpenSession();
}

// The session's engine, for a call that writes acts into the index.
TIntro& ImportingEngine() {
  Session& s = Current();
  if (s.index_reorganised || s.dump_replayed) {
    throw std::logic_error(std::string("the word index was ") +
                           (s.index_reorganised ? "reorganised" : "replayed from a dump") +
                           " in this session; end the session before importing");
  }
  return *s.engine;
}

// The session's engine, for a call that adds acts to the index: checked
// once per session to be as long as its last commit left it, since
// appending to a damaged index would make the damage permanent. (A dump
// replay is not checked: its database arrives with the sizes the replay
// brings the files to.)
TIntro& ActsEngine() {
  Session& s = Current();
  TIntro& engine = ImportingEngine();
  if (!s.index_checked) {
    CheckIndexFileSizes(*s.db, s.places.database_dir);
    s.index_checked = true;
  }
  return engine;
}

// Writes the modification list as lines ended by CR LF, through a
// temporary file so that a reader never sees half of it.
void SaveModificationList(const std::vector<std::string>& lines, const std::string& path) {
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\r\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write " + temp);
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    throw std::runtime_error("cannot rename " + temp + " to " + path);
  }
}

}  // namespace

void StartSession(const SessionPlaces& places) {
  if (OpenSession()) throw std::logic_error("a processing session is already open");
  OpenSession() = std::make_unique<Session>(places);
}

void SetSessionReport(std::function<void(const std::string&)> report) {
  Report() = report ? std::move(report) : ReportToStandardError;
}

actsdb::Database& SessionDatabase() { return *Current().db; }

IndexLayout SessionIndexLayout() {
  Session& s = Current();
  return ReadIndexLayout(*s.db, s.places.database_dir);
}

void PutSessionIndexInOrder(const ReorganiseProgress& progress) {
  Session& s = Current();
  CheckIndexFileSizes(*s.db, s.places.database_dir);
  // Nothing the engine still holds may later overwrite the new chain ends.
  s.engine->FlushDictionary();
  PutInOrder(*s.db, s.tables->tables().words, s.places.database_dir, progress);
  s.index_reorganised = true;
}

}  // namespace idxcore

using idxcore::Current;

extern "C" {

void _frmstr(void) {
  idxcore::StartSession(actsdb::ResolveInstallation("", actsdb::AliasConfig()));
}

void _frmstp(void) {
  std::unique_ptr<idxcore::Session> session = std::move(idxcore::OpenSession());
  if (!session) return;
  const bool reorganised = session->index_reorganised;
  const std::string database_dir = session->places.database_dir;
  // The chains' ends go to the dictionary before the mark that would have
  // the next session find them goes; should that fail, the mark stays.
  session->engine->FlushDictionary();
  // The engine closes the index files; the new ones go in place while the
  // tables and the mark still keep readers and writers out; the tables go
  // before the database.
  session->engine.reset();
  session->queue.reset();
  session->types.reset();
  if (reorganised) idxcore::FinishIndexSwap(*session->db, database_dir);
  session->run_mark->Clear();
  session->run_mark.reset();
  session->tables.reset();
}

void _prelbuf(const char* text) { idxcore::ActsEngine().Prelpchar(text); }

void _prelbufwmod(const char* text) {
  idxcore::TIntro& engine = idxcore::ActsEngine();
  engine.Prelpcharwmod(text);
  idxcore::SaveModificationList(engine.modification_list(),
                                Current().places.install_dir + "/modif.txt");
}

void _prelmod(const char* text) {
  idxcore::ProcessActModifications(Current().modification_tables(), text,
                                   idxcore::Report());
}

void _prelmodart(const char* text) {
  idxcore::ProcessPartModifications(Current().modification_tables(), text,
                                    idxcore::Report());
}

void _setdump(const char* directory) { idxcore::ActsEngine().SetDump(directory); }

void _processdump(const char* directory) {
  idxcore::Session& s = Current();
  idxcore::TIntro& engine = idxcore::ImportingEngine();
  engine.FlushDictionary();  // the replay links after each word's Last
  idxcore::ReplayDump(directory, {*s.db, s.tables->tables().words, engine.word_file(),
                                  engine.position_file()});
  engine.DictionaryChanged();
  s.dump_replayed = true;
}

void _putinorder(void) { idxcore::PutSessionIndexInOrder(nullptr); }

}  // extern "C"
