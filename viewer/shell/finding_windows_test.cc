#include "viewer/shell/finding_windows.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <filesystem>

#include "viewer/finding/sample_installation.h"
#include "viewer/shell/corvanex.h"
#include "viewer/shell/options.h"

namespace shell {
namespace {

using finding::Criterion;

// The viewer on a copy of the sample installation: act 1 is the law
// "L PARL 12 2001 0" (act 2 its Hungarian version, act 21 its first
// republication) and act 3 the ordinance that amends it, whose text links
// to it.
class FindingWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(LoadMode::kFull); }
  void TearDown() override {
    corvanex_.reset();
    std::filesystem::remove_all(dir_);
  }

  void Start(LoadMode mode) {
    corvanex_.reset();
    dir_ = ::testing::TempDir() + "finding-windows-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::copy(finding::SampleInstallation(), dir_,
                          std::filesystem::copy_options::recursive);
    Options options;
    options.set_load_mode(mode);
    ASSERT_TRUE(WriteOptions(dir_ + "/optiuni.ini", options));
    corvanex_ = std::make_unique<Corvanex>(QString::fromStdString(dir_));
    ASSERT_NE(corvanex_->finding(), nullptr);
    main().resize(1000, 700);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }

  MainWindow& main() { return corvanex_->main_window(); }
  FindingWindows& finding() { return *corvanex_->finding(); }
  int GridRows() { return main().grid()->model()->rowCount(); }
  int64_t ActiveAct() {
    viewing::ActWindow* act = ActViewing::ActWindowOf(main().mdi_area()->activeSubWindow());
    return act ? act->act_id() : 0;
  }

  // A find-act search for `type` and `number`, then the act of row `row`
  // of its list opened by two clicks.
  void OpenFound(const QString& type, const QString& number, int row) {
    main().action(Command::kFindAct)->trigger();
    finding::TGasire& window = finding().find_act();
    window.type_box()->setEditText(type);
    window.number_box()->setText(number);
    window.Search();
    const QRect at = window.result_list()->visualRect(window.found()->index(row));
    QTest::mouseClick(window.result_list()->viewport(), Qt::LeftButton, {}, at.center());
    QTest::mouseClick(window.result_list()->viewport(), Qt::LeftButton, {}, at.center());
  }

  std::string dir_;
  std::unique_ptr<Corvanex> corvanex_;
};

TEST_F(FindingWindowsTest, AFilterRunFillsTheGridAndTheStatusLine) {
  main().action(Command::kFilter)->trigger();
  finding::TFiltrare& filter = finding().filter();
  ASSERT_TRUE(filter.isVisible());
  filter.box(Criterion::kInText)->setText("registrele publice");
  filter.mode_box()->setCurrentText("apropiate");
  QTest::mouseClick(filter.filter_button(), Qt::LeftButton);
  EXPECT_FALSE(filter.isVisible());
  EXPECT_EQ(main().status_panel(0)->text(), "    3 acte");
  EXPECT_EQ(GridRows(), 3);  // acts 1, 19 and 21
  EXPECT_EQ(main().grid()->view(), 1);

  // Showing the history window lists every act in the grid again.
  main().action(Command::kHistory)->trigger();
  EXPECT_EQ(GridRows(), 21);
}

TEST_F(FindingWindowsTest, ATitleClickRunsTheFilterAgainInTheNewOrder) {
  Start(LoadMode::kPartial);
  finding::TFiltrare& filter = finding().filter();
  filter.box(Criterion::kInTitlu)->setText("publice");
  filter.Run();
  ASSERT_EQ(GridRows(), 10);
  const finding::ColumnLayout& columns = main().grid()->model()->layout();
  const int year = int(std::find_if(columns.begin(), columns.end(),
                                    [](const auto& column) { return column.field == "Anul"; }) -
                       columns.begin());
  main().grid()->TitleClick(year, false);
  main().grid()->TitleClick(year, false);
  EXPECT_EQ(corvanex_->data()->OrderBy(), "Anul DESCENDING");
  EXPECT_EQ(GridRows(), 10);
  EXPECT_EQ(corvanex_->data()->Text(0, "Anul"), "2007");
}

TEST_F(FindingWindowsTest, TheLanguageSubmenuAndTheFilterFollowEachOther) {
  main().language_action(2)->trigger();  // "&Maghiara"
  EXPECT_EQ(finding().filter().language_box()->currentText(), "Maghiara");
  EXPECT_TRUE(finding().filter().criteria().active(Criterion::kLimba));
  finding().filter().language_box()->setCurrentText("(oricare)");
  EXPECT_TRUE(main().language_action(0)->isChecked());
  EXPECT_FALSE(main().language_action(2)->isChecked());
  finding().filter().Clear();
  EXPECT_TRUE(main().language_action(0)->isChecked());
}

TEST_F(FindingWindowsTest, FoundActLinkAndBack) {
  OpenFound("Ordonanţă de urgenţă", "5", 0);
  EXPECT_EQ(main().status_panel(0)->text(), "    1 acte");
  EXPECT_FALSE(finding().find_act().isVisible());
  ASSERT_EQ(ActiveAct(), 3);

  // Resting on a link says where it leads: the status line waits, then
  // shows the hint, the referenced act's display title and title.
  viewing::ActWindow* amending = ActViewing::ActWindowOf(main().mdi_area()->activeSubWindow());
  emit amending->viewer()->linkHovered("# L PARL 99 1999");
  EXPECT_EQ(main().status_panel(1)->text(), "Asteptati...");
  emit amending->viewer()->linkHovered(
      QString::fromStdString("file://" + dir_ + "/lgL PARL 12 2001.htm"));
  EXPECT_EQ(amending->viewer()->hint(),
            "Lege nr. 12/2001 privind organizarea registrelor publice locale ");
  EXPECT_EQ(main().status_panel(1)->text(), amending->viewer()->hint());

  // A click on it opens the law it amends.
  bool handled = false;
  emit amending->viewer()->linkClicked(
      QString::fromStdString("file://" + dir_ + "/lgL PARL 12 2001.htm"), &handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(ActiveAct(), 1);
  EXPECT_EQ(finding().history().history().entries(), (std::vector<int64_t>{3, 1}));

  // "Inapoi" goes back to the ordinance, whose window is brought forward.
  main().action(Command::kBack)->trigger();
  EXPECT_EQ(ActiveAct(), 3);
  EXPECT_EQ(main().mdi_area()->subWindowList().size(), 2);
  // "Inainte" forward to the law.
  main().action(Command::kForward)->trigger();
  EXPECT_EQ(ActiveAct(), 1);
}

TEST_F(FindingWindowsTest, TheHistoryIsWrittenAtTheEnd) {
  OpenFound("Lege", "12", 2);  // the republication, act 21
  EXPECT_EQ(ActiveAct(), 21);
  corvanex_.reset();
  QFile his(QString::fromStdString(dir_ + "/his.dat"));
  ASSERT_TRUE(his.open(QIODevice::ReadOnly));
  EXPECT_EQ(his.readAll(), "21\r\n");
}

}  // namespace
}  // namespace shell
