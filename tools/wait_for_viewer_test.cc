#include "tools/wait_for_viewer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tools {
namespace {

using std::chrono::milliseconds;

TEST(WaitForViewerTest, WaitsForTheProcessToEndAndGivesUpAfterTheLimit) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    usleep(200 * 1000);
    _exit(0);
  }
  std::vector<std::string> args = {"--install-dir", "X", "--wait-for", std::to_string(child)};
  // Too short a wait: a clear message.
  std::vector<std::string> copy = args;
  const std::string gave_up = WaitForViewer(&copy, "pkgrun", milliseconds(20));
  EXPECT_NE(gave_up.find("still holds the database"), std::string::npos) << gave_up;
  EXPECT_NE(gave_up.find("pkgrun"), std::string::npos);
  // Long enough: the child ends (a zombie until collected) and the option
  // is taken out of the arguments.
  EXPECT_EQ(WaitForViewer(&args, "pkgrun", milliseconds(5000)), "");
  EXPECT_EQ(args, (std::vector<std::string>{"--install-dir", "X"}));
  waitpid(child, nullptr, 0);
}

TEST(WaitForViewerTest, BadOptionIsAnErrorAndNoOptionIsNothingToWaitFor) {
  std::vector<std::string> none = {"--install-dir", "X"};
  EXPECT_EQ(WaitForViewer(&none, "reorgdb"), "");
  std::vector<std::string> bad = {"--wait-for", "viewer"};
  EXPECT_NE(WaitForViewer(&bad, "reorgdb").find("not a process id"), std::string::npos);
  std::vector<std::string> missing = {"--wait-for"};
  EXPECT_NE(WaitForViewer(&missing, "reorgdb"), "");
}

}  // namespace
}  // namespace tools
