// The main of the test programs of windows: one QApplication for all the
// tests of the process, without a display unless QT_QPA_PLATFORM names one
// (the build lists the tests by running the program, with no display).
#include <gtest/gtest.h>

#include <QApplication>

#include "testing/test_runner.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunTestsInScratchDirectory();
}
