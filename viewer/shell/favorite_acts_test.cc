#include "viewer/shell/favorite_acts.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "viewer/finding/sample_installation.h"
#include "viewer/shell/corvanex.h"

namespace shell {
namespace {

// The viewer on a copy of the sample installation, whose first act in the
// grid is the law "L PARL 12 2001 0".
class FavoriteActsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "favorite-acts-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::copy(finding::SampleInstallation(), dir_,
                          std::filesystem::copy_options::recursive);
    Start();
  }
  void TearDown() override {
    corvanex_.reset();
    std::filesystem::remove_all(dir_);
  }
  void Start() {
    corvanex_.reset();
    corvanex_ = std::make_unique<Corvanex>(QString::fromStdString(dir_));
    main().resize(1000, 700);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }

  MainWindow& main() { return corvanex_->main_window(); }
  viewing::FavoritesWindow& window() { return corvanex_->favorites()->window(); }
  std::string File() {
    std::ifstream in(dir_ + "/favorite.dat", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string dir_;
  std::unique_ptr<Corvanex> corvanex_;
};

TEST_F(FavoriteActsTest, TheCurrentActIsKeptAndOpensAgainInTheNextRun) {
  QAction* add = main().action(Command::kAddFavorite);
  ASSERT_TRUE(add->isVisible());
  auto* submenu = qobject_cast<QMenu*>(add->parent());
  ASSERT_NE(submenu, nullptr);
  EXPECT_EQ(submenu->title(), "&Favorite");
  EXPECT_TRUE(submenu->menuAction()->isVisible());

  add->trigger();  // no act window: nothing
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/favorite.dat"));
  main().action(Command::kOpenAct)->trigger();
  add->trigger();
  EXPECT_EQ(main().status_panel(1)->text(), "Actul a fost adaugat la favorite.");
  EXPECT_NE(File().find("\r\nL PARL 12 2001 0\t"), std::string::npos) << File();

  Start();
  main().action(Command::kFavorites)->trigger();
  ASSERT_TRUE(window().isVisible());
  ASSERT_EQ(window().view()->topLevelItemCount(), 1);
  QTreeWidgetItem* item = window().view()->topLevelItem(0);
  EXPECT_EQ(item->text(1), "L PARL 12 2001 0");
  EXPECT_TRUE(item->text(0).startsWith("Lege nr. 12/2001")) << item->text(0).toStdString();
  EXPECT_EQ(item->toolTip(0), "");
  window().view()->setCurrentItem(item);
  window().OpenCurrent();
  EXPECT_FALSE(window().isVisible());
  const viewing::ActWindow* act = ActViewing::ActWindowOf(main().mdi_area()->activeSubWindow());
  ASSERT_NE(act, nullptr);
  EXPECT_EQ(act->act_id(), 1);
  EXPECT_EQ(act->hits(), nullptr);
  EXPECT_EQ(corvanex_->finding()->history().history().entries(), std::vector<int64_t>{1});
}

TEST_F(FavoriteActsTest, AnActGoneFromTheDatabaseIsGreyed) {
  std::ofstream(dir_ + "/favorite.dat", std::ios::binary)
      << "Corvana favorite 1\r\nHG GUV 1 1900 0\t1/1/2024\tHG 1/1900\r\n";
  Start();
  main().action(Command::kFavorites)->trigger();
  ASSERT_EQ(window().view()->topLevelItemCount(), 1);
  EXPECT_EQ(window().view()->topLevelItem(0)->toolTip(0), "Actul nu mai este in baza de date.");
}

}  // namespace
}  // namespace shell
