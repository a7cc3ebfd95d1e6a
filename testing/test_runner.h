// Runs the registered tests with their own scratch directory.
//
// ctest runs each test case as a separate process, several at a time, and
// many tests lay out files under ::testing::TempDir(). Pointing TEST_TMPDIR
// at a fresh directory per process keeps two of them (or two builds) from
// working in the same files; the directory is removed afterwards.
#ifndef CORVANA_TESTING_TEST_RUNNER_H_
#define CORVANA_TESTING_TEST_RUNNER_H_

// Call after testing::InitGoogleTest; returns the exit status.
int RunTestsInScratchDirectory();

#endif  // CORVANA_TESTING_TEST_RUNNER_H_
