#include "viewer/shell/act_viewing.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMdiArea>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>

#include "actsdb/compress.h"
#include "actsdb/database_test_fixture.h"
#include "viewer/shell/corvanex.h"

namespace shell {
namespace {

// An installation whose acts list holds two acts: one of many paragraphs,
// and one whose compressed text is damaged.
class ActViewingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(::testing::TempDir()) + "/" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    QDir(dir_).removeRecursively();
    QDir().mkpath(dir_ + "/zazi1");
    auto db = actsdb::NewDatabaseWithSchema((dir_ + "/zazi1").toStdString());
    actsdb::Table types(*db, "tblTipAct");
    types.Open();
    types.Append();
    types.SetString("TipAct", "Hot\xE3r\xE2re");
    types.Post();
    actsdb::Table acts(*db, "tblActe");
    acts.Open();
    std::string text;
    for (int i = 1; i <= 200; ++i) {
      text += "<a name=" + std::to_string(i) + "> </a>\r\nArticolul " + std::to_string(i) + " " +
              std::string(500, 'x') + "<BR>\r\n";
    }
    for (const std::string& stored : {text, std::string()}) {
      acts.Append();
      acts.SetInteger("IdTipAct", types.AsInteger("IdTipAct"));
      acts.SetInteger("NrOficial", 179);
      acts.SetInteger("Anul", 2002);
      acts.SetInteger("Rep", 0);
      acts.SetBlob("CompText", stored.empty() ? "damaged" : actsdb::Deflate(stored));
      acts.SetInteger("TextSize", stored.empty() ? 10 : int64_t(stored.size()));
      acts.Post();
    }
    actsdb::ClientDataset::SaveActsList(*db, (dir_ + "/dump.dst").toStdString());
    corvanex_ = std::make_unique<Corvanex>(dir_);
    main().resize(1000, 700);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }
  void TearDown() override {
    corvanex_.reset();
    QDir(dir_).removeRecursively();
  }

  MainWindow& main() { return corvanex_->main_window(); }
  viewing::ActWindow* Current() { return ActViewing::ActWindowOf(main().act_windows().current()); }

  // Runs `command` and answers the modal window it opens, if any, keeping
  // its text and title.
  void RunAnswering(Command command) {
    bool looked = false;
    QTimer::singleShot(200, [this, &looked] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        modal_title_ = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) modal_text_ = box->text();
        modal->close();
      }
      looked = true;
    });
    main().action(command)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&looked] { return looked; }, 5000));
  }

  QString dir_;
  std::unique_ptr<Corvanex> corvanex_;
  QString modal_title_;
  QString modal_text_;
};

TEST_F(ActViewingTest, OpensTheSelectedActAndReportsItsReadingPosition) {
  main().action(Command::kOpenAct)->trigger();
  viewing::ActWindow* act = Current();
  ASSERT_NE(act, nullptr);
  EXPECT_EQ(act->act_id(), 1);
  EXPECT_EQ(main().act_windows().current()->windowTitle(), QString::fromUtf8("Hotărâre nr. 179/2002"));
  EXPECT_TRUE(act->viewer()->toPlainText().contains("Articolul 200"));

  act->viewer()->ScrollToAnchor("#101");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main().status_panel(2)->text().endsWith("%"); }, 2000));
  EXPECT_GT(main().status_panel(2)->text().chopped(1).toInt(), 20);

  // Opened again, the same act gets a second window.
  main().action(Command::kOpenAct)->trigger();
  EXPECT_EQ(main().mdi_area()->subWindowList().size(), 2);
}

TEST_F(ActViewingTest, ADamagedTextOpensNoWindowAndSaysWhy) {
  corvanex_->data()->MoveTo(1);
  RunAnswering(Command::kOpenAct);
  EXPECT_TRUE(main().mdi_area()->subWindowList().isEmpty());
  EXPECT_TRUE(modal_text_.contains("zlib")) << modal_text_.toStdString();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(main().mdi_area()->updatesEnabled());
}

TEST_F(ActViewingTest, AFailingWindowHookKeepsTheWindow) {
  corvanex_->act_viewing()->AddWindowHook(
      [](viewing::ActWindow&) { throw std::runtime_error("Invalid level (3) for item \"x\""); });
  RunAnswering(Command::kOpenAct);
  EXPECT_EQ(modal_text_, "Invalid level (3) for item \"x\"");
  EXPECT_NE(Current(), nullptr);
}

TEST_F(ActViewingTest, MenuCopyTakesSelectionsUnder400Characters) {
  main().action(Command::kOpenAct)->trigger();
  hypertext::HypertextView* view = Current()->viewer();
  const QTextCursor start = view->document()->find("xxx");
  for (int length : {399, 400}) {
    QTextCursor selection(view->document());
    selection.setPosition(start.selectionStart());
    selection.setPosition(start.selectionStart() + length, QTextCursor::KeepAnchor);
    view->setTextCursor(selection);
    QApplication::clipboard()->setText("before");
    main().action(Command::kCopy)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().size(), length == 399 ? 399 : 6) << length;
  }
}

TEST_F(ActViewingTest, PreviewOpensForTheActiveActOnly) {
  RunAnswering(Command::kPrintPreview);
  EXPECT_EQ(modal_title_, "");
  main().action(Command::kOpenAct)->trigger();
  RunAnswering(Command::kPrintPreview);
  EXPECT_EQ(modal_title_, "Previzualizare");
  modal_title_.clear();
  main().mdi_area()->setActiveSubWindow(nullptr);
  RunAnswering(Command::kPrintPreview);
  EXPECT_EQ(modal_title_, "");
}

}  // namespace
}  // namespace shell
