#include "viewer/finding/act_key.h"

#include <gtest/gtest.h>

#include "actsdb/database_test_fixture.h"

namespace finding {
namespace {

using Words = std::vector<std::string>;

TEST(SplitKeyWordsTest, BlanksEndWords) {
  const std::pair<std::string, Words> cases[] = {
      {"lg 1 24 1990", {"lg", "1", "24", "1990"}},
      {" lg 1", {"lg", "1"}},
      {"  lg 1", {"", "lg", "1"}},
      {"lg  1", {"lg", "", "1"}},
      {"lg 1 ", {"lg", "1", ""}},
      {"", {}},
      {" ", {""}},
      {"  ", {"", ""}},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(SplitKeyWords(text), want) << '"' << text << '"';
}

class LocateActByKeyTest : public actsdb::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    acts_ = std::make_unique<actsdb::Table>(*db_, "tblActe");
    acts_->Open();
    for (const char* key : {"LG 1 24 1990 0", "LG 1 24 1990 2", "CON 1 1000000 2003 0",
                            "CON 1 5 2003 0", "HOT 2 7 2001 0 M"}) {
      acts_->Append();
      acts_->SetString("IndNum", key);
      acts_->Post();
    }
  }
  std::unique_ptr<actsdb::Table> acts_;
};

TEST_F(LocateActByKeyTest, ReferencesToKeys) {
  struct Case {
    const char* reference;
    std::optional<std::string> key;
    int64_t id_act;  // 0: no act has the key
  };
  const Case cases[] = {
      {"lg 1 24 1990", "LG 1 24 1990 0", 1},
      {"lg 1 24 1990 2", "LG 1 24 1990 2", 2},
      // Only the lower-case codes have their number replaced.
      {"con 1 5 2003", "CON 1 1000000 2003 0", 3},
      {"CON 1 5 2003", "CON 1 5 2003 0", 4},
      {"cpe 1 5 2003", "CPE 1 1000000 2003 0", 0},
      {"hot 2 7 2001 0 M", "HOT 2 7 2001 0", 0},
      {" lg 1 24 1990", "LG 1 24 1990 0", 1},
      {"  lg 1 24 1990", " LG 1 24 1990", 0},
      {"lg 1 24", std::nullopt, 0},
      {"", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ActKeyOfReference(c.reference), c.key) << c.reference;
    ASSERT_TRUE(acts_->Locate("IdAct", 5));
    EXPECT_EQ(LocateActByKey(*acts_, c.reference), c.id_act != 0) << c.reference;
    // A key that names no act leaves the view where it was.
    EXPECT_EQ(acts_->AsInteger("IdAct"), c.id_act != 0 ? c.id_act : 5) << c.reference;
  }
}

}  // namespace
}  // namespace finding
