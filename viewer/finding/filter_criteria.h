// The criteria of the filter window, without its widgets.
//
// Criteria are kept as a tree of three levels: four groups, fourteen fixed
// criteria under them, and the values the user has entered under each
// criterion. A criterion is active when it has a value. Each box of the
// window feeds one criterion through Enter(), which applies that box's rule
// for what its text is worth (a word list, a code table row, a number, a
// date); the rules differ on purpose, so that a date box, for instance,
// keeps its last good value while the user is typing a new one.
//
// The tree stands for one SQL text over the acts table (all criteria but
// the words of the text, which the text search handles). The text is the
// acts list's query with the viewer's dialect ('d/m/yyyy' dates,
// "ASCENDING"), built line by line exactly as the acts lists compare it, so
// that an unchanged tree gives an unchanged query.
#ifndef CORVANA_VIEWER_FINDING_FILTER_CRITERIA_H_
#define CORVANA_VIEWER_FINDING_FILTER_CRITERIA_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace actsdb {
class Database;
class Table;
}  // namespace actsdb

namespace finding {

enum class CriteriaGroup { kCuvinte, kProprietati, kPublicatia, kData };
inline constexpr size_t kGroupCount = 4;

// In the tree's order.
enum class Criterion {
  kInTitlu,
  kInText,
  kTipul,
  kDomeniul,
  kEmitentul,
  kNumarul,
  kAnul,
  kNumele,
  kNumarulPublicatiei,
  kLimba,
  kEmisDeLa,
  kEmisPanaLa,
  kPublicatDeLa,
  kPublicatPanaLa,
};
inline constexpr size_t kCriterionCount = 14;

// The captions of the tree's nodes: "Cuvinte", "In titlu", ...
std::string_view Caption(CriteriaGroup group);
std::string_view Caption(Criterion criterion);
CriteriaGroup GroupOf(Criterion criterion);

// The choice of a lookup box, and of the language box, that means "any".
inline constexpr std::string_view kAnyChoice = "(oricare)";
inline constexpr std::string_view kLanguageRomanian = "Romana";
inline constexpr std::string_view kLanguageHungarian = "Maghiara";

// The four code tables the lookup boxes choose from ("Tipul", "Domeniul",
// "Emitentul" and "Publicatia", the last feeding the criterion kNumele).
class CodeTables {
 public:
  // Opens the tables of `db` for reading; `db` must outlive this object.
  explicit CodeTables(actsdb::Database& db);
  ~CodeTables();
  CodeTables(const CodeTables&) = delete;
  CodeTables& operator=(const CodeTables&) = delete;

  // The id of the row of `criterion`'s table whose name equals `name`
  // exactly, case included.
  std::optional<int64_t> IdOfName(Criterion criterion, const std::string& name);
  // The name of the row whose code (IndCod) equals `code` exactly.
  std::optional<std::string> NameOfCode(Criterion criterion, const std::string& code);
  // Every name of the table, walking it from its first row.
  std::vector<std::string> Names(Criterion criterion);

 private:
  struct Lookup;
  Lookup& For(Criterion criterion);

  std::array<std::unique_ptr<Lookup>, 4> lookups_;
};

// One value of a criterion: the text as the user typed it and, for the
// lookup criteria, the id of the row it names.
struct CriterionValue {
  std::string text;
  int64_t id = 0;

  bool operator==(const CriterionValue&) const = default;
};

class FilterCriteria {
 public:
  // Starts with no active criterion and every group collapsed.
  explicit FilterCriteria(CodeTables& tables);

  // The text of `criterion`'s box changed to `text` (Windows-1250); its
  // values are replaced or kept by the box's rule:
  //   - kInTitlu, kInText: one value per word of more than three letters,
  //     in order, as typed;
  //   - kTipul, kDomeniul, kEmitentul, kNumele: the text with its first
  //     letter raised (a-z only) when it names a row of the table; any
  //     other text, "(oricare)" included, leaves the criterion inactive;
  //   - kLimba: the text unless it is "(oricare)" or empty;
  //   - kNumarul, kAnul: the text when it is an integer, otherwise none;
  //   - kNumarulPublicatiei and the four dates: the text when it is an
  //     integer (a date in the form d/m/yyyy); otherwise, and when it is
  //     empty, the previous value stays.
  // Accepting a value expands the criterion's group. Returns false when
  // the text was refused (not a row, not an integer, not a date), true
  // when the criterion now holds what the text says, including nothing.
  bool Enter(Criterion criterion, std::string_view text);

  // Removes every value and collapses every group.
  void Clear();

  const std::vector<CriterionValue>& values(Criterion criterion) const {
    return values_[static_cast<size_t>(criterion)];
  }
  bool active(Criterion criterion) const { return !values(criterion).empty(); }
  bool expanded(CriteriaGroup group) const { return expanded_[static_cast<size_t>(group)]; }

  // The words to search the text for, in order.
  std::vector<std::string> TextWords() const;

  // The lines of the acts query for every criterion but the text words: the
  // SELECT line, then one parenthesised group per active criterion, its
  // values as alternatives ("OR"), the groups joined by "AND", with "WHERE"
  // before the first group. Values go in as typed: the box rules admit only
  // letters into the title conditions and digits, signs and "/" into the
  // numbers and dates; the language condition takes the first character of
  // its value (the window offers only its three choices).
  std::vector<std::string> SqlLines() const;

 private:
  void SetValue(Criterion criterion, CriterionValue value);

  CodeTables& tables_;
  std::array<std::vector<CriterionValue>, kCriterionCount> values_;
  std::array<bool, kGroupCount> expanded_{};
};

// Whether `text` is a 32-bit integer in decimal, with an optional sign and
// nothing else: what the number boxes take.
bool IsIntegerText(std::string_view text);

// The SQL text of `lines`: each line followed by CR LF.
std::string SqlText(const std::vector<std::string>& lines);

// The filter expression the in-memory acts list takes for the SQL text
// `sql_text`: everything after its first "WHERE", with every CR and LF made
// a blank; nullopt when the text has no "WHERE".
std::optional<std::string> ClientFilterExpression(std::string_view sql_text);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FILTER_CRITERIA_H_
