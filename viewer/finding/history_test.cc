#include "viewer/finding/history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace finding {
namespace {

// Acts 1 (A), 2 (B) and 3 (C) are in the acts list; act 9 is not.
class HistoryTest : public ::testing::Test {
 protected:
  History history_{[this](int64_t id) -> std::optional<HistoryColumns> {
                     if (!listed_.contains(id)) return std::nullopt;
                     return HistoryColumns{"Lege nr. " + std::to_string(id) + "/2001",
                                           std::to_string(id), "2001", "titlu"};
                   },
                   [this] { ++builds_; }};
  std::set<int64_t> listed_ = {1, 2, 3};
  int builds_ = 0;

  // "Inapoi" and "Inainte" of the main window: a step, then the act of
  // the current item.
  std::optional<int64_t> Back() {
    history_.StepNext();
    return history_.CurrentAct();
  }
  std::optional<int64_t> Forward() {
    history_.StepPrevious();
    return history_.CurrentAct();
  }
};

TEST_F(HistoryTest, EmptyHistoryStepsNowhere) {
  EXPECT_EQ(Back(), std::nullopt);
  EXPECT_EQ(Forward(), std::nullopt);
  EXPECT_EQ(builds_, 2);  // an empty list is built again at every step
  history_.RemoveCurrent();
  EXPECT_TRUE(history_.items().empty());
}

TEST_F(HistoryTest, BackAndForwardOverThreeActs) {
  for (int64_t id : {1, 2, 3}) history_.Append(id);
  history_.Rebuild();  // the history window shown once
  EXPECT_EQ(Back(), 2);
  EXPECT_EQ(Back(), 1);
  EXPECT_EQ(Back(), 1);  // the oldest stays current
  EXPECT_EQ(Forward(), 2);
  EXPECT_EQ(Forward(), 3);
  EXPECT_EQ(Forward(), 3);
}

TEST_F(HistoryTest, FirstStepsBuildTheList) {
  history_.Append(1);
  EXPECT_EQ(Back(), std::nullopt);  // one item: no act before the newest
  history_.Rebuild();
  EXPECT_EQ(Forward(), 1);  // without a current item, the newest
}

TEST_F(HistoryTest, ItemsKeepTheirEntries) {
  // A, gone act, B, C: the gone act is skipped; then D is appended after
  // the list was built and does not shift which act an item opens.
  for (int64_t id : {1, 9, 2, 3}) history_.Append(id);
  history_.Rebuild();
  ASSERT_EQ(history_.items().size(), 3u);
  EXPECT_EQ(history_.items()[0].columns.disp_titlu, "Lege nr. 3/2001");
  EXPECT_EQ(history_.items()[2].entry, 0u);
  history_.Append(2);
  EXPECT_EQ(Back(), 2);
  EXPECT_EQ(Back(), 1);
  // The same act twice is listed twice once the list is rebuilt.
  history_.Rebuild();
  EXPECT_EQ(history_.items().size(), 4u);
  EXPECT_EQ(history_.current(), std::nullopt);
}

TEST_F(HistoryTest, RemovingTheCurrentItem) {
  for (int64_t id : {1, 2, 9, 3}) history_.Append(id);
  history_.Rebuild();
  history_.Select(1);  // B
  history_.RemoveCurrent();
  EXPECT_EQ(history_.entries(), (std::vector<int64_t>{1, 9, 3}));
  EXPECT_EQ(history_.current(), std::nullopt);
  ASSERT_EQ(history_.items().size(), 2u);
  EXPECT_EQ(Back(), 1);
  history_.RemoveCurrent();
  EXPECT_EQ(history_.entries(), (std::vector<int64_t>{9, 3}));
  EXPECT_EQ(Forward(), 3);
}

TEST_F(HistoryTest, HisDatRoundTrip) {
  const std::string path = ::testing::TempDir() + "his.dat";
  for (int64_t id : {3, 1, 3}) history_.Append(id);
  history_.Save(path);
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "3\r\n1\r\n3\r\n");

  History loaded([](int64_t) { return std::nullopt; });
  loaded.Append(7);
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << "x1\r\n\r\n12\n";
  }
  loaded.Load(path);
  EXPECT_EQ(loaded.entries(), (std::vector<int64_t>{3, 1, 3, 12}));
  loaded.Load(path + ".missing");
  EXPECT_TRUE(loaded.entries().empty());
  std::filesystem::remove(path);
  EXPECT_THROW(history_.Save(::testing::TempDir() + "no/such/dir/his.dat"), std::runtime_error);
}

}  // namespace
}  // namespace finding
