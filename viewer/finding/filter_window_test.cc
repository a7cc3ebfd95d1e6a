#include "viewer/finding/filter_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "viewer/finding/code_tables_fixture.h"

namespace finding {
namespace {

class FilterWindowTest : public CodeTablesTest {
 protected:
  void SetUp() override {
    CodeTablesTest::SetUp();
    TFiltrare::Hooks hooks;
    hooks.before_run = [this] { calls_ << "before"; };
    hooks.run = [this](const FilterCriteria& criteria, std::string_view mode) {
      calls_ << "run " + QString::fromStdString(std::string(mode));
      sql_ = SqlText(criteria.SqlLines());
      if (fail_) throw std::runtime_error("no such column: Titlu");
      return 17;
    };
    hooks.after_run = [this](int acts) { calls_ << "after " + QString::number(acts); };
    window_ = std::make_unique<TFiltrare>(*tables_, hooks);
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    CodeTablesTest::TearDown();
  }

  // The value nodes under a criterion node of the tree.
  QStringList Shown(Criterion criterion) const {
    QStringList values;
    for (int g = 0; g < window_->tree()->topLevelItemCount(); ++g) {
      QTreeWidgetItem* group = window_->tree()->topLevelItem(g);
      for (int c = 0; c < group->childCount(); ++c) {
        if (group->child(c)->text(0).toStdString() != Caption(criterion)) continue;
        for (int v = 0; v < group->child(c)->childCount(); ++v) {
          values << group->child(c)->child(v)->text(0);
        }
      }
    }
    return values;
  }
  bool GroupExpanded(CriteriaGroup group) const {
    return window_->tree()->topLevelItem(int(group))->isExpanded();
  }

  QStringList calls_;
  std::string sql_;
  bool fail_ = false;
  std::unique_ptr<TFiltrare> window_;
};

TEST_F(FilterWindowTest, BoxesFillTheTree) {
  EXPECT_EQ(window_->language_box()->currentText(), "Romana");
  EXPECT_FALSE(window_->criteria().active(Criterion::kLimba));
  EXPECT_FALSE(window_->criteria().active(Criterion::kEmisDeLa));
  EXPECT_FALSE(GroupExpanded(CriteriaGroup::kCuvinte));

  QTest::keyClicks(window_->box(Criterion::kInTitlu), "Lege, de Codul");
  EXPECT_EQ(Shown(Criterion::kInTitlu), (QStringList{"Lege", "Codul"}));
  EXPECT_TRUE(GroupExpanded(CriteriaGroup::kCuvinte));
  EXPECT_TRUE(window_->tree()->topLevelItem(0)->child(0)->isExpanded());

  window_->lookup_box(Criterion::kTipul)->setEditText("ordin");
  EXPECT_EQ(Shown(Criterion::kTipul), QStringList{"Ordin"});
  window_->lookup_box(Criterion::kTipul)->setCurrentIndex(0);  // "(oricare)"
  EXPECT_EQ(Shown(Criterion::kTipul), QStringList{});
  // The sorted type list, "(oricare)" first, as the find-act window copies it.
  EXPECT_EQ(window_->TypeNames(),
            (QStringList{"(oricare)", QString::fromUtf8("Hotărâre"), "Lege", "Ordin"}));

  QTest::keyClicks(window_->box(Criterion::kNumarul), "12a");
  EXPECT_EQ(Shown(Criterion::kNumarul), QStringList{});
  window_->box(Criterion::kEmisDeLa)->setText("2/3/2004");
  window_->box(Criterion::kEmisDeLa)->setText("2/3/20");
  EXPECT_EQ(Shown(Criterion::kEmisDeLa), QStringList{"2/3/2004"});
}

TEST_F(FilterWindowTest, OneSectionOpenBetweenTheBars) {
  struct Case {
    int open;
    std::array<int, 4> bar_tops;
    int panel_top;
  };
  for (const Case& c : {Case{0, {0, 139, 162, 185}, 23}, Case{1, {0, 23, 162, 185}, 46},
                        Case{2, {0, 23, 46, 185}, 69}, Case{3, {0, 23, 46, 69}, 92}}) {
    window_->OpenSection(c.open);
    for (int g = 0; g < 4; ++g) {
      EXPECT_EQ(window_->section_bar(g)->y(), c.bar_tops[g]) << c.open << " " << g;
      EXPECT_EQ(window_->section_panel(g)->isVisible(), g == c.open) << c.open << " " << g;
    }
    EXPECT_EQ(window_->section_panel(c.open)->geometry(), QRect(0, c.panel_top, 330, 116));
  }
  // A click on a bar opens its section.
  QTest::mouseClick(window_->section_bar(2), Qt::LeftButton);
  EXPECT_TRUE(window_->section_panel(2)->isVisible());
}

TEST_F(FilterWindowTest, ClearPutsEveryBoxBack) {
  window_->box(Criterion::kInText)->setText("contract");
  window_->box(Criterion::kPublicatPanaLa)->setText("5/5/2005");
  window_->lookup_box(Criterion::kEmitentul)->setEditText("Guvernul");
  window_->mode_box()->setCurrentIndex(1);
  window_->Clear();
  for (size_t c = 0; c < kCriterionCount; ++c) {
    EXPECT_FALSE(window_->criteria().active(Criterion(c))) << Caption(Criterion(c));
  }
  for (size_t g = 0; g < kGroupCount; ++g) EXPECT_FALSE(GroupExpanded(CriteriaGroup(g)));
  EXPECT_EQ(window_->box(Criterion::kInText)->text(), "");
  EXPECT_EQ(window_->box(Criterion::kPublicatPanaLa)->text(), "1/1/2010");
  EXPECT_EQ(window_->box(Criterion::kPublicatDeLa)->text(), "1/1/1800");
  EXPECT_EQ(window_->lookup_box(Criterion::kEmitentul)->currentText(), "(oricare)");
  EXPECT_EQ(window_->language_box()->currentText(), "(oricare)");
  EXPECT_EQ(window_->mode_box()->currentText(), "apropiate");
}

TEST_F(FilterWindowTest, RunAppliesTheCriteriaAndCloses) {
  window_->box(Criterion::kInTitlu)->setText("Lege");
  window_->mode_box()->setCurrentIndex(2);
  // Enter in the box of the text words runs the filter.
  QTest::keyClick(window_->box(Criterion::kInText), Qt::Key_Return);
  EXPECT_EQ(calls_, (QStringList{"before", "run expresie", "after 17"}));
  EXPECT_NE(sql_.find("Titlu LIKE '%Lege%'"), std::string::npos);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(FilterWindowTest, AFailedRunIsShownAndTheWindowStays) {
  fail_ = true;
  QString message;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->text();
      box->accept();
    }
  });
  QTest::mouseClick(window_->filter_button(), Qt::LeftButton);
  EXPECT_EQ(message, "no such column: Titlu");
  EXPECT_EQ(calls_, (QStringList{"before", "run oriunde in text"}));
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(FilterWindowTest, LanguageFromOutsideAndBack) {
  QSignalSpy changed(window_.get(), &TFiltrare::languageChanged);
  window_->SetLanguage("Maghiara");
  EXPECT_EQ(window_->criteria().values(Criterion::kLimba).at(0).text, "Maghiara");
  window_->SetLanguage("(oricare)");
  EXPECT_FALSE(window_->criteria().active(Criterion::kLimba));
  window_->language_box()->setCurrentIndex(1);
  ASSERT_EQ(changed.count(), 3);
  EXPECT_EQ(changed.at(2).at(0).toString(), "Romana");
}

}  // namespace
}  // namespace finding
