#include "viewer/shell/structure_viewing.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "viewer/finding/modification_fixture.h"
#include "viewer/shell/corvanex.h"

namespace shell {
namespace {

// The viewer on an installation of three acts whose parts modify each
// other (the modification fixture), act 1 selected in the grid.
class StructureViewingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(::testing::TempDir()) + "/" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    QDir(dir_).removeRecursively();
    QDir().mkpath(dir_ + "/zazi1");
    {
      auto db = actsdb::NewDatabaseWithSchema((dir_ + "/zazi1").toStdString());
      finding::AddModificationFixture(*db);
      actsdb::ClientDataset::SaveActsList(*db, (dir_ + "/dump.dst").toStdString());
    }
    corvanex_ = std::make_unique<Corvanex>(dir_);
    ASSERT_NE(corvanex_->structure(), nullptr);
    main().resize(1200, 800);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    corvanex_->data()->MoveTo(0);
  }
  void TearDown() override {
    corvanex_.reset();
    QDir(dir_).removeRecursively();
  }

  MainWindow& main() { return corvanex_->main_window(); }
  viewing::ActWindow* Current() { return ActViewing::ActWindowOf(main().act_windows().current()); }
  int Windows() { return static_cast<int>(main().mdi_area()->subWindowList().size()); }
  // Replaces the stored text of act `act`.
  void StoreText(int64_t act, const std::string& comp_text, int64_t text_size) {
    auto db = actsdb::Database::Open((dir_ + "/zazi1/corvana.db").toStdString());
    actsdb::Table acts(*db, "tblActe");
    acts.Open();
    ASSERT_TRUE(acts.Locate("IdAct", act));
    acts.Edit();
    acts.SetBlob("CompText", comp_text);
    acts.SetInteger("TextSize", text_size);
    acts.Post();
  }

  QString dir_;
  std::unique_ptr<Corvanex> corvanex_;
};

TEST_F(StructureViewingTest, EveryActWindowHasItsStructureWindow) {
  main().action(Command::kOpenAct)->trigger();
  viewing::TformStruct* structure = StructureViewing::StructureOf(Current());
  ASSERT_NE(structure, nullptr);
  QTreeWidget* outline = structure->tree(viewing::TformStruct::kStructureTab);
  EXPECT_EQ(outline->topLevelItem(0)->text(0), "Lege nr. 12/2001");

  // "&Fisa actului" after the dock was closed: docked again, on its tab.
  Current()->structure_dock()->close();
  main().action(Command::kActSheet)->trigger();
  EXPECT_TRUE(Current()->structure_dock()->isVisible());
  EXPECT_EQ(structure->tabs()->currentIndex(), viewing::TformStruct::kActSheetTab);
  main().action(Command::kStructure)->trigger();
  EXPECT_EQ(structure->shown_tree(), outline);

  // A modification in the tree opens the other act at its part.
  structure->TabSet1Change(viewing::TformStruct::kModificationsTab);
  QTreeWidget* tree = structure->shown_tree();
  QTreeWidgetItem* item =
      tree->findItems("completat Articolul II", Qt::MatchStartsWith | Qt::MatchRecursive).front();
  tree->scrollToItem(item);
  const QRect rect = tree->visualItemRect(item);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    QPoint(rect.left() + 40, rect.center().y()));
  EXPECT_EQ(Windows(), 2);
  EXPECT_EQ(Current()->act_id(), 2);
  EXPECT_EQ(Current()->act_anchor(), "#10");
}

TEST_F(StructureViewingTest, AnActThatCannotBeShownIsReported) {
  StoreText(2, "damaged", 40);
  main().action(Command::kModSuffered)->trigger();
  QString message;
  QTimer::singleShot(0, [&message] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->text();
      box->accept();
    }
  });
  corvanex_->structure()->modifications().FollowLink("leg 9");
  EXPECT_TRUE(message.contains("zlib")) << message.toStdString();
  EXPECT_EQ(Windows(), 0);
}

TEST_F(StructureViewingTest, AnotherActOpensAtThePartTheLinkNames) {
  // Act 2 as a long page, its article I in the middle: opened at the part,
  // the window shows it where scrolling there afterwards does, not at a
  // place reckoned before the window had its size.
  std::string text;
  for (int line = 0; line < 300; ++line) {
    if (line == 150) text += "<a name=9> </a>\r\nArticolul I<BR>\r\n";
    text += "Rand " + std::to_string(line) + "<BR>\r\n";
  }
  StoreText(2, actsdb::Deflate(text), static_cast<int64_t>(text.size()));
  main().action(Command::kModSuffered)->trigger();
  corvanex_->structure()->modifications().FollowLink("part 9");
  ASSERT_EQ(Windows(), 1);
  QScrollBar* scroll = Current()->viewer()->verticalScrollBar();
  const int opened_at = scroll->value();
  Current()->ShowAnchor("#9");
  EXPECT_EQ(opened_at, scroll->value());
  EXPECT_GT(opened_at, 0);
  EXPECT_LT(opened_at, scroll->maximum());
}

TEST_F(StructureViewingTest, ModificationPagesFollowTheSelectedActAndItsWindow) {
  main().action(Command::kModSuffered)->trigger();
  finding::ModificationsView& view = corvanex_->structure()->modifications();
  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(view.act().act_id, 1);
  EXPECT_TRUE(view.toPlainText().contains("Modificari aduse de catre alte acte"));
  main().action(Command::kModBrought)->trigger();
  EXPECT_TRUE(view.toPlainText().contains("Modificari aduse altor acte"));

  // A part of this act: opened once, then scrolled to in the same window.
  view.FollowLink("this  part 7");
  ASSERT_EQ(Windows(), 1);
  EXPECT_EQ(Current()->act_anchor(), "#7");
  view.FollowLink("this  part 1");
  EXPECT_EQ(Windows(), 1);
  EXPECT_EQ(Current()->act_anchor(), "#1");
  // The other act: opened; its act link then does nothing more.
  view.FollowLink("leg 9");
  EXPECT_EQ(Windows(), 2);
  EXPECT_EQ(Current()->act_id(), 2);
  view.FollowLink("leg 10");
  EXPECT_EQ(Windows(), 2);
}

TEST_F(StructureViewingTest, FindInTextSearchesTheActiveActWindow) {
  finding::TFCText* find = corvanex_->find_text();
  ASSERT_NE(find, nullptr);
  main().action(Command::kFindInText)->trigger();
  EXPECT_TRUE(find->isVisible());
  find->hide();

  main().action(Command::kOpenAct)->trigger();
  find->search_box()->setEditText("Partea 5");
  find->Search();
  EXPECT_EQ(Current()->viewer()->textCursor().selectedText(), "Partea 5");
  // A new act window brings the window back while it holds a text.
  find->hide();
  main().action(Command::kOpenAct)->trigger();
  EXPECT_TRUE(find->isVisible());
}

}  // namespace
}  // namespace shell
