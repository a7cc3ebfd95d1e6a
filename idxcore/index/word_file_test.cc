#include "idxcore/index/word_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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

  // A reader creates a missing file, with its header.
  { Hash h(dir.file("word.dat"), 0); EXPECT_EQ(h.getsize(), 0); }
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
