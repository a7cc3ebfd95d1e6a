// The text search over the word index of 100,000 synthetic acts: a one-word
// count pass, three words "apropiate" and three words "expresie", on
// several layouts of the same index, against SQLite FTS5 over the same
// texts:
//   as-imported  every chain scattered over the file, as the importer
//                leaves it;
//   reorganised  every chain consecutive, as the re-indexing program
//                leaves it;
//   tail-N       reorganised, then N% more acts imported: what a search
//                meets between two reorganisations;
//   pkgrun       imported by the update program in ten runs of 10,000
//                acts, each run free to end by reorganising the index.
// BM_UpdateRuns makes the last layout and reports the processor time its
// ten runs spend importing and reorganising.
//
// The other layouts are built once into $CORVANA_BENCH_DIR (default
// /tmp/corvana_search_bench) and reused by later runs. They are written the
// way the importer writes them, without going through the importer (whose
// hypertext and structure work would make building 100,000 acts slow): the
// importer's tokenizer and stems, records appended act by act in stem
// order, positions of repeated stems appended per record. The reorganised
// copy is made by the index reorganisation itself, as the re-indexing
// program runs it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "actsdb/stemming.h"
#include "actsdb/store.h"
#include "bench/synthetic_acts.h"
#include "idxcore/import/text_parsing.h"
#include "idxcore/index/cursor.h"
#include "idxcore/session/reorganise.h"
#include "tools/pkgrun/update.h"
#include "viewer/finding/text_search.h"
#include "viewer/finding/text_words.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kActs = 100000;
constexpr size_t kActBytes = 4 * 1024;
constexpr int kUpdateRuns = 10;
// The tail-N layouts.
constexpr int kTailPercents[] = {2, 5, 10, 20};

struct Record {
  int32_t act = 0;
  int16_t count = 0;
  int32_t position = 0;
  int32_t next = 0;
};

struct Index {
  std::vector<std::string> words;     // by IdWord - 1
  std::vector<int32_t> first, last;   // by IdWord - 1
  std::vector<Record> records;
  std::vector<uint16_t> positions;
};

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string SyntheticText(int32_t act) {
  corvana_bench::SyntheticActOptions options;
  options.text_bytes = kActBytes;
  return corvana_bench::SyntheticAct(static_cast<size_t>(act - 1), options);
}

void WriteIndexFiles(const fs::path& dir, const Index& index) {
  fs::create_directories(dir);
  std::ofstream words(dir / "word.dat", std::ios::binary);
  const std::string header(30, '\0');
  words.write(header.data(), header.size());
  for (const Record& r : index.records) {
    unsigned char bytes[16] = {};
    auto put32 = [&](int at, int32_t v) {
      for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i));
      }
    };
    put32(0, r.act);
    bytes[4] = static_cast<unsigned char>(r.count);
    bytes[5] = static_cast<unsigned char>(uint16_t(r.count) >> 8);
    put32(8, r.position);
    put32(12, r.next);
    words.write(reinterpret_cast<const char*>(bytes), 16);
  }
  std::ofstream positions(dir / "poziti.dat", std::ios::binary);
  for (uint16_t p : index.positions) {
    const char bytes[2] = {static_cast<char>(p & 0xFF), static_cast<char>(p >> 8)};
    positions.write(bytes, 2);
  }
  std::unique_ptr<actsdb::Database> db =
      actsdb::Database::Open((dir / actsdb::kDatabaseFileName).string(), /*create=*/true);
  actsdb::CreateSchema(*db);
  actsdb::Table cuv(*db, "tblcuv");
  cuv.Open();
  db->Begin();
  for (size_t i = 0; i < index.words.size(); ++i) {
    cuv.Append();
    cuv.SetString("Word", index.words[i]);
    cuv.SetInteger("First", index.first[i]);
    cuv.SetInteger("Last", index.last[i]);
    cuv.Post();
  }
  db->Commit();
}

// What the re-indexing program does to a copy of the index in `dir`.
void Reorganise(const fs::path& dir) {
  std::unique_ptr<actsdb::Database> db =
      actsdb::Database::Open((dir / actsdb::kDatabaseFileName).string());
  {
    actsdb::Table cuv(*db, "tblcuv");
    cuv.Open(/*exclusive=*/true);
    idxcore::PutInOrder(*db, cuv, dir.string());
  }
  idxcore::FinishIndexSwap(*db, dir.string());
}

// `index` as it stands when its acts after the first `organised` were
// imported after a reorganisation: the records of the first acts laid out
// word by word, those of the later ones appended act by act, each linked
// after its chain's last record.
Index WithTail(const Index& index, int32_t organised) {
  Index out;
  out.words = index.words;
  out.first.assign(index.words.size(), -1);
  out.last.assign(index.words.size(), -1);
  out.records.reserve(index.records.size());
  out.positions.reserve(index.positions.size());
  const auto append = [&](size_t word, const Record& r) {
    Record copy = r;
    copy.next = 0;
    const uint16_t count = static_cast<uint16_t>(r.count);
    if (count > 1) {
      copy.position = static_cast<int32_t>(out.positions.size() * 2);
      const auto from = index.positions.begin() + r.position / 2;
      out.positions.insert(out.positions.end(), from, from + count);
    }
    const auto at = static_cast<int32_t>(out.records.size());
    if (out.last[word] < 0) {
      out.first[word] = at;
    } else {
      out.records[static_cast<size_t>(out.last[word])].next = at;
    }
    out.last[word] = at;
    out.records.push_back(copy);
  };
  std::vector<size_t> order(index.words.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return index.words[a] < index.words[b]; });
  std::vector<size_t> word_of(index.records.size());
  for (size_t word : order) {
    for (int32_t i = index.first[word];; i = index.records[static_cast<size_t>(i)].next) {
      const Record& r = index.records[static_cast<size_t>(i)];
      word_of[static_cast<size_t>(i)] = word;
      if (r.act <= organised) append(word, r);
      if (r.next == 0) break;
    }
  }
  for (size_t i = 0; i < index.records.size(); ++i) {
    if (index.records[i].act > organised) append(word_of[i], index.records[i]);
  }
  return out;
}

std::string TailLayout(int percent) { return "tail-" + std::to_string(percent); }

struct Setup {
  fs::path dir;
  std::string count_word;    // present in most acts
  std::string three_words;   // three frequent words
};

fs::path BenchDirectory() {
  const char* env = std::getenv("CORVANA_BENCH_DIR");
  return env ? fs::path(env) : fs::path("/tmp/corvana_search_bench");
}

// Every layout but pkgrun's, and FTS5's table.
Setup Build() {
  Setup setup;
  setup.dir = BenchDirectory();
  const fs::path words_file = setup.dir / "words.txt";
  if (fs::exists(words_file) && fs::exists(setup.dir / TailLayout(kTailPercents[0]))) {
    std::ifstream in(words_file);
    std::getline(in, setup.count_word);
    std::getline(in, setup.three_words);
    return setup;
  }
  std::cerr << "building the index of " << kActs << " synthetic acts in " << setup.dir << "\n";
  std::vector<std::string> layouts = {"as-imported", "reorganised", "fts.db"};
  for (int percent : kTailPercents) layouts.push_back(TailLayout(percent));
  for (const std::string& layout : layouts) fs::remove_all(setup.dir / layout);
  fs::create_directories(setup.dir);

  sqlite3* fts = nullptr;
  Check(sqlite3_open((setup.dir / "fts.db").string().c_str(), &fts), fts, "open");
  Check(sqlite3_exec(fts, "CREATE VIRTUAL TABLE acts USING fts5(body); BEGIN", nullptr, nullptr,
                     nullptr),
        fts, "create");
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(fts, "INSERT INTO acts(rowid, body) VALUES (?, ?)", -1, &insert,
                           nullptr),
        fts, "prepare");

  Index index;
  std::unordered_map<std::string, int32_t> ids;
  std::unordered_map<std::string, int> documents, occurrences;  // of plain words
  for (int32_t act = 1; act <= kActs; ++act) {
    const std::string text = SyntheticText(act);
    const std::string utf8 = actsdb::Cp1250ToUtf8(text);
    sqlite3_bind_int(insert, 1, act);
    sqlite3_bind_text(insert, 2, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    Check(sqlite3_step(insert), fts, "insert");
    sqlite3_reset(insert);

    std::map<std::string, std::vector<uint16_t>> stems;
    std::map<std::string, int> plain;
    int position = 0;
    for (const std::string& line : idxcore::SplitLines(text)) {
      for (const std::string& token : idxcore::ParseLine(line, idxcore::CharSet::kLetter, 3)) {
        stems[actsdb::DictionaryStem(token)].push_back(static_cast<uint16_t>(position++));
      }
      // Words without diacritics, as both searches can be given them.
      for (const std::string& word : finding::SplitTextWords(line)) {
        if (std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
          ++plain[word];
        }
      }
    }
    for (const auto& [word, n] : plain) {
      ++documents[word];
      occurrences[word] += n;
    }
    for (const auto& [stem, at] : stems) {
      Record r;
      r.act = act;
      r.count = static_cast<int16_t>(at.size());
      if (at.size() == 1) {
        r.position = at[0];
      } else {
        r.position = static_cast<int32_t>(index.positions.size() * 2);
        index.positions.insert(index.positions.end(), at.begin(), at.end());
      }
      const auto record = static_cast<int32_t>(index.records.size());
      auto [it, added] = ids.try_emplace(stem, static_cast<int32_t>(index.words.size()));
      if (added) {
        index.words.push_back(stem);
        index.first.push_back(record);
        index.last.push_back(record);
      } else {
        index.records[index.last[it->second]].next = record;
        index.last[it->second] = record;
      }
      index.records.push_back(r);
    }
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(fts, "COMMIT", nullptr, nullptr, nullptr), fts, "commit");
  sqlite3_close(fts);

  WriteIndexFiles(setup.dir / "as-imported", index);
  fs::create_directories(setup.dir / "reorganised");
  for (const char* file : {"word.dat", "poziti.dat", actsdb::kDatabaseFileName}) {
    fs::copy_file(setup.dir / "as-imported" / file, setup.dir / "reorganised" / file);
  }
  const auto start = std::chrono::steady_clock::now();
  Reorganise(setup.dir / "reorganised");
  std::cerr << "reorganisation: "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
            << " s\n";
  for (int percent : kTailPercents) {
    WriteIndexFiles(setup.dir / TailLayout(percent),
                    WithTail(index, kActs - kActs / 100 * percent));
  }

  // The count word: the plain word whose acts are closest to nine in ten;
  // the three words: the most frequent plain words.
  int best = -1;
  for (const auto& [word, n] : documents) {
    if (best < 0 || std::abs(n - kActs * 9 / 10) < std::abs(best - kActs * 9 / 10)) {
      best = n;
      setup.count_word = word;
    }
  }
  std::vector<std::pair<int, std::string>> frequent;
  for (const auto& [word, n] : occurrences) frequent.emplace_back(n, word);
  std::sort(frequent.rbegin(), frequent.rend());
  setup.three_words = frequent[0].second + " " + frequent[1].second + " " + frequent[2].second;
  std::ofstream(words_file) << setup.count_word << "\n" << setup.three_words << "\n";
  std::cerr << "index: " << index.records.size() << " records, " << index.words.size()
            << " stems, " << index.positions.size() << " positions\n";
  return setup;
}

const Setup& TheSetup() {
  static const Setup setup = Build();
  return setup;
}

// One run of the update program.
struct UpdateRun {
  double cpu = 0;             // the whole run, processor seconds
  double reorganise_cpu = 0;  // of it, the reorganisation's
  bool reorganised = false;
};

fs::path PkgrunInstallation() { return BenchDirectory() / "pkgrun"; }

// Imports the acts with pkgrun into a new installation, in runs of
// kActs / kUpdateRuns acts, each run an act file per act.
std::vector<UpdateRun> ImportWithPkgrun() {
  const fs::path install = PkgrunInstallation();
  fs::remove_all(install);
  fs::create_directories(install);
  std::ofstream(install / "adn2.txt", std::ios::binary)
      << corvana_bench::SyntheticHeadingDefinitions();
  std::ofstream(install / "codes.tsv", std::ios::binary) << corvana_bench::SyntheticCodeTables();
  pkgrun::UpdateOptions options;
  options.install_dir = install.string();
  options.database_dir = (install / actsdb::kDatabaseDirName).string();
  options.codes = (install / "codes.tsv").string();
  const fs::path incoming = install / "incoming";
  options.acts = {incoming.string()};
  std::vector<UpdateRun> runs;
  for (int run = 0; run < kUpdateRuns; ++run) {
    fs::remove_all(incoming);
    fs::create_directories(incoming);
    const int32_t per_run = kActs / kUpdateRuns;
    for (int32_t act = run * per_run + 1; act <= (run + 1) * per_run; ++act) {
      char name[16];
      std::snprintf(name, sizeof name, "%06d.txt", act);
      std::ofstream(incoming / name, std::ios::binary) << SyntheticText(act);
    }
    const double start = CpuSeconds();
    const pkgrun::UpdateSummary summary = pkgrun::RunUpdate(options, nullptr);
    UpdateRun figures{CpuSeconds() - start, summary.reorganise_cpu_seconds,
                      summary.index_reorganised};
    if (!summary.failures.empty() || !summary.reorganise_error.empty()) {
      throw std::runtime_error("pkgrun run " + std::to_string(run + 1) + " failed");
    }
    std::fprintf(stderr, "pkgrun run %2d: %.2f s CPU, of which reorganising %.2f s%s\n", run + 1,
                 figures.cpu, figures.reorganise_cpu, figures.reorganised ? "" : " (none)");
    runs.push_back(figures);
  }
  fs::remove_all(incoming);
  std::ofstream(install / "complete");
  return runs;
}

void BM_UpdateRuns(benchmark::State& state) {
  TheSetup();  // the other layouts first, and FTS5's
  std::vector<UpdateRun> runs;
  for (auto _ : state) runs = ImportWithPkgrun();
  double import = 0, reorganise = 0;
  int reorganisations = 0;
  for (const UpdateRun& r : runs) {
    import += r.cpu - r.reorganise_cpu;
    reorganise += r.reorganise_cpu;
    reorganisations += r.reorganised ? 1 : 0;
  }
  state.counters["import_cpu_s"] = import;
  state.counters["reorganise_cpu_s"] = reorganise;
  state.counters["reorganise/import"] = import > 0 ? reorganise / import : 0;
  state.counters["reorganisations"] = reorganisations;
}

// The database directory of a layout, built when missing.
fs::path LayoutDirectory(const std::string& layout) {
  if (layout != "pkgrun") return TheSetup().dir / layout;
  if (!fs::exists(PkgrunInstallation() / "complete")) ImportWithPkgrun();
  return PkgrunInstallation() / actsdb::kDatabaseDirName;
}

std::vector<std::string> Stems(const std::string& text) {
  std::vector<std::string> stems;
  for (const std::string& word : finding::SplitTextWords(text)) {
    stems.push_back(finding::SearchStem(word));
  }
  return stems;
}

void RunSearch(benchmark::State& state, const std::string& layout, const std::string& words,
               std::string_view mode) {
  const fs::path dir = LayoutDirectory(layout);
  std::unique_ptr<actsdb::Database> db =
      actsdb::Database::Open((dir / actsdb::kDatabaseFileName).string());
  finding::TableDictionary dictionary(*db);
  finding::TextSearch search(dictionary, dir.string());
  const std::vector<std::string> stems = Stems(words);
  _cautstr(dir.c_str());
  for (auto _ : state) {
    search.Run(stems, mode, kActs);
    benchmark::DoNotOptimize(search.ActHits(1));
  }
  _cautstp();
  int found = 0;
  for (int32_t a = 1; a <= kActs; ++a) found += search.Accepts(a) ? 1 : 0;
  state.counters["acts"] = found;
  state.SetLabel(words);
}

// FTS5: every matching rowid is stepped through, as a filter would see it.
void RunFts5(benchmark::State& state, const std::string& match) {
  sqlite3* db = nullptr;
  Check(sqlite3_open_v2((TheSetup().dir / "fts.db").string().c_str(), &db, SQLITE_OPEN_READONLY,
                        nullptr),
        db, "open");
  sqlite3_stmt* query = nullptr;
  Check(sqlite3_prepare_v2(db, "SELECT rowid FROM acts WHERE acts MATCH ?", -1, &query, nullptr),
        db, "prepare");
  int found = 0;
  for (auto _ : state) {
    sqlite3_bind_text(query, 1, match.c_str(), -1, SQLITE_TRANSIENT);
    found = 0;
    while (sqlite3_step(query) == SQLITE_ROW) ++found;
    sqlite3_reset(query);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  state.counters["acts"] = found;
  state.SetLabel(match);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RegisterBenchmark("BM_UpdateRuns", BM_UpdateRuns)
      ->Unit(benchmark::kSecond)
      ->UseRealTime()
      ->Iterations(1);
  std::vector<std::string> layouts = {"as-imported", "reorganised"};
  for (int percent : kTailPercents) layouts.push_back(TailLayout(percent));
  layouts.push_back("pkgrun");
  const struct {
    const char* name;
    std::string_view mode;
    bool three_words;
    const char* fts5_name;
  } searches[] = {
      {"BM_CountPass", finding::kModeAnywhere, false, "BM_Fts5Word"},
      {"BM_Near3", finding::kModeNear, true, "BM_Fts5Near3"},
      {"BM_Phrase3", finding::kModePhrase, true, "BM_Fts5Phrase3"},
  };
  for (const auto& search : searches) {
    for (const std::string& layout : layouts) {
      benchmark::RegisterBenchmark(
          (std::string(search.name) + "/" + layout).c_str(),
          [search, layout](benchmark::State& state) {
            const Setup& setup = TheSetup();
            RunSearch(state, layout, search.three_words ? setup.three_words : setup.count_word,
                      search.mode);
          })
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(search.fts5_name, [search](benchmark::State& state) {
      const Setup& setup = TheSetup();
      const std::string& words = search.three_words ? setup.three_words : setup.count_word;
      if (search.mode == finding::kModeAnywhere) {
        RunFts5(state, words);
      } else if (search.mode == finding::kModeNear) {
        RunFts5(state, "NEAR(" + words + ", 20)");
      } else {
        RunFts5(state, "\"" + words + "\"");
      }
    })->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
