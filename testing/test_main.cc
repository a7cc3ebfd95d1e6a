// The main of every test program: runs the tests with their own scratch
// directory.
//
// ctest runs each test case as a separate process, several at a time, and
// many tests lay out files under ::testing::TempDir(). Pointing TEST_TMPDIR
// at a fresh directory per process keeps two of them (or two builds) from
// working in the same files; the directory is removed afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvana-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  setenv("TEST_TMPDIR", pattern.c_str(), 1);
  const int rc = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(pattern, ignored);
  return rc;
}
