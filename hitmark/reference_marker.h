// The hit-marking rule written out step by step, slow and plain: every
// occurrence carries its 12 "seen" flags and every pair of occurrences is
// compared. Tests and the fuzz target check the library against it.
#ifndef CORVANA_HITMARK_REFERENCE_MARKER_H_
#define CORVANA_HITMARK_REFERENCE_MARKER_H_

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hitmark_reference {

struct Marked {
  std::string text;
  int32_t hits = 0;
};

inline unsigned char Normalize(unsigned char c, bool match_case) {
  static constexpr struct { unsigned char from, to; } kFold[] = {
      {'|', 'A'},  {0xAA, 'S'}, {0xBA, 's'}, {0xC2, 'A'}, {0xE2, 'a'}, {0xC3, 'A'},
      {0xE3, 'a'}, {0xCE, 'I'}, {0xEE, 'i'}, {0xDE, 'T'}, {0xFE, 't'},
  };
  for (const auto& f : kFold) {
    if (c == f.from) {
      c = f.to;
      break;
    }
  }
  if (match_case) return c;
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if (c >= 0xE0 && c != 0xF7 && c != 0xFF) return c - 0x20;
  switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9D: return 0x8D;
    case 0x9E: return 0x8E;
    case 0x9F: return 0x8F;
    case 0xB3: return 0xA3;
    case 0xB9: return 0xA5;
    case 0xBA: return 0xAA;
    case 0xBE: return 0xBC;
    case 0xBF: return 0xAF;
  }
  return c;
}

inline std::string Normalize(std::string_view s, bool match_case) {
  std::string out;
  for (char c : s) out += static_cast<char>(Normalize(static_cast<unsigned char>(c), match_case));
  return out;
}

inline Marked Mark(std::string_view search, std::string_view text, bool whole_words,
                   bool match_case, bool phrase) {
  std::vector<std::string> words;
  if (phrase) {
    if (!search.empty()) words.emplace_back(search);
  } else {
    std::string word;
    for (char c : std::string(search) + ' ') {
      if (c != ' ') {
        word += c;
      } else if (!word.empty()) {
        words.push_back(word);
        word.clear();
      }
    }
  }
  if (words.size() > 12) words.resize(12);
  for (std::string& w : words) w = Normalize(whole_words ? " " + w : w, match_case);

  const std::string copy = Normalize(text, match_case);
  struct Occurrence {
    int32_t position, word;
    bool seen[12];
    int32_t count;
  };
  std::vector<Occurrence> occurrences;
  for (size_t w = 0; w < words.size(); ++w) {
    for (size_t p = copy.find(words[w]); p != std::string::npos; p = copy.find(words[w], p + 1)) {
      occurrences.push_back({static_cast<int32_t>(p), static_cast<int32_t>(w), {}, 0});
    }
  }
  std::stable_sort(occurrences.begin(), occurrences.end(),
                   [](const Occurrence& a, const Occurrence& b) { return a.position < b.position; });
  for (const Occurrence& o : occurrences) {
    for (Occurrence& other : occurrences) {
      if (std::abs(other.position - o.position) < 200) other.seen[o.word] = true;
    }
  }
  std::vector<int32_t> marks(text.size(), 0);
  for (Occurrence& o : occurrences) {
    o.count = static_cast<int32_t>(std::count(o.seen, o.seen + 12, true));
    if (o.count == static_cast<int32_t>(words.size())) {
      marks[o.position] = std::max(marks[o.position], o.word + 1);
    }
  }

  Marked out;
  int32_t n = 0;
  for (size_t i = 0; i < text.size();) {
    if (marks[i] == 0) {
      out.text += text[i++];
      continue;
    }
    ++n;
    const size_t length = words[marks[i] - 1].size();
    out.text += "<a href=\"#tp+" + std::to_string(n - 1) + "\"> << </a>";
    out.text += "<a name=\"tp+" + std::to_string(n) + "\">";
    out.text += text.substr(i, length);
    out.text += "</a>";
    out.text += "<a href=\"#tp+" + std::to_string(n + 1) + "\"> >> </a>";
    i += length;
  }
  out.hits = n;
  return out;
}

}  // namespace hitmark_reference

#endif  // CORVANA_HITMARK_REFERENCE_MARKER_H_
