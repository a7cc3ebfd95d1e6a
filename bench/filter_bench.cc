// The filter run ("&Filtreaza") on a large installation, from the click to
// what the results grid's first paint reads: one title word, a year and
// three text words in the mode "apropiate", applied to the acts list in
// memory (the default load mode) and to the acts query (the partial-load
// mode), then the first screenful of rows read. The text search is also
// timed alone, and a fixed piece of work that uses no file is timed as the
// anchor of the run.
//
// The installation is $CORVANA_FILTER_BENCH_INSTALL (default
// /tmp/corvana_filter_bench/inst), for example 120,000 synthetic acts:
//   build/bench/make_synthetic_acts 120000 S
//   mkdir -p I && cp S/adn2.txt I/
//   build/tools/pkgrun/pkgrun --install-dir I --codes S/codes.tsv
//       --reorganise never S/acts
// measured once with the index as the import leaves it and once after
//   build/tools/reorgdb/reorgdb --install-dir I
// The words can be changed with $CORVANA_FILTER_BENCH_TITLE, _YEAR and
// _WORDS (the defaults suit the synthetic series).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>

#include "actsdb/acts_views.h"
#include "actsdb/codepage.h"
#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "viewer/finding/filter_run.h"
#include "viewer/finding/text_words.h"

namespace {

using finding::Criterion;

constexpr int kFirstScreenRows = 12;

std::string Setting(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

// The installation opened as the viewer opens it, in one load mode at a
// time (the views hold the one word index cursor), with the criteria of
// the benchmark entered.
struct Installation {
  Installation() {
    dir = Setting("CORVANA_FILTER_BENCH_INSTALL", "/tmp/corvana_filter_bench/inst");
    if (!std::filesystem::exists(actsdb::DatabasePath(dir))) {
      throw std::runtime_error("no installation in " + dir +
                               " (see the comment at the top of bench/filter_bench.cc)");
    }
  }

  void Use(actsdb::LoadMode mode) {
    if (views && views->load_mode() == mode) return;
    search.reset();
    dictionary.reset();
    criteria.reset();
    tables.reset();
    views = std::make_unique<actsdb::ActsViews>(
        [this](int64_t id_act) { return !search || search->Accepts(id_act); });
    views->Open({dir, dir + "/" + actsdb::kDatabaseDirName}, mode);
    actsdb::Database& db = views->database();
    tables = std::make_unique<finding::CodeTables>(db);
    criteria = std::make_unique<finding::FilterCriteria>(*tables);
    auto setting = [](const char* name, const char* fallback) {
      return actsdb::Utf8ToCp1250(Setting(name, fallback));
    };
    criteria->Enter(Criterion::kInTitlu, setting("CORVANA_FILTER_BENCH_TITLE", "ieao"));
    criteria->Enter(Criterion::kAnul, setting("CORVANA_FILTER_BENCH_YEAR", "2005"));
    criteria->Enter(Criterion::kInText, setting("CORVANA_FILTER_BENCH_WORDS", "gestr recon oama"));
    dictionary = std::make_unique<finding::TableDictionary>(db);
    search = std::make_unique<finding::TextSearch>(*dictionary, db.directory());
  }

  std::string dir;
  std::unique_ptr<actsdb::ActsViews> views;
  std::unique_ptr<finding::CodeTables> tables;
  std::unique_ptr<finding::FilterCriteria> criteria;
  std::unique_ptr<finding::TableDictionary> dictionary;
  std::unique_ptr<finding::TextSearch> search;
};

Installation& Open(actsdb::LoadMode mode) {
  static Installation installation;
  installation.Use(mode);
  return installation;
}

// What the grid's first paint reads: every field of the rows it shows.
size_t ReadFirstScreen(actsdb::Dataset& list) {
  size_t bytes = 0;
  const std::vector<std::string> columns = list.ColumnNames();
  int row = 0;
  for (bool more = list.First(); more && row < kFirstScreenRows; more = list.Next(), ++row) {
    for (const std::string& column : columns) bytes += list.AsString(column).size();
  }
  return bytes;
}

void BM_FilterToFirstScreen(benchmark::State& state) {
  Installation& in =
      Open(state.range(0) == 1 ? actsdb::LoadMode::kFull : actsdb::LoadMode::kPartial);
  int found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    in.views->QueActe().Close();  // a new query, as after a change of criteria
    state.ResumeTiming();
    found = finding::RunFilter(*in.criteria, finding::kModeNear, "",
                               finding::LargestActId(in.views->database()), *in.search,
                               *in.views);
    benchmark::DoNotOptimize(ReadFirstScreen(in.views->DataActe()));
  }
  state.counters["acts"] = found;
  state.SetLabel(state.range(0) == 1 ? "in memory" : "query");
}
BENCHMARK(BM_FilterToFirstScreen)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);

// The text search alone: three words "apropiate" over the whole index.
void BM_TextSearch(benchmark::State& state) {
  Installation& in = Open(actsdb::LoadMode::kPartial);
  std::vector<std::string> stems;
  for (const std::string& word : in.criteria->TextWords())
    stems.push_back(finding::SearchStem(word));
  const int32_t largest = finding::LargestActId(in.views->database());
  for (auto _ : state) in.search->Run(stems, finding::kModeNear, largest);
}
BENCHMARK(BM_TextSearch)->Unit(benchmark::kMillisecond)->MinTime(2);

// The anchor: sorting a million numbers, work of a fixed size that reads
// no file, to show how loaded the machine was during the run.
void BM_Anchor(benchmark::State& state) {
  std::vector<uint32_t> numbers(1 << 20);
  std::mt19937 random(1);
  for (auto _ : state) {
    state.PauseTiming();
    for (uint32_t& n : numbers) n = random();
    state.ResumeTiming();
    std::sort(numbers.begin(), numbers.end());
    benchmark::DoNotOptimize(numbers.data());
  }
}
BENCHMARK(BM_Anchor)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
