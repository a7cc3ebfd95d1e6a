#include "viewer/viewing/act_page.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "actsdb/compress.h"
#include "viewer/finding/link_targets.h"

namespace viewing {
namespace {

constexpr char kPrefix[] = "file:///opt/corvana/lg";

TEST(RewriteLineTest, EachKindOfStoredLine) {
  struct Case {
    const char* name;
    const char* stored;
    const char* shown;
  };
  const Case cases[] = {
      {"plain line", "Se aproba normele.<BR>", "Se aproba normele.<BR>"},
      {"part anchor", "<a name=4711> </a>", "<a name=4711> </a>"},
      {"heading in running text", "<b>Art. 1</b> - text<BR>", "<b>Art. 1</b> - text<BR>"},
      {"paragraph", "<p>text</p>", "<p ALIGN=LEFT>text</p></LEFT>"},
      {"title", "<t4>PRIVIND ACHIZITIILE</t4>",
       "<FONT color=\"red\" ><t4> <CENTER>PRIVIND ACHIZITIILE</t4></CENTER></FONT>"},
      {"heading", "<t5>Capitolul I</t5>",
       "<FONT color=\"blue\" ><t5> <BR><CENTER>Capitolul I</t5></CENTER></FONT>"},
      {"title inside a paragraph", "<p><t4>X</t4></p>",
       "<FONT color=\"red\" ><t4> <CENTER>X</t4></CENTER></FONT></LEFT>"},
      {"heading inside a paragraph", "<p><t5>X</t5></p>",
       "<FONT color=\"blue\" ><t5> <BR><CENTER>X</t5></CENTER></FONT></LEFT>"},
      {"act link", "conform <a href=\"# OUG GUV 34 2006\"> OUG nr 34 2006</a><BR>",
       "conform <a href=\"file:///opt/corvana/lgOUG GUV 34 2006.htm\"> OUG nr 34 2006</a><BR>"},
      {"two links: only the first is rewritten",
       "<a href=\"# L P 10 2000\"> L 10</a> si <a href=\"# HG GUV 5 2001\"> HG 5</a><BR>",
       "<a href=\"file:///opt/corvana/lgL P 10 2000.htm\"> L 10</a> si "
       "<a href=\"# HG GUV 5 2001\"> HG 5</a><BR>"},
      {"republication in the key", "<a href=\"# L P 10 2000 1\"> L 10</a><BR>",
       "<a href=\"file:///opt/corvana/lgL P 10 2000 1.htm\"> L 10</a><BR>"},
      {"link inside a heading", "<t5>Anexa la <a href=\"# HG GUV 5 2001\"> HG 5</a></t5>",
       "<FONT color=\"blue\" ><t5> <BR><CENTER>Anexa la "
       "<a href=\"file:///opt/corvana/lgHG GUV 5 2001.htm\"> HG 5</a></t5></CENTER></FONT>"},
      {"picture before the link keeps its source",
       "<img src=\" img HARTA1 x\"> harta, cf. <a href=\"# L P 10 2000\"> L 10</a><BR>",
       "<img src=\" img HARTA1 x\"> harta, cf. "
       "<a href=\"file:///opt/corvana/lgL P 10 2000.htm\"> L 10</a><BR>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RewriteLine(c.stored, kPrefix), c.shown) << c.name;
  }
}

TEST(PictureKeyTest, SecondWordUpperCased) {
  EXPECT_EQ(PictureKey(" img harta1 x"), "HARTA1");
  EXPECT_EQ(PictureKey("img Sigl\xE3 x y"), "SIGL\xC3");
  EXPECT_EQ(PictureKey(" img"), "");
}

TEST(RewriteLineTest, TheLinkRulesReadBothFormsAsTheSameAct) {
  // An installation whose path holds what the rules look for.
  const std::string install_dir = "/srv/lg.acte#1";
  const std::string line =
      RewriteLine("<a href=\"# L P 10 2000\"> L 10</a> <a href=\"# L P 10 2000\"> L 10</a><BR>",
                  finding::RewrittenLinkPrefix(install_dir));
  std::vector<std::string> targets;
  for (size_t at = 0; (at = line.find("href=\"", at)) != std::string::npos;) {
    at += 6;
    targets.push_back(line.substr(at, line.find('"', at) - at));
  }
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_NE(targets[0], targets[1]);
  for (const std::string& target : targets) {
    const finding::LinkTarget link = finding::ClassifyLink(target, install_dir);
    EXPECT_EQ(link.kind, finding::LinkTarget::Kind::kAct) << target;
    EXPECT_EQ(link.reference, "L P 10 2000") << target;
  }
}

ActPageRow SampleRow(const std::string& hypertext) {
  ActPageRow row;
  row.emitent = "Guvernul Rom\xE2niei";
  row.disp_titlu = "Ordonan\xFE\xE3 de urgen\xFE\xE3 nr. 34/2006";
  row.publicatia = "Monitorul Oficial";
  row.numar = 418;
  row.data = actsdb::Date{2006, 4, 19};
  row.data_pub = actsdb::Date{2006, 5, 5};
  row.limba = "R";
  row.tip_act = "Ordonan\xFE\xE3 de urgen\xFE\xE3";
  row.comp_text = actsdb::Deflate(hypertext);
  row.text_size = int64_t(hypertext.size());
  return row;
}

TEST(ActPageTest, TheWholePage) {
  const std::string stored =
      "<a name=12> </a>\r\n<t5>Capitolul I</t5>\r\n<t4>Dispozitii generale</t4>\r\n"
      "Vezi <a href=\"# L P 10 2000\"> L 10</a> si <a href=\"# HG GUV 5 2001\"> HG 5</a><BR>\r\n"
      "\r\n"
      "Ultimul r\xE2nd<BR>\r\n";
  const ActPage page = ProduceActPage(SampleRow(stored), "/opt/corvana");
  EXPECT_EQ(page.language, 'R');
  const std::string expected =
      "<html>\r\n"
      "\r\n"
      "<body bgcolor=white lang=RO style='tab-interval:35.4pt'>\r\n"
      "\r\n"
      "<div class=Section1>\r\n"
      "\r\n"
      "<table border=0 cellpadding=0 cellspacing=0 width=\"100%\" bgcolor=\"#336699\">\r\n"
      " <tr>\r\n"
      "  <td width=\"5%\" valign=\"middle\" align=center bgcolor=\"cyan\"  link=\"#FFFFFF\" "
      "cellpadding=1>\r\n"
      " <bgcolor=\"cyan\"> \r\n"
      " <link=\"white\">\r\n"
      " <font color=\"#FFFFFF\"   size=\"3\"> <a href=\"chlang\"> R </a> </font> \r\n"
      " </link>\r\n"
      " </bgcolor>\r\n"
      "  </td>\r\n"
      "  <td width=\"25%\" valign=\"middle\" align=center>\r\n"
      "  <font color=\"#FFFFFF\" size=\"3\"> Guvernul Rom\xE2niei </font>\r\n"
      "  </td>\r\n"
      "  <td width=\"50%\" align=center valign=\"middle\">\r\n"
      " <font color=\"#FFFFFF\" size=\"5\">Ordonan\xFE\xE3 de urgen\xFE\xE3 nr. 34/2006 </font>\r\n"
      "   </td>\r\n"
      "  <td width=\"20%\" align=center valign=\"middle\">\r\n"
      " <font color=\"#FFFFFF\" size=\"3\"> 19 aprilie 06 </font> \r\n"
      "  </td>\r\n"
      " </tr>\r\n"
      "</table>\r\n"
      "\r\n"
      "  <p class=MsoNormal align=center style='text-align:center'>\r\n"
      "publicat \xEEn Monitorul Oficial nr. 418 din 5 mai 06 <o:p></o:p></p>\r\n"
      "\r\n"
      "<p class=MsoNormal style='text-align:Justify'>\r\n"
      "<a name=12> </a>\r\n"
      "<FONT color=\"blue\" ><t5> <BR><CENTER>Capitolul I</t5></CENTER></FONT>\r\n"
      "<FONT color=\"red\" ><t4> <CENTER>Dispozitii generale</t4></CENTER></FONT>\r\n"
      "Vezi <a href=\"file:///opt/corvana/lgL P 10 2000.htm\"> L 10</a> si "
      "<a href=\"# HG GUV 5 2001\"> HG 5</a><BR>\r\n"
      "\r\n"
      "Ultimul r\xE2nd<BR>\r\n"
      " \r\n"
      "</p>\r\n"
      "\r\n"
      "</div>\r\n"
      "\r\n"
      "</body>\r\n"
      "\r\n"
      "</html>\r\n"
      " \r\n"
      " \r\n"
      " \r\n"
      " \r\n";
  EXPECT_EQ(page.html, expected);
}

// The publication line and the language cell, which change with the act.
std::string PublicationLine(const ActPage& page) {
  const size_t start = page.html.find("publicat");
  return page.html.substr(start, page.html.find("\r\n", start) - start);
}

TEST(ActPageTest, PublicationWordFollowsTheTypeName) {
  struct Case {
    const char* tip_act;
    const char* word;
  };
  const Case cases[] = {
      {"Lege", "publicat\xE3 "},  // ends in e
      {"Hot\xE3r\xE2re", "publicat\xE3 "},
      {"Ordonan\xFE\xE3", "publicat "},  // ends in a with breve, not a
      {"Decret", "publicat "},           // ends in t
      {"ORDONANTA", "publicat "},        // upper-case A
      {"", "publicat "},
  };
  for (const Case& c : cases) {
    ActPageRow row = SampleRow("");
    row.tip_act = c.tip_act;
    EXPECT_TRUE(
        PublicationLine(ProduceActPage(row, "/i")).starts_with(std::string(c.word) + "\xEEn "))
        << c.tip_act;
  }
}

TEST(ActPageTest, MissingValuesLeaveTheirPlacesEmpty) {
  ActPageRow row = SampleRow("text<BR>\r\n");
  row.limba.clear();
  row.numar.reset();
  row.data.reset();
  row.data_pub.reset();
  const ActPage page = ProduceActPage(row, "/i");
  EXPECT_EQ(page.language, ' ');
  EXPECT_NE(page.html.find("<a href=\"chlang\">   </a>"), std::string::npos);
  EXPECT_NE(page.html.find("size=\"3\">  </font> \r\n"), std::string::npos);
  EXPECT_EQ(PublicationLine(page), "publicat \xEEn Monitorul Oficial nr.  din  <o:p></o:p></p>");

  row.limba = "M";
  EXPECT_EQ(ProduceActPage(row, "/i").language, 'M');
}

TEST(ActPageTest, LineBreaksOfEveryKindAndOnlyTextSizeBytes) {
  ActPageRow row = SampleRow("a<BR>\rb<BR>\nc<BR>\r\n\r\nd<BR>\r\nNOT SHOWN");
  row.text_size -= 9;
  const std::string html = ProduceActPage(row, "/i").html;
  EXPECT_NE(html.find("Justify'>\r\na<BR>\r\nb<BR>\r\nc<BR>\r\n\r\nd<BR>\r\n \r\n</p>"),
            std::string::npos);
}

TEST(ActPageTest, DamagedTextIsRefusedWithItsReason) {
  ActPageRow row = SampleRow("text<BR>\r\n");
  ActPageRow short_row = row;
  short_row.text_size += 100;
  ActPageRow garbage = row;
  garbage.comp_text = "not a zlib stream";
  ActPageRow missing = row;
  missing.comp_text.clear();
  for (const ActPageRow* bad : {&short_row, &garbage, &missing}) {
    try {
      ProduceActPage(*bad, "/i");
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("zlib"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace viewing
