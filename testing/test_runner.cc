#include "testing/test_runner.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

int RunTestsInScratchDirectory() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvana-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  setenv("TEST_TMPDIR", pattern.c_str(), 1);
  // The user's configuration (the installation lookup, the database
  // aliases the viewer registers) is never read or written by a test.
  setenv("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
  unsetenv("CORVANA_ALIASES");
  const int rc = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(pattern, ignored);
  return rc;
}
