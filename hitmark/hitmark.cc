#include "hitmark/hitmark.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A search uses at most this many words.
constexpr size_t kMaxWords = 12;

// Two occurrences are near when their start positions differ by less than
// this many bytes.
constexpr size_t kNear = 200;

using ByteMap = std::array<char, 256>;

// Windows-1250 upper-casing: ASCII letters and the accented lower-case
// letters of the code page become their capitals.
constexpr unsigned char UpperByte(unsigned char b) {
  if (b >= 'a' && b <= 'z') return b - 32;
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return b - 32;
  switch (b) {
    case 0x9A: case 0x9C: case 0x9D: case 0x9E: case 0x9F: return b - 0x10;
    case 0xB3: return 0xA3;
    case 0xB9: return 0xA5;
    case 0xBA: return 0xAA;
    case 0xBE: return 0xBC;
    case 0xBF: return 0xAF;
  }
  return b;
}

// "|" to "A", and the Romanian letters with breve, circumflex and cedilla to
// their base letters, case kept.
constexpr unsigned char FoldByte(unsigned char b) {
  switch (b) {
    case '|': return 'A';
    case 0xAA: return 'S';
    case 0xBA: return 's';
    case 0xC2: case 0xC3: return 'A';
    case 0xE2: case 0xE3: return 'a';
    case 0xCE: return 'I';
    case 0xEE: return 'i';
    case 0xDE: return 'T';
    case 0xFE: return 't';
  }
  return b;
}

constexpr ByteMap MakeMap(bool ignore_case) {
  ByteMap map{};
  for (int b = 0; b < 256; ++b) {
    unsigned char c = FoldByte(static_cast<unsigned char>(b));
    if (ignore_case) c = UpperByte(c);
    map[b] = static_cast<char>(c);
  }
  return map;
}

constexpr ByteMap kFoldMap = MakeMap(false);
constexpr ByteMap kFoldUpperMap = MakeMap(true);

// The comparison copy of `text`: same length, byte for byte through `map`.
std::string Normalize(std::string_view text, const ByteMap& map) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    out[i] = map[static_cast<unsigned char>(text[i])];
  }
  return out;
}

// The normalized search words of `search`, at most kMaxWords of them.
std::vector<std::string> SearchWords(std::string_view search, bool whole_words,
                                     bool phrase, const ByteMap& map) {
  std::vector<std::string_view> raw;
  if (phrase) {
    if (!search.empty()) raw.push_back(search);
  } else {
    size_t start = 0;
    while (start <= search.size() && raw.size() < kMaxWords) {
      size_t end = search.find(' ', start);
      if (end == std::string_view::npos) end = search.size();
      if (end > start) raw.push_back(search.substr(start, end - start));
      start = end + 1;
    }
  }
  std::vector<std::string> words;
  for (std::string_view w : raw) {
    words.push_back(Normalize(whole_words ? " " + std::string(w) : std::string(w), map));
  }
  return words;
}

// Start positions of every match of `word` in `text`, overlapping matches
// included, in ascending order. Knuth-Morris-Pratt keeps this linear in the
// text whatever the word, so a long word of repeated letters over a text of
// the same letter costs no more than any other.
std::vector<size_t> FindAll(std::string_view text, std::string_view word) {
  std::vector<size_t> found;
  const size_t m = word.size();
  if (m == 0 || m > text.size()) return found;
  // border[i]: length of the longest proper border of word[0..i].
  std::vector<size_t> border(m, 0);
  for (size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && word[i] != word[k]) k = border[k - 1];
    if (word[i] == word[k]) ++k;
    border[i] = k;
  }
  for (size_t i = 0, k = 0; i < text.size(); ++i) {
    while (k > 0 && text[i] != word[k]) k = border[k - 1];
    if (text[i] == word[k]) ++k;
    if (k == m) {
      found.push_back(i + 1 - m);
      k = border[k - 1];
    }
  }
  return found;
}

// Per byte of the text: 0, or 1 + the index of the word whose hit starts
// there (the highest such index when several do).
std::vector<uint8_t> MarkHits(const std::vector<std::vector<size_t>>& occurrences,
                              size_t text_size) {
  std::vector<uint8_t> marks(text_size, 0);
  const size_t n = occurrences.size();
  for (size_t w = 0; w < n; ++w) {
    // One cursor per other word, each at that word's first occurrence that
    // is not too far before the current one. Occurrences come in ascending
    // order, so every cursor only moves forward: linear in the occurrences.
    std::vector<size_t> cursor(n, 0);
    for (size_t p : occurrences[w]) {
      bool all_near = true;
      for (size_t v = 0; v < n && all_near; ++v) {
        if (v == w) continue;
        const std::vector<size_t>& other = occurrences[v];
        size_t& c = cursor[v];
        while (c < other.size() && other[c] + kNear <= p) ++c;
        all_near = c < other.size() && other[c] < p + kNear;
      }
      if (all_near) marks[p] = static_cast<uint8_t>(w + 1);
    }
  }
  return marks;
}

void AppendLink(std::string& out, int32_t target, const char* label) {
  out += "<a href=\"#tp+";
  out += std::to_string(target);
  out += "\">";
  out += label;
  out += "</a>";
}

// The marked copy of `text`; *hits receives the number of hits.
std::string Mark(std::string_view search, std::string_view text, bool whole_words,
                 bool match_case, bool phrase, int32_t* hits) {
  *hits = 0;
  const ByteMap& map = match_case ? kFoldMap : kFoldUpperMap;
  const std::vector<std::string> words = SearchWords(search, whole_words, phrase, map);
  if (words.empty()) return std::string(text);

  const std::string normalized = Normalize(text, map);
  std::vector<std::vector<size_t>> occurrences;
  for (const std::string& word : words) {
    occurrences.push_back(FindAll(normalized, word));
    if (occurrences.back().empty()) return std::string(text);
  }
  const std::vector<uint8_t> marks = MarkHits(occurrences, text.size());

  std::string out;
  out.reserve(text.size() + text.size() / 8);
  int32_t n = 0;
  size_t copied = 0;  // text before this offset is already in `out`
  for (size_t i = 0; i < text.size(); ++i) {
    if (marks[i] == 0 || i < copied) continue;
    out.append(text, copied, i - copied);
    ++n;
    AppendLink(out, n - 1, " << ");
    out += "<a name=\"tp+";
    out += std::to_string(n);
    out += "\">";
    const size_t length = words[marks[i] - 1].size();
    out.append(text, i, length);
    out += "</a>";
    AppendLink(out, n + 1, " >> ");
    copied = i + length;
  }
  out.append(text, copied);
  *hits = n;
  return out;
}

// The result of the last _prelct, waiting for _prelgt.
std::string pending;
bool has_pending = false;

std::string_view View(const char* s) { return s == nullptr ? std::string_view() : s; }

bool Flag(int32_t value) { return (value & 0xFF) != 0; }

}  // namespace

extern "C" int32_t _prelct(const char* words, const char* text, int32_t* result_length,
                           int32_t* hit_count, int32_t whole_words, int32_t match_case,
                           int32_t phrase) {
  int32_t hits = 0;
  pending = Mark(View(words), View(text), Flag(whole_words), Flag(match_case), Flag(phrase),
                 &hits);
  has_pending = true;
  const auto length = static_cast<int32_t>(pending.size());
  if (result_length != nullptr) *result_length = length;
  if (hit_count != nullptr) *hit_count = hits;
  return length;
}

extern "C" void _prelgt(char* buffer) {
  if (buffer != nullptr) {
    if (has_pending) {
      std::memcpy(buffer, pending.c_str(), pending.size() + 1);
    } else {
      buffer[0] = '\0';
    }
  }
  std::string().swap(pending);
  has_pending = false;
}
