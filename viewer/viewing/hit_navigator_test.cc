#include "viewer/viewing/hit_navigator.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <memory>
#include <string>
#include <vector>

#include "actsdb/compress.h"
#include "viewer/viewing/act_window.h"

namespace viewing {
namespace {

// An act of 300 paragraphs with part anchors, "contractul" standing in
// paragraphs 50, 150 and 250.
ActWindowSetup ActSetup(std::vector<std::string> stems, QString anchor = {}) {
  std::string text;
  for (int i = 1; i <= 300; ++i) {
    text += "<a name=" + std::to_string(i) + "> </a>\r\nArticolul " + std::to_string(i) +
            (i % 100 == 50 ? " privind contractul" : "") + " se aplica.<BR>\r\n";
  }
  ActWindowSetup setup;
  setup.act_id = 1;
  setup.row.disp_titlu = "Lege nr. 10/2000";
  setup.row.tip_act = "Lege";
  setup.row.comp_text = actsdb::Deflate(text);
  setup.row.text_size = int64_t(text.size());
  setup.install_dir = "/opt/corvana";
  setup.font = QFont("Times New Roman", 12);
  setup.font_color = Qt::black;
  setup.anchor = std::move(anchor);
  setup.search_stems = std::move(stems);
  return setup;
}

std::unique_ptr<ActWindow> Open(const ActWindowSetup& setup) {
  auto window = std::make_unique<ActWindow>(setup);
  window->resize(800, 500);
  window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  window->activateWindow();
  return window;
}

// The background painted over the word of the page that begins at `text`:
// the last of the view's extra selections that covers it, as Qt paints them
// in order.
QColor Background(ActWindow& window, const QString& text, int occurrence) {
  QTextCursor at;
  for (int i = 0; i <= occurrence; ++i) at = window.viewer()->document()->find(text, at);
  const int inside = at.selectionStart() + 1;
  QColor color;
  for (const QTextEdit::ExtraSelection& painted : window.viewer()->extraSelections()) {
    if (painted.cursor.selectionStart() <= inside && inside < painted.cursor.selectionEnd()) {
      color = painted.format.background().color();
    }
  }
  return color;
}

// Where the page's view stands.
int Position(ActWindow& window) { return window.viewer()->ScrollPosition(); }

TEST(HitNavigatorTest, OpensAtTheFirstHitAndStepsWithF3) {
  auto window = Open(ActSetup({"contract", "privind"}));
  HitNavigator* hits = window->hits();
  ASSERT_NE(hits, nullptr);
  EXPECT_EQ(hits->count(), 6);
  EXPECT_EQ(hits->current(), 1);
  EXPECT_EQ(hits->status(), "Potrivirea 1 din 6");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Position(*window) > 0; }, 2000));
  EXPECT_EQ(Background(*window, "privind", 0), QColor(255, 165, 0));
  EXPECT_EQ(Background(*window, "contractul", 0), QColor(255, 255, 102));

  QSignalSpy status(hits, &HitNavigator::statusChanged);
  int before = Position(*window);
  QTest::keyClick(window->viewer(), Qt::Key_F3);
  QTest::keyClick(window->viewer(), Qt::Key_F3);
  EXPECT_EQ(hits->current(), 3);
  EXPECT_GT(Position(*window), before);
  EXPECT_EQ(Background(*window, "privind", 1), QColor(255, 165, 0));
  EXPECT_EQ(Background(*window, "privind", 0), QColor(255, 255, 102));
  ASSERT_EQ(status.size(), 2);
  EXPECT_EQ(status.last().at(0).toString(), "Potrivirea 3 din 6");

  for (int i = 0; i < 3; ++i) QTest::keyClick(window->viewer(), Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(hits->current(), 6);  // back past the first
  before = Position(*window);
  QTest::keyClick(window->viewer(), Qt::Key_F3);
  EXPECT_EQ(hits->current(), 1);  // on past the last
  EXPECT_LT(Position(*window), before);
}

TEST(HitNavigatorTest, TheLinksAroundTheHitsStepAndWrap) {
  auto window = Open(ActSetup({"contract"}));
  HitNavigator* hits = window->hits();
  ASSERT_EQ(hits->count(), 3);
  hypertext::HypertextView* view = window->viewer();
  auto click = [&](const QString& link, int occurrence) {
    QTextCursor at;
    for (int i = 0; i <= occurrence; ++i) at = view->document()->find(link, at);
    view->ScrollToPosition(0);
    QTextCursor middle(view->document());
    middle.setPosition(at.selectionStart() + 1);
    view->setTextCursor(middle);
    view->ensureCursorVisible();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(middle).center());
  };
  click("<<", 0);  // the first hit's back link
  EXPECT_EQ(hits->current(), 3);
  EXPECT_EQ(hits->status(), "Potrivirea 3 din 3");
  click(">>", 2);  // the last hit's forward link
  EXPECT_EQ(hits->current(), 1);
  const int first = Position(*window);
  EXPECT_GT(first, 0);
  click(">>", 0);
  EXPECT_EQ(hits->current(), 2);
  EXPECT_GT(Position(*window), first);
}

TEST(HitNavigatorTest, PagesWithoutHitsOrMarks) {
  // Not found by words: no marks, no steps.
  auto plain = Open(ActSetup({}));
  EXPECT_EQ(plain->hits(), nullptr);
  EXPECT_FALSE(plain->viewer()->toPlainText().contains(">>"));

  // Found by words that are nowhere near each other on the page.
  auto apart = Open(ActSetup({"contract", "aplic", "lipseste"}));
  ASSERT_NE(apart->hits(), nullptr);
  EXPECT_EQ(apart->hits()->status(), "Potrivirea 0 din 0");
  EXPECT_FALSE(apart->hits()->next_action()->isEnabled());
  QTest::keyClick(apart->viewer(), Qt::Key_F3);
  EXPECT_EQ(apart->hits()->current(), 0);
  EXPECT_EQ(Position(*apart), 0);

  // Opened at a part, the marked page stays there until the first step.
  auto at_part = Open(ActSetup({"contract"}, "#200"));
  EXPECT_EQ(at_part->hits()->current(), 0);
  const int part = Position(*at_part);
  EXPECT_GT(part, 0);
  QTest::keyClick(at_part->viewer(), Qt::Key_F3);
  EXPECT_EQ(at_part->hits()->current(), 1);
  EXPECT_LT(Position(*at_part), part);
}

}  // namespace
}  // namespace viewing
