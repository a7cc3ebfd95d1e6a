#include "viewer/finding/act_links.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <map>

#include "actsdb/display_title.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "viewer/finding/sample_installation.h"
#include "viewer/viewing/act_page.h"
#include "viewer/viewing/act_source.h"

namespace finding {
namespace {

// The pages are made for an installation directory whose path holds "lg",
// dots, "#" and "img"; the acts are the sample installation's: act 1 is
// "L PARL 12 2001 0", act 2 its Hungarian version, act 3 refers to act 1.
class ActLinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = actsdb::Database::Open(actsdb::DatabasePath(SampleInstallation()));
    acts_ = std::make_unique<actsdb::Table>(*db_, "tblActe");
    acts_->Open();
    ActLinks::Services services;
    services.install_dir = kInstallDir;
    services.acts = acts_.get();
    services.list_key = [this] { return list_key_; };
    services.located_hint = [this] {
      return acts_->AsString("IndNum") + " " + actsdb::StripTags(acts_->AsString("Titlu"));
    };
    services.open = [this](int64_t id) { opened_.push_back(id); };
    services.status = [this](const QString& text) { status_ = text; };
    links_ = std::make_unique<ActLinks>(services);
    links_->Attach(&view_, 'R');
  }

  // The act links of act `id`'s page as the act window shows it.
  QStringList PageLinks(int64_t id) {
    EXPECT_TRUE(acts_->Locate("IdAct", id));
    const viewing::ActPage page =
        viewing::ProduceActPage(viewing::ReadActPageRow(*acts_), kInstallDir);
    QStringList targets;
    const QRegularExpression href("href=\"([^\"]*)\"");
    for (auto m = href.globalMatch(QString::fromLatin1(page.html)); m.hasNext();) {
      targets << m.next().captured(1);
    }
    return targets;
  }

  bool Click(const QString& target) {
    bool handled = false;
    emit view_.linkClicked(target, &handled);
    return handled;
  }

  static constexpr const char* kInstallDir = "/srv/olga/lg.d/v1.2#img";
  std::unique_ptr<actsdb::Database> db_;
  std::unique_ptr<actsdb::Table> acts_;
  std::unique_ptr<ActLinks> links_;
  hypertext::HypertextView view_;
  std::string list_key_;
  std::vector<int64_t> opened_;
  QString status_;
};

TEST_F(ActLinksTest, BothFormsOfALinkOpenTheAct) {
  // The page writes the line's first link in the rewritten form, and the
  // stored form of the reference is "# L PARL 12 2001".
  const QStringList links = PageLinks(3);
  ASSERT_TRUE(links.contains("file:///srv/olga/lg.d/v1.2#img/lgL PARL 12 2001.htm"))
      << links.join("|").toStdString();
  for (const QString& target : {QString("file:///srv/olga/lg.d/v1.2#img/lgL PARL 12 2001.htm"),
                                QString("# L PARL 12 2001"), QString("# l parl 12 2001 0")}) {
    opened_.clear();
    EXPECT_TRUE(Click(target)) << target.toStdString();
    EXPECT_EQ(opened_, std::vector<int64_t>{1}) << target.toStdString();
  }
  // The same link twice opens the act twice.
  Click("# L PARL 12 2001");
  EXPECT_EQ(opened_, (std::vector<int64_t>{1, 1}));
}

TEST_F(ActLinksTest, WhatOpensNothing) {
  struct Case {
    const char* target;
    bool handled;
  };
  for (const Case& c :
       {Case{"# L PARL 99 1999", true},  // names no act
        Case{"file:///opt/corvana/lgL PARL 12 2001.htm", false}, Case{"#tp+2", false},
        Case{"# img POZA1 x", false}, Case{"http://example.org/", false}}) {
    EXPECT_EQ(Click(c.target), c.handled) << c.target;
  }
  EXPECT_TRUE(opened_.empty());
}

TEST_F(ActLinksTest, TheLanguageLinkBothWays) {
  struct Case {
    std::string list_key;
    char language;
    std::vector<int64_t> opened;
  };
  const Case cases[] = {
      {"L PARL 12 2001 0", 'R', {2}},
      {"L PARL 12 2001 0 M", 'M', {1}},
      // No Hungarian version of this act.
      {"L PARL 30 2002 0", 'R', {}},
      // The list's current act counts, not the act of the page.
      {"L PARL 30 2002 0", 'M', {4}},
  };
  for (const Case& c : cases) {
    hypertext::HypertextView page;
    links_->Attach(&page, c.language);
    list_key_ = c.list_key;
    opened_.clear();
    bool handled = false;
    emit page.linkClicked("chlang", &handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(opened_, c.opened) << c.list_key;
  }
}

TEST_F(ActLinksTest, HoverShowsWhereTheLinkLeads) {
  emit view_.linkHovered("file:///srv/olga/lg.d/v1.2#img/lgL PARL 12 2001.htm");
  EXPECT_EQ(status_, "Asteptati...");
  EXPECT_TRUE(view_.hint_shown());
  EXPECT_EQ(view_.hint(), "L PARL 12 2001 0 privind organizarea registrelor publice locale ");
  EXPECT_EQ(acts_->AsInteger("IdAct"), 1);  // the lookup stands the view on the act

  emit view_.linkHovered("# L PARL 99 1999");
  EXPECT_EQ(view_.hint(), "");

  emit view_.linkHovered("chlang");
  EXPECT_EQ(view_.hint(), "Selecteaza limba");
  EXPECT_TRUE(view_.hint_shown());

  emit view_.linkHovered("");
  EXPECT_EQ(status_, "");
  EXPECT_EQ(view_.hint(), "");
  EXPECT_FALSE(view_.hint_shown());

  // A click switches the hint off.
  emit view_.linkHovered("# L PARL 12 2001");
  Click("# L PARL 12 2001");
  EXPECT_FALSE(view_.hint_shown());
}

}  // namespace
}  // namespace finding
