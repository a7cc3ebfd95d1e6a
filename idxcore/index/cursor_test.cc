#include "idxcore/index/cursor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "idxcore/index/test_util.h"
#include "idxcore/index/word_file.h"

extern "C" int32_t CursorTestWalkFromC(int32_t first, int32_t* acts, int32_t capacity);

namespace idxcore {
namespace {

recwrd Junk() {
  recwrd r;
  r.act_id = r.position = -1;
  r.count = -1;
  r.reserved[0] = r.reserved[1] = 0xFF;
  return r;
}

bool IsZero(const recwrd& r) {
  return r.act_id == 0 && r.count == 0 && r.position == 0 && r.reserved[0] == 0 &&
         r.reserved[1] == 0;
}

// What the viewer collects for one word: every record of the chain from
// `first`, taking the current record before each _findnextrec.
std::vector<int32_t> ActsOfChain(int32_t first) {
  std::vector<int32_t> acts;
  _findrecbypos(first);
  do {
    recwrd r = Junk();
    _getcrt(&r);
    acts.push_back(r.act_id);
  } while (_findnextrec() != 0);
  return acts;
}

// Each test leaves the library without a cursor, as it found it.
class CursorTest : public ::testing::Test {
 protected:
  void TearDown() override { _cautstp(); }
  TempDir dir_;
};

TEST_F(CursorTest, WithoutACursorEverythingReadsAsNoRecord) {
  for (int round = 0; round < 2; ++round) {  // before any _cautstr, then after _cautstp
    _findrecbypos(0);
    recwrd r = Junk();
    _getcrt(&r);
    EXPECT_TRUE(IsZero(r));
    EXPECT_EQ(_findnextrec(), 0);
    _cautstr(dir_.path().c_str());
    _cautstp();
  }
}

// A reader never creates an index file: a directory without "word.dat"
// reads as an index without records.
TEST_F(CursorTest, OpeningLeavesAMissingFileAloneAndReportsFailures) {
  _cautstr(dir_.path().c_str());
  EXPECT_FALSE(std::filesystem::exists(dir_.file("word.dat")));
  EXPECT_EQ(ActsOfChain(0), (std::vector<int32_t>{0}));
  _cautstp();
  EXPECT_THROW(_cautstr((dir_.path() + "/missing").c_str()), IndexError);
  EXPECT_THROW(_cautstr(nullptr), IndexError);
}

// Another program created, replaced or removed "word.dat" while the cursor
// was open: the cursor then reads the file the directory holds now.
TEST_F(CursorTest, ReopensWhenTheFileWasReplaced) {
  EXPECT_FALSE(ReopenCursorIfReplaced());  // no cursor
  _cautstr(dir_.path().c_str());
  EXPECT_FALSE(ReopenCursorIfReplaced());
  { diskhash<recwrd>(dir_.file("word.dat"), 1).addhead(Rec(7, 1, 1)); }
  EXPECT_TRUE(ReopenCursorIfReplaced());
  EXPECT_EQ(ActsOfChain(0), (std::vector<int32_t>{7}));
  EXPECT_FALSE(ReopenCursorIfReplaced());

  { diskhash<recwrd>(dir_.file("word2.dat"), 1).addhead(Rec(8, 1, 1)); }
  std::filesystem::rename(dir_.file("word2.dat"), dir_.file("word.dat"));
  EXPECT_EQ(ActsOfChain(0), (std::vector<int32_t>{7})) << "still the file it opened";
  EXPECT_TRUE(ReopenCursorIfReplaced());
  EXPECT_EQ(ActsOfChain(0), (std::vector<int32_t>{8}));

  std::filesystem::remove(dir_.file("word.dat"));
  EXPECT_TRUE(ReopenCursorIfReplaced());
  EXPECT_EQ(ActsOfChain(0), (std::vector<int32_t>{0}));
}

TEST_F(CursorTest, WalksChainsAndSeesLaterAppends) {
  diskhash<recwrd> writer(dir_.file("word.dat"), 1);
  const int32_t lone = writer.addhead(Rec(10, 1, 42));      // 0
  const int32_t first = writer.addhead(Rec(11, 3, 6));      // 1
  writer.findrec(first);
  const int32_t second = writer.addlink(Rec(12, 2, 12));    // 2
  _cautstr(dir_.path().c_str());

  // A one-record chain: its record, then the end.
  _findrecbypos(lone);
  recwrd r = Junk();
  _getcrt(&r);
  EXPECT_EQ(r.act_id, 10);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.position, 42);
  EXPECT_EQ(r.reserved[0] | r.reserved[1], 0);
  EXPECT_EQ(_findnextrec(), 0);

  EXPECT_EQ(ActsOfChain(first), (std::vector<int32_t>{11, 12}));
  writer.findrec(second);
  writer.addlink(Rec(13, 1, 5));
  EXPECT_EQ(ActsOfChain(first), (std::vector<int32_t>{11, 12, 13}));

  // A first record past the end: nothing of the chain walked before.
  EXPECT_EQ(ActsOfChain(500), (std::vector<int32_t>{0}));

  // The same walk from a C caller.
  int32_t acts[4] = {};
  ASSERT_EQ(CursorTestWalkFromC(first, acts, 4), 3);
  EXPECT_EQ(std::vector<int32_t>(acts, acts + 3), (std::vector<int32_t>{11, 12, 13}));
}

}  // namespace
}  // namespace idxcore
