#include "viewer/viewing/structure_trees.h"

#include <gtest/gtest.h>

#include "viewer/finding/modification_fixture.h"

namespace viewing {
namespace {

std::string Utf8Text(const Tree& tree) { return actsdb::Cp1250ToUtf8(TreeText(tree)); }

const std::string kOther = finding::kOtherActTitle;

TEST(OutlineTest, NodeTextsTargetsAndLevels) {
  Tree tree;
  FillStructureTree(
      "Actul\r\n"
      "\tTitlul I#20# Titlu\r\n"
      "\t\tArticolul 1#21#\r\n"
      "\t Articolul 2#22#~nota\n"  // a blank counts as a level too
      "\tAnexa#23#" + std::string(120, 'x') + "\r"
      "Capitolul X#24#\r\n",        // a second top-level node
      "Lege nr. 1/2000", {22, 24}, &tree);
  EXPECT_EQ(TreeText(tree),
            "(3) Lege nr. 1/2000\t\r\n"
            "\t(1) Titlul I Titlu\t#20\r\n"
            "\t\t(1) Articolul 1\t#21\r\n"
            "\t\t(2) Articolul 2\t#22\r\n"
            // The text keeps what follows the id within 100 characters.
            "\t(1) Anexa" + std::string(100 - 3, 'x') + "\t#23\r\n"
            "(2) Capitolul X\t#24\r\n");
}

TEST(OutlineTest, InvalidLevelKeepsTheNodesBefore) {
  Tree tree;
  try {
    FillStructureTree("Actul\r\n\tArticolul 1#5#\r\n\t\t\t(1) #6#\r\n\tArticolul 2#7#\r\n",
                      "Lege", {}, &tree);
    FAIL() << "no error";
  } catch (const OutlineError& e) {
    EXPECT_STREQ(e.what(), "Invalid level (3) for item \"(1) #6#\"");
  }
  EXPECT_EQ(TreeText(tree), "(3) Lege\t\r\n\t(1) Articolul 1\t#5\r\n");
}

TEST(ClearChildrenTest, KeepsOnlyWhatLeadsToAModification) {
  // Pruning marks, removes and unmarks; a top-level node after the root has
  // no parent to mark.
  Tree tree = {
      {"act", "", kActImage, {
          {"c1", "#1", kPartImage, {
              {"a1", "#2", kModifiedPartImage, {
                  {"p1", "#3", kPartImage, {}},
                  {"m", "pr9", kSufferedImage, {}}}},
              {"a2", "#4", kPartImage, {}}}},
          {"c2", "#5", kPartImage, {{"a3", "#6", kPartImage, {}}}},
          {"whole", "pr8", kBroughtImage, {}}}},
      {"x", "#7", kPartImage, {}},
      {"y", "#8", kPartImage, {{"m", "pr10", kBroughtImage, {}}}},
  };
  ClearChildren(tree);
  EXPECT_EQ(TreeText(tree),
            "(3) act\t\r\n"
            "\t(1) c1\t#1\r\n"
            "\t\t(2) a1\t#2\r\n"
            "\t\t\t(4) m\tpr9\r\n"
            "\t(5) whole\tpr8\r\n"
            "(1) y\t#8\r\n"
            "\t(5) m\tpr10\r\n");
}

TEST(ActSheetTest, RepublicationKey) {
  EXPECT_EQ(FirstRepublicationKey("OUG GUV 34 2006 0"), "OUG GUV 34 2006 1");
  EXPECT_EQ(FirstRepublicationKey("L PARL 12 2001 0 M"), "L PARL 12 2001 1");
}

class StructureTreesTest : public finding::ModificationDatabaseTest {
 protected:
  std::string Structure(int64_t act) {
    actsdb::Table acts(*db_, "tblActe");
    acts.Open();
    EXPECT_TRUE(acts.Locate("IdAct", act));
    return actsdb::Inflate(acts.AsBlob("CompStruct"), acts.AsInteger("StructSize"));
  }
};

TEST_F(StructureTreesTest, StructureTreeMarksModifiedParts) {
  finding::ModificationReader reader(*db_);
  Tree tree;
  FillStructureTree(Structure(1), "Lege nr. 12/2001", reader.ModifiedParts(1), &tree);
  EXPECT_EQ(TreeText(tree),
            "(3) Lege nr. 12/2001\t\r\n"
            "\t(1) Capitolul I Dispozitii generale\t#2\r\n"
            "\t\t(2) Articolul 1\t#3\r\n"
            "\t\t\t(1) (1) Primul alineat\t#4\r\n"
            "\t\t(2) Articolul 2\t#5\r\n"
            "\t(1) Capitolul II\t#6\r\n"
            "\t\t(1) Articolul 3\t#7\r\n");
}

TEST_F(StructureTreesTest, ModificationsTreeAndActSheet) {
  finding::ModificationReader reader(*db_);
  Tree tree;
  FillModificationsTree(Structure(1), reader.Read(1), &tree);
  EXPECT_EQ(Utf8Text(tree),
            "(3) Lege nr. 12/2001\t\r\n"
            "\t(1) Capitolul I Dispozitii generale\t#2\r\n"
            "\t\t(2) Articolul 1\t#3\r\n"
            "\t\t\t(4) modificat Articolul I din " + kOther + "\tpr9\r\n"
            "\t\t\t(4) completat Articolul II din " + kOther + "\tpr10\r\n"
            // "Actul din" removed: the kind, two blanks and the other act.
            "\t\t\t(4) abrogat  " + kOther + "\tpr8\r\n"
            "\t\t(2) Articolul 2\t#5\r\n"
            "\t\t\t(4) modificat  din \tpr999\r\n"
            "\t(1) Capitolul II\t#6\r\n"
            "\t\t(2) Articolul 3\t#7\r\n"
            "\t\t\t(5) Articolul I din " + kOther + " - modificat actul curent\tpr9\r\n"
            "\t\t\t(5) Articolul II din " + kOther + " - abrogat actul curent\tpr10\r\n"
            "\t\t\t(5)  " + kOther + " - completat actul curent\tpr8\r\n"
            // The act as a whole, under the root; the unlisted kind is empty.
            "\t(4)  Articolul I din " + kOther + "\tpr9\r\n"
            "\t(5) Articolul II din " + kOther + " - modificat actul curent\tpr10\r\n");
  ASSERT_NE(LocateNod(tree, "#5"), nullptr);
  EXPECT_EQ(LocateNod(tree, "#5")->text, "Articolul 2");
  EXPECT_EQ(LocateNod(tree, "#4"), nullptr);  // pruned
  EXPECT_EQ(LocateNod(tree, ""), nullptr);    // the root is not searched

  for (bool republished : {true, false}) {
    EXPECT_EQ(Utf8Text(ActSheet(tree, republished)),
              "(3) Lege nr. 12/2001\t\r\n"
              "\t(4)  Articolul I din " + kOther + "\tpr9\r\n"
              "\t(5) Articolul II din " + kOther + " - modificat actul curent\tpr10\r\n" +
              (republished ? "\t(3) A se vedea si ultima republicare !\t\r\n" : ""));
  }
}

TEST_F(StructureTreesTest, ActWithoutPartsKeepsItsOutline) {
  finding::ModificationReader reader(*db_);
  finding::ActModifications act = reader.Read(1);
  act.parts.clear();
  Tree tree;
  FillModificationsTree(Structure(1), act, &tree);
  Tree outline;
  FillStructureTree(Structure(1), act.title, {}, &outline);
  EXPECT_EQ(TreeText(tree), TreeText(outline));
}

TEST_F(StructureTreesTest, HintOfAModifiedPart) {
  finding::ModificationReader reader(*db_);
  std::vector<std::string> lines;
  for (const finding::OtherEnd& end : reader.Suffered(3)) {
    lines.push_back(actsdb::Cp1250ToUtf8(SufferedText(end)));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"modificat Articolul I din " + kOther,
                                             "completat Articolul II din " + kOther,
                                             "abrogat  " + kOther}));
}

}  // namespace
}  // namespace viewing
