// For the viewer's tests: the sample installation (the acts of sample/acts
// with their code tables and modification lines), laid out and imported
// by pkgrun once per test program into a scratch directory.
//
// A test target that includes this defines CORVANA_SAMPLE_DIR (the source
// tree's sample/) and PKGRUN_BIN (the pkgrun program), and depends on
// pkgrun.
#ifndef CORVANA_VIEWER_FINDING_SAMPLE_INSTALLATION_H_
#define CORVANA_VIEWER_FINDING_SAMPLE_INSTALLATION_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "actsdb/installation.h"

namespace finding {

// The installation directory; throws when it cannot be made.
inline const std::string& SampleInstallation() {
  static const std::string dir = [] {
    namespace fs = std::filesystem;
    const fs::path sample = CORVANA_SAMPLE_DIR;
    const fs::path install =
        fs::path(::testing::TempDir()) / ("corvana-sample-" + std::to_string(::getpid()));
    fs::remove_all(install);
    actsdb::CreateInstallation(sample.string(), install.string());
    const std::string quoted = "'" + install.string() + "'";
    const std::string command = std::string(PKGRUN_BIN) + " --install-dir " + quoted +
                                " --modif '" + (sample / "acts/modif.txt").string() +
                                "' --modart '" + (sample / "acts/modart.txt").string() + "' '" +
                                (sample / "acts").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    static const fs::path removed_at_exit = install;
    std::atexit([] { fs::remove_all(removed_at_exit); });
    return install.string();
  }();
  return dir;
}

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_SAMPLE_INSTALLATION_H_
