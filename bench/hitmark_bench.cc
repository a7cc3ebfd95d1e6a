// Hit marking on a large act hypertext with frequent search words, where
// every occurrence has many others of each word within reach.
//
//   build/bench/hitmark_bench
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hitmark/hitmark.h"

namespace {

// Act hypertext of at least `size` bytes in the stored form: part anchors,
// headings, running text with links, every entry ended by CR LF.
std::string ActHypertext(size_t size) {
  static const char* const kSentences[] = {
      "Prezenta ordonan\xFE\xE3 de urgen\xFE\xE3 are drept scop stabilirea principiilor, "
      "cadrului general \xBAi a procedurilor pentru atribuirea contractului de "
      "achizi\xFEie public\xE3.",
      "Principiile care stau la baza atribuirii contractului de achizi\xFEie public\xE3 sunt "
      "libera concuren\xFE\xE3, eficien\xFE" "a utiliz\xE3rii fondurilor publice, "
      "transparen\xFE" "a \xBAi tratamentul egal.",
      "Autoritatea contractant\xE3 are obliga\xFEia de a transmite spre publicare anun\xFEul "
      "de participare, cu cel pu\xFEin 52 de zile \xEEnainte de data limit\xE3 de depunere "
      "a ofertelor.",
      "Contesta\xFEia se depune la autoritatea contractant\xE3 \xEEn termen de 5 zile de la "
      "data lu\xE3rii la cuno\xBAtin\xFE\xE3, potrivit",
      "Valoarea estimat\xE3 se calculeaz\xE3 la data transmiterii anun\xFEului, de la caz "
      "la caz, potrivit regulilor legale aplicabile la data declan\xBA\xE3rii procedurii.",
  };
  std::string text;
  text.reserve(size + 1024);
  for (int article = 1; text.size() < size; ++article) {
    text += "<a name=" + std::to_string(1000 + article) + "> </a>\r\n";
    text += "<t5>Articolul " + std::to_string(article) + "</t5>\r\n";
    for (int paragraph = 0; paragraph < 4; ++paragraph) {
      text += "(" + std::to_string(paragraph + 1) + ") ";
      for (const char* sentence : kSentences) text += std::string(sentence) + ' ';
      text += "<a href=\"# L PARL 212 2002\"> LEGEA nr. 212 din 19 aprilie 2002</a>.<BR>\r\n";
    }
  }
  return text;
}

// One search as a caller makes it: mark, then fetch the result.
int32_t MarkAndFetch(const char* words, const std::string& text, std::vector<char>& buffer) {
  int32_t length = 0;
  int32_t hits = 0;
  _prelct(words, text.c_str(), &length, &hits, 0, 0, 0);
  buffer.resize(static_cast<size_t>(length) + 1);
  _prelgt(buffer.data());
  return hits;
}

// Args: hypertext size in KiB. Sizes from 256 KiB to 2 MiB show how the
// time grows with the number of occurrences.
void BM_PrelctFrequentWords(benchmark::State& state, const char* words) {
  const std::string text = ActHypertext(static_cast<size_t>(state.range(0)) * 1024);
  std::vector<char> buffer;
  int32_t hits = 0;
  for (auto _ : state) {
    hits = MarkAndFetch(words, text, buffer);
    benchmark::DoNotOptimize(buffer.data());
  }
  std::string word_list(words);
  for (size_t start = 0; start < word_list.size();) {
    size_t end = word_list.find(' ', start);
    if (end == std::string::npos) end = word_list.size();
    std::vector<char> single;
    const std::string word = word_list.substr(start, end - start);
    state.counters["occ_" + word] = MarkAndFetch(word.c_str(), text, single);
    start = end + 1;
  }
  state.counters["hits"] = hits;
  state.counters["text_bytes"] = static_cast<double>(text.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(BM_PrelctFrequentWords, de_la, "de la")
    ->Arg(256)->Arg(512)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
// Single letters: hundreds of thousands of occurrences per word.
BENCHMARK_CAPTURE(BM_PrelctFrequentWords, a_e_i, "a e i")
    ->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
