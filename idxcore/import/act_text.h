// The text side of importing one act: from its reflowed lines to its
// hypertext, structure text and indexed words. The database is reached
// only through the callback that stores a part and returns its id, so the
// whole conversion runs (and is tested) without one.
#ifndef CORVANA_IDXCORE_IMPORT_ACT_TEXT_H_
#define CORVANA_IDXCORE_IMPORT_ACT_TEXT_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
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
//
// Flat, so that an act of a thousand stems costs a few allocations rather
// than one per stem: the stems' bytes share one buffer, their positions one
// array, grouped by stem in stem order (the order "poziti.dat" takes them
// in), and each stem has a small entry locating both.
class WordSet {
 public:
  WordSet() = default;

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::string_view stem(size_t i) const {
    return std::string_view(bytes_).substr(entries_[i].stem_offset, entries_[i].stem_length);
  }
  std::span<const int> positions(size_t i) const {
    return std::span<const int>(positions_).subspan(entries_[i].first_position,
                                                    entries_[i].position_count);
  }

  // The same stems with the same positions, however each set was built.
  friend bool operator==(const WordSet& a, const WordSet& b);

 private:
  friend class WordSetBuilder;
  friend void IntroWord(WordSet& words, const std::string& stem, int position);

  struct Entry {
    uint32_t stem_offset;  // into bytes_
    uint32_t stem_length;
    uint32_t first_position;  // into positions_
    uint32_t position_count;
  };

  std::string bytes_;  // holds every stem's bytes, maybe among others
  std::vector<int> positions_;
  std::vector<Entry> entries_;
};

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

// Adds one occurrence of `stem` at `position` to the word set, after the
// stem's other positions.
void IntroWord(WordSet& words, const std::string& stem, int position);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_ACT_TEXT_H_
