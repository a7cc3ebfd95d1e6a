// The line parsers of the act importer: character classes, the tokenizers,
// the picture of a heading, references to other acts and pictures written
// inline between two "~", and the heading label at the start of a line.
//
// Everything here is a pure function of Windows-1250 text and the heading
// definitions, so it is tested without a database.
#ifndef CORVANA_IDXCORE_IMPORT_TEXT_PARSING_H_
#define CORVANA_IDXCORE_IMPORT_TEXT_PARSING_H_

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace idxcore {

// What makes an act unimportable: a malformed header, reference or heading
// definition file. The message says what is wrong; the importer adds which
// act and which line.
class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text from a file quoted in a message, as the file has it: in double
// quotes, control bytes written as \xNN, and at most kQuotedBytes of it,
// followed by "..." and its whole length when it is longer. A message stays
// short and prints as it is, whatever the file holds.
inline constexpr size_t kQuotedBytes = 60;
std::string Quoted(std::string_view text);

// The character classes. Only ASCII characters are members of any of them:
// bytes from 0x80 up never are, so an unfolded Romanian letter separates
// words.
enum class CharSet {
  kLetter,       // A-Z a-z: index tokens
  kNumeral,      // blank 0-9 I L V X: the number after a word heading
  kItemNumber,   // blank ( ) . 0-9 I L V X: the start of a numbered heading
  kCode,         // / 0-9 A-Z _ a-z: codes, keys and reference words
  kReflow,       // " ' ( ) / 0-9 A-Z _ a-z: a line that may continue the last
  kSentenceEnd,  // ! . : ; ?
  kPunctuation,  // ! , . : ; ?  : a line that cannot be a title
};
bool InSet(CharSet set, char c);

// The words of `line` after folding: maximal runs of characters of `set`
// longer than `min_length`. ParseLine upper-cases them, ParseLowLine keeps
// them as written.
std::vector<std::string> ParseLine(std::string_view line, CharSet set, size_t min_length);
std::vector<std::string> ParseLowLine(std::string_view line, CharSet set, size_t min_length);

// Each byte as a letter of an index token: folded and upper-cased, or 0
// when it separates tokens.
const std::array<char, 256>& IndexTokenLetters();

// The index tokens of `line`, the words ParseLine(line, CharSet::kLetter,
// min_length) returns, handed to `visit` (called with a std::string_view)
// one by one as they are found instead of gathered in a list: an act has
// tens of thousands of them. A template, so that the visit is inlined.
template <typename Visit>
void ForEachIndexToken(const std::string& line, size_t min_length, Visit&& visit) {
  const std::array<char, 256>& letters = IndexTokenLetters();
  const auto letter = [&letters](const char* p) { return letters[static_cast<unsigned char>(*p)]; };
  // A run of token letters is copied as it is scanned, into a buffer on
  // the stack; only a run longer than that is copied again from the line
  // (the scan wraps around the buffer rather than test for its end). The
  // string's terminating NUL, which is no letter, ends the last run.
  constexpr size_t kSmall = 64;  // a power of two
  char small[kSmall];
  std::string large;
  const char* p = line.c_str();
  const char* const end = p + line.size();
  for (;;) {
    while (p != end && letter(p) == '\0') ++p;
    if (p == end) return;
    const char* const start = p;
    size_t n = 0;
    for (char c; (c = letter(p)) != '\0'; ++p, ++n) small[n & (kSmall - 1)] = c;
    if (n <= min_length) continue;
    if (n <= kSmall) {
      visit(std::string_view(small, n));
    } else {
      large.resize(n);
      for (size_t k = 0; k < n; ++k) large[k] = letter(start + k);
      visit(std::string_view(large));
    }
  }
}

// The picture of a text: every maximal run of decimal digits replaced by
// "#num". Heading definitions are written as pictures.
std::string ParsePicturePart(std::string_view text);

// Every "~code words display words~" reference of `text` replaced by its
// stored form: an act link, or a picture when the first word is "img".
// Throws ImportError for a reference with too few words.
std::string ParseLinks(std::string_view text);

// The first reference reduced to its display words (each after one blank),
// the later ones converted by ParseLinks. Used for titles.
std::string ParseTitlu(std::string_view text);

// One kind of heading, as a record of the heading definition file.
struct DefPart {
  std::string name;
  std::vector<std::string> aliases;  // pictures of heading beginnings; the first names the class
  int level = 0;                     // smaller is higher in the structure tree
};
using HeadingDefs = std::vector<DefPart>;

// Reads the heading definition file: records of a name line, a level line
// and alias lines, each record ended by a "***" line. Throws ImportError
// naming the file and line for a missing file, a level that is not an
// integer or a record without its "***".
HeadingDefs LoadHeadingDefinitions(const std::string& path);
HeadingDefs ParseHeadingDefinitions(const std::vector<std::string>& lines,
                                    const std::string& source_name);

// The heading label ("first part") at the start of `line`, after leading
// blanks: a word heading is its alias followed by numbering characters up
// to and including the second blank; a numbered heading ("(3) ", "12. ") is
// its number token and the blank after it. Empty when the line starts with
// no heading. Throws ImportError when the line holds a malformed reference.
std::string ParseFirstPart(std::string_view line, const HeadingDefs& defs);

// The class of a heading (the first alias of the last definition one of
// whose aliases begins its picture) and that definition's level. "Actul"
// and a text no alias begins are class "false", level 0.
struct HeadingClass {
  std::string name;
  int level = 0;
};
HeadingClass Lev(std::string_view first_part, const HeadingDefs& defs);

// The definitions prepared for reading many lines: ParseFirstPart and Lev
// with the longest alias found once and, for each first byte of a
// picture, only the aliases that begin with it to try, in their order. Most
// lines start with a byte no alias does. Refers to `defs`, which must
// outlive it and stay unchanged.
class HeadingMatcher {
 public:
  explicit HeadingMatcher(const HeadingDefs& defs);

  // ParseFirstPart(line, defs). `title`, when given, receives
  // ParseTitlu(line) if a label is found: the label is read from the line
  // with its references reduced, which is what a heading's title is too.
  std::string FirstPart(std::string_view line, std::string* title = nullptr) const;
  HeadingClass Class(std::string_view first_part) const;  // Lev(first_part, defs)

 private:
  struct Candidate {
    const std::string* alias;
    const DefPart* def;
  };
  // The aliases to try on a picture that starts with `first`: those that
  // begin with it, or all of them when one is empty.
  const Candidate* begin(unsigned char first) const;
  const Candidate* end(unsigned char first) const;

  size_t longest_ = 0;
  bool any_empty_ = false;
  std::vector<Candidate> candidates_;        // grouped by first byte, in file order within a group
  std::array<uint32_t, 257> group_start_{};  // group of byte b: [group_start_[b], group_start_[b + 1])
};

// Splits a text into lines at CR LF, LF or CR; a final line break ends the
// last line instead of starting an empty one.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_TEXT_PARSING_H_
