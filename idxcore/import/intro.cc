#include "idxcore/import/intro.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <span>
#include <sstream>

#include "idxcore/import/reflow.h"
#include "idxcore/index/retirement_log.h"

namespace idxcore {

namespace {

namespace fs = std::filesystem;

constexpr size_t kPartLabelWidth = 20;  // tblParti.NumParte

// How far tblcuv's Last may fall behind the chains. Writing them costs one
// row update per moved word whenever it happens; every act moves hundreds
// of words scattered over the whole table, so writing them each act
// rewrites most of the table's pages each time, while after a few hundred
// acts most of a vocabulary has moved and one flush rewrites each page
// about once. The lag is what a recovery after a crash walks (at most the
// records of that many acts) and what a flush writes in one transaction
// (at most that many rows).
constexpr int kFlushActs = 256;
constexpr size_t kFlushWords = 65536;

std::string RowsSql(const std::string& head, int columns, size_t rows, const std::string& tail) {
  std::string values = "(?";
  for (int c = 1; c < columns; ++c) values += ", ?";
  values += ")";
  std::string sql = head;
  for (size_t i = 0; i < rows; ++i) sql += (i == 0 ? "" : ", ") + values;
  return sql + tail;
}

// The first row, in key order, whose IndCod begins with the code: a
// statement on the code table, which reads no row it does not return.
std::string CodeLookupSql(const char* table, const char* id_column) {
  return std::string("SELECT ") + id_column + " FROM " + table +
         " WHERE substr(ifnull(IndCod, ''), 1, length(?1)) = ?1 ORDER BY " + id_column +
         " LIMIT 1";
}

std::optional<int64_t> FindCode(actsdb::PreparedStatement& lookup, const std::string& code) {
  lookup.BindString(1, code);
  std::optional<int64_t> id;
  if (lookup.Step()) id = lookup.AsInteger(0);
  lookup.Reset();
  return id;
}

void SetOptionalInteger(actsdb::Table& table, const char* column, std::optional<int64_t> value) {
  if (value) {
    table.SetInteger(column, *value);
  } else {
    table.SetNull(column);
  }
}

void SetOptionalDate(actsdb::Table& table, const char* column,
                     const std::optional<actsdb::Date>& value) {
  if (value) {
    table.SetDate(column, *value);
  } else {
    table.SetNull(column);
  }
}

void PutInt32(std::string& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

// The first column of every row `select` yields for `value`. Rows are
// found through statements rather than a range on the open table, which
// lists all the table's rows again each time its range is cleared.
std::vector<int64_t> KeysWhere(actsdb::PreparedStatement& select, int64_t value) {
  select.BindInteger(1, value);
  std::vector<int64_t> keys;
  while (select.Step()) keys.push_back(select.AsInteger(0));
  return keys;
}

// The entries of `directory` that `keep` accepts, in name order.
template <class Keep>
std::vector<fs::path> SortedEntries(const std::string& directory, Keep keep) {
  std::vector<fs::path> entries;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    if (keep(entry)) entries.push_back(entry.path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

void Relocate(actsdb::Table& table, const char* column, int64_t value) {
  if (!table.Locate(column, value)) {
    throw actsdb::StoreError("table " + table.name() + ": row " + std::string(column) + " = " +
                             std::to_string(value) + " is gone");
  }
}

}  // namespace

ImportDatabase::ImportDatabase(actsdb::Database& db)
    : db_(db),
      acts_(db, "tblActe"),
      parts_(db, "tblParti"),
      domains_(db, "tblDomenii"),
      act_domains_(db, "tblLegDomenii"),
      words_(db, "tblcuv"),
      types_(db, "tblTipAct"),
      issuers_(db, "tblEmitenti"),
      publications_(db, "tblPublicatii"),
      modifications_(db, "tblModif") {
  for (actsdb::Table* t : {&acts_, &parts_, &domains_, &act_domains_, &words_, &types_, &issuers_,
                           &publications_, &modifications_}) {
    t->Open(true);
  }
}

ImportTables ImportDatabase::tables() {
  return ImportTables{db_,    acts_,    parts_,   domains_,       act_domains_,
                      words_, types_,   issuers_, publications_,  modifications_};
}

TIntro::RowBatch::RowBatch(actsdb::Database& db, const std::string& head, int columns,
                           const std::string& tail)
    : columns_(columns),
      one_(db, RowsSql(head, columns, 1, tail)),
      many_(db, RowsSql(head, columns, kRowsPerStatement, tail)) {}

TIntro::TIntro(ImportTables tables)
    : t_(tables),
      word_file_(tables.db.directory() + "/word.dat", 1),
      positions_(tables.db.directory() + "/poziti.dat", PositionFile::Mode::kAppend),
      word_insert_(tables.db, "INSERT INTO tblcuv (IdWord, Word, First, Last) VALUES ", 4),
      word_update_(tables.db, "UPDATE tblcuv SET Last = v.column2 FROM (VALUES ", 2,
                   ") AS v WHERE tblcuv.IdWord = v.column1"),
      part_insert_(tables.db, "INSERT INTO tblParti (IdParte, Actul, NumParte) VALUES ", 3),
      part_sequence_(tables.db, "SELECT seq FROM sqlite_sequence WHERE name = 'tblParti'"),
      act_key_used_(tables.db, "UPDATE sqlite_sequence SET seq = seq + 1 WHERE name = 'tblActe'"),
      part_mark_(tables.db, "UPDATE tblParti SET Mod = 1 WHERE IdParte = ?"),
      part_delete_(tables.db, "DELETE FROM tblParti WHERE IdParte = ?"),
      type_lookup_(tables.db, CodeLookupSql("tblTipAct", "IdTipAct")),
      issuer_lookup_(tables.db, CodeLookupSql("tblEmitenti", "IDEmitent")),
      domain_lookup_(tables.db, CodeLookupSql("tblDomenii", "IdDomeniu")),
      publication_lookup_(tables.db, CodeLookupSql("tblPublicatii", "IdPublicatie")),
      index_sizes_(tables.db) {
  // Each act is one transaction in the write-ahead log. Not waiting for the
  // disk at every commit keeps each act atomic and every committed act
  // safe from a crash of the program; only a crash of the whole system can
  // lose the last acts committed, never leave one half written.
  //
  // The log is copied into the database once it holds 8,000 pages (32 MB)
  // rather than SQLite's 1,000: every act rewrites the same last pages of
  // each table and index, and a copy writes each page once however many
  // acts changed it since the last one.
  t_.db.Execute("PRAGMA synchronous = NORMAL; PRAGMA wal_autocheckpoint = 8000");
}

TIntro::~TIntro() {
  try {
    FlushDictionary();
  } catch (const std::exception&) {
    // The chains are whole; a session's recovery finds their ends.
  }
}

void TIntro::FlushDictionary() {
  if (moved_.empty()) return;
  t_.db.Begin();
  try {
    WriteMovedLasts();
    t_.db.Commit();
  } catch (...) {
    try {
      t_.db.Rollback();
    } catch (const std::exception&) {
      // SQLite has discarded the transaction already.
    }
    throw;
  }
  MarkLastsWritten();
}

void TIntro::DictionaryChanged() {
  moved_.clear();
  dictionary_loaded_ = false;
}

void TIntro::LoadDefinitions(const std::string& path) { defs_ = LoadHeadingDefinitions(path); }

void TIntro::Prelpchar(std::string_view text) { Import(SplitLines(text), ImportVariant::kPlain); }

void TIntro::Prelpcharwmod(std::string_view text) {
  Import(SplitLines(text), ImportVariant::kWithModifications);
}

void TIntro::PrelAct(std::istream& in) {
  std::ostringstream text;
  text << in.rdbuf();
  Import(SplitLines(text.str()), ImportVariant::kStream);
}

void TIntro::PrelFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError("cannot open the act file " + path);
  std::ostringstream text;
  text << in.rdbuf();
  try {
    Prelpchar(text.str());
  } catch (const ImportError& e) {
    throw ImportError(path + ": " + e.what());
  }
}

void TIntro::PrelDir(const std::string& directory) {
  const auto is_file = [](const fs::directory_entry& e) { return e.is_regular_file(); };
  for (const fs::path& file : SortedEntries(directory, is_file)) {
    PrelFile(file.string());
  }
}

void TIntro::PrelDirs(const std::string& directory) {
  if (directory.ends_with(".") || !fs::is_directory(directory)) return;
  PrelDir(directory);
  const auto is_directory = [](const fs::directory_entry& e) { return e.is_directory(); };
  for (const fs::path& sub : SortedEntries(directory, is_directory)) {
    PrelDirs(sub.string());
  }
}

void TIntro::SetDump(const std::string& directory) {
  // A replay links the dump's records after the Last values tblcuv holds
  // when the dumping begins.
  FlushDictionary();
  dump_directory_ = directory;
  word_dump_path_ = directory + "/word.dmp";
  position_dump_path_ = directory + "/poziti.dmp";
  word_dump_.close();
  position_dump_.close();
  word_dump_.open(word_dump_path_, std::ios::binary | std::ios::trunc);
  position_dump_.open(position_dump_path_, std::ios::binary | std::ios::trunc);
  if (!word_dump_ || !position_dump_) {
    throw ImportError("cannot create the dump files in " + directory);
  }
  dump_on_ = true;
}

void TIntro::Import(std::vector<std::string> source, ImportVariant variant) {
  if (source.empty()) throw ImportError("the act text is empty");
  // A Hungarian version keeps its own letters through the reflow; the
  // stream-fed import does not look for its mark.
  const bool m_mark = variant != ImportVariant::kStream && source[0].ends_with(" M");
  LibraryHypertextState().in_pre_block = false;
  std::string name = Quoted(source[0]);  // its first line, as the file has it
  std::vector<std::string> lines;
  std::vector<size_t> origin;
  idxcore::Transform(std::move(source), lines, m_mark, &origin);
  ImportReflowed(lines, origin, variant, std::move(name));
}

void TIntro::ImportReflowed(std::vector<std::string>& lines, const std::vector<size_t>& origin,
                            ImportVariant variant, std::string name) {
  ActHeader header;
  try {
    header = ParseHeader(lines);
  } catch (const ImportError& e) {
    throw ImportError("act " + name + ": " + e.what());
  }
  // The key: code words, so only a damaged first line makes it too long.
  name = header.key.size() <= kQuotedBytes ? header.key : Quoted(header.key);
  BeginAct();
  try {
    next_part_id_ = part_sequence_.Step() ? part_sequence_.AsInteger(0) + 1 : 1;
    part_sequence_.Reset();
    // The text first, so that the act's row is written once, whole.
    AddNod("Actul");
    const ConvertedAct act =
        ConvertActText(lines, defs_, LibraryHypertextState(), variant,
                       [this](const std::string& label) { return AddNod(label); }, &origin);
    IntroduDinAntet(header, act);
    WriteParts();
    LinkDomains(header);
    if (replacing_) MoveModificationsToNewParts();
    if (!dictionary_loaded_) LoadDictionary();
    IndexWords(act.words);
    WriteDictionaryChanges();
    if (variant == ImportVariant::kWithModifications) IntroduModDinAntet(lines, header.hungarian);
    CommitAct();
  } catch (const std::exception& e) {
    RollbackAct();
    throw ImportError("act " + name + ": " + e.what());
  }
}

void TIntro::BeginAct() {
  t_.db.Begin();
  word_file_.checkpoint();
  positions_.checkpoint();
  modifications_before_ = modifications_.size();
  next_word_id_before_ = next_word_id_;
  moved_before_ = moved_.size();
  flushing_ = false;
  dictionary_changes_.clear();
  if (dump_on_) {
    word_dump_before_ = word_dump_.tellp();
    position_dump_before_ = position_dump_.tellp();
  }
  act_id_ = 0;
  replacing_ = false;
  old_parts_.clear();
  new_parts_.clear();
}

void TIntro::CommitAct() {
  if (dump_on_) {
    word_dump_.flush();
    position_dump_.flush();
    if (!word_dump_ || !position_dump_) throw ImportError("cannot write the dump files");
  }
  IndexSizes sizes;
  sizes.word_records = word_file_.getsize();
  sizes.position_bytes = positions_.size();
  if (dump_on_) {
    sizes.dump_directory = dump_directory_;
    sizes.word_dump_bytes = word_dump_.tellp();
    sizes.position_dump_bytes = position_dump_.tellp();
  }
  index_sizes_.Write(sizes);
  if (acts_since_flush_ + 1 >= kFlushActs || moved_.size() >= kFlushWords) {
    WriteMovedLasts();
    flushing_ = true;
  }
  t_.db.Commit();
  word_file_.commit();
  positions_.commit();
  DropRetirementLog();
  ++acts_since_flush_;
  if (flushing_) MarkLastsWritten();
}

void TIntro::RollbackAct() {
  // Each step is tried even when an earlier one fails: the database and
  // the files must all go back.
  for (actsdb::Table* t : {&t_.acts, &t_.parts, &t_.act_domains, &t_.words, &t_.modifications}) {
    try {
      t->Cancel();
    } catch (const std::exception&) {
      // Not editing: nothing to drop.
    }
  }
  try {
    if (t_.db.in_transaction()) t_.db.Rollback();
  } catch (const std::exception&) {
    // SQLite has discarded the transaction already.
  }
  word_file_.rollback();
  positions_.rollback();
  DropRetirementLog();
  modifications_.resize(modifications_before_);
  // The entries the act added are the dictionary's last ones.
  size_t added = 0;
  for (const DictionaryChange& change : dictionary_changes_) {
    if (change.before) {
      dictionary_.chain(change.entry) = *change.before;
    } else {
      ++added;
    }
  }
  dictionary_.Truncate(dictionary_.size() - added);
  dictionary_changes_.clear();
  moved_.resize(moved_before_);
  flushing_ = false;
  next_word_id_ = next_word_id_before_;
  if (dump_on_) {
    word_dump_.close();
    position_dump_.close();
    fs::resize_file(word_dump_path_, static_cast<uintmax_t>(word_dump_before_));
    fs::resize_file(position_dump_path_, static_cast<uintmax_t>(position_dump_before_));
    word_dump_.open(word_dump_path_, std::ios::binary | std::ios::app);
    position_dump_.open(position_dump_path_, std::ios::binary | std::ios::app);
  }
  act_id_ = 0;
}

// Once the act committed or its records were given back. A log that
// stays is harmless: a recovery sees from the commit count whether the
// retirement is final.
void TIntro::DropRetirementLog() {
  if (!retirement_logged_) return;
  retirement_logged_ = false;
  try {
    RemoveRetirementLog(t_.db.directory());
  } catch (const IndexError&) {
  }
}

void TIntro::IntroduDinAntet(const ActHeader& h, const ConvertedAct& act) {
  const std::optional<int64_t> type = FindCode(type_lookup_, h.type_code);
  const std::optional<int64_t> issuer = FindCode(issuer_lookup_, h.issuer_code);
  const std::optional<int64_t> domain =
      h.main_domain.empty() ? std::nullopt : FindCode(domain_lookup_, h.main_domain);
  const std::optional<int64_t> publication = FindCode(publication_lookup_, h.publication_code);

  replacing_ = h.type_code != "SEC" && t_.acts.Locate("IndNum", h.key);
  if (replacing_) {
    // A replacement appends the new act's row, finds the key taken and
    // deletes that row again: its IdAct is used up, and the next new act
    // gets the one after it. Dumps name acts by IdAct, so every
    // installation must hand them out in the same sequence. The row
    // itself is written only once, over the replaced act; the sequence
    // moves on as if it had been appended.
    act_key_used_.Step();
    act_id_ = t_.acts.AsInteger("IdAct");
    RetireOldVersion();
    Relocate(t_.acts, "IdAct", act_id_);
    t_.acts.Edit();
    t_.acts.SetInteger("TextSize", 0);
    t_.acts.SetInteger("StructSize", 0);
  } else {
    t_.acts.Append();
  }
  SetOptionalInteger(t_.acts, "IdTipAct", type);
  SetOptionalInteger(t_.acts, "IdEmitent", issuer);
  t_.acts.SetInteger("Anul", h.year);
  t_.acts.SetInteger("NrOficial", h.official_number);
  t_.acts.SetInteger("Rep", h.republication);
  t_.acts.SetString("Limba", h.hungarian ? "M" : "R");
  t_.acts.SetString("IndNum", h.key);
  SetOptionalInteger(t_.acts, "IdDomeniu", domain);
  SetOptionalDate(t_.acts, "Data", h.date);
  SetOptionalInteger(t_.acts, "Numar", h.publication_number);
  SetOptionalInteger(t_.acts, "IdPublicatie", publication);
  SetOptionalDate(t_.acts, "DataPub", h.publication_date);
  t_.acts.SetString("Titlu", h.title);
  t_.acts.SetString("Titlu2", h.title2);
  t_.acts.SetString("Textul", act.HypertextText());
  t_.acts.SetString("Struct", act.structure);
  t_.acts.Post();
  act_id_ = t_.acts.AsInteger("IdAct");

  if (h.hungarian && t_.acts.Locate("IndNum", h.key.substr(0, h.key.size() - 2))) {
    t_.acts.Edit();
    t_.acts.SetString("Limba", "R");
    t_.acts.Post();
  }
}

void TIntro::IntroduModDinAntet(const std::vector<std::string>& lines, bool hungarian) {
  for (std::string& entry : ModificationEntries(lines, hungarian)) {
    modifications_.push_back(std::move(entry));
  }
}

// The part gets the key the table would give it (its auto-increment keys
// are never reused, so they continue the sequence); its row is written
// with the act's other parts by WriteParts.
long TIntro::AddNod(const std::string& label) {
  const int64_t id = next_part_id_++;
  new_parts_.push_back(NewPart{id, label.substr(0, kPartLabelWidth), false});
  return static_cast<long>(id);
}

// The table finds these rows when it is next asked for them.
void TIntro::WriteParts() {
  part_insert_.Run(new_parts_.size(),
                   [this](actsdb::PreparedStatement& insert, int first, size_t row) {
                     const NewPart& part = new_parts_[row];
                     insert.BindInteger(first, part.id);
                     insert.BindInteger(first + 1, act_id_);
                     insert.BindString(first + 2, part.label);
                   });
}

void TIntro::LinkDomains(const ActHeader& header) {
  for (const std::string& code : header.domain_codes) {
    if (!t_.domains.Locate("IndCod", code)) continue;
    const int64_t domain = t_.domains.AsInteger("IdDomeniu");
    t_.act_domains.Append();
    t_.act_domains.SetInteger("IdAct", act_id_);
    t_.act_domains.SetInteger("IdDomeniu", domain);
    t_.act_domains.Post();
  }
}

// The act being replaced stops being found through its old words at once;
// its records stay in their chains (readers skip act 0), so no chain is
// cut. Its domains go; its parts stay until the new ones exist.
void TIntro::RetireOldVersion() {
  const std::vector<int32_t> records = word_file_.findact(static_cast<int32_t>(act_id_));
  if (!records.empty()) {
    WriteRetirementLog(t_.db.directory(), Retirement{IndexCommits(t_.db) + 1,
                                                     static_cast<int32_t>(act_id_), records});
    retirement_logged_ = true;
  }
  for (int32_t index : records) {
    if (!word_file_.findrec(index)) continue;
    recwrd value = word_file_.current().value;
    value.act_id = 0;
    word_file_.setvalue(index, value);
    dump(value, 2, index);
  }
  actsdb::PreparedStatement domains(
      t_.db, "SELECT IdLegDomeniu FROM tblLegDomenii WHERE IdAct = ? ORDER BY rowid");
  for (int64_t row : KeysWhere(domains, act_id_)) {
    Relocate(t_.act_domains, "IdLegDomeniu", row);
    t_.act_domains.Delete();
  }
  actsdb::PreparedStatement parts(
      t_.db, "SELECT IdParte, NumParte, Mod FROM tblParti WHERE Actul = ? ORDER BY rowid");
  parts.BindInteger(1, act_id_);
  while (parts.Step()) {
    old_parts_.push_back(OldPart{parts.AsInteger(0), parts.AsString(1), parts.AsInteger(2) != 0});
  }
}

// Each old part hands its modification links (and its Mod mark) to the
// first new part of the same label not yet taken, or to the new "Actul"
// part when the new text has no such label; then the old part goes.
void TIntro::MoveModificationsToNewParts() {
  struct LinkEnd {
    const char* column;
    actsdb::PreparedStatement select;
  } links[] = {
      {"IdModificant",
       {t_.db, "SELECT IdMod FROM tblModif WHERE IdModificant = ? ORDER BY rowid"}},
      {"IdModificat", {t_.db, "SELECT IdMod FROM tblModif WHERE IdModificat = ? ORDER BY rowid"}},
  };
  for (const OldPart& old : old_parts_) {
    NewPart* target = &new_parts_.front();
    for (NewPart& candidate : new_parts_) {
      if (!candidate.taken && candidate.label == old.label) {
        candidate.taken = true;
        target = &candidate;
        break;
      }
    }
    for (LinkEnd& end : links) {
      for (int64_t row : KeysWhere(end.select, old.id)) {
        Relocate(t_.modifications, "IdMod", row);
        t_.modifications.Edit();
        t_.modifications.SetInteger(end.column, target->id);
        t_.modifications.Post();
      }
    }
    if (old.modified) {
      part_mark_.BindInteger(1, target->id);
      part_mark_.Step();
    }
    part_delete_.BindInteger(1, old.id);
    part_delete_.Step();
  }
}

void TIntro::LoadDictionary() {
  moved_.clear();
  dictionary_.Clear();
  int64_t max_id = 0;
  for (bool on = t_.words.First(); on; on = t_.words.Next()) {
    const int64_t id = t_.words.AsInteger("IdWord");
    max_id = std::max(max_id, id);
    const std::string word = t_.words.AsString("Word");
    // Longer than any stem: no act can name it.
    if (word.size() > StemDictionary::kMaxStem) continue;
    const int32_t last = static_cast<int32_t>(t_.words.AsInteger("Last"));
    dictionary_.Add(word, StemDictionary::Chain{
                              id, static_cast<int32_t>(t_.words.AsInteger("First")), last, last});
  }
  // An auto-increment key is never reused, even after its row was deleted.
  actsdb::Query sequence(t_.db);
  sequence.sql() = {"SELECT seq FROM sqlite_sequence WHERE name = 'tblcuv'"};
  sequence.Open();
  if (sequence.First()) max_id = std::max(max_id, sequence.AsInteger("seq"));
  next_word_id_ = max_id + 1;
  dictionary_loaded_ = true;
}

// The act's records go to "word.dat" in one append, one per stem in the
// order of the stems, each linked after its chain's last record as the
// dictionary knows it; the positions of every stem that occurs more than
// once go to "poziti.dat" as one run in the same order, which is where each
// stem's record finds its own.
void TIntro::IndexWords(const WordSet& words) {
  std::vector<uint16_t> runs;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::span<const int> positions = words.positions(i);
    if (positions.size() < 2) continue;
    for (int p : positions) runs.push_back(static_cast<uint16_t>(p));
  }
  int64_t offset = 0;
  if (!runs.empty()) {
    offset = positions_.append(runs);
    if (offset + 2 * static_cast<int64_t>(runs.size()) > INT32_MAX) {
      throw ImportError(positions_.path() + " is full: its offsets no longer fit 32 bits");
    }
    if (dump_on_) {
      std::string bytes;
      bytes.reserve(runs.size() * 2);
      for (uint16_t p : runs) {
        bytes += static_cast<char>(p & 0xFF);
        bytes += static_cast<char>(p >> 8);
      }
      position_dump_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
  }

  // Each stem's dictionary entry, looked up once (kAbsent for a new stem).
  std::vector<std::string_view> stems(words.size());
  for (size_t i = 0; i < words.size(); ++i) stems[i] = words.stem(i);
  std::vector<int32_t> entries;
  dictionary_.FindAll(stems, entries);
  std::vector<diskhash<recwrd>::ChainAppend> records;
  records.reserve(words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    const std::span<const int> positions = words.positions(i);
    recwrd record{};
    record.act_id = static_cast<int32_t>(act_id_);
    record.count = static_cast<int16_t>(static_cast<uint16_t>(positions.size()));
    if (positions.size() <= 1) {
      record.position = positions.empty() ? 0 : static_cast<uint16_t>(positions.front());
    } else {
      record.position = static_cast<int32_t>(offset);
      offset += 2 * static_cast<int64_t>(positions.size());
    }
    const bool known = entries[i] != StemDictionary::kAbsent;
    records.push_back({record, known ? dictionary_.chain(entries[i]).last : -1});
  }
  const int32_t first = word_file_.appendchains(records);

  for (size_t i = 0; i < words.size(); ++i) {
    const int32_t index = first + static_cast<int32_t>(i);
    if (entries[i] == StemDictionary::kAbsent) {
      const int64_t id = next_word_id_++;
      dictionary_changes_.push_back(
          {dictionary_.Add(stems[i], StemDictionary::Chain{id, index, index, index}),
           std::nullopt});
      dump(records[i].value, 1, static_cast<int32_t>(id));
    } else {
      StemDictionary::Chain& known = dictionary_.chain(entries[i]);
      dictionary_changes_.push_back({entries[i], known});
      if (known.last == known.stored_last) moved_.push_back(entries[i]);
      known.last = index;
      dump(records[i].value, 0, static_cast<int32_t>(known.id));
    }
  }
}

// The act's new stems, inserted with the ids the engine gave them: the
// viewer finds their chains through First, a dump replay their IdWord.
void TIntro::WriteDictionaryChanges() {
  std::vector<int32_t> added;
  for (const DictionaryChange& change : dictionary_changes_) {
    if (!change.before) added.push_back(change.entry);
  }
  word_insert_.Run(added.size(), [this, &added](actsdb::PreparedStatement& insert, int first,
                                                size_t row) {
    const StemDictionary::Chain& chain = dictionary_.chain(added[row]);
    insert.BindInteger(first, chain.id);
    insert.BindString(first + 1, dictionary_.stem(added[row]));
    insert.BindInteger(first + 2, chain.first);
    insert.BindInteger(first + 3, chain.last);
  });
}

// In the order of the ids, so that the updates walk the table front to
// back. moved_ keeps its order: an act that fails drops its own entries
// from its end.
void TIntro::WriteMovedLasts() {
  std::vector<const StemDictionary::Chain*> moved;
  moved.reserve(moved_.size());
  for (int32_t entry : moved_) moved.push_back(&dictionary_.chain(entry));
  std::sort(moved.begin(), moved.end(),
            [](const StemDictionary::Chain* a, const StemDictionary::Chain* b) {
              return a->id < b->id;
            });
  word_update_.Run(moved.size(), [&moved](actsdb::PreparedStatement& update, int first,
                                          size_t row) {
    update.BindInteger(first, moved[row]->id);
    update.BindInteger(first + 1, moved[row]->last);
  });
}

void TIntro::MarkLastsWritten() {
  for (int32_t entry : moved_) {
    StemDictionary::Chain& chain = dictionary_.chain(entry);
    chain.stored_last = chain.last;
  }
  moved_.clear();
  acts_since_flush_ = 0;
}

void TIntro::dump(const recwrd& record, uint8_t flag, int32_t word_or_index) {
  if (!dump_on_) return;
  std::string bytes;
  bytes.reserve(17);
  bytes += static_cast<char>(flag);
  PutInt32(bytes, record.act_id);
  const uint16_t count = static_cast<uint16_t>(record.count);
  bytes += static_cast<char>(count & 0xFF);
  bytes += static_cast<char>(count >> 8);
  bytes += static_cast<char>(record.reserved[0]);
  bytes += static_cast<char>(record.reserved[1]);
  PutInt32(bytes, record.position);
  PutInt32(bytes, word_or_index);
  word_dump_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace idxcore
