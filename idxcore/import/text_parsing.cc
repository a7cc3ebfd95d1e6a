#include "idxcore/import/text_parsing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "actsdb/codepage.h"
#include "actsdb/stored_forms.h"

namespace idxcore {

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text.substr(0, kQuotedBytes)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
  }
  out += '"';
  if (text.size() > kQuotedBytes) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

bool InSet(CharSet set, char ch) {
  const unsigned char c = static_cast<unsigned char>(ch);
  if (c >= 0x80) return false;
  const bool digit = c >= '0' && c <= '9';
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  switch (set) {
    case CharSet::kLetter:
      return letter;
    case CharSet::kNumeral:
      return c == ' ' || digit || c == 'I' || c == 'L' || c == 'V' || c == 'X';
    case CharSet::kItemNumber:
      return c == ' ' || c == '(' || c == ')' || c == '.' || digit || c == 'I' || c == 'L' ||
             c == 'V' || c == 'X';
    case CharSet::kCode:
      return c == '/' || digit || letter || c == '_';
    case CharSet::kReflow:
      return c == '"' || c == '\'' || c == '(' || c == ')' || c == '/' || digit || letter ||
             c == '_';
    case CharSet::kSentenceEnd:
      return c == '!' || c == '.' || c == ':' || c == ';' || c == '?';
    case CharSet::kPunctuation:
      return c == '!' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
  }
  return false;
}

namespace {

// Every byte after folding: the character sets it belongs to, one bit per
// CharSet, and the folded byte as a tokenizer keeps it, as written or
// upper-cased. The tokenizers look bytes up here instead of folding and
// classifying each one.
struct FoldedTables {
  std::array<uint8_t, 256> sets{};
  std::array<char, 256> folded{};
  std::array<char, 256> upper{};
};

const FoldedTables& Folded() {
  static const FoldedTables tables = [] {
    FoldedTables t;
    for (int b = 0; b < 256; ++b) {
      const char c = actsdb::FoldRomanian(static_cast<char>(b));
      const auto i = static_cast<size_t>(b);
      for (int set = 0; set <= static_cast<int>(CharSet::kPunctuation); ++set) {
        if (InSet(static_cast<CharSet>(set), c)) t.sets[i] |= static_cast<uint8_t>(1u << set);
      }
      t.folded[i] = c;
      t.upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return t;
  }();
  return tables;
}

std::vector<std::string> Tokenize(std::string_view line, CharSet set, size_t min_length,
                                  bool upper) {
  const FoldedTables& t = Folded();
  const uint8_t member = static_cast<uint8_t>(1u << static_cast<int>(set));
  const std::array<char, 256>& out = upper ? t.upper : t.folded;
  const auto in = [&](char c) { return (t.sets[static_cast<unsigned char>(c)] & member) != 0; };
  std::vector<std::string> words;
  words.reserve(line.size() / 6 + 1);  // a word and its separator take about this many bytes
  const size_t size = line.size();
  size_t i = 0;
  while (i < size) {
    while (i < size && !in(line[i])) ++i;
    const size_t start = i;
    while (i < size && in(line[i])) ++i;
    if (i - start <= min_length) continue;
    std::string& word = words.emplace_back(i - start, '\0');
    for (size_t k = start; k < i; ++k) word[k - start] = out[static_cast<unsigned char>(line[k])];
  }
  return words;
}

// One "~...~" reference of a text, split into its words.
struct Reference {
  size_t open = 0;   // index of the opening "~"
  size_t close = 0;  // index of the closing "~"
  std::vector<std::string> code_words;
  std::vector<std::string> display_words;
  bool image = false;
};

bool FindReference(std::string_view s, Reference& ref) {
  const size_t open = s.find('~');
  if (open == std::string_view::npos) return false;
  const size_t close = s.find('~', open + 1);
  if (close == std::string_view::npos) return false;
  ref.open = open;
  ref.close = close;
  std::vector<std::string> w = ParseLowLine(s.substr(open, close - open), CharSet::kCode, 0);
  // The reference as written, for the messages.
  const auto text = [&] { return Quoted(s.substr(open, close - open + 1)); };
  if (w.empty()) throw ImportError("reference " + text() + " has no word");
  ref.image = w[0] == "img";
  size_t k = ref.image ? 3 : 4;
  if (ref.image && w.size() < 3) {
    throw ImportError("picture reference " + text() + " needs \"img\", the picture code and one more word");
  }
  if (!ref.image) {
    if (w.size() < 5) {
      throw ImportError("act reference " + text() +
                        " needs type, issuer, number, year and at least one display word");
    }
    if (w[4] == "1" || w[4] == "2") k = 5;
  }
  // The code words keep the list; the display words move out of its end.
  const auto split = w.begin() + static_cast<std::ptrdiff_t>(std::min(k, w.size()));
  ref.display_words.assign(std::make_move_iterator(split), std::make_move_iterator(w.end()));
  w.erase(split, w.end());
  ref.code_words = std::move(w);
  return true;
}

// Whether reading the references of `s` would succeed: every "~...~" pair
// has the words FindReference requires. The words are counted in place,
// not copied out.
bool ReferencesWellFormed(std::string_view s) {
  const FoldedTables& t = Folded();
  const auto code = static_cast<uint8_t>(1u << static_cast<int>(CharSet::kCode));
  const auto in = [&](char c) { return (t.sets[static_cast<unsigned char>(c)] & code) != 0; };
  const auto folded = [&](char c) { return t.folded[static_cast<unsigned char>(c)]; };
  for (;;) {
    const size_t open = s.find('~');
    if (open == std::string_view::npos) return true;
    const size_t close = s.find('~', open + 1);
    if (close == std::string_view::npos) return true;
    size_t words = 0;
    bool image = false;
    for (size_t i = open; i < close;) {
      while (i < close && !in(s[i])) ++i;
      if (i == close) break;
      const size_t start = i;
      while (i < close && in(s[i])) ++i;
      if (words++ == 0) {
        image = i - start == 3 && folded(s[start]) == 'i' && folded(s[start + 1]) == 'm' &&
                folded(s[start + 2]) == 'g';
      }
    }
    if (words < (image ? 3u : 5u)) return false;
    s.remove_prefix(close + 1);
  }
}

// Writes the picture of `text` (ParsePicturePart) to `out` as far as its
// first `limit` characters, or a little further; all of it when it is
// shorter. Returns its size; `out` needs room for limit + 3 characters.
size_t WritePicture(std::string_view text, size_t limit, char* out) {
  size_t size = 0;
  bool in_digits = false;
  for (char c : text) {
    if (size >= limit) break;
    const bool digit = c >= '0' && c <= '9';
    if (digit && !in_digits) {
      std::memcpy(out + size, "#num", 4);
      size += 4;
    }
    if (!digit) out[size++] = c;
    in_digits = digit;
  }
  return size;
}

// Room for a picture cut at `limit`: on the stack when it is small enough.
class PictureBuffer {
 public:
  explicit PictureBuffer(size_t limit) {
    if (limit + 4 > sizeof stack_) {
      heap_.resize(limit + 4);
      data_ = heap_.data();
    }
  }
  char* data() { return data_; }

 private:
  char stack_[64];
  std::string heap_;
  char* data_ = stack_;
};

}  // namespace

std::vector<std::string> ParseLine(std::string_view line, CharSet set, size_t min_length) {
  return Tokenize(line, set, min_length, true);
}

std::vector<std::string> ParseLowLine(std::string_view line, CharSet set, size_t min_length) {
  return Tokenize(line, set, min_length, false);
}

const std::array<char, 256>& IndexTokenLetters() {
  static const std::array<char, 256> kTokenLetter = [] {
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
      const char c = actsdb::FoldRomanian(static_cast<char>(b));
      if (InSet(CharSet::kLetter, c)) table[static_cast<size_t>(b)] = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return table;
  }();
  return kTokenLetter;
}

std::string ParsePicturePart(std::string_view text) {
  std::string out(text.size() * 4, '\0');  // at most "#num" for every character
  out.resize(WritePicture(text, std::string::npos, out.data()));
  return out;
}

std::string ParseLinks(std::string_view text) {
  std::string out;
  Reference ref;
  while (FindReference(text, ref)) {
    out += text.substr(0, ref.open);
    out += ref.image ? actsdb::ImageRef(ref.code_words, ref.display_words)
                     : actsdb::ActLink(ref.code_words, ref.display_words);
    text.remove_prefix(ref.close + 1);
  }
  out += text;
  return out;
}

std::string ParseTitlu(std::string_view text) {
  Reference ref;
  if (!FindReference(text, ref)) return std::string(text);
  std::string out(text.substr(0, ref.open));
  for (const std::string& w : ref.display_words) out += " " + w;
  out += ParseLinks(text.substr(ref.close + 1));
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  lines.reserve(text.size() / 64);  // act lines run to about this many bytes
  // The next CR and the next LF, each found with memchr and looked for
  // again only once passed.
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const auto next = [end](const char* from, char c) {
    const void* at = from < end ? std::memchr(from, c, static_cast<size_t>(end - from)) : nullptr;
    return at ? static_cast<const char*>(at) : end;
  };
  const char* start = begin;
  const char* cr = next(begin, '\r');
  const char* lf = next(begin, '\n');
  while (start < end) {
    if (cr < start) cr = next(start, '\r');
    if (lf < start) lf = next(start, '\n');
    const char* stop = std::min(cr, lf);
    if (stop == end) break;
    lines.emplace_back(start, stop);
    start = stop + (stop == cr && stop + 1 < end && stop[1] == '\n' ? 2 : 1);
  }
  if (start < end) lines.emplace_back(start, end);
  return lines;
}

HeadingDefs ParseHeadingDefinitions(const std::vector<std::string>& lines,
                                    const std::string& source_name) {
  HeadingDefs defs;
  size_t p = 0;
  while (p < lines.size()) {
    DefPart def;
    def.name = lines[p];
    const std::string level = p + 1 < lines.size() ? lines[p + 1] : std::string();
    const char* begin = level.data();
    const char* end = level.data() + level.size();
    while (begin < end && *begin == ' ') ++begin;
    while (end > begin && end[-1] == ' ') --end;
    const auto [ptr, ec] = std::from_chars(begin, end, def.level);
    if (begin == end || ec != std::errc() || ptr != end) {
      throw ImportError(source_name + " line " + std::to_string(p + 2) + ": level " +
                        Quoted(level) + " of heading " + Quoted(def.name) +
                        " is not an integer");
    }
    size_t q = p + 2;
    for (;; ++q) {
      if (q >= lines.size()) {
        throw ImportError(source_name + ": heading " + Quoted(def.name) +
                          " is not ended by a \"***\" line");
      }
      if (lines[q] == "***") break;
      def.aliases.push_back(lines[q]);
    }
    defs.push_back(std::move(def));
    p = q + 1;
  }
  return defs;
}

HeadingDefs LoadHeadingDefinitions(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError("cannot open the heading definitions " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return ParseHeadingDefinitions(SplitLines(text.str()), path);
}

HeadingMatcher::HeadingMatcher(const HeadingDefs& defs) {
  std::array<uint32_t, 256> count{};
  size_t total = 0;
  for (const DefPart& def : defs) {
    for (const std::string& alias : def.aliases) {
      longest_ = std::max(longest_, alias.size());
      if (alias.empty()) {
        any_empty_ = true;
      } else {
        ++count[static_cast<unsigned char>(alias[0])];
      }
      ++total;
    }
  }
  candidates_.resize(total);
  if (any_empty_) {
    // Every alias is a candidate for every picture.
    size_t k = 0;
    for (const DefPart& def : defs) {
      for (const std::string& alias : def.aliases) candidates_[k++] = {&alias, &def};
    }
    return;
  }
  for (size_t b = 0; b < 256; ++b) group_start_[b + 1] = group_start_[b] + count[b];
  std::array<uint32_t, 256> next{};
  std::copy(group_start_.begin(), group_start_.end() - 1, next.begin());
  for (const DefPart& def : defs) {
    for (const std::string& alias : def.aliases) {
      candidates_[next[static_cast<unsigned char>(alias[0])]++] = {&alias, &def};
    }
  }
}

const HeadingMatcher::Candidate* HeadingMatcher::begin(unsigned char first) const {
  return candidates_.data() + (any_empty_ ? 0 : group_start_[first]);
}

const HeadingMatcher::Candidate* HeadingMatcher::end(unsigned char first) const {
  return candidates_.data() + (any_empty_ ? candidates_.size() : group_start_[first + 1]);
}

std::string ParseFirstPart(std::string_view line, const HeadingDefs& defs) {
  return HeadingMatcher(defs).FirstPart(line);
}

HeadingClass Lev(std::string_view first_part, const HeadingDefs& defs) {
  return HeadingMatcher(defs).Class(first_part);
}

std::string HeadingMatcher::FirstPart(std::string_view line, std::string* title) const {
  if (line.empty()) return "";
  // The line with a blank after it, its references reduced. A line without
  // references is read in place: `s` is the line and `at(k)` yields the
  // blank past its end.
  std::string titled;
  std::string_view s = line;
  if (const size_t tilde = line.find('~'); tilde != std::string_view::npos) {
    // When the line's first character stands before its first reference,
    // the reduced line starts with it too, and most such characters start
    // no alias: the line is then only checked for a malformed reference,
    // not reduced.
    const size_t lead = line.find_first_not_of(' ');
    if (lead < tilde) {
      const auto first = static_cast<unsigned char>(
          line[lead] >= '0' && line[lead] <= '9' ? '#' : line[lead]);
      if (begin(first) == end(first) && ReferencesWellFormed(line)) return "";
    }
    titled = ParseTitlu(std::string(line) + " ");
    s = std::string_view(titled).substr(0, titled.size() - 1);  // it still ends in the blank
  }
  const size_t size = s.size() + 1;
  const auto at = [s](size_t k) { return k < s.size() ? s[k] : ' '; };
  // Positions below are 1-based, as the heading rules count them.
  size_t pos = 1;
  if (size > 1) {
    while (pos < size && at(pos - 1) == ' ') ++pos;
  }
  // An alias and its blank can only match the start of the picture, and
  // before `pos` there are only blanks, which the picture keeps: the
  // picture from `pos` on is all the aliases are compared with. It starts
  // with "#num" for a digit and with the byte itself otherwise; when no
  // alias starts so, there is no heading.
  const char lead = at(pos - 1);
  const auto first = static_cast<unsigned char>(lead >= '0' && lead <= '9' ? '#' : lead);
  if (begin(first) == end(first)) return "";
  const size_t limit = longest_ + 2;
  PictureBuffer buffer(limit);
  char* const picture = buffer.data();
  size_t picture_size = WritePicture(s.substr(pos - 1), limit, picture);
  if (picture_size < limit) picture[picture_size++] = ' ';  // the blank after the line
  const std::string* match = nullptr;
  for (const Candidate* c = begin(first); c != end(first); ++c) {
    // The alias followed by a blank.
    const std::string& alias = *c->alias;
    if (alias.size() < picture_size && picture[alias.size()] == ' ' &&
        std::memcmp(picture, alias.data(), alias.size()) == 0) {
      match = &alias;
    }
  }
  std::string f;
  if (match != nullptr && *match != " ") f = *match;
  int words = 0;
  for (char c : f) {
    if (InSet(CharSet::kLetter, c)) {
      words = 2;
      break;
    }
  }
  int blanks = 0;
  if (f.find("#num") != std::string::npos) {
    // A numbered heading: the number token as written, up to its blank.
    words = 1;
    f.clear();
    if (size > 1 && size > pos) {
      while (InSet(CharSet::kItemNumber, at(pos - 1)) && blanks < words) {
        const char c = at(f.size() + pos - 1);
        if (c == ' ') ++blanks;
        f += c;
        if (f.size() + pos >= size) break;
      }
    }
  } else if (size > 1 && size > f.size() + pos) {
    // A word heading: the alias and the number that follows it.
    for (;;) {
      const char c = at(f.size() + pos - 1);
      if (!InSet(CharSet::kNumeral, c) || blanks >= words) break;
      if (c == ' ') ++blanks;
      f += c;
      if (f.size() + pos >= size) break;
    }
  }
  if (title != nullptr && !f.empty()) {
    if (titled.empty()) {
      title->assign(line);
    } else {
      titled.pop_back();  // ParseTitlu(line + " ") is ParseTitlu(line) and the blank
      *title = std::move(titled);
    }
  }
  return f;
}

HeadingClass HeadingMatcher::Class(std::string_view first_part) const {
  HeadingClass result{"false", 0};
  if (first_part == "Actul") return result;
  // Only as much of the picture as the longest alias can cover: the text
  // may be a whole structure line.
  PictureBuffer buffer(longest_);
  const std::string_view picture(buffer.data(), WritePicture(first_part, longest_, buffer.data()));
  if (picture.empty()) {
    // Only an empty alias begins it, and then every alias is a candidate.
    if (!any_empty_) return result;
  }
  const auto first = picture.empty() ? 0 : static_cast<unsigned char>(picture[0]);
  for (const Candidate* c = begin(first); c != end(first); ++c) {
    if (picture.starts_with(*c->alias)) result = {c->def->aliases.front(), c->def->level};
  }
  return result;
}

}  // namespace idxcore
