#include "viewer/finding/modification_pages.h"

#include <gtest/gtest.h>

#include "viewer/finding/modification_fixture.h"

namespace finding {
namespace {

std::vector<std::string> Utf8(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) out.push_back(actsdb::Cp1250ToUtf8(line));
  return out;
}

std::vector<std::string> RowLines(std::vector<std::string> page) {
  EXPECT_GE(page.size(), kModPageTemplateLines);
  page.erase(page.begin(), page.begin() + kModPageTemplateLines);
  return page;
}

const std::string kOther = kOtherActTitle;

TEST(ModificationPagesTest, TemplatesOfBothPages) {
  const std::vector<std::string> suffered = BuildModPe(ActModifications{});
  const std::vector<std::string> brought = BuildModDe(ActModifications{});
  const std::vector<std::string> expected = {
      "<HTML>",
      " ",
      "<HEAD>",
      "<TITLE></TITLE>",
      "</HEAD>",
      "",
      "<table width=100% border=0>",
      "<tr>",
      "<td bgcolor=\"blue\" align=center>",
      "<font size=2 color=\"white\">",
      "<b> Modificari aduse de catre alte acte </b>",
      "</font>",
      "</td>",
      "</tr>",
      "</table>",
      "",
      "<STYLE TYPE=\"text/css\">",
      "  body, td, th   {font-size: 8pt; font-family: Arial;}",
      "  .larger   {font-size: larger; background-color: a0b8c8;}",
      "  th        {background-color: ffffce;}",
      "  p         {background-color:blue;}",
      "  td        {background-color: #cccccc; padding-left: 5;}",
      "  td.note   {background-color: lightBlue;}",
      "  .head\t\t{font: bold 18pt; color: #a53737;}",
      "</STYLE>",
      "",
      "<b>",
      "<table width=100% border=0  CELLPADDING=\"2\" CELLSPACING=\"2\">",
      "<th width=25%> Partea Modificata </th>",
      "<th width=25%> Modificarea </th>",
      "<th width=25%> Partea Modificanta </th>",
      "<th width=25%> Actul Modificant </th>",
  };
  // An act without parts: the fixed lines alone, not even a closing tag.
  EXPECT_EQ(suffered, expected);
  std::vector<std::string> expected_brought = expected;
  expected_brought[10] = "<b> Modificari aduse altor acte </b>";
  expected_brought[28] = "<th width=25%> Partea modificata </th>";
  expected_brought[29] = "<th width=25%> Actul modificat </th>";
  expected_brought[30] = "<th width=25%> Modificarea </th>";
  expected_brought[31] = "<th width=25%> Partea Modificanta </th>";
  EXPECT_EQ(brought, expected_brought);
  EXPECT_EQ(PageText({"<HTML>", ""}), "<HTML>\r\n\r\n");
}

class ModificationPagesDbTest : public ModificationDatabaseTest {};

TEST_F(ModificationPagesDbTest, PageOfModificationsSuffered) {
  ModificationReader reader(*db_);
  EXPECT_EQ(Utf8(RowLines(BuildModPe(reader.Read(1)))),
            (std::vector<std::string>{
                // The act as a whole: its title, no anchor line, and the kind
                // that tbltipmod does not list shows empty.
                "<tr>",
                "<td> <a href=\"this  part 1\">Lege nr. 12/2001</a> </td>",
                "<td></td>",
                "<td> <a href=\"part 9\">Articolul I</a> </td>",
                "<td> <a href=\"leg 9\">" + kOther + "</a> </td>",
                "</tr>",
                // Three modifications of one part, in index order; the last
                // comes from the other act as a whole.
                "<a name = \"3\" >",
                "<tr>",
                "<td> <a href=\"this  part 3\">Articolul 1</a> </td>",
                "<td>modificat</td>",
                "<td> <a href=\"part 9\">Articolul I</a> </td>",
                "<td> <a href=\"leg 9\">" + kOther + "</a> </td>",
                "</tr>",
                "<tr>",
                "<td> <a href=\"this  part 3\">Articolul 1</a> </td>",
                "<td>completat</td>",
                "<td> <a href=\"part 10\">Articolul II</a> </td>",
                "<td> <a href=\"leg 10\">" + kOther + "</a> </td>",
                "</tr>",
                "<tr>",
                "<td> <a href=\"this  part 3\">Articolul 1</a> </td>",
                "<td>abrogat</td>",
                "<td> <a href=\"part 8\">" + kOther + "</a> </td>",
                "<td> <a href=\"leg 8\">" + kOther + "</a> </td>",
                "</tr>",
                // A modifying part that is gone: empty lookups.
                "<a name = \"5\" >",
                "<tr>",
                "<td> <a href=\"this  part 5\">Articolul 2</a> </td>",
                "<td>modificat</td>",
                "<td> <a href=\"part 999\"></a> </td>",
                "<td> <a href=\"leg 999\"></a> </td>",
                "</tr>",
                "</table>",
            }));
}

TEST_F(ModificationPagesDbTest, PageOfModificationsBrought) {
  ModificationReader reader(*db_);
  EXPECT_EQ(Utf8(RowLines(BuildModDe(reader.Read(1)))),
            (std::vector<std::string>{
                "<tr>",
                "<td> <a href=\"part 10\">Articolul II</a> </td>",
                "<td> <a href=\"leg 10\">" + kOther + "</a> </td>",
                "<td>modificat</td>",
                "<td><a name=1> <a href=\"this  part 1\">Lege nr. 12/2001</a> </td>",
                "</tr>",
                "<tr>",
                "<td> <a href=\"part 9\">Articolul I</a> </td>",
                "<td> <a href=\"leg 9\">" + kOther + "</a> </td>",
                "<td>modificat</td>",
                "<td><a name=7> <a href=\"this  part 7\">Articolul 3</a> </td>",
                "</tr>",
                "<tr>",
                "<td> <a href=\"part 10\">Articolul II</a> </td>",
                "<td> <a href=\"leg 10\">" + kOther + "</a> </td>",
                "<td>abrogat</td>",
                "<td><a name=7> <a href=\"this  part 7\">Articolul 3</a> </td>",
                "</tr>",
                "<tr>",
                "<td> <a href=\"part 8\">" + kOther + "</a> </td>",
                "<td> <a href=\"leg 8\">" + kOther + "</a> </td>",
                "<td>completat</td>",
                "<td><a name=7> <a href=\"this  part 7\">Articolul 3</a> </td>",
                "</tr>",
                "</table>",
            }));
}

TEST_F(ModificationPagesDbTest, ActWithoutPartsOrGone) {
  ModificationReader reader(*db_);
  for (int64_t act : {3, 42}) {
    EXPECT_EQ(BuildModPe(reader.Read(act)).size(), kModPageTemplateLines) << act;
    EXPECT_EQ(BuildModDe(reader.Read(act)).size(), kModPageTemplateLines) << act;
  }
}

TEST_F(ModificationPagesDbTest, LinkHintsAndTargets) {
  ModificationReader reader(*db_);
  const ActModifications page = reader.Read(1);
  const std::string other =
      "Ordonanţă de urgenţă nr. 5/2002 (actualizată până la data de 27 august 2004)";
  struct Case {
    const char* target;
    std::string hint;  // UTF-8
    std::optional<ModLinkTarget> opens;
  };
  const Case cases[] = {
      {"this  part 3", "Articolul 1 Lege nr. 12/2001", ModLinkTarget{1, "#3"}},
      {"leg 9", other, ModLinkTarget{2, ""}},  // the title is not cut here
      {"part 10", "Articolul II " + other, ModLinkTarget{2, "#10"}},
      {"part 999", "", std::nullopt},  // a part that is gone
  };
  for (const Case& c : cases) {
    const std::optional<ModLink> link = ReadModLink(c.target);
    ASSERT_TRUE(link) << c.target;
    EXPECT_EQ(actsdb::Cp1250ToUtf8(ModLinkHint(reader, *link, page)), c.hint) << c.target;
    const std::optional<ModLinkTarget> opens = ResolveModLink(reader, *link, page);
    ASSERT_EQ(opens.has_value(), c.opens.has_value()) << c.target;
    if (!opens) continue;
    EXPECT_EQ(opens->act_id, c.opens->act_id) << c.target;
    EXPECT_EQ(opens->anchor, c.opens->anchor) << c.target;
  }
}

TEST(ModLinkTest, ReadsTheThreeForms) {
  struct Case {
    const char* target;
    std::optional<ModLink::Kind> kind;
    int64_t part = 0;
  };
  const Case cases[] = {
      {"this  part 12", ModLink::Kind::kThisPart, 12},
      {"leg 7", ModLink::Kind::kAct, 7},
      {"part 1604", ModLink::Kind::kPart, 1604},
      {"part   5", ModLink::Kind::kPart, 5},  // blanks before the number
      {"this part 12", ModLink::Kind::kThisPart, 2},  // the number is read from a fixed place
      {"leg", std::nullopt},
      {"part x1", std::nullopt},
      {"part 1x", std::nullopt},
      {"#1604", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<ModLink> link = ReadModLink(c.target);
    ASSERT_EQ(link.has_value(), c.kind.has_value()) << c.target;
    if (!link) continue;
    EXPECT_EQ(link->kind, *c.kind) << c.target;
    EXPECT_EQ(link->part_id, c.part) << c.target;
  }
}

}  // namespace
}  // namespace finding
