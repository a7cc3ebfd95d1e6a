#include "viewer/finding/text_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "actsdb/codepage.h"
#include "idxcore/index/cursor.h"
#include "idxcore/index/position_file.h"
#include "idxcore/index/word_file.h"

namespace finding {
namespace {

namespace fs = std::filesystem;

// A dictionary kept in memory, holding upper-case words as the index does.
class MapDictionary : public WordDictionary {
 public:
  struct Row {
    int32_t id_word = 0;
    int32_t first = 0;
    int32_t last = 0;
  };
  std::optional<Entry> Find(const std::string& key, bool exact) override {
    for (const auto& [word, row] : rows) {
      if (exact ? word == key : actsdb::UpperCase(word) == actsdb::UpperCase(key)) {
        return Entry{row.id_word, row.first};
      }
    }
    return std::nullopt;
  }
  std::map<std::string, Row> rows;
};

// A word index on disk, written the way the importer writes it: per act, one
// record per word, appended to the word's chain; two or more positions go
// to "poziti.dat".
class IndexFixture : public ::testing::Test {
 protected:
  using ActWords = std::map<std::string, std::vector<uint16_t>>;

  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / (std::string("search_") + test->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    words_ = std::make_unique<idxcore::diskhash<recwrd>>(dir_ / "word.dat", 1);
    positions_ = std::make_unique<idxcore::PositionFile>(dir_ / "poziti.dat",
                                                         idxcore::PositionFile::Mode::kAppend);
  }

  void TearDown() override {
    _cautstp();
    fs::remove_all(dir_);
  }

  void AddAct(int32_t id_act, const ActWords& words) {
    for (const auto& [word, positions] : words) {
      recwrd r{};
      r.act_id = id_act;
      r.count = static_cast<int16_t>(positions.size());
      r.position = positions.size() == 1 ? positions[0] : positions_->append(positions);
      auto [it, added] = dictionary_.rows.try_emplace(word);
      MapDictionary::Row& row = it->second;
      if (added) {
        row.id_word = static_cast<int32_t>(dictionary_.rows.size());
        row.first = row.last = words_->addhead(r);
      } else {
        ASSERT_TRUE(words_->findrec(row.last));
        row.last = words_->addlink(r);
      }
    }
  }

  // Opens the cursor on the index written so far.
  TextSearch& Search() {
    words_.reset();
    positions_.reset();
    _cautstr(dir_.c_str());
    search_ = std::make_unique<TextSearch>(dictionary_, dir_);
    return *search_;
  }

  // The acts 1 to `largest` that the hit test accepts after a run.
  std::set<int32_t> Found(const std::vector<std::string>& stems, std::string_view mode,
                          int32_t largest) {
    search_->Run(stems, mode, largest);
    std::set<int32_t> found;
    for (int32_t a = 1; a <= largest; ++a) {
      if (search_->Accepts(a)) found.insert(a);
    }
    return found;
  }

  fs::path dir_;
  MapDictionary dictionary_;
  std::unique_ptr<idxcore::diskhash<recwrd>> words_;
  std::unique_ptr<idxcore::PositionFile> positions_;
  std::unique_ptr<TextSearch> search_;
};

TEST_F(IndexFixture, ModesAndWindows) {
  AddAct(1, {{"AAAA", {5}}, {"BBBB", {25}}});              // 20 apart
  AddAct(2, {{"AAAA", {5}}, {"BBBB", {26}}});              // 21 apart
  AddAct(3, {{"AAAA", {10}}, {"BBBB", {12}}});             // 2 apart
  AddAct(4, {{"AAAA", {10}}, {"BBBB", {13}}});             // 3 apart
  AddAct(5, {{"AAAA", {1, 2, 3}}, {"CCCC", {4}}});         // no B
  AddAct(6, {{"AAAA", {45, 90}}, {"BBBB", {3, 40}}});      // every B before the first A
  AddAct(7, {{"BBBB", {100}}, {"CCCC", {99, 300}}});       // no A
  AddAct(8, {{"AAAA", {200}}, {"BBBB", {7, 700}}, {"CCCC", {201}}});
  // Positions of a long act wrap at 65536.
  AddAct(9, {{"AAAA", {65530, 65535, 3, 8}}, {"BBBB", {5}}});   // 2 apart
  AddAct(10, {{"AAAA", {65530, 65535, 3}}, {"BBBB", {6}}});     // 3 apart
  Search();

  struct Case {
    std::vector<std::string> stems;
    std::string_view mode;
    std::set<int32_t> want;
  };
  const Case cases[] = {
      {{"AAAA", "BBBB"}, kModeAnywhere, {1, 2, 3, 4, 6, 8, 9, 10}},
      {{"AAAA", "BBBB"}, kModeNear, {1, 3, 4, 6, 9, 10}},
      {{"BBBB", "AAAA"}, kModeNear, {1, 3, 4, 6, 9, 10}},
      {{"AAAA", "BBBB"}, kModePhrase, {3, 9}},
      {{"BBBB", "AAAA"}, kModePhrase, {3, 9}},
      {{"AAAA", "BBBB"}, "any other text", {3, 9}},
      // Stems are looked up upper-cased.
      {{"aaaa", "bbbb"}, kModeNear, {1, 3, 4, 6, 9, 10}},
      {{"AAAA", "CCCC"}, kModePhrase, {5, 8}},
      {{"AAAA", "BBBB", "CCCC"}, kModeAnywhere, {8}},
      {{"AAAA", "BBBB", "CCCC"}, kModeNear, {}},
      // One word: every act that holds it, whatever the mode.
      {{"BBBB"}, kModeNear, {1, 2, 3, 4, 6, 7, 8, 9, 10}},
      {{"BBBB"}, kModePhrase, {1, 2, 3, 4, 6, 7, 8, 9, 10}},
      // A word typed twice counts twice, but in the proximity modes its
      // second mention is never seen.
      {{"AAAA", "AAAA"}, kModeAnywhere, {1, 2, 3, 4, 5, 6, 8, 9, 10}},
      {{"AAAA", "AAAA"}, kModeNear, {}},
      {{"AAAA", "AAAA"}, kModePhrase, {}},
      // A word the dictionary does not hold: no act.
      {{"AAAA", "ZZZZ"}, kModeAnywhere, {}},
      {{"ZZZZ"}, kModeNear, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Found(c.stems, c.mode, 10), c.want)
        << ::testing::PrintToString(c.stems) << " " << c.mode;
  }
}

TEST_F(IndexFixture, CountsAndHitTest) {
  AddAct(1, {{"AAAA", {1}}});
  AddAct(3, {{"AAAA", {1}}, {"BBBB", {2}}});
  TextSearch& search = Search();
  // Before any run, and with no search word, every act passes.
  EXPECT_TRUE(search.Accepts(1));
  EXPECT_TRUE(search.Accepts(500000));

  search.Run({"AAAA", "BBBB", "AAAA"}, kModeAnywhere, 3);
  EXPECT_EQ(search.word_count(), 3);
  EXPECT_EQ(search.ActHits(1), 2);
  EXPECT_EQ(search.ActHits(2), 0);
  EXPECT_EQ(search.ActHits(3), 3);
  EXPECT_TRUE(search.Accepts(3));
  EXPECT_FALSE(search.Accepts(1));
  EXPECT_FALSE(search.Accepts(0));
  EXPECT_FALSE(search.Accepts(4));

  search.Run({}, kModeNear, 3);
  EXPECT_TRUE(search.Accepts(2));
  search.Run({"BBBB"}, kModeAnywhere, 3);
  search.Reset();
  EXPECT_TRUE(search.Accepts(1));
}

// The tables are as large as the acts table: an act far beyond any fixed
// size is found, and one beyond the acts table is not counted.
TEST_F(IndexFixture, ActIdsUpToTheLargest) {
  AddAct(119999, {{"AAAA", {1, 9}}, {"BBBB", {3}}});
  AddAct(120000, {{"AAAA", {1}}, {"BBBB", {2}}});
  AddAct(250000, {{"AAAA", {7}}, {"BBBB", {8, 30}}});
  AddAct(250001, {{"AAAA", {7}}, {"BBBB", {8}}});
  Search();
  for (std::string_view mode : {kModeAnywhere, kModeNear, kModePhrase}) {
    const std::set<int32_t> want = {119999, 120000, 250000};
    EXPECT_EQ(Found({"AAAA", "BBBB"}, mode, 250000), want) << mode;
    EXPECT_FALSE(search_->Accepts(250001));
  }
}

// Any number of words takes part in the proximity test: the last one too,
// and a word not seen is never near, however wide the window. The counters
// hold more than 127 hits.
TEST_F(IndexFixture, ManyWords) {
  for (int words : {11, 30, 40, 130}) {
    std::vector<std::string> stems;
    ActWords close, last_far;
    for (int i = 0; i < words; ++i) {
      stems.push_back("W" + std::string(3, static_cast<char>('A' + i / 26)) +
                      static_cast<char>('A' + i % 26));
      close[stems.back()] = {static_cast<uint16_t>(i)};
      last_far[stems.back()] = {static_cast<uint16_t>(i == words - 1 ? 5000 : i)};
    }
    dictionary_.rows.clear();
    SetUp();
    AddAct(1, close);
    AddAct(2, last_far);
    Search();
    EXPECT_EQ(Found(stems, kModePhrase, 2), std::set<int32_t>{1}) << words;
    // Forty words at consecutive positions spread wider than "apropiate" allows.
    EXPECT_EQ(Found(stems, kModeNear, 2), words <= 21 ? std::set<int32_t>{1} : std::set<int32_t>{})
        << words;
    EXPECT_EQ(Found(stems, kModeAnywhere, 2), (std::set<int32_t>{1, 2})) << words;
    _cautstp();
  }
}

TEST_F(IndexFixture, PositionsFromThePositionFile) {
  std::vector<uint16_t> many(300), huge(40000);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint16_t>(3 * i);
  for (size_t i = 0; i < huge.size(); ++i) huge[i] = static_cast<uint16_t>(i + 1000);
  AddAct(1, {{"AAAA", many}, {"BBBB", {897 + 2}}});
  AddAct(2, {{"AAAA", huge}, {"BBBB", {40999 + 20}}});  // a count beyond 32767
  AddAct(3, {{"AAAA", {4}}, {"BBBB", {5}}});
  TextSearch& search = Search();

  search.ClearActHits(3);
  search.CountWordHits("AAAA");
  search.CountWordHits("BBBB");
  search.LoadWordPositions();
  ASSERT_TRUE(search.ActPositions(1));
  const std::span<const TPos> one = *search.ActPositions(1);
  ASSERT_EQ(one.size(), 301u);
  for (size_t i = 0; i < 300; ++i) {
    EXPECT_EQ(one[i].IdWord, search.WordIds()[0]);
    EXPECT_EQ(one[i].Position, many[i]);
  }
  EXPECT_EQ(one[300].IdWord, search.WordIds()[1]);
  ASSERT_TRUE(search.ActPositions(2));
  EXPECT_EQ(search.ActPositions(2)->size(), 40001u);
  EXPECT_EQ(search.ActPositions(2)->back().Position, 41019);

  search.ApplyProximity(kModePhrase);
  EXPECT_FALSE(search.ActPositions(1));
  EXPECT_TRUE(search.Accepts(1));
  EXPECT_FALSE(search.Accepts(2));
  EXPECT_TRUE(search.Accepts(3));
  EXPECT_EQ(Found({"AAAA", "BBBB"}, kModeNear, 3), (std::set<int32_t>{1, 2, 3}));
}

// Positions past the end of a damaged "poziti.dat" read as 0.
TEST_F(IndexFixture, PositionsPastTheEndReadAsZero) {
  AddAct(1, {{"AAAA", {100, 200}}, {"BBBB", {1}}});
  AddAct(2, {{"AAAA", {100, 200}}, {"BBBB", {1}}});
  Search();
  fs::resize_file(dir_ / "poziti.dat", 6);  // act 1 keeps 100 and 200, act 2 keeps 100 only
  EXPECT_EQ(Found({"AAAA", "BBBB"}, kModePhrase, 2), (std::set<int32_t>{2}));
}

TEST_F(IndexFixture, MissingPositionFileEndsTheRun) {
  AddAct(1, {{"AAAA", {1}}, {"BBBB", {2}}});
  TextSearch& search = Search();
  fs::remove(dir_ / "poziti.dat");
  EXPECT_THROW(search.Run({"AAAA", "BBBB"}, kModeNear, 1), std::runtime_error);
  EXPECT_EQ(search.ActHits(1), 2);
  EXPECT_FALSE(search.ActPositions(1));
  EXPECT_EQ(Found({"AAAA", "BBBB"}, kModeAnywhere, 1), std::set<int32_t>{1});
}

}  // namespace
}  // namespace finding
