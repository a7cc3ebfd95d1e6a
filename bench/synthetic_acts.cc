#include "bench/synthetic_acts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvana_bench {

namespace {

// splitmix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  uint64_t state_;
};

constexpr size_t kVocabularySize = 30000;

// Syllables of Romanian-looking words; some carry the code page's letters
// (ă 0xE3, â 0xE2, î 0xEE, ş 0xBA, ţ 0xFE).
constexpr const char* kSyllables[] = {
    "a",  "ba", "ca", "de", "e",  "fi", "ge", "i",  "la", "ma", "ne", "o",   "pa", "re",
    "si", "ta", "u",  "va", "co", "mu", "ni", "pro", "tra", "con", "lor", "ul", "ii", "ea",
    "\xE3", "t\xE3", "\xEEn", "\xBAi", "\xFEi", "r\xE2", "str", "ment", "ie", "iu", "ar", "or"};

struct Vocabulary {
  std::vector<std::string> words;
  std::vector<double> cumulative;  // Zipf weights 1 / rank^1.07, summed
};

const Vocabulary& Words() {
  static const Vocabulary vocabulary = [] {
    Vocabulary v;
    Rng rng(0xC0DE);
    const size_t syllables = sizeof(kSyllables) / sizeof(kSyllables[0]);
    double total = 0;
    while (v.words.size() < kVocabularySize) {
      std::string word;
      const size_t parts = 1 + rng.Below(4);
      for (size_t i = 0; i < parts; ++i) word += kSyllables[rng.Below(syllables)];
      v.words.push_back(word);
      total += 1.0 / std::pow(static_cast<double>(v.words.size()), 1.07);
      v.cumulative.push_back(total);
    }
    for (double& c : v.cumulative) c /= total;
    return v;
  }();
  return vocabulary;
}

const std::string& Word(Rng& rng) {
  const Vocabulary& v = Words();
  const size_t at = static_cast<size_t>(
      std::lower_bound(v.cumulative.begin(), v.cumulative.end(), rng.Unit()) -
      v.cumulative.begin());
  return v.words[std::min(at, v.words.size() - 1)];
}

std::string Roman(size_t n) {
  static const char* const kRoman[] = {"I",  "II",  "III",  "IV", "V",
                                       "VI", "VII", "VIII", "IX", "X"};
  return n <= 10 ? kRoman[n - 1] : std::to_string(n);
}

void Sentence(Rng& rng, size_t index, std::string& out) {
  const size_t words = 8 + rng.Below(25);
  for (size_t i = 0; i < words; ++i) {
    out += ' ';
    if (index > 0 && rng.Below(60) == 0) {
      // A reference to an earlier act of the series.
      const size_t target = rng.Below(index);
      const std::string number = std::to_string(target + 1);
      const std::string year = std::to_string(1990 + target % 30);
      out += "~L P " + number + " " + year + " Legea nr. " + number + "/" + year + "~";
      continue;
    }
    out += Word(rng);
  }
  out += rng.Below(5) == 0 ? "," : ".";
}

}  // namespace

std::string SyntheticAct(size_t index, const SyntheticActOptions& options) {
  Rng rng(options.seed * 0x100000001B3ull + index);
  const std::string number = std::to_string(index + 1);
  const std::string year = std::to_string(1990 + index % 30);
  std::string out;
  out.reserve(options.text_bytes + 512);
  out += "#L P " + year + " " + number + "\r\n";
  out += rng.Below(3) == 0 ? "#ACH CONC\r\n" : "#ACH\r\n";
  out += "#D: " + std::to_string(1 + rng.Below(28)) + "/" + std::to_string(1 + rng.Below(12)) +
         "/" + year + "\r\n";
  out += "#M.Of. nr. " + std::to_string(1 + rng.Below(999)) + " din " +
         std::to_string(1 + rng.Below(28)) + "/" + std::to_string(1 + rng.Below(12)) + "/" +
         year + "\r\n";
  if (index > 0 && rng.Below(4) == 0) {
    const size_t target = rng.Below(index);
    out += "#M L P " + std::to_string(1990 + target % 30) + " " + std::to_string(target + 1) +
           " 0\r\n";
  }
  out += "privind";
  for (size_t i = 0; i < 6 + rng.Below(10); ++i) out += " " + Word(rng);
  out += "\r\n#\r\n";

  size_t chapter = 0;
  size_t article = 0;
  while (out.size() < options.text_bytes) {
    if (article % 8 == 0) {
      ++chapter;
      out += " Capitolul " + Roman(chapter) + "\r\n ";
      for (size_t i = 0; i < 2 + rng.Below(4); ++i) out += (i ? " " : "") + Word(rng);
      out += "\r\n";
    }
    ++article;
    out += " Articolul " + std::to_string(article) + "\r\n";
    const size_t paragraphs = 1 + rng.Below(4);
    for (size_t p = 1; p <= paragraphs; ++p) {
      out += paragraphs > 1 ? " (" + std::to_string(p) + ")" : std::string();
      for (size_t s = 0; s < 1 + rng.Below(4); ++s) Sentence(rng, index, out);
      out += "\r\n";
    }
  }
  return out;
}

std::string SyntheticHeadingDefinitions() {
  return "Capitol\r\n2\r\nCapitolul\r\n***\r\n"
         "Articol\r\n5\r\nArticolul\r\n***\r\n"
         "Alineat\r\n6\r\n(#num)\r\n***\r\n";
}

std::string SyntheticCodeTables() {
  return "tblTipAct\tL\tLege\n"
         "tblEmitenti\tP\tParlamentul\n"
         "tblDomenii\tACH\tAchizitii publice\n"
         "tblDomenii\tCONC\tConcesiuni\n"
         "tblPublicatii\tMOF\tMonitorul Oficial\n"
         "tbltipmod\tM\tmodificat\n";
}

}  // namespace corvana_bench
