#include "idxcore/index/word_file.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "idxcore/index/file_io.h"
#include "idxcore/index/test_util.h"

namespace idxcore {
namespace {

using Hash = diskhash<recwrd>;

// The 16 bytes of record `index` as they lie in the file.
std::string RawRecord(const std::string& bytes, int index) {
  return bytes.substr(30 + 16 * static_cast<size_t>(index), 16);
}

// Appends one record per act for each word, the way an import leaves them:
// act after act, each act adding one record to every word's chain. Returns
// each word's record indexes in chain order.
std::vector<std::vector<int32_t>> ImportActs(Hash& h, int words, int acts) {
  std::vector<std::vector<int32_t>> chains(static_cast<size_t>(words));
  for (int act = 1; act <= acts; ++act) {
    for (int w = 0; w < words; ++w) {
      auto& chain = chains[static_cast<size_t>(w)];
      const recwrd r = Rec(act, static_cast<int16_t>(w + 1), act * 100 + w);
      if (chain.empty()) {
        chain.push_back(h.addhead(r));
      } else {
        EXPECT_TRUE(h.findrec(chain.back()));
        chain.push_back(h.addlink(r));
      }
    }
  }
  return chains;
}

// Walks the chain from `first` and returns the indexes visited.
std::vector<int32_t> Walk(Hash& h, int32_t first) {
  std::vector<int32_t> visited;
  if (!h.findrec(first)) return visited;
  do visited.push_back(h.current_index()); while (h.nextrec());
  return visited;
}

TEST(WordFileTest, FreshFileIsItsHeaderAndRecordsAreLittleEndian) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash h(path, 1);
  EXPECT_EQ(ReadBytes(path), std::string(30, '\0'));
  EXPECT_EQ(h.getsize(), 0);

  recwrd r = Rec(0x01020304, -2, 0x0A0B0C0D);
  r.reserved[0] = 0x55;  // kept as given, never interpreted
  EXPECT_EQ(h.addhead(r), 0);
  const std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(RawRecord(bytes, 0), std::string("\x04\x03\x02\x01\xFE\xFF\x55\x00"
                                             "\x0D\x0C\x0B\x0A\x00\x00\x00\x00",
                                             16));
  EXPECT_EQ(h.getsize(), 1);
}

TEST(WordFileTest, AddlinkRewritesOnlyTheOldLastAndAppends) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash h(path, 1);
  const auto chains = ImportActs(h, 3, 4);  // 12 records, chains interleaved
  const int32_t last = chains[1].back();    // 10
  const std::string before = ReadBytes(path);

  ASSERT_TRUE(h.findrec(last));
  EXPECT_EQ(h.addlink(Rec(9, 1, 77)), 12);

  const std::string after = ReadBytes(path);
  ASSERT_EQ(after.size(), before.size() + 16);
  for (int i = 0; i < 12; ++i) {
    if (i == last) continue;
    EXPECT_EQ(RawRecord(after, i), RawRecord(before, i)) << "record " << i;
  }
  EXPECT_EQ(RawRecord(after, last).substr(0, 12), RawRecord(before, last).substr(0, 12));
  EXPECT_EQ(RawRecord(after, last).substr(12), std::string("\x0C\0\0\0", 4));
  EXPECT_EQ(RawRecord(after, 12), std::string("\x09\0\0\0\x01\0\0\0\x4D\0\0\0\0\0\0\0", 16));
}

// The same acts as ImportActs, each act's records added with one
// appendchains call; new words join in later acts.
std::vector<std::vector<int32_t>> ImportActsInBatches(Hash& h, int words, int acts) {
  std::vector<std::vector<int32_t>> chains(static_cast<size_t>(words));
  for (int act = 1; act <= acts; ++act) {
    std::vector<Hash::ChainAppend> batch;
    for (int w = 0; w < words; ++w) {
      const auto& chain = chains[static_cast<size_t>(w)];
      batch.push_back({Rec(act, static_cast<int16_t>(w + 1), act * 100 + w),
                       chain.empty() ? -1 : chain.back()});
    }
    const int32_t first = h.appendchains(batch);
    for (int w = 0; w < words; ++w) chains[static_cast<size_t>(w)].push_back(first + w);
  }
  return chains;
}

TEST(WordFileTest, AppendchainsWritesWhatAddheadAndAddlinkWrite) {
  TempDir dir;
  Hash one_by_one(dir.file("one.dat"), 1);
  Hash batched(dir.file("batch.dat"), 1);
  // Two acts of three words, then three acts of five: two chains start late.
  ImportActs(one_by_one, 3, 2);
  const auto early = ImportActsInBatches(batched, 3, 2);
  std::vector<std::vector<int32_t>> expected(5);
  for (int w = 0; w < 3; ++w) expected[static_cast<size_t>(w)] = early[static_cast<size_t>(w)];
  for (int act = 3; act <= 5; ++act) {
    std::vector<Hash::ChainAppend> batch;
    for (int w = 0; w < 5; ++w) {
      auto& chain = expected[static_cast<size_t>(w)];
      const recwrd r = Rec(act, static_cast<int16_t>(w + 1), act * 100 + w);
      if (chain.empty()) {
        one_by_one.addhead(r);
      } else {
        ASSERT_TRUE(one_by_one.findrec(chain.back()));
        one_by_one.addlink(r);
      }
      batch.push_back({r, chain.empty() ? -1 : chain.back()});
      chain.push_back(one_by_one.getsize() - 1);
    }
    batched.checkpoint();  // as the import runs it: the count kept meanwhile
    EXPECT_EQ(batched.appendchains(batch), expected[0].back());
    batched.commit();
    EXPECT_EQ(batched.current_index(), expected[4].back());
  }
  EXPECT_EQ(ReadBytes(dir.file("batch.dat")), ReadBytes(dir.file("one.dat")));
  for (const auto& chain : expected) EXPECT_EQ(Walk(batched, chain.front()), chain);
  EXPECT_EQ(batched.appendchains({}), batched.getsize());
}

TEST(WordFileTest, AppendchainsRefusesBadLinksWritingNothing) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash h(path, 1);
  ImportActsInBatches(h, 2, 2);  // records 0..3
  const std::string before = ReadBytes(path);
  const std::vector<std::vector<Hash::ChainAppend>> bad = {
      {{Rec(3, 1, 0), 4}},                        // the record does not exist yet
      {{Rec(3, 1, 0), -1}, {Rec(3, 1, 0), 9}},    // nor does this one
      {{Rec(3, 1, 0), 2}, {Rec(3, 1, 0), 2}},     // one chain extended twice
  };
  for (const auto& batch : bad) {
    EXPECT_THROW(h.appendchains(batch), IndexError);
    EXPECT_EQ(ReadBytes(path), before);
  }
}

// The writer keeps the record count only while a checkpoint is open; the
// next act starts from the file as it is, appends by others included.
TEST(WordFileTest, EachCheckpointCountsTheRecordsAfresh) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash writer(path, 1);
  writer.checkpoint();
  EXPECT_EQ(writer.appendchains({{Rec(1, 1, 0), -1}}), 0);
  writer.commit();
  { Hash other(path, 1); other.addhead(Rec(2, 1, 0)); }
  writer.checkpoint();
  EXPECT_EQ(writer.appendchains({{Rec(3, 1, 0), 0}}), 2);
  EXPECT_EQ(writer.addhead(Rec(3, 1, 0)), 3);
  writer.commit();
  EXPECT_EQ(Walk(writer, 0), (std::vector<int32_t>{0, 2}));
}

TEST(WordFileTest, OpeningKeepsRecordsAndOnlyAWriterRewritesTheHeader) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  {
    Hash h(path, 1);
    ImportActs(h, 2, 3);
  }
  std::string bytes = ReadBytes(path);
  const std::string records = bytes.substr(30);
  bytes.replace(0, 30, std::string(30, 'H'));
  WriteBytes(path, bytes);

  { Hash reader(path, 0); EXPECT_EQ(reader.getsize(), 6); }
  EXPECT_EQ(ReadBytes(path), bytes);

  Hash writer(path, 1);
  EXPECT_EQ(ReadBytes(path), std::string(30, '\0') + records);
  EXPECT_EQ(writer.addhead(Rec(4, 1, 0)), 6);
}

TEST(WordFileTest, OpenFailuresAndDamagedFiles) {
  TempDir dir;
  EXPECT_THROW(Hash(dir.file("missing/word.dat"), 0), IndexError);
  std::filesystem::create_directory(dir.file("folder.dat"));
  EXPECT_THROW(Hash(dir.file("folder.dat"), 0), IndexError);

  // A reader never creates an index file; a writer creates it with its
  // header.
  EXPECT_THROW(Hash(dir.file("word.dat"), 0), IndexError);
  EXPECT_FALSE(std::filesystem::exists(dir.file("word.dat")));
  { Hash h(dir.file("word.dat"), 1); EXPECT_EQ(h.getsize(), 0); }
  EXPECT_EQ(ReadBytes(dir.file("word.dat")).size(), 30u);

  // Shorter than its header: no records rather than a wrapped count; a
  // trailing partial record is not a record.
  WriteBytes(dir.file("short.dat"), "abc");
  EXPECT_EQ(Hash(dir.file("short.dat"), 0).getsize(), 0);
  WriteBytes(dir.file("partial.dat"), std::string(30 + 16 + 9, '\0'));
  Hash partial(dir.file("partial.dat"), 0);
  EXPECT_EQ(partial.getsize(), 1);
  EXPECT_FALSE(partial.findrec(1));
}

// Chains are walked in act order whatever their layout; the strides cover
// the read-ahead block (one record per act, interleaved, and successors too
// far apart to be worth a block) and chains longer than one block.
TEST(WordFileTest, WalksEveryChainInActOrder) {
  struct Case {
    int words;
    int acts;
  };
  for (const Case& c : {Case{1, 9000}, Case{7, 1500}, Case{300, 40}}) {
    TempDir dir;
    Hash writer(dir.file("word.dat"), 1);
    const auto chains = ImportActs(writer, c.words, c.acts);

    Hash reader(dir.file("word.dat"), 0);
    for (int w = 0; w < c.words; ++w) {
      const auto& chain = chains[static_cast<size_t>(w)];
      ASSERT_EQ(Walk(reader, chain.front()), chain) << c.words << " words, word " << w;
      EXPECT_EQ(reader.current().value.act_id, c.acts);
      EXPECT_EQ(reader.current().value.count, w + 1);
    }
  }
}

TEST(WordFileTest, AWalkSeesRecordsAppendedByAnotherWriter) {
  TempDir dir;
  Hash writer(dir.file("word.dat"), 1);
  auto chains = ImportActs(writer, 2, 3);
  Hash reader(dir.file("word.dat"), 0);

  // The reader is in the middle of word 0's chain, its last record already
  // read ahead with no successor, when the writer extends that chain.
  ASSERT_TRUE(reader.findrec(chains[0].front()));
  ASSERT_TRUE(reader.nextrec());
  ASSERT_TRUE(writer.findrec(chains[0].back()));
  chains[0].push_back(writer.addlink(Rec(4, 1, 0)));
  ASSERT_TRUE(reader.nextrec());
  ASSERT_TRUE(reader.nextrec());
  EXPECT_EQ(reader.current_index(), chains[0].back());
  EXPECT_EQ(reader.current().value.act_id, 4);
  EXPECT_FALSE(reader.nextrec());

  // A new walk of the other word sees its later records too.
  ASSERT_TRUE(writer.findrec(chains[1].back()));
  chains[1].push_back(writer.addlink(Rec(5, 1, 0)));
  EXPECT_EQ(Walk(reader, chains[1].front()), chains[1]);
}

TEST(WordFileTest, UnreadableOrDamagedLinksEndTheWalk) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  {
    diskvec<diskhelem<recwrd>> vec(path, 1);
    const std::vector<diskhelem<recwrd>> records = {
        {Rec(1, 1, 0), 1},   // 0 -> 1
        {Rec(2, 1, 0), 0},   // 1: end
        {Rec(3, 1, 0), 2},   // 2 -> itself
        {Rec(4, 1, 0), 1},   // 3 -> 1: backwards
        {Rec(5, 1, 0), 99},  // 4 -> past the end
    };
    for (size_t i = 0; i < records.size(); ++i) vec.putelem(records[i], static_cast<int32_t>(i));
  }

  Hash reader(path, 0);
  EXPECT_EQ(Walk(reader, 0), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(Walk(reader, 2), (std::vector<int32_t>{2}));
  EXPECT_EQ(Walk(reader, 3), (std::vector<int32_t>{3}));
  EXPECT_EQ(Walk(reader, 4), (std::vector<int32_t>{4}));
  EXPECT_EQ(reader.current().value.act_id, 5);  // an unreadable successor moves nothing

  // A record that cannot be read leaves no current record behind.
  for (int32_t index : {5, -1}) {
    ASSERT_TRUE(reader.findrec(0));
    EXPECT_FALSE(reader.findrec(index));
    EXPECT_EQ(reader.current().value.act_id, 0);
    EXPECT_FALSE(reader.nextrec());
  }
}

TEST(WordFileTest, AddlinkRefusesToLinkAStaleRecord) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash h(path, 1);
  h.addhead(Rec(1, 1, 0));
  const std::string before = ReadBytes(path);
  EXPECT_FALSE(h.findrec(7));
  EXPECT_THROW(h.addlink(Rec(2, 1, 0)), IndexError);
  EXPECT_EQ(ReadBytes(path), before);

  diskvec<diskhelem<recwrd>> vec(path, 1);
  EXPECT_THROW(vec.putelem({}, 3), IndexError);  // would leave a gap
  EXPECT_THROW(vec.putelem({}, -1), IndexError);
}

TEST(WordFileTest, RollbackLeavesTheFileAsAtTheCheckpoint) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash h(path, 1);
  auto chains = ImportActs(h, 3, 2);
  const auto committed = chains;
  const std::string before = ReadBytes(path);

  // One act's writes: retire act 1's records, then extend two chains twice
  // each and start a new one.
  h.checkpoint();
  for (int32_t index : h.findact(1)) h.setvalue(index, Rec(0, 1, 0));
  for (int round = 0; round < 2; ++round) {
    for (int w : {0, 2}) {
      ASSERT_TRUE(h.findrec(chains[static_cast<size_t>(w)].back()));
      chains[static_cast<size_t>(w)].push_back(h.addlink(Rec(3 + round, 1, 0)));
    }
  }
  h.addhead(Rec(3, 1, 0));
  ASSERT_NE(ReadBytes(path), before);
  h.rollback();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_THROW(h.rollback(), IndexError);

  // The same with the act's records appended in one batch; a record whose
  // link the batch rewrote unread is then also given a new value.
  h.checkpoint();
  for (int32_t index : h.findact(1)) h.setvalue(index, Rec(0, 1, 0));
  std::vector<Hash::ChainAppend> batch;
  for (const auto& chain : committed) batch.push_back({Rec(5, 1, 0), chain.back()});
  batch.push_back({Rec(5, 1, 0), -1});
  const int32_t first = h.appendchains(batch);
  h.setvalue(committed[1].back(), Rec(0, 1, 0));
  ASSERT_TRUE(h.findrec(first));
  h.addlink(Rec(6, 1, 0));
  ASSERT_NE(ReadBytes(path), before);
  h.rollback();
  EXPECT_EQ(ReadBytes(path), before);

  // After a commit the writes stay and a new checkpoint starts from them.
  h.checkpoint();
  EXPECT_THROW(h.checkpoint(), IndexError);
  h.addhead(Rec(6, 1, 0));
  h.commit();
  h.checkpoint();
  h.rollback();
  EXPECT_EQ(ReadBytes(path).size(), before.size() + 16);
}

// An import-like run and the file it must leave, kept side by side: each
// act appends one record to a scattered set of words' chains with one
// appendchains call under a checkpoint, every fifth act also retires an
// earlier record, and every seventh is rolled back. The links of rare words
// reach far back, over any point where the writer's window was remapped.
class ImportRun {
 public:
  ImportRun(Hash& h, int words)
      : h_(h),
        first_(static_cast<size_t>(words), -1),
        last_(static_cast<size_t>(words), -1) {}

  // Makes room for `count` records up front, for a run that must not
  // allocate much.
  void Reserve(size_t count) { records_.reserve(count); }

  void Acts(int count) {
    for (int i = 0; i < count; ++i) {
      ++act_;
      std::vector<Hash::ChainAppend> batch;
      std::vector<size_t> words;
      for (size_t w = 0; w < last_.size(); ++w) {
        if ((static_cast<size_t>(act_) * 31 + w * 17) % (1 + w % 9) != 0) continue;
        batch.push_back({Rec(act_, static_cast<int>(w) + 1, act_ * 7 + static_cast<int>(w)),
                         last_[w]});
        words.push_back(w);
      }
      Act(batch, words, act_ % 5 == 0, act_ % 7 == 0);
    }
  }

  // One act that extends every chain and adds `heads` one-record chains,
  // in one call, then is rolled back: enough records to grow the window
  // and cut the file back under it.
  void RolledBackGrowth(int heads) {
    std::vector<Hash::ChainAppend> batch;
    std::vector<size_t> words;
    for (size_t w = 0; w < last_.size(); ++w) {
      batch.push_back({Rec(act_ + 1, 1, 0), last_[w]});
      words.push_back(w);
    }
    for (int i = 0; i < heads; ++i) {
      batch.push_back({Rec(act_ + 1, 1, i), -1});
      words.push_back(kNoWord);
    }
    Act(batch, words, true, true);
  }

  // The bytes the file must hold now.
  std::string Bytes() const {
    std::string bytes(30, '\0');
    for (const auto& r : records_) {
      unsigned char b[16] = {};
      PutLE32(b, static_cast<uint32_t>(r.value.act_id));
      PutLE16(b + 4, static_cast<uint16_t>(r.value.count));
      PutLE32(b + 8, static_cast<uint32_t>(r.value.position));
      PutLE32(b + 12, static_cast<uint32_t>(r.next));
      bytes.append(reinterpret_cast<const char*>(b), sizeof b);
    }
    return bytes;
  }

  // Word `w`'s chain as it must be walked.
  std::vector<int32_t> Chain(size_t w) const {
    std::vector<int32_t> chain{first_[w]};
    while (records_[static_cast<size_t>(chain.back())].next != 0) {
      chain.push_back(records_[static_cast<size_t>(chain.back())].next);
    }
    return chain;
  }

 private:
  static constexpr size_t kNoWord = static_cast<size_t>(-1);

  // `words[i]` is the word whose chain batch[i] extends or starts, or
  // kNoWord for a chain no word keeps.
  void Act(const std::vector<Hash::ChainAppend>& batch, const std::vector<size_t>& words,
           bool retire, bool roll_back) {
    const size_t count_before = records_.size();
    std::vector<std::pair<size_t, diskhelem<recwrd>>> undo;  // former records changed
    auto change = [&](size_t index) -> diskhelem<recwrd>& {
      if (index < count_before) undo.emplace_back(index, records_[index]);
      return records_[index];
    };
    const auto first_before = first_;
    const auto last_before = last_;

    h_.checkpoint();
    const int32_t first = h_.appendchains(batch);
    ASSERT_EQ(first, static_cast<int32_t>(count_before));
    for (size_t i = 0; i < batch.size(); ++i) {
      const int32_t index = first + static_cast<int32_t>(i);
      records_.push_back({batch[i].value, 0});
      if (batch[i].last >= 0) change(static_cast<size_t>(batch[i].last)).next = index;
      if (words[i] == kNoWord) continue;
      if (first_[words[i]] < 0) first_[words[i]] = index;
      last_[words[i]] = index;
    }
    if (retire) {
      const size_t index = static_cast<size_t>(act_) * 7919 % records_.size();
      h_.setvalue(static_cast<int32_t>(index), Rec(0, 1, 0));
      change(index).value = Rec(0, 1, 0);
    }
    if (!roll_back) {
      h_.commit();
      return;
    }
    h_.rollback();
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) records_[it->first] = it->second;
    records_.resize(count_before);
    first_ = first_before;
    last_ = last_before;
  }

  Hash& h_;
  int act_ = 0;
  std::vector<diskhelem<recwrd>> records_;
  std::vector<int32_t> first_;  // by word; -1 before its first record
  std::vector<int32_t> last_;
};

// The writer reads and rewrites records through a window on the file that
// is remapped as the file grows and cut back by a rollback; a reader never
// maps the file. Whatever the writer's window did, both see the file as
// written.
TEST(WordFileTest, AGrowingFileIsWrittenAsWithoutTheWindow) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash writer(path, 1);
  Hash reader(path, 0);
  ImportRun run(writer, 600);
  // Several windows' growth in acts, then a rolled-back act that grows the
  // window by a whole minimum length, then acts that link records on both
  // sides of the cut.
  const int64_t target = 3 * static_cast<int64_t>(FileWindow::kMinLength);
  while (static_cast<int64_t>(std::filesystem::file_size(path)) < target) run.Acts(20);
  ASSERT_EQ(ReadBytes(path), run.Bytes());
  run.RolledBackGrowth(static_cast<int>(FileWindow::kMinLength / 16));
  ASSERT_EQ(ReadBytes(path), run.Bytes());
  run.Acts(40);
  EXPECT_EQ(ReadBytes(path), run.Bytes());
  for (size_t w : {size_t{0}, size_t{1}, size_t{8}, size_t{599}}) {
    EXPECT_EQ(Walk(reader, run.Chain(w).front()), run.Chain(w)) << "word " << w;
    EXPECT_EQ(Walk(writer, run.Chain(w).front()), run.Chain(w)) << "word " << w;
  }
}

// Two objects on one file in one process, as a test or a recovery opens
// them: each sees the other's writes at once, whether they went through a
// writer's window or a plain write, uncommitted ones included.
TEST(WordFileTest, ObjectsOnOneFileSeeEachOthersWritesAtOnce) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash writer(path, 1);
  auto chains = ImportActsInBatches(writer, 3, 3);  // records 0..8
  Hash reader(path, 0);
  ASSERT_EQ(Walk(reader, chains[0].front()), chains[0]);

  writer.checkpoint();
  chains[0].push_back(writer.appendchains({{Rec(4, 1, 0), chains[0].back()}}));
  EXPECT_EQ(Walk(reader, chains[0].front()), chains[0]);
  writer.commit();

  // Another writer extends the chain; the first one, which has not asked
  // the file's size since, walks to its new end.
  Hash other(path, 1);
  ASSERT_TRUE(other.findrec(chains[0].back()));
  chains[0].push_back(other.addlink(Rec(5, 1, 0)));
  EXPECT_EQ(Walk(writer, chains[0].front()), chains[0]);
  EXPECT_EQ(writer.current().value.act_id, 5);
  EXPECT_EQ(Walk(reader, chains[0].front()), chains[0]);
}

// The acts of the refused-window test: until the file passes `bytes`,
// then ten more.
void RunPast(ImportRun& run, const std::string& path, size_t bytes) {
  while (std::filesystem::file_size(path) < bytes) run.Acts(10);
  run.Acts(10);
}

// In a child process: one writer gets a window of twice the smallest one
// or more, then the address space is limited to less than half the
// smallest window more, so that the window cannot grow, and a second writer
// opens under the limit. Both run the acts past four smallest windows; the
// exit code is 0 when both files hold `expected`, 2 when the limit did not
// hold.
[[noreturn]] void RunRefusedWindows(const TempDir& dir, const std::string& expected) {
  const size_t records = expected.size() / 16 + 20000;
  Hash grown(dir.file("grown.dat"), 1);
  ImportRun grown_run(grown, 400);
  grown_run.Reserve(records);
  RunPast(grown_run, dir.file("grown.dat"), 2 * FileWindow::kMinLength);
  Hash never(dir.file("never.dat"), 1);
  ImportRun never_run(never, 400);
  never_run.Reserve(records);

  rlimit limit;
  ::getrlimit(RLIMIT_AS, &limit);
  const rlimit unlimited = limit;
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  limit.rlim_cur = static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE)) + FileWindow::kMinLength / 2;
  ::setrlimit(RLIMIT_AS, &limit);
  void* probe = ::mmap(nullptr, FileWindow::kMinLength, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS,
                       -1, 0);
  if (probe != MAP_FAILED) std::_Exit(2);
  RunPast(grown_run, dir.file("grown.dat"), 4 * FileWindow::kMinLength);
  RunPast(never_run, dir.file("never.dat"), 4 * FileWindow::kMinLength);
  ::setrlimit(RLIMIT_AS, &unlimited);

  const bool same =
      ReadBytes(dir.file("grown.dat")) == expected && ReadBytes(dir.file("never.dat")) == expected;
  std::_Exit(same ? 0 : 1);
}

// A writer that the system refuses its window, at the first use or when
// the file outgrows it, goes on with plain reads and writes and leaves the
// same bytes. Skipped under the address sanitizer, whose own mappings an
// address-space limit breaks.
TEST(WordFileTest, AWriterRefusedItsWindowWritesTheSameBytes) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address space cannot be limited under the address sanitizer";
#endif
  TempDir dir;
  Hash mapped(dir.file("mapped.dat"), 1);
  ImportRun run(mapped, 400);
  RunPast(run, dir.file("mapped.dat"), 4 * FileWindow::kMinLength);
  const std::string expected = run.Bytes();
  ASSERT_EQ(ReadBytes(dir.file("mapped.dat")), expected);
  EXPECT_EXIT(RunRefusedWindows(dir, expected), ::testing::ExitedWithCode(0), "");
}

TEST(WordFileTest, FindactAndSetvalueRetireAnActInPlace) {
  TempDir dir;
  const std::string path = dir.file("word.dat");
  Hash h(path, 1);
  const auto chains = ImportActs(h, 5000, 2);  // more records than one scan block
  const std::vector<int32_t> act2 = h.findact(2);
  ASSERT_EQ(act2.size(), 5000u);
  EXPECT_EQ(act2.front(), 5000);
  EXPECT_EQ(act2.back(), 9999);

  h.setvalue(chains[0].front(), Rec(0, 1, 0));
  ASSERT_TRUE(h.findrec(chains[0].front()));
  EXPECT_EQ(h.current().value.act_id, 0);
  EXPECT_EQ(h.current().next, chains[0].back());
  EXPECT_THROW(h.setvalue(10000, Rec(0, 1, 0)), IndexError);
}

}  // namespace
}  // namespace idxcore
