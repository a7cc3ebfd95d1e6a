// The acts of a text search's result open with the search's hits marked;
// acts opened any other way, or with marking turned off, open unmarked.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <filesystem>
#include <set>

#include "viewer/finding/sample_installation.h"
#include "viewer/shell/corvanex.h"
#include "viewer/shell/options.h"

namespace shell {
namespace {

using finding::Criterion;

// The viewer on a copy of the sample installation, where "registrele
// publice" stand near each other in acts 1, 19 and 21.
class SearchHitsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    corvanex_.reset();
    std::filesystem::remove_all(dir_);
  }

  void Start(bool mark_hits) {
    dir_ = ::testing::TempDir() + "search-hits-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::copy(finding::SampleInstallation(), dir_,
                          std::filesystem::copy_options::recursive);
    Options options;
    options.mark_hits = mark_hits;
    ASSERT_TRUE(WriteOptions(dir_ + "/optiuni.ini", options));
    corvanex_ = std::make_unique<Corvanex>(QString::fromStdString(dir_));
    main().resize(1000, 700);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }

  MainWindow& main() { return corvanex_->main_window(); }
  viewing::ActWindow* Active() {
    return ActViewing::ActWindowOf(main().mdi_area()->activeSubWindow());
  }
  QString HitsPanel() {
    QLabel* panel = main().status_panel(MainWindow::kHitsPanel);
    return panel->isHidden() ? QString() : panel->text();
  }

  void SearchText(const char* words) {
    finding::TFiltrare& filter = corvanex_->finding()->filter();
    filter.box(Criterion::kInText)->setText(QString::fromUtf8(words));
    filter.mode_box()->setCurrentText("apropiate");
    filter.Run();
  }

  std::string dir_;
  std::unique_ptr<Corvanex> corvanex_;
};

TEST_F(SearchHitsTest, OnlyTheActsOfATextSearchOpenMarked) {
  Start(true);
  SearchText("registrele publice");
  main().action(Command::kOpenAct)->trigger();
  viewing::ActWindow* found = Active();
  ASSERT_NE(found, nullptr);
  ASSERT_NE(found->hits(), nullptr);
  const int count = found->hits()->count();
  EXPECT_GE(count, 2);
  const QString total = QString(" din %1").arg(count);
  EXPECT_EQ(HitsPanel(), "Potrivirea 1" + total);
  QTest::keyClick(found->viewer(), Qt::Key_F3);
  EXPECT_EQ(HitsPanel(), "Potrivirea 2" + total);

  // Another act of the result: the status line counts the hits of the
  // act window in front.
  const int64_t first = found->act_id();
  corvanex_->data()->MoveTo(1);
  main().action(Command::kOpenAct)->trigger();
  ASSERT_NE(Active()->hits(), nullptr);
  EXPECT_TRUE(HitsPanel().startsWith("Potrivirea 1 din "));
  main().mdi_area()->setActiveSubWindow(main().mdi_area()->subWindowList().front());
  EXPECT_EQ(HitsPanel(), "Potrivirea 2" + total);
  main().mdi_area()->closeAllSubWindows();
  EXPECT_EQ(HitsPanel(), "");

  // Back in the history, the first act opens without marks.
  main().action(Command::kBack)->trigger();
  ASSERT_NE(Active(), nullptr);
  EXPECT_EQ(Active()->act_id(), first);
  EXPECT_EQ(Active()->hits(), nullptr);
  EXPECT_EQ(HitsPanel(), "");

  // The history window lists every act in the grid again; an act outside
  // the search's result opens unmarked from it.
  main().action(Command::kHistory)->trigger();
  DataModule& data = *corvanex_->data();
  const std::set<std::string> result = {"1", "19", "21"};
  for (int row = 0; row < data.RowCount(); ++row) {
    if (result.count(data.Text(row, "IdAct")) == 0) {
      data.MoveTo(row);
      break;
    }
  }
  main().action(Command::kOpenAct)->trigger();
  EXPECT_EQ(result.count(std::to_string(Active()->act_id())), 0u);
  EXPECT_EQ(Active()->hits(), nullptr);
  main().mdi_area()->closeAllSubWindows();
  EXPECT_EQ(HitsPanel(), "");
}

TEST_F(SearchHitsTest, TheOptionTurnsMarkingOff) {
  Start(false);
  SearchText("registrele publice");
  main().action(Command::kOpenAct)->trigger();
  ASSERT_NE(Active(), nullptr);
  EXPECT_EQ(Active()->hits(), nullptr);
  EXPECT_FALSE(Active()->viewer()->toPlainText().contains(">>"));
  EXPECT_EQ(HitsPanel(), "");
}

}  // namespace
}  // namespace shell
