// The text side of the import alone: an act's lines reflowed, its header
// read and its text converted (ConvertActText) with no database behind it,
// for the corpus and for a synthetic series. What the import spends beyond
// this is in the index files and the store.
//
//   build/bench/conversion_bench                  # 2,000 synthetic acts
//   CORVANA_BENCH_ACTS=500 build/bench/conversion_bench
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/act_sets.h"
#include "idxcore/import/act_text.h"
#include "idxcore/import/header.h"
#include "idxcore/import/reflow.h"
#include "idxcore/import/text_parsing.h"

namespace {

using corvana_bench::ActSet;

void ConvertActs(benchmark::State& state, const ActSet& set) {
  if (set.texts.empty()) {
    state.SkipWithError("no acts");
    return;
  }
  const idxcore::HeadingDefs defs =
      idxcore::ParseHeadingDefinitions(idxcore::SplitLines(set.definitions), "adn2.txt");
  for (auto _ : state) {
    idxcore::HypertextState hypertext;
    long next_part = 1;
    for (const std::string& text : set.texts) {
      hypertext.in_pre_block = false;
      std::vector<std::string> lines;
      std::vector<size_t> origin;
      idxcore::Transform(idxcore::SplitLines(text), lines, false, &origin);
      idxcore::ParseHeader(lines);
      const idxcore::ConvertedAct act = idxcore::ConvertActText(
          lines, defs, hypertext, idxcore::ImportVariant::kPlain,
          [&next_part](const std::string&) { return next_part++; }, &origin);
      benchmark::DoNotOptimize(act.words.size());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(set.bytes) * state.iterations());
  state.counters["acts/s"] = benchmark::Counter(
      static_cast<double>(set.texts.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

void BM_ConvertCorpus(benchmark::State& state) { ConvertActs(state, corvana_bench::CorpusActs()); }
void BM_ConvertSynthetic(benchmark::State& state) {
  ConvertActs(state, corvana_bench::SyntheticActs(2000));
}

BENCHMARK(BM_ConvertCorpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSynthetic)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
