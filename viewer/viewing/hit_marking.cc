#include "viewer/viewing/hit_marking.h"

#include <charconv>
#include <stdexcept>

#include "actsdb/codepage.h"
#include "hitmark/hitmark.h"

namespace viewing {
namespace {

// A letter of the words the index holds: A to Z, either case, once the
// Romanian letters with diacritics are folded to their base letters.
bool IsWordLetter(char c) {
  const char folded = actsdb::FoldRomanian(c);
  return (folded >= 'A' && folded <= 'Z') || (folded >= 'a' && folded <= 'z');
}

bool IsAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The length of the markup that starts at `at`, or 0. A tag opens with "<"
// and a letter, "/", "!" or "?", and runs to the next ">"; a character
// reference is "&", a name or "#" and digits, and ";". A "<" or "&" of the
// act's own text (the stored text escapes neither) starts no markup.
size_t MarkupLength(std::string_view text, size_t at) {
  if (text[at] == '<' && at + 1 < text.size()) {
    const char next = text[at + 1];
    if (IsAsciiAlnum(next) || next == '/' || next == '!' || next == '?') {
      const size_t end = text.find('>', at);
      if (end != std::string_view::npos) return end + 1 - at;
    }
  } else if (text[at] == '&') {
    size_t end = at + 1;
    if (end < text.size() && text[end] == '#') ++end;
    while (end < text.size() && IsAsciiAlnum(text[end]) && end - at < 12) ++end;
    if (end > at + 1 && end < text.size() && text[end] == ';') return end + 1 - at;
  }
  return 0;
}

// What the library compares: a blank, then `text` with its letters as they
// are and every other byte, markup included, a blank. The leading blank
// lets a word at the very start be found at a word start too. Position
// p + 1 of the copy is position p of the text.
std::string WordsOnly(std::string_view text) {
  std::string copy(text.size() + 1, ' ');
  for (size_t i = 0; i < text.size();) {
    if (const size_t markup = MarkupLength(text, i)) {
      i += markup;
    } else {
      if (IsWordLetter(text[i])) copy[i + 1] = text[i];
      ++i;
    }
  }
  return copy;
}

// The links the library puts before and after hit n.
std::string BackLink(int n) {
  return "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a><a name=\"" + HitAnchor(n) +
         "\">";
}
std::string ForwardLink(int n) {
  return "</a><a href=\"#tp+" + std::to_string(n + 1) + "\"> >> </a>";
}

struct Hit {
  size_t begin;  // in the compared copy: the blank before the word
  size_t end;    // one past the stem
};

// The hits in the library's marked copy of `compared`. The copy holds no
// "<", so every "<" of the result opens a hit's markup.
std::vector<Hit> HitsOf(std::string_view marked, std::string_view compared) {
  std::vector<Hit> hits;
  size_t at = 0;  // in `compared`
  for (size_t i = 0; i < marked.size();) {
    if (marked[i] != '<') {
      ++i;
      ++at;
      continue;
    }
    const int n = static_cast<int>(hits.size()) + 1;
    const std::string before = BackLink(n);
    if (marked.substr(i, before.size()) != before) break;
    i += before.size();
    const size_t begin = at;
    while (i < marked.size() && marked[i] != '<') {
      ++i;
      ++at;
    }
    const std::string after = ForwardLink(n);
    if (marked.substr(i, after.size()) != after) break;
    i += after.size();
    hits.push_back({begin, at});
  }
  if (at != compared.size()) {
    throw std::runtime_error("hit marking: the marked text does not follow the act text");
  }
  return hits;
}

}  // namespace

MarkedText MarkHits(std::string_view text, const std::vector<std::string>& stems) {
  std::string words;
  for (const std::string& stem : stems) {
    if (stem.empty()) continue;
    bool letters = true;
    for (char c : stem) letters = letters && IsWordLetter(c);
    if (!letters) continue;
    if (!words.empty()) words += ' ';
    words += stem;
  }
  if (words.empty()) return {std::string(text), 0};

  const std::string compared = WordsOnly(text);
  int32_t length = 0;
  int32_t count = 0;
  _prelct(words.c_str(), compared.c_str(), &length, &count, /*whole_words=*/1,
          /*match_case=*/0, /*phrase=*/0);
  std::string marked(static_cast<size_t>(length) + 1, '\0');
  _prelgt(marked.data());
  marked.resize(static_cast<size_t>(length));
  if (count == 0) return {std::string(text), 0};

  const std::vector<Hit> hits = HitsOf(marked, compared);
  if (hits.size() != static_cast<size_t>(count)) {
    throw std::runtime_error("hit marking: the marked text does not hold the hits counted");
  }
  MarkedText result;
  result.hits = count;
  result.text.reserve(text.size() + hits.size() * 64);
  size_t copied = 0;  // in `text`
  for (size_t k = 0; k < hits.size(); ++k) {
    // The word starts after the blank the library matched and runs on past
    // the stem to its last letter.
    const size_t word = hits[k].begin;
    size_t word_end = hits[k].end - 1;
    while (word_end < text.size() && compared[word_end + 1] != ' ') ++word_end;
    const int n = static_cast<int>(k) + 1;
    result.text.append(text, copied, word - copied);
    result.text += BackLink(n);
    result.text.append(text, word, word_end - word);
    result.text += ForwardLink(n);
    copied = word_end;
  }
  result.text.append(text, copied);
  return result;
}

int MarkActPage(ActPage& page, const std::vector<std::string>& stems) {
  MarkedText marked = MarkHits(
      std::string_view(page.html).substr(page.text_begin, page.text_end - page.text_begin), stems);
  if (marked.hits == 0) return 0;
  page.html.replace(page.text_begin, page.text_end - page.text_begin, marked.text);
  page.text_end = page.text_begin + marked.text.size();
  return marked.hits;
}

int HitSteps::Next() {
  if (count_ > 0) current_ = current_ >= count_ ? 1 : current_ + 1;
  return current_;
}

int HitSteps::Previous() {
  if (count_ > 0) current_ = current_ <= 1 ? count_ : current_ - 1;
  return current_;
}

std::optional<int> HitSteps::Follow(int k) {
  if (count_ == 0 || k < 0 || k > count_ + 1) return std::nullopt;
  current_ = k == 0 ? count_ : k == count_ + 1 ? 1 : k;
  return current_;
}

std::string HitSteps::Status() const {
  return "Potrivirea " + std::to_string(current_) + " din " + std::to_string(count_);
}

std::string HitAnchor(int n) { return "tp+" + std::to_string(n); }

std::optional<int> HitLinkNumber(std::string_view target) {
  if (target.starts_with('#')) target.remove_prefix(1);
  if (!target.starts_with("tp+")) return std::nullopt;
  target.remove_prefix(3);
  int k = 0;
  const auto [end, error] = std::from_chars(target.data(), target.data() + target.size(), k);
  if (error != std::errc() || end != target.data() + target.size() || target.empty()) {
    return std::nullopt;
  }
  return k;
}

}  // namespace viewing
