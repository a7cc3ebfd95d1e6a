#include "actsdb/stemming.h"

#include "actsdb/codepage.h"

namespace actsdb {

std::string FaraTerm(std::string_view word) {
  const std::string upper = UpperCase(word);
  const std::string_view u = upper;
  for (std::string_view suffix : kSuffixes) {
    const std::string_view end = u.size() > suffix.size() ? u.substr(u.size() - suffix.size()) : u;
    if (end == suffix) return std::string(word.substr(0, word.size() - end.size()));
  }
  return std::string(word);
}

std::string DictionaryStem(std::string_view word) {
  std::string stem = FaraTerm(word);
  if (stem.size() > kMaxStemLength) stem.resize(kMaxStemLength);
  return stem;
}

}  // namespace actsdb
