// Modifications between acts: the lines that say which act (or which part
// of it) modified which other one, turned into tblModif rows that join two
// parts, with the modified part marked.
//
// Act-level lines go through the queue table tblmodtxt, because they may
// arrive before the acts they name: a queued row stays pending until both
// acts are in the database and is retried by every later run. Part-level
// lines are applied at once or dropped.
//
// A malformed line or queue row (too few key words, a part number that is
// not a number, an unknown modification type) is reported through the
// caller's sink with its text and the reason, and skipped; the rest of the
// input is still processed. Each line or queue row is applied in one
// transaction, so a failure never leaves a half-made link.
#ifndef CORVANA_IDXCORE_SESSION_MODIFICATIONS_H_
#define CORVANA_IDXCORE_SESSION_MODIFICATIONS_H_

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "actsdb/store.h"

namespace idxcore {

// What makes one modification line or queue row unusable.
class ModificationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Receives one report (Windows-1250 text) about a line that was skipped.
using ReportFn = std::function<void(const std::string& message)>;

// The act key (IndNum) named by a key text. The text gives type, issuer,
// year, number, republication; the key puts the number before the year:
// "L PARL 2001 12 0" names "L PARL 12 2001 0". Words are the code-set runs
// of the text after folding, upper-cased. With `default_republication` a
// text of four words gets "0" as its fifth. Throws ModificationError when
// the text has too few words.
std::string ActKeyFromText(std::string_view text, bool default_republication);

// One act-level line: "K modified-act-text#" + one ignored character +
// "modifying-act-text" (the form the importer saves, "M L P 2000 10 0##...").
struct ActModification {
  std::string type_code;   // one character, a tbltipmod code
  std::string modified;    // key text, four or five words
  std::string modifying;   // key text, five words, at most 100 characters
};
// Throws ModificationError for a line without its "#" or whose key texts
// have too few words.
ActModification ParseActModification(std::string_view line);

// One part-level line of fifteen words: modifying act (5), its part kind and
// number, the type code, modified act (5), its part kind and number.
struct PartModification {
  std::string modifying_key;
  char modifying_kind = 0;
  int modifying_number = 0;
  std::string type_code;
  std::string modified_key;
  char modified_kind = 0;
  int modified_number = 0;
};
// Throws ModificationError for fewer than fifteen words or a part number
// that is not a decimal number.
PartModification ParsePartModification(std::string_view line);

// The number a part label carries, for the part lookup: "ANEXA" alone
// counts annexes (`annex_counter` is increased and is the number); else,
// after trailing blanks and one trailing "." are dropped, the trailing
// decimal digits; else a trailing roman numeral from I to X (a longer one
// reads by its last letters: "XI" is 1); else 0 ("Actul").
int PartNumber(std::string_view label, int& annex_counter);

// The part of an act that a kind ("A" article, "C" chapter, "S" section,
// "T" the whole act, "X" annex) and number name, among the act's part
// labels in order: the first whose label begins with the kind's prefix
// (ART, CAP, SEC, ACT, ANE; compared upper-cased) and whose number matches;
// the last part when none does. `labels` must not be empty.
size_t FindPart(const std::vector<std::string>& labels, char kind, int number);

// The tables the processing writes, opened by the session.
struct ModificationTables {
  actsdb::Database& db;
  actsdb::Table& acts;   // tblActe
  actsdb::Table& parts;  // tblParti
  actsdb::Table& types;  // tbltipmod
  actsdb::Table& links;  // tblModif
  actsdb::Table& queue;  // tblmodtxt
};

// Queues every act-level line of `text` (a line already in the queue, done
// or not, is not queued again) and then tries every pending row of the
// queue, older ones included. Returns the number of rows resolved.
int ProcessActModifications(const ModificationTables& tables, std::string_view text,
                            const ReportFn& report);

// Applies every part-level line of `text` whose two acts exist; lines
// naming a missing act are dropped. A link that exists already is not
// made twice. Returns the number of lines applied.
int ProcessPartModifications(const ModificationTables& tables, std::string_view text,
                             const ReportFn& report);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_SESSION_MODIFICATIONS_H_
