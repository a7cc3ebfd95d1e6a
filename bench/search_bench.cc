// The text search over the word index of 100,000 synthetic acts: a one-word
// count pass, three words "apropiate" and three words "expresie", with the
// index as the importer leaves it (every chain scattered over the file) and
// as the reorganisation leaves it (every chain consecutive). SQLite FTS5
// over the same texts answers the same kinds of query for comparison.
//
// The index is built once into $CORVANA_BENCH_DIR (default
// /tmp/corvana_search_bench) and reused by later runs. It is written the
// way the importer writes it, without going through the importer (whose
// hypertext and structure work would make building 100,000 acts slow): the
// importer's tokenizer and stems, records appended act by act in stem
// order, positions of repeated stems appended per record. The reorganised
// copy is made by the index reorganisation itself, as the re-indexing
// program runs it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
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
#include "viewer/finding/text_search.h"
#include "viewer/finding/text_words.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kActs = 100000;
constexpr size_t kActBytes = 4 * 1024;

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

void WriteIndexFiles(const fs::path& dir, const Index& index) {
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

struct Setup {
  fs::path dir;
  std::string count_word;    // present in most acts
  std::string three_words;   // three frequent words
};

Setup Build() {
  Setup setup;
  const char* env = std::getenv("CORVANA_BENCH_DIR");
  setup.dir = env ? fs::path(env) : fs::path("/tmp/corvana_search_bench");
  const fs::path words_file = setup.dir / "words.txt";
  if (fs::exists(words_file)) {
    std::ifstream in(words_file);
    std::getline(in, setup.count_word);
    std::getline(in, setup.three_words);
    return setup;
  }
  std::cerr << "building the index of " << kActs << " synthetic acts in " << setup.dir << "\n";
  fs::remove_all(setup.dir);
  fs::create_directories(setup.dir / "plain");
  fs::create_directories(setup.dir / "reorganised");

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
  corvana_bench::SyntheticActOptions options;
  options.text_bytes = kActBytes;
  for (int32_t act = 1; act <= kActs; ++act) {
    const std::string text = corvana_bench::SyntheticAct(act - 1, options);
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

  WriteIndexFiles(setup.dir / "plain", index);
  for (const char* file : {"word.dat", "poziti.dat", actsdb::kDatabaseFileName}) {
    fs::copy_file(setup.dir / "plain" / file, setup.dir / "reorganised" / file);
  }
  const auto start = std::chrono::steady_clock::now();
  Reorganise(setup.dir / "reorganised");
  std::cerr << "reorganisation: "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
            << " s\n";

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

std::vector<std::string> Stems(const std::string& text) {
  std::vector<std::string> stems;
  for (const std::string& word : finding::SplitTextWords(text)) {
    stems.push_back(finding::SearchStem(word));
  }
  return stems;
}

// Our search: args are (layout: 0 as imported, 1 reorganised).
void RunSearch(benchmark::State& state, const std::string& words, std::string_view mode) {
  const fs::path dir = TheSetup().dir / (state.range(0) ? "reorganised" : "plain");
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

void BM_CountPass(benchmark::State& state) {
  RunSearch(state, TheSetup().count_word, finding::kModeAnywhere);
}
void BM_Near3(benchmark::State& state) {
  RunSearch(state, TheSetup().three_words, finding::kModeNear);
}
void BM_Phrase3(benchmark::State& state) {
  RunSearch(state, TheSetup().three_words, finding::kModePhrase);
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

void BM_Fts5Word(benchmark::State& state) { RunFts5(state, TheSetup().count_word); }
void BM_Fts5Near3(benchmark::State& state) {
  RunFts5(state, "NEAR(" + TheSetup().three_words + ", 20)");
}
void BM_Fts5Phrase3(benchmark::State& state) {
  RunFts5(state, "\"" + TheSetup().three_words + "\"");
}

BENCHMARK(BM_CountPass)->Arg(0)->Arg(1)->ArgName("reorganised")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fts5Word)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Near3)->Arg(0)->Arg(1)->ArgName("reorganised")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fts5Near3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Phrase3)->Arg(0)->Arg(1)->ArgName("reorganised")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fts5Phrase3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
