#include "viewer/shell/options_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QApplication>
#include <QRadioButton>
#include <QTimer>
#include <fstream>

namespace shell {
namespace {

class OptionsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(::testing::TempDir()) + "/" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    QDir(dir_).removeRecursively();
    QDir().mkpath(dir_);
  }
  QString dir_;
};

QRadioButton* Radio(QWidget& window, const char* caption) {
  for (QRadioButton* button : window.findChildren<QRadioButton*>()) {
    if (button->text() == QString::fromLatin1(caption)) return button;
  }
  return nullptr;
}

TEST_F(OptionsWindowTest, FirstStartShowsTheDefaults) {
  OptionsWindow window(dir_);
  EXPECT_EQ(window.act_font().family(), "Times New Roman");
  EXPECT_EQ(window.act_font().pointSize(), 12);
  EXPECT_EQ(window.act_font_color(), QColor(Qt::black));
  EXPECT_EQ(window.act_font_charset(), kDefaultCharset);
  EXPECT_EQ(window.load_mode(), LoadMode::kFull);
  EXPECT_TRUE(Radio(window, "Nici o conexiune")->isChecked());
  EXPECT_EQ(window.tabs()->count(), 5);
  EXPECT_TRUE(window.mark_hits());
}

TEST_F(OptionsWindowTest, ClosingWritesTheChoiceThatTheNextStartReads) {
  {
    OptionsWindow window(dir_);
    window.show();
    window.tabs()->setCurrentIndex(4);
    Radio(window, "Incarca partial baza de date in memorie(16-32MB RAM)")->click();
    window.Close();
    EXPECT_EQ(window.tabs()->currentIndex(), 0);
    const Options written = ReadOptions((dir_ + "/optiuni.ini").toStdString());
    EXPECT_EQ(written.load_mode(), LoadMode::kPartial);
    EXPECT_FALSE(written.over32mb);
  }
  OptionsWindow next(dir_);
  EXPECT_EQ(next.load_mode(), LoadMode::kPartial);
}

TEST_F(OptionsWindowTest, NeitherLoadModeStaysNeither) {
  std::ofstream((dir_ + "/optiuni.ini").toStdString()) << "[Performanta]\nunder32mb=0\nover32mb=0\n";
  OptionsWindow window(dir_);
  EXPECT_EQ(window.load_mode(), LoadMode::kNone);
}

TEST_F(OptionsWindowTest, GridTabDocksTheChooserAndAppliesItOnlyWhenClosedThere) {
  OptionsWindow window(dir_);
  int docked = 0, applied = 0;
  window.SetColumnChooser({[&](QWidget*) { ++docked; }, [&] { --docked; }, [&] { ++applied; }});
  window.show();
  window.Close();  // from the first tab
  EXPECT_EQ(applied, 0);
  window.show();
  window.tabs()->setCurrentIndex(1);
  EXPECT_EQ(docked, 1);
  window.Close();
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(docked, 0);  // back on the first tab, floated again
}

TEST_F(OptionsWindowTest, ReindexingThatCannotStartSaysSoAndKeepsTheViewer) {
  OptionsWindow window(dir_);
  bool terminated = false;
  window.SetTerminate([&] { terminated = true; });
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QDialog*>(w); box && box->isVisible() && box->isModal()) box->accept();
    }
  });
  window.Reindex();
  EXPECT_FALSE(terminated);
}

}  // namespace
}  // namespace shell
