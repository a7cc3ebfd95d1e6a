// The store on an acts table of realistic size (120,000 acts): writing and
// loading the acts list, the lookups the viewer makes by act key, and the
// filter window's query.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <random>

#include "actsdb/codepage.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"

namespace actsdb {
namespace {

constexpr int kActs = 120000;
const char* const kTypeCodes[] = {"L", "OUG", "OG", "HOT", "ORD", "DEC", "NOR", "INS"};
const char* const kIssuerCodes[] = {"P", "GUV", "MF", "MJ", "ANRMAP", "MS", "BNR", "CCR"};
const char* const kWords[] = {
    "privind", "aprobarea", "normelor", "metodologice", "de", "aplicare", "a", "prevederilor",
    "Legii", "pentru", "modificarea", "şi", "completarea", "hotărârii", "Guvernului",
    "achiziţiilor", "publice", "contractelor", "concesiune", "lucrări", "servicii", "ţării",
    "România", "instituţiilor", "bugetare", "măsuri", "Ordonanţei", "urgenţă", "încheierea",
    "executarea", "atribuirea", "finanţelor", "autorităţilor", "locale", "înfiinţarea"};

std::string Key(int i) {
  const int type = i % 8;
  const int issuer = (i / 8) % 8;
  const int year = 1990 + i % 32;
  return std::string(kTypeCodes[type]) + " " + kIssuerCodes[issuer] + " " +
         std::to_string(i / 64 + 1) + " " + std::to_string(year) + " 0";
}

constexpr int kWordCount = 100000;

// Dictionary words: upper case, some with Romanian letters.
std::string Word(int i) {
  static const char* const kStems[] = {"ACHIZIŢI", "HOTĂR", "ÎNCHIRI", "LEG", "ŞCOAL", "CONTRACT"};
  return Utf8ToCp1250(std::string(kStems[i % 6]) + std::to_string(i));
}

// The benchmark database, built once per run in a temporary directory.
struct Fixture {
  std::string dir;
  std::unique_ptr<Database> db;
  std::string dump;

  Fixture() {
    char pattern[] = "/tmp/corvana-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    dir = pattern;
    db = Database::Open(dir + "/" + kDatabaseFileName, true);
    CreateSchema(*db);
    std::mt19937 random(42);
    Table acts(*db, "tblActe");
    acts.Open(true);
    db->Begin();
    for (int i = 0; i < kActs; ++i) {
      std::string title = "privind";
      while (title.size() < 100) {
        title += ' ';
        title += kWords[random() % std::size(kWords)];
      }
      acts.Append();
      acts.SetInteger("IdTipAct", i % 8 + 1);
      acts.SetInteger("IdEmitent", (i / 8) % 8 + 1);
      acts.SetInteger("IdDomeniu", static_cast<int64_t>(random() % 16 + 1));
      acts.SetInteger("IdPublicatie", 1);
      acts.SetInteger("NrOficial", i / 64 + 1);
      acts.SetInteger("Anul", 1990 + i % 32);
      acts.SetDate("Data", Date{1990 + i % 32, 1 + i % 12, 1 + i % 28});
      acts.SetDate("DataPub", Date{1990 + i % 32, 1 + i % 12, 1 + i % 28});
      acts.SetInteger("Numar", i % 1000);
      acts.SetInteger("Rep", 0);
      acts.SetString("Titlu", Utf8ToCp1250(title));
      acts.SetString("Limba", "R");
      acts.SetString("IndNum", Key(i));
      acts.Post();
    }
    Table words(*db, "tblcuv");
    words.Open(true);
    for (int i = 0; i < kWordCount; ++i) {
      words.Append();
      words.SetString("Word", Word(i));
      words.SetInteger("First", i);
      words.SetInteger("Last", i);
      words.Post();
    }
    db->Commit();
    dump = dir + "/dump.dst";
    ClientDataset::SaveActsList(*db, dump);
  }
  ~Fixture() {
    db.reset();
    std::filesystem::remove_all(dir);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

// The filter window's text for a year and a type.
std::vector<std::string> YearAndTypeLines(int year, int type) {
  return {"SELECT IdAct, IdDomeniu, IdEmitent, IdPublicatie, IdTipAct, NrOficial, Data, "
          "DataPub, Anul, Titlu, Titlu2, Rep,  IndNum, Limba,Numar FROM tblActe",
          "", "WHERE", "(", "( IdTipAct = " + std::to_string(type) + " )", ")", "AND", "(",
          "( Anul = " + std::to_string(year) + " )", ")"};
}

void BM_SaveActsList(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) ClientDataset::SaveActsList(*f.db, f.dir + "/saved.dst");
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(f.dir + "/saved.dst"));
}
BENCHMARK(BM_SaveActsList)->Unit(benchmark::kMillisecond);

void BM_LoadActsList(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    ClientDataset list;
    list.LoadFromFile(f.dump);
    benchmark::DoNotOptimize(list.RecordCount());
  }
}
BENCHMARK(BM_LoadActsList)->Unit(benchmark::kMillisecond);

// The alternative to deserializing the file image: attach it to an
// in-memory database and copy the rows.
void BM_LoadActsListByAttachAndCopy(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    sqlite3* memory = nullptr;
    sqlite3_open(":memory:", &memory);
    const std::string sql = "ATTACH DATABASE '" + f.dump +
                            "' AS f; CREATE TABLE acts AS SELECT * FROM f.acts; DETACH f;";
    if (sqlite3_exec(memory, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(memory));
    }
    sqlite3_close(memory);
  }
}
BENCHMARK(BM_LoadActsListByAttachAndCopy)->Unit(benchmark::kMillisecond);

void BM_WalkActsList(benchmark::State& state) {
  ClientDataset list;
  list.LoadFromFile(Shared().dump);
  for (auto _ : state) {
    int64_t sum = 0;
    for (bool on = list.First(); on; on = list.Next()) sum += list.AsInteger("Anul");
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kActs);
}
BENCHMARK(BM_WalkActsList)->Unit(benchmark::kMillisecond);

// The hit test of a text search: a record filter over every act.
void BM_RecordCountWithRecordFilter(benchmark::State& state) {
  ClientDataset list;
  list.LoadFromFile(Shared().dump);
  std::vector<signed char> hits(kActs + 1, 0);
  for (size_t i = 0; i < hits.size(); i += 7) hits[i] = 1;
  list.SetRecordFilter([&](const Dataset& d) { return hits[d.AsInteger("IdAct")] == 1; });
  list.SetFiltered(true);
  for (auto _ : state) benchmark::DoNotOptimize(list.RecordCount());
}
BENCHMARK(BM_RecordCountWithRecordFilter)->Unit(benchmark::kMillisecond);

void BM_ClientFilterTitleAndYear(benchmark::State& state) {
  ClientDataset list;
  list.LoadFromFile(Shared().dump);
  list.SetFiltered(true);
  const std::string expression =
      "  (  (( Titlu LIKE '%" + Utf8ToCp1250("HOTĂRÂRII") + "%' ) OR ( Titlu2 LIKE '%" +
      Utf8ToCp1250("HOTĂRÂRII") + "%' ))  )  AND  (  ( Data >= '1/1/2000' )  )  ";
  for (auto _ : state) {
    list.SetFilterText(expression);
    benchmark::DoNotOptimize(list.RecordCount());
    list.SetFilterText("");
  }
}
BENCHMARK(BM_ClientFilterTitleAndYear)->Unit(benchmark::kMillisecond);

void BM_ClientSortByTitleIgnoringCase(benchmark::State& state) {
  ClientDataset list;
  list.LoadFromFile(Shared().dump);
  for (auto _ : state) {
    list.AddIndex("SortGrid", "Titlu;Anul", "Anul", true);
    list.SetIndexName("SortGrid");
    list.DeleteIndex("SortGrid");
  }
}
BENCHMARK(BM_ClientSortByTitleIgnoringCase)->Unit(benchmark::kMillisecond);

void BM_TableOpen(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    Table acts(*f.db, "tblActe");
    acts.Open();
    benchmark::DoNotOptimize(acts.RecordCount());
  }
}
BENCHMARK(BM_TableOpen)->Unit(benchmark::kMillisecond);

void BM_LocateByActKey(benchmark::State& state) {
  Table acts(*Shared().db, "tblActe");
  acts.Open();
  std::mt19937 random(7);
  for (auto _ : state) {
    const int i = static_cast<int>(random() % kActs);
    if (!acts.Locate("IndNum", Key(i))) state.SkipWithError("act key not found");
  }
}
BENCHMARK(BM_LocateByActKey)->Unit(benchmark::kMicrosecond);

void BM_LocateByActKeyFiltered(benchmark::State& state) {
  Table acts(*Shared().db, "tblActe");
  acts.Open();
  acts.SetRecordFilter([](const Dataset& d) { return d.AsInteger("Anul") != 0; });
  acts.SetFiltered(true);
  std::mt19937 random(7);
  for (auto _ : state) {
    const int i = static_cast<int>(random() % kActs);
    if (!acts.Locate("IndNum", Key(i))) state.SkipWithError("act key not found");
  }
}
BENCHMARK(BM_LocateByActKeyFiltered)->Unit(benchmark::kMicrosecond);

void BM_LocateWord(benchmark::State& state) {
  const bool case_insensitive = state.range(0) != 0;
  Table words(*Shared().db, "tblcuv");
  words.Open();
  std::mt19937 random(5);
  for (auto _ : state) {
    const int i = static_cast<int>(random() % kWordCount);
    if (!words.Locate("Word", Word(i), case_insensitive)) state.SkipWithError("word not found");
  }
}
BENCHMARK(BM_LocateWord)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LocateByActId(benchmark::State& state) {
  Table acts(*Shared().db, "tblActe");
  acts.Open();
  std::mt19937 random(9);
  for (auto _ : state) {
    if (!acts.Locate("IdAct", static_cast<int64_t>(random() % kActs + 1))) {
      state.SkipWithError("act not found");
    }
  }
}
BENCHMARK(BM_LocateByActId)->Unit(benchmark::kMicrosecond);

void BM_QueryYearAndType(benchmark::State& state) {
  Query query(*Shared().db);
  int rows = 0;
  for (auto _ : state) {
    query.Close();
    query.sql() = YearAndTypeLines(2005, 8);
    query.Open();
    rows = query.RecordCount();
  }
  state.counters["rows"] = rows;
}
BENCHMARK(BM_QueryYearAndType)->Unit(benchmark::kMillisecond);

void BM_QueryWholeActsList(benchmark::State& state) {
  Query query(*Shared().db);
  for (auto _ : state) {
    query.Close();
    query.sql() = {YearAndTypeLines(0, 0).front(), "ORDER BY Anul DESCENDING"};
    query.Open();
    benchmark::DoNotOptimize(query.RecordCount());
  }
}
BENCHMARK(BM_QueryWholeActsList)->Unit(benchmark::kMillisecond);

// After a sort the viewer stands on the act it stood on before.
void BM_QueryLocateByActId(benchmark::State& state) {
  Query query(*Shared().db);
  query.sql() = {YearAndTypeLines(0, 0).front(), "ORDER BY Anul DESCENDING"};
  query.Open();
  std::mt19937 random(11);
  for (auto _ : state) {
    if (!query.Locate("IdAct", static_cast<int64_t>(random() % kActs + 1))) {
      state.SkipWithError("act not found");
    }
  }
}
BENCHMARK(BM_QueryLocateByActId)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace actsdb

BENCHMARK_MAIN();
