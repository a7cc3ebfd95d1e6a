// Import speed: the act corpus and a synthetic series of acts imported into
// a fresh database, each act committed on its own, against SQLite FTS5
// indexing the same texts (one insert per act, one transaction).
//
//   build/bench/import_bench                       # 10,000 synthetic acts
//   CORVANA_BENCH_ACTS=1000 build/bench/import_bench
//
// Counters: acts/s, bytes/s of act text, and peak_rss_mb, the process's
// peak resident memory so far (run one benchmark per process, with
// --benchmark_filter, for a per-case figure). An FTS5 case run after the
// import of the same acts also gives import/fts5_cpu and import/fts5_wall,
// the import's time over FTS5's (the target is at most 2).
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "bench/act_sets.h"
#include "idxcore/import/intro.h"

namespace {

namespace fs = std::filesystem;

using corvana_bench::ActSet;

fs::path FreshDirectory(const char* name) {
  const fs::path dir = fs::temp_directory_path() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Time spent on a set's timed work, CPU (this process, user and system) and
// wall, summed over the iterations; the FTS5 run reports its ratio to the
// import of the same set when both ran in this process.
struct Spent {
  double cpu = 0;
  double wall = 0;
};

class Stopwatch {
 public:
  Stopwatch() : cpu_(CpuSeconds()), wall_(std::chrono::steady_clock::now()) {}
  void AddTo(Spent& spent) const {
    spent.cpu += CpuSeconds() - cpu_;
    spent.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
  }

 private:
  static double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
      return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
  }
  double cpu_;
  std::chrono::steady_clock::time_point wall_;
};

std::map<const ActSet*, Spent>& ImportSpent() {
  static std::map<const ActSet*, Spent> spent;
  return spent;
}

void Report(benchmark::State& state, const ActSet& set) {
  state.counters["acts/s"] = benchmark::Counter(
      static_cast<double>(set.texts.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(set.bytes) * state.iterations());
  state.counters["peak_rss_mb"] = PeakRssMb();
}

void ImportActs(benchmark::State& state, const ActSet& set) {
  if (set.texts.empty()) {
    state.SkipWithError("no acts");
    return;
  }
  Spent spent;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path dir = FreshDirectory("corvana_import_bench");
    {
      std::ofstream(dir / "adn2.txt", std::ios::binary) << set.definitions;
      std::ofstream(dir / "codes.tsv", std::ios::binary) << set.codes;
      std::unique_ptr<actsdb::Database> db =
          actsdb::Database::Open((dir / actsdb::kDatabaseFileName).string(), true);
      actsdb::CreateSchema(*db);
      actsdb::SeedCodeTables(*db, (dir / "codes.tsv").string());
      idxcore::ImportDatabase tables(*db);
      idxcore::TIntro engine(tables.tables());
      engine.LoadDefinitions((dir / "adn2.txt").string());
      state.ResumeTiming();
      const Stopwatch watch;
      for (const std::string& text : set.texts) engine.Prelpchar(text);
      // What ending a session writes: the dictionary's chain ends, and the
      // log's last pages copied into the database as closing it does.
      engine.FlushDictionary();
      db->Execute("PRAGMA wal_checkpoint(TRUNCATE)");
      watch.AddTo(spent);
      state.PauseTiming();
    }
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  ImportSpent()[&set] = spent;
  Report(state, set);
}

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

void Fts5Acts(benchmark::State& state, const ActSet& set) {
  if (set.texts.empty()) {
    state.SkipWithError("no acts");
    return;
  }
  Spent spent;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path dir = FreshDirectory("corvana_fts5_bench");
    sqlite3* db = nullptr;
    Check(sqlite3_open((dir / "fts.db").string().c_str(), &db), db, "open");
    Check(sqlite3_exec(db, "CREATE VIRTUAL TABLE acts USING fts5(body)", nullptr, nullptr, nullptr),
          db, "create");
    state.ResumeTiming();
    const Stopwatch watch;
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO acts(body) VALUES (?)", -1, &insert, nullptr), db,
          "prepare");
    for (const std::string& text : set.texts) {
      const std::string utf8 = actsdb::Cp1250ToUtf8(text);
      sqlite3_bind_text(insert, 1, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
      Check(sqlite3_step(insert), db, "insert");
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    watch.AddTo(spent);
    state.PauseTiming();
    sqlite3_close(db);
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  // The target: the import takes at most twice FTS5's time.
  const auto import = ImportSpent().find(&set);
  if (import != ImportSpent().end() && spent.cpu > 0 && spent.wall > 0) {
    state.counters["import/fts5_cpu"] = import->second.cpu / spent.cpu;
    state.counters["import/fts5_wall"] = import->second.wall / spent.wall;
  }
  Report(state, set);
}

void BM_ImportCorpus(benchmark::State& state) { ImportActs(state, corvana_bench::CorpusActs()); }
void BM_Fts5Corpus(benchmark::State& state) { Fts5Acts(state, corvana_bench::CorpusActs()); }
void BM_ImportSynthetic(benchmark::State& state) {
  ImportActs(state, corvana_bench::SyntheticActs(10000));
}
void BM_Fts5Synthetic(benchmark::State& state) {
  Fts5Acts(state, corvana_bench::SyntheticActs(10000));
}

BENCHMARK(BM_ImportCorpus)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Fts5Corpus)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImportSynthetic)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Fts5Synthetic)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
