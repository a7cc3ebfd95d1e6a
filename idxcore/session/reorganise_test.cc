#include "idxcore/session/reorganise.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "idxcore/index/test_util.h"

namespace idxcore {
namespace {

using Hash = diskhash<recwrd>;

recwrd Rec(int32_t act, uint16_t count, int32_t position) {
  recwrd r{};
  r.act_id = act;
  r.count = static_cast<int16_t>(count);
  r.position = position;
  return r;
}

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

  Hash target(dir.file("word2.dat"), 1);
  PositionFile target_positions(dir.file("poziti2.dat"), PositionFile::Mode::kAppend);
  int32_t expected_first = 0;
  // Alphabetical order need not be creation order: copy word 2 first.
  for (int word : {2, 0, 1}) {
    const Walked before = Walk(source, source_positions, heads[static_cast<size_t>(word)]);
    const ChainEnds ends = CopyChain(source, source_positions, target, target_positions,
                                     heads[static_cast<size_t>(word)]);
    const Walked after = Walk(target, target_positions, ends.first);
    EXPECT_EQ(ends.first, expected_first) << word;
    EXPECT_EQ(ends.last, ends.first + static_cast<int32_t>(before.acts.size()) - 1) << word;
    std::vector<int32_t> consecutive;
    for (int32_t i = ends.first; i <= ends.last; ++i) consecutive.push_back(i);
    EXPECT_EQ(after.indexes, consecutive) << word;
    EXPECT_EQ(after.acts, before.acts) << word;
    EXPECT_EQ(after.positions, before.positions) << word;
    expected_first = ends.last + 1;
  }
  // Every position was moved once, in the order the chains were copied.
  EXPECT_EQ(target_positions.size(), source_positions.size());
  ASSERT_TRUE(target.findrec(1));
  EXPECT_EQ(target.current().value.position, 0);  // word 2's 40000 positions first
}

TEST(CopyChainTest, UnreadableHeadIsAnError) {
  TempDir dir;
  Hash source(dir.file("word.dat"), 1);
  PositionFile source_positions(dir.file("poziti.dat"), PositionFile::Mode::kAppend);
  source.addhead(Rec(1, 1, 3));
  Hash target(dir.file("word2.dat"), 1);
  PositionFile target_positions(dir.file("poziti2.dat"), PositionFile::Mode::kAppend);
  EXPECT_THROW(CopyChain(source, source_positions, target, target_positions, 5), IndexError);
  EXPECT_EQ(target.getsize(), 0);
}

}  // namespace
}  // namespace idxcore
