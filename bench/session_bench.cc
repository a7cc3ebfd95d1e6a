// Benchmarks of the processing session's index maintenance:
//   BM_Reorganise          reorgdb's work (_putinorder and the file swap) on
//                          the index of 10,000 synthetic acts;
//   BM_WalkTop20/before    walking the 20 longest chains (and reading their
//   BM_WalkTop20/after     positions) through the cursor, on the index as
//                          imported and as reorganised;
//   BM_ReplayDump          _processdump of the dump of 1,000 acts into a
//                          copy of the database.
// CORVANA_BENCH_ACTS overrides the 10,000 acts (the indexes are built once,
// before the first benchmark, and left in the temp directory's
// corvana_session_bench folder until the next run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "bench/synthetic_acts.h"
#include "idxcore/index/cursor.h"
#include "idxcore/index/position_file.h"
#include "idxcore/session/session.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kDumpedActs = 1000;

size_t IndexActs() {
  const char* value = std::getenv("CORVANA_BENCH_ACTS");
  return value != nullptr ? static_cast<size_t>(std::atol(value)) : 10000;
}

fs::path Root() { return fs::temp_directory_path() / "corvana_session_bench"; }

std::string DatabaseFile(const fs::path& dir) {
  return (dir / actsdb::kDatabaseFileName).string();
}

// A fresh installation for the synthetic acts: adn2.txt in `install`, an
// empty database with the code tables in install/zazi1.
idxcore::SessionPlaces NewInstallation(const fs::path& install) {
  fs::remove_all(install);
  fs::create_directories(install / actsdb::kDatabaseDirName);
  std::ofstream(install / "adn2.txt", std::ios::binary)
      << corvana_bench::SyntheticHeadingDefinitions();
  std::ofstream(install / "codes.tsv", std::ios::binary) << corvana_bench::SyntheticCodeTables();
  const idxcore::SessionPlaces places{install.string(),
                                      (install / actsdb::kDatabaseDirName).string()};
  auto db = actsdb::Database::Open(DatabaseFile(places.database_dir), /*create=*/true);
  actsdb::CreateSchema(*db);
  actsdb::SeedCodeTables(*db, (install / "codes.tsv").string());
  return places;
}

void Import(const idxcore::SessionPlaces& places, size_t first, size_t last,
            const std::string& dump_dir = "") {
  idxcore::StartSession(places);
  if (!dump_dir.empty()) _setdump(dump_dir.c_str());
  for (size_t i = first; i < last; ++i) _prelbuf(corvana_bench::SyntheticAct(i).c_str());
  _frmstp();
}

void CopyDatabaseDir(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::create_directories(to);
  for (const char* file : {"word.dat", "poziti.dat", actsdb::kDatabaseFileName}) {
    fs::copy_file(from / file, to / file);
  }
}

// The synthetic index, as imported and as reorganised, and the words of
// its 20 longest chains.
struct Indexes {
  idxcore::SessionPlaces imported;    // never reorganised: the source of every copy
  idxcore::SessionPlaces reorganised;
  std::vector<std::string> top_words;
  int64_t records = 0;
};

const Indexes& SyntheticIndexes() {
  static const Indexes indexes = [] {
    Indexes x;
    x.imported = NewInstallation(Root() / "imported");
    Import(x.imported, 0, IndexActs());
    x.reorganised = NewInstallation(Root() / "reorganised");
    CopyDatabaseDir(x.imported.database_dir, x.reorganised.database_dir);
    idxcore::StartSession(x.reorganised);
    _putinorder();
    _frmstp();
    // After reorganisation a chain's length is Last - First + 1.
    auto db = actsdb::Database::Open(DatabaseFile(x.reorganised.database_dir));
    actsdb::Table words(*db, "tblcuv");
    words.Open();
    std::vector<std::pair<int64_t, std::string>> lengths;
    for (bool on = words.First(); on; on = words.Next()) {
      lengths.emplace_back(words.AsInteger("Last") - words.AsInteger("First") + 1,
                           words.AsString("Word"));
      x.records += lengths.back().first;
    }
    std::partial_sort(lengths.begin(), lengths.begin() + std::min<size_t>(20, lengths.size()),
                      lengths.end(), std::greater<>());
    for (size_t i = 0; i < 20 && i < lengths.size(); ++i) x.top_words.push_back(lengths[i].second);
    return x;
  }();
  return indexes;
}

void BM_Reorganise(benchmark::State& state) {
  const Indexes& x = SyntheticIndexes();
  const idxcore::SessionPlaces work = {x.imported.install_dir,
                                       (Root() / "reorganise_work").string()};
  for (auto _ : state) {
    state.PauseTiming();
    CopyDatabaseDir(x.imported.database_dir, work.database_dir);
    state.ResumeTiming();
    idxcore::StartSession(work);
    _putinorder();
    _frmstp();
  }
  state.counters["records"] = static_cast<double>(x.records);
  state.counters["records/s"] = benchmark::Counter(
      static_cast<double>(x.records) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

// Walks each top word's chain as the viewer's search does: every record
// through the cursor, the positions of repeated words from "poziti.dat".
void BM_WalkTop20(benchmark::State& state) {
  const Indexes& x = SyntheticIndexes();
  const std::string dir =
      state.range(0) == 0 ? x.imported.database_dir : x.reorganised.database_dir;
  std::vector<int32_t> firsts;
  {
    auto db = actsdb::Database::Open(DatabaseFile(dir));
    actsdb::Table words(*db, "tblcuv");
    words.Open();
    for (const std::string& w : x.top_words) {
      if (words.Locate("Word", w)) firsts.push_back(static_cast<int32_t>(words.AsInteger("First")));
    }
  }
  idxcore::PositionFile positions(dir + "/poziti.dat", idxcore::PositionFile::Mode::kRead);
  int64_t records = 0;
  _cautstr(dir.c_str());
  for (auto _ : state) {
    for (int32_t first : firsts) {
      _findrecbypos(first);
      do {
        recwrd r;
        _getcrt(&r);
        const uint16_t count = static_cast<uint16_t>(r.count);
        if (count >= 2) {
          benchmark::DoNotOptimize(positions.read(static_cast<uint32_t>(r.position), count));
        }
        ++records;
      } while (_findnextrec() != 0);
    }
  }
  _cautstp();
  state.SetLabel(state.range(0) == 0 ? "before" : "after");
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

// An installation of 1,000 acts, the dump of 1,000 more, and the replay
// target: the index files as they were when the dump began, with the
// dictionary rows the update brings (their chain ends as before it).
struct DumpSet {
  fs::path dump;
  fs::path target;  // template, copied for every replay
  idxcore::SessionPlaces places;
  int64_t records = 0;
};

const DumpSet& Dump() {
  static const DumpSet set = [] {
    DumpSet d;
    d.places = NewInstallation(Root() / "dumping");
    Import(d.places, 0, kDumpedActs);
    d.target = Root() / "replay_target";
    CopyDatabaseDir(d.places.database_dir, d.target);
    std::map<int64_t, std::pair<int64_t, int64_t>> before;
    {
      auto db = actsdb::Database::Open(DatabaseFile(d.target));
      actsdb::Table words(*db, "tblcuv");
      words.Open();
      for (bool on = words.First(); on; on = words.Next()) {
        before[words.AsInteger("IdWord")] = {words.AsInteger("First"), words.AsInteger("Last")};
      }
    }
    d.dump = Root() / "dump";
    fs::remove_all(d.dump);
    fs::create_directories(d.dump);
    Import(d.places, kDumpedActs, 2 * kDumpedActs, d.dump.string());
    d.records = static_cast<int64_t>(fs::file_size(d.dump / "word.dmp") / 17);

    fs::remove(DatabaseFile(d.target));
    fs::copy_file(DatabaseFile(d.places.database_dir), DatabaseFile(d.target));
    auto db = actsdb::Database::Open(DatabaseFile(d.target));
    actsdb::Table words(*db, "tblcuv");
    words.Open(true);
    for (bool on = words.First(); on; on = words.Next()) {
      const auto it = before.find(words.AsInteger("IdWord"));
      words.Edit();
      words.SetInteger("First", it == before.end() ? -1 : it->second.first);
      words.SetInteger("Last", it == before.end() ? -1 : it->second.second);
      words.Post();
    }
    return d;
  }();
  return set;
}

void BM_ReplayDump(benchmark::State& state) {
  const DumpSet& d = Dump();
  const idxcore::SessionPlaces work = {d.places.install_dir, (Root() / "replay_work").string()};
  for (auto _ : state) {
    state.PauseTiming();
    CopyDatabaseDir(d.target, work.database_dir);
    state.ResumeTiming();
    idxcore::StartSession(work);
    _processdump(d.dump.string().c_str());
    _frmstp();
  }
  state.counters["records"] = static_cast<double>(d.records);
  state.counters["records/s"] = benchmark::Counter(
      static_cast<double>(d.records) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_Reorganise)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WalkTop20)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayDump)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
