#include "viewer/finding/modifications_view.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QTest>
#include <QTextBlock>

#include "viewer/finding/modification_fixture.h"
#include "viewer/finding/modification_pages.h"

namespace finding {
namespace {

// The anchor names of the page `view` shows, in order.
QStringList AnchorNames(const hypertext::HypertextView& view) {
  QStringList names;
  for (const hypertext::HypertextView::Anchor& anchor : view.anchors()) names += anchor.name;
  return names;
}

QPoint PointOf(hypertext::HypertextView& view, const QString& text) {
  const QTextCursor found = view.document()->find(text);
  EXPECT_FALSE(found.isNull()) << text.toStdString();
  QTextCursor middle = found;
  middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
  return view.cursorRect(middle).center();
}

class ModificationsViewTest : public ModificationDatabaseTest {
 protected:
  void SetUp() override {
    ModificationDatabaseTest::SetUp();
    reader_ = std::make_unique<ModificationReader>(*db_);
    ModificationsHost host;
    host.selected_act = [this] { return selected_; };
    host.shown_act = [this] { return shown_; };
    host.scroll_shown_act = [this](const std::string& anchor) {
      calls_.push_back("scroll " + anchor);
    };
    host.open_act = [this](int64_t act, const std::string& anchor) {
      calls_.push_back("open " + std::to_string(act) + " " + anchor);
    };
    view_ = std::make_unique<ModificationsView>(*reader_, host);
    view_->resize(800, 400);
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
  }

  std::optional<int64_t> selected_ = 1;
  std::optional<int64_t> shown_;
  std::vector<std::string> calls_;
  std::unique_ptr<ModificationReader> reader_;
  std::unique_ptr<ModificationsView> view_;
};

TEST_F(ModificationsViewTest, ShowsEitherPageOfTheSelectedActWithItsAnchors) {
  view_->ShowPage(ModificationsView::kSufferedView);
  EXPECT_EQ(view_->act().act_id, 1);
  EXPECT_EQ(PageText(view_->suffered_page()), PageText(BuildModPe(reader_->Read(1))));
  EXPECT_EQ(PageText(view_->brought_page()), PageText(BuildModDe(reader_->Read(1))));
  EXPECT_TRUE(view_->toPlainText().contains("Modificari aduse de catre alte acte"));
  // The structure window scrolls this page to a part by these names.
  EXPECT_EQ(AnchorNames(*view_), QStringList({"3", "5"}));

  view_->ShowPage(ModificationsView::kBroughtView);
  EXPECT_TRUE(view_->toPlainText().contains("Modificari aduse altor acte"));
  EXPECT_EQ(AnchorNames(*view_), QStringList({"1", "7", "7", "7"}));

  // Printed with its header and footer.
  const QString pdf = QString::fromStdString(dir_ + "/modifications.pdf");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  ASSERT_EQ(view_->PrinterPageCount(printer), 1);
  view_->PrintPages(printer, 1, 1);
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().count("/Type /Page\n"), 1);

  selected_.reset();  // an empty acts result: the pages without rows
  view_->ShowPage(ModificationsView::kSufferedView);
  EXPECT_EQ(view_->suffered_page().size(), kModPageTemplateLines);
}

TEST_F(ModificationsViewTest, PointingAtALinkNamesWhereItLeads) {
  view_->ShowPage(ModificationsView::kBroughtView);
  QTest::mouseMove(view_->viewport(), PointOf(*view_, "Articolul 3"));
  EXPECT_TRUE(view_->hint_shown());
  EXPECT_EQ(view_->hint(), "Articolul 3 Lege nr. 12/2001");
  QTest::mouseMove(view_->viewport(), PointOf(*view_, "completat"));
  EXPECT_FALSE(view_->hint_shown());
  EXPECT_EQ(view_->hint(), "");

  QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, PointOf(*view_, "Articolul 3"));
  EXPECT_EQ(calls_, std::vector<std::string>{"open 1 #7"});
}

TEST_F(ModificationsViewTest, AClickScrollsTheActWindowThatShowsTheActAlready) {
  view_->ShowPage(ModificationsView::kSufferedView);
  struct Case {
    const char* target;
    std::optional<int64_t> shown;
    const char* call;  // "" for none
  };
  const Case cases[] = {
      {"this  part 3", 1, "scroll #3"},
      {"this  part 3", 2, "open 1 #3"},
      {"this  part 3", std::nullopt, "open 1 #3"},
      {"leg 9", 2, ""},  // the act is shown: nothing more to do
      {"leg 9", 1, "open 2 "},
      {"part 10", 2, "scroll #10"},
      {"part 10", std::nullopt, "open 2 #10"},
      {"part 999", std::nullopt, ""},  // a part that is gone
  };
  for (const Case& c : cases) {
    calls_.clear();
    shown_ = c.shown;
    view_->FollowLink(c.target);
    EXPECT_EQ(calls_, std::string(c.call).empty() ? std::vector<std::string>{}
                                                  : std::vector<std::string>{c.call})
        << c.target;
  }
}

}  // namespace
}  // namespace finding
