// Word stems of the full-text index.
//
// The importer stores every indexed word of an act under its stem, and the
// viewer's search reduces what the user types with the same rule, so the two
// meet in the dictionary table (tblcuv). Both must therefore use exactly this
// list, in exactly this order, and cut the stem to the same width.
#ifndef CORVANA_ACTSDB_STEMMING_H_
#define CORVANA_ACTSDB_STEMMING_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace actsdb {

// The Romanian endings, tried in this order; the first that matches is
// removed. Order matters: "E" stands before "IILE", "ILE" and "ELE", so
// those three are never the ending removed, and reordering the list (say,
// longest first) would change every stored stem.
inline constexpr std::array<std::string_view, 20> kSuffixes = {
    "U",  "UL", "ULUI", "UI",   "IILOR", "ILOR", "II",  "EI",  "E",  "I",
    "ELOR", "IILE", "ILE", "ELE", "EIA", "EA",   "ORA", "UIA", "IA", "A"};

// The stem of `word`: the word, as given, without the first ending of
// kSuffixes that its upper-cased end equals (a word shorter than an ending
// is compared whole, so a word equal to an ending gives ""). A word with
// none of the endings is its own stem. Upper-casing is the code page's.
std::string FaraTerm(std::string_view word);

// Width of the dictionary's Word column. A stem is cut to it before it is
// looked up or stored, by the importer and by the search alike, so a long
// stem has one dictionary row and is found again.
inline constexpr size_t kMaxStemLength = 25;

// FaraTerm cut to kMaxStemLength: the key under which a word is indexed.
std::string DictionaryStem(std::string_view word);

// The length of DictionaryStem(word), which is always the start of the
// word: for a caller that keeps the stem as a view of the word it has.
size_t DictionaryStemLength(std::string_view word);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_STEMMING_H_
