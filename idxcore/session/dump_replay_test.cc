#include "idxcore/session/dump_replay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actsdb/database_test_fixture.h"
#include "actsdb/schema.h"
#include "idxcore/index/file_io.h"
#include "idxcore/index/test_util.h"

namespace idxcore {
namespace {

using Hash = diskhash<recwrd>;

// One dump record: flag, the 12-byte value, the word id or record index.
std::string DumpRecord(uint8_t flag, const recwrd& r, int32_t number) {
  unsigned char b[17] = {flag};
  PutLE32(b + 1, static_cast<uint32_t>(r.act_id));
  PutLE16(b + 5, static_cast<uint16_t>(r.count));
  PutLE32(b + 9, static_cast<uint32_t>(r.position));
  PutLE32(b + 13, static_cast<uint32_t>(number));
  return std::string(reinterpret_cast<char*>(b), sizeof b);
}

std::string Positions(std::initializer_list<uint16_t> values) {
  std::string bytes;
  for (uint16_t v : values) {
    unsigned char b[2];
    PutLE16(b, v);
    bytes.append(reinterpret_cast<char*>(b), 2);
  }
  return bytes;
}

// Two installations with the same index; the first goes on importing
// while dumping, and its dump is replayed into the second.
class ReplayDumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"/source", "/target", "/dump"}) {
      std::filesystem::create_directory(dir_.path() + sub);
    }
    // Both: word 1 in act 1 at positions 3, 8; word 2 in act 1 at 5.
    for (const std::string& d : {source_, target_}) {
      Hash words(d + "/word.dat", 1);
      PositionFile positions(d + "/poziti.dat", PositionFile::Mode::kAppend);
      words.addhead(Rec(1, 2, positions.append(std::vector<uint16_t>{3, 8})));
      words.addhead(Rec(1, 1, 5));
    }
    // The source imports act 2 (word 1 three times, new word 3 once) and
    // retires act 1's record of word 2; the dump records exactly that.
    {
      Hash words(source_ + "/word.dat", 1);
      PositionFile positions(source_ + "/poziti.dat", PositionFile::Mode::kAppend);
      words.findrec(0);
      words.addlink(Rec(2, 3, positions.append(std::vector<uint16_t>{1, 2, 9})));
      words.addhead(Rec(2, 1, 7));
      words.setvalue(1, Rec(0, 1, 5));
    }
    WriteBytes(dump_ + "/word.dmp", DumpRecord(0, Rec(2, 3, 4), 1) +
                                        DumpRecord(1, Rec(2, 1, 7), 3) +
                                        DumpRecord(2, Rec(0, 1, 5), 1));
    WriteBytes(dump_ + "/poziti.dmp", Positions({1, 2, 9}));

    dictionary_.Open(true);
    for (const auto& [word, first, last] : {std::tuple{"LEGE", 0, 0}, std::tuple{"ACT", 1, 1},
                                            std::tuple{"MUNCA", -1, -1}}) {
      dictionary_.Append();
      dictionary_.SetString("Word", word);
      dictionary_.SetInteger("First", first);
      dictionary_.SetInteger("Last", last);
      dictionary_.Post();
    }
  }

  struct Ends {
    int64_t first, last;
    bool operator==(const Ends&) const = default;
  };
  std::vector<Ends> Dictionary() {
    std::vector<Ends> ends;
    for (bool on = dictionary_.First(); on; on = dictionary_.Next()) {
      ends.push_back({dictionary_.AsInteger("First"), dictionary_.AsInteger("Last")});
    }
    return ends;
  }

  // Replays the dump into the target's index files.
  int Replay() {
    Hash words(target_ + "/word.dat", 1);
    PositionFile positions(target_ + "/poziti.dat", PositionFile::Mode::kAppend);
    return ReplayDump(dump_, {*db_, dictionary_, words, positions});
  }

  TempDir dir_;
  const std::string source_ = dir_.path() + "/source";
  const std::string target_ = dir_.path() + "/target";
  const std::string dump_ = dir_.path() + "/dump";
  std::unique_ptr<actsdb::Database> db_ = actsdb::NewDatabaseWithSchema(dir_.path());
  actsdb::Table dictionary_{*db_, "tblcuv"};
};

TEST_F(ReplayDumpTest, ReproducesTheDumpingIndex) {
  EXPECT_EQ(Replay(), 3);
  EXPECT_EQ(ReadBytes(target_ + "/word.dat"), ReadBytes(source_ + "/word.dat"));
  EXPECT_EQ(ReadBytes(target_ + "/poziti.dat"), ReadBytes(source_ + "/poziti.dat"));
  EXPECT_EQ(Dictionary(), (std::vector<Ends>{{0, 2}, {1, 1}, {3, 3}}));
}

TEST_F(ReplayDumpTest, RefusesADumpThatDoesNotFitAndChangesNothing) {
  const struct {
    const char* what;
    std::string word_dump;
    std::string position_dump;
  } cases[] = {
      {"unknown word", DumpRecord(1, Rec(2, 1, 7), 3) + DumpRecord(1, Rec(2, 1, 7), 9),
       ""},
      {"offsets of another index", DumpRecord(0, Rec(2, 3, 6), 1), Positions({1, 2, 9})},
      {"positions not owned", DumpRecord(0, Rec(2, 1, 4), 1), Positions({1, 2, 9})},
      {"cut record", DumpRecord(0, Rec(2, 1, 4), 1).substr(0, 16), ""},
      {"unknown flag", DumpRecord(3, Rec(2, 1, 4), 1), ""},
      {"odd positions", DumpRecord(0, Rec(2, 1, 4), 1), "x"},
  };
  const std::string words = ReadBytes(target_ + "/word.dat");
  const std::string positions = ReadBytes(target_ + "/poziti.dat");
  const std::vector<Ends> dictionary = Dictionary();
  for (const auto& c : cases) {
    WriteBytes(dump_ + "/word.dmp", c.word_dump);
    WriteBytes(dump_ + "/poziti.dmp", c.position_dump);
    EXPECT_THROW(Replay(), IndexError) << c.what;
    EXPECT_EQ(ReadBytes(target_ + "/word.dat"), words) << c.what;
    EXPECT_EQ(ReadBytes(target_ + "/poziti.dat"), positions) << c.what;
    EXPECT_EQ(Dictionary(), dictionary) << c.what;
  }
  std::filesystem::remove(dump_ + "/poziti.dmp");
  EXPECT_THROW(Replay(), IndexError);
}

}  // namespace
}  // namespace idxcore
