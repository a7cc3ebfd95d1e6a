// The main of every test program without windows.
#include <gtest/gtest.h>

#include "testing/test_runner.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RunTestsInScratchDirectory();
}
