#include "viewer/shell/options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace shell {
namespace {

class OptionsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / kOptionsFile).string();
  }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(OptionsFileTest, MissingFileGivesTheDefaults) {
  const Options options = ReadOptions(path_);
  EXPECT_EQ(options.font_name, "Times New Roman");
  EXPECT_EQ(options.font_size, 12);
  EXPECT_EQ(options.font_color, 0);
  EXPECT_EQ(options.load_mode(), LoadMode::kFull);
  EXPECT_TRUE(options.conn_none);
  EXPECT_FALSE(options.conn_local || options.conn_dial || options.update_mail);
  EXPECT_EQ(options.mail_password, "");
  EXPECT_TRUE(options.mark_hits);
}

TEST_F(OptionsFileTest, HitMarkingIsASectionOfItsOwn) {
  const std::string before = "[Font]\r\nFontName=Arial\r\nColor=255\r\nSize=9\r\n";
  Write(before);
  Options options = ReadOptions(path_);
  EXPECT_TRUE(options.mark_hits);
  options.mark_hits = false;
  ASSERT_TRUE(WriteOptions(path_, options));
  const std::string text = Read();
  EXPECT_EQ(text.substr(0, before.size()), before);
  EXPECT_NE(text.find("\r\n[Cautare]\r\nEvidentiere=0\r\n"), std::string::npos) << text;
  EXPECT_FALSE(ReadOptions(path_).mark_hits);
  Write(before + "[Cautare]\r\nEvidentiere=da\r\n");
  EXPECT_TRUE(ReadOptions(path_).mark_hits);
}

TEST_F(OptionsFileTest, RadioGroupsFollowTheOrderTheKeysAreRead) {
  struct Case {
    const char* performanta;
    const char* conexiune;
    LoadMode mode;
    bool none, local, dial;
  };
  const Case cases[] = {
      {"under32mb=1\r\nover32mb=1", "none=1\r\nlocal=1\r\ndial=0", LoadMode::kFull, false, true,
       false},
      {"under32mb=1\r\nover32mb=0", "none=1\r\nlocal=0\r\ndial=1", LoadMode::kPartial, false,
       false, true},
      {"under32mb=0\r\nover32mb=0", "none=0\r\nlocal=0\r\ndial=0", LoadMode::kNone, false, false,
       false},
      // Keys are taken in their fixed order, not in the order of the file.
      {"over32mb=0\r\nunder32mb=1", "dial=1\r\nnone=1", LoadMode::kPartial, false, false, true},
      // A bad or missing value is the default read in its place: over32mb=1
      // then wins.
      {"under32mb=1\r\nover32mb=yes", "none=x", LoadMode::kFull, true, false, false},
      {"under32mb=1", "local=1", LoadMode::kFull, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.performanta) + " / " + c.conexiune);
    Write(std::string("[Performanta]\r\n") + c.performanta + "\r\n[Conexiune]\r\n" + c.conexiune +
          "\r\n");
    const Options options = ReadOptions(path_);
    EXPECT_EQ(options.load_mode(), c.mode);
    EXPECT_EQ(options.conn_none, c.none);
    EXPECT_EQ(options.conn_local, c.local);
    EXPECT_EQ(options.conn_dial, c.dial);
  }
}

TEST_F(OptionsFileTest, BadValuesYieldTheKeysDefault) {
  Write("[font]\nfontname=\nColor=blue\nSize=-3\n[Update]\nmail=2\nweb=1x\nmail_user= ana \n");
  const Options options = ReadOptions(path_);
  EXPECT_EQ(options.font_name, "Times New Roman");
  EXPECT_EQ(options.font_color, 0);
  EXPECT_EQ(options.font_size, 12);
  EXPECT_TRUE(options.update_mail);  // any integer but 0 is true
  EXPECT_FALSE(options.update_web);
  EXPECT_EQ(options.mail_user, " ana ");  // texts are kept as written
}

TEST_F(OptionsFileTest, WritesEveryKeyKeepsForeignLinesAndReadsBack) {
  Write("; written by hand\r\n[Update]\r\nmail_password=old\r\nserver_port=110\r\n\r\n[Altele]\r\nx=1\r\n");
  Options options;
  options.font_name = "Arial";
  options.font_color = 0x0000FF;
  options.font_size = 14;
  options.set_load_mode(LoadMode::kPartial);
  options.mail_password = "p\xE2rol\xE3=1";  // Windows-1250, with an "=" inside
  options.conn_local = true;
  options.conn_none = false;
  ASSERT_TRUE(WriteOptions(path_, options));

  const std::string text = Read();
  EXPECT_NE(text.find("[Performanta]\r\nunder32mb=1\r\nover32mb=0\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("; written by hand\r\n"), std::string::npos);
  EXPECT_NE(text.find("server_port=110\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Altele]\r\nx=1\r\n"), std::string::npos);
  EXPECT_EQ(text.find("old"), std::string::npos);

  const Options back = ReadOptions(path_);
  EXPECT_EQ(back.font_name, "Arial");
  EXPECT_EQ(back.font_color, 0x0000FF);
  EXPECT_EQ(back.font_size, 14);
  EXPECT_EQ(back.load_mode(), LoadMode::kPartial);
  EXPECT_EQ(back.mail_password, options.mail_password);
  EXPECT_TRUE(back.conn_local);
  EXPECT_FALSE(back.conn_none);
}

TEST_F(OptionsFileTest, FileIsReadableByItsOwnerOnly) {
  Write("[Font]\r\nSize=10\r\n");
  std::filesystem::permissions(path_, std::filesystem::perms(0644));
  ASSERT_TRUE(WriteOptions(path_, ReadOptions(path_)));
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadOptions(path_).font_size, 10);
}

TEST_F(OptionsFileTest, UnwritableDirectoryReportsFailureAndKeepsNothingHalfWritten) {
  const std::string missing = (dir_ / "absent" / kOptionsFile).string();
  EXPECT_FALSE(WriteOptions(missing, Options()));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace shell
