#include "viewer/finding/find_text_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace finding {
namespace {

class FindTextWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    act_.resize(500, 300);
    act_.LoadFromMemory("<p>Un contract de lucrari.</p><p>Alt CONTRACT, de servicii.</p>");
    act_.show();
    window_.show();
  }

  // Runs a search; returns the text of the message it showed, if any.
  QString SearchFor(const QString& text) {
    window_.search_box()->setEditText(text);
    QString message;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        message = box->windowTitle() + ": " + box->text();
        box->accept();
      }
    });
    window_.Search();
    QApplication::processEvents();
    return message;
  }

  QStringList Items() const {
    QStringList items;
    for (int i = 0; i < window_.search_box()->count(); ++i) {
      items << window_.search_box()->itemText(i);
    }
    return items;
  }

  hypertext::HypertextView act_;
  hypertext::HypertextView* active_ = &act_;
  TFCText window_{[this] { return active_; }, nullptr};
};

TEST_F(FindTextWindowTest, FindsOccurrenceAfterOccurrenceThenSaysNotFound) {
  const QScreen* screen = window_.screen();
  EXPECT_EQ(window_.frameGeometry().right() + 1, screen->geometry().width() - 40);
  EXPECT_EQ(window_.frameGeometry().bottom() + 1, screen->geometry().height() - 40);

  // The case option is off: the capitals are found too.
  EXPECT_EQ(SearchFor("contract"), "");
  EXPECT_EQ(act_.textCursor().selectedText(), "contract");
  EXPECT_EQ(SearchFor("contract"), "");
  EXPECT_EQ(act_.textCursor().selectedText(), "CONTRACT");
  EXPECT_EQ(SearchFor("contract"), "Cautare in text: Textul cautat nu a fost gasit.");
  EXPECT_FALSE(window_.isVisible());
  EXPECT_EQ(window_.search_box()->currentText(), "contract");

  // Another act opens: the window comes back with its text and searches it.
  hypertext::HypertextView other;
  other.LoadFromMemory("<p>Contractul de achizitie.</p>");
  active_ = &other;
  window_.ReappearForNewAct();
  EXPECT_TRUE(window_.isVisible());
  window_.match_case()->setChecked(true);
  EXPECT_EQ(SearchFor("Contract"), "");
  EXPECT_EQ(other.textCursor().selectedText(), "Contract");
}

TEST_F(FindTextWindowTest, ListsNewStringsOnlyAndForgetsThemWhenClosed) {
  SearchFor("contract");
  SearchFor("tract");  // part of an earlier string: not listed
  SearchFor("co");     // too short: neither listed nor searched
  EXPECT_EQ(Items(), QStringList({"contract"}));
  EXPECT_EQ(act_.textCursor().selectedText(), "TRACT");  // searched, in the second

  active_ = nullptr;  // no act window: listed, nothing searched, no message
  EXPECT_EQ(SearchFor("lucrari"), "");
  EXPECT_EQ(Items(), QStringList({"contract", "lucrari"}));

  window_.close();
  EXPECT_TRUE(Items().isEmpty());
  EXPECT_EQ(window_.search_box()->currentText(), "lucrari");
}

TEST_F(FindTextWindowTest, EnterInTheSearchBoxSearches) {
  window_.search_box()->setEditText("servicii");
  QTest::keyClick(window_.search_box(), Qt::Key_Return);
  EXPECT_EQ(act_.textCursor().selectedText(), "servicii");
}

}  // namespace
}  // namespace finding
