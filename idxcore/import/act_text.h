// The text side of importing one act: from its reflowed lines to its
// hypertext, structure text and indexed words. The database is reached
// only through the callback that stores a part and returns its id, so the
// whole conversion runs (and is tested) without one.
#ifndef CORVANA_IDXCORE_IMPORT_ACT_TEXT_H_
#define CORVANA_IDXCORE_IMPORT_ACT_TEXT_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "idxcore/import/hypertext.h"
#include "idxcore/import/text_parsing.h"

namespace idxcore {

// The three ways a driver treats an act's lines.
enum class ImportVariant {
  kPlain,              // node titles are the line's title text
  kWithModifications,  // node titles are the whole line
  kStream,             // no tab blanking; labels pass through ParseLinks
};

// The act's word set: each stem (cut to the dictionary width) once, with
// the positions of its tokens, ascending; ordered byte-wise by stem.
using WordSet = std::vector<std::pair<std::string, std::vector<int>>>;

struct ConvertedAct {
  std::vector<std::string> hypertext;  // entries, without line ends
  std::string structure;               // the structure text, CR LF lines
  WordSet words;

  // The hypertext as stored: every entry followed by CR LF.
  std::string HypertextText() const;
};

// Stores one part (the heading label) and returns its IdParte.
using AddPartFn = std::function<long(const std::string& label)>;

// Converts every line of `lines` in order: its word tokens, its heading
// (a part, a structure node and an anchor entry), its hypertext entry.
// Throws ImportError with "line N: " before the cause, N being the
// 1-based source line from `origin` (or the reflowed index + 1 without
// it).
ConvertedAct ConvertActText(const std::vector<std::string>& lines, const HeadingDefs& defs,
                            HypertextState& state, ImportVariant variant,
                            const AddPartFn& add_part,
                            const std::vector<size_t>* origin = nullptr);

// Adds one occurrence of `stem` at `position` to the word set.
void IntroWord(WordSet& words, const std::string& stem, int position);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_ACT_TEXT_H_
