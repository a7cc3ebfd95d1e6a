#include "idxcore/session/reorganise.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actsdb/database_test_fixture.h"
#include "actsdb/schema.h"
#include "idxcore/index/position_file.h"
#include "idxcore/index/test_util.h"

namespace idxcore {
namespace {

using Hash = diskhash<recwrd>;

// One word's occurrences in one act, as the import writes them.
struct Occurrence {
  int word;
  int32_t act;
  std::vector<uint16_t> positions;
};

// Writes the occurrences in order, chaining each word's records, and
// returns each word's chain head.
std::vector<int32_t> WriteIndex(Hash& words, PositionFile& positions,
                                const std::vector<Occurrence>& occurrences, int word_count) {
  std::vector<int32_t> first(static_cast<size_t>(word_count), -1);
  std::vector<int32_t> last(static_cast<size_t>(word_count), -1);
  for (const Occurrence& o : occurrences) {
    const uint16_t count = static_cast<uint16_t>(o.positions.size());
    const int32_t field = count == 1 ? o.positions[0] : positions.append(o.positions);
    const recwrd r = Rec(o.act, count, field);
    int32_t& l = last[static_cast<size_t>(o.word)];
    if (l < 0) {
      l = first[static_cast<size_t>(o.word)] = words.addhead(r);
    } else {
      EXPECT_TRUE(words.findrec(l));
      l = words.addlink(r);
    }
  }
  return first;
}

// The acts and positions of a chain, read as a search reads them.
struct Walked {
  std::vector<int32_t> indexes;
  std::vector<int32_t> acts;
  std::vector<std::vector<uint16_t>> positions;
};
Walked Walk(Hash& words, const PositionFile& positions, int32_t first) {
  Walked w;
  if (!words.findrec(first)) return w;
  do {
    const recwrd& r = words.current().value;
    w.indexes.push_back(words.current_index());
    w.acts.push_back(r.act_id);
    const uint16_t count = static_cast<uint16_t>(r.count);
    w.positions.push_back(count <= 1 ? std::vector<uint16_t>{static_cast<uint16_t>(r.position)}
                                     : positions.read(static_cast<uint32_t>(r.position), count));
  } while (words.nextrec());
  return w;
}

TEST(CopyChainTest, LaysEachChainOutContiguouslyWithItsPositions) {
  TempDir dir;
  Hash source(dir.file("word.dat"), 1);
  PositionFile source_positions(dir.file("poziti.dat"), PositionFile::Mode::kAppend);
  std::vector<uint16_t> many(40000);  // a count that reads negative as int16
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint16_t>(i * 3);
  // Three words interleaved act by act, with single and repeated occurrences.
  const std::vector<Occurrence> occurrences = {
      {0, 1, {7}},  {1, 1, {2, 9, 30}},  {2, 1, {4}},       {0, 2, {1, 5, 8, 13}},
      {2, 2, many}, {0, 3, {65535}},     {1, 3, {0, 1}},
  };
  const std::vector<int32_t> heads = WriteIndex(source, source_positions, occurrences, 3);

  std::vector<ChainEnds> copied;
  {
    const IndexSource source(dir.file("word.dat"), dir.file("poziti.dat"));
    IndexCopy copy(dir.file("word2.dat"), dir.file("poziti2.dat"));
    // Alphabetical order need not be creation order: copy word 2 first.
    for (int word : {2, 0, 1}) {
      copied.push_back(copy.CopyChain(source, heads[static_cast<size_t>(word)]));
    }
    copy.Finish();
  }
  Hash target(dir.file("word2.dat"), 0);
  const PositionFile target_positions(dir.file("poziti2.dat"), PositionFile::Mode::kRead);
  int32_t expected_first = 0;
  size_t i = 0;
  for (int word : {2, 0, 1}) {
    const ChainEnds ends = copied[i++];
    const Walked before = Walk(source, source_positions, heads[static_cast<size_t>(word)]);
    const Walked after = Walk(target, target_positions, ends.first);
    EXPECT_EQ(ends.first, expected_first) << word;
    EXPECT_EQ(ends.last, ends.first + static_cast<int32_t>(before.acts.size()) - 1) << word;
    std::vector<int32_t> consecutive;
    for (int32_t k = ends.first; k <= ends.last; ++k) consecutive.push_back(k);
    EXPECT_EQ(after.indexes, consecutive) << word;
    EXPECT_EQ(after.acts, before.acts) << word;
    EXPECT_EQ(after.positions, before.positions) << word;
    expected_first = ends.last + 1;
  }
  // Every position was moved once, in the order the chains were copied.
  EXPECT_EQ(target_positions.size(), source_positions.size());
  ASSERT_TRUE(target.findrec(1));
  EXPECT_EQ(target.current().value.position, 0);  // word 2's 40000 positions first
  EXPECT_EQ(target.getsize(), 7);
}

TEST(CopyChainTest, UnreadableHeadIsAnError) {
  TempDir dir;
  {
    Hash source(dir.file("word.dat"), 1);
    source.addhead(Rec(1, 1, 3));
  }
  const PositionFile source_positions(dir.file("poziti.dat"), PositionFile::Mode::kAppend);
  const IndexSource source(dir.file("word.dat"), dir.file("poziti.dat"));
  IndexCopy copy(dir.file("word2.dat"), dir.file("poziti2.dat"));
  EXPECT_THROW(copy.CopyChain(source, 5), IndexError);
  EXPECT_EQ(copy.CopyChain(source, 0).last, 0);
}

// An index of three words written act by act, and its dictionary.
class PutInOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      Hash words(dir_.file("word.dat"), 1);
      PositionFile positions(dir_.file("poziti.dat"), PositionFile::Mode::kAppend);
      // Dictionary order (by IdWord) differs from alphabetical order.
      heads_ = WriteIndex(words, positions,
                          {{0, 1, {3, 8}},  {1, 1, {5}},     {2, 1, {1, 2, 9}},
                           {0, 2, {4}},     {2, 2, {6, 7}},  {0, 3, {0, 11, 12}},
                           {1, 4, {2, 3}}},
                          3);
    }
    dictionary_.Open(true);
    const char* words[] = {"MUNCA", "ACT", "LEGE"};
    for (int w = 0; w < 3; ++w) {
      dictionary_.Append();
      dictionary_.SetString("Word", words[w]);
      dictionary_.SetInteger("First", heads_[static_cast<size_t>(w)]);
      dictionary_.SetInteger("Last", -1);  // not read by the reorganisation
      dictionary_.Post();
    }
  }

  // Each word's chain as a search reads it, through the dictionary.
  std::vector<Walked> Search(const std::string& word_file, const std::string& position_file) {
    Hash words(dir_.file(word_file), 0);
    PositionFile positions(dir_.file(position_file), PositionFile::Mode::kRead);
    std::vector<Walked> result;
    dictionary_.SetIndexName("");
    for (bool on = dictionary_.First(); on; on = dictionary_.Next()) {
      result.push_back(Walk(words, positions, static_cast<int32_t>(dictionary_.AsInteger("First"))));
      EXPECT_EQ(result.back().indexes.back(), dictionary_.AsInteger("Last"));
    }
    return result;
  }

  static std::vector<std::vector<int32_t>> Acts(const std::vector<Walked>& walks) {
    std::vector<std::vector<int32_t>> acts;
    for (const Walked& w : walks) acts.push_back(w.acts);
    return acts;
  }

  TempDir dir_;
  std::unique_ptr<actsdb::Database> db_ = actsdb::NewDatabaseWithSchema(dir_.path());
  actsdb::Table dictionary_{*db_, "tblcuv"};
  std::vector<int32_t> heads_;
};

TEST_F(PutInOrderTest, WritesTheCopyThenSwapsItIn) {
  const std::string old_words = ReadBytes(dir_.file("word.dat"));
  const std::string old_positions = ReadBytes(dir_.file("poziti.dat"));
  std::vector<Walked> before;
  for (int32_t head : heads_) {
    Hash words(dir_.file("word.dat"), 0);
    PositionFile positions(dir_.file("poziti.dat"), PositionFile::Mode::kRead);
    before.push_back(Walk(words, positions, head));
    before.back().indexes.clear();
  }

  PutInOrder(*db_, dictionary_, dir_.path());
  EXPECT_TRUE(IndexSwapPending(*db_));
  EXPECT_EQ(ReadBytes(dir_.file("word.dat")), old_words);
  EXPECT_EQ(ReadBytes(dir_.file("poziti.dat")), old_positions);

  // The dictionary now describes the copy: ACT, LEGE, MUNCA, each a run
  // (rows listed by IdWord: MUNCA, ACT, LEGE).
  std::vector<Walked> after = Search("word2.dat", "poziti2.dat");
  const std::vector<std::vector<int32_t>> runs = {{4, 5, 6}, {0, 1}, {2, 3}};
  for (size_t w = 0; w < 3; ++w) {
    EXPECT_EQ(after[w].indexes, std::vector<int32_t>(runs[w])) << w;
    after[w].indexes.clear();
    EXPECT_EQ(after[w].acts, before[w].acts) << w;
    EXPECT_EQ(after[w].positions, before[w].positions) << w;
  }
  const std::string copy = ReadBytes(dir_.file("word2.dat"));

  EXPECT_TRUE(FinishIndexSwap(*db_, dir_.path()));
  EXPECT_FALSE(IndexSwapPending(*db_));
  EXPECT_EQ(ReadBytes(dir_.file("word.dat")), copy);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("word2.dat")));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("poziti2.dat")));
  EXPECT_EQ(Acts(Search("word.dat", "poziti.dat")), Acts(before));
  EXPECT_FALSE(FinishIndexSwap(*db_, dir_.path()));
}

TEST_F(PutInOrderTest, SwapInterruptedBetweenTheRenamesIsCompleted) {
  PutInOrder(*db_, dictionary_, dir_.path());
  std::filesystem::rename(dir_.file("word2.dat"), dir_.file("word.dat"));  // then a crash
  EXPECT_TRUE(FinishIndexSwap(*db_, dir_.path()));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("poziti2.dat")));
  const std::vector<Walked> walks = Search("word.dat", "poziti.dat");
  EXPECT_EQ(walks[1].positions, (std::vector<std::vector<uint16_t>>{{5}, {2, 3}}));
}

TEST_F(PutInOrderTest, FailedRunChangesNothingAndItsLeftoversAreRemoved) {
  const std::string old_words = ReadBytes(dir_.file("word.dat"));
  dictionary_.Append();
  dictionary_.SetString("Word", "ZZZ");
  dictionary_.SetInteger("First", 500);  // beyond the file: a damaged index
  dictionary_.SetInteger("Last", 500);
  dictionary_.Post();
  EXPECT_THROW(PutInOrder(*db_, dictionary_, dir_.path()), IndexError);
  EXPECT_FALSE(IndexSwapPending(*db_));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("word2.dat")));
  dictionary_.SetIndexName("");
  ASSERT_TRUE(dictionary_.First());
  EXPECT_EQ(dictionary_.AsInteger("First"), heads_[0]);

  // A copy left by a run that died before committing is not trusted.
  WriteBytes(dir_.file("word2.dat"), "half a copy");
  EXPECT_FALSE(FinishIndexSwap(*db_, dir_.path()));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("word2.dat")));
  EXPECT_EQ(ReadBytes(dir_.file("word.dat")), old_words);
}

// A damaged index is refused before anything is written: copying it would
// give its damage a clean layout that no later check could tell apart.
TEST_F(PutInOrderTest, DamagedChainsAreRefused) {
  // Chains: MUNCA 0 -> 3 -> 5, ACT 1 -> 6, LEGE 2 -> 4; record 0 has two
  // positions, poziti.dat holds 24 bytes.
  struct Damage {
    int32_t record;
    void (*apply)(diskhelem<recwrd>&);
    const char* says;
  };
  const Damage damages[] = {
      {3, [](diskhelem<recwrd>& e) { e.next = 1; }, "record 3 links to record 1"},
      {3, [](diskhelem<recwrd>& e) { e.next = 99; }, "record 3 links to record 99"},
      {3, [](diskhelem<recwrd>& e) { e.next = 4; }, "record 4 belongs to two chains"},
      {0, [](diskhelem<recwrd>& e) { e.value.position = 22; }, "record 0 has 2 positions at byte 22"},
      {0, [](diskhelem<recwrd>& e) { e.value.position = 1; }, "record 0 has 2 positions at byte 1"},
  };
  const std::string words = ReadBytes(dir_.file("word.dat"));
  for (const Damage& d : damages) {
    WriteBytes(dir_.file("word.dat"), words);
    {
      diskvec<diskhelem<recwrd>> records(dir_.file("word.dat"), 1);
      diskhelem<recwrd> e;
      ASSERT_TRUE(records.getelem(d.record, e));
      d.apply(e);
      records.putelem(e, d.record);
    }
    try {
      PutInOrder(*db_, dictionary_, dir_.path());
      ADD_FAILURE() << d.says << ": reorganised";
    } catch (const IndexError& e) {
      EXPECT_NE(std::string(e.what()).find(d.says), std::string::npos) << e.what();
    }
    EXPECT_FALSE(IndexSwapPending(*db_)) << d.says;
    EXPECT_FALSE(std::filesystem::exists(dir_.file("word2.dat"))) << d.says;
    dictionary_.SetIndexName("");
    ASSERT_TRUE(dictionary_.First());
    EXPECT_EQ(dictionary_.AsInteger("First"), heads_[0]) << d.says;
  }
}

}  // namespace
}  // namespace idxcore
