#include "viewer/finding/text_words.h"

#include <cstdint>

#include "actsdb/codepage.h"
#include "actsdb/stemming.h"

namespace finding {
namespace {

// Upper-cased, a letter is A-Z or one of the Romanian capitals S and T with
// cedilla, A with circumflex, A with breve and I with circumflex.
bool IsLetter(char c) {
  const auto upper = static_cast<uint8_t>(actsdb::UpperChar(c));
  if (upper >= 'A' && upper <= 'Z') return true;
  switch (upper) {
    case 0xAA: case 0xC2: case 0xC3: case 0xCE: case 0xDE:
      return true;
  }
  return false;
}

constexpr size_t kShortestWord = 4;

}  // namespace

std::vector<std::string> SplitTextWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  auto end_word = [&] {
    if (word.size() >= kShortestWord) words.push_back(word);
    word.clear();
  };
  for (char c : text) {
    if (IsLetter(c)) {
      word += c;
    } else {
      end_word();
    }
  }
  end_word();
  return words;
}

std::string SearchStem(std::string_view word) {
  std::string folded(word);
  for (char& c : folded) c = actsdb::FoldRomanian(c);
  return actsdb::DictionaryStem(folded);
}

}  // namespace finding
