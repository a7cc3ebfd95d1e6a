#include "viewer/shell/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "actsdb/database_test_fixture.h"
#include "viewer/finding/results_grid.h"
#include "viewer/shell/corvanex.h"

namespace shell {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(::testing::TempDir()) + "/" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    QDir(dir_).removeRecursively();
    QDir().mkpath(dir_ + "/htm/right");
    QDir().mkpath(dir_ + "/zazi1");
    // An installation with an empty database and its saved acts list.
    auto db = actsdb::NewDatabaseWithSchema((dir_ + "/zazi1").toStdString());
    actsdb::ClientDataset::SaveActsList(*db, (dir_ + "/dump.dst").toStdString());
  }
  void Touch(const QString& name, const std::string& text = "x") {
    std::ofstream((dir_ + "/" + name).toStdString(), std::ios::binary) << text;
  }
  // Answers the next message box (an error shown by the window) and keeps
  // its text.
  void AnswerNextMessageBox() {
    QTimer::singleShot(0, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
          message_ = box->text();
          box->accept();
        }
      }
    });
  }

  QString dir_;
  QString message_;
};

// A stand-in act window, so that the commands have a current act.
QWidget* MakeActWindow(const QString&, const std::vector<std::string>&) {
  return new QLabel(QStringLiteral("act"));
}

TEST_F(MainWindowTest, StartDropsTheHistoryAndTheEndWritesSettingsAndGridLayout) {
  Touch("his.dat", "12\r\n");
  {
    Corvanex corvanex(dir_);
    EXPECT_FALSE(QFile::exists(dir_ + "/his.dat"));
    EXPECT_FALSE(QFile::exists(dir_ + "/optiuni.ini"));
    EXPECT_FALSE(QFile::exists(dir_ + "/grila.dat"));
    corvanex.main_window().show();
    corvanex.main_window().close();
  }
  EXPECT_TRUE(QFile::exists(dir_ + "/optiuni.ini"));
  EXPECT_TRUE(QFile::exists(dir_ + "/grila.dat"));
  // The second run starts with an empty history again.
  Touch("his.dat", "12\r\n");
  Corvanex again(dir_);
  EXPECT_FALSE(QFile::exists(dir_ + "/his.dat"));
}

TEST_F(MainWindowTest, ADamagedGridLayoutIsReportedAndStartUpGoesOn) {
  Touch("grila.dat", "not a layout\n");
  AnswerNextMessageBox();
  Corvanex corvanex(dir_);
  EXPECT_TRUE(message_.contains("grila.dat")) << message_.toStdString();
  EXPECT_NE(corvanex.options(), nullptr);
  EXPECT_NE(corvanex.about(), nullptr);
}

TEST_F(MainWindowTest, CommandsOnTheCurrentActDoNothingWithoutOne) {
  MainWindow main(dir_);
  main.act_windows().SetFactory(MakeActWindow);
  int runs = 0;
  for (Command command : {Command::kPrint, Command::kPrintPreview, Command::kPrintModifications,
                          Command::kStructure, Command::kActSheet, Command::kCopy}) {
    main.SetCommandHandler(command, [&runs] { ++runs; });
  }
  auto run_all = [&] {
    for (Command command : {Command::kPrint, Command::kPrintPreview, Command::kPrintModifications,
                            Command::kStructure, Command::kActSheet, Command::kCopy}) {
      main.action(command)->trigger();
    }
  };
  main.show();
  run_all();
  EXPECT_EQ(runs, 0);

  QMdiSubWindow* act = main.act_windows().Open(QString(), QStringLiteral("Lege nr. 12/2001"));
  ASSERT_NE(act, nullptr);
  EXPECT_EQ(act->windowTitle(), "Lege nr. 12/2001");
  EXPECT_EQ(main.act_windows().current(), act);
  run_all();
  EXPECT_EQ(runs, 6);

  // Not active: only the commands that need a current act (not an active one) run.
  main.mdi_area()->setActiveSubWindow(nullptr);
  runs = 0;
  run_all();
  EXPECT_EQ(runs, 3);

  // Closed: the reference is gone and nothing runs.
  main.act_windows().CloseAll();
  QApplication::processEvents();
  EXPECT_EQ(main.act_windows().current(), nullptr);
  runs = 0;
  run_all();
  EXPECT_EQ(runs, 0);
}

TEST_F(MainWindowTest, CommandsWhoseWindowsAreMissingAreHiddenUntilPluggedIn) {
  MainWindow main(dir_);
  EXPECT_FALSE(main.action(Command::kFilter)->isVisible());
  EXPECT_FALSE(main.action(Command::kLanguage)->isVisible());
  EXPECT_TRUE(main.action(Command::kExit)->isVisible());
  EXPECT_TRUE(main.action(Command::kShowGrid)->isVisible());
  bool shown = false;
  main.SetCommandHandler(Command::kFilter, [&] { shown = true; });
  EXPECT_TRUE(main.action(Command::kFilter)->isVisible());
  main.action(Command::kFilter)->trigger();
  EXPECT_TRUE(shown);
}

TEST_F(MainWindowTest, MenusCarryTheCaptionsAndHintsOfTheCommandTable) {
  MainWindow main(dir_);
  EXPECT_EQ(main.action(Command::kTile)->text(), "&Caramizi");
  EXPECT_EQ(main.action(Command::kTile)->statusTip(), "Aranjeaza ferestrele in sistem \"caramizi\"");
  EXPECT_EQ(main.action(Command::kFilter)->statusTip(),
            "Filtreaza actele dupa criterile alese de dumneavoastra");
  // The hint of what the mouse is over shows in the second status panel.
  main.show();
  QStatusTipEvent tip(main.action(Command::kExit)->statusTip());
  QApplication::sendEvent(&main, &tip);
  EXPECT_EQ(main.status_panel(1)->text(), "Paraseste Corvana");
}

TEST_F(MainWindowTest, LanguageItemsMoveTheCheckMarkAndTellTheFilter) {
  MainWindow main(dir_);
  QString chosen;
  main.SetLanguageHandler([&](const QString& language) { chosen = language; });
  EXPECT_TRUE(main.language_action(1)->isChecked());  // "&Romana" at start
  main.language_action(2)->trigger();
  EXPECT_EQ(chosen, "Maghiara");
  EXPECT_FALSE(main.language_action(0)->isChecked());
  EXPECT_FALSE(main.language_action(1)->isChecked());
  EXPECT_TRUE(main.language_action(2)->isChecked());
  main.language_action(0)->trigger();
  EXPECT_EQ(chosen, "(oricare)");
  EXPECT_TRUE(main.language_action(0)->isChecked());
  EXPECT_FALSE(main.language_action(2)->isChecked());
}

TEST_F(MainWindowTest, UpdateThatCannotStartKeepsTheViewerRunning) {
  MainWindow main(dir_);
  main.show();
  // No pkgrun in the installation or beside the test program: the viewer
  // says so and stays.
  AnswerNextMessageBox();
  main.action(Command::kUpdate)->trigger();
  EXPECT_TRUE(main.isVisible());
  EXPECT_TRUE(message_.contains("pkgrun")) << message_.toStdString();

  // A pkgrun that is there but cannot run (not a program) is the same.
  Touch("pkgrun", "#!/nonexistent/interpreter\n");
  QFile::setPermissions(dir_ + "/pkgrun", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  message_.clear();
  AnswerNextMessageBox();
  main.action(Command::kUpdate)->trigger();
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(message_.isEmpty());
}

TEST_F(MainWindowTest, ToolbarShowsTheCommandsThatArePresent) {
  MainWindow main(dir_);
  main.show();
  QStringList shown;
  for (QToolButton* button : main.toolbar()->findChildren<QToolButton*>()) {
    if (button->isVisible()) shown << button->text();
  }
  EXPECT_TRUE(shown.contains("Grila")) << shown.join(",").toStdString();
  EXPECT_FALSE(shown.contains("Filtrare"));
  main.SetCommandHandler(Command::kFilter, [] {});
  EXPECT_TRUE(main.toolbar()->findChildren<QToolButton*>().size() > 0);
  main.action(Command::kToolbar)->trigger();  // unchecked: hidden
  EXPECT_FALSE(main.toolbar()->isVisible());
}

}  // namespace
}  // namespace shell
