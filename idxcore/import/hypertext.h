// Conversion of an act's lines into its stored hypertext entries.
#ifndef CORVANA_IDXCORE_IMPORT_HYPERTEXT_H_
#define CORVANA_IDXCORE_IMPORT_HYPERTEXT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "idxcore/import/text_parsing.h"

namespace idxcore {

// What the conversion carries from one line to the next.
struct HypertextState {
  // True between a line opening a preformatted block (byte 0x02) and the
  // line closing it (0x01). Cleared at the start of every act.
  bool in_pre_block = false;
  // Counts down by one per line; a whole-line heading sets it to 2, so it
  // reads 1 on the line right after one, where a title may stand. Never
  // reset between acts: the title rule also needs a line index above 2.
  int32_t heading_countdown = 0;
};

// The conversion state the library keeps for its whole life.
HypertextState& LibraryHypertextState();

// Appends the entry of `source[index]` (given as `line`, which may differ
// from it by the tabs the importer blanks) to `html`: nothing for an empty
// line, a "#" header line or a "-" line among the first ten; a whole-line
// heading wrapped in <t5>; the title line after one wrapped in <t4>; a
// heading that starts running text in <b>; block markers replaced by the
// block's table tags; references converted; "<BR>" after all but headings
// and titles. Throws ImportError for a malformed reference.
// `line_first_part`, when given, is ParseFirstPart(line, defs), which the
// importer has found already; it spares finding it again.
void TextToHtml(HypertextState& state, const HeadingDefs& defs, std::string_view line,
                std::vector<std::string>& html, size_t index,
                const std::vector<std::string>& source,
                const std::string* line_first_part = nullptr);
// The same with the definitions prepared once for all the act's lines.
void TextToHtml(HypertextState& state, const HeadingMatcher& headings, std::string_view line,
                std::vector<std::string>& html, size_t index,
                const std::vector<std::string>& source,
                const std::string* line_first_part = nullptr);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_HYPERTEXT_H_
