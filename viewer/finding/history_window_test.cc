#include "viewer/finding/history_window.h"

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace finding {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Acts 1 (A), 2 (B) and 3 (C) are in the acts list; "Deschide" records the
// act it opens, and act 2 stands in an act window other than the active one.
class HistoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "his-window.dat";
    std::filesystem::remove(path_);
  }
  void TearDown() override { std::filesystem::remove(path_); }

  std::unique_ptr<TIstoric> Make() {
    TIstoric::Hooks hooks;
    hooks.lookup = [](int64_t id) -> std::optional<HistoryColumns> {
      static const std::map<int64_t, HistoryColumns> acts = {
          {1, {"Lege nr. 12/2001", "12", "2001", "privind registrele"}},
          {2, {"Lege din 2002", "1000000", "2002", "privind actele"}},
          {3, {"Ordin nr. 5/2003", "5", "2003", "privind modelul"}}};
      const auto it = acts.find(id);
      if (it == acts.end()) return std::nullopt;
      return it->second;
    };
    hooks.show_every_act = [this] { ++shown_all_; };
    hooks.open = [this](int64_t id, bool* brought_forward) {
      opened_.push_back(id);
      *brought_forward = id == in_other_window_;
      return true;
    };
    return std::make_unique<TIstoric>(QString::fromStdString(path_), hooks);
  }

  QStringList Row(TIstoric& window, int row) const {
    QStringList texts;
    for (int c = 0; c < 4; ++c) texts << window.list()->topLevelItem(row)->text(c);
    return texts;
  }

  std::string path_;
  int shown_all_ = 0;
  std::vector<int64_t> opened_;
  int64_t in_other_window_ = 0;
};

TEST_F(HistoryWindowTest, ShowingListsTheActsNewestFirst) {
  auto window = Make();
  for (int64_t id : {1, 9, 2, 2}) window->history().Append(id);
  window->show();
  EXPECT_EQ(shown_all_, 1);
  ASSERT_EQ(window->list()->topLevelItemCount(), 3);
  // A number of 1000000 or more is listed as it is stored.
  EXPECT_EQ(Row(*window, 0), (QStringList{"Lege din 2002", "1000000", "2002", "privind actele"}));
  EXPECT_EQ(Row(*window, 2), (QStringList{"Lege nr. 12/2001", "12", "2001", "privind registrele"}));
  EXPECT_EQ(window->action("Sterge din lista")->toolTip(), "Sterge din lista");

  // A double click opens the act and closes the window; Escape closes it.
  const QPoint oldest = window->list()->visualItemRect(window->list()->topLevelItem(2)).center();
  QTest::mouseClick(window->list()->viewport(), Qt::LeftButton, {}, oldest);
  QTest::mouseDClick(window->list()->viewport(), Qt::LeftButton, {}, oldest);
  EXPECT_EQ(opened_, (std::vector<int64_t>{1}));
  EXPECT_FALSE(window->isVisible());
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window->list(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(HistoryWindowTest, BackAndForwardFromTheMainWindow) {
  auto window = Make();
  window->Back();
  window->Forward();
  EXPECT_TRUE(opened_.empty());  // nothing viewed yet

  for (int64_t id : {1, 2, 3}) window->history().Append(id);
  window->show();
  window->close();
  window->Back();
  window->Back();
  window->Forward();
  EXPECT_EQ(opened_, (std::vector<int64_t>{2, 1, 2}));
  // An act shown in another window is brought forward; the window stays.
  in_other_window_ = 3;
  window->show();
  window->Forward();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(opened_.back(), 3);
}

TEST_F(HistoryWindowTest, RemovingAnItem) {
  auto window = Make();
  for (int64_t id : {1, 2, 3}) window->history().Append(id);
  window->show();
  QTest::mouseClick(window->list()->viewport(), Qt::LeftButton, {},
                    window->list()->visualItemRect(window->list()->topLevelItem(1)).center());
  window->action("Sterge din lista")->trigger();
  EXPECT_EQ(window->history().entries(), (std::vector<int64_t>{1, 3}));
  EXPECT_EQ(window->list()->topLevelItemCount(), 2);
  window->RemoveCurrent();  // no current item any more
  EXPECT_EQ(window->history().entries().size(), 2u);
}

TEST_F(HistoryWindowTest, HisDatLoadedAtCreationAndWrittenAtTheEnd) {
  { std::ofstream(path_, std::ios::binary) << "3\r\n1\r\n"; }
  auto window = Make();
  EXPECT_EQ(window->history().entries(), (std::vector<int64_t>{3, 1}));
  window->history().Append(2);
  window.reset();
  EXPECT_EQ(ReadFile(path_), "3\r\n1\r\n2\r\n");
}

}  // namespace
}  // namespace finding
