#include "viewer/viewing/form_struct.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "viewer/finding/modification_fixture.h"
#include "viewer/hypertext/hypertext_view.h"

namespace viewing {
namespace {

// A tree widget as TreeText writes a tree, in UTF-8.
void Dump(const QTreeWidgetItem* item, int depth, std::string& out) {
  out.append(static_cast<size_t>(depth), '\t');
  out += "(" + std::to_string(TformStruct::Image(item)) + ") " + item->text(0).toStdString() +
         "\t" + TformStruct::Target(item).toStdString() + "\r\n";
  for (int i = 0; i < item->childCount(); ++i) Dump(item->child(i), depth + 1, out);
}

std::string Dump(const QTreeWidget* tree) {
  std::string out;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) Dump(tree->topLevelItem(i), 0, out);
  return out;
}

QTreeWidgetItem* ItemWithText(QTreeWidget* tree, const QString& text) {
  const QList<QTreeWidgetItem*> found =
      tree->findItems(text, Qt::MatchStartsWith | Qt::MatchRecursive);
  EXPECT_FALSE(found.isEmpty()) << text.toStdString();
  return found.isEmpty() ? nullptr : found.front();
}

void Click(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->scrollToItem(item);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualItemRect(item).center());
}

class FormStructTest : public finding::ModificationDatabaseTest {
 protected:
  void SetUp() override {
    ModificationDatabaseTest::SetUp();
    reader_ = std::make_unique<finding::ModificationReader>(*db_);
  }

  // The window of act `act_id` as an act window makes it.
  std::unique_ptr<TformStruct> Open(int64_t act_id) {
    actsdb::Table acts(*db_, "tblActe");
    acts.Open();
    EXPECT_TRUE(acts.Locate("IdAct", act_id));
    StructuredAct act{act_id, reader_->ActTitle(act_id), acts.AsString("IndNum"),
                      acts.AsBlob("CompStruct"), acts.AsInteger("StructSize")};
    StructHost host;
    host.show_anchor = [this](const std::string& a) { calls_.push_back("show " + a); };
    host.open_act = [this](int64_t id, const std::string& a) {
      calls_.push_back("open " + std::to_string(id) + " " + a);
    };
    host.scroll_modifications = [this](const std::string& a) {
      calls_.push_back("page " + a);
    };
    auto window = std::make_unique<TformStruct>(act, *reader_, host);
    window->resize(400, 600);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->PrelStruct();
    return window;
  }

  std::string Expected(const Tree& tree) { return actsdb::Cp1250ToUtf8(TreeText(tree)); }

  std::unique_ptr<finding::ModificationReader> reader_;
  std::vector<std::string> calls_;
};

TEST_F(FormStructTest, TabsShowTheirTreesAndBuildThemOnce) {
  std::unique_ptr<TformStruct> window = Open(1);
  Tree expected;
  FillStructureTree(finding::kAct1Structure, "Lege nr. 12/2001", {1, 3, 5}, &expected);
  EXPECT_EQ(window->shown_tree(), window->tree(TformStruct::kStructureTab));
  EXPECT_EQ(Dump(window->tree(TformStruct::kStructureTab)), Expected(expected));
  EXPECT_EQ(window->tree(TformStruct::kModificationsTab)->topLevelItemCount(), 0);

  // The tab strip builds the modifications tree; a second visit keeps it.
  window->tabs()->setCurrentIndex(TformStruct::kModificationsTab);
  QTreeWidget* modifications = window->tree(TformStruct::kModificationsTab);
  EXPECT_EQ(window->shown_tree(), modifications);
  FillModificationsTree(finding::kAct1Structure, reader_->Read(1), &expected);
  EXPECT_EQ(Dump(modifications), Expected(expected));
  EXPECT_TRUE(modifications->topLevelItem(0)->child(0)->isExpanded());
  QTreeWidgetItem* first = modifications->topLevelItem(0);
  window->TabSet1Change(TformStruct::kStructureTab);
  window->TabSet1Change(TformStruct::kModificationsTab);
  EXPECT_EQ(modifications->topLevelItem(0), first);
  EXPECT_EQ(window->tabs()->currentIndex(), TformStruct::kModificationsTab);

  // The act sheet, on every visit; act 1 has a first republication.
  const std::string sheet = Expected(ActSheet(expected, true));
  for (int tab : {TformStruct::kActSheetTab, TformStruct::kStructureTab,
                  TformStruct::kActSheetTab}) {
    window->TabSet1Change(tab);
  }
  EXPECT_EQ(window->shown_tree(), window->tree(TformStruct::kActSheetTab));
  EXPECT_EQ(Dump(window->tree(TformStruct::kActSheetTab)), sheet);
  EXPECT_TRUE(window->updatesEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FormStructTest, ActSheetWithoutRepublicationAndActWithoutParts) {
  std::unique_ptr<TformStruct> other = Open(2);
  other->TabSet1Change(TformStruct::kActSheetTab);
  EXPECT_TRUE(other->shown_tree()
                  ->findItems("A se vedea", Qt::MatchStartsWith | Qt::MatchRecursive)
                  .isEmpty());
  EXPECT_EQ(other->shown_tree()->topLevelItem(0)->childCount(), 2);

  std::unique_ptr<TformStruct> bare = Open(3);
  bare->TabSet1Change(TformStruct::kModificationsTab);
  EXPECT_EQ(Dump(bare->shown_tree()), "(3) Lege nr. 12/2001 rep. 1\t\r\n");
  EXPECT_TRUE(bare->updatesEnabled());
}

TEST_F(FormStructTest, ClicksShowPartsAndOpenOtherActs) {
  std::unique_ptr<TformStruct> window = Open(1);
  window->TabSet1Change(TformStruct::kModificationsTab);
  window->TabSet1Change(TformStruct::kStructureTab);
  QTreeWidget* structure = window->tree(TformStruct::kStructureTab);
  QTreeWidget* modifications = window->tree(TformStruct::kModificationsTab);

  Click(structure, ItemWithText(structure, "Articolul 1"));
  EXPECT_EQ(calls_, (std::vector<std::string>{"show #3", "page #3"}));
  EXPECT_EQ(TformStruct::Target(modifications->currentItem()), "#3");
  calls_.clear();
  Click(structure, structure->topLevelItem(0));  // the act: its top
  EXPECT_EQ(calls_, std::vector<std::string>{"show "});

  window->TabSet1Change(TformStruct::kModificationsTab);
  struct Case {
    const char* node;
    std::vector<std::string> calls;
    const char* selected;  // the structure tree's node afterwards
  };
  const Case cases[] = {
      {"Articolul 2", {"show #5", "page #5"}, "#5"},
      {"completat Articolul II", {"open 2 #10"}, "#5"},
      {"modificat  din", {}, "#5"},  // its modifying part is gone
      {"Lege nr. 12/2001", {}, "#5"},
  };
  for (const Case& c : cases) {
    calls_.clear();
    Click(modifications, ItemWithText(modifications, c.node));
    EXPECT_EQ(calls_, c.calls) << c.node;
    EXPECT_EQ(TformStruct::Target(structure->currentItem()), c.selected) << c.node;
  }
}

TEST_F(FormStructTest, ModifiedPartHintsItsModifications) {
  std::unique_ptr<TformStruct> window = Open(1);
  QTreeWidget* structure = window->tree(TformStruct::kStructureTab);
  structure->expandAll();
  QTreeWidgetItem* article = ItemWithText(structure, "Articolul 1");
  QTest::mouseMove(structure->viewport(), structure->visualItemRect(article).center());
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text().toStdString(),
            "modificat Articolul I din " + std::string(finding::kOtherActTitle) +
                "\ncompletat Articolul II din " + finding::kOtherActTitle + "\nabrogat  " +
                finding::kOtherActTitle);
  QTest::mouseMove(structure->viewport(),
                   structure->visualItemRect(ItemWithText(structure, "Capitolul II")).center());
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
}

TEST_F(FormStructTest, DamagedStructureTextIsReported) {
  StructuredAct act{1, "Lege", "L PARL 12 2001 0", "not a zlib stream", 40};
  TformStruct window(act, *reader_, StructHost{});
  EXPECT_THROW(window.PrelStruct(), std::runtime_error);
  EXPECT_EQ(window.tree(TformStruct::kStructureTab)->topLevelItemCount(), 0);

  const std::string invalid = "Actul\r\n\tArticolul 1#3#\r\n\t\t\tx#4#\r\n";
  act.comp_struct = actsdb::Deflate(invalid);
  act.struct_size = static_cast<int64_t>(invalid.size());
  TformStruct partial(act, *reader_, StructHost{});
  EXPECT_THROW(partial.PrelStruct(), OutlineError);
  // Loading stopped before the modified parts were marked.
  EXPECT_EQ(Dump(partial.tree(TformStruct::kStructureTab)),
            "(3) Lege\t\r\n\t(1) Articolul 1\t#3\r\n");
  // The modifications tab reports the same error and keeps the outline
  // read so far; the window repaints afterwards.
  QTimer::singleShot(0, [] {
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  partial.TabSet1Change(TformStruct::kModificationsTab);
  EXPECT_EQ(partial.tree(TformStruct::kModificationsTab)->topLevelItemCount(), 1);
  EXPECT_TRUE(partial.updatesEnabled());
}

}  // namespace
}  // namespace viewing
