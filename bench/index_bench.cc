// Walking one word's chain through the cursor exports, as the viewer's
// search does (_findrecbypos, then _getcrt/_findnextrec to the end), against
// a straightforward walk that seeks and reads each 16-byte record.
//
// Layouts: "contiguous" is one word's chain in consecutive records, as a
// reorganised index holds it; "scattered" is what imports leave: act after
// act, each act appending one record to each of its words, so the walked
// word's records lie `words` records apart.
//
//   build/bench/index_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "idxcore/index/cursor.h"

namespace {

void PutLE32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t GetLE32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// A "word.dat" of `acts` acts, each with `words` words, written in import
// order; word 0's chain starts at record 0.
class IndexDir {
 public:
  IndexDir(int words, int acts) {
    std::string pattern = (std::filesystem::temp_directory_path() / "index-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    const int64_t records = int64_t{words} * acts;
    std::vector<unsigned char> bytes(30 + 16 * static_cast<size_t>(records), 0);
    for (int64_t i = 0; i < records; ++i) {
      const int64_t act = i / words + 1;
      unsigned char* r = &bytes[30 + 16 * static_cast<size_t>(i)];
      PutLE32(r, static_cast<uint32_t>(act));
      r[4] = 1;
      PutLE32(r + 8, static_cast<uint32_t>(i % 65536));
      const int64_t next = act < acts ? i + words : 0;
      PutLE32(r + 12, static_cast<uint32_t>(next));
    }
    const int fd = ::open(word_file().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("cannot write " + word_file());
    ::close(fd);
  }
  ~IndexDir() { std::filesystem::remove_all(path_); }

  const std::string& path() const { return path_; }
  std::string word_file() const { return path_ + "/word.dat"; }

 private:
  std::string path_;
};

// One directory per layout, built on first use and kept for the run.
const IndexDir& Layout(int words, int acts) {
  static std::map<std::pair<int, int>, std::unique_ptr<IndexDir>> dirs;
  auto& dir = dirs[{words, acts}];
  if (!dir) dir = std::make_unique<IndexDir>(words, acts);
  return *dir;
}

void Args(benchmark::internal::Benchmark* b) {
  b->ArgNames({"words", "acts"});
  b->Args({1, 100000});    // contiguous
  b->Args({10, 100000});   // scattered: 1,000,000 records, 16 MB
  b->Args({300, 10000});   // sparse: 3,000,000 records, 48 MB
  b->Unit(benchmark::kMillisecond);
}

void BM_CursorWalk(benchmark::State& state) {
  const int acts = static_cast<int>(state.range(1));
  const IndexDir& dir = Layout(static_cast<int>(state.range(0)), acts);
  _cautstr(dir.path().c_str());
  for (auto _ : state) {
    int64_t records = 0;
    int64_t sum = 0;
    _findrecbypos(0);
    do {
      recwrd r;
      _getcrt(&r);
      sum += r.act_id;
      ++records;
    } while (_findnextrec() != 0);
    if (records != acts) state.SkipWithError("walk ended early");
    benchmark::DoNotOptimize(sum);
  }
  _cautstp();
  state.SetItemsProcessed(state.iterations() * acts);
}
BENCHMARK(BM_CursorWalk)->Apply(Args);

void BM_SeekReadWalk(benchmark::State& state) {
  const int acts = static_cast<int>(state.range(1));
  const IndexDir& dir = Layout(static_cast<int>(state.range(0)), acts);
  const int fd = ::open(dir.word_file().c_str(), O_RDONLY);
  for (auto _ : state) {
    int64_t records = 0;
    int64_t sum = 0;
    int64_t index = 0;
    for (;;) {
      unsigned char r[16];
      if (::lseek(fd, 30 + 16 * index, SEEK_SET) < 0 || ::read(fd, r, 16) != 16) break;
      sum += GetLE32(r);
      ++records;
      const int32_t next = static_cast<int32_t>(GetLE32(r + 12));
      if (next <= 0) break;
      index = next;
    }
    if (records != acts) state.SkipWithError("walk ended early");
    benchmark::DoNotOptimize(sum);
  }
  ::close(fd);
  state.SetItemsProcessed(state.iterations() * acts);
}
BENCHMARK(BM_SeekReadWalk)->Apply(Args);

}  // namespace

BENCHMARK_MAIN();
