#include "actsdb/install_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
}  // namespace actsdb
