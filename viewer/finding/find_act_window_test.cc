#include "viewer/finding/find_act_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "viewer/finding/code_tables_fixture.h"

namespace finding {
namespace {

// An acts list of three acts.
class ThreeActs : public GridSource {
 public:
  std::vector<ListField> Fields() const override { return {}; }
  int RowCount() const override { return 3; }
  std::string Text(int row, const std::string& field) const override {
    return (field == "DispTitlu" ? "Lege nr. " : "privind actul ") + std::to_string(row + 1);
  }
  int CurrentRow() const override { return current; }
  void MoveTo(int row) override { current = row; }
  bool in_memory() const override { return true; }
  std::vector<std::string> SortKeysOf(const std::string&) const override { return {}; }
  std::optional<SortKeys> SortIndex() const override { return std::nullopt; }
  void SetSortIndex(const SortKeys&) override {}
  FieldKind DirectFieldKind(const std::string&) const override { return FieldKind::kMissing; }
  std::string OrderBy() const override { return ""; }
  void SortQuery(const std::string&) override {}

  int current = -1;
};

class FindActWindowTest : public CodeTablesTest {
 protected:
  void SetUp() override {
    CodeTablesTest::SetUp();
    TGasire::Hooks hooks;
    hooks.type_names = [] { return QStringList{"(oricare)", "Lege", "Ordin"}; };
    hooks.search = [this](const std::vector<std::string>& lines) {
      lines_ = lines;
      if (fail_) throw std::runtime_error("database is locked");
      return 3;
    };
    hooks.after_search = [this](int acts) { after_ << acts; };
    hooks.open_selected = [this] { opened_ << acts_.current; };
    window_ = std::make_unique<TGasire>(*tables_, hooks);
    window_->SetSource(&acts_);
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  void TearDown() override {
    window_.reset();
    CodeTablesTest::TearDown();
  }

  void ClickRow(int row) {
    QListView* list = window_->result_list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
  }

  ThreeActs acts_;
  std::vector<std::string> lines_;
  QList<int> after_, opened_;
  bool fail_ = false;
  std::unique_ptr<TGasire> window_;
};

TEST_F(FindActWindowTest, ShowingStartsFromAnyAct) {
  EXPECT_EQ(window_->type_box()->currentText(), "(oricare)");
  EXPECT_EQ(window_->type_box()->count(), 3);
  EXPECT_EQ(window_->number_box()->text(), "(oricare)");
  EXPECT_EQ(window_->year_box()->text(), "(oricare)");
  EXPECT_EQ(window_->found()->rowCount(), 0);  // let go of the acts list
  // Entering a box that says "(oricare)" empties it.
  window_->year_box()->setFocus();
  EXPECT_EQ(window_->year_box()->text(), "");
  EXPECT_EQ(window_->number_box()->text(), "(oricare)");
}

TEST_F(FindActWindowTest, SearchListsTheActsAndAClickOnTheSelectedOneOpensIt) {
  window_->type_box()->setEditText("Ordin");
  window_->year_box()->setFocus();
  QTest::keyClicks(window_->year_box(), "2003");
  QTest::keyClick(window_->year_box(), Qt::Key_Return);  // "&Cauta" is the default button
  EXPECT_EQ(lines_, (std::vector<std::string>{actsdb::kActsListSelect, "WHERE",
                                              "(IdTipAct = 3 )", "AND", "(Anul = 2003 )"}));
  EXPECT_EQ(after_, QList<int>{3});
  ASSERT_EQ(window_->found()->rowCount(), 3);
  EXPECT_EQ(window_->found()->index(1).data().toString(), "Lege nr. 2");
  EXPECT_EQ(window_->found()->index(1).data(FoundActsModel::kTitleRole).toString(),
            "privind actul 2");

  ClickRow(1);  // selects
  EXPECT_EQ(acts_.current, 1);
  EXPECT_TRUE(opened_.isEmpty());
  ClickRow(1);  // opens
  EXPECT_EQ(opened_, QList<int>{1});
  EXPECT_FALSE(window_->isVisible());

  window_->show();
  window_->Search();
  window_->result_list()->setFocus();
  window_->result_list()->setCurrentIndex(window_->found()->index(2));
  QTest::keyClick(window_->result_list(), Qt::Key_Return);
  EXPECT_EQ(opened_, (QList<int>{1, 2}));
}

TEST_F(FindActWindowTest, EscapeCloses) {
  QTest::keyClick(window_->number_box(), Qt::Key_Escape);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(FindActWindowTest, AFailedSearchIsShown) {
  fail_ = true;
  QString message;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->text();
      box->accept();
    }
  });
  window_->Search();
  EXPECT_EQ(message, "database is locked");
  EXPECT_TRUE(after_.isEmpty());
  EXPECT_EQ(window_->found()->rowCount(), 0);
}

}  // namespace
}  // namespace finding
