// The words of the text search, as the user types them.
//
// A typed text is cut into words the way the index cuts act texts, and each
// word is reduced to the key under which the index stores it: Romanian
// letters folded to ASCII, the inflection ending removed, the stem cut to the
// dictionary's width. A word the index can hold is therefore found whether it
// is typed with diacritics or without.
#ifndef CORVANA_VIEWER_FINDING_TEXT_WORDS_H_
#define CORVANA_VIEWER_FINDING_TEXT_WORDS_H_

#include <string>
#include <string_view>
#include <vector>

namespace finding {

// The words of `text` (Windows-1250), in order, as typed: maximal runs of
// letters (A-Z, a-z and the Romanian letters with diacritics) longer than 3
// characters. Every other character separates words; shorter words are
// dropped, as the index never holds them.
std::vector<std::string> SplitTextWords(std::string_view text);

// The stem of one word: its Romanian letters folded to ASCII, then its
// ending removed and the result cut as the index does. Case is kept; the
// dictionary lookup upper-cases it.
std::string SearchStem(std::string_view word);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_TEXT_WORDS_H_
