#include "actsdb/stored_forms.h"

#include <gtest/gtest.h>

namespace actsdb {
namespace {

TEST(StoredFormsTest, HypertextPieces) {
  EXPECT_EQ(PartAnchor(42), "<a name=42> </a>");
  const std::string link = ActLink({"L", "P", "10", "2000"}, {"Legea", "nr", "10", "2000"});
  EXPECT_EQ(link, "<a href=\"# L P 10 2000\"> Legea nr 10 2000</a>");
  EXPECT_EQ(LinkKeyText("# L P 10 2000"), "L P 10 2000");
  EXPECT_EQ(LinkKeyText("#"), "");
  EXPECT_EQ(LinkKeyText("http://x"), std::nullopt);
  EXPECT_EQ(ImageRef({"img", "HARTA1", "x"}, {"vezi", "harta"}),
            "<img src=\" img HARTA1 x\"> vezi harta");
}

TEST(StoredFormsTest, NodeTail) {
  struct Case {
    const char* label;
    const char* title;
    const char* tail;
  } cases[] = {
      {"Articolul 5", "Articolul 5 Dispozitii generale", " Dispozitii generale"},
      {"Art. 2", "Capitol Art. 2 rest", " rest"},
      {"Capitolul II", "Titlu fara eticheta", "eticheta"},  // from position 12
      {"Anexa", "Anexa", ""},
      {"", "abc", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(StructTail(c.label, c.title), c.tail) << c.label;
  EXPECT_EQ(StructTail("A", "A" + std::string(300, 'x')).size(), 100u);
}

TEST(StoredFormsTest, StructureTextRoundTrip) {
  std::string text;
  AppendStructLine(text, 0, "Actul");
  AppendStructLine(text, 1, StructNodeText("Capitolul I", 7, " Dispozitii"));
  AppendStructLine(text, 2, StructNodeText("Articolul 1", 8, ""));
  AppendStructLine(text, 1, StructNodeText("Anexa", 9, " nr. 1 # cu diez"));
  EXPECT_EQ(text,
            "Actul\r\n\tCapitolul I#7# Dispozitii\r\n\t\tArticolul 1#8#\r\n"
            "\tAnexa#9# nr. 1 # cu diez\r\n");
  const std::vector<StructLine> lines = ParseStructText(text);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].is_root);
  EXPECT_EQ(lines[0].label, "Actul");
  EXPECT_EQ(lines[0].depth, 0);
  EXPECT_EQ(lines[2].depth, 2);
  EXPECT_EQ(lines[2].label, "Articolul 1");
  EXPECT_EQ(lines[2].part_id, 8);
  EXPECT_EQ(lines[2].tail, "");
  EXPECT_EQ(lines[3].tail, " nr. 1 # cu diez");  // a "#" in the tail stays
}

}  // namespace
}  // namespace actsdb
