#include "actsdb/install_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "actsdb/installation.h"

namespace actsdb {
namespace {

namespace fs = std::filesystem;

class InstallDirTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("installdir_" + std::to_string(getpid()));
    fs::create_directories(dir_ / "corvana");
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    unsetenv("CORVANA_HOME");
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(InstallDirTest, LookupOrderAndTrailingSeparator) {
  std::ofstream(dir_ / "corvana" / "corvana.conf") << "# installed by hand\nPath=/opt/corvana/\n";
  EXPECT_EQ(LookupInstallDir(), "/opt/corvana");
  setenv("CORVANA_HOME", "/srv/acts", 1);
  EXPECT_EQ(LookupInstallDir(), "/srv/acts");
  unsetenv("CORVANA_HOME");
}

TEST_F(InstallDirTest, SeparatorRules) {
  EXPECT_EQ(WithoutTrailingSeparator("/a/b/"), "/a/b");
  EXPECT_EQ(WithoutTrailingSeparator("/a/b//"), "/a/b/");  // one only
  EXPECT_EQ(WithoutTrailingSeparator("/a/b"), "/a/b");
  EXPECT_EQ(WithoutTrailingSeparator("/"), "/");
  EXPECT_EQ(ReduceFirstDoubledSeparator("/opt//corvana//zazi1"), "/opt/corvana//zazi1");
}

TEST_F(InstallDirTest, AliasesPersistAfterSave) {
  const std::string file = (dir_ / "sub" / "aliases.conf").string();
  {
    AliasConfig config(file);
    EXPECT_FALSE(config.Has("Zazi1"));
    EXPECT_THROW(config.Directory("Zazi1"), std::runtime_error);
    config.Add("Zazi1", "/opt/corvana/zazi1");
    config.Add("Update", "/opt/corvana/update");
    config.Save();
  }
  AliasConfig again(file);
  EXPECT_EQ(again.Directory("Zazi1"), "/opt/corvana/zazi1");
  EXPECT_EQ(again.Directory("Update"), "/opt/corvana/update");
  EXPECT_FALSE(again.Has("NormBase"));
}

TEST_F(InstallDirTest, OneRuleFindsTheInstallationAndItsDatabase) {
  AliasConfig aliases((dir_ / "aliases.conf").string());
  struct Case {
    const char* named;
    const char* home;     // CORVANA_HOME, or null
    const char* zazi1;    // the alias, or null
    const char* install;  // wanted
    const char* database;
  };
  const Case cases[] = {
      // A named installation has its own database, whatever the alias says.
      {"/srv/named/", "/srv/home", "/data/zazi1", "/srv/named", "/srv/named/zazi1"},
      // A looked-up one takes the alias when there is one.
      {"", "/srv/home", "/data/zazi1/", "/srv/home", "/data/zazi1"},
      {"", "/srv/home", nullptr, "/srv/home", "/srv/home/zazi1"},
      // Nothing names one: the caller's fallback.
      {"", nullptr, nullptr, "/work", "/work/zazi1"},
  };
  for (const Case& c : cases) {
    AliasConfig these = aliases;
    if (c.zazi1 != nullptr) these.Add("Zazi1", c.zazi1);
    if (c.home != nullptr) {
      setenv("CORVANA_HOME", c.home, 1);
    } else {
      unsetenv("CORVANA_HOME");
    }
    const InstallationPlaces places = ResolveInstallation(c.named, these, "/work");
    EXPECT_EQ(places.install_dir, c.install) << c.install;
    EXPECT_EQ(places.database_dir, c.database) << c.install;
  }
  unsetenv("CORVANA_HOME");
  try {
    ResolveInstallation("", aliases);
    FAIL() << "an installation was found where none is set";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("--install-dir"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace actsdb
