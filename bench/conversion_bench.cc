// The text side of the import alone: an act's lines reflowed, its header
// read and its text converted (ConvertActText) with no database behind it,
// for the corpus and for a synthetic series. What the import spends beyond
// this is in the index files and the store.
//
//   build/bench/conversion_bench                  # 2,000 synthetic acts
//   CORVANA_BENCH_ACTS=500 build/bench/conversion_bench
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/synthetic_acts.h"
#include "idxcore/import/act_text.h"
#include "idxcore/import/header.h"
#include "idxcore/import/reflow.h"
#include "idxcore/import/text_parsing.h"

namespace {

namespace fs = std::filesystem;

struct ActSet {
  std::vector<std::string> texts;
  size_t bytes = 0;
  idxcore::HeadingDefs defs;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const ActSet& Corpus() {
  static const ActSet set = [] {
    ActSet s;
    const char* env = std::getenv("CORVANA_CORPUS");
    const fs::path dir = env ? env : CORVANA_CORPUS_DIR;
    if (!fs::is_directory(dir / "acts")) return s;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir / "acts")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
      s.texts.push_back(ReadFile(f));
      s.bytes += s.texts.back().size();
    }
    s.defs = idxcore::LoadHeadingDefinitions((dir / "adn2.txt").string());
    return s;
  }();
  return set;
}

const ActSet& Synthetic() {
  static const ActSet set = [] {
    ActSet s;
    const char* env = std::getenv("CORVANA_BENCH_ACTS");
    const size_t count = env ? std::strtoul(env, nullptr, 10) : 2000;
    for (size_t i = 0; i < count; ++i) {
      s.texts.push_back(corvana_bench::SyntheticAct(i));
      s.bytes += s.texts.back().size();
    }
    s.defs = idxcore::ParseHeadingDefinitions(
        idxcore::SplitLines(corvana_bench::SyntheticHeadingDefinitions()), "adn2.txt");
    return s;
  }();
  return set;
}

void ConvertActs(benchmark::State& state, const ActSet& set) {
  if (set.texts.empty()) {
    state.SkipWithError("no acts");
    return;
  }
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
          lines, set.defs, hypertext, idxcore::ImportVariant::kPlain,
          [&next_part](const std::string&) { return next_part++; }, &origin);
      benchmark::DoNotOptimize(act.words.size());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(set.bytes) * state.iterations());
  state.counters["acts/s"] = benchmark::Counter(
      static_cast<double>(set.texts.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

void BM_ConvertCorpus(benchmark::State& state) { ConvertActs(state, Corpus()); }
void BM_ConvertSynthetic(benchmark::State& state) { ConvertActs(state, Synthetic()); }

BENCHMARK(BM_ConvertCorpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSynthetic)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
