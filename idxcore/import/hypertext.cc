#include "idxcore/import/hypertext.h"

#include <algorithm>
#include <limits>

namespace idxcore {

namespace {

constexpr char kBlockOpen[] = "<table border=0 align=center><tr><td><pre><font size=-1>";
constexpr char kBlockClose[] = "</font></pre></tr></td></table>";

// The line without a trailing parenthesised remark, for deciding whether a
// heading fills the line: "Art. 5 (abrogat)" is a whole-line heading.
std::string_view WithoutRemark(std::string_view line) {
  if (line.empty() || line.back() != ')') return line;
  const size_t open = line.rfind('(');
  return open == std::string_view::npos ? std::string_view() : line.substr(0, open);
}

}  // namespace

HypertextState& LibraryHypertextState() {
  static HypertextState state;
  return state;
}

void TextToHtml(HypertextState& state, const HeadingDefs& defs, std::string_view line,
                std::vector<std::string>& html, size_t index,
                const std::vector<std::string>& source, const std::string* line_first_part) {
  TextToHtml(state, HeadingMatcher(defs), line, html, index, source, line_first_part);
}

void TextToHtml(HypertextState& state, const HeadingMatcher& headings, std::string_view line,
                std::vector<std::string>& html, size_t index,
                const std::vector<std::string>& source, const std::string* line_first_part) {
  if (state.heading_countdown > std::numeric_limits<int32_t>::min()) --state.heading_countdown;
  bool want_break = true;
  if (line.empty() || line[0] == '#' || (line[0] == '-' && index < 10)) return;

  std::string x;
  x.reserve(line.size() + 16);  // room for the markup and "<BR>"
  x.assign(line);
  const std::string_view reduced = WithoutRemark(line);
  const std::string first = line_first_part != nullptr && reduced.size() == line.size()
                                ? *line_first_part
                                : headings.FirstPart(reduced);
  if (!state.in_pre_block) {
    if (!first.empty()) {
      const size_t found = reduced.find(first);
      const size_t p = found == std::string_view::npos ? 0 : found + 1;  // 1-based, 0: absent
      const size_t tilde = x.find('~');
      if (p + first.size() - 1 == reduced.size()) {
        const size_t keep = p > 0 ? p - 1 : 0;
        x.insert(keep, "<t5>");
        x += "</t5>";
        state.heading_countdown = 2;
        want_break = false;
      } else if (p > 0 && (tilde == std::string::npos || p - 1 < tilde)) {
        x.insert(std::min(x.size(), p - 1 + first.size()), "</b>");
        x.insert(p - 1, "<b>");
      }
      // A heading that is not in the line as written (it came out of a
      // reference) is left unmarked.
    } else if (state.heading_countdown == 1 && !InSet(CharSet::kPunctuation, x.back()) &&
               index > 2 && !headings.FirstPart(source[index - 1]).empty()) {
      x.insert(0, "<t4>");
      x += "</t4>";
      want_break = false;
    }
  }
  if (x.find('~') != std::string::npos) x = ParseLinks(x);
  if (!x.empty() && x[0] == '\x02') {
    x = kBlockOpen;
    state.in_pre_block = true;
  } else if (!x.empty() && x[0] == '\x01') {
    x = kBlockClose;
    state.in_pre_block = false;
  }
  if (state.in_pre_block || want_break) x += "<BR>";
  html.push_back(std::move(x));
}

}  // namespace idxcore
