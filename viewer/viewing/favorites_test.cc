#include "viewer/viewing/favorites.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace viewing {
namespace {

namespace fs = std::filesystem;

class FavoritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("favorites-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / kFavoritesFile).string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

  fs::path dir_;
  std::string path_;
};

TEST_F(FavoritesTest, KeptAcrossRuns) {
  FavoriteList list(path_);
  EXPECT_EQ(list.Load(), std::nullopt);  // no file yet
  EXPECT_TRUE(list.entries().empty());
  EXPECT_TRUE(list.Add({"OUG GUV 34 2006 0", "Ordonan\xFE\xE3 de urgen\xFE\xE3 nr. 34/2006", {2024, 3, 5}}));
  EXPECT_TRUE(list.Add({"L PARL 98 2016 0", " Lege\tnr. 98/2016 ", {2024, 3, 6}}));
  EXPECT_TRUE(list.Add({"HG GUV 925 2006 0", "HG 925", {2024, 3, 7}}));
  EXPECT_FALSE(list.Add({"HG GUV 925 2006 0", "again", {2024, 3, 8}}));
  EXPECT_TRUE(list.Rename(2, "Normele de aplicare"));
  EXPECT_FALSE(list.Rename(2, " \t "));
  list.Remove(0);
  list.Save();

  EXPECT_EQ(Read(path_),
            "Corvana favorite 1\r\n"
            "L PARL 98 2016 0\t6/3/2024\tLege nr. 98/2016\r\n"
            "HG GUV 925 2006 0\t7/3/2024\tNormele de aplicare\r\n");
  EXPECT_FALSE(fs::exists(path_ + ".new"));
  FavoriteList next(path_);
  EXPECT_EQ(next.Load(), std::nullopt);
  EXPECT_EQ(next.entries(), list.entries());
  EXPECT_EQ(next.Find("HG GUV 925 2006 0"), 1u);
  EXPECT_EQ(next.Find("OUG GUV 34 2006 0"), std::nullopt);
  EXPECT_THROW(next.Add({"", "x", {2024, 1, 1}}), std::invalid_argument);
}

TEST_F(FavoritesTest, ADamagedFileIsKeptAsideAndTheListStartsEmpty) {
  const std::string good = "Corvana favorite 1\r\nL PARL 98 2016 0\t6/3/2024\tLege\r\n";
  struct Case {
    const char* name;
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"another file", "[Font]\r\nSize=12\r\n", "line 1"},
      {"empty", "", "empty"},
      {"cut short", good.substr(0, good.size() - 6), "line 2: cut short"},
      {"a bad date", good + "HG GUV 1 2000 0\t31/2/2024\tHG\r\n", "line 3: not a date"},
      {"a missing title", good + "HG GUV 1 2000 0\t1/2/2024\r\n", "line 3: not an entry"},
      {"an empty key", good + "\t1/2/2024\tHG\r\n", "line 3: not an act key"},
  };
  int kept = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.text);
    FavoriteList list(path_);
    const std::optional<std::string> said = list.Load();
    ASSERT_TRUE(said.has_value());
    EXPECT_NE(said->find(c.says), std::string::npos) << *said;
    const std::string aside =
        path_ + ".deteriorat" + (kept == 0 ? std::string() : "." + std::to_string(kept));
    EXPECT_NE(said->find(fs::path(aside).filename().string()), std::string::npos) << *said;
    ++kept;
    EXPECT_TRUE(list.entries().empty());
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_EQ(Read(aside), c.text);

    // What the user adds afterwards starts a new file; the old one stays.
    list.Add({"HG GUV 2 2001 0", "HG 2", {2024, 4, 1}});
    list.Save();
    EXPECT_EQ(Read(aside), c.text);
    fs::remove(path_);
  }
}

TEST_F(FavoritesTest, AFileThatCannotBeWrittenKeepsTheOldOne) {
  Write("Corvana favorite 1\r\n");
  fs::create_directory(path_ + ".new");  // the new file cannot be made
  FavoriteList list(path_);
  ASSERT_EQ(list.Load(), std::nullopt);
  list.Add({"HG GUV 2 2001 0", "HG 2", {2024, 4, 1}});
  try {
    list.Save();
    ADD_FAILURE() << "saved";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("favorite.dat.new"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Read(path_), "Corvana favorite 1\r\n");
}

}  // namespace
}  // namespace viewing
