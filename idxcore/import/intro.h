// TIntro: the act import engine. Given the plain text of one act it writes
// the act's row, its parts, its links to its domains and its words in the
// index, and builds its hypertext and structure text.
//
// Every act is imported whole or not at all: its rows are written in one
// database transaction, and its appends to "word.dat", "poziti.dat" and
// the dump files are undone if anything fails, so a failed act leaves no
// trace and the next one imports normally. One act's work is then also one
// commit, which is what makes a long import fast.
//
// The dictionary's Last (each chain's last record) matters only to the
// writer that links the next record, so the engine keeps it in memory and
// writes the values that moved to tblcuv only now and then (FlushDictionary)
// rather than rewrite most of the table at every act. New words go in with
// their act. Each act stores the index files' sizes with its rows
// (index_state.h): from those and the chains, a session that starts after
// a crash finds every chain's true end again (interrupted_import.h).
#ifndef CORVANA_IDXCORE_IMPORT_INTRO_H_
#define CORVANA_IDXCORE_IMPORT_INTRO_H_

#include <cstdint>
#include <fstream>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actsdb/store.h"
#include "idxcore/export.h"
#include "idxcore/import/act_text.h"
#include "idxcore/import/header.h"
#include "idxcore/import/hypertext.h"
#include "idxcore/import/reflow.h"
#include "idxcore/import/stem_dictionary.h"
#include "idxcore/import/text_parsing.h"
#include "idxcore/index/index_state.h"
#include "idxcore/index/position_file.h"
#include "idxcore/index/word_file.h"

namespace idxcore {

// The tables the import writes or reads, all on one database and open (the
// processing session opens them exclusively, which is what keeps the code
// tables and the dictionary still while it imports; the engine reads the
// code tables through statements of its own). tblModif is needed only to
// carry modification links over when an act is replaced.
struct ImportTables {
  actsdb::Database& db;
  actsdb::Table& acts;          // tblActe
  actsdb::Table& parts;         // tblParti
  actsdb::Table& domains;       // tblDomenii
  actsdb::Table& act_domains;   // tblLegDomenii
  actsdb::Table& words;         // tblcuv
  actsdb::Table& types;         // tblTipAct
  actsdb::Table& issuers;       // tblEmitenti
  actsdb::Table& publications;  // tblPublicatii
  actsdb::Table& modifications; // tblModif
};

// The import tables of a database, opened exclusively and owned; for a
// caller without a data module of its own (tests, tools, the benchmark).
class ImportDatabase {
 public:
  explicit ImportDatabase(actsdb::Database& db);
  ImportTables tables();

 private:
  actsdb::Database& db_;
  actsdb::Table acts_, parts_, domains_, act_domains_, words_, types_, issuers_, publications_,
      modifications_;
};

// Its members are part of the shared library's interface.
class IDXCORE_EXPORT TIntro {
 public:
  // Opens "word.dat" and "poziti.dat" in the database directory for
  // appending (creating them when missing). No heading definitions yet.
  explicit TIntro(ImportTables tables);
  // Flushes the dictionary; a failure then is left to the next session's
  // recovery, which needs the mark of an interrupted session: call
  // FlushDictionary first to see it.
  ~TIntro();
  TIntro(const TIntro&) = delete;
  TIntro& operator=(const TIntro&) = delete;

  // Reads the heading definitions ("adn2.txt"); throws ImportError.
  void LoadDefinitions(const std::string& path);
  void SetDefinitions(HeadingDefs defs) { defs_ = std::move(defs); }
  const HeadingDefs& definitions() const { return defs_; }

  // Imports one act (Windows-1250 text, or the older 8-bit encoding, lines
  // separated by line breaks). An act whose key exists already replaces
  // the stored act (same IdAct) unless its type is "SEC"; the IdAct a new
  // act would have taken is used up all the same. Throws
  // ImportError naming the act, the line and the cause; nothing of the
  // act is then left in the tables or the index files.
  void Prelpchar(std::string_view text);
  // The same, and the header's modification lines are collected into
  // modification_list(); a node's title is its whole heading line.
  void Prelpcharwmod(std::string_view text);
  // The same as Prelpchar for lines read from `in`, without tab blanking
  // and without looking for the Hungarian mark on the first line; a
  // heading label's references are converted.
  void PrelAct(std::istream& in);

  // Imports every file of `directory` in name order (PrelDir), then walks
  // its subdirectories the same way (PrelDirs). Stops at the first act
  // that fails, with that act's error; the acts before it stay imported.
  void PrelDirs(const std::string& directory);
  void PrelDir(const std::string& directory);
  void PrelFile(const std::string& path);

  // The modification entries collected by Prelpcharwmod over the whole
  // session, in order ("K importing-act##modifying-act"). Never cleared.
  const std::vector<std::string>& modification_list() const { return modifications_; }

  // Dumping: from now on every record written to "word.dat" is also
  // written to directory/"word.dmp" (17 bytes: flag, record, word id or,
  // for flag 2, the index of a record retired in place) and every
  // position to directory/"poziti.dmp". Both files are created empty.
  // Flushes the dictionary first.
  void SetDump(const std::string& directory);
  bool dump_on() const { return dump_on_; }

  // Writes to tblcuv, in one transaction, the Last of every word whose
  // chain grew since the last flush. Anyone who reads tblcuv.Last while
  // the engine lives (a dump replay, a reorganisation, the start of a dump)
  // and the end of a session call it first. Throws StoreError; the values
  // are then kept for the next try.
  void FlushDictionary();

  // Tells the engine that tblcuv was changed by someone else (a dump
  // replay, after a FlushDictionary): it reads the dictionary afresh
  // before the next act.
  void DictionaryChanged();

  // The IdAct of the act imported last (0 before any).
  int64_t last_act_id() const { return act_id_; }

  idxcore::PositionFile& position_file() { return positions_; }
  diskhash<recwrd>& word_file() { return word_file_; }

  // The parsers, as the engine applies them.
  std::vector<std::string> ParseLine(std::string_view line, CharSet set, size_t min) const {
    return idxcore::ParseLine(line, set, min);
  }
  std::vector<std::string> ParseLowLine(std::string_view line, CharSet set, size_t min) const {
    return idxcore::ParseLowLine(line, set, min);
  }
  std::string ParsePicturePart(std::string_view text) const {
    return idxcore::ParsePicturePart(text);
  }
  std::string ParseFirstPart(std::string_view line) const {
    return idxcore::ParseFirstPart(line, defs_);
  }
  std::string ParseTitlu(std::string_view text) const { return idxcore::ParseTitlu(text); }
  std::string ParseLinks(std::string_view text) const { return idxcore::ParseLinks(text); }
  HeadingClass Lev(std::string_view first_part) const { return idxcore::Lev(first_part, defs_); }
  size_t Transform(const std::vector<std::string>& source, std::vector<std::string>& dest,
                   bool hungarian) const {
    return idxcore::Transform(source, dest, hungarian);
  }
  void TextToHtml(std::string_view line, std::vector<std::string>& html, size_t index,
                  const std::vector<std::string>& source) const {
    idxcore::TextToHtml(LibraryHypertextState(), defs_, line, html, index, source);
  }

 private:
  struct OldPart {
    int64_t id = 0;
    std::string label;
    bool modified = false;
  };
  struct NewPart {
    int64_t id = 0;
    std::string label;
    bool taken = false;
  };

  // A statement over a list of rows, run with kRowsPerStatement rows at a
  // time and the rest one by one: running a statement costs several times
  // adding a row to it, and an auto-increment table's sequence is written
  // once per statement.
  class RowBatch {
   public:
    static constexpr size_t kRowsPerStatement = 32;
    // The statement is `head`, the rows as "(?, ...), ..." and `tail`:
    // "INSERT INTO table (columns) VALUES " and "", say.
    RowBatch(actsdb::Database& db, const std::string& head, int columns,
             const std::string& tail = "");
    // Inserts `rows` rows; bind(statement, first parameter, row) binds one.
    template <class Bind>
    void Run(size_t rows, const Bind& bind) {
      size_t row = 0;
      for (; row + kRowsPerStatement <= rows; row += kRowsPerStatement) {
        for (size_t k = 0; k < kRowsPerStatement; ++k) {
          bind(many_, static_cast<int>(k) * columns_ + 1, row + k);
        }
        many_.Step();
      }
      for (; row < rows; ++row) {
        bind(one_, 1, row);
        one_.Step();
      }
    }

   private:
    int columns_;
    actsdb::PreparedStatement one_;
    actsdb::PreparedStatement many_;
  };

  void Import(std::vector<std::string> source, ImportVariant variant);
  // `name` names the act in messages until its header gives its key.
  void ImportReflowed(std::vector<std::string>& lines, const std::vector<size_t>& origin,
                      ImportVariant variant, std::string name);
  // The act's row from its header and its converted text (new, or the
  // existing act it replaces).
  void IntroduDinAntet(const ActHeader& header, const ConvertedAct& act);
  void IntroduModDinAntet(const std::vector<std::string>& lines, bool hungarian);
  long AddNod(const std::string& label);
  void WriteParts();
  void LinkDomains(const ActHeader& header);
  // Retires the replaced version's records, logged first
  // (retirement_log.h).
  void RetireOldVersion();
  void DropRetirementLog();
  void MoveModificationsToNewParts();
  void IndexWords(const WordSet& words);
  void LoadDictionary();
  void WriteDictionaryChanges();
  // Writes the Last of every moved word, inside the caller's transaction.
  void WriteMovedLasts();
  // After the transaction that wrote them committed.
  void MarkLastsWritten();
  void dump(const recwrd& record, uint8_t flag, int32_t word_or_index);

  void BeginAct();
  void CommitAct();
  void RollbackAct();

  ImportTables t_;
  HeadingDefs defs_;
  diskhash<recwrd> word_file_;
  idxcore::PositionFile positions_;
  std::vector<std::string> modifications_;
  // The dictionary (tblcuv) as the engine keeps it: read once, then
  // updated here, so a stem costs no table lookup. The session's tables are
  // exclusive, so nothing else changes tblcuv meanwhile.
  StemDictionary dictionary_;
  bool dictionary_loaded_ = false;
  RowBatch word_insert_;
  RowBatch word_update_;
  RowBatch part_insert_;
  actsdb::PreparedStatement part_sequence_;
  actsdb::PreparedStatement act_key_used_;
  actsdb::PreparedStatement part_mark_;
  actsdb::PreparedStatement part_delete_;
  actsdb::PreparedStatement type_lookup_;
  actsdb::PreparedStatement issuer_lookup_;
  actsdb::PreparedStatement domain_lookup_;
  actsdb::PreparedStatement publication_lookup_;
  IndexSizesWriter index_sizes_;
  int64_t next_word_id_ = 1;
  // Dictionary entries whose last differs from their stored_last, each once.
  std::vector<int32_t> moved_;
  int acts_since_flush_ = 0;

  bool dump_on_ = false;
  std::ofstream word_dump_;
  std::ofstream position_dump_;
  std::string dump_directory_;
  std::string word_dump_path_;
  std::string position_dump_path_;

  // The act in progress.
  int64_t act_id_ = 0;
  bool replacing_ = false;
  bool retirement_logged_ = false;
  std::vector<OldPart> old_parts_;
  std::vector<NewPart> new_parts_;
  int64_t next_part_id_ = 1;
  size_t modifications_before_ = 0;
  int64_t next_word_id_before_ = 1;
  size_t moved_before_ = 0;
  bool flushing_ = false;  // the act's transaction writes the moved Lasts
  // Dictionary entries the act added or moved, with their values before it
  // (none for an entry it added): the undo of the act's dictionary changes.
  struct DictionaryChange {
    int32_t entry;
    std::optional<StemDictionary::Chain> before;
  };
  std::vector<DictionaryChange> dictionary_changes_;
  std::streamoff word_dump_before_ = 0;
  std::streamoff position_dump_before_ = 0;
};

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_INTRO_H_
