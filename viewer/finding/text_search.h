// The full-text search: which acts contain the words of the text search,
// anywhere, near each other or as an expression.
//
// The result is a table of per-act hit counters, not a list: after a run the
// counter of an act is the number of search words (counted with repetition)
// found in it, and the acts lists show an act when its counter equals the
// number of search words (Accepts, installed as their record filter).
//
// A run walks each word's occurrence chain in "word.dat" through the idxcore
// cursor, which the caller opens on the database directory (_cautstr) and
// keeps open, and reads "poziti.dat" from that directory for the positions.
// In the proximity modes an act keeps its hits only when, at some occurrence
// of a search word, the latest occurrence of every search word lies within
// the window before it: 20 positions for "apropiate", as many positions as
// there are words for "expresie" (and any other mode text). Order of the
// words does not matter.
//
// A word typed twice counts twice, so "oriunde in text" accepts the acts that
// contain it; in the proximity modes such a search finds no act, because the
// occurrences of a word all count as occurrences of its first mention.
#ifndef CORVANA_VIEWER_FINDING_TEXT_SEARCH_H_
#define CORVANA_VIEWER_FINDING_TEXT_SEARCH_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "idxcore/index/cursor.h"

namespace actsdb {
class Database;
class Table;
}  // namespace actsdb

namespace finding {

// The texts of the search-mode box; any other text behaves as kModePhrase.
inline constexpr std::string_view kModeAnywhere = "oriunde in text";
inline constexpr std::string_view kModeNear = "apropiate";
inline constexpr std::string_view kModePhrase = "expresie";

// The window of "apropiate", in positions.
inline constexpr int32_t kNearWindow = 20;

// One occurrence of a search word in an act: the word's dictionary id and
// its ordinal among the act's indexed words.
struct TPos {
  int32_t IdWord = 0;
  uint16_t Position = 0;
};

// The occurrences of the search words in one act: a slice of the run's
// table of occurrences, grouped by act.
using TActsList = std::span<TPos>;

// The dictionary of the word index (table tblcuv): a word's id and the index
// of the first record of its chain in "word.dat".
class WordDictionary {
 public:
  struct Entry {
    int32_t id_word = 0;
    int32_t first = 0;
  };
  virtual ~WordDictionary() = default;
  // Called at the start of every run: makes sure the index files are the
  // ones this dictionary describes, whole, or throws; the run then gives no
  // result.
  virtual void PrepareSearch() {}
  // The row whose word equals `key`, ignoring case or exactly. Words are
  // unique ignoring case, so the exact row, when there is one, is the row
  // found ignoring case.
  virtual std::optional<Entry> Find(const std::string& key, bool exact) = 0;
};

// The dictionary as the table tblcuv of an open database.
class TableDictionary : public WordDictionary {
 public:
  // Opens tblcuv of `db` for reading; the database must outlive this object.
  explicit TableDictionary(actsdb::Database& db);
  ~TableDictionary() override;
  // Checks the index beside the database as idxcore's
  // PrepareIndexForSearch does: recovered after an interrupted update,
  // refused while one runs or when damaged, the cursor reopened when
  // another program replaced the files.
  void PrepareSearch() override;
  std::optional<Entry> Find(const std::string& key, bool exact) override;

 private:
  actsdb::Database& db_;
  std::unique_ptr<actsdb::Table> table_;
};

// The largest IdAct of the acts table, 0 when it is empty: how many acts the
// per-act tables of a run must address.
int32_t LargestActId(actsdb::Database& db);

class TextSearch {
 public:
  // `database_dir` holds "poziti.dat" beside the "word.dat" the cursor reads.
  TextSearch(WordDictionary& dictionary, std::string database_dir);

  // One filter run over `stems` (already reduced by SearchStem) in `mode`:
  // the dictionary's PrepareSearch, ClearActHits, CountWordHits for each
  // stem in order, then, when there is a stem and the mode is not
  // kModeAnywhere, LoadWordPositions and ApplyProximity. When the index
  // fails its check the error propagates before anything changed; when
  // "poziti.dat" cannot be read it propagates and the counters hold what
  // the count passes wrote.
  void Run(const std::vector<std::string>& stems, std::string_view mode, int32_t largest_act_id);

  // The steps of a run, in the order Run takes them.
  //
  // Zeroes the counters of acts 1 to `largest_act_id` and forgets the search
  // words; acts beyond that take no hits in this run.
  void ClearActHits(int32_t largest_act_id);
  // Adds `stem` to the search words and 1 to the counter of every act in its
  // chain. A stem not in the dictionary raises no counter.
  void CountWordHits(std::string_view stem);
  // Loads the positions of the search words in every act that has them all
  // (the others cannot pass), from the records the count passes read. A
  // word counted ignoring case but not stored exactly so has no positions.
  // Throws std::runtime_error when "poziti.dat" cannot be opened or read;
  // no positions are kept then.
  void LoadWordPositions();
  // Zeroes the counter of every act that fails the proximity test for
  // `mode`, then drops the positions.
  void ApplyProximity(std::string_view mode);

  // The record filter of the acts lists: true when the act's counter equals
  // the number of search words. An act outside the tables has 0 hits, so
  // with no search word (or before any run) every act passes.
  bool Accepts(int64_t id_act) const;

  // Forgets the last run, as the act-key search does: no search word, no hit.
  void Reset() { ClearActHits(0); }

  int32_t word_count() const { return static_cast<int32_t>(search_words_.size()); }
  const std::vector<std::string>& search_words() const { return search_words_; }
  // The counter of an act; 0 outside the tables.
  int32_t ActHits(int64_t id_act) const;
  // The dictionary ids of the search words (0 for a word not found), filled
  // by LoadWordPositions.
  const std::vector<int32_t>& WordIds() const { return word_ids_; }
  // An act's occurrences between LoadWordPositions and ApplyProximity, in
  // the order the words were loaded; nullopt for an act none of whose
  // records was loaded.
  std::optional<std::span<const TPos>> ActPositions(int64_t id_act) const;

 private:
  WordDictionary& dictionary_;
  std::string database_dir_;
  std::vector<std::string> search_words_;
  std::vector<std::vector<recwrd>> counted_;  // the records read per search word
  std::vector<int32_t> act_hits_;             // entry a - 1 for act a
  std::vector<int32_t> word_ids_;
  // The loaded occurrences: act a's are occurrences_[act_begin_[a - 1]] up
  // to occurrences_[act_begin_[a]]; listed_[a - 1] tells whether act a had
  // records. All empty outside a run's proximity step.
  std::vector<TPos> occurrences_;
  std::vector<uint32_t> act_begin_;
  std::vector<bool> listed_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_TEXT_SEARCH_H_
