#include "viewer/finding/act_key.h"

#include "actsdb/codepage.h"
#include "actsdb/store.h"

namespace finding {

std::vector<std::string> SplitKeyWords(std::string_view text) {
  std::string walked = std::string(text) + " ";
  if (walked.front() == ' ') walked.erase(0, 1);
  std::vector<std::string> words;
  std::string word;
  for (char c : walked) {
    if (c == ' ') {
      words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

std::optional<std::string> ActKeyOfReference(std::string_view text) {
  std::vector<std::string> words = SplitKeyWords(text);
  if (words.size() < 4) return std::nullopt;
  if (words[0] == "con" || words[0] == "cpe") words[2] = "1000000";
  if (words.size() < 5) words.push_back("0");
  std::string key = words[0];
  for (size_t i = 1; i < 5; ++i) key += " " + words[i];
  return actsdb::UpperCase(key);
}

bool LocateActByKey(actsdb::Dataset& acts, std::string_view text) {
  const std::optional<std::string> key = ActKeyOfReference(text);
  return key && acts.Locate("IndNum", *key);
}

}  // namespace finding
