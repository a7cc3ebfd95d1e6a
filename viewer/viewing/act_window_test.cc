#include "viewer/viewing/act_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "actsdb/compress.h"
#include "actsdb/database_test_fixture.h"
#include "viewer/viewing/act_source.h"

namespace viewing {
namespace {

namespace fs = std::filesystem;

// An act window over a small database that holds the pictures table.
class ActWindowTest : public actsdb::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    images_ = std::make_unique<actsdb::Table>(*db_, "tblImagini");
    images_->Open();
    QImage green(9, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    QByteArray gif;
    QBuffer buffer(&gif);
    buffer.open(QIODevice::WriteOnly);
    green.save(&buffer, "PNG");
    images_->Append();
    images_->SetString("IndCod", "HARTA1");
    images_->SetBlob("Imagine", gif.toStdString());
    images_->Post();
  }

  // The setup of an act whose stored hypertext is `hypertext`.
  ActWindowSetup Setup(const std::string& hypertext) {
    ActWindowSetup setup;
    setup.act_id = 77;
    setup.row.disp_titlu = "Lege nr. 10/2000";
    setup.row.tip_act = "Lege";
    setup.row.limba = "R";
    setup.row.comp_text = actsdb::Deflate(hypertext);
    setup.row.text_size = int64_t(hypertext.size());
    setup.install_dir = QString::fromStdString(dir_);
    setup.font = QFont("Times New Roman", 12);
    setup.font_color = Qt::black;
    setup.pictures = [this](const std::string& key) {
      asked_.push_back(key);
      return FindPicture(*images_, key);
    };
    return setup;
  }

  std::unique_ptr<ActWindow> Open(const ActWindowSetup& setup) {
    auto window = std::make_unique<ActWindow>(setup);
    window->resize(800, 500);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }

  // A text of `lines` paragraphs with part anchors 1, 2, ...
  static std::string Paragraphs(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) {
      text += "<a name=" + std::to_string(i) + "> </a>\r\nArticolul " + std::to_string(i) +
              " se aplica.<BR>\r\n";
    }
    return text;
  }

  std::unique_ptr<actsdb::Table> images_;
  std::vector<std::string> asked_;
};

TEST_F(ActWindowTest, DamagedTextRefusesTheWindowWithTheReason) {
  ActWindowSetup setup = Setup("text<BR>\r\n");
  setup.row.comp_text = "not compressed";
  try {
    ActWindow window(setup);
    ADD_FAILURE() << "the window opened";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos) << e.what();
  }
  setup = Setup("text<BR>\r\n");
  setup.row.text_size += 1;
  EXPECT_THROW(ActWindow window(setup), std::runtime_error);
}

TEST_F(ActWindowTest, PicturesComeFromThePicturesTable) {
  auto window =
      Open(Setup("<img src=\" img harta1 x\"> harta<BR>\r\n"
                 "<img src=\" img LIPSA y\"> lipsa<BR>\r\n"));
  EXPECT_EQ(asked_, (std::vector<std::string>{"HARTA1", "LIPSA"}));
  QTextDocument* page = window->viewer()->document();
  EXPECT_EQ(
      page->resource(QTextDocument::ImageResource, QUrl(" img harta1 x")).value<QImage>().size(),
      QSize(9, 4));
  EXPECT_NE(
      page->resource(QTextDocument::ImageResource, QUrl(" img LIPSA y")).value<QImage>().size(),
      QSize(9, 4));
  EXPECT_EQ(FindPicture(*images_, "LIPSA"), std::nullopt);
}

TEST_F(ActWindowTest, TheFirstLinkOfALineIsHoveredInItsRewrittenForm) {
  auto window =
      Open(Setup("Vezi <a href=\"# L P 10 2000\"> L 10</a> si <a href=\"# HG GUV  5 2001\"> HG "
                 "5</a><BR>\r\n"));
  hypertext::HypertextView* view = window->viewer();
  std::vector<QString> hovered;
  QObject::connect(view, &hypertext::HypertextView::linkHovered,
                   [&](const QString& target) { hovered.push_back(target); });
  for (const char* text : {"L 10", "HG 5"}) {
    QTextCursor at = view->document()->find(text);
    at.setPosition(at.selectionStart() + 1);
    QTest::mouseMove(view->viewport(), view->cursorRect(at).center());
  }
  ASSERT_GE(hovered.size(), 2u);
  EXPECT_EQ(hovered[hovered.size() - 2],
            "file://" + QString::fromStdString(dir_) + "/lgL P 10 2000.htm");
  EXPECT_EQ(hovered.back(), "# HG GUV  5 2001");
  EXPECT_EQ(window->act_language(), 'R');
}

TEST_F(ActWindowTest, CopyLimits) {
  auto window = Open(Setup("<p>" + std::string(5000, 'x') + "</p>\r\n"));
  hypertext::HypertextView* view = window->viewer();
  const QTextCursor start = view->document()->find("x");
  struct Case {
    int selected;
    int limit;
    bool copied;
  };
  const Case cases[] = {
      {3999, kParagraphCopyLimit, true},
      {4000, kParagraphCopyLimit, false},
      {399, kMenuCopyLimit, true},
      {400, kMenuCopyLimit, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selected);
    QTextCursor selection = start;
    selection.setPosition(start.selectionStart());
    selection.setPosition(start.selectionStart() + c.selected, QTextCursor::KeepAnchor);
    view->setTextCursor(selection);
    QApplication::clipboard()->setText("before");
    EXPECT_EQ(window->CopySelection(c.limit), c.copied);
    EXPECT_EQ(QApplication::clipboard()->text(),
              c.copied ? QString(c.selected, 'x') : QString("before"));
  }
  // Selected backwards, the length counts the same.
  QTextCursor backwards = start;
  backwards.setPosition(start.selectionStart() + 399);
  backwards.setPosition(start.selectionStart(), QTextCursor::KeepAnchor);
  view->setTextCursor(backwards);
  EXPECT_TRUE(window->CopySelection(kMenuCopyLimit));
}

TEST_F(ActWindowTest, OpensAtItsAnchorAndReportsTheReadingPosition) {
  ActWindowSetup setup = Setup(Paragraphs(300));
  setup.anchor = "#150";
  auto window = Open(setup);
  hypertext::HypertextView* view = window->viewer();
  EXPECT_EQ(window->act_anchor(), "#150");
  const int position = view->ScrollPosition();
  EXPECT_GT(position, 0);

  QSignalSpy reported(window.get(), &ActWindow::readingPosition);
  window->activateWindow();
  ASSERT_TRUE(reported.wait(1000));
  EXPECT_EQ(reported.last().at(0).toString(),
            QString::number(int64_t(position) * 100 / view->ScrollRange()) + "%");

  window->ShowAnchor(QString());
  EXPECT_EQ(view->ScrollPosition(), 0);
  ASSERT_TRUE(reported.wait(1000));
  EXPECT_EQ(reported.last().at(0).toString(), "0%");
}

TEST_F(ActWindowTest, ReadingPositionOnlyFromTheActiveWindowOfTheFrame) {
  QMdiArea area;
  area.resize(900, 600);
  area.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
  QMdiSubWindow* first = area.addSubWindow(new ActWindow(Setup(Paragraphs(300))));
  QMdiSubWindow* second = area.addSubWindow(new ActWindow(Setup("scurt<BR>\r\n")));
  first->showMaximized();
  second->showMaximized();
  QSignalSpy from_first(first->widget(), SIGNAL(readingPosition(QString)));
  QSignalSpy from_second(second->widget(), SIGNAL(readingPosition(QString)));
  area.setActiveSubWindow(second);
  QTest::qWait(500);
  EXPECT_EQ(from_first.count(), 0);
  EXPECT_EQ(from_second.count(), 0);  // its page fits: nothing to report
  area.setActiveSubWindow(first);
  EXPECT_TRUE(from_first.wait(1000));
}

TEST_F(ActWindowTest, ClosingRemovesTheFilesLeftForItsAct) {
  for (const char* name : {"test277.htm", "test377.htm", "test278.htm", "test77.htm"}) {
    std::ofstream(fs::path(dir_) / name) << "x";
  }
  auto window = Open(Setup("text<BR>\r\n"));
  window->close();
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "test277.htm"));
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "test377.htm"));
  EXPECT_TRUE(fs::exists(fs::path(dir_) / "test278.htm"));
  EXPECT_TRUE(fs::exists(fs::path(dir_) / "test77.htm"));
}

TEST_F(ActWindowTest, StructureDockComesBackAfterBeingDraggedOut) {
  auto window = Open(Setup("text<BR>\r\n"));
  QDockWidget* dock = window->structure_dock();
  EXPECT_EQ(window->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
  EXPECT_TRUE(dock->isVisible());
  EXPECT_GE(window->viewer()->x(), 150);
  // Dragged out, the dock leaves the page the whole width.
  dock->setFloating(true);
  QApplication::processEvents();
  EXPECT_EQ(window->viewer()->x(), 0);
  dock->close();
  EXPECT_FALSE(dock->isVisible());
  window->DockStructure();
  QApplication::processEvents();
  EXPECT_FALSE(dock->isFloating());
  EXPECT_TRUE(dock->isVisible());
  EXPECT_GE(window->viewer()->x(), 150);
}

TEST_F(ActWindowTest, PrintsTheChosenPagesWithTheActsHeaderAndFooter) {
  auto window = Open(Setup(Paragraphs(400)));
  const std::string pdf = dir_ + "/act.pdf";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  const int pages = window->viewer()->PrinterPageCount(printer);
  ASSERT_GE(pages, 4);
  window->viewer()->PrintPages(printer, 2, 3);
  QFile file(QString::fromStdString(pdf));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().count("/Type /Page\n"), 2);
}

}  // namespace
}  // namespace viewing
