#include "actsdb/stemming.h"

#include <array>
#include <cstdint>

#include "actsdb/codepage.h"

namespace actsdb {

namespace {

// The endings grouped by their last letter, each group in kSuffixes order,
// and the code page's upper case of every byte: a word is compared, from
// its end, only with the endings its last letter can close, and is never
// copied to be upper-cased.
struct EndingTable {
  std::array<char, 256> upper{};
  std::array<std::array<uint8_t, kSuffixes.size()>, 256> endings{};  // indexes into kSuffixes
  std::array<uint8_t, 256> count{};
};

const EndingTable& Endings() {
  static const EndingTable table = [] {
    EndingTable t;
    for (int b = 0; b < 256; ++b) t.upper[static_cast<size_t>(b)] = UpperChar(static_cast<char>(b));
    for (size_t i = 0; i < kSuffixes.size(); ++i) {
      const auto last = static_cast<unsigned char>(kSuffixes[i].back());
      t.endings[last][t.count[last]++] = static_cast<uint8_t>(i);
    }
    return t;
  }();
  return table;
}

// The length of FaraTerm(word), which is always a prefix of the word. An
// ending matches when the upper-cased word ends with it; a word no longer
// than the ending matches only by equalling it.
size_t FaraTermLength(std::string_view word) {
  if (word.empty()) return 0;
  const EndingTable& t = Endings();
  const auto last = static_cast<unsigned char>(t.upper[static_cast<unsigned char>(word.back())]);
  for (uint8_t k = 0; k < t.count[last]; ++k) {
    const std::string_view suffix = kSuffixes[t.endings[last][k]];
    if (suffix.size() > word.size()) continue;
    const size_t start = word.size() - suffix.size();
    size_t i = 0;
    while (i + 1 < suffix.size() &&
           t.upper[static_cast<unsigned char>(word[start + i])] == suffix[i]) {
      ++i;
    }
    if (i + 1 == suffix.size()) return start;  // the last letter matched already
  }
  return word.size();
}

}  // namespace

std::string FaraTerm(std::string_view word) { return std::string(word.substr(0, FaraTermLength(word))); }

size_t DictionaryStemLength(std::string_view word) {
  const size_t length = FaraTermLength(word);
  return length < kMaxStemLength ? length : kMaxStemLength;
}

std::string DictionaryStem(std::string_view word) {
  return std::string(word.substr(0, DictionaryStemLength(word)));
}

}  // namespace actsdb
