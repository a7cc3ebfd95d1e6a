// From the text of a reference between acts to the act it names.
//
// A reference, as the act hypertext writes it after "# ", is the act's code
// words separated by blanks: type code, issuer code, number, year and, when
// the act is a republication, its number. The act key (IndNum) is the same
// five words in upper case, the fifth "0" when the reference has only four;
// constitutions and similar acts ("con", "cpe") have no number, so their
// references carry one that the key replaces by 1000000.
#ifndef CORVANA_VIEWER_FINDING_ACT_KEY_H_
#define CORVANA_VIEWER_FINDING_ACT_KEY_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace actsdb {
class Dataset;
}

namespace finding {

// The words of `text`: one leading blank is skipped, then every blank, and
// the end of the text, ends a word. Two blanks in a row therefore give an
// empty word, as does a blank at the end; an empty text gives none.
std::vector<std::string> SplitKeyWords(std::string_view text);

// The act key of the reference `text` (Windows-1250); nullopt when it has
// fewer than four words. Words after the fifth are ignored.
std::optional<std::string> ActKeyOfReference(std::string_view text);

// Positions `acts` (the direct acts view) on the act the reference `text`
// names and returns true; returns false, leaving `acts` where it was, when
// no act has that key.
bool LocateActByKey(actsdb::Dataset& acts, std::string_view text);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_ACT_KEY_H_
