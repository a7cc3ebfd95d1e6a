// Walking one word's chain through the cursor exports, as the viewer's
// search does (_findrecbypos, then _getcrt/_findnextrec to the end), against
// a straightforward walk that seeks and reads each 16-byte record.
//
// Layouts: "contiguous" is one word's chain in consecutive records, as a
// reorganised index holds it; "scattered" is what imports leave: act after
// act, each act appending one record to each of its words, so the walked
// word's records lie `words` records apart.
//
// BM_AppendChains is the writer's side: one act's records appended as the
// import appends them, their chains' former last records scattered over
// the file.
//
//   build/bench/index_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "idxcore/index/cursor.h"
#include "idxcore/index/file_io.h"
#include "idxcore/index/test_util.h"
#include "idxcore/index/word_file.h"

namespace {

using idxcore::GetLE32;
using idxcore::PutLE32;

// A "word.dat" of `acts` acts, each with `words` words, written in import
// order; word 0's chain starts at record 0.
class IndexDir {
 public:
  IndexDir(int words, int acts) {
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
  const std::string& path() const { return dir_.path(); }
  std::string word_file() const { return dir_.path() + "/word.dat"; }

 private:
  idxcore::TempDir dir_;
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

// The words of an import: every act has the kCommonWords most common ones
// and `words` - kCommonWords drawn from kRareWords others, so that a rare
// word's last record lies anywhere in the file.
constexpr int kCommonWords = 100;
constexpr int kRareWords = 50000;

class ActWords {
 public:
  explicit ActWords(int words)
      : words_(words), last_(kCommonWords + kRareWords, -1), picked_in_(last_.size(), 0) {}

  // The next act's records, each after its word's last one.
  const std::vector<idxcore::diskhash<recwrd>::ChainAppend>& Next() {
    ++act_;
    batch_.clear();
    picked_.clear();
    for (int w = 0; w < kCommonWords; ++w) picked_.push_back(w);
    while (static_cast<int>(picked_.size()) < words_) {
      seed_ = seed_ * 6364136223846793005u + 1442695040888963407u;
      const int w = kCommonWords + static_cast<int>((seed_ >> 33) % kRareWords);
      if (picked_in_[static_cast<size_t>(w)] == act_) continue;
      picked_in_[static_cast<size_t>(w)] = act_;
      picked_.push_back(w);
    }
    for (int w : picked_) {
      recwrd r{};
      r.act_id = act_;
      r.count = 1;
      r.position = w;
      batch_.push_back({r, last_[static_cast<size_t>(w)]});
    }
    return batch_;
  }

  // Records the act's records from `first` on as its words' last ones.
  void Appended(int32_t first) {
    for (size_t i = 0; i < picked_.size(); ++i) {
      last_[static_cast<size_t>(picked_[i])] = first + static_cast<int32_t>(i);
    }
  }

 private:
  int words_;
  int32_t act_ = 0;
  uint64_t seed_ = 1;
  std::vector<int32_t> last_;       // by word
  std::vector<int32_t> picked_in_;  // by word: the last act that picked it
  std::vector<int> picked_;
  std::vector<idxcore::diskhash<recwrd>::ChainAppend> batch_;
};

// One iteration is one act: checkpoint, one appendchains call, commit,
// after `acts` acts already in the file.
void BM_AppendChains(benchmark::State& state) {
  const int words = static_cast<int>(state.range(0));
  idxcore::TempDir dir;
  idxcore::diskhash<recwrd> file(dir.path() + "/word.dat", 1);
  ActWords act_words(words);
  auto act = [&] {
    const auto& batch = act_words.Next();
    file.checkpoint();
    act_words.Appended(file.appendchains(batch));
    file.commit();
  };
  for (int64_t i = 0; i < state.range(1); ++i) act();
  for (auto _ : state) act();
  state.SetItemsProcessed(state.iterations() * words);
}
BENCHMARK(BM_AppendChains)
    ->ArgNames({"words", "acts"})
    ->Args({300, 1000})
    ->Args({300, 10000})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
