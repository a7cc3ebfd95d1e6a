#include "viewer/hypertext/hypertext_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace hypertext {
namespace {

// Where the text `needle` stands in the view, in viewport coordinates.
QPoint PointOf(HypertextView& view, const QString& needle) {
  const QTextCursor found = view.document()->find(needle);
  EXPECT_FALSE(found.isNull()) << needle.toStdString();
  QTextCursor middle = found;
  middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
  return view.cursorRect(middle).center();
}

class HypertextViewTest : public testing::Test {
 protected:
  void SetUp() override {
    view_.resize(500, 300);
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  }

  // A page of `lines` paragraphs "linie N".
  static std::string LongPage(int lines, const std::string& extra = "") {
    std::string html = "<html><body>";
    for (int i = 0; i < lines; ++i) {
      html += "<p>linie " + std::to_string(i) + (i == lines / 2 ? extra : "") + "</p>";
    }
    return html + "</body></html>";
  }

  HypertextView view_;
};

TEST_F(HypertextViewTest, MemoryPagesAreWindows1250) {
  view_.LoadFromMemory("<p>Hot\xE3r\xE2re privind \xBAi \xFE</p>");
  EXPECT_EQ(view_.toPlainText(), QString::fromUtf8("Hotărâre privind şi ţ"));
  EXPECT_EQ(ToCp1250(view_.toPlainText()), "Hot\xE3r\xE2re privind \xBAi \xFE");
}

TEST_F(HypertextViewTest, ALinkElementHidesNothing) {
  // The language cell of the act pages, and a style sheet in a body.
  view_.LoadFromMemory(
      "<table><tr><td bgcolor=\"cyan\"> <bgcolor=\"cyan\"> \r\n <link=\"white\">\r\n"
      " <font color=\"#FFFFFF\" size=\"3\"> <a href=\"chlang\"> R </a> </font> \r\n"
      " </link>\r\n </bgcolor>\r\n</td><td>Guvernul</td></tr></table>"
      "<p>x <LINK rel=stylesheet href=a.css> y</p>");
  const QString text = view_.toPlainText().simplified();
  EXPECT_EQ(text, "R Guvernul x y");
}

TEST_F(HypertextViewTest, TableHeadsAndBareHexColoursReadAsInABrowser) {
  // The modification pages: column heads straight in the table, before its
  // first row, and style-sheet colours without their "#".
  view_.LoadFromMemory(
      "<STYLE TYPE=\"text/css\">\r\n  th        {background-color: ffffce;}\r\n"
      "  td        {background-color: #cccccc; padding-left: 5;}\r\n</STYLE>\r\n"
      "<table width=100% border=0>\r\n<th width=50%> Partea </th>\r\n"
      "<th width=50%> Modificarea </th>\r\n<tr>\r\n<td>Articolul 1</td>\r\n"
      "<td>modificat</td>\r\n</tr>\r\n</table>");
  const QTextCursor head = view_.document()->find("Partea");
  ASSERT_FALSE(head.isNull());
  const QTextTable* table = head.currentTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rows(), 2);
  EXPECT_EQ(table->columns(), 2);
  EXPECT_EQ(table->format().width(), QTextLength(QTextLength::PercentageLength, 100));
  EXPECT_EQ(table->cellAt(head).format().background().color(), QColor("#ffffce"));
  const QTextCursor cell = view_.document()->find("modificat");
  EXPECT_EQ(cell.currentTable(), table);
  EXPECT_EQ(table->cellAt(cell).format().background().color(), QColor("#cccccc"));
}

TEST_F(HypertextViewTest, ALessThanSignThatStartsNoTagIsText) {
  view_.LoadFromMemory(
      "<p>x < 5, p <- q si <b>y</b><a href=\"#tp+0\"> << </a><a name=\"tp+1\">Legea</a>"
      "<a href=\"#tp+2\"> >> </a><</p>");
  EXPECT_EQ(view_.toPlainText(), "x < 5, p <- q si y << Legea >> <");
  const QTextCursor hit = view_.document()->find("Legea");
  QTextCursor first(view_.document());
  first.setPosition(hit.selectionStart() + 1);
  ASSERT_EQ(view_.anchors().size(), 1u);
  EXPECT_EQ(view_.anchors()[0].name, "tp+1");
  EXPECT_EQ(view_.anchors()[0].position, hit.selectionStart());
  EXPECT_EQ(first.charFormat().anchorHref(), "");  // the back link ended before it
}

TEST_F(HypertextViewTest, TextAfterACentredHeadingStartsItsOwnParagraph) {
  // The act pages' headings: a centred block inside a font, then the part's
  // anchor and its first paragraph; or the title, centred again.
  view_.LoadFromMemory(
      "<p style='text-align:Justify'>\r\nintro<BR>\r\n"
      "<FONT color=\"blue\" ><t5> <BR><CENTER>Capitolul I</t5></CENTER></FONT>\r\n"
      "<FONT color=\"red\" ><t4> <CENTER> Dispozitii</t4></CENTER></FONT>\r\n"
      "<a name=7> </a>\r\n"
      "<FONT color=\"blue\" ><t5> <BR><CENTER>Articolul 2</t5></CENTER></FONT>\r\n"
      "<a name=8> </a>\r\n <b>(1) </b>Scopul<BR>\r\n a) litera;<BR>\r\n</p>");
  std::vector<std::pair<QString, bool>> blocks;  // text, centred; blank ones left out
  for (QTextBlock b = view_.document()->begin(); b.isValid(); b = b.next()) {
    if (!b.text().trimmed().isEmpty()) {
      blocks.emplace_back(b.text().trimmed(), b.blockFormat().alignment() & Qt::AlignHCenter);
    }
  }
  QStringList anchors;
  for (const HypertextView::Anchor& anchor : view_.anchors()) anchors += anchor.name;
  const std::vector<std::pair<QString, bool>> expected = {
      {"intro", false},
      {"Capitolul I", true},
      {"Dispozitii", true},
      {"Articolul 2", true},
      {"(1) Scopul" + QString(QChar::LineSeparator) + "a) litera;", false},
  };
  EXPECT_EQ(blocks, expected);
  EXPECT_EQ(anchors, QStringList({"7", "8"}));  // the parts' anchors survive
  EXPECT_FALSE(view_.toPlainText().contains(QChar(0x200B)));
}

TEST_F(HypertextViewTest, AnchorsStandWhereQtsOwnImportPutsTheirNames) {
  // The view keeps the names out of Qt's formats; the text and the places
  // of the names must be those Qt's own import gives, blanks folded alike.
  const std::vector<std::string> pages = {
      "<p>x <a name=1> </a>\r\ny</p>",
      "<p><a name=\"tp+1\">Legea</a> si <A NAME='b'>lit</A></p>",
      "<p>a<br>\r\n<a name=2> </a>\r\n <b>(1) </b>b</p>",
      "<p>a <a name=3></a> <a name=4> </a><a name=5> </a> b</p>",
      "<p>a<a name=6></a><a name=7> </a>b <a href=\"#6\" name=8>sus</a></p>",
      "<table><tr><td><a name=9> </a>c</td></tr></table><p><a name=10>d</a></p>",
  };
  for (const std::string& page : pages) {
    SCOPED_TRACE(page);
    QTextDocument qt;
    qt.setHtml(FromCp1250(page));
    std::vector<std::pair<QString, int>> expected;
    for (QTextBlock b = qt.begin(); b.isValid(); b = b.next()) {
      for (auto f = b.begin(); !f.atEnd(); ++f) {
        for (const QString& name : f.fragment().charFormat().anchorNames()) {
          expected.emplace_back(name, f.fragment().position());
        }
      }
    }
    view_.LoadFromMemory(page);
    std::vector<std::pair<QString, int>> anchors;
    for (const HypertextView::Anchor& anchor : view_.anchors()) {
      anchors.emplace_back(anchor.name, anchor.position);
    }
    EXPECT_EQ(view_.toPlainText(), qt.toPlainText());
    EXPECT_EQ(anchors, expected);
  }
}

TEST_F(HypertextViewTest, AnAnchorBetweenTwoHeadingsNamesTheSecond) {
  // An annex's anchor between its heading and its title, with nothing else
  // between them: the paragraph the anchor stood in goes, and the anchor
  // stays with the title.
  view_.LoadFromMemory(
      "<p style='text-align:Justify'>\r\nx<BR>\r\n<a name=1> </a>\r\n"
      "<FONT color=\"blue\" ><t5> <BR><CENTER>Anexa 2</t5></CENTER></FONT>\r\n"
      "<a name=2> </a>\r\n"
      "<FONT color=\"red\" ><t4> <CENTER> Anexa 2A</t4></CENTER></FONT>\r\n"
      " Categorie<BR>\r\n</p>");
  QStringList blocks;
  for (QTextBlock b = view_.document()->begin(); b.isValid(); b = b.next()) {
    blocks += b.text().trimmed();
  }
  EXPECT_EQ(blocks, QStringList({"x", "Anexa 2", "Anexa 2A", "Categorie"}));
  ASSERT_EQ(view_.anchors().size(), 2u);
  EXPECT_EQ(view_.anchors()[1].name, "2");
  EXPECT_EQ(view_.anchors()[1].position, view_.document()->find("Anexa 2A").block().position());
}

TEST_F(HypertextViewTest, HoverAndClickReportTheRawTarget) {
  view_.LoadFromMemory(
      "<p>vezi <a href=\"# OUG GUV  34 2006\"> OUG 34</a> si <a href=\"#jos\">jos</a></p>" +
      LongPage(80) + "<p><a name=jos> </a>sfarsit</p>");
  std::vector<QString> hovered;
  QObject::connect(&view_, &HypertextView::linkHovered,
                   [&](const QString& target) { hovered.push_back(target); });
  std::vector<QString> clicked;
  bool handle = true;
  QObject::connect(&view_, &HypertextView::linkClicked, [&](const QString& target, bool* handled) {
    clicked.push_back(target);
    *handled = handle;
  });

  QTest::mouseMove(view_.viewport(), PointOf(view_, "OUG 34"));
  QTest::mouseMove(view_.viewport(), PointOf(view_, "vezi"));
  ASSERT_EQ(hovered.size(), 2u);
  EXPECT_EQ(hovered[0], "# OUG GUV  34 2006");  // both blanks kept
  EXPECT_EQ(hovered[1], "");

  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, PointOf(view_, "OUG 34"));
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0], "# OUG GUV  34 2006");

  // A handled in-page link is left alone; an unhandled one is followed.
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, PointOf(view_, "jos"));
  EXPECT_EQ(clicked.back(), "#jos");
  EXPECT_EQ(view_.ScrollPosition(), 0);
  handle = false;
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, PointOf(view_, "jos"));
  EXPECT_GT(view_.ScrollPosition(), 0);
}

TEST_F(HypertextViewTest, AnchorsAndScrollRange) {
  view_.LoadFromMemory(LongPage(200) + "<a name=4711> </a><p>partea</p>" + LongPage(200));
  EXPECT_GT(view_.ScrollRange(), 0);
  view_.ScrollToAnchor("#4711");
  const int at_anchor = view_.ScrollPosition();
  EXPECT_GT(at_anchor, 0);
  EXPECT_LT(at_anchor, view_.ScrollRange());
  EXPECT_NEAR(PointOf(view_, "partea").y(), 0, 40);
  view_.ScrollToPosition(0);
  view_.ScrollToAnchor("4711");  // the "#" is optional
  EXPECT_EQ(view_.ScrollPosition(), at_anchor);

  view_.LoadFromMemory("<p>scurt</p>");
  EXPECT_EQ(view_.ScrollRange(), 0);
}

TEST_F(HypertextViewTest, AnchorBeforeShowingWaitsForIt) {
  HypertextView hidden;
  hidden.resize(500, 300);
  hidden.LoadFromMemory(LongPage(300) + "<a name=9> </a><p>aici</p>" + LongPage(100));
  hidden.ScrollToAnchor("#9");
  hidden.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&hidden));
  EXPECT_GT(hidden.ScrollPosition(), 0);
  EXPECT_NEAR(PointOf(hidden, "aici").y(), 0, 40);
}

TEST_F(HypertextViewTest, AnAnchorStaysAtTheTopWhenTheWidthChangesUntilScrolledAway) {
  // Paragraphs that wrap, so that a new width moves what follows them.
  std::string wrapping = "<html><body>";
  for (int i = 0; i < 150; ++i) {
    wrapping += "<p>";
    for (int w = 0; w < 30; ++w) wrapping += "cuvant" + std::to_string(w) + " ";
    wrapping += "</p>";
  }
  const std::string page = wrapping + "<a name=9> </a><p>aici</p>" + wrapping + "</body></html>";

  // Named while hidden, shown narrow, then widened: an act window opening
  // maximized.
  HypertextView view;
  view.resize(300, 300);
  view.LoadFromMemory(page);
  view.ScrollToAnchor("#9");
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_NEAR(PointOf(view, "aici").y(), 0, 40);
  const int narrow = view.ScrollPosition();
  view.resize(900, 300);
  EXPECT_LT(view.ScrollPosition(), narrow);
  EXPECT_NEAR(PointOf(view, "aici").y(), 0, 40);

  // Scrolled to while shown, then narrowed.
  view.ScrollToPosition(0);
  view.ScrollToAnchor("9");
  view.resize(400, 300);
  EXPECT_NEAR(PointOf(view, "aici").y(), 0, 40);

  // Once the reader scrolls, the page stays where the reader left it.
  view.verticalScrollBar()->setValue(view.ScrollPosition() - 200);
  const int read = view.ScrollPosition();
  view.resize(800, 300);
  EXPECT_EQ(view.ScrollPosition(), read);
  EXPECT_GT(std::abs(PointOf(view, "aici").y()), 40);

  // A new page forgets the anchor of the old one.
  view.ScrollToAnchor("9");
  view.LoadFromMemory(page);
  view.ScrollToPosition(0);
  view.resize(300, 300);
  EXPECT_EQ(view.ScrollPosition(), 0);
}

TEST_F(HypertextViewTest, FindMovesForwardFromTheCaret) {
  view_.LoadFromMemory("<p>Contractul si contractul</p>" + LongPage(150, " contract"));
  struct Case {
    const char* text;
    bool match_case;
    bool found;
    int start;  // -1: not checked
  };
  const Case cases[] = {
      {"contract", false, true, 0},   // "Contractul", any case
      {"contract", false, true, 14},  // the next one, after the caret
      {"Contract", true, false, -1},  // nothing further in this case
      {"contract", true, true, -1},   // the one far down the page
      {"contract", true, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(view_.FindForward(c.text, c.match_case), c.found);
    if (c.start >= 0) {
      EXPECT_EQ(view_.textCursor().selectionStart(), c.start);
      EXPECT_EQ(view_.SelectionLength(), 8);
    }
  }
  // The match far down was brought to the middle of the view.
  view_.ScrollToPosition(0);
  view_.moveCursor(QTextCursor::Start);
  view_.FindForward("75 contract", true);
  const int y = view_.cursorRect().center().y();
  EXPECT_NEAR(y, view_.viewport()->height() / 2, 30);
}

TEST_F(HypertextViewTest, CopiesTheSelection) {
  view_.LoadFromMemory("<p>Articolul 1 se modific\xE3</p>");
  ASSERT_TRUE(view_.FindForward(QString::fromUtf8("modifică"), false));
  QApplication::clipboard()->clear();
  view_.CopySelection();
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("modifică"));
}

TEST_F(HypertextViewTest, PicturesComeFromTheHostOncePerSource) {
  QImage red(7, 5, QImage::Format_RGB32);
  red.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  red.save(&buffer, "PNG");

  std::map<QString, int> asked;
  view_.SetPictureSource([&](const QString& source) -> std::optional<std::string> {
    ++asked[source];
    if (source == " img HARTA1 x") return png.toStdString();
    if (source == " img STRICAT x") return std::string("not a picture");
    return std::nullopt;
  });
  view_.LoadFromMemory(
      "<p><img src=\" img HARTA1 x\"> harta <img src=\" img LIPSA x\"> "
      "<img src=\" img STRICAT x\"></p>");
  view_.viewport()->repaint();
  view_.viewport()->repaint();
  EXPECT_EQ(asked[" img HARTA1 x"], 1);
  EXPECT_EQ(asked[" img LIPSA x"], 1);
  EXPECT_EQ(asked[" img STRICAT x"], 1);
  const QImage shown = view_.document()
                           ->resource(QTextDocument::ImageResource, QUrl(" img HARTA1 x"))
                           .value<QImage>();
  EXPECT_EQ(shown.size(), QSize(7, 5));
  // The missing and undecodable ones show a placeholder, not nothing.
  EXPECT_FALSE(view_.document()
                   ->resource(QTextDocument::ImageResource, QUrl(" img LIPSA x"))
                   .value<QImage>()
                   .isNull());
}

TEST_F(HypertextViewTest, HintShowsOnlyWhileSwitchedOn) {
  view_.SetHint("Lege nr. 1/2001");
  EXPECT_FALSE(view_.hint_shown());
  view_.SetHintShown(true);
  EXPECT_EQ(view_.hint(), "Lege nr. 1/2001");
  EXPECT_TRUE(view_.hint_shown());
  view_.SetHintShown(false);
  EXPECT_FALSE(view_.hint_shown());
}

class HypertextFileTest : public HypertextViewTest {
 protected:
  void SetUp() override {
    HypertextViewTest::SetUp();
    dir_ = std::filesystem::path(testing::TempDir()) / "pages";
    std::filesystem::create_directories(dir_);
    for (int i = 0; i < 12; ++i) {
      std::ofstream(dir_ / ("p" + std::to_string(i) + ".htm"))
          << "<p>pagina " << i << " <a href=\"p" << i + 1 << ".htm\">urmatoarea</a></p>";
    }
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  QString Page(int i) const {
    return QString::fromStdString((dir_ / ("p" + std::to_string(i) + ".htm")).string());
  }
  QString Shown() const { return view_.toPlainText().section(' ', 0, 1); }

  std::filesystem::path dir_;
};

TEST_F(HypertextFileTest, HistoryKeepsTheLastTenPages) {
  view_.SetHistoryLimit(10);
  view_.LoadFromFile(Page(0));
  // Relative links are followed by the view itself and enter the history.
  for (int i = 1; i < 12; ++i) {
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, PointOf(view_, "urmatoarea"));
  }
  EXPECT_EQ(Shown(), "pagina 11");
  int back = 0;
  while (view_.Back()) ++back;
  EXPECT_EQ(back, 9);
  EXPECT_EQ(Shown(), "pagina 2");
  EXPECT_TRUE(view_.Forward());
  EXPECT_EQ(Shown(), "pagina 3");
  // A new page drops the pages ahead.
  view_.LoadFromFile(Page(7));
  EXPECT_FALSE(view_.Forward());
  EXPECT_TRUE(view_.Back());
  EXPECT_EQ(Shown(), "pagina 3");
}

TEST_F(HypertextFileTest, WithoutALimitNothingIsKept) {
  view_.LoadFromFile(Page(0));
  view_.LoadFromFile(Page(1));
  EXPECT_FALSE(view_.Back());
  EXPECT_EQ(Shown(), "pagina 1");
  EXPECT_THROW(view_.LoadFromFile(Page(99)), std::runtime_error);
}

TEST_F(HypertextFileTest, FilePagesMayBeUtf8OrWindows1250) {
  std::ofstream(dir_ / "w.htm") << "<p>\xCEnceput</p>";
  std::ofstream(dir_ / "u.htm") << "<p>\xC3\x8E"
                                   "nceput</p>";
  for (const char* name : {"w.htm", "u.htm"}) {
    view_.LoadFromFile(QString::fromStdString((dir_ / name).string()));
    EXPECT_EQ(view_.toPlainText(), QString::fromUtf8("Început")) << name;
  }
}

TEST_F(HypertextViewTest, PrintsAPageRangeWithHeaderAndFooter) {
  view_.LoadFromMemory(LongPage(400));
  const std::string pdf = testing::TempDir() + "range.pdf";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  printer.setPageSize(QPageSize(QPageSize::A4));

  std::vector<int> headers, footers;
  QRect header_area, footer_area;
  int pages_told = 0;
  view_.SetPrintHeader([&](QPainter& painter, const QRect& area, int page, int pages) {
    headers.push_back(page);
    pages_told = pages;
    header_area = area;
    painter.drawText(area.left() + ScreenPixels(painter, 60), area.top() + 100, "Corvana");
  });
  view_.SetPrintFooter([&](QPainter&, const QRect& area, int page, int) {
    footers.push_back(page);
    footer_area = area;
  });

  const int pages = view_.PrinterPageCount(printer);
  ASSERT_GE(pages, 5);
  view_.PrintPages(printer, 2, 4);
  EXPECT_EQ(headers, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(footers, headers);
  EXPECT_EQ(pages_told, pages);
  // The bands lie inside the paper, the header above the footer.
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  EXPECT_GT(header_area.height(), 0);
  EXPECT_LT(header_area.bottom(), footer_area.top());
  EXPECT_LE(footer_area.bottom(), paper.height());

  QFile file(QString::fromStdString(pdf));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 3);

  // A range past the end is clamped; the count follows the paper.
  headers.clear();
  view_.PrintPages(printer, pages, pages + 5);
  EXPECT_EQ(headers, std::vector<int>{pages});
  printer.setPageSize(QPageSize(QPageSize::A5));
  EXPECT_GT(view_.PrinterPageCount(printer), pages);
}

}  // namespace
}  // namespace hypertext
