#include "viewer/viewing/favorites_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace viewing {
namespace {

namespace fs = std::filesystem;

class FavoritesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("favorites-window-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = QString::fromStdString((dir_ / kFavoritesFile).string());
    hooks_.current_act = [this]() -> std::optional<Favorite> { return current_; };
    hooks_.exists = [this](const std::string& key) { return database_.count(key) > 0; };
    hooks_.open = [this](const std::string& key) {
      opened_.push_back(key);
      return database_.count(key) > 0;
    };
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Answers the next message box, keeping its text.
  void AnswerNextMessageBox() {
    QTimer::singleShot(100, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        said_ = box->text();
        box->accept();
      }
    });
  }

  fs::path dir_;
  QString path_;
  FavoritesWindow::Hooks hooks_;
  std::optional<Favorite> current_;
  std::set<std::string> database_ = {"OUG GUV 34 2006 0", "L PARL 98 2016 0"};
  std::vector<std::string> opened_;
  QString said_;
};

TEST_F(FavoritesWindowTest, AddRenameRemoveAndTheNextRunSeesThem) {
  {
    FavoritesWindow window(path_, hooks_);
    EXPECT_EQ(window.AddCurrent(), "");  // no act window
    current_ = Favorite{"OUG GUV 34 2006 0", "Ordonan\xFE\xE3 de urgen\xFE\xE3 nr. 34/2006", {2024, 3, 5}};
    EXPECT_EQ(window.AddCurrent(), "Actul a fost adaugat la favorite.");
    EXPECT_EQ(window.AddCurrent(), "Actul este deja in lista de favorite.");
    current_ = Favorite{"L PARL 98 2016 0", "Lege nr. 98/2016", {2024, 3, 6}};
    window.action("Adauga actul curent")->trigger();
    ASSERT_EQ(window.view()->topLevelItemCount(), 2);
    QTreeWidgetItem* first = window.view()->topLevelItem(0);
    EXPECT_EQ(first->text(0), QString::fromUtf8("Ordonanţă de urgenţă nr. 34/2006"));
    EXPECT_EQ(first->text(1), "OUG GUV 34 2006 0");
    EXPECT_EQ(first->text(2), "5/3/2024");

    window.view()->setCurrentItem(first);
    window.RenameCurrent();
    first->setText(0, "Achizitiile publice");  // what the editor hands back
    window.view()->setCurrentItem(window.view()->topLevelItem(1));
    window.view()->topLevelItem(1)->setText(0, " ");  // refused
    EXPECT_EQ(window.view()->topLevelItem(1)->text(0), "Lege nr. 98/2016");
    QTest::keyClick(window.view(), Qt::Key_Delete);
  }
  EXPECT_EQ(Read(dir_ / kFavoritesFile),
            "Corvana favorite 1\r\nOUG GUV 34 2006 0\t5/3/2024\tAchizitiile publice\r\n");
  FavoritesWindow next(path_, hooks_);
  ASSERT_EQ(next.view()->topLevelItemCount(), 1);
  EXPECT_EQ(next.view()->topLevelItem(0)->text(0), "Achizitiile publice");
  EXPECT_TRUE(next.message()->isHidden());
}

TEST_F(FavoritesWindowTest, AnActNoLongerInTheDatabaseIsGreyedAndSaysSo) {
  std::ofstream((dir_ / kFavoritesFile).string(), std::ios::binary)
      << "Corvana favorite 1\r\nHG GUV 925 2006 0\t7/3/2024\tHG 925\r\n"
         "L PARL 98 2016 0\t6/3/2024\tLege nr. 98/2016\r\n";
  FavoritesWindow window(path_, hooks_);
  window.show();
  QTreeWidgetItem* gone = window.view()->topLevelItem(0);
  EXPECT_NE(gone->foreground(0).color(), window.view()->topLevelItem(1)->foreground(0).color());
  EXPECT_EQ(gone->toolTip(0), "Actul nu mai este in baza de date.");

  window.view()->setCurrentItem(gone);
  AnswerNextMessageBox();
  QTest::keyClick(window.view(), Qt::Key_Return);
  EXPECT_EQ(said_, "Actul nu mai este in baza de date.");
  EXPECT_TRUE(window.isVisible());

  window.view()->setCurrentItem(window.view()->topLevelItem(1));
  QTest::keyClick(window.view(), Qt::Key_Return);
  EXPECT_EQ(opened_, (std::vector<std::string>{"HG GUV 925 2006 0", "L PARL 98 2016 0"}));
  EXPECT_FALSE(window.isVisible());
}

TEST_F(FavoritesWindowTest, ADamagedFileOpensAnEmptyListThatSaysSoAndKeepsTheFile) {
  const std::string damaged = "Corvana favorite 1\r\nOUG GUV 34 2006 0\t5/3/20";
  std::ofstream((dir_ / kFavoritesFile).string(), std::ios::binary) << damaged;
  FavoritesWindow window(path_, hooks_);
  window.show();
  EXPECT_EQ(window.view()->topLevelItemCount(), 0);
  EXPECT_FALSE(window.message()->isHidden());
  EXPECT_TRUE(window.message()->text().startsWith("Lista de favorite nu a putut fi citita: "))
      << window.message()->text().toStdString();
  EXPECT_TRUE(window.message()->text().contains("favorite.dat.deteriorat"));
  EXPECT_EQ(Read(dir_ / "favorite.dat.deteriorat"), damaged);

  current_ = Favorite{"L PARL 98 2016 0", "Lege nr. 98/2016", {2024, 3, 6}};
  window.AddCurrent();
  EXPECT_TRUE(window.message()->isHidden());
  EXPECT_EQ(Read(dir_ / "favorite.dat.deteriorat"), damaged);
  EXPECT_TRUE(fs::exists(dir_ / kFavoritesFile));
}

}  // namespace
}  // namespace viewing
